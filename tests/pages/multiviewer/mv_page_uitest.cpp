// The multiviewer page: opening it against a simulated device, its tabs and
// the layout preview it shows left of the sub-pages.
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QPointer>

#include "mv_page_fixture.h"
#include "pages/multiviewer/mv_audio_page.h"
#include "pages/multiviewer/mv_color_page.h"
#include "pages/multiviewer/mv_preview.h"
#include "pages/multiviewer/mv_set_page.h"
#include "pages/multiviewer/mv_status_page.h"
#include "pages/multiviewer/mv_umd_page.h"

namespace {
using namespace mv_page_test;
using Page = CClass_16view_dlg;

// A device state far from the power-on one.
devsim::MultiviewerState nine_window_state() {
  devsim::MultiviewerState s = devsim::initial_multiviewer_state();
  s.window_count = 9;
  s.resolution_code = 14;  // 720p60
  s.umd_enable = 1;
  s.audio_enable = 0;
  s.audio_source = 3;
  s.resolution_enable = 1;
  for (int i = 0; i < 16; ++i) {
    s.sources[i] = static_cast<uint8_t>(15 - i);
    s.umd_back_color[i] = static_cast<uint8_t>(i % 14);
    s.resolution_back_color[i] = 2;  // Red
  }
  s.set_label(2, u"Studio B");
  s.border_enable = 0;
  s.lock_state = 1;
  return s;
}

QColor pixel(const QImage& image, int x, int y) { return QColor(image.pixel(x, y)); }

TEST_F(MvPageTest, OpeningReadsTheDeviceOnceAndShowsItsState) {
  sim().set_multiviewer_state(kLan, nine_window_state());
  Page* page = open(kLan);
  ASSERT_NE(page, nullptr);
  CClass_16view_control* tab = layout_tab();
  ASSERT_NE(tab, nullptr);

  // Exactly one 20-byte state request, and nothing else.
  ASSERT_TRUE(sim().wait_for_frames(1, ms(2000)));
  EXPECT_TRUE(nothing_after(1));
  const auto queries = frames_of(kLan, 0x32);
  ASSERT_EQ(queries.size(), 1u);
  EXPECT_EQ(queries[0].bytes.size(), 20u);
  EXPECT_EQ(queries[0].bytes[6], 0x01);

  // The model holds the device's state.
  const All16ViewPageData& d = main->m_all_16_view_page_data;
  EXPECT_EQ(main->m_16_view_state_read, 1);
  EXPECT_EQ(main->m_cur_window_count, 9);
  EXPECT_EQ(d.kelvaro_16_view_mode_type, 4);
  EXPECT_EQ(d.kelvaro_16_view_resolution_type, 7);
  EXPECT_EQ(d.kelvaro_16_view_audio_source_channel, 3);
  EXPECT_EQ(d.kelvaro_16_view_lock_state, 1);
  EXPECT_EQ(main->m_16_view_umd_text[1], QStringLiteral("Studio B"));
  EXPECT_EQ(main->m_16_view_window_source[0], 15);

  // Button 1036 (nine windows) is pressed; the first nine lists and labels
  // are enabled and show the device's sources.
  for (int k = 1; k <= 7; ++k)
    EXPECT_EQ(tab->mode_button(k)->bitmap_id(), CClass_16view_control::mode_bitmap(k, k == 5))
        << "mode button " << k;
  EXPECT_EQ(tab->mode_button(5)->objectName(), "ctl1036");
  EXPECT_EQ(tab->cur_mode_button(), 5);
  for (int i = 0; i < 16; ++i) {
    QComboBox* list = tab->combo(1101 + i);
    EXPECT_EQ(list->isEnabled(), i < 9) << "list " << 1101 + i;
    EXPECT_EQ(tab->control(1075 + i)->isEnabled(), i < 9) << "label " << 1075 + i;
    EXPECT_EQ(list->currentText(), QStringLiteral("SDI %1").arg(16 - i));
  }
  EXPECT_EQ(main->m_16_view_win_rect[8].x, 480);
  EXPECT_EQ(main->m_16_view_win_rect[8].y, 320);
  EXPECT_EQ(main->m_16_view_win_rect[9].w, 0);
}

TEST_F(MvPageTest, SilentDeviceLeavesTheModelAndTheWaitEndsAfterItsBound) {
  devsim::Faults silent;
  silent.drop_replies = -1;
  sim().set_faults(kLan, silent);
  // The model as a previous visit left it (select_device clears only the record).
  main->m_16_view_window_source[3] = 7;
  main->m_16_view_umd_text[0] = QStringLiteral("Kept");

  QElapsedTimer clock;
  clock.start();
  Page* page = open(kLan);
  const qint64 took = clock.elapsed();
  ASSERT_NE(page, nullptr);

  EXPECT_GE(took, 190);
  EXPECT_LT(took, 3000);
  EXPECT_EQ(frames_of(kLan, 0x32).size(), 1u);
  EXPECT_EQ(trace_count("wait time over \n"), 1);
  EXPECT_EQ(main->m_16_view_state_read, 1);
  EXPECT_EQ(main->m_16_view_window_source[3], 7);
  EXPECT_EQ(main->m_16_view_umd_text[0], QStringLiteral("Kept"));
  EXPECT_EQ(main->m_cur_window_count, 1);  // the record's 1-window mode
  // The page shows the cleared record: 1-window mode, one list enabled.
  CClass_16view_control* tab = layout_tab();
  ASSERT_NE(tab, nullptr);
  EXPECT_EQ(tab->cur_mode_button(), 1);
  EXPECT_EQ(tab->mode_button(1)->bitmap_id(), 172);
  EXPECT_TRUE(tab->combo(1101)->isEnabled());
  EXPECT_FALSE(tab->combo(1102)->isEnabled());
  EXPECT_EQ(tab->combo(1104)->currentText(), QStringLiteral("SDI 8"));
}

TEST_F(MvPageTest, TabsShowTheirFacesAndHostOneSubPageAtATime) {
  Page* page = open(kLan);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(page->objectName(), "dlg129");
  EXPECT_EQ(page->geometry(), main->m_rc_page);

  struct Tab {
    int id;
    QRect rect;
    int normal;
  };
  const Tab shown[] = {{1020, QRect(748, 25, 80, 75), 192},
                       {1011, QRect(840, 25, 80, 75), 204},
                       {1022, QRect(932, 25, 72, 75), 189},
                       {1023, QRect(1012, 25, 92, 75), 200}};
  for (const Tab& t : shown) {
    auto* b = page->findChild<CShadeButton*>(control_object_name(t.id));
    ASSERT_NE(b, nullptr) << t.id;
    EXPECT_TRUE(b->isVisible()) << t.id;
    EXPECT_EQ(b->geometry(), t.rect) << t.id;
    EXPECT_TRUE(b->draws_transparent());
    EXPECT_FALSE(b->draws_border());
  }
  EXPECT_EQ(page->tab_button(1)->objectName(), "ctl1019");
  EXPECT_EQ(page->tab_button(4)->objectName(), "ctl1021");
  EXPECT_FALSE(page->tab_button(1)->isVisible());
  EXPECT_FALSE(page->tab_button(4)->isVisible());
  EXPECT_EQ(page->findChild<QWidget*>("ctl1069"), page->preview_control());
  EXPECT_EQ(page->control(1024)->geometry(), QRect(750, 105, 490, 420));
  EXPECT_EQ(page->sub_page_rect(), QRect(750, 105, 490, 420));

  // Tab 2 is selected on opening.
  EXPECT_EQ(page->cur_tab(), 2);
  EXPECT_EQ(page->tab_button(2)->bitmap_id(), 193);
  EXPECT_EQ(page->tab_button(3)->bitmap_id(), 204);
  QPointer<PageFrame> first = page->cur_sub_page();
  EXPECT_EQ(first->geometry(), QRect(750, 105, 490, 420));
  EXPECT_TRUE(first->isVisible());

  // Tab 3: the layout tab is gone, the label tab is there, faces swap.
  QTest::mouseClick(page->tab_button(3), Qt::LeftButton);
  EXPECT_TRUE(first.isNull());
  EXPECT_NE(dynamic_cast<CClass_16view_umd*>(page->cur_sub_page()), nullptr);
  EXPECT_EQ(page->tab_button(2)->bitmap_id(), 192);
  EXPECT_EQ(page->tab_button(3)->bitmap_id(), 205);
  EXPECT_EQ(page->findChildren<PageFrame*>(QString(), Qt::FindDirectChildrenOnly).size(), 1);

  QTest::mouseClick(page->tab_button(5), Qt::LeftButton);
  EXPECT_NE(dynamic_cast<CClass_16view_color*>(page->cur_sub_page()), nullptr);
  EXPECT_EQ(page->tab_button(3)->bitmap_id(), 204);
  EXPECT_EQ(page->tab_button(5)->bitmap_id(), 190);
  QTest::mouseClick(page->tab_button(6), Qt::LeftButton);
  EXPECT_NE(dynamic_cast<CClass_16view_set*>(page->cur_sub_page()), nullptr);
  EXPECT_EQ(page->tab_button(6)->bitmap_id(), 201);

  // The same tab again changes nothing.
  PageFrame* settings = page->cur_sub_page();
  QTest::mouseClick(page->tab_button(6), Qt::LeftButton);
  EXPECT_EQ(page->cur_sub_page(), settings);

  // Back to tab 2: a new layout tab, which reads the device again.
  const size_t before = frames_of(kLan, 0x32).size();
  QTest::mouseClick(page->tab_button(2), Qt::LeftButton);
  EXPECT_NE(layout_tab(), nullptr);
  ASSERT_TRUE(sim().wait_for_frames(
      before + 1, ms(2000), [](const devsim::ReceivedFrame& f) { return f.command() == 0x32; }));
  EXPECT_EQ(page->findChildren<PageFrame*>(QString(), Qt::FindDirectChildrenOnly).size(), 1);

  // The hidden tabs still have their sub-pages behind them.
  page->SelectSubPage(1);
  EXPECT_NE(dynamic_cast<CClass_16view_status*>(page->cur_sub_page()), nullptr);
  EXPECT_EQ(page->tab_button(1)->bitmap_id(), 203);
  page->SelectSubPage(4);
  EXPECT_NE(dynamic_cast<CClass_16view_audio*>(page->cur_sub_page()), nullptr);
  EXPECT_EQ(page->tab_button(1)->bitmap_id(), 202);
  EXPECT_EQ(page->tab_button(4)->bitmap_id(), 186);
  // No such tab: nothing happens.
  page->SelectSubPage(7);
  page->SelectSubPage(0);
  EXPECT_EQ(page->cur_tab(), 4);
}

TEST_F(MvPageTest, ChoosingAnotherDeviceDestroysThePageAndItsSubPage) {
  Page* page = open(kLan);
  ASSERT_NE(page, nullptr);
  QPointer<Page> shell_ptr = page;
  QPointer<PageFrame> sub = page->cur_sub_page();
  ASSERT_EQ(Page::live_shell(), page);
  main->close_shown_page();
  EXPECT_TRUE(shell_ptr.isNull());
  EXPECT_TRUE(sub.isNull());
  EXPECT_EQ(Page::live_shell(), nullptr);
  // A recomputation with no page shown only updates the model.
  main->m_all_16_view_page_data.kelvaro_16_view_mode_type = 1;
  RecalcWholePreview(*main);
  EXPECT_EQ(main->m_16_view_win_rect[3].x, 360);
}

TEST_F(MvPageTest, PreviewShowsTheLayoutWithLabelStripsInTheirColours) {
  devsim::MultiviewerState s = devsim::initial_multiviewer_state();
  s.window_count = 4;
  s.umd_enable = 1;
  s.audio_enable = 1;
  s.resolution_enable = 1;
  const uint8_t umd[4] = {2, 4, 1, 14};  // Red, Green, Blue, Trans (white)
  for (int i = 0; i < 4; ++i) s.umd_back_color[i] = umd[i];
  s.resolution_back_color.fill(6);  // Yellow
  sim().set_multiviewer_state(kLan, s);
  Page* page = open(kLan);
  ASSERT_NE(page, nullptr);

  QWidget* preview = page->preview_control();
  ASSERT_NE(preview, nullptr);
  EXPECT_TRUE(preview->isVisible());
  EXPECT_EQ(preview->geometry(), QRect(5, 40, 720, 480));
  EXPECT_EQ(main->m_16_view_preview_rect,
            QRect(preview->mapToGlobal(QPoint(0, 0)), QSize(720, 480)));

  const QImage shot = preview->grab().toImage();
  ASSERT_EQ(shot.size(), QSize(720, 480));
  // UMD strips of 360 x 240 windows: (x + 135, y + 192, 90, 24).
  const QPoint origin[4] = {{0, 0}, {360, 0}, {0, 240}, {360, 240}};
  const QColor expected[4] = {QColor(255, 0, 0), QColor(0, 255, 0), QColor(0, 0, 255),
                              QColor(255, 255, 255)};
  for (int i = 0; i < 4; ++i) {
    const QPoint o = origin[i];
    EXPECT_EQ(pixel(shot, o.x() + 135 + 45, o.y() + 192 + 12), expected[i]) << "window " << i + 1;
    EXPECT_EQ(pixel(shot, o.x() + 136, o.y() + 193), expected[i]);
    EXPECT_EQ(pixel(shot, o.x() + 224, o.y() + 215), expected[i]);
    // Just outside the strip: the window's face.
    EXPECT_EQ(pixel(shot, o.x() + 134, o.y() + 200), QColor(55, 55, 55));
    // Frame, resolution strip (288, 24, 60, 24) and audio bar (36, 144, 36, 60).
    EXPECT_EQ(pixel(shot, o.x() + 1, o.y() + 1), QColor(89, 187, 255));
    EXPECT_EQ(pixel(shot, o.x() + 300, o.y() + 30), QColor(255, 255, 0));
    EXPECT_EQ(pixel(shot, o.x() + 50, o.y() + 170), QColor(89, 187, 255));
  }

  // Turning the labels off on the label tab's switch repaints without strips.
  main->m_16_view_umd_show = 0;
  refresh_mv_preview();
  const QImage off = preview->grab().toImage();
  EXPECT_EQ(pixel(off, 180, 204), QColor(55, 55, 55));
}
}  // namespace
