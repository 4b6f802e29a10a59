#pragma once
// What the two four-input processors offer. The rk5502 is reached over the
// LAN whatever the connection mode: its layout frame and its state query
// always go over UDP. The tm3306 takes its layout by the target's medium and
// has no query.
#include <cstdint>
#include <functional>
#include <optional>

#include "devices/device_frame.h"
#include "devices/processor/processor_frames.h"
#include "devices/processor/processor_model.h"
#include "link/transport.h"

// The rk5502 state query waits this long from before the request for the
// reply, and pauses this long after sending before it looks for it.
constexpr uint32_t kRk5502QueryBoundMs = 1000;
constexpr uint32_t kRk5502QueryPauseMs = 10;
// The highest layout code each takes: the tm3306 has keys for 0..15 only;
// the rk5502 also takes 16 and 17, which its state reply can report.
constexpr uint8_t kTm3306LayoutMax = 15;
constexpr uint8_t kRk5502LayoutMax = kLayoutCodeCount - 1;

namespace rk5502_device {

// Layout code: frame 0x94 with the code as its payload, over UDP (link byte
// 01), then kUdpCommandPauseMs.
Outcome set_layout(const Transports& t, const Target& target, uint8_t code);

// Reads the state: frame 0x90 over UDP, pause kRk5502QueryPauseMs, then the
// first datagram within kRk5502QueryBoundMs whose byte 16 is 0x90 (each other
// one is traced "the cmd is not right", and a query without a reply "wait
// time over"). `done` runs once with the final outcome and, when answered,
// the decoded reply.
using StateDone =
    std::function<void(const Outcome& outcome, std::optional<Rk5502StateReply> state)>;
Outcome query_state(const Transports& t, const Target& target, StateDone done);

}  // namespace rk5502_device

namespace tm3306_device {

// Layout code: frame 0x94 with the code as its payload by the target's
// medium: on the LAN (link byte 01, then kUdpCommandPauseMs, traced
// "net"), on the serial line when the port is open (link byte 00, no pause,
// traced "com").
Outcome set_layout(const Transports& t, const Target& target, uint8_t code);

}  // namespace tm3306_device
