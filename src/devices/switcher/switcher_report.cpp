#include "devices/switcher/switcher_report.h"

#include "devices/switcher/switcher_commands.h"

namespace {
constexpr size_t kCommandOffset = 16;

uint8_t byte_or_zero(std::span<const uint8_t> bytes, size_t at) {
  return at < bytes.size() ? bytes[at] : 0;
}
}  // namespace

void decode_switcher_reports(std::span<const std::span<const uint8_t>> datagrams,
                             std::vector<SwitcherReport>& out) {
  for (const std::span<const uint8_t> bytes : datagrams) {
    const SwitcherReport r = decode_switcher_report(bytes);
    if (r.kind != SwitcherReportKind::Ignored) out.push_back(r);
  }
}

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

// ---- SwitcherReportBatch ----

void SwitcherReportBatch::FaceLog::write(Value key, bool lit, uint8_t cond) {
  if (cond == 0) {
    // A write that always happens hides every earlier one to the same key:
    // whatever key that turns out to be, this write comes last.
    uint8_t kept = 0;
    for (uint8_t i = 0; i < size; ++i)
      if (!(w[i].key == key)) w[kept++] = w[i];
    size = kept;
  }
  // Fourteen keys with one unconditional entry each, and at most two
  // conditional selections (one per start value) of two entries each.
  if (size < kLogCapacity) w[size++] = {key, lit, cond};
}

void SwitcherReportBatch::Selections::write(int which, Value key, bool lit, uint8_t cond) {
  if (key.kind == kConst && (key.n < 1 || key.n > highest)) return;  // no such key
  log[which].write(key, lit, cond);
}

void SwitcherReportBatch::Selections::select(int which, uint8_t n) {
  Value& cur = slot[which];
  const Value next{kConst, n};
  if (cur.kind == kConst) {
    if (cur.n == n) return;  // already selected: nothing is redrawn
    write(which, cur, false, 0);
    write(which, next, true, 0);
  } else {
    // The start value is known only at apply: the images change only if it
    // differs from n. Either way the bus holds n from here on, so this start
    // value is held nowhere any more and no second condition on it can come.
    const uint8_t cond = cur.kind;
    start_selected[cond - 1] = n;
    write(which, cur, false, cond);
    write(which, next, true, cond);
  }
  cur = next;
}

void SwitcherReportBatch::Selections::swap() {
  // The exchange redraws both buses even when they hold the same source.
  const Value p = slot[0];
  const Value v = slot[1];
  write(0, p, false, 0);
  write(0, v, true, 0);
  write(1, v, false, 0);
  write(1, p, true, 0);
  slot[0] = v;
  slot[1] = p;
}

void SwitcherReportBatch::Selections::apply(uint8_t& a, uint8_t* b, SwitcherKey key_a,
                                            SwitcherKey key_b,
                                            const SwitcherFaceWriter& face) const {
  const uint8_t start_a = a;
  const uint8_t start_b = b ? *b : 0;
  const auto value = [&](Value v) -> uint8_t {
    return v.kind == kConst ? v.n : v.kind == kStartA ? start_a : start_b;
  };
  const auto happens = [&](uint8_t cond) {
    if (cond == 0) return true;
    return (cond == kStartA ? start_a : start_b) != start_selected[cond - 1];
  };
  for (int which = 0; which < (b ? 2 : 1); ++which) {
    const FaceLog& l = log[which];
    for (uint8_t i = 0; i < l.size; ++i) {
      if (!happens(l.w[i].cond)) continue;
      const int n = value(l.w[i].key);
      if (n >= 1 && n <= highest) face(which == 0 ? key_a : key_b, n, l.w[i].lit);
    }
  }
  a = value(slot[0]);
  if (b) *b = value(slot[1]);
}

SwitcherReportBatch::Selections SwitcherReportBatch::transition_selections() {
  Selections s;
  s.highest = 3;
  return s;
}

std::array<SwitcherReportBatch::LayerState, SwitcherReportBatch::kLayerClasses>
SwitcherReportBatch::layer_starts() {
  // Class k: layer_select k / 8 (4 standing for anything but 0..3), flags k % 8.
  std::array<LayerState, kLayerClasses> starts{};
  for (int k = 0; k < kLayerClasses; ++k) {
    starts[k].flags = static_cast<uint8_t>(k % 8);
    starts[k].select = static_cast<uint8_t>(k / 8);
  }
  return starts;
}

void SwitcherReportBatch::toggle_layer(LayerState& s, int layer) {
  // The toggle as the page makes it on a report, with SelectLayer's images.
  const auto select_layer = [&s](int n) {
    if (s.select >= 1 && s.select <= 3) s.face[s.select - 1] = 1;
    if (n >= 1 && n <= 3) {
      const uint8_t others = static_cast<uint8_t>(7 & ~(1 << (n - 1)));
      s.flags &= static_cast<uint8_t>(~others);
      s.written |= others;
      s.face[n - 1] = 2;
    }
    s.select = static_cast<uint8_t>(n);
    s.select_written = true;
  };
  const uint8_t bit = static_cast<uint8_t>(1 << (layer - 1));
  if (s.flags & bit) {
    if (s.select != 0) select_layer(0);
    s.flags &= static_cast<uint8_t>(~bit);
  } else {
    if (s.select != layer) select_layer(layer);
    s.flags |= bit;
  }
  s.written |= bit;
}

namespace {
// 0 no toggle, 1 an odd number, 2 an even number of at least two.
uint8_t toggled(uint8_t t) { return t == 1 ? 2 : 1; }

uint8_t after_toggles(uint8_t value, uint8_t t) {
  if (t == 0) return value;
  return ((value != 0) != (t == 1)) ? 1 : 0;
}
}  // namespace

bool SwitcherReportBatch::add(const SwitcherReport& report) {
  using K = SwitcherReportKind;
  switch (report.kind) {
    case K::PgmSource:
      m_buses.select(0, report.arg1);
      break;
    case K::PvmSource:
      m_buses.select(1, report.arg1);
      break;
    case K::Cut:
      m_buses.swap();
      break;
    case K::Layer:
      if (report.layer < 1 || report.layer > 3) return false;
      for (LayerState& s : m_layers) toggle_layer(s, report.layer);
      break;
    case K::OnAir:
      m_on_air_toggles = toggled(m_on_air_toggles);
      break;
    case K::Bkgd:
      m_bkgd_toggles = toggled(m_bkgd_toggles);
      break;
    case K::Transition:
      m_transition.select(0, static_cast<uint8_t>(report.transition));
      break;
    case K::Tbar:
    case K::Ignored:
      return false;
  }
  ++m_count;
  return true;
}

void SwitcherReportBatch::apply(SwitcherPageData& d, const SwitcherFaceWriter& face) const {
  if (m_count == 0) return;
  m_buses.apply(d.pgm_source, &d.pvm_source, SwitcherKey::Pgm, SwitcherKey::Pvm, face);
  m_transition.apply(d.transition_type, nullptr, SwitcherKey::Transition, SwitcherKey::Transition,
                     face);

  uint8_t* const flags[3] = {&d.pip_on, &d.key1_on, &d.key2_on};
  const int select_class = d.layer_select <= 3 ? d.layer_select : 4;
  const int flag_class =
      (d.pip_on == 1 ? 1 : 0) | (d.key1_on == 1 ? 2 : 0) | (d.key2_on == 1 ? 4 : 0);
  const LayerState& s = m_layers[select_class * 8 + flag_class];
  for (int i = 0; i < 3; ++i)
    if (s.written & (1 << i)) *flags[i] = (s.flags >> i) & 1;
  if (s.select_written) d.layer_select = s.select;
  for (int i = 0; i < 3; ++i)
    if (s.face[i] != 0) face(SwitcherKey::Layer, i + 1, s.face[i] == 2);

  if (m_on_air_toggles != 0) {
    d.on_air = after_toggles(d.on_air, m_on_air_toggles);
    face(SwitcherKey::OnAir, 0, d.on_air == 1);
  }
  if (m_bkgd_toggles != 0) {
    d.bkgd_on = after_toggles(d.bkgd_on, m_bkgd_toggles);
    face(SwitcherKey::Bkgd, 0, d.bkgd_on == 1);
  }
}

size_t SwitcherReportBatch::log_size() const {
  return size_t{m_buses.log[0].size} + m_buses.log[1].size + m_transition.log[0].size;
}
