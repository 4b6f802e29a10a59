#include "link/device_link.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include "app/error_box.h"
#include "link/link_options.h"
#include "link/tick.h"
#include "link/wait.h"

DeviceLink::DeviceLink() = default;

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

bool DeviceLink::open_udp_socket(int& fd, uint16_t bind_port, uint16_t device_port) {
  if (fd != -1) return true;
  const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
  if (s < 0) return false;
  std::memset(&m_dev_addr, 0, sizeof m_dev_addr);
  const DeviceEntry* row = selected_row();
  if (!row) {
    show_error(QStringLiteral("Please choose a device"));
    ::close(s);
    return false;
  }
  fd = s;
  m_dev_addr.sin_family = AF_INET;
  m_dev_addr.sin_port = htons(device_port);
  char ip[17] = {};
  std::memcpy(ip, row->ip, sizeof row->ip);
  m_dev_addr.sin_addr.s_addr = ::inet_addr(ip);
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
  std::memset(&m_dev_addr, 0, sizeof m_dev_addr);
  m_dev_addr.sin_family = AF_INET;
  m_dev_addr.sin_port = htons(o.device_port);
  m_dev_addr.sin_addr.s_addr = ::inet_addr(o.search_address.c_str());
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

void DeviceLink::send_udp_bytes(std::span<const uint8_t> bytes, uint32_t pause) {
  open_command_socket();
  send_datagram(bytes);
  pause_ms(pause);
  close_command_socket();
}

void DeviceLink::send_udp_command(uint8_t command, std::span<const uint8_t> payload,
                                  uint32_t pause) {
  // The frame is built after the socket is opened, immediately before sending.
  open_command_socket();
  send_datagram(build_device_frame(command, payload, Link::Udp));
  pause_ms(pause);
  close_command_socket();
}

bool DeviceLink::send_serial_command(uint8_t command, std::span<const uint8_t> payload) {
  if (!m_comm.is_open()) return false;
  const std::vector<uint8_t> frame = build_device_frame(command, payload, Link::Serial);
  m_comm.write_port(frame.data(), frame.size());
  return true;
}

void DeviceLink::send_command(uint8_t command, std::span<const uint8_t> payload) {
  if (m_eState == 0)
    send_udp_command(command, payload);
  else if (m_eState == 1)
    send_serial_command(command, payload);
}

bool DeviceLink::query_udp(uint8_t command, std::span<const uint8_t> payload, uint32_t bound_ms,
                           uint32_t pause_after_send_ms, const ReplyHandler& handle) {
  const uint32_t t0 = tick_ms();
  open_command_socket();
  send_datagram(build_device_frame(command, payload, Link::Udp));
  if (pause_after_send_ms) pause_ms(pause_after_send_ms);
  bool taken = false;
  if (m_udpSockfd != -1 && ticks_since(t0) <= bound_ms) {
    static thread_local uint8_t buffer[kPageReplyBufferSize];
    for (;;) {
      const int n = receive(buffer, sizeof buffer);
      if (n > 0 && handle(std::span<const uint8_t>(buffer, static_cast<size_t>(n)))) {
        taken = true;
        break;
      }
      const uint32_t elapsed = ticks_since(t0);
      if (elapsed > bound_ms) break;
      if (n <= 0) {
        // Sleep in poll() until a datagram arrives or the bound is reached;
        // one millisecond past the bound so a reply at exactly the bound is
        // still seen.
        wait_readable(m_udpSockfd, bound_ms - elapsed + 1);
      }
    }
  }
  close_command_socket();
  return taken;
}

QString DeviceLink::dev_addr_text() const {
  char text[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, &m_dev_addr.sin_addr, text, sizeof text);
  return QString::fromLatin1(text);
}

void DeviceLink::store_serial_state_reply(std::span<const uint8_t>) {}
