#include "devices/processor/processor_model.h"

namespace {

struct SlotGeometry {
  int32_t x, y, w, h;
};
using CodeGeometry = std::array<SlotGeometry, kLayoutSlotCount>;

constexpr SlotGeometry kNone{0, 0, 0, 0};
constexpr SlotGeometry kFull{0, 0, 720, 480};

// Slots 1..4 of each code, x, y, w, h; an empty slot is all zero.
constexpr std::array<CodeGeometry, kLayoutCodeCount> kLayouts = {{
    // 0: four equal quarters
    {{{0, 0, 360, 240}, {360, 0, 360, 240}, {0, 240, 360, 240}, {360, 240, 360, 240}}},
    // 1: window 1 large at the bottom centre, 2..4 small along the top
    {{{100, 160, 520, 320}, {0, 0, 240, 160}, {240, 0, 240, 160}, {480, 0, 240, 160}}},
    // 2: window 1 large at the top centre, 2..4 small along the bottom
    {{{100, 0, 520, 320}, {0, 320, 240, 160}, {240, 320, 240, 160}, {480, 320, 240, 160}}},
    // 3: window 1 large on the left, 2..4 stacked on the right
    {{{0, 80, 480, 320}, {480, 0, 240, 160}, {480, 160, 240, 160}, {480, 320, 240, 160}}},
    // 4: window 1 large on the right, 2..4 stacked on the left
    {{{240, 80, 480, 320}, {0, 0, 240, 160}, {0, 160, 240, 160}, {0, 320, 240, 160}}},
    // 5: window 1 full, 2 and 3 inset bottom left and bottom right
    {{kFull, {40, 330, 180, 120}, {500, 330, 180, 120}, kNone}},
    // 6: window 1 at the top centre, 2 and 3 side by side below
    {{{180, 0, 360, 240}, {0, 240, 360, 240}, {360, 240, 360, 240}, kNone}},
    // 7..10: window 1 full, window 2 inset top right, top left, bottom left, bottom right
    {{kFull, {500, 30, 180, 120}, kNone, kNone}},
    {{kFull, {40, 30, 180, 120}, kNone, kNone}},
    {{kFull, {40, 330, 180, 120}, kNone, kNone}},
    {{kFull, {500, 330, 180, 120}, kNone, kNone}},
    // 11: windows 1 and 2 side by side (the tm3306 variant is below)
    {{{0, 0, 360, 480}, {360, 0, 360, 480}, kNone, kNone}},
    // 12..15: one window alone: 4, 3, 2, 1
    {{kNone, kNone, kNone, kFull}},
    {{kNone, kNone, kFull, kNone}},
    {{kNone, kFull, kNone, kNone}},
    {{kFull, kNone, kNone, kNone}},
    // 16: windows 1 and 2 stacked in the centre column
    {{{180, 0, 360, 240}, {180, 240, 360, 240}, kNone, kNone}},
    // 17: nothing
    {{kNone, kNone, kNone, kNone}},
}};

constexpr CodeGeometry kTm3306Code11 = {{{0, 120, 360, 240}, {360, 120, 360, 240}, kNone, kNone}};

}  // namespace

LayoutSlots layout_slot_rects(int code, LayoutTable table) {
  LayoutSlots slot_rects{};
  if (code < 0 || code >= kLayoutCodeCount) return slot_rects;
  const CodeGeometry& geometry = (table == LayoutTable::Tm3306 && code == 11)
                                     ? kTm3306Code11
                                     : kLayouts[static_cast<size_t>(code)];
  for (size_t k = 0; k < slot_rects.size(); ++k) {
    const SlotGeometry& g = geometry[k];
    if (g.w == 0 || g.h == 0) continue;
    slot_rects[k] = NumberedRect{g.x, g.y, g.w, g.h, static_cast<int32_t>(k + 1)};
  }
  return slot_rects;
}

void fill_layout_slots(NumberedRect (&dest)[kLayoutSlotCount], int code, LayoutTable table) {
  const LayoutSlots rects = layout_slot_rects(code, table);
  for (size_t k = 0; k < rects.size(); ++k) dest[k] = rects[k];
}
