// rk5502 and tm3306: the four-input processors' layout code (command 94) and
// the rk5502's state query (command 90), as their pages send them. The
// rk5502 is reached over the LAN only; the tm3306 over the LAN or the serial
// line.
#include <ostream>

#include "ctl/ctl.h"
#include "devices/processor/processor_frames.h"
#include "devices/processor/processor_model.h"

namespace ctl {

namespace {
constexpr uint8_t kRk5502Type = 0x60;
constexpr uint8_t kTm3306Type = 0xA3;
// The tm3306 page has buttons for codes 0..15 only; the rk5502 also takes the
// two codes 16 and 17 that its state reply can report.
constexpr int kTm3306LayoutMax = 15;

const char* const kRk5502Help =
    "Usage: kelvaro-ctl --device ADDRESS[,ID] rk5502 COMMAND\n"
    "rk5502 commands (LAN only), as its page sends them:\n"
    "  state [--json]   read the output format, layout, inset channels and loop (1000 ms)\n"
    "  layout CODE      choose layout 0..17\n";
const char* const kTm3306Help =
    "Usage: kelvaro-ctl (--device ADDRESS[,ID] | --serial-port NAME) tm3306 COMMAND\n"
    "tm3306 commands, as its page sends them:\n"
    "  layout CODE      choose layout 0..15\n";

Action send_layout(uint8_t dev_type, uint8_t code) {
  return [dev_type, code](Context& c) {
    if (!c.connect(dev_type)) return kExitUsage;
    const std::span<const uint8_t> payload(&code, 1);
    // The rk5502 page sends over UDP whatever the connection mode.
    if (dev_type == kRk5502Type)
      c.link.send_udp_command(processor_cmd::kLayout, payload);
    else
      c.link.send_command(processor_cmd::kLayout, payload);
    return kExitOk;
  };
}

int query_rk5502(Context& c) {
  if (!c.connect(kRk5502Type)) return kExitUsage;
  std::optional<Rk5502StateReply> state;
  c.link.query_udp(processor_cmd::kRk5502StateQuery, {}, kRk5502QueryBoundMs, kRk5502QueryPauseMs,
                   [&state](std::span<const uint8_t> datagram) {
                     state = decode_rk5502_state(datagram);
                     return state.has_value();
                   });
  if (!state) return c.no_reply("the rk5502 state query", kRk5502QueryBoundMs);
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
  if (auto early = help_or_missing_command(a, "rk5502", kRk5502Help)) return *early;
  if (const std::string why = need_lan(a, "the rk5502"); !why.empty()) return Parsed::fail(why);
  const std::string& cmd = a.words[0];
  if (cmd == "state") {
    if (a.words.size() != 1) return Parsed::fail("rk5502 state: usage: rk5502 state [--json]");
    return Parsed::run(query_rk5502);
  }
  if (cmd == "layout") {
    if (a.words.size() != 2) return Parsed::fail("rk5502 layout: usage: rk5502 layout CODE");
    const std::optional<int> code = parse_number(a.words[1], 0, kLayoutCodeCount - 1);
    if (!code) return Parsed::fail(bad_value("CODE", a.words[1], "a layout code 0 to 17"));
    return Parsed::run(send_layout(kRk5502Type, static_cast<uint8_t>(*code)));
  }
  return Parsed::fail("rk5502: unknown command '" + cmd + "' (see kelvaro-ctl rk5502 --help)");
}

Parsed parse_tm3306(const Args& a) {
  if (auto early = help_or_missing_command(a, "tm3306", kTm3306Help)) return *early;
  if (const std::string why = need_target(a); !why.empty()) return Parsed::fail(why);
  const std::string& cmd = a.words[0];
  if (cmd == "layout") {
    if (a.words.size() != 2) return Parsed::fail("tm3306 layout: usage: tm3306 layout CODE");
    const std::optional<int> code = parse_number(a.words[1], 0, kTm3306LayoutMax);
    if (!code) return Parsed::fail(bad_value("CODE", a.words[1], "a layout code 0 to 15"));
    return Parsed::run(send_layout(kTm3306Type, static_cast<uint8_t>(*code)));
  }
  return Parsed::fail("tm3306: unknown command '" + cmd + "' (see kelvaro-ctl tm3306 --help)");
}

}  // namespace ctl
