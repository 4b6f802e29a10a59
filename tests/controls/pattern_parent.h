#pragma once
// A page stand-in whose skin differs at every pixel, so a test can tell
// exactly which part of it (and which version of it) a control shows.
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <QWidget>

class PatternParent : public QWidget {
 public:
  explicit PatternParent(QWidget* parent = nullptr) : QWidget(parent) { resize(300, 240); }

  // The skin colour at a point of this widget for the current shift.
  QRgb skin_at(int x, int y) const { return skin_at(x, y, m_shift); }
  static QRgb skin_at(int x, int y, int shift) { return qRgb((x + shift) & 0xFF, y & 0xFF, 0x5A); }
  // Changes the skin everywhere (every pixel gets another colour).
  void set_shift(int shift) {
    m_shift = shift;
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QImage skin(size(), QImage::Format_RGB32);
    for (int y = 0; y < skin.height(); ++y)
      for (int x = 0; x < skin.width(); ++x) skin.setPixel(x, y, skin_at(x, y));
    QPainter(this).drawImage(0, 0, skin);
  }

 private:
  int m_shift = 0;
};

// Shows a top-level window and lets it paint.
inline bool show_and_settle(QWidget* top) {
  top->show();
  if (!QTest::qWaitForWindowExposed(top)) return false;
  QApplication::processEvents();
  return true;
}

inline QRgb rgb_at(const QImage& image, int x, int y) { return image.pixel(x, y) | 0xFF000000; }
