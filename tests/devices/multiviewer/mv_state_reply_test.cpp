#include "devices/multiviewer/mv_state_reply.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
using Bytes = std::vector<uint8_t>;

// A state reply frame as the device sends it: every label a full 33-byte
// record, then sources, 32 unused bytes, border, lock and the four colour
// tables, followed by checksum and AE. Fields are set by offset.
struct Reply {
  Bytes bytes = Bytes(669, 0);

  Reply() {
    bytes[0] = 0xA5;
    bytes[1] = 0x6C;
    bytes[2] = 669 & 0xFF;
    bytes[3] = 669 >> 8;
    bytes[4] = 0xA1;
    bytes[6] = 0x01;
    bytes[16] = 0x32;
    bytes[668] = 0xAE;
  }
  // Label record of window w (1..16): length byte, then the given bytes.
  Reply& label(int w, uint8_t length, const Bytes& text) {
    const size_t at = 24 + 33 * static_cast<size_t>(w - 1);
    bytes[at] = length;
    for (size_t i = 0; i < text.size(); ++i) bytes[at + 1 + i] = text[i];
    return *this;
  }
  // The tail from P on (sources, border, lock, colours) with P = 552.
  Reply& tail(uint8_t seed) {
    for (size_t i = 0; i < 16; ++i) bytes[552 + i] = static_cast<uint8_t>(seed + i);
    for (size_t i = 0; i < 32; ++i) bytes[568 + i] = 0xEE;  // unused by the panel
    bytes[600] = 1;
    bytes[601] = 1;
    for (size_t i = 0; i < 64; ++i) bytes[602 + i] = static_cast<uint8_t>(i % 16);
    return *this;
  }
};

QString utf(const char* text) { return QString::fromUtf8(text); }

TEST(MvStateReply, WindowCountSetsModeOrFallsBackToOneWindow) {
  MultiviewerModel m;
  Reply r;
  r.bytes[18] = 10;
  DecodeStateReply(m, r.bytes, false);
  EXPECT_EQ(m.m_cur_window_count, 10);
  EXPECT_EQ(m.m_all_16_view_page_data.kelvaro_16_view_mode_type, 5);

  // 5 windows is no mode of the device: one window, the mode list keeps 10.
  r.bytes[18] = 5;
  DecodeStateReply(m, r.bytes, false);
  EXPECT_EQ(m.m_cur_window_count, 1);
  EXPECT_EQ(m.m_all_16_view_page_data.kelvaro_16_view_mode_type, 5);

  const int counts[] = {1, 4, 6, 8, 9, 10, 16};
  for (int index = 0; index < 7; ++index) {
    r.bytes[18] = static_cast<uint8_t>(counts[index]);
    DecodeStateReply(m, r.bytes, true);
    EXPECT_EQ(m.m_cur_window_count, counts[index]);
    EXPECT_EQ(m.m_all_16_view_page_data.kelvaro_16_view_mode_type, index);
  }
}

TEST(MvStateReply, ResolutionCodeMapsToItsIndexOrIsIgnored) {
  MultiviewerModel m;
  m.m_all_16_view_page_data.kelvaro_16_view_resolution_type = 4;
  Reply r;
  r.bytes[19] = 2;  // not a wire code of any resolution
  DecodeStateReply(m, r.bytes, false);
  EXPECT_EQ(m.m_all_16_view_page_data.kelvaro_16_view_resolution_type, 4);

  r.bytes[19] = 14;
  DecodeStateReply(m, r.bytes, false);
  EXPECT_EQ(m.m_all_16_view_page_data.kelvaro_16_view_resolution_type, 7);
  EXPECT_STREQ(kResolutions[7].caption, "720p60");

  r.bytes[19] = 0;  // zero is no code either
  DecodeStateReply(m, r.bytes, false);
  EXPECT_EQ(m.m_all_16_view_page_data.kelvaro_16_view_resolution_type, 7);
}

TEST(MvStateReply, SwitchesAreStoredAsSentAndDriveThePreviewFlags) {
  MultiviewerModel m;
  Reply r;
  r.bytes[20] = 2;
  r.bytes[21] = 0;
  r.bytes[22] = 9;
  r.bytes[23] = 1;
  DecodeStateReply(m, r.bytes, false);
  const auto& d = m.m_all_16_view_page_data;
  EXPECT_EQ(d.kelvaro_16_view_umd_enable, 2);
  EXPECT_EQ(d.kelvaro_16_view_audio_enable, 0);
  EXPECT_EQ(d.kelvaro_16_view_audio_source_channel, 9);
  EXPECT_EQ(d.kelvaro_16_view_resolution_enable, 1);
  EXPECT_EQ(m.m_16_view_umd_show, 1);
  EXPECT_EQ(m.m_16_view_audio_show, 0);
  EXPECT_EQ(m.m_16_view_reso_show, 1);

  r.bytes[20] = 0;
  r.bytes[21] = 1;
  r.bytes[23] = 0;
  DecodeStateReply(m, r.bytes, false);
  EXPECT_EQ(m.m_16_view_umd_show, 0);
  EXPECT_EQ(m.m_16_view_audio_show, 1);
  EXPECT_EQ(m.m_16_view_reso_show, 0);
  EXPECT_EQ(m.m_16_view_state_read, 1);
}

TEST(MvStateReply, LabelsAreUtf16LittleEndianOfTheirByteCount) {
  MultiviewerModel m;
  Reply r;
  r.label(1, 6, {0x41, 0, 0x42, 0, 0x43, 0})
      .label(2, 0, {0x41, 0})                       // bytes after the count are ignored
      .label(3, 5, {0x41, 0, 0x42, 0, 0x43, 0x4E})  // odd byte: unit with a zero high byte
      .label(4, 6, {0x2D, 0x4E, 0x87, 0x65, 0x31, 0})
      .label(5, 6, {0x41, 0, 0, 0, 0x42, 0})  // a zero unit ends the text
      .label(16, 32, Bytes(32, 0x5A));        // 16 units of U+5A5A
  for (int w = 6; w <= 15; ++w) r.label(w, 2, {static_cast<uint8_t>('a' + w), 0});
  DecodeStateReply(m, r.bytes, false);
  EXPECT_EQ(m.m_16_view_umd_text[0], "ABC");
  EXPECT_EQ(m.m_16_view_umd_text[1], "");
  EXPECT_EQ(m.m_16_view_umd_text[2], "ABC");
  EXPECT_EQ(m.m_16_view_umd_text[3], utf("中文1"));
  EXPECT_EQ(m.m_16_view_umd_text[4], "A");
  EXPECT_EQ(m.m_16_view_umd_text[15], QString(16, QChar(0x5A5A)));
  for (int w = 6; w <= 15; ++w) EXPECT_EQ(m.m_16_view_umd_text[w - 1], QString(QChar('a' + w)));
}

TEST(MvStateReply, OverLanAnOverlongLabelKeepsItsTextAndTakesOneByte) {
  MultiviewerModel m;
  m.m_16_view_umd_text[2] = "OLD";
  Reply r;
  r.label(1, 2, {'1', 0}).label(2, 2, {'2', 0});
  r.bytes[90] = 40;  // window 3's length byte
  // Window 4's record now starts at 91, every later record 33 bytes on.
  size_t at = 91;
  for (int w = 4; w <= 16; ++w, at += 33) {
    r.bytes[at] = 2;
    r.bytes[at + 1] = static_cast<uint8_t>('A' + w);
  }
  ASSERT_EQ(at, 520u);
  for (size_t i = 0; i < 16; ++i) r.bytes[520 + i] = static_cast<uint8_t>(15 - i);
  r.bytes[520 + 48] = 1;  // border
  r.bytes[520 + 49] = 1;  // lock
  r.bytes[520 + 50] = 7;
  r.bytes[520 + 113] = 15;
  DecodeStateReply(m, r.bytes, false);

  EXPECT_EQ(m.m_16_view_umd_text[0], "1");
  EXPECT_EQ(m.m_16_view_umd_text[1], "2");
  EXPECT_EQ(m.m_16_view_umd_text[2], "OLD");
  for (int w = 4; w <= 16; ++w) EXPECT_EQ(m.m_16_view_umd_text[w - 1], QString(QChar('A' + w)));
  for (size_t i = 0; i < 16; ++i) EXPECT_EQ(m.m_16_view_window_source[i], 15 - i);
  const auto& d = m.m_all_16_view_page_data;
  EXPECT_EQ(d.kelvaro_16_view_border_enable, 1);
  EXPECT_EQ(d.kelvaro_16_view_lock_state, 1);
  EXPECT_EQ(d.kelvaro_16_view_umd_text_color[0], 7);
  EXPECT_EQ(d.kelvaro_16_view_resolution_back_color[15], 15);
}

TEST(MvStateReply, OverSerialAnOverlongLabelIsItsFirst32Bytes) {
  MultiviewerModel m;
  m.m_16_view_umd_text[2] = "OLD";
  Reply r;
  Bytes text;
  for (int i = 0; i < 16; ++i) {
    text.push_back(static_cast<uint8_t>('a' + i));
    text.push_back(0);
  }
  r.label(3, 40, text).label(4, 4, {'x', 0, 'y', 0}).tail(0);
  DecodeStateReply(m, r.bytes, true);
  EXPECT_EQ(m.m_16_view_umd_text[2], "abcdefghijklmnop");
  EXPECT_EQ(m.m_16_view_umd_text[3], "xy");
  // Records stay 33 bytes, so the tail is read from 552.
  for (size_t i = 0; i < 16; ++i) EXPECT_EQ(m.m_16_view_window_source[i], i);
  EXPECT_EQ(m.m_all_16_view_page_data.kelvaro_16_view_border_enable, 1);
}

TEST(MvStateReply, ReplyOfExactlyTheLayoutLengthIsReadToItsLastByte) {
  Reply r;
  r.tail(3);
  r.bytes[665] = 12;
  MultiviewerModel m;
  DecodeStateReply(m, std::span(r.bytes).first(kStateReplyLayoutLength), false);
  const auto& d = m.m_all_16_view_page_data;
  EXPECT_EQ(d.kelvaro_16_view_resolution_back_color[15], 12);
  EXPECT_EQ(d.kelvaro_16_view_resolution_back_color[14], 14);
  EXPECT_EQ(d.kelvaro_16_view_umd_text_color[5], 5);
  EXPECT_EQ(d.kelvaro_16_view_umd_back_color[1], 1);
  EXPECT_EQ(d.kelvaro_16_view_resolution_text_color[9], 9);
  for (size_t i = 0; i < 16; ++i) EXPECT_EQ(m.m_16_view_window_source[i], 3 + i);

  // One byte less: the last colour reads as zero.
  MultiviewerModel shorter;
  DecodeStateReply(shorter, std::span(r.bytes).first(kStateReplyLayoutLength - 1), false);
  EXPECT_EQ(shorter.m_all_16_view_page_data.kelvaro_16_view_resolution_back_color[15], 0);
  EXPECT_EQ(shorter.m_all_16_view_page_data.kelvaro_16_view_resolution_back_color[14], 14);
}

// Fills every decoded field with a value no reply below carries.
void fill_stale(MultiviewerModel& m) {
  auto& d = m.m_all_16_view_page_data;
  d.kelvaro_16_view_mode_type = 3;
  d.kelvaro_16_view_resolution_type = 2;
  d.kelvaro_16_view_umd_enable = d.kelvaro_16_view_audio_enable = 1;
  d.kelvaro_16_view_audio_source_channel = d.kelvaro_16_view_resolution_enable = 1;
  d.kelvaro_16_view_border_enable = d.kelvaro_16_view_lock_state = 1;
  for (int i = 0; i < 16; ++i) {
    d.kelvaro_16_view_umd_text_color[i] = d.kelvaro_16_view_umd_back_color[i] = 9;
    d.kelvaro_16_view_resolution_text_color[i] = d.kelvaro_16_view_resolution_back_color[i] = 9;
    m.m_16_view_window_source[i] = 9;
    m.m_16_view_umd_text[i] = "stale";
  }
  m.m_16_view_umd_show = m.m_16_view_audio_show = m.m_16_view_reso_show = 1;
}

TEST(MvStateReply, ShortReplyReadsZerosPastItsEnd) {
  // The reply sits in a larger buffer whose remaining bytes are garbage; only
  // the received bytes may be looked at.
  Reply r;
  r.bytes[18] = 4;
  r.bytes[19] = 7;
  r.label(1, 4, {'H', 0, 'i', 0});
  r.label(2, 6, {'L', 0, 'o', 0, 'n', 0});  // cut inside its text below
  r.tail(1);
  Bytes buffer = r.bytes;
  for (size_t i = 64; i < buffer.size(); ++i) buffer[i] = 0x5A;

  for (bool serial : {false, true}) {
    MultiviewerModel m;
    fill_stale(m);
    DecodeStateReply(m, std::span(buffer).first(64), serial);
    const auto& d = m.m_all_16_view_page_data;
    EXPECT_EQ(m.m_cur_window_count, 4);
    EXPECT_EQ(d.kelvaro_16_view_mode_type, 1);
    EXPECT_EQ(d.kelvaro_16_view_resolution_type, 0);
    EXPECT_EQ(d.kelvaro_16_view_umd_enable, 0);
    EXPECT_EQ(m.m_16_view_umd_show, 0);
    EXPECT_EQ(m.m_16_view_umd_text[0], "Hi");
    // Window 2's text starts at 58; 58..63 arrived ('L' 'o' 'n' as six bytes).
    EXPECT_EQ(m.m_16_view_umd_text[1], "Lon");
    for (int w = 3; w <= 16; ++w) EXPECT_EQ(m.m_16_view_umd_text[w - 1], "") << w;
    for (int i = 0; i < 16; ++i) {
      EXPECT_EQ(m.m_16_view_window_source[i], 0);
      EXPECT_EQ(d.kelvaro_16_view_umd_text_color[i], 0);
      EXPECT_EQ(d.kelvaro_16_view_resolution_back_color[i], 0);
    }
    EXPECT_EQ(d.kelvaro_16_view_border_enable, 0);
    EXPECT_EQ(d.kelvaro_16_view_lock_state, 0);
    EXPECT_EQ(m.m_16_view_state_read, 1);
  }

  // A text cut in the middle of its bytes keeps what arrived.
  MultiviewerModel m;
  DecodeStateReply(m, std::span(buffer).first(61), false);
  EXPECT_EQ(m.m_16_view_umd_text[1], "Lo");
}

TEST(MvStateReply, EmptyReplyLeavesModeAndResolutionAndMarksTheRead) {
  MultiviewerModel m;
  fill_stale(m);
  DecodeStateReply(m, {}, false);
  const auto& d = m.m_all_16_view_page_data;
  EXPECT_EQ(m.m_cur_window_count, 1);
  EXPECT_EQ(d.kelvaro_16_view_mode_type, 3);
  EXPECT_EQ(d.kelvaro_16_view_resolution_type, 2);
  EXPECT_EQ(m.m_16_view_umd_text[15], "");
  EXPECT_EQ(d.kelvaro_16_view_lock_state, 0);
  EXPECT_EQ(m.m_16_view_state_read, 1);
}

TEST(MvStateReply, EveryLengthByteOverLanStaysWithinTheReply) {
  // Every record overlong: sixteen one-byte records, P = 40.
  Reply r;
  for (size_t i = 24; i < 40; ++i) r.bytes[i] = 0xFF;
  for (size_t i = 0; i < 16; ++i) r.bytes[40 + i] = static_cast<uint8_t>(i);
  r.bytes[40 + 49] = 1;
  MultiviewerModel m;
  m.m_16_view_umd_text[7] = "kept";
  DecodeStateReply(m, r.bytes, false);
  EXPECT_EQ(m.m_16_view_umd_text[7], "kept");
  for (size_t i = 0; i < 16; ++i) EXPECT_EQ(m.m_16_view_window_source[i], i);
  EXPECT_EQ(m.m_all_16_view_page_data.kelvaro_16_view_lock_state, 1);
}

}  // namespace
