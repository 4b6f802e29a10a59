// Icons, drawn at any size with an alpha channel (they are not skin buttons,
// so nothing is keyed out of them).
//
//  id   face
//  128  the application: a four-window multiviewer screen on a dark tile
//  211  not connected: a red power symbol
//  212  connected: a blue power symbol on a lit blue disc
#include <QPainterPath>
#include <QPen>

#include "res/skin.h"
#include "res/skin_draw.h"

namespace skin {
namespace {

void draw_application(QPainter& p, qreal n) {
  QPainterPath tile;
  tile.addRoundedRect(QRectF(0.5, 0.5, n - 1, n - 1), n * 0.18, n * 0.18);
  QLinearGradient g(0, 0, 0, n);
  g.setColorAt(0, QColor(70, 74, 82));
  g.setColorAt(1, QColor(30, 32, 36));
  p.fillPath(tile, g);
  p.setPen(QPen(QColor(120, 126, 134), n / 32.0));
  p.drawPath(tile);
  const QRectF screen(n * 0.16, n * 0.2, n * 0.68, n * 0.5);
  p.fillRect(screen, QColor(16, 18, 20));
  const QColor quads[4] = {QColor(60, 180, 255), QColor(90, 200, 110), QColor(230, 80, 70),
                           QColor(240, 200, 70)};
  const qreal gap = std::max<qreal>(1, n / 32.0);
  for (int k = 0; k < 4; ++k) {
    const QRectF q(screen.left() + (k % 2) * screen.width() / 2 + gap,
                   screen.top() + (k / 2) * screen.height() / 2 + gap, screen.width() / 2 - 2 * gap,
                   screen.height() / 2 - 2 * gap);
    p.fillRect(q, quads[k]);
  }
  // Stand under the screen.
  p.fillRect(QRectF(n * 0.42, n * 0.72, n * 0.16, n * 0.06), QColor(150, 156, 164));
  p.fillRect(QRectF(n * 0.3, n * 0.78, n * 0.4, n * 0.05), QColor(150, 156, 164));
}

void power_symbol(QPainter& p, qreal n, const QColor& c) {
  const qreal w = n * 0.11;
  p.setPen(QPen(c, w, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  const QRectF ring(n * 0.22, n * 0.24, n * 0.56, n * 0.56);
  // The ring open at the top, the bar through the gap.
  p.drawArc(ring, 120 * 16, 300 * 16);
  p.drawLine(QPointF(n / 2, n * 0.14), QPointF(n / 2, n * 0.5));
}

void draw_disconnected(QPainter& p, qreal n) {
  p.setPen(QPen(QColor(90, 30, 28), n / 32.0));
  p.setBrush(QColor(50, 30, 30));
  p.drawEllipse(QRectF(0.5, 0.5, n - 1, n - 1));
  power_symbol(p, n, QColor(236, 50, 44));
}

void draw_connected(QPainter& p, qreal n) {
  QRadialGradient g(QPointF(n / 2, n / 2), n / 2);
  g.setColorAt(0, QColor(70, 160, 240));
  g.setColorAt(1, QColor(24, 80, 150));
  p.setPen(QPen(QColor(140, 200, 255), n / 32.0));
  p.setBrush(g);
  p.drawEllipse(QRectF(0.5, 0.5, n - 1, n - 1));
  power_symbol(p, n, QColor(240, 248, 255));
}

}  // namespace
}  // namespace skin

QImage skin_icon_image(int id, int size) {
  if (size <= 0) return {};
  if (id != 128 && id != 211 && id != 212) return {};
  const QImage replacement = skin::override_file(id);
  if (!replacement.isNull())
    return replacement.convertToFormat(QImage::Format_ARGB32_Premultiplied)
        .scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, true);
  if (id == 128)
    skin::draw_application(p, size);
  else if (id == 211)
    skin::draw_disconnected(p, size);
  else
    skin::draw_connected(p, size);
  return image;
}
