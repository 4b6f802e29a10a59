// The serial reply reader over accumulated bytes, and the polling pass that
// feeds it from a real pseudo-terminal.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "link/control_frame.h"
#include "link/device_link.h"
#include "support/pty_pair.h"

namespace {
using Bytes = std::vector<uint8_t>;

// A link that records what the reader hands to the multiviewer decoder.
class ObservedLink : public DeviceLink {
 public:
  std::vector<Bytes> state_frames;

  int parse(const Bytes& bytes) {
    return parse_serial_reply(bytes.data(), static_cast<uint32_t>(bytes.size()));
  }
  // Appends to the accumulation buffer and runs the reader over all of it, as
  // one pass of a polling exchange does.
  int feed(const Bytes& bytes) {
    accumulate_serial_bytes(bytes.data(), static_cast<uint32_t>(bytes.size()));
    return parse_serial_reply(m_com_recv_buf, m_com_recv_len);
  }

 protected:
  void store_serial_state_reply(std::span<const uint8_t> frame) override {
    state_frames.emplace_back(frame.begin(), frame.end());
  }
};

Bytes cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// Search reply: byte 17 unused, the text from 18.
Bytes search_reply(uint8_t type, uint8_t id, const std::string& text) {
  Bytes payload{0x00};
  payload.insert(payload.end(), text.begin(), text.end());
  return build_frame(type, id, Link::Serial, kCmdSearch, payload);
}

// Multiviewer state reply: 650 payload bytes (window count 4 at 18).
Bytes state_reply(uint8_t type) {
  Bytes payload(650, 0);
  payload[1] = 4;
  payload[600 - 17] = 1;
  return build_frame(type, 0x01, Link::Serial, 0x32, payload);
}

TEST(SerialReplyReader, FindsASearchReplySplitOverTwoReads) {
  ObservedLink link;
  const Bytes reply = search_reply(0xA3, 0x07, "TM3306-1-X");
  const Bytes head(reply.begin(), reply.begin() + 25);
  const Bytes tail(reply.begin() + 25, reply.end());
  EXPECT_EQ(link.feed(head), 0);
  EXPECT_TRUE(link.m_com_dev_name.isEmpty());
  EXPECT_EQ(link.feed(tail), 1);
  EXPECT_EQ(link.m_com_dev_name, QStringLiteral("TM3306"));
  EXPECT_EQ(link.m_main_com_dev_type, 0xA3);
  EXPECT_EQ(link.m_device_table[0].dev_type, 0xA3);
  EXPECT_EQ(link.m_device_table[0].dev_id, 0x07);
  // The row's address is the serial search's business, not the reader's.
  EXPECT_EQ(link.m_device_table[0].ip[0], 0);
}

TEST(SerialReplyReader, SearchReplyNames) {
  ObservedLink link;
  // Two separators: two names, the longer one is kept.
  EXPECT_EQ(link.parse(search_reply(0xA1, 1, "AB-1-CD-2-")), 2);
  EXPECT_EQ(link.m_com_dev_name, QStringLiteral("AB-1-CD"));

  // Bytes 0x80..0xFF widen to U+0080..U+00FF, one character each.
  EXPECT_EQ(link.parse(search_reply(0xA1, 1, "\xC4\xE9\xFF-0-")), 1);
  EXPECT_EQ(link.m_com_dev_name, QString::fromUtf16(u"\u00C4\u00E9\u00FF"));

  // No separator: no name, and the last name stays.
  EXPECT_EQ(link.parse(search_reply(0xA1, 1, "PLAIN")), 0);
  EXPECT_EQ(link.m_com_dev_name, QString::fromUtf16(u"\u00C4\u00E9\u00FF"));

  // An empty name right at offset 18 still counts.
  EXPECT_EQ(link.parse(search_reply(0xA1, 1, "-x-")), 1);
  EXPECT_TRUE(link.m_com_dev_name.isEmpty());

  // A separator needs both of its bytes inside the frame: a '-' in the
  // checksum with another '-' after the end byte is no separator.
  Bytes reply = search_reply(0xA1, 1, "NAME");
  reply[reply.size() - 2] = '-';
  reply.push_back('-');
  EXPECT_EQ(link.parse(reply), 0);
}

TEST(SerialReplyReader, SkipsGarbageByteByByte) {
  ObservedLink link;
  const Bytes reply = search_reply(0xA1, 0x02, "MV16-A-");
  // Noise, lone start bytes, and a start byte right before the real one.
  const Bytes garbage = {0x00, 0xAE, 0xA5, 0x00, 0x6C, 0xA5, 0xA5, 0xFF, 0xA5};
  EXPECT_EQ(link.parse(cat({garbage, reply})), 1);
  EXPECT_EQ(link.m_com_dev_name, QStringLiteral("MV16"));
  EXPECT_EQ(link.m_device_table[0].dev_id, 0x02);

  // A frame with another command is passed over; the reply after it counts.
  const Bytes other = build_frame(0xA1, 0x02, Link::Serial, 0x33, Bytes{4});
  EXPECT_EQ(link.parse(cat({other, reply})), 1);
}

TEST(SerialReplyReader, AHeaderWithoutItsEndByteRestartsOneByteAfterItsStart) {
  ObservedLink link;
  const Bytes reply = search_reply(0xA1, 0x05, "DEV-1-");
  // A false header whose own type and id bytes are the real frame's start:
  // its length of 20 puts its end on a byte of the real frame that is not AE.
  const Bytes fake = {0xA5, 0x6C, 20, 0x00};
  EXPECT_EQ(link.parse(cat({fake, reply})), 1);
  EXPECT_EQ(link.m_com_dev_name, QStringLiteral("DEV"));
  EXPECT_EQ(link.m_device_table[0].dev_id, 0x05);
}

TEST(SerialReplyReader, AHeaderThatFailsStillLeavesItsTypeAndId) {
  ObservedLink link;
  Bytes bad = {0xA5, 0x6C, 32, 0x00, 0x77, 0x42};
  bad.resize(40, 0x00);  // offset 31 is not AE
  EXPECT_EQ(link.parse(bad), 0);
  EXPECT_EQ(link.m_main_com_dev_type, 0x77);
  EXPECT_EQ(link.m_device_table[0].dev_type, 0x77);
  EXPECT_EQ(link.m_device_table[0].dev_id, 0x42);
  EXPECT_TRUE(link.state_frames.empty());
}

TEST(SerialReplyReader, IncompleteFramesWaitForTheirLastByte) {
  ObservedLink link;
  const Bytes reply = search_reply(0xA1, 1, "AB-1-");
  // The end byte sits in memory just past the bytes received: it must not
  // count until it has arrived.
  EXPECT_EQ(link.parse_serial_reply(reply.data(), static_cast<uint32_t>(reply.size() - 1)), 0);
  // Header bytes not yet received are not read either.
  link.m_main_com_dev_type = 0;
  EXPECT_EQ(link.parse_serial_reply(reply.data(), 5), 0);
  EXPECT_EQ(link.m_main_com_dev_type, 0);
  EXPECT_EQ(link.parse_serial_reply(reply.data(), 6), 0);
  EXPECT_EQ(link.m_main_com_dev_type, 0xA1);
  EXPECT_EQ(link.parse_serial_reply(reply.data(), 0), 0);
  EXPECT_EQ(link.parse_serial_reply(nullptr, 10), 0);
  EXPECT_EQ(link.parse(reply), 1);
}

// Line noise that looks like the start of a long frame, or the cut-off head
// of an earlier reply, must not hide a complete reply behind it until the
// accumulation buffer overflows.
TEST(SerialReplyReader, AnIncompleteHeaderDoesNotHideALaterReply) {
  ObservedLink link;
  const Bytes reply = search_reply(0xA3, 0x02, "TM-1-");
  const Bytes noise = {0xA5, 0x6C, 0x00, 0x02, 0x11, 0x22};
  const Bytes state = state_reply(0xA1);
  const Bytes cut_off(state.begin(), state.begin() + 40);
  for (const Bytes& before : {noise, cut_off}) {
    link.m_com_dev_name.clear();
    EXPECT_EQ(link.parse(cat({before, reply})), 1);
    EXPECT_EQ(link.m_com_dev_name, QStringLiteral("TM"));
    EXPECT_EQ(link.m_device_table[0].dev_type, 0xA3);
  }
}

TEST(SerialReplyReader, LengthsThatCannotBeAFrameAreSkipped) {
  ObservedLink link;
  const Bytes reply = search_reply(0xA1, 0x09, "OK-1-");
  // Lengths 0 and 1 would put the end byte before the frame; 6 would find
  // an AE at its own id byte and a command byte beyond its end; 0xFFFF can
  // never fit the accumulation buffer and would hold the scan up for good.
  for (const Bytes& header :
       {Bytes{0xA5, 0x6C, 0x00, 0x00, 0xA1, 0x01}, Bytes{0xA5, 0x6C, 0x01, 0x00, 0xA1, 0x01},
        Bytes{0xA5, 0x6C, 0x06, 0x00, 0xA1, 0xAE}, Bytes{0xA5, 0x6C, 0x13, 0x00, 0xA1, 0x01},
        Bytes{0xA5, 0x6C, 0xFF, 0xFF, 0xA1, 0x01}}) {
    link.m_com_dev_name.clear();
    EXPECT_EQ(link.parse(header), 0);
    EXPECT_EQ(link.parse(cat({header, reply})), 1) << int(header[2]);
    EXPECT_EQ(link.m_com_dev_name, QStringLiteral("OK"));
  }
}

TEST(SerialReplyReader, StateRepliesGoToTheDecoderOnlyForAMultiviewer) {
  ObservedLink link;
  const Bytes reply = state_reply(0xA1);
  const Bytes noise = {0x13, 0xA5, 0x00};
  EXPECT_EQ(link.parse(cat({noise, reply})), 1);
  ASSERT_EQ(link.state_frames.size(), 1u);
  EXPECT_EQ(link.state_frames[0], reply) << "the whole frame, as received";

  // Any other device type: nothing decoded, result 0.
  for (uint8_t type : {0xA3, 0x81, 0xA5, 0x00}) {
    EXPECT_EQ(link.parse(state_reply(type)), 0) << int(type);
    EXPECT_EQ(link.m_main_com_dev_type, type);
  }
  EXPECT_EQ(link.state_frames.size(), 1u);
}

TEST(SerialReplyReader, AccumulationKeepsAtMost1024Bytes) {
  ObservedLink link;
  const Bytes first(1000, 0x11);
  link.accumulate_serial_bytes(first.data(), 1000);
  const Bytes fits(24, 0x22);
  link.accumulate_serial_bytes(fits.data(), 24);
  EXPECT_EQ(link.m_com_recv_len, 1024u);
  EXPECT_EQ(link.m_com_recv_buf[1023], 0x22);

  // One byte more would overflow: the buffer is cleared and holds only it.
  const uint8_t one = 0x33;
  link.accumulate_serial_bytes(&one, 1);
  EXPECT_EQ(link.m_com_recv_len, 1u);
  EXPECT_EQ(link.m_com_recv_buf[0], 0x33);
  EXPECT_EQ(link.m_com_recv_buf[1], 0x00);

  // A reply that arrives after the clear is found in the new bytes.
  link.accumulate_serial_bytes(first.data(), 1000);
  EXPECT_EQ(link.feed(search_reply(0xA1, 1, "NEW-1-")), 1);
  EXPECT_EQ(link.m_com_recv_len, search_reply(0xA1, 1, "NEW-1-").size());

  // More than the whole buffer in one go keeps the newest 1024 bytes.
  Bytes huge(1500);
  for (size_t i = 0; i < huge.size(); ++i) huge[i] = static_cast<uint8_t>(i);
  link.accumulate_serial_bytes(huge.data(), static_cast<uint32_t>(huge.size()));
  EXPECT_EQ(link.m_com_recv_len, 1024u);
  EXPECT_EQ(0, std::memcmp(link.m_com_recv_buf, huge.data() + 476, 1024));
}

TEST(SerialReplyReader, PollingReadsAtMost256BytesAPass) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  ObservedLink link;
  link.poll_serial_input();  // closed port: nothing happens
  EXPECT_EQ(link.m_com_recv_len, 0u);
  ASSERT_TRUE(link.m_comm.open_port(pty.slave_name(), 115200));
  Bytes sent(300);
  for (size_t i = 0; i < sent.size(); ++i) sent[i] = static_cast<uint8_t>(i * 7);
  ASSERT_TRUE(pty.device_write(sent));
  for (int i = 0; i < 300 && link.m_comm.pending_input() != std::optional<size_t>(300); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  link.poll_serial_input();
  EXPECT_EQ(link.m_com_recv_len, 256u);
  link.poll_serial_input();
  EXPECT_EQ(link.m_com_recv_len, 300u);
  EXPECT_EQ(0, std::memcmp(link.m_com_recv_buf, sent.data(), sent.size()));
  link.poll_serial_input();  // nothing waiting
  EXPECT_EQ(link.m_com_recv_len, 300u);
}

TEST(SerialReplyReader, ASearchReplyDeliveredInPiecesOverTheLine) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  ObservedLink link;
  ASSERT_TRUE(link.m_comm.open_port(pty.slave_name(), 9600));
  const Bytes reply = search_reply(0xA1, 0x03, "KV16-1-");
  ASSERT_TRUE(pty.device_write(cat({Bytes{0x00, 0xA5}, Bytes(reply.begin(), reply.begin() + 9)})));
  std::thread late([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    pty.device_write(Bytes(reply.begin() + 9, reply.end()));
  });
  int found = 0;
  const auto t0 = std::chrono::steady_clock::now();
  while (found == 0 && std::chrono::steady_clock::now() - t0 < std::chrono::seconds(5)) {
    link.poll_serial_input();
    found = link.parse_serial_reply(link.m_com_recv_buf, link.m_com_recv_len);
    if (found == 0) link.m_comm.wait_input(20);
  }
  late.join();
  EXPECT_EQ(found, 1);
  EXPECT_EQ(link.m_com_dev_name, QStringLiteral("KV16"));
  EXPECT_EQ(link.m_main_com_dev_type, 0xA1);
  EXPECT_EQ(link.m_device_table[0].dev_id, 0x03);
}
}  // namespace
