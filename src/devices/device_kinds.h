#pragma once
// The one table of device kinds: each kind's type code (byte 4 of every
// frame and of its search reply), its name on the command line and in the
// Add device dialog, and the page that serves it. The page registry, the
// device-address parser, kelvaro-ctl and the demo all read it.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace device_type {
constexpr uint8_t kRk5502 = 0x60;
constexpr uint8_t kMatrix = 0x81;
constexpr uint8_t kMatrixAlt = 0x82;  // a second matrix code; same page
constexpr uint8_t kMultiviewer = 0xA1;
constexpr uint8_t kTm3306 = 0xA3;
constexpr uint8_t kSwitcher = 0xA5;
}  // namespace device_type

// Which page serves a device.
enum class PageKind { None, Rk5502, Matrix, Multiviewer, Tm3306, Switcher };

struct DeviceKind {
  const char* name;  // nullptr for a code that has no name of its own
  uint8_t type;
  PageKind page;
};

// Every known code, the named kinds first in the Add device list's order.
std::span<const DeviceKind> device_kinds();

// Page for a type code: 0x60 rk5502, 0x81/0x82 matrix, 0xA1 multiviewer,
// 0xA3 tm3306, 0xA5 switcher; any other code opens the switcher page in LAN
// mode (0) and the tm3306 page in serial mode (1). Other modes open nothing.
PageKind page_kind_for_type(uint8_t type, int32_t mode);

// A type code written 0xNN, or a kind by name (case and surrounding blanks
// ignored).
std::optional<uint8_t> parse_device_kind(const std::string& text);
// The kind's name for the named codes, "0xNN" for any other.
std::string device_kind_name(uint8_t type);
// The named kinds in the order of the add dialog's list.
std::vector<std::string> device_kind_names();
// "multiviewer, matrix, ... or a type code such as 0xA5".
std::string device_kinds_hint();
