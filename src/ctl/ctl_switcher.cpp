// switcher: the production switcher's bus, transition and layer frames, as
// its page sends them (devices/switcher/switcher_device.h): link byte 01,
// from the local command port to the device's switcher port, each on a
// socket of its own, with the operation's pause after it.
#include <array>
#include <ostream>

#include "ctl/ctl.h"
#include "devices/device_kinds.h"
#include "devices/switcher/switcher_device.h"
#include "link/link_options.h"

namespace ctl {

namespace {
namespace sw = switcher_device;

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

// One switcher operation on the transport and target of this run.
using Operation = std::function<Outcome(Transport& t, const ::Target& target)>;

// The switcher is reached over UDP only, from the command bind port to its
// switcher port, as the page's held command socket sends.
Action run_operation(std::string what, Operation op) {
  return [what = std::move(what), op = std::move(op)](Context& c) {
    const std::optional<::Target> device = c.connect(device_type::kSwitcher);
    if (!device) return kExitUsage;
    const LinkOptions& o = link_options();
    const ::Target target = device->on_ports(o.switcher_device_port, o.bind_port);
    // One-way: nothing waits, so no bound applies.
    return c.exit_for(op(c.transports().udp, target), what, 0);
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

  using PlainOp = Outcome (*)(Transport&, const ::Target&);
  static const std::array<std::pair<const char*, PlainOp>, 4> kPlain = {{
      {"cut", sw::cut},
      {"auto", sw::auto_transition},
      {"ftb", sw::fade_to_black},
      {"pip", sw::pip_layer},
  }};
  static const std::array<std::pair<const char*, sw::Transition>, 3> kTransitions = {{
      {"mix", sw::Transition::Mix},
      {"dip", sw::Transition::Dip},
      {"wipe", sw::Transition::Wipe},
  }};
  auto takes_none = [&]() -> std::optional<Parsed> {
    if (n == 0) return std::nullopt;
    return Parsed::fail(bad_value(cmd, a.words[1], "an argument (none is taken)"));
  };
  for (const auto& [name, op] : kPlain) {
    if (cmd != name) continue;
    if (auto bad = takes_none()) return *bad;
    return Parsed::run(run_operation("switcher " + cmd, op));
  }
  for (const auto& [name, type] : kTransitions) {
    if (cmd != name) continue;
    if (auto bad = takes_none()) return *bad;
    return Parsed::run(
        run_operation("switcher " + cmd, [type = type](Transport& t, const ::Target& d) {
          return sw::transition_type(t, d, type);
        }));
  }
  if (cmd == "pgm" || cmd == "pvm") {
    if (n != 1) return usage(cmd == "pgm" ? "pgm SOURCE" : "pvm SOURCE");
    const std::optional<int> source = parse_number(a.words[1], 1, sw::kSourceCount);
    if (!source) return Parsed::fail(bad_value("SOURCE", a.words[1], "a source 1 to 12"));
    const auto value = static_cast<uint8_t>(*source);
    const auto op = cmd == "pgm" ? sw::program_source : sw::preview_source;
    return Parsed::run(
        run_operation("switcher " + cmd,
                      [op, value](Transport& t, const ::Target& d) { return op(t, d, value); }));
  }
  if (cmd == "tbar") {
    if (n != 1) return usage("tbar VALUE [--direction 1|0]");
    // A progress of 0 is never sent: the page drops it.
    const std::optional<int> value = parse_number(a.words[1], kTbarProgressMin, kTbarProgressMax);
    if (!value) return Parsed::fail(bad_value("VALUE", a.words[1], "a T-bar progress 1 to 128"));
    std::optional<int> direction = 1;
    if (const std::optional<std::string> d = a.option("direction"))
      direction = parse_number(*d, 0, 1);
    if (!direction)
      return Parsed::fail(
          bad_value("--direction", *a.option("direction"), "1 (from the bottom) or 0"));
    const auto d = static_cast<uint8_t>(*direction);
    const auto v = static_cast<uint8_t>(*value);
    return Parsed::run(run_operation("switcher tbar", [d, v](Transport& t, const ::Target& dev) {
      return sw::tbar(t, dev, d, v);
    }));
  }
  if (cmd == "wipe-style") {
    if (n != 1) return usage("wipe-style PATTERN");
    const std::optional<int> pattern = parse_number(a.words[1], 0, sw::kWipePatternMax);
    if (!pattern) return Parsed::fail(bad_value("PATTERN", a.words[1], "a wipe pattern 0 to 8"));
    const auto p = static_cast<uint8_t>(*pattern);
    return Parsed::run(run_operation("switcher wipe-style", [p](Transport& t, const ::Target& d) {
      return sw::wipe_pattern(t, d, p);
    }));
  }
  static const std::array<std::pair<const char*, sw::Toggle>, 4> kToggles = {{
      {"on-air", sw::Toggle::OnAir},
      {"bkgd", sw::Toggle::Bkgd},
      {"key1", sw::Toggle::Key1},
      {"key2", sw::Toggle::Key2},
  }};
  for (const auto& [name, key] : kToggles) {
    if (cmd != name) continue;
    if (n != 1) return Parsed::fail("switcher " + cmd + ": usage: switcher " + cmd + " on|off");
    const std::optional<bool> on = parse_on_off(a.words[1]);
    if (!on) return Parsed::fail(bad_value(cmd, a.words[1], "on or off"));
    // The panel's button sends the state it had before the press.
    const uint8_t before = *on ? 0 : 1;
    return Parsed::run(
        run_operation("switcher " + cmd, [key = key, before](Transport& t, const ::Target& d) {
          return sw::toggle(t, d, key, before);
        }));
  }
  return Parsed::fail("switcher: unknown command '" + cmd + "' (see kelvaro-ctl switcher --help)");
}

}  // namespace ctl
