#include "link/exchange.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QMetaObject>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <deque>

#include "link/trace.h"
#include "link/wait.h"

UdpExchange::~UdpExchange() { close(); }

void UdpExchange::close() {
  if (m_fd != -1) ::close(m_fd);
  m_fd = -1;
}

bool UdpExchange::open(const sockaddr_in& destination, uint16_t bind_port, bool broadcast) {
  if (m_fd != -1) return true;
  const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
  if (s < 0) return false;
  m_fd = s;
  m_bind_error.clear();
  m_destination = destination;
  if (broadcast) {
    const int on = 1;
    ::setsockopt(s, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
  }
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(bind_port);
  local.sin_addr.s_addr = htonl(INADDR_ANY);
  if (::bind(s, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
    m_bind_error = "cannot bind local port " + std::to_string(bind_port) + ": " + errno_text(errno);
    trace(lcLink(), "bind to local port %u failed\n", bind_port);
  }
  ::fcntl(s, F_SETFL, ::fcntl(s, F_GETFL) | O_NONBLOCK);
  return true;
}

bool UdpExchange::open_shared(int bound_fd, const sockaddr_in& destination) {
  if (m_fd != -1) return true;
  const int s = ::fcntl(bound_fd, F_DUPFD_CLOEXEC, 0);
  if (s < 0) return false;
  m_fd = s;
  m_bind_error.clear();
  m_destination = destination;
  // Bounded: a socket holds only so much, and a flood meanwhile is cut off.
  uint8_t scratch[64];
  for (int i = 0; i < 1024; ++i)
    if (::recv(s, scratch, sizeof scratch, MSG_DONTWAIT) < 0) break;
  return true;
}

std::string UdpExchange::send(std::span<const uint8_t> bytes) const {
  if (m_fd == -1) return "no socket";
  if (::sendto(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL,
               reinterpret_cast<const sockaddr*>(&m_destination), sizeof m_destination) >= 0)
    return {};
  const int error = errno;
  char text[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, &m_destination.sin_addr, text, sizeof text);
  return std::string("send to ") + text + " refused: " + errno_text(error);
}

std::string errno_text(int error) {
  // Lower-case first letter: the text ends a sentence of the caller's.
  std::string text = std::strerror(error);
  if (!text.empty()) text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
  return text;
}

int UdpExchange::receive(uint8_t* buffer, size_t capacity, sockaddr_in* from) const {
  std::memset(buffer, 0, capacity);
  if (m_fd == -1) return -1;
  sockaddr_in sender{};
  socklen_t len = sizeof sender;
  const ssize_t n =
      ::recvfrom(m_fd, buffer, capacity, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&sender), &len);
  if (n > 0 && from) *from = sender;
  return static_cast<int>(n);
}

bool UdpExchange::wait(uint32_t timeout_ms) const { return wait_readable(m_fd, timeout_ms); }

sockaddr_in ipv4_address(const char* text, size_t max_len, uint16_t port) {
  char ip[32] = {};
  std::memcpy(ip, text, std::min(max_len, sizeof ip - 1));
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = ::inet_addr(ip);
  return a;
}

namespace {
struct Queued {
  const char* what;
  std::function<void()> run;
};
std::deque<Queued> g_queue;
bool g_draining = false;

void drain_queue() {
  // A wait that started after the drain was posted keeps its turn: the queue
  // runs when that one has ended too.
  if (g_draining || ui_wait_depth() > 0) return;
  g_draining = true;
  while (!g_queue.empty() && ui_wait_depth() == 0) {
    Queued next = std::move(g_queue.front());
    g_queue.pop_front();
    trace(lcLink(), "queued exchange runs: %s\n", next.what);
    next.run();
  }
  g_draining = false;
}

void post_drain() {
  if (g_queue.empty()) return;
  if (QCoreApplication* app = QCoreApplication::instance())
    QMetaObject::invokeMethod(app, &drain_queue, Qt::QueuedConnection);
}

struct HookInstaller {
  HookInstaller() { add_wait_end_hook(&post_drain); }
} g_hook_installer;
}  // namespace

bool exchange_would_queue() { return on_ui_thread() && ui_wait_depth() > 0; }

int queued_exchanges() { return static_cast<int>(g_queue.size()); }

bool run_exchange(const char* what, std::function<void()> exchange) {
  if (!exchange_would_queue()) {
    exchange();
    return true;
  }
  trace(lcLink(), "exchange requested during a wait, queued: %s\n", what);
#ifndef NDEBUG
  qWarning("exchange requested during a wait, queued behind it: %s", what);
#endif
  g_queue.push_back({what, std::move(exchange)});
  return false;
}
