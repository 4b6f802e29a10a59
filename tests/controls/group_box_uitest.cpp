#include <gtest/gtest.h>

#include <memory>

#include "controls/group_box.h"
#include "controls/pattern_parent.h"

namespace {
constexpr QRgb kFrame = qRgb(168, 168, 168);

struct BoxPage {
  std::unique_ptr<PatternParent> page = std::make_unique<PatternParent>();
  CMyGroupBox* box;
  explicit BoxPage(const QString& caption) : box(new CMyGroupBox(caption, page.get())) {
    box->setGeometry(20, 30, 200, 100);
  }
  // What the operator sees over the box's rectangle.
  QImage shot() const { return page->grab(box->geometry()).toImage(); }
};
}  // namespace

TEST(GroupBox, FrameIsARoundedRectangleInsideTheControl) {
  BoxPage p(QString{});
  ASSERT_TRUE(show_and_settle(p.page.get()));
  const QImage shot = p.shot();
  const int R = 200, B = 100;
  auto skin = [&](int x, int y) { return p.page->skin_at(20 + x, 30 + y); };
  // Edges: top 8 below the control's top, left 2 inside, right and bottom
  // 8 inside (the last frame pixels are at R - 9 and B - 9).
  for (int x = 10; x <= R - 17; x += 7) {
    EXPECT_EQ(rgb_at(shot, x, 8), kFrame) << "top " << x;
    EXPECT_EQ(rgb_at(shot, x, B - 9), kFrame) << "bottom " << x;
    EXPECT_EQ(rgb_at(shot, x, 7), skin(x, 7));
    EXPECT_EQ(rgb_at(shot, x, 9), skin(x, 9));
    EXPECT_EQ(rgb_at(shot, x, B - 8), skin(x, B - 8));
  }
  for (int y = 16; y <= B - 17; y += 5) {
    EXPECT_EQ(rgb_at(shot, 2, y), kFrame) << "left " << y;
    EXPECT_EQ(rgb_at(shot, R - 9, y), kFrame) << "right " << y;
    EXPECT_EQ(rgb_at(shot, 1, y), skin(1, y));
    EXPECT_EQ(rgb_at(shot, 3, y), skin(3, y));
    EXPECT_EQ(rgb_at(shot, R - 8, y), skin(R - 8, y));
  }
  // Rounded corners: the bounding corner points are not drawn.
  EXPECT_EQ(rgb_at(shot, 2, 8), skin(2, 8));
  EXPECT_EQ(rgb_at(shot, R - 9, B - 9), skin(R - 9, B - 9));
  // Nothing else is painted: inside and the caption area show the page.
  EXPECT_EQ(rgb_at(shot, 100, 50), skin(100, 50));
  EXPECT_EQ(rgb_at(shot, 12, 2), skin(12, 2));
}

TEST(GroupBox, EmptyCaptionCopiesNothingFromTheCapturedBackground) {
  BoxPage p(QString{});
  EXPECT_TRUE(CMyGroupBox::caption_strip(QString{}).isEmpty());
  ASSERT_TRUE(show_and_settle(p.page.get()));
  ASSERT_TRUE(p.box->has_captured_background());
  p.page->set_shift(128);
  QApplication::processEvents();
  const QImage shot = p.shot();
  // The page's new skin shows everywhere, the old copy nowhere.
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 120; ++x)
      ASSERT_EQ(rgb_at(shot, x, y), PatternParent::skin_at(20 + x, 30 + y, 128)) << x << "," << y;
}

TEST(GroupBox, CaptionStripComesFromTheBackgroundCapturedAtTheFirstPlace) {
  const QString caption = QStringLiteral("Key settings");
  const QRect strip = CMyGroupBox::caption_strip(caption);
  ASSERT_FALSE(strip.isEmpty());
  EXPECT_EQ(strip.topLeft(), QPoint(10, 0));
  ASSERT_GT(strip.height(), 8) << "the strip reaches the frame's top edge";

  BoxPage p(caption);
  ASSERT_TRUE(show_and_settle(p.page.get()));
  EXPECT_EQ(p.box->captured_rect(), QRect(20, 30, 200, 100));
  // Moved and repainted over a changed page: the strip still shows the skin
  // of the first place, as it was then.
  p.box->move(40, 50);
  p.page->set_shift(128);
  QApplication::processEvents();
  EXPECT_EQ(p.box->captured_rect(), QRect(20, 30, 200, 100));
  const QImage shot = p.shot();
  int old_skin = 0;
  for (int y = strip.top(); y <= strip.bottom(); ++y)
    for (int x = strip.left(); x <= strip.right() && x < 200; ++x) {
      const QRgb c = rgb_at(shot, x, y);
      ASSERT_NE(c, PatternParent::skin_at(40 + x, 50 + y, 128)) << "new page at " << x << "," << y;
      ASSERT_NE(c, kFrame) << "frame not erased at " << x << "," << y;
      old_skin += c == PatternParent::skin_at(20 + x, 30 + y, 0);
    }
  EXPECT_GT(old_skin, strip.width() * strip.height() / 3);
  // Past the strip the frame's top edge shows again (under the caption's end).
  EXPECT_EQ(rgb_at(shot, 150, 8), kFrame);
  // The caption itself is grey.
  int grey = 0;
  for (int y = 0; y < strip.height(); ++y)
    for (int x = 10; x < 200; ++x) grey += rgb_at(shot, x, y) == qRgb(128, 128, 128);
  EXPECT_GT(grey, 0);
}

TEST(GroupBox, ShortCaptionLeavesNoStrip) {
  EXPECT_TRUE(CMyGroupBox::caption_strip(QStringLiteral("ab")).isEmpty());
  BoxPage p(QStringLiteral("ab"));
  ASSERT_TRUE(show_and_settle(p.page.get()));
  p.page->set_shift(128);
  QApplication::processEvents();
  const QImage shot = p.shot();
  // The frame line runs under the caption's right part untouched.
  EXPECT_EQ(rgb_at(shot, 100, 8), kFrame);
  EXPECT_EQ(rgb_at(shot, 100, 2), PatternParent::skin_at(120, 32, 128));
}
