#include "devices/processor/processor_frames.h"

#include "link/control_frame.h"

std::optional<Rk5502StateReply> decode_rk5502_state(std::span<const uint8_t> datagram) {
  if (!is_command_reply(datagram, processor_cmd::kRk5502StateQuery)) return std::nullopt;
  Rk5502StateReply r;
  r.output_format = byte_at(datagram, kRk5502ReplyFormatOffset);
  r.show_mode = byte_at(datagram, kRk5502ReplyModeOffset);
  for (size_t line = 0; line < r.umd_name_len.size(); ++line)
    r.umd_name_len[line] =
        byte_at(datagram, kRk5502ReplyUmdLenOffset + kRk5502ReplyUmdStride * line);
  r.pip_child_ch[0] = byte_at(datagram, kRk5502ReplyPipOffset);
  r.pip_child_ch[1] = byte_at(datagram, kRk5502ReplyPipOffset + 1);
  r.loop_state = byte_at(datagram, kRk5502ReplyLoopOffset);
  return r;
}
