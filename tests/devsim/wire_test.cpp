// The simulator's own reading of the wire: envelope check, serial stream
// cutting and the matrix text grammar.
#include "devsim/wire.h"

#include <gtest/gtest.h>

#include "devsim/serial_assembler.h"
#include "devsim/sim_device.h"
#include "sim_test_util.h"

using namespace devsim;
using simtest::Bytes;

TEST(DevsimWire, BuildsTheSearchRequestByteForByte) {
  EXPECT_EQ(make_frame(0x81, 0xFF, kLinkUdp, 0xFF, {}),
            (Bytes{0xA5, 0x6C, 0x14, 0x00, 0x81, 0xFF, 0x01, 0,    0,    0,
                   0,    0,    0,    0,    0,    0,    0xFF, 0xA5, 0x03, 0xAE}));
  const Bytes serial = make_frame(0x81, 0xFF, kLinkSerial, 0xFF, {});
  EXPECT_EQ(serial[17], 0xA4);
  EXPECT_EQ(serial[18], 0x03);
  // The test's hand-made frames and the simulator's agree.
  EXPECT_EQ(make_frame(0xA1, 3, 1, 0x34, Bytes{5, 2}), simtest::udp(0xA1, 3, 0x34, {5, 2}));
}

TEST(DevsimWire, CheckNamesEveryDefectOfAFrame) {
  const Bytes good = simtest::udp(0xA1, 1, 0x33, {4});
  EXPECT_EQ(check_frame(good, kLinkUdp), "");
  EXPECT_NE(check_frame(good, kLinkSerial).find("link byte"), std::string::npos);

  auto broken = [&](size_t at, uint8_t value) {
    Bytes b = good;
    b[at] = value;
    return check_frame(b, kLinkUdp);
  };
  EXPECT_EQ(broken(0, 0xA4), "bad start bytes");
  EXPECT_EQ(broken(1, 0x6D), "bad start bytes");
  EXPECT_NE(broken(2, 22).find("length field 22"), std::string::npos);
  EXPECT_NE(broken(17, 5).find("checksum"), std::string::npos);
  EXPECT_NE(broken(18, 0xFF).find("checksum"), std::string::npos);
  EXPECT_EQ(broken(20, 0xAF), "bad end byte");
  EXPECT_NE(check_frame(Bytes(good.begin(), good.begin() + 19), kLinkUdp).find("short"),
            std::string::npos);
  Bytes reserved = good;
  reserved[9] = 1;
  reseal(reserved);
  EXPECT_NE(check_frame(reserved, kLinkUdp).find("reserved"), std::string::npos);
  // A sum beyond 16 bits wraps: 300 bytes of 0xFF payload still check.
  EXPECT_EQ(check_frame(simtest::udp(0xA1, 1, 0x1E, Bytes(300, 0xFF)), kLinkUdp), "");
}

TEST(DevsimWire, MatrixTextGrammar) {
  MatrixCommand c;
  EXPECT_EQ(parse_matrix_text("3V1,2,5.", c), "");
  EXPECT_EQ(c.op, MatrixCommand::Op::Route);
  EXPECT_EQ(c.input, 3);
  EXPECT_EQ(c.outputs, (std::vector<int>{1, 2, 5}));
  EXPECT_EQ(parse_matrix_text("12V10,3.", c), "");
  EXPECT_EQ(c.input, 12);
  EXPECT_EQ(c.outputs, (std::vector<int>{10, 3}));
  EXPECT_EQ(parse_matrix_text("4All.", c), "");
  EXPECT_EQ(c.op, MatrixCommand::Op::OneToAll);
  EXPECT_EQ(c.input, 4);
  EXPECT_EQ(parse_matrix_text("All#.", c), "");
  EXPECT_EQ(c.op, MatrixCommand::Op::OneToOne);
  for (const char* bad : {"", "V1.", "3V1,", "3V1,2,", "3V.", "123V1.", "3V1,2,5", "3All", "3V1..",
                          "All#", "3X1.", "3V1;2."})
    EXPECT_NE(parse_matrix_text(bad, c), "") << bad;
}

TEST(DevsimWire, SerialStreamIsCutIntoFramesTextAndGarbage) {
  SerialAssembler a;
  const auto t0 = SerialAssembler::Clock::now();
  const Bytes f = simtest::serial(0xA1, 1, 0x33, {4});

  // A frame split over two reads comes out once, whole.
  EXPECT_TRUE(a.feed(Bytes(f.begin(), f.begin() + 7), t0).empty());
  auto units = a.feed(Bytes(f.begin() + 7, f.end()), t0);
  ASSERT_EQ(units.size(), 1u);
  EXPECT_EQ(units[0].bytes, f);
  EXPECT_EQ(units[0].problem, "");

  // Garbage, a text command and a frame in one read.
  Bytes mixed = {0x13, 0xEE, 0x00};
  const Bytes t = simtest::text("3V1,2.");
  mixed.insert(mixed.end(), t.begin(), t.end());
  mixed.insert(mixed.end(), f.begin(), f.end());
  units = a.feed(mixed, t0);
  ASSERT_EQ(units.size(), 3u);
  EXPECT_EQ(units[0].bytes, (Bytes{0x13, 0xEE, 0x00}));
  EXPECT_NE(units[0].problem, "");
  EXPECT_TRUE(units[1].text);
  EXPECT_EQ(units[1].bytes, t);
  EXPECT_EQ(units[2].bytes, f);

  // A header with an impossible length is skipped, the frame after it found.
  Bytes bogus = {0xA5, 0x6C, 0x02, 0x00};
  bogus.insert(bogus.end(), f.begin(), f.end());
  units = a.feed(bogus, t0);
  ASSERT_EQ(units.size(), 2u);
  EXPECT_NE(units[0].problem, "");
  EXPECT_EQ(units[1].bytes, f);

  // A frame cut short is dropped as bad once the line has been quiet.
  EXPECT_TRUE(a.feed(Bytes(f.begin(), f.begin() + 10), t0).empty());
  EXPECT_TRUE(a.expire(t0 + std::chrono::milliseconds(50)).empty());
  ASSERT_TRUE(a.deadline().has_value());
  units = a.expire(t0 + SerialAssembler::kInterByteTimeout + std::chrono::milliseconds(1));
  ASSERT_EQ(units.size(), 1u);
  EXPECT_EQ(units[0].bytes.size(), 10u);
  EXPECT_NE(units[0].problem, "");
  EXPECT_EQ(a.pending(), 0u);
}
