#pragma once
// Private to src/res: the table of drawable ids and the painting helpers the
// skin's category files share. Every face is drawn into a Format_RGB32 image
// that starts filled with pure black, the transparent colour of the skinned
// buttons; a face paints over everything the page behind must not show
// through. Backgrounds are filled edge to edge and never use pure black.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QSize>
#include <QString>
#include <map>

namespace skin {

using Drawer = void (*)(QPainter& p, QSize size, int id);

struct Entry {
  QSize size;
  Drawer draw = nullptr;
  // Backgrounds and the T-bar channel are shown whole, so they may hold no
  // pure black at all; button faces use it for their see-through corners.
  bool opaque = false;
};

using Table = std::map<int, Entry>;

// Category files: each adds its ids to the table.
void add_main_bitmaps(Table& t);
void add_multiviewer_bitmaps(Table& t);
void add_matrix_bitmaps(Table& t);
void add_switcher_bitmaps(Table& t);
void add_processor_bitmaps(Table& t);

// Forgets every drawn or loaded image so the next request draws or loads it
// again (after KELVARO_SKIN_DIR changed). References handed out before become
// invalid; only for start-up and tests.
void clear_cache();

// The near-black used wherever a dark tone is wanted but nothing may be
// transparent.
inline const QColor kNearBlack(8, 8, 8);

// Sans-serif with a CJK fallback so Chinese captions never draw as boxes.
QFont font(int pixel_size, int weight = QFont::DemiBold);

void fill_vgradient(QPainter& p, const QRectF& r, const QColor& top, const QColor& bottom);
// A rounded key face with a soft top highlight and a thin rim. The corners
// outside the rounding stay as they are (pure black when drawn on a fresh
// image, so the page shows through them).
void key_face(QPainter& p, const QRectF& r, const QColor& top, const QColor& bottom,
              const QColor& rim, qreal radius);
// A gear with a round hole, filled: `teeth` teeth, each drawn with
// `points_per_tooth` outline points of which the first half lie on the
// outer radius and the rest on the inner one.
void fill_gear(QPainter& p, const QPointF& centre, int teeth, int points_per_tooth, double outer,
               double inner, double hole, const QColor& c);
// A recessed panel with a one-pixel bevel (dark above-left, light below-right).
void sunken_panel(QPainter& p, const QRectF& r, const QColor& fill);
// A framed group panel with its caption in a small tab on the top edge.
void labelled_panel(QPainter& p, const QRectF& r, const QString& caption);
// The replacement image of an id from the folder KELVARO_SKIN_DIR names
// (null when the variable is unset or the folder has no NNN.png for it).
QImage override_file(int id);

// Near-black instead of pure black for every pixel of an opaque image.
void lift_black(QImage& image);
void text(QPainter& p, const QRectF& r, const QString& s, const QColor& c, int pixel_size,
          int flags = Qt::AlignCenter, int weight = QFont::DemiBold);
// Dark console backdrop: vertical gradient, faint horizontal brushing and a
// bevelled outer edge.
void backdrop(QPainter& p, QSize size, const QColor& top, const QColor& bottom);

// The looks of a key: resting grey, the lit tallies of a vision mixer (red
// program, green preview, yellow for armed functions) and the panel's blue.
enum class Tone { Grey, Red, Green, Yellow, Blue, Title, Close };
struct Look {
  QColor top, bottom, rim, glyph;
};
Look look(Tone tone);
// A key filling the whole image (1 pixel of see-through margin) in a look.
void key(QPainter& p, QSize size, Tone tone, qreal radius = 7);

// Light glyph colours on dark faces.
inline const QColor kText(224, 228, 232);
inline const QColor kTextDim(150, 156, 164);
inline const QColor kAccent(60, 180, 255);

}  // namespace skin
