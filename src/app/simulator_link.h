#pragma once
// Points the panel's link at simulated devices on loopback: the simulator's
// ports and search address become the link's, and its serial line joins the
// serial port lists. For the demo, the tests and the benchmarks, which link
// the simulator library; the panel's own code never includes this.
#include <algorithm>
#include <cstdint>
#include <string>

#include "devsim/simulator.h"
#include "link/link_options.h"

// Simulator options on four consecutive ports from `base` (panel command
// port, device port, panel switcher port, device switcher port), searched
// for on the loopback broadcast address.
inline devsim::Options loopback_simulator_options(uint16_t base) {
  devsim::Options o;
  o.bind_port = base;
  o.device_port = static_cast<uint16_t>(base + 1);
  o.switcher_bind_port = static_cast<uint16_t>(base + 2);
  o.switcher_device_port = static_cast<uint16_t>(base + 3);
  o.search_address = "127.255.255.255";
  return o;
}

inline void point_link_at_simulator(LinkOptions& link, const devsim::Options& sim,
                                    const std::string& serial_name = {}) {
  link.bind_port = sim.bind_port;
  link.device_port = sim.device_port;
  link.switcher_bind_port = sim.switcher_bind_port;
  link.switcher_device_port = sim.switcher_device_port;
  link.search_address = sim.search_address;
  if (!serial_name.empty() && std::find(link.serial_ports.begin(), link.serial_ports.end(),
                                        serial_name) == link.serial_ports.end())
    link.serial_ports.push_back(serial_name);
}
