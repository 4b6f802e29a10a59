#include "devices/switcher/switcher_model.h"

#include <gtest/gtest.h>

namespace {

TEST(SwitcherModel, AllZeroExceptDirectionAtStart) {
  const SwitcherPageData& d = SwitcherModel{}.m_all_switcher_page_data;
  EXPECT_EQ(d.direction, 1);
  const uint8_t SwitcherPageData::*bytes[] = {
      &SwitcherPageData::pgm_source,       &SwitcherPageData::pvm_source,
      &SwitcherPageData::tbar_value,       &SwitcherPageData::rate_index,
      &SwitcherPageData::pip_on,           &SwitcherPageData::on_air,
      &SwitcherPageData::on_air2,          &SwitcherPageData::bkgd_on,
      &SwitcherPageData::key1_on,          &SwitcherPageData::key2_on,
      &SwitcherPageData::layer_select,     &SwitcherPageData::transition_type,
      &SwitcherPageData::ftb_on,           &SwitcherPageData::tbar_moving,
      &SwitcherPageData::sub_page,         &SwitcherPageData::dip_source,
      &SwitcherPageData::wipe_source,      &SwitcherPageData::wipe_style,
      &SwitcherPageData::luma_source,      &SwitcherPageData::luma_red,
      &SwitcherPageData::luma_green,       &SwitcherPageData::luma_blue,
      &SwitcherPageData::chroma_source,    &SwitcherPageData::chroma_type,
      &SwitcherPageData::pip_source,       &SwitcherPageData::pip_border_enable,
      &SwitcherPageData::pip_border_color, &SwitcherPageData::pip_border_width};
  for (auto field : bytes) EXPECT_EQ(d.*field, 0);
  for (int t = 0; t < 2; ++t) {
    EXPECT_EQ(d.chroma_red[t], 0);
    EXPECT_EQ(d.chroma_green[t], 0);
    EXPECT_EQ(d.chroma_blue[t], 0);
  }
  EXPECT_EQ(d.pip_x, 0);
  EXPECT_EQ(d.pip_y, 0);
  EXPECT_EQ(d.pip_size, 0);
}

}  // namespace
