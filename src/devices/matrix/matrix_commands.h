#pragma once
// The matrix router's wire: routing as short ASCII text commands (no
// envelope, no length, no checksum, no terminator) and the panel lock as two
// control frames. Pure builders and the lock-reply reader; the page sends.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "devices/matrix/matrix_model.h"

namespace matrix_cmd {
constexpr uint8_t kLockQuery = 0x50;   // 20-byte frame, no payload; reply byte 18 = lock
constexpr uint8_t kLockChange = 0x51;  // 21-byte frame, payload: new lock 0 / 1
constexpr size_t kLockReplyOffset = 18;
}  // namespace matrix_cmd

using MatrixText = std::vector<uint8_t>;

// Appends a number in decimal: one digit below 10, otherwise tens then units
// (the device takes at most two digits; values above 99 are cut to 99).
void append_matrix_number(MatrixText& text, unsigned value);

// APPLY: the input, 'V', then each output 1..8 that carries the input followed
// by ',', the last ',' turned into '.':
//   input 3 on outputs 1, 2, 5   "3V1,2,5."
//   input 4 on output 8          "4V8."
// Empty when no output carries the input (nothing is to be sent).
MatrixText build_matrix_apply(uint8_t input, std::span<const uint8_t, kMatrixPorts> route);

// ONE TO ALL: the input followed by "All."; "5All." for input 5.
MatrixText build_matrix_one_to_all(uint8_t input);

// ONE TO ONE: "All#." (input j to output j for every j).
MatrixText build_matrix_one_to_one();

// Lock reply: accepted when the datagram starts A5 6C and its last received
// byte is AE (the command byte is not looked at). The lock is byte 18, zero
// when the datagram is shorter; any non-zero value means locked.
std::optional<uint8_t> matrix_lock_from_reply(std::span<const uint8_t> datagram);
