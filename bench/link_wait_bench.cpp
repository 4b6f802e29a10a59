// Prints how the user-interface thread fares while a device query waits for a
// silent device: the longest gap between 5 ms timer ticks (a stall), and the
// CPU the wait uses. Loopback only; never fails on time.
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "bench_util.h"
#include "devices/device_frame.h"
#include "link/device_link.h"
#include "link/link_options.h"
#include "link/tick.h"

int main(int argc, char** argv) {
  if (!getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  link_options().bind_port = 27000;
  link_options().device_port = 27001;
  DeviceLink link;
  std::strcpy(link.m_device_table[0].ip, "127.0.0.77");  // nobody answers
  link.m_device_table[0].dev_type = 0xA1;
  link.m_device_index = 0;

  StallProbe probe;
  for (uint32_t bound : {200u, 1000u}) {
    uint32_t wall = 0;
    const double cpu0 = cpu_seconds();
    probe.run([&] {
      const uint32_t t0 = tick_ms();
      const Target target = link.device_target();
      link.transports().udp.query(
          target, device_frame(target, Link::Udp, 0x32), QueryRule{bound},
          [](const sockaddr_in&, std::span<const uint8_t>) { return false; });
      wall = ticks_since(t0);
    });
    const double cpu = cpu_seconds() - cpu0;
    std::printf(
        "query bound %4u ms: waited %4u ms, longest UI stall %3lld ms, CPU %.2f %% of a core\n",
        bound, wall, static_cast<long long>(probe.worst), 100.0 * cpu / (wall / 1000.0));
  }
  // The 10 ms pause after a one-way command.
  const double cpu0 = cpu_seconds();
  const uint32_t t0 = tick_ms();
  for (int i = 0; i < 50; ++i)
    send_command(link.transports(), link.device_target(), 0x33, std::vector<uint8_t>{4});
  const uint32_t wall = ticks_since(t0);
  std::printf("50 one-way commands: %u ms, CPU %.2f %% of a core\n", wall,
              100.0 * (cpu_seconds() - cpu0) / (wall / 1000.0));
  return 0;
}
