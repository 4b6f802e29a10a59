#pragma once
// The transport seam: where a device is (Target), what an exchange did
// (Outcome), and the two ways of reaching a device (UDP and the serial line)
// behind one interface. Device operations (src/devices) build their bytes,
// pick the transport their rules name and hand both to it; nothing above
// this layer touches a socket or the serial port.
//
// Waits: a query's wait runs a local event loop with operator input held
// back (link/wait.h). An exchange requested while another waits on the
// user-interface thread is queued behind it (link/exchange.h): the call then
// returns Outcome::Queued at once and the exchange, with everything it was
// given, runs once the running wait has ended; its `done` callback reports
// the real outcome then. Callbacks of a queued exchange must therefore not
// refer to the caller's stack.
#include <netinet/in.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

class DeviceLink;

enum class Medium : uint8_t {
  Lan,     // UDP datagrams
  Serial,  // the serial line
  None,    // no connection mode: nothing is sent
};

// Where a device is and how its frames are addressed.
struct Target {
  Medium medium = Medium::Lan;
  // The device's LAN address (dotted decimal; empty when the device has no
  // row) with its port, and the local port exchanges bind. Kept on serial
  // targets too: a few operations go over the LAN whatever the mode.
  std::string address;
  uint16_t device_port = 7000;
  uint16_t bind_port = 7000;
  uint8_t dev_type = 0;  // frame byte 4
  uint8_t dev_id = 0;    // frame byte 5

  bool has_address() const { return !address.empty(); }
  sockaddr_in lan_address() const;
  // The same device reached over the other medium, or on other ports.
  Target over(Medium m) const;
  Target on_ports(uint16_t device, uint16_t bind) const;

  // A LAN device on the command ports of link_options().
  static Target lan(const std::string& address, uint8_t type, uint8_t id);
  // The device on the serial line; `address` kept for LAN-only operations.
  static Target serial(uint8_t type, uint8_t id, const std::string& address = {});
};

// What one send or query did.
struct Outcome {
  enum class Status : uint8_t {
    Sent,        // one-way bytes went out
    Answered,    // a query's reply was taken
    Unanswered,  // a query ran to its bound without a reply
    Queued,      // requested during another exchange's wait; runs after it
    Failed,      // nothing (or not all) went out; `reason` says why
  };
  Status status = Status::Sent;
  std::string reason;

  static Outcome sent() { return {Status::Sent, {}}; }
  static Outcome answered() { return {Status::Answered, {}}; }
  static Outcome unanswered() { return {Status::Unanswered, {}}; }
  static Outcome queued() { return {Status::Queued, {}}; }
  static Outcome failed(std::string why) { return {Status::Failed, std::move(why)}; }

  bool ok() const { return status == Status::Sent || status == Status::Answered; }
  bool answered_now() const { return status == Status::Answered; }
};

// A query's timing: the pause after the request, the bound of the whole
// exchange (measured from before the request; a reply at exactly the bound
// is still taken) and, on the serial line, the longest sleep between two
// passes over the input.
struct QueryRule {
  uint32_t bound_ms = 200;
  uint32_t pause_after_send_ms = 0;
  uint32_t serial_step_ms = 20;
};

// Decides whether a received datagram (or, on the serial line, the frame the
// reply reader found) is the reply. `from` is the sender; on the serial line
// it is all zeros. True takes it and ends the wait.
using Accept = std::function<bool(const sockaddr_in& from, std::span<const uint8_t> bytes)>;
// Told the final outcome when the exchange ends (at once, or later when it
// was queued).
using Done = std::function<void(const Outcome& outcome)>;

class Transport {
 public:
  virtual ~Transport() = default;
  // One-way bytes, followed by a pause of pause_ms.
  virtual Outcome send(const Target& target, std::span<const uint8_t> bytes, uint32_t pause_ms) = 0;
  // Sends the request and waits by `rule` until `accept` takes a reply.
  virtual Outcome query(const Target& target, std::span<const uint8_t> request,
                        const QueryRule& rule, Accept accept, Done done = {}) = 0;
};

// The transports of one panel or tool run. Device operations take the pair
// so that each can keep its own rule: most go by the target's medium, a few
// travel over the LAN whatever it says.
struct Transports {
  Transport& udp;
  Transport& serial;
  Transport& none;
  Transport& of(const Target& target) const {
    return target.medium == Medium::Lan ? udp : target.medium == Medium::Serial ? serial : none;
  }
};

// UDP: every exchange opens its own socket from the target's bind port,
// sends, pauses or waits, and closes it (link/exchange.h). A query hands to
// `accept` only datagrams from the address it asked, and never one equal to
// its own request (its echo when the device is local and both ports are
// the same); the rest are dropped with a trace line while the wait goes on
// within its bound. While a page
// holds the link's command socket (the switcher) one-way bytes for its
// device go out on it, to its destination, with the same pause; bytes for
// another device still go on an exchange of their own.
class UdpTransport final : public Transport {
 public:
  explicit UdpTransport(DeviceLink& link) : m_link(link) {}
  Outcome send(const Target& target, std::span<const uint8_t> bytes, uint32_t pause_ms) override;
  Outcome query(const Target& target, std::span<const uint8_t> request, const QueryRule& rule,
                Accept accept, Done done = {}) override;

 private:
  DeviceLink& m_link;
};

// The serial line: bytes are written when the port is open; a query empties
// the input, writes the request, pauses, then runs the serial reply reader
// over what arrives. A port closed or reopened during the exchange ends it.
class SerialTransport final : public Transport {
 public:
  explicit SerialTransport(DeviceLink& link) : m_link(link) {}
  Outcome send(const Target& target, std::span<const uint8_t> bytes, uint32_t pause_ms) override;
  Outcome query(const Target& target, std::span<const uint8_t> request, const QueryRule& rule,
                Accept accept, Done done = {}) override;

 private:
  DeviceLink& m_link;
};

// No connection mode: nothing goes out.
class NoTransport final : public Transport {
 public:
  Outcome send(const Target&, std::span<const uint8_t>, uint32_t) override;
  Outcome query(const Target&, std::span<const uint8_t>, const QueryRule&, Accept,
                Done done = {}) override;
};

// The held sockets of a page that keeps its link for its whole life (the
// switcher): frames go out on the command socket to the device's switcher
// port, each followed by a pause that runs no events (so it is safe from a
// worker thread and never lets a handler interleave with another).
class HeldUdpTransport final : public Transport {
 public:
  explicit HeldUdpTransport(DeviceLink& link) : m_link(link) {}
  Outcome send(const Target& target, std::span<const uint8_t> bytes, uint32_t pause_ms) override;
  // The held link has no query; this fails.
  Outcome query(const Target& target, std::span<const uint8_t> request, const QueryRule& rule,
                Accept accept, Done done = {}) override;

 private:
  DeviceLink& m_link;
};
