#include "show/show_runner.h"

#include <arpa/inet.h>

#include "devices/device_kinds.h"
#include "devices/multiviewer/multiviewer_device.h"
#include "link/device_link.h"
#include "link/trace.h"

namespace {
bool same_device(const ShowDevice& d, const Target& t) {
  return d.named() && t.address == d.address && t.dev_id == d.id;
}

WindowTally window_tally(TslTally t) {
  // Amber is red and green lit together: the window is on air.
  switch (t) {
    case TslTally::Red:
    case TslTally::Amber:
      return WindowTally::Program;
    case TslTally::Green:
      return WindowTally::Preview;
    case TslTally::Off:
      break;
  }
  return WindowTally::None;
}
}  // namespace

ShowRunner::ShowRunner(DeviceLink& link, QObject* parent) : QObject(parent), m_link(link) {
  m_pace.setSingleShot(true);
  m_pace.setInterval(0);
  connect(&m_pace, &QTimer::timeout, this, &ShowRunner::send_next);
}

ShowRunner::~ShowRunner() { stop(); }

Target ShowRunner::multiviewer_target() const {
  if (!m_state) return {};
  const ShowDevice& d = m_state->show().multiviewer;
  return Target::lan(d.address, device_type::kMultiviewer, d.id);
}

bool ShowRunner::is_multiviewer(const Target& t) const {
  return m_state && same_device(m_state->show().multiviewer, t);
}
bool ShowRunner::is_router(const Target& t) const {
  return m_state && same_device(m_state->show().router, t);
}
bool ShowRunner::is_switcher(const Target& t) const {
  return m_state && same_device(m_state->show().switcher, t);
}

void ShowRunner::start(const Show& show) {
  stop();
  const uint64_t generation = ++m_generation;
  m_state.emplace(show);
  trace(lcShow(), "show started: multiviewer %s, router %s, switcher %s\n",
        show.multiviewer.address.c_str(), show.router.address.c_str(),
        show.switcher.address.c_str());
  open_tsl();
  follow_switcher();
  send_tsl_out();
  if (!show.multiviewer.named()) return;
  if (m_last_read && is_multiviewer(m_last_read->first)) {
    const MultiviewerModel& read = m_last_read->second;
    m_state->take_multiviewer_state(read.m_16_view_window_source, read.m_16_view_umd_text,
                                    read.m_all_16_view_page_data.kelvaro_16_view_umd_back_color);
    schedule();
    return;
  }
  // The window sources are needed before any window can be named.
  const Target target = multiviewer_target();
  m_query_model = MultiviewerModel();
  mv_device::query_state(m_link.transports(), target, m_query_model,
                         [this, generation, target](const Outcome& outcome) {
                           if (generation != m_generation || !m_state) return;
                           if (outcome.answered_now()) {
                             multiviewer_read(target, m_query_model);
                           } else {
                             trace(lcShow(),
                                   "show: the multiviewer %s does not answer; its windows wait "
                                   "for its state\n",
                                   target.address.c_str());
                           }
                         });
}

void ShowRunner::stop() {
  ++m_generation;
  m_pace.stop();
  if (m_report_follower) m_link.unfollow_switcher_reports(m_report_follower);
  m_report_follower = 0;
  m_inbox.clear();
  m_tsl_notifier.reset();
  m_tsl_in.reset();
  m_tsl_out.clear();
  m_tsl_error.clear();
  m_tsl_port = 0;
  if (m_state) trace(lcShow(), "show stopped\n");
  m_state.reset();
}

void ShowRunner::routed(const Target& router, const std::array<uint8_t, kShowRouterPorts>& route) {
  if (!is_router(router)) return;
  for (int o = 1; o <= kShowRouterPorts; ++o)
    if (route[o - 1] != 0) m_state->routed(o, route[o - 1]);
  schedule();
}

void ShowRunner::window_source_changed(const Target& mv, int window, int sdi_index) {
  if (!is_multiviewer(mv)) return;
  m_state->window_source_changed(window, sdi_index);
  schedule();
}

void ShowRunner::operator_colour_changed(const Target& mv, int selection, uint8_t code) {
  if (!is_multiviewer(mv)) return;
  m_state->operator_colour_changed(selection, code);
  schedule();
}

void ShowRunner::multiviewer_read(const Target& mv, const MultiviewerModel& model) {
  m_last_read.emplace(mv, model);
  if (!is_multiviewer(mv)) return;
  m_state->take_multiviewer_state(model.m_16_view_window_source, model.m_16_view_umd_text,
                                  model.m_all_16_view_page_data.kelvaro_16_view_umd_back_color);
  schedule();
}

void ShowRunner::switcher_changed(const Target& sw, int program, int preview, bool transition) {
  if (!is_switcher(sw)) return;
  m_followed.pgm_source = static_cast<uint8_t>(program);
  m_followed.pvm_source = static_cast<uint8_t>(preview);
  m_followed.tbar_moving = transition ? 1 : 0;
  m_followed_known = true;
  m_reported_transition = false;
  m_state->switcher_changed(program, preview, transition);
  schedule();
}

std::optional<std::pair<int, int>> ShowRunner::switcher_buses() const {
  if (!m_state || !m_followed_known) return std::nullopt;
  return std::pair<int, int>(m_followed.pgm_source, m_followed.pvm_source);
}

void ShowRunner::follow_switcher() {
  const ShowDevice& sw = m_state->show().switcher;
  m_followed = SwitcherPageData();
  m_followed_known = false;
  m_reported_transition = false;
  if (!m_follow_reports || !sw.named()) return;
  in_addr from{};
  if (::inet_pton(AF_INET, sw.address.c_str(), &from) != 1) return;
  m_report_follower = m_link.follow_switcher_reports(
      from, ReportFeed::Role::Fallback, [this](ReportFeed::Datagrams datagrams) {
        m_decoded.clear();
        decode_switcher_reports(datagrams, m_decoded);
        m_inbox.add(m_decoded);
      });
  if (m_report_follower == 0)
    trace(lcShow(), "show: the reports of the switcher %s cannot be followed\n",
          sw.address.c_str());
  else
    trace(lcShow(), "show: following the reports of the switcher %s\n", sw.address.c_str());
}

void ShowRunner::switcher_reported(const SwitcherReportBatch& batch,
                                   const std::optional<TbarPlacement>& last_tbar) {
  if (!m_state || !m_report_follower) return;
  // The page's rules, without its keys.
  batch.apply(m_followed, [](SwitcherKey, int, bool) {});
  m_followed_known = true;
  if (last_tbar) {
    // The bar off its ends is a transition under way: both sources on air.
    m_reported_transition = last_tbar->position != kTbarMin && last_tbar->position != kTbarMax;
    m_followed.direction = last_tbar->direction;
  }
  trace(lcShow(), "show: switcher reports followed: program %d, preview %d\n",
        m_followed.pgm_source, m_followed.pvm_source);
  m_state->switcher_changed(m_followed.pgm_source, m_followed.pvm_source,
                            m_followed.tbar_moving == 1 || m_reported_transition);
  schedule();
}

void ShowRunner::schedule() {
  if (!m_state) return;
  send_tsl_out();
  if (!m_sending && !m_pace.isActive() && m_state->frames_pending()) m_pace.start();
}

void ShowRunner::send_next() {
  if (!m_state || m_sending) return;
  const std::optional<ShowFrame> frame = m_state->next_frame();
  if (!frame) return;
  const uint64_t generation = m_generation;
  m_sending = true;
  send_frame(*frame);  // its pause may run events, a new show among them
  m_sending = false;
  if (generation != m_generation || !m_state) return;
  if (m_frame_sent) m_frame_sent(*frame);
  // The hook may have started another show or stopped this one.
  if (generation == m_generation && m_state && m_state->frames_pending()) m_pace.start();
}

Outcome ShowRunner::send_frame(const ShowFrame& frame) {
  const Target target = multiviewer_target();
  if (frame.kind == ShowFrame::Kind::Label)
    return mv_device::set_label(m_link.transports(), target, frame.window, frame.text);
  return mv_device::set_umd_back_colour(m_link.transports(), target, frame.window, frame.colour);
}

Outcome ShowRunner::send_all_now() {
  Outcome first_failure = Outcome::sent();
  while (m_state) {
    const std::optional<ShowFrame> frame = m_state->next_frame();
    if (!frame) break;
    const Outcome o = send_frame(*frame);
    if (m_frame_sent) m_frame_sent(*frame);
    if (!o.ok() && o.status != Outcome::Status::Queued && first_failure.ok()) first_failure = o;
  }
  return first_failure;
}

// ---- TSL ----

void ShowRunner::open_tsl() {
  const Show& show = m_state->show();
  for (const ShowPeer& p : show.tsl_send) {
    auto out = std::make_unique<UdpExchange>();
    if (out->open(ipv4_address(p.address.c_str(), p.address.size(), p.port), 0)) {
      m_tsl_out.push_back(std::move(out));
    } else {
      trace(lcShow(), "show: no socket for TSL to %s:%u\n", p.address.c_str(), p.port);
    }
  }
  if (show.tsl_listen == 0) return;
  auto in = std::make_unique<UdpExchange>();
  if (!in->open({}, show.tsl_listen)) {
    m_tsl_error = "no socket for TSL in";
  } else if (!in->bind_error().empty()) {
    m_tsl_error = in->bind_error();
  }
  if (!m_tsl_error.empty()) {
    trace(lcShow(), "show: TSL is not heard: %s\n", m_tsl_error.c_str());
    return;
  }
  m_tsl_port = show.tsl_listen;
  m_tsl_notifier = std::make_unique<QSocketNotifier>(in->fd(), QSocketNotifier::Read);
  connect(m_tsl_notifier.get(), &QSocketNotifier::activated, this, &ShowRunner::read_tsl);
  m_tsl_in = std::move(in);
}

void ShowRunner::read_tsl() {
  // One byte more than the largest packet, so that a longer one is seen.
  uint8_t buffer[kTsl5MaxPacket + 1];
  for (int i = 0; i < kTslDatagramsPerWake && m_tsl_in; ++i) {
    sockaddr_in from{};
    const int n = m_tsl_in->receive(buffer, sizeof buffer, &from);
    if (n <= 0) return;
    take_tsl_datagram(from, std::span<const uint8_t>(buffer, static_cast<size_t>(n)));
  }
}

void ShowRunner::take_tsl_datagram(const sockaddr_in& from, std::span<const uint8_t> bytes) {
  if (!m_state || !m_state->show().multiviewer.named()) return;
  const Show& show = m_state->show();
  char sender[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, &from.sin_addr, sender, sizeof sender);
  if (!show.tsl_from.empty()) {
    bool accepted = false;
    for (const ShowPeer& p : show.tsl_from) accepted = accepted || p.address == sender;
    if (!accepted) {
      trace(lcShow(), "TSL from %s dropped: not an accepted sender\n", sender);
      return;
    }
  }
  if (looks_like_tsl31(bytes)) {
    const Tsl31Parse parsed = parse_tsl31(bytes);
    for (const Tsl31Message& m : parsed.messages) {
      if (m.address >= kShowWindows) continue;
      const int window = m.address + 1;
      m_state->tsl_label(window, m.text);
      m_state->tsl_tally(window, m.tally[0]   ? WindowTally::Program
                                 : m.tally[1] ? WindowTally::Preview
                                              : WindowTally::None);
    }
  } else {
    const Tsl5Parse parsed = parse_tsl5(bytes);
    if (!parsed.packet) {
      trace(lcShow(), "TSL from %s dropped: %s\n", sender, parsed.why);
      return;
    }
    const Tsl5Packet& p = *parsed.packet;
    if (p.screen != show.tsl_screen && p.screen != kTslEveryIndex) return;
    for (const Tsl5Message& m : p.messages) {
      if (!m.text) continue;  // control data
      const bool every = m.index == kTslEveryIndex;
      if (!every && (m.index < 1 || m.index > kShowWindows)) continue;
      for (int w = every ? 1 : m.index; w <= (every ? kShowWindows : m.index); ++w) {
        m_state->tsl_label(w, *m.text);
        m_state->tsl_tally(w, window_tally(m.text_tally));
      }
    }
  }
  schedule();
}

void ShowRunner::send_tsl_out() {
  if (!m_state) return;
  const std::array<bool, kShowSources> changed = m_state->take_changed_sources();
  if (m_tsl_out.empty()) return;
  const Show& show = m_state->show();
  const int pgm = m_state->program_source();
  const int pvm = m_state->preview_source();
  for (int n = 1; n <= kShowSources; ++n) {
    if (!changed[n - 1] || show.source_names[n - 1].isEmpty()) continue;
    const bool on_program = n == pgm || (m_state->transition() && n == pvm);
    const bool on_preview = n == pvm;
    Tsl5Message m;
    m.index = static_cast<uint16_t>(n);
    m.text = show.source_names[n - 1];
    m.text_tally = on_program ? TslTally::Red : on_preview ? TslTally::Green : TslTally::Off;
    m.right = on_program ? TslTally::Red : TslTally::Off;
    m.left = on_preview ? TslTally::Green : TslTally::Off;
    m.brightness = 3;
    const std::vector<uint8_t> packet = build_tsl5_packet(show.tsl_screen, m);
    for (const auto& out : m_tsl_out) {
      const std::string why = out->send(packet);
      if (!why.empty()) trace(lcShow(), "TSL out: %s\n", why.c_str());
    }
  }
}
