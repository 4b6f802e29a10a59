// mv: the multiviewer's state query and its one-frame commands, through the
// multiviewer's device operations (devices/multiviewer/multiviewer_device.h),
// which send them the way its page does.
#include <QStringList>
#include <array>
#include <ostream>

#include "ctl/ctl.h"
#include "devices/device_kinds.h"
#include "devices/multiviewer/multiviewer_device.h"
#include "devices/multiviewer/mv_frames.h"
#include "devices/multiviewer/umd_label_csv.h"

namespace ctl {

namespace {

// The bounds in the text are the state query's own.
const std::string kMvHelp =
    "Usage: kelvaro-ctl (--device ADDRESS[,ID] | --serial-port NAME) mv COMMAND\n"
    "Multiviewer commands, one frame each, as the multiviewer page sends them:\n"
    "  state [--json]                    read the device's state (" +
    std::to_string(mv_device::kStateLanBoundMs) +
    " ms on the LAN,\n"
    "                                    " +
    std::to_string(mv_device::kStateSerialBoundMs) +
    " ms on the serial line)\n"
    "  mode WINDOWS                      screen mode: 1, 4, 6, 8, 9, 10 or 16 windows\n"
    "  source WINDOW INPUT               window 1..16 shows SDI input 1..16\n"
    "  label WINDOW TEXT                 label of window 1..16, at most " +
    std::to_string(kUmdTextMaxUnits) +
    " characters\n"
    "  labels FILE                       the labels of a CSV file (window,label lines,\n"
    "                                    as the UMD tab exports them), one frame per\n"
    "                                    window it names, in window order (a regular\n"
    "                                    file of at most 64 KiB)\n"
    "  umd on|off                        labels shown or hidden\n"
    "  colour PART WINDOW|all COLOUR     PART: umd-text, umd-back, res-text, res-back;\n"
    "                                    COLOUR: a name or code 0..15 (Black Blue Red\n"
    "                                    Magenta Green Cyan Yellow White Gray VioletRed\n"
    "                                    LightBlue LightGreen LightCyan LightYellow Trans\n"
    "                                    HalfTrans)\n"
    "  resolution NAME                   output resolution: 1080p60 1080p50 1080i60\n"
    "                                    1080i50 1080p30 1080p25 1080p24 720p60 720p50\n";

// One device operation of the multiviewer, its arguments bound.
using MvOp = std::function<Outcome(const Transports& t, const ::Target& target)>;

// One or more operations, run in order against the multiviewer. Every one
// runs even when an earlier one failed (as the UMD tab sends a whole file);
// the first failure decides the exit status.
Action run_ops(std::string what, std::vector<MvOp> ops) {
  return [what = std::move(what), ops = std::move(ops)](Context& c) {
    const std::optional<::Target> target = c.connect(device_type::kMultiviewer);
    if (!target) return kExitUsage;
    Outcome first = Outcome::sent();
    for (const MvOp& op : ops) {
      const Outcome outcome = op(c.transports(), *target);
      if (first.ok() && !outcome.ok()) first = outcome;
    }
    return c.exit_for(first, what, 0);
  };
}

Action run_op(std::string what, MvOp op) { return run_ops(std::move(what), {std::move(op)}); }

std::optional<uint8_t> colour_code(const std::string& text) {
  for (size_t i = 0; i < kColourCodeNames.size(); ++i)
    if (QString::fromStdString(text).compare(QLatin1String(kColourCodeNames[i]),
                                             Qt::CaseInsensitive) == 0)
      return static_cast<uint8_t>(i);
  if (const std::optional<int> code = parse_number(text, 0, 15)) return static_cast<uint8_t>(*code);
  return std::nullopt;
}

std::optional<int> resolution_index(const std::string& text) {
  for (size_t i = 0; i < kResolutions.size(); ++i)
    if (QString::fromStdString(text).compare(QLatin1String(kResolutions[i].caption),
                                             Qt::CaseInsensitive) == 0)
      return static_cast<int>(i);
  return std::nullopt;
}

const char* on_off(uint8_t value) { return value ? "on" : "off"; }
const char* json_bool(uint8_t value) { return value ? "true" : "false"; }

void print_state(Context& c) {
  const MultiviewerModel& m = c.mv;
  const All16ViewPageData& d = m.m_all_16_view_page_data;
  const char* resolution =
      kResolutions[d.kelvaro_16_view_resolution_type % kResolutions.size()].caption;
  if (c.json) {
    std::ostream& o = c.out;
    o << "{\"window_count\": " << int(m.m_cur_window_count)
      << ", \"mode_index\": " << int(d.kelvaro_16_view_mode_type) << ", \"resolution\": \""
      << resolution << "\", \"resolution_index\": " << int(d.kelvaro_16_view_resolution_type)
      << ", \"umd\": " << json_bool(d.kelvaro_16_view_umd_enable)
      << ", \"audio\": " << json_bool(d.kelvaro_16_view_audio_enable)
      << ", \"audio_source\": " << int(d.kelvaro_16_view_audio_source_channel)
      << ", \"resolution_captions\": " << json_bool(d.kelvaro_16_view_resolution_enable)
      << ", \"border\": " << json_bool(d.kelvaro_16_view_border_enable)
      << ", \"lock\": " << json_bool(d.kelvaro_16_view_lock_state) << ", \"windows\": [";
    for (int w = 0; w < kMvWindowCount; ++w) {
      o << (w ? ", " : "") << "{\"window\": " << w + 1
        << ", \"source\": " << int(m.m_16_view_window_source[w]) + 1
        << ", \"label\": " << json_string(m.m_16_view_umd_text[w])
        << ", \"umd_text_colour\": " << int(d.kelvaro_16_view_umd_text_color[w])
        << ", \"umd_back_colour\": " << int(d.kelvaro_16_view_umd_back_color[w])
        << ", \"resolution_text_colour\": " << int(d.kelvaro_16_view_resolution_text_color[w])
        << ", \"resolution_back_colour\": " << int(d.kelvaro_16_view_resolution_back_color[w])
        << "}";
    }
    o << "]}\n";
    return;
  }
  auto colour = [](uint8_t code) {
    return code < kColourCodeNames.size() ? kColourCodeNames[code] : "?";
  };
  c.out << "windows " << int(m.m_cur_window_count) << "\nresolution " << resolution << "\numd "
        << on_off(d.kelvaro_16_view_umd_enable) << "\naudio "
        << on_off(d.kelvaro_16_view_audio_enable) << " (source "
        << int(d.kelvaro_16_view_audio_source_channel) << ")\nresolution captions "
        << on_off(d.kelvaro_16_view_resolution_enable) << "\nborder "
        << on_off(d.kelvaro_16_view_border_enable) << "\nlock "
        << on_off(d.kelvaro_16_view_lock_state) << "\n";
  for (int w = 0; w < kMvWindowCount; ++w)
    c.out << "window " << w + 1 << ": SDI " << int(m.m_16_view_window_source[w]) + 1 << ", label "
          << json_string(m.m_16_view_umd_text[w]) << ", label colours "
          << colour(d.kelvaro_16_view_umd_text_color[w]) << "/"
          << colour(d.kelvaro_16_view_umd_back_color[w]) << ", caption colours "
          << colour(d.kelvaro_16_view_resolution_text_color[w]) << "/"
          << colour(d.kelvaro_16_view_resolution_back_color[w]) << "\n";
}

// Arguments after the command word, exactly `n` of them.
std::string arity(const Args& a, size_t n, const char* usage) {
  if (a.words.size() - 1 != n) return std::string("mv ") + a.words[0] + ": usage: " + usage;
  return {};
}
}  // namespace

Parsed parse_mv(const Args& a) {
  if (auto early = help_or_missing_command(a, "mv", kMvHelp.c_str())) return *early;
  if (const std::string why = need_target(a); !why.empty()) return Parsed::fail(why);
  const std::string& cmd = a.words[0];
  const auto word = [&a](size_t i) { return a.words[i]; };

  if (cmd == "state") {
    if (std::string why = arity(a, 0, "mv state [--json]"); !why.empty()) return Parsed::fail(why);
    return Parsed::run([](Context& c) {
      const std::optional<::Target> target = c.connect(device_type::kMultiviewer);
      if (!target) return kExitUsage;
      const Outcome outcome = mv_device::query_state(c.transports(), *target, c.mv);
      if (!outcome.ok())
        return c.exit_for(outcome, "the multiviewer state query",
                          mv_device::state_query_bound_ms(*target));
      print_state(c);
      return kExitOk;
    });
  }
  if (cmd == "mode") {
    if (std::string why = arity(a, 1, "mv mode WINDOWS"); !why.empty()) return Parsed::fail(why);
    const std::optional<int> count = parse_number(word(1), 1, 16);
    if (!count || !mode_index_for_window_count(*count))
      return Parsed::fail(bad_value("mode", word(1), "a window count 1, 4, 6, 8, 9, 10 or 16"));
    const auto windows = static_cast<uint8_t>(*count);
    return Parsed::run(run_op("mv mode", [windows](const Transports& t, const ::Target& target) {
      return mv_device::set_screen_mode(t, target, windows);
    }));
  }
  if (cmd == "source") {
    if (std::string why = arity(a, 2, "mv source WINDOW INPUT"); !why.empty())
      return Parsed::fail(why);
    const std::optional<int> window = parse_number(word(1), 1, kMvWindowCount);
    if (!window) return Parsed::fail(bad_value("WINDOW", word(1), "a window 1 to 16"));
    const std::optional<int> input = parse_number(word(2), 1, 16);
    if (!input) return Parsed::fail(bad_value("INPUT", word(2), "an SDI input 1 to 16"));
    const auto source = static_cast<uint8_t>(*input - 1);
    const auto win = static_cast<uint8_t>(*window);
    return Parsed::run(
        run_op("mv source", [source, win](const Transports& t, const ::Target& target) {
          return mv_device::set_window_source(t, target, source, win);
        }));
  }
  if (cmd == "label") {
    if (std::string why = arity(a, 2, "mv label WINDOW TEXT"); !why.empty())
      return Parsed::fail(why);
    const std::optional<int> window = parse_number(word(1), 1, kMvWindowCount);
    if (!window) return Parsed::fail(bad_value("WINDOW", word(1), "a window 1 to 16"));
    const QString text = QString::fromStdString(word(2));
    // The device keeps kUmdTextMaxUnits UTF-16 units; the tool refuses what
    // it would cut.
    if (text.size() > kUmdTextMaxUnits)
      return Parsed::fail(
          bad_value("TEXT", word(2),
                    "a label of at most " + std::to_string(kUmdTextMaxUnits) + " characters"));
    const auto win = static_cast<uint8_t>(*window);
    return Parsed::run(run_op("mv label", [win, text](const Transports& t, const ::Target& target) {
      return mv_device::set_label(t, target, win, text);
    }));
  }
  if (cmd == "labels") {
    if (std::string why = arity(a, 1, "mv labels FILE"); !why.empty()) return Parsed::fail(why);
    // A file that cannot be taken (missing, not a regular file, too large)
    // fails the run like a refused send: exit 1, one line, nothing opened.
    const UmdCsvFile file = load_umd_csv_file(QString::fromStdString(word(1)));
    if (!file.ok())
      return Parsed::run([why = file.error.toStdString()](Context& c) {
        return c.exit_for(Outcome::failed(why), "mv labels", 0);
      });
    // The UMD tab's own reader: a file with one bad line is refused whole.
    const UmdCsvRead read = read_umd_csv(file.bytes);
    if (!read.ok())
      return Parsed::fail("FILE: " + word(1) + ", line " + std::to_string(read.bad_line) + ": " +
                          read.why.toStdString());
    std::vector<MvOp> ops;
    for (int w = 0; w < kUmdCsvWindows; ++w)
      if (read.labels[w])
        ops.push_back([win = static_cast<uint8_t>(w + 1), text = *read.labels[w]](
                          const Transports& t, const ::Target& target) {
          return mv_device::set_label(t, target, win, text);
        });
    if (ops.empty()) return Parsed::fail("FILE: " + word(1) + " names no window");
    return Parsed::run(run_ops("mv labels", std::move(ops)));
  }
  if (cmd == "umd") {
    if (std::string why = arity(a, 1, "mv umd on|off"); !why.empty()) return Parsed::fail(why);
    const std::optional<bool> on = parse_on_off(word(1));
    if (!on) return Parsed::fail(bad_value("umd", word(1), "on or off"));
    return Parsed::run(run_op("mv umd", [on = *on](const Transports& t, const ::Target& target) {
      return mv_device::set_umd(t, target, on);
    }));
  }
  if (cmd == "colour" || cmd == "color") {
    if (std::string why = arity(a, 3, "mv colour PART WINDOW|all COLOUR"); !why.empty())
      return Parsed::fail(why);
    using ColourOp = Outcome (*)(const Transports&, const ::Target&, uint8_t, uint8_t);
    static const std::array<std::pair<const char*, ColourOp>, 4> kParts = {{
        {"umd-text", &mv_device::set_umd_text_colour},
        {"umd-back", &mv_device::set_umd_back_colour},
        {"res-text", &mv_device::set_resolution_text_colour},
        {"res-back", &mv_device::set_resolution_back_colour},
    }};
    ColourOp op = nullptr;
    for (const auto& [name, part_op] : kParts)
      if (word(1) == name) op = part_op;
    if (!op)
      return Parsed::fail(bad_value("PART", word(1), "umd-text, umd-back, res-text or res-back"));
    // Selection 0 addresses every window, 1..16 one window.
    std::optional<int> selection = word(2) == "all" ? 0 : parse_number(word(2), 1, kMvWindowCount);
    if (!selection) return Parsed::fail(bad_value("WINDOW", word(2), "a window 1 to 16 or all"));
    const std::optional<uint8_t> code = colour_code(word(3));
    if (!code) return Parsed::fail(bad_value("COLOUR", word(3), "a colour name or code 0 to 15"));
    return Parsed::run(
        run_op("mv colour", [op, selection = static_cast<uint8_t>(*selection), code = *code](
                                const Transports& t, const ::Target& target) {
          return op(t, target, selection, code);
        }));
  }
  if (cmd == "resolution") {
    if (std::string why = arity(a, 1, "mv resolution NAME"); !why.empty()) return Parsed::fail(why);
    const std::optional<int> index = resolution_index(word(1));
    if (!index || !resolution_payload(*index))
      return Parsed::fail(bad_value("resolution", word(1), "a resolution such as 1080p60"));
    return Parsed::run(
        run_op("mv resolution", [index = *index](const Transports& t, const ::Target& target) {
          return mv_device::set_resolution(t, target, index);
        }));
  }
  return Parsed::fail("mv: unknown command '" + cmd + "' (see kelvaro-ctl mv --help)");
}

}  // namespace ctl
