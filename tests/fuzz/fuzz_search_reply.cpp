// Fuzz target: the LAN search reply and its name rule (parse_search_names),
// over arbitrary datagrams from a buffer of exactly their size.
//
// Properties:
//   - names only from a full reply (A5 6C first, AE last) of type A1 that is
//     longer than 21 bytes;
//   - one name per separator pair ('-' at p and p + 2, p >= 18, p + 4 <=
//     size), in order: name k holds bytes 18 .. p_k - 1 widened as Latin-1,
//     so each name is a prefix of the next and no name reaches the last
//     three bytes;
//   - the same datagram gives the same names twice.
#include "link/search_reply.h"
#include "target_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fuzz::ExactCopy input(data, size);
  const std::span<const uint8_t> reply = input.bytes();
  const std::vector<QString> names = parse_search_names(reply);

  const bool readable = size > kSearchReplyNoNameMax && reply[0] == 0xA5 && reply[1] == 0x6C &&
                        reply[size - 1] == 0xAE && reply[4] == kSearchReplyMultiviewerType;
  if (!readable) {
    FUZZ_REQUIRE(names.empty());
  } else {
    size_t k = 0;
    for (size_t p = kSearchReplyNameOffset; p + 4 <= size; ++p) {
      if (reply[p] != '-' || reply[p + 2] != '-') continue;
      FUZZ_REQUIRE(k < names.size());
      const QString& name = names[k++];
      FUZZ_REQUIRE(static_cast<size_t>(name.size()) == p - kSearchReplyNameOffset);
      for (qsizetype i = 0; i < name.size(); ++i)
        FUZZ_REQUIRE(name[i].unicode() == reply[kSearchReplyNameOffset + static_cast<size_t>(i)]);
    }
    FUZZ_REQUIRE(k == names.size());
    for (size_t i = 1; i < names.size(); ++i) FUZZ_REQUIRE(names[i].startsWith(names[i - 1]));
    for (const QString& name : names)
      FUZZ_REQUIRE(static_cast<size_t>(name.size()) + kSearchReplyNameOffset + 4 <= size);
  }

  FUZZ_REQUIRE(parse_search_names(reply) == names);
  return 0;
}
