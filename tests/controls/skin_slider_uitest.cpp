#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalSpy>
#include <memory>
#include <thread>

#include "controls/pattern_parent.h"
#include "controls/skin_slider.h"

namespace {
constexpr QRgb kChannel = qRgb(40, 40, 40);
constexpr QRgb kKey = qRgb(255, 0, 255);  // the thumb's transparent colour
constexpr QRgb kGrip = qRgb(0, 220, 0);

QImage channel_image() {
  QImage image(164, 420, QImage::Format_RGB32);
  image.fill(kChannel);
  return image;
}

// 144 x 41: a key-coloured border of 4 pixels around the grip.
QImage thumb_image() {
  QImage image(144, 41, QImage::Format_RGB32);
  image.fill(kKey);
  for (int y = 4; y < 37; ++y)
    for (int x = 4; x < 140; ++x) image.setPixel(x, y, kGrip);
  return image;
}

// The switcher's T-bar set-up.
struct TBar {
  std::unique_ptr<QWidget> page = std::make_unique<QWidget>();
  CSkinSlider* slider = new CSkinSlider(page.get());
  QSignalSpy changing{slider, &CSkinSlider::slider_pos_changing};
  QSignalSpy changed{slider, &CSkinSlider::slider_pos_changed};
  QSignalSpy notify{slider, &CSkinSlider::slider_notify};

  TBar() {
    page->resize(400, 500);
    slider->setObjectName("ctl1160");
    slider->move(30, 20);
    slider->set_channel_image(channel_image());
    slider->set_thumb_image(thumb_image());
    slider->SetMargins(10, 30, 0, 35);
    slider->SetVertical(true);
    slider->SetRange(0, 129);
    slider->SetPos(129);
  }
  void mouse(QEvent::Type type, int y, Qt::MouseButtons held) {
    const QPoint at(70, y);
    QMouseEvent event(type, QPointF(at), QPointF(slider->mapToGlobal(at)),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held,
                      Qt::NoModifier);
    QApplication::sendEvent(slider, &event);
  }
  void press(int y) { mouse(QEvent::MouseButtonPress, y, Qt::LeftButton); }
  void drag(int y) { mouse(QEvent::MouseMove, y, Qt::LeftButton); }
  void release(int y) { mouse(QEvent::MouseButtonRelease, y, Qt::NoButton); }
  void key(int k) { QTest::keyClick(slider, static_cast<Qt::Key>(k)); }
  void deliver() { QApplication::processEvents(); }
  // (id, pos) of the last notification of a spy.
  static std::pair<int, int> last(const QSignalSpy& spy) {
    const auto args = spy.last();
    return {args.at(0).toInt(), args.at(1).toInt()};
  }
};
}  // namespace

TEST(SkinSlider, StartsWithItsDocumentedValuesAndTakesTheChannelsSize) {
  CSkinSlider fresh;
  EXPECT_EQ(fresh.range_min(), 0);
  EXPECT_EQ(fresh.range_max(), 255);
  EXPECT_EQ(fresh.GetPos(), 0);
  EXPECT_EQ(fresh.page_step(), 20);
  EXPECT_FALSE(fresh.is_vertical());
  EXPECT_FALSE(fresh.channel_loaded());
  EXPECT_FALSE(fresh.thumb_loaded());

  TBar t;
  EXPECT_EQ(t.slider->geometry(), QRect(30, 20, 164, 420));
  EXPECT_EQ(t.slider->control_id(), 1160);
  t.slider->set_control_id(77);
  EXPECT_EQ(t.slider->control_id(), 77);

  // A bitmap the skin does not have changes nothing.
  t.slider->LoadChannelBitmap(-5);
  t.slider->LoadThumbBitmap(-5);
  EXPECT_EQ(t.slider->size(), QSize(164, 420));
  EXPECT_EQ(t.slider->thumb_size(), QSize(144, 41));
}

TEST(SkinSlider, ThumbMaskMarksTheTopLeftColour) {
  TBar t;
  const QImage& mask = t.slider->thumb_mask();
  const QImage& bitmap = t.slider->thumb_bitmap();
  ASSERT_EQ(mask.size(), QSize(144, 41));
  EXPECT_EQ(mask.depth(), 1);
  EXPECT_EQ(mask.pixel(0, 0), qRgb(255, 255, 255));
  EXPECT_EQ(mask.pixel(143, 40), qRgb(255, 255, 255));
  EXPECT_EQ(mask.pixel(10, 10), qRgb(0, 0, 0));
  EXPECT_EQ(bitmap.pixel(0, 0) | 0xFF000000, qRgb(0, 0, 0));
  EXPECT_EQ(bitmap.pixel(10, 10) | 0xFF000000, kGrip);
}

TEST(SkinSlider, TBarMappingsMatchTheTravel) {
  TBar t;
  EXPECT_EQ(t.slider->pos_to_pixel(0), 50);
  EXPECT_EQ(t.slider->pos_to_pixel(129), 364);
  EXPECT_EQ(t.slider->pos_to_pixel(20), 30 + 48 + 20);  // 314 x 20 / 129 = 48.7
  EXPECT_EQ(t.slider->pixel_to_pos(365), 129);
  EXPECT_EQ(t.slider->pixel_to_pos(50), 0);
  EXPECT_EQ(t.slider->pixel_to_pos(100), 20);
  // Both directions truncate: a position comes back from its pixel as
  // itself or one less, never more, and the ends come back exactly.
  for (int pos = 0; pos <= 129; ++pos) {
    const int back = t.slider->pixel_to_pos(t.slider->pos_to_pixel(pos));
    ASSERT_TRUE(back == pos || back == pos - 1) << pos << " -> " << back;
  }
  EXPECT_EQ(t.slider->pixel_to_pos(t.slider->pos_to_pixel(129)), 129);

  // Horizontal travel uses the widths and the left/right margins.
  CSkinSlider h;
  h.set_channel_image(QImage(300, 20, QImage::Format_RGB32));
  h.set_thumb_image(thumb_image().copy(0, 0, 20, 20));
  h.SetMargins(5, 0, 15, 0);
  h.SetRange(-50, 50);
  EXPECT_EQ(h.pos_to_pixel(-50), 15);           // 5 + 0 + 10
  EXPECT_EQ(h.pos_to_pixel(50), 5 + 260 + 10);  // E = 300 - 15 - 20 - 5
  EXPECT_EQ(h.pixel_to_pos(15 + 130), 0);
}

TEST(SkinSlider, PositionIsClampedOnSetButNotOnRangeChange) {
  CSkinSlider s;
  s.SetPos(300);
  EXPECT_EQ(s.GetPos(), 255);
  s.SetPos(-3);
  EXPECT_EQ(s.GetPos(), 0);
  s.SetPos(200);
  s.SetRange(0, 129);
  EXPECT_EQ(s.GetPos(), 200) << "a new range alone does not move the thumb";
  // An inverted range: the upper end is applied first, then the lower one.
  s.SetRange(10, 5);
  s.SetPos(7);
  EXPECT_EQ(s.GetPos(), 10);
}

TEST(SkinSlider, DragPostsChangingAndReleasePostsChanged) {
  TBar t;
  // A press on the thumb (centre at 364) keeps the grip: no move, no notice.
  t.press(370);
  EXPECT_TRUE(t.slider->is_dragging());
  EXPECT_EQ(t.slider->GetPos(), 129);
  t.deliver();
  EXPECT_EQ(t.changing.count(), 0);

  // The grip was 6 below the centre; dragging far up stops at pixel 50.
  t.drag(-200);
  EXPECT_EQ(t.slider->GetPos(), 0);
  EXPECT_EQ(t.changing.count(), 0) << "posted, not sent";
  t.deliver();
  ASSERT_EQ(t.changing.count(), 1);
  EXPECT_EQ(TBar::last(t.changing), std::make_pair(1160, 0));

  // Far past the bottom: held at pixel 365, which is position 129.
  t.drag(1000);
  t.deliver();
  EXPECT_EQ(t.slider->GetPos(), 129);
  EXPECT_EQ(TBar::last(t.changing), std::make_pair(1160, 129));
  // The same spot again changes nothing and posts nothing.
  const int before = t.changing.count();
  t.drag(1000);
  t.deliver();
  EXPECT_EQ(t.changing.count(), before);

  t.release(1000);
  EXPECT_FALSE(t.slider->is_dragging());
  t.deliver();
  ASSERT_EQ(t.changed.count(), 1);
  EXPECT_EQ(TBar::last(t.changed), std::make_pair(1160, 129));
  EXPECT_EQ(t.notify.last().at(0).toInt(), SLIDER_POS_CHANGED);

  // Without a press, moves do nothing.
  t.drag(100);
  t.deliver();
  EXPECT_EQ(t.slider->GetPos(), 129);
}

TEST(SkinSlider, ClickAwayFromTheThumbJumpsItsCentreThere) {
  TBar t;
  QSignalSpy clicks(t.slider, &CSkinSlider::clicked);
  t.press(100);
  EXPECT_EQ(t.slider->GetPos(), 20);
  EXPECT_EQ(clicks.count(), 1);
  t.deliver();
  ASSERT_EQ(t.changing.count(), 1);
  EXPECT_EQ(TBar::last(t.changing), std::make_pair(1160, 20));
  // The thumb's top-left corner follows: centre 98, half height 20.
  EXPECT_EQ(t.slider->thumb_origin(), QPoint(10, 78));

  // A button-up without any movement still posts CHANGED.
  t.release(100);
  t.deliver();
  ASSERT_EQ(t.changed.count(), 1);
  EXPECT_EQ(TBar::last(t.changed), std::make_pair(1160, 20));
  // Another press and release on the thumb: CHANGED again, no CHANGING.
  t.press(98);
  t.release(98);
  t.deliver();
  EXPECT_EQ(t.changed.count(), 2);
  EXPECT_EQ(t.changing.count(), 1);
}

TEST(SkinSlider, KeysMoveByStepPageAndEnds) {
  TBar t;
  ASSERT_TRUE(show_and_settle(t.page.get()));
  t.slider->SetPos(120);
  struct Step {
    int key;
    int expected;
  };
  const Step steps[] = {{Qt::Key_PageDown, 129}, {Qt::Key_PageUp, 109}, {Qt::Key_Up, 108},
                        {Qt::Key_Left, 107},     {Qt::Key_Down, 108},   {Qt::Key_Right, 109},
                        {Qt::Key_Home, 0},       {Qt::Key_PageUp, 0},   {Qt::Key_End, 129}};
  int posted = 0;
  for (const Step& s : steps) {
    t.key(s.key);
    EXPECT_EQ(t.slider->GetPos(), s.expected) << s.key;
    t.deliver();
    ASSERT_EQ(t.changed.count(), ++posted);
    EXPECT_EQ(TBar::last(t.changed), std::make_pair(1160, s.expected));
  }
  t.key(Qt::Key_A);
  t.deliver();
  EXPECT_EQ(t.changed.count(), posted) << "other keys are not the slider's";
  EXPECT_EQ(t.changing.count(), 0);
}

TEST(SkinSlider, PaintsChannelThumbThroughItsMaskAndFocusFrame) {
  TBar t;
  t.slider->SetPos(0);
  ASSERT_TRUE(show_and_settle(t.page.get()));
  QImage shot = t.slider->grab().toImage();
  // Thumb at (10, 30): its key-coloured border shows the channel.
  EXPECT_EQ(rgb_at(shot, 10, 30), kChannel);
  EXPECT_EQ(rgb_at(shot, 14, 34), kGrip);
  EXPECT_EQ(rgb_at(shot, 149, 66), kGrip);
  EXPECT_EQ(rgb_at(shot, 153, 70), kChannel);
  EXPECT_EQ(rgb_at(shot, 14, 75), kChannel);
  EXPECT_EQ(rgb_at(shot, 80, 200), kChannel);
  for (int y = 0; y < shot.height(); ++y) ASSERT_NE(rgb_at(shot, 12, y), kKey) << y;

  // Focus: a dotted frame that inverts the channel along the edges.
  t.page->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(t.page.get()));
  t.slider->setFocus();
  QApplication::processEvents();
  shot = t.slider->grab().toImage();
  int inverted = 0;
  for (int y = 100; y < 140; ++y) inverted += rgb_at(shot, 0, y) == qRgb(215, 215, 215);
  EXPECT_GT(inverted, 10);
  t.slider->clearFocus();
  QApplication::processEvents();
  shot = t.slider->grab().toImage();
  for (int y = 100; y < 140; ++y) ASSERT_EQ(rgb_at(shot, 0, y), kChannel);
}

TEST(SkinSlider, PositionSetFromAnotherThreadIsShown) {
  TBar t;
  ASSERT_TRUE(show_and_settle(t.page.get()));
  std::thread worker([&] {
    for (int pos = 129; pos >= 0; --pos) t.slider->SetPos(pos);
  });
  worker.join();
  QApplication::processEvents();
  EXPECT_EQ(t.slider->GetPos(), 0);
  const QImage shot = t.slider->grab().toImage();
  EXPECT_EQ(rgb_at(shot, 14, 34), kGrip);
  EXPECT_EQ(t.changing.count() + t.changed.count(), 0) << "SetPos posts nothing";
}

TEST(SkinSlider, EmptyRangeOrNoTravelDoesNotDivideByZero) {
  TBar t;
  t.slider->SetRange(5, 5);
  t.slider->SetPos(5);
  EXPECT_EQ(t.slider->pos_to_pixel(5), 50);
  t.press(300);
  t.drag(10);
  t.release(10);
  EXPECT_EQ(t.slider->GetPos(), 5);

  CSkinSlider tiny;
  tiny.set_channel_image(QImage(10, 10, QImage::Format_RGB32));
  tiny.set_thumb_image(thumb_image());  // larger than the channel
  EXPECT_EQ(tiny.pixel_to_pos(7), 0);
  EXPECT_EQ(tiny.pos_to_pixel(100), 72);  // start 0 + half 72
}
