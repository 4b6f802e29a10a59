// A simulated matrix router routes by its text commands and keeps its lock.
#include <gtest/gtest.h>

#include "devsim/simulator.h"
#include "sim_test_util.h"
#include "support/devsim_fixture.h"

using namespace devsim;
using simtest::Bytes;

TEST(DevsimMatrix, TextCommandsRouteAndTheLockIsKept) {
  SimulatorFixture fx({DeviceSpec::lan(kTypeMatrix2, 4)});
  simtest::PanelSocket panel(fx.options().bind_port);
  const std::string dev = fx.address(0);
  const uint16_t port = fx.options().device_port;

  panel.send(dev, port, simtest::text("3V1,2,5."));
  ASSERT_TRUE(fx.received_text(0, "3V1,2,5."));
  EXPECT_EQ(fx.sim().matrix_state(0).route, (std::array<uint8_t, 8>{3, 3, 3, 4, 3, 6, 7, 8}));
  panel.send(dev, port, simtest::text("4All."));
  ASSERT_TRUE(fx.received_text(0, "4All."));
  EXPECT_EQ(fx.sim().matrix_state(0).route, (std::array<uint8_t, 8>{4, 4, 4, 4, 4, 4, 4, 4}));
  panel.send(dev, port, simtest::text("8V08."));  // two-digit numbers
  ASSERT_TRUE(fx.received_text(0, "8V08."));
  EXPECT_EQ(fx.sim().matrix_state(0).route[7], 8);
  panel.send(dev, port, simtest::text("All#."));
  ASSERT_TRUE(fx.received_text(0, "All#."));
  EXPECT_EQ(fx.sim().matrix_state(0).route, (std::array<uint8_t, 8>{1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(fx.sim().matrix_state(0).text_commands, 4);
  EXPECT_TRUE(fx.no_bad_frames());

  // Outside 1..8 is well formed but refused; a malformed text is bad.
  panel.send(dev, port, simtest::text("9V1."));
  panel.send(dev, port, simtest::text("3V1,"));
  fx.wait_frames(6);
  EXPECT_EQ(fx.sim().rejected_count(), 1u);
  EXPECT_EQ(fx.sim().bad_frame_count(), 1u);
  EXPECT_EQ(fx.sim().matrix_state(0).route, (std::array<uint8_t, 8>{1, 2, 3, 4, 5, 6, 7, 8}));

  // Lock: the query answers byte 18 from the state; 0x51 changes it.
  panel.send(dev, port, simtest::udp(0x82, 4, 0x50));
  auto reply = panel.receive();
  ASSERT_TRUE(reply);
  ASSERT_EQ(reply->bytes.size(), 22u);
  EXPECT_EQ(reply->bytes[4], 0x82);
  EXPECT_EQ(reply->bytes[16], 0x50);
  EXPECT_EQ(reply->bytes[18], 0);
  panel.send(dev, port, simtest::udp(0x82, 4, 0x51, {1}));
  panel.send(dev, port, simtest::udp(0x82, 4, 0x50));
  reply = panel.receive();
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->bytes[18], 1);
  EXPECT_EQ(fx.sim().matrix_state(0).lock, 1);
}

TEST(DevsimMatrix, SerialLineCarriesTextAndFramesTogether) {
  SimulatorFixture fx({DeviceSpec::serial(kTypeMatrix)});
  simtest::SerialPeer line(fx.sim().serial_name());
  ASSERT_TRUE(line.ok());
  // Two commands in one write, a third split over two writes.
  line.write(simtest::text("2V3.5V6,7."));
  line.write(simtest::text("1V"));
  line.write(simtest::text("8."));
  line.write(simtest::serial(0x81, 1, 0x51, {1}));
  fx.wait_frames(4);
  const MatrixState s = fx.sim().matrix_state(0);
  EXPECT_EQ(s.route, (std::array<uint8_t, 8>{1, 2, 2, 4, 5, 5, 5, 1}));
  EXPECT_EQ(s.lock, 1);
  EXPECT_EQ(s.last_text, "1V8.");
  EXPECT_TRUE(fx.no_bad_frames());
}
