#include "support/pty_pair.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

namespace {
int remaining_ms(std::chrono::steady_clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
  return left > 0 ? static_cast<int>(left) : 0;
}
}  // namespace

PtyPair::PtyPair() {
  m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (m_master == -1) return;
  char name[128] = {};
  if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0 ||
      ::ptsname_r(m_master, name, sizeof name) != 0) {
    close_device();
    return;
  }
  m_slave_name = name;
  ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
  m_hold = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (m_hold == -1) return;
  termios tio{};
  if (::tcgetattr(m_hold, &tio) == 0) {
    ::cfmakeraw(&tio);
    ::tcsetattr(m_hold, TCSANOW, &tio);
  }
}

PtyPair::~PtyPair() {
  release_line();
  close_device();
}

void PtyPair::close_device() {
  if (m_master != -1) ::close(m_master);
  m_master = -1;
}

void PtyPair::release_line() {
  if (m_hold != -1) ::close(m_hold);
  m_hold = -1;
}

bool PtyPair::device_write(std::span<const uint8_t> bytes, int timeout_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  size_t done = 0;
  while (m_master != -1 && done < bytes.size()) {
    const ssize_t r = ::write(m_master, bytes.data() + done, bytes.size() - done);
    if (r > 0) {
      done += static_cast<size_t>(r);
      continue;
    }
    if (r < 0 && errno != EAGAIN && errno != EINTR) return false;
    const int left = remaining_ms(deadline);
    if (left == 0) return false;
    pollfd p{m_master, POLLOUT, 0};
    ::poll(&p, 1, std::min(left, 20));
  }
  return done == bytes.size();
}

std::vector<uint8_t> PtyPair::device_read(size_t n, int timeout_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  std::vector<uint8_t> out;
  uint8_t chunk[4096];
  while (m_master != -1 && out.size() < n) {
    const size_t want = std::min(sizeof chunk, n - out.size());
    const ssize_t r = ::read(m_master, chunk, want);
    if (r > 0) {
      out.insert(out.end(), chunk, chunk + r);
      continue;
    }
    // EIO: nobody holds the slave side at the moment; wait as for no data.
    if (r < 0 && errno != EAGAIN && errno != EINTR && errno != EIO) break;
    const int left = remaining_ms(deadline);
    if (left == 0) break;
    pollfd p{m_master, POLLIN, 0};
    if (::poll(&p, 1, std::min(left, 20)) > 0 && (p.revents & POLLIN) == 0) {
      ::usleep(1000);  // hang-up without data: do not spin on it
    }
  }
  return out;
}

std::vector<uint8_t> PtyPair::device_read_all(int timeout_ms) {
  return device_read(static_cast<size_t>(-1), timeout_ms);
}
