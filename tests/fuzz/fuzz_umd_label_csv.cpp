// Fuzz target: the UMD label file reader (read_umd_csv), over arbitrary
// file contents.
//
// Properties:
//   - a refused file names a line of the file and a reason, and yields no
//     label at all;
//   - every label of a taken file fits the device's 16 UTF-16 units and holds
//     no control character;
//   - what the reader takes, the writer writes back so that the reader takes
//     exactly the same labels again (the windows the file left out as " ",
//     the panel's start text);
//   - the same bytes give the same result twice.
#include <algorithm>

#include "devices/multiviewer/umd_label_csv.h"
#include "target_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fuzz::ExactCopy input(data, size);
  const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(input.block.get()),
                                                   static_cast<qsizetype>(size));
  const UmdCsvRead read = read_umd_csv(bytes);

  if (!read.ok()) {
    FUZZ_REQUIRE(read.bad_line >= 1);
    FUZZ_REQUIRE(read.bad_line <= bytes.count('\n') + 1);
    FUZZ_REQUIRE(!read.why.isEmpty());
    for (const auto& label : read.labels) FUZZ_REQUIRE(!label.has_value());
  } else {
    FUZZ_REQUIRE(read.why.isEmpty());
    std::array<QString, kUmdCsvWindows> all;
    for (int w = 0; w < kUmdCsvWindows; ++w) {
      const std::optional<QString>& label = read.labels[w];
      all[w] = label ? *label : QStringLiteral(" ");
      if (!label) continue;
      FUZZ_REQUIRE(label->size() <= kUmdTextMaxUnits);
      FUZZ_REQUIRE(std::none_of(label->begin(), label->end(),
                                [](QChar c) { return c.category() == QChar::Other_Control; }));
    }
    const UmdCsvRead again = read_umd_csv(write_umd_csv(all));
    FUZZ_REQUIRE(again.ok());
    for (int w = 0; w < kUmdCsvWindows; ++w) FUZZ_REQUIRE(again.labels[w] == all[w]);
  }

  const UmdCsvRead twice = read_umd_csv(bytes);
  FUZZ_REQUIRE(twice.bad_line == read.bad_line && twice.why == read.why);
  FUZZ_REQUIRE(twice.labels == read.labels);
  return 0;
}
