// Fuzz target: the multiviewer's state reply decoder (DecodeStateReply), over
// arbitrary datagrams as the LAN query hands them over and as frames the
// serial reader hands over (every label record 33 bytes).
//
// For each way the input is decoded from a buffer of exactly its size into a
// fresh model, and
//   - the model keeps its ranges (fuzz::check_decoded_model);
//   - a second decode into another fresh model gives the same model;
//   - decoding the same reply again into the decoded model changes nothing;
//   - the input followed by zero bytes decodes to the same model, since
//     bytes past the end of the reply read as zero;
//   - over the serial line, where every record is 33 bytes, the fields after
//     the labels are the bytes at their fixed offsets.
#include <algorithm>
#include <vector>

#include "devices/multiviewer/mv_state_reply.h"
#include "link/control_frame.h"
#include "target_support.h"

namespace {
void check_serial_layout(const MultiviewerModel& model, std::span<const uint8_t> reply) {
  const All16ViewPageData& data = model.m_all_16_view_page_data;
  const size_t p = kStateReplyFullP;
  for (size_t i = 0; i < kMvWindowCount; ++i) {
    FUZZ_REQUIRE(model.m_16_view_window_source[i] == byte_at(reply, p + i));
    FUZZ_REQUIRE(data.kelvaro_16_view_umd_text_color[i] == byte_at(reply, p + 50 + i));
    FUZZ_REQUIRE(data.kelvaro_16_view_umd_back_color[i] == byte_at(reply, p + 66 + i));
    FUZZ_REQUIRE(data.kelvaro_16_view_resolution_text_color[i] == byte_at(reply, p + 82 + i));
    FUZZ_REQUIRE(data.kelvaro_16_view_resolution_back_color[i] == byte_at(reply, p + 98 + i));
  }
  FUZZ_REQUIRE(data.kelvaro_16_view_border_enable == byte_at(reply, p + 48));
  FUZZ_REQUIRE(data.kelvaro_16_view_lock_state == byte_at(reply, p + 49));
  FUZZ_REQUIRE(data.kelvaro_16_view_audio_source_channel == byte_at(reply, kStateReplyAudioSource));
}

void decode_and_check(std::span<const uint8_t> reply, bool serial) {
  MultiviewerModel first;
  DecodeStateReply(first, reply, serial);
  fuzz::check_decoded_model(first);
  if (serial) check_serial_layout(first, reply);

  MultiviewerModel second;
  DecodeStateReply(second, reply, serial);
  FUZZ_REQUIRE(fuzz::same_model(first, second));

  DecodeStateReply(second, reply, serial);
  FUZZ_REQUIRE(fuzz::same_model(first, second));

  // Zero padding up to the longest offset the decoder can reach.
  std::vector<uint8_t> padded(reply.begin(), reply.end());
  padded.resize(std::max(padded.size(), kStateReplyLayoutLength + 16), 0);
  MultiviewerModel from_padded;
  DecodeStateReply(from_padded, padded, serial);
  FUZZ_REQUIRE(fuzz::same_model(first, from_padded));
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fuzz::ExactCopy input(data, size);
  decode_and_check(input.bytes(), /*serial=*/false);
  decode_and_check(input.bytes(), /*serial=*/true);
  return 0;
}
