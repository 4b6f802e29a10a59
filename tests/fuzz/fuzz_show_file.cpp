// Fuzz target: the show file reader (read_show), over arbitrary file contents.
//
// Properties:
//   - a refused file yields no show and a reason;
//   - a taken show keeps every bound the panel relies on: names of at most
//     16 units, feeds within their ranges, colour codes 0..15, at most 16
//     TSL peers each way;
//   - what the reader takes, the writer writes so that the reader takes the
//     same show again.
#include "show/show_file.h"
#include "target_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fuzz::ExactCopy input(data, size);
  const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(input.block.get()),
                                                   static_cast<qsizetype>(size));
  const ShowRead read = read_show(bytes);
  if (!read.ok()) {
    FUZZ_REQUIRE(!read.error.isEmpty());
    return 0;
  }
  FUZZ_REQUIRE(read.error.isEmpty());
  const Show& s = *read.show;
  for (const QString& name : s.source_names) FUZZ_REQUIRE(name.size() <= kShowNameMaxUnits);
  auto feed_ok = [](const ShowFeed& f) {
    switch (f.kind) {
      case ShowFeed::Kind::None:
        return f.number == 0;
      case ShowFeed::Kind::RouterOutput:
        return f.number >= 1 && f.number <= kShowRouterPorts;
      case ShowFeed::Kind::Source:
        return f.number >= 1 && f.number <= kShowSources;
    }
    return false;
  };
  for (const ShowFeed& f : s.multiviewer_inputs) FUZZ_REQUIRE(feed_ok(f));
  for (const ShowFeed& f : s.switcher_inputs) FUZZ_REQUIRE(feed_ok(f));
  for (const ShowRoute& r : s.router_routes)
    FUZZ_REQUIRE(r.output >= 1 && r.output <= kShowRouterPorts && r.input >= 1 &&
                 r.input <= kShowRouterPorts);
  FUZZ_REQUIRE(s.program_colour < 16 && s.preview_colour < 16);
  FUZZ_REQUIRE(s.tsl_from.size() <= kShowTslPeersMax && s.tsl_send.size() <= kShowTslPeersMax);
  for (const ShowPeer& p : s.tsl_send) FUZZ_REQUIRE(p.port != 0);

  const ShowRead again = read_show(write_show(s));
  FUZZ_REQUIRE(again.ok());
  FUZZ_REQUIRE(*again.show == s);
  return 0;
}
