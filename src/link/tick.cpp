#include "link/tick.h"

#include <atomic>
#include <chrono>

namespace {
std::atomic<uint32_t> g_offset{0};
}

uint32_t tick_ms() {
  using namespace std::chrono;
  const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  return static_cast<uint32_t>(ms) + g_offset.load(std::memory_order_relaxed);
}

void set_tick_offset(uint32_t offset) { g_offset.store(offset, std::memory_order_relaxed); }
