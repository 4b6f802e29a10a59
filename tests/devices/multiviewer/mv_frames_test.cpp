#include "devices/multiviewer/mv_frames.h"

#include <gtest/gtest.h>

#include "link/control_frame.h"

namespace {
using Bytes = std::vector<uint8_t>;

TEST(MvFrames, LabelFrameCarriesWindowFixedBytesAndUtf16Text) {
  const Bytes payload = umd_text_payload(4, "CAM 1");
  const Bytes frame = build_frame(0xA1, 0x02, Link::Udp, mv_cmd::kUmdText, payload);
  ASSERT_EQ(frame.size(), 38u);
  EXPECT_EQ(frame[2], 38);
  EXPECT_EQ(frame[16], 0x1E);
  EXPECT_EQ(frame[17], 0x04);
  EXPECT_EQ(Bytes(frame.begin() + 18, frame.begin() + 25), (Bytes{1, 0, 1, 0, 1, 0, 1}));
  EXPECT_EQ(Bytes(frame.begin() + 25, frame.begin() + 35),
            (Bytes{0x43, 0, 0x41, 0, 0x4D, 0, 0x20, 0, 0x31, 0}));
  EXPECT_EQ(frame[37], 0xAE);

  const Bytes empty =
      build_frame(0xA1, 0x02, Link::Serial, mv_cmd::kUmdText, umd_text_payload(16, ""));
  ASSERT_EQ(empty.size(), 28u);
  EXPECT_EQ(empty[17], 16);
  EXPECT_EQ(empty[24], 0x01);
}

TEST(MvFrames, LabelTextIsCutAtWhatTheDeviceHolds) {
  const QString chinese = QString::fromUtf8("中文");
  EXPECT_EQ(umd_text_payload(1, chinese), (Bytes{1, 1, 0, 1, 0, 1, 0, 1, 0x2D, 0x4E, 0x87, 0x65}));
  // A device label (16 units) goes back whole; more is cut at 16 units.
  EXPECT_EQ(umd_text_payload(1, QString(16, 'x')).size(), 8u + 32u);
  EXPECT_EQ(umd_text_payload(1, QString(40, 'x')).size(), 8u + 32u);
  // A surrogate pair straddling the cut is dropped whole.
  const QString pair = QString(15, 'x') + QString::fromUtf8("😀");
  ASSERT_EQ(pair.size(), 17);
  EXPECT_EQ(umd_text_payload(1, pair).size(), 8u + 30u);
}

TEST(MvFrames, Utf16RoundTrip) {
  const QString text = QString::fromUtf8("Ab中😀");
  EXPECT_EQ(utf16le_text(utf16le_bytes(text)), text);
  EXPECT_EQ(utf16le_text(Bytes{0x41, 0x00, 0x42}), "AB");
  EXPECT_EQ(utf16le_text(Bytes{0x00, 0x00, 0x42, 0x00}), "");
  EXPECT_EQ(utf16le_text({}), "");
}

TEST(MvFrames, SourceAndResolutionPayloads) {
  // Sources are kept 0-based and travel as SDI numbers.
  EXPECT_EQ(window_source_payload(0, 1), (std::array<uint8_t, 2>{1, 1}));
  EXPECT_EQ(window_source_payload(15, 16), (std::array<uint8_t, 2>{16, 16}));
  EXPECT_EQ(resolution_payload(7), (std::array<uint8_t, 2>{0, 14}));
  EXPECT_EQ(resolution_payload(0), (std::array<uint8_t, 2>{0, 7}));
  EXPECT_FALSE(resolution_payload(9));
  EXPECT_FALSE(resolution_payload(-1));
}

}  // namespace
