#include "show/show_state.h"

#include <algorithm>

namespace {
bool valid_window(int w) { return w >= 1 && w <= kShowWindows; }
}  // namespace

ShowState::ShowState(Show show) : m_show(std::move(show)) {
  for (int n = 1; n <= kShowSources; ++n)
    m_changed_sources[n - 1] = !m_show.source_names[n - 1].isEmpty();
  // Routes the file lists are taken as the router's (kelvaro-ctl sends
  // labels from them; the panel learns routes as it sends them).
  for (const ShowRoute& r : m_show.router_routes)
    if (r.output >= 1 && r.output <= kShowRouterPorts) m_routed[r.output - 1] = r.input;
  switcher_changed(0, 0, false);
}

void ShowState::take_multiviewer_state(const uint8_t (&sources)[kShowWindows],
                                       const QString (&labels)[kShowWindows],
                                       const uint8_t (&back_colours)[kShowWindows]) {
  m_sources_known = true;
  for (int w = 0; w < kShowWindows; ++w) {
    m_window_sdi[w] = sources[w];
    m_sent_label[w] = labels[w];
    // A window the show has lit reports the tally colour: that is not the
    // operator's choice, which stays as it was.
    const bool lit_by_show = m_sent_colour[w] && m_sent_colour[w] == back_colours[w] &&
                             m_wanted_tally[w] && *m_wanted_tally[w] != WindowTally::None;
    if (!lit_by_show || !m_operator_colour_known[w]) {
      m_operator_colour[w] = back_colours[w];
      m_operator_colour_known[w] = true;
    }
    m_sent_colour[w] = back_colours[w];
  }
  derive(true);
}

void ShowState::window_source_changed(int window, int sdi_index) {
  if (!valid_window(window) || sdi_index < 0 || sdi_index >= kShowSdiInputs) return;
  m_window_sdi[window - 1] = static_cast<uint8_t>(sdi_index);
  derive(false);
}

void ShowState::operator_colour_changed(int selection, uint8_t code) {
  for (int w = 1; w <= kShowWindows; ++w) {
    if (selection != 0 && selection != w) continue;
    m_operator_colour[w - 1] = code;
    m_operator_colour_known[w - 1] = true;
    m_sent_colour[w - 1] = code;
  }
}

void ShowState::routed(int output, int input) {
  if (output < 1 || output > kShowRouterPorts || input < 0 || input > kShowRouterPorts) return;
  m_routed[output - 1] = static_cast<uint8_t>(input);
  // The switcher's inputs may hang on the router too; the windows are
  // derived again either way.
  switcher_changed(m_program, m_preview, m_transition);
  derive(false);
}

int ShowState::switcher_source(int input) const {
  if (input < 1 || input > kShowSwitcherInputs) return 0;
  const ShowFeed& feed = m_show.switcher_inputs[input - 1];
  return feed.kind == ShowFeed::Kind::None ? input : fed_source(feed, m_routed);
}

void ShowState::switcher_changed(int program, int preview, bool transition) {
  m_program = program;
  m_preview = preview;
  const int pgm = switcher_source(program);
  const int pvm = switcher_source(preview);
  if (pgm == m_program_source && pvm == m_preview_source && transition == m_transition) return;
  for (int s : {m_program_source, m_preview_source, pgm, pvm})
    if (s >= 1 && s <= kShowSources) m_changed_sources[s - 1] = true;
  m_program_source = pgm;
  m_preview_source = pvm;
  m_transition = transition;
  derive(false);
}

int ShowState::window_source(int window) const {
  if (!m_sources_known || !valid_window(window)) return 0;
  const int sdi = m_window_sdi[window - 1];
  if (sdi >= kShowSdiInputs) return 0;
  return fed_source(m_show.multiviewer_inputs[sdi], m_routed);
}

void ShowState::derive(bool all) {
  for (int w = 1; w <= kShowWindows; ++w) {
    const int source = window_source(w);
    std::optional<QString> label;
    WindowTally tally = WindowTally::None;
    if (source >= 1 && source <= kShowSources) {
      if (!m_show.source_names[source - 1].isEmpty()) label = m_show.source_names[source - 1];
      if (source == m_program_source || (m_transition && source == m_preview_source))
        tally = WindowTally::Program;
      else if (source == m_preview_source)
        tally = WindowTally::Preview;
    }
    const bool covered = source != 0;
    const size_t i = static_cast<size_t>(w - 1);
    if ((all || label != m_derived_label[i]) && label) m_wanted_label[i] = label;
    if (covered && (all || tally != m_derived_tally[i])) m_wanted_tally[i] = tally;
    m_derived_label[i] = label;
    m_derived_tally[i] = tally;
  }
}

void ShowState::tsl_label(int window, const QString& text) {
  if (!valid_window(window) || text.isEmpty()) return;
  m_wanted_label[window - 1] = text.left(kShowNameMaxUnits);
}

void ShowState::tsl_tally(int window, WindowTally tally) {
  if (!valid_window(window)) return;
  m_wanted_tally[window - 1] = tally;
}

std::optional<ShowFrame> ShowState::next_frame() {
  for (int w = 1; w <= kShowWindows; ++w) {
    const size_t i = static_cast<size_t>(w - 1);
    if (m_wanted_label[i] && m_wanted_label[i] != m_sent_label[i]) {
      m_sent_label[i] = m_wanted_label[i];
      return ShowFrame{ShowFrame::Kind::Label, static_cast<uint8_t>(w), *m_wanted_label[i], 0};
    }
    if (!m_wanted_tally[i]) continue;
    std::optional<uint8_t> colour;
    switch (*m_wanted_tally[i]) {
      case WindowTally::Program:
        colour = m_show.program_colour;
        break;
      case WindowTally::Preview:
        colour = m_show.preview_colour;
        break;
      case WindowTally::None:
        // Without the operator's colour there is nothing to give back.
        if (m_operator_colour_known[i]) colour = m_operator_colour[i];
        break;
    }
    if (colour && colour != m_sent_colour[i]) {
      m_sent_colour[i] = colour;
      return ShowFrame{ShowFrame::Kind::Colour, static_cast<uint8_t>(w), {}, *colour};
    }
  }
  return std::nullopt;
}

bool ShowState::frames_pending() const {
  ShowState copy = *this;
  return copy.next_frame().has_value();
}

std::array<bool, kShowSources> ShowState::take_changed_sources() {
  std::array<bool, kShowSources> changed = m_changed_sources;
  m_changed_sources.fill(false);
  return changed;
}
