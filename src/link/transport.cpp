#include "link/transport.h"

#include <arpa/inet.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "link/device_link.h"
#include "link/exchange.h"
#include "link/link_options.h"
#include "link/link_ui.h"
#include "link/tick.h"
#include "link/trace.h"
#include "link/wait.h"

namespace {
// Reported when a LAN exchange has no device to go to.
const char* const kNoDeviceReason = "no device chosen";

Outcome no_device() {
  report_link_error(QStringLiteral("Please choose a device"));
  return Outcome::failed(kNoDeviceReason);
}

// A query that ends before it starts: `done` hears the outcome at once.
Outcome ended(const Done& done, const Outcome& outcome) {
  if (done) done(outcome);
  return outcome;
}

// Runs `exchange` now, or queues it behind the running wait. The outcome of
// a queued exchange is told to `done` when it has run; one that runs now is
// returned (and told to `done` too).
Outcome run_or_queue(const char* what, Done done, std::function<Outcome()> exchange) {
  auto result = std::make_shared<Outcome>(Outcome::queued());
  const bool ran =
      run_exchange(what, [result, done = std::move(done), exchange = std::move(exchange)] {
        *result = exchange();
        if (done) done(*result);
      });
  return ran ? *result : Outcome::queued();
}
// Sorts out what a query's socket receives that cannot be the reply: a
// datagram from any address but the one asked (another host, a forger), and
// the request itself coming back (a device at a local address with the bind
// port equal to the device port receives on the very socket that asked).
// Each is dropped with a trace line; under a flood only the first and then
// every 1000th is traced, so the work per datagram stays a comparison.
class ForeignDatagrams {
 public:
  explicit ForeignDatagrams(const sockaddr_in& asked) : m_asked(asked) {}
  ~ForeignDatagrams() {
    if (m_dropped > 1) trace(lcLink(), "query: %llu datagrams dropped in all\n", m_dropped);
  }
  ForeignDatagrams(const ForeignDatagrams&) = delete;
  ForeignDatagrams& operator=(const ForeignDatagrams&) = delete;

  bool is_reply(const sockaddr_in& from, std::span<const uint8_t> bytes,
                std::span<const uint8_t> request) {
    if (from.sin_addr.s_addr != m_asked.sin_addr.s_addr) return drop(from, "not the device asked");
    if (std::ranges::equal(bytes, request)) return drop(from, "the request itself");
    return true;
  }

 private:
  bool drop(const sockaddr_in& from, const char* why) {
    if (m_dropped++ % 1000 == 0) {
      char text[INET_ADDRSTRLEN] = {};
      ::inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
      trace(lcLink(), "query: datagram from %s dropped: %s\n", text, why);
    }
    return false;
  }

  sockaddr_in m_asked;
  unsigned long long m_dropped = 0;
};
}  // namespace

sockaddr_in Target::lan_address() const {
  return ipv4_address(address.c_str(), address.size(), device_port);
}

Target Target::over(Medium m) const {
  Target t = *this;
  t.medium = m;
  return t;
}

Target Target::on_ports(uint16_t device, uint16_t bind) const {
  Target t = *this;
  t.device_port = device;
  t.bind_port = bind;
  return t;
}

Target Target::lan(const std::string& address, uint8_t type, uint8_t id) {
  const LinkOptions& o = link_options();
  return {Medium::Lan, address, o.device_port, o.bind_port, type, id};
}

Target Target::serial(uint8_t type, uint8_t id, const std::string& address) {
  Target t = lan(address, type, id);
  t.medium = Medium::Serial;
  return t;
}

// ---- UDP ----

Outcome UdpTransport::send(const Target& target, std::span<const uint8_t> bytes,
                           uint32_t pause_ms_after) {
  DeviceLink& link = m_link;
  std::vector<uint8_t> copy(bytes.begin(), bytes.end());
  // A page holds the command socket: frames for its device go out on it, to
  // its destination. A frame for another device (the show's multiviewer
  // while the switcher page is open) goes on an exchange of its own, or it
  // would reach the held socket's device instead.
  if (link.m_udpSockfd != -1 && (!target.has_address() || target.lan_address().sin_addr.s_addr ==
                                                              link.m_dev_addr.sin_addr.s_addr)) {
    return run_or_queue("udp command", {}, [&link, copy = std::move(copy), pause_ms_after] {
      const std::string error = link.send_datagram(copy);
      pause_ms(pause_ms_after);
      return error.empty() ? Outcome::sent() : Outcome::failed(error);
    });
  }
  if (!target.has_address()) return no_device();
  return run_or_queue("udp command", {},
                      [&link, destination = target.lan_address(), bind = target.bind_port,
                       copy = std::move(copy), pause_ms_after] {
                        UdpExchange exchange;
                        if (!exchange.open(destination, bind))
                          return Outcome::failed("cannot open a UDP socket: " + errno_text(errno));
                        link.note_local_port(bind, exchange.bind_error());
                        const std::string refused = exchange.send(copy);
                        link.m_link_health.one_way(LinkHealth::udp_key(destination));
                        pause_ms(pause_ms_after);
                        if (!refused.empty()) return Outcome::failed(refused);
                        // The datagram went out, but from a port the system picked.
                        if (!exchange.bind_error().empty())
                          return Outcome::failed(exchange.bind_error());
                        return Outcome::sent();
                      });
}

Outcome UdpTransport::query(const Target& target, std::span<const uint8_t> request,
                            const QueryRule& rule, Accept accept, Done done) {
  if (!target.has_address()) return ended(done, no_device());
  DeviceLink& link = m_link;
  return run_or_queue(
      "udp query", std::move(done),
      [&link, destination = target.lan_address(), bind = target.bind_port, rule,
       accept = std::move(accept), frame = std::vector<uint8_t>(request.begin(), request.end())] {
        const uint32_t t0 = tick_ms();
        BusyScope busy(rule.bound_ms > kBusyWaitThresholdMs);
        UdpExchange exchange;
        // While a page holds a socket on this port the device's reply comes
        // to that socket: the query listens there, on a descriptor of its own.
        const int held = link.held_command_socket_on(bind);
        if (held != -1) {
          if (!exchange.open_shared(held, destination))
            return Outcome::failed("cannot open a UDP socket: " + errno_text(errno));
        } else {
          if (!exchange.open(destination, bind))
            return Outcome::failed("cannot open a UDP socket: " + errno_text(errno));
          link.note_local_port(bind, exchange.bind_error());
        }
        const QString key = LinkHealth::udp_key(destination);
        const std::string refused = exchange.send(frame);
        if (!refused.empty()) {
          // Nothing went out, so nothing can answer.
          link.m_link_health.unanswered(key);
          return Outcome::failed(refused);
        }
        // Without its own port the reply may never reach this socket: an
        // unanswered query then says why.
        const auto unanswered = [&] {
          link.m_link_health.unanswered(key);
          return exchange.bind_error().empty() ? Outcome::unanswered()
                                               : Outcome::failed(exchange.bind_error());
        };
        if (rule.pause_after_send_ms) pause_ms(rule.pause_after_send_ms);
        if (ticks_since(t0) > rule.bound_ms) return unanswered();
        uint8_t buffer[kPageReplyBufferSize];
        ForeignDatagrams foreign(destination);
        for (;;) {
          sockaddr_in from{};
          const int n = exchange.receive(buffer, sizeof buffer, &from);
          const std::span<const uint8_t> bytes(buffer, n > 0 ? static_cast<size_t>(n) : 0);
          if (n > 0 && foreign.is_reply(from, bytes, frame) && accept(from, bytes)) {
            link.m_last_reply_addr = from;
            link.m_link_health.answered(key);
            return Outcome::answered();
          }
          const uint32_t elapsed = ticks_since(t0);
          if (elapsed > rule.bound_ms) return unanswered();
          // Sleep until a datagram arrives or the bound is reached; one
          // millisecond past the bound so a reply at exactly the bound is
          // still seen.
          if (n <= 0) exchange.wait(rule.bound_ms - elapsed + 1);
        }
      });
}

// ---- serial line ----

namespace {
const char* const kPortClosed = "serial port not open";
}

Outcome SerialTransport::send(const Target&, std::span<const uint8_t> bytes,
                              uint32_t pause_ms_after) {
  DeviceLink& link = m_link;
  if (!link.m_comm.is_open()) return Outcome::failed(kPortClosed);
  return run_or_queue(
      "serial write", {},
      [&link, copy = std::vector<uint8_t>(bytes.begin(), bytes.end()), pause_ms_after] {
        if (!link.m_comm.is_open()) return Outcome::failed(kPortClosed);
        const uint64_t before = link.m_comm.total_written();
        link.m_comm.write_port(copy.data(), copy.size());
        link.m_link_health.one_way(LinkHealth::serial_key(link.m_comm.port_name()));
        if (pause_ms_after) pause_ms(pause_ms_after);
        // The port counts what it wrote or queued; nothing
        // counted means the line refused the write.
        if (link.m_comm.total_written() == before && !copy.empty())
          return Outcome::failed("serial line hung up");
        return Outcome::sent();
      });
}

Outcome SerialTransport::query(const Target&, std::span<const uint8_t> request,
                               const QueryRule& rule, Accept accept, Done done) {
  DeviceLink& link = m_link;
  if (!link.m_comm.is_open()) return ended(done, Outcome::failed(kPortClosed));
  return run_or_queue("serial query", std::move(done),
                      [&link, rule, accept = std::move(accept),
                       frame = std::vector<uint8_t>(request.begin(), request.end())] {
                        if (!link.m_comm.is_open()) return Outcome::failed(kPortClosed);
                        BusyScope busy(rule.bound_ms > kBusyWaitThresholdMs);
                        const DeviceLink::SerialExchange exchange =
                            link.start_serial_exchange(frame);
                        if (rule.pause_after_send_ms) pause_ms(rule.pause_after_send_ms);
                        const Outcome outcome =
                            link.poll_serial_reply(exchange, rule.bound_ms, rule.serial_step_ms);
                        if (outcome.answered_now() && accept)
                          accept(sockaddr_in{}, link.m_serial_reply);
                        return outcome;
                      });
}

// ---- no mode ----

Outcome NoTransport::send(const Target&, std::span<const uint8_t>, uint32_t) {
  return Outcome::failed("no connection mode");
}

Outcome NoTransport::query(const Target&, std::span<const uint8_t>, const QueryRule&, Accept,
                           Done done) {
  return ended(done, Outcome::failed("no connection mode"));
}

// ---- held sockets ----

Outcome HeldUdpTransport::send(const Target&, std::span<const uint8_t> bytes,
                               uint32_t pause_ms_after) {
  const std::string error = m_link.send_datagram(bytes);
  // A plain sleep: this runs on the T-bar worker too, and on the user-
  // interface thread no event may run in the middle of a handler.
  std::this_thread::sleep_for(std::chrono::milliseconds(pause_ms_after));
  return error.empty() ? Outcome::sent() : Outcome::failed(error);
}

Outcome HeldUdpTransport::query(const Target&, std::span<const uint8_t>, const QueryRule&, Accept,
                                Done done) {
  return ended(done, Outcome::failed("the held link takes no query"));
}
