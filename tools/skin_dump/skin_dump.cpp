// Writes every face of the panel's skin into a folder for a look by eye:
// each bitmap as <id>.png, the window and device icons at 64 pixels, and
// contact sheets of the keys on a green-grey ground, so see-through black
// stands out, in pages of 4 x 8 cells that can be viewed at full size.
//
// Usage: skin_dump FOLDER   (needs no display)
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "res/skin.h"

namespace {
bool save(const QImage& image, const QDir& dir, const QString& name) {
  if (image.save(dir.filePath(name))) return true;
  std::fprintf(stderr, "skin_dump: cannot write %s\n", qUtf8Printable(dir.filePath(name)));
  return false;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: skin_dump FOLDER\n");
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QDir dir(QString::fromLocal8Bit(argv[1]));
  if (!dir.mkpath(QStringLiteral("."))) {
    std::fprintf(stderr, "skin_dump: cannot make %s\n", argv[1]);
    return 1;
  }
  bool ok = true;
  std::vector<int> small;
  for (int id : skin_bitmap_ids()) {
    ok = save(skin_image(id), dir, QStringLiteral("%1.png").arg(id)) && ok;
    if (skin_image(id).width() <= 220) small.push_back(id);
  }
  for (int id : {128, 211, 212})
    ok = save(skin_icon_image(id, 64), dir, QStringLiteral("icon_%1.png").arg(id)) && ok;

  const int cell_w = 230, cell_h = 100, columns = 4, rows = 8;
  const size_t per_page = static_cast<size_t>(columns * rows);
  for (size_t first = 0; first < small.size(); first += per_page) {
    QImage sheet(cell_w * columns, cell_h * rows, QImage::Format_RGB32);
    sheet.fill(QColor(90, 110, 90));
    QPainter p(&sheet);
    for (size_t k = first; k < std::min(small.size(), first + per_page); ++k) {
      const int x = static_cast<int>((k - first) % columns) * cell_w;
      const int y = static_cast<int>((k - first) / columns) * cell_h;
      p.drawImage(x + 4, y + 4, skin_image(small[k]));
      p.setPen(Qt::white);
      p.drawText(QRect(x + 4, y + cell_h - 16, cell_w - 8, 14), Qt::AlignLeft,
                 QString::number(small[k]));
    }
    p.end();
    ok = save(sheet, dir, QStringLiteral("sheet_%1.png").arg(first / per_page + 1)) && ok;
  }
  std::printf("skin_dump: %zu bitmaps written to %s\n", skin_bitmap_ids().size(), argv[1]);
  return ok ? 0 : 1;
}
