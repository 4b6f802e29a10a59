#include "pages/multiviewer/mv_subpage_util.h"

#include "controls/skin_button.h"

namespace {
// Runs the query over `target`; the main window lives for the whole run, so
// a queued query may refer to it.
void query_state_of(CKELVARO_16_VIEWDlg* main, const Target& target, bool lan_only) {
  const auto done = [main, target](const Outcome& outcome) {
    main->m_16_view_state_read = 1;
    if (outcome.answered_now()) main->m_show_runner.multiviewer_read(target, *main);
  };
  if (lan_only)
    mv_device::query_state_lan(main->transports(), target, *main, done);
  else
    mv_device::query_state(main->transports(), target, *main, done);
}
}  // namespace

void QueryDeviceState() {
  CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg;
  if (!main) return;
  const Target target = main->device_target();
  if (!mv_device::reachable(target, main->m_comm.is_open())) return;
  query_state_of(main, target, false);
}

void QueryDeviceStateLan() {
  CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg;
  if (!main) return;
  query_state_of(main, main->device_target(), true);
}

void QueryDeviceStateSerial() {
  CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg;
  if (!main || !main->m_comm.is_open()) return;
  query_state_of(main, main->device_target().over(Medium::Serial), false);
}

void style_mv_push_button(CSkinButton* button, const QColor& background, const QColor& text) {
  if (!button) return;
  for (auto role :
       {CSkinButton::BackgroundIn, CSkinButton::BackgroundOut, CSkinButton::BackgroundFocus})
    button->set_color(role, background);
  for (auto role : {CSkinButton::TextIn, CSkinButton::TextOut, CSkinButton::TextFocus})
    button->set_color(role, text);
}
