#include "devsim/wire.h"

#include <cstdio>

namespace devsim {

uint16_t sum16(std::span<const uint8_t> bytes) {
  uint32_t sum = 0;
  for (uint8_t b : bytes) sum += b;
  return static_cast<uint16_t>(sum & 0xFFFF);
}

std::vector<uint8_t> make_frame(uint8_t type, uint8_t id, uint8_t link, uint8_t command,
                                std::span<const uint8_t> body) {
  std::vector<uint8_t> f(17 + body.size() + 3, 0);
  f[0] = kStart0;
  f[1] = kStart1;
  f[4] = type;
  f[5] = id;
  f[6] = link;
  f[16] = command;
  for (size_t i = 0; i < body.size(); ++i) f[17 + i] = body[i];
  f.back() = kEnd;
  reseal(f);
  return f;
}

void reseal(std::vector<uint8_t>& f) {
  if (f.size() < kMinFrameLength) return;
  const size_t n = f.size();
  f[2] = static_cast<uint8_t>(n & 0xFF);
  f[3] = static_cast<uint8_t>((n >> 8) & 0xFF);
  const uint16_t s = sum16(std::span<const uint8_t>(f.data(), n - 3));
  f[n - 3] = static_cast<uint8_t>(s & 0xFF);
  f[n - 2] = static_cast<uint8_t>(s >> 8);
}

std::string check_frame(std::span<const uint8_t> f, uint8_t expected_link) {
  char text[96];
  if (f.size() < kMinFrameLength) {
    std::snprintf(text, sizeof text, "short frame: %zu bytes", f.size());
    return text;
  }
  if (f[0] != kStart0 || f[1] != kStart1) return "bad start bytes";
  const size_t length = f[2] | (static_cast<size_t>(f[3]) << 8);
  if (length != f.size()) {
    std::snprintf(text, sizeof text, "length field %zu, frame has %zu bytes", length, f.size());
    return text;
  }
  if (f[f.size() - 1] != kEnd) return "bad end byte";
  const uint16_t want = sum16(f.first(f.size() - 3));
  const uint16_t got = static_cast<uint16_t>(f[f.size() - 3] | (f[f.size() - 2] << 8));
  if (want != got) {
    std::snprintf(text, sizeof text, "checksum %04X, expected %04X", got, want);
    return text;
  }
  if (f[6] != expected_link) {
    std::snprintf(text, sizeof text, "link byte %02X, expected %02X", f[6], expected_link);
    return text;
  }
  for (size_t i = 7; i < 16; ++i)
    if (f[i] != 0) return "reserved bytes 7..15 not zero";
  return {};
}

std::string hex(std::span<const uint8_t> bytes) {
  std::string out;
  out.reserve(bytes.size() * 3);
  char b[4];
  for (size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(b, sizeof b, i ? " %02X" : "%02X", bytes[i]);
    out += b;
  }
  return out;
}

}  // namespace devsim
