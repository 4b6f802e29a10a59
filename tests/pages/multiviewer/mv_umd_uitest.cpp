#include <QApplication>
#include <QInputMethodEvent>
#include <string>

#include "controls/shade_button.h"
#include "controls/skin_button.h"
#include "link/trace.h"
#include "mv_subpage_fixture.h"
#include "pages/multiviewer/mv_page.h"
#include "pages/multiviewer/mv_umd_page.h"
#include "support/pty_pair.h"
#include "support/trace_recorder.h"

namespace {
using mv_test::Bytes;
using Page = CClass_16view_umd;

class MvUmdPageTest : public mv_test::SubPageTest {
 protected:
  TraceRecorder recorder_;
  // Replaces a field's text by typing, then confirms it with Enter.
  static void type_label(QLineEdit* field, const QString& text) {
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Return);
  }
};

TEST_F(MvUmdPageTest, FieldsShowTheLabelsAndTheSwitchTheFlag) {
  main->m_16_view_umd_text[0] = QStringLiteral("Studio A");
  main->m_16_view_umd_text[15] = QStringLiteral("演播室");
  main->m_16_view_umd_show = 1;
  Page* page = open_page<Page>();
  EXPECT_EQ(page->edit(1035)->text(), "Studio A");
  EXPECT_EQ(page->edit(1037)->text(), " ");
  EXPECT_EQ(page->edit(1065)->text(), "演播室");
  EXPECT_EQ(page->combo(Page::IDC_UMD_ENABLE)->currentText(), "UMD ON");
  EXPECT_FALSE(page->control(Page::IDC_UMD_ALL_ON)->isVisible());
  EXPECT_FALSE(page->control(Page::IDC_UMD_ALL_OFF)->isVisible());
  EXPECT_FALSE(page->control(1034)->isVisible());
  EXPECT_EQ(page->button(Page::IDC_UMD_ALL_ON)->color(CSkinButton::TextIn), QColor(60, 180, 255));
  EXPECT_EQ(page->umd_string_index(), -1);
  page->destroy_page();

  main->m_16_view_umd_show = 0;
  page = open_page<Page>();
  EXPECT_EQ(page->combo(Page::IDC_UMD_ENABLE)->currentText(), "UMD OFF");
}

TEST_F(MvUmdPageTest, AFieldTakesTenTypedCharactersButKeepsALongerDeviceLabel) {
  main->m_16_view_umd_text[1] = QStringLiteral("ABCDEFGHIJKLMNOP");  // 16 from the device
  Page* page = open_page<Page>();
  QLineEdit* field = page->edit(Page::field_id(1));
  field->clear();
  QTest::keyClicks(field, QStringLiteral("0123456789X"));
  EXPECT_EQ(field->text(), "0123456789") << "the eleventh character is refused";

  QLineEdit* longer = page->edit(Page::field_id(2));
  EXPECT_EQ(longer->text(), "ABCDEFGHIJKLMNOP");
  longer->end(false);
  QTest::keyClick(longer, Qt::Key_Q);
  EXPECT_EQ(longer->text(), "ABCDEFGHIJKLMNOP");
  QTest::keyClick(longer, Qt::Key_Backspace);
  EXPECT_EQ(longer->text(), "ABCDEFGHIJKLMNO");

  // Sent back whole: 15 units, 30 bytes of text.
  QTest::keyClick(longer, Qt::Key_Return);
  const Bytes frame = next_frame();
  ASSERT_EQ(frame.size(), 28u + 30u);
  EXPECT_EQ(mv_test::payload_of(frame, 0x1E)[0], 2);
}

TEST_F(MvUmdPageTest, EnterInWindowFourSendsItsLabel) {
  Page* page = open_page<Page>();
  type_label(page->edit(Page::field_id(4)), QStringLiteral("CAM 1"));

  const Bytes frame = next_frame();
  ASSERT_EQ(frame.size(), 38u);
  const Bytes expected = {0x04, 0x01, 0x00, 0x01, 0x00, 0x01, 0x00, 0x01, 0x43,
                          0x00, 0x41, 0x00, 0x4D, 0x00, 0x20, 0x00, 0x31, 0x00};
  EXPECT_EQ(mv_test::payload_of(frame, 0x1E), expected);
  EXPECT_EQ(main->m_16_view_umd_text[3], "CAM 1");
  EXPECT_EQ(device_state().label(4), u"CAM 1");
  EXPECT_EQ(page->umd_string_index(), 3);
  ASSERT_FALSE(recorder_.lines().empty());
  EXPECT_EQ(recorder_.lines().back(), "m_umd_string_index = 3 \n");
  EXPECT_EQ(main->m_udpSockfd, -1);
  EXPECT_TRUE(nothing_sent()) << "one frame per Enter";
}

TEST_F(MvUmdPageTest, ChineseLabelTravelsAsUtf16) {
  Page* page = open_page<Page>();
  QLineEdit* field = page->edit(Page::field_id(16));
  field->clear();
  // Chinese text arrives from the input method, committed in one piece.
  QInputMethodEvent commit;
  commit.setCommitString(QStringLiteral("机位"));
  QApplication::sendEvent(field, &commit);
  ASSERT_EQ(field->text(), "机位");
  QTest::keyClick(field, Qt::Key_Return);
  const Bytes frame = next_frame();
  ASSERT_EQ(frame.size(), 32u);
  const Bytes payload = mv_test::payload_of(frame, 0x1E);
  EXPECT_EQ(payload[0], 16);
  EXPECT_EQ(Bytes(payload.begin() + 8, payload.end()), (Bytes{0x3A, 0x67, 0x4D, 0x4F}));
  EXPECT_EQ(device_state().label(16), u"机位");
}

TEST_F(MvUmdPageTest, AnEmptyLabelGivesATwentyEightByteFrame) {
  Page* page = open_page<Page>();
  QLineEdit* field = page->edit(Page::field_id(1));
  field->setFocus();
  field->selectAll();
  QTest::keyClick(field, Qt::Key_Delete);
  ASSERT_TRUE(field->text().isEmpty());
  QTest::keyClick(field, Qt::Key_Enter);  // the keypad's Enter works the same

  const Bytes frame = next_frame();
  ASSERT_EQ(frame.size(), 28u);
  EXPECT_EQ(mv_test::payload_of(frame, 0x1E),
            (Bytes{0x01, 0x01, 0x00, 0x01, 0x00, 0x01, 0x00, 0x01}));
  EXPECT_EQ(main->m_16_view_umd_text[0], "");
  EXPECT_EQ(device_state().label(1), u"");
}

TEST_F(MvUmdPageTest, EnterOutsideTheFieldsAndEscapeSendNothing) {
  Page* page = open_page<Page>();
  type_label(page->edit(Page::field_id(2)), QStringLiteral("X"));
  ASSERT_EQ(next_frame().size(), 30u);
  ASSERT_EQ(page->umd_string_index(), 1);

  QTest::keyClick(page->combo(Page::IDC_UMD_ENABLE), Qt::Key_Return);
  EXPECT_EQ(page->umd_string_index(), -1);
  EXPECT_EQ(recorder_.lines().back(), "m_umd_string_index = -1 \n");
  QTest::keyClick(page, Qt::Key_Return);
  EXPECT_EQ(page->umd_string_index(), -1);

  QLineEdit* field = page->edit(Page::field_id(5));
  QTest::keyClicks(field, QStringLiteral("typed"));
  QTest::keyClick(field, Qt::Key_Escape);
  EXPECT_TRUE(nothing_sent(150));
  EXPECT_TRUE(page->isVisible());
  EXPECT_TRUE(main->isVisible());
  EXPECT_EQ(main->m_16_view_umd_text[4], " ") << "unconfirmed text stays in the field only";
}

TEST_F(MvUmdPageTest, UmdSwitchSendsAndDrivesTheStrips) {
  main->m_16_view_win_rect[0] = {0, 0, 360, 240, 1};
  Page* page = open_page<Page>();
  choose(page->combo(Page::IDC_UMD_ENABLE), 1);
  const Bytes frame = next_frame();
  ASSERT_EQ(frame.size(), 21u);
  EXPECT_EQ(mv_test::payload_of(frame, 0x36), Bytes{0x01});
  EXPECT_EQ(main->m_16_view_umd_show, 1);
  EXPECT_EQ(main->m_16_view_umd_rect[0], (PreviewRect{135, 192, 90, 24}));
  EXPECT_EQ(main->m_all_16_view_page_data.kelvaro_16_view_umd_enable, 0);
  page->destroy_page();

  // The next visit shows the flag, with no state query between.
  page = open_page<Page>();
  EXPECT_EQ(page->combo(Page::IDC_UMD_ENABLE)->currentText(), "UMD ON");
  choose(page->combo(Page::IDC_UMD_ENABLE), 0);
  EXPECT_EQ(next_payload(0x36), Bytes{0x00});
  EXPECT_EQ(main->m_16_view_umd_show, 0);

  // The hidden all-on and all-off buttons, should they ever be shown.
  page->button(Page::IDC_UMD_ALL_ON)->click();
  EXPECT_EQ(next_payload(0x36), Bytes{0x01});
  EXPECT_EQ(main->m_16_view_umd_show, 1);
  page->button(Page::IDC_UMD_ALL_OFF)->click();
  EXPECT_EQ(next_payload(0x36), Bytes{0x00});
  EXPECT_EQ(main->m_16_view_umd_show, 0);
}

TEST_F(MvUmdPageTest, OverTheSerialPortLabelsGoOnlyWhenThePortIsOpen) {
  main->m_eState = 1;
  main->m_16_view_win_rect[0] = {0, 0, 360, 240, 1};
  Page* page = open_page<Page>();
  type_label(page->edit(Page::field_id(3)), QStringLiteral("closed"));
  EXPECT_EQ(main->m_16_view_umd_text[2], "closed") << "kept although nothing was sent";
  choose(page->combo(Page::IDC_UMD_ENABLE), 1);
  EXPECT_EQ(main->m_16_view_umd_show, 1);
  EXPECT_EQ(main->m_16_view_umd_rect[0].w, 0) << "strips not recomputed with the port closed";
  EXPECT_TRUE(nothing_sent());

  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  ASSERT_TRUE(main->m_comm.open_port(pty.slave_name(), 9600));
  type_label(page->edit(Page::field_id(3)), QStringLiteral("open"));
  const Bytes frame = pty.device_read(36);
  ASSERT_EQ(frame.size(), 36u);
  const Bytes payload = mv_test::payload_of(frame, 0x1E, Link::Serial);
  EXPECT_EQ(payload[0], 3);
  EXPECT_TRUE(nothing_sent()) << "nothing over the LAN";
  main->m_comm.close_port(500);
}
TEST_F(MvUmdPageTest, TabThreeOfTheShellShowsTheDeviceLabelsAndSendsOne) {
  ASSERT_TRUE(sim->select_in_main_window(*main, 0));
  auto* shell = CClass_16view_dlg::live_shell();
  ASSERT_NE(shell, nullptr);
  ASSERT_EQ(mv_test::payload_of(next_frame(), 0x32), Bytes{}) << "the layout tab's state query";
  QTest::mouseClick(shell->tab_button(3), Qt::LeftButton);
  auto* page = dynamic_cast<Page*>(shell->cur_sub_page());
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(page->geometry(), shell->sub_page_rect());
  EXPECT_EQ(page->edit(Page::field_id(1))->text(), "CAM 1") << "as the device reported it";
  EXPECT_EQ(page->combo(Page::IDC_UMD_ENABLE)->currentText(), "UMD ON");
  type_label(page->edit(Page::field_id(4)), QStringLiteral("CAM 1"));
  EXPECT_EQ(next_frame().size(), 38u);
  EXPECT_EQ(device_state().label(4), u"CAM 1");
}
}  // namespace
