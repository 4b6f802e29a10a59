// Fuzz target: the serial reply reader (DeviceLink::parse_serial_reply) with
// its search and state branches, the multiviewer decoder it hands state
// replies to, and the 1024-byte accumulation across reads.
//
// The input is read twice, whole, from a buffer of exactly its size, each
// time by a fresh link: both runs must agree in everything they found. Then
// the same bytes go through one link the way a polling exchange delivers
// them, in passes of at most 256 bytes accumulated into m_com_recv_buf with
// the reader run after every pass; the pass sizes come from the input, so
// the fuzzer explores the splits too.
//
// Properties of every reader run:
//   - the result lies in 0 .. count; a state reply yields 1 and is handed
//     to the decoder exactly once, a search reply never is;
//   - a handed-over frame lies inside the scanned bytes, starts A5 6C, ends
//     AE, carries 0x32, its length field equals its size (20 .. 1024), and it
//     came from a multiviewer (type A1); decoded as the main window does
//     (DecodeStateReply, serial), the model keeps its ranges;
//   - a search reply's name is the Latin-1 text from offset 18 of a frame
//     start in the scanned bytes up to a "-x-" separator, and the type stored
//     for row 0 is the type learned.
// Properties of the accumulation: the buffer holds exactly the bytes fed
// since it was last cleared (the newest 1024 of a longer read), is cleared
// only when the next read would not fit, and is zero past its length.
#include <algorithm>
#include <vector>

#include "devices/multiviewer/mv_state_reply.h"
#include "link/device_link.h"
#include "target_support.h"

namespace {
using Bytes = std::vector<uint8_t>;
constexpr uint8_t kMultiviewerType = 0xA1;
constexpr uint8_t kStateReplyCommand = 0x32;
constexpr size_t kSerialPassMax = 256;

// What one reader run found, in a form two runs can be compared by.
struct ReaderResult {
  int found = 0;
  uint8_t learned_type = 0;
  uint8_t row_type = 0;
  uint8_t row_id = 0;
  QString name;
  std::vector<Bytes> state_frames;
  std::vector<MultiviewerModel> models;
};

bool same_result(const ReaderResult& a, const ReaderResult& b) {
  if (a.found != b.found || a.learned_type != b.learned_type || a.row_type != b.row_type ||
      a.row_id != b.row_id || a.name != b.name || a.state_frames != b.state_frames ||
      a.models.size() != b.models.size())
    return false;
  for (size_t i = 0; i < a.models.size(); ++i)
    if (!fuzz::same_model(a.models[i], b.models[i])) return false;
  return true;
}

// A link whose state-reply hook does what the main window's does, decoding
// into a multiviewer model, after checking the frame it was handed.
class CheckedLink : public DeviceLink {
 public:
  std::span<const uint8_t> m_scanned;
  std::vector<Bytes> m_state_frames;
  std::vector<MultiviewerModel> m_models;

  ReaderResult run(std::span<const uint8_t> bytes) {
    m_scanned = bytes;
    m_state_frames.clear();
    m_models.clear();
    ReaderResult out;
    out.found = parse_serial_reply(bytes.data(), static_cast<uint32_t>(bytes.size()));
    out.learned_type = m_main_com_dev_type;
    out.row_type = m_device_table[0].dev_type;
    out.row_id = m_device_table[0].dev_id;
    out.name = m_com_dev_name;
    out.state_frames = m_state_frames;
    out.models = m_models;
    check(out);
    return out;
  }

 protected:
  void store_serial_state_reply(std::span<const uint8_t> frame) override {
    FUZZ_REQUIRE(frame.data() >= m_scanned.data() &&
                 frame.data() + frame.size() <= m_scanned.data() + m_scanned.size());
    FUZZ_REQUIRE(frame.size() >= kFrameMinSize && frame.size() <= kComRecvBufSize);
    FUZZ_REQUIRE(frame[0] == kFrameStart0 && frame[1] == kFrameStart1);
    FUZZ_REQUIRE(frame.back() == kFrameEnd);
    FUZZ_REQUIRE(frame[kFrameCommandOffset] == kStateReplyCommand);
    FUZZ_REQUIRE(m_main_com_dev_type == kMultiviewerType && frame[4] == kMultiviewerType);
    FUZZ_REQUIRE((frame[2] | (frame[3] << 8)) == static_cast<int>(frame.size()));
    m_state_frames.emplace_back(frame.begin(), frame.end());
    MultiviewerModel model;
    DecodeStateReply(model, frame, /*serial=*/true);
    fuzz::check_decoded_model(model);
    m_models.push_back(model);
  }

 private:
  // True when `name` sits at offset 18 of a frame start in the scanned bytes
  // and is followed by a "-x-" separator inside them.
  bool name_in_scanned(const QString& name) const {
    const size_t n = static_cast<size_t>(name.size());
    const std::span<const uint8_t> s = m_scanned;
    for (size_t at = 18; at + n + 3 <= s.size(); ++at) {
      if (s[at - 18] != kFrameStart0 || s[at - 17] != kFrameStart1) continue;
      if (s[at + n] != '-' || s[at + n + 2] != '-') continue;
      bool same = true;
      for (size_t i = 0; i < n && same; ++i)
        same = name[static_cast<qsizetype>(i)].unicode() == s[at + i];
      if (same) return true;
    }
    return false;
  }

  void check(const ReaderResult& out) const {
    FUZZ_REQUIRE(out.found >= 0 && static_cast<size_t>(out.found) <= m_scanned.size());
    FUZZ_REQUIRE(out.state_frames.size() <= 1);
    if (!out.state_frames.empty()) FUZZ_REQUIRE(out.found == 1);
    FUZZ_REQUIRE(out.row_type == out.learned_type);
    if (out.found > 0 && out.state_frames.empty()) {
      FUZZ_REQUIRE(static_cast<size_t>(out.name.size()) + 21 <= m_scanned.size());
      FUZZ_REQUIRE(name_in_scanned(out.name));
    }
  }
};

// The accumulation buffer as the 1024-byte rule says it must be.
struct ExpectedBuffer {
  Bytes bytes;
  void feed(std::span<const uint8_t> in) {
    if (in.size() > kComRecvBufSize) in = in.last(kComRecvBufSize);
    if (bytes.size() + in.size() > kComRecvBufSize) bytes.clear();
    bytes.insert(bytes.end(), in.begin(), in.end());
  }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const size_t count = std::min<size_t>(size, 1u << 20);
  const fuzz::ExactCopy input(data, count);

  CheckedLink first;
  const ReaderResult whole = first.run(input.bytes());
  CheckedLink second;
  FUZZ_REQUIRE(same_result(whole, second.run(input.bytes())));

  CheckedLink link;
  ExpectedBuffer expected;
  const auto feed = [&](const uint8_t* bytes, size_t n) {
    const fuzz::ExactCopy read(bytes, n);
    link.accumulate_serial_bytes(read.block.get(), static_cast<uint32_t>(n));
    expected.feed(read.bytes());
    FUZZ_REQUIRE(link.m_com_recv_len == expected.bytes.size());
    FUZZ_REQUIRE(std::equal(expected.bytes.begin(), expected.bytes.end(), link.m_com_recv_buf));
    FUZZ_REQUIRE(std::all_of(link.m_com_recv_buf + link.m_com_recv_len,
                             link.m_com_recv_buf + kComRecvBufSize,
                             [](uint8_t b) { return b == 0; }));
    return link.run(std::span<const uint8_t>(link.m_com_recv_buf, link.m_com_recv_len));
  };
  size_t at = 0;
  unsigned pass = 0;
  ReaderResult last;
  while (at < count) {
    const size_t step = 1 + (input.block[pass++ % count] % kSerialPassMax);
    const size_t n = std::min(step, count - at);
    last = feed(input.block.get() + at, n);
    at += n;
  }
  // Nothing was cleared when the whole input fits: the last pass scanned the
  // very same bytes as the whole run and finds the same replies.
  if (count > 0 && count <= kComRecvBufSize) {
    FUZZ_REQUIRE(last.found == whole.found);
    FUZZ_REQUIRE(last.state_frames == whole.state_frames);
  }
  // The whole input as one read on top of what is there (a read longer than
  // the buffer keeps its newest bytes).
  feed(input.block.get(), count);
  return 0;
}
