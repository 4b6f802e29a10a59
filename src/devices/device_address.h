#pragma once
// A LAN device named by the operator: "ADDRESS,KIND[,ID]" as --device and
// the Add device dialog write it, and kelvaro-ctl's ADDRESS[,ID].
#include <QString>
#include <cstdint>
#include <optional>
#include <string>

#include "devices/device_kinds.h"

struct ManualDevice {
  std::string address;  // dotted-decimal IPv4
  uint8_t type = 0;     // device type code (byte 4 of every frame)
  uint8_t id = 1;       // device id (byte 5 of every frame)
  friend bool operator==(const ManualDevice&, const ManualDevice&) = default;
};

// Empty when `text` is the IPv4 address of one device; otherwise why not.
std::string check_device_address(const std::string& text);
// "ADDRESS,KIND[,ID]", the id 0 to 255 and 1 when left out. On failure
// nullopt, and `error` (when given) says what is wrong.
std::optional<ManualDevice> parse_manual_device(const std::string& text,
                                                std::string* error = nullptr);
// "ADDRESS[,ID]" of a device whose kind the context gives (kelvaro-ctl's
// --device, the devices of a show file): type 0 here, the id 0 to 255 and 1
// when left out. A comma with no id after it, or a second comma, is refused.
std::optional<ManualDevice> parse_device_with_id(const std::string& text,
                                                 std::string* error = nullptr);
// List text of the row: kind name, "_" and the address.
QString manual_device_item_text(const ManualDevice& device);
