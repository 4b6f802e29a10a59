#pragma once
// Frames of the production switcher page and its sub-pages. Every frame goes
// out on the command socket the switcher page holds for its whole life, to
// the device's switcher port, with link byte 01, followed by a 10 ms pause.
#include <cstdint>
#include <span>

namespace switcher_cmd {
constexpr uint8_t kPgmSource = 0x80;  // 1 byte: program source after the press
constexpr uint8_t kPvmSource = 0x81;  // 1 byte: preview source after the press
constexpr uint8_t kTbar = 0x82;       // 2 bytes: direction, progress 1..128
constexpr uint8_t kCut = 0x83;
constexpr uint8_t kAuto = 0x84;
constexpr uint8_t kFtb = 0x85;
constexpr uint8_t kPip = 0x86;
constexpr uint8_t kOnAir = 0x88;   // 1 byte: on_air before the press
constexpr uint8_t kOnAir2 = 0x89;  // 1 byte: on_air2 before the press
constexpr uint8_t kBkgd = 0x8A;    // 1 byte: bkgd_on before the press
constexpr uint8_t kKey1 = 0x8B;    // 1 byte: key1_on before the press
constexpr uint8_t kKey2 = 0x8C;    // 1 byte: key2_on before the press
constexpr uint8_t kMix = 0x8D;
constexpr uint8_t kDip = 0x8E;
constexpr uint8_t kWipe = 0x8F;
}  // namespace switcher_cmd

// Builds the frame for the selected device (link byte 01), sends it as one
// datagram on m_udpSockfd to m_dev_addr and sleeps 10 ms. The sleep runs no
// events: no timer or worker call can run in the middle of a handler. Safe
// from the page's T-bar worker thread. Without a main window it only writes
// the trace line "main dlg p is null ,return \n".
void SendSwitcherFrame(uint8_t command, std::span<const uint8_t> payload = {});
// The same with one payload byte.
void SendSwitcherFrame(uint8_t command, uint8_t value);
