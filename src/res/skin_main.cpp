// Backgrounds of the main window and the pages, and the main window's buttons.
#include <QLinearGradient>
#include <QPainterPath>
#include <QPen>
#include <cmath>

#include "res/skin_draw.h"

namespace skin {
namespace {

const QColor kPageTop(50, 53, 58);
const QColor kPageBottom(28, 30, 34);

// 195: the 1280 x 720 main window. Title bar with the window buttons on the
// right, the device row (list at 80,68, scan at 560,55), the sunken well of
// the page rectangle (20,110 - 1260,690) and a light status strip at the
// bottom where the version text is drawn in black at (1160, 690).
void draw_main_window(QPainter& p, QSize s, int) {
  backdrop(p, s, QColor(54, 57, 62), QColor(34, 36, 40));
  // Title bar.
  fill_vgradient(p, QRectF(0, 0, s.width(), 40), QColor(40, 42, 47), QColor(24, 25, 28));
  p.setPen(QColor(70, 74, 80));
  p.drawLine(0, 40, s.width(), 40);
  text(p, QRectF(20, 0, 200, 40), QStringLiteral("KELVARO"), kAccent, 22,
       Qt::AlignLeft | Qt::AlignVCenter, QFont::Black);
  text(p, QRectF(150, 0, 400, 40), QStringLiteral("MULTIVIEW CONTROL PANEL"), kTextDim, 13,
       Qt::AlignLeft | Qt::AlignVCenter, QFont::Medium);
  // Device row.
  text(p, QRectF(14, 62, 62, 36), QStringLiteral("DEVICE"), kTextDim, 12,
       Qt::AlignRight | Qt::AlignVCenter, QFont::Bold);
  sunken_panel(p, QRectF(77, 64, 486, 34), QColor(40, 42, 46));
  // The three lamps of the link light at the right of the device row, all
  // unlit: the main window lights them from what the link really did.
  for (int k = 0; k < 3; ++k) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(70, 74, 80));
    p.drawEllipse(QPointF(1180 + 22 * k, 80), 4, 4);
  }
  // Page well, one pixel larger than the page rectangle on every side.
  sunken_panel(p, QRectF(18, 108, 1243, 583), QColor(30, 32, 35));
  // Status strip.
  fill_vgradient(p, QRectF(0, 692, s.width(), 28), QColor(158, 162, 168), QColor(126, 130, 136));
  p.setPen(QColor(190, 194, 200));
  p.drawLine(0, 692, s.width(), 692);
}

// 187: device page backdrop (multiviewer, rk5502, tm3306), 1280 x 585: plain
// dark grey, as the pages place their own panels on it.
void draw_page(QPainter& p, QSize s, int) { backdrop(p, s, kPageTop, kPageBottom); }

// 229: the matrix page, 1280 x 585, with the INPUT panel around the input
// keys (80 + 68 i, 180, 60 x 65) and the OUTPUT panel around the output keys
// (y 380).
void draw_matrix_page(QPainter& p, QSize s, int) {
  backdrop(p, s, kPageTop, kPageBottom);
  labelled_panel(p, QRectF(52, 140, 592, 132), QStringLiteral("INPUT"));
  labelled_panel(p, QRectF(52, 340, 592, 132), QStringLiteral("OUTPUT"));
  // Signal flow between the rows.
  p.save();
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(QPen(QColor(90, 96, 104), 3, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(348, 282), QPointF(348, 326));
  QPainterPath head;
  head.moveTo(338, 318);
  head.lineTo(358, 318);
  head.lineTo(348, 332);
  head.closeSubpath();
  p.fillPath(head, QColor(90, 96, 104));
  p.restore();
}

// Small node diagram: one source square on the left, lines to the targets.
void route_diagram(QPainter& p, const QRectF& area, int targets, bool one_to_one) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing, true);
  const qreal node = 14;
  const qreal x_in = area.left() + 6, x_out = area.right() - 6 - node;
  const qreal step = (area.height() - node) / std::max(1, targets - 1);
  for (int k = 0; k < targets; ++k) {
    const qreal y_out = area.top() + k * step;
    const qreal y_in = one_to_one ? y_out : area.center().y() - node / 2;
    p.setPen(QPen(kAccent, 1.6));
    p.drawLine(QPointF(x_in + node, y_in + node / 2), QPointF(x_out, y_out + node / 2));
    p.setPen(QPen(QColor(120, 128, 138), 1));
    p.setBrush(QColor(64, 70, 78));
    p.drawRoundedRect(QRectF(x_out, y_out, node, node), 3, 3);
    if (one_to_one || k == 0) {
      p.setBrush(QColor(40, 120, 180));
      p.drawRoundedRect(QRectF(x_in, y_in, node, node), 3, 3);
    }
  }
  p.restore();
}

// 230: the matrix function sub-page, 490 x 420: a one-to-many diagram left
// of ONE TO ALL (200,100) and a one-to-one diagram left of ONE TO ONE (200,195).
void draw_matrix_function(QPainter& p, QSize s, int) {
  backdrop(p, s, QColor(62, 64, 68), QColor(44, 46, 50));
  route_diagram(p, QRectF(60, 98, 110, 64), 4, false);
  route_diagram(p, QRectF(60, 196, 110, 64), 3, true);
}

// 194: sub-page backdrop, 490 x 420.
void draw_subpage(QPainter& p, QSize s, int) {
  backdrop(p, s, QColor(62, 64, 68), QColor(44, 46, 50));
}

// 191: dialog backdrop, 600 x 660 (connection settings, switcher setup).
void draw_dialog(QPainter& p, QSize s, int) {
  backdrop(p, s, QColor(58, 61, 66), QColor(36, 38, 42));
  fill_vgradient(p, QRectF(1, 1, s.width() - 2, 36), QColor(44, 47, 52), QColor(30, 32, 36));
  p.setPen(QColor(70, 74, 80));
  p.drawLine(1, 37, s.width() - 2, 37);
}

// 294: switcher page backdrop, 1260 x 585. Framed panels sit behind the key
// groups: program bus keys at y 120 and 200 (x 10..360), preview bus keys at
// y 340 and 420, the layer keys (395..605, y 120..270), the transition keys
// (395..605, y 340..500, duration box at 560,470), the STREAM ON and FTB keys
// at x 800, and the well of the sub-page host (930,100, 250 x 400).
void draw_switcher_page(QPainter& p, QSize s, int) {
  backdrop(p, s, kPageTop, kPageBottom);
  labelled_panel(p, QRectF(2, 88, 366, 190), QStringLiteral("PROGRAM"));
  labelled_panel(p, QRectF(2, 308, 366, 200), QStringLiteral("PREVIEW"));
  labelled_panel(p, QRectF(386, 88, 228, 190), QStringLiteral("KEYERS"));
  labelled_panel(p, QRectF(386, 308, 228, 200), QStringLiteral("TRANSITION"));
  labelled_panel(p, QRectF(790, 88, 100, 120), QString());
  labelled_panel(p, QRectF(790, 388, 100, 120), QString());
  sunken_panel(p, QRectF(928, 98, 254, 404), QColor(34, 36, 40));
  // Tally strips: red beside the program bus, green beside the preview bus.
  p.fillRect(QRectF(2, 282, 366, 3), QColor(170, 40, 36));
  p.fillRect(QRectF(2, 512, 366, 3), QColor(36, 150, 60));
}

// Window buttons of the title bar: flat dark faces with a light glyph.
void title_button(QPainter& p, QSize s, const QColor& top, const QColor& bottom) {
  const QRectF r(0, 0, s.width(), s.height());
  fill_vgradient(p, r, top, bottom);
  p.setPen(QColor(78, 82, 88));
  p.drawLine(0, 0, 0, s.height() - 1);
  p.setPen(QColor(20, 21, 24));
  p.drawLine(s.width() - 1, 0, s.width() - 1, s.height() - 1);
}

void draw_close(QPainter& p, QSize s, int) {
  title_button(p, s, QColor(150, 44, 40), QColor(100, 26, 24));
  p.setPen(QPen(kText, 2.2, Qt::SolidLine, Qt::RoundCap));
  const QPointF c(s.width() / 2.0, s.height() / 2.0);
  p.drawLine(c + QPointF(-7, -7), c + QPointF(7, 7));
  p.drawLine(c + QPointF(-7, 7), c + QPointF(7, -7));
}

void draw_max(QPainter& p, QSize s, int) {
  title_button(p, s, QColor(52, 55, 60), QColor(30, 32, 36));
  p.setPen(QPen(kText, 1.8));
  p.setBrush(Qt::NoBrush);
  const QPointF c(s.width() / 2.0, s.height() / 2.0);
  p.drawRect(QRectF(c.x() - 7, c.y() - 6, 14, 12));
  p.drawLine(QPointF(c.x() - 7, c.y() - 4), QPointF(c.x() + 7, c.y() - 4));
}

void draw_min(QPainter& p, QSize s, int) {
  title_button(p, s, QColor(52, 55, 60), QColor(30, 32, 36));
  p.setPen(QPen(kText, 2.2, Qt::SolidLine, Qt::RoundCap));
  const QPointF c(s.width() / 2.0, s.height() / 2.0);
  p.drawLine(c + QPointF(-8, 5), c + QPointF(8, 5));
}

// 196: scan key, 138 x 50, magnifier and SCAN on a blue face.
void draw_scan(QPainter& p, QSize s, int) {
  key_face(p, QRectF(0, 0, s.width(), s.height()), QColor(48, 126, 190), QColor(20, 64, 108),
           QColor(100, 170, 230), 8);
  p.save();
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(QPen(kText, 2.6, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QPointF(30, 22), 9, 9);
  p.drawLine(QPointF(37, 29), QPointF(44, 36));
  p.restore();
  text(p, QRectF(50, 0, s.width() - 56, s.height()), QStringLiteral("SCAN"), kText, 20,
       Qt::AlignCenter, QFont::Bold);
}

// 199: settings key, 25 x 30, a gear on a small dark key.
void draw_settings(QPainter& p, QSize s, int) {
  key_face(p, QRectF(0, 0, s.width(), s.height()), QColor(70, 74, 80), QColor(36, 38, 42),
           QColor(100, 106, 114), 4);
  p.save();
  p.setRenderHint(QPainter::Antialiasing, true);
  fill_gear(p, QPointF(s.width() / 2.0, s.height() / 2.0), 8, 2, 9.0, 6.8, 3, kText);
  p.restore();
}

}  // namespace

void add_main_bitmaps(Table& t) {
  t[195] = {QSize(1280, 720), draw_main_window, true};
  t[187] = {QSize(1280, 585), draw_page, true};
  t[229] = {QSize(1280, 585), draw_matrix_page, true};
  t[230] = {QSize(490, 420), draw_matrix_function, true};
  t[194] = {QSize(490, 420), draw_subpage, true};
  t[191] = {QSize(600, 660), draw_dialog, true};
  t[294] = {QSize(1260, 585), draw_switcher_page, true};
  t[188] = {QSize(42, 35), draw_close};
  t[196] = {QSize(138, 50), draw_scan};
  t[197] = {QSize(34, 35), draw_max};
  t[198] = {QSize(47, 35), draw_min};
  t[199] = {QSize(25, 30), draw_settings};
}

}  // namespace skin
