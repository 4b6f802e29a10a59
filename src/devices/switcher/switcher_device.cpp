#include "devices/switcher/switcher_device.h"

#include <string>

#include "link/control_frame.h"

namespace switcher_device {

namespace {
Outcome send_byte(Transport& t, const Target& target, uint8_t command, uint8_t value) {
  return send(t, target, command, std::span<const uint8_t>(&value, 1));
}
}  // namespace

// ---- payloads ----

// 0 direction, 1 progress
std::array<uint8_t, 2> tbar_payload(uint8_t direction, uint8_t progress) {
  return {direction, progress};
}

// 0 pixels low, 1 pixels high
std::array<uint8_t, 2> pixels_payload(uint16_t pixels) {
  return {static_cast<uint8_t>(pixels & 0xFF), static_cast<uint8_t>(pixels >> 8)};
}

// 0 window, 1 input
std::array<uint8_t, 2> window_payload(uint8_t window, uint8_t input) { return {window, input}; }

// 0 rate, 1 ms low, 2 ms high
std::array<uint8_t, 3> rate_payload(uint8_t rate, uint16_t ms) {
  return {rate, static_cast<uint8_t>(ms & 0xFF), static_cast<uint8_t>(ms >> 8)};
}

// ---- the frame ----

std::vector<uint8_t> frame(const Target& target, uint8_t command,
                           std::span<const uint8_t> payload) {
  return build_frame(target.dev_type, target.dev_id, Link::Udp, command, payload);
}

Outcome send(Transport& t, const Target& target, uint8_t command,
             std::span<const uint8_t> payload) {
  return t.send(target, frame(target, command, payload), kFramePauseMs);
}

// ---- operations ----

Outcome program_source(Transport& t, const Target& target, uint8_t source) {
  return send_byte(t, target, switcher_cmd::kPgmSource, source);
}

Outcome preview_source(Transport& t, const Target& target, uint8_t source) {
  return send_byte(t, target, switcher_cmd::kPvmSource, source);
}

Outcome tbar(Transport& t, const Target& target, uint8_t direction, uint8_t progress) {
  // A progress of 0 (or past the far end) is no step of a transition: the
  // device never gets one.
  if (progress < kTbarProgressMin || progress > kTbarProgressMax)
    return Outcome::failed("T-bar progress " + std::to_string(progress) + " is not within " +
                           std::to_string(kTbarProgressMin) + ".." +
                           std::to_string(kTbarProgressMax));
  return send(t, target, switcher_cmd::kTbar, tbar_payload(direction, progress));
}

Outcome cut(Transport& t, const Target& target) { return send(t, target, switcher_cmd::kCut); }

Outcome auto_transition(Transport& t, const Target& target) {
  return send(t, target, switcher_cmd::kAuto);
}

Outcome fade_to_black(Transport& t, const Target& target) {
  return send(t, target, switcher_cmd::kFtb);
}

Outcome transition_type(Transport& t, const Target& target, Transition type) {
  return send(t, target, static_cast<uint8_t>(type));
}

Outcome pip_layer(Transport& t, const Target& target) {
  return send(t, target, switcher_cmd::kPip);
}

Outcome toggle(Transport& t, const Target& target, Toggle key, uint8_t state_before_press) {
  return send_byte(t, target, static_cast<uint8_t>(key), state_before_press);
}

Outcome setting(Transport& t, const Target& target, Setting which, uint8_t value) {
  return send_byte(t, target, static_cast<uint8_t>(which), value);
}

Outcome wipe_pattern(Transport& t, const Target& target, uint8_t pattern) {
  return setting(t, target, Setting::WipePattern, pattern);
}

Outcome key_level(Transport& t, const Target& target, Colour colour, uint8_t level) {
  return send_byte(t, target, static_cast<uint8_t>(colour), level);
}

Outcome pip_place(Transport& t, const Target& target, PipPlace which, uint16_t pixels) {
  return send(t, target, static_cast<uint8_t>(which), pixels_payload(pixels));
}

Outcome configure_resolution(Transport& t, const Target& target, uint8_t resolution) {
  return send_byte(t, target, switcher_sub_cmd::kConfigure, resolution);
}

Outcome configure_window(Transport& t, const Target& target, uint8_t window, uint8_t input) {
  return send(t, target, switcher_sub_cmd::kConfigure, window_payload(window, input));
}

Outcome rate(Transport& t, const Target& target, uint8_t rate, uint16_t ms) {
  return send(t, target, switcher_sub_cmd::kRate, rate_payload(rate, ms));
}

}  // namespace switcher_device
