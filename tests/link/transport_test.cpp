#include "link/transport.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QTest>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <numeric>
#include <thread>

#include "app/error_box.h"
#include "link/device_link.h"
#include "link/exchange.h"
#include "link/link_options.h"
#include "link/link_ui.h"
#include "link/tick.h"
#include "support/foreign_sender.h"
#include "support/ports.h"
#include "support/pty_pair.h"
#include "support/taken_port.h"
#include "support/trace_recorder.h"

namespace {
using Bytes = std::vector<uint8_t>;

// A device end (on 127.0.0.2 unless told): receives datagrams and can
// answer them.
class FakeDeviceEnd {
 public:
  explicit FakeDeviceEnd(uint16_t port, const char* address = "127.0.0.2") {
    fd_ = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = inet_addr(address);
    EXPECT_EQ(::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  }
  ~FakeDeviceEnd() { ::close(fd_); }
  // Next datagram within timeout; empty when none.
  Bytes receive(int timeout_ms, sockaddr_in* from = nullptr) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, timeout_ms) <= 0) return {};
    uint8_t buf[2048];
    sockaddr_in src{};
    socklen_t len = sizeof src;
    const ssize_t n = ::recvfrom(fd_, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&src), &len);
    if (from) *from = src;
    return n > 0 ? Bytes(buf, buf + n) : Bytes{};
  }
  void send_to(const sockaddr_in& to, const Bytes& bytes) {
    ::sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
  }

 private:
  int fd_ = -1;
};

class TransportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clear_recorded_errors();
    saved_ = link_options();
    link_options().bind_port = next_test_port();
    link_options().device_port = next_test_port();
    link_options().switcher_bind_port = next_test_port();
    link_options().switcher_device_port = next_test_port();
    std::strcpy(link_.m_device_table[0].ip, "127.0.0.2");
    link_.m_device_table[0].dev_type = 0xA1;
    link_.m_device_table[0].dev_id = 0x05;
    link_.m_device_index = 0;
  }
  void TearDown() override {
    set_tick_offset(0);
    link_options() = saved_;
  }
  Transport& udp() { return link_.transports().udp; }
  Outcome send(uint8_t command, std::span<const uint8_t> payload) {
    const Target t = link_.device_target();
    return link_.transports().of(t).send(
        t, build_frame(t.dev_type, t.dev_id, Link::Udp, command, payload), 10);
  }
  Outcome query(uint8_t command, uint32_t bound, uint32_t pause,
                std::function<bool(std::span<const uint8_t>)> take, Done done = {}) {
    const Target t = link_.device_target();
    return udp().query(
        t, build_frame(t.dev_type, t.dev_id, Link::Udp, command, {}), QueryRule{bound, pause, 20},
        [take](const sockaddr_in&, std::span<const uint8_t> d) { return take(d); }, done);
  }
  LinkOptions saved_;
  DeviceLink link_;
};

TEST_F(TransportTest, OneWayCommandSendsOneFrameFromTheBindPortAndCloses) {
  FakeDeviceEnd device(link_options().device_port);
  const uint8_t payload[] = {4};
  EXPECT_EQ(send(0x33, payload).status, Outcome::Status::Sent);
  EXPECT_EQ(link_.m_udpSockfd, -1);
  sockaddr_in from{};
  const Bytes got = device.receive(1000, &from);
  EXPECT_EQ(got, build_frame(0xA1, 0x05, Link::Udp, 0x33, payload));
  EXPECT_EQ(ntohs(from.sin_port), link_options().bind_port);
  EXPECT_TRUE(device.receive(50).empty()) << "exactly one datagram";
}

TEST_F(TransportTest, OpeningTwiceKeepsTheFirstSocketAndDestination) {
  ASSERT_TRUE(link_.open_command_socket());
  const int fd = link_.m_udpSockfd;
  const sockaddr_in dest = link_.m_dev_addr;
  std::strcpy(link_.m_device_table[0].ip, "127.0.0.9");
  EXPECT_TRUE(link_.open_command_socket());
  EXPECT_EQ(link_.m_udpSockfd, fd);
  EXPECT_EQ(std::memcmp(&link_.m_dev_addr, &dest, sizeof dest), 0);
  EXPECT_EQ(link_.m_dev_addr.sin_addr.s_addr, inet_addr("127.0.0.2"));
  link_.close_command_socket();
  EXPECT_EQ(link_.m_udpSockfd, -1);
}

TEST_F(TransportTest, NoDeviceSelectedShowsTheMessageOnceAndSendsNothing) {
  FakeDeviceEnd device(link_options().device_port);
  link_.m_device_index = -1;
  const Outcome outcome = send(0x33, Bytes{4});
  EXPECT_EQ(outcome.status, Outcome::Status::Failed);
  EXPECT_EQ(recorded_errors(), QStringList{"Please choose a device"});
  EXPECT_EQ(link_.m_udpSockfd, -1);
  EXPECT_TRUE(device.receive(100).empty());
}

// The switcher's report feed: one socket and thread for every follower.
// Datagrams from the followed address reach its follower in order; a
// stranger's reach nobody (traced once, not once each); a fallback follower
// gets the datagrams exactly while no primary follows the same switcher, so
// a primary that comes and goes loses or doubles none; the socket goes with
// the last follower.
TEST_F(TransportTest, SwitcherReportsReachTheirFollowersAndThePrimaryTakesOverCleanly) {
  TraceRecorder traces;
  FakeDeviceEnd device(next_test_port());
  ForeignSender stranger;
  ASSERT_TRUE(stranger.ok());
  struct Seen {
    std::mutex m;
    std::vector<uint8_t> got;
  } fallback, primary;
  const auto keep = [](Seen& s) {
    return [&s](ReportFeed::Datagrams batch) {
      std::lock_guard lock(s.m);
      for (const auto& d : batch) s.got.push_back(d.empty() ? 0xFF : d[0]);
    };
  };
  const in_addr from{inet_addr("127.0.0.2")};
  const uint64_t f =
      link_.follow_switcher_reports(from, ReportFeed::Role::Fallback, keep(fallback));
  ASSERT_NE(f, 0u);
  ASSERT_NE(link_.m_udpSockfd2, -1);
  EXPECT_TRUE(link_.switcher_reports_open());

  sockaddr_in to = ipv4_address("127.0.0.1", 9, link_options().switcher_bind_port);
  constexpr int kCount = 200;
  std::atomic<bool> done{false};
  std::thread sender([&] {
    for (int i = 0; i < kCount; ++i) {
      device.send_to(to, Bytes{static_cast<uint8_t>(i)});
      const uint8_t noise[] = {0xEE};
      stranger.send_to("127.0.0.1", link_options().switcher_bind_port, noise);
      std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
    done = true;
  });
  uint64_t p = 0;
  while (!done) {
    p = p ? (link_.unfollow_switcher_reports(p), 0)
          : link_.follow_switcher_reports(from, ReportFeed::Role::Primary, keep(primary));
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
  }
  sender.join();
  const auto total = [&] {
    std::scoped_lock lock(fallback.m, primary.m);
    return fallback.got.size() + primary.got.size();
  };
  for (int i = 0; i < 200 && total() < kCount; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  if (p) link_.unfollow_switcher_reports(p);
  link_.unfollow_switcher_reports(f);
  EXPECT_EQ(link_.m_udpSockfd2, -1);
  EXPECT_FALSE(link_.switcher_reports_open());

  // Every datagram once, each follower's in order, no stranger's among them.
  std::vector<int> all;
  for (Seen* s : {&fallback, &primary}) {
    EXPECT_TRUE(std::is_sorted(s->got.begin(), s->got.end()));
    all.insert(all.end(), s->got.begin(), s->got.end());
  }
  const QString key = LinkHealth::udp_key(ipv4_address("127.0.0.2", 9, 0));
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return link_.m_link_health.record(key).state == LinkHealth::State::Answered; }, 1000))
      << "reports heard light the switcher's link";
  EXPECT_FALSE(fallback.got.empty());
  EXPECT_FALSE(primary.got.empty());
  std::sort(all.begin(), all.end());
  std::vector<int> expected(kCount);
  std::iota(expected.begin(), expected.end(), 0);
  EXPECT_EQ(all, expected);
  int ignored = 0;
  for (const std::string& line : traces.lines())
    ignored += line.find("127.0.0.66 ignored") != std::string::npos;
  EXPECT_GE(ignored, 1);
  EXPECT_LE(ignored, 3) << "traced about once a second, not once each";
  // The port is free again.
  FakeDeviceEnd again(link_options().switcher_bind_port, "0.0.0.0");
}

// Answers the first datagram after a delay with the given reply.
std::thread answer_after(FakeDeviceEnd& device, int delay_ms, Bytes reply) {
  return std::thread([&device, delay_ms, reply] {
    sockaddr_in from{};
    if (device.receive(2000, &from).empty()) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms));
    device.send_to(from, reply);
  });
}

TEST_F(TransportTest, QueryTakesAReplyInsideTheBoundAndStoresTheSender) {
  FakeDeviceEnd device(link_options().device_port);
  const Bytes reply = build_frame(0xA1, 0x05, Link::Udp, 0x32, Bytes(5, 0x11));
  std::thread t = answer_after(device, 20, reply);
  Bytes seen;
  const Outcome outcome = query(0x32, 1500, 0, [&](std::span<const uint8_t> d) {
    if (!is_command_reply(d, 0x32)) return false;
    seen.assign(d.begin(), d.end());
    return true;
  });
  t.join();
  EXPECT_EQ(outcome.status, Outcome::Status::Answered);
  EXPECT_EQ(seen, reply);
  EXPECT_EQ(link_.m_udpSockfd, -1);
  // The query's own exchange kept the sender; the page-held destination is
  // not touched by it.
  EXPECT_EQ(link_.m_last_reply_addr.sin_addr.s_addr, inet_addr("127.0.0.2"));
  EXPECT_EQ(ntohs(link_.m_last_reply_addr.sin_port), link_options().device_port);
  EXPECT_EQ(link_.m_dev_addr.sin_addr.s_addr, 0u);
  // The page-held socket targets the table's row.
  std::strcpy(link_.m_device_table[0].ip, "127.0.0.3");
  ASSERT_TRUE(link_.open_command_socket());
  EXPECT_EQ(link_.m_dev_addr.sin_addr.s_addr, inet_addr("127.0.0.3"));
  link_.close_command_socket();
}

TEST_F(TransportTest, QueryTakesRepliesOnlyFromTheAddressAskedAndNeverItsOwnRequest) {
  // A forger on another address answers first, with a reply the query
  // would take, and keeps answering; the device answers later.
  FakeDeviceEnd device(link_options().device_port);
  FakeDeviceEnd forger(next_test_port(), "127.0.0.66");
  const Bytes forged = build_frame(0xA1, 0x05, Link::Udp, 0x32, Bytes(5, 0x66));
  const Bytes real = build_frame(0xA1, 0x05, Link::Udp, 0x32, Bytes(5, 0x11));
  std::thread t([&] {
    sockaddr_in from{};
    if (device.receive(2000, &from).empty()) return;
    for (int i = 0; i < 50; ++i) forger.send_to(from, forged);
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    device.send_to(from, real);
  });
  std::vector<Bytes> offered;
  const Outcome outcome = query(0x32, 1500, 0, [&](std::span<const uint8_t> d) {
    offered.emplace_back(d.begin(), d.end());
    return true;
  });
  t.join();
  EXPECT_TRUE(outcome.answered_now());
  EXPECT_EQ(offered, std::vector<Bytes>{real});
  EXPECT_EQ(link_.m_last_reply_addr.sin_addr.s_addr, inet_addr("127.0.0.2"));

  // Forged replies alone leave the query unanswered at its bound.
  std::thread f([&] {
    sockaddr_in from{};
    if (device.receive(2000, &from).empty()) return;
    forger.send_to(from, forged);
  });
  offered.clear();
  EXPECT_EQ(query(0x32, 300, 0, [&](std::span<const uint8_t>) { return true; }).status,
            Outcome::Status::Unanswered);
  f.join();
  EXPECT_TRUE(offered.empty());

  // A device on this machine with the bind port equal to the device port:
  // the request arrives on the asking socket itself and is not its reply.
  link_options().bind_port = link_options().device_port = next_test_port();
  std::strcpy(link_.m_device_table[0].ip, "127.0.0.1");
  EXPECT_EQ(query(0x32, 300, 0, [&](std::span<const uint8_t>) { return true; }).status,
            Outcome::Status::Unanswered);
  EXPECT_TRUE(offered.empty());
}

TEST_F(TransportTest, QueryGivesUpAtTheBoundAndIgnoresALateReply) {
  FakeDeviceEnd device(link_options().device_port);
  std::thread t = answer_after(device, 900, build_frame(0xA1, 5, Link::Udp, 0x32));
  const uint32_t t0 = tick_ms();
  const Outcome outcome =
      query(0x32, 200, 0, [](std::span<const uint8_t> d) { return is_command_reply(d, 0x32); });
  const uint32_t spent = ticks_since(t0);
  t.join();
  EXPECT_EQ(outcome.status, Outcome::Status::Unanswered);
  EXPECT_GE(spent, 200u);
  EXPECT_LT(spent, 850u) << "the wait must end at its bound, not at the late reply";
}

TEST_F(TransportTest, QuerySkipsRepliesOfAnotherCommandAndSurvivesTheTickWrap) {
  FakeDeviceEnd device(link_options().device_port);
  set_tick_offset(0xFFFFFFFFu - tick_ms() - 30);  // the counter wraps during the query
  std::thread t([&] {
    sockaddr_in from{};
    if (device.receive(2000, &from).empty()) return;
    device.send_to(from, build_frame(0xA1, 5, Link::Udp, 0x33));
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    device.send_to(from, build_frame(0xA1, 5, Link::Udp, 0x32, Bytes{7}));
  });
  int calls = 0;
  Bytes seen;
  const Outcome outcome = query(0x32, 1500, 10, [&](std::span<const uint8_t> d) {
    ++calls;
    if (!is_command_reply(d, 0x32)) return false;
    seen.assign(d.begin(), d.end());
    return true;
  });
  t.join();
  EXPECT_TRUE(outcome.answered_now());
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(seen.at(17), 7);
}

TEST_F(TransportTest, ReceiveNeverLeavesStaleBytesBeyondTheDatagram) {
  FakeDeviceEnd device(link_options().device_port);
  UdpExchange exchange;
  ASSERT_TRUE(
      exchange.open(Target::lan("127.0.0.2", 0xA1, 5).lan_address(), link_options().bind_port));
  ASSERT_TRUE(exchange.send(Bytes{1}).empty());
  sockaddr_in from{};
  ASSERT_FALSE(device.receive(1000, &from).empty());
  uint8_t buf[64];
  std::memset(buf, 0xCC, sizeof buf);
  device.send_to(from, Bytes{0xA5, 0x6C, 0x03});
  ASSERT_TRUE(exchange.wait(1000));
  EXPECT_EQ(exchange.receive(buf, sizeof buf, &from), 3);
  EXPECT_EQ(buf[2], 0x03);
  for (size_t i = 3; i < sizeof buf; ++i) ASSERT_EQ(buf[i], 0) << i;
}

TEST_F(TransportTest, SendsFollowTheConnectionModeAndSayWhyTheyFailed) {
  FakeDeviceEnd device(link_options().device_port);
  link_.m_eState = 2;  // neither LAN nor serial: nothing is sent
  EXPECT_EQ(send(0x36, Bytes{1}).reason, "no connection mode");
  EXPECT_TRUE(device.receive(50).empty());
  link_.m_eState = 1;  // serial with the port closed: nothing on the LAN either
  EXPECT_EQ(send(0x36, Bytes{1}).reason, "serial port not open");
  EXPECT_TRUE(device.receive(50).empty());
  link_.m_eState = 0;
  EXPECT_EQ(send(0x36, Bytes{1}).status, Outcome::Status::Sent);
  EXPECT_EQ(device.receive(1000), build_frame(0xA1, 5, Link::Udp, 0x36, Bytes{1}));
  EXPECT_TRUE(recorded_errors().isEmpty());

  // The local port taken by another program: the datagram still goes out,
  // from a port the system picks, but the send says it did not have its port.
  TakenPort taker(link_options().bind_port);
  ASSERT_TRUE(taker.ok());
  const Outcome taken = send(0x36, Bytes{1});
  EXPECT_EQ(taken.reason, "cannot bind local port " + std::to_string(link_options().bind_port) +
                              ": address already in use");
  EXPECT_EQ(device.receive(1000), build_frame(0xA1, 5, Link::Udp, 0x36, Bytes{1}));
  const Outcome unanswered = query(0x32, 50, 0, [](std::span<const uint8_t>) { return true; });
  EXPECT_EQ(unanswered.reason, taken.reason) << "a query without its port says why";
  taker.release();

  // A broadcast address takes no datagram from a socket without SO_BROADCAST.
  std::strcpy(link_.m_device_table[0].ip, "127.255.255.255");
  const Outcome refused = send(0x36, Bytes{1});
  EXPECT_EQ(refused.status, Outcome::Status::Failed);
  EXPECT_EQ(refused.reason.rfind("send to 127.255.255.255 refused: ", 0), 0u) << refused.reason;
}

// A taken local port is told once, and only after the exchanges that ran
// into it (no box opens under a running exchange); without a window, as in
// kelvaro-ctl, it is a trace line and never a box.
TEST_F(TransportTest, ATakenLocalPortIsToldOnceAfterTheExchangeAndOnlyTracedWithoutAWindow) {
  FakeDeviceEnd device(link_options().device_port);
  const uint16_t port = link_options().bind_port;
  const std::string reason =
      "cannot bind local port " + std::to_string(port) + ": address already in use";
  {
    TakenPort taker(port);
    ASSERT_TRUE(taker.ok());
    EXPECT_EQ(send(0x36, Bytes{1}).reason, reason);
    EXPECT_TRUE(recorded_errors().isEmpty()) << "told during the exchange";
    EXPECT_EQ(query(0x32, 50, 0, [](std::span<const uint8_t>) { return false; }).reason, reason);
    QTest::qWait(50);
    EXPECT_EQ(recorded_errors(), QStringList{DeviceLink::local_port_notice(port, reason)});
  }
  EXPECT_TRUE(DeviceLink::local_port_notice(port, reason).contains("--bind-port"));

  clear_recorded_errors();
  install_link_ui({});
  TraceRecorder trace;
  EXPECT_EQ(send(0x36, Bytes{1}).status, Outcome::Status::Sent);  // had again
  {
    TakenPort taker(port);
    ASSERT_TRUE(taker.ok());
    EXPECT_EQ(send(0x36, Bytes{1}).reason, reason);
  }
  QTest::qWait(50);
  install_error_recorder();
  EXPECT_TRUE(recorded_errors().isEmpty());
  EXPECT_EQ(trace.count(DeviceLink::local_port_notice(port, reason).toStdString() + "\n"), 1);
}
}  // namespace

namespace {
// A query asked for by a timer while another query waits neither interleaves
// with it nor shares its reply buffer: it is queued, and runs afterwards with
// a reply of its own.
TEST_F(TransportTest, QueryAskedInsideAnotherQuerysWaitRunsAfterItWithItsOwnReply) {
  FakeDeviceEnd device(link_options().device_port);
  const Bytes first_reply = build_frame(0xA1, 0x05, Link::Udp, 0x32, Bytes(40, 0x11));
  const Bytes second_reply = build_frame(0xA1, 0x05, Link::Udp, 0x90, Bytes(8, 0x22));
  bool interleaved = false;
  std::thread t([&] {
    sockaddr_in from{};
    if (device.receive(2000, &from).empty()) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(80));
    interleaved = !device.receive(0).empty();
    device.send_to(from, first_reply);
    if (device.receive(2000, &from).empty()) return;
    device.send_to(from, second_reply);
  });
  auto second = std::make_shared<Bytes>();
  auto second_outcome = std::make_shared<Outcome>();
  Outcome::Status second_at_once = Outcome::Status::Sent;
  QTimer::singleShot(20, [&] {
    second_at_once = query(
                         0x90, 1000, 0,
                         [second](std::span<const uint8_t> d) {
                           if (!is_command_reply(d, 0x90)) return false;
                           second->assign(d.begin(), d.end());
                           return true;
                         },
                         [second_outcome](const Outcome& o) { *second_outcome = o; })
                         .status;
  });
  Bytes first;
  EXPECT_TRUE(query(0x32, 1500, 0, [&](std::span<const uint8_t> d) {
                if (!is_command_reply(d, 0x32)) return false;
                first.assign(d.begin(), d.end());
                return true;
              }).answered_now());
  EXPECT_EQ(second_at_once, Outcome::Status::Queued);
  EXPECT_EQ(first, first_reply);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !second->empty(); }, 3000));
  EXPECT_TRUE(second_outcome->answered_now()) << "the queued query tells its real outcome";
  t.join();
  EXPECT_FALSE(interleaved);
  EXPECT_EQ(*second, second_reply);
  EXPECT_EQ(queued_exchanges(), 0);
}
}  // namespace

namespace {
// The serial transport on a pseudo-terminal: a write and a query as the
// device sees them, and a line whose device end has gone.
TEST(SerialTransport, WritesQueriesAndTellsAHungUpLine) {
  PtyPair line;
  ASSERT_TRUE(line.ok());
  DeviceLink link;
  ASSERT_TRUE(link.m_comm.open_port(line.slave_name(), 115200));
  Transport& serial = link.transports().serial;
  const Target target = Target::serial(0xA1, 2);
  const Bytes frame = build_frame(0xA1, 2, Link::Serial, 0x36, Bytes{1});
  EXPECT_EQ(serial.send(target, frame, 0).status, Outcome::Status::Sent);
  EXPECT_EQ(line.device_read(frame.size()), frame);

  // The reply reader's frame reaches the acceptance test whole.
  const Bytes reply = build_frame(0xA1, 2, Link::Serial, 0x32, Bytes(8, 0x44));
  std::thread device([&] {
    if (line.device_read(20, 2000).size() == 20) line.device_write(reply);
  });
  Bytes seen;
  const Outcome answered =
      serial.query(target, build_frame(0xA1, 2, Link::Serial, 0x32, {}), QueryRule{2000, 10, 20},
                   [&seen](const sockaddr_in&, std::span<const uint8_t> bytes) {
                     seen.assign(bytes.begin(), bytes.end());
                     return true;
                   });
  device.join();
  EXPECT_TRUE(answered.answered_now());
  EXPECT_EQ(seen, reply);

  line.close_device();
  line.release_line();
  EXPECT_EQ(serial.send(target, frame, 0).reason, "serial line hung up");
}
}  // namespace
