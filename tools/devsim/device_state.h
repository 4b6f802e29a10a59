#pragma once
// What each simulated device holds. These records are the device's own
// memory: frames change them, queries are answered from them, and tests read
// copies of them through the simulator.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace devsim {

enum class Kind { Multiviewer, Matrix, Switcher, Rk5502, Tm3306, Generic };

constexpr uint8_t kTypeMultiviewer = 0xA1;
constexpr uint8_t kTypeMatrix = 0x81;
constexpr uint8_t kTypeMatrix2 = 0x82;
constexpr uint8_t kTypeSwitcher = 0xA5;
constexpr uint8_t kTypeRk5502 = 0x60;
constexpr uint8_t kTypeTm3306 = 0xA3;

// The kind that answers to a type code; unknown codes give Generic (a device
// that answers the search and takes nothing else).
Kind kind_for_type(uint8_t type);
const char* kind_name(Kind kind);

// ---- multiviewer (0xA1) ----
struct MultiviewerState {
  uint8_t window_count = 16;                    // 1, 4, 6, 8, 9, 10 or 16
  uint8_t resolution_code = 7;                  // wire code of the output resolution (7 = 1080p60)
  uint8_t umd_enable = 1;                       // labels shown
  uint8_t audio_enable = 1;                     // audio meter shown
  uint8_t audio_source = 1;                     // 1-based input channel
  uint8_t resolution_enable = 1;                // resolution captions shown
  std::array<std::vector<uint8_t>, 16> labels;  // UTF-16LE bytes, at most 32 each
  std::array<uint8_t, 16> sources{};            // 0-based input of windows 1..16
  uint8_t border_enable = 1;
  uint8_t lock_state = 0;
  std::array<uint8_t, 16> umd_text_color{};
  std::array<uint8_t, 16> umd_back_color{};
  std::array<uint8_t, 16> resolution_text_color{};
  std::array<uint8_t, 16> resolution_back_color{};
  std::array<uint8_t, 12> net_param{};  // address, mask, gateway as last set
  int net_param_changes = 0;
  int defaults_restored = 0;

  // Label of window 1..16 as text (UTF-16 code units up to the first zero).
  std::u16string label(int window) const;
  void set_label(int window, std::u16string_view text);
};
// Power-on state: sixteen windows, window n on input n, labels "CAM n".
MultiviewerState initial_multiviewer_state();
bool valid_window_count(uint8_t count);
bool valid_resolution_code(uint8_t code);
std::vector<uint8_t> utf16le(std::u16string_view text);

// ---- matrix router (0x81, 0x82) ----
struct MatrixState {
  std::array<uint8_t, 8> route{1, 2, 3, 4, 5, 6, 7, 8};  // input on output 1..8, 0 = none
  uint8_t lock = 0;
  int text_commands = 0;  // routing commands applied
  std::string last_text;  // the last routing command applied
};

// ---- production switcher (0xA5) ----
struct SwitcherState {
  uint8_t pgm_source = 1;
  uint8_t pvm_source = 2;
  uint8_t tbar_direction = 1;  // direction byte of the last T-bar frame or report
  uint8_t tbar_value = 1;      // progress 1..128 of the last T-bar frame or report
  int transitions = 0;         // transitions completed by the T-bar
  int cuts = 0;
  int auto_requests = 0;
  uint8_t on_air = 0;
  uint8_t on_air2 = 0;
  uint8_t bkgd_on = 1;
  uint8_t pip_on = 0;
  uint8_t key1_on = 0;
  uint8_t key2_on = 0;
  uint8_t ftb_on = 0;
  uint8_t transition_type = 1;  // 1 MIX, 2 DIP, 3 WIPE
  uint8_t dip_source = 0;
  uint8_t wipe_source = 0;
  uint8_t wipe_style = 0;
  uint8_t luma_source = 0;
  std::array<uint8_t, 3> luma_rgb{16, 16, 16};
  uint8_t chroma_source = 0;
  uint8_t chroma_type = 0;
  std::array<std::array<uint8_t, 3>, 2> chroma_rgb{{{32, 32, 220}, {32, 220, 32}}};
  uint8_t level_keyer = 1;  // keyer the level commands set: 1 luma (key 1), 2 chroma (key 2)
  uint8_t pip_source = 0;
  uint8_t pip_border_enable = 0;
  uint8_t pip_border_color = 0;
  uint8_t pip_border_width = 0;
  uint16_t pip_x = 0;
  uint16_t pip_y = 0;
  uint16_t pip_size = 0;
  uint8_t output_resolution = 0;
  std::array<uint8_t, 8> window_input{1, 2, 3, 4, 5, 6, 7, 8};
  std::array<uint16_t, 3> rate_ms{100, 100, 100};
};

// A report the switcher sends unasked (a change made on its own panel).
// Toggling reports carry the new state as their payload byte, filled in when
// the report is applied to the device.
struct Report {
  uint8_t command = 0;
  std::vector<uint8_t> payload;

  static Report pgm(uint8_t source) { return {0x80, {source}}; }
  static Report pvm(uint8_t source) { return {0x81, {source}}; }
  static Report tbar(uint8_t direction, uint8_t value) { return {0x82, {direction, value}}; }
  static Report cut() { return {0x83, {}}; }
  static Report pip() { return {0x86, {}}; }
  static Report on_air() { return {0x88, {}}; }
  static Report bkgd() { return {0x8A, {}}; }
  static Report key1() { return {0x8B, {}}; }
  static Report key2() { return {0x8C, {}}; }
  // 1 MIX, 2 DIP, 3 WIPE
  static Report transition(uint8_t type) { return {static_cast<uint8_t>(0x8C + type), {}}; }
};

// ---- four-input processors ----
struct Rk5502State {
  uint8_t show_mode = 0;      // layout code 0..17
  uint8_t output_format = 0;  // 0 1080P60 .. 10 720P25
  std::array<std::string, 4> umd_names{"IN 1", "IN 2", "IN 3", "IN 4"};
  std::array<uint8_t, 2> pip_child_ch{1, 2};
  uint8_t loop_state = 0;
  std::array<uint8_t, 8> channel_status{1, 1, 1, 1, 0, 0, 0, 0};
  int layouts_applied = 0;
};

struct Tm3306State {
  uint8_t show_mode = 0;
  int layouts_applied = 0;
};

}  // namespace devsim
