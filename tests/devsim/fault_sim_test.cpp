// Each fault mode of a simulated device does what it says, and frames that
// fail the envelope check are counted as bad and ignored.
#include <gtest/gtest.h>

#include "devsim/simulator.h"
#include "devsim/wire.h"
#include "sim_test_util.h"
#include "support/devsim_fixture.h"

using namespace devsim;
using simtest::Bytes;

namespace {

class FaultSim : public ::testing::Test {
 protected:
  SimulatorFixture fx{{DeviceSpec::lan(kTypeMultiviewer), DeviceSpec::lan(kTypeRk5502)}};
  simtest::PanelSocket panel{fx.options().bind_port};

  void query_mv() {
    panel.send(fx.address(0), fx.options().device_port, simtest::udp(0xA1, 1, 0x32));
  }
  void faults(const Faults& f, int device = 0) { fx.sim().set_faults(device, f); }
};

}  // namespace

TEST_F(FaultSim, DelayedRepliesLeaveLate) {
  Faults f;
  f.reply_delay_ms = 400;
  faults(f);
  query_mv();
  EXPECT_FALSE(panel.receive(150));  // a due time cannot come early
  auto r = panel.receive(3000);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->bytes[16], 0x32);
}

TEST_F(FaultSim, DroppedRepliesAreCountedDown) {
  Faults f;
  f.drop_replies = 2;
  faults(f);
  query_mv();
  query_mv();
  fx.wait_frames(2);
  EXPECT_FALSE(panel.receive(150));
  EXPECT_EQ(fx.sim().faults(0).drop_replies, 0);
  query_mv();
  EXPECT_TRUE(panel.receive());
  f.drop_replies = -1;  // every reply
  faults(f);
  for (int i = 0; i < 3; ++i) query_mv();
  fx.wait_frames(6);
  EXPECT_FALSE(panel.receive(150));
  EXPECT_EQ(fx.sim().faults(0).drop_replies, -1);
}

TEST_F(FaultSim, GarbageTruncationWrongCommandAndDuplicates) {
  Faults f;
  f.garbage_bytes = 5;
  faults(f);
  query_mv();
  auto junk = panel.receive();
  auto reply = panel.receive();
  ASSERT_TRUE(junk && reply);
  EXPECT_EQ(junk->bytes.size(), 5u);
  EXPECT_EQ(std::count(junk->bytes.begin(), junk->bytes.end(), 0xA5), 0);
  EXPECT_EQ(reply->bytes.size(), 669u);

  f = Faults{};
  f.truncate_to = 100;
  faults(f);
  query_mv();
  reply = panel.receive();
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->bytes.size(), 100u);
  EXPECT_EQ(reply->bytes[16], 0x32);

  f = Faults{};
  f.wrong_command = true;
  faults(f);
  query_mv();
  reply = panel.receive();
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->bytes[16], 0x33);
  EXPECT_EQ(check_frame(reply->bytes, kLinkUdp), "");  // otherwise a sound frame

  f = Faults{};
  f.duplicates = 2;
  faults(f);
  query_mv();
  std::vector<simtest::Datagram> copies;
  for (int i = 0; i < 3; ++i)
    if (auto d = panel.receive()) copies.push_back(*d);
  ASSERT_EQ(copies.size(), 3u);
  EXPECT_EQ(copies[0].bytes, copies[2].bytes);
  EXPECT_FALSE(panel.receive(150));
}

TEST_F(FaultSim, OversizedLabelLengths) {
  Faults f;
  f.label_length = 40;
  faults(f, 0);
  faults(f, 1);
  query_mv();
  auto reply = panel.receive();
  ASSERT_TRUE(reply);
  for (int w = 0; w < 16; ++w) EXPECT_EQ(reply->bytes[24 + 33 * w], 40) << w;
  EXPECT_EQ(reply->bytes.size(), 669u);  // the records keep their size
  panel.send(fx.address(1), fx.options().device_port, simtest::udp(0x60, 1, 0x90));
  reply = panel.receive();
  ASSERT_TRUE(reply);
  for (int k = 0; k < 4; ++k) EXPECT_EQ(reply->bytes[54 + 40 * k], 40) << k;
}

TEST_F(FaultSim, SerialGarbageComesBeforeTheReply) {
  SimulatorFixture serial_fx({DeviceSpec::serial(kTypeMultiviewer)});
  simtest::SerialPeer line(serial_fx.sim().serial_name());
  Faults f;
  f.garbage_bytes = 7;
  f.duplicates = 1;
  serial_fx.sim().set_faults(0, f);
  line.write(simtest::serial(0xA1, 1, 0x32));
  const Bytes r = line.read(7 + 669 * 2);
  ASSERT_EQ(r.size(), 7u + 669u * 2);  // garbage once, then the reply twice
  EXPECT_TRUE(line.read_all(100).empty());
  EXPECT_EQ(r[7], 0xA5);
  EXPECT_EQ(r[7 + 669], 0xA5);
}

TEST_F(FaultSim, BadFramesAreCountedAndIgnored) {
  const Bytes good = simtest::udp(0xA1, 1, 0x33, {4});
  auto with = [&](size_t at, uint8_t v) {
    Bytes b = good;
    b[at] = v;
    return b;
  };
  const std::string dev = fx.address(0);
  const uint16_t port = fx.options().device_port;
  panel.send(dev, port, with(17, 9));                          // checksum no longer matches
  panel.send(dev, port, with(6, 0x00));                        // serial link byte on the LAN
  panel.send(dev, port, with(2, 0x16));                        // length field
  panel.send(dev, port, with(20, 0x00));                       // end byte
  panel.send(dev, port, Bytes(good.begin(), good.end() - 1));  // cut short
  panel.send(dev, port, simtest::udp(0xA1, 1, 0x32));          // a sound query after them
  ASSERT_TRUE(panel.receive());
  fx.wait_frames(6);
  EXPECT_EQ(fx.sim().bad_frame_count(), 5u);
  EXPECT_EQ(fx.sim().multiviewer_state(0).window_count, 16);
  EXPECT_FALSE(fx.no_bad_frames());
  // A frame for another device's address is applied but noted.
  panel.send(dev, port, simtest::udp(0xA1, 7, 0x33, {4}));
  fx.wait_frames(7);
  EXPECT_EQ(fx.sim().misaddressed_count(), 1u);
  fx.sim().clear_frames();
  EXPECT_EQ(fx.sim().bad_frame_count(), 0u);
  EXPECT_TRUE(fx.no_bad_frames());
}

TEST_F(FaultSim, SerialLineDropsGarbageAndFramesCutShort) {
  SimulatorFixture serial_fx({DeviceSpec::serial(kTypeTm3306)});
  simtest::SerialPeer line(serial_fx.sim().serial_name());
  Bytes stream = {0x01, 0x02, 0x03};
  const Bytes layout = simtest::serial(0xA3, 1, 0x94, {5});
  stream.insert(stream.end(), layout.begin(), layout.end());
  line.write(stream);
  line.write(simtest::udp(0xA3, 1, 0x94, {6}));            // LAN link byte on the line
  line.write(Bytes(layout.begin(), layout.begin() + 12));  // then the line goes quiet
  serial_fx.wait_frames(4);
  const auto frames = serial_fx.sim().frames();
  ASSERT_EQ(frames.size(), 4u);
  EXPECT_TRUE(frames[0].bad);
  EXPECT_FALSE(frames[1].bad);
  EXPECT_TRUE(frames[2].bad);
  EXPECT_TRUE(frames[3].bad);
  EXPECT_EQ(frames[3].bytes.size(), 12u);
  EXPECT_EQ(serial_fx.sim().tm3306_state(0).show_mode, 5);
}
