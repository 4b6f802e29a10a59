#pragma once
// A UDP port held by "another program": a socket bound to it on every
// address, so that the panel's own bind of that port fails as it would when
// something else on the machine has it.
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>

class TakenPort {
 public:
  explicit TakenPort(uint16_t port) : m_fd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    m_ok = m_fd >= 0 && ::bind(m_fd, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0;
  }
  ~TakenPort() { release(); }
  TakenPort(const TakenPort&) = delete;
  TakenPort& operator=(const TakenPort&) = delete;

  bool ok() const { return m_ok; }
  // Gives the port back.
  void release() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
  }

 private:
  int m_fd;
  bool m_ok = false;
};
