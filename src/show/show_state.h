#pragma once
// What a running show knows and what it wants on the multiviewer's wall,
// window by window, without any socket: the router's routes as the panel
// sent them, the multiviewer's window sources, the switcher's program and
// preview, and what TSL asked for. From them it derives each covered
// window's label (the name of the source it shows) and label background
// (the tally colour, or the operator's own colour), and hands out one frame
// at a time for a window whose label or colour differs from what the device
// was last given.
//
// Latest wins: a change of routes or tally sets only the windows whose
// derived label or tally it changed, so a window that TSL named or lit
// keeps that until the router or the switcher changes it again, and the
// other way round.
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

#include "show/show_file.h"

constexpr int kShowWindows = 16;

enum class WindowTally : uint8_t { None, Program, Preview };

// One multiviewer frame the show wants sent.
struct ShowFrame {
  enum class Kind : uint8_t { Label, Colour };
  Kind kind = Kind::Label;
  uint8_t window = 0;  // 1..16
  QString text;        // Label
  uint8_t colour = 0;  // Colour: code 0..15
};

class ShowState {
 public:
  explicit ShowState(Show show);
  const Show& show() const { return m_show; }

  // ---- what the multiviewer holds ----
  // The window-source table (0-based SDI input of windows 1..16), the labels
  // and the label background colours, as a state reply gave them; the
  // labels and colours count as already on the device, and a colour is the
  // operator's unless it is the tally colour the show gave the window.
  void take_multiviewer_state(const uint8_t (&sources)[kShowWindows],
                              const QString (&labels)[kShowWindows],
                              const uint8_t (&back_colours)[kShowWindows]);
  bool window_sources_known() const { return m_sources_known; }
  // The operator gave window 1..16 (0: every window) this source or this
  // background colour; the colour is on the device now.
  void window_source_changed(int window, int sdi_index);
  void operator_colour_changed(int selection, uint8_t code);

  // ---- the router and the switcher ----
  // Router output 1..8 carries input 1..8 now.
  void routed(int output, int input);
  // The switcher's program and preview sources (its inputs; 0: none) and
  // whether a transition runs.
  void switcher_changed(int program, int preview, bool transition);

  // ---- TSL in ----
  void tsl_label(int window, const QString& text);
  void tsl_tally(int window, WindowTally tally);

  // The next frame to send, marked as sent; nothing when the wall is as
  // wanted. Labels before colours of the same window.
  std::optional<ShowFrame> next_frame();
  bool frames_pending() const;
  // What the device was given last (empty / nothing until then).
  std::optional<QString> sent_label(int window) const { return m_sent_label[window - 1]; }
  std::optional<uint8_t> sent_colour(int window) const { return m_sent_colour[window - 1]; }

  // ---- per source, for TSL out ----
  // The show source on the switcher's program / preview (0: none).
  int program_source() const { return m_program_source; }
  int preview_source() const { return m_preview_source; }
  bool transition() const { return m_transition; }
  // Sources whose name or tally changed since the last call (all named ones
  // after construction); [n - 1] for source n.
  std::array<bool, kShowSources> take_changed_sources();
  // The source of window 1..16 (0: not covered or not known).
  int window_source(int window) const;

 private:
  // Recomputes what routes and tally give each window; windows whose
  // derived value changed (or every window when `all`) take it as wanted.
  void derive(bool all);
  int switcher_source(int input) const;

  Show m_show;
  std::array<uint8_t, kShowRouterPorts> m_routed{};  // input on output o; 0: not known
  bool m_sources_known = false;
  std::array<uint8_t, kShowWindows> m_window_sdi{};  // 0-based
  std::array<uint8_t, kShowWindows> m_operator_colour{};
  bool m_operator_colour_known[kShowWindows] = {};
  int m_program = 0, m_preview = 0;  // switcher inputs
  bool m_transition = false;
  int m_program_source = 0, m_preview_source = 0;

  std::array<std::optional<QString>, kShowWindows> m_derived_label;
  std::array<WindowTally, kShowWindows> m_derived_tally{};
  std::array<std::optional<QString>, kShowWindows> m_wanted_label;
  std::array<std::optional<WindowTally>, kShowWindows> m_wanted_tally;
  std::array<std::optional<QString>, kShowWindows> m_sent_label;
  std::array<std::optional<uint8_t>, kShowWindows> m_sent_colour;
  std::array<bool, kShowSources> m_changed_sources{};
};
