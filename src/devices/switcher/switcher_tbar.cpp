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
  // Any direction byte but 1 is stored as 0: the T-bar frames carry it and
  // the AUTO step counts up for 0 alone, so no other value may get there.
  int p = clamp_position(v);
  if (v == kTbarProgressMax) p = kTbarMax;
  return {p, p, 0};
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

bool duration_edit_allowed(const QString& before, const QString& after) {
  // The one stretch that changed: what is left between the common start and
  // the common end.
  const qsizetype shorter = std::min(before.size(), after.size());
  qsizetype head = 0;
  while (head < shorter && before[head] == after[head]) ++head;
  qsizetype tail = 0;
  while (tail < shorter - head &&
         before[before.size() - 1 - tail] == after[after.size() - 1 - tail])
    ++tail;
  const qsizetype put_from = head;
  const qsizetype put_to = after.size() - tail;
  if (put_from >= put_to) return true;  // only removed
  if (after.size() > kDurationMaxTyped) return false;
  for (qsizetype i = put_from; i < put_to; ++i)
    if (after[i] < QLatin1Char('0') || after[i] > QLatin1Char('9')) return false;
  return true;
}
