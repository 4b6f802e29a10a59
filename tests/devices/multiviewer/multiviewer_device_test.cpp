// The multiviewer's device operations against the in-process simulator (a
// LAN multiviewer and one on the pseudo-terminal, both type A1 id 05), with a
// DeviceLink for the transports and no widget: the bytes each device
// receives, the framing of each medium, the LAN-only forms, the state query
// and its outcome when the device is silent, answers garbage or cannot be
// reached.
#include "devices/multiviewer/multiviewer_device.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "app/error_box.h"
#include "devices/multiviewer/mv_frames.h"
#include "link/control_frame.h"
#include "link/device_link.h"
#include "link/link_options.h"
#include "support/devsim_fixture.h"
#include "support/pty_pair.h"
#include "support/taken_port.h"
#include "support/trace_recorder.h"

namespace {
using Bytes = std::vector<uint8_t>;
using ms = std::chrono::milliseconds;
using Status = Outcome::Status;
namespace mv = mv_device;

constexpr int kLan = 0;
constexpr int kSerial = 1;
constexpr uint8_t kType = 0xA1;
constexpr uint8_t kId = 0x05;

// An operation with the command and payload it must put on the wire.
struct Op {
  std::function<Outcome(const Transports&, const Target&)> run;
  uint8_t command;
  Bytes payload;
};

std::vector<Op> every_command() {
  const Bytes net = {192, 168, 1, 50, 255, 255, 255, 0, 192, 168, 1, 1};
  return {
      {[net](auto& t, auto& d) { return mv::set_network(t, d, std::span<const uint8_t, 12>(net)); },
       0x05, net},
      {[](auto& t, auto& d) { return mv::set_resolution(t, d, 2); }, 0x19, {0x00, 9}},
      {[](auto& t, auto& d) { return mv::set_label(t, d, 2, QStringLiteral("Cam 2")); }, 0x1E,
       umd_text_payload(2, QStringLiteral("Cam 2"))},
      {[](auto& t, auto& d) { return mv::set_screen_mode(t, d, 4); }, 0x33, {4}},
      {[](auto& t, auto& d) { return mv::set_window_source(t, d, 4, 3); }, 0x34, {5, 3}},
      {[](auto& t, auto& d) { return mv::set_umd(t, d, false); }, 0x36, {0}},
      {[](auto& t, auto& d) { return mv::set_audio(t, d, true); }, 0x37, {1}},
      {[](auto& t, auto& d) { return mv::set_audio_source(t, d, 16); }, 0x39, {16}},
      {[](auto& t, auto& d) { return mv::set_resolution_captions(t, d, true); }, 0x3A, {1}},
      {[](auto& t, auto& d) { return mv::set_umd_text_colour(t, d, 0, 3); }, 0x3B, {0, 3}},
      {[](auto& t, auto& d) { return mv::set_umd_back_colour(t, d, 16, 9); }, 0x3C, {16, 9}},
      {[](auto& t, auto& d) { return mv::set_resolution_text_colour(t, d, 1, 15); }, 0x3D, {1, 15}},
      {[](auto& t, auto& d) { return mv::set_resolution_back_colour(t, d, 0, 14); }, 0x3E, {0, 14}},
      {[](auto& t, auto& d) { return mv::set_border(t, d, false); }, 0x3F, {0}},
      {[](auto& t, auto& d) { return mv::set_lock(t, d, true); }, 0x50, {1}},
      {[](auto& t, auto& d) { return mv::restore_defaults(t, d); }, 0x38, {0x00}},
  };
}

class MvDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clear_recorded_errors();
    sim_ = std::make_unique<SimulatorFixture>(
        std::vector{devsim::DeviceSpec::lan(devsim::kTypeMultiviewer, kId),
                    devsim::DeviceSpec::serial(devsim::kTypeMultiviewer, kId)});
    ASSERT_TRUE(sim_->started());
    sim_->configure_panel();
    lan_ = Target::lan(sim_->address(kLan), kType, kId);
    serial_ = Target::serial(kType, kId, sim_->address(kLan));
  }
  void TearDown() override {
    link_.m_comm.close_port(500);
    EXPECT_TRUE(sim_->no_bad_frames());
  }
  void open_serial() { ASSERT_TRUE(link_.m_comm.open_port(sim_->address(kSerial), 115200)); }
  devsim::Simulator& sim() { return sim_->sim(); }
  Bytes payload(const devsim::ReceivedFrame& f, Link link) {
    EXPECT_EQ(f.bytes, build_frame(kType, kId, link, f.command(),
                                   Bytes(f.bytes.begin() + 17, f.bytes.end() - 3)));
    return Bytes(f.bytes.begin() + 17, f.bytes.end() - 3);
  }

  std::unique_ptr<SimulatorFixture> sim_;
  DeviceLink link_;
  Target lan_, serial_;
  TraceRecorder traces_;
};

TEST_F(MvDeviceTest, EveryCommandGoesOutFramedForTheTargetsMedium) {
  open_serial();
  const std::vector<Op> ops = every_command();
  for (const Target& target : {lan_, serial_}) {
    sim().clear_frames();
    for (const Op& op : ops)
      EXPECT_EQ(op.run(link_.transports(), target).status, Status::Sent) << int(op.command);
    const bool serial = target.medium == Medium::Serial;
    ASSERT_TRUE(sim().wait_for_frames(ops.size(), ms(3000)));
    EXPECT_TRUE(sim_->nothing_more(ops.size(), ms(100)));
    const auto frames = sim().frames();
    for (size_t i = 0; i < ops.size(); ++i) {
      EXPECT_EQ(frames[i].device, serial ? kSerial : kLan);
      EXPECT_EQ(frames[i].command(), ops[i].command);
      EXPECT_EQ(payload(frames[i], serial ? Link::Serial : Link::Udp), ops[i].payload);
    }
    const devsim::MultiviewerState s = sim().multiviewer_state(serial ? kSerial : kLan);
    EXPECT_EQ(s.label(2), u"Cam 2");
    EXPECT_EQ(s.net_param_changes, 1);
    EXPECT_EQ(s.defaults_restored, 1);
  }
}

TEST_F(MvDeviceTest, LanFormsTravelOverTheLanWithASerialTarget) {
  open_serial();
  const Bytes net = {10, 0, 0, 9, 255, 0, 0, 0, 10, 0, 0, 1};
  const Transports t = link_.transports();
  EXPECT_EQ(mv::set_network_lan(t, serial_, std::span<const uint8_t, 12>(net.data(), 12)).status,
            Status::Sent);
  EXPECT_EQ(mv::set_audio_lan(t, serial_, false).status, Status::Sent);
  EXPECT_EQ(mv::set_audio_source_lan(t, serial_, 7).status, Status::Sent);
  MultiviewerModel model;
  EXPECT_EQ(mv::query_state_lan(t, serial_, model).status, Status::Answered);
  ASSERT_TRUE(sim().wait_for_frames(4, ms(3000)));
  EXPECT_TRUE(sim_->nothing_more(4, ms(100)));
  const auto frames = sim().frames();
  for (const auto& f : frames) EXPECT_EQ(f.device, kLan);
  EXPECT_EQ(payload(frames[0], Link::Udp), net);
  EXPECT_EQ(payload(frames[1], Link::Udp), Bytes{0});
  EXPECT_EQ(payload(frames[2], Link::Udp), Bytes{7});
  EXPECT_EQ(frames[3].bytes, build_frame(kType, kId, Link::Udp, 0x32));
  EXPECT_EQ(sim().multiviewer_state(kLan).net_param_changes, 1);
  EXPECT_EQ(sim().multiviewer_state(kSerial).net_param_changes, 0);
}

TEST_F(MvDeviceTest, StateQueryDecodesTheReplyOverEitherMedium) {
  open_serial();
  for (const int device : {kLan, kSerial}) {
    devsim::MultiviewerState s = devsim::initial_multiviewer_state();
    s.window_count = device == kLan ? 6 : 9;
    s.set_label(4, u"Window 4");
    s.sources[15] = 2;
    sim().set_multiviewer_state(device, s);
    MultiviewerModel model;
    std::optional<Outcome> told;
    const Outcome outcome = mv::query_state(link_.transports(), device == kLan ? lan_ : serial_,
                                            model, [&told](const Outcome& o) { told = o; });
    EXPECT_EQ(outcome.status, Status::Answered);
    ASSERT_TRUE(told.has_value());
    EXPECT_EQ(told->status, Status::Answered);
    EXPECT_EQ(model.m_cur_window_count, s.window_count);
    EXPECT_EQ(model.m_16_view_umd_text[3], QStringLiteral("Window 4"));
    EXPECT_EQ(model.m_16_view_window_source[15], 2);
    EXPECT_EQ(model.m_16_view_state_read, 1);
    const auto queries = sim_->frames_with_command(device, 0x32);
    ASSERT_EQ(queries.size(), 1u);
    EXPECT_EQ(queries[0].bytes,
              build_frame(kType, kId, device == kLan ? Link::Udp : Link::Serial, 0x32));
  }
  EXPECT_EQ(traces_.count("wait time over \n") + traces_.count("time over \n"), 0);

  // A short reply: what it holds is read, zeros past its end.
  devsim::Faults cut;
  cut.truncate_to = 100;  // up to the middle of window 3's label
  sim().set_faults(kLan, cut);
  MultiviewerModel model;
  model.m_16_view_window_source[0] = 9;
  EXPECT_EQ(mv::query_state(link_.transports(), lan_, model).status, Status::Answered);
  EXPECT_EQ(model.m_cur_window_count, 6);
  EXPECT_EQ(model.m_16_view_umd_text[0], QStringLiteral("CAM 1"));
  EXPECT_EQ(model.m_16_view_window_source[0], 0);
}

TEST_F(MvDeviceTest, SilentLateOrWrongRepliesLeaveTheQueryUnanswered) {
  const auto query = [this](MultiviewerModel& model) {
    return mv::query_state(link_.transports(), lan_, model).status;
  };
  MultiviewerModel model;
  model.m_cur_window_count = 4;
  devsim::Faults f;
  f.drop_replies = -1;
  sim().set_faults(kLan, f);
  EXPECT_EQ(query(model), Status::Unanswered);
  f = {};
  f.wrong_command = true;  // a sound frame of command 33: skipped
  sim().set_faults(kLan, f);
  EXPECT_EQ(query(model), Status::Unanswered);
  f = {};
  f.reply_delay_ms = 600;  // well past the 200 ms bound
  sim().set_faults(kLan, f);
  EXPECT_EQ(query(model), Status::Unanswered);
  EXPECT_EQ(model.m_cur_window_count, 4);
  EXPECT_EQ(model.m_16_view_state_read, 0);
  EXPECT_EQ(traces_.count("wait time over \n"), 3);
  EXPECT_GE(traces_.count("recv cmd 0x33, not the state reply, skipped\n"), 1);
  f = {};
  f.reply_delay_ms = 50;  // late, but within the bound
  sim().set_faults(kLan, f);
  EXPECT_EQ(query(model), Status::Answered);
  EXPECT_EQ(model.m_cur_window_count, 16);
}

// The reader on the serial line also ends a wait on a search reply: that is
// no state and must not be decoded as one.
TEST_F(MvDeviceTest, SerialFrameThatIsNotAStateReplyIsNotDecoded) {
  PtyPair line;
  ASSERT_TRUE(line.ok());
  ASSERT_TRUE(link_.m_comm.open_port(line.slave_name(), 115200));
  std::thread device([&] {
    if (line.device_read(20, 3000) != build_frame(kType, kId, Link::Serial, 0x32)) return;
    const std::string text = "MV16-1-X";
    Bytes name{0x00};
    name.insert(name.end(), text.begin(), text.end());
    line.device_write(build_frame(kType, kId, Link::Serial, kCmdSearch, name));
  });
  MultiviewerModel model;
  model.m_cur_window_count = 4;
  const Outcome outcome = mv::query_state(link_.transports(), serial_, model);
  device.join();
  EXPECT_EQ(outcome.status, Status::Unanswered);
  EXPECT_EQ(model.m_cur_window_count, 4);
  EXPECT_EQ(model.m_16_view_state_read, 0);
  EXPECT_EQ(traces_.count("time over \n"), 1);
}

TEST_F(MvDeviceTest, UnreachableTargetsFailAndSendNothing) {
  const Transports t = link_.transports();
  MultiviewerModel model;
  // The serial port closed.
  for (const Outcome& o : {mv::set_lock(t, serial_, true), mv::query_state(t, serial_, model)}) {
    EXPECT_EQ(o.status, Status::Failed);
    EXPECT_EQ(o.reason, "serial port not open");
  }
  // No connection mode; a resolution outside the table.
  EXPECT_EQ(mv::set_lock(t, lan_.over(Medium::None), true).status, Status::Failed);
  EXPECT_EQ(mv::set_resolution(t, lan_, 99).status, Status::Failed);
  EXPECT_TRUE(sim_->nothing_more(0, ms(200)));
  EXPECT_FALSE(mv::reachable(serial_, false));
  EXPECT_TRUE(mv::reachable(serial_, true));
  EXPECT_TRUE(mv::reachable(lan_, false));
  EXPECT_FALSE(mv::reachable(lan_.over(Medium::None), true));

  // A send the system refuses (broadcast without permission).
  const Target broadcast = Target::lan("127.255.255.255", kType, kId);
  for (const Outcome& o : {mv::set_umd(t, broadcast, true), mv::query_state(t, broadcast, model)}) {
    EXPECT_EQ(o.status, Status::Failed);
    EXPECT_NE(o.reason.find("refused"), std::string::npos) << o.reason;
  }
  EXPECT_EQ(model.m_16_view_state_read, 0);
}

TEST_F(MvDeviceTest, TakenBindPortFailsWithItsReason) {
  TakenPort holder(lan_.bind_port);
  ASSERT_TRUE(holder.ok());
  const std::string why = "cannot bind local port " + std::to_string(lan_.bind_port) + ": ";
  MultiviewerModel model;
  // The datagrams still go out (from a port the system picked); the state
  // reply goes to the holder, so the query stays unanswered and says why.
  for (const Outcome& o : {mv::set_border(link_.transports(), lan_, true),
                           mv::query_state(link_.transports(), lan_, model)}) {
    EXPECT_EQ(o.status, Status::Failed);
    EXPECT_EQ(o.reason.rfind(why, 0), 0u) << o.reason;
  }
  holder.release();
  EXPECT_EQ(model.m_16_view_state_read, 0);
  EXPECT_TRUE(sim_->received_command(kLan, 0x3F, {1}));
}
}  // namespace
