// Fuzz target: the TSL UMD parsers (parse_tsl5, parse_tsl31), over arbitrary
// datagrams.
//
// Properties:
//   - a refused datagram yields nothing and a reason;
//   - 5.0: the texts taken hold no control character and never more
//     characters than the datagram has bytes; a message built from a taken
//     one is taken back with the same index and tallies;
//   - 3.1: one message per 18 bytes, addresses 0..126, texts of at most 16
//     printable characters.
#include "show/tsl_umd.h"
#include "target_support.h"

namespace {
bool printable(const QString& text) {
  for (QChar c : text)
    if (c.category() == QChar::Other_Control) return false;
  return true;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fuzz::ExactCopy input(data, size);
  const Tsl5Parse v5 = parse_tsl5(input.bytes());
  if (!v5.packet) {
    FUZZ_REQUIRE(v5.why != nullptr);
  } else {
    for (const Tsl5Message& m : v5.packet->messages) {
      if (!m.text) continue;
      FUZZ_REQUIRE(printable(*m.text));
      FUZZ_REQUIRE(static_cast<size_t>(m.text->size()) <= size);
      const std::vector<uint8_t> built = build_tsl5_packet(v5.packet->screen, m);
      FUZZ_REQUIRE(built.size() <= kTsl5MaxPacket);
      const Tsl5Parse back = parse_tsl5(built);
      FUZZ_REQUIRE(back.packet && back.packet->messages.size() == 1);
      const Tsl5Message& b = back.packet->messages[0];
      FUZZ_REQUIRE(b.index == m.index && b.right == m.right && b.left == m.left &&
                   b.text_tally == m.text_tally && b.brightness == m.brightness);
      FUZZ_REQUIRE(b.text && b.text->size() == m.text->size());
    }
  }
  const Tsl31Parse v31 = parse_tsl31(input.bytes());
  if (v31.messages.empty()) {
    FUZZ_REQUIRE(v31.why != nullptr);
  } else {
    FUZZ_REQUIRE(v31.messages.size() * kTsl31MessageBytes == size);
    for (const Tsl31Message& m : v31.messages) {
      FUZZ_REQUIRE(m.address <= 126);
      FUZZ_REQUIRE(m.text.size() <= 16 && printable(m.text));
    }
  }
  return 0;
}
