#include "devices/matrix/matrix_commands.h"

#include <gtest/gtest.h>

#include <string>

#include "link/control_frame.h"

namespace {
std::string text(const MatrixText& bytes) { return std::string(bytes.begin(), bytes.end()); }

using Route = std::array<uint8_t, kMatrixPorts>;

TEST(MatrixCommands, ApplyListsTheOutputsOfTheInputInAscendingOrder) {
  const Route three = {3, 3, 0, 4, 3, 0, 0, 0};
  const MatrixText apply = build_matrix_apply(3, three);
  EXPECT_EQ(apply, (MatrixText{0x33, 0x56, 0x31, 0x2C, 0x32, 0x2C, 0x35, 0x2E}));
  EXPECT_EQ(text(build_matrix_apply(4, Route{0, 0, 0, 0, 0, 0, 0, 4})), "4V8.");
  EXPECT_EQ(text(build_matrix_apply(4, three)), "4V4.");
  EXPECT_EQ(text(build_matrix_apply(1, Route{1, 1, 1, 1, 1, 1, 1, 1})), "1V1,2,3,4,5,6,7,8.");
}

TEST(MatrixCommands, ApplyIsEmptyWhenNoOutputCarriesTheInput) {
  EXPECT_TRUE(build_matrix_apply(2, Route{}).empty());
  EXPECT_TRUE(build_matrix_apply(2, Route{1, 3, 4, 5, 6, 7, 8, 1}).empty());
}

TEST(MatrixCommands, OneToAllAndOneToOne) {
  EXPECT_EQ(build_matrix_one_to_all(5), (MatrixText{0x35, 0x41, 0x6C, 0x6C, 0x2E}));
  for (uint8_t input = 1; input <= 8; ++input) {
    const MatrixText all = build_matrix_one_to_all(input);
    ASSERT_EQ(all.size(), 5u);
    EXPECT_EQ(all[0], '0' + input);
  }
  EXPECT_EQ(build_matrix_one_to_one(), (MatrixText{0x41, 0x6C, 0x6C, 0x23, 0x2E}));
}

TEST(MatrixCommands, NumbersFromTenOnTakeTwoDigits) {
  MatrixText t;
  for (unsigned v : {0u, 9u, 10u, 12u, 99u}) {
    t.clear();
    append_matrix_number(t, v);
    EXPECT_EQ(text(t), std::to_string(v));
  }
  t.clear();
  append_matrix_number(t, 250);  // never more than two digits on the wire
  EXPECT_EQ(text(t), "99");
  EXPECT_EQ(text(build_matrix_one_to_all(12)), "12All.");
  EXPECT_EQ(text(build_matrix_apply(10, Route{0, 0, 10, 0, 0, 0, 0, 10})), "10V3,8.");
  EXPECT_TRUE(build_matrix_apply(10, Route{}).empty());
}

TEST(MatrixCommands, LockReplyIsByte18OfAFullFrame) {
  const uint8_t two[] = {0x00, 0x02};  // reply data from byte 18
  const std::vector<uint8_t> reply = build_frame(0x81, 0x01, Link::Udp, 0x50, two);
  EXPECT_EQ(matrix_lock_from_reply(reply), std::optional<uint8_t>(2));
  // The command byte is not looked at.
  const std::vector<uint8_t> other = build_frame(0x81, 0x01, Link::Udp, 0x33, two);
  EXPECT_EQ(matrix_lock_from_reply(other), std::optional<uint8_t>(2));
  // A reply too short to hold byte 18 reads as unlocked.
  const std::vector<uint8_t> tiny = {0xA5, 0x6C, 0xAE};
  EXPECT_EQ(matrix_lock_from_reply(tiny), std::optional<uint8_t>(0));
}

TEST(MatrixCommands, LockReplyRejectsWhatIsNotAFrame) {
  std::vector<uint8_t> reply = build_frame(0x81, 0x01, Link::Udp, 0x50, std::vector<uint8_t>{0, 1});
  std::vector<uint8_t> no_end = reply;
  no_end.back() = 0x00;
  std::vector<uint8_t> bad_start = reply;
  bad_start[1] = 0x6D;
  EXPECT_FALSE(matrix_lock_from_reply(no_end));
  EXPECT_FALSE(matrix_lock_from_reply(bad_start));
  EXPECT_FALSE(matrix_lock_from_reply({}));
  const uint8_t one[] = {0xA5};
  EXPECT_FALSE(matrix_lock_from_reply(one));
  const uint8_t text_cmd[] = {'3', 'V', '1', '.'};
  EXPECT_FALSE(matrix_lock_from_reply(text_cmd));
}
}  // namespace
