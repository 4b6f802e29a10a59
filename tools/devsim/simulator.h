#pragma once
// A set of simulated devices on loopback and, optionally, one on a
// pseudo-terminal, served by one thread that sleeps in poll().
//
// LAN: device k (0-based) binds its own address, first_address + k
// (127.0.0.2, 127.0.0.3, ...), on the device port; a switcher also binds the
// switcher device port. The search goes to the broadcast address, which no
// socket bound to 127.0.0.X receives, so the simulator has one more socket
// bound to the search address (SO_REUSEADDR/SO_REUSEPORT) and answers every
// search from each device's own socket, so the panel sees each device's own
// address as the sender. Replies go to the sender's address at the panel's
// command port (bind_port; 0 = the sender's port); switcher reports go to the
// last panel address that spoke to the switcher (panel_address before that)
// at the switcher bind port.
//
// Serial: a device with transport Serial sits on the master side of a
// pseudo-terminal; the panel opens serial_name().
//
// Every unit received is checked (start bytes, length field, checksum, link
// byte, end byte; syntax for text), recorded with its time, transport and
// sender, counted as bad when wrong (and then ignored, as a device drops it),
// and otherwise applied by the device it reached.
#include <netinet/in.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "devsim/device_state.h"
#include "devsim/serial_assembler.h"

namespace devsim {

enum class Transport { Udp, Serial };

struct DeviceSpec {
  uint8_t type = kTypeMultiviewer;
  uint8_t id = 1;
  std::string name;  // empty: "<KIND>_<n>", for example MV16_1
  Transport transport = Transport::Udp;

  static DeviceSpec lan(uint8_t type, uint8_t id = 1, std::string name = {}) {
    return {type, id, std::move(name), Transport::Udp};
  }
  static DeviceSpec serial(uint8_t type, uint8_t id = 1, std::string name = {}) {
    return {type, id, std::move(name), Transport::Serial};
  }
};

struct Options {
  uint16_t bind_port = 7000;             // the panel's command port: replies go there
  uint16_t device_port = 7000;           // every device listens here
  uint16_t switcher_bind_port = 7001;    // the panel's switcher port: reports go there
  uint16_t switcher_device_port = 7001;  // switchers also listen here
  std::string search_address = "127.255.255.255";
  std::string first_address = "127.0.0.2";
  std::string panel_address = "127.0.0.1";  // report target before the panel has spoken
  std::vector<DeviceSpec> devices;
};

struct DeviceInfo {
  int index = 0;
  Kind kind = Kind::Generic;
  uint8_t type = 0;
  uint8_t id = 0;
  std::string name;
  Transport transport = Transport::Udp;
  std::string address;         // "127.0.0.2", or the pseudo-terminal's slave name
  uint16_t port = 0;           // device port (LAN)
  uint16_t switcher_port = 0;  // switchers on the LAN
};

struct ReceivedFrame {
  std::chrono::steady_clock::time_point time;
  int device = -1;  // index of the device that received it; -1: the shared search socket
  Transport transport = Transport::Udp;
  std::string sender;         // "a.b.c.d:port", or the slave name of the pseudo-terminal
  uint16_t local_port = 0;    // port it arrived on (LAN)
  bool text = false;          // a plain text command, not a frame
  bool bad = false;           // failed the check; the device ignored it
  bool misaddressed = false;  // bytes 4, 5 neither the device's nor the search's
  std::string problem;        // why it is bad, or why the device rejected it
  bool rejected = false;      // well formed, but the device did not take it
  std::vector<uint8_t> bytes;

  // Byte 16 of a frame; 0 for text and short units.
  uint8_t command() const { return !text && bytes.size() > 16 ? bytes[16] : 0; }
  std::string text_command() const { return std::string(bytes.begin(), bytes.end()); }
};

using FrameFilter = std::function<bool(const ReceivedFrame&)>;

// The name a device gets when its spec names none: MV16_1, MATRIX_2, ...
std::string default_device_name(Kind kind, int ordinal);

struct Faults {
  int reply_delay_ms = 0;      // every reply leaves this late
  int drop_replies = 0;        // replies still to drop; negative: drop every reply
  size_t garbage_bytes = 0;    // bytes of garbage sent before each reply
  size_t truncate_to = 0;      // replies cut to this many bytes (0: whole)
  bool wrong_command = false;  // replies carry command + 1 (checksum still right)
  int duplicates = 0;          // extra copies of each reply
  uint8_t label_length = 0;    // non-zero: every label length byte of a state reply
  int flood_per_second = 0;    // switcher: reports sent unasked at this rate
};

class Simulator {
 public:
  using Clock = std::chrono::steady_clock;

  explicit Simulator(Options options);
  ~Simulator();
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  // Binds every socket, opens the pseudo-terminal and starts the thread.
  // False (with the reason in *error) when something could not be set up.
  bool start(std::string* error = nullptr);
  void stop();
  bool running() const { return m_thread.joinable(); }
  const Options& options() const { return m_options; }

  int device_count() const { return static_cast<int>(m_devices.size()); }
  DeviceInfo device(int index) const;
  std::vector<DeviceInfo> devices() const;
  // Slave name of the pseudo-terminal ("" without a serial device).
  std::string serial_name() const { return m_pty_name; }
  // Index of the serial device, -1 without one.
  int serial_device() const { return m_serial_device; }

  // ---- what arrived ----
  std::vector<ReceivedFrame> frames() const;
  std::vector<ReceivedFrame> frames(const FrameFilter& match) const;
  size_t frame_count() const;
  // Waits until at least `count` units matching `match` (all units when empty)
  // have been recorded since the last clear, at most `timeout`.
  bool wait_for_frames(size_t count, std::chrono::milliseconds timeout,
                       const FrameFilter& match = {}) const;
  size_t bad_frame_count() const;
  size_t rejected_count() const;
  size_t misaddressed_count() const;
  // Forgets the recorded units and their counts.
  void clear_frames();

  // ---- device state (copies; std::logic_error for a device of another kind) ----
  MultiviewerState multiviewer_state(int device) const;
  MatrixState matrix_state(int device) const;
  SwitcherState switcher_state(int device) const;
  Rk5502State rk5502_state(int device) const;
  Tm3306State tm3306_state(int device) const;
  void set_multiviewer_state(int device, const MultiviewerState& state);
  void set_matrix_state(int device, const MatrixState& state);
  void set_switcher_state(int device, const SwitcherState& state);
  void set_rk5502_state(int device, const Rk5502State& state);
  void set_tm3306_state(int device, const Tm3306State& state);

  // ---- faults ----
  void set_faults(int device, const Faults& faults);
  Faults faults(int device) const;

  // ---- switcher reports ----
  // Applies the report to the switcher's state and sends it to the panel.
  void send_report(int device, const Report& report);
  // Sends the reports in order, `gap` apart, from the simulator's thread.
  void send_reports(int device, const std::vector<Report>& reports, std::chrono::milliseconds gap);
  size_t reports_sent(int device) const;

  // Optional line per received unit, called on the simulator's thread.
  void set_log(std::function<void(const ReceivedFrame&)> log);

 private:
  struct Endpoint;
  struct Pending;
  struct DeviceSlot;

  void run();
  void receive_udp(Endpoint& ep);
  void receive_serial();
  void handle_unit(int device, Transport transport, std::vector<uint8_t> bytes, bool text,
                   std::string problem, const sockaddr_in* from, uint16_t local_port,
                   const std::string& sender, bool broadcast, int reply_fd);
  void dispatch(int device, Transport transport, const std::vector<uint8_t>& bytes, bool text,
                ReceivedFrame& record, const sockaddr_in* from, int reply_fd);
  void queue_replies(int device, Transport transport, std::vector<std::vector<uint8_t>> replies,
                     const sockaddr_in* to, int fd);
  void queue_send(Clock::time_point due, int device, Transport transport, int fd,
                  const sockaddr_in& to, std::vector<uint8_t> bytes);
  void queue_report_locked(int device, Report report, Clock::time_point due);
  void run_due(Clock::time_point now);
  void flood(Clock::time_point now);
  void send_now(const Pending& p);
  void write_serial(const std::vector<uint8_t>& bytes);
  void flush_serial();
  void wake();
  void record(ReceivedFrame&& r);
  template <class D>
  D& device_as(int index) const;
  void close_all();

  Options m_options;
  std::vector<std::unique_ptr<DeviceSlot>> m_devices;
  std::vector<std::unique_ptr<Endpoint>> m_endpoints;
  int m_search_fd = -1;
  int m_wake_fd = -1;
  int m_pty_master = -1;
  int m_pty_hold = -1;
  std::string m_pty_name;
  int m_serial_device = -1;

  mutable std::mutex m_mutex;
  mutable std::condition_variable m_cv;
  std::vector<ReceivedFrame> m_frames;
  std::vector<std::unique_ptr<Pending>> m_pending;
  uint64_t m_sequence = 0;
  std::vector<uint8_t> m_serial_out;
  SerialAssembler m_assembler;
  std::function<void(const ReceivedFrame&)> m_log;
  bool m_stop = false;
  std::thread m_thread;
};

}  // namespace devsim
