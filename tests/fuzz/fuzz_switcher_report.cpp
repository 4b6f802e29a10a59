// Fuzz target: the switcher's device reports (decode_switcher_report), over
// arbitrary datagrams from a buffer of exactly their size, and a run of
// reports folded into one batch (SwitcherReportBatch).
//
// Properties:
//   - command and arguments are bytes 16, 17 and 18, zero past the end;
//   - what the report does depends on the command byte alone, as the table
//     below (written apart from the decoder) has it;
//   - a T-bar report places the bar inside its travel, takes that position as
//     already sent (so it is never echoed), keeps direction 1 for byte 1 and
//     0 for any other, and a move from there yields a progress value 1..128;
//   - the same datagram gives the same report twice;
//   - the input read as a run of reports (command, argument, argument) folds
//     into a batch whose image logs stay within their capacity, and applying
//     it (to a record made from the input) names only keys that exist and
//     leaves flags and layer_select in their ranges where it wrote them.
#include "devices/switcher/switcher_report.h"
#include "target_support.h"

namespace {
struct Expected {
  SwitcherReportKind kind;
  int layer;
  int transition;
};

Expected expected_for(uint8_t command) {
  using K = SwitcherReportKind;
  switch (command) {
    case 0x80:
      return {K::PgmSource, 0, 0};
    case 0x81:
      return {K::PvmSource, 0, 0};
    case 0x82:
      return {K::Tbar, 0, 0};
    case 0x83:
      return {K::Cut, 0, 0};
    case 0x86:
      return {K::Layer, 1, 0};
    case 0x88:
      return {K::OnAir, 0, 0};
    case 0x8A:
      return {K::Bkgd, 0, 0};
    case 0x8B:
      return {K::Layer, 2, 0};
    case 0x8C:
      return {K::Layer, 3, 0};
    case 0x8D:
      return {K::Transition, 0, 1};
    case 0x8E:
      return {K::Transition, 0, 2};
    case 0x8F:
      return {K::Transition, 0, 3};
    default:
      return {K::Ignored, 0, 0};
  }
}

bool same_report(const SwitcherReport& a, const SwitcherReport& b) {
  return a.kind == b.kind && a.command == b.command && a.arg1 == b.arg1 && a.arg2 == b.arg2 &&
         a.layer == b.layer && a.transition == b.transition && a.tbar.position == b.tbar.position &&
         a.tbar.pre == b.tbar.pre && a.tbar.direction == b.tbar.direction;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fuzz::ExactCopy input(data, size);
  const std::span<const uint8_t> datagram = input.bytes();
  const SwitcherReport report = decode_switcher_report(datagram);
  FUZZ_REQUIRE(same_report(report, decode_switcher_report(datagram)));

  const auto at = [&](size_t offset) -> uint8_t { return offset < size ? datagram[offset] : 0; };
  FUZZ_REQUIRE(report.command == at(16) && report.arg1 == at(17) && report.arg2 == at(18));
  const Expected want = expected_for(report.command);
  FUZZ_REQUIRE(report.kind == want.kind);
  FUZZ_REQUIRE(report.layer == want.layer && report.transition == want.transition);

  SwitcherReportBatch batch;
  uint64_t taken = 0;
  for (size_t i = 0; i + 3 <= size; i += 3) {
    uint8_t frame[19] = {};
    frame[16] = datagram[i];
    frame[17] = datagram[i + 1];
    frame[18] = datagram[i + 2];
    if (batch.add(decode_switcher_report(frame))) ++taken;
    FUZZ_REQUIRE(batch.log_size() <= 3 * SwitcherReportBatch::kLogCapacity);
  }
  FUZZ_REQUIRE(batch.count() == taken && batch.empty() == (taken == 0));
  SwitcherPageData d;
  d.pgm_source = at(0);
  d.pvm_source = at(1);
  d.pip_on = at(2) % 3;
  d.key1_on = at(3) % 3;
  d.key2_on = at(4) % 3;
  d.layer_select = at(5) % 6;
  d.transition_type = at(6) % 5;
  d.on_air = at(7) % 3;
  d.bkgd_on = at(8) % 3;
  const SwitcherPageData before = d;
  batch.apply(d, [](SwitcherKey key, int index, bool) {
    switch (key) {
      case SwitcherKey::Pgm:
      case SwitcherKey::Pvm:
        FUZZ_REQUIRE(index >= 1 && index <= 12);
        break;
      case SwitcherKey::Layer:
      case SwitcherKey::Transition:
        FUZZ_REQUIRE(index >= 1 && index <= 3);
        break;
      case SwitcherKey::OnAir:
      case SwitcherKey::Bkgd:
        FUZZ_REQUIRE(index == 0);
        break;
    }
  });
  for (auto [now, was] : {std::pair{d.pip_on, before.pip_on},
                          {d.key1_on, before.key1_on},
                          {d.key2_on, before.key2_on},
                          {d.on_air, before.on_air},
                          {d.bkgd_on, before.bkgd_on}})
    FUZZ_REQUIRE(now == was || now <= 1);
  FUZZ_REQUIRE(d.layer_select == before.layer_select || d.layer_select <= 3);

  if (report.kind != SwitcherReportKind::Tbar) return 0;
  const TbarPlacement& t = report.tbar;
  FUZZ_REQUIRE(t.position >= kTbarMin && t.position <= kTbarMax);
  FUZZ_REQUIRE(t.pre == t.position);
  FUZZ_REQUIRE(t.direction == (report.arg1 == 1 ? 1 : 0));
  if (report.arg1 != 1 && report.arg2 == 128) FUZZ_REQUIRE(t.position == kTbarMax);
  for (int step : {-1, 1}) {
    const TbarStep next = classify_tbar(t.direction, t.position + step);
    FUZZ_REQUIRE(next.value >= 1 && next.value <= 128);
  }
  return 0;
}
