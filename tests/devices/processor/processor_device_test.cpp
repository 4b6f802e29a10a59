// The two processors' operations against the simulator, without widgets:
// the rk5502's layout and state query over the LAN whatever the mode, the
// tm3306's layout by the target's medium, and the outcome of every failure.
#include "devices/processor/processor_device.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include "devices/device_kinds.h"
#include "link/control_frame.h"
#include "link/device_link.h"
#include "support/device_query.h"
#include "support/devsim_fixture.h"
#include "support/taken_port.h"
#include "support/trace_recorder.h"

namespace {
using devsim::DeviceSpec;
using Status = Outcome::Status;
using Bytes = std::vector<uint8_t>;
constexpr int kRk = 0;
constexpr int kTm = 1;
constexpr int kTmSerial = 2;

class ProcessorDeviceTest : public ::testing::Test {
 protected:
  ProcessorDeviceTest()
      : sim_({DeviceSpec::lan(device_type::kRk5502, 2), DeviceSpec::lan(device_type::kTm3306, 5),
              DeviceSpec::serial(device_type::kTm3306, 1)}) {}
  void SetUp() override { ASSERT_TRUE(sim_.started()); }

  Target target(int device, Medium m = Medium::Lan) const { return sim_.target(device, m); }
  Bytes layout(uint8_t type, uint8_t id, Link link, uint8_t code) const {
    return build_frame(type, id, link, processor_cmd::kLayout, Bytes{code});
  }
  // The state read back by the operation, with its outcome.
  std::pair<Outcome, std::optional<Rk5502StateReply>> read_state(const Target& t) {
    return run_device_query<std::optional<Rk5502StateReply>>([&](rk5502_device::StateDone done) {
      return rk5502_device::query_state(link_.transports(), t, done);
    });
  }

  SimulatorFixture sim_;
  DeviceLink link_;
};

TEST_F(ProcessorDeviceTest, Rk5502LayoutAndStateGoOverUdpEvenInSerialMode) {
  const Transports t = link_.transports();
  const Target serial = target(kRk, Medium::Serial);  // serial port closed
  EXPECT_EQ(rk5502_device::set_layout(t, serial, 17).status, Status::Sent);
  ASSERT_TRUE(sim_.received(layout(device_type::kRk5502, 2, Link::Udp, 17)));
  EXPECT_EQ(sim_.sim().rk5502_state(kRk).show_mode, 17);

  devsim::Rk5502State state = sim_.sim().rk5502_state(kRk);
  state.show_mode = 9;
  state.output_format = 7;
  state.pip_child_ch = {3, 4};
  state.loop_state = 1;
  state.umd_names[2] = "CAMERA";
  sim_.sim().set_rk5502_state(kRk, state);
  TraceRecorder traces;
  const auto [outcome, reply] = read_state(serial);
  EXPECT_EQ(outcome.status, Status::Answered);
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->show_mode, 9);
  EXPECT_EQ(reply->output_format, 7);
  EXPECT_EQ(reply->pip_child_ch, (std::array<uint8_t, 2>{3, 4}));
  EXPECT_EQ(reply->loop_state, 1);
  EXPECT_EQ(reply->umd_name_len, (std::array<uint8_t, 4>{4, 4, 6, 4}));
  EXPECT_TRUE(sim_.received(
      build_frame(device_type::kRk5502, 2, Link::Udp, processor_cmd::kRk5502StateQuery)));
  EXPECT_EQ(traces.count("wait time over \n"), 0);
  EXPECT_EQ(sim_.frames_with_command(kTmSerial, processor_cmd::kLayout).size(), 0u);
  EXPECT_TRUE(sim_.no_bad_frames());
}

TEST_F(ProcessorDeviceTest, Rk5502StateWithoutTheRightReplyIsUnansweredAndTraced) {
  // Replies of another command are skipped (each traced) until the bound.
  devsim::Faults faults;
  faults.wrong_command = true;
  sim_.sim().set_faults(kRk, faults);
  TraceRecorder traces;
  const auto [outcome, reply] = read_state(target(kRk));
  EXPECT_EQ(outcome.status, Status::Unanswered);
  EXPECT_FALSE(reply);
  EXPECT_EQ(traces.count("the cmd is not right \n"), 1);
  EXPECT_EQ(traces.count("wait time over \n"), 1);

  // A taken local port: the reply cannot reach the query, which says why.
  TakenPort blocker(sim_.options().bind_port);
  ASSERT_TRUE(blocker.ok());
  sim_.sim().set_faults(kRk, {});
  const Outcome layout_taken = rk5502_device::set_layout(link_.transports(), target(kRk), 3);
  EXPECT_EQ(layout_taken.status, Status::Failed);
  EXPECT_EQ(layout_taken.reason.rfind(
                "cannot bind local port " + std::to_string(sim_.options().bind_port) + ": ", 0),
            0u)
      << layout_taken.reason;
  blocker.release();

  // No address: nothing goes out.
  Target nowhere = target(kRk);
  nowhere.address.clear();
  const size_t before = sim_.sim().frame_count();
  const auto [none, none_reply] = read_state(nowhere);
  EXPECT_EQ(none.status, Status::Failed);
  EXPECT_FALSE(none_reply);
  EXPECT_TRUE(sim_.nothing_more(before));
}

TEST_F(ProcessorDeviceTest, Tm3306LayoutGoesByTheMedium) {
  const Transports t = link_.transports();
  TraceRecorder traces;
  EXPECT_EQ(tm3306_device::set_layout(t, target(kTm), 15).status, Status::Sent);
  ASSERT_TRUE(sim_.received(layout(device_type::kTm3306, 5, Link::Udp, 15)));
  EXPECT_EQ(traces.count("net \n"), 1);

  // Serial with the port closed: nothing written, not traced.
  const Target serial = target(kTmSerial, Medium::Serial);
  const Outcome closed = tm3306_device::set_layout(t, serial, 6);
  EXPECT_EQ(closed.status, Status::Failed);
  EXPECT_EQ(closed.reason, "serial port not open");
  EXPECT_EQ(traces.count("com \n"), 0);
  // Open: the frame with link byte 00 on the line, no pause.
  ASSERT_TRUE(link_.m_comm.open_port(sim_.sim().serial_name(), 115200));
  EXPECT_EQ(tm3306_device::set_layout(t, serial, 6).status, Status::Sent);
  ASSERT_TRUE(sim_.received(layout(device_type::kTm3306, 1, Link::Serial, 6)));
  EXPECT_EQ(sim_.sim().tm3306_state(kTmSerial).show_mode, 6);
  EXPECT_EQ(traces.count("com \n"), 1);

  // No mode: nothing anywhere.
  EXPECT_EQ(tm3306_device::set_layout(t, target(kTm, Medium::None), 4).status, Status::Failed);
  EXPECT_TRUE(sim_.nothing_more(2));
  EXPECT_EQ(traces.count("net \n"), 1);
  EXPECT_TRUE(sim_.no_bad_frames());
}

}  // namespace
