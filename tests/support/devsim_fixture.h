#pragma once
// Short page tests against the device simulator: start simulated devices on
// loopback with this process's test ports, wait (bounded) for what the panel
// sends, assert the bytes, and check that no bad frame arrived.
//
//   SimulatorFixture sim({devsim::DeviceSpec::lan(devsim::kTypeMultiviewer)});
//   sim.configure_panel();                  // panel ports and search address
//   sim.select_in_main_window(*dlg, 0);     // opens the device's page
//   ... click ...
//   EXPECT_TRUE(sim.received_command(0, 0x33, {4}));
//   EXPECT_TRUE(sim.no_bad_frames());
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

#include "devsim/simulator.h"

// The device layer's names (link/transport.h), declared here alone: the
// simulator has a Transport of its own.
struct Target;
enum class Medium : uint8_t;

class CKELVARO_16_VIEWDlg;

class SimulatorFixture {
 public:
  using ms = std::chrono::milliseconds;
  static constexpr ms kDefaultWait{3000};

  // Starts the devices at once (the test fails if they cannot start). Ports
  // come from next_test_port(); the search address is 127.255.255.255.
  explicit SimulatorFixture(std::vector<devsim::DeviceSpec> devices);
  // The same with ports and addresses of the caller's choosing.
  explicit SimulatorFixture(devsim::Options options);
  ~SimulatorFixture();
  SimulatorFixture(const SimulatorFixture&) = delete;
  SimulatorFixture& operator=(const SimulatorFixture&) = delete;

  devsim::Simulator& sim() { return *m_sim; }
  const devsim::Options& options() const { return m_sim->options(); }
  bool started() const { return m_started; }
  // Address of a LAN device ("127.0.0.2") or the serial device's slave name.
  std::string address(int device) const { return m_sim->device(device).address; }
  // Device `device` as the device layer addresses it, over `medium`, on the
  // simulator's command ports (no address for the serial device).
  Target target(int device, Medium medium) const;

  // Units received so far; waits up to `timeout` until at least `count`
  // match (all units when `match` is empty) and returns the matching ones.
  std::vector<devsim::ReceivedFrame> wait_frames(size_t count,
                                                 const devsim::FrameFilter& match = {},
                                                 ms timeout = kDefaultWait) const;
  // Frames device `device` received with command byte `command`.
  std::vector<devsim::ReceivedFrame> frames_with_command(int device, uint8_t command) const;

  // Succeeds once a unit with exactly these bytes has arrived.
  ::testing::AssertionResult received(const std::vector<uint8_t>& bytes,
                                      ms timeout = kDefaultWait) const;
  // Succeeds once device `device` received a sound frame with this command
  // and this payload (bytes 17 .. L-4).
  ::testing::AssertionResult received_command(int device, uint8_t command,
                                              const std::vector<uint8_t>& payload,
                                              ms timeout = kDefaultWait) const;
  // Succeeds once device `device` received this text command.
  ::testing::AssertionResult received_text(int device, const std::string& text,
                                           ms timeout = kDefaultWait) const;
  // Succeeds when no unit was bad, rejected or misaddressed; lists them otherwise.
  ::testing::AssertionResult no_bad_frames() const;
  // Nothing more arrives within `quiet` (for "sends nothing" checks).
  ::testing::AssertionResult nothing_more(size_t already, ms quiet = ms(300)) const;

  // ---- panel side (needs the panel's library) ----
  // Points the panel's link options at this simulator: ports, search address,
  // and the pseudo-terminal among the serial port names. Restored by the
  // destructor.
  void configure_panel();
  // Puts `device` into row 0 of the main window's table and list and selects
  // it, as a search would have: LAN devices with their address, type and id;
  // the serial device by opening the main window's port on the
  // pseudo-terminal (115200) in serial mode. The device's page is then shown.
  bool select_in_main_window(CKELVARO_16_VIEWDlg& dlg, int device);

 private:
  std::unique_ptr<devsim::Simulator> m_sim;
  bool m_started = false;
  // Restores the panel's link options when released (set by configure_panel).
  std::shared_ptr<void> m_panel_restore;
};
