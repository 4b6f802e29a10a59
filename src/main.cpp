// Start of the panel: parse the command line, then run the main window as a
// modal dialog; the process ends when it closes.
#include <QApplication>
#include <cstdio>

#include "app/command_line.h"
#include "app/main_window.h"
#include "link/link_options.h"

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

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("kelvaro_multiview"));
  QApplication::setOrganizationName(QStringLiteral("应用程序向导生成的本地应用程序"));
  QApplication::setFont(QFont(QStringLiteral("WenQuanYi Micro Hei"), 9));

  auto* dlg = new CKELVARO_16_VIEWDlg;
  dlg->show();
  dlg->exec();
  delete dlg;
  return 0;
}
