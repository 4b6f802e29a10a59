#pragma once
// What the matrix router offers: the three routing text commands, sent by the
// target's medium, and its panel lock (change and query), two control frames
// that always travel over the LAN whatever the connection mode.
//
// Text commands: on the LAN one datagram of exactly the text from an own
// socket, then kMatrixTextPauseMs; on the serial line one write when the port
// is open, no pause. No reply is read.
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "devices/matrix/matrix_commands.h"
#include "link/transport.h"

// Pause after a text datagram on the LAN.
constexpr uint32_t kMatrixTextPauseMs = 20;
// The lock query waits this long from before the request for the reply.
constexpr uint32_t kMatrixLockQueryBoundMs = 200;
// Pause after the lock change frame, and after the lock query's request.
constexpr uint32_t kMatrixLockPauseMs = 10;

namespace matrix_device {

// Input to every output whose entry in `route` equals it ("3V1,2,5."). Fails
// without sending when no output carries the input.
Outcome route(const Transports& t, const Target& target, uint8_t input,
              std::span<const uint8_t, kMatrixPorts> route);
// Input to every output ("5All.").
Outcome one_to_all(const Transports& t, const Target& target, uint8_t input);
// Input n to output n for every n ("All#.").
Outcome one_to_one(const Transports& t, const Target& target);

// Whether a text command counts as handed on, so that the panel may show its
// result: on the LAN always (a lost datagram is never reported), on the
// serial line when the port was open, in no mode never.
bool text_handed_on(const Target& target, const Outcome& outcome);

// Lock on (1) or off (0): frame 0x51 with the new lock as its payload, over
// UDP, then kMatrixLockPauseMs.
Outcome set_lock(const Transports& t, const Target& target, bool locked);

// Reads the lock: frame 0x50 over UDP, pause kMatrixLockPauseMs, then the
// first datagram that matrix_lock_from_reply takes within
// kMatrixLockQueryBoundMs (its command byte is not tested). `done` runs once
// with the final outcome and, when answered, the lock byte (non-zero:
// locked).
using LockDone = std::function<void(const Outcome& outcome, std::optional<uint8_t> lock)>;
Outcome query_lock(const Transports& t, const Target& target, LockDone done);

}  // namespace matrix_device
