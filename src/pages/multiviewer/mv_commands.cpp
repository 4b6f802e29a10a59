#include "pages/multiviewer/mv_commands.h"

#include <algorithm>
#include <cstring>

#include "app/main_window.h"
#include "link/control_frame.h"
#include "link/tick.h"
#include "link/trace.h"
#include "link/wait.h"
#include "pages/multiviewer/mv_frames.h"
#include "pages/multiviewer/mv_state_reply.h"

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
  // Request: 20-byte frame, command 32, no payload. Only byte 16 of what
  // comes back is tested; the reply's layout is read by DecodeStateReply,
  // with zeros past the end of a short datagram.
  const bool taken = main->query_udp(
      mv_cmd::kStateQuery, {}, kLanQueryBoundMs, 0, [main](std::span<const uint8_t> datagram) {
        const uint8_t command = byte_at(datagram, kFrameCommandOffset);
        if (command != mv_cmd::kStateQuery) {
          trace("recv cmd 0x%02x, not the state reply, skipped\n", command);
          return false;
        }
        DecodeStateReply(*main, datagram, /*serial=*/false);
        return true;
      });
  if (!taken) trace("wait time over \n");
  main->m_16_view_state_read = 1;
}

void QueryDeviceStateSerial() {
  CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg;
  if (!main || !main->m_comm.is_open()) return;
  const uint32_t t0 = tick_ms();
  // Bytes kept from an earlier exchange would be found again by the reader,
  // which rescans the whole buffer: an old state reply would then be taken
  // for the answer to this request. The accumulation starts empty.
  std::memset(main->m_com_recv_buf, 0, sizeof main->m_com_recv_buf);
  main->m_com_recv_len = 0;
  main->m_comm.drain_input();
  main->send_serial_command(mv_cmd::kStateQuery);
  pause_ms(kSerialQueryPauseMs);

  bool replied = false;
  for (;;) {
    main->poll_serial_input();
    // The reader decodes a state reply of a multiviewer into the model
    // itself (the main window's store_serial_state_reply).
    if (main->parse_serial_reply(main->m_com_recv_buf, main->m_com_recv_len) > 0) {
      replied = true;
      break;
    }
    const uint32_t elapsed = ticks_since(t0);
    if (elapsed > kSerialQueryBoundMs) break;
    main->m_comm.wait_input(std::min(kSerialPassWaitMs, kSerialQueryBoundMs - elapsed + 1));
  }
  if (!replied) trace("time over \n");
  main->m_16_view_state_read = 1;
}

void QueryDeviceState() {
  CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg;
  if (!main) return;
  if (main->m_eState == 0)
    QueryDeviceStateLan();
  else
    QueryDeviceStateSerial();
}
