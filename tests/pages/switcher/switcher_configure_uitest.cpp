// The switcher's configuration pop-up as a real window owned by a page
// widget, sending through the main window's switcher socket to a simulated
// switcher (Simulator on loopback): resolution, window inputs and the three
// slider rates, byte for byte.
#include <QPointer>

#include "controls/group_box.h"
#include "controls/skin_button.h"
#include "pages/switcher/switcher_configure.h"
#include "pages/switcher/switcher_sub_page_fixture.h"

namespace {
using namespace sw_test;

class SwitcherConfigure : public SubPageTest {
 protected:
  CClass_switcher_aux_rate_dlg* open_popup() {
    auto* dlg = new CClass_switcher_aux_rate_dlg(host);
    dlg->move(host->mapToGlobal(QPoint(340, 20)));
    dlg->resize(320, 550);
    dlg->show();
    return dlg;
  }
  static void click(PageFrame* dlg, int id) { QTest::mouseClick(dlg->button(id), Qt::LeftButton); }
  static QString rate(PageFrame* dlg, int k) { return dlg->edit(1039 + k)->text(); }
};

TEST_F(SwitcherConfigure, OpensAsACaptionedPopUpAtItsDefaultsAndSendsNothing) {
  auto* dlg = open_popup();
  EXPECT_TRUE(dlg->isWindow());
  EXPECT_EQ(dlg->windowTitle(), "Switcher Configure");
  EXPECT_EQ(dlg->dialog_id(), 378);
  EXPECT_EQ(dlg->background_bitmap(), 191);
  const struct {
    int id;
    const char* caption;
    QRect rect;
  } groups[] = {{1229, "Resolution", {10, 10, 300, 60}},
                {1230, "Slider Rate", {10, 80, 300, 130}},
                {1231, "Window Input", {10, 210, 300, 300}}};
  for (const auto& g : groups) {
    auto* box = qobject_cast<CMyGroupBox*>(dlg->control(g.id));
    ASSERT_NE(box, nullptr) << g.id;
    EXPECT_EQ(box->title(), g.caption);
    EXPECT_EQ(box->geometry(), g.rect);
  }
  QComboBox* resolution = dlg->combo(1228);
  ASSERT_EQ(resolution->count(), 5);
  EXPECT_EQ(resolution->itemText(0), "1080p60");
  EXPECT_EQ(resolution->itemText(4), "1080p25");
  EXPECT_EQ(resolution->currentIndex(), 0);
  for (int k = 1; k <= 3; ++k) {
    EXPECT_EQ(rate(dlg, k), "0.1");
    EXPECT_TRUE(dlg->edit(1039 + k)->isReadOnly());
  }
  EXPECT_EQ(dlg->button(1036)->text(), "-");
  EXPECT_EQ(dlg->button(1037)->text(), "+");
  const int windows[8] = {1208, 1209, 1210, 1218, 1220, 1222, 1224, 1226};
  for (int n = 1; n <= 8; ++n) {
    QComboBox* list = dlg->combo(windows[n - 1]);
    ASSERT_EQ(list->count(), 10);
    EXPECT_EQ(list->currentIndex(), 0);
  }
  EXPECT_EQ(dlg->combo(1226)->itemText(0), "Cam_01");
  EXPECT_EQ(dlg->combo(1226)->itemText(9), "Cam_10");
  EXPECT_TRUE(nothing_sent());
}

TEST_F(SwitcherConfigure, RateButtonsStepByATenthBetweenPointOneAndNinePointNine) {
  auto* dlg = open_popup();
  // Already the lowest: nothing, text kept.
  click(dlg, 1032);
  EXPECT_TRUE(nothing_sent());
  EXPECT_EQ(rate(dlg, 1), "0.1");

  click(dlg, 1033);
  EXPECT_TRUE(next_frame_is(0xA5, {1, 0xC8, 0x00}));
  EXPECT_EQ(rate(dlg, 1), "0.2");
  click(dlg, 1032);
  EXPECT_TRUE(next_frame_is(0xA5, {1, 0x64, 0x00}));
  EXPECT_EQ(rate(dlg, 1), "0.1");

  // Across a whole second.
  dlg->edit(1041)->setText("1.0");
  click(dlg, 1034);
  EXPECT_TRUE(next_frame_is(0xA5, {2, 0x84, 0x03}));  // 900 ms
  EXPECT_EQ(rate(dlg, 2), "0.9");
  click(dlg, 1035);
  EXPECT_TRUE(next_frame_is(0xA5, {2, 0xE8, 0x03}));  // 1000 ms
  EXPECT_EQ(rate(dlg, 2), "1.0");

  // Already the highest: nothing.
  dlg->edit(1042)->setText("9.9");
  click(dlg, 1037);
  EXPECT_TRUE(nothing_sent());
  EXPECT_EQ(rate(dlg, 3), "9.9");
  click(dlg, 1036);
  EXPECT_TRUE(next_frame_is(0xA5, {3, 0x48, 0x26}));  // 9800 ms
  EXPECT_EQ(rate(dlg, 3), "9.8");

  const devsim::SwitcherState st = device_state();
  EXPECT_EQ(st.rate_ms[0], 100);
  EXPECT_EQ(st.rate_ms[1], 1000);
  EXPECT_EQ(st.rate_ms[2], 9800);
}

TEST_F(SwitcherConfigure, RateTextOutsideTheRangeSendsNoRateTheDeviceCannotTake) {
  auto* dlg = open_popup();
  // "0.0" would step down to minus a tenth.
  dlg->edit(1040)->setText("0.0");
  click(dlg, 1032);
  EXPECT_TRUE(nothing_sent());
  EXPECT_EQ(rate(dlg, 1), "0.0");
  // Up from it is the lowest rate.
  click(dlg, 1033);
  EXPECT_TRUE(next_frame_is(0xA5, {1, 0x64, 0x00}));
  EXPECT_EQ(rate(dlg, 1), "0.1");
  // A number that does not fit, and one far past the highest.
  dlg->edit(1041)->setText("99999999999.9");
  click(dlg, 1035);
  dlg->edit(1041)->setText("12.3");
  click(dlg, 1034);
  EXPECT_TRUE(nothing_sent());
  EXPECT_EQ(rate(dlg, 2), "12.3");
}

TEST_F(SwitcherConfigure, ListsSendResolutionAndWindowInputsAtOnce) {
  auto* dlg = open_popup();
  choose(dlg->combo(1228), 3);  // "1080p30"
  EXPECT_TRUE(next_frame_is(0xA3, {3}));
  choose(dlg->combo(1218), 2);  // third item of "Wnd4"
  EXPECT_TRUE(next_frame_is(0xA3, {4, 3}));
  choose(dlg->combo(1226), 9);  // "Cam_10" in "Wnd8"
  EXPECT_TRUE(next_frame_is(0xA3, {8, 10}));
  choose(dlg->combo(1208), 0);  // "Cam_01" in "Wnd1"
  EXPECT_TRUE(next_frame_is(0xA3, {1, 1}));
  const devsim::SwitcherState st = device_state();
  EXPECT_EQ(st.output_resolution, 3);
  EXPECT_EQ(st.window_input[3], 3);
  EXPECT_EQ(st.window_input[7], 10);
  EXPECT_EQ(st.window_input[0], 1);
  // Nothing of the pop-up reaches the switcher record.
  const SwitcherPageData fresh{};
  EXPECT_EQ(std::memcmp(&data(), &fresh, sizeof fresh), 0);
}

TEST_F(SwitcherConfigure, ClosingHidesItKeepsItsControlsAndThePageTakesItAlong) {
  QPointer<CClass_switcher_aux_rate_dlg> dlg = open_popup();
  click(dlg, 1033);
  ASSERT_TRUE(next_frame_is(0xA5, {1, 0xC8, 0x00}));
  choose(dlg->combo(1222), 4);
  ASSERT_TRUE(next_frame_is(0xA3, {6, 5}));

  EXPECT_TRUE(dlg->close());
  QCoreApplication::processEvents();
  ASSERT_TRUE(dlg);
  EXPECT_FALSE(dlg->isVisible());
  dlg->show();
  EXPECT_EQ(rate(dlg, 1), "0.2");
  EXPECT_EQ(dlg->combo(1222)->currentIndex(), 4);

  // Escape and Enter close it the same way.
  dlg->combo(1228)->setFocus();
  QTest::keyClick(dlg->combo(1228), Qt::Key_Escape);
  EXPECT_FALSE(dlg->isVisible());
  dlg->show();
  QTest::keyClick(dlg->button(1033), Qt::Key_Return);
  EXPECT_FALSE(dlg->isVisible());
  ASSERT_TRUE(dlg);
  EXPECT_TRUE(nothing_sent());

  delete host;
  host = nullptr;
  EXPECT_FALSE(dlg);
}

}  // namespace
