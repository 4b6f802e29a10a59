#pragma once
// The serial port of the panel, on POSIX termios. One object lives in the main
// window for the whole run; the connection settings open and close it.
//
// Threads: the user-interface thread opens, closes, writes and polls the
// input queue; a monitor thread started by open_port waits for line events
// and never consumes received bytes, so they stay queued for the polling
// readers. Writes are asynchronous: write_port hands the driver what it takes
// without waiting, queues the rest for a writer thread and returns at once; a
// write issued while an earlier one is still going out is queued whole behind
// it and never disturbs it.
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

class CSerialComm {
 public:
  CSerialComm();
  ~CSerialComm();  // closes the port as close_port(500)
  CSerialComm(const CSerialComm&) = delete;
  CSerialComm& operator=(const CSerialComm&) = delete;

  // Opens the named device at the given baud, 8N1, exclusive. Every failure
  // returns false with the port closed. Names of 63 characters or more fail
  // without touching any device.
  bool open_port(const std::string& name, uint32_t baud);
  // Stops the monitor (waiting up to wait_ms), discards both queues, closes.
  void close_port(uint32_t wait_ms);
  bool is_open() const { return m_fd.load() != -1; }
  // Changes at every open and close, so an exchange that waited can tell
  // whether the port it began on is still the one open.
  uint64_t generation() const { return m_generation.load(); }
  const std::string& port_name() const { return m_port_name; }
  // Baud rate of the last successful open.
  uint32_t baud() const { return m_baud; }
  // Called on the opening thread after every successful open and every
  // close of an open port (the destructor's too).
  void set_open_listener(std::function<void()> listener) { m_open_listener = std::move(listener); }
  // Called once per opening when the line hangs up (the far end closed, the
  // adapter was pulled: poll() reports a hang-up or error, or the driver
  // refuses a read, write or queue count with EIO), with the generation of
  // that opening. It may be called on the monitor or writer thread, so it
  // must only hand the news on. Set it before the first open.
  void set_lost_listener(std::function<void(uint64_t generation)> listener) {
    m_lost_listener = std::move(listener);
  }
  // True from the hang-up until the port is closed or opened again.
  bool line_lost() const { return m_line_lost.load(); }

  // Bytes waiting in the input queue; no value when closed or on failure.
  std::optional<size_t> pending_input();
  // Reads up to n bytes (0 when closed or n is 0).
  size_t read_port(uint8_t* buffer, size_t n);
  // Starts an asynchronous write of n bytes; 0 when closed, n is 0 or the
  // write cannot be started, otherwise the bytes written so far.
  size_t write_port(const uint8_t* buffer, size_t n);
  // Reads and discards exactly the bytes pending now.
  void drain_input();
  // Sleeps until input is waiting or wait_ms has passed, keeping the window
  // painting when called on the user-interface thread. True when bytes wait.
  // The wait watches a duplicate of the descriptor, so a port closed or
  // reopened by something handled meanwhile cannot hand its number to
  // another file under the wait.
  bool wait_input(uint32_t wait_ms);

  // Blocks until every queued write has been handed to the driver (or
  // abandoned because the line failed), at most wait_ms. True when nothing
  // is left to write. Test support and orderly shutdown.
  bool flush_writes(uint32_t wait_ms);

  uint64_t total_read() const { return m_total_read.load(); }
  uint64_t total_written() const { return m_total_written.load(); }
  uint32_t option_bits() const { return m_option_bits; }
  // Line events the monitor has dispatched and the passes of its loop since
  // construction. Nobody registers for the events; the counts show that the
  // monitor runs, that it sleeps between checks, and that it has ended once
  // the line hung up.
  uint64_t line_events() const { return m_line_events.load(); }
  uint64_t monitor_passes() const { return m_monitor_passes.load(); }

 private:
  void monitor_loop(int fd);
  void writer_loop(int fd);
  // Writes one block within the write time-out. False when the line failed.
  bool write_block(int fd, const std::vector<uint8_t>& block);
  // Sleeps up to ms unless woken for shutdown; true when woken.
  bool sleep_or_wake(int ms) const;
  void stop_threads(uint32_t wait_ms);
  void thread_ended();
  // Records the hang-up of the line open now and tells the listener, once.
  void mark_line_lost(const char* how);

  std::atomic<int> m_fd{-1};
  std::atomic<uint64_t> m_generation{0};
  std::string m_port_name;
  uint32_t m_baud = 0;
  std::function<void()> m_open_listener;
  std::function<void(uint64_t)> m_lost_listener;
  std::atomic<bool> m_line_lost{false};
  const uint32_t m_option_bits = 3;  // monitor thread + asynchronous I/O
  std::atomic<bool> m_running{false};
  int m_wake_pipe[2] = {-1, -1};  // wakes the monitor and the writer out of poll()
  std::thread m_monitor;
  std::thread m_writer;
  // Guards the write queue, the writer's state and the count of live threads.
  std::mutex m_write_mutex;
  std::condition_variable m_write_cv;
  std::deque<std::vector<uint8_t>> m_write_queue;
  bool m_write_busy = false;  // the writer holds a block taken off the queue
  bool m_writer_run = false;  // cleared to stop the writer
  int m_threads_alive = 0;    // monitor and writer threads not yet ended
  std::atomic<uint64_t> m_total_read{0};
  std::atomic<uint64_t> m_total_written{0};
  std::atomic<uint64_t> m_line_events{0};
  std::atomic<uint64_t> m_monitor_passes{0};
};
