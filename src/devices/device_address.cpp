#include "devices/device_address.h"

#include <arpa/inet.h>

#include <charconv>
#include <vector>

namespace {
std::string trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

bool parse_byte(const std::string& text, int base, uint8_t& out) {
  unsigned value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value, base);
  if (text.empty() || ec != std::errc() || ptr != end || value > 255) return false;
  out = static_cast<uint8_t>(value);
  return true;
}
}  // namespace

std::string check_device_address(const std::string& text) {
  if (text.empty()) return "no address given";
  // inet_pton reads up to the first NUL: "1.2.3.4" and a NUL would pass.
  if (text.find('\0') != std::string::npos) return "the address holds a NUL byte";
  in_addr address{};
  if (inet_pton(AF_INET, text.c_str(), &address) != 1)
    return "'" + text + "' is not an IPv4 address (four numbers 0 to 255 joined by dots)";
  const uint32_t host = ntohl(address.s_addr);
  if (host == 0) return "0.0.0.0 is no device's address";
  // Frames sent there would reach every device, or a group, not one device.
  if (host == 0xFFFFFFFFu) return "255.255.255.255 is the broadcast address, not one device's";
  if ((host >> 28) == 0xE) return "'" + text + "' is a multicast address, not one device's";
  return {};
}

std::optional<ManualDevice> parse_manual_device(const std::string& text, std::string* error) {
  auto fail = [error](const std::string& why) -> std::optional<ManualDevice> {
    if (error) *error = why;
    return std::nullopt;
  };
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t comma = text.find(',', start);
    parts.push_back(trimmed(text.substr(start, comma - start)));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  if (parts.size() < 2 || parts.size() > 3) return fail("'" + text + "' is not ADDRESS,KIND[,ID]");
  ManualDevice device;
  if (const std::string why = check_device_address(parts[0]); !why.empty()) return fail(why);
  device.address = parts[0];
  const std::optional<uint8_t> kind = parse_device_kind(parts[1]);
  if (!kind) return fail("unknown kind '" + parts[1] + "' (" + device_kinds_hint() + ")");
  device.type = *kind;
  if (parts.size() == 3 && !parse_byte(parts[2], 10, device.id))
    return fail("bad id '" + parts[2] + "' (0 to 255)");
  return device;
}

QString manual_device_item_text(const ManualDevice& device) {
  return QString::fromStdString(device_kind_name(device.type)) + QStringLiteral("_") +
         QString::fromStdString(device.address);
}

std::optional<ManualDevice> parse_device_with_id(const std::string& text, std::string* error) {
  const size_t comma = text.find(',');
  std::string why;
  if (comma != std::string::npos && text.find(',', comma + 1) != std::string::npos)
    why = "more than one comma (ADDRESS[,ID])";
  const std::string id = comma == std::string::npos ? std::string() : text.substr(comma + 1);
  if (why.empty() && comma != std::string::npos && id.empty()) why = "no id after the comma";
  std::optional<ManualDevice> device;
  if (why.empty())
    device = parse_manual_device(text.substr(0, comma) + ",0x00" + (id.empty() ? "" : "," + id),
                                 &why);
  if (!device || !why.empty()) {
    if (error) *error = why;
    return std::nullopt;
  }
  device->type = 0;
  return device;
}
