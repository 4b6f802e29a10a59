// Fuzz target: the matrix router's lock reply (matrix_lock_from_reply), over
// arbitrary datagrams from a buffer of exactly their size.
//
// Properties: a lock exactly for a full reply (A5 6C first, AE as the last
// received byte); the lock is byte 18, zero when the datagram is shorter;
// the same datagram gives the same answer twice.
#include "devices/matrix/matrix_commands.h"
#include "link/control_frame.h"
#include "target_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fuzz::ExactCopy input(data, size);
  const std::span<const uint8_t> reply = input.bytes();
  const std::optional<uint8_t> lock = matrix_lock_from_reply(reply);

  const bool full = size >= 2 && reply[0] == 0xA5 && reply[1] == 0x6C && reply[size - 1] == 0xAE;
  FUZZ_REQUIRE(lock.has_value() == full);
  if (lock) FUZZ_REQUIRE(*lock == (size > matrix_cmd::kLockReplyOffset ? reply[18] : 0));
  FUZZ_REQUIRE(matrix_lock_from_reply(reply) == lock);
  return 0;
}
