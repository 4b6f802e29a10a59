#pragma once
// Command bytes (frame byte 16) of the switcher page's frames and of the
// reports the device sends back on the same port.
#include <cstdint>

namespace switcher_cmd {
constexpr uint8_t kPgmSource = 0x80;  // 1 byte: program source after the press
constexpr uint8_t kPvmSource = 0x81;  // 1 byte: preview source after the press
constexpr uint8_t kTbar = 0x82;       // 2 bytes: direction, progress 1..128
constexpr uint8_t kCut = 0x83;
constexpr uint8_t kAuto = 0x84;
constexpr uint8_t kFtb = 0x85;
constexpr uint8_t kPip = 0x86;
constexpr uint8_t kOnAir = 0x88;   // 1 byte: on_air before the press
constexpr uint8_t kOnAir2 = 0x89;  // 1 byte: on_air2 before the press
constexpr uint8_t kBkgd = 0x8A;    // 1 byte: bkgd_on before the press
constexpr uint8_t kKey1 = 0x8B;    // 1 byte: key1_on before the press
constexpr uint8_t kKey2 = 0x8C;    // 1 byte: key2_on before the press
constexpr uint8_t kMix = 0x8D;
constexpr uint8_t kDip = 0x8E;
constexpr uint8_t kWipe = 0x8F;
}  // namespace switcher_cmd
