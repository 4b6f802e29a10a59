// Device discovery: the scan button's LAN broadcast search and serial search.
// Both run on the user-interface thread for about two seconds; every wait
// sleeps in poll() and keeps the window painting (the progress bar moves)
// while operator input is held back until the search has ended.
#include <QApplication>
#include <QComboBox>
#include <algorithm>
#include <cstring>

#include "app/error_box.h"
#include "app/main_window.h"
#include "link/tick.h"
#include "link/wait.h"

namespace {
constexpr uint32_t kSearchMs = 2000;
constexpr uint32_t kMalformedPauseMs = 50;
// The progress bar moves at least this often while nothing arrives.
constexpr uint32_t kProgressStepMs = 100;
constexpr uint8_t kMultiviewerType = 0xA1;
constexpr size_t kSearchNameOffset = 18;
}  // namespace

void CKELVARO_16_VIEWDlg::on_scan() {
  if (m_search_running) return;
  if (m_eState == 0)
    run_lan_search();
  else if (m_eState == 1)
    run_serial_search();
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

// Search reply as read here (128 bytes at most):
//   0  A5 6C   2 length   4 device type   5 device id   16 FF
//   18 name as single-byte characters, then "x-y-..." separators: every
//      offset p >= 18 where bytes p and p + 2 are both '-' ends one name
//      (bytes 18 .. p - 1), so one reply can carry several, each longer
//   last AE
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
  if (!open_search_socket()) {
    show_error(QStringLiteral("Create socket err"));
    return;
  }
  begin_search_ui();
  send_datagram(request);

  int rows = 0;
  uint8_t buf[kSearchReplyBufferSize];
  for (;;) {
    const uint32_t elapsed = ticks_since(t0);
    if (elapsed > kSearchMs) break;
    show_search_progress(elapsed);
    const int n = receive(buf, sizeof buf);
    if (n <= 0) {
      wait_readable(m_udpSockfd, std::min(kSearchMs - elapsed + 1, kProgressStepMs));
      continue;
    }
    const std::span<const uint8_t> reply(buf, static_cast<size_t>(n));
    bool rest = true;
    if (!is_full_reply(reply)) {
      // malformed: rest before the next one
    } else if (reply[4] != kMultiviewerType) {
      rest = false;
    } else if (n > 21) {
      const QString ip = dev_addr_text();
      for (size_t p = kSearchNameOffset; p + 4 <= reply.size(); ++p) {
        if (reply[p] != '-' || reply[p + 2] != '-') continue;
        if (rows >= kDeviceTableRows) break;
        DeviceEntry& row = m_device_table[rows];
        std::memset(row.ip, 0, sizeof row.ip);
        const QByteArray ip_bytes = ip.toLatin1();
        std::memcpy(row.ip, ip_bytes.constData(),
                    std::min<size_t>(static_cast<size_t>(ip_bytes.size()), sizeof row.ip - 1));
        row.dev_type = reply[4];
        row.dev_id = reply[5];
        const QString name = QString::fromLatin1(
            reinterpret_cast<const char*>(reply.data() + kSearchNameOffset),
            static_cast<qsizetype>(p - kSearchNameOffset));
        m_device_list->insertItem(rows, name + QStringLiteral("_") + ip);
        ++rows;
        ++m_device_count;
      }
    }
    // The rest after a datagram ends early when the next one is already
    // queued, so a burst of replies from many devices is read in full.
    if (rest) wait_readable(m_udpSockfd, kMalformedPauseMs);
    // A burst of queued replies is read back to back; the window still gets
    // its paint events between two of them.
    pump_ui_events();
  }
  if (rows > 0) {
    m_device_index = 0;
  } else {
    m_device_list->insertItem(0, QStringLiteral("No Device Found"));
  }
  m_device_list->setCurrentIndex(0);
  close_command_socket();
  end_search_ui();
  select_device();
}

void CKELVARO_16_VIEWDlg::run_serial_search() {
  close_shown_page();
  std::memset(m_com_recv_buf, 0, sizeof m_com_recv_buf);
  m_com_recv_len = 0;
  if (m_device_list->count() > 0) m_device_list->clear();
  const std::vector<uint8_t> request = build_search_request(Link::Serial);
  if (!m_comm.is_open()) {
    show_error(QStringLiteral("Please open the serial port first!"));
    return;
  }
  begin_search_ui();
  m_comm.drain_input();
  m_comm.write_port(request.data(), request.size());
  const uint32_t t0 = tick_ms();
  bool found = false;
  for (;;) {
    poll_serial_input();
    if (parse_serial_reply(m_com_recv_buf, m_com_recv_len) > 0) {
      found = true;
      break;
    }
    const uint32_t elapsed = ticks_since(t0);
    if (elapsed > kSearchMs) break;
    show_search_progress(elapsed);
    m_comm.wait_input(std::min(kSearchMs - elapsed + 1, kProgressStepMs));
  }
  m_device_list->insertItem(0, found ? m_com_dev_name : QStringLiteral("No Device Found"));
  m_device_list->setCurrentIndex(0);
  m_device_index = 0;
  end_search_ui();
  select_device();
}
