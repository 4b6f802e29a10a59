// The matrix router's operations against the simulator, without widgets:
// the text commands by the target's medium, the lock frames and the lock
// query over the LAN whatever the mode, and the outcome of every failure.
#include "devices/matrix/matrix_device.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QTest>
#include <QTimer>
#include <cstring>

#include "devices/device_kinds.h"
#include "link/control_frame.h"
#include "link/device_link.h"
#include "support/device_query.h"
#include "support/devsim_fixture.h"
#include "support/taken_port.h"

namespace {
using devsim::DeviceSpec;
using Status = Outcome::Status;
using Bytes = std::vector<uint8_t>;
constexpr uint8_t kId = 4;
constexpr int kLan = 0;
constexpr int kSerial = 1;

class MatrixDeviceTest : public ::testing::Test {
 protected:
  MatrixDeviceTest()
      : sim_({DeviceSpec::lan(device_type::kMatrix, kId),
              DeviceSpec::serial(device_type::kMatrix, kId)}) {}
  void SetUp() override { ASSERT_TRUE(sim_.started()); }

  // The LAN device, reached over `m`.
  Target target(Medium m = Medium::Lan) const { return sim_.target(kLan, m); }
  bool open_serial() { return link_.m_comm.open_port(sim_.sim().serial_name(), 115200); }
  Bytes lock_frame(uint8_t command, const Bytes& payload = {}) const {
    return build_frame(device_type::kMatrix, kId, Link::Udp, command, payload);
  }
  // The lock read back by the operation, with its outcome.
  std::pair<Outcome, std::optional<uint8_t>> read_lock(const Target& t) {
    return run_device_query<std::optional<uint8_t>>([&](matrix_device::LockDone done) {
      return matrix_device::query_lock(link_.transports(), t, done);
    });
  }

  SimulatorFixture sim_;
  DeviceLink link_;
};

TEST_F(MatrixDeviceTest, TextCommandsGoByTheMediumLanWithItsPauseSerialAsOneWrite) {
  const Transports t = link_.transports();
  uint8_t route[kMatrixPorts] = {3, 3, 0, 0, 3, 0, 0, 0};
  EXPECT_EQ(matrix_device::route(t, target(), 3, route).status, Status::Sent);
  ASSERT_TRUE(sim_.received_text(kLan, "3V1,2,5."));
  // The pause follows the datagram inside the call.
  const auto before = std::chrono::steady_clock::now();
  EXPECT_EQ(matrix_device::one_to_all(t, target(), 5).status, Status::Sent);
  EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(19));
  ASSERT_TRUE(sim_.received_text(kLan, "5All."));
  EXPECT_EQ(matrix_device::one_to_one(t, target()).status, Status::Sent);
  ASSERT_TRUE(sim_.received_text(kLan, "All#."));
  // One datagram each, exactly the text, from the bind port.
  const auto frames = sim_.wait_frames(3);
  ASSERT_EQ(frames.size(), 3u);
  for (size_t i = 0; i < frames.size(); ++i) {
    EXPECT_TRUE(frames[i].text);
    EXPECT_NE(frames[i].sender.find(":" + std::to_string(sim_.options().bind_port)),
              std::string::npos);
  }
  EXPECT_EQ(sim_.sim().matrix_state(kLan).route, (std::array<uint8_t, 8>{1, 2, 3, 4, 5, 6, 7, 8}));

  // No output carries the input: nothing to send.
  uint8_t none[kMatrixPorts] = {};
  EXPECT_EQ(matrix_device::route(t, target(), 3, none).status, Status::Failed);

  // Serial: the same bytes written on the line.
  ASSERT_TRUE(open_serial());
  const Target serial = target(Medium::Serial);
  const Outcome sent = matrix_device::one_to_all(t, serial, 7);
  EXPECT_EQ(sent.status, Status::Sent);
  EXPECT_TRUE(matrix_device::text_handed_on(serial, sent));
  ASSERT_TRUE(sim_.received_text(kSerial, "7All."));
  EXPECT_EQ(sim_.sim().matrix_state(kSerial).route,
            (std::array<uint8_t, 8>{7, 7, 7, 7, 7, 7, 7, 7}));
  EXPECT_TRUE(sim_.nothing_more(4));
  EXPECT_TRUE(sim_.no_bad_frames());
}

TEST_F(MatrixDeviceTest, TextThatCannotGoOutFailsAndCountsOnlyOnTheLan) {
  const Transports t = link_.transports();
  // Serial with the port closed: nothing written, not handed on.
  const Target serial = target(Medium::Serial);
  const Outcome closed = matrix_device::one_to_one(t, serial);
  EXPECT_EQ(closed.status, Status::Failed);
  EXPECT_EQ(closed.reason, "serial port not open");
  EXPECT_FALSE(matrix_device::text_handed_on(serial, closed));
  // No mode: nothing anywhere.
  const Target none = target(Medium::None);
  const Outcome nowhere = matrix_device::one_to_one(t, none);
  EXPECT_EQ(nowhere.status, Status::Failed);
  EXPECT_FALSE(matrix_device::text_handed_on(none, nowhere));
  EXPECT_TRUE(sim_.nothing_more(0));

  // A taken local port: the datagram goes out from another port, the send is
  // reported as failed, and on the LAN it still counts as handed on.
  TakenPort blocker(sim_.options().bind_port);
  ASSERT_TRUE(blocker.ok());
  const Outcome taken = matrix_device::one_to_all(t, target(), 2);
  EXPECT_EQ(taken.status, Status::Failed);
  EXPECT_EQ(taken.reason.rfind(
                "cannot bind local port " + std::to_string(sim_.options().bind_port) + ": ", 0),
            0u)
      << taken.reason;
  EXPECT_TRUE(matrix_device::text_handed_on(target(), taken));
  EXPECT_TRUE(sim_.received_text(kLan, "2All."));
  // The lock query's reply goes to the taken port: it fails with the reason.
  const auto [outcome, lock] = read_lock(target());
  EXPECT_EQ(outcome.status, Status::Failed);
  EXPECT_NE(outcome.reason.find("cannot bind local port"), std::string::npos);
  EXPECT_FALSE(lock);
  blocker.release();

  // A refused send (broadcast without permission).
  Target broadcast = target();
  broadcast.address = "127.255.255.255";
  const Outcome refused = matrix_device::set_lock(t, broadcast, true);
  EXPECT_EQ(refused.status, Status::Failed);
  EXPECT_NE(refused.reason.find("refused"), std::string::npos) << refused.reason;
}

TEST_F(MatrixDeviceTest, LockFramesAndTheQueryTravelOverUdpEvenInSerialMode) {
  const Transports t = link_.transports();
  // Serial mode, port closed: the lock still reaches the LAN device.
  const Target serial = target(Medium::Serial);
  EXPECT_EQ(matrix_device::set_lock(t, serial, true).status, Status::Sent);
  ASSERT_TRUE(sim_.received(lock_frame(matrix_cmd::kLockChange, {1})));
  EXPECT_EQ(sim_.sim().matrix_state(kLan).lock, 1);
  auto [outcome, lock] = read_lock(serial);
  EXPECT_EQ(outcome.status, Status::Answered);
  EXPECT_EQ(lock, std::optional<uint8_t>(1));
  EXPECT_TRUE(sim_.received(lock_frame(matrix_cmd::kLockQuery)));
  EXPECT_EQ(matrix_device::set_lock(t, target(), false).status, Status::Sent);
  ASSERT_TRUE(sim_.received(lock_frame(matrix_cmd::kLockChange, {0})));
  std::tie(outcome, lock) = read_lock(target());
  EXPECT_EQ(lock, std::optional<uint8_t>(0));
  // Nothing travelled on the serial line.
  EXPECT_TRUE(sim_.frames_with_command(kSerial, matrix_cmd::kLockQuery).empty());
  EXPECT_TRUE(sim_.frames_with_command(kSerial, matrix_cmd::kLockChange).empty());

  // Any non-zero lock byte counts; the reply's command byte is not tested.
  devsim::MatrixState state = sim_.sim().matrix_state(kLan);
  state.lock = 2;
  sim_.sim().set_matrix_state(kLan, state);
  devsim::Faults faults;
  faults.wrong_command = true;
  faults.garbage_bytes = 8;  // skipped: not a reply
  sim_.sim().set_faults(kLan, faults);
  std::tie(outcome, lock) = read_lock(target());
  EXPECT_EQ(outcome.status, Status::Answered);
  EXPECT_EQ(lock, std::optional<uint8_t>(2));

  // A cut reply (no end byte) and silence both leave it unanswered.
  faults = {};
  faults.truncate_to = 12;
  sim_.sim().set_faults(kLan, faults);
  std::tie(outcome, lock) = read_lock(target());
  EXPECT_EQ(outcome.status, Status::Unanswered);
  EXPECT_FALSE(lock);
  faults = {};
  faults.drop_replies = -1;
  sim_.sim().set_faults(kLan, faults);
  std::tie(outcome, lock) = read_lock(target());
  EXPECT_EQ(outcome.status, Status::Unanswered);
  EXPECT_FALSE(lock);
  EXPECT_TRUE(sim_.no_bad_frames());
}

TEST_F(MatrixDeviceTest, LockQueryAskedDuringAnotherWaitIsQueuedAndReportsLater) {
  const Transports t = link_.transports();
  devsim::MatrixState state = sim_.sim().matrix_state(kLan);
  state.lock = 1;
  sim_.sim().set_matrix_state(kLan, state);
  devsim::Faults slow;
  slow.reply_delay_ms = 100;
  sim_.sim().set_faults(kLan, slow);
  std::optional<Outcome> inner_returned;
  std::optional<uint8_t> inner_lock;
  int inner_calls = 0;
  QTimer::singleShot(20, [&] {
    inner_returned =
        matrix_device::query_lock(t, target(), [&](const Outcome&, std::optional<uint8_t> lock) {
          inner_lock = lock;
          ++inner_calls;
        });
  });
  const auto [outer, outer_lock] = read_lock(target());
  EXPECT_EQ(outer.status, Status::Answered);
  ASSERT_TRUE(inner_returned);
  EXPECT_EQ(inner_returned->status, Status::Queued);
  // The queued query runs from the event loop once the first wait has
  // ended, with its own reply.
  ASSERT_TRUE(QTest::qWaitFor([&] { return inner_calls != 0; }, 3000));
  EXPECT_EQ(inner_calls, 1);
  EXPECT_EQ(inner_lock, std::optional<uint8_t>(1));
  EXPECT_EQ(sim_.frames_with_command(kLan, matrix_cmd::kLockQuery).size(), 2u);
}

}  // namespace
