// Serial reply reader. The port delivers a byte stream, so replies are found
// by scanning the bytes accumulated in m_com_recv_buf; every call rescans
// from the first byte, which finds a reply split over several reads as soon
// as its last byte has arrived. The first complete reply in the buffer is
// taken, whatever incomplete headers come before it.
//
// A reply has the control-frame envelope:
//   0    A5 6C      start
//   2    L          total length, 16-bit, low byte first
//   4    dev_type   stored at once, before the frame is checked
//   5    dev_id     stored at once, before the frame is checked
//   6    link byte, 7..15 zero
//   16   command    FF search reply, 32 multiviewer state reply
//   17   payload    search reply: device name as single-byte characters from
//                   18, followed by separators "-x-" and further text
//   L-3  checksum   16-bit, low byte first (not tested)
//   L-1  AE
#include <algorithm>
#include <cstring>

#include "devices/device_kinds.h"
#include "link/device_link.h"

namespace {
constexpr uint8_t kCmdStateReply = 0x32;
constexpr size_t kNameOffset = 18;
constexpr uint8_t kSeparator = '-';
constexpr size_t kSerialPollMax = 256;
}  // namespace

int DeviceLink::parse_serial_reply(const uint8_t* buffer, uint32_t count) {
  if (buffer == nullptr) return 0;
  size_t start = 0;  // offset of the A5 under test
  while (start < count) {
    if (buffer[start] != kFrameStart0) {
      ++start;
      continue;
    }
    if (start + 1 >= count) return 0;
    if (buffer[start + 1] != kFrameStart1) {
      // The byte after a lone A5 may itself start a frame: test it again.
      ++start;
      continue;
    }
    // Length, type and id must have arrived; otherwise wait for more bytes.
    if (start + 5 >= count) return 0;
    const size_t length = buffer[start + 2] | (static_cast<size_t>(buffer[start + 3]) << 8);
    m_main_com_dev_type = buffer[start + 4];
    m_device_table[0].dev_type = buffer[start + 4];
    m_device_table[0].dev_id = buffer[start + 5];

    // A length below the smallest frame has no command byte and no end byte
    // of its own (0 would even place its end before its start); one above the
    // accumulation buffer can never arrive whole. Neither is a frame.
    if (length < kFrameMinSize || length > kComRecvBufSize) {
      ++start;
      continue;
    }
    if (start + length > count) {
      // Incomplete: the next call tries again. A complete reply further on
      // is still taken now, so a stray header (line noise, a cut-off frame)
      // whose length runs past the received bytes cannot hide it.
      ++start;
      continue;
    }
    if (buffer[start + length - 1] != kFrameEnd) {
      ++start;  // not a frame: resume one byte after its A5
      continue;
    }

    const uint8_t* frame = buffer + start;
    switch (frame[kFrameCommandOffset]) {
      case kCmdSearch: {
        m_serial_reply.assign(frame, frame + length);
        // Every separator yields a name, each longer than the one before;
        // the last one is kept. Both separator bytes lie inside the frame.
        int names = 0;
        for (size_t p = kNameOffset; p + 2 < length; ++p) {
          if (frame[p] == kSeparator && frame[p + 2] == kSeparator) {
            m_com_dev_name = QString::fromLatin1(reinterpret_cast<const char*>(frame + kNameOffset),
                                                 static_cast<qsizetype>(p - kNameOffset));
            ++names;
          }
        }
        return names;
      }
      case kCmdStateReply:
        if (m_main_com_dev_type != device_type::kMultiviewer) return 0;
        m_serial_reply.assign(frame, frame + length);
        store_serial_state_reply(std::span<const uint8_t>(frame, length));
        return 1;
      default:
        // Another device message: look on after its command byte.
        start += kFrameCommandOffset + 1;
        continue;
    }
  }
  return 0;
}

void DeviceLink::accumulate_serial_bytes(const uint8_t* bytes, uint32_t n) {
  if (bytes == nullptr || n == 0) return;
  if (n > kComRecvBufSize) {
    // More than the buffer holds in one go: only the newest bytes can still
    // begin a reply that fits.
    bytes += n - kComRecvBufSize;
    n = kComRecvBufSize;
  }
  if (m_com_recv_len + n > kComRecvBufSize) {
    std::memset(m_com_recv_buf, 0, sizeof m_com_recv_buf);
    m_com_recv_len = 0;
  }
  std::memcpy(m_com_recv_buf + m_com_recv_len, bytes, n);
  m_com_recv_len += n;
}

void DeviceLink::poll_serial_input() {
  const auto pending = m_comm.pending_input();
  if (!pending || *pending == 0) return;
  uint8_t bytes[kSerialPollMax];
  const size_t got = m_comm.read_port(bytes, std::min(*pending, kSerialPollMax));
  accumulate_serial_bytes(bytes, static_cast<uint32_t>(got));
}
