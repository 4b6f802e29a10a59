#include "devices/multiviewer/mv_state_reply.h"

#include <array>

#include "devices/multiviewer/mv_frames.h"
#include "link/control_frame.h"

// State reply, by offset from the frame start (envelope of the control frame):
//   16        0x32
//   17        not used
//   18        window count 1, 4, 6, 8, 9, 10 or 16
//   19        resolution wire code
//   20        UMD labels on (non-zero) / off
//   21        audio meter on / off
//   22        audio source channel, 1-based
//   23        resolution captions on / off
//   24        16 label records: length byte n (0..32), then 32 bytes of which
//             the first n are UTF-16LE text
//   P         16 window sources, 0-based (0 = SDI 1)
//   P + 16    32 bytes not used
//   P + 48    border on / off
//   P + 49    lock off / on
//   P + 50    UMD text colour codes, windows 1..16
//   P + 66    UMD background colour codes
//   P + 82    resolution caption text colour codes
//   P + 98    resolution caption background colour codes
// Length field, checksum and end byte are not looked at.
void DecodeStateReply(MultiviewerModel& model, std::span<const uint8_t> reply, bool serial) {
  All16ViewPageData& data = model.m_all_16_view_page_data;
  const auto at = [reply](size_t offset) { return byte_at(reply, offset); };
  const auto copy16 = [&](uint8_t* dest, size_t offset) {
    for (size_t i = 0; i < kMvWindowCount; ++i) dest[i] = at(offset + i);
  };

  const uint8_t count = at(kStateReplyWindowCount);
  if (const auto mode = mode_index_for_window_count(count)) {
    model.m_cur_window_count = static_cast<int8_t>(count);
    data.kelvaro_16_view_mode_type = *mode;
  } else {
    // A count without a mode: one window, the mode list keeps its choice.
    model.m_cur_window_count = 1;
  }

  if (const auto resolution = resolution_index_for_wire_code(at(kStateReplyResolution)))
    data.kelvaro_16_view_resolution_type = *resolution;

  data.kelvaro_16_view_umd_enable = at(kStateReplyUmdEnable);
  data.kelvaro_16_view_audio_enable = at(kStateReplyAudioEnable);
  data.kelvaro_16_view_audio_source_channel = at(kStateReplyAudioSource);
  data.kelvaro_16_view_resolution_enable = at(kStateReplyResolutionEnable);
  model.m_16_view_umd_show = data.kelvaro_16_view_umd_enable != 0 ? 1 : 0;
  model.m_16_view_audio_show = data.kelvaro_16_view_audio_enable != 0 ? 1 : 0;
  model.m_16_view_reso_show = data.kelvaro_16_view_resolution_enable != 0 ? 1 : 0;

  size_t pos = kStateReplyLabels;
  for (QString& label : model.m_16_view_umd_text) {
    size_t length = at(pos);
    if (length > kStateReplyLabelTextMax) {
      if (!serial) {
        ++pos;
        continue;
      }
      length = kStateReplyLabelTextMax;
    }
    std::array<uint8_t, kStateReplyLabelTextMax> text{};
    for (size_t i = 0; i < length; ++i) text[i] = at(pos + 1 + i);
    label = utf16le_text(std::span(text).first(length));
    pos += kStateReplyLabelRecord;
  }

  const size_t p = pos;
  copy16(model.m_16_view_window_source, p);
  data.kelvaro_16_view_border_enable = at(p + 48);
  data.kelvaro_16_view_lock_state = at(p + 49);
  copy16(data.kelvaro_16_view_umd_text_color, p + 50);
  copy16(data.kelvaro_16_view_umd_back_color, p + 66);
  copy16(data.kelvaro_16_view_resolution_text_color, p + 82);
  copy16(data.kelvaro_16_view_resolution_back_color, p + 98);

  model.m_16_view_state_read = 1;
}
