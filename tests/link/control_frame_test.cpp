#include "link/control_frame.h"

#include <gtest/gtest.h>

namespace {
using Bytes = std::vector<uint8_t>;

TEST(ControlFrame, SearchRequestsMatchTheDevicesBytes) {
  const Bytes udp = {0xA5, 0x6C, 0x14, 0x00, 0x81, 0xFF, 0x01, 0, 0, 0,
                     0,    0,    0,    0,    0,    0,    0xFF, 0xA5, 0x03, 0xAE};
  const Bytes serial = {0xA5, 0x6C, 0x14, 0x00, 0x81, 0xFF, 0x00, 0, 0, 0,
                        0,    0,    0,    0,    0,    0,    0xFF, 0xA4, 0x03, 0xAE};
  EXPECT_EQ(build_search_request(Link::Udp), udp);
  EXPECT_EQ(build_search_request(Link::Serial), serial);
}

// Sum of bytes 0..L-4 computed independently of the builder.
uint16_t reference_sum(const Bytes& f) {
  uint32_t sum = 0;
  for (size_t i = 0; i + 3 < f.size(); ++i) sum += f[i];
  return static_cast<uint16_t>(sum & 0xFFFF);
}

TEST(ControlFrame, EveryLengthInUseHasItsLayout) {
  for (size_t payload_len : {0u, 1u, 2u, 3u, 12u}) {
    Bytes payload(payload_len);
    for (size_t i = 0; i < payload_len; ++i) payload[i] = static_cast<uint8_t>(0x10 + i);
    const Bytes f = build_frame(0xA1, 0x07, Link::Udp, 0x33, payload);
    const size_t L = 20 + payload_len;
    ASSERT_EQ(f.size(), L);
    EXPECT_EQ(f[0], 0xA5);
    EXPECT_EQ(f[1], 0x6C);
    EXPECT_EQ(f[2], L & 0xFF);
    EXPECT_EQ(f[3], 0);
    EXPECT_EQ(f[4], 0xA1);
    EXPECT_EQ(f[5], 0x07);
    EXPECT_EQ(f[6], 0x01);
    for (size_t i = 7; i <= 15; ++i) EXPECT_EQ(f[i], 0) << i;
    EXPECT_EQ(f[16], 0x33);
    for (size_t i = 0; i < payload_len; ++i) EXPECT_EQ(f[17 + i], payload[i]);
    const uint16_t sum = reference_sum(f);
    EXPECT_EQ(f[L - 3], sum & 0xFF);
    EXPECT_EQ(f[L - 2], sum >> 8);
    EXPECT_EQ(f[L - 1], 0xAE);
  }
}

TEST(ControlFrame, LinkByteChangesTheChecksum) {
  const Bytes udp = build_frame(0xA3, 0x01, Link::Udp, 0x94, Bytes{5});
  const Bytes serial = build_frame(0xA3, 0x01, Link::Serial, 0x94, Bytes{5});
  EXPECT_EQ(udp[6], 0x01);
  EXPECT_EQ(serial[6], 0x00);
  EXPECT_EQ(udp[18] + (udp[19] << 8), serial[18] + (serial[19] << 8) + 1);
}

TEST(ControlFrame, ChecksumWrapsAtSixteenBits) {
  // 0x1E label frame with 300 bytes of 0xFF: the sum passes 0xFFFF.
  Bytes payload(8 + 300, 0xFF);
  const Bytes f = build_frame(0xA1, 0xFF, Link::Udp, 0x1E, payload);
  uint32_t wide = 0;
  for (size_t i = 0; i + 3 < f.size(); ++i) wide += f[i];
  ASSERT_GT(wide, 0xFFFFu);
  EXPECT_EQ(f[f.size() - 3], wide & 0xFF);
  EXPECT_EQ(f[f.size() - 2], (wide >> 8) & 0xFF);
  EXPECT_EQ(frame_checksum(std::vector<uint8_t>(257, 0xFF)), (257 * 255) & 0xFFFF);
}

TEST(ControlFrame, LabelFrameCarriesBothLengthBytes) {
  // 28 + n bytes; above n = 227 the high length byte is non-zero.
  for (size_t n : {0u, 10u, 227u, 228u, 400u}) {
    const Bytes f = build_frame(0xA1, 1, Link::Serial, 0x1E, Bytes(8 + n, 0x41));
    const size_t L = 28 + n;
    ASSERT_EQ(f.size(), L);
    EXPECT_EQ(f[2], L & 0xFF);
    EXPECT_EQ(f[3], L >> 8);
    EXPECT_EQ(f[3] != 0, n > 227);
    EXPECT_EQ(f.back(), 0xAE);
  }
}

TEST(ControlFrame, ReplyTests) {
  Bytes reply = build_frame(0xA1, 2, Link::Udp, 0x32, Bytes(10, 0));
  EXPECT_TRUE(is_full_reply(reply));
  EXPECT_TRUE(is_command_reply(reply, 0x32));
  EXPECT_FALSE(is_command_reply(reply, 0x90));
  // A wrong checksum is still accepted by both tests.
  reply[reply.size() - 3] ^= 0x5A;
  EXPECT_TRUE(is_full_reply(reply));
  EXPECT_TRUE(is_command_reply(reply, 0x32));
  // A wrong start or end byte fails the full test only.
  Bytes bad_end = reply;
  bad_end.back() = 0xAF;
  EXPECT_FALSE(is_full_reply(bad_end));
  EXPECT_TRUE(is_command_reply(bad_end, 0x32));
  Bytes bad_start = reply;
  bad_start[1] = 0x6D;
  EXPECT_FALSE(is_full_reply(bad_start));
  // Short datagrams never read out of bounds; the command byte reads as 0.
  EXPECT_FALSE(is_full_reply({}));
  EXPECT_FALSE(is_full_reply(Bytes{0xA5}));
  EXPECT_FALSE(is_command_reply(Bytes{0xA5, 0x6C, 0xAE}, 0x32));
  EXPECT_TRUE(is_command_reply(Bytes{0xA5, 0x6C, 0xAE}, 0x00));
}
}  // namespace
