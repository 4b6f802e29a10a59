// The multiviewer page's preview while a show runs on the multiviewer it
// shows: a new route renames the strip of the window it feeds and a new
// program source lights it in the program colour, each with a repaint of the
// preview; the UMD tab's field follows; nothing changed, nothing repainted.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>

#include "app/main_window.h"
#include "devices/device_kinds.h"
#include "pages/multiviewer/mv_page.h"
#include "pages/multiviewer/mv_preview.h"
#include "pages/multiviewer/mv_umd_page.h"
#include "support/panel_test.h"

namespace {
using devsim::DeviceSpec;

class PaintCounter : public QObject {
 public:
  int count = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++count;
    return false;
  }
};

// The router and the switcher are only named: the show hears what the pages
// sent them, and this test tells it directly.
const Target kRouter = Target::lan("127.0.0.9", device_type::kMatrix, 1);
const Target kSwitcher = Target::lan("127.0.0.10", device_type::kSwitcher, 1);

class MvShowPreviewTest : public PanelTest {
 protected:
  void SetUp() override {
    start_panel({DeviceSpec::lan(devsim::kTypeMultiviewer)});
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(sim_->select_in_main_window(*dlg_, 0));
    shell_ = dynamic_cast<CClass_16view_dlg*>(dlg_->m_p_mian_show_dlg);
    ASSERT_NE(shell_, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg_->m_16_view_state_read != 0; }, 3000));
    // The device writes its labels in black (white on its half-transparent
    // ground would hardly show in a pixel count).
    dlg_->m_all_16_view_page_data.kelvaro_16_view_umd_text_color[0] = 0;
    Show show;
    for (int n = 1; n <= 8; ++n) show.source_names[n - 1] = QStringLiteral("SRC %1").arg(n);
    show.multiviewer = {sim_->address(0), 1};
    show.router = {kRouter.address, 1};
    show.switcher = {kSwitcher.address, 1};
    for (int n = 1; n <= 8; ++n)
      show.multiviewer_inputs[n - 1] = {ShowFeed::Kind::RouterOutput, static_cast<uint8_t>(n)};
    dlg_->start_show(show, {});
    ASSERT_TRUE(dlg_->m_show_runner.state()->window_sources_known());
    QTest::qWait(50);
    shell_->preview_control()->installEventFilter(&paints_);
  }

  // Window 1's strip as the preview paints it now.
  QImage strip() const {
    const QRect r = preview_umd_strip(*dlg_, 1);
    EXPECT_FALSE(r.isEmpty());
    return shell_->preview_control()->grab(r).toImage();
  }
  static int dark_pixels(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) {
        const QColor c(image.pixel(x, y));
        n += std::max({c.red(), c.green(), c.blue()}) < 100 ? 1 : 0;
      }
    return n;
  }
  // Waits until the preview has been repainted and `done` holds.
  bool repainted_when(const std::function<bool()>& done) {
    return QTest::qWaitFor([&] { return paints_.count > 0 && done(); }, 3000);
  }
  static std::array<uint8_t, kShowRouterPorts> route_output_1(uint8_t input) {
    std::array<uint8_t, kShowRouterPorts> r{};
    r[0] = input;
    return r;
  }

  CClass_16view_dlg* shell_ = nullptr;
  PaintCounter paints_;
};

TEST_F(MvShowPreviewTest, TheStripShowsTheShowsLabelAndTally) {
  const QImage before = strip();  // "CAM 1" as the device holds it
  EXPECT_GT(dark_pixels(before), 0);

  paints_.count = 0;
  dlg_->m_show_runner.routed(kRouter, route_output_1(3));
  ASSERT_TRUE(repainted_when([&] { return dlg_->m_16_view_umd_text[0] == u"SRC 3"; }));
  const QImage renamed = strip();
  EXPECT_EQ(sim().multiviewer_state(0).label(1), u"SRC 3");
  EXPECT_NE(renamed, before);
  EXPECT_GT(dark_pixels(renamed), 0);
  EXPECT_EQ(QColor(renamed.pixel(1, 1)), QColor(245, 245, 245));  // HalfTrans, not lit

  // Switcher input 3 (source 3) to program: window 1 turns red, the label
  // stays on it and the colour page's own colour stays in the model.
  paints_.count = 0;
  dlg_->m_show_runner.switcher_changed(kSwitcher, 3, 0, false);
  ASSERT_TRUE(repainted_when([&] { return sim().multiviewer_state(0).umd_back_color[0] == 2; }));
  const QImage lit = strip();
  EXPECT_EQ(QColor(lit.pixel(1, 1)), QColor(255, 0, 0));
  EXPECT_GT(dark_pixels(lit), 0);
  EXPECT_EQ(dlg_->m_all_16_view_page_data.kelvaro_16_view_umd_back_color[0], 15);

  // On the UMD tab the field of window 1 follows the next rename.
  shell_->SelectSubPage(3);
  auto* umd = dynamic_cast<CClass_16view_umd*>(shell_->cur_sub_page());
  ASSERT_NE(umd, nullptr);
  QLineEdit* field = umd->edit(CClass_16view_umd::field_id(1));
  EXPECT_EQ(field->text(), u"SRC 3");
  dlg_->m_show_runner.routed(kRouter, route_output_1(4));
  EXPECT_TRUE(QTest::qWaitFor([&] { return field->text() == u"SRC 4"; }, 3000));

  // The same route again changes nothing: no frame, no repaint.
  QTest::qWait(50);
  paints_.count = 0;
  const size_t frames = sim().frame_count();
  dlg_->m_show_runner.routed(kRouter, route_output_1(4));
  QTest::qWait(150);
  EXPECT_EQ(paints_.count, 0);
  EXPECT_EQ(sim().frame_count(), frames);
}

}  // namespace
