#include "controls/group_box.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <QTest>

namespace {
const QColor kSkin(30, 40, 120);
const QColor kFrame(168, 168, 168);

class SkinnedParent : public QWidget {
 public:
  SkinnedParent() { resize(300, 200); }

 protected:
  void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), kSkin); }
};

TEST(GroupBox, FrameEdgesSitInsideTheControl) {
  SkinnedParent parent;
  CMyGroupBox box(QString(), &parent);
  box.setGeometry(10, 10, 200, 100);
  parent.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
  const QImage img = parent.grab().toImage();
  const QPoint o(10, 10);
  const int R = 200, B = 100;
  // Left edge 2 inside, top edge 8 below, right and bottom 8 inside.
  EXPECT_EQ(img.pixelColor(o + QPoint(2, 50)), kFrame);
  EXPECT_EQ(img.pixelColor(o + QPoint(1, 50)), kSkin);
  EXPECT_EQ(img.pixelColor(o + QPoint(3, 50)), kSkin);
  EXPECT_EQ(img.pixelColor(o + QPoint(R - 9, 50)), kFrame);
  EXPECT_EQ(img.pixelColor(o + QPoint(R - 8, 50)), kSkin);
  EXPECT_EQ(img.pixelColor(o + QPoint(100, 8)), kFrame);
  EXPECT_EQ(img.pixelColor(o + QPoint(100, 7)), kSkin);
  EXPECT_EQ(img.pixelColor(o + QPoint(100, B - 9)), kFrame);
  EXPECT_EQ(img.pixelColor(o + QPoint(100, B - 8)), kSkin);
  // Rounded corner: the exact corner pixel is not on the frame.
  EXPECT_EQ(img.pixelColor(o + QPoint(2, 8)), kSkin);
}

TEST(GroupBox, CaptionDrawsInGreyOverTheSkin) {
  SkinnedParent parent;
  CMyGroupBox box(QStringLiteral("Matrix Control"), &parent);
  box.setGeometry(0, 0, 250, 120);
  parent.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
  const QImage img = parent.grab().toImage();
  int grey = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 10; x < 120; ++x) {
      const QColor c = img.pixelColor(x, y);
      if (c != kSkin && c != kFrame) ++grey;
    }
  EXPECT_GT(grey, 20) << "caption text drawn";
  EXPECT_TRUE(box.has_captured_background());
}

TEST(GroupBox, BackgroundIsCapturedOnceAtTheFirstPosition) {
  SkinnedParent parent;
  CMyGroupBox box(QStringLiteral("Group"), &parent);
  box.setGeometry(5, 5, 100, 60);
  parent.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
  box.grab();
  ASSERT_TRUE(box.has_captured_background());
  box.move(60, 70);
  box.grab();
  EXPECT_EQ(box.captured_rect(), QRect(5, 5, 100, 60));
  EXPECT_EQ(box.captured_background().toImage().pixelColor(50, 30), kSkin);
}
}  // namespace
