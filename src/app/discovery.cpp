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
#include "link/search_reply.h"
#include "link/exchange.h"
#include "link/link_options.h"
#include "link/link_ui.h"
#include "link/tick.h"
#include "link/wait.h"

namespace {
constexpr uint32_t kSearchMs = 2000;
constexpr uint32_t kMalformedPauseMs = 50;
// The progress bar moves at least this often while nothing arrives.
constexpr uint32_t kProgressStepMs = 100;
constexpr size_t kSearchTypeOffset = 4;
}  // namespace

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

// Search replies (128 bytes at most) are read by parse_search_names.
void CKELVARO_16_VIEWDlg::run_lan_search() {
  close_command_socket();
  m_device_index = -1;
  close_shown_page();
  if (m_device_list->count() > 0) {
    m_device_list->clear();
    std::memset(m_device_table, 0, sizeof m_device_table);
  }
  const uint32_t t0 = tick_ms();
  const std::vector<uint8_t> request = build_search_request(Link::Udp);
  m_device_count = 0;
  const LinkOptions& o = link_options();
  UdpExchange search;
  if (!search.open(ipv4_address(o.search_address.c_str(), o.search_address.size(), o.device_port),
                   o.bind_port, /*broadcast=*/true)) {
    report_link_error(QStringLiteral("Create socket err"));
    return;
  }
  const QPointer<CKELVARO_16_VIEWDlg> self(this);
  begin_search_ui();
  search.send(request);

  int rows = 0;
  uint8_t buf[kSearchReplyBufferSize];
  for (;;) {
    const uint32_t elapsed = ticks_since(t0);
    if (elapsed > kSearchMs) break;
    show_search_progress(elapsed);
    sockaddr_in from{};
    const int n = search.receive(buf, sizeof buf, &from);
    if (n <= 0) {
      search.wait(std::min(kSearchMs - elapsed + 1, kProgressStepMs));
      if (!self) return;
      continue;
    }
    const std::span<const uint8_t> reply(buf, static_cast<size_t>(n));
    // Malformed datagrams (a full reply too short to hold a device type among
    // them) and multiviewer replies are followed by a rest; replies of other
    // device types are not.
    const bool typed = is_full_reply(reply) && reply.size() > kSearchTypeOffset;
    const bool rest = !typed || reply[kSearchTypeOffset] == kSearchReplyMultiviewerType;
    const QString ip = address_text(from);
    const int rows_before = rows;
    for (const QString& name : parse_search_names(reply)) {
      if (rows >= kDeviceTableRows) break;
      DeviceEntry& row = m_device_table[rows];
      std::memset(row.ip, 0, sizeof row.ip);
      const QByteArray ip_bytes = ip.toLatin1();
      std::memcpy(row.ip, ip_bytes.constData(),
                  std::min<size_t>(static_cast<size_t>(ip_bytes.size()), sizeof row.ip - 1));
      row.dev_type = reply[kSearchTypeOffset];
      row.dev_id = reply[5];
      m_device_list->insertItem(rows, name + QStringLiteral("_") + ip);
      ++rows;
      ++m_device_count;
    }
    // A device listed has answered the search: a query of its own.
    if (rows > rows_before) m_link_health.answered(LinkHealth::udp_key(from));
    // The rest after a datagram ends early when the next one is already
    // queued, so a burst of replies from many devices is read in full.
    if (rest) search.wait(kMalformedPauseMs);
    if (!self) return;
  }
  if (rows > 0) {
    m_device_index = 0;
  } else {
    m_device_list->insertItem(0, QStringLiteral("No Device Found"));
  }
  // Rows named by the operator follow the devices found (or the
  // "No Device Found" item), list item k still being table row k.
  m_manual_devices.append_after_search();
  m_device_list->setCurrentIndex(0);
  search.close();
  end_search_ui();
  select_device();
}

void CKELVARO_16_VIEWDlg::run_serial_search() {
  close_shown_page();
  if (m_device_list->count() > 0) m_device_list->clear();
  const std::vector<uint8_t> request = build_search_request(Link::Serial);
  if (!m_comm.is_open()) {
    show_error(QStringLiteral("Please open the serial port first!"));
    return;
  }
  const QPointer<CKELVARO_16_VIEWDlg> self(this);
  begin_search_ui();
  const SerialExchange exchange = start_serial_exchange(request);
  const bool found = poll_serial_reply(exchange, kSearchMs, kProgressStepMs,
                                       [this](uint32_t elapsed) { show_search_progress(elapsed); })
                           .answered_now();
  if (!self) return;
  m_device_list->insertItem(0, found ? m_com_dev_name : QStringLiteral("No Device Found"));
  m_device_list->setCurrentIndex(0);
  m_device_index = 0;
  end_search_ui();
  select_device();
}
