#pragma once
// The two four-input processors' models, held by the main window so that
// they outlive the pages: the rk5502 page data, both layout previews, and the
// layout table the two pages share (codes 0..17, four window slots each).
#include <QRect>
#include <array>
#include <cstdint>

#include "devices/preview_rect.h"

constexpr int kLayoutSlotCount = 4;
constexpr int kLayoutCodeCount = 18;  // 0..15 on buttons, 16 and 17 only from the device

struct Rk5502PageData {
  uint8_t show_mode = 0;            // current layout code
  uint8_t output_format = 0;        // 0 1080P60 .. 10 720P25, from the state query
  uint8_t preview_frame_color = 0;  // colour index of the preview frames; never changed
  uint8_t spare = 0;
  uint8_t pip_child_ch[2] = {};    // picture-in-picture child channels 1..4, 0 = not set
  uint8_t loop_state = 0;          // channel loop 0 off, 1 on
  uint8_t channel_status[8] = {};  // per-channel signal status; not shown
};
static_assert(sizeof(Rk5502PageData) == 15);

// The two pages differ in one layout: code 11 puts the two windows side by
// side at full height on the rk5502 and in the middle band on the tm3306.
enum class LayoutTable { Rk5502, Tm3306 };

using LayoutSlots = std::array<NumberedRect, kLayoutSlotCount>;

// Window slots of a layout code on the 720 x 480 canvas: slot k carries
// number k when the layout uses it and is all zero otherwise. Codes above 17
// use no slot.
LayoutSlots layout_slot_rects(int code, LayoutTable table);

// The same, written into a preview member (all four slots are overwritten).
void fill_layout_slots(NumberedRect (&dest)[kLayoutSlotCount], int code, LayoutTable table);

struct ProcessorModel {
  Rk5502PageData m_all_rk5502_page_data{};
  NumberedRect m_rk5502_win_rect[kLayoutSlotCount] = {};
  QRect m_rc_rk5502_show_mode_type;  // preview control 1185, screen coordinates
  uint8_t m_tm3306_show_mode = 0;    // current layout code 0..15
  NumberedRect m_tm3306_win_rect[kLayoutSlotCount] = {};
  QRect m_rc_lq7713_show_mode_type;  // preview control 1205, screen coordinates
};
