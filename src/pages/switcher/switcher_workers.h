#pragma once
// The switcher page's two worker threads and the one record they share with
// the user-interface thread.
//
// Thread 1 blocks in poll() on the report socket and the stop pipe, and
// takes what is waiting in batches of up to 64 datagrams (recvmmsg). A report
// counts only when it comes from the selected switcher's address; the rest
// are dropped with a trace line now and then. A T-bar report moves the bar
// and sets `pre` and `direction` in one step under the record's lock, so
// thread 2 never sees the new position without the new `pre` and never echoes
// the report; of several in one batch only the last is applied (the bar
// would pass the others unseen). Every other report the page follows is
// handed to the owner (the page) through `on_reports`, a batch at a time,
// which folds them for the UI thread; the rest are dropped here.
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

#include "devices/switcher/switcher_report.h"
#include "devices/switcher/switcher_tbar.h"

class CSkinSlider;

class SwitcherWorkers {
 public:
  struct Callbacks {
    // Thread 1: reports the page follows, other than the T-bar's, in the
    // order they came.
    std::function<void(std::span<const SwitcherReport>)> on_reports;
    // Thread 2: a frame went out for this step.
    std::function<void(TbarCase kind)> on_step;
  };

  SwitcherWorkers(CSkinSlider* tbar, uint8_t direction, Callbacks callbacks);
  ~SwitcherWorkers();  // stops and joins both threads
  SwitcherWorkers(const SwitcherWorkers&) = delete;
  SwitcherWorkers& operator=(const SwitcherWorkers&) = delete;

  // Starts thread 1 on the report socket (not owned), following reports
  // from `switcher` alone (the selected switcher's IPv4 address), and thread 2.
  void start_receiver(int report_socket, in_addr switcher);
  void start_tbar_worker();
  // Clears the run flags, wakes both threads and waits until they have left.
  void stop();

  // Signals thread 2 that the bar may have moved. Any thread.
  void position_changed();

  uint8_t direction() const;
  int pre() const;

  bool receiver_running() const { return m_receiver.joinable(); }
  bool tbar_worker_running() const { return m_tbar_worker.joinable(); }

 private:
  void receive_loop(int fd, in_addr switcher);
  void tbar_loop();
  void apply_tbar_report(const TbarPlacement& placed);

  CSkinSlider* m_tbar;
  Callbacks m_callbacks;
  mutable std::mutex m_mutex;  // guards m_pre, m_direction and the bar's moves by reports
  int m_pre = kTbarMax;
  uint8_t m_direction = 1;
  std::atomic<bool> m_run_thread1{true};
  std::atomic<bool> m_run_thread2{true};
  int m_stop_pipe[2] = {-1, -1};  // readable once stop() has begun
  int m_moved_fd = -1;            // eventfd: the bar may have moved
  std::thread m_receiver;
  std::thread m_tbar_worker;
};
