#include "devices/processor/processor_model.h"

#include <gtest/gtest.h>

namespace {

NumberedRect slot(int x, int y, int w, int h, int number) { return {x, y, w, h, number}; }
const NumberedRect kEmpty{};
const NumberedRect kFullFor1 = slot(0, 0, 720, 480, 1);

TEST(ProcessorModel, StartValuesAreZero) {
  const ProcessorModel m;
  const Rk5502PageData& d = m.m_all_rk5502_page_data;
  EXPECT_EQ(d.show_mode, 0);
  EXPECT_EQ(d.output_format, 0);
  EXPECT_EQ(d.preview_frame_color, 0);
  EXPECT_EQ(d.pip_child_ch[0], 0);
  EXPECT_EQ(d.pip_child_ch[1], 0);
  EXPECT_EQ(d.loop_state, 0);
  for (uint8_t status : d.channel_status) EXPECT_EQ(status, 0);
  for (int k = 0; k < kLayoutSlotCount; ++k) {
    EXPECT_EQ(m.m_rk5502_win_rect[k], kEmpty);
    EXPECT_EQ(m.m_tm3306_win_rect[k], kEmpty);
  }
  EXPECT_TRUE(m.m_rc_rk5502_show_mode_type.isNull());
  EXPECT_EQ(m.m_tm3306_show_mode, 0);
  EXPECT_TRUE(m.m_rc_lq7713_show_mode_type.isNull());
}

TEST(ProcessorLayout, QuadAndLargeWithThreeSmall) {
  EXPECT_EQ(layout_slot_rects(0, LayoutTable::Rk5502),
            (LayoutSlots{slot(0, 0, 360, 240, 1), slot(360, 0, 360, 240, 2),
                         slot(0, 240, 360, 240, 3), slot(360, 240, 360, 240, 4)}));
  EXPECT_EQ(layout_slot_rects(1, LayoutTable::Rk5502),
            (LayoutSlots{slot(100, 160, 520, 320, 1), slot(0, 0, 240, 160, 2),
                         slot(240, 0, 240, 160, 3), slot(480, 0, 240, 160, 4)}));
  EXPECT_EQ(layout_slot_rects(4, LayoutTable::Tm3306),
            (LayoutSlots{slot(240, 80, 480, 320, 1), slot(0, 0, 240, 160, 2),
                         slot(0, 160, 240, 160, 3), slot(0, 320, 240, 160, 4)}));
}

TEST(ProcessorLayout, InsetsLeaveUnusedSlotsEmpty) {
  EXPECT_EQ(
      layout_slot_rects(5, LayoutTable::Rk5502),
      (LayoutSlots{kFullFor1, slot(40, 330, 180, 120, 2), slot(500, 330, 180, 120, 3), kEmpty}));
  EXPECT_EQ(layout_slot_rects(7, LayoutTable::Rk5502),
            (LayoutSlots{kFullFor1, slot(500, 30, 180, 120, 2), kEmpty, kEmpty}));
  EXPECT_EQ(layout_slot_rects(10, LayoutTable::Rk5502),
            (LayoutSlots{kFullFor1, slot(500, 330, 180, 120, 2), kEmpty, kEmpty}));
}

TEST(ProcessorLayout, SideBySideDiffersBetweenThePages) {
  EXPECT_EQ(layout_slot_rects(11, LayoutTable::Rk5502),
            (LayoutSlots{slot(0, 0, 360, 480, 1), slot(360, 0, 360, 480, 2), kEmpty, kEmpty}));
  EXPECT_EQ(layout_slot_rects(11, LayoutTable::Tm3306),
            (LayoutSlots{slot(0, 120, 360, 240, 1), slot(360, 120, 360, 240, 2), kEmpty, kEmpty}));
  // Every other code is the same on both pages.
  for (int code = -2; code < 22; ++code) {
    if (code == 11) continue;
    EXPECT_EQ(layout_slot_rects(code, LayoutTable::Rk5502),
              layout_slot_rects(code, LayoutTable::Tm3306))
        << code;
  }
}

TEST(ProcessorLayout, SingleWindowCodesKeepTheWindowsNumber) {
  // 12 shows window 4, 13 window 3, 14 window 2, 15 window 1, each full screen.
  for (int code = 12; code <= 15; ++code) {
    const LayoutSlots s = layout_slot_rects(code, LayoutTable::Rk5502);
    const int window = 16 - code;
    for (int k = 0; k < kLayoutSlotCount; ++k) {
      const NumberedRect expected = k + 1 == window ? slot(0, 0, 720, 480, window) : kEmpty;
      EXPECT_EQ(s[k], expected) << code << " slot " << k + 1;
    }
  }
}

TEST(ProcessorLayout, DeviceOnlyAndUnknownCodes) {
  EXPECT_EQ(layout_slot_rects(16, LayoutTable::Rk5502),
            (LayoutSlots{slot(180, 0, 360, 240, 1), slot(180, 240, 360, 240, 2), kEmpty, kEmpty}));
  for (int code : {17, 18, 255, -1})
    EXPECT_EQ(layout_slot_rects(code, LayoutTable::Rk5502), LayoutSlots{}) << code;
}

TEST(ProcessorLayout, EverySlotLiesOnTheCanvas) {
  for (int code = 0; code < kLayoutCodeCount; ++code)
    for (LayoutTable table : {LayoutTable::Rk5502, LayoutTable::Tm3306})
      for (const NumberedRect& r : layout_slot_rects(code, table)) {
        if (!r.is_drawn()) continue;
        EXPECT_GE(r.x, 0);
        EXPECT_GE(r.y, 0);
        EXPECT_LE(r.x + r.w, kPreviewCanvasWidth) << code;
        EXPECT_LE(r.y + r.h, kPreviewCanvasHeight) << code;
      }
}

TEST(ProcessorLayout, FillOverwritesEverySlotOfThePreview) {
  ProcessorModel m;
  fill_layout_slots(m.m_rk5502_win_rect, 0, LayoutTable::Rk5502);
  EXPECT_EQ(m.m_rk5502_win_rect[3], slot(360, 240, 360, 240, 4));
  fill_layout_slots(m.m_rk5502_win_rect, 7, LayoutTable::Rk5502);
  EXPECT_EQ(m.m_rk5502_win_rect[0], kFullFor1);
  EXPECT_EQ(m.m_rk5502_win_rect[2], kEmpty);
  EXPECT_EQ(m.m_rk5502_win_rect[3], kEmpty);
  fill_layout_slots(m.m_tm3306_win_rect, 11, LayoutTable::Tm3306);
  EXPECT_EQ(m.m_tm3306_win_rect[0].rect(), QRect(0, 120, 360, 240));
}

}  // namespace
