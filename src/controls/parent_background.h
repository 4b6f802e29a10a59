#pragma once
// The parent's own drawing (its skin) under a child control, without the
// parent's other children, at the screen's pixel ratio. Skinned buttons and
// group boxes draw it behind themselves so the page shows through.
#include <QPixmap>
#include <QWidget>

inline QPixmap capture_parent_background(const QWidget* child) {
  QWidget* parent = child->parentWidget();
  if (!parent || child->size().isEmpty()) return {};
  const qreal ratio = child->devicePixelRatioF();
  QPixmap copy(child->size() * ratio);
  copy.setDevicePixelRatio(ratio);
  copy.fill(Qt::transparent);
  parent->render(&copy, QPoint(0, 0), QRegion(child->geometry()),
                 QWidget::RenderFlags(QWidget::DrawWindowBackground));
  return copy;
}
