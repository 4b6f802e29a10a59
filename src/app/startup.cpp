#include "app/startup.h"

#include <QTimer>

#include "app/main_window.h"

CKELVARO_16_VIEWDlg* open_main_window(const CommandLine& cl) {
  auto* dlg = new CKELVARO_16_VIEWDlg;
  if (!cl.demo) {
    dlg->m_setup_memory.enable();
    if (cl.restore) dlg->m_setup_memory.restore();
  }
  dlg->show();
  if (!cl.devices.empty()) dlg->m_manual_devices.open_command_line_rows(cl.devices);
  if (cl.scan_at_start) QTimer::singleShot(0, dlg, [dlg] { dlg->on_scan(); });
  return dlg;
}
