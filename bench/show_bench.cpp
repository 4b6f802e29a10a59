// Prints how fast a running show follows the studio, against a simulated
// multiviewer, matrix and switcher on loopback:
// - CUT to tally: the switcher page's CUT button, with a show covering all
//   16 windows (SDI 1..8 on router outputs, SDI 9..16 on fixed sources, the
//   program and preview sources on four windows each); from the CUT frame
//   at the switcher to the first and to the last label background (0x3C)
//   frame at the multiviewer, median and p99, from the simulator's receive
//   times.
// - TSL in to label out: a TSL UMD 5.0 packet sent to the show's listening
//   port on loopback, to the label (0x1E) frame at the multiviewer.
// Never fails on time.
//
//   show_bench [--cuts=N] [--packets=N]
#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "app/error_box.h"
#include "app/main_window.h"
#include "bench_panel.h"
#include "bench_util.h"
#include "controls/skin_button.h"
#include "devices/device_kinds.h"
#include "devsim/simulator.h"
#include "link/link_options.h"
#include "pages/switcher/switcher_page.h"
#include "show/tsl_umd.h"

namespace {
using Clock = std::chrono::steady_clock;
using ms = std::chrono::milliseconds;
constexpr int kMv = 0, kMatrix = 1, kSwitcher = 2;

// Runs the event loop until `done` holds or `limit` has passed.
bool run_until(const std::function<bool()>& done, ms limit) {
  const Clock::time_point end = Clock::now() + limit;
  while (!done()) {
    if (Clock::now() >= end) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 5);
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return true;
}

void run_for(ms duration) {
  run_until([] { return false; }, duration);
}

double ms_between(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double, std::milli>(b - a).count();
}

devsim::FrameFilter command_at(int device, uint8_t command) {
  return [device, command](const devsim::ReceivedFrame& f) {
    return f.device == device && f.command() == command;
  };
}
}  // namespace

int main(int argc, char** argv) {
  if (!getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  int cuts = 50, packets = 50;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a.rfind("--cuts=", 0) == 0) {
      cuts = std::max(1, std::atoi(a.c_str() + 7));
    } else if (a.rfind("--packets=", 0) == 0) {
      packets = std::max(1, std::atoi(a.c_str() + 10));
    } else {
      std::printf("usage: show_bench [--cuts=N] [--packets=N]\n");
      return 2;
    }
  }
  install_error_recorder();
  const uint16_t base = static_cast<uint16_t>(41000 + (getpid() % 400) * 10);
  devsim::Options o = loopback_link(base);
  o.devices = {devsim::DeviceSpec::lan(devsim::kTypeMultiviewer, 1),
               devsim::DeviceSpec::lan(devsim::kTypeMatrix, 1),
               devsim::DeviceSpec::lan(devsim::kTypeSwitcher, 1)};
  devsim::Simulator sim(o);
  std::string error;
  if (!sim.start(&error)) {
    std::printf("simulator: %s\n", error.c_str());
    return 1;
  }
  const devsim::DeviceInfo mv = sim.device(kMv), matrix = sim.device(kMatrix),
                           sw = sim.device(kSwitcher);

  CKELVARO_16_VIEWDlg dlg;
  dlg.show();
  // Sources 1..8; router input i carries source i. Router output o carries
  // input (o - 1) % 4 + 1, SDI 9..16 sources 1..4 twice over: sources 1..4
  // are on four windows each. The switcher's inputs carry the sources of
  // their own numbers, so a CUT between inputs 1 and 2 retallies 8 windows.
  const uint16_t tsl_port = static_cast<uint16_t>(base + 9);
  Show show;
  for (int n = 1; n <= 8; ++n) show.source_names[n - 1] = QStringLiteral("SRC %1").arg(n);
  show.multiviewer = {mv.address, mv.id};
  show.router = {matrix.address, matrix.id};
  show.switcher = {sw.address, sw.id};
  for (int s = 1; s <= 8; ++s)
    show.multiviewer_inputs[s - 1] = {ShowFeed::Kind::RouterOutput, static_cast<uint8_t>(s)};
  for (int s = 9; s <= 16; ++s)
    show.multiviewer_inputs[s - 1] = {ShowFeed::Kind::Source,
                                      static_cast<uint8_t>((s - 9) % 4 + 1)};
  show.tsl_listen = tsl_port;
  // Started as the main window starts a show, without remembering it in
  // the operator's settings.
  dlg.m_show_runner.start(show);
  if (!dlg.m_show_runner.tsl_error().empty())
    std::printf("TSL port %u: %s\n", tsl_port, dlg.m_show_runner.tsl_error().c_str());
  // The routes as the matrix page would have told the show.
  std::array<uint8_t, kShowRouterPorts> routes{};
  for (int o = 1; o <= kShowRouterPorts; ++o) routes[o - 1] = static_cast<uint8_t>((o - 1) % 4 + 1);
  const Target router = Target::lan(matrix.address, device_type::kMatrix, matrix.id);
  dlg.m_show_runner.routed(router, routes);
  const ShowState* state = dlg.m_show_runner.state();
  if (!run_until([&] { return state->window_sources_known() && !state->frames_pending(); },
                 ms(5000))) {
    std::printf("the show did not settle (window sources known: %s)\n",
                state->window_sources_known() ? "yes" : "no");
    return 1;
  }
  // The switcher page, opened once the show has its windows.
  auto* page = qobject_cast<CClass_switcher_dlg*>(open_device(dlg, sw));
  if (!page) {
    std::printf("switcher page did not open\n");
    return 1;
  }
  // Program 1, preview 2 on the page and at the show before the first CUT.
  page->button(switcher_pgm_control(1))->click();
  page->button(switcher_pvm_control(2))->click();
  run_until([&] { return !state->frames_pending(); }, ms(3000));
  run_for(ms(300));

  // ---- CUT to tally ----
  // `cut` makes one CUT and says when it reached the switcher (or left for
  // the panel, for a report); each CUT retallies 8 windows.
  const auto cut_to_tally = [&](const char* what,
                                const std::function<std::optional<Clock::time_point>()>& cut) {
    std::vector<double> first, last;
    size_t tally_frames = 0;
    int missing = 0;
    for (int k = 0; k < cuts; ++k) {
      sim.clear_frames();
      const std::optional<Clock::time_point> at = cut();
      const auto tally = command_at(kMv, 0x3C);
      const bool all = run_until([&] { return sim.frames(tally).size() >= 8; }, ms(2000));
      run_for(ms(40));  // nothing more is expected; anything late is counted
      const auto lit = sim.frames(tally);
      if (!all || !at || lit.empty()) {
        ++missing;
        continue;
      }
      tally_frames += lit.size();
      first.push_back(ms_between(*at, lit.front().time));
      last.push_back(ms_between(*at, lit.back().time));
    }
    std::printf(
        "%s (8 windows retallied per cut, %zu cuts%s): first 0x3C frame median %.2f ms, p99 "
        "%.2f ms; last median %.2f ms, p99 %.2f ms; %.1f tally frames per cut\n",
        what, first.size(), missing ? ", some incomplete" : "", percentile(first, 0.5),
        percentile(first, 0.99), percentile(last, 0.5), percentile(last, 0.99),
        first.empty() ? 0.0
                      : static_cast<double>(tally_frames) / static_cast<double>(first.size()));
    if (missing) std::printf("  %d cuts without all 8 tally frames within 2 s\n", missing);
    std::fflush(stdout);
  };
  cut_to_tally("CUT to tally (the switcher page's CUT button)",
               [&]() -> std::optional<Clock::time_point> {
                 page->button(IDC_SW_CUT)->click();
                 const auto cut = sim.frames(command_at(kSwitcher, 0x83));
                 if (cut.empty()) return std::nullopt;
                 return cut.front().time;
               });

  // ---- TSL in to label out ----
  const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(tsl_port);
  ::inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
  std::vector<double> tsl;
  int unanswered = 0;
  for (int k = 0; k < packets && s >= 0; ++k) {
    run_until([&] { return !state->frames_pending(); }, ms(1000));
    sim.clear_frames();
    Tsl5Message m;
    m.index = static_cast<uint16_t>(k % kShowWindows + 1);
    m.text = QStringLiteral("TSL %1").arg(k);
    const std::vector<uint8_t> packet = build_tsl5_packet(0, m);
    const Clock::time_point sent = Clock::now();
    ::sendto(s, packet.data(), packet.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    const auto label = command_at(kMv, 0x1E);
    if (!run_until([&] { return !sim.frames(label).empty(); }, ms(2000))) {
      ++unanswered;
      continue;
    }
    tsl.push_back(ms_between(sent, sim.frames(label).front().time));
    run_for(ms(20));
  }
  if (s >= 0) ::close(s);
  std::printf(
      "TSL 5.0 packet to the 0x1E frame at the multiviewer (%zu packets, one label each): "
      "median %.2f ms, p99 %.2f ms%s\n",
      tsl.size(), percentile(tsl, 0.5), percentile(tsl, 0.99),
      unanswered ? ", some packets brought no frame within 2 s" : "");

  // ---- the switcher's CUT report to tally, the multiviewer page shown ----
  if (!open_device(dlg, mv)) {
    std::printf("multiviewer page did not open\n");
    return 1;
  }
  run_until([&] { return !state->frames_pending(); }, ms(3000));
  run_for(ms(300));
  cut_to_tally("CUT report to tally (the switcher's own CUT, the multiviewer page shown)",
               [&]() -> std::optional<Clock::time_point> {
                 const Clock::time_point sent = Clock::now();
                 sim.send_report(kSwitcher, devsim::Report::cut());
                 return sent;
               });
  dlg.m_show_runner.stop();
  return 0;
}
