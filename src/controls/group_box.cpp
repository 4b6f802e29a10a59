#include "controls/group_box.h"

#include <QFontDatabase>
#include <QPainter>

CMyGroupBox::CMyGroupBox(const QString& caption, QWidget* parent) : QGroupBox(caption, parent) {
  setFlat(true);
}

CMyGroupBox::~CMyGroupBox() = default;

void CMyGroupBox::capture_background() {
  if (!m_background.isNull()) return;
  QWidget* parent = parentWidget();
  if (!parent || size().isEmpty()) return;
  QPixmap copy(size());
  copy.fill(Qt::transparent);
  m_capturing = true;
  parent->render(&copy, QPoint(0, 0), QRegion(geometry()),
                 QWidget::RenderFlags(QWidget::DrawWindowBackground));
  m_capturing = false;
  m_background = copy;
  m_captured_rect = geometry();
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
  // Measured with the painter's font before the control's own is chosen,
  // as the strip under the caption's start is sized from that measure.
  const QFontMetrics plain(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
  const int cx = plain.horizontalAdvance(caption);
  const int cy = plain.height();
  // Erase the frame's top edge under the start of the caption with the
  // skin. A caption of 35 pixels or less leaves no strip to copy.
  if (cx > 35 && !m_background.isNull())
    painter.drawPixmap(QRect(10, 0, cx - 35, cy), m_background, QRect(10, 0, cx - 35, cy));
  painter.setFont(font());
  painter.setPen(QColor::fromRgb(kCaptionColour));
  painter.drawText(QRect(10, 0, R - 10, B), Qt::AlignLeft | Qt::AlignTop, caption);
}
