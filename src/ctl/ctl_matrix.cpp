// matrix: the router's ASCII routing commands (LAN: one datagram and a 20 ms
// pause; serial: one write) and its panel lock, two control frames that
// always travel over the LAN, as the matrix page sends them.
#include <array>
#include <functional>
#include <ostream>
#include <string>

#include "ctl/ctl.h"
#include "devices/device_kinds.h"
#include "devices/matrix/matrix_device.h"

namespace ctl {

namespace {
const std::string kMatrixHelp =
    "Usage: kelvaro-ctl (--device ADDRESS[,ID] | --serial-port NAME) matrix COMMAND\n"
    "Matrix router commands, as the matrix page sends them:\n"
    "  route INPUT OUTPUTS    input 1..8 to the outputs 1..8 listed with commas\n"
    "                         (\"3 1,2,5\" sends 3V1,2,5.)\n"
    "  all INPUT              input 1..8 to every output (5All.)\n"
    "  one-to-one             input n to output n for every n (All#.)\n"
    "  lock on|off            the panel lock (LAN only)\n"
    "  lock [--json]          read the panel lock (LAN only, " +
    std::to_string(kMatrixLockQueryBoundMs) + " ms)\n";

// A routing command over the transport the target names.
using RoutingOp = std::function<Outcome(const Transports& t, const ::Target& target)>;
Action send_routing(RoutingOp op) {
  return [op = std::move(op)](Context& c) {
    const std::optional<::Target> target = c.connect(device_type::kMatrix);
    if (!target) return kExitUsage;
    return c.exit_for(op(c.transports(), *target), "the matrix command", 0);
  };
}

std::optional<uint8_t> port_number(const std::string& text) {
  const std::optional<int> n = parse_number(text, 1, kMatrixPorts);
  if (!n) return std::nullopt;
  return static_cast<uint8_t>(*n);
}
}  // namespace

Parsed parse_matrix(const Args& a) {
  if (auto early = help_or_missing_command(a, "matrix", kMatrixHelp.c_str())) return *early;
  const std::string& cmd = a.words[0];
  const size_t n = a.words.size() - 1;
  auto usage = [&cmd](const char* text) {
    return Parsed::fail("matrix " + cmd + ": usage: matrix " + text);
  };
  if (cmd == "lock") {
    if (n > 1) return usage("lock [on|off]");
    if (const std::string why = need_lan(a, "the matrix lock"); !why.empty())
      return Parsed::fail(why);
    if (n == 1) {
      const std::optional<bool> on = parse_on_off(a.words[1]);
      if (!on) return Parsed::fail(bad_value("lock", a.words[1], "on or off"));
      return Parsed::run([locked = *on](Context& c) {
        const std::optional<::Target> target = c.connect(device_type::kMatrix);
        if (!target) return kExitUsage;
        return c.exit_for(matrix_device::set_lock(c.transports(), *target, locked),
                          "the matrix lock", 0);
      });
    }
    return Parsed::run([](Context& c) {
      const std::optional<::Target> target = c.connect(device_type::kMatrix);
      if (!target) return kExitUsage;
      std::optional<uint8_t> lock;
      const Outcome outcome = matrix_device::query_lock(
          c.transports(), *target,
          [&lock](const Outcome&, std::optional<uint8_t> value) { lock = value; });
      if (!lock) return c.exit_for(outcome, "the matrix lock query", kMatrixLockQueryBoundMs);
      if (c.json)
        c.out << "{\"lock\": " << (*lock ? "true" : "false") << ", \"value\": " << int(*lock)
              << "}\n";
      else
        c.out << (*lock ? "locked" : "unlocked") << "\n";
      return kExitOk;
    });
  }
  if (const std::string why = need_target(a); !why.empty()) return Parsed::fail(why);
  if (cmd == "route") {
    if (n != 2) return usage("route INPUT OUTPUTS");
    const std::optional<uint8_t> input = port_number(a.words[1]);
    if (!input) return Parsed::fail(bad_value("INPUT", a.words[1], "an input 1 to 8"));
    std::array<uint8_t, kMatrixPorts> route{};
    const std::string& list = a.words[2];
    size_t start = 0;
    for (;;) {
      const size_t comma = list.find(',', start);
      const std::optional<uint8_t> output = port_number(list.substr(start, comma - start));
      if (!output)
        return Parsed::fail(bad_value("OUTPUTS", list, "outputs 1 to 8 joined by commas"));
      route[*output - 1] = *input;
      if (comma == std::string::npos) break;
      start = comma + 1;
    }
    return Parsed::run(
        send_routing([input = *input, route](const Transports& t, const ::Target& d) {
          return matrix_device::route(t, d, input, route);
        }));
  }
  if (cmd == "all") {
    if (n != 1) return usage("all INPUT");
    const std::optional<uint8_t> input = port_number(a.words[1]);
    if (!input) return Parsed::fail(bad_value("INPUT", a.words[1], "an input 1 to 8"));
    return Parsed::run(send_routing([input = *input](const Transports& t, const ::Target& d) {
      return matrix_device::one_to_all(t, d, input);
    }));
  }
  if (cmd == "one-to-one") {
    if (n != 0) return usage("one-to-one");
    return Parsed::run(send_routing(matrix_device::one_to_one));
  }
  return Parsed::fail("matrix: unknown command '" + cmd + "' (see kelvaro-ctl matrix --help)");
}

}  // namespace ctl
