#pragma once
// Diagnostic trace lines, printf-style, one logging category per subsystem.
// They are debug messages and stay silent unless asked for: `--trace` turns
// on every category, QT_LOGGING_RULES picks some ("kelvaro.matrix.debug=true").
// Tests may capture every line through a sink, whether shown or not.
#include <QLoggingCategory>
#include <functional>
#include <string>

Q_DECLARE_LOGGING_CATEGORY(lcLink)
Q_DECLARE_LOGGING_CATEGORY(lcDiscovery)
Q_DECLARE_LOGGING_CATEGORY(lcMultiviewer)
Q_DECLARE_LOGGING_CATEGORY(lcMatrix)
Q_DECLARE_LOGGING_CATEGORY(lcProcessor)
Q_DECLARE_LOGGING_CATEGORY(lcSwitcher)
Q_DECLARE_LOGGING_CATEGORY(lcShow)

void trace(const QLoggingCategory& category, const char* fmt, ...)
    __attribute__((format(printf, 2, 3)));

// Shows every trace category (the --trace option).
void enable_all_trace();

// Test support: also hand every formatted line to a sink (empty = none).
void set_trace_sink(std::function<void(const std::string&)> sink);
