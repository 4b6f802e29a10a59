#include "link/report_feed.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>

#include "link/trace.h"

namespace {
// Datagrams from senders nobody follows are traced at most this often.
constexpr int64_t kUnfollowedTraceEveryMs = 1000;

int64_t now_ms() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}
}  // namespace

ReportFeed::ReportFeed() {
  if (::pipe2(m_stop_pipe, O_CLOEXEC | O_NONBLOCK) != 0) m_stop_pipe[0] = m_stop_pipe[1] = -1;
  m_picked.reserve(kFeedBatch);
}

ReportFeed::~ReportFeed() {
  stop();
  for (int fd : m_stop_pipe)
    if (fd != -1) ::close(fd);
}

bool ReportFeed::start(int fd) {
  if (m_thread.joinable() || m_stop_pipe[0] == -1 || fd < 0) return false;
  // A stop byte left from an earlier run would end this one at once.
  char drained[16];
  while (::read(m_stop_pipe[0], drained, sizeof drained) > 0) {
  }
  m_run = true;
  m_thread = std::thread(&ReportFeed::loop, this, fd);
  return true;
}

void ReportFeed::stop() {
  m_run = false;
  if (!m_thread.joinable()) return;
  const char one = 1;
  [[maybe_unused]] const ssize_t w = ::write(m_stop_pipe[1], &one, 1);
  m_thread.join();
}

uint64_t ReportFeed::add(in_addr from, Role role, Handler handler) {
  std::lock_guard lock(m_mutex);
  const uint64_t token = m_next_token++;
  m_followers.push_back({token, from, role, std::move(handler)});
  return token;
}

bool ReportFeed::remove(uint64_t token) {
  std::lock_guard lock(m_mutex);
  for (auto it = m_followers.begin(); it != m_followers.end(); ++it) {
    if (it->token != token) continue;
    m_followers.erase(it);
    return true;
  }
  return false;
}

size_t ReportFeed::followers() const {
  std::lock_guard lock(m_mutex);
  return m_followers.size();
}

bool ReportFeed::wanted(const Follower& f) const {
  if (f.role == Role::Primary) return true;
  for (const Follower& other : m_followers)
    if (other.role == Role::Primary && other.from.s_addr == f.from.s_addr) return false;
  return true;
}

void ReportFeed::dispatch(std::span<const sockaddr_in> from, std::span<const socklen_t> from_length,
                          std::span<const std::span<const uint8_t>> datagrams) {
  std::lock_guard lock(m_mutex);
  uint64_t taken = 0;  // bit i: datagram i went to a follower
  for (const Follower& f : m_followers) {
    // A fallback left out here has a primary of its address, which takes them.
    if (!wanted(f)) continue;
    m_picked.clear();
    for (size_t i = 0; i < datagrams.size(); ++i) {
      if (from_length[i] < sizeof(sockaddr_in) || from[i].sin_family != AF_INET ||
          from[i].sin_addr.s_addr != f.from.s_addr)
        continue;
      m_picked.push_back(datagrams[i]);
      taken |= uint64_t{1} << i;
    }
    if (!m_picked.empty() && f.handler) f.handler(m_picked);
  }
  for (size_t i = 0; i < datagrams.size(); ++i) {
    if (taken & (uint64_t{1} << i)) continue;
    ++m_unfollowed;
    const int64_t now = now_ms();
    if (m_unfollowed_traced && now - m_unfollowed_last_ms < kUnfollowedTraceEveryMs) continue;
    char text[INET_ADDRSTRLEN] = "?";
    if (from_length[i] >= sizeof(sockaddr_in) && from[i].sin_family == AF_INET)
      ::inet_ntop(AF_INET, &from[i].sin_addr, text, sizeof text);
    trace(lcSwitcher(),
          "switcher report from %s ignored, not a switcher the panel follows (%llu so far)\n", text,
          m_unfollowed);
    m_unfollowed_traced = true;
    m_unfollowed_last_ms = now;
  }
}

void ReportFeed::loop(int fd) {
  static_assert(kFeedBatch <= 64, "one bit per datagram of a batch");
  trace(lcSwitcher(), "enter 1 \n");
  std::vector<uint8_t> buffers(size_t{kFeedBatch} * kFeedDatagramMax);
  std::array<sockaddr_in, kFeedBatch> from{};
  std::array<socklen_t, kFeedBatch> from_length{};
  std::array<iovec, kFeedBatch> iov{};
  std::array<mmsghdr, kFeedBatch> msgs{};
  std::array<std::span<const uint8_t>, kFeedBatch> datagrams{};
  while (m_run) {
    for (unsigned i = 0; i < kFeedBatch; ++i) {
      iov[i] = {buffers.data() + size_t{i} * kFeedDatagramMax, kFeedDatagramMax};
      msgs[i].msg_hdr = {};
      msgs[i].msg_hdr.msg_name = &from[i];
      msgs[i].msg_hdr.msg_namelen = sizeof from[i];
      msgs[i].msg_hdr.msg_iov = &iov[i];
      msgs[i].msg_hdr.msg_iovlen = 1;
    }
    const int got = ::recvmmsg(fd, msgs.data(), kFeedBatch, MSG_DONTWAIT, nullptr);
    if (got <= 0) {
      if (got < 0 && errno == EINTR) continue;
      pollfd p[2] = {{fd, POLLIN, 0}, {m_stop_pipe[0], POLLIN, 0}};
      if (::poll(p, 2, -1) < 0 && errno != EINTR) break;
      if (p[0].revents & (POLLERR | POLLNVAL)) break;
      continue;
    }
    const size_t n = static_cast<size_t>(got);
    for (size_t i = 0; i < n; ++i) {
      from_length[i] = msgs[i].msg_hdr.msg_namelen;
      datagrams[i] = {buffers.data() + i * kFeedDatagramMax, msgs[i].msg_len};
    }
    dispatch({from.data(), n}, {from_length.data(), n}, {datagrams.data(), n});
  }
  trace(lcSwitcher(),
        "*************switcher thread 1 exit *****************************************\n");
}
