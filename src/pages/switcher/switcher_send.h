#pragma once
// Frames of the production switcher page and its sub-pages. Every frame goes
// out on the command socket the switcher page holds for its whole life, to
// the device's switcher port, with link byte 01, followed by a 10 ms pause.
#include <cstdint>
#include <span>

#include "devices/switcher/switcher_commands.h"

// Builds the frame for the selected device (link byte 01), sends it as one
// datagram on m_udpSockfd to m_dev_addr and sleeps 10 ms. The sleep runs no
// events: no timer or worker call can run in the middle of a handler. Safe
// from the page's T-bar worker thread. Without a main window it only writes
// the trace line "main dlg p is null ,return \n".
void SendSwitcherFrame(uint8_t command, std::span<const uint8_t> payload = {});
// The same with one payload byte.
void SendSwitcherFrame(uint8_t command, uint8_t value);
