// Fuzz target: the serial reply reader over arbitrary bytes from the line.
// Each input is read twice: whole, from a buffer of exactly its size (a read
// past the received bytes hits the sanitizer's red zone), and then the way a
// polling exchange delivers it, in passes of at most 256 bytes accumulated
// into the 1024-byte receive buffer with the reader run after every pass.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "link/device_link.h"

namespace {
constexpr uint8_t kMultiviewerType = 0xA1;
constexpr uint8_t kStateReplyCommand = 0x32;

void require(bool ok) {
  if (!ok) __builtin_trap();
}

// Checks every frame the reader hands to the multiviewer decoder.
class CheckedLink : public DeviceLink {
 public:
  const uint8_t* m_lo = nullptr;
  const uint8_t* m_hi = nullptr;
  int m_state_calls = 0;

 protected:
  void store_serial_state_reply(std::span<const uint8_t> frame) override {
    ++m_state_calls;
    require(frame.data() >= m_lo && frame.data() + frame.size() <= m_hi);
    require(frame.size() >= kFrameMinSize && frame.size() <= kComRecvBufSize);
    require(frame[0] == kFrameStart0 && frame[1] == kFrameStart1);
    require(frame.back() == kFrameEnd);
    require(frame[kFrameCommandOffset] == kStateReplyCommand);
    require(m_main_com_dev_type == kMultiviewerType);
    require((frame[2] | (frame[3] << 8)) == static_cast<int>(frame.size()));
    // The decoder reads the whole frame: so does the check.
    volatile uint32_t sum = 0;
    for (uint8_t b : frame) sum = sum + b;
  }
};

int run_reader(CheckedLink& link, const uint8_t* bytes, uint32_t count) {
  link.m_lo = bytes;
  link.m_hi = bytes + count;
  link.m_state_calls = 0;
  const int found = link.parse_serial_reply(bytes, count);
  require(found >= 0 && static_cast<uint32_t>(found) <= count);
  // The decoder is called exactly when the reader reports a state reply
  // (a search reply never calls it).
  require(link.m_state_calls <= 1);
  if (link.m_state_calls == 1) require(found == 1);
  // A name is the bytes from offset 18 of a frame inside the input.
  if (found > 0 && link.m_state_calls == 0) {
    require(static_cast<uint32_t>(link.m_com_dev_name.size()) + 20 < count + 1);
  }
  return found;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static CheckedLink link;
  // Whole input, from a buffer of exactly its size.
  const uint32_t count = static_cast<uint32_t>(std::min<size_t>(size, 1u << 20));
  std::unique_ptr<uint8_t[]> exact(new uint8_t[count]);
  if (count > 0) std::memcpy(exact.get(), data, count);
  run_reader(link, exact.get(), count);

  // The same bytes as polling passes. The pass sizes come from the input
  // itself, so the fuzzer explores the splits too.
  std::memset(link.m_com_recv_buf, 0, sizeof link.m_com_recv_buf);
  link.m_com_recv_len = 0;
  uint32_t at = 0;
  unsigned pass = 0;
  while (at < count) {
    const uint32_t step = 1 + (exact[pass++ % count] % 256);
    const uint32_t n = std::min(step, count - at);
    link.accumulate_serial_bytes(exact.get() + at, n);
    at += n;
    require(link.m_com_recv_len <= kComRecvBufSize && link.m_com_recv_len >= n);
    run_reader(link, link.m_com_recv_buf, link.m_com_recv_len);
  }
  return 0;
}
