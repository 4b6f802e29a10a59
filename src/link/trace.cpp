#include "link/trace.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

// Debug lines are off by default: the panel is used without a console and
// the lines would only fill a terminal it was started from.
Q_LOGGING_CATEGORY(lcLink, "kelvaro.link", QtInfoMsg)
Q_LOGGING_CATEGORY(lcDiscovery, "kelvaro.discovery", QtInfoMsg)
Q_LOGGING_CATEGORY(lcMultiviewer, "kelvaro.multiviewer", QtInfoMsg)
Q_LOGGING_CATEGORY(lcMatrix, "kelvaro.matrix", QtInfoMsg)
Q_LOGGING_CATEGORY(lcProcessor, "kelvaro.processor", QtInfoMsg)
Q_LOGGING_CATEGORY(lcSwitcher, "kelvaro.switcher", QtInfoMsg)
Q_LOGGING_CATEGORY(lcShow, "kelvaro.show", QtInfoMsg)

namespace {
std::mutex g_mutex;
std::function<void(const std::string&)> g_sink;
}  // namespace

void set_trace_sink(std::function<void(const std::string&)> sink) {
  std::lock_guard lock(g_mutex);
  g_sink = std::move(sink);
}

void enable_all_trace() {
  QLoggingCategory::setFilterRules(QStringLiteral("kelvaro.*.debug=true"));
}

void trace(const QLoggingCategory& category, const char* fmt, ...) {
  const bool shown = category.isDebugEnabled();
  {
    std::lock_guard lock(g_mutex);
    if (!shown && !g_sink) return;
  }
  char line[1024];
  va_list args;
  va_start(args, fmt);
  std::vsnprintf(line, sizeof line, fmt, args);
  va_end(args);
  if (shown) {
    // The message handler ends every message with its own newline.
    QString text = QString::fromLocal8Bit(line);
    if (text.endsWith(QLatin1Char('\n'))) text.chop(1);
    QMessageLogger(nullptr, 0, nullptr).debug(category).noquote() << text;
  }
  std::lock_guard lock(g_mutex);
  if (g_sink) g_sink(line);
}
