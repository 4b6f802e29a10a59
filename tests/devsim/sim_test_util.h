#pragma once
// The panel's side of a conversation with the simulator, played by the test:
// frames written out by hand, a UDP socket on 127.0.0.1, and the slave end
// of the simulator's pseudo-terminal.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace simtest {

using Bytes = std::vector<uint8_t>;

// A5 6C, length, type, id, link, nine zeros, command, payload, sum, AE.
inline Bytes frame(uint8_t type, uint8_t id, uint8_t link, uint8_t command,
                   const Bytes& payload = {}) {
  const size_t length = 20 + payload.size();
  Bytes f(length, 0);
  f[0] = 0xA5;
  f[1] = 0x6C;
  f[2] = static_cast<uint8_t>(length);
  f[3] = static_cast<uint8_t>(length >> 8);
  f[4] = type;
  f[5] = id;
  f[6] = link;
  f[16] = command;
  for (size_t i = 0; i < payload.size(); ++i) f[17 + i] = payload[i];
  unsigned sum = 0;
  for (size_t i = 0; i < length - 3; ++i) sum += f[i];
  f[length - 3] = static_cast<uint8_t>(sum);
  f[length - 2] = static_cast<uint8_t>(sum >> 8);
  f[length - 1] = 0xAE;
  return f;
}

inline Bytes udp(uint8_t type, uint8_t id, uint8_t command, const Bytes& payload = {}) {
  return frame(type, id, 0x01, command, payload);
}
inline Bytes serial(uint8_t type, uint8_t id, uint8_t command, const Bytes& payload = {}) {
  return frame(type, id, 0x00, command, payload);
}
inline Bytes search(uint8_t link = 0x01) { return frame(0x81, 0xFF, link, 0xFF); }
inline Bytes text(const std::string& t) { return Bytes(t.begin(), t.end()); }

// The name that the "-?-" separator rule finds in a search reply (the last one).
inline std::string search_name(const Bytes& reply) {
  std::string name;
  for (size_t p = 18; p + 2 < reply.size() - 3; ++p)
    if (reply[p] == '-' && reply[p + 2] == '-') name.assign(reply.begin() + 18, reply.begin() + p);
  return name;
}

struct Datagram {
  Bytes bytes;
  std::string from;  // sender address
  uint16_t from_port = 0;
};

// A UDP socket on 127.0.0.1, as the panel's command or switcher socket.
class PanelSocket {
 public:
  explicit PanelSocket(uint16_t port) {
    m_fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    int one = 1;
    ::setsockopt(m_fd, SOL_SOCKET, SO_BROADCAST, &one, sizeof one);
    ::setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    inet_pton(AF_INET, "127.0.0.1", &a.sin_addr);
    m_bound = ::bind(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  }
  ~PanelSocket() { ::close(m_fd); }
  PanelSocket(const PanelSocket&) = delete;
  PanelSocket& operator=(const PanelSocket&) = delete;

  bool bound() const { return m_bound; }

  void send(const std::string& address, uint16_t port, const Bytes& bytes) const {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    inet_pton(AF_INET, address.c_str(), &a.sin_addr);
    ::sendto(m_fd, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&a), sizeof a);
  }

  // The next datagram within timeout_ms.
  std::optional<Datagram> receive(int timeout_ms = 2000) const {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
      uint8_t buffer[4096];
      sockaddr_in from{};
      socklen_t len = sizeof from;
      const ssize_t n =
          ::recvfrom(m_fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &len);
      if (n >= 0) {
        char ip[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &from.sin_addr, ip, sizeof ip);
        return Datagram{Bytes(buffer, buffer + n), ip, ntohs(from.sin_port)};
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            end - std::chrono::steady_clock::now())
                            .count();
      if (left <= 0) return std::nullopt;
      pollfd p{m_fd, POLLIN, 0};
      ::poll(&p, 1, static_cast<int>(left));
    }
  }

  // Every datagram until none came for quiet_ms.
  std::vector<Datagram> receive_all(int quiet_ms = 300) const {
    std::vector<Datagram> out;
    while (auto d = receive(quiet_ms)) out.push_back(std::move(*d));
    return out;
  }

 private:
  int m_fd = -1;
  bool m_bound = false;
};

// The slave end of the simulator's pseudo-terminal, in raw mode.
class SerialPeer {
 public:
  explicit SerialPeer(const std::string& name) {
    m_fd = ::open(name.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    termios t{};
    if (m_fd >= 0 && ::tcgetattr(m_fd, &t) == 0) {
      ::cfmakeraw(&t);
      ::tcsetattr(m_fd, TCSANOW, &t);
    }
  }
  ~SerialPeer() {
    if (m_fd >= 0) ::close(m_fd);
  }
  SerialPeer(const SerialPeer&) = delete;
  SerialPeer& operator=(const SerialPeer&) = delete;

  bool ok() const { return m_fd >= 0; }
  void write(const Bytes& bytes) const {
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::write(m_fd, bytes.data() + done, bytes.size() - done);
      if (n > 0) {
        done += static_cast<size_t>(n);
      } else {
        pollfd p{m_fd, POLLOUT, 0};
        if (::poll(&p, 1, 1000) <= 0) return;
      }
    }
  }
  // Reads until `count` bytes came or timeout_ms passed.
  Bytes read(size_t count, int timeout_ms = 2000) const {
    Bytes out;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (out.size() < count) {
      uint8_t buffer[4096];
      const ssize_t n = ::read(m_fd, buffer, std::min(sizeof buffer, count - out.size()));
      if (n > 0) {
        out.insert(out.end(), buffer, buffer + n);
        continue;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            end - std::chrono::steady_clock::now())
                            .count();
      if (left <= 0) break;
      pollfd p{m_fd, POLLIN, 0};
      ::poll(&p, 1, static_cast<int>(left));
    }
    return out;
  }
  // One frame: its header, then as many bytes as its length field says.
  Bytes read_frame(int timeout_ms = 2000) const {
    Bytes f = read(4, timeout_ms);
    if (f.size() < 4) return f;
    const size_t length = f[2] | (f[3] << 8);
    if (length > 4) {
      const Bytes rest = read(length - 4, timeout_ms);
      f.insert(f.end(), rest.begin(), rest.end());
    }
    return f;
  }
  // Every byte until none came for quiet_ms.
  Bytes read_all(int quiet_ms = 300) const {
    Bytes out;
    for (;;) {
      Bytes more = read(4096, quiet_ms);
      if (more.empty()) return out;
      out.insert(out.end(), more.begin(), more.end());
    }
  }

 private:
  int m_fd = -1;
};

}  // namespace simtest
