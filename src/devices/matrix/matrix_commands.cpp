#include "devices/matrix/matrix_commands.h"

#include "link/control_frame.h"

void append_matrix_number(MatrixText& text, unsigned value) {
  if (value > 99) value = 99;
  if (value >= 10) text.push_back(static_cast<uint8_t>('0' + value / 10));
  text.push_back(static_cast<uint8_t>('0' + value % 10));
}

MatrixText build_matrix_apply(uint8_t input, std::span<const uint8_t, kMatrixPorts> route) {
  MatrixText text;
  append_matrix_number(text, input);
  text.push_back('V');
  bool any = false;
  for (int j = 1; j <= kMatrixPorts; ++j) {
    if (route[j - 1] != input) continue;
    append_matrix_number(text, static_cast<unsigned>(j));
    text.push_back(',');
    any = true;
  }
  if (!any) return {};
  text.back() = '.';
  return text;
}

MatrixText build_matrix_one_to_all(uint8_t input) {
  MatrixText text;
  append_matrix_number(text, input);
  for (char c : {'A', 'l', 'l', '.'}) text.push_back(static_cast<uint8_t>(c));
  return text;
}

MatrixText build_matrix_one_to_one() { return {'A', 'l', 'l', '#', '.'}; }

std::optional<uint8_t> matrix_lock_from_reply(std::span<const uint8_t> datagram) {
  if (!is_full_reply(datagram)) return std::nullopt;
  return byte_at(datagram, matrix_cmd::kLockReplyOffset);
}
