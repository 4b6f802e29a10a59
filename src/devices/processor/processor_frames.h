#pragma once
// The wire of the two four-input processors: their command codes and the
// rk5502 state reply reader. Pure functions over bytes; the exchanges are in
// processor_device.h.
#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace processor_cmd {
constexpr uint8_t kRk5502StateQuery = 0x90;  // 20-byte frame, no payload; reply carries 0x90
constexpr uint8_t kLayout = 0x94;            // 21-byte frame, payload: layout code
}  // namespace processor_cmd

// The longest UMD name a state reply may announce.
constexpr uint8_t kRk5502UmdNameMax = 32;

// Fields of the rk5502 state reply, by offset in the reply frame:
//   16   0x90 (the only byte tested: the reply is recognised by it)
//   20   output format (0 1080P60 .. 10 720P25)
//   22   layout code
//   54, 94, 134, 174   length of the UMD name of line 0..3 (the names follow
//                      each length and are not used)
//   255, 256   picture-in-picture child channels
//   257  channel loop
// Nothing else is read, and the checksum and address bytes are not checked.
struct Rk5502StateReply {
  uint8_t output_format = 0;
  uint8_t show_mode = 0;
  std::array<uint8_t, 4> umd_name_len{};
  std::array<uint8_t, 2> pip_child_ch{};
  uint8_t loop_state = 0;
};

constexpr size_t kRk5502ReplyFormatOffset = 20;
constexpr size_t kRk5502ReplyModeOffset = 22;
constexpr size_t kRk5502ReplyUmdLenOffset = 54;  // line k at 54 + 40 k
constexpr size_t kRk5502ReplyUmdStride = 40;
constexpr size_t kRk5502ReplyPipOffset = 255;
constexpr size_t kRk5502ReplyLoopOffset = 257;
constexpr size_t kRk5502ReplyMinSize = 258;

// Reads a datagram as a state reply: nothing unless byte 16 is 0x90. A field
// beyond the end of a short datagram reads as zero.
std::optional<Rk5502StateReply> decode_rk5502_state(std::span<const uint8_t> datagram);
