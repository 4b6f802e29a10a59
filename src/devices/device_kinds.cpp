#include "devices/device_kinds.h"

#include <cctype>
#include <charconv>
#include <cstdio>

namespace {
constexpr DeviceKind kKinds[] = {
    {"multiviewer", device_type::kMultiviewer, PageKind::Multiviewer},
    {"matrix", device_type::kMatrix, PageKind::Matrix},
    {"switcher", device_type::kSwitcher, PageKind::Switcher},
    {"rk5502", device_type::kRk5502, PageKind::Rk5502},
    {"tm3306", device_type::kTm3306, PageKind::Tm3306},
    {nullptr, device_type::kMatrixAlt, PageKind::Matrix},
};

std::string trimmed_lower(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(" \t");
  std::string t = text.substr(first, last - first + 1);
  for (char& c : t) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return t;
}
}  // namespace

std::span<const DeviceKind> device_kinds() { return kKinds; }

PageKind page_kind_for_type(uint8_t type, int32_t mode) {
  if (mode != 0 && mode != 1) return PageKind::None;
  for (const DeviceKind& kind : kKinds)
    if (kind.type == type) return kind.page;
  return mode == 0 ? PageKind::Switcher : PageKind::Tm3306;
}

std::optional<uint8_t> parse_device_kind(const std::string& text) {
  const std::string t = trimmed_lower(text);
  for (const DeviceKind& kind : kKinds)
    if (kind.name && t == kind.name) return kind.type;
  if (t.size() > 2 && t.size() <= 4 && t.rfind("0x", 0) == 0) {
    unsigned value = 0;
    const char* begin = t.data() + 2;
    const char* end = t.data() + t.size();
    const auto [ptr, ec] = std::from_chars(begin, end, value, 16);
    if (ec == std::errc() && ptr == end && value <= 0xFF) return static_cast<uint8_t>(value);
  }
  return std::nullopt;
}

std::string device_kind_name(uint8_t type) {
  for (const DeviceKind& kind : kKinds)
    if (kind.name && kind.type == type) return kind.name;
  char code[8];
  std::snprintf(code, sizeof code, "0x%02X", type);
  return code;
}

std::vector<std::string> device_kind_names() {
  std::vector<std::string> names;
  for (const DeviceKind& kind : kKinds)
    if (kind.name) names.emplace_back(kind.name);
  return names;
}

std::string device_kinds_hint() {
  std::string hint;
  const std::vector<std::string> names = device_kind_names();
  for (size_t i = 0; i < names.size(); ++i) hint += names[i] + (i + 1 < names.size() ? ", " : "");
  char code[8];
  std::snprintf(code, sizeof code, "0x%02X", device_type::kSwitcher);
  return hint + " or a type code such as " + code;
}
