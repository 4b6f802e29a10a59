// Multiviewer page figures against simulated devices on loopback and on a
// pseudo-terminal:
//   - from the click on a mode button to the frame at the device, and how
//     long the click's handler holds the user-interface thread (it pauses
//     10 ms after each LAN frame);
//   - the longest stall of the user-interface thread (gap between 2 ms timer
//     ticks) while the page opens against a silent device, over the LAN
//     (bound 200 ms) and over the serial port (bound 5000 ms), with the CPU
//     the wait used.
// Prints figures only; never fails on time.
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/main_window.h"
#include "bench_util.h"
#include "controls/shade_button.h"
#include "devsim/simulator.h"
#include "link/link_options.h"
#include "pages/multiviewer/mv_control_page.h"
#include "pages/multiviewer/mv_page.h"

namespace {
using Clock = std::chrono::steady_clock;

double ms_between(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double, std::milli>(b - a).count();
}

struct Summary {
  double median, p90, worst;
};
Summary summarise(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  if (v.empty()) return {0, 0, 0};
  return {v[v.size() / 2], v[v.size() * 9 / 10], v.back()};
}

// Longest gap between ticks of a 2 ms timer while `work` runs (from its start
// to its end).

void select_lan(CKELVARO_16_VIEWDlg& main, const devsim::DeviceInfo& d) {
  main.m_eState = 0;
  std::memset(main.m_device_table[0].ip, 0, sizeof main.m_device_table[0].ip);
  std::strncpy(main.m_device_table[0].ip, d.address.c_str(), 15);
  main.m_device_table[0].dev_type = d.type;
  main.m_device_table[0].dev_id = d.id;
  main.device_list()->clear();
  main.device_list()->addItem(QString::fromStdString(d.name));
  main.m_device_index = 0;
}

void select_serial(CKELVARO_16_VIEWDlg& main, const devsim::DeviceInfo& d) {
  main.m_eState = 1;
  if (main.m_comm.is_open()) main.m_comm.close_port(500);
  main.m_comm.open_port(d.address, 115200);
  main.m_main_com_dev_type = d.type;
  main.m_device_table[0].dev_type = d.type;
  main.m_device_table[0].dev_id = d.id;
  main.device_list()->clear();
  main.device_list()->addItem(QString::fromStdString(d.name));
  main.m_device_index = 0;
}

CClass_16view_control* layout_tab(CKELVARO_16_VIEWDlg& main) {
  auto* shell = dynamic_cast<CClass_16view_dlg*>(main.m_p_mian_show_dlg);
  return shell ? dynamic_cast<CClass_16view_control*>(shell->cur_sub_page()) : nullptr;
}
}  // namespace

int main(int argc, char** argv) {
  if (!getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  const uint16_t base = static_cast<uint16_t>(41000 + (getpid() % 400) * 10);

  devsim::Options options = loopback_link(base);
  options.devices = {devsim::DeviceSpec::lan(devsim::kTypeMultiviewer, 1),
                     devsim::DeviceSpec::serial(devsim::kTypeMultiviewer, 1)};
  devsim::Simulator sim(options);
  std::string error;
  if (!sim.start(&error)) {
    std::fprintf(stderr, "simulator: %s\n", error.c_str());
    return 1;
  }

  CKELVARO_16_VIEWDlg main;
  main.show();
  QApplication::processEvents();

  // ---- mode button click -> frame at the device ----
  {
    select_lan(main, sim.device(0));
    main.select_device();
    // The page's first paint draws its skin bitmaps for the first time; it is
    // timed on its own so that it does not land in the first click.
    const Clock::time_point p0 = Clock::now();
    QApplication::processEvents();
    std::printf("first paint of the opened page: %.1f ms\n", ms_between(p0, Clock::now()));
    CClass_16view_control* tab = layout_tab(main);
    if (!tab) {
      std::fprintf(stderr, "the multiviewer page did not open\n");
      return 1;
    }
    constexpr int kClicks = 100;
    std::vector<double> to_device, handler;
    for (int i = 0; i < kClicks; ++i) {
      sim.clear_frames();
      const int k = i % 2 == 0 ? 2 : 7;  // four and sixteen windows in turn
      const Clock::time_point t0 = Clock::now();
      tab->mode_button(k)->click();
      const Clock::time_point t1 = Clock::now();
      if (!sim.wait_for_frames(1, std::chrono::milliseconds(1000))) continue;
      to_device.push_back(ms_between(t0, sim.frames()[0].time));
      handler.push_back(ms_between(t0, t1));
    }
    const Summary d = summarise(to_device);
    const Summary h = summarise(handler);
    std::printf(
        "mode click -> 0x33 at the LAN device (%zu clicks): median %.3f ms, p90 %.3f ms, "
        "worst %.3f ms\n",
        to_device.size(), d.median, d.p90, d.worst);
    std::printf(
        "mode click handler incl. the 10 ms pause: median %.2f ms, p90 %.2f ms, "
        "worst %.2f ms\n",
        h.median, h.p90, h.worst);
  }

  // ---- opening the page against a silent device ----
  StallProbe probe(2);
  const auto open_silent = [&](const char* what, int device, bool serial) {
    devsim::Faults silent;
    silent.drop_replies = -1;
    sim.set_faults(device, silent);
    if (serial)
      select_serial(main, sim.device(device));
    else
      select_lan(main, sim.device(device));
    const double cpu0 = cpu_seconds();
    const Clock::time_point t0 = Clock::now();
    probe.run([&] { main.select_device(); });
    const double wall = ms_between(t0, Clock::now());
    const double cpu = cpu_seconds() - cpu0;
    std::printf(
        "open page, silent device over %s: open took %.0f ms, longest UI stall %lld ms, "
        "CPU %.1f %% of a core\n",
        what, wall, static_cast<long long>(probe.worst), 100.0 * cpu / (wall / 1000.0));
    sim.set_faults(device, devsim::Faults{});
  };
  open_silent("LAN (bound 200 ms)", 0, false);
  open_silent("serial (bound 5000 ms, full run)", 1, true);

  // ---- opening against an answering device, for comparison ----
  {
    select_lan(main, sim.device(0));
    const Clock::time_point t0 = Clock::now();
    probe.run([&] { main.select_device(); });
    std::printf("open page, answering LAN device: %.1f ms, longest UI stall %lld ms\n",
                ms_between(t0, Clock::now()), static_cast<long long>(probe.worst));
    select_serial(main, sim.device(1));
    const Clock::time_point t1 = Clock::now();
    probe.run([&] { main.select_device(); });
    std::printf("open page, answering serial device: %.1f ms, longest UI stall %lld ms\n",
                ms_between(t1, Clock::now()), static_cast<long long>(probe.worst));
  }
  main.close_shown_page();
  main.m_comm.close_port(500);
  sim.stop();
  return 0;
}
