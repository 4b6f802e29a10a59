#include "devices/multiviewer/mv_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>

namespace {

bool all_zero(const void* p, size_t n) {
  const auto* b = static_cast<const uint8_t*>(p);
  for (size_t i = 0; i < n; ++i)
    if (b[i] != 0) return false;
  return true;
}

TEST(MvModel, StartValues) {
  const MultiviewerModel m;
  const All16ViewPageData& d = m.m_all_16_view_page_data;
  EXPECT_EQ(d.kelvaro_16_view_color_source_channel, 1);
  EXPECT_EQ(d.kelvaro_16_view_color_window_channel, 1);
  // Everything else in the record is zero.
  All16ViewPageData rest = d;
  rest.kelvaro_16_view_color_source_channel = 0;
  rest.kelvaro_16_view_color_window_channel = 0;
  EXPECT_TRUE(all_zero(&rest, sizeof rest));

  EXPECT_EQ(m.m_cur_window_count, 1);
  EXPECT_TRUE(all_zero(m.m_16_view_window_source, sizeof m.m_16_view_window_source));
  EXPECT_EQ(m.m_16_view_change_window, 0);
  for (const QString& text : m.m_16_view_umd_text) EXPECT_EQ(text, " ");
  EXPECT_EQ(m.m_16_view_state_read, 0);
  EXPECT_TRUE(all_zero(m.m_dev_net_param, sizeof m.m_dev_net_param));

  for (int i = 0; i < kMvWindowCount; ++i) {
    EXPECT_EQ(m.m_16_view_win_rect[i], NumberedRect{});
    EXPECT_EQ(m.m_16_view_audio_rect[i], PreviewRect{});
    EXPECT_EQ(m.m_16_view_umd_rect[i], PreviewRect{});
    EXPECT_EQ(m.m_16_view_reso_rect[i], PreviewRect{});
    EXPECT_EQ(m.m_16_view_umd_rgb[i], PreviewRgb{});
    EXPECT_EQ(m.m_16_view_reso_rgb[i], PreviewRgb{});
  }
  EXPECT_EQ(m.m_16_view_audio_show, 0);
  EXPECT_EQ(m.m_16_view_umd_show, 0);
  EXPECT_EQ(m.m_16_view_reso_show, 0);
  EXPECT_TRUE(m.m_16_view_preview_rect.isNull());
}

TEST(MvModel, ResetClearsTheRecordAndSelectsWindowOneOnBothColourPages) {
  MultiviewerModel m;
  std::fill_n(reinterpret_cast<uint8_t*>(&m.m_all_16_view_page_data), sizeof(All16ViewPageData),
              uint8_t{0x5C});
  m.m_16_view_window_source[3] = 7;
  m.m_16_view_umd_text[0] = "CAM";
  m.reset_16_view_page_data();
  const All16ViewPageData& d = m.m_all_16_view_page_data;
  EXPECT_EQ(d.kelvaro_16_view_color_source_channel, 1);
  EXPECT_EQ(d.kelvaro_16_view_color_window_channel, 1);
  EXPECT_EQ(d.kelvaro_16_view_mode_type, 0);
  EXPECT_EQ(d.kelvaro_16_view_lock_state, 0);
  EXPECT_EQ(d.kelvaro_16_view_resolution_back_color[15], 0);
  // Only the record: sources and labels stay.
  EXPECT_EQ(m.m_16_view_window_source[3], 7);
  EXPECT_EQ(m.m_16_view_umd_text[0], "CAM");
}

TEST(MvModel, RecordFieldsSitInTheirOrder) {
  EXPECT_EQ(offsetof(All16ViewPageData, kelvaro_16_view_umd_enable), 3u);
  EXPECT_EQ(offsetof(All16ViewPageData, kelvaro_16_view_umd_text_color), 4u);
  EXPECT_EQ(offsetof(All16ViewPageData, kelvaro_16_view_resolution_back_color), 52u);
  EXPECT_EQ(offsetof(All16ViewPageData, kelvaro_16_view_audio_enable), 68u);
  EXPECT_EQ(offsetof(All16ViewPageData, kelvaro_16_view_lock_state), 73u);
}

TEST(MvModel, ScreenModeAndResolutionTablesMapBothWays) {
  const int counts[] = {1, 4, 6, 8, 9, 10, 16};
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(mode_index_for_window_count(counts[i]), i);
    EXPECT_EQ(window_count_for_mode(i), counts[i]);
  }
  for (int bad : {0, 2, 5, 12, 255, -1}) EXPECT_FALSE(mode_index_for_window_count(bad)) << bad;
  EXPECT_FALSE(window_count_for_mode(7));
  EXPECT_FALSE(window_count_for_mode(-1));
  EXPECT_STREQ(kScreenModes[0].caption, "单画面");
  EXPECT_STREQ(kScreenModes[6].caption, "十六画面");

  const int codes[] = {7, 11, 9, 1, 3, 13, 5, 14, 6};
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(resolution_index_for_wire_code(codes[i]), i);
    EXPECT_EQ(wire_code_for_resolution(i), codes[i]);
  }
  for (int bad : {0, 2, 4, 8, 10, 12, 15, 255}) EXPECT_FALSE(resolution_index_for_wire_code(bad));
  EXPECT_FALSE(wire_code_for_resolution(9));
  EXPECT_STREQ(kResolutions[0].caption, "1080p60");
  EXPECT_STREQ(kResolutions[8].caption, "720p50");
  EXPECT_STREQ(kColourCodeNames[14], "Trans");
}

}  // namespace
