#include "show/tsl_umd.h"

namespace {
uint16_t le16(std::span<const uint8_t> b, size_t at) {
  return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}
void put_le16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v & 0xFF));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
// Control characters in received text become blanks, so a label never
// carries a line break or an escape to the wall.
QChar shown(QChar c) { return c.category() == QChar::Other_Control ? QLatin1Char(' ') : c; }
}  // namespace

std::vector<uint8_t> build_tsl5_packet(uint16_t screen, const Tsl5Message& m) {
  QByteArray text;
  if (m.text)
    for (QChar c : *m.text)
      text.append(c.unicode() >= 0x20 && c.unicode() < 0x7F ? c.toLatin1() : '?');
  // PBC, VER, FLAGS, SCREEN, INDEX, CONTROL, LENGTH: 12 bytes before the text.
  const size_t room = kTsl5MaxPacket - 12;
  if (static_cast<size_t>(text.size()) > room) text.truncate(static_cast<qsizetype>(room));
  const uint16_t control = static_cast<uint16_t>(
      (static_cast<unsigned>(m.right) & 3) | ((static_cast<unsigned>(m.text_tally) & 3) << 2) |
      ((static_cast<unsigned>(m.left) & 3) << 4) | ((m.brightness & 3u) << 6));
  std::vector<uint8_t> out;
  out.reserve(12 + static_cast<size_t>(text.size()));
  put_le16(out, 0);  // PBC, filled below
  out.push_back(0);  // VER
  out.push_back(0);  // FLAGS: ASCII, display messages
  put_le16(out, screen);
  put_le16(out, m.index);
  put_le16(out, control);
  put_le16(out, static_cast<uint16_t>(text.size()));
  out.insert(out.end(), text.begin(), text.end());
  const uint16_t pbc = static_cast<uint16_t>(out.size() - 2);
  out[0] = static_cast<uint8_t>(pbc & 0xFF);
  out[1] = static_cast<uint8_t>(pbc >> 8);
  return out;
}

Tsl5Parse parse_tsl5(std::span<const uint8_t> b) {
  Tsl5Parse r;
  if (b.size() > kTsl5MaxPacket) return {std::nullopt, "longer than 2048 bytes"};
  if (b.size() < 6) return {std::nullopt, "shorter than a packet header"};
  if (le16(b, 0) != b.size() - 2) return {std::nullopt, "byte count does not match the datagram"};
  const uint8_t flags = b[3];
  Tsl5Packet packet;
  packet.screen = le16(b, 4);
  packet.screen_control = (flags & 0x02) != 0;
  const bool unicode = (flags & 0x01) != 0;
  if (packet.screen_control) {
    r.packet = std::move(packet);
    return r;
  }
  size_t at = 6;
  while (at < b.size()) {
    if (b.size() - at < 4) return {std::nullopt, "display message cut short"};
    Tsl5Message m;
    m.index = le16(b, at);
    const uint16_t control = le16(b, at + 2);
    at += 4;
    m.right = static_cast<TslTally>(control & 3);
    m.text_tally = static_cast<TslTally>((control >> 2) & 3);
    m.left = static_cast<TslTally>((control >> 4) & 3);
    m.brightness = static_cast<uint8_t>((control >> 6) & 3);
    if (control & 0x8000) {
      // Control data of a display: nothing of it is used here, and its
      // length is not defined, so it ends the packet.
      packet.messages.push_back(m);
      break;
    }
    if (b.size() - at < 2) return {std::nullopt, "text length cut short"};
    const uint16_t length = le16(b, at);
    at += 2;
    if (length > b.size() - at) return {std::nullopt, "text runs past the datagram"};
    if (unicode && length % 2 != 0) return {std::nullopt, "odd length of UTF-16 text"};
    QString text;
    if (unicode) {
      for (size_t i = 0; i < length; i += 2) text.append(shown(QChar(le16(b, at + i))));
    } else {
      for (size_t i = 0; i < length; ++i) {
        const uint8_t c = b[at + i];
        text.append(c >= 0x20 && c < 0x7F ? QChar(c) : QLatin1Char(' '));
      }
    }
    at += length;
    m.text = text;
    packet.messages.push_back(std::move(m));
  }
  r.packet = std::move(packet);
  return r;
}

bool looks_like_tsl31(std::span<const uint8_t> b) {
  if (b.empty() || b.size() % kTsl31MessageBytes != 0) return false;
  for (size_t at = 0; at < b.size(); at += kTsl31MessageBytes)
    if ((b[at] & 0x80) == 0 || (b[at + 1] & 0x80) != 0) return false;
  return true;
}

Tsl31Parse parse_tsl31(std::span<const uint8_t> b) {
  Tsl31Parse r;
  if (b.empty() || b.size() % kTsl31MessageBytes != 0) {
    r.why = "not a whole number of 18-byte messages";
    return r;
  }
  for (size_t at = 0; at < b.size(); at += kTsl31MessageBytes) {
    const uint8_t header = b[at];
    const uint8_t control = b[at + 1];
    if (header < 0x80 || header > 0xFE) {
      r.messages.clear();
      r.why = "header byte is no display address";
      return r;
    }
    if (control & 0x80) {
      r.messages.clear();
      r.why = "control byte has bit 7 set";
      return r;
    }
    Tsl31Message m;
    m.address = static_cast<uint8_t>(header - 0x80);
    for (int i = 0; i < 4; ++i) m.tally[i] = (control >> i) & 1;
    m.brightness = static_cast<uint8_t>((control >> 4) & 3);
    for (size_t i = 0; i < 16; ++i) {
      const uint8_t c = b[at + 2 + i];
      m.text.append(c >= 0x20 && c < 0x7F ? QChar(c) : QLatin1Char(' '));
    }
    while (!m.text.isEmpty() && m.text.back() == QLatin1Char(' ')) m.text.chop(1);
    r.messages.push_back(std::move(m));
  }
  return r;
}
