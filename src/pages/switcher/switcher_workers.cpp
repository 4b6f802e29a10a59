#include "pages/switcher/switcher_workers.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <vector>

#include "controls/skin_slider.h"
#include "devices/switcher/switcher_device.h"
#include "link/trace.h"
#include "pages/switcher/switcher_sub_page_parts.h"

SwitcherWorkers::SwitcherWorkers(CSkinSlider* tbar, uint8_t direction, Callbacks callbacks)
    : m_tbar(tbar), m_callbacks(std::move(callbacks)), m_direction(direction) {
  if (::pipe2(m_stop_pipe, O_CLOEXEC | O_NONBLOCK) != 0) m_stop_pipe[0] = m_stop_pipe[1] = -1;
  m_moved_fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  m_pre = tbar->GetPos();
}

SwitcherWorkers::~SwitcherWorkers() {
  stop();
  for (int fd : {m_stop_pipe[0], m_stop_pipe[1], m_moved_fd})
    if (fd != -1) ::close(fd);
}

void SwitcherWorkers::start_tbar_worker() {
  if (m_tbar_worker.joinable() || m_stop_pipe[0] == -1 || m_moved_fd == -1) return;
  m_tbar_worker = std::thread(&SwitcherWorkers::tbar_loop, this);
}

void SwitcherWorkers::stop() {
  m_run_thread2 = false;
  if (m_stop_pipe[1] != -1) {
    const char one = 1;
    [[maybe_unused]] const ssize_t w = ::write(m_stop_pipe[1], &one, 1);
  }
  if (m_tbar_worker.joinable()) m_tbar_worker.join();
}

void SwitcherWorkers::position_changed() {
  if (m_moved_fd == -1) return;
  const uint64_t one = 1;
  [[maybe_unused]] const ssize_t w = ::write(m_moved_fd, &one, sizeof one);
}

uint8_t SwitcherWorkers::direction() const {
  std::lock_guard lock(m_mutex);
  return m_direction;
}

int SwitcherWorkers::pre() const {
  std::lock_guard lock(m_mutex);
  return m_pre;
}

void SwitcherWorkers::apply_tbar_report(const TbarPlacement& placed) {
  std::lock_guard lock(m_mutex);
  m_tbar->SetPos(placed.position);
  m_pre = placed.pre;
  m_direction = placed.direction;
}

// Device reports, unasked, on the switcher's own port (decode_switcher_report).
void SwitcherWorkers::take_datagrams(ReportFeed::Datagrams datagrams) {
  m_reports.clear();
  decode_switcher_reports(datagrams, m_reports);
  // The T-bar reports leave the batch; the last of them places the bar.
  std::optional<TbarPlacement> last_tbar;
  for (const SwitcherReport& r : m_reports)
    if (r.kind == SwitcherReportKind::Tbar) last_tbar = r.tbar;
  std::erase_if(m_reports,
                [](const SwitcherReport& r) { return r.kind == SwitcherReportKind::Tbar; });
  if (last_tbar) apply_tbar_report(*last_tbar);
  if (!m_reports.empty() && m_callbacks.on_reports) m_callbacks.on_reports(m_reports);
}

void SwitcherWorkers::tbar_loop() {
  trace(lcSwitcher(), "enter 2 \n");
  while (m_run_thread2) {
    int cur = 0;
    uint8_t direction = 1;
    bool moved = false;
    {
      std::lock_guard lock(m_mutex);
      cur = m_tbar->GetPos();
      if (cur != m_pre) {
        trace(lcSwitcher(), "pre = %d,cur = %d ,direction = %d\n", m_pre, cur, m_direction);
        m_pre = cur;
        moved = true;
      }
      direction = m_direction;
    }
    if (!moved) {
      // Nothing new: sleep until the bar moves or the page closes. The
      // eventfd keeps a signal that came before this sleep, so none is lost.
      pollfd p[2] = {{m_moved_fd, POLLIN, 0}, {m_stop_pipe[0], POLLIN, 0}};
      if (::poll(p, 2, -1) < 0 && errno != EINTR) break;
      uint64_t count = 0;
      [[maybe_unused]] const ssize_t r = ::read(m_moved_fd, &count, sizeof count);
      continue;
    }
    const TbarStep step = classify_tbar(direction, cur);
    run_switcher_op(switcher_device::tbar, direction, step.value);
    if (step.kind == TbarCase::Complete) {
      // The next transition runs from this end.
      std::lock_guard lock(m_mutex);
      m_direction = direction == 1 ? 0 : 1;
    }
    if (m_callbacks.on_step) m_callbacks.on_step(step.kind);
  }
  trace(lcSwitcher(),
        "*************switcher thread 2 exit *****************************************\n");
}
