#pragma once
// kelvaro-ctl's command-line arguments for the simulated devices of a test:
// the simulator's ports as the link's port options, and the target options.
#include <QStringList>

#include "support/devsim_fixture.h"

inline QStringList ctl_ports(const SimulatorFixture& sim) {
  const devsim::Options& o = sim.options();
  return {"--bind-port",
          QString::number(o.bind_port),
          "--device-port",
          QString::number(o.device_port),
          "--switcher-bind-port",
          QString::number(o.switcher_bind_port),
          "--switcher-device-port",
          QString::number(o.switcher_device_port),
          "--search-address",
          QString::fromStdString(o.search_address)};
}

// LAN device `device` of the simulator, with this id.
inline QStringList ctl_lan(const SimulatorFixture& sim, int device, int id) {
  return ctl_ports(sim) + QStringList{"--device", QString::fromStdString(sim.address(device)) +
                                                      "," + QString::number(id)};
}

// The simulator's serial line, with this id.
inline QStringList ctl_serial(SimulatorFixture& sim, int id) {
  return ctl_ports(sim) + QStringList{"--serial-port",
                                      QString::fromStdString(sim.sim().serial_name()), "--id",
                                      QString::number(id)};
}
