#pragma once
// Command codes of the multiviewer and the pure builders of the payloads that
// are more than one plain byte. The envelope around a payload is built by
// link/control_frame (bytes 0..16 before it, checksum and AE after it).
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace mv_cmd {
constexpr uint8_t kNetParam = 0x05;          // address, mask, gateway (12 bytes)
constexpr uint8_t kResolution = 0x19;        // 00, resolution wire code
constexpr uint8_t kUmdText = 0x1E;           // window, 01 00 01 00 01 00 01, UTF-16LE text
constexpr uint8_t kStateQuery = 0x32;        // no payload; the state reply carries 0x32 too
constexpr uint8_t kScreenMode = 0x33;        // window count
constexpr uint8_t kWindowSource = 0x34;      // SDI 1..16, window 1..16
constexpr uint8_t kUmdEnable = 0x36;         // 0 / 1
constexpr uint8_t kAudioEnable = 0x37;       // 0 / 1
constexpr uint8_t kRestoreDefaults = 0x38;   // 00
constexpr uint8_t kAudioSource = 0x39;       // channel 1..16
constexpr uint8_t kResolutionEnable = 0x3A;  // 0 / 1
// 3B..3E: selection (0 = all windows, 1..16 = one), colour code.
constexpr uint8_t kUmdTextColour = 0x3B;
constexpr uint8_t kUmdBackColour = 0x3C;
constexpr uint8_t kResoTextColour = 0x3D;
constexpr uint8_t kResoBackColour = 0x3E;
constexpr uint8_t kBorderEnable = 0x3F;  // 0 / 1
constexpr uint8_t kLockState = 0x50;     // 0 / 1
}  // namespace mv_cmd

// A label holds at most 32 bytes on the device (16 UTF-16 code units).
constexpr int kUmdTextMaxUnits = 16;

// UTF-16LE code units of the text, low byte first, no terminator.
std::vector<uint8_t> utf16le_bytes(const QString& text);

// Text of a UTF-16LE byte run: the code units up to the first zero unit. An
// odd last byte forms a unit with a zero high byte.
QString utf16le_text(std::span<const uint8_t> bytes);

// Payload of 0x1E, the label of one window:
//   0      window number 1..16
//   1..7   01 00 01 00 01 00 01
//   8..    the text, UTF-16LE, no terminator (at most kUmdTextMaxUnits units;
//          longer text is cut there, since the device keeps no more)
std::vector<uint8_t> umd_text_payload(uint8_t window, const QString& text);

// Payload of 0x34: the SDI number (0-based source index + 1), then the window.
std::array<uint8_t, 2> window_source_payload(uint8_t source_index, uint8_t window);

// Payload of 0x19: 00, then the wire code of the resolution index; nothing
// for an index outside the resolution table.
std::optional<std::array<uint8_t, 2>> resolution_payload(int resolution_index);
