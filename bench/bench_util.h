#pragma once
// Small measuring helpers shared by the benchmarks.
#include <sys/resource.h>

#include <cstdio>

// User plus system CPU seconds of this process so far.
inline double cpu_seconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <utility>
#include <vector>

// Longest gap between the ticks of a short precise timer on the
// user-interface thread: how long the thread went without handling events.
struct StallProbe {
  QElapsedTimer clock;
  qint64 last = -1, worst = 0;
  int ticks = 0;
  QTimer ticker;
  explicit StallProbe(int interval_ms = 5) {
    ticker.setInterval(interval_ms);
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [this] {
      const qint64 now = clock.elapsed();
      if (last >= 0) worst = std::max(worst, now - last);
      last = now;
      ++ticks;
    });
  }
  void start() {
    clock.restart();
    last = -1;
    worst = 0;
    ticks = 0;
    ticker.start();
    QApplication::processEvents();
  }
  void stop() { ticker.stop(); }
  // Measures while `work` runs, from its start to its end (the stretch from
  // the last tick to the end counts as well).
  template <class F>
  void run(F&& work) {
    ticker.start();
    QApplication::processEvents();
    clock.start();
    last = 0;
    worst = 0;
    ticks = 0;
    std::forward<F>(work)();
    worst = std::max(worst, clock.elapsed() - last);
    ticker.stop();
  }
};

// The p-quantile (0..1) of a sample.
inline double percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[static_cast<size_t>(p * static_cast<double>(v.size() - 1))];
}

// Resident memory of this process in KiB.
inline long resident_kib() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * 4;
}

#include <cstdint>

#include "app/simulator_link.h"

// Simulator options on four loopback ports from `base` (the panel's command
// port, the device port, the switcher's two ports) and the broadcast address
// of loopback, with the panel's link options set to match.
inline devsim::Options loopback_link(uint16_t base) {
  const devsim::Options o = loopback_simulator_options(base);
  point_link_at_simulator(link_options(), o);
  return o;
}
