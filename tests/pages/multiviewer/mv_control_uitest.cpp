// The layout tab: mode buttons, window sources and the hidden lists, with
// the bytes the simulated multiviewer receives.
#include <QLabel>

#include "mv_page_fixture.h"

namespace {
using namespace mv_page_test;
using Tab = CClass_16view_control;

class MvControlTest : public MvPageTest {
 protected:
  // Opens the page on the LAN device and forgets the state query.
  Tab* open_tab(const devsim::MultiviewerState& state = devsim::initial_multiviewer_state()) {
    sim().set_multiviewer_state(kLan, state);
    if (!open(kLan)) return nullptr;
    if (!sim().wait_for_frames(1, ms(2000))) return nullptr;
    sim().clear_frames();
    return layout_tab();
  }
  // The one frame that arrives next, with its command and envelope checked.
  Bytes only_frame(uint8_t command, Link link = Link::Udp) {
    if (!sim().wait_for_frames(1, ms(3000))) {
      ADD_FAILURE() << "no frame for command " << int(command);
      return {};
    }
    EXPECT_TRUE(nothing_after(1));
    const Bytes frame = sim().frames()[0].bytes;
    sim().clear_frames();
    return payload_of(frame, command, link);
  }
  static devsim::MultiviewerState state_with_windows(uint8_t count) {
    devsim::MultiviewerState s = devsim::initial_multiviewer_state();
    s.window_count = count;
    return s;
  }
};

TEST_F(MvControlTest, ModeButtonSendsTheWindowCountOnceAndRedrawsThePreview) {
  Tab* tab = open_tab(state_with_windows(9));
  ASSERT_NE(tab, nullptr);
  ASSERT_EQ(tab->cur_mode_button(), 5);

  QTest::mouseClick(tab->mode_button(7), Qt::LeftButton);  // 1038, sixteen windows
  const Bytes payload = only_frame(0x33);
  EXPECT_EQ(payload, Bytes{16});
  EXPECT_EQ(sim().multiviewer_state(kLan).window_count, 16);

  EXPECT_EQ(main->m_cur_window_count, 16);
  EXPECT_EQ(main->m_all_16_view_page_data.kelvaro_16_view_mode_type, 6);
  EXPECT_EQ(tab->mode_button(5)->bitmap_id(), 179);
  EXPECT_EQ(tab->mode_button(7)->bitmap_id(), 184);
  for (int i = 0; i < 16; ++i) EXPECT_TRUE(tab->combo(1101 + i)->isEnabled());
  const NumberedRect last = main->m_16_view_win_rect[15];
  EXPECT_EQ(last, (NumberedRect{540, 360, 180, 120, 16}));
  EXPECT_EQ(main->m_16_view_umd_rect[15], (PreviewRect{540 + 67, 360 + 96, 45, 12}));

  // Pressed already: nothing goes out.
  QTest::mouseClick(tab->mode_button(7), Qt::LeftButton);
  EXPECT_TRUE(nothing_after(0, ms(300)));

  // Four windows: lists 1105..1116 are disabled but keep their sources.
  QTest::mouseClick(tab->mode_button(2), Qt::LeftButton);
  EXPECT_EQ(only_frame(0x33), Bytes{4});
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(tab->combo(1101 + i)->isEnabled(), i < 4);
    EXPECT_EQ(tab->control(1075 + i)->isEnabled(), i < 4);
    EXPECT_EQ(tab->combo(1101 + i)->currentIndex(), i);
  }
  EXPECT_EQ(main->m_16_view_win_rect[4].w, 0);
}

TEST_F(MvControlTest, LockedDeviceRefusesModeChangesUntilItsStateWasRead) {
  Tab* tab = open_tab(state_with_windows(9));
  ASSERT_NE(tab, nullptr);
  // As if no query had completed yet, with the device locked.
  main->m_16_view_state_read = 0;
  main->m_all_16_view_page_data.kelvaro_16_view_lock_state = 1;

  QTest::mouseClick(tab->mode_button(2), Qt::LeftButton);
  EXPECT_TRUE(nothing_after(0, ms(300)));
  EXPECT_EQ(main->m_cur_window_count, 4);  // written even when refused
  EXPECT_EQ(tab->cur_mode_button(), 5);
  EXPECT_EQ(tab->mode_button(5)->bitmap_id(), 180);
  EXPECT_EQ(tab->mode_button(2)->bitmap_id(), 173);
  EXPECT_TRUE(tab->combo(1109)->isEnabled());

  // Once a query completed, the lock no longer refuses.
  main->m_16_view_state_read = 1;
  QTest::mouseClick(tab->mode_button(2), Qt::LeftButton);
  EXPECT_EQ(only_frame(0x33), Bytes{4});
}

TEST_F(MvControlTest, SourceListSendsTheSdiNumberAndTheWindow) {
  Tab* tab = open_tab();
  ASSERT_NE(tab, nullptr);
  const auto rects_before = std::to_array(main->m_16_view_win_rect);

  choose(tab->combo(1103), 4);  // "SDI 5" in window 3
  EXPECT_EQ(only_frame(0x34), (Bytes{0x05, 0x03}));
  EXPECT_EQ(main->m_16_view_window_source[2], 4);
  EXPECT_EQ(main->m_16_view_change_window, 3);
  EXPECT_EQ(sim().multiviewer_state(kLan).sources[2], 4);

  choose(tab->combo(1116), 0);  // "SDI 1" in window 16
  EXPECT_EQ(only_frame(0x34), (Bytes{0x01, 0x10}));
  EXPECT_EQ(std::to_array(main->m_16_view_win_rect), rects_before);

  const QStringList expected = [] {
    QStringList items;
    for (int n = 1; n <= 16; ++n) items << QStringLiteral("SDI %1").arg(n);
    return items;
  }();
  QStringList items;
  for (int i = 0; i < tab->combo(1101)->count(); ++i) items << tab->combo(1101)->itemText(i);
  EXPECT_EQ(items, expected);
  EXPECT_EQ(qobject_cast<QLabel*>(tab->control(1075))->text(), "WIN   1");
  EXPECT_EQ(qobject_cast<QLabel*>(tab->control(1083))->text(), "WIN   9");
  EXPECT_EQ(qobject_cast<QLabel*>(tab->control(1084))->text(), "WIN  10");
  EXPECT_EQ(qobject_cast<QLabel*>(tab->control(1090))->text(), "WIN  16");
}

TEST_F(MvControlTest, StoredSourceOutsideTheListLeavesItWithoutSelection) {
  devsim::MultiviewerState s = devsim::initial_multiviewer_state();
  s.sources[4] = 20;
  Tab* tab = open_tab(s);
  ASSERT_NE(tab, nullptr);
  EXPECT_EQ(tab->combo(1105)->currentIndex(), -1);
  EXPECT_EQ(tab->combo(1106)->currentIndex(), 5);
}

TEST_F(MvControlTest, HiddenListsSendResolutionCaptionsAndMode) {
  Tab* tab = open_tab(state_with_windows(16));
  ASSERT_NE(tab, nullptr);
  for (int id : {1062, 1063, 1064, 1014}) EXPECT_FALSE(tab->control(id)->isVisible()) << id;
  EXPECT_EQ(tab->combo(1063)->count(), 9);
  EXPECT_EQ(tab->combo(1063)->itemText(8), "720p50");
  EXPECT_EQ(tab->combo(1062)->itemText(6), QStringLiteral("十六画面"));
  EXPECT_EQ(tab->combo(1062)->currentIndex(), 6);
  EXPECT_EQ(tab->combo(1063)->currentIndex(), 0);  // the device's 1080p60

  choose_hidden(tab->combo(1063), 8);  // "720p50"
  EXPECT_EQ(only_frame(0x19), (Bytes{0x00, 0x06}));
  EXPECT_EQ(main->m_all_16_view_page_data.kelvaro_16_view_resolution_type, 8);
  EXPECT_EQ(sim().multiviewer_state(kLan).resolution_code, 6);

  // Captions off: the preview hides the strips, the record keeps its switch.
  main->m_all_16_view_page_data.kelvaro_16_view_resolution_enable = 1;
  choose_hidden(tab->combo(1064), 0);
  EXPECT_EQ(only_frame(0x3A), Bytes{0});
  EXPECT_EQ(main->m_16_view_reso_show, 0);
  EXPECT_EQ(main->m_all_16_view_page_data.kelvaro_16_view_resolution_enable, 1);
  choose_hidden(tab->combo(1064), 1);
  EXPECT_EQ(only_frame(0x3A), Bytes{1});
  EXPECT_EQ(main->m_16_view_reso_show, 1);

  // The mode list sends and redraws but leaves the buttons alone.
  choose_hidden(tab->combo(1062), 2);
  EXPECT_EQ(only_frame(0x33), Bytes{6});
  EXPECT_EQ(main->m_cur_window_count, 6);
  EXPECT_EQ(main->m_16_view_win_rect[0], (NumberedRect{0, 0, 480, 320, 1}));
  EXPECT_EQ(tab->cur_mode_button(), 7);
  EXPECT_TRUE(tab->combo(1116)->isEnabled());

  // The window index list has no items; it only names the next window.
  tab->combo(1014)->addItem("x");
  choose_hidden(tab->combo(1014), 0);
  EXPECT_EQ(main->m_16_view_change_window, 1);
  EXPECT_TRUE(nothing_after(0));
}

TEST_F(MvControlTest, SerialPageQueriesAndSendsWithLinkByteZero) {
  devsim::MultiviewerState s = state_with_windows(10);
  s.sources[9] = 12;
  sim().set_multiviewer_state(kSerial, s);
  ASSERT_NE(open(kSerial), nullptr);
  Tab* tab = layout_tab();
  ASSERT_NE(tab, nullptr);

  const auto queries = frames_of(kSerial, 0x32);
  ASSERT_EQ(queries.size(), 1u);
  EXPECT_EQ(queries[0].transport, devsim::Transport::Serial);
  EXPECT_EQ(queries[0].bytes[6], 0x00);
  EXPECT_EQ(main->m_cur_window_count, 10);
  EXPECT_EQ(tab->cur_mode_button(), 6);
  EXPECT_EQ(tab->combo(1110)->currentText(), "SDI 13");
  EXPECT_TRUE(tab->combo(1110)->isEnabled());
  EXPECT_FALSE(tab->combo(1111)->isEnabled());
  sim().clear_frames();

  QTest::mouseClick(tab->mode_button(2), Qt::LeftButton);
  ASSERT_TRUE(sim().wait_for_frames(1, ms(3000)));
  const devsim::ReceivedFrame f = sim().frames()[0];
  EXPECT_EQ(f.transport, devsim::Transport::Serial);
  EXPECT_EQ(payload_of(f.bytes, 0x33, Link::Serial), Bytes{4});
  EXPECT_EQ(main->m_16_view_win_rect[3], (NumberedRect{360, 240, 360, 240, 4}));

  // With the port closed the send is lost and the preview stays as it was.
  sim().clear_frames();
  main->m_comm.close_port(500);
  QTest::mouseClick(tab->mode_button(7), Qt::LeftButton);
  EXPECT_EQ(main->m_all_16_view_page_data.kelvaro_16_view_mode_type, 6);
  EXPECT_EQ(main->m_16_view_win_rect[3], (NumberedRect{360, 240, 360, 240, 4}));
  EXPECT_EQ(main->m_16_view_win_rect[4].w, 0);
  EXPECT_TRUE(nothing_after(0, ms(300)));
}
}  // namespace
