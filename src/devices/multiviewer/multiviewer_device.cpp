#include "devices/multiviewer/multiviewer_device.h"

#include <memory>
#include <optional>
#include <vector>

#include "devices/device_frame.h"
#include "devices/multiviewer/mv_frames.h"
#include "devices/multiviewer/mv_state_reply.h"
#include "link/control_frame.h"
#include "link/trace.h"

namespace mv_device {

namespace {
Outcome send_byte(const Transports& t, const Target& target, uint8_t command, uint8_t value) {
  const uint8_t payload[] = {value};
  return send_command(t, target, command, payload);
}

Outcome send_colour(const Transports& t, const Target& target, uint8_t command, uint8_t selection,
                    uint8_t code) {
  // 17 selection (0 = all windows, 1..16 = one)   18 colour code
  const uint8_t payload[] = {selection, code};
  return send_command(t, target, command, payload);
}

// Runs the 32 exchange over `transport` to `target` (already over the
// medium the query goes by) and decodes the reply into `model`.
Outcome query_state_over(Transport& transport, const Target& target, MultiviewerModel& model,
                         Done done) {
  const bool serial = target.medium == Medium::Serial;
  // Request: 20-byte frame, command 32, no payload.
  const std::vector<uint8_t> request =
      device_frame(target, serial ? Link::Serial : Link::Udp, mv_cmd::kStateQuery);
  const QueryRule rule =
      serial ? QueryRule{kStateSerialBoundMs, kStateSerialPauseMs, kStateSerialStepMs}
             : QueryRule{kStateLanBoundMs, 0};
  // Set when a reply was decoded: on the serial line the reader may also
  // end the wait with a frame that is not a state reply (a search reply).
  auto decoded = std::make_shared<bool>(false);
  MultiviewerModel* into = &model;
  Accept accept = [into, serial, decoded](const sockaddr_in&, std::span<const uint8_t> bytes) {
    // Only byte 16 is tested; the layout is read by DecodeStateReply, with
    // zeros past the end of a short reply.
    const uint8_t command = byte_at(bytes, kFrameCommandOffset);
    if (command != mv_cmd::kStateQuery) {
      if (!serial)
        trace(lcMultiviewer(), "recv cmd 0x%02x, not the state reply, skipped\n", command);
      return false;
    }
    DecodeStateReply(*into, bytes, serial);
    *decoded = true;
    return true;
  };
  // The final outcome: a wait the serial reader ended with a frame that is
  // not a state reply counts as unanswered.
  auto finish = [serial, decoded, done = std::move(done)](const Outcome& outcome) {
    Outcome result = outcome;
    if (result.answered_now() && !*decoded) result = Outcome::unanswered();
    if (!result.answered_now())
      trace(lcMultiviewer(), serial ? "time over \n" : "wait time over \n");
    if (done) done(result);
    return result;
  };
  // The transport tells the outcome now, or once a queued query has run.
  auto told = std::make_shared<std::optional<Outcome>>();
  const Outcome now = transport.query(
      target, request, rule, std::move(accept),
      [told, finish = std::move(finish)](const Outcome& outcome) { *told = finish(outcome); });
  if (now.status == Outcome::Status::Queued) return now;
  return told->value_or(now);
}
}  // namespace

bool reachable(const Target& target, bool serial_port_open) {
  return target.medium == Medium::Lan || (target.medium == Medium::Serial && serial_port_open);
}

uint32_t state_query_bound_ms(const Target& target) {
  return target.medium == Medium::Serial ? kStateSerialBoundMs : kStateLanBoundMs;
}

// ---- one-way commands ----

Outcome set_network(const Transports& t, const Target& target,
                    std::span<const uint8_t, kNetParamLength> param) {
  // 17 address   21 mask   25 gateway   (4 bytes each, first octet first)
  return send_command(t, target, mv_cmd::kNetParam, param);
}

Outcome set_network_lan(const Transports& t, const Target& target,
                        std::span<const uint8_t, kNetParamLength> param) {
  return send_command_lan(t, target, mv_cmd::kNetParam, param);
}

Outcome set_resolution(const Transports& t, const Target& target, int resolution_index) {
  const auto payload = resolution_payload(resolution_index);
  if (!payload) return Outcome::failed("no resolution " + std::to_string(resolution_index));
  return send_command(t, target, mv_cmd::kResolution, *payload);
}

Outcome set_label(const Transports& t, const Target& target, uint8_t window, const QString& text) {
  return send_command(t, target, mv_cmd::kUmdText, umd_text_payload(window, text));
}

Outcome set_screen_mode(const Transports& t, const Target& target, uint8_t window_count) {
  return send_byte(t, target, mv_cmd::kScreenMode, window_count);
}

Outcome set_window_source(const Transports& t, const Target& target, uint8_t source_index,
                          uint8_t window) {
  return send_command(t, target, mv_cmd::kWindowSource,
                      window_source_payload(source_index, window));
}

Outcome set_umd(const Transports& t, const Target& target, bool on) {
  return send_byte(t, target, mv_cmd::kUmdEnable, on ? 1 : 0);
}

Outcome set_audio(const Transports& t, const Target& target, bool on) {
  return send_byte(t, target, mv_cmd::kAudioEnable, on ? 1 : 0);
}

Outcome set_audio_lan(const Transports& t, const Target& target, bool on) {
  const uint8_t payload[] = {static_cast<uint8_t>(on ? 1 : 0)};
  return send_command_lan(t, target, mv_cmd::kAudioEnable, payload);
}

Outcome restore_defaults(const Transports& t, const Target& target) {
  return send_byte(t, target, mv_cmd::kRestoreDefaults, 0x00);
}

Outcome set_audio_source(const Transports& t, const Target& target, uint8_t channel) {
  return send_byte(t, target, mv_cmd::kAudioSource, channel);
}

Outcome set_audio_source_lan(const Transports& t, const Target& target, uint8_t channel) {
  const uint8_t payload[] = {channel};
  return send_command_lan(t, target, mv_cmd::kAudioSource, payload);
}

Outcome set_resolution_captions(const Transports& t, const Target& target, bool on) {
  return send_byte(t, target, mv_cmd::kResolutionEnable, on ? 1 : 0);
}

Outcome set_umd_text_colour(const Transports& t, const Target& target, uint8_t selection,
                            uint8_t code) {
  return send_colour(t, target, mv_cmd::kUmdTextColour, selection, code);
}

Outcome set_umd_back_colour(const Transports& t, const Target& target, uint8_t selection,
                            uint8_t code) {
  return send_colour(t, target, mv_cmd::kUmdBackColour, selection, code);
}

Outcome set_resolution_text_colour(const Transports& t, const Target& target, uint8_t selection,
                                   uint8_t code) {
  return send_colour(t, target, mv_cmd::kResoTextColour, selection, code);
}

Outcome set_resolution_back_colour(const Transports& t, const Target& target, uint8_t selection,
                                   uint8_t code) {
  return send_colour(t, target, mv_cmd::kResoBackColour, selection, code);
}

Outcome set_border(const Transports& t, const Target& target, bool on) {
  return send_byte(t, target, mv_cmd::kBorderEnable, on ? 1 : 0);
}

Outcome set_lock(const Transports& t, const Target& target, bool on) {
  return send_byte(t, target, mv_cmd::kLockState, on ? 1 : 0);
}

// ---- the state query ----

Outcome query_state(const Transports& t, const Target& target, MultiviewerModel& model, Done done) {
  return query_state_over(t.of(target), target, model, std::move(done));
}

Outcome query_state_lan(const Transports& t, const Target& target, MultiviewerModel& model,
                        Done done) {
  return query_state_over(t.udp, target.over(Medium::Lan), model, std::move(done));
}

}  // namespace mv_device
