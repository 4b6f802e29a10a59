#pragma once
// What the switcher's sub-pages and its configuration pop-up share: their
// command codes, the frame of a sub-page (250 x 400 host area, group box at
// (5, 5), 240 x 390), the source list texts, the level bars that act only
// when the mouse releases them, and the one way every handler reaches the
// switcher record.
#include <QRect>
#include <QSize>
#include <QSlider>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

#include "app/dialog_template.h"

struct SwitcherPageData;

// Commands of the sub-pages and the pop-up. Each carries one payload byte
// unless noted.
namespace switcher_sub_cmd {
constexpr uint8_t kDipSource = 0x90;
constexpr uint8_t kWipeSource = 0x91;
constexpr uint8_t kWipeStyle = 0x92;  // wipe pattern 0..8
constexpr uint8_t kLumaSource = 0x93;
constexpr uint8_t kLevelRed = 0x94;  // key 1 and key 2 alike
constexpr uint8_t kLevelGreen = 0x95;
constexpr uint8_t kLevelBlue = 0x96;
constexpr uint8_t kChromaSource = 0x97;
constexpr uint8_t kChromaType = 0x98;  // 0 light blue, 1 light green
constexpr uint8_t kPipSource = 0x9C;
constexpr uint8_t kPipBorderEnable = 0x9D;
constexpr uint8_t kPipBorderColor = 0x9E;
constexpr uint8_t kPipBorderWidth = 0x9F;  // index 0..6 for widths 1..7
constexpr uint8_t kPipX = 0xA0;            // u16 little-endian, pixels of 1920
constexpr uint8_t kPipY = 0xA1;            // u16 little-endian, pixels of 1080
constexpr uint8_t kPipSize = 0xA2;         // u16 little-endian, pixels of 1920
constexpr uint8_t kConfigure = 0xA3;       // resolution (1 byte) or window n, input (2 bytes)
constexpr uint8_t kRate = 0xA5;            // rate 1..3, then milliseconds as u16 little-endian
}  // namespace switcher_sub_cmd

// Client size of every sub-page (the switcher page's host area) and the
// group box each draws around its controls.
inline constexpr QSize kSwitcherSubPageSize(250, 400);
inline constexpr QRect kSwitcherSubPageGroupRect(5, 5, 240, 390);
// Background of the sub-pages.
constexpr int kSwitcherSubPageBitmap = 194;

// One template control; lists carry their items.
inline ControlSpec sw_control(int id, ControlKind kind, const QString& caption, const QRect& rect,
                              bool visible = true, const QStringList& items = {}) {
  return ControlSpec{id, kind, caption, rect, visible, items};
}

// "Cam 01" .. "Cam 10", then "MP" at index 10: the video sources of the
// keyers and of the picture-in-picture window.
QStringList switcher_video_source_items();

// The switcher record in the main window. Without a main window: the trace
// line every switcher handler writes, and nullptr.
SwitcherPageData* switcher_data();

// Gives a track bar its range, a tick every `tick` and the paging step of
// the platform's track bar (a fifth of the range).
void setup_level_bar(QSlider* bar, int maximum, int tick);

// A level bar acts only when the left mouse button comes up on it: `before`
// sees the bar's position before the bar handles the button-up, `after` once
// the bar has handled it and let the mouse go. Moves made with the keyboard
// or by a program call neither.
void watch_bar_release(QSlider* bar, std::function<void(int position)> before,
                       std::function<void(int position)> after);

// The trace line of Enter and Escape on the keyer and picture-in-picture
// sub-pages, which swallow both keys.
void trace_sub_page_key();
