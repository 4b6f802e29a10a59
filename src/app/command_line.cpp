#include "app/command_line.h"

#include <arpa/inet.h>

#include <charconv>

std::string command_line_help() {
  return "Usage: kelvaro_multiview [options]\n"
         "Control panel of the KELVARO multiviewer, matrix, switcher and processor devices.\n"
         "\n"
         "Options:\n"
         "  --help                       show this help and exit\n"
         "  --version                    show the version and exit\n"
         "  --bind-port PORT             local command port (default 7000)\n"
         "  --device-port PORT           device command port (default 7000)\n"
         "  --switcher-bind-port PORT    local port of the switcher link (default 7001)\n"
         "  --switcher-device-port PORT  device port of the switcher link (default 7001)\n"
         "  --search-address ADDR        address the device search is sent to\n"
         "                               (default 255.255.255.255)\n"
         "  --serial-port NAME           extra name for the serial port lists (repeatable),\n"
         "                               e.g. a pseudo-terminal\n"
         "  --device ADDRESS,KIND[,ID]   list a LAN device the search does not find\n"
         "                               (repeatable); KIND is multiviewer, matrix,\n"
         "                               switcher, rk5502, tm3306 or a type code such as\n"
         "                               0xA5; ID defaults to 1. The first is opened at\n"
         "                               start\n"
         "  --scan                       search for devices as soon as the window shows\n"
         "  --no-restore                 start clean: leave the remembered connection\n"
         "                               mode, serial port and last device unused\n"
         "  --demo                       start with built-in simulated devices on loopback\n"
         "  --show FILE                  start the show of this file (JSON): labels and\n"
         "                               tally that follow the router and the switcher\n"
         "  --trace                      print the diagnostic trace lines on standard error\n"
         "                               (or pick some: "
         "QT_LOGGING_RULES=kelvaro.link.debug=true)\n";
}

CommandLine parse_command_line(const std::vector<std::string>& args) {
  CommandLine cl;
  auto fail = [&cl](const std::string& text) {
    cl.action = CommandLine::Action::Error;
    cl.message = "kelvaro_multiview: " + text;
    return cl;
  };
  for (size_t i = 1; i < args.size(); ++i) {
    std::string opt = args[i];
    std::string value;
    bool has_inline = false;
    if (const auto eq = opt.find('='); opt.rfind("--", 0) == 0 && eq != std::string::npos) {
      value = opt.substr(eq + 1);
      opt = opt.substr(0, eq);
      has_inline = true;
    }
    auto take_value = [&](std::string& out) {
      if (has_inline) {
        out = value;
        return true;
      }
      if (i + 1 >= args.size()) return false;
      out = args[++i];
      return true;
    };
    if (opt == "--help" || opt == "-h") {
      cl.action = CommandLine::Action::Help;
      cl.message = command_line_help();
      return cl;
    }
    if (opt == "--version") {
      cl.action = CommandLine::Action::Version;
      cl.message = "kelvaro_multiview 1.0.1.5\n";
      return cl;
    }
    if (opt == "--demo") {
      // Its listed devices open as --device rows do; the scan is the
      // operator's (or --scan's).
      cl.demo = true;
      continue;
    }
    if (opt == "--scan") {
      cl.scan_at_start = true;
      continue;
    }
    if (opt == "--no-restore") {
      cl.restore = false;
      continue;
    }
    if (opt == "--trace") {
      cl.trace = true;
      continue;
    }
    if (is_link_option(opt)) {
      std::string text;
      if (!take_value(text))
        return fail(
            opt + (opt == "--search-address" ? " needs an IPv4 address" : " needs a port number"));
      if (std::string why = set_link_option(cl.link, opt, text); !why.empty()) return fail(why);
      continue;
    }
    if (opt == "--serial-port") {
      std::string text;
      if (!take_value(text) || text.empty()) return fail(opt + " needs a port name");
      if (text.size() >= 63) return fail(opt + ": name longer than 62 characters");
      cl.link.serial_ports.push_back(text);
      continue;
    }
    if (opt == "--show") {
      if (!take_value(cl.show_file) || cl.show_file.empty()) return fail(opt + " needs a file");
      continue;
    }
    if (opt == "--device") {
      std::string text;
      if (!take_value(text)) return fail(opt + " needs ADDRESS,KIND[,ID]");
      std::string why;
      const std::optional<ManualDevice> device = parse_manual_device(text, &why);
      if (!device) return fail(opt + ": " + why);
      cl.devices.push_back(*device);
      continue;
    }
    return fail("unknown option '" + args[i] + "' (see --help)");
  }
  return cl;
}
