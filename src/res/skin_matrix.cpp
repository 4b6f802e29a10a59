// Matrix router faces.
//
//  id        size      face
//  213..228  60 x 65   crosspoint keys: input/output n (1..8) uses 211 + 2n
//                      (grey, the digit n) and 212 + 2n (green, lit)
//  231       140 x 65  LOCK in white on a dark grey key (panel unlocked)
//  232       140 x 65  LOCK in red on a dark grey key (panel locked)
//  233       220 x 60  ONE TO ALL
//  234       220 x 65  ONE TO ONE
//  235       140 x 65  APPLY
// The page backgrounds 229 and 230 are drawn with the other backgrounds.
#include <QPainterPath>
#include <QPen>

#include "res/skin_draw.h"

namespace skin {
namespace {

const QColor kLockRed(236, 44, 40);

void draw_crosspoint(QPainter& p, QSize s, int id) {
  const int digit = (id - 211) / 2;
  const bool active = (id - 211) % 2 == 1;
  key(p, s, active ? Tone::Green : Tone::Grey, 7);
  text(p, QRectF(0, 2, s.width(), s.height() - 6), QString::number(digit),
       look(active ? Tone::Green : Tone::Grey).glyph, 30, Qt::AlignCenter, QFont::Bold);
  // Tally lamp along the bottom edge.
  p.fillRect(QRectF(16, s.height() - 10, s.width() - 32, 3),
             active ? QColor(190, 255, 190) : QColor(36, 38, 42));
}

// Dark grey function key with a white name.
void function_key(QPainter& p, QSize s) {
  key_face(p, QRectF(1, 1, s.width() - 2, s.height() - 2), QColor(74, 77, 82), QColor(40, 42, 46),
           QColor(108, 113, 120), 8);
}

void draw_named(QPainter& p, QSize s, int id) {
  function_key(p, s);
  const char* name = id == 233 ? "ONE TO ALL" : id == 234 ? "ONE TO ONE" : "APPLY";
  text(p, QRectF(0, 0, s.width(), s.height()), QString::fromLatin1(name), kText, 20,
       Qt::AlignCenter, QFont::Bold);
}

// A padlock, closed when locked, open otherwise.
void padlock(QPainter& p, const QPointF& at, const QColor& c, bool closed) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(QPen(c, 2.6, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  QPainterPath shackle;
  const qreal lift = closed ? 0 : 5;
  shackle.moveTo(at.x() + 3, at.y() + 9 - lift);
  shackle.lineTo(at.x() + 3, at.y() + 4 - lift);
  shackle.arcTo(QRectF(at.x() + 3, at.y() - 4 - lift, 14, 16), 180, -180);
  shackle.lineTo(at.x() + 17, at.y() + (closed ? 9 : 2));
  p.drawPath(shackle);
  p.setPen(Qt::NoPen);
  p.setBrush(c);
  p.drawRoundedRect(QRectF(at.x(), at.y() + 9, 20, 15), 2.5, 2.5);
  p.restore();
}

void draw_lock(QPainter& p, QSize s, int id) {
  const bool locked = id == 232;
  function_key(p, s);
  const QColor c = locked ? kLockRed : QColor(250, 250, 250);
  padlock(p, QPointF(26, s.height() / 2.0 - 14), c, locked);
  text(p, QRectF(52, 0, s.width() - 62, s.height()), QStringLiteral("LOCK"), c, 22, Qt::AlignCenter,
       QFont::Bold);
}

}  // namespace

void add_matrix_bitmaps(Table& t) {
  for (int id = 213; id <= 228; ++id) t[id] = {QSize(60, 65), draw_crosspoint};
  t[231] = {QSize(140, 65), draw_lock};
  t[232] = {QSize(140, 65), draw_lock};
  t[233] = {QSize(220, 60), draw_named};
  t[234] = {QSize(220, 65), draw_named};
  t[235] = {QSize(140, 65), draw_named};
}

}  // namespace skin
