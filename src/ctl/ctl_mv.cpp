// mv: the multiviewer's state query and its one-frame commands, built by the
// multiviewer's own frame builders and sent the way its page sends them (LAN:
// own socket, 10 ms pause; serial: written, no pause).
#include <QFile>
#include <QStringList>
#include <array>
#include <cstring>
#include <ostream>

#include "ctl/ctl.h"
#include "link/tick.h"
#include "link/wait.h"
#include "devices/multiviewer/mv_frames.h"
#include "devices/multiviewer/mv_state_reply.h"
#include "devices/multiviewer/umd_label_csv.h"

namespace ctl {

namespace {
constexpr uint8_t kMultiviewerType = 0xA1;
constexpr uint32_t kLanQueryBoundMs = 200;
constexpr uint32_t kSerialQueryBoundMs = 5000;
constexpr uint32_t kSerialQueryPauseMs = 10;
constexpr uint32_t kSerialPassMs = 20;

const char* const kMvHelp =
    "Usage: kelvaro-ctl (--device ADDRESS[,ID] | --serial-port NAME) mv COMMAND\n"
    "Multiviewer commands, one frame each, as the multiviewer page sends them:\n"
    "  state [--json]                    read the device's state (200 ms on the LAN,\n"
    "                                    5000 ms on the serial line)\n"
    "  mode WINDOWS                      screen mode: 1, 4, 6, 8, 9, 10 or 16 windows\n"
    "  source WINDOW INPUT               window 1..16 shows SDI input 1..16\n"
    "  label WINDOW TEXT                 label of window 1..16, at most 16 characters\n"
    "  labels FILE                       the labels of a CSV file (window,label lines,\n"
    "                                    as the UMD tab exports them), one frame per\n"
    "                                    window it names, in window order\n"
    "  umd on|off                        labels shown or hidden\n"
    "  colour PART WINDOW|all COLOUR     PART: umd-text, umd-back, res-text, res-back;\n"
    "                                    COLOUR: a name or code 0..15 (Black Blue Red\n"
    "                                    Magenta Green Cyan Yellow White Gray VioletRed\n"
    "                                    LightBlue LightGreen LightCyan LightYellow Trans\n"
    "                                    HalfTrans)\n"
    "  resolution NAME                   output resolution: 1080p60 1080p50 1080i60\n"
    "                                    1080i50 1080p30 1080p25 1080p24 720p60 720p50\n";

struct MvFrame {
  uint8_t command;
  std::vector<uint8_t> payload;
};

// One or more frames, sent in order through the multiviewer's sender.
Action send_frames(std::vector<MvFrame> frames) {
  return [frames = std::move(frames)](Context& c) {
    if (!c.connect(kMultiviewerType)) return kExitUsage;
    for (const MvFrame& f : frames) c.link.send_command(f.command, f.payload);
    return kExitOk;
  };
}

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

// LAN: command 32 on a socket of its own, the first datagram whose byte 16 is
// 32 within 200 ms. Serial: drained input, the request, a 10 ms pause, then
// the serial reply reader over the accumulated input for up to 5000 ms.
bool query_state(Context& c, uint32_t& bound) {
  DeviceLink& link = c.link;
  if (!c.target.serial()) {
    bound = kLanQueryBoundMs;
    return link.query_udp(mv_cmd::kStateQuery, {}, kLanQueryBoundMs, 0,
                          [&c](std::span<const uint8_t> datagram) {
                            if (!is_command_reply(datagram, mv_cmd::kStateQuery)) return false;
                            DecodeStateReply(c.mv, datagram, /*serial=*/false);
                            return true;
                          });
  }
  bound = kSerialQueryBoundMs;
  const DeviceLink::SerialExchange exchange =
      link.start_serial_exchange(link.build_device_frame(mv_cmd::kStateQuery, {}, Link::Serial));
  pause_ms(kSerialQueryPauseMs);
  if (!link.poll_serial_reply(exchange, kSerialQueryBoundMs, kSerialPassMs).answered_now())
    return false;
  DecodeStateReply(c.mv, link.m_serial_reply, /*serial=*/true);
  return true;
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
  if (auto early = help_or_missing_command(a, "mv", kMvHelp)) return *early;
  if (const std::string why = need_target(a); !why.empty()) return Parsed::fail(why);
  const std::string& cmd = a.words[0];
  const auto word = [&a](size_t i) { return a.words[i]; };

  if (cmd == "state") {
    if (std::string why = arity(a, 0, "mv state [--json]"); !why.empty()) return Parsed::fail(why);
    return Parsed::run([](Context& c) {
      if (!c.connect(kMultiviewerType)) return kExitUsage;
      uint32_t bound = 0;
      if (!query_state(c, bound)) return c.no_reply("the multiviewer state query", bound);
      print_state(c);
      return kExitOk;
    });
  }
  if (cmd == "mode") {
    if (std::string why = arity(a, 1, "mv mode WINDOWS"); !why.empty()) return Parsed::fail(why);
    const std::optional<int> count = parse_number(word(1), 1, 16);
    if (!count || !mode_index_for_window_count(*count))
      return Parsed::fail(bad_value("mode", word(1), "a window count 1, 4, 6, 8, 9, 10 or 16"));
    return Parsed::run(send_frames({{mv_cmd::kScreenMode, {static_cast<uint8_t>(*count)}}}));
  }
  if (cmd == "source") {
    if (std::string why = arity(a, 2, "mv source WINDOW INPUT"); !why.empty())
      return Parsed::fail(why);
    const std::optional<int> window = parse_number(word(1), 1, kMvWindowCount);
    if (!window) return Parsed::fail(bad_value("WINDOW", word(1), "a window 1 to 16"));
    const std::optional<int> input = parse_number(word(2), 1, 16);
    if (!input) return Parsed::fail(bad_value("INPUT", word(2), "an SDI input 1 to 16"));
    const auto payload =
        window_source_payload(static_cast<uint8_t>(*input - 1), static_cast<uint8_t>(*window));
    return Parsed::run(send_frames({{mv_cmd::kWindowSource, {payload.begin(), payload.end()}}}));
  }
  if (cmd == "label") {
    if (std::string why = arity(a, 2, "mv label WINDOW TEXT"); !why.empty())
      return Parsed::fail(why);
    const std::optional<int> window = parse_number(word(1), 1, kMvWindowCount);
    if (!window) return Parsed::fail(bad_value("WINDOW", word(1), "a window 1 to 16"));
    const QString text = QString::fromStdString(word(2));
    // The device keeps 16 UTF-16 units; the tool refuses what it would cut.
    if (text.size() > kUmdTextMaxUnits)
      return Parsed::fail(bad_value("TEXT", word(2), "a label of at most 16 characters"));
    return Parsed::run(
        send_frames({{mv_cmd::kUmdText, umd_text_payload(static_cast<uint8_t>(*window), text)}}));
  }
  if (cmd == "labels") {
    if (std::string why = arity(a, 1, "mv labels FILE"); !why.empty()) return Parsed::fail(why);
    QFile file(QString::fromStdString(word(1)));
    if (!file.open(QIODevice::ReadOnly)) return Parsed::fail("FILE: cannot read '" + word(1) + "'");
    // The UMD tab's own reader: a file with one bad line is refused whole.
    const UmdCsvRead read = read_umd_csv(file.readAll());
    if (!read.ok())
      return Parsed::fail("FILE: " + word(1) + ", line " + std::to_string(read.bad_line) + ": " +
                          read.why.toStdString());
    std::vector<MvFrame> frames;
    for (int w = 0; w < kUmdCsvWindows; ++w)
      if (read.labels[w])
        frames.push_back(
            {mv_cmd::kUmdText, umd_text_payload(static_cast<uint8_t>(w + 1), *read.labels[w])});
    if (frames.empty()) return Parsed::fail("FILE: " + word(1) + " names no window");
    return Parsed::run(send_frames(std::move(frames)));
  }
  if (cmd == "umd") {
    if (std::string why = arity(a, 1, "mv umd on|off"); !why.empty()) return Parsed::fail(why);
    const std::optional<bool> on = parse_on_off(word(1));
    if (!on) return Parsed::fail(bad_value("umd", word(1), "on or off"));
    return Parsed::run(send_frames({{mv_cmd::kUmdEnable, {static_cast<uint8_t>(*on)}}}));
  }
  if (cmd == "colour" || cmd == "color") {
    if (std::string why = arity(a, 3, "mv colour PART WINDOW|all COLOUR"); !why.empty())
      return Parsed::fail(why);
    static const std::array<std::pair<const char*, uint8_t>, 4> kParts = {{
        {"umd-text", mv_cmd::kUmdTextColour},
        {"umd-back", mv_cmd::kUmdBackColour},
        {"res-text", mv_cmd::kResoTextColour},
        {"res-back", mv_cmd::kResoBackColour},
    }};
    std::optional<uint8_t> command;
    for (const auto& [name, code] : kParts)
      if (word(1) == name) command = code;
    if (!command)
      return Parsed::fail(bad_value("PART", word(1), "umd-text, umd-back, res-text or res-back"));
    // Selection 0 addresses every window, 1..16 one window.
    std::optional<int> selection = word(2) == "all" ? 0 : parse_number(word(2), 1, kMvWindowCount);
    if (!selection) return Parsed::fail(bad_value("WINDOW", word(2), "a window 1 to 16 or all"));
    const std::optional<uint8_t> code = colour_code(word(3));
    if (!code) return Parsed::fail(bad_value("COLOUR", word(3), "a colour name or code 0 to 15"));
    return Parsed::run(send_frames({{*command, {static_cast<uint8_t>(*selection), *code}}}));
  }
  if (cmd == "resolution") {
    if (std::string why = arity(a, 1, "mv resolution NAME"); !why.empty()) return Parsed::fail(why);
    const std::optional<int> index = resolution_index(word(1));
    const auto payload = index ? resolution_payload(*index) : std::nullopt;
    if (!payload)
      return Parsed::fail(bad_value("resolution", word(1), "a resolution such as 1080p60"));
    return Parsed::run(send_frames({{mv_cmd::kResolution, {payload->begin(), payload->end()}}}));
  }
  return Parsed::fail("mv: unknown command '" + cmd + "' (see kelvaro-ctl mv --help)");
}

}  // namespace ctl
