// switcher: the production switcher's bus, transition and layer frames, as
// its page sends them: link byte 01, from the local command port to the
// device's switcher port, a 10 ms pause after each.
#include <array>
#include <ostream>

#include "ctl/ctl.h"
#include "devices/device_frame.h"
#include "link/exchange.h"
#include "link/link_options.h"
#include "link/wait.h"
#include "pages/switcher/switcher_send.h"
#include "pages/switcher/switcher_sub_page_parts.h"

namespace ctl {

namespace {
constexpr uint8_t kSwitcherType = 0xA5;
constexpr uint8_t kSources = 12;
constexpr uint8_t kTbarMax = 128;
constexpr int kWipePatternMax = 8;

const char* const kSwitcherHelp =
    "Usage: kelvaro-ctl --device ADDRESS[,ID] switcher COMMAND\n"
    "Production switcher commands (LAN only, to the switcher port), as its page sends them:\n"
    "  pgm SOURCE | pvm SOURCE   program / preview source 1..12 (11 BLK, 12 MP1)\n"
    "  cut | auto | ftb          CUT, AUTO, fade to black\n"
    "  mix | dip | wipe          transition type\n"
    "  pip                       the PIP layer button\n"
    "  wipe-style PATTERN        wipe pattern button 0..8 of the transition settings\n"
    "  tbar VALUE [--direction 1|0]\n"
    "                            T-bar progress 1..128 of a transition that starts at\n"
    "                            the bottom (direction 1, the default) or the top (0)\n"
    "  on-air on|off | bkgd on|off | key1 on|off | key2 on|off\n"
    "                            the button pressed while it is off (to switch it on) or\n"
    "                            on (to switch it off): the frame carries the state\n"
    "                            before the press, as the panel's does\n";

struct SwitcherFrame {
  uint8_t command;
  std::vector<uint8_t> payload;
};

Action send_frame(SwitcherFrame f) {
  return [f = std::move(f)](Context& c) {
    if (!c.connect(kSwitcherType)) return kExitUsage;
    const LinkOptions& o = link_options();
    const DeviceEntry& row = c.link.m_device_table[0];
    UdpExchange exchange;
    if (!exchange.open(ipv4_address(row.ip, sizeof row.ip, o.switcher_device_port), o.bind_port)) {
      c.err << "kelvaro-ctl: cannot create a socket\n";
      return kExitNoReply;
    }
    exchange.send(c.link.build_device_frame(f.command, f.payload, Link::Udp));
    pause_ms(kUdpCommandPauseMs);
    return kExitOk;
  };
}
}  // namespace

Parsed parse_switcher(const Args& a) {
  if (auto early = help_or_missing_command(a, "switcher", kSwitcherHelp)) return *early;
  if (const std::string why = need_lan(a, "the switcher"); !why.empty()) return Parsed::fail(why);
  const std::string& cmd = a.words[0];
  const size_t n = a.words.size() - 1;
  auto usage = [&cmd](const char* text) {
    return Parsed::fail("switcher " + cmd + ": usage: switcher " + text);
  };
  if (cmd != "tbar" && a.option("direction"))
    return Parsed::fail("--direction: only for switcher tbar");

  static const std::array<std::pair<const char*, uint8_t>, 7> kPlain = {{
      {"cut", switcher_cmd::kCut},
      {"auto", switcher_cmd::kAuto},
      {"ftb", switcher_cmd::kFtb},
      {"pip", switcher_cmd::kPip},
      {"mix", switcher_cmd::kMix},
      {"dip", switcher_cmd::kDip},
      {"wipe", switcher_cmd::kWipe},
  }};
  for (const auto& [name, command] : kPlain) {
    if (cmd != name) continue;
    if (n != 0) return Parsed::fail(bad_value(cmd, a.words[1], "an argument (none is taken)"));
    return Parsed::run(send_frame({command, {}}));
  }
  if (cmd == "pgm" || cmd == "pvm") {
    if (n != 1) return usage(cmd == "pgm" ? "pgm SOURCE" : "pvm SOURCE");
    const std::optional<int> source = parse_number(a.words[1], 1, kSources);
    if (!source) return Parsed::fail(bad_value("SOURCE", a.words[1], "a source 1 to 12"));
    return Parsed::run(
        send_frame({cmd == "pgm" ? switcher_cmd::kPgmSource : switcher_cmd::kPvmSource,
                    {static_cast<uint8_t>(*source)}}));
  }
  if (cmd == "tbar") {
    if (n != 1) return usage("tbar VALUE [--direction 1|0]");
    // A progress of 0 is never sent: the page drops it.
    const std::optional<int> value = parse_number(a.words[1], 1, kTbarMax);
    if (!value) return Parsed::fail(bad_value("VALUE", a.words[1], "a T-bar progress 1 to 128"));
    std::optional<int> direction = 1;
    if (const std::optional<std::string> d = a.option("direction"))
      direction = parse_number(*d, 0, 1);
    if (!direction)
      return Parsed::fail(
          bad_value("--direction", *a.option("direction"), "1 (from the bottom) or 0"));
    return Parsed::run(send_frame(
        {switcher_cmd::kTbar, {static_cast<uint8_t>(*direction), static_cast<uint8_t>(*value)}}));
  }
  if (cmd == "wipe-style") {
    if (n != 1) return usage("wipe-style PATTERN");
    const std::optional<int> pattern = parse_number(a.words[1], 0, kWipePatternMax);
    if (!pattern) return Parsed::fail(bad_value("PATTERN", a.words[1], "a wipe pattern 0 to 8"));
    return Parsed::run(
        send_frame({switcher_sub_cmd::kWipeStyle, {static_cast<uint8_t>(*pattern)}}));
  }
  static const std::array<std::pair<const char*, uint8_t>, 4> kToggles = {{
      {"on-air", switcher_cmd::kOnAir},
      {"bkgd", switcher_cmd::kBkgd},
      {"key1", switcher_cmd::kKey1},
      {"key2", switcher_cmd::kKey2},
  }};
  for (const auto& [name, command] : kToggles) {
    if (cmd != name) continue;
    if (n != 1) return Parsed::fail("switcher " + cmd + ": usage: switcher " + cmd + " on|off");
    const std::optional<bool> on = parse_on_off(a.words[1]);
    if (!on) return Parsed::fail(bad_value(cmd, a.words[1], "on or off"));
    // The panel's button sends the state it had before the press.
    return Parsed::run(send_frame({command, {static_cast<uint8_t>(*on ? 0 : 1)}}));
  }
  return Parsed::fail("switcher: unknown command '" + cmd + "' (see kelvaro-ctl switcher --help)");
}

}  // namespace ctl
