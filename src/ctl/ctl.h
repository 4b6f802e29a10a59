#pragma once
// kelvaro-ctl: the panel's device commands from the command line, a thin
// client of the device layer (src/devices): it builds a Target from its
// options, calls the same device operations as the pages and maps their
// Outcome to its exit status. It keeps no byte layout, bound or pause of its
// own, and links no widgets.
//
// A run has two halves. Parsing checks every argument and yields an action;
// nothing is opened or sent before the whole command line has been taken, so
// a bad argument (exit 2) never leaves a frame behind. The action then runs
// against the target and ends with 0 (sent, or the reply arrived) or 1 (a
// query got no reply within its bound, or the exchange failed: one line on
// stderr says why).
#include <QString>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "devices/multiviewer/mv_model.h"
#include "link/device_link.h"
#include "link/transport.h"

namespace ctl {

constexpr int kExitOk = 0;
constexpr int kExitNoReply = 1;
constexpr int kExitUsage = 2;

// Where the frames go: a LAN device (--device) or the serial line
// (--serial-port), or neither (only the search may run without a target).
struct TargetOptions {
  std::string address;  // dotted-decimal, empty when not on the LAN
  uint8_t id = 1;       // byte 5 of every frame
  bool id_given = false;
  std::string serial_port;  // empty when not on the serial line
  uint32_t baud = 115200;
  bool lan() const { return !address.empty(); }
  bool serial() const { return !serial_port.empty(); }
};

// What a subcommand does once every argument has been checked.
struct Context {
  TargetOptions target;
  DeviceLink link;
  MultiviewerModel mv;  // what the multiviewer's state query reads
  bool json = false;
  std::ostream& out;
  std::ostream& err;
  Context(std::ostream& o, std::ostream& e) : out(o), err(e) {}

  // The device of this run with this type code; opens the serial port when
  // the target is the serial line. Nothing (message written) when the port
  // cannot be opened.
  std::optional<::Target> connect(uint8_t dev_type);
  Transports transports() { return link.transports(); }
  // Writes out what is queued on the serial port, then closes it.
  void finish();
  // The exit status of an outcome: 0 sent or answered; 1 unanswered ("no
  // reply to WHAT within BOUND ms") or failed (its reason), one line on
  // stderr.
  int exit_for(const Outcome& outcome, const std::string& what, uint32_t bound_ms);
  // The one line of exit 1 for a query without reply.
  int no_reply(const std::string& what, uint32_t bound_ms);
};

using Action = std::function<int(Context&)>;

// The outcome of parsing one group's arguments: an action, or help text, or
// the one-line usage error.
struct Parsed {
  Action action;
  std::string help;   // non-empty: print it and exit 0
  std::string error;  // non-empty: print it and exit 2
  static Parsed fail(const std::string& why) { return {{}, {}, why}; }
  static Parsed show(const std::string& text) { return {{}, text, {}}; }
  static Parsed run(Action a) { return {std::move(a), {}, {}}; }
};

// The words after the group name, the --json flag and the target already
// taken out of them.
struct Args {
  std::vector<std::string> words;
  bool help = false;
  bool json = false;
  const TargetOptions* target = nullptr;
  // Per-command option values given as --name VALUE (--direction).
  std::vector<std::pair<std::string, std::string>> options;
  std::optional<std::string> option(const std::string& name) const;
};

// One subcommand group: its name, a line for the top-level help and its parser.
struct Group {
  const char* name;
  const char* summary;
  std::function<Parsed(const Args&)> parse;
};

// ---- the groups ----
Parsed parse_discover(const Args& args);
Parsed parse_mv(const Args& args);
Parsed parse_matrix(const Args& args);
Parsed parse_switcher(const Args& args);
Parsed parse_rk5502(const Args& args);
Parsed parse_tm3306(const Args& args);
Parsed parse_show(const Args& args);

// ---- shared argument checks ----
// A whole decimal number within [low, high].
std::optional<int> parse_number(const std::string& text, int low, int high);
// "on" / "off" (also 1 / 0).
std::optional<bool> parse_on_off(const std::string& text);
// "name: 'value' is not ..." lines of exit 2.
std::string bad_value(const std::string& name, const std::string& value, const std::string& want);
// The target must be on the LAN (a command that travels over UDP only).
std::string need_lan(const Args& args, const std::string& what);
// The target must be given at all.
std::string need_target(const Args& args);
// Before a group's own commands: its help text when asked for, or the usage
// error when no command follows the group's name; nothing when one does.
std::optional<Parsed> help_or_missing_command(const Args& args, const std::string& group,
                                              const char* help);

// ---- output ----
// A JSON string literal (UTF-8, with the escapes JSON needs).
std::string json_string(const QString& text);

// The whole tool: arguments as main() gets them (args[0] is the program).
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace ctl
