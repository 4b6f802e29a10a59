#include "link/trace.h"

#include <gtest/gtest.h>

#include <QLoggingCategory>
#include <QString>
#include <QStringList>

namespace {
QStringList g_messages;
void record(QtMsgType, const QMessageLogContext& context, const QString& text) {
  g_messages << QString::fromLatin1(context.category) + QStringLiteral(": ") + text;
}

// Trace lines are silent until asked for; then they show with their exact
// text under their subsystem's category, and a test sink sees them either way.
TEST(Trace, SilentByDefaultShownExactlyWhenAskedFor) {
  std::vector<std::string> sunk;
  set_trace_sink([&](const std::string& line) { sunk.push_back(line); });
  const QtMessageHandler previous = qInstallMessageHandler(record);
  g_messages.clear();

  trace(lcMultiviewer(), "wait time over \n");
  EXPECT_TRUE(g_messages.isEmpty());

  enable_all_trace();
  trace(lcMultiviewer(), "wait time over \n");
  trace(lcMatrix(), "line %d umdNameLen is wrong\n", 2);
  QLoggingCategory::setFilterRules(QString());
  trace(lcLink(), "com \n");

  qInstallMessageHandler(previous);
  set_trace_sink({});
  EXPECT_EQ(g_messages, (QStringList{"kelvaro.multiviewer: wait time over ",
                                     "kelvaro.matrix: line 2 umdNameLen is wrong"}));
  EXPECT_EQ(sunk, (std::vector<std::string>{"wait time over \n", "wait time over \n",
                                            "line 2 umdNameLen is wrong\n", "com \n"}));
}
}  // namespace
