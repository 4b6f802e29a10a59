// Prints how quickly a click on a processor layout key reaches the device,
// and how the user-interface thread fares while the rk5502 page's state query
// waits out its 1000 ms bound against a device that never answers. Devices
// are simulated on loopback and on a pseudo-terminal; never fails on time.
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
#include "controls/skin_button.h"
#include "devsim/simulator.h"
#include "link/link_options.h"
#include "pages/processor/rk5502_page.h"
#include "pages/processor/tm3306_page.h"

namespace {
using Clock = std::chrono::steady_clock;

constexpr int kRk5502 = 0;  // 127.0.0.2
constexpr int kTm3306 = 1;  // 127.0.0.3
constexpr int kSerial = 2;  // tm3306 on a pseudo-terminal
constexpr int kClicks = 200;

bool select(CKELVARO_16_VIEWDlg& dlg, const devsim::DeviceInfo& d) {
  DeviceEntry& row = dlg.m_device_table[0];
  row.dev_type = d.type;
  row.dev_id = d.id;
  dlg.device_list()->clear();
  dlg.device_list()->addItem(QString::fromStdString(d.name));
  if (d.transport == devsim::Transport::Udp) {
    dlg.m_eState = 0;
    std::memset(row.ip, 0, sizeof row.ip);
    std::strncpy(row.ip, d.address.c_str(), sizeof row.ip - 1);
  } else {
    dlg.m_eState = 1;
    if (!dlg.m_comm.is_open() && !dlg.m_comm.open_port(d.address, 115200)) return false;
    dlg.m_main_com_dev_type = d.type;
  }
  dlg.m_device_index = 0;
  dlg.select_device();
  return dlg.m_p_mian_show_dlg != nullptr;
}

// Clicks layout keys in turn (never the active one) and measures, per click,
// the time until the device has the frame and the time the handler held the
// user-interface thread.
void click_to_bytes(devsim::Simulator& sim, CKELVARO_16_VIEWDlg& dlg, int device,
                    const char* label) {
  if (!select(dlg, sim.device(device))) {
    std::printf("%-22s page did not open\n", label);
    return;
  }
  PageFrame* page = dlg.m_p_mian_show_dlg;
  QApplication::processEvents();
  std::vector<double> arrive_ms, handler_ms;
  int lost = 0;
  for (int i = 0; i < kClicks; ++i) {
    const int code = (i + 1) % 16;  // a new page starts at 0 (tm3306) or at the device's layout
    sim.clear_frames();
    const Clock::time_point t0 = Clock::now();
    page->button(1032 + code)->click();
    const Clock::time_point t1 = Clock::now();
    const auto is_layout = [](const devsim::ReceivedFrame& f) { return f.command() == 0x94; };
    if (!sim.wait_for_frames(1, std::chrono::milliseconds(1000), is_layout)) {
      ++lost;
      continue;
    }
    const auto frames = sim.frames(is_layout);
    arrive_ms.push_back(std::chrono::duration<double, std::milli>(frames[0].time - t0).count());
    handler_ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
  }
  std::printf(
      "%-22s %d clicks: bytes at the device after median %.3f ms, p95 %.3f ms, max %.3f ms; "
      "handler held the UI median %.2f ms, max %.2f ms; lost %d\n",
      label, kClicks, percentile(arrive_ms, 0.5), percentile(arrive_ms, 0.95),
      percentile(arrive_ms, 1.0), percentile(handler_ms, 0.5), percentile(handler_ms, 1.0), lost);
}
}  // namespace

int main(int argc, char** argv) {
  if (!getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);

  devsim::Options o = loopback_link(static_cast<uint16_t>(30000 + (getpid() % 2000) * 10));
  o.devices = {devsim::DeviceSpec::lan(0x60, 1), devsim::DeviceSpec::lan(0xA3, 2),
               devsim::DeviceSpec::serial(0xA3, 3)};
  devsim::Simulator sim(o);
  std::string error;
  if (!sim.start(&error)) {
    std::printf("simulator did not start: %s\n", error.c_str());
    return 1;
  }

  CKELVARO_16_VIEWDlg dlg;
  dlg.show();
  QApplication::processEvents();

  click_to_bytes(sim, dlg, kRk5502, "rk5502 over UDP");
  click_to_bytes(sim, dlg, kTm3306, "tm3306 over UDP");
  click_to_bytes(sim, dlg, kSerial, "tm3306 over serial");
  dlg.m_comm.close_port(500);

  // The rk5502 page's state query against a device that never answers: the
  // longest gap between 5 ms timer ticks while the page is being created.
  devsim::Faults silent;
  silent.drop_replies = -1;
  sim.set_faults(kRk5502, silent);
  StallProbe probe;
  for (int run = 0; run < 3; ++run) {
    qint64 wall = 0;
    double cpu = 0;
    probe.run([&] {
      const double cpu0 = cpu_seconds();
      QElapsedTimer clock;
      clock.start();
      select(dlg, sim.device(kRk5502));
      wall = clock.elapsed();
      cpu = cpu_seconds() - cpu0;
    });
    std::printf(
        "rk5502 query, silent device: page ready after %lld ms, longest UI stall %lld ms "
        "(%d timer ticks), CPU %.2f %% of a core\n",
        static_cast<long long>(wall), static_cast<long long>(probe.worst), probe.ticks,
        wall > 0 ? 100.0 * cpu / (wall / 1000.0) : 0.0);
  }
  sim.stop();
  return 0;
}
