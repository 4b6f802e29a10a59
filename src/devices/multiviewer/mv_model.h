#pragma once
// The multiviewer's model, held by the main window so that it outlives the
// page and its sub-pages: the page-data record, window sources and labels,
// the network parameters to send and the layout preview. Also the constant
// tables that map screen modes and resolutions between their list index and
// the value that travels on the wire.
#include <QRect>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

#include "devices/preview_rect.h"

constexpr int kMvWindowCount = 16;

// Page-data record, 74 bytes, every field one unsigned byte (or 16 of them,
// window 1 first), in the order the rest of the program knows them.
struct All16ViewPageData {
  uint8_t kelvaro_16_view_mode_type = 0;          // screen-mode index 0..6
  uint8_t kelvaro_16_view_resolution_type = 0;    // resolution index 0..8
  uint8_t kelvaro_16_view_resolution_enable = 0;  // resolution captions on/off
  uint8_t kelvaro_16_view_umd_enable = 0;         // UMD labels on/off
  // Colour codes 0..15 of windows 1..16, in these four tables.
  uint8_t kelvaro_16_view_umd_text_color[kMvWindowCount] = {};
  uint8_t kelvaro_16_view_umd_back_color[kMvWindowCount] = {};
  uint8_t kelvaro_16_view_resolution_text_color[kMvWindowCount] = {};
  uint8_t kelvaro_16_view_resolution_back_color[kMvWindowCount] = {};
  uint8_t kelvaro_16_view_audio_enable = 0;          // audio level meter on/off
  uint8_t kelvaro_16_view_audio_source_channel = 0;  // 1-based input channel
  uint8_t kelvaro_16_view_color_source_channel = 0;  // UMD colour page: 0 = all, 1..16 = one
  uint8_t kelvaro_16_view_color_window_channel = 0;  // resolution colour page: same codes
  uint8_t kelvaro_16_view_border_enable = 0;         // window borders on/off
  uint8_t kelvaro_16_view_lock_state = 0;            // 0 unlocked, 1 locked
};
static_assert(sizeof(All16ViewPageData) == 74);

// The record as it stands at program start and after every device selection:
// all zero except the two colour-page selections, which start at window 1.
constexpr All16ViewPageData start_16_view_page_data() {
  All16ViewPageData data{};
  data.kelvaro_16_view_color_source_channel = 1;
  data.kelvaro_16_view_color_window_channel = 1;
  return data;
}

// Fill colour of one preview strip.
struct PreviewRgb {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  friend bool operator==(const PreviewRgb&, const PreviewRgb&) = default;
};
static_assert(sizeof(PreviewRgb) == 3);

struct MultiviewerModel {
  MultiviewerModel();

  All16ViewPageData m_all_16_view_page_data = start_16_view_page_data();
  // Windows of the current screen mode. The device has not told it before the
  // first state reply; 1 agrees with the zero record, whose mode is 1 window.
  int8_t m_cur_window_count = 1;
  uint8_t m_16_view_window_source[kMvWindowCount] = {};  // 0-based input: 0 = SDI 1
  uint8_t m_16_view_change_window = 0;                   // window 1..16 whose source goes out next
  QString m_16_view_umd_text[kMvWindowCount];  // " " each until the device or operator names it
  int m_16_view_state_read = 0;                // 1 once a state query has completed, never cleared
  uint8_t m_dev_net_param[12] = {};            // address[4], mask[4], gateway[4], first octet first

  // ---- layout preview ----
  NumberedRect m_16_view_win_rect[kMvWindowCount] = {};
  PreviewRect m_16_view_audio_rect[kMvWindowCount] = {};
  int32_t m_16_view_audio_show = 0;
  PreviewRect m_16_view_umd_rect[kMvWindowCount] = {};
  // The UMD strips are hidden until the first state reply or UMD action says
  // otherwise, which agrees with the zero record's UMD-off.
  int32_t m_16_view_umd_show = 0;
  PreviewRect m_16_view_reso_rect[kMvWindowCount] = {};
  int32_t m_16_view_reso_show = 0;
  PreviewRgb m_16_view_umd_rgb[kMvWindowCount] = {};
  PreviewRgb m_16_view_reso_rgb[kMvWindowCount] = {};
  QRect m_16_view_preview_rect;  // preview control in screen coordinates

  // Clears the page-data record, then selects window 1 on both colour pages.
  void reset_16_view_page_data();
};

// ---- screen modes: list index <-> window count on the wire ----
struct ScreenMode {
  uint8_t window_count;
  const char* caption;  // UTF-8
};
inline constexpr std::array<ScreenMode, 7> kScreenModes = {{
    {1, "单画面"},
    {4, "四画面"},
    {6, "六画面"},
    {8, "八画面"},
    {9, "九画面"},
    {10, "十画面"},
    {16, "十六画面"},
}};

// ---- output resolutions: list index <-> wire code ----
struct Resolution {
  uint8_t wire_code;
  const char* caption;
};
inline constexpr std::array<Resolution, 9> kResolutions = {{
    {7, "1080p60"},
    {11, "1080p50"},
    {9, "1080i60"},
    {1, "1080i50"},
    {3, "1080p30"},
    {13, "1080p25"},
    {5, "1080p24"},
    {14, "720p60"},
    {6, "720p50"},
}};

// ---- label colour codes 0..15, the names the colour lists show ----
inline constexpr std::array<const char*, 16> kColourCodeNames = {
    "Black",     "Blue",        "Red",   "Magenta",   "Green",     "Cyan",
    "Yellow",    "White",       "Gray",  "VioletRed", "LightBlue", "LightGreen",
    "LightCyan", "LightYellow", "Trans", "HalfTrans"};

// Mode index of a window count; nothing for a count the device has no mode for.
constexpr std::optional<uint8_t> mode_index_for_window_count(int count) {
  for (size_t i = 0; i < kScreenModes.size(); ++i)
    if (kScreenModes[i].window_count == count) return static_cast<uint8_t>(i);
  return std::nullopt;
}

// Window count of a mode index; nothing for an index outside the table.
constexpr std::optional<uint8_t> window_count_for_mode(int index) {
  if (index < 0 || index >= static_cast<int>(kScreenModes.size())) return std::nullopt;
  return kScreenModes[static_cast<size_t>(index)].window_count;
}

// Resolution index of a wire code; nothing for a code absent from the table.
constexpr std::optional<uint8_t> resolution_index_for_wire_code(int code) {
  for (size_t i = 0; i < kResolutions.size(); ++i)
    if (kResolutions[i].wire_code == code) return static_cast<uint8_t>(i);
  return std::nullopt;
}

// Wire code of a resolution index; nothing for an index outside the table.
constexpr std::optional<uint8_t> wire_code_for_resolution(int index) {
  if (index < 0 || index >= static_cast<int>(kResolutions.size())) return std::nullopt;
  return kResolutions[static_cast<size_t>(index)].wire_code;
}
