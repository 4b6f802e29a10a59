// The multiviewer sending procedure and the state query, over UDP on
// loopback and over pseudo-terminals, without the page.
#include <arpa/inet.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <atomic>
#include <cstring>
#include <thread>

#include "link/link_options.h"
#include "mv_page_fixture.h"
#include "pages/multiviewer/mv_commands.h"
#include "devices/multiviewer/mv_frames.h"
#include "support/pty_pair.h"

namespace {
using namespace mv_page_test;

struct Command {
  uint8_t code;
  Bytes payload;
};

// One of every multiviewer command the pages send, with a valid payload.
std::vector<Command> command_set() {
  Bytes label = umd_text_payload(2, QStringLiteral("Cam 2"));
  return {
      {0x33, {4}},     {0x34, {5, 3}},  {0x19, {0x00, 14}}, {0x3A, {1}},    {0x36, {0}},
      {0x1E, label},   {0x37, {1}},     {0x39, {16}},       {0x3B, {0, 3}}, {0x3C, {16, 9}},
      {0x3D, {1, 15}}, {0x3E, {0, 14}}, {0x3F, {0}},        {0x50, {1}},    {0x38, {0x00}},
  };
}

// A multiviewer state reply (offsets 17 .. 665), mostly zero: window count,
// resolution code, window 1's label, the sources and the lock from `tag`.
Bytes state_reply(Link link, uint8_t count, uint8_t resolution, uint8_t tag) {
  Bytes body(666 - 17, 0);
  auto at = [&](size_t offset) -> uint8_t& { return body[offset - 17]; };
  at(18) = count;
  at(19) = resolution;
  at(20) = 1;
  at(24) = 4;
  at(25) = 'T';
  at(27) = static_cast<uint8_t>('0' + tag % 10);
  for (size_t i = 0; i < 16; ++i) at(552 + i) = tag;
  at(601) = 1;
  return build_frame(0xA1, kDevId, link, 0x32, body);
}

double cpu_seconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

class MvCommandsTest : public MvPageTest {
 protected:
  // Row 0 names the LAN device, without opening its page.
  void select_lan_row() {
    std::strcpy(main->m_device_table[0].ip, fixture().address(kLan).c_str());
    main->m_device_table[0].dev_type = 0xA1;
    main->m_device_table[0].dev_id = kDevId;
    main->m_device_index = 0;
    main->m_eState = 0;
  }
  // Serial mode on the simulator's line, or on another line at another
  // rate (row 0 keeps the LAN address).
  void select_serial_line() { select_serial_line(fixture().address(kSerial), 115200); }
  void select_serial_line(const std::string& port, uint32_t baud) {
    select_lan_row();
    ASSERT_TRUE(main->m_comm.open_port(port, baud));
    main->m_eState = 1;
    main->m_main_com_dev_type = 0xA1;
  }
};

TEST_F(MvCommandsTest, EveryCommandGoesOutAsOneDatagramWithItsPayload) {
  select_lan_row();
  const std::vector<Command> commands = command_set();
  for (const Command& c : commands) {
    QElapsedTimer clock;
    clock.start();
    SendMvCommand(c.code, c.payload);
    EXPECT_GE(clock.elapsed(), 9) << "pause after command " << int(c.code);
    EXPECT_EQ(main->m_udpSockfd, -1);
  }
  ASSERT_TRUE(sim().wait_for_frames(commands.size(), ms(3000)));
  EXPECT_TRUE(nothing_after(commands.size()));
  const auto frames = sim().frames();
  for (size_t i = 0; i < commands.size(); ++i) {
    const devsim::ReceivedFrame& f = frames[i];
    EXPECT_EQ(f.transport, devsim::Transport::Udp);
    EXPECT_EQ(f.device, kLan);
    EXPECT_EQ(f.bytes.size(), 20 + commands[i].payload.size());
    EXPECT_EQ(payload_of(f.bytes, commands[i].code, Link::Udp), commands[i].payload);
  }
  const devsim::MultiviewerState s = sim().multiviewer_state(kLan);
  EXPECT_EQ(s.label(2), u"Cam 2");
  EXPECT_EQ(s.defaults_restored, 1);
}

TEST_F(MvCommandsTest, SerialCommandsCarryLinkByteZeroAndNeedAnOpenPort) {
  select_serial_line();
  const std::vector<Command> commands = command_set();
  for (const Command& c : commands) SendMvCommand(c.code, c.payload);
  ASSERT_TRUE(sim().wait_for_frames(commands.size(), ms(3000)));
  EXPECT_TRUE(nothing_after(commands.size()));
  const auto frames = sim().frames();
  for (size_t i = 0; i < commands.size(); ++i) {
    EXPECT_EQ(frames[i].transport, devsim::Transport::Serial);
    EXPECT_EQ(payload_of(frames[i].bytes, commands[i].code, Link::Serial), commands[i].payload);
  }

  // Closed port, or a mode that is neither: nothing anywhere, no message.
  sim().clear_frames();
  main->m_comm.close_port(500);
  SendMvCommand(0x33, Bytes{9});
  main->m_eState = 2;
  SendMvCommand(0x33, Bytes{9});
  EXPECT_TRUE(nothing_after(0, ms(300)));
}

TEST_F(MvCommandsTest, LanFormGoesOverUdpWhateverTheMode) {
  select_serial_line();
  const Bytes net = {192, 168, 1, 50, 255, 255, 255, 0, 192, 168, 1, 1};
  SendMvCommandLan(mv_cmd::kNetParam, net);
  SendMvCommandLan(mv_cmd::kAudioEnable, Bytes{0});
  SendMvCommandLan(mv_cmd::kAudioSource, Bytes{7});
  ASSERT_TRUE(sim().wait_for_frames(3, ms(3000)));
  EXPECT_TRUE(nothing_after(3));
  const auto frames = sim().frames();
  for (const auto& f : frames) {
    EXPECT_EQ(f.transport, devsim::Transport::Udp);
    EXPECT_EQ(f.device, kLan);
  }
  EXPECT_EQ(frames[0].bytes.size(), 32u);
  EXPECT_EQ(payload_of(frames[0].bytes, 0x05, Link::Udp), net);
  EXPECT_EQ(payload_of(frames[1].bytes, 0x37, Link::Udp), Bytes{0});
  EXPECT_EQ(payload_of(frames[2].bytes, 0x39, Link::Udp), Bytes{7});
  EXPECT_EQ(sim().multiviewer_state(kLan).net_param_changes, 1);
  EXPECT_EQ(sim().multiviewer_state(kSerial).net_param_changes, 0);
}

TEST_F(MvCommandsTest, LanQueryTakesALateButInTimeReplyAndNotATooLateOne) {
  select_lan_row();
  devsim::MultiviewerState s = devsim::initial_multiviewer_state();
  s.window_count = 6;
  sim().set_multiviewer_state(kLan, s);
  devsim::Faults late;
  late.reply_delay_ms = 50;
  sim().set_faults(kLan, late);
  QueryDeviceState();
  EXPECT_EQ(main->m_cur_window_count, 6);
  EXPECT_EQ(main->m_16_view_state_read, 1);
  EXPECT_EQ(trace_count("wait time over \n"), 0);
  EXPECT_EQ(main->m_udpSockfd, -1);

  s.window_count = 10;
  sim().set_multiviewer_state(kLan, s);
  late.reply_delay_ms = 600;
  sim().set_faults(kLan, late);
  QElapsedTimer clock;
  clock.start();
  QueryDeviceStateLan();
  EXPECT_GE(clock.elapsed(), 190);
  EXPECT_LT(clock.elapsed(), 3000);
  EXPECT_EQ(main->m_cur_window_count, 6);
  EXPECT_EQ(trace_count("wait time over \n"), 1);
  EXPECT_EQ(frames_of(kLan, 0x32).size(), 2u);
}

TEST_F(MvCommandsTest, ShortLanReplyReadsZerosPastItsEnd) {
  select_lan_row();
  for (int i = 0; i < 16; ++i) main->m_16_view_window_source[i] = 9;
  main->m_all_16_view_page_data.kelvaro_16_view_umd_back_color[0] = 7;
  devsim::MultiviewerState s = devsim::initial_multiviewer_state();
  s.window_count = 4;
  s.resolution_code = 6;
  sim().set_multiviewer_state(kLan, s);
  devsim::Faults cut;
  cut.truncate_to = 100;  // up to the middle of window 3's label
  sim().set_faults(kLan, cut);
  QueryDeviceState();
  EXPECT_EQ(main->m_cur_window_count, 4);
  EXPECT_EQ(main->m_all_16_view_page_data.kelvaro_16_view_resolution_type, 8);
  EXPECT_EQ(main->m_16_view_umd_text[0], QStringLiteral("CAM 1"));
  EXPECT_EQ(main->m_16_view_umd_text[5], QString());
  EXPECT_EQ(main->m_16_view_window_source[0], 0);
  EXPECT_EQ(main->m_16_view_window_source[15], 0);
  EXPECT_EQ(main->m_all_16_view_page_data.kelvaro_16_view_umd_back_color[0], 0);
}

// A device of our own on 127.0.0.9 that answers a query with a datagram of
// another command first, then with the state reply.
TEST_F(MvCommandsTest, LanQuerySkipsOtherCommandsAndTakesTheStateReplyAfterThem) {
  const uint16_t device_port = link_options().device_port;
  const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_port = htons(device_port);
  at.sin_addr.s_addr = ::inet_addr("127.0.0.9");
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&at), sizeof at), 0);
  timeval limit{3, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  std::atomic<int> request_length{0};
  std::thread device([&] {
    uint8_t request[64];
    sockaddr_in from{};
    socklen_t len = sizeof from;
    const ssize_t n =
        ::recvfrom(fd, request, sizeof request, 0, reinterpret_cast<sockaddr*>(&from), &len);
    request_length = static_cast<int>(n);
    if (n <= 0) return;
    const Bytes other = build_frame(0xA1, kDevId, Link::Udp, 0x33, Bytes{4});
    const Bytes reply = state_reply(Link::Udp, 8, 11, 3);
    ::sendto(fd, other.data(), other.size(), 0, reinterpret_cast<sockaddr*>(&from), len);
    ::sendto(fd, reply.data(), reply.size(), 0, reinterpret_cast<sockaddr*>(&from), len);
  });

  std::strcpy(main->m_device_table[0].ip, "127.0.0.9");
  main->m_device_table[0].dev_type = 0xA1;
  main->m_device_table[0].dev_id = kDevId;
  main->m_device_index = 0;
  QueryDeviceState();
  device.join();
  ::close(fd);

  EXPECT_EQ(request_length, 20);
  EXPECT_EQ(main->m_cur_window_count, 8);
  EXPECT_EQ(main->m_all_16_view_page_data.kelvaro_16_view_mode_type, 3);
  EXPECT_EQ(main->m_all_16_view_page_data.kelvaro_16_view_resolution_type, 1);
  EXPECT_EQ(main->m_16_view_window_source[15], 3);
  EXPECT_EQ(main->m_16_view_umd_text[0], QStringLiteral("T3"));
  EXPECT_EQ(trace_count("wait time over \n"), 0);
  int skipped = 0;
  for (const std::string& t : traces()) skipped += t.find("0x33") != std::string::npos ? 1 : 0;
  EXPECT_EQ(skipped, 1);
}

TEST_F(MvCommandsTest, SerialQueryReadsTheSimulatedDevice) {
  select_serial_line();
  devsim::MultiviewerState s = devsim::initial_multiviewer_state();
  s.window_count = 9;
  s.set_label(4, u"Serial 4");
  sim().set_multiviewer_state(kSerial, s);
  QueryDeviceState();
  const auto queries = frames_of(kSerial, 0x32);
  ASSERT_EQ(queries.size(), 1u);
  EXPECT_EQ(queries[0].bytes, build_frame(0xA1, kDevId, Link::Serial, 0x32));
  EXPECT_EQ(main->m_cur_window_count, 9);
  EXPECT_EQ(main->m_16_view_umd_text[3], QStringLiteral("Serial 4"));
  EXPECT_EQ(main->m_16_view_state_read, 1);
  EXPECT_EQ(trace_count("time over \n"), 0);
  EXPECT_TRUE(frames_of(kLan, 0x32).empty());
}

// Our own device on a pseudo-terminal: garbage, then the reply in two parts.
TEST_F(MvCommandsTest, SerialQueryFindsAReplyThatArrivesInPieces) {
  PtyPair line;
  ASSERT_TRUE(line.ok());
  select_serial_line(line.slave_name(), 9600);
  ASSERT_FALSE(HasFatalFailure());
  // Bytes waiting before the request are stale and drained.
  const Bytes stale = state_reply(Link::Serial, 16, 7, 9);
  ASSERT_TRUE(line.device_write(stale));
  QTest::qWait(50);

  std::thread device([&] {
    const Bytes request = line.device_read(20, 3000);
    if (request != build_frame(0xA1, kDevId, Link::Serial, 0x32)) return;
    Bytes reply = {0x00, 0xA5, 0x13};
    const Bytes frame = state_reply(Link::Serial, 4, 13, 2);
    reply.insert(reply.end(), frame.begin(), frame.end());
    line.device_write(std::span(reply).first(300));
    std::this_thread::sleep_for(ms(80));
    line.device_write(std::span(reply).subspan(300));
  });
  QueryDeviceState();
  device.join();
  EXPECT_EQ(main->m_cur_window_count, 4);
  EXPECT_EQ(main->m_all_16_view_page_data.kelvaro_16_view_resolution_type, 5);
  EXPECT_EQ(main->m_16_view_window_source[0], 2);
  EXPECT_EQ(trace_count("time over \n"), 0);
  main->m_comm.close_port(500);
}

// A silent device: the query gives up after 5 s, sleeping rather than
// spinning, and a state reply left in the buffer from an earlier exchange
// is not taken for the answer.
TEST_F(MvCommandsTest, SerialQueryToASilentDeviceEndsAfterItsBoundWithoutSpinning) {
  PtyPair line;
  ASSERT_TRUE(line.ok());
  select_serial_line(line.slave_name(), 9600);
  ASSERT_FALSE(HasFatalFailure());
  const Bytes old = state_reply(Link::Serial, 16, 7, 9);
  std::memcpy(main->m_com_recv_buf, old.data(), old.size());
  main->m_com_recv_len = static_cast<uint32_t>(old.size());
  main->m_cur_window_count = 4;
  main->m_16_view_window_source[0] = 1;

  QElapsedTimer clock;
  clock.start();
  const double cpu0 = cpu_seconds();
  QueryDeviceState();
  const qint64 took = clock.elapsed();
  const double cpu = cpu_seconds() - cpu0;

  EXPECT_EQ(line.device_read(20, 1000), build_frame(0xA1, kDevId, Link::Serial, 0x32));
  EXPECT_GE(took, 4990);
  EXPECT_LT(took, 9000);
  EXPECT_LT(cpu, 2.0) << "the wait must sleep, not spin";
  EXPECT_EQ(trace_count("time over \n"), 1);
  EXPECT_EQ(main->m_16_view_state_read, 1);
  EXPECT_EQ(main->m_cur_window_count, 4);
  EXPECT_EQ(main->m_16_view_window_source[0], 1);
  main->m_comm.close_port(500);
}

TEST_F(MvCommandsTest, SerialQueryWithTheClosedPortDoesNothing) {
  select_lan_row();
  main->m_eState = 1;
  QElapsedTimer clock;
  clock.start();
  QueryDeviceState();
  EXPECT_LT(clock.elapsed(), 1000);
  EXPECT_EQ(main->m_16_view_state_read, 0);
  EXPECT_TRUE(traces().empty());
  EXPECT_TRUE(nothing_after(0));
}
}  // namespace
