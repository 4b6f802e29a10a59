#pragma once
// The multiviewer's operations: one function per command of its table, and
// the state query. Each builds its frame from the target (type, id and the
// link byte of the medium it goes over) and hands it to the transport its
// rule names.
//
// One-way commands (no reply is awaited) go by the target's medium:
//   LAN     frame with link byte 01, own socket from the bind port, then a
//           pause of kUdpCommandPauseMs (devices/device_frame.h)
//   serial  frame with link byte 00, written when the port is open, no pause
//   none    nothing is sent (Failed)
// The *_lan forms travel over the LAN whatever the target's medium says (the
// audio tab, the set tab's network parameters, the status tab's state
// query); a serial target keeps the device's LAN address for them.
#include <QString>
#include <cstdint>
#include <functional>
#include <span>

#include "devices/multiviewer/mv_model.h"
#include "link/transport.h"

namespace mv_device {

// Pause after every one-way command on the LAN; none on the serial line.

// State query: on the LAN the first datagram with command 32 within the
// bound, no pause after the request; on the serial line a pause after the
// request, then the serial reply reader for up to its bound, sleeping at
// most kStateSerialStepMs between passes over the input.
constexpr uint32_t kStateLanBoundMs = 200;
constexpr uint32_t kStateSerialBoundMs = 5000;
constexpr uint32_t kStateSerialPauseMs = 10;
constexpr uint32_t kStateSerialStepMs = 20;

// Network parameters (command 05): address, mask, gateway, 4 bytes each.
constexpr size_t kNetParamLength = 12;

// Whether a command to the target reaches a device at all: always on the
// LAN, on the serial line only while its port is open, never without a
// connection mode. The preview follows a command only when it did.
bool reachable(const Target& target, bool serial_port_open);

// The bound of the state query over the target's medium.
uint32_t state_query_bound_ms(const Target& target);

// ---- one-way commands ----
// 05: network parameters. By medium (the Configure dialog) or over the LAN.
Outcome set_network(const Transports& t, const Target& target,
                    std::span<const uint8_t, kNetParamLength> param);
Outcome set_network_lan(const Transports& t, const Target& target,
                        std::span<const uint8_t, kNetParamLength> param);
// 19: output resolution, by index into kResolutions; an index outside the
// table sends nothing (Failed).
Outcome set_resolution(const Transports& t, const Target& target, int resolution_index);
// 1E: the label of window 1..16, cut to kUmdTextMaxUnits UTF-16 units.
Outcome set_label(const Transports& t, const Target& target, uint8_t window, const QString& text);
// 33: screen mode, as its window count.
Outcome set_screen_mode(const Transports& t, const Target& target, uint8_t window_count);
// 34: window 1..16 shows source `source_index` (0-based; SDI number - 1).
Outcome set_window_source(const Transports& t, const Target& target, uint8_t source_index,
                          uint8_t window);
// 36: labels shown or hidden.
Outcome set_umd(const Transports& t, const Target& target, bool on);
// 37: audio meters shown or hidden. By medium (set tab) or over the LAN (audio tab).
Outcome set_audio(const Transports& t, const Target& target, bool on);
Outcome set_audio_lan(const Transports& t, const Target& target, bool on);
// 38: the device's defaults (payload 00).
Outcome restore_defaults(const Transports& t, const Target& target);
// 39: audio source channel 1..16. By medium (set tab) or over the LAN (audio tab).
Outcome set_audio_source(const Transports& t, const Target& target, uint8_t channel);
Outcome set_audio_source_lan(const Transports& t, const Target& target, uint8_t channel);
// 3A: resolution captions shown or hidden.
Outcome set_resolution_captions(const Transports& t, const Target& target, bool on);
// 3B..3E: a colour code 0..15 for one window (selection 1..16) or all (0).
Outcome set_umd_text_colour(const Transports& t, const Target& target, uint8_t selection,
                            uint8_t code);
Outcome set_umd_back_colour(const Transports& t, const Target& target, uint8_t selection,
                            uint8_t code);
Outcome set_resolution_text_colour(const Transports& t, const Target& target, uint8_t selection,
                                   uint8_t code);
Outcome set_resolution_back_colour(const Transports& t, const Target& target, uint8_t selection,
                                   uint8_t code);
// 3F: window borders shown or hidden.
Outcome set_border(const Transports& t, const Target& target, bool on);
// 50: front-panel lock on or off.
Outcome set_lock(const Transports& t, const Target& target, bool on);

// ---- the state query (32) ----
// Sends the request and decodes the reply into `model` (DecodeStateReply:
// updated in place, partially for a short reply). On the LAN the first
// datagram whose byte 16 is 32 is taken, others are skipped; on the serial
// line the frame the reply reader took, when it is a state reply. `done`
// runs once with the final outcome: Answered when a reply was decoded,
// Unanswered when none came within the bound, Failed when nothing could be
// asked. A query requested during another exchange's wait is queued (the
// call returns Queued): `model` must then outlive it.
Outcome query_state(const Transports& t, const Target& target, MultiviewerModel& model,
                    Done done = {});
// The LAN form whatever the target's medium says.
Outcome query_state_lan(const Transports& t, const Target& target, MultiviewerModel& model,
                        Done done = {});

}  // namespace mv_device
