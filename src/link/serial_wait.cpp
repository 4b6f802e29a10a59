#include "link/serial_comm.h"
#include "link/wait.h"

bool CSerialComm::wait_input(uint32_t wait_ms) {
  const int fd = m_fd.load();
  if (fd == -1) {
    pause_ms(wait_ms);
    return false;
  }
  if (wait_readable(fd, wait_ms)) {
    const auto pending = pending_input();
    if (pending && *pending > 0) return true;
    // Readable without data: the far end hung up or the line failed. Sleep
    // out the wait rather than return at once and let the caller spin.
    pause_ms(wait_ms);
  }
  return false;
}
