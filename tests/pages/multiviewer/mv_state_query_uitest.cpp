// The multiviewer tabs' state query into the main window's model over the
// serial line, on pseudo-terminals, without the page (the device operation
// itself is tested in tests/devices/multiviewer).
#include <sys/resource.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <cstring>
#include <thread>

#include "devices/multiviewer/mv_frames.h"
#include "mv_page_fixture.h"
#include "pages/multiviewer/mv_subpage_util.h"
#include "support/pty_pair.h"

namespace {
using namespace mv_page_test;

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

class MvStateQueryTest : public MvPageTest {
 protected:
  // Row 0 names the LAN device, without opening its page.
  void select_lan_row() {
    std::strcpy(main->m_device_table[0].ip, fixture().address(kLan).c_str());
    main->m_device_table[0].dev_type = 0xA1;
    main->m_device_table[0].dev_id = kDevId;
    main->m_device_index = 0;
    main->m_eState = 0;
  }
  // Serial mode on a line at a rate (row 0 keeps the LAN address).
  void select_serial_line(const std::string& port, uint32_t baud) {
    select_lan_row();
    ASSERT_TRUE(main->m_comm.open_port(port, baud));
    main->m_eState = 1;
    main->m_main_com_dev_type = 0xA1;
  }
};

// Our own device on a pseudo-terminal: garbage, then the reply in two parts.
TEST_F(MvStateQueryTest, SerialQueryFindsAReplyThatArrivesInPieces) {
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
TEST_F(MvStateQueryTest, SerialQueryToASilentDeviceEndsAfterItsBoundWithoutSpinning) {
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

TEST_F(MvStateQueryTest, SerialQueryWithTheClosedPortDoesNothing) {
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
