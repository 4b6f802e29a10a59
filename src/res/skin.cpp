#include "res/skin.h"

#include <QDir>
#include <QFileInfo>
#include <QLinearGradient>
#include <QPainterPath>
#include <cmath>
#include <map>

#include "res/skin_draw.h"

// The skin draws every bitmap id lazily, the first time a page asks for it,
// and keeps the result for the rest of the run. Only the user-interface
// thread draws and reads the cache.

namespace skin {

QFont font(int pixel_size, int weight) {
  QFont f;
  f.setFamilies(
      {"DejaVu Sans", "Liberation Sans", "Arial", "WenQuanYi Micro Hei", "Noto Sans CJK SC"});
  f.setPixelSize(pixel_size);
  f.setWeight(static_cast<QFont::Weight>(weight));
  f.setStyleStrategy(QFont::PreferAntialias);
  return f;
}

void fill_vgradient(QPainter& p, const QRectF& r, const QColor& top, const QColor& bottom) {
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  g.setColorAt(0, top);
  g.setColorAt(1, bottom);
  p.fillRect(r, g);
}

void fill_gear(QPainter& p, const QPointF& centre, int teeth, int points_per_tooth, double outer,
               double inner, double hole, const QColor& c) {
  QPainterPath gear;
  const int points = teeth * points_per_tooth;
  for (int k = 0; k < points; ++k) {
    const double a = k * 2 * M_PI / points;
    const double r = (k % points_per_tooth) < points_per_tooth / 2 ? outer : inner;
    const QPointF pt(centre.x() + r * std::cos(a), centre.y() + r * std::sin(a));
    if (k == 0)
      gear.moveTo(pt);
    else
      gear.lineTo(pt);
  }
  gear.closeSubpath();
  QPainterPath cut;
  cut.addEllipse(centre, hole, hole);
  p.fillPath(gear.subtracted(cut), c);
}

void key_face(QPainter& p, const QRectF& r, const QColor& top, const QColor& bottom,
              const QColor& rim, qreal radius) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing, true);
  QPainterPath body;
  body.addRoundedRect(r, radius, radius);
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  g.setColorAt(0, top);
  g.setColorAt(1, bottom);
  p.fillPath(body, g);
  // Sheen over the upper half, as on a moulded console key.
  QRectF upper = r.adjusted(2, 2, -2, -r.height() / 2);
  QPainterPath sheen;
  sheen.addRoundedRect(upper, radius - 2 > 1 ? radius - 2 : 1, radius - 2 > 1 ? radius - 2 : 1);
  QLinearGradient sg(upper.topLeft(), upper.bottomLeft());
  sg.setColorAt(0, QColor(255, 255, 255, 46));
  sg.setColorAt(1, QColor(255, 255, 255, 6));
  p.fillPath(sheen, sg);
  p.setPen(QPen(rim, 1));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
  p.restore();
}

void sunken_panel(QPainter& p, const QRectF& r, const QColor& fill) {
  p.save();
  p.fillRect(r, fill);
  p.setPen(QColor(14, 14, 16));
  p.drawLine(r.topLeft(), r.topRight() - QPointF(1, 0));
  p.drawLine(r.topLeft(), r.bottomLeft() - QPointF(0, 1));
  p.setPen(QColor(92, 96, 102));
  p.drawLine(r.bottomLeft() - QPointF(0, 1), r.bottomRight() - QPointF(1, 1));
  p.drawLine(r.topRight() - QPointF(1, 0), r.bottomRight() - QPointF(1, 1));
  p.restore();
}

void labelled_panel(QPainter& p, const QRectF& r, const QString& caption) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing, true);
  QPainterPath frame;
  frame.addRoundedRect(r, 6, 6);
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  g.setColorAt(0, QColor(40, 42, 46));
  g.setColorAt(1, QColor(30, 32, 35));
  p.fillPath(frame, g);
  p.setPen(QPen(QColor(16, 17, 19), 1));
  p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
  p.setPen(QPen(QColor(78, 82, 88), 1));
  p.drawRoundedRect(r.adjusted(1.5, 1.5, -1.5, -1.5), 5, 5);
  if (!caption.isEmpty()) {
    const QFont f = font(12, QFont::Bold);
    const int w = QFontMetrics(f).horizontalAdvance(caption) + 24;
    QRectF tab(r.left() + 12, r.top() + 6, w, 18);
    QPainterPath tp;
    tp.addRoundedRect(tab, 4, 4);
    p.fillPath(tp, QColor(54, 58, 64));
    p.fillRect(QRectF(tab.left() + 5, tab.top() + 4, 3, tab.height() - 8), kAccent);
    p.setFont(f);
    p.setPen(kText);
    p.drawText(tab.adjusted(12, 0, -4, 0), Qt::AlignLeft | Qt::AlignVCenter, caption);
  }
  p.restore();
}

void text(QPainter& p, const QRectF& r, const QString& s, const QColor& c, int pixel_size,
          int flags, int weight) {
  p.save();
  p.setRenderHint(QPainter::TextAntialiasing, true);
  p.setFont(font(pixel_size, weight));
  p.setPen(c);
  p.drawText(r, flags, s);
  p.restore();
}

void backdrop(QPainter& p, QSize size, const QColor& top, const QColor& bottom) {
  const QRectF all(0, 0, size.width(), size.height());
  fill_vgradient(p, all, top, bottom);
  // Fine horizontal brushing: every other line a touch lighter. Rows are
  // filled rather than drawn as lines: a translucent pen takes a slow path
  // (about a tenth of a second for a page), a filled row covers the same
  // pixels with the same blending in well under a millisecond.
  p.save();
  for (int y = 0; y < size.height(); y += 2)
    p.fillRect(QRect(0, y, size.width(), 1), QColor(255, 255, 255, (y / 2) % 3 == 0 ? 7 : 3));
  p.setPen(QColor(88, 92, 98));
  p.drawLine(0, 0, size.width() - 1, 0);
  p.drawLine(0, 0, 0, size.height() - 1);
  p.setPen(QColor(14, 14, 16));
  p.drawLine(0, size.height() - 1, size.width() - 1, size.height() - 1);
  p.drawLine(size.width() - 1, 0, size.width() - 1, size.height() - 1);
  p.restore();
}

void lift_black(QImage& image) {
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x)
      if ((line[x] & 0x00FFFFFF) == 0) line[x] = kNearBlack.rgb();
  }
}

Look look(Tone tone) {
  switch (tone) {
    case Tone::Red:
      return {QColor(226, 62, 56), QColor(150, 24, 22), QColor(255, 140, 130),
              QColor(255, 246, 240)};
    case Tone::Green:
      return {QColor(70, 200, 92), QColor(22, 120, 44), QColor(150, 240, 160),
              QColor(244, 255, 244)};
    case Tone::Yellow:
      return {QColor(250, 214, 70), QColor(196, 144, 18), QColor(255, 236, 150),
              QColor(28, 24, 12)};
    case Tone::Blue:
      return {QColor(66, 150, 214), QColor(28, 82, 138), QColor(130, 200, 255),
              QColor(246, 250, 255)};
    case Tone::Title:
      return {QColor(64, 67, 72), QColor(42, 44, 48), QColor(96, 100, 108), kText};
    case Tone::Close:
      return {QColor(150, 48, 44), QColor(98, 26, 24), QColor(190, 90, 84), QColor(250, 236, 234)};
    case Tone::Grey:
    default:
      return {QColor(92, 96, 102), QColor(50, 53, 58), QColor(126, 131, 138), kText};
  }
}

void key(QPainter& p, QSize size, Tone tone, qreal radius) {
  const Look l = look(tone);
  key_face(p, QRectF(1, 1, size.width() - 2, size.height() - 2), l.top, l.bottom, l.rim, radius);
}

namespace {

const Table& table() {
  static const Table t = [] {
    Table built;
    add_main_bitmaps(built);
    add_multiviewer_bitmaps(built);
    add_matrix_bitmaps(built);
    add_switcher_bitmaps(built);
    add_processor_bitmaps(built);
    return built;
  }();
  return t;
}

std::map<int, QImage>& image_cache() {
  static std::map<int, QImage> cache;
  return cache;
}

std::map<int, QPixmap>& pixmap_cache() {
  static std::map<int, QPixmap> cache;
  return cache;
}

std::map<int, QIcon>& icon_cache() {
  static std::map<int, QIcon> cache;
  return cache;
}

}  // namespace

QImage override_file(int id) {
  const QByteArray dir = qgetenv("KELVARO_SKIN_DIR");
  if (dir.isEmpty()) return {};
  const QString path = QDir(QString::fromLocal8Bit(dir)).filePath(QString("%1.png").arg(id));
  if (!QFileInfo(path).isFile()) return {};
  QImage loaded(path);
  return loaded;
}

// A replacement file may carry an alpha channel: its see-through pixels
// become pure black, the skin's transparent colour, and the rest opaque.
QImage as_skin_bitmap(const QImage& source) {
  QImage argb = source.convertToFormat(QImage::Format_ARGB32);
  QImage out(argb.size(), QImage::Format_RGB32);
  for (int y = 0; y < argb.height(); ++y) {
    const auto* in = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < argb.width(); ++x)
      line[x] = qAlpha(in[x]) < 128 ? 0xFF000000u : (in[x] | 0xFF000000u);
  }
  return out;
}

QImage draw_bitmap(int id) {
  const auto it = table().find(id);
  if (it == table().end()) return {};
  const Entry& e = it->second;
  QImage image(e.size, QImage::Format_RGB32);
  image.fill(QColor(0, 0, 0));
  {
    QPainter p(&image);
    e.draw(p, e.size, id);
  }
  if (e.opaque) lift_black(image);
  return image;
}

}  // namespace skin

const QImage& skin_image(int id) {
  static const QImage null_image;
  auto& cache = skin::image_cache();
  if (auto it = cache.find(id); it != cache.end()) return it->second;
  QImage image;
  const QImage replacement = skin::override_file(id);
  if (!replacement.isNull())
    image = skin::as_skin_bitmap(replacement);
  else
    image = skin::draw_bitmap(id);
  if (image.isNull()) return null_image;
  return cache.emplace(id, std::move(image)).first->second;
}

QPixmap skin_pixmap(int id) {
  auto& cache = skin::pixmap_cache();
  if (auto it = cache.find(id); it != cache.end()) return it->second;
  const QImage& image = skin_image(id);
  if (image.isNull()) return {};
  return cache.emplace(id, QPixmap::fromImage(image)).first->second;
}

QSize skin_size(int id) {
  if (skin::image_cache().count(id)) return skin_image(id).size();
  // Without drawing: a replacement file decides its own size.
  const QImage replacement = skin::override_file(id);
  if (!replacement.isNull()) return replacement.size();
  const auto it = skin::table().find(id);
  return it == skin::table().end() ? QSize() : it->second.size;
}

bool skin_has(int id) { return skin::table().count(id) != 0 || !skin::override_file(id).isNull(); }

std::vector<int> skin_bitmap_ids() {
  std::vector<int> ids;
  ids.reserve(skin::table().size());
  for (const auto& [id, entry] : skin::table()) ids.push_back(id);
  return ids;
}

QIcon skin_icon(int id) {
  auto& cache = skin::icon_cache();
  if (auto it = cache.find(id); it != cache.end()) return it->second;
  if (skin_icon_image(id, 32).isNull()) return {};
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128})
    icon.addPixmap(QPixmap::fromImage(skin_icon_image(id, size)));
  return cache.emplace(id, icon).first->second;
}

void skin_reload() {
  skin::image_cache().clear();
  skin::pixmap_cache().clear();
  skin::icon_cache().clear();
}
