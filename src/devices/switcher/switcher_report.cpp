#include "devices/switcher/switcher_report.h"

#include "devices/switcher/switcher_commands.h"

namespace {
constexpr size_t kCommandOffset = 16;

uint8_t byte_or_zero(std::span<const uint8_t> bytes, size_t at) {
  return at < bytes.size() ? bytes[at] : 0;
}
}  // namespace

SwitcherReport decode_switcher_report(std::span<const uint8_t> datagram) {
  SwitcherReport r;
  r.command = byte_or_zero(datagram, kCommandOffset);
  r.arg1 = byte_or_zero(datagram, kCommandOffset + 1);
  r.arg2 = byte_or_zero(datagram, kCommandOffset + 2);
  using K = SwitcherReportKind;
  switch (r.command) {
    case switcher_cmd::kPgmSource:
      r.kind = K::PgmSource;
      break;
    case switcher_cmd::kPvmSource:
      r.kind = K::PvmSource;
      break;
    case switcher_cmd::kTbar:
      r.kind = K::Tbar;
      r.tbar = place_tbar_report(r.arg1, r.arg2);
      break;
    case switcher_cmd::kCut:
      r.kind = K::Cut;
      break;
    case switcher_cmd::kPip:
      r.kind = K::Layer;
      r.layer = 1;
      break;
    case switcher_cmd::kKey1:
      r.kind = K::Layer;
      r.layer = 2;
      break;
    case switcher_cmd::kKey2:
      r.kind = K::Layer;
      r.layer = 3;
      break;
    case switcher_cmd::kOnAir:
      r.kind = K::OnAir;
      break;
    case switcher_cmd::kBkgd:
      r.kind = K::Bkgd;
      break;
    case switcher_cmd::kMix:
      r.kind = K::Transition;
      r.transition = 1;
      break;
    case switcher_cmd::kDip:
      r.kind = K::Transition;
      r.transition = 2;
      break;
    case switcher_cmd::kWipe:
      r.kind = K::Transition;
      r.transition = 3;
      break;
    default:
      break;
  }
  return r;
}
