#pragma once
// Cuts the byte stream of a serial line into the units a device reads:
// frames (A5 6C, a length field, that many bytes) and the matrix's text
// commands (printable ASCII up to and including '.'). Anything else is
// garbage and comes out as a unit of its own, marked bad. A unit that stays
// incomplete for longer than the inter-byte time-out is dropped as bad, as a
// device drops a frame cut short on the line.
#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace devsim {

class SerialAssembler {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::milliseconds kInterByteTimeout{200};

  struct Unit {
    std::vector<uint8_t> bytes;
    bool text = false;
    std::string problem;  // non-empty: garbage or a frame cut short
  };

  std::vector<Unit> feed(std::span<const uint8_t> bytes, Clock::time_point now);
  // Drops a unit left incomplete for longer than the time-out.
  std::vector<Unit> expire(Clock::time_point now);
  // When expire() should run next, if something is pending.
  std::optional<Clock::time_point> deadline() const;
  size_t pending() const { return m_buf.size(); }

 private:
  void cut(std::vector<Unit>& out);
  std::vector<uint8_t> m_buf;
  Clock::time_point m_last{};
};

// Bytes that may appear in a matrix text command.
bool is_text_byte(uint8_t b);

}  // namespace devsim
