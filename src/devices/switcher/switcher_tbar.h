#pragma once
// The T-bar's arithmetic, apart from any widget or thread: how a position
// becomes the progress value of a T-bar frame, how a device's T-bar report
// places the bar, and the AUTO duration box.
//
// The bar (the slider's travel) runs kTbarMin 0 (top) .. kTbarMax 129
// (bottom): the two ends and, between them, one position for each of the 128
// progress values. `direction`
// 1 means the next transition starts at 129, 0 that it starts at 0. The
// progress value v of the frame (kTbarProgressMin 1 .. kTbarProgressMax 128,
// devices/switcher/switcher_commands.h) is 1 at the start end and 128 at the
// far end:
//   direction 1: p 129 -> v 1 (at start), p 1..128 -> 129 - p, p 0 -> 128 (complete)
//   direction 0: p 0 -> v 1 (at start),   p 1..128 -> p,       p 129 -> 128 (complete)
#include <QString>
#include <cstdint>

#include "devices/switcher/switcher_commands.h"

// The slider's travel: positions of the bar, not progress values.
constexpr int kTbarMin = 0;
constexpr int kTbarMax = 129;

enum class TbarCase { AtStart, PartWay, Complete };

struct TbarStep {
  TbarCase kind;
  uint8_t value;  // progress 1..128 carried by the frame
};

TbarStep classify_tbar(uint8_t direction, int position);

// T-bar report from the device (byte 17 direction d, byte 18 value v):
// where the bar goes, the position the worker takes as already sent, and the
// direction from now on: 1 for d = 1, 0 for any other byte.
struct TbarPlacement {
  int position;
  int pre;
  uint8_t direction;
};
TbarPlacement place_tbar_report(uint8_t d, uint8_t v);

// Progress value re-sent when the operator presses on the bar.
uint8_t tbar_press_value(int position, uint8_t direction);

// AUTO step interval from the duration box: "%d:%d" as seconds and
// milliseconds (each 0 when absent), the whole divided by 128 steps,
// truncated, at least 1 ms.
int auto_step_interval_ms(const QString& text);

// The duration box's text after Enter: the number n formed by its leading
// digits (0 if none), at least 100, shown as "SS:mm" with n / 100 before the
// colon and n % 100 after it, so four typed digits read back as seconds and
// milliseconds.
QString duration_text_after_enter(const QString& text);

// The duration box's edits: what typing allows, whichever way the text came
// (typed, pasted, dropped). An edit that removes one stretch of the text is
// always allowed; one that puts text in place of a stretch is allowed when
// what it puts there is digits only and the box then holds at most four
// characters. Texts the page sets itself (the Enter rule) are not edits.
constexpr int kDurationMaxTyped = 4;
bool duration_edit_allowed(const QString& before, const QString& after);
