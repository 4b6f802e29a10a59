#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QSignalSpy>
#include <memory>

#include "controls/pattern_parent.h"
#include "controls/skin_button.h"
#include "res/skin.h"

namespace {

// 20 x 10: left half pure black (transparent), right half RGB(1, 0, 0).
QImage half_black_image() {
  QImage image(20, 10, QImage::Format_RGB32);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 20; ++x) image.setPixel(x, y, x < 10 ? qRgb(0, 0, 0) : qRgb(1, 0, 0));
  return image;
}

QImage solid_image(QSize size, QRgb colour) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(colour);
  return image;
}

struct ButtonPage {
  std::unique_ptr<PatternParent> page = std::make_unique<PatternParent>();
  CSkinButton* button = nullptr;
  CSkinButton* other = nullptr;

  // A skin button at (50, 60), 40 x 30, and a second one further right.
  explicit ButtonPage(CSkinButton* b = nullptr) {
    button = b ? b : new CSkinButton;
    button->setParent(page.get());
    button->setGeometry(50, 60, 40, 30);
    other = new CSkinButton(page.get());
    other->setGeometry(150, 60, 40, 30);
    other->set_image(solid_image({10, 10}, qRgb(0, 200, 0)));
  }
  QImage shot() const { return button->grab().toImage(); }
  QWindow* window() const { return page->windowHandle(); }
  QPoint centre_of(QWidget* w) const { return w->geometry().center(); }
};

// Skin button background colours that tell hovering from not hovering.
void make_opaque_colours(CSkinButton* b) {
  b->set_color(CSkinButton::BackgroundOut, QColor(0, 0, 255));
  b->set_color(CSkinButton::BackgroundFocus, QColor(0, 0, 255));
  b->set_color(CSkinButton::BackgroundIn, QColor(255, 0, 0));
  b->draw_border(false);
}

// Qt ignores a move to where the pointer already is (an earlier test may
// have left it there), so the pointer always arrives from another point.
void move_onto(QWindow* window, QPoint at) {
  QTest::mouseMove(window, QPoint(1, 1));
  QTest::mouseMove(window, at);
  QApplication::processEvents();
}

void send_mouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button,
                Qt::MouseButtons buttons) {
  QMouseEvent event(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, buttons,
                    Qt::NoModifier);
  QApplication::sendEvent(w, &event);
}

}  // namespace

TEST(SkinButton, PureBlackShowsTheParentsSkinAndNearBlackIsDrawn) {
  ButtonPage p;
  p.button->set_image(half_black_image());
  p.button->draw_transparent();
  p.button->draw_border(false);
  ASSERT_TRUE(show_and_settle(p.page.get()));

  const QImage shot = p.shot();
  // Centred: image at (10, 10) inside the 40 x 30 button.
  for (int y = 10; y < 20; ++y) {
    for (int x = 10; x < 20; ++x)
      ASSERT_EQ(rgb_at(shot, x, y), p.page->skin_at(50 + x, 60 + y)) << x << "," << y;
    for (int x = 20; x < 30; ++x) ASSERT_EQ(rgb_at(shot, x, y), qRgb(1, 0, 0)) << x << "," << y;
  }
  // Outside the image the button is all skin too, at the right place.
  EXPECT_EQ(rgb_at(shot, 0, 0), p.page->skin_at(50, 60));
  EXPECT_EQ(rgb_at(shot, 39, 29), p.page->skin_at(89, 89));
  EXPECT_TRUE(p.button->has_captured_background());
}

TEST(SkinButton, CapturedSkinIsKeptUntilDiscarded) {
  ButtonPage p;
  p.button->setup_skin(-12345);  // no such bitmap: nothing but the skin shows
  EXPECT_TRUE(p.button->image().isNull());
  EXPECT_TRUE(p.button->draws_transparent());
  EXPECT_FALSE(p.button->draws_border());
  ASSERT_TRUE(show_and_settle(p.page.get()));
  EXPECT_EQ(rgb_at(p.shot(), 5, 5), PatternParent::skin_at(55, 65, 0));

  p.page->set_shift(128);
  QApplication::processEvents();
  EXPECT_EQ(rgb_at(p.shot(), 5, 5), PatternParent::skin_at(55, 65, 0)) << "copy kept";

  p.button->discard_background();
  EXPECT_FALSE(p.button->has_captured_background());
  EXPECT_EQ(rgb_at(p.shot(), 5, 5), PatternParent::skin_at(55, 65, 128)) << "taken again";

  // A move takes the skin of the new place.
  p.button->move(70, 80);
  QApplication::processEvents();
  EXPECT_EQ(rgb_at(p.shot(), 5, 5), PatternParent::skin_at(75, 85, 128));
}

TEST(SkinButton, ImagePlacementCaptionAndPressedOffset) {
  ButtonPage p;
  p.button->set_image(solid_image({6, 4}, qRgb(250, 10, 10)));
  make_opaque_colours(p.button);
  ASSERT_TRUE(show_and_settle(p.page.get()));
  // No caption: centred, (40 - 6) / 2 = 17, (30 - 4) / 2 = 13.
  QImage shot = p.shot();
  EXPECT_EQ(rgb_at(shot, 17, 13), qRgb(250, 10, 10));
  EXPECT_EQ(rgb_at(shot, 16, 13), qRgb(0, 0, 255));
  EXPECT_EQ(rgb_at(shot, 22, 16), qRgb(250, 10, 10));
  EXPECT_EQ(rgb_at(shot, 23, 16), qRgb(0, 0, 255));

  // Pressed: one pixel right and down.
  p.button->setDown(true);
  shot = p.shot();
  EXPECT_EQ(rgb_at(shot, 17, 13), qRgb(255, 0, 0)) << "background-in while pressed";
  EXPECT_EQ(rgb_at(shot, 18, 14), qRgb(250, 10, 10));
  EXPECT_EQ(rgb_at(shot, 23, 17), qRgb(250, 10, 10));
  p.button->setDown(false);

  // With a caption the image sits 3 pixels from the left edge.
  p.button->setText("OK");
  shot = p.shot();
  EXPECT_EQ(rgb_at(shot, 3, 13), qRgb(250, 10, 10));
  EXPECT_EQ(rgb_at(shot, 2, 13), qRgb(0, 0, 255));
  EXPECT_EQ(rgb_at(shot, 8, 16), qRgb(250, 10, 10));
}

TEST(SkinButton, CheckBoxModeTogglesAndDrawsCheckedWithoutOffset) {
  ButtonPage p;
  p.button->set_image(solid_image({6, 4}, qRgb(250, 10, 10)));
  make_opaque_colours(p.button);
  p.button->set_checkbox_mode(true);
  ASSERT_TRUE(show_and_settle(p.page.get()));
  QSignalSpy clicks(p.button, &QAbstractButton::clicked);

  EXPECT_EQ(p.button->get_check(), 0);
  QTest::mouseClick(p.button, Qt::LeftButton);
  EXPECT_EQ(p.button->get_check(), 1);
  EXPECT_TRUE(p.button->hasFocus() || !p.page->isActiveWindow());
  QTest::mouseClick(p.button, Qt::LeftButton);
  EXPECT_EQ(p.button->get_check(), 0);
  EXPECT_EQ(clicks.count(), 2) << "each click is still a command";

  p.button->set_check(2);
  EXPECT_EQ(p.button->get_check(), 1);
  const QImage shot = p.shot();
  EXPECT_EQ(rgb_at(shot, 17, 13), qRgb(250, 10, 10)) << "checked image is not offset";
  EXPECT_EQ(rgb_at(shot, 0, 0), qRgb(255, 0, 0)) << "checked draws as pressed";
  p.button->set_check(7);
  EXPECT_EQ(p.button->get_check(), 0);

  // A plain button has no check state.
  p.other->set_check(1);
  EXPECT_EQ(p.other->get_check(), 0);
}

TEST(SkinButton, HoverHighlightsAndSetBitmapWhileHoveredRepaints) {
  ButtonPage p;
  make_opaque_colours(p.button);
  p.button->set_image(solid_image({6, 4}, qRgb(250, 10, 10)));
  ASSERT_TRUE(show_and_settle(p.page.get()));
  EXPECT_EQ(rgb_at(p.shot(), 0, 0), qRgb(0, 0, 255));

  move_onto(p.window(), p.centre_of(p.button));
  ASSERT_TRUE(p.button->mouse_on_button());
  EXPECT_EQ(rgb_at(p.shot(), 0, 0), qRgb(255, 0, 0));

  // A new image while hovered: shown at once, hover kept.
  p.button->set_image(solid_image({6, 4}, qRgb(10, 250, 10)));
  const QImage shot = p.shot();
  EXPECT_EQ(rgb_at(shot, 17, 13), qRgb(10, 250, 10));
  EXPECT_EQ(rgb_at(shot, 0, 0), qRgb(255, 0, 0));
  EXPECT_TRUE(p.button->mouse_on_button());

  QTest::mouseMove(p.window(), QPoint(5, 5));
  QApplication::processEvents();
  EXPECT_FALSE(p.button->mouse_on_button());
  EXPECT_EQ(rgb_at(p.shot(), 0, 0), qRgb(0, 0, 255));
}

TEST(SkinButton, SetBitmapShowsTheSkinsImageOfThatId) {
  int id = 0;
  for (int candidate : skin_bitmap_ids())
    if (!skin_image(candidate).isNull() && skin_image(candidate).width() <= 200 &&
        skin_image(candidate).height() <= 120) {
      id = candidate;
      break;
    }
  ASSERT_NE(id, 0) << "the skin has bitmaps";
  const QImage& face = skin_image(id);
  ButtonPage p;
  p.button->setup_skin(id);
  p.button->resize(face.size());
  EXPECT_EQ(p.button->bitmap_id(), id);
  ASSERT_TRUE(show_and_settle(p.page.get()));
  const QImage shot = p.shot();
  int compared = 0;
  for (int y = 0; y < face.height(); y += 3)
    for (int x = 0; x < face.width(); x += 3) {
      const QRgb want = face.pixel(x, y);
      if ((want & 0xFFFFFF) == 0 || qAlpha(want) != 255) continue;
      ASSERT_EQ(rgb_at(shot, x, y), want | 0xFF000000) << x << "," << y;
      ++compared;
    }
  EXPECT_GT(compared, 0);
}

TEST(SkinButton, LeftButtonHeldFromElsewhereDoesNotHighlight) {
  ButtonPage p;
  make_opaque_colours(p.button);
  ASSERT_TRUE(show_and_settle(p.page.get()));

  // Pressed on the other button, dragged over this one.
  QTest::mousePress(p.window(), Qt::LeftButton, {}, p.centre_of(p.other));
  move_onto(p.window(), p.centre_of(p.button));
  EXPECT_FALSE(p.button->mouse_on_button());
  EXPECT_EQ(rgb_at(p.shot(), 0, 0), qRgb(0, 0, 255));
  QTest::mouseRelease(p.window(), Qt::LeftButton, {}, p.centre_of(p.button));

  // The same when the move reaches the button itself with the button held.
  QTest::mouseMove(p.window(), QPoint(5, 5));
  QApplication::processEvents();
  send_mouse(p.button, QEvent::MouseMove, QPoint(10, 10), Qt::NoButton, Qt::LeftButton);
  EXPECT_FALSE(p.button->mouse_on_button());
  send_mouse(p.button, QEvent::MouseMove, QPoint(10, 10), Qt::NoButton, Qt::NoButton);
  EXPECT_TRUE(p.button->mouse_on_button());
  // Once on the button, a held button keeps tracking: leaving the area clears it.
  send_mouse(p.button, QEvent::MouseMove, QPoint(100, 10), Qt::NoButton, Qt::LeftButton);
  EXPECT_FALSE(p.button->mouse_on_button());
}

TEST(SkinButton, DisabledIsGreyedIgnoresHoverAndPassesTheFocusOn) {
  // A dark red block on pure black.
  QImage face(12, 8, QImage::Format_RGB32);
  face.fill(qRgb(0, 0, 0));
  for (int y = 2; y < 6; ++y)
    for (int x = 2; x < 10; ++x) face.setPixel(x, y, qRgb(120, 0, 0));
  ButtonPage p;
  p.button->set_image(face);
  p.button->draw_transparent();
  p.button->draw_border(false);
  ASSERT_TRUE(show_and_settle(p.page.get()));
  p.page->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(p.page.get()));
  p.button->setFocus();
  ASSERT_TRUE(p.button->hasFocus());

  move_onto(p.window(), p.centre_of(p.button));
  ASSERT_TRUE(p.button->mouse_on_button());
  p.button->setEnabled(false);
  EXPECT_FALSE(p.button->mouse_on_button()) << "disabling clears the hover";
  EXPECT_TRUE(p.other->hasFocus()) << "focus moves to the next control";

  // Image at (14, 11): the block is drawn in the shadow colour, never in red;
  // the transparent surround still shows the skin.
  const QColor shadow = p.button->palette().color(QPalette::Dark);
  const QImage shot = p.shot();
  int red = 0, shadowed = 0;
  for (int y = 11; y < 19; ++y)
    for (int x = 14; x < 26; ++x) {
      const QRgb c = rgb_at(shot, x, y);
      if (c == qRgb(120, 0, 0)) ++red;
      if (c == (shadow.rgb() | 0xFF000000)) ++shadowed;
    }
  EXPECT_EQ(red, 0);
  EXPECT_GE(shadowed, 4 * 8 - 8) << "the block's shape is drawn greyed";
  EXPECT_EQ(rgb_at(shot, 14, 11), p.page->skin_at(64, 71));

  // Moving over a disabled button changes nothing.
  QTest::mouseMove(p.window(), QPoint(5, 5));
  move_onto(p.window(), p.centre_of(p.button));
  EXPECT_FALSE(p.button->mouse_on_button());
  send_mouse(p.button, QEvent::MouseMove, QPoint(10, 10), Qt::NoButton, Qt::NoButton);
  EXPECT_FALSE(p.button->mouse_on_button());
}

TEST(SkinButton, TwoFastClicksGiveTwoCommands) {
  ButtonPage p;
  ASSERT_TRUE(show_and_settle(p.page.get()));
  QSignalSpy clicks(p.button, &QAbstractButton::clicked);

  // Through the window system: the second press becomes a double-click.
  QTest::mouseDClick(p.window(), Qt::LeftButton, {}, p.centre_of(p.button));
  QApplication::processEvents();
  EXPECT_EQ(clicks.count(), 2);

  // The double-click event on its own in place of the second press.
  clicks.clear();
  const QPoint local(10, 10);
  send_mouse(p.button, QEvent::MouseButtonPress, local, Qt::LeftButton, Qt::LeftButton);
  send_mouse(p.button, QEvent::MouseButtonRelease, local, Qt::LeftButton, Qt::NoButton);
  send_mouse(p.button, QEvent::MouseButtonDblClick, local, Qt::LeftButton, Qt::LeftButton);
  send_mouse(p.button, QEvent::MouseButtonRelease, local, Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(clicks.count(), 2);
}

TEST(SkinButton, CaptionColoursFollowHoverAndDisabledDrawsTwice) {
  ButtonPage p;
  p.button->resize(80, 30);
  make_opaque_colours(p.button);
  p.button->set_color(CSkinButton::TextOut, QColor(255, 255, 0));
  p.button->set_color(CSkinButton::TextIn, QColor(0, 255, 255));
  p.button->setText(QStringLiteral("IIII HH"));
  ASSERT_TRUE(show_and_settle(p.page.get()));
  auto count = [&](QRgb colour) {
    const QImage shot = p.shot();
    int n = 0;
    for (int y = 0; y < shot.height(); ++y)
      for (int x = 0; x < shot.width(); ++x) n += rgb_at(shot, x, y) == colour;
    return n;
  };
  EXPECT_GT(count(qRgb(255, 255, 0)), 0);
  EXPECT_EQ(count(qRgb(0, 255, 255)), 0);
  move_onto(p.window(), p.centre_of(p.button));
  EXPECT_EQ(count(qRgb(255, 255, 0)), 0);
  EXPECT_GT(count(qRgb(0, 255, 255)), 0);

  p.button->setEnabled(false);
  const QRgb light = p.button->palette().color(QPalette::Light).rgb() | 0xFF000000;
  const QRgb dark = p.button->palette().color(QPalette::Dark).rgb() | 0xFF000000;
  EXPECT_GT(count(light), 0);
  EXPECT_GT(count(dark), 0);
  EXPECT_EQ(count(qRgb(0, 255, 255)), 0);
}

TEST(ShadeButton, DrawsItsShadedBitmapsByHoverState) {
  auto* shade = new CShadeButton;
  ButtonPage p(shade);
  shade->set_shade(4242);
  ASSERT_TRUE(shade->has_shade());
  const CDib8& normal = shade->normal_dib();
  const CDib8& hover = shade->hover_dib();
  ASSERT_EQ(normal.width(), 40);
  ASSERT_EQ(normal.height(), 30);

  // Palette: the three-colour ramp tinted 5 % towards RGB(55, 255, 55); the
  // hover palette is that tinted 10 % towards the highlight colour.
  const QPalette pal = shade->palette();
  const auto base = CShadeButton::shade_palette(
      pal.color(QPalette::Dark), pal.color(QPalette::Button), pal.color(QPalette::Light));
  for (int e : {0, 64, 128, 255}) {
    const QRgb tinted = CShadeButton::tint(base[e], QColor(55, 255, 55), 5);
    EXPECT_EQ(normal.palette_entry(e), tinted) << e;
    EXPECT_EQ(hover.palette_entry(e),
              CShadeButton::tint(tinted, pal.color(QPalette::Highlight), 10))
        << e;
  }
  // Pixels: the gradient plus noise 0..16, rows counted from the bottom.
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) {
      const int ramp = 119 * (40 - x) / 40 + 119 * y / 30;
      const int v = normal.pixel_from_bottom(x, y);
      ASSERT_GE(v, ramp);
      ASSERT_LE(v, ramp + 16);
      ASSERT_EQ(hover.pixel_from_bottom(x, y), v);
    }
  // The same seed gives the same bitmap, another seed another one.
  CShadeButton twin;
  twin.resize(40, 30);
  twin.set_shade(4242);
  EXPECT_EQ(twin.normal_dib().bits(), normal.bits());
  twin.set_shade(4243);
  EXPECT_NE(twin.normal_dib().bits(), normal.bits());

  ASSERT_TRUE(show_and_settle(p.page.get()));
  QImage shot = p.shot();
  for (QPoint at : {QPoint(0, 0), QPoint(39, 29), QPoint(20, 15)})
    EXPECT_EQ(rgb_at(shot, at.x(), at.y()), normal.palette_entry(normal.pixel(at.x(), at.y())));

  move_onto(p.window(), p.centre_of(shade));
  shot = p.shot();
  EXPECT_EQ(rgb_at(shot, 5, 5), hover.palette_entry(hover.pixel(5, 5)));
  // Hovered and pressed: the hover bitmap one pixel right and down.
  shade->setDown(true);
  shot = p.shot();
  EXPECT_EQ(rgb_at(shot, 6, 6), hover.palette_entry(hover.pixel(5, 5)));
  shade->setDown(false);
}
