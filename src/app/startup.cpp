#include "app/startup.h"

#include <QTimer>

#include "app/main_window.h"
#include "link/trace.h"

CKELVARO_16_VIEWDlg* open_main_window(const CommandLine& cl, const std::optional<Show>& show) {
  auto* dlg = new CKELVARO_16_VIEWDlg;
  if (!cl.demo) {
    dlg->m_setup_memory.enable();
    if (cl.restore) dlg->m_setup_memory.restore();
  }
  dlg->show();
  if (!cl.devices.empty()) dlg->m_manual_devices.open_command_line_rows(cl.devices);
  if (show) {
    dlg->start_show(*show, QString::fromStdString(cl.show_file));
  } else if (!cl.demo && cl.restore) {
    const QString remembered = SetupMemory::remembered_show();
    if (!remembered.isEmpty()) {
      const QString why = dlg->start_show_file(remembered);
      if (!why.isEmpty()) trace(lcShow(), "the remembered show is not started: %s\n", qUtf8Printable(why));
    }
  }
  if (cl.scan_at_start) QTimer::singleShot(0, dlg, [dlg] { dlg->on_scan(); });
  return dlg;
}
