#include "link/trace.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace {
std::mutex g_mutex;
std::function<void(const std::string&)> g_sink;
}  // namespace

void set_trace_sink(std::function<void(const std::string&)> sink) {
  std::lock_guard lock(g_mutex);
  g_sink = std::move(sink);
}

void trace(const char* fmt, ...) {
  char line[1024];
  va_list args;
  va_start(args, fmt);
  std::vsnprintf(line, sizeof line, fmt, args);
  va_end(args);
  std::lock_guard lock(g_mutex);
  std::fputs(line, stdout);
  std::fflush(stdout);
  if (g_sink) g_sink(line);
}
