#include "link/serial_comm.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <system_error>

#include "link/tick.h"
#include "link/trace.h"
#include "link/wait.h"

// How the line is driven on termios.
//
// Line settings: raw mode (no echo, no canonical input, no signal characters,
// no CR/LF translation in either direction, no software flow control, since
// frames are binary and their checksums may hold 0x11 and 0x13), 8 data bits,
// no parity and parity checking off, 1 stop bit, receiver on, modem control
// lines ignored. Hardware flow control and everything else stay as the
// driver reports them.
//
// Time-outs: termios VMIN/VTIME can express "100 ms between bytes" (in tenths
// of a second) but no total bound next to it, so the descriptor is
// non-blocking and the time-outs are kept in code. VMIN is 1 and VTIME 0, so
// that a read of an empty queue fails with EAGAIN while a read that returns 0
// means the line hung up (VMIN 0 would return 0 for both):
//   read:  100 ms between two bytes once the first has come, 500 ms in all;
//   write: 1 ms per byte plus 10000 ms for one block; what has not gone out
//          by then is dropped, as a timed-out write would drop it.
//
// Driver queues: the kernel's tty buffers have fixed sizes (4 KiB and more in
// each direction on Linux); there is nothing to set.
//
// Line events: poll() on the descriptor gives "received character" (POLLIN)
// and "line failed / carrier lost" (POLLERR, POLLHUP). Modem-status events
// have no poll() form; nobody is registered for any of them anyway.
//
// Hang-up: once the far end has gone (a pseudo-terminal's master closed, a
// USB adapter pulled) the driver hangs the line up for good: poll() reports
// POLLHUP at once for ever, reads return 0, writes and FIONREAD fail with
// EIO. Nothing on that descriptor can work again, so the first of these
// signs is told once (the lost listener) and the monitor ends instead of
// waking for a line that is gone; the owner closes the port.
namespace {
constexpr size_t kMaxPortNameChars = 62;  // a name of 63 characters or more is refused
constexpr uint32_t kReadIntervalMs = 100;
constexpr uint32_t kReadTotalMs = 500;
constexpr uint32_t kWriteTotalConstantMs = 10000;
constexpr uint32_t kWriteTotalPerByteMs = 1;
constexpr int kMonitorPauseMs = 10;

// Line event bits as the monitor dispatches them (mask 0x1FD).
constexpr uint32_t kEvRxChar = 0x0001;
constexpr uint32_t kEvRlsd = 0x0020;  // carrier lost: the far end hung up
constexpr uint32_t kEvErr = 0x0080;

// Port names are handed over as UTF-8; the limit counts characters.
size_t count_characters(const std::string& utf8) {
  return static_cast<size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

bool baud_to_speed(uint32_t baud, speed_t& speed) {
  switch (baud) {
    case 9600:
      speed = B9600;
      return true;
    case 19200:
      speed = B19200;
      return true;
    case 38400:
      speed = B38400;
      return true;
    case 57600:
      speed = B57600;
      return true;
    case 115200:
      speed = B115200;
      return true;
    default:
      return false;
  }
}

void close_device(int fd) {
  ::ioctl(fd, TIOCNXCL);  // let the next opener in even if it is not root
  ::close(fd);
}

void drain_pipe(int fd) {
  uint8_t junk[64];
  while (fd != -1 && ::read(fd, junk, sizeof junk) > 0) {
  }
}
}  // namespace

CSerialComm::CSerialComm() {
  if (::pipe2(m_wake_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
    m_wake_pipe[0] = m_wake_pipe[1] = -1;
    trace(lcLink(), "serial: no wake pipe, the port cannot be opened\n");
  }
}

CSerialComm::~CSerialComm() {
  close_port(500);
  for (int& fd : m_wake_pipe) {
    if (fd != -1) ::close(fd);
    fd = -1;
  }
}

bool CSerialComm::open_port(const std::string& name, uint32_t baud) {
  if (count_characters(name) > kMaxPortNameChars) return false;
  if (is_open()) close_port(500);
  speed_t speed = B0;
  if (!baud_to_speed(baud, speed)) return false;
  if (m_wake_pipe[0] == -1) return false;

  // Existing device only (no O_CREAT); no controlling terminal; non-blocking
  // so that neither the open nor any later call waits for carrier or data.
  const int fd = ::open(name.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  auto fail = [fd] {
    close_device(fd);
    return false;
  };
  if (::ioctl(fd, TIOCEXCL) != 0) return fail();

  termios tio{};
  if (::tcgetattr(fd, &tio) != 0) return fail();
  ::cfmakeraw(&tio);
  tio.c_iflag &= ~(INPCK | IXOFF | IXANY);
  tio.c_cflag &= ~(CSIZE | PARENB | CSTOPB);
  tio.c_cflag |= CS8 | CLOCAL | CREAD;
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 0;
  if (::cfsetispeed(&tio, speed) != 0 || ::cfsetospeed(&tio, speed) != 0) return fail();
  if (::tcsetattr(fd, TCSANOW, &tio) != 0) return fail();
  // tcsetattr reports success when any part took effect; only the whole
  // line setting counts as success.
  termios check{};
  if (::tcgetattr(fd, &check) != 0 || ::cfgetospeed(&check) != speed ||
      (check.c_cflag & (CSIZE | PARENB | CSTOPB)) != CS8 || (check.c_lflag & ICANON) != 0) {
    return fail();
  }
  if (::tcflush(fd, TCIOFLUSH) != 0) return fail();

  drain_pipe(m_wake_pipe[0]);
  m_port_name = name;
  m_baud = baud;
  {
    std::lock_guard<std::mutex> lock(m_write_mutex);
    m_write_queue.clear();
    m_write_busy = false;
    m_writer_run = true;
    m_threads_alive = 0;
  }
  m_running = true;
  m_line_lost = false;
  m_fd = fd;
  ++m_generation;
  auto start = [this, fd](std::thread& thread, void (CSerialComm::*loop)(int)) {
    {
      std::lock_guard<std::mutex> lock(m_write_mutex);
      ++m_threads_alive;
    }
    try {
      thread = std::thread(loop, this, fd);
      return true;
    } catch (const std::system_error&) {
      thread_ended();
      return false;
    }
  };
  if (!start(m_writer, &CSerialComm::writer_loop) ||
      !start(m_monitor, &CSerialComm::monitor_loop)) {
    stop_threads(500);
    close_device(fd);
    m_fd = -1;
    drain_pipe(m_wake_pipe[0]);
    return false;
  }
  if (m_open_listener) m_open_listener();
  return true;
}

void CSerialComm::close_port(uint32_t wait_ms) {
  const int fd = m_fd.load();
  if (fd == -1) return;
  stop_threads(wait_ms);
  ::tcflush(fd, TCIOFLUSH);
  close_device(fd);
  m_fd = -1;
  ++m_generation;
  m_line_lost = false;
  drain_pipe(m_wake_pipe[0]);
  if (m_open_listener) m_open_listener();
}

void CSerialComm::mark_line_lost(const char* how) {
  if (m_line_lost.exchange(true)) return;
  trace(lcLink(), "serial: line %s hung up (%s)\n", m_port_name.c_str(), how);
  if (m_lost_listener) m_lost_listener(m_generation.load());
}

void CSerialComm::thread_ended() {
  std::lock_guard<std::mutex> lock(m_write_mutex);
  --m_threads_alive;
  m_write_cv.notify_all();
}

void CSerialComm::stop_threads(uint32_t wait_ms) {
  {
    std::lock_guard<std::mutex> lock(m_write_mutex);
    m_running = false;
    m_writer_run = false;
  }
  m_write_cv.notify_all();
  // One byte stays in the pipe until the port is closed, so every poll() of
  // both threads returns at once from now on.
  if (m_wake_pipe[1] != -1) {
    const uint8_t wake = 1;
    [[maybe_unused]] const ssize_t r = ::write(m_wake_pipe[1], &wake, 1);
  }
  {
    std::unique_lock<std::mutex> lock(m_write_mutex);
    if (!m_write_cv.wait_for(lock, std::chrono::milliseconds(wait_ms),
                             [this] { return m_threads_alive <= 0; })) {
      // Both threads only ever block in poll() with the wake pipe or on the
      // condition just signalled, so this does not happen; a thread cannot be
      // killed safely, so it is joined all the same.
      trace(lcLink(), "serial: port threads still running after %u ms\n",
            static_cast<unsigned>(wait_ms));
    }
    // Queued bytes are discarded with the driver queues.
    m_write_queue.clear();
  }
  if (m_monitor.joinable()) m_monitor.join();
  if (m_writer.joinable()) m_writer.join();
}

bool CSerialComm::sleep_or_wake(int ms) const {
  pollfd p{m_wake_pipe[0], POLLIN, 0};
  for (;;) {
    const int r = ::poll(&p, 1, ms);
    if (r < 0 && errno == EINTR) continue;
    return r > 0;
  }
}

void CSerialComm::monitor_loop(int fd) {
  // Waits for line events and dispatches them; never reads received bytes, so
  // they stay queued for the polling readers.
  while (m_running.load()) {
    ++m_monitor_passes;
    int waiting = 0;
    const bool counted = ::ioctl(fd, FIONREAD, &waiting) == 0;
    if (!counted && errno == EIO) {
      ++m_line_events;
      mark_line_lost("the driver refuses the line");
      break;
    }
    if (!counted || waiting > 0) {
      // Bytes not yet taken by a reader, or a count that failed for another
      // reason: report and look again later.
      ++m_line_events;
      if (sleep_or_wake(kMonitorPauseMs)) break;
      continue;
    }
    pollfd p[2] = {{fd, POLLIN | POLLPRI, 0}, {m_wake_pipe[0], POLLIN, 0}};
    const int r = ::poll(p, 2, -1);
    if (r < 0) {
      if (errno == EINTR) continue;
      if (sleep_or_wake(kMonitorPauseMs)) break;
      continue;
    }
    if (p[1].revents != 0) break;
    uint32_t events = 0;
    if (p[0].revents & (POLLIN | POLLPRI)) events |= kEvRxChar;
    if (p[0].revents & POLLHUP) events |= kEvRlsd;
    if (p[0].revents & (POLLERR | POLLNVAL)) events |= kEvErr;
    if (events != 0) ++m_line_events;
    if (events & (kEvRlsd | kEvErr)) {
      mark_line_lost("hang-up");
      break;
    }
    // Unread bytes keep the descriptor readable, so the next look comes
    // after a pause, not at once.
    if (sleep_or_wake(kMonitorPauseMs)) break;
  }
  thread_ended();
}

void CSerialComm::writer_loop(int fd) {
  std::unique_lock<std::mutex> lock(m_write_mutex);
  for (;;) {
    m_write_cv.wait(lock, [this] { return !m_writer_run || !m_write_queue.empty(); });
    if (!m_writer_run) break;
    std::vector<uint8_t> block = std::move(m_write_queue.front());
    m_write_queue.pop_front();
    m_write_busy = true;
    lock.unlock();
    const bool line_ok = write_block(fd, block);
    if (!line_ok) mark_line_lost("a write was refused");
    lock.lock();
    m_write_busy = false;
    // A failed line aborts every pending write: frames must not go out late
    // to whatever is attached next.
    if (!line_ok) m_write_queue.clear();
    m_write_cv.notify_all();
  }
  lock.unlock();
  thread_ended();
}

bool CSerialComm::write_block(int fd, const std::vector<uint8_t>& block) {
  const uint32_t bound = kWriteTotalConstantMs + kWriteTotalPerByteMs * block.size();
  const uint32_t t0 = tick_ms();
  size_t done = 0;
  bool hung_up = false;
  while (done < block.size()) {
    const ssize_t r = ::write(fd, block.data() + done, block.size() - done);
    if (r > 0) {
      done += static_cast<size_t>(r);
      continue;
    }
    if (r < 0 && errno == EINTR) continue;
    if (r < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
    if (hung_up) return false;
    const uint32_t elapsed = ticks_since(t0);
    if (elapsed >= bound) {
      trace(lcLink(), "serial: write time-out, %zu of %zu bytes sent\n", done, block.size());
      return true;
    }
    pollfd p[2] = {{fd, POLLOUT, 0}, {m_wake_pipe[0], POLLIN, 0}};
    const int n = ::poll(p, 2, static_cast<int>(bound - elapsed));
    if (n < 0 && errno != EINTR) return false;
    if (p[1].revents != 0) return true;  // shutting down
    if (p[0].revents & (POLLHUP | POLLERR | POLLNVAL)) hung_up = true;
  }
  return true;
}

std::optional<size_t> CSerialComm::pending_input() {
  const int fd = m_fd.load();
  if (fd == -1) return std::nullopt;
  int waiting = 0;
  if (::ioctl(fd, FIONREAD, &waiting) != 0) {
    if (errno == EIO) mark_line_lost("the driver refuses the line");
    return std::nullopt;
  }
  if (waiting < 0) return std::nullopt;
  return static_cast<size_t>(waiting);
}

size_t CSerialComm::read_port(uint8_t* buffer, size_t n) {
  const int fd = m_fd.load();
  if (fd == -1 || n == 0 || buffer == nullptr) return 0;
  // Reads are carried out on the caller's thread, so no earlier read can be
  // pending when the line reports an error.
  const uint32_t t0 = tick_ms();
  uint32_t last_byte = t0;
  size_t got = 0;
  while (got < n) {
    const ssize_t r = ::read(fd, buffer + got, n - got);
    if (r > 0) {
      got += static_cast<size_t>(r);
      last_byte = tick_ms();
      continue;
    }
    if (r == 0) {
      mark_line_lost("end of input");
      break;
    }
    if (errno == EINTR) continue;
    if (errno == EIO) mark_line_lost("a read was refused");
    if (errno != EAGAIN && errno != EWOULDBLOCK) break;
    const uint32_t elapsed = ticks_since(t0);
    if (elapsed >= kReadTotalMs) break;
    uint32_t wait = kReadTotalMs - elapsed;
    if (got > 0) {
      const uint32_t gap = ticks_since(last_byte);
      if (gap >= kReadIntervalMs) break;
      wait = std::min(wait, kReadIntervalMs - gap);
    }
    // A plain poll: an event handled here could close the port and let the
    // descriptor number be reused under this read.
    poll_readable(fd, wait);
  }
  m_total_read += got;
  return got;
}

size_t CSerialComm::write_port(const uint8_t* buffer, size_t n) {
  const int fd = m_fd.load();
  if (fd == -1 || n == 0 || buffer == nullptr) return 0;
  if (m_line_lost) return 0;
  {
    std::lock_guard<std::mutex> lock(m_write_mutex);
    if (!m_writer_run) return 0;
    size_t written = 0;
    bool refused = false;
    if (m_write_queue.empty() && !m_write_busy) {
      // Nothing is going out: hand the driver what it takes now, without
      // waiting, and leave the rest to the writer.
      for (;;) {
        const ssize_t r = ::write(fd, buffer, n);
        if (r >= 0) {
          written = static_cast<size_t>(r);
          break;
        }
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) refused = true;
        break;
      }
    }
    if (!refused) {
      if (written < n) {
        m_write_queue.emplace_back(buffer + written, buffer + n);
        m_write_cv.notify_all();
      }
      m_total_written += n;
      return written;
    }
  }
  // The line failed: the write cannot be started.
  mark_line_lost("a write was refused");
  return 0;
}

void CSerialComm::drain_input() {
  const auto pending = pending_input();
  if (!pending || *pending == 0) return;
  std::vector<uint8_t> discard(*pending);
  read_port(discard.data(), discard.size());
}

bool CSerialComm::flush_writes(uint32_t wait_ms) {
  std::unique_lock<std::mutex> lock(m_write_mutex);
  auto idle = [this] { return m_write_queue.empty() && !m_write_busy; };
  m_write_cv.wait_for(lock, std::chrono::milliseconds(wait_ms),
                      [&] { return idle() || !m_writer_run; });
  return idle();
}
