// Keyboard keys of the switcher page against a simulated switcher: each key
// sends the very bytes its button sends and lights what the button lights;
// keys typed into the duration box are the box's own.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include "app/main_window.h"
#include "controls/skin_button.h"
#include "pages/switcher/switcher_hotkeys.h"
#include "pages/switcher/switcher_page.h"
#include "support/devsim_fixture.h"

namespace {
using devsim::DeviceSpec;
using devsim::ReceivedFrame;
using Bytes = std::vector<uint8_t>;
using ms = std::chrono::milliseconds;

class SwitcherHotkeysTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dlg_ = new CKELVARO_16_VIEWDlg;
    dlg_->show();
    ASSERT_TRUE(sim_.select_in_main_window(*dlg_, 0));
    page_ = qobject_cast<CClass_switcher_dlg*>(dlg_->m_p_mian_show_dlg);
    ASSERT_NE(page_, nullptr);
    if (QWidget* f = dlg_->focusWidget()) f->clearFocus();
  }
  void TearDown() override {
    delete dlg_;
    QApplication::processEvents();
  }
  SwitcherPageData& data() { return dlg_->m_all_switcher_page_data; }
  int face(int id) { return page_->button(id)->bitmap_id(); }
  // The bytes of the first frame the switcher receives after `act` with the
  // command of the key under test (AUTO's T-bar steps follow its own frame).
  Bytes next_frame(const std::function<void()>& act, int command) {
    const auto match = [command](const ReceivedFrame& f) { return f.command() == command; };
    const size_t earlier = sim_.frames_with_command(0, static_cast<uint8_t>(command)).size();
    act();
    const std::vector<ReceivedFrame> frames = sim_.wait_frames(earlier + 1, match, ms(2000));
    return frames.size() > earlier ? frames[earlier].bytes : Bytes{};
  }
  // Where the window delivers a key: its focus widget, or the window.
  QWidget* keyboard() { return dlg_->focusWidget() ? dlg_->focusWidget() : dlg_; }
  Bytes key(int command, int k, Qt::KeyboardModifiers m = Qt::NoModifier) {
    return next_frame([&] { QTest::keyClick(keyboard(), static_cast<Qt::Key>(k), m); }, command);
  }
  Bytes click(int command, int id) {
    return next_frame([&] { page_->button(id)->click(); }, command);
  }

  SimulatorFixture sim_{{DeviceSpec::lan(devsim::kTypeSwitcher, 4)}};
  CKELVARO_16_VIEWDlg* dlg_ = nullptr;
  CClass_switcher_dlg* page_ = nullptr;
};

TEST_F(SwitcherHotkeysTest, KeysSendWhatTheirButtonsSendAndLightTheSame) {
  // Digits: preview; Ctrl+digit: program.
  const Bytes pvm_key = key(0x81, Qt::Key_5);
  EXPECT_EQ(data().pvm_source, 5);
  EXPECT_EQ(face(switcher_pvm_control(5)), switcher_source_bitmap(5) - 2);  // green
  EXPECT_EQ(pvm_key, click(0x81, switcher_pvm_control(5)));
  EXPECT_EQ(pvm_key.size(), 21u);

  const Bytes pgm_key = key(0x80, Qt::Key_2, Qt::ControlModifier);
  EXPECT_EQ(data().pgm_source, 2);
  EXPECT_EQ(face(switcher_pgm_control(2)), switcher_source_bitmap(2) - 1);  // red
  EXPECT_EQ(pgm_key, click(0x80, switcher_pgm_control(2)));
  // The keypad's digits are the same keys.
  EXPECT_EQ(key(0x81, Qt::Key_8, Qt::KeypadModifier), click(0x81, switcher_pvm_control(8)));

  // Space cuts, also while a button holds the focus (which is not pressed).
  page_->button(IDC_SW_MIX)->setFocus();
  ASSERT_EQ(keyboard(), page_->button(IDC_SW_MIX));
  const Bytes cut_key = key(0x83, Qt::Key_Space);
  EXPECT_EQ(data().pgm_source, 8);
  EXPECT_EQ(data().pvm_source, 2);
  EXPECT_EQ(face(switcher_pgm_control(8)), switcher_source_bitmap(8) - 1);
  EXPECT_EQ(face(switcher_pvm_control(2)), switcher_source_bitmap(2) - 2);
  EXPECT_EQ(cut_key, click(0x83, IDC_SW_CUT));
  EXPECT_EQ(data().pgm_source, 2);
  EXPECT_TRUE(sim_.frames_with_command(0, 0x8D).empty());

  // Ctrl+A runs AUTO (a short one), Ctrl+F starts and stops the fade to black.
  page_->duration_box()->setText(QStringLiteral("00:128"));
  const Bytes auto_key = key(0x84, Qt::Key_A, Qt::ControlModifier);
  EXPECT_TRUE(page_->auto_running());
  EXPECT_EQ(face(IDC_SW_AUTO), 305);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !page_->auto_running(); }, 6000));
  EXPECT_EQ(auto_key, click(0x84, IDC_SW_AUTO));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !page_->auto_running(); }, 6000));
  const Bytes ftb_key = key(0x85, Qt::Key_F, Qt::ControlModifier);
  EXPECT_TRUE(page_->ftb_blinking());
  EXPECT_EQ(ftb_key, click(0x85, IDC_SW_FTB));
  EXPECT_FALSE(page_->ftb_blinking());

  // Each button's tool tip names its key.
  EXPECT_TRUE(page_->button(switcher_pvm_control(3))->toolTip().contains("key 3"));
  EXPECT_TRUE(page_->button(switcher_pgm_control(3))->toolTip().contains("Ctrl+3"));
  EXPECT_TRUE(page_->button(IDC_SW_CUT)->toolTip().contains("Space"));
  EXPECT_TRUE(page_->button(IDC_SW_AUTO)->toolTip().contains("Ctrl+A"));
  EXPECT_TRUE(page_->button(IDC_SW_FTB)->toolTip().contains("Ctrl+F"));
  EXPECT_TRUE(sim_.no_bad_frames());
}

TEST_F(SwitcherHotkeysTest, FieldsKeepTheirKeysAndOtherKeysDoNothing) {
  QLineEdit* box = page_->duration_box();
  box->setFocus();
  box->selectAll();
  ASSERT_EQ(keyboard(), box);
  QTest::keyClicks(box, QStringLiteral("13"));
  QTest::keyClick(box, Qt::Key_Space);
  QTest::keyClick(box, Qt::Key_1, Qt::ControlModifier);
  QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(box->text(), QStringLiteral("13"));
  // Focus in the box: a key passed on to the page is not taken either.
  QTest::keyClick(page_, Qt::Key_4);
  // A drop-down list keeps its keys too.
  QComboBox* list = dlg_->device_list();
  list->setFocus();
  QTest::keyClick(list, Qt::Key_2);
  // Keys outside the set: 9, Shift+1, Alt+2, a held key's repeats.
  list->clearFocus();
  ASSERT_EQ(keyboard(), dlg_);
  QTest::keyClick(dlg_, Qt::Key_9);
  QTest::keyClick(dlg_, Qt::Key_1, Qt::ShiftModifier);
  QTest::keyClick(dlg_, Qt::Key_2, Qt::AltModifier);
  QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ", /*autorep=*/true);
  QApplication::sendEvent(dlg_, &repeat);
  EXPECT_TRUE(sim_.nothing_more(0, ms(300)));
  EXPECT_EQ(data().pvm_source, 0);
  EXPECT_EQ(data().pgm_source, 0);
  EXPECT_FALSE(page_->auto_running());

  // The mapping itself, including keys of the hidden sources.
  EXPECT_EQ(SwitcherHotkeys::control_for_key(Qt::Key_1, Qt::NoModifier), IDC_SW_PVM_1);
  EXPECT_EQ(SwitcherHotkeys::control_for_key(Qt::Key_3, Qt::ControlModifier), IDC_SW_PGM_3);
  EXPECT_EQ(SwitcherHotkeys::control_for_key(Qt::Key_9, Qt::NoModifier), 0);
  EXPECT_EQ(SwitcherHotkeys::control_for_key(Qt::Key_Space, Qt::ControlModifier), 0);
  EXPECT_EQ(SwitcherHotkeys::control_for_key(Qt::Key_F, Qt::NoModifier), 0);
}
}  // namespace
