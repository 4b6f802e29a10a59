// A show in the panel: the matrix page's APPLY renames the multiviewer's
// windows and the switcher page's buses and CUT light them, while another
// page than the multiviewer's is shown; the switcher's own reports light
// them whichever page is shown.
#include <gtest/gtest.h>

#include <QTest>

#include "app/main_window.h"
#include "controls/skin_button.h"
#include "devices/multiviewer/mv_frames.h"
#include "pages/matrix/matrix_function_page.h"
#include "pages/matrix/matrix_page.h"
#include "pages/switcher/switcher_page.h"
#include "support/panel_test.h"
#include "support/trace_recorder.h"

namespace {
using devsim::DeviceSpec;
using devsim::ReceivedFrame;
using devsim::Report;
constexpr int kMv = 0, kMatrix = 1, kSwitcher = 2, kOtherMv = 3;
constexpr uint8_t kRed = 2, kGreen = 4;  // the show's program and preview colours

class ShowPanelTest : public PanelTest {
 protected:
  void SetUp() override {
    start_panel({DeviceSpec::lan(devsim::kTypeMultiviewer), DeviceSpec::lan(devsim::kTypeMatrix),
                 DeviceSpec::lan(devsim::kTypeSwitcher),
                 DeviceSpec::lan(devsim::kTypeMultiviewer)});
    ASSERT_FALSE(HasFatalFailure());
    Show show;
    for (int n = 1; n <= 8; ++n) show.source_names[n - 1] = QStringLiteral("SRC %1").arg(n);
    show.multiviewer = {sim_->address(kMv), 1};
    show.router = {sim_->address(kMatrix), 1};
    show.switcher = {sim_->address(kSwitcher), 1};
    // Window n shows SDI n; SDI 1..8 hang on router outputs 1..8.
    for (int n = 1; n <= 8; ++n)
      show.multiviewer_inputs[n - 1] = {ShowFeed::Kind::RouterOutput, static_cast<uint8_t>(n)};
    ASSERT_TRUE(sim_->select_in_main_window(*dlg_, kMatrix));
    dlg_->start_show(show, {});
    ASSERT_TRUE(dlg_->m_show_runner.state()->window_sources_known());
  }
  // Waits until windows 1 and 2 of the multiviewer have these label colours.
  bool wall_shows(uint8_t window1, uint8_t window2, int device = kMv) {
    return QTest::qWaitFor(
        [&] {
          const auto& c = sim().multiviewer_state(device).umd_back_color;
          return c[0] == window1 && c[1] == window2;
        },
        3000);
  }
  std::vector<ReceivedFrame> mv_frames(uint8_t command, size_t count) {
    (void)QTest::qWaitFor([&] { return sim_->frames_with_command(kMv, command).size() >= count; },
                          3000);
    QTest::qWait(50);
    return sim_->frames_with_command(kMv, command);
  }
};

TEST_F(ShowPanelTest, TheMatrixPageRenamesAndTheSwitcherPageLightsTheWall) {
  auto* matrix = qobject_cast<CClass_matrix_control*>(dlg_->m_p_mian_show_dlg);
  ASSERT_NE(matrix, nullptr);
  sim().clear_frames();
  const auto click = [](QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); };
  click(matrix->button(IDC_MATRIX_INPUT_1 + 2));   // input 3
  click(matrix->button(IDC_MATRIX_OUTPUT_1 + 0));  // to output 1
  click(matrix->button(IDC_MATRIX_OUTPUT_1 + 5));  // and output 6
  click(matrix->m_p_cur_sub_page->button(IDC_MATRIX_FN_APPLY));
  ASSERT_TRUE(sim_->received_text(kMatrix, "3V1,6."));
  const auto labels = mv_frames(0x1E, 2);
  ASSERT_EQ(labels.size(), 2u);
  EXPECT_EQ(labels[0].bytes[17], 1);
  EXPECT_EQ(labels[1].bytes[17], 6);
  EXPECT_EQ(sim().multiviewer_state(kMv).label(6), u"SRC 3");

  // On the switcher page: program input 3 (windows 1 and 6 show source 3),
  // preview input 2 (no window shows it yet: the routes of outputs 2..8
  // other than 6 are unknown to the panel).
  ASSERT_TRUE(sim_->select_in_main_window(*dlg_, kSwitcher));
  auto* sw = qobject_cast<CClass_switcher_dlg*>(dlg_->m_p_mian_show_dlg);
  ASSERT_NE(sw, nullptr);
  sim().clear_frames();
  sw->button(switcher_pgm_control(3))->click();
  sw->button(switcher_pvm_control(1))->click();
  const auto lit = mv_frames(0x3C, 2);
  ASSERT_EQ(lit.size(), 2u);
  EXPECT_EQ(sim().multiviewer_state(kMv).umd_back_color[0], 2);
  EXPECT_EQ(sim().multiviewer_state(kMv).umd_back_color[5], 2);

  // CUT: input 1 (source 1, on no window) goes to program and source 3 to
  // preview: windows 1 and 6 turn green.
  sim().clear_frames();
  sw->button(IDC_SW_CUT)->click();
  const auto cut = mv_frames(0x3C, 2);
  ASSERT_EQ(cut.size(), 2u);
  EXPECT_EQ(sim().multiviewer_state(kMv).umd_back_color[0], 4);
  EXPECT_EQ(sim().multiviewer_state(kMv).umd_back_color[5], 4);
  // The CUT frame went to the switcher before the first tally frame left.
  const auto cuts = sim_->frames_with_command(kSwitcher, 0x83);
  ASSERT_FALSE(cuts.empty());
  EXPECT_LE(cuts.front().time, cut.front().time);
}

// The reports go to the show while the multiviewer page is shown, to the
// switcher page while it is open (which tells the show: no report counts
// twice), and to the show again once the page has closed, which goes on
// from where the page left the buses.
TEST_F(ShowPanelTest, TheSwitchersReportsLightTheWallWhicheverPageIsShown) {
  Show show = dlg_->m_show_runner.state()->show();
  show.router_routes = {{1, 3}, {2, 1}};  // window 1 shows source 3, window 2 source 1
  dlg_->start_show(show, {});
  ASSERT_TRUE(sim_->select_in_main_window(*dlg_, kMv));
  ASSERT_TRUE(dlg_->m_show_runner.following_switcher());
  sim().send_report(kSwitcher, Report::pgm(3));
  sim().send_report(kSwitcher, Report::pvm(1));
  EXPECT_TRUE(wall_shows(kRed, kGreen));
  // The bar off its ends: both sources on air. Back at an end, then CUT.
  sim().send_report(kSwitcher, Report::tbar(1, 60));
  EXPECT_TRUE(wall_shows(kRed, kRed));
  sim().send_report(kSwitcher, Report::tbar(1, 128));
  sim().send_report(kSwitcher, Report::cut());
  EXPECT_TRUE(wall_shows(kGreen, kRed));

  ASSERT_TRUE(sim_->select_in_main_window(*dlg_, kSwitcher));
  auto* sw = qobject_cast<CClass_switcher_dlg*>(dlg_->m_p_mian_show_dlg);
  ASSERT_NE(sw, nullptr);
  ASSERT_TRUE(sw->receiver_running());
  // The page starts where the reports left the buses, and lights its keys.
  EXPECT_EQ(dlg_->m_all_switcher_page_data.pgm_source, 1);
  EXPECT_EQ(dlg_->m_all_switcher_page_data.pvm_source, 3);
  EXPECT_EQ(sw->button(switcher_pgm_control(1))->bitmap_id(), switcher_source_bitmap(1) - 1);
  {
    TraceRecorder traces;
    sim().send_report(kSwitcher, Report::cut());
    EXPECT_TRUE(wall_shows(kRed, kGreen));
    QTest::qWait(100);
    // The page applied the CUT; the show did not apply it a second time.
    for (const std::string& line : traces.lines())
      EXPECT_EQ(line.find("switcher reports followed"), std::string::npos) << line;
  }

  ASSERT_TRUE(sim_->select_in_main_window(*dlg_, kMv));
  sim().send_report(kSwitcher, Report::cut());
  EXPECT_TRUE(wall_shows(kGreen, kRed));
}

// The switcher page holds the command port: a show started then still reads
// its multiviewer's window sources, whose reply comes to that port, and
// lights the windows of the page's buses.
TEST_F(ShowPanelTest, AShowStartedWhileTheSwitcherPageHoldsTheCommandPortReadsItsMultiviewer) {
  ASSERT_TRUE(sim_->select_in_main_window(*dlg_, kSwitcher));
  auto* sw = qobject_cast<CClass_switcher_dlg*>(dlg_->m_p_mian_show_dlg);
  ASSERT_NE(sw, nullptr);
  sw->button(switcher_pgm_control(1))->click();
  sw->button(switcher_pvm_control(2))->click();
  Show show = dlg_->m_show_runner.state()->show();
  show.multiviewer = {sim_->address(kOtherMv), 1};
  show.router_routes = {{1, 1}, {2, 2}};  // windows 1 and 2 show sources 1 and 2
  dlg_->start_show(show, {});
  EXPECT_TRUE(
      QTest::qWaitFor([&] { return dlg_->m_show_runner.state()->window_sources_known(); }, 3000));
  // The open page told the new show its buses: the windows light at once.
  EXPECT_TRUE(wall_shows(kRed, kGreen, kOtherMv));
}

}  // namespace
