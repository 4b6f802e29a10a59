// Skinned buttons drawn for real under the offscreen platform.
#include "controls/skin_button.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <QSignalSpy>
#include <QTest>

namespace {
const QColor kSkin(10, 200, 30);

// A parent whose own drawing is one known colour, like a page's skin.
class SkinnedParent : public QWidget {
 public:
  SkinnedParent() { resize(200, 120); }

 protected:
  void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), kSkin); }
};

// Left half pure black (transparent), right half RGB(1, 0, 0).
QImage half_black_image(int w, int h) {
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(QColor(1, 0, 0));
  QPainter(&img).fillRect(0, 0, w / 2, h, QColor(0, 0, 0));
  return img;
}

QImage solid(int w, int h, QColor c) {
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(c);
  return img;
}

class SkinButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    parent_.show();
    button_ = new CSkinButton(&parent_);
    button_->setGeometry(20, 20, 40, 30);
    button_->set_image(half_black_image(40, 30));
    button_->draw_transparent();
    button_->draw_border(false);
    button_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent_));
  }
  QImage shot() { return button_->grab().toImage(); }
  void move_over(Qt::MouseButtons held) {
    QMouseEvent move(QEvent::MouseMove, QPointF(10, 10), button_->mapToGlobal(QPointF(10, 10)),
                     Qt::NoButton, held, Qt::NoModifier);
    QApplication::sendEvent(button_, &move);
  }
  SkinnedParent parent_;
  CSkinButton* button_ = nullptr;
};

TEST_F(SkinButtonTest, PureBlackShowsTheParentsSkinAndNearBlackIsDrawn) {
  const QImage img = shot();
  EXPECT_EQ(img.pixelColor(5, 15), kSkin);
  EXPECT_EQ(img.pixelColor(15, 5), kSkin);
  EXPECT_EQ(img.pixelColor(25, 15), QColor(1, 0, 0));
  EXPECT_EQ(img.pixelColor(35, 25), QColor(1, 0, 0));
}

TEST_F(SkinButtonTest, WithoutCaptionTheImageIsCentred) {
  button_->set_image(solid(10, 10, QColor(200, 0, 0)));
  const QImage img = shot();
  EXPECT_EQ(img.pixelColor(15, 10), QColor(200, 0, 0));
  EXPECT_EQ(img.pixelColor(24, 19), QColor(200, 0, 0));
  EXPECT_EQ(img.pixelColor(14, 10), kSkin);
  EXPECT_EQ(img.pixelColor(25, 10), kSkin);
}

TEST_F(SkinButtonTest, DisabledDrawsGreyedAndIgnoresHover) {
  button_->setEnabled(false);
  const QImage img = shot();
  EXPECT_NE(img.pixelColor(30, 15), QColor(1, 0, 0)) << "greyed, not the image itself";
  EXPECT_EQ(img.pixelColor(5, 15), kSkin) << "transparent parts stay transparent";
  move_over(Qt::NoButton);
  EXPECT_FALSE(button_->mouse_on_button());
}

TEST_F(SkinButtonTest, HoverWithTheLeftButtonHeldElsewhereDoesNotHighlight) {
  move_over(Qt::LeftButton);
  EXPECT_FALSE(button_->mouse_on_button());
  move_over(Qt::NoButton);
  EXPECT_TRUE(button_->mouse_on_button());
  // Once lit, moving with the button held keeps tracking.
  move_over(Qt::LeftButton);
  EXPECT_TRUE(button_->mouse_on_button());
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(button_, &leave);
  EXPECT_FALSE(button_->mouse_on_button());
}

TEST_F(SkinButtonTest, ADoubleClickGivesTwoCommands) {
  QSignalSpy clicks(button_, &QAbstractButton::clicked);
  const QPointF at(10, 10);
  const QPointF global = button_->mapToGlobal(at);
  const struct {
    QEvent::Type type;
    Qt::MouseButtons held;
  } sequence[] = {{QEvent::MouseButtonPress, Qt::LeftButton},
                  {QEvent::MouseButtonRelease, Qt::NoButton},
                  {QEvent::MouseButtonDblClick, Qt::LeftButton},
                  {QEvent::MouseButtonRelease, Qt::NoButton}};
  for (const auto& step : sequence) {
    QMouseEvent e(step.type, at, global, Qt::LeftButton, step.held, Qt::NoModifier);
    QApplication::sendEvent(button_, &e);
  }
  EXPECT_EQ(clicks.count(), 2);
  EXPECT_TRUE(button_->hasFocus() || QApplication::focusWidget() == nullptr);
}

TEST_F(SkinButtonTest, SwappingTheBitmapWhileHoveredShowsTheNewImage) {
  move_over(Qt::NoButton);
  ASSERT_TRUE(button_->mouse_on_button());
  button_->set_image(solid(40, 30, QColor(0, 0, 250)));
  EXPECT_EQ(shot().pixelColor(5, 15), QColor(0, 0, 250));
}

TEST_F(SkinButtonTest, PressedImageMovesOnePixel) {
  button_->set_image(solid(10, 10, QColor(200, 0, 0)));
  button_->setDown(true);
  const QImage img = shot();
  EXPECT_EQ(img.pixelColor(15, 10), kSkin);
  EXPECT_EQ(img.pixelColor(16, 11), QColor(200, 0, 0));
  EXPECT_EQ(img.pixelColor(25, 20), QColor(200, 0, 0));
}

TEST_F(SkinButtonTest, CheckBoxModeTogglesOnClick) {
  button_->set_checkbox_mode(true);
  button_->set_check(2);
  EXPECT_EQ(button_->get_check(), 1);
  QTest::mouseClick(button_, Qt::LeftButton);
  EXPECT_EQ(button_->get_check(), 0);
  button_->set_check(7);
  EXPECT_EQ(button_->get_check(), 0);
}

TEST(SkinButtonColours, BackgroundAndTextFollowTheSixColours) {
  SkinnedParent parent;
  parent.show();
  CSkinButton b(&parent);
  b.setGeometry(0, 0, 60, 30);
  b.set_color(CSkinButton::BackgroundOut, QColor(64, 64, 64));
  b.set_color(CSkinButton::TextOut, QColor(60, 180, 255));
  b.set_color(CSkinButton::BackgroundIn, QColor(90, 90, 90));
  b.draw_border(false);
  b.show();
  EXPECT_EQ(b.grab().toImage().pixelColor(2, 2), QColor(64, 64, 64));
  b.setDown(true);
  EXPECT_EQ(b.grab().toImage().pixelColor(2, 2), QColor(90, 90, 90));
}

TEST(ShadeButton, PaletteRules) {
  const QColor shadow(100, 0, 0), face(0, 100, 0), highlight(0, 0, 200);
  const auto pal = CShadeButton::shade_palette(shadow, face, highlight);
  EXPECT_EQ(pal[0], qRgb(100, 0, 0));
  EXPECT_EQ(pal[64], qRgb(50, 50, 0));
  // Entry 128 belongs to the second ramp: one step from the face.
  EXPECT_EQ(pal[128], qRgb(0, 100 * 127 / 128, 200 / 128));
  EXPECT_EQ(pal[255], qRgb(0, 0, 200));
  EXPECT_EQ(CShadeButton::tint(qRgb(100, 0, 200), QColor(55, 255, 55), 5),
            qRgb((5 * 55 + 95 * 100) / 100, (5 * 255) / 100, (5 * 55 + 95 * 200) / 100));
}

TEST(ShadeButton, PixelsAreLightTopLeftAndDarkBottomRight) {
  const int w = 50, h = 20;
  EXPECT_EQ(CShadeButton::shade_value(0, 0, w, h, 0), 119);
  EXPECT_EQ(CShadeButton::shade_value(w - 1, 0, w, h, 0), 119 / w);
  EXPECT_EQ(CShadeButton::shade_value(0, h - 1, w, h, 16), (119 + 119 * (h - 1) / h + 16) % 256);
  SkinnedParent parent;
  CShadeButton b(&parent);
  b.setGeometry(0, 0, w, h);
  b.set_shade(1234);
  ASSERT_TRUE(b.has_shade());
  const CDib8& dib = b.normal_dib();
  ASSERT_EQ(dib.width(), w);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int base = CShadeButton::shade_value(x, y, w, h, 0);
      const int v = dib.pixel_from_bottom(x, y);
      ASSERT_GE(v, base);
      ASSERT_LE(v, base + 16);
    }
  EXPECT_GT(dib.pixel(0, 0), dib.pixel(w - 1, h - 1)) << "top-left lighter than bottom-right";
  // The hover bitmap is the same picture with a palette tinted towards the highlight.
  EXPECT_EQ(b.hover_dib().bits(), dib.bits());
  EXPECT_NE(b.hover_dib().palette_entry(10), dib.palette_entry(10));
}

TEST(Dib8, StrideAndBottomUpRows) {
  EXPECT_EQ(CDib8::stride_for(1), 4);
  EXPECT_EQ(CDib8::stride_for(4), 4);
  EXPECT_EQ(CDib8::stride_for(5), 8);
  EXPECT_EQ(CDib8::stride_for(138), 140);
  CDib8 dib(5, 3);
  EXPECT_EQ(dib.bits().size(), 24u);
  dib.set_pixel_from_bottom(1, 0, 7);  // bottom row
  EXPECT_EQ(dib.pixel(1, 2), 7);
  EXPECT_EQ(dib.bits()[1], 7);
  dib.set_palette_entry(7, qRgb(1, 2, 3));
  EXPECT_EQ(dib.image().pixel(1, 2), qRgb(1, 2, 3));
  dib.set_pixel_from_bottom(9, 9, 1);  // outside: ignored
  EXPECT_EQ(dib.pixel_from_bottom(9, 9), 0);
}
}  // namespace
