// Device discovery: the scan button's LAN broadcast search and serial search.
// Both run on the user-interface thread for about two seconds; every wait
// sleeps in a local event loop and keeps the window painting (the progress
// bar moves) while operator input is held back until the search has ended.
// The LAN search owns its socket; nothing run during its waits can use it.
#include <QApplication>
#include <QComboBox>
#include <algorithm>
#include <cstring>

#include "app/error_box.h"
#include "app/main_window.h"
#include "link/exchange.h"
#include "link/link_options.h"
#include "link/link_ui.h"
#include "link/search.h"
#include "link/trace.h"

void CKELVARO_16_VIEWDlg::on_scan() {
  // A scan asked for while an exchange waits (by a timer, say) runs once
  // that exchange has ended: the search replaces the page the exchange may
  // belong to.
  run_exchange("search", [self = QPointer<CKELVARO_16_VIEWDlg>(this)] {
    if (!self || self->m_search_running) return;
    if (self->m_eState == 0)
      self->run_lan_search();
    else if (self->m_eState == 1)
      self->run_serial_search();
  });
}

void CKELVARO_16_VIEWDlg::begin_search_ui() {
  m_search_running = true;
  m_search_progress = 0;
  QApplication::setOverrideCursor(Qt::BusyCursor);
  update(search_progress_area());
}

void CKELVARO_16_VIEWDlg::end_search_ui() {
  m_search_running = false;
  m_search_progress = -1;
  QApplication::restoreOverrideCursor();
  update(search_progress_area());
}

void CKELVARO_16_VIEWDlg::show_search_progress(uint32_t elapsed_ms) {
  // Steps of 5 %: twenty repaints a search keep the bar visibly moving.
  const int progress = static_cast<int>(std::min(elapsed_ms, kSearchMs) * 20 / kSearchMs) * 5;
  if (progress == m_search_progress) return;
  m_search_progress = progress;
  // Only the bar's strip: a whole-window repaint each step would cost far
  // more than the search itself.
  update(search_progress_area());
}

void CKELVARO_16_VIEWDlg::run_lan_search() {
  // The page goes first: the switcher's workers are stopped and joined
  // before the socket they send on closes and the row they read is cleared.
  close_shown_page();
  close_command_socket();
  m_device_index = -1;
  if (m_device_table.count() > 0) m_device_table.clear();
  m_device_count = 0;
  const QPointer<CKELVARO_16_VIEWDlg> self(this);
  // The rows the operator named keep their place after the devices found.
  SearchFindings findings(static_cast<size_t>(
      std::max(0, kDeviceTableRows - static_cast<int>(m_manual_devices.rows().size()))));
  int rows = 0;
  bool started = false;
  SearchCallbacks callbacks;
  callbacks.on_started = [this, &started] {
    started = true;
    begin_search_ui();
  };
  callbacks.on_bound = [this](const std::string& bind_error) {
    note_local_port(link_options().bind_port, bind_error);
  };
  callbacks.on_progress = [this](uint32_t elapsed) { show_search_progress(elapsed); };
  callbacks.still_wanted = [self] { return !self.isNull(); };
  callbacks.on_reply = [this, &rows, &findings](const sockaddr_in& from,
                                                std::span<const uint8_t> reply,
                                                const std::vector<QString>& names) {
    const size_t added = findings.add(from, reply, names);
    const auto& found = findings.devices();
    for (size_t i = found.size() - added; i < found.size(); ++i) {
      const SearchFindings::Device& d = found[i];
      const QString ip = QString::fromStdString(d.address);
      if (!m_device_table.append(d.name + QStringLiteral("_") + ip, d.address, d.type, d.id))
        break;
      ++rows;
      ++m_device_count;
    }
    // A device listed has answered the search: a query of its own.
    if (added > 0) m_link_health.answered(LinkHealth::udp_key(from));
  };
  const Outcome outcome = search_lan(callbacks, kSearchStepMs);
  if (!self) return;
  if (!started) {
    trace(lcLink(), "search: %s\n", outcome.reason.c_str());
    report_link_error(QStringLiteral("Create socket err"));
    return;
  }
  if (rows > 0) {
    m_device_index = 0;
  } else {
    m_device_table.append(QStringLiteral("No Device Found"));
  }
  // Rows named by the operator follow the devices found (or the
  // "No Device Found" item), list item k still being table row k.
  m_manual_devices.append_after_search();
  m_device_list->setCurrentIndex(0);
  end_search_ui();
  select_device();
}

void CKELVARO_16_VIEWDlg::run_serial_search() {
  close_shown_page();
  m_device_table.clear_list();
  if (!m_comm.is_open()) {
    show_error(QStringLiteral("Please open the serial port first!"));
    return;
  }
  const QPointer<CKELVARO_16_VIEWDlg> self(this);
  SearchCallbacks callbacks;
  callbacks.on_started = [this] { begin_search_ui(); };
  callbacks.on_progress = [this](uint32_t elapsed) { show_search_progress(elapsed); };
  const bool found = search_serial(*this, callbacks, kSearchStepMs).answered_now();
  if (!self) return;
  m_device_table.append(found ? m_com_dev_name : QStringLiteral("No Device Found"));
  m_device_list->setCurrentIndex(0);
  m_device_index = 0;
  end_search_ui();
  select_device();
}
