// The UMD label reader's length rule: a label may have as many UTF-16 units
// as the device keeps (kUmdTextMaxUnits), no more; a character outside the
// basic plane counts as two.
#include "devices/multiviewer/umd_label_csv.h"

#include <gtest/gtest.h>

namespace {
TEST(UmdLabelCsv, LabelsUpToTheDevicesSixteenUnitsAreTakenLongerOnesRefused) {
  const UmdCsvRead full = read_umd_csv("1,ABCDEFGHIJKLMNOP\n2,ABCDEFGHIJKLMN\xF0\x9F\x8E\xA5\n");
  ASSERT_TRUE(full.ok()) << full.why.toStdString();
  EXPECT_EQ(full.labels[0], QStringLiteral("ABCDEFGHIJKLMNOP"));
  EXPECT_EQ(full.labels[1]->size(), kUmdTextMaxUnits);

  for (const QByteArray file : {QByteArray("1,A\n2,ABCDEFGHIJKLMNOPQ\n"),
                                QByteArray("1,A\n2,ABCDEFGHIJKLMNO\xF0\x9F\x8E\xA5\n")}) {
    const UmdCsvRead read = read_umd_csv(file);
    EXPECT_EQ(read.bad_line, 2) << file.toStdString();
    EXPECT_TRUE(read.why.contains(QLatin1String("label of 17 characters (at most 16)")))
        << read.why.toStdString();
    EXPECT_FALSE(read.labels[0].has_value()) << "a refused file yields no label";
  }
}
}  // namespace
