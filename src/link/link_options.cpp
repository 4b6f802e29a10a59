#include "link/link_options.h"

#include <arpa/inet.h>

#include <charconv>

LinkOptions& link_options() {
  static LinkOptions options;
  return options;
}

namespace {
uint16_t* port_field(LinkOptions& o, const std::string& option) {
  if (option == "--bind-port") return &o.bind_port;
  if (option == "--device-port") return &o.device_port;
  if (option == "--switcher-bind-port") return &o.switcher_bind_port;
  if (option == "--switcher-device-port") return &o.switcher_device_port;
  return nullptr;
}
}  // namespace

bool is_link_option(const std::string& option) {
  LinkOptions scratch;
  return port_field(scratch, option) || option == "--search-address";
}

std::string set_link_option(LinkOptions& o, const std::string& option, const std::string& value) {
  if (uint16_t* port = port_field(o, option)) {
    unsigned number = 0;
    const char* end = value.data() + value.size();
    const auto [ptr, ec] = std::from_chars(value.data(), end, number);
    if (ec != std::errc() || ptr != end || value.empty() || number == 0 || number > 65535)
      return option + ": bad port '" + value + "' (1 to 65535)";
    *port = static_cast<uint16_t>(number);
    return {};
  }
  if (option == "--search-address") {
    in_addr address{};
    if (inet_pton(AF_INET, value.c_str(), &address) != 1)
      return option + ": bad IPv4 address '" + value + "'";
    o.search_address = value;
    return {};
  }
  return "unknown option '" + option + "'";
}
