#include "link/control_frame.h"

uint16_t frame_checksum(std::span<const uint8_t> bytes) {
  uint16_t sum = 0;
  for (uint8_t b : bytes) sum = static_cast<uint16_t>(sum + b);
  return sum;
}

std::vector<uint8_t> build_frame(uint8_t dev_type, uint8_t dev_id, Link link, uint8_t command,
                                 std::span<const uint8_t> payload) {
  const size_t length = kFrameMinSize + payload.size();
  std::vector<uint8_t> frame(length, 0);
  frame[0] = kFrameStart0;
  frame[1] = kFrameStart1;
  frame[2] = static_cast<uint8_t>(length & 0xFF);
  frame[3] = static_cast<uint8_t>((length >> 8) & 0xFF);
  frame[4] = dev_type;
  frame[5] = dev_id;
  frame[6] = static_cast<uint8_t>(link);
  frame[kFrameCommandOffset] = command;
  for (size_t i = 0; i < payload.size(); ++i) frame[kFrameHeaderSize + i] = payload[i];
  const uint16_t sum = frame_checksum(std::span(frame).first(length - kFrameTrailerSize));
  frame[length - 3] = static_cast<uint8_t>(sum & 0xFF);
  frame[length - 2] = static_cast<uint8_t>(sum >> 8);
  frame[length - 1] = kFrameEnd;
  return frame;
}

std::vector<uint8_t> build_search_request(Link link) {
  return build_frame(kSearchDevType, kSearchDevId, link, kCmdSearch);
}

bool is_full_reply(std::span<const uint8_t> datagram) {
  return datagram.size() >= 2 && datagram[0] == kFrameStart0 && datagram[1] == kFrameStart1 &&
         datagram.back() == kFrameEnd;
}

bool is_command_reply(std::span<const uint8_t> datagram, uint8_t command) {
  return byte_at(datagram, kFrameCommandOffset) == command;
}
