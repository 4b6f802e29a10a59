// CSerialComm against real pseudo-terminals: the test plays the device on the
// master side and checks what crosses the line.
#include "link/serial_comm.h"

#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <numeric>
#include <thread>

#include "link/control_frame.h"
#include "support/pty_pair.h"

namespace {
using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

// Ends the test program if a test body hangs, so a hang is a failure and not
// a stuck run.
class Watchdog {
 public:
  explicit Watchdog(int seconds) {
    m_thread = std::thread([this, seconds] {
      std::unique_lock<std::mutex> lock(m_mutex);
      if (!m_cv.wait_for(lock, std::chrono::seconds(seconds), [this] { return m_done; })) {
        std::fprintf(stderr, "serial test hung for %d s\n", seconds);
        std::abort();
      }
    });
  }
  ~Watchdog() {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_done = true;
    }
    m_cv.notify_all();
    m_thread.join();
  }

 private:
  std::mutex m_mutex;
  std::condition_variable m_cv;
  bool m_done = false;
  std::thread m_thread;
};

int64_t ms_since(Clock::time_point t0) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t0).count();
}

Bytes every_byte_value() {
  Bytes b(256);
  std::iota(b.begin(), b.end(), 0);
  return b;
}

Bytes pattern(size_t n, uint32_t seed) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) {
    seed = seed * 1103515245u + 12345u;
    b[i] = static_cast<uint8_t>(seed >> 16);
  }
  return b;
}

// Waits until the port reports `want` bytes waiting (bounded).
bool wait_pending(CSerialComm& port, size_t want) {
  const auto t0 = Clock::now();
  while (ms_since(t0) < 3000) {
    const auto n = port.pending_input();
    if (n && *n == want) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

int exclusive_flag(int fd) {
  int excl = -1;
  if (::ioctl(fd, TIOCGEXCL, &excl) != 0) return -1;
  return excl;
}

class SerialCommTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(pty_.ok()); }
  PtyPair pty_;
  CSerialComm port_;
};

TEST_F(SerialCommTest, OpensRawEightNoneOneExclusiveAndCloses) {
  EXPECT_FALSE(port_.is_open());
  EXPECT_EQ(port_.option_bits(), 3u);
  ASSERT_TRUE(port_.open_port(pty_.slave_name(), 19200));
  EXPECT_TRUE(port_.is_open());
  EXPECT_EQ(port_.port_name(), pty_.slave_name());

  termios tio{};
  ASSERT_EQ(::tcgetattr(pty_.line_fd(), &tio), 0);
  EXPECT_EQ(::cfgetospeed(&tio), static_cast<speed_t>(B19200));
  EXPECT_EQ(::cfgetispeed(&tio), static_cast<speed_t>(B19200));
  EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB), 0u);
  EXPECT_EQ(tio.c_iflag & (INPCK | IXON | IXOFF | ICRNL | ISTRIP), 0u);
  EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);
  EXPECT_EQ(tio.c_oflag & OPOST, 0u);
  EXPECT_EQ(exclusive_flag(pty_.line_fd()), 1);

  port_.close_port(500);
  EXPECT_FALSE(port_.is_open());
  EXPECT_EQ(exclusive_flag(pty_.line_fd()), 0);

  // Every supported rate maps onto its termios speed; the port reopens.
  const std::pair<uint32_t, speed_t> rates[] = {
      {9600, B9600}, {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200}};
  for (const auto& [baud, speed] : rates) {
    ASSERT_TRUE(port_.open_port(pty_.slave_name(), baud)) << baud;
    ASSERT_EQ(::tcgetattr(pty_.line_fd(), &tio), 0);
    EXPECT_EQ(::cfgetospeed(&tio), speed) << baud;
  }
  port_.close_port(500);
}

TEST_F(SerialCommTest, OpenFailuresLeaveThePortClosed) {
  const std::string missing =
      (std::filesystem::temp_directory_path() / ("kv_no_port_" + std::to_string(getpid())))
          .string();
  EXPECT_FALSE(port_.open_port(missing, 9600));
  EXPECT_FALSE(port_.is_open());
  EXPECT_FALSE(std::filesystem::exists(missing)) << "opening must not create a file";

  EXPECT_FALSE(port_.open_port("/dev/null", 9600)) << "not a terminal";
  EXPECT_FALSE(port_.is_open());
  EXPECT_FALSE(port_.open_port("", 9600));

  for (uint32_t baud : {0u, 4800u, 12345u, 230400u}) {
    EXPECT_FALSE(port_.open_port(pty_.slave_name(), baud)) << baud;
    EXPECT_FALSE(port_.is_open());
  }
  EXPECT_EQ(exclusive_flag(pty_.line_fd()), 0) << "a refused open leaves no trace on the line";

  // A new open closes the port that was open, even when the new one fails.
  ASSERT_TRUE(port_.open_port(pty_.slave_name(), 9600));
  EXPECT_FALSE(port_.open_port(missing, 9600));
  EXPECT_FALSE(port_.is_open());
  EXPECT_EQ(exclusive_flag(pty_.line_fd()), 0);

  // Opening another line closes the first one.
  PtyPair other;
  ASSERT_TRUE(other.ok());
  ASSERT_TRUE(port_.open_port(pty_.slave_name(), 9600));
  ASSERT_TRUE(port_.open_port(other.slave_name(), 9600));
  EXPECT_EQ(exclusive_flag(pty_.line_fd()), 0);
  EXPECT_EQ(exclusive_flag(other.line_fd()), 1);
}

TEST_F(SerialCommTest, NamesOfSixtyThreeCharactersAreRefusedWithoutTouchingTheDevice) {
  // Links to the pseudo-terminal with names of exactly 62 and 63 characters:
  // both would open if the name reached the device.
  char dir_template[] = "/tmp/kvXXXXXX";
  ASSERT_NE(::mkdtemp(dir_template), nullptr);
  const std::string dir = dir_template;
  auto link_of_length = [&](size_t length) {
    std::string name = dir + "/";
    name += std::string(length - name.size(), 'p');
    EXPECT_EQ(::symlink(pty_.slave_name().c_str(), name.c_str()), 0);
    return name;
  };
  const std::string name63 = link_of_length(63);
  const std::string name62 = link_of_length(62);
  ASSERT_EQ(name63.size(), 63u);

  EXPECT_FALSE(port_.open_port(name63, 9600));
  EXPECT_FALSE(port_.is_open());
  EXPECT_EQ(exclusive_flag(pty_.line_fd()), 0);
  EXPECT_TRUE(port_.open_port(name62, 9600));
  port_.close_port(500);

  // The limit counts characters, not bytes: 62 two-byte characters pass the
  // length test (and then fail as a missing device), 63 never reach it.
  std::string wide62, wide63;
  for (int i = 0; i < 62; ++i) wide62 += "\xC3\xA9";
  wide63 = wide62 + "\xC3\xA9";
  EXPECT_FALSE(port_.open_port(wide63, 9600));
  EXPECT_FALSE(port_.open_port(wide62, 9600));

  std::filesystem::remove_all(dir);
}

TEST_F(SerialCommTest, BytesGoOutUnchangedAndInOrder) {
  Watchdog dog(30);
  ASSERT_TRUE(port_.open_port(pty_.slave_name(), 115200));
  const Bytes all = every_byte_value();
  EXPECT_EQ(port_.write_port(all.data(), all.size()), all.size());
  EXPECT_EQ(pty_.device_read(all.size()), all);

  // Two frames written back to back arrive whole, one after the other.
  const Bytes first = build_search_request(Link::Serial);
  const Bytes second = build_frame(0xA1, 0x01, Link::Serial, 0x33, std::vector<uint8_t>{4});
  port_.write_port(first.data(), first.size());
  port_.write_port(second.data(), second.size());
  Bytes both = first;
  both.insert(both.end(), second.begin(), second.end());
  EXPECT_EQ(pty_.device_read(both.size()), both);
  EXPECT_EQ(port_.total_written(), all.size() + both.size());

  // Writes on a closed port or of nothing do nothing.
  EXPECT_EQ(port_.write_port(first.data(), 0), 0u);
  port_.close_port(500);
  EXPECT_EQ(port_.write_port(first.data(), first.size()), 0u);
  EXPECT_TRUE(pty_.device_read_all(100).empty());
}

TEST_F(SerialCommTest, AWriteWhileAnotherIsPendingQueuesBehindIt) {
  Watchdog dog(60);
  ASSERT_TRUE(port_.open_port(pty_.slave_name(), 115200));
  // Far more than the line buffers: the first write cannot finish until the
  // device reads, and write_port must return without waiting for it.
  const Bytes big = pattern(512 * 1024, 7);
  const Bytes small = build_search_request(Link::Serial);
  const size_t first_now = port_.write_port(big.data(), big.size());
  EXPECT_LT(first_now, big.size());
  EXPECT_EQ(port_.write_port(small.data(), small.size()), 0u) << "queued, nothing sent yet";
  EXPECT_FALSE(port_.flush_writes(50));

  Bytes expected = big;
  expected.insert(expected.end(), small.begin(), small.end());
  const Bytes got = pty_.device_read(expected.size(), 20000);
  ASSERT_EQ(got.size(), expected.size());
  EXPECT_TRUE(got == expected) << "bytes reordered or lost";
  EXPECT_TRUE(port_.flush_writes(2000));
  EXPECT_EQ(port_.total_written(), expected.size());
}

TEST_F(SerialCommTest, ReceivedBytesStayQueuedUntilTheReaderTakesThem) {
  Watchdog dog(30);
  ASSERT_TRUE(port_.open_port(pty_.slave_name(), 9600));
  EXPECT_EQ(port_.pending_input(), std::optional<size_t>(0));
  const Bytes all = every_byte_value();
  ASSERT_TRUE(pty_.device_write(all));
  ASSERT_TRUE(wait_pending(port_, all.size()));
  // The monitor sees the bytes but leaves them for the reader.
  const uint64_t events_before = port_.line_events();
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  EXPECT_EQ(port_.pending_input(), std::optional<size_t>(all.size()));
  EXPECT_GT(port_.line_events(), events_before);

  Bytes got(all.size());
  EXPECT_EQ(port_.read_port(got.data(), got.size()), all.size());
  EXPECT_EQ(got, all) << "input must pass raw (no CR/LF, flow-control or signal handling)";
  EXPECT_EQ(port_.total_read(), all.size());
  EXPECT_EQ(port_.read_port(got.data(), 0), 0u);
}

TEST_F(SerialCommTest, DrainDiscardsExactlyWhatIsWaiting) {
  Watchdog dog(30);
  ASSERT_TRUE(port_.open_port(pty_.slave_name(), 9600));
  port_.drain_input();  // nothing waiting: returns at once
  ASSERT_TRUE(pty_.device_write(pattern(100, 3)));
  ASSERT_TRUE(wait_pending(port_, 100));
  port_.drain_input();
  EXPECT_EQ(port_.pending_input(), std::optional<size_t>(0));

  const Bytes later = {0xA5, 0x6C, 0x01};
  ASSERT_TRUE(pty_.device_write(later));
  ASSERT_TRUE(wait_pending(port_, later.size()));
  Bytes got(later.size());
  EXPECT_EQ(port_.read_port(got.data(), got.size()), later.size());
  EXPECT_EQ(got, later);
}

TEST_F(SerialCommTest, ReadsEndOnTheirTimeOuts) {
  Watchdog dog(30);
  ASSERT_TRUE(port_.open_port(pty_.slave_name(), 9600));
  // Fewer bytes than asked for: the read returns what came once the line
  // falls silent.
  ASSERT_TRUE(pty_.device_write(Bytes{1, 2, 3}));
  Bytes got(10);
  EXPECT_EQ(port_.read_port(got.data(), got.size()), 3u);
  EXPECT_EQ(Bytes(got.begin(), got.begin() + 3), (Bytes{1, 2, 3}));

  // Nothing at all: the read gives up after its total time-out.
  const auto t0 = Clock::now();
  EXPECT_EQ(port_.read_port(got.data(), got.size()), 0u);
  EXPECT_LT(ms_since(t0), 5000);
}

TEST_F(SerialCommTest, AClosedPortAnswersNothing) {
  uint8_t buf[8] = {};
  EXPECT_FALSE(port_.pending_input().has_value());
  EXPECT_EQ(port_.read_port(buf, sizeof buf), 0u);
  EXPECT_EQ(port_.write_port(buf, sizeof buf), 0u);
  port_.drain_input();
  port_.close_port(500);
  EXPECT_TRUE(port_.flush_writes(0)) << "nothing is left to write";
  EXPECT_EQ(port_.total_written(), 0u);
}

TEST_F(SerialCommTest, TheFarEndDisappearingIsToldOnceAndNothingKeepsWaking) {
  Watchdog dog(30);
  std::mutex mutex;
  std::vector<uint64_t> told;  // generations the lost listener was told
  port_.set_lost_listener([&](uint64_t generation) {
    std::lock_guard<std::mutex> lock(mutex);
    told.push_back(generation);
  });
  auto told_now = [&] {
    std::lock_guard<std::mutex> lock(mutex);
    return told;
  };
  auto wait_told = [&](size_t n) {
    const auto t0 = Clock::now();
    while (told_now().size() < n && ms_since(t0) < 3000)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return told_now().size() == n;
  };
  ASSERT_TRUE(port_.open_port(pty_.slave_name(), 115200));
  const uint64_t first_opening = port_.generation();
  // A write stuck behind a device that does not read, then the device goes.
  const Bytes big = pattern(512 * 1024, 11);
  port_.write_port(big.data(), big.size());
  ASSERT_TRUE(pty_.device_write(Bytes{9, 9, 9}));
  ASSERT_TRUE(wait_pending(port_, 3));
  EXPECT_FALSE(port_.line_lost());
  pty_.release_line();
  pty_.close_device();

  // The monitor (or the stuck writer) sees the hang-up and says so once.
  ASSERT_TRUE(wait_told(1));
  EXPECT_EQ(told_now(), std::vector<uint64_t>{first_opening});
  EXPECT_TRUE(port_.line_lost());
  EXPECT_TRUE(port_.is_open()) << "the owner closes it";

  // The stuck write is abandoned, not left for the write time-out; every
  // call on the dead line returns at once and tells nothing again.
  EXPECT_TRUE(port_.flush_writes(5000));
  uint8_t buf[16];
  const auto t0 = Clock::now();
  EXPECT_FALSE(port_.pending_input().has_value());
  EXPECT_EQ(port_.read_port(buf, sizeof buf), 0u);
  EXPECT_EQ(port_.write_port(buf, sizeof buf), 0u);
  port_.drain_input();
  EXPECT_FALSE(port_.wait_input(50));
  EXPECT_LT(ms_since(t0), 5000);
  EXPECT_EQ(told_now().size(), 1u);

  // The monitor has ended: not one more pass over a line that is gone.
  const uint64_t passes = port_.monitor_passes();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(port_.monitor_passes(), passes);

  const auto t1 = Clock::now();
  port_.close_port(500);
  EXPECT_LT(ms_since(t1), 3000);
  EXPECT_FALSE(port_.is_open());
  EXPECT_FALSE(port_.line_lost());

  // The adapter plugged in again (a new line): it works, and losing it is
  // told again, for its own opening.
  PtyPair again;
  ASSERT_TRUE(again.ok());
  ASSERT_TRUE(port_.open_port(again.slave_name(), 115200));
  EXPECT_FALSE(port_.line_lost());
  const Bytes frame = build_search_request(Link::Serial);
  EXPECT_EQ(port_.write_port(frame.data(), frame.size()), frame.size());
  EXPECT_EQ(again.device_read(frame.size()), frame);
  const uint64_t second_opening = port_.generation();
  again.release_line();
  again.close_device();
  ASSERT_TRUE(wait_told(2));
  EXPECT_EQ(told_now().back(), second_opening);
  port_.close_port(500);
}

TEST_F(SerialCommTest, CloseReturnsWithinTheWaitWhileAWriteIsStuck) {
  Watchdog dog(30);
  ASSERT_TRUE(port_.open_port(pty_.slave_name(), 115200));
  // The writer waits for room on the line (up to its 10 s write time-out) and
  // the monitor sleeps on unread input; close must stop both at once.
  const Bytes big = pattern(512 * 1024, 5);
  port_.write_port(big.data(), big.size());
  port_.write_port(big.data(), 100);
  ASSERT_TRUE(pty_.device_write(Bytes{1, 2, 3}));
  ASSERT_TRUE(wait_pending(port_, 3));

  const auto t0 = Clock::now();
  port_.close_port(500);
  EXPECT_LT(ms_since(t0), 3000);
  EXPECT_FALSE(port_.is_open());

  // Nothing queued before the close goes out after it, and the line opens again.
  pty_.device_read_all(200);
  ASSERT_TRUE(port_.open_port(pty_.slave_name(), 115200));
  EXPECT_TRUE(pty_.device_read_all(200).empty());
  const Bytes frame = build_search_request(Link::Serial);
  port_.write_port(frame.data(), frame.size());
  EXPECT_EQ(pty_.device_read(frame.size()), frame);
}

TEST(SerialCommLifetime, DestructionClosesThePort) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  {
    CSerialComm port;
    ASSERT_TRUE(port.open_port(pty.slave_name(), 57600));
    EXPECT_EQ(exclusive_flag(pty.line_fd()), 1);
  }
  EXPECT_EQ(exclusive_flag(pty.line_fd()), 0);
}
}  // namespace
