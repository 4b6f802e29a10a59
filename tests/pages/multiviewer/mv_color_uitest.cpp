#include <QImage>

#include "controls/shade_button.h"
#include "mv_subpage_fixture.h"
#include "pages/multiviewer/mv_color_page.h"
#include "pages/multiviewer/mv_page.h"
#include "support/pty_pair.h"

namespace {
using mv_test::Bytes;
using Page = CClass_16view_color;

QStringList items_of(QComboBox* list) {
  QStringList items;
  for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
  return items;
}

class MvColorPageTest : public mv_test::SubPageTest {
 protected:
  All16ViewPageData& data() { return main->m_all_16_view_page_data; }
  // Distinct codes per window: text = window mod 16, back = 15 - that.
  void fill_distinct_colours() {
    for (int i = 0; i < kMvWindowCount; ++i) {
      data().kelvaro_16_view_umd_text_color[i] = static_cast<uint8_t>(i);
      data().kelvaro_16_view_umd_back_color[i] = static_cast<uint8_t>(15 - i);
      data().kelvaro_16_view_resolution_text_color[i] = static_cast<uint8_t>((i + 3) % 16);
      data().kelvaro_16_view_resolution_back_color[i] = static_cast<uint8_t>((i + 7) % 16);
    }
  }
  // Sixteen windows on the preview, so strips have a size.
  void sixteen_windows() {
    main->m_cur_window_count = 16;
    for (int i = 0; i < kMvWindowCount; ++i)
      main->m_16_view_win_rect[i] = {180 * (i % 4), 120 * (i / 4), 180, 120, i + 1};
  }
};

TEST_F(MvColorPageTest, ChannelListsAreBoundByTheWindowCount) {
  main->m_cur_window_count = 4;
  data().kelvaro_16_view_color_source_channel = 4;
  data().kelvaro_16_view_color_window_channel = 5;
  Page* page = open_page<Page>();
  const QStringList four = {"All Channel", "CH_1", "CH_2", "CH_3", "CH_4"};
  EXPECT_EQ(items_of(page->combo(Page::IDC_COLOR_SOURCE_CHANNEL)), four);
  EXPECT_EQ(items_of(page->combo(Page::IDC_COLOR_WINDOW_CHANNEL)), four);
  EXPECT_EQ(page->combo(Page::IDC_COLOR_SOURCE_CHANNEL)->currentText(), "CH_4");
  EXPECT_EQ(data().kelvaro_16_view_color_source_channel, 4);
  EXPECT_EQ(page->combo(Page::IDC_COLOR_WINDOW_CHANNEL)->currentText(), "All Channel");
  EXPECT_EQ(data().kelvaro_16_view_color_window_channel, 0) << "falls back to all windows";
  EXPECT_EQ(items_of(page->combo(Page::IDC_COLOR_UMD_TEXT)).size(), 16);
  EXPECT_EQ(page->combo(Page::IDC_COLOR_RESO_BACK)->itemText(15), "HalfTrans");
  EXPECT_FALSE(page->control(Page::IDC_COLOR_ALL_CHANNEL)->isVisible());
  EXPECT_FALSE(page->control(Page::IDC_COLOR_ALL_WINDOW)->isVisible());
  page->destroy_page();

  main->m_cur_window_count = 16;
  data().kelvaro_16_view_color_source_channel = 16;
  page = open_page<Page>();
  EXPECT_EQ(page->combo(Page::IDC_COLOR_SOURCE_CHANNEL)->count(), 17);
  EXPECT_EQ(page->combo(Page::IDC_COLOR_SOURCE_CHANNEL)->currentText(), "CH_16");
  page->destroy_page();

  // A one-window mode leaves one channel; a later colour goes to all windows.
  main->m_cur_window_count = 1;
  page = open_page<Page>();
  EXPECT_EQ(items_of(page->combo(Page::IDC_COLOR_SOURCE_CHANNEL)),
            (QStringList{"All Channel", "CH_1"}));
  EXPECT_EQ(data().kelvaro_16_view_color_source_channel, 0);
  choose(page->combo(Page::IDC_COLOR_UMD_TEXT), 9);
  EXPECT_EQ(next_payload(0x3B), (Bytes{0x00, 0x09}));
  for (uint8_t code : data().kelvaro_16_view_umd_text_color) EXPECT_EQ(code, 9);
}

TEST_F(MvColorPageTest, ColourListsShowThePairOfTheChosenWindow) {
  main->m_cur_window_count = 16;
  fill_distinct_colours();
  data().kelvaro_16_view_umd_back_color[2] = 20;  // not a colour code
  Page* page = open_page<Page>();
  // Selection 1 from program start: window 1.
  EXPECT_EQ(page->combo(Page::IDC_COLOR_UMD_TEXT)->currentText(), "Black");
  EXPECT_EQ(page->combo(Page::IDC_COLOR_UMD_BACK)->currentText(), "HalfTrans");
  EXPECT_EQ(page->combo(Page::IDC_COLOR_RESO_TEXT)->currentIndex(), 3);
  EXPECT_EQ(page->combo(Page::IDC_COLOR_RESO_BACK)->currentIndex(), 7);

  choose(page->combo(Page::IDC_COLOR_SOURCE_CHANNEL), 3);
  EXPECT_EQ(data().kelvaro_16_view_color_source_channel, 3);
  EXPECT_EQ(page->combo(Page::IDC_COLOR_UMD_TEXT)->currentText(), "Red");
  EXPECT_EQ(page->combo(Page::IDC_COLOR_UMD_BACK)->currentIndex(), -1) << "code 20 selects nothing";

  choose(page->combo(Page::IDC_COLOR_WINDOW_CHANNEL), 6);
  EXPECT_EQ(data().kelvaro_16_view_color_window_channel, 6);
  EXPECT_EQ(page->combo(Page::IDC_COLOR_RESO_TEXT)->currentIndex(), 8);
  EXPECT_EQ(page->combo(Page::IDC_COLOR_RESO_BACK)->currentIndex(), 12);

  choose(page->combo(Page::IDC_COLOR_WINDOW_CHANNEL), 0);  // all windows show window 1
  EXPECT_EQ(data().kelvaro_16_view_color_window_channel, 0);
  EXPECT_EQ(page->combo(Page::IDC_COLOR_RESO_TEXT)->currentIndex(), 3);
  EXPECT_TRUE(nothing_sent()) << "choosing a channel sends nothing";
}

TEST_F(MvColorPageTest, UmdTextColourOfOneWindow) {
  sixteen_windows();
  fill_distinct_colours();
  Page* page = open_page<Page>();
  choose(page->combo(Page::IDC_COLOR_SOURCE_CHANNEL), 2);  // CH_2
  choose(page->combo(Page::IDC_COLOR_UMD_TEXT), 2);        // Red
  const Bytes frame = next_frame();
  ASSERT_EQ(frame.size(), 22u);
  EXPECT_EQ(mv_test::payload_of(frame, 0x3B), (Bytes{0x02, 0x02}));
  for (int i = 0; i < kMvWindowCount; ++i)
    EXPECT_EQ(data().kelvaro_16_view_umd_text_color[i], i == 1 ? 2 : i) << i;
  EXPECT_EQ(device_state().umd_text_color[1], 2);
  EXPECT_TRUE(nothing_sent());
}

TEST_F(MvColorPageTest, UmdBackgroundForAllWindowsRecomputesTheStrips) {
  sixteen_windows();
  Page* page = open_page<Page>();
  choose(page->combo(Page::IDC_COLOR_SOURCE_CHANNEL), 0);
  choose(page->combo(Page::IDC_COLOR_UMD_BACK), 6);  // Yellow
  const Bytes frame = next_frame();
  ASSERT_EQ(frame.size(), 22u);
  EXPECT_EQ(mv_test::payload_of(frame, 0x3C), (Bytes{0x00, 0x06}));
  for (uint8_t code : device_state().umd_back_color) EXPECT_EQ(code, 6);
  for (int i = 0; i < kMvWindowCount; ++i) {
    EXPECT_EQ(data().kelvaro_16_view_umd_back_color[i], 6);
    EXPECT_EQ(main->m_16_view_umd_rgb[i], (PreviewRgb{255, 255, 0}));
    EXPECT_EQ(main->m_16_view_umd_rect[i].w, 45);
  }
}

TEST_F(MvColorPageTest, ResolutionTextColourFollowsTheWindowChannelOnly) {
  main->m_cur_window_count = 4;
  fill_distinct_colours();
  Page* page = open_page<Page>();
  choose(page->combo(Page::IDC_COLOR_SOURCE_CHANNEL), 0);
  choose(page->combo(Page::IDC_COLOR_WINDOW_CHANNEL), 3);
  choose(page->combo(Page::IDC_COLOR_RESO_TEXT), 1);  // Blue
  EXPECT_EQ(next_payload(0x3D), (Bytes{0x03, 0x01}));
  for (int i = 0; i < kMvWindowCount; ++i)
    EXPECT_EQ(data().kelvaro_16_view_resolution_text_color[i], i == 2 ? 1 : (i + 3) % 16) << i;
}

TEST_F(MvColorPageTest, ResolutionBackgroundForAllWindowsPaintsTheStripsGreen) {
  sixteen_windows();
  main->m_16_view_reso_show = 1;
  Page* page = open_page<Page>();
  choose(page->combo(Page::IDC_COLOR_SOURCE_CHANNEL), 5);
  choose(page->combo(Page::IDC_COLOR_WINDOW_CHANNEL), 0);
  choose(page->combo(Page::IDC_COLOR_RESO_BACK), 4);  // Green
  EXPECT_EQ(next_payload(0x3E), (Bytes{0x00, 0x04}));
  for (int i = 0; i < kMvWindowCount; ++i) {
    EXPECT_EQ(data().kelvaro_16_view_resolution_back_color[i], 4);
    EXPECT_EQ(main->m_16_view_reso_rgb[i], (PreviewRgb{0, 255, 0}));
    EXPECT_EQ(main->m_16_view_reso_rect[i],
              (PreviewRect{180 * (i % 4) + 144, 120 * (i / 4) + 12, 30, 12}));
  }
  // The UMD pair was not touched by the resolution choice.
  EXPECT_EQ(data().kelvaro_16_view_color_source_channel, 5);
  EXPECT_EQ(data().kelvaro_16_view_umd_back_color[4], 0);
}

TEST_F(MvColorPageTest, TransAndCodesPaintAsThePreviewTableSays) {
  sixteen_windows();
  Page* page = open_page<Page>();
  choose(page->combo(Page::IDC_COLOR_SOURCE_CHANNEL), 1);
  choose(page->combo(Page::IDC_COLOR_UMD_BACK), 14);  // Trans
  EXPECT_EQ(next_payload(0x3C), (Bytes{0x01, 0x0E}));
  EXPECT_EQ(main->m_16_view_umd_rgb[0], (PreviewRgb{255, 255, 255}));
  EXPECT_EQ(main->m_16_view_umd_rgb[1], (PreviewRgb{0, 0, 0}));
}

TEST_F(MvColorPageTest, WithTheSerialPortClosedColoursAreKeptButNotSent) {
  sixteen_windows();
  main->m_eState = 1;
  Page* page = open_page<Page>();
  choose(page->combo(Page::IDC_COLOR_WINDOW_CHANNEL), 0);
  choose(page->combo(Page::IDC_COLOR_RESO_BACK), 2);  // Red
  EXPECT_EQ(data().kelvaro_16_view_resolution_back_color[7], 2);
  EXPECT_EQ(main->m_16_view_reso_rgb[7], (PreviewRgb{0, 0, 0})) << "no recomputation";
  // The UMD strips are recomputed before the send, so they follow anyway.
  choose(page->combo(Page::IDC_COLOR_SOURCE_CHANNEL), 0);
  choose(page->combo(Page::IDC_COLOR_UMD_BACK), 1);  // Blue
  EXPECT_EQ(main->m_16_view_umd_rgb[7], (PreviewRgb{0, 0, 255}));
  EXPECT_TRUE(nothing_sent());

  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  ASSERT_TRUE(main->m_comm.open_port(pty.slave_name(), 9600));
  choose(page->combo(Page::IDC_COLOR_RESO_BACK), 11);  // LightGreen
  const Bytes frame = pty.device_read(22);
  ASSERT_EQ(frame.size(), 22u);
  EXPECT_EQ(mv_test::payload_of(frame, 0x3E, Link::Serial), (Bytes{0x00, 0x0B}));
  EXPECT_EQ(main->m_16_view_reso_rgb[7], (PreviewRgb{144, 238, 144}));
  main->m_comm.close_port(500);
}

TEST_F(MvColorPageTest, DrawsTheTwoHeadingsAndTheirLines) {
  Page* page = open_page<Page>();
  const QImage image = page->grab().toImage();
  for (int x : {21, 240, 469}) {
    EXPECT_EQ(QColor(image.pixel(x, 60)), QColor(Qt::black)) << x;
    EXPECT_EQ(QColor(image.pixel(x, 240)), QColor(Qt::black)) << x;
  }
  // Some black text between the top of each heading and its line.
  const auto has_black = [&](int top) {
    for (int y = top; y < top + 18; ++y)
      for (int x = 30; x < 130; ++x)
        if (QColor(image.pixel(x, y)) == QColor(Qt::black)) return true;
    return false;
  };
  EXPECT_TRUE(has_black(40));
  EXPECT_TRUE(has_black(220));
}
TEST_F(MvColorPageTest, TabFiveOfTheShellListsTheDeviceWindows) {
  devsim::MultiviewerState state = device_state();
  state.window_count = 6;
  sim->sim().set_multiviewer_state(0, state);
  ASSERT_TRUE(sim->select_in_main_window(*main, 0));
  auto* shell = CClass_16view_dlg::live_shell();
  ASSERT_NE(shell, nullptr);
  ASSERT_EQ(mv_test::payload_of(next_frame(), 0x32), Bytes{}) << "the layout tab's state query";
  QTest::mouseClick(shell->tab_button(5), Qt::LeftButton);
  auto* page = dynamic_cast<Page*>(shell->cur_sub_page());
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(page->combo(Page::IDC_COLOR_SOURCE_CHANNEL)->count(), 7);
  EXPECT_EQ(page->combo(Page::IDC_COLOR_WINDOW_CHANNEL)->itemText(6), "CH_6");
  choose(page->combo(Page::IDC_COLOR_SOURCE_CHANNEL), 6);
  choose(page->combo(Page::IDC_COLOR_UMD_TEXT), 7);  // White
  EXPECT_EQ(next_payload(0x3B), (Bytes{0x06, 0x07}));
  EXPECT_EQ(device_state().umd_text_color[5], 7);
}
}  // namespace
