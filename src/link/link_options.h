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

// The port and address options that the panel and kelvaro-ctl share:
// --bind-port, --device-port, --switcher-bind-port, --switcher-device-port
// (1 to 65535) and --search-address (IPv4).
bool is_link_option(const std::string& option);
// Stores the option's value in `options`. Empty when taken; otherwise the
// one-line reason, starting with the option's name.
std::string set_link_option(LinkOptions& options, const std::string& option,
                            const std::string& value);
