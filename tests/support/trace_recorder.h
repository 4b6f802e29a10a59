#pragma once
// Every trace line written while it lives, whether or not its category is
// shown. Lines may come from worker threads.
#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "link/trace.h"

class TraceRecorder {
 public:
  TraceRecorder() {
    set_trace_sink([this](const std::string& line) {
      std::lock_guard lock(m_mutex);
      m_lines.push_back(line);
    });
  }
  ~TraceRecorder() { set_trace_sink({}); }
  TraceRecorder(const TraceRecorder&) = delete;
  TraceRecorder& operator=(const TraceRecorder&) = delete;

  std::vector<std::string> lines() const {
    std::lock_guard lock(m_mutex);
    return m_lines;
  }
  int count(const std::string& line) const {
    const std::vector<std::string> all = lines();
    return static_cast<int>(std::count(all.begin(), all.end(), line));
  }

 private:
  mutable std::mutex m_mutex;
  std::vector<std::string> m_lines;
};
