#pragma once
// The production switcher's operations: every frame its page, sub-pages and
// configuration pop-up send, for the panel and kelvaro-ctl alike.
//
// Each operation builds one frame with link byte 01 (the switcher is reached
// over UDP whatever the connection mode) for the target's type and id and
// hands it to the given transport, followed by a pause of kFramePauseMs. The
// caller names the transport: the panel passes the link's held transport
// (the command socket the switcher page keeps for its life, aimed at the
// device's switcher port; its pause runs no events, so the T-bar worker
// thread may send too); kelvaro-ctl passes the UDP transport with a target
// on the switcher device port, which opens a socket of its own per frame.
// The switcher answers no frame: every operation is one-way and returns
// Sent, or Failed with the reason.
#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "devices/switcher/switcher_commands.h"
#include "link/transport.h"

namespace switcher_device {

// Pause after every frame.
constexpr uint32_t kFramePauseMs = 10;
// Program and preview sources 1..12 (11 BLK, 12 MP1).
constexpr int kSourceCount = 12;
// Wipe patterns 0..8 of the transition settings.
constexpr int kWipePatternMax = 8;

// ---- payload builders ----
// T-bar: direction (1: the transition starts at the bottom, 0: at the top),
// progress kTbarProgressMin..kTbarProgressMax.
std::array<uint8_t, 2> tbar_payload(uint8_t direction, uint8_t progress);
// PIP position and size: pixels as u16, low byte first.
std::array<uint8_t, 2> pixels_payload(uint16_t pixels);
// Configure, window form: window n, input (1-based).
std::array<uint8_t, 2> window_payload(uint8_t window, uint8_t input);
// Rate: rate 1..3, then milliseconds as u16, low byte first.
std::array<uint8_t, 3> rate_payload(uint8_t rate, uint16_t ms);

// The frame of one command for the target: link byte 01, its type and id.
std::vector<uint8_t> frame(const Target& target, uint8_t command,
                           std::span<const uint8_t> payload = {});
// Builds the frame and sends it with the pause.
Outcome send(Transport& t, const Target& target, uint8_t command,
             std::span<const uint8_t> payload = {});

// ---- buses and transitions ----
Outcome program_source(Transport& t, const Target& target, uint8_t source);
Outcome preview_source(Transport& t, const Target& target, uint8_t source);
// A progress outside kTbarProgressMin..kTbarProgressMax fails and sends nothing.
Outcome tbar(Transport& t, const Target& target, uint8_t direction, uint8_t progress);
Outcome cut(Transport& t, const Target& target);
Outcome auto_transition(Transport& t, const Target& target);
Outcome fade_to_black(Transport& t, const Target& target);

enum class Transition : uint8_t {
  Mix = switcher_cmd::kMix,
  Dip = switcher_cmd::kDip,
  Wipe = switcher_cmd::kWipe,
};
Outcome transition_type(Transport& t, const Target& target, Transition type);

// ---- layer keys ----
// The PIP layer key (no payload).
Outcome pip_layer(Transport& t, const Target& target);
// The keys that carry their state before the press (0 off, 1 on).
enum class Toggle : uint8_t {
  OnAir = switcher_cmd::kOnAir,
  OnAir2 = switcher_cmd::kOnAir2,
  Bkgd = switcher_cmd::kBkgd,
  Key1 = switcher_cmd::kKey1,
  Key2 = switcher_cmd::kKey2,
};
Outcome toggle(Transport& t, const Target& target, Toggle key, uint8_t state_before_press);

// ---- sub-page settings: one byte each ----
enum class Setting : uint8_t {
  DipSource = switcher_sub_cmd::kDipSource,
  WipeSource = switcher_sub_cmd::kWipeSource,
  WipePattern = switcher_sub_cmd::kWipeStyle,
  LumaSource = switcher_sub_cmd::kLumaSource,
  ChromaSource = switcher_sub_cmd::kChromaSource,
  ChromaType = switcher_sub_cmd::kChromaType,
  PipSource = switcher_sub_cmd::kPipSource,
  PipBorderEnable = switcher_sub_cmd::kPipBorderEnable,
  PipBorderColor = switcher_sub_cmd::kPipBorderColor,
  PipBorderWidth = switcher_sub_cmd::kPipBorderWidth,
};
Outcome setting(Transport& t, const Target& target, Setting which, uint8_t value);
Outcome wipe_pattern(Transport& t, const Target& target, uint8_t pattern);

// A keyer's level bar (key 1 and key 2 alike): red, green or blue 0..255.
enum class Colour : uint8_t {
  Red = switcher_sub_cmd::kLevelRed,
  Green = switcher_sub_cmd::kLevelGreen,
  Blue = switcher_sub_cmd::kLevelBlue,
};
Outcome key_level(Transport& t, const Target& target, Colour colour, uint8_t level);

// The PIP window's place, in pixels of the full picture.
enum class PipPlace : uint8_t {
  X = switcher_sub_cmd::kPipX,
  Y = switcher_sub_cmd::kPipY,
  Size = switcher_sub_cmd::kPipSize,
};
Outcome pip_place(Transport& t, const Target& target, PipPlace which, uint16_t pixels);

// ---- configuration pop-up ----
Outcome configure_resolution(Transport& t, const Target& target, uint8_t resolution);
Outcome configure_window(Transport& t, const Target& target, uint8_t window, uint8_t input);
Outcome rate(Transport& t, const Target& target, uint8_t rate, uint16_t ms);

}  // namespace switcher_device
