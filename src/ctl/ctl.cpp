#include "ctl/ctl.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>
#include <ostream>
#include <set>

#include "devices/device_address.h"
#include "link/link_options.h"
#include "link/trace.h"
#include "link/wait.h"

namespace ctl {

namespace {
constexpr const char* kProgram = "kelvaro-ctl";
constexpr const char* kVersion = "kelvaro-ctl 1.0.1.5\n";
constexpr uint32_t kSerialFlushMs = 2000;
constexpr uint32_t kSerialCloseMs = 500;
constexpr uint32_t kSerialSettleMs = 50;

// The groups in the order the help lists them.
const std::vector<Group>& groups() {
  static const std::vector<Group> all = {
      {"discover", "search the LAN (or the serial line) for devices", parse_discover},
      {"mv", "multiviewer: state, mode, sources, labels, colours, resolution", parse_mv},
      {"matrix", "matrix router: routes, one to all, one to one, panel lock", parse_matrix},
      {"switcher", "production switcher: buses, CUT, AUTO, FTB, T-bar, transitions, layers",
       parse_switcher},
      {"rk5502", "rk5502 processor: state, layout", parse_rk5502},
      {"tm3306", "tm3306 processor: layout", parse_tm3306},
      {"show", "show files: check one, send the labels it gives", parse_show},
  };
  return all;
}

std::string top_help() {
  std::string text =
      "Usage: kelvaro-ctl [TARGET] [OPTIONS] GROUP COMMAND [ARGUMENTS]\n"
      "Sends the control panel's commands to KELVARO devices, frame for frame as the\n"
      "panel sends them, and prints what the devices answer.\n"
      "\n"
      "Target:\n"
      "  --device ADDRESS[,ID]        a device on the LAN; ID 0 to 255, default 1\n"
      "  --serial-port NAME           the serial line, e.g. /dev/ttyUSB0\n"
      "  --baud N                     its rate: 9600, 19200, 38400, 57600 or 115200\n"
      "                               (default 115200)\n"
      "  --id N                       device id on the serial line (default 1)\n"
      "\n"
      "Options:\n"
      "  --help                       help of the tool, a group or a command\n"
      "  --version                    show the version and exit\n"
      "  --json                       print replies as JSON\n"
      "  --bind-port PORT             local command port (default 7000)\n"
      "  --device-port PORT           device command port (default 7000)\n"
      "  --switcher-bind-port PORT    local switcher port (default 7001)\n"
      "  --switcher-device-port PORT  device switcher port (default 7001)\n"
      "  --search-address ADDR        address of the search (default 255.255.255.255)\n"
      "  --trace                      print the link's trace lines on standard error\n"
      "\n"
      "Groups (kelvaro-ctl GROUP --help lists the commands):\n";
  for (const Group& g : groups()) {
    std::string name = g.name;
    name.resize(std::max<size_t>(name.size() + 1, 11), ' ');
    text += "  " + name + g.summary + "\n";
  }
  text +=
      "\n"
      "Exit status: 0 sent (or the reply arrived), 1 a query got no reply within its\n"
      "bound, 2 bad usage or a bad value (nothing is sent).\n";
  return text;
}

// Options that take a value, besides the link's own (link_options.h).
const std::set<std::string> kCommandOptions = {"--direction"};

bool valid_baud(uint32_t baud) {
  for (uint32_t b : {9600u, 19200u, 38400u, 57600u, 115200u})
    if (b == baud) return true;
  return false;
}

// "ADDRESS[,ID]": the panel's --device syntax without the kind, which the
// command's group decides. The address and id rules are the panel's.
std::string parse_device(const std::string& text, TargetOptions& target) {
  const size_t comma = text.find(',');
  if (comma != std::string::npos && text.find(',', comma + 1) != std::string::npos)
    return bad_value("--device", text, "ADDRESS[,ID]");
  std::string why;
  const std::optional<ManualDevice> device = parse_device_with_id(text, &why);
  if (!device) return "--device: " + why;
  target.address = device->address;
  target.id = device->id;
  return {};
}
}  // namespace

std::optional<::Target> Context::connect(uint8_t dev_type) {
  if (!target.serial()) return ::Target::lan(target.address, dev_type, target.id);
  if (!link.m_comm.open_port(target.serial_port, target.baud)) {
    err << kProgram << ": --serial-port: cannot open '" << target.serial_port << "' at "
        << target.baud << " baud\n";
    return std::nullopt;
  }
  return ::Target::serial(dev_type, target.id);
}

int Context::exit_for(const Outcome& outcome, const std::string& what, uint32_t bound_ms) {
  switch (outcome.status) {
    case Outcome::Status::Sent:
    case Outcome::Status::Answered:
      return kExitOk;
    case Outcome::Status::Unanswered:
      return no_reply(what, bound_ms);
    case Outcome::Status::Queued:
      // Nothing waits in this tool, so nothing can be queued behind a wait.
      err << kProgram << ": " << what << " was not run\n";
      return kExitNoReply;
    case Outcome::Status::Failed:
      break;
  }
  err << kProgram << ": " << outcome.reason << "\n";
  return kExitNoReply;
}

void Context::finish() {
  if (!link.m_comm.is_open()) return;
  link.m_comm.flush_writes(kSerialFlushMs);
  // Closing the port purges its queues, and with them bytes the line (or a
  // pseudo-terminal's far end) has not taken yet: the close waits for the
  // time the written bytes need on the line, 10 bits each, plus a margin.
  const uint64_t bits = link.m_comm.total_written() * 10;
  if (bits) pause_ms(static_cast<uint32_t>(bits * 1000 / target.baud) + kSerialSettleMs);
  link.m_comm.close_port(kSerialCloseMs);
}

int Context::no_reply(const std::string& what, uint32_t bound_ms) {
  err << kProgram << ": no reply to " << what << " within " << bound_ms << " ms\n";
  return kExitNoReply;
}

std::optional<std::string> Args::option(const std::string& name) const {
  for (const auto& [key, value] : options)
    if (key == name) return value;
  return std::nullopt;
}

std::optional<int> parse_number(const std::string& text, int low, int high) {
  int value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end || value < low || value > high)
    return std::nullopt;
  return value;
}

std::optional<bool> parse_on_off(const std::string& text) {
  if (text == "on" || text == "1") return true;
  if (text == "off" || text == "0") return false;
  return std::nullopt;
}

std::string bad_value(const std::string& name, const std::string& value, const std::string& want) {
  return name + ": '" + value + "' is not " + want;
}

std::string need_target(const Args& args) {
  if (!args.target->lan() && !args.target->serial())
    return "no device given (--device ADDRESS[,ID] or --serial-port NAME)";
  return {};
}

std::optional<Parsed> help_or_missing_command(const Args& args, const std::string& group,
                                              const char* help) {
  if (args.help) return Parsed::show(help);
  if (args.words.empty())
    return Parsed::fail(group + ": a command is needed (see kelvaro-ctl " + group + " --help)");
  return std::nullopt;
}

std::string need_lan(const Args& args, const std::string& what) {
  if (args.target->serial())
    return "--serial-port: " + what + " travels over the LAN only (give --device)";
  if (!args.target->lan()) return "no device given (--device ADDRESS[,ID])";
  return {};
}

std::string json_string(const QString& text) {
  std::string out = "\"";
  for (const unsigned char c : text.toStdString()) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        if (c < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
          out += escaped;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  auto usage = [&err](const std::string& why) {
    err << kProgram << ": " << why << "\n";
    return kExitUsage;
  };
  TargetOptions target;
  bool help = false, json = false, trace_on = false;
  bool baud_given = false;
  std::vector<std::string> words;
  LinkOptions ports;
  std::vector<std::pair<std::string, std::string>> command_options;
  for (size_t i = 1; i < args.size(); ++i) {
    std::string opt = args[i];
    // A lone "-" and negative numbers are arguments (refused by their checks).
    if (opt.size() < 2 || opt[0] != '-' || std::isdigit(static_cast<unsigned char>(opt[1]))) {
      words.push_back(opt);
      continue;
    }
    std::optional<std::string> inline_value;
    if (const size_t eq = opt.find('='); opt.rfind("--", 0) == 0 && eq != std::string::npos) {
      inline_value = opt.substr(eq + 1);
      opt = opt.substr(0, eq);
    }
    auto value = [&](std::string& v) {
      if (inline_value) {
        v = *inline_value;
        return true;
      }
      if (i + 1 >= args.size()) return false;
      v = args[++i];
      return true;
    };
    if (opt == "--help" || opt == "-h") {
      help = true;
    } else if (opt == "--version") {
      out << kVersion;
      return kExitOk;
    } else if (opt == "--json") {
      json = true;
    } else if (opt == "--trace") {
      trace_on = true;
    } else if (opt == "--device") {
      std::string v;
      if (!value(v)) return usage("--device needs ADDRESS[,ID]");
      if (const std::string why = parse_device(v, target); !why.empty()) return usage(why);
    } else if (opt == "--serial-port") {
      std::string v;
      if (!value(v) || v.empty()) return usage("--serial-port needs a port name");
      if (v.size() >= 63) return usage("--serial-port: name longer than 62 characters");
      target.serial_port = v;
    } else if (opt == "--baud") {
      std::string v;
      if (!value(v)) return usage("--baud needs a rate");
      const std::optional<int> baud = parse_number(v, 1, 1000000);
      if (!baud || !valid_baud(static_cast<uint32_t>(*baud)))
        return usage(bad_value("--baud", v, "9600, 19200, 38400, 57600 or 115200"));
      target.baud = static_cast<uint32_t>(*baud);
      baud_given = true;
    } else if (opt == "--id") {
      std::string v;
      if (!value(v)) return usage("--id needs a device id");
      const std::optional<int> id = parse_number(v, 0, 255);
      if (!id) return usage(bad_value("--id", v, "a device id 0 to 255"));
      target.id = static_cast<uint8_t>(*id);
      target.id_given = true;
    } else if (is_link_option(opt)) {
      std::string v;
      if (!value(v)) return usage(opt + " needs a value");
      if (std::string why = set_link_option(ports, opt, v); !why.empty()) return usage(why);
    } else if (kCommandOptions.count(opt)) {
      std::string v;
      if (!value(v)) return usage(opt + " needs a value");
      command_options.emplace_back(opt.substr(2), v);
    } else {
      return usage("unknown option '" + args[i] + "' (see --help)");
    }
  }
  if (trace_on) enable_all_trace();
  if (target.lan() && target.serial())
    return usage("--device and --serial-port name two targets; give one");
  if (target.id_given && !target.serial())
    return usage("--id: only with --serial-port (on the LAN: --device ADDRESS,ID)");
  if (baud_given && !target.serial()) return usage("--baud: only with --serial-port");
  link_options() = ports;

  if (words.empty()) {
    if (help) {
      out << top_help();
      return kExitOk;
    }
    return usage("no command given (see --help)");
  }
  const auto group = std::find_if(groups().begin(), groups().end(),
                                  [&](const Group& g) { return words[0] == g.name; });
  if (group == groups().end()) return usage("unknown command '" + words[0] + "' (see --help)");
  if (!command_options.empty() && std::string(group->name) != "switcher")
    return usage("--" + command_options[0].first + ": not an option of " + group->name);

  Args group_args;
  group_args.words.assign(words.begin() + 1, words.end());
  group_args.help = help;
  group_args.json = json;
  group_args.target = &target;
  group_args.options = command_options;
  Parsed parsed = group->parse(group_args);
  if (!parsed.help.empty()) {
    out << parsed.help;
    return kExitOk;
  }
  if (!parsed.error.empty()) return usage(parsed.error);

  Context context(out, err);
  context.target = target;
  context.json = json;
  const int status = parsed.action(context);
  context.finish();
  out.flush();
  return status;
}

}  // namespace ctl
