// A simulated multiviewer applies what it receives and answers the state
// query from its own state, over UDP and over the serial line.
#include <gtest/gtest.h>

#include "devsim/simulator.h"
#include "sim_test_util.h"
#include "support/devsim_fixture.h"

using namespace devsim;
using simtest::Bytes;

namespace {

Bytes label_bytes(const std::u16string& s) { return utf16le(s); }

Bytes label_frame_payload(uint8_t window, const std::u16string& text) {
  Bytes p = {window, 1, 0, 1, 0, 1, 0, 1};
  const Bytes t = label_bytes(text);
  p.insert(p.end(), t.begin(), t.end());
  return p;
}

}  // namespace

TEST(DevsimMultiviewer, AppliesEveryCommandAndAnswersTheQueryFromItsState) {
  SimulatorFixture fx({DeviceSpec::lan(kTypeMultiviewer, 3)});
  simtest::PanelSocket panel(fx.options().bind_port);
  ASSERT_TRUE(panel.bound());
  const std::string dev = fx.address(0);
  const uint16_t port = fx.options().device_port;
  auto send = [&](uint8_t cmd, const Bytes& payload) {
    panel.send(dev, port, simtest::udp(0xA1, 3, cmd, payload));
  };
  send(0x33, {4});
  send(0x34, {5, 2});     // SDI 5 on window 2
  send(0x19, {0x00, 6});  // 720p50
  send(0x3A, {0});
  send(0x36, {0});
  send(0x37, {0});
  send(0x39, {3});
  send(0x3B, {2, 2});  // window 2 label text red
  send(0x3C, {0, 6});  // every label background yellow
  send(0x3D, {3, 1});
  send(0x3E, {0, 4});
  send(0x3F, {0});
  send(0x50, {1});
  send(0x1E, label_frame_payload(4, u"CAM 1"));
  send(0x32, {});

  auto reply = panel.receive();
  ASSERT_TRUE(reply);
  const Bytes& r = reply->bytes;
  EXPECT_EQ(reply->from, dev);
  ASSERT_EQ(r.size(), 669u);
  EXPECT_EQ(r[2] | (r[3] << 8), 669);
  EXPECT_EQ(r[4], 0xA1);
  EXPECT_EQ(r[5], 3);
  EXPECT_EQ(r[6], 0x01);
  EXPECT_EQ(r[16], 0x32);
  EXPECT_EQ(r.back(), 0xAE);
  EXPECT_EQ(r[18], 4);
  EXPECT_EQ(r[19], 6);
  EXPECT_EQ(r[20], 0);  // labels
  EXPECT_EQ(r[21], 0);  // audio
  EXPECT_EQ(r[22], 3);
  EXPECT_EQ(r[23], 0);  // resolution captions
  // Window 4's record: length 10, then "CAM 1" in UTF-16LE, zero padded.
  const size_t rec4 = 24 + 33 * 3;
  EXPECT_EQ(r[rec4], 10);
  EXPECT_EQ(Bytes(r.begin() + rec4 + 1, r.begin() + rec4 + 11), label_bytes(u"CAM 1"));
  EXPECT_EQ(r[rec4 + 11], 0);
  EXPECT_EQ(r[552 + 1], 4);  // window 2 shows SDI 5 (0-based)
  EXPECT_EQ(r[552 + 0], 0);
  EXPECT_EQ(r[600], 0);      // border
  EXPECT_EQ(r[601], 1);      // lock
  EXPECT_EQ(r[602 + 1], 2);  // label text colour of window 2
  EXPECT_EQ(r[602 + 0], 7);  // window 1 kept its colour
  for (int w = 0; w < 16; ++w) {
    EXPECT_EQ(r[618 + w], 6);
    EXPECT_EQ(r[650 + w], 4);
    EXPECT_EQ(r[634 + w], w == 2 ? 1 : 6);
  }

  const MultiviewerState s = fx.sim().multiviewer_state(0);
  EXPECT_EQ(s.window_count, 4);
  EXPECT_EQ(s.label(4), u"CAM 1");
  EXPECT_EQ(s.lock_state, 1);
  EXPECT_TRUE(fx.no_bad_frames());
}

TEST(DevsimMultiviewer, DefaultsNetworkSettingsAndRefusedValues) {
  SimulatorFixture fx({DeviceSpec::lan(kTypeMultiviewer)});
  simtest::PanelSocket panel(fx.options().bind_port);
  const std::string dev = fx.address(0);
  const uint16_t port = fx.options().device_port;
  MultiviewerState before = fx.sim().multiviewer_state(0);

  // Values outside their ranges are refused and change nothing.
  panel.send(dev, port, simtest::udp(0xA1, 1, 0x33, {5}));
  panel.send(dev, port, simtest::udp(0xA1, 1, 0x34, {17, 1}));
  panel.send(dev, port, simtest::udp(0xA1, 1, 0x19, {0x00, 2}));
  panel.send(dev, port, simtest::udp(0xA1, 1, 0x3B, {1, 16}));
  panel.send(dev, port, simtest::udp(0xA1, 1, 0x33, {4, 0}));  // one byte too long
  fx.wait_frames(5);
  EXPECT_EQ(fx.sim().rejected_count(), 5u);
  EXPECT_EQ(fx.sim().multiviewer_state(0).window_count, before.window_count);
  EXPECT_EQ(fx.sim().multiviewer_state(0).sources, before.sources);

  panel.send(dev, port, simtest::udp(0xA1, 1, 0x05, {10, 0, 0, 5, 255, 0, 0, 0, 10, 0, 0, 1}));
  panel.send(dev, port, simtest::udp(0xA1, 1, 0x33, {1}));
  panel.send(dev, port, simtest::udp(0xA1, 1, 0x38, {0}));
  fx.wait_frames(8);
  const MultiviewerState s = fx.sim().multiviewer_state(0);
  EXPECT_EQ(s.net_param, (std::array<uint8_t, 12>{10, 0, 0, 5, 255, 0, 0, 0, 10, 0, 0, 1}));
  EXPECT_EQ(s.defaults_restored, 1);
  EXPECT_EQ(s.window_count, 16);
  EXPECT_EQ(s.resolution_code, 7);
  EXPECT_EQ(s.resolution_enable, 0);
  EXPECT_EQ(s.umd_back_color, (std::array<uint8_t, 16>{}));
  EXPECT_EQ(s.labels, before.labels);  // labels and sources stay
  EXPECT_EQ(s.sources, before.sources);
}

TEST(DevsimMultiviewer, SerialQueryAnswersWith33ByteLabelRecords) {
  SimulatorFixture fx({DeviceSpec::serial(kTypeMultiviewer, 2)});
  simtest::SerialPeer line(fx.sim().serial_name());
  ASSERT_TRUE(line.ok());
  // A 20-unit label: 40 bytes sent, the device keeps 32 of them.
  line.write(simtest::serial(0xA1, 2, 0x1E, label_frame_payload(1, u"ABCDEFGHIJKLMNOPQRST")));
  line.write(simtest::serial(0xA1, 2, 0x33, {9}));
  line.write(simtest::serial(0xA1, 2, 0x32));
  const Bytes r = line.read(669);
  ASSERT_EQ(r.size(), 669u);
  EXPECT_EQ(r[6], 0x00);
  EXPECT_EQ(r[2] | (r[3] << 8), 669);
  EXPECT_EQ(r[16], 0x32);
  EXPECT_EQ(r[18], 9);
  EXPECT_EQ(r[24], 32);
  EXPECT_EQ(Bytes(r.begin() + 25, r.begin() + 57), label_bytes(u"ABCDEFGHIJKLMNOP"));
  EXPECT_EQ(r[57], 10);  // window 2's record, 33 bytes on: "CAM 2"
  EXPECT_EQ(r.back(), 0xAE);
  EXPECT_EQ(fx.sim().multiviewer_state(0).label(1), u"ABCDEFGHIJKLMNOP");
  const auto frames = fx.wait_frames(3);
  ASSERT_EQ(frames.size(), 3u);
  EXPECT_EQ(frames[0].transport, Transport::Serial);
  EXPECT_EQ(frames[0].sender, fx.sim().serial_name());
  EXPECT_TRUE(fx.no_bad_frames());
}
