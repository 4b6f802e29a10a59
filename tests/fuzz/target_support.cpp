#include "target_support.h"

#include <algorithm>

#include "devices/multiviewer/mv_frames.h"

namespace fuzz {

bool same_model(const MultiviewerModel& a, const MultiviewerModel& b) {
  const auto same_bytes = [](const auto& x, const auto& y) {
    static_assert(sizeof x == sizeof y);
    return std::memcmp(&x, &y, sizeof x) == 0;
  };
  // The page-data record is bytes only (its size is asserted), so it compares
  // as bytes; the preview records are compared field by field.
  if (!same_bytes(a.m_all_16_view_page_data, b.m_all_16_view_page_data)) return false;
  if (a.m_cur_window_count != b.m_cur_window_count) return false;
  if (!same_bytes(a.m_16_view_window_source, b.m_16_view_window_source)) return false;
  if (a.m_16_view_change_window != b.m_16_view_change_window) return false;
  if (!std::equal(std::begin(a.m_16_view_umd_text), std::end(a.m_16_view_umd_text),
                  std::begin(b.m_16_view_umd_text)))
    return false;
  if (a.m_16_view_state_read != b.m_16_view_state_read) return false;
  if (!same_bytes(a.m_dev_net_param, b.m_dev_net_param)) return false;
  if (a.m_16_view_audio_show != b.m_16_view_audio_show) return false;
  if (a.m_16_view_umd_show != b.m_16_view_umd_show) return false;
  if (a.m_16_view_reso_show != b.m_16_view_reso_show) return false;
  if (a.m_16_view_preview_rect != b.m_16_view_preview_rect) return false;
  for (int i = 0; i < kMvWindowCount; ++i) {
    if (!(a.m_16_view_umd_rgb[i] == b.m_16_view_umd_rgb[i])) return false;
    if (!(a.m_16_view_reso_rgb[i] == b.m_16_view_reso_rgb[i])) return false;
  }
  return true;
}

void check_decoded_model(const MultiviewerModel& model) {
  const All16ViewPageData& data = model.m_all_16_view_page_data;
  const auto mode = mode_index_for_window_count(model.m_cur_window_count);
  FUZZ_REQUIRE(mode.has_value());
  FUZZ_REQUIRE(data.kelvaro_16_view_mode_type < kScreenModes.size());
  // A count without a mode leaves the mode list's choice (window 1 here, the
  // start value) and shows one window: the two agree either way.
  FUZZ_REQUIRE(*mode == data.kelvaro_16_view_mode_type);
  FUZZ_REQUIRE(data.kelvaro_16_view_resolution_type < kResolutions.size());
  FUZZ_REQUIRE(model.m_16_view_umd_show == (data.kelvaro_16_view_umd_enable != 0 ? 1 : 0));
  FUZZ_REQUIRE(model.m_16_view_audio_show == (data.kelvaro_16_view_audio_enable != 0 ? 1 : 0));
  FUZZ_REQUIRE(model.m_16_view_reso_show == (data.kelvaro_16_view_resolution_enable != 0 ? 1 : 0));
  for (const QString& label : model.m_16_view_umd_text) {
    FUZZ_REQUIRE(label.size() <= kUmdTextMaxUnits);
    FUZZ_REQUIRE(!label.contains(QChar(0)));
  }
  FUZZ_REQUIRE(model.m_16_view_state_read == 1);
  // Not the decoder's: the colour-page selections, the pending window and the
  // network parameters stay as they started.
  FUZZ_REQUIRE(data.kelvaro_16_view_color_source_channel == 1);
  FUZZ_REQUIRE(data.kelvaro_16_view_color_window_channel == 1);
  FUZZ_REQUIRE(model.m_16_view_change_window == 0);
  for (uint8_t b : model.m_dev_net_param) FUZZ_REQUIRE(b == 0);
}

}  // namespace fuzz
