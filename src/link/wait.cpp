#include "link/wait.h"

#include <poll.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

#include "link/tick.h"

namespace {
// Longest stretch the window goes without handling paint events.
constexpr uint32_t kSliceMs = 8;
int g_depth = 0;

bool on_ui_thread() {
  QCoreApplication* app = QCoreApplication::instance();
  return app && QThread::currentThread() == app->thread();
}

bool poll_once(int fd, int timeout) {
  pollfd p{fd, POLLIN, 0};
  for (;;) {
    const int r = ::poll(fd >= 0 ? &p : nullptr, fd >= 0 ? 1 : 0, timeout);
    if (r < 0 && errno == EINTR) continue;
    return r > 0;
  }
}
}  // namespace

void pump_ui_events() {
  if (on_ui_thread()) QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

int ui_wait_depth() { return g_depth; }

bool wait_readable(int fd, uint32_t timeout_ms) {
  if (!on_ui_thread()) return poll_once(fd, static_cast<int>(timeout_ms));
  ++g_depth;
  const uint32_t t0 = tick_ms();
  bool readable = false;
  for (;;) {
    const uint32_t elapsed = ticks_since(t0);
    if (elapsed >= timeout_ms) {
      readable = fd >= 0 && poll_once(fd, 0);
      break;
    }
    const uint32_t slice = std::min(kSliceMs, timeout_ms - elapsed);
    if (poll_once(fd, static_cast<int>(slice))) {
      readable = true;
      break;
    }
    pump_ui_events();
  }
  --g_depth;
  return readable;
}

void pause_ms(uint32_t ms) { wait_readable(-1, ms); }
