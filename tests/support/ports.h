#pragma once
// UDP ports for tests. Test programs run in parallel, so each process takes
// its own block of ports derived from its pid; a test takes consecutive ports
// from the block with next_test_port().
#include <unistd.h>

#include <atomic>
#include <cstdint>

inline uint16_t test_port_base() {
  return static_cast<uint16_t>(20000 + (static_cast<unsigned>(getpid()) % 3000) * 10);
}

// Hands out ports test_port_base() .. +9 in turn, then wraps.
inline uint16_t next_test_port() {
  static std::atomic<unsigned> next{0};
  return static_cast<uint16_t>(test_port_base() + (next++ % 10));
}
