#pragma once
// The millisecond tick counter every bounded wait measures with. It wraps at
// 2^32 like the platform counter the devices' timing was designed around;
// elapsed times are always computed as unsigned 32-bit differences.
#include <cstdint>
#include <functional>

uint32_t tick_ms();

// Elapsed milliseconds from t0 to now, harmless across the wrap.
inline uint32_t ticks_since(uint32_t t0) { return tick_ms() - t0; }

// Test support: shifts the counter by an offset so wrap-around can be
// exercised (the counter still advances in real time).
void set_tick_offset(uint32_t offset);
