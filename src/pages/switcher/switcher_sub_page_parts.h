#pragma once
// What the switcher's page, sub-pages and configuration pop-up share: the
// link their frames go out on, the frame of a sub-page (250 x 400 host area,
// group box at (5, 5), 240 x 390), the source list texts, the level bars that
// act only when the mouse releases them, and the one way every handler
// reaches the switcher record.
#include <QRect>
#include <QSize>
#include <QSlider>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>

#include "app/dialog_template.h"
#include "link/transport.h"

struct SwitcherPageData;

// Where every frame of the page, its sub-pages and the pop-up goes: the
// command socket the page holds for its life (main->held_transport()) and
// the selected device on the switcher's ports (main->switcher_target()).
struct SwitcherLink {
  Transport& transport;
  Target target;
};
// The held link. Without a main window: the trace line every switcher
// handler writes, and nothing. Safe from the T-bar worker thread.
std::optional<SwitcherLink> switcher_link();
// Runs one operation of devices/switcher/switcher_device.h on the held link,
// e.g. run_switcher_op(switcher_device::cut); without a main window it only
// traces. The outcome is not examined: the page goes on as after any press.
template <class Op, class... Args>
void run_switcher_op(Op op, Args&&... args) {
  if (const std::optional<SwitcherLink> link = switcher_link())
    op(link->transport, link->target, std::forward<Args>(args)...);
}

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
