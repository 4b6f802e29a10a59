// The switcher's operations against the simulated switcher, without widgets:
// the bytes it receives on its switcher port, over the page's held link and
// over kelvaro-ctl's own socket per frame, and the outcome when a send cannot
// go out as it should.
#include "devices/switcher/switcher_device.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "link/control_frame.h"
#include "link/device_link.h"
#include "link/link_options.h"
#include "support/devsim_fixture.h"
#include "support/taken_port.h"

namespace {
namespace sw = switcher_device;
using Bytes = std::vector<uint8_t>;
using Op = std::function<Outcome(::Transport&, const ::Target&)>;

constexpr uint8_t kType = 0xA5;
constexpr uint8_t kId = 7;

struct Case {
  const char* name;
  Op op;
  uint8_t command;
  Bytes payload;
};

// Every operation with the frame it must put on the wire.
std::vector<Case> every_operation() {
  using sw::Colour;
  using sw::PipPlace;
  using sw::Setting;
  using sw::Toggle;
  using sw::Transition;
  using T = ::Transport&;
  using D = const ::Target&;
  return {
      {"program", [](T t, D d) { return sw::program_source(t, d, 3); }, 0x80, {3}},
      {"preview", [](T t, D d) { return sw::preview_source(t, d, 12); }, 0x81, {12}},
      {"tbar", [](T t, D d) { return sw::tbar(t, d, 1, 64); }, 0x82, {1, 64}},
      {"tbar far end", [](T t, D d) { return sw::tbar(t, d, 0, 128); }, 0x82, {0, 128}},
      {"cut", sw::cut, 0x83, {}},
      {"auto", sw::auto_transition, 0x84, {}},
      {"ftb", sw::fade_to_black, 0x85, {}},
      {"pip", sw::pip_layer, 0x86, {}},
      {"on air", [](T t, D d) { return sw::toggle(t, d, Toggle::OnAir, 0); }, 0x88, {0}},
      {"on air 2", [](T t, D d) { return sw::toggle(t, d, Toggle::OnAir2, 1); }, 0x89, {1}},
      {"bkgd", [](T t, D d) { return sw::toggle(t, d, Toggle::Bkgd, 1); }, 0x8A, {1}},
      {"key 1", [](T t, D d) { return sw::toggle(t, d, Toggle::Key1, 0); }, 0x8B, {0}},
      {"key 2", [](T t, D d) { return sw::toggle(t, d, Toggle::Key2, 1); }, 0x8C, {1}},
      {"mix", [](T t, D d) { return sw::transition_type(t, d, Transition::Mix); }, 0x8D, {}},
      {"dip", [](T t, D d) { return sw::transition_type(t, d, Transition::Dip); }, 0x8E, {}},
      {"wipe", [](T t, D d) { return sw::transition_type(t, d, Transition::Wipe); }, 0x8F, {}},
      {"dip source", [](T t, D d) { return sw::setting(t, d, Setting::DipSource, 2); }, 0x90, {2}},
      {"wipe source",
       [](T t, D d) { return sw::setting(t, d, Setting::WipeSource, 4); },
       0x91,
       {4}},
      {"wipe pattern", [](T t, D d) { return sw::wipe_pattern(t, d, 8); }, 0x92, {8}},
      {"luma source",
       [](T t, D d) { return sw::setting(t, d, Setting::LumaSource, 10); },
       0x93,
       {10}},
      {"red", [](T t, D d) { return sw::key_level(t, d, Colour::Red, 255); }, 0x94, {255}},
      {"green", [](T t, D d) { return sw::key_level(t, d, Colour::Green, 16); }, 0x95, {16}},
      {"blue", [](T t, D d) { return sw::key_level(t, d, Colour::Blue, 0); }, 0x96, {0}},
      {"chroma source",
       [](T t, D d) { return sw::setting(t, d, Setting::ChromaSource, 1); },
       0x97,
       {1}},
      {"chroma type",
       [](T t, D d) { return sw::setting(t, d, Setting::ChromaType, 1); },
       0x98,
       {1}},
      {"pip source", [](T t, D d) { return sw::setting(t, d, Setting::PipSource, 5); }, 0x9C, {5}},
      {"pip border",
       [](T t, D d) { return sw::setting(t, d, Setting::PipBorderEnable, 1); },
       0x9D,
       {1}},
      {"pip colour",
       [](T t, D d) { return sw::setting(t, d, Setting::PipBorderColor, 3); },
       0x9E,
       {3}},
      {"pip width",
       [](T t, D d) { return sw::setting(t, d, Setting::PipBorderWidth, 6); },
       0x9F,
       {6}},
      {"pip x",
       [](T t, D d) { return sw::pip_place(t, d, PipPlace::X, 1920); },
       0xA0,
       {0x80, 0x07}},
      {"pip y",
       [](T t, D d) { return sw::pip_place(t, d, PipPlace::Y, 1080); },
       0xA1,
       {0x38, 0x04}},
      {"pip size", [](T t, D d) { return sw::pip_place(t, d, PipPlace::Size, 16); }, 0xA2, {16, 0}},
      {"resolution", [](T t, D d) { return sw::configure_resolution(t, d, 2); }, 0xA3, {2}},
      {"window", [](T t, D d) { return sw::configure_window(t, d, 3, 7); }, 0xA3, {3, 7}},
      {"rate", [](T t, D d) { return sw::rate(t, d, 2, 9900); }, 0xA5, {2, 0xAC, 0x26}},
  };
}

class SwitcherDeviceTest : public ::testing::Test {
 protected:
  SwitcherDeviceTest() : sim_({devsim::DeviceSpec::lan(kType, kId)}) {}
  void SetUp() override {
    ASSERT_TRUE(sim_.started());
    sim_.configure_panel();
    select(sim_.address(0));
  }
  void TearDown() override { link_.close_switcher_link(); }

  void select(const std::string& address) {
    DeviceEntry& row = link_.m_device_table[0];
    std::memset(row.ip, 0, sizeof row.ip);
    std::strncpy(row.ip, address.c_str(), sizeof row.ip - 1);
    row.dev_type = kType;
    row.dev_id = kId;
    link_.m_device_index = 0;
  }
  // kelvaro-ctl's target: the device's switcher port, from the command port.
  ::Target own_socket_target(const std::string& address) const {
    const LinkOptions& o = link_options();
    return ::Target::lan(address, kType, kId).on_ports(o.switcher_device_port, o.bind_port);
  }

  SimulatorFixture sim_;
  DeviceLink link_;
};

TEST_F(SwitcherDeviceTest, EveryOperationReachesTheSwitcherPortFromTheCommandPortInBothForms) {
  const std::string from_port = ":" + std::to_string(link_options().bind_port);
  for (const bool held : {true, false}) {
    SCOPED_TRACE(held ? "held link" : "own socket per frame");
    if (held) {
      const DeviceLink::HeldSockets sockets = link_.open_switcher_link();
      ASSERT_TRUE(sockets.command);
    }
    ::Transport& t = held ? link_.held_transport() : link_.transports().udp;
    const ::Target target = held ? link_.switcher_target() : own_socket_target(sim_.address(0));
    for (const Case& c : every_operation()) {
      const size_t before = sim_.sim().frame_count();
      const auto t0 = std::chrono::steady_clock::now();
      const Outcome outcome = c.op(t, target);
      const auto took = std::chrono::steady_clock::now() - t0;
      EXPECT_EQ(outcome.status, Outcome::Status::Sent) << c.name << ": " << outcome.reason;
      // The pause follows every frame.
      EXPECT_GE(took, std::chrono::milliseconds(sw::kFramePauseMs)) << c.name;
      const Bytes expected = build_frame(kType, kId, Link::Udp, c.command, c.payload);
      EXPECT_EQ(sw::frame(target, c.command, c.payload), expected) << c.name;
      const std::vector<devsim::ReceivedFrame> got = sim_.wait_frames(before + 1);
      ASSERT_GT(got.size(), before) << c.name;
      const devsim::ReceivedFrame& f = got[before];
      EXPECT_EQ(f.bytes, expected) << c.name;
      EXPECT_EQ(f.local_port, link_options().switcher_device_port) << c.name;
      EXPECT_TRUE(f.sender.ends_with(from_port)) << c.name << ": " << f.sender;
    }
    // The own-socket form never touches the held sockets.
    if (!held) {
      EXPECT_EQ(link_.m_udpSockfd, -1);
    }
    link_.close_switcher_link();
  }
  EXPECT_TRUE(sim_.no_bad_frames());
  EXPECT_EQ(sim_.sim().switcher_state(0).cuts, 2);
}

TEST_F(SwitcherDeviceTest, AProgressOutsideTheTransitionFailsAndSendsNothing) {
  const size_t before = sim_.sim().frame_count();
  const ::Target target = own_socket_target(sim_.address(0));
  for (const uint8_t progress : {uint8_t{0}, uint8_t{129}}) {
    const Outcome outcome = sw::tbar(link_.transports().udp, target, 1, progress);
    EXPECT_EQ(outcome.status, Outcome::Status::Failed);
    EXPECT_NE(outcome.reason.find("1..128"), std::string::npos) << outcome.reason;
  }
  EXPECT_TRUE(sim_.nothing_more(before));
}

TEST_F(SwitcherDeviceTest, ARefusedSendFailsWithTheReasonInBothForms) {
  // Without SO_BROADCAST the system refuses a broadcast destination.
  const std::string broadcast = "127.255.255.255";
  const Outcome own = sw::cut(link_.transports().udp, own_socket_target(broadcast));
  EXPECT_EQ(own.status, Outcome::Status::Failed);
  EXPECT_NE(own.reason.find("refused"), std::string::npos) << own.reason;

  select(broadcast);
  ASSERT_TRUE(link_.open_switcher_link().command);
  const Outcome held = sw::cut(link_.held_transport(), link_.switcher_target());
  EXPECT_EQ(held.status, Outcome::Status::Failed);
  EXPECT_NE(held.reason.find("refused"), std::string::npos) << held.reason;
}

TEST_F(SwitcherDeviceTest, ATakenCommandPortFails) {
  const uint16_t port = link_options().bind_port;
  TakenPort taker(port);
  ASSERT_TRUE(taker.ok());

  // Own socket: the frame leaves from a port the system picked, which is not
  // what was asked for.
  const size_t before = sim_.sim().frame_count();
  const Outcome own = sw::cut(link_.transports().udp, own_socket_target(sim_.address(0)));
  EXPECT_EQ(own.status, Outcome::Status::Failed);
  EXPECT_EQ(own.reason.rfind("cannot bind local port " + std::to_string(port) + ": ", 0), 0u)
      << own.reason;
  EXPECT_EQ(sim_.wait_frames(before + 1).size(), before + 1);

  // Held link: the command socket does not open, so nothing goes out.
  EXPECT_FALSE(link_.open_switcher_link().command);
  const size_t after = sim_.sim().frame_count();
  const Outcome held = sw::cut(link_.held_transport(), link_.switcher_target());
  EXPECT_EQ(held.status, Outcome::Status::Failed);
  EXPECT_TRUE(sim_.nothing_more(after));
  taker.release();
}
}  // namespace
