#pragma once
// Helpers shared by the fuzz targets: a property check that stops the run
// with a message (libFuzzer then saves the input), an exact-size copy of the
// input, and the checks of a decoded multiviewer model.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <span>

#include "devices/multiviewer/mv_model.h"

#define FUZZ_REQUIRE(cond)                                                             \
  do {                                                                                 \
    if (!(cond)) {                                                                     \
      std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #cond); \
      std::abort();                                                                    \
    }                                                                                  \
  } while (0)

namespace fuzz {

// The input in a heap block of exactly its size: a read one byte past the
// received bytes lands in AddressSanitizer's red zone.
struct ExactCopy {
  ExactCopy(const uint8_t* data, size_t size) : block(new uint8_t[size]), size(size) {
    if (size > 0) std::memcpy(block.get(), data, size);
  }
  std::span<const uint8_t> bytes() const { return {block.get(), size}; }
  std::unique_ptr<uint8_t[]> block;
  size_t size;
};

// True when the two models hold the same values in every field.
bool same_model(const MultiviewerModel& a, const MultiviewerModel& b);

// Ranges a state decoded into a fresh model must keep, whatever the reply
// held: the window
// count is one a screen mode has and agrees with the mode index, the indexes
// stay inside their tables, the show flags are 0 or 1, every label fits the
// device's 16 units and has no zero unit, and the state is marked as read.
// The fields the decoder does not own keep their start values.
void check_decoded_model(const MultiviewerModel& model);

}  // namespace fuzz
