#pragma once
// The envelope as a device sees it, written on the device side on purpose:
// the simulator checks what the panel sends with its own reading of the
// layout, so a fault in the panel's frame builder is not mirrored here.
//
//   offset 0,1   A5 6C
//   offset 2,3   total length L, low byte first
//   offset 4     device type      offset 5  device id
//   offset 6     link byte: 01 over UDP, 00 over the serial line
//   offset 7..15 zero
//   offset 16    command
//   offset 17..  payload (replies: data from 17 or 18)
//   offset L-3   16-bit sum of bytes 0..L-4, low byte first
//   offset L-1   AE
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace devsim {

constexpr uint8_t kStart0 = 0xA5;
constexpr uint8_t kStart1 = 0x6C;
constexpr uint8_t kEnd = 0xAE;
constexpr uint8_t kLinkUdp = 0x01;
constexpr uint8_t kLinkSerial = 0x00;
constexpr size_t kMinFrameLength = 20;
// Longest frame a device takes: a label frame with a long text is far below.
constexpr size_t kMaxFrameLength = 1400;
constexpr uint8_t kSearchCommand = 0xFF;
constexpr uint8_t kSearchType = 0x81;
constexpr uint8_t kSearchId = 0xFF;

uint16_t sum16(std::span<const uint8_t> bytes);

// A frame with `body` from offset 17 on (payload of a command, or byte 17 and
// the data of a reply). Length and checksum are filled in.
std::vector<uint8_t> make_frame(uint8_t type, uint8_t id, uint8_t link, uint8_t command,
                                std::span<const uint8_t> body);

// Rewrites the length field and the checksum after bytes were changed.
void reseal(std::vector<uint8_t>& frame);

// Checks a whole received frame; returns an empty text when it is sound,
// otherwise what is wrong with it.
std::string check_frame(std::span<const uint8_t> frame, uint8_t expected_link);

// Read-only view of a frame that passed check_frame.
struct FrameView {
  std::span<const uint8_t> bytes;
  uint8_t type() const { return bytes[4]; }
  uint8_t id() const { return bytes[5]; }
  uint8_t link() const { return bytes[6]; }
  uint8_t command() const { return bytes[16]; }
  size_t size() const { return bytes.size(); }
  // Payload bytes 17 .. L-4.
  std::span<const uint8_t> payload() const { return bytes.subspan(17, bytes.size() - 20); }
};

// "A5 6C 14 00 ..." for logs and test messages.
std::string hex(std::span<const uint8_t> bytes);

}  // namespace devsim
