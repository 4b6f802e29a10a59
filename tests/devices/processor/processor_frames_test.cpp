// The processors' wire and preview without sockets or pages: the rk5502 state
// reply reader, the layout keys and their faces, the layout frame on both
// links, and the preview canvas painted for every layout code.
#include "devices/processor/processor_frames.h"

#include <gtest/gtest.h>

#include <vector>

#include "link/control_frame.h"
#include "pages/processor/layout_keys.h"
#include "pages/processor/layout_preview.h"

namespace {

// A 261-byte state reply as the device sends it, with distinct field values.
std::vector<uint8_t> full_state_reply() {
  std::vector<uint8_t> body(258 - 17, 0);
  auto at = [&](size_t offset) -> uint8_t& { return body[offset - 17]; };
  at(20) = 8;   // 720P50
  at(22) = 12;  // window 4 alone
  for (size_t k = 0; k < 4; ++k) at(54 + 40 * k) = static_cast<uint8_t>(4 + k);
  at(255) = 3;
  at(256) = 4;
  at(257) = 1;
  return build_frame(0x60, 6, Link::Udp, 0x90, body);
}

TEST(Rk5502StateReply, ReadsEveryFieldAtItsOffset) {
  const auto r = decode_rk5502_state(full_state_reply());
  ASSERT_TRUE(r);
  EXPECT_EQ(r->output_format, 8);
  EXPECT_EQ(r->show_mode, 12);
  EXPECT_EQ(r->umd_name_len, (std::array<uint8_t, 4>{4, 5, 6, 7}));
  EXPECT_EQ(r->pip_child_ch, (std::array<uint8_t, 2>{3, 4}));
  EXPECT_EQ(r->loop_state, 1);
}

TEST(Rk5502StateReply, OnlyTheCommandByteIsTested) {
  std::vector<uint8_t> reply = full_state_reply();
  // A broken checksum, end byte and address are still taken.
  reply[4] = 0x11;
  reply[reply.size() - 3] ^= 0xFF;
  reply.back() = 0x00;
  EXPECT_TRUE(decode_rk5502_state(reply));
  // Another command byte is not a state reply.
  reply[16] = 0x91;
  EXPECT_FALSE(decode_rk5502_state(reply));
  reply[16] = 0x94;
  EXPECT_FALSE(decode_rk5502_state(reply));
  // Too short to carry a command byte at all.
  EXPECT_FALSE(decode_rk5502_state(std::vector<uint8_t>(16, 0x90)));
  EXPECT_FALSE(decode_rk5502_state({}));
}

TEST(Rk5502StateReply, FieldsBeyondAShortReplyReadZero) {
  const std::vector<uint8_t> full = full_state_reply();
  // Cut after byte 90: the format, the layout and line 0's name length are
  // inside, everything from line 1's length (byte 94) on is not.
  const std::vector<uint8_t> cut(full.begin(), full.begin() + 90);
  const auto r = decode_rk5502_state(cut);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->output_format, 8);
  EXPECT_EQ(r->show_mode, 12);
  EXPECT_EQ(r->umd_name_len, (std::array<uint8_t, 4>{4, 0, 0, 0}));
  EXPECT_EQ(r->pip_child_ch, (std::array<uint8_t, 2>{0, 0}));
  EXPECT_EQ(r->loop_state, 0);
  // 17 bytes: only the command byte; every field zero.
  const auto bare = decode_rk5502_state(std::vector<uint8_t>(full.begin(), full.begin() + 17));
  ASSERT_TRUE(bare);
  EXPECT_EQ(bare->show_mode, 0);
  EXPECT_EQ(bare->output_format, 0);
}

TEST(LayoutKeys, IdsFacesAndPlaces) {
  for (int k = 0; k < 16; ++k) {
    EXPECT_EQ(layout_key_id(k), 1032 + k);
    EXPECT_EQ(layout_key_bitmap(k, false), 309 + 2 * k);
    EXPECT_EQ(layout_key_bitmap(k, true), 310 + 2 * k);
    const QRect r = layout_key_rect(k);
    EXPECT_EQ(r.topLeft(), QPoint(830 + 90 * (k % 4), 160 + 60 * (k / 4))) << k;
    EXPECT_EQ(r.size(), (k == 1 || k == 2) ? QSize(68, 50) : QSize(68, 48)) << k;
  }
  EXPECT_EQ(layout_key_bitmap(15, true), 340);
  EXPECT_EQ(layout_key_id(16), 1048);
  EXPECT_EQ(layout_key_id(17), 1048);
  EXPECT_EQ(layout_key_bitmap(16, false), 371);
  EXPECT_EQ(layout_key_bitmap(16, true), 372);
  EXPECT_EQ(layout_key_bitmap(17, false), 373);
  EXPECT_EQ(layout_key_bitmap(17, true), 374);
  for (int code : {-1, 18, 0xFF}) {
    EXPECT_EQ(layout_key_id(code), 0) << code;
    EXPECT_EQ(layout_key_bitmap(code, true), 0) << code;
    EXPECT_TRUE(layout_key_rect(code).isEmpty()) << code;
  }
  // The grid lies inside the frame around it (800, 30, 400 x 500).
  for (int k = 0; k < 16; ++k) EXPECT_TRUE(QRect(800, 30, 400, 500).contains(layout_key_rect(k)));
}

TEST(LayoutFrame, LinkByteAndChecksumFollowTheTransport) {
  const uint8_t code = 15;
  const auto udp = build_frame(0xA3, 0x01, Link::Udp, processor_cmd::kLayout, {&code, 1});
  const auto serial = build_frame(0xA3, 0x01, Link::Serial, processor_cmd::kLayout, {&code, 1});
  const std::vector<uint8_t> head = {0xA5, 0x6C, 21, 0, 0xA3, 0x01};
  ASSERT_EQ(udp.size(), 21u);
  ASSERT_EQ(serial.size(), 21u);
  EXPECT_TRUE(std::equal(head.begin(), head.end(), udp.begin()));
  EXPECT_EQ(udp[6], 0x01);
  EXPECT_EQ(serial[6], 0x00);
  EXPECT_EQ(udp[16], 0x94);
  EXPECT_EQ(udp[17], 15);
  // A5 + 6C + 15 + A3 + 01 + 01 + 94 + 0F = 0x26E on UDP, one less on serial.
  EXPECT_EQ(udp[18], 0x6E);
  EXPECT_EQ(udp[19], 0x02);
  EXPECT_EQ(serial[18], 0x6D);
  EXPECT_EQ(serial[19], 0x02);
  EXPECT_EQ(udp[20], 0xAE);
}

// ---- preview canvas ----

const QRgb kBack = qRgb(152, 152, 152);
const QRgb kFrame = qRgb(89, 187, 255);
const QRgb kInner = qRgb(55, 55, 55);

// True when a slot painted after slot k covers the point.
bool covered_later(const LayoutSlots& s, size_t k, QPoint p) {
  for (size_t later = k + 1; later < s.size(); ++later)
    if (s[later].is_drawn() && s[later].rect().contains(p)) return true;
  return false;
}

TEST(LayoutPreviewCanvas, EveryCodeOnBothTablesPaintsItsSlots) {
  for (LayoutTable table : {LayoutTable::Rk5502, LayoutTable::Tm3306}) {
    for (int code = 0; code < kLayoutCodeCount + 2; ++code) {
      const LayoutSlots s = layout_slot_rects(code, table);
      const QImage img = render_layout_canvas(s, 0);
      ASSERT_EQ(img.size(), QSize(720, 480));
      SCOPED_TRACE(testing::Message() << "table " << static_cast<int>(table) << " code " << code);
      QRegion painted;
      for (size_t k = 0; k < s.size(); ++k) {
        if (!s[k].is_drawn()) continue;
        const QRect r = s[k].rect();
        painted += r;
        // Frame: the two outer pixels on every side; inner area two pixels in.
        for (QPoint p : {r.topLeft(), r.topLeft() + QPoint(1, 1), r.bottomRight(),
                         QPoint(r.left() + 1, r.center().y()), QPoint(r.center().x(), r.bottom())})
          if (!covered_later(s, k, p)) {
            EXPECT_EQ(img.pixel(p), kFrame) << k << " " << p.x() << "," << p.y();
          }
        for (QPoint p : {r.topLeft() + QPoint(2, 2), r.bottomRight() - QPoint(2, 2),
                         QPoint(r.left() + 10, r.top() + 10)})
          if (!covered_later(s, k, p)) {
            EXPECT_EQ(img.pixel(p), kInner) << k;
          }
        // The slot's number is drawn in light grey right of and below
        // (x + w/2 - 5, y + h/2 - 5).
        const QPoint at(r.x() + r.width() / 2 - 5, r.y() + r.height() / 2 - 5);
        bool lit = false;
        for (int y = at.y(); y < at.y() + 24 && !lit; ++y)
          for (int x = at.x(); x < at.x() + 16 && !lit; ++x)
            lit = qRed(img.pixel(x, y)) > 120 && qBlue(img.pixel(x, y)) > 120;
        EXPECT_TRUE(lit) << "number of slot " << k + 1;
      }
      // Everything outside the slots keeps the background.
      for (QPoint p : {QPoint(0, 0), QPoint(719, 0), QPoint(0, 479), QPoint(719, 479),
                       QPoint(360, 240), QPoint(10, 60), QPoint(600, 420)})
        if (!painted.contains(p)) {
          EXPECT_EQ(img.pixel(p), kBack) << p.x() << "," << p.y();
        }
    }
  }
}

TEST(LayoutPreviewCanvas, SideBySideSitsInTheMiddleBandOnlyOnTheTm3306) {
  const QImage rk = render_layout_canvas(layout_slot_rects(11, LayoutTable::Rk5502), 0);
  const QImage tm = render_layout_canvas(layout_slot_rects(11, LayoutTable::Tm3306), 0);
  EXPECT_EQ(rk.pixel(100, 60), kInner);
  EXPECT_EQ(tm.pixel(100, 60), kBack);
  EXPECT_EQ(tm.pixel(100, 119), kBack);
  EXPECT_EQ(tm.pixel(100, 120), kFrame);
  EXPECT_EQ(tm.pixel(100, 200), kInner);
  EXPECT_EQ(tm.pixel(100, 360), kBack);
}

TEST(LayoutPreviewCanvas, EveryFrameColourIndexDrawsTheDefinedColour) {
  const LayoutSlots quad = layout_slot_rects(0, LayoutTable::Rk5502);
  for (uint8_t index : {0, 1, 255})
    EXPECT_EQ(render_layout_canvas(quad, index).pixel(0, 0), kFrame);
}

}  // namespace
