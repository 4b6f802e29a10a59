// At rest the panel paints nothing: every page, sub-page and dialog is opened
// in turn against simulated devices, left to settle, and then watched for one
// second. A widget that asks for another paint from its own paint (or on a
// timer) shows up here as paint events with nothing happening.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMap>
#include <QTest>

#include "app/about_dialog.h"
#include "app/main_window.h"
#include "app/set_configure.h"
#include "controls/shade_button.h"
#include "controls/skin_button.h"
#include "pages/matrix/matrix_page.h"
#include "pages/multiviewer/mv_page.h"
#include "pages/switcher/switcher_page.h"
#include "support/panel_test.h"

namespace {
constexpr int kMultiviewer = 0;
constexpr int kMatrix = 1;
constexpr int kRk5502 = 2;
constexpr int kTm3306 = 3;
constexpr int kSwitcher = 4;

// Counts paint events of every widget of the application, by widget.
class PaintCounter : public QObject {
 public:
  PaintCounter() { qApp->installEventFilter(this); }
  ~PaintCounter() override { qApp->removeEventFilter(this); }

  void reset() { m_painted.clear(); }
  int total() const {
    int n = 0;
    for (int count : m_painted) n += count;
    return n;
  }
  QString painted() const {
    QStringList out;
    for (auto it = m_painted.begin(); it != m_painted.end(); ++it)
      out << QStringLiteral("%1 x%2").arg(it.key()).arg(it.value());
    return out.join(QStringLiteral(", "));
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && watched->isWidgetType())
      ++m_painted[QStringLiteral("%1 %2").arg(watched->metaObject()->className(),
                                              watched->objectName())];
    return false;
  }

 private:
  QMap<QString, int> m_painted;
};

class IdlePaintTest : public PanelTest {
 protected:
  void SetUp() override {
    start_panel({devsim::DeviceSpec::lan(devsim::kTypeMultiviewer, 5),
                 devsim::DeviceSpec::lan(devsim::kTypeMatrix, 7),
                 devsim::DeviceSpec::lan(devsim::kTypeRk5502, 3),
                 devsim::DeviceSpec::lan(devsim::kTypeTm3306, 4),
                 devsim::DeviceSpec::lan(devsim::kTypeSwitcher, 6)});
  }

  // Lets what was just opened finish painting, then counts the paints of
  // one second in which nothing happens.
  void expect_no_paint_at_rest(const char* what) {
    QTest::qWait(300);
    counter_.reset();
    QTest::qWait(1000);
    EXPECT_EQ(counter_.total(), 0)
        << what << " keeps painting: " << counter_.painted().toStdString();
  }

  PageFrame* open_device(int device) {
    EXPECT_TRUE(sim_->select_in_main_window(*dlg_, device));
    return dlg_->m_p_mian_show_dlg;
  }

  PaintCounter counter_;
};

TEST_F(IdlePaintTest, NoPageSubPageOrDialogPaintsWhileNothingHappens) {
  expect_no_paint_at_rest("the main window");

  auto* mv = dynamic_cast<CClass_16view_dlg*>(open_device(kMultiviewer));
  ASSERT_NE(mv, nullptr);
  for (int tab = 1; tab <= CClass_16view_dlg::kTabCount; ++tab) {
    // The status and audio tabs are hidden; their sub-pages open all the same.
    CShadeButton* button = mv->tab_button(tab);
    if (button->isVisible())
      QTest::mouseClick(button, Qt::LeftButton);
    else
      mv->SelectSubPage(tab);
    ASSERT_EQ(mv->cur_tab(), tab);
    ASSERT_NE(mv->cur_sub_page(), nullptr);
    const std::string what = "multiviewer tab " + std::to_string(tab);
    expect_no_paint_at_rest(what.c_str());
  }

  auto* matrix = qobject_cast<CClass_matrix_control*>(open_device(kMatrix));
  ASSERT_NE(matrix, nullptr);
  for (int tab : {2, 1}) {
    QTest::mouseClick(matrix->tab_button(tab), Qt::LeftButton);
    ASSERT_EQ(matrix->m_cur_tab, tab);
    expect_no_paint_at_rest(tab == 1 ? "matrix function sub-page" : "matrix connection sub-page");
  }

  ASSERT_NE(open_device(kRk5502), nullptr);
  expect_no_paint_at_rest("rk5502 page");
  ASSERT_NE(open_device(kTm3306), nullptr);
  expect_no_paint_at_rest("tm3306 page");
  // The switcher page with its threads running and each of its sub-pages.
  auto* sw = qobject_cast<CClass_switcher_dlg*>(open_device(kSwitcher));
  ASSERT_NE(sw, nullptr);
  expect_no_paint_at_rest("switcher page");
  for (int kind : {3, 1, 2}) {
    sw->ShowSubPage(kind);
    const std::string what = "switcher sub-page " + std::to_string(kind);
    expect_no_paint_at_rest(what.c_str());
  }

  QTest::mouseClick(dlg_->main_button(IDC_SET_BUTTON), Qt::LeftButton);
  CSetConfigure* cfg = dlg_->m_pSetConfigure;
  ASSERT_NE(cfg, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(cfg));
  expect_no_paint_at_rest("the Configure dialog");
  cfg->hide();

  CAboutDlg about(dlg_);
  about.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
  expect_no_paint_at_rest("the About box");
}
}  // namespace
