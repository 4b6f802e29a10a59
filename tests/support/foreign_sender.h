#pragma once
// A sender on another host's address (127.0.0.66 unless told): datagrams
// that a device did not send, for the rules that take input only from the
// device it belongs to.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <span>

class ForeignSender {
 public:
  explicit ForeignSender(const char* address = "127.0.0.66")
      : m_fd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = ::inet_addr(address);
    m_ok = m_fd >= 0 && ::bind(m_fd, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0;
  }
  ~ForeignSender() {
    if (m_fd >= 0) ::close(m_fd);
  }
  ForeignSender(const ForeignSender&) = delete;
  ForeignSender& operator=(const ForeignSender&) = delete;

  bool ok() const { return m_ok; }
  // One datagram to address:port; false when it was refused.
  bool send_to(const char* address, uint16_t port, std::span<const uint8_t> bytes) const {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = ::inet_addr(address);
    return ::sendto(m_fd, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to),
                    sizeof to) == static_cast<ssize_t>(bytes.size());
  }

 private:
  int m_fd;
  bool m_ok = false;
};
