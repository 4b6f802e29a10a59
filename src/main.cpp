// Start of the panel: parse the command line, then run the main window as a
// modal dialog; the process ends when it closes.
#include <QApplication>
#include <cstdio>
#include <memory>

#include "app/command_line.h"
#include "app/main_window.h"
#include "app/simulator_link.h"
#include "app/startup.h"
#include "devices/device_kinds.h"
#include "devsim/simulator.h"
#include "link/link_options.h"
#include "link/trace.h"

namespace {
// The demo: simulated devices in this process, all on loopback, so the
// panel can be tried without hardware and nothing leaves the machine. Two
// multiviewers answer the LAN search; a third multiviewer sits on a
// pseudo-terminal whose name is offered in the serial port lists.
std::unique_ptr<devsim::Simulator> start_demo(LinkOptions& link) {
  devsim::Options o = loopback_simulator_options(17100);
  o.devices = {devsim::DeviceSpec::lan(device_type::kMultiviewer, 1, "MV16_STUDIO_A"),
               devsim::DeviceSpec::lan(device_type::kMultiviewer, 2, "MV16_STUDIO_B"),
               devsim::DeviceSpec::serial(device_type::kMultiviewer, 3, "MV16_SERIAL")};
  auto sim = std::make_unique<devsim::Simulator>(o);
  std::string error;
  if (!sim->start(&error)) {
    std::fprintf(stderr, "kelvaro_multiview: --demo: cannot start the simulator: %s\n",
                 error.c_str());
    return nullptr;
  }
  point_link_at_simulator(link, o, sim->serial_name());
  std::printf("demo: multiviewers at %s and %s (LAN), serial multiviewer on %s\n",
              sim->device(0).address.c_str(), sim->device(1).address.c_str(),
              sim->serial_name().c_str());
  std::fflush(stdout);
  return sim;
}
}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv, argv + argc);
  const CommandLine cl = parse_command_line(args);
  switch (cl.action) {
    case CommandLine::Action::Help:
    case CommandLine::Action::Version:
      std::fputs(cl.message.c_str(), stdout);
      return 0;
    case CommandLine::Action::Error:
      std::fprintf(stderr, "%s\n", cl.message.c_str());
      return 2;
    case CommandLine::Action::Run:
      break;
  }
  link_options() = cl.link;
  std::unique_ptr<devsim::Simulator> demo;
  if (cl.demo) {
    demo = start_demo(link_options());
    if (!demo) return 1;
  }

  QApplication app(argc, argv);
  if (cl.trace) enable_all_trace();
  QApplication::setApplicationName(QStringLiteral("kelvaro_multiview"));
  QApplication::setOrganizationName(QStringLiteral("应用程序向导生成的本地应用程序"));
  QApplication::setFont(QFont(QStringLiteral("WenQuanYi Micro Hei"), 9));

  CKELVARO_16_VIEWDlg* dlg = open_main_window(cl);
  dlg->exec();
  dlg->m_setup_memory.save();
  delete dlg;
  return 0;
}
