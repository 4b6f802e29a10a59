// The switcher page in a real main window against a simulated switcher on
// loopback: what each key sends and shows, the device's reports followed
// without echo, the T-bar worker, AUTO, FTB, and the page closed while its
// threads are busy.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QTest>

#include "app/main_window.h"
#include "controls/skin_button.h"
#include "controls/skin_slider.h"
#include "link/control_frame.h"
#include "link/link_options.h"
#include "pages/switcher/switcher_page.h"
#include "support/panel_test.h"

namespace {
using devsim::DeviceSpec;
using devsim::ReceivedFrame;
using devsim::Report;
using Bytes = std::vector<uint8_t>;
using ms = std::chrono::milliseconds;

constexpr uint8_t kId = 3;

class SwitcherPageTest : public PanelTest {
 protected:
  void SetUp() override {
    start_panel({DeviceSpec::lan(devsim::kTypeSwitcher, kId)});
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(sim_->select_in_main_window(*dlg_, 0));
    page_ = qobject_cast<CClass_switcher_dlg*>(dlg_->m_p_mian_show_dlg);
    ASSERT_NE(page_, nullptr);
    ASSERT_TRUE(page_->receiver_running());
    ASSERT_TRUE(page_->tbar_worker_running());
  }
  void TearDown() override {
    PanelTest::TearDown();
    QApplication::processEvents();
  }
  SwitcherPageData& data() { return dlg_->m_all_switcher_page_data; }
  int face(int id) { return page_->button(id)->bitmap_id(); }
  void click(int id) { page_->button(id)->click(); }
  // Frames the switcher received with this command, in order.
  std::vector<ReceivedFrame> sent(uint8_t command) { return sim_->frames_with_command(0, command); }
  ::testing::AssertionResult got(uint8_t command, const Bytes& payload) {
    return sim_->received_command(0, command, payload, ms(2000));
  }
  // Lets queued reports and worker steps reach the page.
  bool settle(const std::function<bool()>& done, int timeout_ms = 2000) {
    return QTest::qWaitFor(done, timeout_ms);
  }
  void mouse(QEvent::Type type, int pos) {
    CSkinSlider* bar = page_->tbar();
    const QPoint at(bar->width() / 2, bar->pos_to_pixel(pos));
    QMouseEvent e(type, QPointF(at), QPointF(bar->mapToGlobal(at)),
                  type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                  Qt::NoModifier);
    QApplication::sendEvent(bar, &e);
  }
  // Drags the bar from one end to the other a few positions at a time, as a
  // hand would, giving the worker time to send.
  void drag(int from, int to) {
    mouse(QEvent::MouseButtonPress, from);
    const int step = from < to ? 4 : -4;
    for (int p = from; p != to;) {
      p = std::abs(to - p) < 4 ? to : p + step;
      mouse(QEvent::MouseMove, p);
      QTest::qWait(3);
    }
    mouse(QEvent::MouseButtonRelease, to);
  }
  std::vector<Bytes> tbar_payloads() {
    std::vector<Bytes> out;
    for (const ReceivedFrame& f : sent(0x82))
      out.emplace_back(f.bytes.begin() + 17, f.bytes.end() - 3);
    return out;
  }

  CClass_switcher_dlg* page_ = nullptr;
};

TEST_F(SwitcherPageTest, BusKeysSendTheirSourceAndCutExchangesTheHighlights) {
  click(IDC_SW_PGM_3);
  EXPECT_TRUE(got(0x80, {3}));
  EXPECT_EQ(face(IDC_SW_PGM_3), 255);  // red on program
  // The source already on program is sent again; nothing changes.
  click(IDC_SW_PGM_3);
  ASSERT_TRUE(
      sim_->wait_frames(2, [](const ReceivedFrame& f) { return f.command() == 0x80; }).size() == 2);
  EXPECT_EQ(face(IDC_SW_PGM_3), 255);
  click(IDC_SW_PVM_3);
  EXPECT_TRUE(got(0x81, {3}));
  EXPECT_EQ(face(IDC_SW_PVM_3), 254);  // green on preview
  // Same source on both buses: a cut redraws both.
  click(IDC_SW_CUT);
  EXPECT_TRUE(got(0x83, {}));
  EXPECT_EQ(face(IDC_SW_PGM_3), 255);
  EXPECT_EQ(face(IDC_SW_PVM_3), 254);
  click(switcher_pvm_control(12));
  EXPECT_EQ(face(switcher_pvm_control(12)), 281);
  click(IDC_SW_CUT);
  EXPECT_EQ(data().pgm_source, 12);
  EXPECT_EQ(data().pvm_source, 3);
  EXPECT_EQ(face(switcher_pgm_control(12)), 282);
  EXPECT_EQ(face(IDC_SW_PGM_3), 256);
  EXPECT_EQ(face(IDC_SW_PVM_3), 254);
  EXPECT_EQ(sent(0x83).front().bytes, build_frame(0xA5, kId, Link::Udp, 0x83));
  // Every frame left the command port for the device's switcher port.
  EXPECT_EQ(sent(0x83).front().local_port, link_options().switcher_device_port);
  EXPECT_TRUE(sim_->no_bad_frames());
}

TEST_F(SwitcherPageTest, LayerKeysBkgdOnAirAndTransitionKeys) {
  click(IDC_SW_PIP);
  EXPECT_TRUE(got(0x86, {}));
  EXPECT_EQ(face(IDC_SW_PIP), 300);
  EXPECT_EQ(data().sub_page, 3);
  // KEY 1 while PIP is lit: PIP goes out, KEY 1 lights, old flag 0 is sent.
  click(IDC_SW_KEY1);
  EXPECT_TRUE(got(0x8B, {0}));
  EXPECT_EQ(face(IDC_SW_PIP), 299);
  EXPECT_EQ(face(IDC_SW_KEY1), 291);
  EXPECT_EQ(data().pip_on, 0);
  EXPECT_EQ(data().key1_on, 1);
  EXPECT_EQ(data().sub_page, 1);
  // BKGD with a layer lit toggles; then KEY 1 cannot switch off.
  click(IDC_SW_BKGD);
  EXPECT_TRUE(got(0x8A, {1}));
  EXPECT_EQ(face(IDC_SW_BKGD), 246);
  const size_t before = sim_->sim().frames().size();
  click(IDC_SW_KEY1);
  EXPECT_TRUE(sim_->nothing_more(before, ms(150)));
  EXPECT_EQ(face(IDC_SW_KEY1), 291);

  click(IDC_SW_ON_AIR);
  EXPECT_TRUE(got(0x88, {0}));
  EXPECT_EQ(face(IDC_SW_ON_AIR), 297);
  click(IDC_SW_DIP);
  EXPECT_TRUE(got(0x8E, {}));
  EXPECT_EQ(face(IDC_SW_DIP), 287);
  EXPECT_EQ(face(IDC_SW_MIX), 295);
  EXPECT_EQ(data().sub_page, 0);
  EXPECT_TRUE(sim_->no_bad_frames());
}

TEST_F(SwitcherPageTest, DeviceReportsAreFollowedAndNeverEchoed) {
  const size_t before = sim_->sim().frames().size();
  sim_->sim().send_report(0, Report::pgm(12));
  sim_->sim().send_report(0, Report::pip());
  sim_->sim().send_report(0, Report::tbar(1, 20));
  ASSERT_TRUE(settle([&] { return data().pgm_source == 12 && data().pip_on == 1; }));
  EXPECT_EQ(face(switcher_pgm_control(12)), 282);
  EXPECT_EQ(face(IDC_SW_PIP), 300);
  EXPECT_EQ(page_->tbar()->GetPos(), 108);
  EXPECT_EQ(page_->tbar_direction(), 1);
  sim_->sim().send_report(0, Report::pip());
  sim_->sim().send_report(0, Report::tbar(0, 128));
  ASSERT_TRUE(settle([&] { return data().pip_on == 0 && page_->tbar()->GetPos() == 129; }));
  EXPECT_EQ(face(IDC_SW_PIP), 299);
  EXPECT_EQ(page_->tbar_direction(), 0);
  // Reports send nothing back, the T-bar ones included.
  EXPECT_TRUE(sim_->nothing_more(before, ms(300)));
}

TEST_F(SwitcherPageTest, TbarDragCompletesTheTransitionAndTheNextRunsBack) {
  click(IDC_SW_PGM_1);
  click(IDC_SW_PVM_2);
  drag(129, 0);
  ASSERT_TRUE(settle([&] { return data().pgm_source == 2; }));
  const std::vector<Bytes> down = tbar_payloads();
  ASSERT_GE(down.size(), 5u);
  EXPECT_EQ(down.front(), (Bytes{1, 1}));  // the press re-sends where the bar stands
  for (size_t i = 1; i < down.size(); ++i) {
    EXPECT_EQ(down[i][0], 1);
    EXPECT_GE(down[i][1], down[i - 1][1]);
  }
  EXPECT_EQ(down.back(), (Bytes{1, 128}));
  EXPECT_EQ(page_->tbar_direction(), 0);
  EXPECT_EQ(data().direction, 0);
  EXPECT_EQ(data().pvm_source, 1);
  EXPECT_EQ(data().tbar_moving, 0);
  EXPECT_EQ(face(IDC_SW_AUTO), 245);
  EXPECT_EQ(face(IDC_SW_PGM_2), 252);
  EXPECT_EQ(face(IDC_SW_PVM_1), 248);

  // Back down from the top: (0, v) with v = position, complete at 129.
  drag(0, 129);
  ASSERT_TRUE(settle([&] { return data().pgm_source == 1; }));
  const std::vector<Bytes> all = tbar_payloads();
  const std::vector<Bytes> up(all.begin() + static_cast<long>(down.size()), all.end());
  EXPECT_EQ(up.front(), (Bytes{0, 1}));
  EXPECT_EQ(up.back(), (Bytes{0, 128}));
  EXPECT_EQ(page_->tbar_direction(), 1);
  EXPECT_TRUE(sim_->no_bad_frames());
}

TEST_F(SwitcherPageTest, AutoRunsTheTransitionInStepsAndFtbBlinks) {
  click(IDC_SW_PGM_1);
  click(IDC_SW_PVM_2);
  click(IDC_SW_AUTO);
  EXPECT_TRUE(got(0x84, {}));
  EXPECT_TRUE(page_->auto_running());
  EXPECT_EQ(page_->auto_interval_ms(), 15);
  EXPECT_EQ(face(IDC_SW_AUTO), 305);
  EXPECT_EQ(face(IDC_SW_PVM_2), 252);  // red while the transition runs
  ASSERT_TRUE(settle([&] { return !page_->auto_running() && data().pgm_source == 2; }, 6000));
  const std::vector<Bytes> steps = tbar_payloads();
  ASSERT_FALSE(steps.empty());
  EXPECT_EQ(steps.back(), (Bytes{1, 128}));
  // Position 1 and the far end both carry 128.
  for (size_t i = 1; i < steps.size(); ++i) EXPECT_GE(steps[i][1], steps[i - 1][1]);
  EXPECT_GE(steps.size(), 100u);
  EXPECT_EQ(page_->tbar()->GetPos(), 0);
  EXPECT_EQ(face(IDC_SW_AUTO), 245);

  click(IDC_SW_FTB);
  EXPECT_TRUE(got(0x85, {}));
  EXPECT_TRUE(page_->ftb_blinking());
  QTest::qWait(1100);  // two blinks: normal, then red
  click(IDC_SW_FTB);
  EXPECT_EQ(sent(0x85).size(), 2u);
  EXPECT_FALSE(page_->ftb_blinking());
  EXPECT_EQ(data().ftb_on, 0);
}

TEST_F(SwitcherPageTest, DurationBoxTakesDigitsAndEnterFormatsIt) {
  QLineEdit* box = page_->duration_box();
  EXPECT_EQ(box->text(), QStringLiteral("02:00"));
  box->setFocus();
  box->selectAll();
  QTest::keyClicks(box, QStringLiteral("3a5:0x7"));
  EXPECT_EQ(box->text(), QStringLiteral("3507"));
  QTest::keyClick(box, Qt::Key_Return);
  EXPECT_EQ(box->text(), QStringLiteral("35:07"));
  box->setText(QStringLiteral("7"));
  QTest::keyClick(box, Qt::Key_Return);
  EXPECT_EQ(box->text(), QStringLiteral("01:00"));
  EXPECT_TRUE(dlg_->isVisible());
  box->setText(QStringLiteral("01:50"));
  click(IDC_SW_AUTO);
  EXPECT_EQ(page_->auto_interval_ms(), 8);
}

// The page closed while AUTO runs and reports flood in: both threads stop,
// nothing runs on the freed page, and the report port is free at once.
TEST_F(SwitcherPageTest, ClosingDuringAutoAndAFloodStopsCleanlyAndFreesThePort) {
  devsim::Faults f;
  f.flood_per_second = 5000;
  sim_->sim().set_faults(0, f);
  click(IDC_SW_AUTO);
  QTest::qWait(200);
  QPointer<CClass_switcher_dlg> page = page_;
  dlg_->close_shown_page();
  EXPECT_TRUE(page.isNull());
  QTest::qWait(100);  // queued reports for the freed page are dropped
  EXPECT_EQ(dlg_->m_udpSockfd, -1);
  EXPECT_EQ(dlg_->m_udpSockfd2, -1);
  const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(link_options().switcher_bind_port);
  EXPECT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  ::close(s);
  sim_->sim().set_faults(0, {});
}
}  // namespace
