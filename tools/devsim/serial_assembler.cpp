#include "devsim/serial_assembler.h"

#include "devsim/wire.h"

namespace devsim {

namespace {
constexpr size_t kMaxTextLength = 48;

bool starts_text(uint8_t b) { return (b >= '0' && b <= '9') || b == 'A'; }
}  // namespace

bool is_text_byte(uint8_t b) {
  return (b >= '0' && b <= '9') || b == 'A' || b == 'l' || b == 'V' || b == ',' || b == '#' ||
         b == '.';
}

std::vector<SerialAssembler::Unit> SerialAssembler::feed(std::span<const uint8_t> bytes,
                                                         Clock::time_point now) {
  m_buf.insert(m_buf.end(), bytes.begin(), bytes.end());
  if (!bytes.empty()) m_last = now;
  std::vector<Unit> out;
  cut(out);
  return out;
}

std::vector<SerialAssembler::Unit> SerialAssembler::expire(Clock::time_point now) {
  std::vector<Unit> out;
  if (!m_buf.empty() && now - m_last > kInterByteTimeout) {
    out.push_back({std::move(m_buf), false, "incomplete unit dropped after the line went quiet"});
    m_buf.clear();
  }
  return out;
}

std::optional<SerialAssembler::Clock::time_point> SerialAssembler::deadline() const {
  if (m_buf.empty()) return std::nullopt;
  return m_last + kInterByteTimeout + std::chrono::milliseconds(1);
}

void SerialAssembler::cut(std::vector<Unit>& out) {
  auto take = [&](size_t n, bool text, std::string problem) {
    Unit u;
    u.bytes.assign(m_buf.begin(), m_buf.begin() + static_cast<long>(n));
    u.text = text;
    u.problem = std::move(problem);
    m_buf.erase(m_buf.begin(), m_buf.begin() + static_cast<long>(n));
    out.push_back(std::move(u));
  };
  // Garbage runs up to the next byte that can start a unit.
  auto garbage = [&](size_t from) {
    size_t n = from;
    while (n < m_buf.size() && m_buf[n] != kStart0 && !starts_text(m_buf[n])) ++n;
    take(n, false, "garbage on the line");
  };
  while (!m_buf.empty()) {
    const uint8_t b = m_buf[0];
    if (b == kStart0) {
      if (m_buf.size() < 2) return;
      if (m_buf[1] != kStart1) {
        garbage(1);
        continue;
      }
      if (m_buf.size() < 4) return;
      const size_t length = m_buf[2] | (static_cast<size_t>(m_buf[3]) << 8);
      if (length < kMinFrameLength || length > kMaxFrameLength) {
        garbage(2);
        continue;
      }
      if (m_buf.size() < length) return;
      take(length, false, {});
    } else if (starts_text(b)) {
      size_t n = 1;
      while (n < m_buf.size() && m_buf[n] != '.' && is_text_byte(m_buf[n]) && n < kMaxTextLength)
        ++n;
      if (n < m_buf.size() && m_buf[n] == '.') {
        take(n + 1, true, {});
      } else if (n >= kMaxTextLength) {
        take(n, true, "text command without '.'");
      } else if (n < m_buf.size()) {
        take(n, true, "text command broken by a foreign byte");
      } else {
        return;  // waits for the rest of the command
      }
    } else {
      garbage(0);
    }
  }
}

}  // namespace devsim
