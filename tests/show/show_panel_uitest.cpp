// A show in the panel: the matrix page's APPLY renames the multiviewer's
// windows and the switcher page's buses and CUT light them, while another
// page than the multiviewer's is shown.
#include <gtest/gtest.h>

#include <QTest>

#include "app/main_window.h"
#include "controls/skin_button.h"
#include "devices/multiviewer/mv_frames.h"
#include "pages/matrix/matrix_function_page.h"
#include "pages/matrix/matrix_page.h"
#include "pages/switcher/switcher_page.h"
#include "support/panel_test.h"

namespace {
using devsim::DeviceSpec;
using devsim::ReceivedFrame;
constexpr int kMv = 0, kMatrix = 1, kSwitcher = 2;

class ShowPanelTest : public PanelTest {
 protected:
  void SetUp() override {
    start_panel({DeviceSpec::lan(devsim::kTypeMultiviewer), DeviceSpec::lan(devsim::kTypeMatrix),
                 DeviceSpec::lan(devsim::kTypeSwitcher)});
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

}  // namespace
