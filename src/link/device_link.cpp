#include "link/device_link.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "link/exchange.h"
#include "link/link_options.h"
#include "link/link_ui.h"
#include "link/tick.h"
#include "link/trace.h"
#include "link/wait.h"

DeviceLink::DeviceLink() {
  m_comm.set_open_listener([this] { emit m_link_health.changed(); });
}

DeviceLink::~DeviceLink() {
  close_command_socket();
  if (m_udpSockfd2 != -1) {
    ::close(m_udpSockfd2);
    m_udpSockfd2 = -1;
  }
}

bool DeviceLink::net_start() {
  // POSIX sockets need no stack start; the call stays so start-up keeps its
  // order and a platform that needs one has a place for it.
  m_net_started = true;
  return true;
}

const DeviceEntry* DeviceLink::selected_row() const {
  if (m_device_index < 0) return nullptr;
  return &m_device_table[m_device_index];
}

std::optional<sockaddr_in> DeviceLink::selected_destination(uint16_t device_port) const {
  const DeviceEntry* row = selected_row();
  if (!row) {
    report_link_error(QStringLiteral("Please choose a device"));
    return std::nullopt;
  }
  return ipv4_address(row->ip, sizeof row->ip, device_port);
}

bool DeviceLink::open_udp_socket(int& fd, uint16_t bind_port, uint16_t device_port) {
  if (fd != -1) return true;
  const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
  if (s < 0) return false;
  std::memset(&m_dev_addr, 0, sizeof m_dev_addr);
  const std::optional<sockaddr_in> destination = selected_destination(device_port);
  if (!destination) {
    ::close(s);
    return false;
  }
  fd = s;
  m_dev_addr = *destination;
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(bind_port);
  local.sin_addr.s_addr = htonl(INADDR_ANY);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) return false;
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
  return true;
}

bool DeviceLink::open_command_socket() {
  const LinkOptions& o = link_options();
  return open_udp_socket(m_udpSockfd, o.bind_port, o.device_port);
}

bool DeviceLink::open_second_socket() {
  const LinkOptions& o = link_options();
  return open_udp_socket(m_udpSockfd2, o.switcher_bind_port, o.switcher_device_port);
}

bool DeviceLink::open_search_socket() {
  if (m_udpSockfd != -1) return true;
  const int s = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (s < 0) return false;
  m_udpSockfd = s;
  const LinkOptions& o = link_options();
  m_dev_addr = ipv4_address(o.search_address.c_str(), o.search_address.size(), o.device_port);
  const int on = 1;
  ::setsockopt(s, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(o.bind_port);
  local.sin_addr.s_addr = htonl(INADDR_ANY);
  if (::bind(s, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) return false;
  ::fcntl(s, F_SETFL, ::fcntl(s, F_GETFL) | O_NONBLOCK);
  return true;
}

bool DeviceLink::close_command_socket() {
  if (m_udpSockfd != -1) {
    ::close(m_udpSockfd);
    m_udpSockfd = -1;
  }
  return true;
}

std::vector<uint8_t> DeviceLink::build_device_frame(uint8_t command,
                                                    std::span<const uint8_t> payload,
                                                    Link link) const {
  // With no selected row (only possible for a serial address change before
  // any search) the frame is addressed with row 0.
  const DeviceEntry& row = m_device_table[m_device_index < 0 ? 0 : m_device_index];
  return build_frame(row.dev_type, row.dev_id, link, command, payload);
}

void DeviceLink::send_datagram_on(int fd, std::span<const uint8_t> bytes) {
  if (fd == -1) return;
  ::sendto(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL,
           reinterpret_cast<const sockaddr*>(&m_dev_addr), sizeof m_dev_addr);
  m_link_health.one_way(LinkHealth::udp_key(m_dev_addr));
}

void DeviceLink::send_datagram(std::span<const uint8_t> bytes) {
  send_datagram_on(m_udpSockfd, bytes);
}

int DeviceLink::receive(uint8_t* buffer, size_t capacity) {
  std::memset(buffer, 0, capacity);
  if (m_udpSockfd == -1) return -1;
  sockaddr_in from{};
  socklen_t len = sizeof from;
  const ssize_t n = ::recvfrom(m_udpSockfd, buffer, capacity, MSG_DONTWAIT,
                               reinterpret_cast<sockaddr*>(&from), &len);
  if (n > 0) m_dev_addr = from;
  return static_cast<int>(n);
}

void DeviceLink::send_one_way(std::vector<uint8_t> bytes, uint32_t pause, const char* what) {
  if (m_udpSockfd != -1) {
    // A page holds the command socket: it keeps its destination.
    run_exchange(what, [this, bytes = std::move(bytes), pause] {
      send_datagram(bytes);
      pause_ms(pause);
    });
    return;
  }
  const std::optional<sockaddr_in> destination = selected_destination(link_options().device_port);
  if (!destination) return;
  run_exchange(what, [this, destination = *destination, bytes = std::move(bytes), pause] {
    UdpExchange exchange;
    if (!exchange.open(destination, link_options().bind_port)) return;
    exchange.send(bytes);
    m_link_health.one_way(LinkHealth::udp_key(destination));
    pause_ms(pause);
  });
}

void DeviceLink::send_udp_bytes(std::span<const uint8_t> bytes, uint32_t pause) {
  send_one_way(std::vector<uint8_t>(bytes.begin(), bytes.end()), pause, "udp bytes");
}

void DeviceLink::send_udp_command(uint8_t command, std::span<const uint8_t> payload,
                                  uint32_t pause) {
  send_one_way(build_device_frame(command, payload, Link::Udp), pause, "udp command");
}

bool DeviceLink::send_serial_bytes(std::span<const uint8_t> bytes) {
  if (!m_comm.is_open()) return false;
  run_exchange("serial write", [this, bytes = std::vector<uint8_t>(bytes.begin(), bytes.end())] {
    m_comm.write_port(bytes.data(), bytes.size());
    m_link_health.one_way(LinkHealth::serial_key(m_comm.port_name()));
  });
  return true;
}

bool DeviceLink::send_serial_command(uint8_t command, std::span<const uint8_t> payload) {
  if (!m_comm.is_open()) return false;
  return send_serial_bytes(build_device_frame(command, payload, Link::Serial));
}

void DeviceLink::send_command(uint8_t command, std::span<const uint8_t> payload) {
  if (m_eState == 0)
    send_udp_command(command, payload);
  else if (m_eState == 1)
    send_serial_command(command, payload);
}

bool DeviceLink::query_udp(uint8_t command, std::span<const uint8_t> payload, uint32_t bound_ms,
                           uint32_t pause_after_send_ms, const ReplyHandler& handle) {
  const std::optional<sockaddr_in> destination = selected_destination(link_options().device_port);
  if (!destination) return false;
  bool taken = false;
  auto result = std::make_shared<bool>(false);
  run_exchange("udp query",
               [this, result, destination = *destination, handle, bound_ms, pause_after_send_ms,
                frame = build_device_frame(command, payload, Link::Udp)] {
                 const uint32_t t0 = tick_ms();
                 BusyScope busy(bound_ms > kBusyWaitThresholdMs);
                 UdpExchange exchange;
                 if (!exchange.open(destination, link_options().bind_port)) return;
                 exchange.send(frame);
                 if (pause_after_send_ms) pause_ms(pause_after_send_ms);
                 const QString key = LinkHealth::udp_key(destination);
                 if (ticks_since(t0) > bound_ms) {
                   m_link_health.unanswered(key);
                   return;
                 }
                 uint8_t buffer[kPageReplyBufferSize];
                 for (;;) {
                   sockaddr_in from{};
                   const int n = exchange.receive(buffer, sizeof buffer, &from);
                   if (n > 0 && handle(std::span<const uint8_t>(buffer, static_cast<size_t>(n)))) {
                     m_last_reply_addr = from;
                     *result = true;
                     m_link_health.answered(key);
                     return;
                   }
                   const uint32_t elapsed = ticks_since(t0);
                   if (elapsed > bound_ms) {
                     m_link_health.unanswered(key);
                     return;
                   }
                   // Sleep until a datagram arrives or the bound is reached; one
                   // millisecond past the bound so a reply at exactly the bound is
                   // still seen.
                   if (n <= 0) exchange.wait(bound_ms - elapsed + 1);
                 }
               });
  taken = *result;
  return taken;
}

DeviceLink::SerialExchange DeviceLink::start_serial_exchange(std::span<const uint8_t> request) {
  const SerialExchange exchange{tick_ms(), m_comm.generation()};
  std::memset(m_com_recv_buf, 0, sizeof m_com_recv_buf);
  m_com_recv_len = 0;
  m_comm.drain_input();
  m_comm.write_port(request.data(), request.size());
  return exchange;
}

bool DeviceLink::poll_serial_reply(const SerialExchange& exchange, uint32_t bound_ms,
                                   uint32_t step_ms,
                                   const std::function<void(uint32_t)>& on_pass) {
  const uint32_t t0 = exchange.t0;
  for (;;) {
    if (m_comm.generation() != exchange.generation || !m_comm.is_open()) {
      trace(lcLink(), "serial port closed or reopened during the exchange\n");
      return false;
    }
    poll_serial_input();
    if (parse_serial_reply(m_com_recv_buf, m_com_recv_len) > 0) {
      m_link_health.answered(LinkHealth::serial_key(m_comm.port_name()));
      return true;
    }
    const uint32_t elapsed = ticks_since(t0);
    if (elapsed > bound_ms) {
      m_link_health.unanswered(LinkHealth::serial_key(m_comm.port_name()));
      return false;
    }
    if (on_pass) on_pass(elapsed);
    m_comm.wait_input(std::min(step_ms, bound_ms - elapsed + 1));
  }
}

QString DeviceLink::address_text(const sockaddr_in& address) {
  char text[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
  return QString::fromLatin1(text);
}

void DeviceLink::store_serial_state_reply(std::span<const uint8_t>) {}
