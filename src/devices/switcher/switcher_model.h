#pragma once
// The production switcher's page data, held by the main window so that it
// outlives the page: bus sources, transition and layer buttons, keyers and
// picture-in-picture settings. Fields are unsigned bytes unless noted.
#include <cstdint>

struct SwitcherPageData {
  uint8_t pgm_source = 0;       // program bus source 1..12, 0 = none
  uint8_t pvm_source = 0;       // preview bus source 1..12, 0 = none
  uint8_t tbar_value = 0;       // running value of the automatic transition
  uint8_t direction = 1;        // 1: next transition starts at T-bar 129, 0: at 0
  uint8_t rate_index = 0;       // RATE button 0..2
  uint8_t pip_on = 0;           // PIP layer on
  uint8_t on_air = 0;           // ON AIR on
  uint8_t on_air2 = 0;          // the hidden second ON AIR button
  uint8_t bkgd_on = 0;          // BKGD on
  uint8_t key1_on = 0;          // KEY 1 on
  uint8_t key2_on = 0;          // KEY 2 on
  uint8_t layer_select = 0;     // 0 none, 1 PIP, 2 KEY 1, 3 KEY 2
  uint8_t transition_type = 0;  // 1 MIX, 2 DIP, 3 WIPE, 0 none
  uint8_t ftb_on = 0;           // fade to black on
  uint8_t tbar_moving = 0;      // a transition is part-way
  uint8_t sub_page = 0;         // 0 transition, 1 key 1, 2 key 2, 3 PIP
  uint8_t dip_source = 0;
  uint8_t wipe_source = 0;
  uint8_t wipe_style = 0;  // wipe pattern 0..8
  uint8_t luma_source = 0;
  uint8_t luma_red = 0;
  uint8_t luma_green = 0;
  uint8_t luma_blue = 0;
  uint8_t chroma_source = 0;
  uint8_t chroma_type = 0;     // 0 "Key Light Blue", 1 "Key Light Green"
  uint8_t chroma_red[2] = {};  // one level per chroma type
  uint8_t chroma_green[2] = {};
  uint8_t chroma_blue[2] = {};
  uint8_t pip_source = 0;
  uint8_t pip_border_enable = 0;
  uint8_t pip_border_color = 0;
  uint8_t pip_border_width = 0;
  uint16_t pip_x = 0;
  uint16_t pip_y = 0;
  uint16_t pip_size = 0;
};

struct SwitcherModel {
  // Zero at program start except `direction`, so the first transition runs
  // from T-bar position 129.
  SwitcherPageData m_all_switcher_page_data{};
};
