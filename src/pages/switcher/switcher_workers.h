#pragma once
// The switcher page's T-bar worker, what the page does with the reports the
// switcher's report feed (link/report_feed.h) hands it, and the one record
// they share with the user-interface thread.
//
// Reports: the feed's thread calls take_datagrams with a batch from the
// selected switcher. A T-bar report moves the bar and sets `pre` and
// `direction` in one step under the record's lock, so thread 2 never sees the
// new position without the new `pre` and never echoes the report; of several
// in one batch only the last is applied (the bar would pass the others
// unseen). Every other report the page follows is handed to the owner (the
// page) through `on_reports`, a batch at a time, which folds them for the UI
// thread; the rest are dropped here.
//
// Thread 2 sleeps on an eventfd that every change of the bar's position
// signals. Woken, it takes the latest position under the lock; when it
// differs from `pre` it sends the T-bar frame outside the lock (the send
// paces it at 10 ms) and hands the case (at start, part-way, complete) to
// the owner through `on_step`. Positions that came and went meanwhile are
// never sent.
#include <netinet/in.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "devices/switcher/switcher_report.h"
#include "devices/switcher/switcher_tbar.h"
#include "link/report_feed.h"

class CSkinSlider;

class SwitcherWorkers {
 public:
  struct Callbacks {
    // The feed's thread: reports the page follows, other than the T-bar's,
    // in the order they came.
    std::function<void(std::span<const SwitcherReport>)> on_reports;
    // Thread 2: a frame went out for this step.
    std::function<void(TbarCase kind)> on_step;
  };

  SwitcherWorkers(CSkinSlider* tbar, uint8_t direction, Callbacks callbacks);
  ~SwitcherWorkers();  // stops and joins the T-bar worker
  SwitcherWorkers(const SwitcherWorkers&) = delete;
  SwitcherWorkers& operator=(const SwitcherWorkers&) = delete;

  void start_tbar_worker();
  // Clears the run flag, wakes the worker and waits until it has left.
  void stop();

  // A batch of report datagrams from the selected switcher (the feed's
  // thread): decoded, the T-bar's applied, the rest handed on.
  void take_datagrams(ReportFeed::Datagrams datagrams);

  // Signals thread 2 that the bar may have moved. Any thread.
  void position_changed();

  uint8_t direction() const;
  int pre() const;

  bool tbar_worker_running() const { return m_tbar_worker.joinable(); }

 private:
  void tbar_loop();
  void apply_tbar_report(const TbarPlacement& placed);

  CSkinSlider* m_tbar;
  Callbacks m_callbacks;
  mutable std::mutex m_mutex;  // guards m_pre, m_direction and the bar's moves by reports
  int m_pre = kTbarMax;
  uint8_t m_direction = 1;
  std::atomic<bool> m_run_thread2{true};
  int m_stop_pipe[2] = {-1, -1};  // readable once stop() has begun
  int m_moved_fd = -1;            // eventfd: the bar may have moved
  std::thread m_tbar_worker;
  std::vector<SwitcherReport> m_reports;  // the feed's thread's own, reused
};
