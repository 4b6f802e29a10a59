// Fuzz target: the address of a device the operator names (check_device_address)
// and the "ADDRESS,KIND[,ID]" row of --device, the Add device dialog and the
// remembered rows (parse_manual_device), over arbitrary text, NUL bytes
// included.
//
// Properties:
//   - an accepted address is the dotted-decimal text of one IPv4 address,
//     exactly as inet_ntop writes it (so it fits the device table's 16 bytes
//     with its terminator), and not 0.0.0.0, the broadcast or a multicast
//     address;
//   - a row is parsed or refused with a reason, never both;
//   - a parsed row's address passes the check, and the row written back as
//     ADDRESS,KIND,ID parses to the same row;
//   - the same text gives the same result twice.
#include <arpa/inet.h>

#include <string>

#include "devices/device_address.h"
#include "target_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  const std::string why = check_device_address(text);
  if (why.empty()) {
    FUZZ_REQUIRE(text.find('\0') == std::string::npos);
    FUZZ_REQUIRE(text.size() < INET_ADDRSTRLEN);
    in_addr address{};
    FUZZ_REQUIRE(inet_pton(AF_INET, text.c_str(), &address) == 1);
    char canonical[INET_ADDRSTRLEN] = {};
    FUZZ_REQUIRE(inet_ntop(AF_INET, &address, canonical, sizeof canonical) != nullptr);
    FUZZ_REQUIRE(text == canonical);
    const uint32_t host = ntohl(address.s_addr);
    FUZZ_REQUIRE(host != 0 && host != 0xFFFFFFFFu && (host >> 28) != 0xE);
  }
  FUZZ_REQUIRE(check_device_address(text) == why);

  std::string error;
  const std::optional<ManualDevice> device = parse_manual_device(text, &error);
  if (!device) {
    FUZZ_REQUIRE(!error.empty());
  } else {
    FUZZ_REQUIRE(error.empty());
    FUZZ_REQUIRE(check_device_address(device->address).empty());
    const std::string row =
        device->address + "," + device_kind_name(device->type) + "," + std::to_string(device->id);
    FUZZ_REQUIRE(parse_manual_device(row) == device);
  }
  FUZZ_REQUIRE(parse_manual_device(text) == device);
  return 0;
}
