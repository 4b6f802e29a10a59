#include "devsim/cli.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "devsim/wire.h"

namespace devsim {

namespace {

bool to_long(const std::string& text, long lo, long hi, long& out) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 0);
  if (errno || *end || v < lo || v > hi) return false;
  out = v;
  return true;
}

}  // namespace

std::string cli_help() {
  return "Usage: devsim [options]\n"
         "Simulated devices on loopback (and one on a pseudo-terminal) for the panel.\n"
         "\n"
         "devices:\n"
         "  --multiviewer N         N multiviewers (type 0xA1)\n"
         "  --matrix N              N matrix routers\n"
         "  --matrix-type 0x81|0x82 type code of the matrix routers (default 0x81)\n"
         "  --switcher N            N switchers (type 0xA5)\n"
         "  --rk5502 N              N rk5502 processors (type 0x60)\n"
         "  --tm3306 N              N tm3306 processors (type 0xA3)\n"
         "  --serial TYPE           one more device of this type code on a pseudo-terminal;\n"
         "                          its name is printed as \"serial: /dev/pts/N\"\n"
         "  --name PREFIX           prefix of every device name (names read PREFIXMV16_1 ...)\n"
         "\n"
         "addresses (same names as the panel's options):\n"
         "  --bind-port P           the panel's command port; replies go there (0: sender's port)\n"
         "  --device-port P         port every device listens on (default 7000)\n"
         "  --switcher-bind-port P  the panel's switcher port; reports go there (default 7001)\n"
         "  --switcher-device-port P  port switchers also listen on (default 7001)\n"
         "  --search-address A      broadcast address the panel searches (default "
         "127.255.255.255)\n"
         "  --first-address A       address of the first device (default 127.0.0.2)\n"
         "  --panel-address A       report target before the panel spoke (default 127.0.0.1)\n"
         "\n"
         "faults (every device):\n"
         "  --delay MS              replies leave MS late\n"
         "  --drop N                drop the next N replies (-1: every reply)\n"
         "  --garbage N             N bytes of garbage before each reply\n"
         "  --truncate N            replies cut to N bytes\n"
         "  --wrong-command         replies carry another command byte\n"
         "  --duplicate N           N extra copies of each reply\n"
         "  --label-length N        every label length byte of a state reply reads N\n"
         "  --flood N               switchers send N reports per second unasked\n"
         "\n"
         "switcher reports:\n"
         "  --script LIST           reports every switcher sends, e.g. 0x80:5,0x82:1:64,0x83\n"
         "  --script-interval MS    time between two reports (default 1000)\n"
         "  --script-repeat         start the script again when it ends\n"
         "  standard input takes lines \"report DEVICE CMD [BYTE...]\", \"counts\" and \"quit\"\n"
         "\n"
         "  --quiet                 no line per received frame\n"
         "  --any-address           allow addresses outside 127.x.x.x (only inside a network\n"
         "                          namespace made for the run)\n"
         "  --help                  this text\n"
         "Runs until SIGINT or SIGTERM.\n";
}

bool parse_script(const std::string& text, std::vector<Report>& out) {
  out.clear();
  std::stringstream items(text);
  std::string item;
  while (std::getline(items, item, ',')) {
    std::stringstream fields(item);
    std::string field;
    Report r;
    bool first = true;
    while (std::getline(fields, field, ':')) {
      long v = 0;
      if (!to_long(field, 0, 255, v)) return false;
      if (first)
        r.command = static_cast<uint8_t>(v);
      else
        r.payload.push_back(static_cast<uint8_t>(v));
      first = false;
    }
    if (first) return false;
    out.push_back(std::move(r));
  }
  return !out.empty();
}

CliConfig parse_cli(const std::vector<std::string>& args) {
  CliConfig c;
  int counts[5] = {};  // multiviewer, matrix, switcher, rk5502, tm3306
  long matrix_type = kTypeMatrix;
  long serial_type = -1;
  std::string prefix;
  bool any_address = false;
  auto error = [&](const std::string& text) {
    c.action = CliConfig::Action::Error;
    c.message = text;
    return c;
  };
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= args.size()) return false;
      out = args[++i];
      return true;
    };
    auto number = [&](long lo, long hi, long& out) {
      std::string v;
      return value(v) && to_long(v, lo, hi, out);
    };
    long v = 0;
    std::string s;
    if (a == "--help" || a == "-h") {
      c.action = CliConfig::Action::Help;
      c.message = cli_help();
      return c;
    } else if (a == "--multiviewer" || a == "--matrix" || a == "--switcher" || a == "--rk5502" ||
               a == "--tm3306") {
      if (!number(0, 200, v)) return error(a + " needs a count 0..200");
      const int k = a == "--multiviewer" ? 0
                    : a == "--matrix"    ? 1
                    : a == "--switcher"  ? 2
                    : a == "--rk5502"    ? 3
                                         : 4;
      counts[k] = static_cast<int>(v);
    } else if (a == "--matrix-type") {
      if (!number(0, 255, matrix_type) || (matrix_type != 0x81 && matrix_type != 0x82))
        return error("--matrix-type takes 0x81 or 0x82");
    } else if (a == "--serial") {
      if (!number(0, 255, serial_type)) return error("--serial needs a type code 0..255");
    } else if (a == "--name") {
      if (!value(prefix)) return error("--name needs a prefix");
    } else if (a == "--bind-port" || a == "--device-port" || a == "--switcher-bind-port" ||
               a == "--switcher-device-port") {
      const long lo = (a == "--bind-port" || a == "--switcher-bind-port") ? 0 : 1;
      if (!number(lo, 65535, v)) return error(a + " needs a port number");
      const auto port = static_cast<uint16_t>(v);
      if (a == "--bind-port") c.options.bind_port = port;
      if (a == "--device-port") c.options.device_port = port;
      if (a == "--switcher-bind-port") c.options.switcher_bind_port = port;
      if (a == "--switcher-device-port") c.options.switcher_device_port = port;
    } else if (a == "--search-address" || a == "--first-address" || a == "--panel-address") {
      if (!value(s) || s.empty()) return error(a + " needs an IPv4 address");
      if (a == "--search-address") c.options.search_address = s;
      if (a == "--first-address") c.options.first_address = s;
      if (a == "--panel-address") c.options.panel_address = s;
    } else if (a == "--delay") {
      if (!number(0, 60000, v)) return error("--delay needs milliseconds");
      c.faults.reply_delay_ms = static_cast<int>(v);
    } else if (a == "--drop") {
      if (!number(-1, 1000000, v)) return error("--drop needs a count (-1: all)");
      c.faults.drop_replies = static_cast<int>(v);
    } else if (a == "--garbage") {
      if (!number(0, 1000, v)) return error("--garbage needs a byte count");
      c.faults.garbage_bytes = static_cast<size_t>(v);
    } else if (a == "--truncate") {
      if (!number(0, 2000, v)) return error("--truncate needs a byte count");
      c.faults.truncate_to = static_cast<size_t>(v);
    } else if (a == "--wrong-command") {
      c.faults.wrong_command = true;
    } else if (a == "--duplicate") {
      if (!number(0, 100, v)) return error("--duplicate needs a count");
      c.faults.duplicates = static_cast<int>(v);
    } else if (a == "--label-length") {
      if (!number(0, 255, v)) return error("--label-length needs a value 0..255");
      c.faults.label_length = static_cast<uint8_t>(v);
    } else if (a == "--flood") {
      if (!number(0, 100000, v)) return error("--flood needs reports per second");
      c.faults.flood_per_second = static_cast<int>(v);
    } else if (a == "--script") {
      if (!value(s) || !parse_script(s, c.script))
        return error("--script takes CMD[:BYTE...],... (numbers 0..255)");
    } else if (a == "--script-interval") {
      if (!number(1, 3600000, v)) return error("--script-interval needs milliseconds");
      c.script_interval_ms = static_cast<int>(v);
    } else if (a == "--script-repeat") {
      c.script_repeat = true;
    } else if (a == "--quiet") {
      c.quiet = true;
    } else if (a == "--any-address") {
      any_address = true;
    } else {
      return error("unknown option " + a + " (try --help)");
    }
  }
  // Outside loopback only when asked for, inside a network namespace made
  // for the run, so a slip never puts simulated devices on a real network.
  if (!any_address) {
    for (const auto& [name, address] :
         {std::pair{"--search-address", c.options.search_address},
          std::pair{"--first-address", c.options.first_address},
          std::pair{"--panel-address", c.options.panel_address}})
      if (address.rfind("127.", 0) != 0)
        return error(std::string(name) + " must be a loopback address (127.x.x.x)");
  }
  const uint8_t types[5] = {kTypeMultiviewer, static_cast<uint8_t>(matrix_type), kTypeSwitcher,
                            kTypeRk5502, kTypeTm3306};
  int ordinal[6] = {};
  auto add = [&](uint8_t type, Transport transport) {
    const Kind kind = kind_for_type(type);
    const int n = ++ordinal[static_cast<int>(kind)];
    DeviceSpec spec;
    spec.type = type;
    spec.id = static_cast<uint8_t>(n);
    spec.name = prefix + default_device_name(kind, n);
    spec.transport = transport;
    c.options.devices.push_back(spec);
  };
  for (int k = 0; k < 5; ++k)
    for (int n = 0; n < counts[k]; ++n) add(types[k], Transport::Udp);
  if (serial_type >= 0) add(static_cast<uint8_t>(serial_type), Transport::Serial);
  if (c.options.devices.empty()) return error("no device: give --multiviewer N or another kind");
  if (c.options.devices.size() > 250) return error("at most 250 devices");
  return c;
}

std::string describe(const ReceivedFrame& f) {
  std::string line = "rx dev=" + std::to_string(f.device);
  line += f.transport == Transport::Udp ? " udp " : " serial ";
  line += f.sender;
  if (f.transport == Transport::Udp) line += " port=" + std::to_string(f.local_port);
  char cmd[24];
  if (f.text) {
    line += " text \"" + f.text_command() + "\"";
  } else {
    std::snprintf(cmd, sizeof cmd, " cmd=0x%02X len=%zu", f.command(), f.bytes.size());
    line += cmd;
  }
  if (f.bad) line += " BAD(" + f.problem + ")";
  if (f.rejected) line += " REJECTED(" + f.problem + ")";
  if (f.misaddressed) line += " MISADDRESSED";
  if (!f.text) line += " " + hex(f.bytes);
  return line;
}

}  // namespace devsim
