// A simulated switcher applies the frames of its page and sub-pages and
// reports changes made on its own panel to the panel's switcher port.
#include <gtest/gtest.h>

#include "devsim/simulator.h"
#include "sim_test_util.h"
#include "support/devsim_fixture.h"

using namespace devsim;
using simtest::Bytes;

namespace {

class SwitcherSim : public ::testing::Test {
 protected:
  SimulatorFixture fx{{DeviceSpec::lan(kTypeSwitcher, 2)}};
  simtest::PanelSocket command{fx.options().bind_port};
  simtest::PanelSocket reports{fx.options().switcher_bind_port};

  // Frames of the page go to the switcher port of the device.
  void send(uint8_t cmd, const Bytes& payload = {}) {
    command.send(fx.address(0), fx.options().switcher_device_port,
                 simtest::udp(0xA5, 2, cmd, payload));
  }
};

}  // namespace

TEST_F(SwitcherSim, AppliesEveryFrameOfThePageAndItsSubPages) {
  const std::vector<std::pair<uint8_t, Bytes>> frames = {
      {0x80, {5}},        {0x81, {12}},      {0x88, {0}},       {0x89, {0}},  {0x8B, {0}},
      {0x8E, {}},         {0x85, {}},        {0x84, {}},        {0x90, {3}},  {0x91, {4}},
      {0x92, {7}},        {0x93, {2}},       {0x94, {200}},     {0x97, {10}}, {0x98, {1}},
      {0x95, {99}},       {0x9C, {10}},      {0x9D, {1}},       {0x9E, {3}},  {0x9F, {6}},
      {0xA0, {0xC0, 3}},  {0xA1, {0x38, 4}}, {0xA2, {0x80, 7}}, {0xA3, {3}},  {0xA3, {4, 3}},
      {0xA5, {1, 200, 0}}};
  for (const auto& [cmd, payload] : frames) send(cmd, payload);
  fx.wait_frames(frames.size());
  EXPECT_TRUE(fx.no_bad_frames());
  const SwitcherState s = fx.sim().switcher_state(0);
  EXPECT_EQ(s.pgm_source, 5);
  EXPECT_EQ(s.pvm_source, 12);
  EXPECT_EQ(s.on_air, 1);
  EXPECT_EQ(s.on_air2, 1);
  EXPECT_EQ(s.key1_on, 1);
  EXPECT_EQ(s.transition_type, 2);
  EXPECT_EQ(s.ftb_on, 1);
  EXPECT_EQ(s.auto_requests, 1);
  EXPECT_EQ(s.dip_source, 3);
  EXPECT_EQ(s.wipe_source, 4);
  EXPECT_EQ(s.wipe_style, 7);
  EXPECT_EQ(s.luma_source, 2);
  EXPECT_EQ(s.luma_rgb[0], 200);  // red while key 1 was in use
  EXPECT_EQ(s.chroma_source, 10);
  EXPECT_EQ(s.chroma_type, 1);
  EXPECT_EQ(s.chroma_rgb[1][1], 99);  // green of the green chroma type
  EXPECT_EQ(s.luma_rgb[1], 16);
  EXPECT_EQ(s.pip_source, 10);
  EXPECT_EQ(s.pip_border_enable, 1);
  EXPECT_EQ(s.pip_border_color, 3);
  EXPECT_EQ(s.pip_border_width, 6);
  EXPECT_EQ(s.pip_x, 960);
  EXPECT_EQ(s.pip_y, 1080);
  EXPECT_EQ(s.pip_size, 1920);
  EXPECT_EQ(s.output_resolution, 3);
  EXPECT_EQ(s.window_input[3], 3);
  EXPECT_EQ(s.rate_ms[0], 200);
}

TEST_F(SwitcherSim, CutAndTBarExchangeTheBusesOncePerTransition) {
  send(0x80, {1});
  send(0x81, {2});
  send(0x83);
  for (uint8_t v : {1, 40, 127, 128, 128}) send(0x82, {1, v});  // 128 twice: one transition
  fx.wait_frames(8);
  SwitcherState s = fx.sim().switcher_state(0);
  EXPECT_EQ(s.cuts, 1);
  EXPECT_EQ(s.transitions, 1);
  EXPECT_EQ(s.pgm_source, 1);  // the cut made 2 / 1, the transition 1 / 2 again
  EXPECT_EQ(s.pvm_source, 2);
  for (uint8_t v : {1, 64, 128}) send(0x82, {0, v});
  fx.wait_frames(11);
  s = fx.sim().switcher_state(0);
  EXPECT_EQ(s.transitions, 2);
  EXPECT_EQ(s.pgm_source, 2);
  EXPECT_EQ(s.tbar_direction, 0);
  // A progress of 0 or a direction of 2 is refused.
  send(0x82, {1, 0});
  send(0x82, {2, 5});
  fx.wait_frames(13);
  EXPECT_EQ(fx.sim().rejected_count(), 2u);
}

TEST_F(SwitcherSim, ReportsReachTheSwitcherPortAndChangeTheDevice) {
  ASSERT_TRUE(reports.bound());
  fx.sim().send_report(0, Report::pgm(7));
  auto d = reports.receive();
  ASSERT_TRUE(d);
  EXPECT_EQ(d->from, fx.address(0));
  EXPECT_EQ(d->from_port, fx.options().switcher_device_port);
  EXPECT_EQ(d->bytes, simtest::udp(0xA5, 2, 0x80, {7}));
  EXPECT_EQ(fx.sim().switcher_state(0).pgm_source, 7);

  // A scripted sequence arrives in order, spaced by the gap.
  fx.sim().send_reports(0,
                        {Report::pvm(3), Report::tbar(1, 64), Report::cut(), Report::on_air(),
                         Report::key2(), Report::transition(3)},
                        std::chrono::milliseconds(20));
  std::vector<simtest::Datagram> got;
  for (int i = 0; i < 6; ++i)
    if (auto r = reports.receive()) got.push_back(*r);
  ASSERT_EQ(got.size(), 6u);
  EXPECT_EQ(got[0].bytes, simtest::udp(0xA5, 2, 0x81, {3}));
  EXPECT_EQ(got[1].bytes, simtest::udp(0xA5, 2, 0x82, {1, 64}));
  EXPECT_EQ(got[2].bytes, simtest::udp(0xA5, 2, 0x83));
  EXPECT_EQ(got[3].bytes, simtest::udp(0xA5, 2, 0x88, {1}));
  EXPECT_EQ(got[4].bytes, simtest::udp(0xA5, 2, 0x8C, {1}));
  EXPECT_EQ(got[5].bytes, simtest::udp(0xA5, 2, 0x8F));
  const SwitcherState s = fx.sim().switcher_state(0);
  EXPECT_EQ(s.pgm_source, 3);
  EXPECT_EQ(s.pvm_source, 7);
  EXPECT_EQ(s.on_air, 1);
  EXPECT_EQ(s.key2_on, 1);
  EXPECT_EQ(s.transition_type, 3);
  EXPECT_EQ(fx.sim().reports_sent(0), 7u);
  // Nothing the switcher sends is recorded as received.
  EXPECT_EQ(fx.sim().frame_count(), 0u);
}

TEST(DevsimSwitcher, ReportsFollowThePanelThatSpokeLast) {
  SimulatorFixture fx({DeviceSpec::lan(kTypeSwitcher)});
  // A panel at another loopback address speaks first; reports go there.
  simtest::PanelSocket reports_here(fx.options().switcher_bind_port);  // 127.0.0.1
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(fx.options().switcher_bind_port);
  inet_pton(AF_INET, "127.0.0.9", &a.sin_addr);
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(fx.options().switcher_device_port);
  inet_pton(AF_INET, fx.address(0).c_str(), &to.sin_addr);
  const Bytes cut = simtest::udp(0xA5, 1, 0x83);
  ::sendto(fd, cut.data(), cut.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
  fx.wait_frames(1);
  EXPECT_EQ(fx.sim().frames()[0].sender.rfind("127.0.0.9:", 0), 0u);
  fx.sim().send_report(0, Report::bkgd());
  pollfd p{fd, POLLIN, 0};
  ASSERT_EQ(::poll(&p, 1, 2000), 1);
  uint8_t buffer[64];
  EXPECT_EQ(::recv(fd, buffer, sizeof buffer, 0), 21);
  EXPECT_EQ(buffer[16], 0x8A);
  EXPECT_EQ(buffer[17], 0);  // BKGD was on, now off
  EXPECT_FALSE(reports_here.receive(100));
  ::close(fd);
}

TEST_F(SwitcherSim, FloodSendsReportsUntilStopped) {
  Faults f;
  f.flood_per_second = 5000;
  fx.sim().set_faults(0, f);
  size_t n = 0;
  while (n < 200 && reports.receive(1000)) ++n;
  EXPECT_EQ(n, 200u);
  fx.sim().set_faults(0, Faults{});
  reports.receive_all(100);  // what was on its way
  EXPECT_FALSE(reports.receive(200));
  const SwitcherState s = fx.sim().switcher_state(0);
  EXPECT_EQ(s.pgm_source, 1);  // T-bar moves that never complete a transition
  EXPECT_EQ(s.transitions, 0);
}
