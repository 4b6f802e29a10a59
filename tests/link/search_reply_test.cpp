// The LAN search reply's name rule, byte for byte.
#include "link/search_reply.h"

#include <gtest/gtest.h>

#include <string>

#include "link/control_frame.h"

namespace {
using Bytes = std::vector<uint8_t>;

// A search reply from a device of `type`: payload byte 17, then `text` from 18.
Bytes reply(uint8_t type, const std::string& text) {
  Bytes payload = {0x00};
  payload.insert(payload.end(), text.begin(), text.end());
  return build_frame(type, 1, Link::Udp, kCmdSearch, payload);
}

TEST(SearchReply, OneNameBeforeTheFirstSeparator) {
  EXPECT_EQ(parse_search_names(reply(0xA1, "MV16-1-V1.0")), std::vector<QString>{"MV16"});
}

TEST(SearchReply, EverySeparatorEndsALongerName) {
  const std::vector<QString> expected = {"AB", "AB-1-CD"};
  EXPECT_EQ(parse_search_names(reply(0xA1, "AB-1-CD-2-")), expected);
}

TEST(SearchReply, NameBytesWidenAsLatin1) {
  const std::vector<QString> names = parse_search_names(reply(0xA1, "\xC4\xE9-0-\xE5"));
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(names[0], QString(QChar(0xC4)) + QChar(0xE9));
}

TEST(SearchReply, SeparatorRightAtTheNameStartGivesAnEmptyName) {
  EXPECT_EQ(parse_search_names(reply(0xA1, "-x-")), std::vector<QString>{QString()});
}

TEST(SearchReply, SecondSeparatorMayBeTheByteBeforeTheLastTwo) {
  // 18 "NAME-1", 24 checksum low byte set to '-', 25 checksum high, 26 AE:
  // '-' at 22 and 24 with 22 + 4 <= 27 ends a name.
  Bytes r = reply(0xA1, "NAME-1");
  ASSERT_EQ(r.size(), 27u);
  r[24] = '-';
  EXPECT_EQ(parse_search_names(r), std::vector<QString>{"NAME"});
}

TEST(SearchReply, OnlyFullLongMultiviewerRepliesCarryNames) {
  EXPECT_TRUE(parse_search_names(reply(0x81, "MX-1-")).empty());
  Bytes no_end = reply(0xA1, "MV-1-");
  no_end.back() = 0x00;
  EXPECT_TRUE(parse_search_names(no_end).empty());
  Bytes bad_start = reply(0xA1, "MV-1-");
  bad_start[1] = 0x6D;
  EXPECT_TRUE(parse_search_names(bad_start).empty());
  // The shortest reply with a name: 22 bytes, '-' at 18 and 20, AE at 21.
  Bytes shortest = reply(0xA1, "-x-");
  shortest.erase(shortest.begin() + 21, shortest.end() - 1);
  ASSERT_EQ(shortest.size(), 22u);
  EXPECT_EQ(parse_search_names(shortest), std::vector<QString>{QString()});
  shortest.erase(shortest.begin() + 20);
  EXPECT_TRUE(parse_search_names(shortest).empty());
  EXPECT_TRUE(parse_search_names({}).empty());
}
}  // namespace
