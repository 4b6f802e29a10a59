#pragma once
// Diagnostic trace lines on standard output, printf-style. Not seen in normal
// use (the panel opens no console); tests may capture them.
#include <functional>
#include <string>

void trace(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// Test support: also hand every formatted line to a sink (empty = none).
void set_trace_sink(std::function<void(const std::string&)> sink);
