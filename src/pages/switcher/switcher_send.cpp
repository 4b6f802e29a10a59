#include "pages/switcher/switcher_send.h"

#include <chrono>
#include <thread>
#include <vector>

#include "app/main_window.h"
#include "link/trace.h"

namespace {
constexpr auto kSwitcherPause = std::chrono::milliseconds(10);
}

void SendSwitcherFrame(uint8_t command, std::span<const uint8_t> payload) {
  CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg;
  if (!main) {
    trace(lcSwitcher(), "main dlg p is null ,return \n");
    return;
  }
  const std::vector<uint8_t> frame = main->build_device_frame(command, payload, Link::Udp);
  main->send_datagram(frame);
  std::this_thread::sleep_for(kSwitcherPause);
}

void SendSwitcherFrame(uint8_t command, uint8_t value) {
  SendSwitcherFrame(command, std::span<const uint8_t>(&value, 1));
}
