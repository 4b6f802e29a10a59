#include "devices/switcher/switcher_tbar.h"

#include <algorithm>

namespace {
int clamp_position(int p) { return std::max(kTbarMin, std::min(kTbarMax, p)); }

// Leading optional sign and digits, as scanf's %d reads them; nullopt-like
// false when there are none.
bool scan_int(const QString& text, int& at, int& out) {
  int i = at;
  while (i < text.size() && text[i].isSpace()) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+')))
    negative = text[i++] == QLatin1Char('-');
  const int first = i;
  long long value = 0;
  while (i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9')) {
    value = std::min<long long>(value * 10 + (text[i].unicode() - '0'), 1000000000LL);
    ++i;
  }
  if (i == first) return false;
  out = static_cast<int>(negative ? -value : value);
  at = i;
  return true;
}
}  // namespace

TbarStep classify_tbar(uint8_t direction, int position) {
  if (direction == 1) {
    if (position >= kTbarMax) return {TbarCase::AtStart, kTbarProgressMin};
    if (position <= kTbarMin) return {TbarCase::Complete, kTbarProgressMax};
    return {TbarCase::PartWay, static_cast<uint8_t>(kTbarMax - position)};
  }
  if (position <= kTbarMin) return {TbarCase::AtStart, kTbarProgressMin};
  if (position >= kTbarMax) return {TbarCase::Complete, kTbarProgressMax};
  return {TbarCase::PartWay, static_cast<uint8_t>(position)};
}

TbarPlacement place_tbar_report(uint8_t d, uint8_t v) {
  // The worker takes the applied position as already sent, so the report is
  // never echoed, even when its value lies outside the bar's travel.
  if (d == 1) {
    const int p = clamp_position(kTbarProgressMax - v);
    return {p, p, 1};
  }
  int p = clamp_position(v);
  if (v == kTbarProgressMax) p = kTbarMax;
  return {p, p, d};
}

uint8_t tbar_press_value(int position, uint8_t direction) {
  int v = position;
  if (v >= kTbarMax) v = kTbarProgressMax;
  if (v <= kTbarMin) v = kTbarProgressMin;
  if (direction == 1) v = kTbarMax - v;
  return static_cast<uint8_t>(v);
}

int auto_step_interval_ms(const QString& text) {
  int a = 0, b = 0, at = 0;
  if (scan_int(text, at, a) && at < text.size() && text[at] == QLatin1Char(':')) {
    ++at;
    if (!scan_int(text, at, b)) b = 0;
  }
  // One step per progress value.
  const long long interval = (static_cast<long long>(a) * 1000 + b) / kTbarProgressMax;
  return static_cast<int>(std::clamp<long long>(interval, 1, 1000000));
}

QString duration_text_after_enter(const QString& text) {
  int n = 0;
  for (QChar c : text) {
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) break;
    n = std::min(n * 10 + (c.unicode() - '0'), 9999);
  }
  n = std::max(n, 100);
  return QStringLiteral("%1:%2")
      .arg(n / 100, 2, 10, QLatin1Char('0'))
      .arg(n % 100, 2, 10, QLatin1Char('0'));
}
