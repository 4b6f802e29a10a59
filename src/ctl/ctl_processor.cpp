// rk5502 and tm3306: the four-input processors' layout code (command 94) and
// the rk5502's state query (command 90), as their pages send them. The
// rk5502 is reached over the LAN only; the tm3306 over the LAN or the serial
// line.
#include <ostream>
#include <string>

#include "ctl/ctl.h"
#include "devices/device_kinds.h"
#include "devices/processor/processor_device.h"

namespace ctl {

namespace {
const std::string kRk5502Help =
    "Usage: kelvaro-ctl --device ADDRESS[,ID] rk5502 COMMAND\n"
    "rk5502 commands (LAN only), as its page sends them:\n"
    "  state [--json]   read the output format, layout, inset channels and loop (" +
    std::to_string(kRk5502QueryBoundMs) + " ms)\n" + "  layout CODE      choose layout 0.." +
    std::to_string(kRk5502LayoutMax) + "\n";
const std::string kTm3306Help =
    "Usage: kelvaro-ctl (--device ADDRESS[,ID] | --serial-port NAME) tm3306 COMMAND\n"
    "tm3306 commands, as its page sends them:\n"
    "  layout CODE      choose layout 0.." +
    std::to_string(kTm3306LayoutMax) + "\n";

Action send_layout(uint8_t dev_type, uint8_t code) {
  return [dev_type, code](Context& c) {
    const std::optional<::Target> target = c.connect(dev_type);
    if (!target) return kExitUsage;
    // The rk5502 goes over UDP whatever the target; the tm3306 by its medium.
    const Outcome outcome = dev_type == device_type::kRk5502
                                ? rk5502_device::set_layout(c.transports(), *target, code)
                                : tm3306_device::set_layout(c.transports(), *target, code);
    return c.exit_for(outcome, "the layout", 0);
  };
}

int query_rk5502(Context& c) {
  const std::optional<::Target> target = c.connect(device_type::kRk5502);
  if (!target) return kExitUsage;
  std::optional<Rk5502StateReply> state;
  const Outcome outcome = rk5502_device::query_state(
      c.transports(), *target,
      [&state](const Outcome&, std::optional<Rk5502StateReply> reply) { state = reply; });
  if (!state) return c.exit_for(outcome, "the rk5502 state query", kRk5502QueryBoundMs);
  if (c.json) {
    c.out << "{\"output_format\": " << int(state->output_format)
          << ", \"layout\": " << int(state->show_mode) << ", \"pip_channels\": ["
          << int(state->pip_child_ch[0]) << ", " << int(state->pip_child_ch[1])
          << "], \"loop\": " << (state->loop_state ? "true" : "false") << "}\n";
  } else {
    c.out << "output format " << int(state->output_format) << "\nlayout " << int(state->show_mode)
          << "\ninset channels " << int(state->pip_child_ch[0]) << " "
          << int(state->pip_child_ch[1]) << "\nloop " << (state->loop_state ? "on" : "off") << "\n";
  }
  return kExitOk;
}
}  // namespace

Parsed parse_rk5502(const Args& a) {
  if (auto early = help_or_missing_command(a, "rk5502", kRk5502Help.c_str())) return *early;
  if (const std::string why = need_lan(a, "the rk5502"); !why.empty()) return Parsed::fail(why);
  const std::string& cmd = a.words[0];
  if (cmd == "state") {
    if (a.words.size() != 1) return Parsed::fail("rk5502 state: usage: rk5502 state [--json]");
    return Parsed::run(query_rk5502);
  }
  if (cmd == "layout") {
    if (a.words.size() != 2) return Parsed::fail("rk5502 layout: usage: rk5502 layout CODE");
    const std::optional<int> code = parse_number(a.words[1], 0, kRk5502LayoutMax);
    if (!code)
      return Parsed::fail(
          bad_value("CODE", a.words[1], "a layout code 0 to " + std::to_string(kRk5502LayoutMax)));
    return Parsed::run(send_layout(device_type::kRk5502, static_cast<uint8_t>(*code)));
  }
  return Parsed::fail("rk5502: unknown command '" + cmd + "' (see kelvaro-ctl rk5502 --help)");
}

Parsed parse_tm3306(const Args& a) {
  if (auto early = help_or_missing_command(a, "tm3306", kTm3306Help.c_str())) return *early;
  if (const std::string why = need_target(a); !why.empty()) return Parsed::fail(why);
  const std::string& cmd = a.words[0];
  if (cmd == "layout") {
    if (a.words.size() != 2) return Parsed::fail("tm3306 layout: usage: tm3306 layout CODE");
    const std::optional<int> code = parse_number(a.words[1], 0, kTm3306LayoutMax);
    if (!code)
      return Parsed::fail(
          bad_value("CODE", a.words[1], "a layout code 0 to " + std::to_string(kTm3306LayoutMax)));
    return Parsed::run(send_layout(device_type::kTm3306, static_cast<uint8_t>(*code)));
  }
  return Parsed::fail("tm3306: unknown command '" + cmd + "' (see kelvaro-ctl tm3306 --help)");
}

}  // namespace ctl
