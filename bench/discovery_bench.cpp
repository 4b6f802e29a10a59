// Prints what a LAN search costs against a simulator of 128 multiviewers on
// loopback: devices listed, CPU used during the two seconds, and the longest
// stall of the user-interface thread (gap between 5 ms timer ticks). Also the
// same for a serial search against a silent pseudo-terminal. Never fails on
// time.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>

#include "app/error_box.h"
#include "app/main_window.h"
#include "bench_util.h"
#include "devsim/simulator.h"
#include "link/link_options.h"
#include "link/tick.h"
#include "link/wait.h"

int main(int argc, char** argv) {
  if (!getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  install_error_recorder();
  devsim::Options o = loopback_link(27100);
  for (int i = 0; i < 128; ++i)
    o.devices.push_back(devsim::DeviceSpec::lan(devsim::kTypeMultiviewer, static_cast<uint8_t>(i)));
  devsim::Simulator sim(o);
  std::string error;
  if (!sim.start(&error)) {
    std::fprintf(stderr, "simulator: %s\n", error.c_str());
    return 1;
  }

  CKELVARO_16_VIEWDlg dlg;
  dlg.show();
  QApplication::processEvents();
  StallProbe probe;
  // Runs one step under the probe and prints its wall time, the CPU of the
  // whole process over that time, and the longest stall of the window.
  auto measure = [&probe](const char* what, auto&& step) {
    probe.start();
    const double c0 = cpu_seconds();
    const uint32_t t0 = tick_ms();
    step();
    const uint32_t wall = ticks_since(t0);
    const double cpu = cpu_seconds() - c0;
    probe.ticker.stop();
    std::printf("%s: %u ms, CPU %.2f %% of a core, longest UI stall %lld ms\n", what, wall,
                100.0 * cpu / (wall / 1000.0), static_cast<long long>(probe.worst));
  };

  // What the measuring itself costs: the 5 ms ticker while the window idles
  // in the same sliced wait the searches use. The search figures include it.
  measure("probe alone, idle wait", [] { pause_ms(2000); });

  // The simulator's threads run in this process too; they cannot be measured
  // apart, so this figure is an upper bound for the panel.
  measure("LAN search, 128 devices (panel and simulator together)", [&dlg] { dlg.on_scan(); });
  std::printf("  %d listed\n", dlg.device_list()->count());
  sim.stop();

  // Nobody answers: the full two seconds of waiting.
  dlg.close_shown_page();
  measure("LAN search, no device", [&dlg] { dlg.on_scan(); });

  // Serial search against a line nobody answers on.
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  grantpt(master);
  unlockpt(master);
  const char* slave = ptsname(master);
  dlg.m_eState = 1;
  if (slave && dlg.m_comm.open_port(slave, 9600)) {
    measure("serial search, silent line", [&dlg] { dlg.on_scan(); });
    dlg.close_shown_page();
    dlg.m_comm.close_port(500);
  }
  close(master);
  return 0;
}
