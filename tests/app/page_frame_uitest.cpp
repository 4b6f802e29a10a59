// The frame every page shares, with a small page of its own.
#include "app/page_frame.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>

#include "controls/group_box.h"
#include "controls/skin_button.h"
#include "res/skin.h"

namespace {
DialogTemplate sample_template() {
  DialogTemplate t;
  t.dialog_id = 999;
  t.size = QSize(490, 420);
  t.controls = {
      {1011, ControlKind::Button, "GO", QRect(10, 10, 80, 30)},
      {1012, ControlKind::ComboList, {}, QRect(10, 50, 120, 24), true, {"A", "B", "C"}},
      {1013, ControlKind::Edit, "text", QRect(10, 80, 120, 24)},
      {1014, ControlKind::Static, "Label", QRect(10, 110, 120, 24)},
      {1015, ControlKind::GroupBox, {}, QRect(5, 5, 480, 410)},
      {1016, ControlKind::Button, "hidden", QRect(200, 10, 80, 30), false},
      {1017, ControlKind::Custom, {}, QRect(200, 200, 50, 40)},
  };
  return t;
}

class SamplePage : public PageFrame {
 public:
  explicit SamplePage(QWidget* parent, ControlColours colours = ControlColours::Page)
      : PageFrame(sample_template(), 194, parent, colours) {}
  int enters = 0, escapes = 0;
  QWidget* custom = nullptr;
  void on_enter_key(QWidget*) override { ++enters; }
  void on_escape_key(QWidget*) override { ++escapes; }

 protected:
  QWidget* create_custom_control(const ControlSpec& spec) override {
    custom = new QLabel(QStringLiteral("custom %1").arg(spec.id), this);
    return custom;
  }
};

TEST(PageFrame, BuildsItsControlsFromTheTemplate) {
  QWidget host;
  auto* page = new SamplePage(&host);
  EXPECT_EQ(page->objectName(), "dlg999");
  EXPECT_NE(qobject_cast<CSkinButton*>(page->findChild<QWidget*>("ctl1011")), nullptr);
  EXPECT_EQ(page->button(1011)->text(), "GO");
  EXPECT_EQ(page->button(1011)->geometry(), QRect(10, 10, 80, 30));
  EXPECT_EQ(page->combo(1012)->count(), 3);
  EXPECT_EQ(page->edit(1013)->text(), "text");
  EXPECT_NE(qobject_cast<CMyGroupBox*>(page->control(1015)), nullptr);
  host.show();
  EXPECT_FALSE(page->control(1016)->isVisible());
  EXPECT_TRUE(page->control(1011)->isVisible());
  // The page's own factory builds its custom control.
  ASSERT_NE(page->custom, nullptr);
  EXPECT_EQ(page->control(1017), page->custom);
  EXPECT_EQ(page->custom->objectName(), "ctl1017");
  EXPECT_EQ(page->custom->geometry(), QRect(200, 200, 50, 40));
}

TEST(PageFrame, ControlColoursOfThePageTable) {
  QWidget host;
  auto* page = new SamplePage(&host);
  for (int id : {1012, 1013, 1014}) {
    EXPECT_EQ(page->control(id)->palette().color(QPalette::Text), QColor(60, 180, 255)) << id;
    EXPECT_EQ(page->control(id)->palette().color(QPalette::Base), QColor(58, 58, 58)) << id;
  }
  auto* plain = new SamplePage(&host, ControlColours::Default);
  EXPECT_NE(plain->control(1013)->palette().color(QPalette::Text), QColor(60, 180, 255));
}

TEST(PageFrame, BackgroundIsStretchedToAnySize) {
  QWidget host;
  auto* page = new SamplePage(&host);
  page->setGeometry(0, 0, 980, 210);  // twice as wide, half as high as bitmap 194
  for (QWidget* w : page->findChildren<QWidget*>()) w->hide();
  host.resize(1000, 300);
  host.show();
  const QImage shot = page->grab().toImage();
  const QImage expected = skin_image(194).scaled(980, 210, Qt::IgnoreAspectRatio,
                                                 Qt::SmoothTransformation);
  for (QPoint p : {QPoint(0, 0), QPoint(979, 209), QPoint(490, 100), QPoint(100, 200)})
    EXPECT_EQ(shot.pixelColor(p), expected.pixelColor(p)) << p.x() << "," << p.y();
}

TEST(PageFrame, EnterAndEscapeReachThePageAndNothingElse) {
  QWidget host;
  auto* page = new SamplePage(&host);
  PageFrame::install_key_guard(&host);
  host.show();
  QSignalSpy clicks(page->button(1011), &QAbstractButton::clicked);
  page->button(1011)->setFocus();
  QTest::keyClick(page->button(1011), Qt::Key_Return);
  QTest::keyClick(page->edit(1013), Qt::Key_Escape);
  QTest::keyClick(page->edit(1013), Qt::Key_Enter);
  EXPECT_EQ(clicks.count(), 0);
  EXPECT_EQ(page->enters, 2);
  EXPECT_EQ(page->escapes, 1);
}

TEST(PageFrame, CommandsAreBoundByIdAndProgrammaticSelectionDoesNotFire) {
  QWidget host;
  auto* page = new SamplePage(&host);
  int go = 0, selected = 0;
  page->on_command(1011, [&] { ++go; });
  page->on_command(1012, [&] { ++selected; });
  host.show();
  QTest::mouseClick(page->button(1011), Qt::LeftButton);
  EXPECT_EQ(go, 1);
  page->combo(1012)->setCurrentIndex(2);
  EXPECT_EQ(selected, 0);
  emit page->combo(1012)->activated(1);
  EXPECT_EQ(selected, 1);
}

TEST(PageFrame, DestroyingThePageFreesItAndItsSubPagesOnce) {
  QWidget host;
  auto* page = new SamplePage(&host);
  QPointer<SamplePage> sub = new SamplePage(page);
  QPointer<SamplePage> guard(page);
  page->destroy_page();
  EXPECT_TRUE(guard.isNull());
  EXPECT_TRUE(sub.isNull());
}

TEST(PageFrame, APageDestroyedInsideItsOwnHandlerOutlivesTheHandler) {
  QWidget host;
  auto* page = new SamplePage(&host);
  QPointer<SamplePage> guard(page);
  bool ran_to_end = false;
  page->on_command(1011, [&] {
    page->destroy_page();
    ran_to_end = page->dialog_id() == 999;  // still alive here
  });
  host.show();
  QTest::mouseClick(page->button(1011), Qt::LeftButton);
  EXPECT_TRUE(ran_to_end);
  EXPECT_TRUE(guard.isNull());
}
}  // namespace
