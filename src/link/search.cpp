#include "link/search.h"

#include <algorithm>

#include "link/control_frame.h"
#include "link/device_link.h"
#include "link/exchange.h"
#include "link/link_options.h"
#include "link/search_reply.h"
#include "link/tick.h"

namespace {
bool wanted(const SearchCallbacks& c) { return !c.still_wanted || c.still_wanted(); }
}  // namespace

size_t SearchFindings::add(const sockaddr_in& from, std::span<const uint8_t> reply,
                           const std::vector<QString>& names) {
  if (names.empty() || reply.size() <= kSearchReplyIdOffset) return 0;
  const std::string address = DeviceLink::address_text(from).toStdString();
  const uint8_t type = reply[kSearchReplyTypeOffset];
  const uint8_t id = reply[kSearchReplyIdOffset];
  size_t added = 0;
  for (const QString& name : names) {
    if (m_devices.size() >= m_room) break;
    if (!m_listed.emplace(address, type, id, name).second) continue;
    m_devices.push_back({name, address, type, id});
    ++added;
  }
  return added;
}

Outcome search_lan(const SearchCallbacks& callbacks, uint32_t step_ms) {
  const uint32_t t0 = tick_ms();
  const std::vector<uint8_t> request = build_search_request(Link::Udp);
  const LinkOptions& o = link_options();
  UdpExchange search;
  if (!search.open(ipv4_address(o.search_address.c_str(), o.search_address.size(), o.device_port),
                   o.bind_port, /*broadcast=*/true))
    return Outcome::failed("cannot open a UDP socket for the search: " + errno_text(errno));
  if (callbacks.on_bound) callbacks.on_bound(search.bind_error());
  if (callbacks.on_started) callbacks.on_started();
  // A refused request still waits the two seconds, as a lost one would.
  const std::string refused = search.send(request);

  bool named = false;
  uint8_t buf[kSearchReplyBufferSize];
  for (;;) {
    const uint32_t elapsed = ticks_since(t0);
    if (elapsed > kSearchMs) break;
    if (callbacks.on_progress) callbacks.on_progress(elapsed);
    sockaddr_in from{};
    const int n = search.receive(buf, sizeof buf, &from);
    if (n <= 0) {
      const uint32_t left = kSearchMs - elapsed + 1;
      search.wait(step_ms ? std::min(left, step_ms) : left);
      if (!wanted(callbacks)) return Outcome::failed("the search was abandoned");
      continue;
    }
    const std::span<const uint8_t> reply(buf, static_cast<size_t>(n));
    const bool typed = is_full_reply(reply) && reply.size() > kSearchReplyTypeOffset;
    const bool rest = !typed || reply[kSearchReplyTypeOffset] == kSearchReplyMultiviewerType;
    const std::vector<QString> names = parse_search_names(reply);
    if (!names.empty()) named = true;
    if (callbacks.on_reply) callbacks.on_reply(from, reply, names);
    if (rest) search.wait(kSearchRestMs);
    if (!wanted(callbacks)) return Outcome::failed("the search was abandoned");
  }
  if (named) return Outcome::answered();
  if (!refused.empty()) return Outcome::failed(refused);
  if (!search.bind_error().empty()) return Outcome::failed(search.bind_error());
  return Outcome::unanswered();
}

Outcome search_serial(DeviceLink& link, const SearchCallbacks& callbacks, uint32_t step_ms) {
  if (!link.m_comm.is_open()) return Outcome::failed("serial port not open");
  if (callbacks.on_started) callbacks.on_started();
  const DeviceLink::SerialExchange exchange =
      link.start_serial_exchange(build_search_request(Link::Serial));
  return link.poll_serial_reply(exchange, kSearchMs, step_ms, callbacks.on_progress);
}
