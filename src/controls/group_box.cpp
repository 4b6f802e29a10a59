#include "controls/group_box.h"

#include "controls/parent_background.h"

#include <QFontDatabase>
#include <QPainter>

CMyGroupBox::CMyGroupBox(const QString& caption, QWidget* parent) : QGroupBox(caption, parent) {
  setFlat(true);
}

CMyGroupBox::~CMyGroupBox() = default;

QRect CMyGroupBox::caption_strip(const QString& caption) {
  if (caption.isEmpty()) return {};
  // Measured with the painter's font before the control's own is chosen, as
  // the strip under the caption's start is sized from that measure. A
  // caption of 35 pixels or less leaves no strip at all (never a reversed
  // copy).
  const QFontMetrics plain(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
  const int cx = plain.horizontalAdvance(caption);
  const int cy = plain.height();
  if (cx <= 35 || cy <= 0) return {};
  return QRect(10, 0, cx - 35, cy);
}

void CMyGroupBox::capture_background() {
  if (!m_background.isNull()) return;
  m_capturing = true;
  m_background = capture_parent_background(this);
  m_capturing = false;
  if (!m_background.isNull()) m_captured_rect = geometry();
}

void CMyGroupBox::paintEvent(QPaintEvent*) {
  if (m_capturing) return;
  QPainter painter(this);
  const int R = width();
  const int B = height();
  const QString caption = title();
  painter.setPen(QPen(QColor::fromRgb(kFrameColour), 1));
  painter.setBrush(Qt::NoBrush);
  capture_background();
  // Frame from (2, 8) to (R - 8, B - 8), right and bottom exclusive, with
  // 12 x 12 corner ellipses.
  if (R - 11 > 0 && B - 17 > 0) painter.drawRoundedRect(QRect(2, 8, R - 11, B - 17), 6, 6);
  if (caption.isEmpty()) return;
  // Erase the frame's top edge under the start of the caption with the skin.
  const QRect strip = caption_strip(caption);
  if (!strip.isEmpty() && !m_background.isNull()) {
    // The source rectangle is in the copy's own (device) pixels.
    const qreal r = m_background.devicePixelRatio();
    painter.drawPixmap(QRectF(strip), m_background,
                       QRectF(strip.x() * r, strip.y() * r, strip.width() * r, strip.height() * r));
  }
  painter.setFont(font());
  painter.setPen(QColor::fromRgb(kCaptionColour));
  painter.drawText(QRect(10, 0, R - 10, B), Qt::AlignLeft | Qt::AlignTop, caption);
}
