// The link light follows what really happened on the selected device's link:
// an answering multiviewer lights green, a silent one amber (with the time),
// a switcher that is only sent one-way frames and no selection leave it
// grey, and the third dot shows the serial port. Nothing is sent to light
// it, and it does not repaint at rest.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QTest>

#include "app/error_box.h"
#include "app/link_light.h"
#include "app/main_window.h"
#include "app/set_configure.h"
#include "controls/skin_button.h"
#include "devices/device_frame.h"
#include "pages/switcher/switcher_page.h"
#include "support/devsim_fixture.h"

namespace {
using devsim::DeviceSpec;
using State = LinkHealth::State;

const QColor kUnlit(70, 74, 80);

class LinkLightTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clear_recorded_errors();
    dlg_ = new CKELVARO_16_VIEWDlg;
    dlg_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg_));
  }
  void TearDown() override {
    delete dlg_;
    QApplication::processEvents();
    EXPECT_TRUE(recorded_errors().isEmpty()) << recorded_errors().join("; ").toStdString();
  }
  State state() { return dlg_->link_light_state().link.state; }
  // The colour the window shows at the centre of dot 0..2.
  QColor shown(int dot) {
    QApplication::processEvents();
    return dlg_->grab().toImage().pixelColor(LinkLight::dot_centre(dot));
  }
  QString tip() { return LinkLight::describe(dlg_->link_light_state()); }
  // Whether the light repaints after `act` (it repaints only when told).
  bool repaints_after(const std::function<void()>& act) {
    QApplication::processEvents();
    paints_ = 0;
    act();
    return QTest::qWaitFor([&] { return paints_ > 0; }, 1000);
  }
  void count_paints() { dlg_->link_light()->installEventFilter(&counter_); }

  CKELVARO_16_VIEWDlg* dlg_ = nullptr;
  int paints_ = 0;
  struct PaintCounter : QObject {
    int* n;
    explicit PaintCounter(int* count) : n(count) {}
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Paint) ++*n;
      return false;
    }
  } counter_{&paints_};
};

TEST_F(LinkLightTest, FollowsAnAnsweringAndASilentMultiviewer) {
  // Nothing selected: grey, and the skin's dots are unlit too.
  EXPECT_FALSE(dlg_->link_light_state().selected);
  EXPECT_EQ(shown(0), kUnlit);
  EXPECT_EQ(shown(1), kUnlit);
  EXPECT_EQ(shown(2), kUnlit);
  EXPECT_TRUE(tip().startsWith("Link: no device selected"));

  SimulatorFixture sim(
      {DeviceSpec::lan(devsim::kTypeMultiviewer, 1), DeviceSpec::lan(devsim::kTypeMultiviewer, 2)});
  devsim::Faults silent;
  silent.drop_replies = -1;
  sim.sim().set_faults(1, silent);

  // The page's state query is answered: green.
  ASSERT_TRUE(sim.select_in_main_window(*dlg_, 0));
  EXPECT_EQ(state(), State::Answered);
  EXPECT_EQ(shown(0), QColor(60, 200, 90));
  EXPECT_EQ(shown(1), kUnlit);
  const QDateTime answered_at = dlg_->link_light_state().link.when;
  EXPECT_TRUE(tip().contains("last query answered at " + answered_at.toString("HH:mm:ss")))
      << tip().toStdString();

  // The other multiviewer never answers: amber, with the time of the query.
  ASSERT_TRUE(sim.select_in_main_window(*dlg_, 1));
  EXPECT_EQ(state(), State::Unanswered);
  EXPECT_EQ(shown(0), kUnlit);
  EXPECT_EQ(shown(1), QColor(240, 170, 30));
  const QDateTime unanswered_at = dlg_->link_light_state().link.when;
  EXPECT_GE(unanswered_at, answered_at);
  EXPECT_TRUE(tip().contains(QString::fromStdString(sim.address(1)) +
                             ": last query unanswered at " + unanswered_at.toString("HH:mm:ss")))
      << tip().toStdString();
  // One-way commands to it afterwards do not hide that its last query failed.
  send_command_lan(dlg_->transports(), dlg_->device_target(), 0x36, std::vector<uint8_t>{1});
  EXPECT_EQ(state(), State::Unanswered);

  // The device wakes up: the next query's answer turns it green again.
  sim.sim().set_faults(1, devsim::Faults{});
  ASSERT_TRUE(sim.select_in_main_window(*dlg_, 1));
  EXPECT_EQ(state(), State::Answered);
  EXPECT_EQ(shown(0), QColor(60, 200, 90));

  // At rest the light neither sends nor repaints.
  const size_t frames = sim.wait_frames(0).size();
  count_paints();
  QApplication::processEvents();
  paints_ = 0;
  QTest::qWait(300);
  EXPECT_EQ(paints_, 0);
  EXPECT_TRUE(sim.nothing_more(frames, std::chrono::milliseconds(0)));
  EXPECT_TRUE(dlg_->link_light()->findChildren<QObject*>().isEmpty()) << "no timer of its own";
}

TEST_F(LinkLightTest, OneWayOnlyStaysGreyAndTheSerialPortHasItsOwnDot) {
  SimulatorFixture sim(
      {DeviceSpec::lan(devsim::kTypeSwitcher, 3), DeviceSpec::serial(devsim::kTypeMultiviewer, 4)});
  ASSERT_TRUE(sim.select_in_main_window(*dlg_, 0));
  EXPECT_EQ(state(), State::None);
  EXPECT_TRUE(tip().contains("nothing sent yet")) << tip().toStdString();
  // A switcher key: one-way frames only, grey.
  auto* page = qobject_cast<CClass_switcher_dlg*>(dlg_->m_p_mian_show_dlg);
  ASSERT_NE(page, nullptr);
  count_paints();
  EXPECT_TRUE(repaints_after([&] { page->button(IDC_SW_CUT)->click(); }));
  ASSERT_TRUE(sim.received_command(0, 0x83, {}));
  ASSERT_TRUE(QTest::qWaitFor([&] { return state() == State::OneWay; }, 2000));
  EXPECT_EQ(shown(0), kUnlit);
  EXPECT_EQ(shown(1), kUnlit);
  EXPECT_TRUE(tip().contains("only one-way commands")) << tip().toStdString();
  EXPECT_EQ(shown(2), kUnlit);
  EXPECT_TRUE(tip().endsWith("Serial port closed"));

  // The serial multiviewer: its state query over the line is answered, and
  // the third dot shows the open port.
  ASSERT_TRUE(sim.select_in_main_window(*dlg_, 1));
  ASSERT_TRUE(QTest::qWaitFor([&] { return state() == State::Answered; }, 6000));
  EXPECT_EQ(shown(0), QColor(60, 200, 90));
  EXPECT_EQ(shown(2), QColor(60, 150, 255));
  EXPECT_TRUE(tip().endsWith(QString::fromStdString("Serial port " + sim.address(1) + " open")));

  // Back to LAN mode in the settings: the switcher's row again, the port
  // still open.
  dlg_->on_settings();
  QComboBox* mode = dlg_->m_pSetConfigure->combo(IDC_CFG_MODE_LIST);
  mode->setCurrentIndex(0);
  EXPECT_TRUE(repaints_after([&] { emit mode->activated(0); }));
  EXPECT_EQ(dlg_->m_eState, 0);
  EXPECT_EQ(shown(0), kUnlit);
  EXPECT_EQ(shown(2), QColor(60, 150, 255));
  // Closing the port puts the third dot out.
  EXPECT_TRUE(repaints_after([&] { dlg_->m_comm.close_port(500); }));
  EXPECT_EQ(shown(2), kUnlit);
}
}  // namespace
