#pragma once
// Command bytes (frame byte 16) of the switcher's frames, from its page, its
// sub-pages and its configuration pop-up, and of the reports the device sends
// back on the same port. Each carries one payload byte unless noted.
#include <cstdint>

// The page's buses, transitions and layer keys; the reports use the same codes.
namespace switcher_cmd {
constexpr uint8_t kPgmSource = 0x80;  // program source after the press
constexpr uint8_t kPvmSource = 0x81;  // preview source after the press
constexpr uint8_t kTbar = 0x82;       // 2 bytes: direction, progress 1..128
constexpr uint8_t kCut = 0x83;        // no payload
constexpr uint8_t kAuto = 0x84;       // no payload
constexpr uint8_t kFtb = 0x85;        // no payload
constexpr uint8_t kPip = 0x86;        // no payload
constexpr uint8_t kOnAir = 0x88;      // on_air before the press
constexpr uint8_t kOnAir2 = 0x89;     // on_air2 before the press
constexpr uint8_t kBkgd = 0x8A;       // bkgd_on before the press
constexpr uint8_t kKey1 = 0x8B;       // key1_on before the press
constexpr uint8_t kKey2 = 0x8C;       // key2_on before the press
constexpr uint8_t kMix = 0x8D;        // no payload
constexpr uint8_t kDip = 0x8E;        // no payload
constexpr uint8_t kWipe = 0x8F;       // no payload
}  // namespace switcher_cmd

// The sub-pages' settings and the configuration pop-up.
namespace switcher_sub_cmd {
constexpr uint8_t kDipSource = 0x90;
constexpr uint8_t kWipeSource = 0x91;
constexpr uint8_t kWipeStyle = 0x92;  // wipe pattern 0..8
constexpr uint8_t kLumaSource = 0x93;
constexpr uint8_t kLevelRed = 0x94;  // key 1 and key 2 alike
constexpr uint8_t kLevelGreen = 0x95;
constexpr uint8_t kLevelBlue = 0x96;
constexpr uint8_t kChromaSource = 0x97;
constexpr uint8_t kChromaType = 0x98;  // 0 light blue, 1 light green
constexpr uint8_t kPipSource = 0x9C;
constexpr uint8_t kPipBorderEnable = 0x9D;
constexpr uint8_t kPipBorderColor = 0x9E;
constexpr uint8_t kPipBorderWidth = 0x9F;  // index 0..6 for widths 1..7
constexpr uint8_t kPipX = 0xA0;            // u16 little-endian, pixels of 1920
constexpr uint8_t kPipY = 0xA1;            // u16 little-endian, pixels of 1080
constexpr uint8_t kPipSize = 0xA2;         // u16 little-endian, pixels of 1920
constexpr uint8_t kConfigure = 0xA3;       // resolution (1 byte) or window n, input (2 bytes)
constexpr uint8_t kRate = 0xA5;            // rate 1..3, then milliseconds as u16 little-endian
}  // namespace switcher_sub_cmd

// The progress value of a T-bar frame (byte 18): 1 at the end the
// transition starts from, 128 at the far end. A progress of 0 is never sent.
// (The bar itself travels over kTbarMin..kTbarMax, devices/switcher/switcher_tbar.h.)
constexpr uint8_t kTbarProgressMin = 1;
constexpr uint8_t kTbarProgressMax = 128;
