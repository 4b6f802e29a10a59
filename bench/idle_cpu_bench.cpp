// Idle CPU of the panel with each page, sub-page and dialog open in turn:
// after the view has settled, the event loop runs for a few seconds of wall
// time with nothing happening, and the process CPU time over that stretch is
// printed as a share of one core, with the paint events it saw. The devices
// are simulated in this process on loopback; their thread sleeps in poll()
// and counts in the figure. Aim: under 0.5 % of a core for every view.
// Offscreen unless a platform is set. Prints figures only; never fails on time.
//
//   idle_cpu_bench [seconds per view, default 3]
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "app/about_dialog.h"
#include "app/command_line.h"
#include "app/main_window.h"
#include "app/set_configure.h"
#include "app/startup.h"
#include "bench_panel.h"
#include "bench_util.h"
#include "controls/shade_button.h"
#include "controls/skin_button.h"
#include "demo/demo.h"
#include "devsim/simulator.h"
#include "link/link_options.h"
#include "pages/matrix/matrix_page.h"
#include "pages/multiviewer/mv_page.h"

namespace {
using Clock = std::chrono::steady_clock;
constexpr double kTargetPercent = 0.5;

class PaintCounter : public QObject {
 public:
  int count = 0;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && watched->isWidgetType()) ++count;
    return false;
  }
};

// Runs the event loop for `ms` of wall time.
void run_loop(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

}  // namespace

int main(int argc, char** argv) {
  if (!getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  QApplication app(argc, argv);
  const uint16_t base = static_cast<uint16_t>(45000 + (getpid() % 400) * 10);

  devsim::Options options = loopback_link(base);
  options.devices = {devsim::DeviceSpec::lan(devsim::kTypeMultiviewer, 5),
                     devsim::DeviceSpec::lan(devsim::kTypeMatrix, 7),
                     devsim::DeviceSpec::lan(devsim::kTypeRk5502, 3),
                     devsim::DeviceSpec::lan(devsim::kTypeTm3306, 4),
                     devsim::DeviceSpec::lan(devsim::kTypeSwitcher, 6)};
  devsim::Simulator sim(options);
  std::string error;
  if (!sim.start(&error)) {
    std::fprintf(stderr, "simulator: %s\n", error.c_str());
    return 1;
  }

  PaintCounter paints;
  app.installEventFilter(&paints);
  CKELVARO_16_VIEWDlg main;
  main.show();

  std::printf("idle CPU, %d s of wall time per view, target under %.1f %% of a core\n", seconds,
              kTargetPercent);
  const auto measure = [&](const std::string& what) {
    run_loop(300);  // first paints and queued work of the view
    paints.count = 0;
    const double cpu0 = cpu_seconds();
    const Clock::time_point t0 = Clock::now();
    run_loop(seconds * 1000);
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    const double percent = 100.0 * (cpu_seconds() - cpu0) / wall;
    std::printf("  %-34s %6.2f %% of a core, %6d paints%s\n", what.c_str(), percent, paints.count,
                percent < kTargetPercent ? "" : "   (over target)");
    std::fflush(stdout);
  };

  measure("main window, no device");

  auto* mv = dynamic_cast<CClass_16view_dlg*>(open_device(main, sim.device(0)));
  if (!mv) {
    std::fprintf(stderr, "the multiviewer page did not open\n");
    return 1;
  }
  for (int tab = 1; tab <= CClass_16view_dlg::kTabCount; ++tab) {
    mv->SelectSubPage(tab);
    measure("multiviewer tab " + std::to_string(tab));
  }

  auto* matrix = qobject_cast<CClass_matrix_control*>(open_device(main, sim.device(1)));
  if (!matrix) {
    std::fprintf(stderr, "the matrix page did not open\n");
    return 1;
  }
  matrix->tab_button(1)->click();
  measure("matrix, function sub-page");
  matrix->tab_button(2)->click();
  measure("matrix, connection sub-page");

  // A show on the multiviewer, the matrix and the switcher (whose reports
  // it follows), listening for TSL on a loopback test port, with the matrix
  // page shown. Started as the main
  // window starts one, without remembering it in the operator's settings.
  {
    Show show;
    for (int n = 1; n <= 8; ++n) show.source_names[n - 1] = QStringLiteral("SRC %1").arg(n);
    show.multiviewer = {sim.device(0).address, sim.device(0).id};
    show.router = {sim.device(1).address, sim.device(1).id};
    show.switcher = {sim.device(4).address, sim.device(4).id};
    for (int s = 1; s <= 8; ++s)
      show.multiviewer_inputs[s - 1] = {ShowFeed::Kind::RouterOutput, static_cast<uint8_t>(s)};
    show.tsl_listen = static_cast<uint16_t>(base + 9);
    main.m_show_runner.start(show);
    if (main.m_show_runner.tsl_port() == 0)
      std::fprintf(stderr, "show: TSL is not heard: %s\n", main.m_show_runner.tsl_error().c_str());
    measure("show, TSL listening, switcher");
    main.m_show_runner.stop();
  }

  if (!open_device(main, sim.device(2))) std::fprintf(stderr, "the rk5502 page did not open\n");
  measure("rk5502 page");
  if (!open_device(main, sim.device(3))) std::fprintf(stderr, "the tm3306 page did not open\n");
  measure("tm3306 page");

  main.on_settings();
  measure("Configure dialog (LAN mode)");
  // Serial mode, as the operator leaves it after choosing it in the list.
  main.m_pSetConfigure->combo(IDC_CFG_MODE_LIST)->setCurrentIndex(1);
  main.m_pSetConfigure->on_mode_changed();
  measure("Configure dialog (serial mode)");
  main.m_pSetConfigure->hide();

  {
    CAboutDlg about(&main);
    about.show();
    measure("About box");
  }
  sim.stop();

  // The demo as `--demo` starts it: every device running in the process,
  // the first listed row's page (the matrix) shown.
  std::string demo_error;
  std::unique_ptr<Demo> demo =
      start_demo(link_options(), static_cast<uint16_t>(base + 4), &demo_error);
  if (!demo) {
    std::fprintf(stderr, "demo: %s\n", demo_error.c_str());
    return 1;
  }
  CommandLine cl = parse_command_line({"kelvaro_multiview", "--demo"});
  cl.devices = demo->rows;
  std::unique_ptr<CKELVARO_16_VIEWDlg> demo_window(open_main_window(cl));
  measure("demo, every device, matrix page");
  demo_window.reset();
  return 0;
}
