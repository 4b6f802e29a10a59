// Fuzz target: the rk5502 state reply (decode_rk5502_state), over arbitrary
// datagrams from a buffer of exactly their size, and the layout preview the
// page derives from the layout code it reports.
//
// Properties:
//   - a reply exactly when byte 16 is 0x90;
//   - every field is the byte at its offset, zero past the end;
//   - the same datagram gives the same reply twice;
//   - the reported layout code, whatever its value, yields preview slots
//     inside the 720 x 480 canvas on both processors' tables, slot k numbered
//     k + 1 when used and all zero otherwise.
#include "devices/processor/processor_frames.h"
#include "devices/processor/processor_model.h"
#include "link/control_frame.h"
#include "target_support.h"

namespace {
bool same_reply(const Rk5502StateReply& a, const Rk5502StateReply& b) {
  return a.output_format == b.output_format && a.show_mode == b.show_mode &&
         a.umd_name_len == b.umd_name_len && a.pip_child_ch == b.pip_child_ch &&
         a.loop_state == b.loop_state;
}

void check_slots(int code, LayoutTable table) {
  const LayoutSlots rects = layout_slot_rects(code, table);
  for (int k = 0; k < kLayoutSlotCount; ++k) {
    const NumberedRect& s = rects[static_cast<size_t>(k)];
    if (s.number == 0) {
      FUZZ_REQUIRE(s.x == 0 && s.y == 0 && s.w == 0 && s.h == 0);
      continue;
    }
    FUZZ_REQUIRE(s.number == k + 1);
    FUZZ_REQUIRE(s.x >= 0 && s.y >= 0 && s.w > 0 && s.h > 0);
    FUZZ_REQUIRE(s.x + s.w <= kPreviewCanvasWidth && s.y + s.h <= kPreviewCanvasHeight);
  }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fuzz::ExactCopy input(data, size);
  const std::span<const uint8_t> reply = input.bytes();
  const std::optional<Rk5502StateReply> state = decode_rk5502_state(reply);

  FUZZ_REQUIRE(state.has_value() == (size > 16 && reply[16] == 0x90));
  const std::optional<Rk5502StateReply> again = decode_rk5502_state(reply);
  FUZZ_REQUIRE(again.has_value() == state.has_value());
  if (!state) return 0;
  FUZZ_REQUIRE(same_reply(*state, *again));

  const auto at = [&](size_t offset) -> uint8_t { return offset < size ? reply[offset] : 0; };
  FUZZ_REQUIRE(state->output_format == at(20));
  FUZZ_REQUIRE(state->show_mode == at(22));
  for (size_t line = 0; line < 4; ++line)
    FUZZ_REQUIRE(state->umd_name_len[line] == at(54 + 40 * line));
  FUZZ_REQUIRE(state->pip_child_ch[0] == at(255));
  FUZZ_REQUIRE(state->pip_child_ch[1] == at(256));
  FUZZ_REQUIRE(state->loop_state == at(257));

  check_slots(state->show_mode, LayoutTable::Rk5502);
  check_slots(state->show_mode, LayoutTable::Tm3306);
  return 0;
}
