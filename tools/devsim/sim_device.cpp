#include "devsim/sim_device.h"

#include <algorithm>
#include <cstdio>

namespace devsim {

namespace {

std::string fmt(const char* format, int a, int b = 0) {
  char text[96];
  std::snprintf(text, sizeof text, format, a, b);
  return text;
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

// ---------------------------------------------------------------- states

Kind kind_for_type(uint8_t type) {
  switch (type) {
    case kTypeMultiviewer:
      return Kind::Multiviewer;
    case kTypeMatrix:
    case kTypeMatrix2:
      return Kind::Matrix;
    case kTypeSwitcher:
      return Kind::Switcher;
    case kTypeRk5502:
      return Kind::Rk5502;
    case kTypeTm3306:
      return Kind::Tm3306;
    default:
      return Kind::Generic;
  }
}

const char* kind_name(Kind kind) {
  switch (kind) {
    case Kind::Multiviewer:
      return "multiviewer";
    case Kind::Matrix:
      return "matrix";
    case Kind::Switcher:
      return "switcher";
    case Kind::Rk5502:
      return "rk5502";
    case Kind::Tm3306:
      return "tm3306";
    case Kind::Generic:
      return "generic";
  }
  return "?";
}

std::vector<uint8_t> utf16le(std::u16string_view text) {
  std::vector<uint8_t> out;
  out.reserve(text.size() * 2);
  for (char16_t c : text) {
    out.push_back(static_cast<uint8_t>(c & 0xFF));
    out.push_back(static_cast<uint8_t>(c >> 8));
  }
  return out;
}

std::u16string MultiviewerState::label(int window) const {
  std::u16string out;
  if (window < 1 || window > 16) return out;
  const std::vector<uint8_t>& b = labels[window - 1];
  for (size_t i = 0; i < b.size(); i += 2) {
    const char16_t unit = static_cast<char16_t>(b[i] | (i + 1 < b.size() ? b[i + 1] << 8 : 0));
    if (unit == 0) break;
    out.push_back(unit);
  }
  return out;
}

void MultiviewerState::set_label(int window, std::u16string_view text) {
  if (window < 1 || window > 16) return;
  std::vector<uint8_t> b = utf16le(text);
  if (b.size() > 32) b.resize(32);
  labels[window - 1] = std::move(b);
}

MultiviewerState initial_multiviewer_state() {
  MultiviewerState s;
  for (int w = 1; w <= 16; ++w) {
    std::string text = "CAM " + std::to_string(w);
    s.set_label(w, std::u16string(text.begin(), text.end()));
    s.sources[w - 1] = static_cast<uint8_t>(w - 1);
  }
  s.umd_text_color.fill(7);          // White
  s.umd_back_color.fill(15);         // HalfTrans
  s.resolution_text_color.fill(6);   // Yellow
  s.resolution_back_color.fill(14);  // Trans
  return s;
}

bool valid_window_count(uint8_t c) {
  return c == 1 || c == 4 || c == 6 || c == 8 || c == 9 || c == 10 || c == 16;
}

bool valid_resolution_code(uint8_t c) {
  return c == 7 || c == 11 || c == 9 || c == 1 || c == 3 || c == 13 || c == 5 || c == 14 || c == 6;
}

// ---------------------------------------------------------------- base

SimDevice::SimDevice(Kind kind, uint8_t type, uint8_t id, std::string name)
    : m_kind(kind), m_type(type), m_id(id), m_name(std::move(name)) {}

std::vector<uint8_t> SimDevice::reply(uint8_t link, uint8_t command,
                                      std::span<const uint8_t> body) const {
  return make_frame(m_type, m_id, link, command, body);
}

std::string SimDevice::length_problem(const FrameView& f, size_t length) {
  if (f.size() == length) return {};
  char text[80];
  std::snprintf(text, sizeof text, "command %02X needs %zu bytes, got %zu", f.command(), length,
                f.size());
  return text;
}

std::vector<uint8_t> SimDevice::search_reply(uint8_t link) const {
  std::vector<uint8_t> body{0x00};
  body.insert(body.end(), m_name.begin(), m_name.end());
  body.push_back('-');
  body.push_back(static_cast<uint8_t>('0' + m_id % 10));
  body.push_back('-');
  for (char c : std::string_view("V1.0")) body.push_back(static_cast<uint8_t>(c));
  return reply(link, kSearchCommand, body);
}

Handled SimDevice::handle_frame(const FrameView& f, uint8_t link, const ReplyStyle& style) {
  if (f.command() == kSearchCommand) {
    if (std::string p = length_problem(f, 20); !p.empty()) return reject(p);
    return {{search_reply(link)}, {}};
  }
  return apply(f, link, style);
}

Handled SimDevice::handle_text(std::string_view) {
  return reject("text command to a device that takes none");
}

// ---------------------------------------------------------------- multiviewer

MultiviewerDevice::MultiviewerDevice(uint8_t type, uint8_t id, std::string name)
    : SimDevice(Kind::Multiviewer, type, id, std::move(name)), state(initial_multiviewer_state()) {}

std::vector<uint8_t> MultiviewerDevice::state_reply(uint8_t link, const ReplyStyle& style) const {
  // body[i] is frame offset 17 + i
  std::vector<uint8_t> body(666 - 17, 0);
  auto at = [&](size_t offset) -> uint8_t& { return body[offset - 17]; };
  at(18) = state.window_count;
  at(19) = state.resolution_code;
  at(20) = state.umd_enable;
  at(21) = state.audio_enable;
  at(22) = state.audio_source;
  at(23) = state.resolution_enable;
  for (size_t w = 0; w < 16; ++w) {
    const size_t record = 24 + 33 * w;
    const std::vector<uint8_t>& text = state.labels[w];
    const size_t n = std::min<size_t>(text.size(), 32);
    at(record) = style.label_length ? style.label_length : static_cast<uint8_t>(n);
    std::copy_n(text.begin(), n, body.begin() + static_cast<long>(record + 1 - 17));
  }
  std::copy(state.sources.begin(), state.sources.end(), body.begin() + (552 - 17));
  at(600) = state.border_enable;
  at(601) = state.lock_state;
  std::copy(state.umd_text_color.begin(), state.umd_text_color.end(), body.begin() + (602 - 17));
  std::copy(state.umd_back_color.begin(), state.umd_back_color.end(), body.begin() + (618 - 17));
  std::copy(state.resolution_text_color.begin(), state.resolution_text_color.end(),
            body.begin() + (634 - 17));
  std::copy(state.resolution_back_color.begin(), state.resolution_back_color.end(),
            body.begin() + (650 - 17));
  return reply(link, 0x32, body);
}

Handled MultiviewerDevice::apply(const FrameView& f, uint8_t link, const ReplyStyle& style) {
  const auto p = f.payload();
  auto on_off = [&](uint8_t& field) -> Handled {
    if (std::string e = length_problem(f, 21); !e.empty()) return reject(e);
    if (p[0] > 1) return reject(fmt("switch value %d", p[0]));
    field = p[0];
    return {};
  };
  auto colour = [&](std::array<uint8_t, 16>& table) -> Handled {
    if (std::string e = length_problem(f, 22); !e.empty()) return reject(e);
    if (p[0] > 16 || p[1] > 15) return reject(fmt("colour selection %d, code %d", p[0], p[1]));
    if (p[0] == 0)
      table.fill(p[1]);
    else
      table[p[0] - 1] = p[1];
    return {};
  };
  switch (f.command()) {
    case 0x32:
      if (std::string e = length_problem(f, 20); !e.empty()) return reject(e);
      return {{state_reply(link, style)}, {}};
    case 0x33:
      if (std::string e = length_problem(f, 21); !e.empty()) return reject(e);
      if (!valid_window_count(p[0])) return reject(fmt("window count %d", p[0]));
      state.window_count = p[0];
      return {};
    case 0x34:
      if (std::string e = length_problem(f, 22); !e.empty()) return reject(e);
      if (p[0] < 1 || p[0] > 16 || p[1] < 1 || p[1] > 16)
        return reject(fmt("source %d for window %d", p[0], p[1]));
      state.sources[p[1] - 1] = static_cast<uint8_t>(p[0] - 1);
      return {};
    case 0x19:
      if (std::string e = length_problem(f, 22); !e.empty()) return reject(e);
      if (p[0] != 0 || !valid_resolution_code(p[1]))
        return reject(fmt("resolution bytes %d %d", p[0], p[1]));
      state.resolution_code = p[1];
      return {};
    case 0x3A:
      return on_off(state.resolution_enable);
    case 0x36:
      return on_off(state.umd_enable);
    case 0x37:
      return on_off(state.audio_enable);
    case 0x3F:
      return on_off(state.border_enable);
    case 0x50:
      return on_off(state.lock_state);
    case 0x39:
      if (std::string e = length_problem(f, 21); !e.empty()) return reject(e);
      if (p[0] < 1 || p[0] > 16) return reject(fmt("audio channel %d", p[0]));
      state.audio_source = p[0];
      return {};
    case 0x3B:
      return colour(state.umd_text_color);
    case 0x3C:
      return colour(state.umd_back_color);
    case 0x3D:
      return colour(state.resolution_text_color);
    case 0x3E:
      return colour(state.resolution_back_color);
    case 0x1E: {
      if (f.size() < 28) return reject("label frame shorter than 28 bytes");
      static constexpr uint8_t kFixed[7] = {1, 0, 1, 0, 1, 0, 1};
      if (p[0] < 1 || p[0] > 16) return reject(fmt("label window %d", p[0]));
      if (!std::equal(kFixed, kFixed + 7, p.begin() + 1)) return reject("label fixed bytes");
      // The device keeps 32 bytes of text per window; more is cut.
      const auto text = p.subspan(8);
      state.labels[p[0] - 1].assign(text.begin(), text.begin() + std::min<size_t>(text.size(), 32));
      return {};
    }
    case 0x38: {
      if (std::string e = length_problem(f, 21); !e.empty()) return reject(e);
      if (p[0] != 0) return reject(fmt("defaults payload %d", p[0]));
      state.window_count = 16;
      state.resolution_code = 7;
      state.resolution_enable = 0;
      state.umd_enable = 1;
      state.audio_enable = 1;
      state.audio_source = 1;
      state.umd_text_color.fill(0);
      state.umd_back_color.fill(0);
      state.resolution_text_color.fill(0);
      state.resolution_back_color.fill(0);
      ++state.defaults_restored;
      return {};
    }
    case 0x05:
      if (std::string e = length_problem(f, 32); !e.empty()) return reject(e);
      std::copy_n(p.begin(), 12, state.net_param.begin());
      ++state.net_param_changes;
      return {};
    default:
      return reject(fmt("unknown multiviewer command %02X", f.command()));
  }
}

// ---------------------------------------------------------------- matrix

std::string parse_matrix_text(std::string_view t, MatrixCommand& out) {
  out = MatrixCommand{};
  if (t == "All#.") {
    out.op = MatrixCommand::Op::OneToOne;
    return {};
  }
  size_t i = 0;
  auto number = [&](int& value) -> bool {
    size_t start = i;
    while (i < t.size() && is_digit(t[i]) && i - start < 3) ++i;
    if (i == start || i - start > 2) return false;
    value = 0;
    for (size_t k = start; k < i; ++k) value = value * 10 + (t[k] - '0');
    return true;
  };
  if (!number(out.input)) return "no input number";
  if (t.substr(i) == "All.") {
    out.op = MatrixCommand::Op::OneToAll;
    return {};
  }
  if (i >= t.size() || t[i] != 'V') return "expected V or All. after the input";
  ++i;
  out.op = MatrixCommand::Op::Route;
  for (;;) {
    int o = 0;
    if (!number(o)) return "expected an output number";
    out.outputs.push_back(o);
    if (i >= t.size()) return "no closing '.'";
    if (t[i] == '.') {
      if (i + 1 != t.size()) return "bytes after '.'";
      return {};
    }
    if (t[i] != ',') return "expected ',' or '.'";
    ++i;
  }
}

MatrixDevice::MatrixDevice(uint8_t type, uint8_t id, std::string name)
    : SimDevice(Kind::Matrix, type, id, std::move(name)) {}

Handled MatrixDevice::handle_text(std::string_view text) {
  MatrixCommand c;
  if (std::string e = parse_matrix_text(text, c); !e.empty()) return reject(e);
  auto in_range = [](int v) { return v >= 1 && v <= 8; };
  switch (c.op) {
    case MatrixCommand::Op::OneToOne:
      for (int j = 0; j < 8; ++j) state.route[j] = static_cast<uint8_t>(j + 1);
      break;
    case MatrixCommand::Op::OneToAll:
      if (!in_range(c.input)) return reject(fmt("input %d", c.input));
      state.route.fill(static_cast<uint8_t>(c.input));
      break;
    case MatrixCommand::Op::Route:
      if (!in_range(c.input)) return reject(fmt("input %d", c.input));
      for (int o : c.outputs)
        if (!in_range(o)) return reject(fmt("output %d", o));
      for (int o : c.outputs) state.route[o - 1] = static_cast<uint8_t>(c.input);
      break;
  }
  ++state.text_commands;
  state.last_text = std::string(text);
  return {};
}

Handled MatrixDevice::apply(const FrameView& f, uint8_t link, const ReplyStyle&) {
  const auto p = f.payload();
  switch (f.command()) {
    case 0x50: {
      if (std::string e = length_problem(f, 20); !e.empty()) return reject(e);
      const uint8_t body[2] = {0x00, state.lock};
      return {{reply(link, 0x50, body)}, {}};
    }
    case 0x51:
      if (std::string e = length_problem(f, 21); !e.empty()) return reject(e);
      if (p[0] > 1) return reject(fmt("lock value %d", p[0]));
      state.lock = p[0];
      return {};
    default:
      return reject(fmt("unknown matrix command %02X", f.command()));
  }
}

// ---------------------------------------------------------------- switcher

SwitcherDevice::SwitcherDevice(uint8_t type, uint8_t id, std::string name)
    : SimDevice(Kind::Switcher, type, id, std::move(name)) {}

void SwitcherDevice::apply_tbar(uint8_t direction, uint8_t value) {
  // The far end completes a transition once: a repeated 128 in the same
  // direction is the bar resting there, not a second transition.
  const bool complete =
      value == 128 && !(state.tbar_value == 128 && state.tbar_direction == direction);
  state.tbar_direction = direction;
  state.tbar_value = value;
  if (complete) {
    std::swap(state.pgm_source, state.pvm_source);
    ++state.transitions;
  }
}

void SwitcherDevice::light_layer(int layer) {
  state.pip_on = layer == 1;
  state.key1_on = layer == 2;
  state.key2_on = layer == 3;
}

Handled SwitcherDevice::apply(const FrameView& f, uint8_t, const ReplyStyle&) {
  const auto p = f.payload();
  const uint8_t c = f.command();
  auto need = [&](size_t n) { return length_problem(f, n); };
  auto byte_in = [&](uint8_t& field, int lo, int hi) -> Handled {
    if (std::string e = need(21); !e.empty()) return reject(e);
    if (p[0] < lo || p[0] > hi) return reject(fmt("command %02X value %d", c, p[0]));
    field = p[0];
    return {};
  };
  auto word_in = [&](uint16_t& field, int hi) -> Handled {
    if (std::string e = need(22); !e.empty()) return reject(e);
    const int v = p[0] | (p[1] << 8);
    if (v > hi) return reject(fmt("command %02X value %d", c, v));
    field = static_cast<uint16_t>(v);
    return {};
  };
  // Toggles carry the state before the operator's press; the new state is
  // its opposite.
  auto toggle_from_old = [&](uint8_t& field) -> Handled {
    if (std::string e = need(21); !e.empty()) return reject(e);
    if (p[0] > 1) return reject(fmt("command %02X old state %d", c, p[0]));
    field = p[0] ? 0 : 1;
    return {};
  };
  switch (c) {
    case 0x80:
      return byte_in(state.pgm_source, 1, 12);
    case 0x81:
      return byte_in(state.pvm_source, 1, 12);
    case 0x82:
      if (std::string e = need(22); !e.empty()) return reject(e);
      if (p[0] > 1 || p[1] < 1 || p[1] > 128)
        return reject(fmt("T-bar direction %d value %d", p[0], p[1]));
      apply_tbar(p[0], p[1]);
      return {};
    case 0x83:
      if (std::string e = need(20); !e.empty()) return reject(e);
      std::swap(state.pgm_source, state.pvm_source);
      ++state.cuts;
      return {};
    case 0x84:
      if (std::string e = need(20); !e.empty()) return reject(e);
      ++state.auto_requests;
      return {};
    case 0x85:
      if (std::string e = need(20); !e.empty()) return reject(e);
      state.ftb_on = state.ftb_on ? 0 : 1;
      return {};
    case 0x86:
      if (std::string e = need(20); !e.empty()) return reject(e);
      if (state.pip_on)
        state.pip_on = 0;
      else
        light_layer(1);
      return {};
    case 0x88:
      return toggle_from_old(state.on_air);
    case 0x89:
      return toggle_from_old(state.on_air2);
    case 0x8A:
      return toggle_from_old(state.bkgd_on);
    case 0x8B:
    case 0x8C: {
      uint8_t& flag = c == 0x8B ? state.key1_on : state.key2_on;
      Handled h = toggle_from_old(flag);
      if (!h.rejected.empty()) return h;
      if (flag) light_layer(c == 0x8B ? 2 : 3);
      state.level_keyer = c == 0x8B ? 1 : 2;
      return {};
    }
    case 0x8D:
    case 0x8E:
    case 0x8F:
      if (std::string e = need(20); !e.empty()) return reject(e);
      state.transition_type = static_cast<uint8_t>(c - 0x8C);
      return {};
    case 0x90:
      return byte_in(state.dip_source, 0, 10);
    case 0x91:
      return byte_in(state.wipe_source, 0, 10);
    case 0x92:
      return byte_in(state.wipe_style, 0, 8);
    case 0x93: {
      Handled h = byte_in(state.luma_source, 0, 10);
      if (h.rejected.empty()) state.level_keyer = 1;
      return h;
    }
    case 0x94:
    case 0x95:
    case 0x96: {
      if (std::string e = need(21); !e.empty()) return reject(e);
      const size_t k = c - 0x94;
      if (state.level_keyer == 2)
        state.chroma_rgb[state.chroma_type & 1][k] = p[0];
      else
        state.luma_rgb[k] = p[0];
      return {};
    }
    case 0x97: {
      Handled h = byte_in(state.chroma_source, 0, 10);
      if (h.rejected.empty()) state.level_keyer = 2;
      return h;
    }
    case 0x98: {
      Handled h = byte_in(state.chroma_type, 0, 1);
      if (h.rejected.empty()) state.level_keyer = 2;
      return h;
    }
    case 0x9C:
      return byte_in(state.pip_source, 0, 10);
    case 0x9D:
      return byte_in(state.pip_border_enable, 0, 1);
    case 0x9E:
      return byte_in(state.pip_border_color, 0, 3);
    case 0x9F:
      return byte_in(state.pip_border_width, 0, 6);
    case 0xA0:
      return word_in(state.pip_x, 1920);
    case 0xA1:
      return word_in(state.pip_y, 1080);
    case 0xA2:
      return word_in(state.pip_size, 1920);
    case 0xA3:
      if (f.size() == 21) return byte_in(state.output_resolution, 0, 4);
      if (f.size() == 22) {
        if (p[0] < 1 || p[0] > 8 || p[1] < 1 || p[1] > 10)
          return reject(fmt("window %d input %d", p[0], p[1]));
        state.window_input[p[0] - 1] = p[1];
        return {};
      }
      return reject(need(22));
    case 0xA5: {
      if (std::string e = need(23); !e.empty()) return reject(e);
      const int ms = p[1] | (p[2] << 8);
      if (p[0] < 1 || p[0] > 3 || ms < 100 || ms > 9900)
        return reject(fmt("rate %d of %d ms", p[0], ms));
      state.rate_ms[p[0] - 1] = static_cast<uint16_t>(ms);
      return {};
    }
    default:
      return reject(fmt("unknown switcher command %02X", c));
  }
}

std::vector<uint8_t> SwitcherDevice::make_report(Report r, uint8_t link) {
  auto toggled = [&](uint8_t& field) {
    field = field ? 0 : 1;
    r.payload.assign(1, field);
  };
  switch (r.command) {
    case 0x80:
      if (!r.payload.empty()) state.pgm_source = r.payload[0];
      break;
    case 0x81:
      if (!r.payload.empty()) state.pvm_source = r.payload[0];
      break;
    case 0x82:
      if (r.payload.size() >= 2) apply_tbar(r.payload[0], r.payload[1]);
      break;
    case 0x83:
      std::swap(state.pgm_source, state.pvm_source);
      ++state.cuts;
      break;
    case 0x86:
      if (state.pip_on)
        state.pip_on = 0;
      else
        light_layer(1);
      r.payload.assign(1, state.pip_on);
      break;
    case 0x88:
      toggled(state.on_air);
      break;
    case 0x8A:
      toggled(state.bkgd_on);
      break;
    case 0x8B:
    case 0x8C: {
      uint8_t& flag = r.command == 0x8B ? state.key1_on : state.key2_on;
      toggled(flag);
      if (flag) light_layer(r.command == 0x8B ? 2 : 3);
      break;
    }
    case 0x8D:
    case 0x8E:
    case 0x8F:
      state.transition_type = static_cast<uint8_t>(r.command - 0x8C);
      break;
    default:
      break;
  }
  return reply(link, r.command, r.payload);
}

// ---------------------------------------------------------------- processors

Rk5502Device::Rk5502Device(uint8_t type, uint8_t id, std::string name)
    : SimDevice(Kind::Rk5502, type, id, std::move(name)) {}

std::vector<uint8_t> Rk5502Device::state_reply(uint8_t link, const ReplyStyle& style) const {
  std::vector<uint8_t> body(258 - 17, 0);
  auto at = [&](size_t offset) -> uint8_t& { return body[offset - 17]; };
  at(20) = state.output_format;
  at(22) = state.show_mode;
  for (size_t k = 0; k < 4; ++k) {
    const std::string& name = state.umd_names[k];
    const size_t n = std::min<size_t>(name.size(), 32);
    at(54 + 40 * k) = style.label_length ? style.label_length : static_cast<uint8_t>(n);
    std::copy_n(name.begin(), n, body.begin() + static_cast<long>(55 + 40 * k - 17));
  }
  std::copy(state.channel_status.begin(), state.channel_status.end(), body.begin() + (242 - 17));
  at(255) = state.pip_child_ch[0];
  at(256) = state.pip_child_ch[1];
  at(257) = state.loop_state;
  return reply(link, 0x90, body);
}

Handled Rk5502Device::apply(const FrameView& f, uint8_t link, const ReplyStyle& style) {
  switch (f.command()) {
    case 0x90:
      if (std::string e = length_problem(f, 20); !e.empty()) return reject(e);
      return {{state_reply(link, style)}, {}};
    case 0x94:
      if (std::string e = length_problem(f, 21); !e.empty()) return reject(e);
      if (f.payload()[0] > 17) return reject(fmt("layout code %d", f.payload()[0]));
      state.show_mode = f.payload()[0];
      ++state.layouts_applied;
      return {};
    default:
      return reject(fmt("unknown rk5502 command %02X", f.command()));
  }
}

Tm3306Device::Tm3306Device(uint8_t type, uint8_t id, std::string name)
    : SimDevice(Kind::Tm3306, type, id, std::move(name)) {}

Handled Tm3306Device::apply(const FrameView& f, uint8_t, const ReplyStyle&) {
  if (f.command() != 0x94) return reject(fmt("unknown tm3306 command %02X", f.command()));
  if (std::string e = length_problem(f, 21); !e.empty()) return reject(e);
  if (f.payload()[0] > 17) return reject(fmt("layout code %d", f.payload()[0]));
  state.show_mode = f.payload()[0];
  ++state.layouts_applied;
  return {};
}

GenericDevice::GenericDevice(uint8_t type, uint8_t id, std::string name)
    : SimDevice(Kind::Generic, type, id, std::move(name)) {}

Handled GenericDevice::apply(const FrameView& f, uint8_t, const ReplyStyle&) {
  return reject(fmt("command %02X to a device of unknown type", f.command()));
}

std::unique_ptr<SimDevice> make_device(uint8_t type, uint8_t id, std::string name) {
  switch (kind_for_type(type)) {
    case Kind::Multiviewer:
      return std::make_unique<MultiviewerDevice>(type, id, std::move(name));
    case Kind::Matrix:
      return std::make_unique<MatrixDevice>(type, id, std::move(name));
    case Kind::Switcher:
      return std::make_unique<SwitcherDevice>(type, id, std::move(name));
    case Kind::Rk5502:
      return std::make_unique<Rk5502Device>(type, id, std::move(name));
    case Kind::Tm3306:
      return std::make_unique<Tm3306Device>(type, id, std::move(name));
    case Kind::Generic:
      return std::make_unique<GenericDevice>(type, id, std::move(name));
  }
  return nullptr;
}

}  // namespace devsim
