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
  QTimer ticker;
  explicit StallProbe(int interval_ms = 5) {
    ticker.setInterval(interval_ms);
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [this] {
      const qint64 now = clock.elapsed();
      if (last >= 0) worst = std::max(worst, now - last);
      last = now;
    });
  }
  void start() {
    clock.restart();
    last = -1;
    worst = 0;
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

#include "devsim/simulator.h"
#include "link/link_options.h"

// Simulator options on four loopback ports from `base` (the panel's command
// port, the device port, the switcher's two ports) and the broadcast address
// of loopback, with the panel's link options set to match.
inline devsim::Options loopback_link(uint16_t base) {
  devsim::Options o;
  o.bind_port = base;
  o.device_port = static_cast<uint16_t>(base + 1);
  o.switcher_bind_port = static_cast<uint16_t>(base + 2);
  o.switcher_device_port = static_cast<uint16_t>(base + 3);
  o.search_address = "127.255.255.255";
  LinkOptions& link = link_options();
  link.bind_port = o.bind_port;
  link.device_port = o.device_port;
  link.switcher_bind_port = o.switcher_bind_port;
  link.switcher_device_port = o.switcher_device_port;
  link.search_address = o.search_address;
  return o;
}
