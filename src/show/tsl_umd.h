#pragma once
// TSL UMD, the public tally and label protocol, in its two common forms over
// UDP. Pure builders and parsers: no socket here.
//
// Version 5.0 packet (every 16-bit field little-endian), at most 2048 bytes:
//   0   PBC     bytes that follow this field
//   2   VER     minor version (0)
//   3   FLAGS   bit 0: text is UTF-16LE (else ASCII); bit 1: screen control
//               data follows instead of display messages
//   4   SCREEN  screen index, 0xFFFF every screen
//   6   display messages, each:
//       INDEX (0xFFFF: every display), CONTROL, and when CONTROL bit 15 is
//       clear LENGTH and LENGTH bytes of text. CONTROL bits 0-1 right-hand
//       tally, 2-3 text tally, 4-5 left-hand tally, 6-7 brightness; a tally
//       is 0 off, 1 red, 2 green, 3 amber.
// Sent over UDP without the DLE/STX framing of the serial line.
//
// Version 3.1 message, 18 bytes: header 0x80 + display address 0..126;
// control byte (bits 0-3 tallies 1-4, bits 4-5 brightness, bit 7 clear);
// 16 bytes of ASCII text. A datagram may hold several.
#include <QString>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

constexpr size_t kTsl5MaxPacket = 2048;
constexpr size_t kTsl31MessageBytes = 18;
constexpr uint16_t kTslEveryIndex = 0xFFFF;

enum class TslTally : uint8_t { Off = 0, Red = 1, Green = 2, Amber = 3 };

struct Tsl5Message {
  uint16_t index = 0;
  TslTally right = TslTally::Off;
  TslTally text_tally = TslTally::Off;
  TslTally left = TslTally::Off;
  uint8_t brightness = 3;
  std::optional<QString> text;  // absent for a control-data message
};

struct Tsl5Packet {
  uint16_t screen = 0;
  bool screen_control = false;  // screen control data: no display message taken
  std::vector<Tsl5Message> messages;
};

struct Tsl31Message {
  uint8_t address = 0;  // 0..126
  bool tally[4] = {};
  uint8_t brightness = 0;
  QString text;  // trailing blanks removed
};

// One packet with one display message, ASCII text (characters outside
// printable ASCII become '?'), text cut so the packet stays in bounds.
std::vector<uint8_t> build_tsl5_packet(uint16_t screen, const Tsl5Message& message);

// Why the bytes are no packet, when they are not. Both parsers look at no
// byte past the datagram and do work bounded by its size.
struct Tsl5Parse {
  std::optional<Tsl5Packet> packet;
  const char* why = nullptr;
};
Tsl5Parse parse_tsl5(std::span<const uint8_t> bytes);

struct Tsl31Parse {
  std::vector<Tsl31Message> messages;  // empty when refused
  const char* why = nullptr;
};
Tsl31Parse parse_tsl31(std::span<const uint8_t> bytes);

// True when the datagram has the shape of 3.1 messages (a multiple of 18
// bytes, each starting with a header byte); 5.0 otherwise.
bool looks_like_tsl31(std::span<const uint8_t> bytes);
