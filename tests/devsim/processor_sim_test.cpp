// The four-input processors: the rk5502 answers its state query and applies
// layouts; the tm3306 applies layouts over UDP and over the serial line.
#include <gtest/gtest.h>

#include "devsim/simulator.h"
#include "sim_test_util.h"
#include "support/devsim_fixture.h"

using namespace devsim;
using simtest::Bytes;

TEST(DevsimProcessor, Rk5502AnswersItsStateAndAppliesLayouts) {
  SimulatorFixture fx({DeviceSpec::lan(kTypeRk5502, 6)});
  simtest::PanelSocket panel(fx.options().bind_port);
  Rk5502State st = fx.sim().rk5502_state(0);
  st.output_format = 7;
  st.pip_child_ch = {3, 4};
  st.loop_state = 1;
  st.umd_names[2] = "STUDIO B";
  fx.sim().set_rk5502_state(0, st);

  panel.send(fx.address(0), fx.options().device_port, simtest::udp(0x60, 6, 0x94, {9}));
  panel.send(fx.address(0), fx.options().device_port, simtest::udp(0x60, 6, 0x90));
  auto reply = panel.receive();
  ASSERT_TRUE(reply);
  const Bytes& r = reply->bytes;
  ASSERT_GE(r.size(), 261u);
  EXPECT_EQ(r[2] | (r[3] << 8), static_cast<int>(r.size()));
  EXPECT_EQ(r[4], 0x60);
  EXPECT_EQ(r[16], 0x90);
  EXPECT_EQ(r[20], 7);
  EXPECT_EQ(r[22], 9);
  EXPECT_EQ(r[54], 4);
  EXPECT_EQ(r[94], 4);
  EXPECT_EQ(r[134], 8);
  EXPECT_EQ(std::string(r.begin() + 135, r.begin() + 143), "STUDIO B");
  EXPECT_EQ(r[255], 3);
  EXPECT_EQ(r[256], 4);
  EXPECT_EQ(r[257], 1);
  EXPECT_EQ(r.back(), 0xAE);
  EXPECT_EQ(fx.sim().rk5502_state(0).layouts_applied, 1);

  // Codes up to 17 exist; 18 is refused.
  panel.send(fx.address(0), fx.options().device_port, simtest::udp(0x60, 6, 0x94, {17}));
  panel.send(fx.address(0), fx.options().device_port, simtest::udp(0x60, 6, 0x94, {18}));
  fx.wait_frames(4);
  EXPECT_EQ(fx.sim().rk5502_state(0).show_mode, 17);
  EXPECT_EQ(fx.sim().rejected_count(), 1u);
}

TEST(DevsimProcessor, Tm3306AppliesLayoutsOverBothTransports) {
  SimulatorFixture fx({DeviceSpec::lan(kTypeTm3306), DeviceSpec::serial(kTypeTm3306, 2)});
  simtest::PanelSocket panel(fx.options().bind_port);
  simtest::SerialPeer line(fx.sim().serial_name());
  ASSERT_TRUE(line.ok());
  panel.send(fx.address(0), fx.options().device_port, simtest::udp(0xA3, 1, 0x94, {15}));
  line.write(simtest::serial(0xA3, 2, 0x94, {11}));
  ASSERT_TRUE(fx.received_command(0, 0x94, {15}));
  ASSERT_TRUE(fx.received_command(1, 0x94, {11}));
  EXPECT_EQ(fx.sim().tm3306_state(0).show_mode, 15);
  EXPECT_EQ(fx.sim().tm3306_state(1).show_mode, 11);
  EXPECT_TRUE(fx.no_bad_frames());
  // No reply is expected to a layout.
  EXPECT_FALSE(panel.receive(100));
  EXPECT_TRUE(line.read_all(100).empty());
  // A serial frame on the LAN (link byte 00) is bad and not applied.
  panel.send(fx.address(0), fx.options().device_port, simtest::serial(0xA3, 1, 0x94, {3}));
  fx.wait_frames(3);
  EXPECT_EQ(fx.sim().bad_frame_count(), 1u);
  EXPECT_EQ(fx.sim().tm3306_state(0).show_mode, 15);
}
