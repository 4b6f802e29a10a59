#pragma once
// The control-frame envelope shared by every device kind, on UDP and on the
// serial port. Building and reply recognition are pure functions over bytes.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

enum class Link : uint8_t { Serial = 0x00, Udp = 0x01 };

// Fixed sizes of the envelope.
constexpr size_t kFrameHeaderSize = 17;                                 // start .. command byte
constexpr size_t kFrameTrailerSize = 3;                                 // checksum (2) + end byte
constexpr size_t kFrameMinSize = kFrameHeaderSize + kFrameTrailerSize;  // 20
constexpr uint8_t kFrameStart0 = 0xA5;
constexpr uint8_t kFrameStart1 = 0x6C;
constexpr uint8_t kFrameEnd = 0xAE;
constexpr size_t kFrameCommandOffset = 16;

constexpr uint8_t kCmdSearch = 0xFF;
constexpr uint8_t kSearchDevType = 0x81;
constexpr uint8_t kSearchDevId = 0xFF;

// Builds one frame of L = 20 + payload bytes:
//   0  A5 6C                start
//   2  L (16-bit, low first) total length
//   4  dev_type, 5 dev_id    address of the device
//   6  link byte             01 UDP, 00 serial
//   7  nine zero bytes
//   16 command code
//   17 payload
//   L-3 sum of bytes 0..L-4 as 16-bit, low byte first
//   L-1 AE
std::vector<uint8_t> build_frame(uint8_t dev_type, uint8_t dev_id, Link link, uint8_t command,
                                 std::span<const uint8_t> payload = {});

// The device search request: address bytes 81 FF, command FF, no payload.
std::vector<uint8_t> build_search_request(Link link);

// 16-bit sum of the bytes, wrapping modulo 65536.
uint16_t frame_checksum(std::span<const uint8_t> bytes);

// Full test: A5 6C at the start and AE as the last received byte.
bool is_full_reply(std::span<const uint8_t> datagram);

// Command test: byte 16 equals the expected command. Bytes beyond the
// datagram count as zero.
bool is_command_reply(std::span<const uint8_t> datagram, uint8_t command);

// Byte at an offset of a received datagram, zero beyond its end.
inline uint8_t byte_at(std::span<const uint8_t> data, size_t offset) {
  return offset < data.size() ? data[offset] : 0;
}
