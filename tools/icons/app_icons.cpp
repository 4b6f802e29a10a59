// Writes the application's icon (skin icon 128, the one the main window
// shows) as PNG files for the desktop's icon theme:
// FOLDER/NxN/apps/NAME.png for every size given.
//
// Usage: app_icons FOLDER NAME SIZE...   (needs no display)
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <cstdio>
#include <cstdlib>

#include "res/skin.h"

namespace {
constexpr int kApplicationIcon = 128;
constexpr int kMaxSize = 1024;
}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: app_icons FOLDER NAME SIZE...\n");
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QDir root(QString::fromLocal8Bit(argv[1]));
  const QString name = QString::fromLocal8Bit(argv[2]);
  for (int k = 3; k < argc; ++k) {
    char* end = nullptr;
    const long size = std::strtol(argv[k], &end, 10);
    if (*argv[k] == '\0' || *end != '\0' || size < 1 || size > kMaxSize) {
      std::fprintf(stderr, "app_icons: bad size '%s' (1 to %d)\n", argv[k], kMaxSize);
      return 2;
    }
    const QImage image = skin_icon_image(kApplicationIcon, static_cast<int>(size));
    if (image.isNull() || image.width() != size || image.height() != size) {
      std::fprintf(stderr, "app_icons: the skin drew no %ldx%ld icon\n", size, size);
      return 1;
    }
    const QString folder = QStringLiteral("%1x%1/apps").arg(size);
    if (!root.mkpath(folder)) {
      std::fprintf(stderr, "app_icons: cannot make %s\n", qUtf8Printable(root.filePath(folder)));
      return 1;
    }
    const QString file = root.filePath(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
    if (!image.save(file, "PNG")) {
      std::fprintf(stderr, "app_icons: cannot write %s\n", qUtf8Printable(file));
      return 1;
    }
  }
  return 0;
}
