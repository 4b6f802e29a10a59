// discover: the panel's device search, with its request, its two seconds and
// its rules for which replies name devices.
#include <cstring>
#include <ostream>

#include "app/manual_devices.h"
#include "link/search_reply.h"
#include "ctl/ctl.h"
#include "link/exchange.h"
#include "link/link_options.h"
#include "link/tick.h"

namespace ctl {

namespace {
constexpr uint32_t kSearchMs = 2000;
constexpr uint32_t kMalformedPauseMs = 50;
constexpr uint32_t kSerialPassMs = 100;
constexpr size_t kTypeOffset = 4;
constexpr size_t kIdOffset = 5;

struct Found {
  QString name;
  std::string address;
  uint8_t type = 0;
  uint8_t id = 0;
};

// LAN: the request to the search address, every reply taken for the full two
// seconds (repeats included), a 50 ms rest after a malformed or multiviewer
// reply that ends early when the next datagram is queued.
bool search_lan(Context& c, std::vector<Found>& found) {
  const LinkOptions& o = link_options();
  UdpExchange search;
  if (!search.open(ipv4_address(o.search_address.c_str(), o.search_address.size(), o.device_port),
                   o.bind_port, /*broadcast=*/true)) {
    c.err << "kelvaro-ctl: cannot create a socket for the search\n";
    return false;
  }
  const uint32_t t0 = tick_ms();
  search.send(build_search_request(Link::Udp));
  uint8_t buf[kSearchReplyBufferSize];
  for (;;) {
    const uint32_t elapsed = ticks_since(t0);
    if (elapsed > kSearchMs) break;
    sockaddr_in from{};
    const int n = search.receive(buf, sizeof buf, &from);
    if (n <= 0) {
      search.wait(kSearchMs - elapsed + 1);
      continue;
    }
    const std::span<const uint8_t> reply(buf, static_cast<size_t>(n));
    const bool typed = is_full_reply(reply) && reply.size() > kTypeOffset;
    const bool rest = !typed || reply[kTypeOffset] == kSearchReplyMultiviewerType;
    for (const QString& name : parse_search_names(reply)) {
      if (found.size() >= static_cast<size_t>(kDeviceTableRows)) break;
      found.push_back({name, DeviceLink::address_text(from).toStdString(), reply[kTypeOffset],
                       reply[kIdOffset]});
    }
    if (rest) search.wait(kMalformedPauseMs);
  }
  return true;
}

// Serial: the request with link byte 00 after the input is drained; the
// serial reply reader takes the first search reply within two seconds.
bool search_serial(Context& c, std::vector<Found>& found) {
  if (!c.connect(0)) return false;
  DeviceLink& link = c.link;
  const DeviceLink::SerialExchange exchange =
      link.start_serial_exchange(build_search_request(Link::Serial));
  if (link.poll_serial_reply(exchange, kSearchMs, kSerialPassMs).answered_now())
    found.push_back({link.m_com_dev_name, c.target.serial_port, link.m_main_com_dev_type,
                     link.m_device_table[0].dev_id});
  return true;
}
}  // namespace

Parsed parse_discover(const Args& args) {
  if (args.help)
    return Parsed::show(
        "Usage: kelvaro-ctl [--search-address ADDR | --serial-port NAME] discover [--json]\n"
        "Searches for devices for two seconds, as the panel's scan does: on the LAN a\n"
        "broadcast to --search-address (only multiviewers answer it), on the serial line\n"
        "one request and the first reply. One line per device: name, address (or port),\n"
        "type code and id, separated by tabs. Exit 1 when no device answered.\n");
  if (!args.words.empty()) return Parsed::fail(bad_value("discover", args.words[0], "an argument"));
  if (args.target->lan())
    return Parsed::fail("--device: discover searches; it takes no device (see --search-address)");
  return Parsed::run([](Context& c) {
    std::vector<Found> found;
    const bool searched = c.target.serial() ? search_serial(c, found) : search_lan(c, found);
    if (!searched) return c.target.serial() ? kExitUsage : kExitNoReply;
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
        c.out << f.name.toStdString() << '\t' << f.address << '\t' << type << '\t' << int(f.id)
              << '\n';
      }
    }
    if (found.empty()) return c.no_reply("the search", kSearchMs);
    return kExitOk;
  });
}

}  // namespace ctl
