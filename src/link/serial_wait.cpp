#include <fcntl.h>
#include <unistd.h>

#include "link/serial_comm.h"
#include "link/wait.h"

bool CSerialComm::wait_input(uint32_t wait_ms) {
  const int fd = m_fd.load();
  const int watched = fd == -1 ? -1 : ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
  if (watched == -1) {
    pause_ms(wait_ms);
    return false;
  }
  const uint64_t generation = m_generation.load();
  const bool readable = wait_readable(watched, wait_ms);
  ::close(watched);
  if (generation != m_generation.load()) return false;
  if (readable) {
    const auto pending = pending_input();
    if (pending && *pending > 0) return true;
    // Readable without data: the far end hung up or the line failed. Sleep
    // out the wait rather than return at once and let the caller spin.
    pause_ms(wait_ms);
  }
  return false;
}
