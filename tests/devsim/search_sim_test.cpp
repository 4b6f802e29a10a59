// Every simulated device answers the search, from its own address on the
// LAN and on the serial line.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "devsim/simulator.h"
#include "sim_test_util.h"
#include "support/devsim_fixture.h"

using namespace devsim;
using simtest::Bytes;

TEST(DevsimSearch, OneBroadcastIsAnsweredByEveryDeviceFromItsOwnAddress) {
  SimulatorFixture fx({DeviceSpec::lan(kTypeMultiviewer, 1), DeviceSpec::lan(kTypeMultiviewer, 2),
                       DeviceSpec::lan(kTypeMatrix, 1), DeviceSpec::lan(kTypeSwitcher, 1),
                       DeviceSpec::lan(kTypeRk5502, 1, "PROC")});
  simtest::PanelSocket panel(fx.options().bind_port);
  panel.send("127.255.255.255", fx.options().device_port, simtest::search());
  std::vector<simtest::Datagram> replies;
  while (replies.size() < 5)
    if (auto d = panel.receive())
      replies.push_back(*d);
    else
      break;
  ASSERT_EQ(replies.size(), 5u);
  EXPECT_FALSE(panel.receive(150));  // one reply per device

  const std::vector<DeviceInfo> devices = fx.sim().devices();
  std::set<std::string> senders;
  for (const auto& d : replies) {
    senders.insert(d.from);
    EXPECT_EQ(d.from_port, fx.options().device_port);
    const auto it = std::find_if(devices.begin(), devices.end(),
                                 [&](const DeviceInfo& i) { return i.address == d.from; });
    ASSERT_NE(it, devices.end()) << d.from;
    const Bytes& r = d.bytes;
    EXPECT_EQ(r[0], 0xA5);
    EXPECT_EQ(r[1], 0x6C);
    EXPECT_EQ(r[2] | (r[3] << 8), static_cast<int>(r.size()));
    EXPECT_EQ(r[4], it->type);
    EXPECT_EQ(r[5], it->id);
    EXPECT_EQ(r[6], 0x01);
    EXPECT_EQ(r[16], 0xFF);
    EXPECT_GT(r.size(), 21u);
    EXPECT_EQ(r.back(), 0xAE);
    EXPECT_EQ(simtest::search_name(r), it->name);
  }
  EXPECT_EQ(senders, (std::set<std::string>{"127.0.0.2", "127.0.0.3", "127.0.0.4", "127.0.0.5",
                                            "127.0.0.6"}));
  EXPECT_EQ(fx.sim().device(4).name, "PROC");
  EXPECT_EQ(fx.sim().device(0).name, "MV16_1");
  EXPECT_EQ(fx.sim().device(1).name, "MV16_2");

  // The search is recorded once, by the shared search socket, and is sound.
  const auto frames = fx.wait_frames(1);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].device, -1);
  EXPECT_EQ(frames[0].command(), 0xFF);
  EXPECT_TRUE(fx.no_bad_frames());

  // A search sent straight to one device is answered by that device alone.
  panel.send(fx.address(2), fx.options().device_port, simtest::search());
  const auto one = panel.receive();
  ASSERT_TRUE(one);
  EXPECT_EQ(one->from, fx.address(2));
  EXPECT_FALSE(panel.receive(150));
}

TEST(DevsimSearch, SerialDeviceAnswersWithItsNameAndType) {
  SimulatorFixture fx({DeviceSpec::serial(0x42, 9, "ODD")});
  simtest::SerialPeer line(fx.sim().serial_name());
  ASSERT_TRUE(line.ok());
  EXPECT_EQ(fx.sim().serial_name().rfind("/dev/pts/", 0), 0u);
  line.write(simtest::search(0x00));
  const Bytes r = line.read_frame();
  ASSERT_GT(r.size(), 21u);
  ASSERT_EQ(r[2] | (r[3] << 8), static_cast<int>(r.size()));
  EXPECT_EQ(r[4], 0x42);
  EXPECT_EQ(r[5], 9);
  EXPECT_EQ(r[6], 0x00);
  EXPECT_EQ(r[16], 0xFF);
  EXPECT_EQ(simtest::search_name(r), "ODD");
  // An unknown type takes nothing else.
  line.write(simtest::serial(0x42, 9, 0x94, {1}));
  fx.wait_frames(2);
  EXPECT_EQ(fx.sim().rejected_count(), 1u);
}
