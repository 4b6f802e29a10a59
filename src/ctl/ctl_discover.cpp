// discover: the panel's device search, with its request, its two seconds and
// its rules for which replies name devices.
#include <cstring>
#include <ostream>

#include "ctl/ctl.h"
#include "devices/device_kinds.h"
#include "link/search.h"

namespace ctl {

namespace {
using Found = SearchFindings::Device;

// LAN: every device the search names, each once, within the table's rows.
Outcome search_lan(std::vector<Found>& found) {
  SearchCallbacks callbacks;
  SearchFindings findings(kDeviceTableRows);
  callbacks.on_reply = [&findings](const sockaddr_in& from, std::span<const uint8_t> reply,
                                   const std::vector<QString>& names) {
    findings.add(from, reply, names);
  };
  const Outcome outcome = ::search_lan(callbacks, 0);
  found = findings.devices();
  return outcome;
}

// Serial: the first search reply the reader finds.
Outcome search_serial(Context& c, std::vector<Found>& found) {
  const Outcome outcome = ::search_serial(c.link, {}, kSearchStepMs);
  if (outcome.answered_now())
    found.push_back({c.link.m_com_dev_name, c.target.serial_port, c.link.m_main_com_dev_type,
                     c.link.m_device_table[0].dev_id});
  return outcome;
}

// A device name as one field of a text line. Names are the reply's bytes
// widened one to one, so a device could put a tab or a line end into its
// name to forge fields or lines, or an escape sequence to steer the
// terminal: those print as \t, \n, \r and \xHH (other bytes below 0x20,
// 0x7F, and 0x80..0x9F, which terminals take as control codes too), and a
// backslash as \\ so the escapes stay unambiguous.
std::string name_field(const QString& name) {
  QString text;
  for (const QChar c : name) {
    const char16_t u = c.unicode();
    if (u == '\\') {
      text += QLatin1String("\\\\");
    } else if (u == '\t') {
      text += QLatin1String("\\t");
    } else if (u == '\n') {
      text += QLatin1String("\\n");
    } else if (u == '\r') {
      text += QLatin1String("\\r");
    } else if (u < 0x20 || (u >= 0x7F && u <= 0x9F)) {
      text += QStringLiteral("\\x%1").arg(static_cast<uint>(u), 2, 16, QLatin1Char('0'));
    } else {
      text += c;
    }
  }
  return text.toStdString();
}
}  // namespace

Parsed parse_discover(const Args& args) {
  if (args.help)
    return Parsed::show(
        "Usage: kelvaro-ctl [--search-address ADDR | --serial-port NAME] discover [--json]\n"
        "Searches for devices for two seconds, as the panel's scan does: on the LAN a\n"
        "broadcast to --search-address (only multiviewers answer it), on the serial line\n"
        "one request and the first reply. One line per device: name, address (or port),\n"
        "type code and id, separated by tabs; in a name a tab, a line end or another\n"
        "control character prints as \\t, \\n, \\r or \\xHH and a backslash as \\\\.\n"
        "Exit 1 when no device answered.\n");
  if (!args.words.empty()) return Parsed::fail(bad_value("discover", args.words[0], "an argument"));
  if (args.target->lan())
    return Parsed::fail("--device: discover searches; it takes no device (see --search-address)");
  return Parsed::run([](Context& c) {
    std::vector<Found> found;
    if (c.target.serial() && !c.connect(0)) return kExitUsage;
    const Outcome outcome = c.target.serial() ? search_serial(c, found) : search_lan(found);
    if (c.json) {
      c.out << "{\"devices\": [";
      for (size_t i = 0; i < found.size(); ++i) {
        const Found& f = found[i];
        c.out << (i ? ", " : "") << "{\"name\": " << json_string(f.name)
              << ", \"address\": " << json_string(QString::fromStdString(f.address))
              << ", \"type\": " << int(f.type)
              << ", \"kind\": " << json_string(QString::fromStdString(device_kind_name(f.type)))
              << ", \"id\": " << int(f.id) << "}";
      }
      c.out << "]}\n";
    } else {
      for (const Found& f : found) {
        char type[8];
        std::snprintf(type, sizeof type, "0x%02X", f.type);
        c.out << name_field(f.name) << '\t' << f.address << '\t' << type << '\t' << int(f.id)
              << '\n';
      }
    }
    return c.exit_for(outcome, "the search", kSearchMs);
  });
}

}  // namespace ctl
