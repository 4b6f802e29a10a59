#include "demo/demo.h"

#include "app/simulator_link.h"
#include "devices/device_kinds.h"

namespace {
struct DemoDevice {
  devsim::DeviceSpec spec;
  bool listed;  // a --device row (the search finds only multiviewers)
};
}  // namespace

std::unique_ptr<Demo> start_demo(LinkOptions& link, uint16_t base, std::string* error) {
  using devsim::DeviceSpec;
  const std::vector<DemoDevice> devices = {
      {DeviceSpec::lan(device_type::kMultiviewer, 1, "MV16_STUDIO_A"), false},
      {DeviceSpec::lan(device_type::kMultiviewer, 2, "MV16_STUDIO_B"), false},
      {DeviceSpec::lan(device_type::kMatrix, 1, "MATRIX_8X8"), true},
      {DeviceSpec::lan(device_type::kSwitcher, 1, "SWITCHER"), true},
      {DeviceSpec::lan(device_type::kRk5502, 1, "RK5502"), true},
      {DeviceSpec::lan(device_type::kTm3306, 1, "TM3306"), true},
      {DeviceSpec::serial(device_type::kMultiviewer, 3, "MV16_SERIAL"), false},
  };
  devsim::Options o = loopback_simulator_options(base);
  for (const DemoDevice& d : devices) o.devices.push_back(d.spec);
  auto demo = std::make_unique<Demo>();
  demo->sim = std::make_unique<devsim::Simulator>(o);
  if (!demo->sim->start(error)) return nullptr;
  point_link_at_simulator(link, o, demo->sim->serial_name());

  for (size_t i = 0; i < devices.size(); ++i) {
    const devsim::DeviceInfo info = demo->sim->device(static_cast<int>(i));
    const std::string kind = device_kind_name(info.type);
    std::string line = "demo: " + kind + " \"" + info.name + "\" id " + std::to_string(info.id);
    if (info.transport == devsim::Transport::Serial) {
      line += " on serial port " + demo->sim->serial_name() +
              " (Configure: Serial Port, Connect, then scan)";
    } else if (devices[i].listed) {
      line += " at " + info.address + ", listed at start";
      demo->rows.push_back({info.address, info.type, info.id});
    } else {
      line += " at " + info.address + ", answers the scan";
    }
    demo->lines.push_back(line);
  }
  return demo;
}
