#include "devices/multiviewer/mv_frames.h"

#include "devices/multiviewer/mv_model.h"

std::vector<uint8_t> utf16le_bytes(const QString& text) {
  std::vector<uint8_t> bytes;
  bytes.reserve(static_cast<size_t>(text.size()) * 2);
  for (QChar unit : text) {
    bytes.push_back(static_cast<uint8_t>(unit.unicode() & 0xFF));
    bytes.push_back(static_cast<uint8_t>(unit.unicode() >> 8));
  }
  return bytes;
}

QString utf16le_text(std::span<const uint8_t> bytes) {
  QString text;
  text.reserve(static_cast<qsizetype>((bytes.size() + 1) / 2));
  for (size_t i = 0; i < bytes.size(); i += 2) {
    const uint16_t high = i + 1 < bytes.size() ? bytes[i + 1] : 0;
    const uint16_t unit = static_cast<uint16_t>(bytes[i] | (high << 8));
    if (unit == 0) break;
    text.append(QChar(unit));
  }
  return text;
}

std::vector<uint8_t> umd_text_payload(uint8_t window, const QString& text) {
  std::vector<uint8_t> payload = {window, 0x01, 0x00, 0x01, 0x00, 0x01, 0x00, 0x01};
  QString kept = text.left(kUmdTextMaxUnits);
  // Never send half of a surrogate pair.
  if (kept.size() < text.size() && !kept.isEmpty() && kept.back().isHighSurrogate()) kept.chop(1);
  const std::vector<uint8_t> units = utf16le_bytes(kept);
  payload.insert(payload.end(), units.begin(), units.end());
  return payload;
}

std::array<uint8_t, 2> window_source_payload(uint8_t source_index, uint8_t window) {
  return {static_cast<uint8_t>(source_index + 1), window};
}

std::optional<std::array<uint8_t, 2>> resolution_payload(int resolution_index) {
  const std::optional<uint8_t> code = wire_code_for_resolution(resolution_index);
  if (!code) return std::nullopt;
  return std::array<uint8_t, 2>{0x00, *code};
}
