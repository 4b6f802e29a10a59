#pragma once
// The demo: one simulated device of every kind, in this process and on
// loopback, so the panel can be tried without hardware and nothing leaves
// the machine. Two multiviewers answer the LAN search; the matrix router,
// the switcher (with its report port), the rk5502 and the tm3306 are listed
// at start as --device rows are; a third multiviewer sits on a
// pseudo-terminal whose name is offered in the serial port lists.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "devices/device_address.h"
#include "devsim/simulator.h"
#include "link/link_options.h"

struct Demo {
  std::unique_ptr<devsim::Simulator> sim;
  // The rows listed at start, in the order shown; the first one is opened.
  std::vector<ManualDevice> rows;
  // One line per device: what it is and where.
  std::vector<std::string> lines;
};

// The port the demo's link starts from (four in a row).
constexpr uint16_t kDemoBasePort = 17100;

// Starts the devices on four ports from `base` and points `link` at them.
// Null, with the reason in `error`, when the simulator cannot start.
std::unique_ptr<Demo> start_demo(LinkOptions& link, uint16_t base, std::string* error);
