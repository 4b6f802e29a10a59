#pragma once
// The one-way command frames every device kind shares: the control-frame
// envelope (link/control_frame.h) addressed with the target's type and id,
// sent by the target's medium or over the LAN whatever the mode.
#include <cstdint>
#include <span>
#include <vector>

#include "link/control_frame.h"
#include "link/transport.h"

// The pause after a one-way command on the LAN; the serial line has none.
constexpr uint32_t kUdpCommandPauseMs = 10;

// The frame of `command` for the target's device with this link byte.
std::vector<uint8_t> device_frame(const Target& target, Link link, uint8_t command,
                                  std::span<const uint8_t> payload = {});

// By the target's medium: LAN, link byte 01, one datagram on an exchange of
// its own, then kUdpCommandPauseMs; serial, link byte 00, written when the
// port is open, no pause; no mode, nothing.
Outcome send_command(const Transports& t, const Target& target, uint8_t command,
                     std::span<const uint8_t> payload = {});

// The LAN form (link byte 01 and its pause) whatever the target's medium.
Outcome send_command_lan(const Transports& t, const Target& target, uint8_t command,
                         std::span<const uint8_t> payload = {});
