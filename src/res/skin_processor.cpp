// Layout keys of the four-input processors (rk5502 and tm3306).
//
//  id        size     face
//  309..340  68 x 48  layout code k (0..15): 309 + 2k normal, 310 + 2k active;
//                     codes 1 and 2 (311..314) are 68 x 50. The key shows the
//                     layout's windows as grey tiles (light blue when active)
//                     numbered by window; codes 12..15 show one full-screen
//                     window with its large digit (4, 3, 2, 1)
//  371 / 372 68 x 48  code 16, windows 1 and 2 stacked in the centre column
//  373 / 374 68 x 48  code 17, no window: an empty screen
#include <QPen>
#include <array>
#include <vector>

#include "res/skin_draw.h"

namespace skin {
namespace {

struct Slot {
  int number, x, y, w, h;
};

// Window slots of each layout code on the 720 x 480 canvas, drawn in order
// so that insets lie on top of the full-screen window.
std::vector<Slot> layout_slots(int code) {
  switch (code) {
    case 0:
      return {{1, 0, 0, 360, 240},
              {2, 360, 0, 360, 240},
              {3, 0, 240, 360, 240},
              {4, 360, 240, 360, 240}};
    case 1:
      return {{1, 100, 160, 520, 320},
              {2, 0, 0, 240, 160},
              {3, 240, 0, 240, 160},
              {4, 480, 0, 240, 160}};
    case 2:
      return {{1, 100, 0, 520, 320},
              {2, 0, 320, 240, 160},
              {3, 240, 320, 240, 160},
              {4, 480, 320, 240, 160}};
    case 3:
      return {{1, 0, 80, 480, 320},
              {2, 480, 0, 240, 160},
              {3, 480, 160, 240, 160},
              {4, 480, 320, 240, 160}};
    case 4:
      return {{1, 240, 80, 480, 320},
              {2, 0, 0, 240, 160},
              {3, 0, 160, 240, 160},
              {4, 0, 320, 240, 160}};
    case 5:
      return {{1, 0, 0, 720, 480}, {2, 40, 330, 180, 120}, {3, 500, 330, 180, 120}};
    case 6:
      return {{1, 180, 0, 360, 240}, {2, 0, 240, 360, 240}, {3, 360, 240, 360, 240}};
    case 7:
      return {{1, 0, 0, 720, 480}, {2, 500, 30, 180, 120}};
    case 8:
      return {{1, 0, 0, 720, 480}, {2, 40, 30, 180, 120}};
    case 9:
      return {{1, 0, 0, 720, 480}, {2, 40, 330, 180, 120}};
    case 10:
      return {{1, 0, 0, 720, 480}, {2, 500, 330, 180, 120}};
    case 11:
      return {{1, 0, 0, 360, 480}, {2, 360, 0, 360, 480}};
    case 12:
      return {{4, 0, 0, 720, 480}};
    case 13:
      return {{3, 0, 0, 720, 480}};
    case 14:
      return {{2, 0, 0, 720, 480}};
    case 15:
      return {{1, 0, 0, 720, 480}};
    case 16:
      return {{1, 180, 0, 360, 240}, {2, 180, 240, 360, 240}};
    default:
      return {};
  }
}

int code_of(int id) { return id >= 371 ? 16 + (id - 371) / 2 : (id - 309) / 2; }
bool active_of(int id) { return (id >= 371 ? id - 371 : id - 309) % 2 == 1; }

void draw_layout_key(QPainter& p, QSize s, int id) {
  const int code = code_of(id);
  const bool active = active_of(id);
  // The key stays grey; the active look lights its tiles and its rim.
  key(p, s, Tone::Grey, 6);
  if (active) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(QColor(90, 180, 245), 2));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(2, 2, s.width() - 4, s.height() - 4), 5, 5);
    p.restore();
  }
  // The screen keeps the canvas's 3:2 shape, centred on the key.
  const qreal h = s.height() - 10, w = h * 1.5;
  const QRectF screen((s.width() - w) / 2, (s.height() - h) / 2, w, h);
  p.fillRect(screen, active ? QColor(16, 40, 66) : QColor(22, 24, 27));
  const qreal sx = w / 720.0, sy = h / 480.0;
  const QColor tile = active ? QColor(150, 214, 255) : QColor(150, 156, 164);
  const QColor edge = active ? QColor(20, 60, 96) : QColor(36, 38, 42);
  const QColor digit = active ? QColor(14, 44, 76) : QColor(34, 36, 40);
  const bool single = code >= 12 && code <= 15;
  for (const Slot& slot : layout_slots(code)) {
    const QRectF r(screen.left() + slot.x * sx, screen.top() + slot.y * sy, slot.w * sx,
                   slot.h * sy);
    p.fillRect(r, edge);
    p.fillRect(r.adjusted(1, 1, -1, -1), tile);
    const int size = single ? 28 : (r.height() < 14 ? 8 : 10);
    text(p, r, QString::number(slot.number), digit, size, Qt::AlignCenter, QFont::Bold);
  }
  p.setPen(active ? QColor(120, 190, 240) : QColor(70, 74, 80));
  p.setBrush(Qt::NoBrush);
  p.drawRect(screen.adjusted(-0.5, -0.5, 0.5, 0.5));
}

}  // namespace

void add_processor_bitmaps(Table& t) {
  for (int id = 309; id <= 340; ++id) {
    const int code = code_of(id);
    t[id] = {QSize(68, code == 1 || code == 2 ? 50 : 48), draw_layout_key};
  }
  for (int id = 371; id <= 374; ++id) t[id] = {QSize(68, 48), draw_layout_key};
}

}  // namespace skin
