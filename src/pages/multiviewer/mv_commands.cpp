#include "pages/multiviewer/mv_commands.h"

#include <algorithm>
#include <cstring>

#include "app/main_window.h"
#include "link/control_frame.h"
#include "link/exchange.h"
#include "link/link_ui.h"
#include "link/tick.h"
#include "link/trace.h"
#include "link/wait.h"
#include "devices/multiviewer/mv_frames.h"
#include "devices/multiviewer/mv_state_reply.h"

namespace {
constexpr uint32_t kLanQueryBoundMs = 200;
constexpr uint32_t kSerialQueryBoundMs = 5000;
constexpr uint32_t kSerialQueryPauseMs = 10;
// Longest sleep between two passes over the serial input: short enough that
// a reply is seen at once, long enough that the wait never spins.
constexpr uint32_t kSerialPassWaitMs = 20;
}  // namespace

void SendMvCommand(uint8_t command, std::span<const uint8_t> payload) {
  CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg;
  if (!main) return;
  // LAN: link byte 01, one datagram, 10 ms pause, socket closed again.
  // Serial: link byte 00, written when the port is open, no pause.
  main->send_command(command, payload);
}

void SendMvCommandLan(uint8_t command, std::span<const uint8_t> payload) {
  CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg;
  if (!main) return;
  main->send_udp_command(command, payload);
}

void QueryDeviceStateLan() {
  CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg;
  if (!main) return;
  // From inside another exchange's wait the whole query runs once that one
  // has ended; it touches only the main window's model.
  if (exchange_would_queue()) {
    run_exchange("multiviewer state query", [] { QueryDeviceStateLan(); });
    return;
  }
  // Request: 20-byte frame, command 32, no payload. Only byte 16 of what
  // comes back is tested; the reply's layout is read by DecodeStateReply,
  // with zeros past the end of a short datagram.
  const bool taken = main->query_udp(
      mv_cmd::kStateQuery, {}, kLanQueryBoundMs, 0, [main](std::span<const uint8_t> datagram) {
        const uint8_t command = byte_at(datagram, kFrameCommandOffset);
        if (command != mv_cmd::kStateQuery) {
          trace(lcMultiviewer(), "recv cmd 0x%02x, not the state reply, skipped\n", command);
          return false;
        }
        DecodeStateReply(*main, datagram, /*serial=*/false);
        return true;
      });
  if (!taken) trace(lcMultiviewer(), "wait time over \n");
  main->m_16_view_state_read = 1;
}

void QueryDeviceStateSerial() {
  CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg;
  if (!main || !main->m_comm.is_open()) return;
  // From inside another exchange's wait the query runs once that one has
  // ended; it touches only the main window's model.
  run_exchange("multiviewer serial state query", [main] {
    if (!main->m_comm.is_open()) return;
    BusyScope busy;
    const DeviceLink::SerialExchange exchange = main->start_serial_exchange(
        main->build_device_frame(mv_cmd::kStateQuery, {}, Link::Serial));
    pause_ms(kSerialQueryPauseMs);
    // The reader decodes a state reply of a multiviewer into the model
    // itself (the main window's store_serial_state_reply).
    if (!main->poll_serial_reply(exchange, kSerialQueryBoundMs, kSerialPassWaitMs).answered_now())
      trace(lcMultiviewer(), "time over \n");
    main->m_16_view_state_read = 1;
  });
}

void QueryDeviceState() {
  CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg;
  if (!main) return;
  if (main->m_eState == 0)
    QueryDeviceStateLan();
  else
    QueryDeviceStateSerial();
}
