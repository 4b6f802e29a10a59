#pragma once
// Exchanges with a device and the rule that keeps them apart.
//
// A UdpExchange owns one socket and one destination for its whole life: it
// opens them, sends, receives and waits on them, and closes them when it
// ends. Nothing that runs while it waits (a timer, a queued call) can send on
// its socket, redirect it or close it, because nobody else holds them.
//
// Nesting: an exchange requested while another waits on the user-interface
// thread does not run inside that wait. It is queued and runs, in the order
// requested, once the outermost wait has ended and control is back in the
// event loop; it never interleaves with the waiting one.
#include <netinet/in.h>

#include <cstdint>
#include <functional>
#include <span>
#include <string>

class UdpExchange {
 public:
  UdpExchange() = default;
  ~UdpExchange();
  UdpExchange(const UdpExchange&) = delete;
  UdpExchange& operator=(const UdpExchange&) = delete;

  // Creates the socket (close-on-exec), binds it to the local port (any
  // address) and makes it non-blocking. False when no socket can be created.
  // A failed bind keeps the socket: sends still go out, from a port the
  // system picks, and bind_error() says why the port was not had.
  bool open(const sockaddr_in& destination, uint16_t bind_port, bool broadcast = false);
  // Takes a descriptor of its own (a dup) on a socket already bound, for a
  // query from a local port a page holds: the reply comes to that socket.
  // Datagrams already waiting on it are dropped first (they answer nothing
  // asked now). False when the descriptor cannot be had.
  bool open_shared(int bound_fd, const sockaddr_in& destination);
  // Empty when the bind succeeded; otherwise "cannot bind local port N: why".
  const std::string& bind_error() const { return m_bind_error; }
  bool is_open() const { return m_fd != -1; }
  // Closes the socket now (the destructor does it otherwise).
  void close();
  int fd() const { return m_fd; }
  const sockaddr_in& destination() const { return m_destination; }

  // One datagram of exactly these bytes to the destination. Empty when the
  // system took it; otherwise "send to A.B.C.D refused: why".
  std::string send(std::span<const uint8_t> bytes) const;
  // Non-blocking receive: clears the buffer, then stores the datagram and
  // its sender. Returns the datagram length, or zero or less when nothing
  // was waiting.
  int receive(uint8_t* buffer, size_t capacity, sockaddr_in* from) const;
  // Sleeps until a datagram waits or timeout_ms has passed.
  bool wait(uint32_t timeout_ms) const;

 private:
  int m_fd = -1;
  sockaddr_in m_destination{};
  std::string m_bind_error;
};

// strerror's text with a lower-case first letter ("address already in use").
std::string errno_text(int error);

// IPv4 address and port from dotted-decimal text (at most `max_len` bytes,
// not necessarily terminated).
sockaddr_in ipv4_address(const char* text, size_t max_len, uint16_t port);

// Runs `exchange` now, or queues it when called from inside a wait on the
// user-interface thread (`what` names it in the trace). Returns true when it
// ran now.
bool run_exchange(const char* what, std::function<void()> exchange);
// True when a request made now would be queued.
bool exchange_would_queue();
// Requests queued and not yet run.
int queued_exchanges();
