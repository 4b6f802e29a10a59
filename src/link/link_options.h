#pragma once
// Ports and addresses of the device link. The defaults are the real ones;
// tests and the demo move everything to loopback through command-line options.
#include <cstdint>
#include <string>
#include <vector>

struct LinkOptions {
  uint16_t bind_port = 7000;             // local command port
  uint16_t device_port = 7000;           // device command port
  uint16_t switcher_bind_port = 7001;    // local port of the switcher's second socket
  uint16_t switcher_device_port = 7001;  // device port of the switcher's second socket
  std::string search_address = "255.255.255.255";
  std::vector<std::string> serial_ports;  // extra names for the serial port lists
};

// The one process-wide set of link options.
LinkOptions& link_options();
