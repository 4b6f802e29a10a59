#pragma once
// The simulated devices. Each one keeps its state record, applies the frames
// (and, for the matrix, the text commands) it receives, and builds its replies
// from that record. Transport, timing and faults belong to the simulator; a
// device only turns one received unit into state changes and reply frames.
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "devsim/device_state.h"
#include "devsim/wire.h"

namespace devsim {

// Reply details that a fault setting changes.
struct ReplyStyle {
  uint8_t label_length = 0;  // non-zero: every label length byte of a state reply
};

struct Handled {
  std::vector<std::vector<uint8_t>> replies;
  std::string rejected;  // non-empty: the device did not take the unit, and why
};

class SimDevice {
 public:
  SimDevice(Kind kind, uint8_t type, uint8_t id, std::string name);
  virtual ~SimDevice() = default;

  Kind kind() const { return m_kind; }
  uint8_t type() const { return m_type; }
  uint8_t id() const { return m_id; }
  const std::string& name() const { return m_name; }

  // A checked frame received over the transport whose link byte is `link`.
  Handled handle_frame(const FrameView& frame, uint8_t link, const ReplyStyle& style);
  // A well-formed text command (see parse_matrix_text).
  virtual Handled handle_text(std::string_view text);

  // Search reply: data from byte 18 is the name, "-", one character, "-" and
  // a version text, so the name is found by the "-?-" separator rule.
  std::vector<uint8_t> search_reply(uint8_t link) const;

 protected:
  virtual Handled apply(const FrameView& frame, uint8_t link, const ReplyStyle& style) = 0;
  std::vector<uint8_t> reply(uint8_t link, uint8_t command, std::span<const uint8_t> body) const;
  static Handled reject(std::string why) { return {{}, std::move(why)}; }
  // Empty when the frame has the length the command needs.
  static std::string length_problem(const FrameView& frame, size_t length);

 private:
  Kind m_kind;
  uint8_t m_type;
  uint8_t m_id;
  std::string m_name;
};

class MultiviewerDevice : public SimDevice {
 public:
  MultiviewerDevice(uint8_t type, uint8_t id, std::string name);
  MultiviewerState state;
  // The 0x32 reply:
  //   17 zero; 18 window count; 19 resolution code; 20 labels on; 21 audio on;
  //   22 audio source; 23 resolution captions on; 24 + 33k label record of
  //   window k+1 (length byte n <= 32, then 32 bytes holding n text bytes);
  //   552 sources (0-based); 568 32 zero bytes; 600 border; 601 lock;
  //   602 / 618 / 634 / 650 label text / label background / caption text /
  //   caption background colours, 16 each. Total 669 bytes.
  std::vector<uint8_t> state_reply(uint8_t link, const ReplyStyle& style) const;

 protected:
  Handled apply(const FrameView& frame, uint8_t link, const ReplyStyle& style) override;
};

struct MatrixCommand {
  enum class Op { Route, OneToAll, OneToOne } op = Op::Route;
  int input = 0;
  std::vector<int> outputs;
};
// Reads one routing command: "<in>V<out>,<out>,...<out>.", "<in>All." or
// "All#."; numbers have one or two decimal digits. Returns an empty text on
// success, otherwise what is malformed.
std::string parse_matrix_text(std::string_view text, MatrixCommand& out);

class MatrixDevice : public SimDevice {
 public:
  MatrixDevice(uint8_t type, uint8_t id, std::string name);
  MatrixState state;
  Handled handle_text(std::string_view text) override;

 protected:
  Handled apply(const FrameView& frame, uint8_t link, const ReplyStyle& style) override;
};

class SwitcherDevice : public SimDevice {
 public:
  SwitcherDevice(uint8_t type, uint8_t id, std::string name);
  SwitcherState state;
  // Applies a report to the device's own state (a change made on its panel)
  // and returns the frame that tells the panel.
  std::vector<uint8_t> make_report(Report report, uint8_t link);

 protected:
  Handled apply(const FrameView& frame, uint8_t link, const ReplyStyle& style) override;

 private:
  void apply_tbar(uint8_t direction, uint8_t value);
  void light_layer(int layer);
};

class Rk5502Device : public SimDevice {
 public:
  Rk5502Device(uint8_t type, uint8_t id, std::string name);
  Rk5502State state;
  // The 0x90 reply, 261 bytes: 20 output format; 22 layout code; 54 + 40k
  // length of the name of line k (k = 0..3) followed by the name; 242..249
  // channel status; 255, 256 picture-in-picture child channels; 257 loop.
  std::vector<uint8_t> state_reply(uint8_t link, const ReplyStyle& style) const;

 protected:
  Handled apply(const FrameView& frame, uint8_t link, const ReplyStyle& style) override;
};

class Tm3306Device : public SimDevice {
 public:
  Tm3306Device(uint8_t type, uint8_t id, std::string name);
  Tm3306State state;

 protected:
  Handled apply(const FrameView& frame, uint8_t link, const ReplyStyle& style) override;
};

// A device of a type code nobody knows: it answers the search only.
class GenericDevice : public SimDevice {
 public:
  GenericDevice(uint8_t type, uint8_t id, std::string name);

 protected:
  Handled apply(const FrameView& frame, uint8_t link, const ReplyStyle& style) override;
};

std::unique_ptr<SimDevice> make_device(uint8_t type, uint8_t id, std::string name);

}  // namespace devsim
