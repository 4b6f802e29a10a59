// Start of the panel: parse the command line, then run the main window as a
// modal dialog; the process ends when it closes.
#include <QApplication>
#include <cstdio>
#include <memory>

#include "app/command_line.h"
#include "app/main_window.h"
#include "app/settings_location.h"
#include "app/startup.h"
#include "demo/demo.h"
#include "link/link_options.h"
#include "link/trace.h"

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
  CommandLine run = cl;
  std::unique_ptr<Demo> demo;
  if (cl.demo) {
    std::string error;
    demo = start_demo(link_options(), kDemoBasePort, &error);
    if (!demo) {
      std::fprintf(stderr, "kelvaro_multiview: --demo: cannot start the simulator: %s\n",
                   error.c_str());
      return 1;
    }
    for (const std::string& line : demo->lines) std::printf("%s\n", line.c_str());
    std::fflush(stdout);
    // The demo's rows come first, as --device rows; any given after them.
    run.devices.insert(run.devices.begin(), demo->rows.begin(), demo->rows.end());
  }

  // A bad show file ends the program before any window, as a bad option does.
  std::optional<Show> show;
  if (!cl.show_file.empty()) {
    ShowRead read = load_show_file(QString::fromStdString(cl.show_file));
    if (!read.ok()) {
      std::fprintf(stderr, "kelvaro_multiview: --show: %s\n", qUtf8Printable(read.error));
      return 2;
    }
    show = std::move(read.show);
  }

  QApplication app(argc, argv);
  if (cl.trace) enable_all_trace();
  set_settings_location();
  const QString moved = move_old_settings();
  if (!moved.isEmpty()) trace(lcLink(), "%s\n", qUtf8Printable(moved));
  QApplication::setFont(QFont(QStringLiteral("WenQuanYi Micro Hei"), 9));

  CKELVARO_16_VIEWDlg* dlg = open_main_window(run, show);
  dlg->exec();
  dlg->m_setup_memory.save();
  delete dlg;
  return 0;
}
