// The panel on the real ports and the real broadcast address, kept inside
// network namespaces made for the test.
#include <gtest/gtest.h>

#include <QProcess>

namespace {
TEST(PanelInNamespaces, SearchesOnTheRealPortsAndBroadcastAddress) {
  QProcess run;
  run.setProcessChannelMode(QProcess::MergedChannels);
  run.start(QStringLiteral(KELVARO_SOURCE_DIR "/tests/e2e/netns_search.sh"),
            {QStringLiteral(KELVARO_BINARY_DIR "/kelvaro_multiview"),
             QStringLiteral(KELVARO_BINARY_DIR "/tools/devsim/devsim")});
  ASSERT_TRUE(run.waitForStarted(5000));
  if (!run.waitForFinished(60000)) {
    run.kill();
    run.waitForFinished(5000);
    FAIL() << "the namespace run did not finish";
  }
  const QString out = QString::fromLocal8Bit(run.readAll());
  if (run.exitCode() == 77) GTEST_SKIP() << out.trimmed().toStdString();
  EXPECT_EQ(run.exitCode(), 0) << out.toStdString();
  EXPECT_TRUE(out.contains("PASS")) << out.toStdString();
}
}  // namespace
