// Multiviewer faces: the seven screen-mode keys and the tab keys of the
// device pages (the matrix page shares the CONTROL and SETTING tabs).
//
//  id        size     face
//  171..184  80 x 57  screen-mode keys, odd id normal, even id pressed; the
//                     picture is the window arrangement of the mode (1, 4,
//                     6, 8, 9, 10, 16 windows) as on the output canvas
//  185 / 186 80 x 75  AUDIO tab, normal / selected (tab hidden on the page)
//  189 / 190 72 x 75  COLOR tab
//  192 / 193 80 x 75  CONTROL tab: a fader icon over the word
//  200 / 201 90 x 75  SETTING tab: a gear icon over the word (the matrix page
//                     gives it a 90 pixel button, the multiviewer 92; the
//                     narrower face fits both, centred)
//  202 / 203 80 x 75  STATUS tab (tab hidden on the page)
//  204 / 205 80 x 75  UMD tab: a label strip icon over the word
#include <QPainterPath>
#include <QPen>
#include <array>
#include <cmath>
#include <vector>

#include "res/skin_draw.h"

namespace skin {
namespace {

struct Tile {
  int x, y, w, h;
};

// Window rectangles of each screen mode on the 720 x 480 output canvas.
std::vector<Tile> mode_tiles(int mode) {
  std::vector<Tile> t;
  switch (mode) {
    case 0:
      t = {{0, 0, 720, 480}};
      break;
    case 1:
      t = {{0, 0, 360, 240}, {360, 0, 360, 240}, {0, 240, 360, 240}, {360, 240, 360, 240}};
      break;
    case 2:
      t = {{0, 0, 480, 320},   {480, 0, 240, 160},   {480, 160, 240, 160},
           {0, 320, 240, 160}, {240, 320, 240, 160}, {480, 320, 240, 160}};
      break;
    case 3:
      for (int k = 0; k < 8; ++k) t.push_back({180 * (k % 4), 120 + 120 * (k / 4), 180, 120});
      break;
    case 4:
      for (int k = 0; k < 9; ++k) t.push_back({240 * (k % 3), 160 * (k / 3), 240, 160});
      break;
    case 5:
      t = {{0, 0, 360, 240}, {360, 0, 360, 240}};
      for (int k = 0; k < 8; ++k) t.push_back({180 * (k % 4), 240 + 120 * (k / 4), 180, 120});
      break;
    default:
      for (int k = 0; k < 16; ++k) t.push_back({180 * (k % 4), 120 * (k / 4), 180, 120});
      break;
  }
  return t;
}

// 171..184: the key, and on it a small screen with the mode's windows as
// tiles; pressed, the key glows blue and the tiles turn light blue.
void draw_mode_key(QPainter& p, QSize s, int id) {
  const int mode = (id - 171) / 2;
  const bool pressed = (id - 171) % 2 == 1;
  key(p, s, pressed ? Tone::Blue : Tone::Grey, 7);
  // Screen area in the 3:2 shape of the canvas.
  const QRectF screen(7, 6, 66, 44);
  p.fillRect(screen, pressed ? QColor(16, 40, 66) : QColor(22, 24, 27));
  const qreal sx = screen.width() / 720.0, sy = screen.height() / 480.0;
  const QColor tile = pressed ? QColor(150, 214, 255) : QColor(150, 156, 164);
  const QColor edge = pressed ? QColor(20, 60, 96) : QColor(40, 42, 46);
  for (const Tile& t : mode_tiles(mode)) {
    QRectF r(screen.left() + t.x * sx, screen.top() + t.y * sy, t.w * sx, t.h * sy);
    p.fillRect(r, edge);
    p.fillRect(r.adjusted(1, 1, -1, -1), tile);
  }
  p.setPen(pressed ? QColor(120, 190, 240) : QColor(70, 74, 80));
  p.setBrush(Qt::NoBrush);
  p.drawRect(screen.adjusted(-0.5, -0.5, 0.5, 0.5));
}

// Tab icons, drawn in a 30 x 26 box.
void icon_fader(QPainter& p, const QRectF& b, const QColor& c) {
  p.setPen(QPen(c, 2, Qt::SolidLine, Qt::RoundCap));
  const std::array<qreal, 3> knob{0.30, 0.70, 0.45};
  for (int k = 0; k < 3; ++k) {
    const qreal x = b.left() + b.width() * (k + 0.5) / 3;
    p.drawLine(QPointF(x, b.top() + 1), QPointF(x, b.bottom() - 1));
    const qreal y = b.top() + b.height() * knob[k];
    p.fillRect(QRectF(x - 4, y - 2.5, 8, 5), c);
  }
}

void icon_gear(QPainter& p, const QRectF& b, const QColor& c) {
  const QPointF centre = b.center();
  const double outer = std::min(b.width(), b.height()) / 2.0;
  fill_gear(p, centre, 8, 4, outer, outer * 0.74, outer * 0.32, c);
}

void icon_label(QPainter& p, const QRectF& b, const QColor& c) {
  // A picture with an under-monitor label strip.
  p.setPen(QPen(c, 1.6));
  p.setBrush(Qt::NoBrush);
  p.drawRect(b.adjusted(1, 1, -1, -1));
  p.fillRect(QRectF(b.left() + 6, b.bottom() - 9, b.width() - 12, 6), c);
}

void icon_palette(QPainter& p, const QRectF& b, const QColor&) {
  const std::array<QColor, 4> swatch{QColor(230, 60, 60), QColor(70, 200, 90), QColor(70, 140, 240),
                                     QColor(240, 210, 60)};
  for (int k = 0; k < 4; ++k) {
    const QRectF r(b.left() + (k % 2) * b.width() / 2 + 2, b.top() + (k / 2) * b.height() / 2 + 1,
                   b.width() / 2 - 4, b.height() / 2 - 2);
    p.setPen(QPen(QColor(20, 20, 22), 1));
    p.setBrush(swatch[k]);
    p.drawRoundedRect(r, 2, 2);
  }
}

void icon_meter(QPainter& p, const QRectF& b, const QColor& c) {
  const std::array<qreal, 4> level{0.55, 0.85, 0.40, 0.70};
  for (int k = 0; k < 4; ++k) {
    const qreal w = b.width() / 4 - 3;
    const qreal h = b.height() * level[k];
    const qreal x = b.left() + k * b.width() / 4 + 1.5;
    p.fillRect(QRectF(x, b.bottom() - h, w, h), c);
    p.fillRect(QRectF(x, b.bottom() - h, w, 3), QColor(236, 70, 60));
  }
}

void icon_status(QPainter& p, const QRectF& b, const QColor& c) {
  // A heartbeat trace in a frame.
  p.setPen(QPen(c, 1.6));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(b.adjusted(1, 1, -1, -1), 3, 3);
  QPainterPath trace;
  const qreal mid = b.center().y();
  trace.moveTo(b.left() + 3, mid);
  trace.lineTo(b.left() + 10, mid);
  trace.lineTo(b.left() + 13, b.top() + 5);
  trace.lineTo(b.left() + 17, b.bottom() - 5);
  trace.lineTo(b.left() + 20, mid);
  trace.lineTo(b.right() - 3, mid);
  p.setPen(QPen(c, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPath(trace);
}

using Icon = void (*)(QPainter&, const QRectF&, const QColor&);

struct TabFace {
  int normal_id;
  const char* word;
  Icon icon;
};

const std::array<TabFace, 6> kTabs{{{185, "AUDIO", icon_meter},
                                    {189, "COLOR", icon_palette},
                                    {192, "CONTROL", icon_fader},
                                    {200, "SETTING", icon_gear},
                                    {202, "STATUS", icon_status},
                                    {204, "UMD", icon_label}}};

// Tab key: the icon above the word; the selected face is lit blue with a
// bright bar along its bottom edge.
void draw_tab(QPainter& p, QSize s, int id) {
  const TabFace* face = nullptr;
  for (const TabFace& t : kTabs)
    if (id == t.normal_id || id == t.normal_id + 1) face = &t;
  if (!face) return;
  const bool selected = id == face->normal_id + 1;
  key(p, s, selected ? Tone::Blue : Tone::Grey, 8);
  const QColor glyph = selected ? QColor(250, 252, 255) : QColor(196, 202, 210);
  p.save();
  p.setRenderHint(QPainter::Antialiasing, true);
  face->icon(p, QRectF((s.width() - 30) / 2.0, 12, 30, 26), glyph);
  p.restore();
  text(p, QRectF(2, 44, s.width() - 4, 18), QString::fromLatin1(face->word), glyph, 12,
       Qt::AlignCenter, QFont::Bold);
  if (selected) p.fillRect(QRectF(12, s.height() - 8, s.width() - 24, 3), QColor(170, 225, 255));
}

}  // namespace

void add_multiviewer_bitmaps(Table& t) {
  for (int id = 171; id <= 184; ++id) t[id] = {QSize(80, 57), draw_mode_key};
  for (int id : {185, 186, 192, 193, 202, 203, 204, 205}) t[id] = {QSize(80, 75), draw_tab};
  for (int id : {189, 190}) t[id] = {QSize(72, 75), draw_tab};
  for (int id : {200, 201}) t[id] = {QSize(90, 75), draw_tab};
}

}  // namespace skin
