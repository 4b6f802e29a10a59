// Production switcher faces.
//
//  id        size      face
//  248..283  70 x 70   bus keys of sources 1..12 ("1".."10", "BLK", "MP1"):
//                      normal 250 + 3 (n - 1) grey, normal - 1 red (on
//                      program), normal - 2 green (on preview)
//  245 / 305 80 x 80   AUTO, normal / red (transition under way)
//  246 / 247 70 x 70   BKGD, normal / yellow
//  285       80 x 80   CUT
//  286 / 287 70 x 70   DIP, normal / yellow
//  289 / 288 80 x 80   FTB, normal / red
//  290 / 291 70 x 70   KEY 1, a luma-key face (grey ramp), normal / yellow
//  292 / 293 70 x 70   KEY 2, a chroma-key face (green and blue), normal / yellow
//  295 / 296 70 x 70   MIX, normal / yellow
//  298 / 297 70 x 70   ON AIR, normal / red
//  299 / 300 70 x 70   PIP, normal / yellow
//  301       164 x 420 T-bar channel: the slot, its scale and end marks
//  302       144 x 41  T-bar handle; its top-left pixel (pure black, outside
//                      the rounded corner) is the colour the slider keys out
//  303 / 304 70 x 70   WIPE, normal / yellow
//  341..346  70 x 70   RATE 1..3, normal (odd) / yellow (even)
//  347       80 x 80   STREAM ON
//  353..370  50 x 50   wipe pattern keys, an arrow in the wipe's direction;
//                      normal grey, selected yellow (366 and 367 unused)
//  379       30 x 10   the configure key
#include <QPainterPath>
#include <QPen>
#include <QTransform>
#include <cmath>
#include <map>

#include "res/skin_draw.h"

namespace skin {
namespace {

QString source_caption(int n) {
  if (n == 11) return QStringLiteral("BLK");
  if (n == 12) return QStringLiteral("MP1");
  return QString::number(n);
}

void draw_source(QPainter& p, QSize s, int id) {
  const int n = (id - 248) / 3 + 1;
  const int look_index = (id - 248) % 3;  // 0 green, 1 red, 2 grey
  const Tone tone = look_index == 0 ? Tone::Green : look_index == 1 ? Tone::Red : Tone::Grey;
  key(p, s, tone, 8);
  const QString caption = source_caption(n);
  text(p, QRectF(0, 0, s.width(), s.height()), caption, look(tone).glyph,
       caption.size() > 2 ? 20 : 28, Qt::AlignCenter, QFont::Bold);
}

// A captioned function key in its resting grey or lit tone.
void captioned(QPainter& p, QSize s, Tone tone, const QString& caption, int pixel_size,
               qreal top = 0, qreal height = -1) {
  key(p, s, tone, 8);
  text(p, QRectF(2, top, s.width() - 4, height < 0 ? s.height() : height), caption,
       look(tone).glyph, pixel_size, Qt::AlignCenter, QFont::Bold);
}

struct Function {
  const char* caption;
  Tone tone;
  int pixel_size;
};

const std::map<int, Function>& functions() {
  static const std::map<int, Function> f{
      {245, {"AUTO", Tone::Grey, 20}},     {305, {"AUTO", Tone::Red, 20}},
      {246, {"BKGD", Tone::Grey, 17}},     {247, {"BKGD", Tone::Yellow, 17}},
      {285, {"CUT", Tone::Grey, 22}},      {286, {"DIP", Tone::Grey, 19}},
      {287, {"DIP", Tone::Yellow, 19}},    {289, {"FTB", Tone::Grey, 22}},
      {288, {"FTB", Tone::Red, 22}},       {295, {"MIX", Tone::Grey, 19}},
      {296, {"MIX", Tone::Yellow, 19}},    {298, {"ON AIR", Tone::Grey, 15}},
      {297, {"ON AIR", Tone::Red, 15}},    {299, {"PIP", Tone::Grey, 19}},
      {300, {"PIP", Tone::Yellow, 19}},    {303, {"WIPE", Tone::Grey, 17}},
      {304, {"WIPE", Tone::Yellow, 17}},   {341, {"RATE 1", Tone::Grey, 14}},
      {342, {"RATE 1", Tone::Yellow, 14}}, {343, {"RATE 2", Tone::Grey, 14}},
      {344, {"RATE 2", Tone::Yellow, 14}}, {345, {"RATE 3", Tone::Grey, 14}},
      {346, {"RATE 3", Tone::Yellow, 14}}, {347, {"STREAM\nON", Tone::Grey, 15}},
  };
  return f;
}

void draw_function(QPainter& p, QSize s, int id) {
  const Function& f = functions().at(id);
  captioned(p, s, f.tone, QString::fromLatin1(f.caption), f.pixel_size);
  if (id == 297) {
    // The lit ON AIR key carries a bright tally bar.
    p.fillRect(QRectF(14, s.height() - 13, s.width() - 28, 3), QColor(255, 200, 190));
  }
}

// KEY 1 (luma) and KEY 2 (chroma): caption above a small swatch that tells
// the two keyers apart.
void draw_keyer(QPainter& p, QSize s, int id) {
  const bool chroma = id >= 292;
  const bool lit = id == 291 || id == 293;
  const Tone tone = lit ? Tone::Yellow : Tone::Grey;
  captioned(p, s, tone, chroma ? QStringLiteral("KEY 2") : QStringLiteral("KEY 1"), 16, 8, 34);
  const QRectF bar(14, 44, s.width() - 28, 10);
  QLinearGradient g(bar.topLeft(), bar.topRight());
  if (chroma) {
    g.setColorAt(0, QColor(40, 200, 70));
    g.setColorAt(0.5, QColor(40, 200, 70));
    g.setColorAt(0.51, QColor(50, 110, 235));
    g.setColorAt(1, QColor(50, 110, 235));
  } else {
    g.setColorAt(0, QColor(24, 24, 24));
    g.setColorAt(1, QColor(250, 250, 250));
  }
  p.fillRect(bar, g);
  p.setPen(lit ? QColor(120, 90, 10) : QColor(30, 32, 35));
  p.setBrush(Qt::NoBrush);
  p.drawRect(bar.adjusted(-0.5, -0.5, 0.5, 0.5));
}

// 301: the T-bar's channel. The handle's centre travels from y 50 to 364
// (margins 30 and 35, handle 41 high), at x 10..154.
void draw_tbar_channel(QPainter& p, QSize s, int) {
  backdrop(p, s, QColor(46, 49, 54), QColor(30, 32, 36));
  p.save();
  p.setRenderHint(QPainter::Antialiasing, true);
  const qreal cx = 82;
  // The slot.
  QPainterPath slot;
  slot.addRoundedRect(QRectF(cx - 7, 40, 14, 336), 7, 7);
  p.fillPath(slot, QColor(14, 15, 17));
  p.setPen(QPen(QColor(86, 90, 96), 1));
  p.drawPath(slot);
  // Scale on both sides: long marks every tenth of the travel.
  for (int k = 0; k <= 20; ++k) {
    const qreal y = 50 + (364 - 50) * k / 20.0;
    const qreal len = k % 2 == 0 ? 16 : 9;
    p.setPen(QPen(k % 10 == 0 ? kAccent : QColor(140, 146, 154), k % 2 == 0 ? 1.6 : 1));
    p.drawLine(QPointF(40 - len, y), QPointF(40, y));
    p.drawLine(QPointF(124, y), QPointF(124 + len, y));
  }
  p.restore();
  text(p, QRectF(0, 4, s.width(), 22), QStringLiteral("T-BAR"), kTextDim, 12, Qt::AlignCenter,
       QFont::Bold);
  text(p, QRectF(0, s.height() - 30, s.width(), 24), QStringLiteral("A / B"), kTextDim, 12,
       Qt::AlignCenter, QFont::Bold);
}

// 302: the T-bar handle, a brushed-metal grip with a red index line.
void draw_tbar_thumb(QPainter& p, QSize s, int) {
  key_face(p, QRectF(0, 0, s.width(), s.height()), QColor(214, 218, 224), QColor(120, 125, 132),
           QColor(236, 238, 242), 7);
  for (int k = -2; k <= 2; ++k) {
    if (k == 0) continue;
    const int y = s.height() / 2 + 5 * k;
    p.setPen(QColor(92, 96, 102));
    p.drawLine(22, y, s.width() - 23, y);
    p.setPen(QColor(236, 238, 242));
    p.drawLine(22, y + 1, s.width() - 23, y + 1);
  }
  p.fillRect(QRectF(6, s.height() / 2.0 - 1.5, s.width() - 12, 3), QColor(210, 40, 36));
}

enum class Wipe { UpLeft, Up, Right, Left, Outward, LowerLeft, Down, LowerRight };

struct WipeFace {
  Wipe direction;
  bool selected;
};

const std::map<int, WipeFace>& wipe_faces() {
  static const std::map<int, WipeFace> w{
      {353, {Wipe::Down, true}},        {354, {Wipe::Down, false}},
      {355, {Wipe::Left, true}},        {356, {Wipe::LowerLeft, true}},
      {357, {Wipe::LowerLeft, false}},  {358, {Wipe::Outward, true}},
      {359, {Wipe::Outward, false}},    {360, {Wipe::UpLeft, true}},
      {361, {Wipe::UpLeft, false}},     {362, {Wipe::Left, false}},
      {363, {Wipe::Right, true}},       {364, {Wipe::LowerRight, true}},
      {365, {Wipe::LowerRight, false}}, {368, {Wipe::Right, false}},
      {369, {Wipe::Up, true}},          {370, {Wipe::Up, false}},
  };
  return w;
}

// An arrow pointing right from the origin, `length` long, to be rotated.
QPainterPath arrow(qreal length) {
  QPainterPath a;
  const qreal head = 13, shaft = 2.4, barb = 9;
  a.moveTo(-length / 2, -shaft);
  a.lineTo(length / 2 - head, -shaft);
  a.lineTo(length / 2 - head, -barb);
  a.lineTo(length / 2, 0);
  a.lineTo(length / 2 - head, barb);
  a.lineTo(length / 2 - head, shaft);
  a.lineTo(-length / 2, shaft);
  a.closeSubpath();
  return a;
}

void draw_wipe(QPainter& p, QSize s, int id) {
  const WipeFace& f = wipe_faces().at(id);
  const Tone tone = f.selected ? Tone::Yellow : Tone::Grey;
  key(p, s, tone, 6);
  const QColor c = look(tone).glyph;
  p.save();
  p.setRenderHint(QPainter::Antialiasing, true);
  p.translate(s.width() / 2.0, s.height() / 2.0);
  if (f.direction == Wipe::Outward) {
    // From a centre line outward to both sides.
    p.fillRect(QRectF(-1.5, -13, 3, 26), c);
    QTransform right;
    right.translate(12, 0);
    p.fillPath(right.map(arrow(18)), c);
    QTransform left;
    left.translate(-12, 0);
    left.rotate(180);
    p.fillPath(left.map(arrow(18)), c);
  } else {
    qreal angle = 0;
    switch (f.direction) {
      case Wipe::Right:
        angle = 0;
        break;
      case Wipe::LowerRight:
        angle = 45;
        break;
      case Wipe::Down:
        angle = 90;
        break;
      case Wipe::LowerLeft:
        angle = 135;
        break;
      case Wipe::Left:
        angle = 180;
        break;
      case Wipe::UpLeft:
        angle = 225;
        break;
      case Wipe::Up:
        angle = 270;
        break;
      default:
        break;
    }
    QTransform t;
    t.rotate(angle);
    p.fillPath(t.map(arrow(32)), c);
  }
  p.restore();
}

void draw_configure(QPainter& p, QSize s, int) {
  // Too small for a see-through margin all round: only the rounded corners
  // and the end columns let the page show.
  const Look l = look(Tone::Grey);
  key_face(p, QRectF(1, 0, s.width() - 2, s.height()), l.top, l.bottom, l.rim, 3);
  for (int k = -1; k <= 1; ++k) p.fillRect(QRectF(s.width() / 2.0 + 5 * k - 1, 4, 2, 2), kText);
}

}  // namespace

void add_switcher_bitmaps(Table& t) {
  for (int id = 248; id <= 283; ++id) t[id] = {QSize(70, 70), draw_source};
  for (const auto& [id, f] : functions()) {
    const bool large = id == 245 || id == 305 || id == 285 || id == 288 || id == 289 || id == 347;
    t[id] = {large ? QSize(80, 80) : QSize(70, 70), draw_function};
  }
  for (int id : {290, 291, 292, 293}) t[id] = {QSize(70, 70), draw_keyer};
  t[301] = {QSize(164, 420), draw_tbar_channel, true};
  t[302] = {QSize(144, 41), draw_tbar_thumb};
  for (const auto& [id, f] : wipe_faces()) t[id] = {QSize(50, 50), draw_wipe};
  t[379] = {QSize(30, 10), draw_configure};
}

}  // namespace skin
