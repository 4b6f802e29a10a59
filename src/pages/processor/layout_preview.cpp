#include "pages/processor/layout_preview.h"

#include <QPainter>
#include <QPixmap>

QColor layout_preview_frame_colour(uint8_t) { return QColor(89, 187, 255); }

void paint_layout_canvas(QPainter& painter,
                         std::span<const NumberedRect, kLayoutSlotCount> slot_rects,
                         uint8_t frame_color_index) {
  painter.fillRect(QRect(0, 0, kPreviewCanvasWidth, kPreviewCanvasHeight), kLayoutPreviewBack);
  const QColor frame = layout_preview_frame_colour(frame_color_index);
  const int inset = kLayoutPreviewFrameWidth;
  for (const NumberedRect& slot : slot_rects) {
    if (!slot.is_drawn()) continue;
    painter.fillRect(slot.rect(), frame);
    painter.fillRect(QRect(slot.x + inset, slot.y + inset, slot.w - 2 * inset, slot.h - 2 * inset),
                     kLayoutPreviewInner);
    painter.setPen(kLayoutPreviewNumber);
    // The number's top left corner sits five pixels up and left of the centre.
    const QPoint at(slot.x + slot.w / 2 - 5, slot.y + slot.h / 2 - 5);
    painter.drawText(QRect(at, QSize(slot.w, slot.h)), Qt::AlignLeft | Qt::AlignTop,
                     QString::number(slot.number));
  }
}

QImage render_layout_canvas(std::span<const NumberedRect, kLayoutSlotCount> slot_rects,
                            uint8_t frame_color_index) {
  QImage image(kPreviewCanvasWidth, kPreviewCanvasHeight, QImage::Format_RGB32);
  QPainter painter(&image);
  paint_layout_canvas(painter, slot_rects, frame_color_index);
  return image;
}

LayoutPreviewControl::LayoutPreviewControl(QWidget* parent) : QWidget(parent) {
  // Every pixel comes from the off-screen picture.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void LayoutPreviewControl::paintEvent(QPaintEvent*) {
  QPixmap canvas(kPreviewCanvasWidth, kPreviewCanvasHeight);
  {
    QPainter off(&canvas);
    off.setFont(font());
    if (m_paint)
      m_paint(off);
    else
      off.fillRect(canvas.rect(), kLayoutPreviewBack);
  }
  QPainter painter(this);
  painter.drawPixmap(0, 0, canvas);
}
