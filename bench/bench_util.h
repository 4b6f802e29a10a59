#pragma once
// Small measuring helpers shared by the benchmarks.
#include <sys/resource.h>

// User plus system CPU seconds of this process so far.
inline double cpu_seconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}
