#include "link/wait.h"

#include <poll.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <cerrno>
#include <optional>
#include <vector>

namespace {
int g_depth = 0;
std::vector<void (*)()>& wait_end_hooks() {
  static std::vector<void (*)()> hooks;
  return hooks;
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

bool on_ui_thread() {
  QCoreApplication* app = QCoreApplication::instance();
  return app && QThread::currentThread() == app->thread();
}

void pump_ui_events() {
  if (on_ui_thread()) QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

int ui_wait_depth() { return g_depth; }

void add_wait_end_hook(void (*hook)()) { wait_end_hooks().push_back(hook); }

bool poll_readable(int fd, uint32_t timeout_ms) {
  return poll_once(fd, static_cast<int>(timeout_ms));
}

bool wait_readable(int fd, uint32_t timeout_ms) {
  if (!on_ui_thread()) return poll_once(fd, static_cast<int>(timeout_ms));
  if (fd >= 0 && poll_once(fd, 0)) return true;
  if (timeout_ms == 0) return false;
  ++g_depth;
  {
    QEventLoop loop;
    QTimer bound;
    bound.setSingleShot(true);
    bound.setTimerType(Qt::PreciseTimer);
    QObject::connect(&bound, &QTimer::timeout, &loop, &QEventLoop::quit);
    std::optional<QSocketNotifier> readable;
    if (fd >= 0) {
      readable.emplace(fd, QSocketNotifier::Read);
      QObject::connect(&*readable, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
    }
    bound.start(static_cast<int>(timeout_ms));
    loop.exec(QEventLoop::ExcludeUserInputEvents);
  }
  --g_depth;
  if (g_depth == 0)
    for (auto hook : wait_end_hooks()) hook();
  return fd >= 0 && poll_once(fd, 0);
}

void pause_ms(uint32_t ms) { wait_readable(-1, ms); }
