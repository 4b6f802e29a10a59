#include "pages/switcher/switcher_workers.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <vector>

#include "controls/skin_slider.h"
#include "devices/switcher/switcher_device.h"
#include "link/trace.h"
#include "pages/switcher/switcher_sub_page_parts.h"

namespace {
constexpr size_t kReportMax = 1400;
constexpr unsigned kReportBatch = 64;
// Reports from other senders are traced at most this often, with a count.
constexpr std::chrono::milliseconds kForeignTraceEvery{1000};

// Counts the reports that came from another address than the switcher's and
// writes a trace line for the first of a burst and then once a second, so a
// flood of them costs a counter, not a line each.
class ForeignReports {
 public:
  void count(const sockaddr_in& from, socklen_t length) {
    ++m_count;
    const auto now = std::chrono::steady_clock::now();
    if (m_traced && now - m_last < kForeignTraceEvery) return;
    char text[INET_ADDRSTRLEN] = "?";
    if (length >= sizeof(sockaddr_in) && from.sin_family == AF_INET)
      ::inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
    trace(lcSwitcher(),
          "switcher report from %s ignored, not the selected switcher (%llu so far)\n", text,
          static_cast<unsigned long long>(m_count));
    m_traced = true;
    m_last = now;
  }

 private:
  unsigned long long m_count = 0;
  bool m_traced = false;
  std::chrono::steady_clock::time_point m_last{};
};
}  // namespace

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

void SwitcherWorkers::start_receiver(int report_socket, in_addr switcher) {
  if (m_receiver.joinable() || m_stop_pipe[0] == -1) return;
  m_receiver = std::thread(&SwitcherWorkers::receive_loop, this, report_socket, switcher);
}

void SwitcherWorkers::start_tbar_worker() {
  if (m_tbar_worker.joinable() || m_stop_pipe[0] == -1 || m_moved_fd == -1) return;
  m_tbar_worker = std::thread(&SwitcherWorkers::tbar_loop, this);
}

void SwitcherWorkers::stop() {
  m_run_thread1 = false;
  m_run_thread2 = false;
  if (m_stop_pipe[1] != -1) {
    const char one = 1;
    [[maybe_unused]] const ssize_t w = ::write(m_stop_pipe[1], &one, 1);
  }
  if (m_receiver.joinable()) m_receiver.join();
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
void SwitcherWorkers::receive_loop(int fd, in_addr switcher) {
  trace(lcSwitcher(), "enter 1 \n");
  std::vector<uint8_t> buffers(size_t{kReportBatch} * kReportMax);
  std::array<sockaddr_in, kReportBatch> from{};
  std::array<iovec, kReportBatch> iov{};
  std::array<mmsghdr, kReportBatch> msgs{};
  std::vector<SwitcherReport> reports;
  reports.reserve(kReportBatch);
  ForeignReports foreign;
  while (m_run_thread1) {
    for (unsigned i = 0; i < kReportBatch; ++i) {
      iov[i] = {buffers.data() + size_t{i} * kReportMax, kReportMax};
      msgs[i].msg_hdr = {};
      msgs[i].msg_hdr.msg_name = &from[i];
      msgs[i].msg_hdr.msg_namelen = sizeof from[i];
      msgs[i].msg_hdr.msg_iov = &iov[i];
      msgs[i].msg_hdr.msg_iovlen = 1;
    }
    const int got = ::recvmmsg(fd, msgs.data(), kReportBatch, MSG_DONTWAIT, nullptr);
    if (got <= 0) {
      if (got < 0 && errno == EINTR) continue;
      pollfd p[2] = {{fd, POLLIN, 0}, {m_stop_pipe[0], POLLIN, 0}};
      if (::poll(p, 2, -1) < 0 && errno != EINTR) break;
      if (p[0].revents & (POLLERR | POLLNVAL)) break;
      continue;
    }
    reports.clear();
    bool tbar = false;
    TbarPlacement last_tbar{0, 0, 0};
    for (int i = 0; i < got; ++i) {
      const msghdr& h = msgs[i].msg_hdr;
      if (h.msg_namelen < sizeof(sockaddr_in) || from[i].sin_family != AF_INET ||
          from[i].sin_addr.s_addr != switcher.s_addr) {
        foreign.count(from[i], h.msg_namelen);
        continue;
      }
      const SwitcherReport report = decode_switcher_report(
          {buffers.data() + size_t{static_cast<unsigned>(i)} * kReportMax, msgs[i].msg_len});
      if (report.kind == SwitcherReportKind::Tbar) {
        tbar = true;
        last_tbar = report.tbar;
      } else if (report.kind != SwitcherReportKind::Ignored) {
        reports.push_back(report);
      }
    }
    if (tbar) apply_tbar_report(last_tbar);
    if (!reports.empty() && m_callbacks.on_reports) m_callbacks.on_reports(reports);
  }
  trace(lcSwitcher(),
        "*************switcher thread 1 exit *****************************************\n");
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
