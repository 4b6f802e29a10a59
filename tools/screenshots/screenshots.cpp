// Draws the panel's pages into PNG files for the README: the main window
// with the in-process demo devices, each page opened in turn as an operator
// opens it, rendered with QWidget::grab(). Needs no display (offscreen).
//
// Usage: kelvaro-screenshots [--out DIR] [--only NAME]... [--base-port N]
//   DIR defaults to docs/screenshots; NAME is one of the pictures below
//   (multiviewer, matrix, switcher, rk5502, tm3306, configure).
#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFont>
#include <QFontDatabase>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/main_window.h"
#include "app/set_configure.h"
#include "app/settings_location.h"
#include "app/startup.h"
#include "controls/skin_button.h"
#include "demo/demo.h"
#include "link/link_options.h"

namespace {
// The largest file written: beyond it the picture loses colours, then size.
constexpr qint64 kMaxBytes = 150 * 1024;
// How long a page is given to finish its start-up exchanges and repaint.
constexpr int kSettleMs = 700;

struct Shot {
  const char* name;
  const char* row_prefix;  // device list text of the row to open; null: none
};
// In the order taken: the listed rows first, then the scan (which replaces
// the page), then Configure over the multiviewer page.
const Shot kShots[] = {
    {"matrix", "matrix_"}, {"switcher", "switcher_"},       {"rk5502", "rk5502_"},
    {"tm3306", "tm3306_"}, {"multiviewer", "MV16_STUDIO_A_"}, {"configure", nullptr},
};

void usage(FILE* to) {
  std::fputs(
      "usage: kelvaro-screenshots [--out DIR] [--only NAME]... [--base-port N]\n"
      "  --out DIR      folder for the PNG files (default docs/screenshots)\n"
      "  --only NAME    draw only this picture (repeatable): multiviewer, matrix,\n"
      "                 switcher, rk5502, tm3306, configure\n"
      "  --base-port N  first of the four loopback ports of the demo devices\n",
      to);
}

// Runs the event loop for `ms`, so queued replies, timers and repaints happen.
void settle(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

int find_row(QComboBox* list, const QString& prefix) {
  for (int i = 0; i < list->count(); ++i)
    if (list->itemText(i).startsWith(prefix)) return i;
  return -1;
}

// Picks the row as the operator does: the list shows it, then reports the
// choice, which opens its page.
bool open_row(CKELVARO_16_VIEWDlg* w, const QString& prefix) {
  const int row = find_row(w->device_list(), prefix);
  if (row < 0) return false;
  w->device_list()->setCurrentIndex(row);
  emit w->device_list()->activated(row);
  return true;
}

QByteArray png_bytes(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG", 0);  // quality 0: the strongest compression
  return bytes;
}

// The picture as PNG, within kMaxBytes: full colour if it fits, else 256
// colours, else 256 colours at smaller sizes. Empty when nothing fits.
QByteArray encode(const QImage& shot, QString* how) {
  QByteArray bytes = png_bytes(shot);
  *how = QStringLiteral("full colour");
  if (bytes.size() <= kMaxBytes) return bytes;
  for (int percent : {100, 85, 75, 60, 50}) {
    const QImage scaled =
        percent == 100 ? shot
                       : shot.scaledToWidth(shot.width() * percent / 100, Qt::SmoothTransformation);
    bytes = png_bytes(scaled.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither));
    *how = QStringLiteral("256 colours at %1 %").arg(percent);
    if (bytes.size() <= kMaxBytes) return bytes;
  }
  return {};
}

bool save(const QImage& shot, const QDir& dir, const QString& name) {
  const QString path = dir.filePath(name + QStringLiteral(".png"));
  QString how;
  const QByteArray bytes = encode(shot, &how);
  if (bytes.isEmpty()) {
    std::fprintf(stderr, "kelvaro-screenshots: %s does not fit in %lld bytes\n",
                 qUtf8Printable(name), static_cast<long long>(kMaxBytes));
    return false;
  }
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush()) {
    std::fprintf(stderr, "kelvaro-screenshots: cannot write %s\n", qUtf8Printable(path));
    return false;
  }
  std::printf("%s: %lld bytes, %s\n", qUtf8Printable(path), static_cast<long long>(bytes.size()),
              qUtf8Printable(how));
  return true;
}

// The main window with the Configure dialog drawn where it stands over it
// (a window of its own, so the main window's grab does not hold it), framed
// by a line since the offscreen platform draws no window borders.
QImage configure_shot(CKELVARO_16_VIEWDlg* w) {
  CSetConfigure* cfg = w->m_pSetConfigure;
  QImage image = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
  const QImage dialog = cfg->grab().toImage();
  const QPoint at = cfg->geometry().topLeft() - w->geometry().topLeft();
  QPainter p(&image);
  p.drawImage(at, dialog);
  p.setPen(QPen(Qt::black, 2));
  p.drawRect(QRect(at, dialog.size()).adjusted(-1, -1, 0, 0));
  return image;
}

// Configure in serial mode, the demo's pseudo-terminal picked and opened,
// as the README's demo steps leave it; the list shows the pty, not the ports
// of this machine.
bool show_configure(CKELVARO_16_VIEWDlg* w, const Demo& demo) {
  w->on_settings();
  CSetConfigure* cfg = w->m_pSetConfigure;
  if (!cfg) return false;
  QComboBox* mode = cfg->combo(IDC_CFG_MODE_LIST);
  mode->setCurrentIndex(1);
  emit mode->activated(1);
  QComboBox* ports = cfg->combo(IDC_CFG_PORT_LIST);
  const int pty = ports->findText(QString::fromStdString(demo.sim->serial_name()));
  if (pty < 0) {
    std::fprintf(stderr, "kelvaro-screenshots: the demo's port %s is not listed\n",
                 demo.sim->serial_name().c_str());
    return false;
  }
  ports->setCurrentIndex(pty);
  cfg->button(IDC_CFG_CONNECT)->click();
  if (!cfg->connected()) {
    std::fprintf(stderr, "kelvaro-screenshots: cannot open %s\n", demo.sim->serial_name().c_str());
    return false;
  }
  return true;
}
}  // namespace

int main(int argc, char** argv) {
  QString out = QStringLiteral("docs/screenshots");
  QStringList only;
  uint16_t base = kDemoBasePort;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool has_value = i + 1 < argc;
    if (a == "--help" || a == "-h") {
      usage(stdout);
      return 0;
    } else if (a == "--out" && has_value) {
      out = QString::fromLocal8Bit(argv[++i]);
    } else if (a == "--only" && has_value) {
      only << QString::fromLocal8Bit(argv[++i]);
    } else if (a == "--base-port" && has_value) {
      bool ok = false;
      const uint port = QString::fromLocal8Bit(argv[++i]).toUInt(&ok);
      if (!ok || port < 1024 || port > 65532) {
        std::fprintf(stderr, "kelvaro-screenshots: --base-port wants 1024..65532\n");
        return 2;
      }
      base = static_cast<uint16_t>(port);
    } else {
      std::fprintf(stderr, "kelvaro-screenshots: unknown or incomplete option %s\n", a.c_str());
      usage(stderr);
      return 2;
    }
  }
  for (const QString& name : only) {
    bool known = false;
    for (const Shot& s : kShots) known = known || name == QLatin1String(s.name);
    if (!known) {
      std::fprintf(stderr, "kelvaro-screenshots: no picture named %s\n", qUtf8Printable(name));
      usage(stderr);
      return 2;
    }
  }
  const auto wanted = [&](const char* name) {
    return only.isEmpty() || only.contains(QLatin1String(name));
  };

  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // Settings of a folder of our own: rows or a setup the operator keeps are
  // neither shown in the pictures nor touched.
  QTemporaryDir config;
  if (!config.isValid()) {
    std::fprintf(stderr, "kelvaro-screenshots: cannot make a temporary folder\n");
    return 1;
  }
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));

  std::string error;
  std::unique_ptr<Demo> demo = start_demo(link_options(), base, &error);
  if (!demo) {
    std::fprintf(stderr, "kelvaro-screenshots: cannot start the demo devices: %s\n",
                 error.c_str());
    return 1;
  }
  CommandLine cl = parse_command_line({"kelvaro_multiview", "--demo"});
  cl.devices = demo->rows;

  QApplication app(argc, argv);
  set_settings_location();
  const QString font_family = QStringLiteral("WenQuanYi Micro Hei");
  if (!QFontDatabase::families().contains(font_family))
    std::fprintf(stderr, "kelvaro-screenshots: font %s is missing (fonts-wqy-microhei): "
                 "Chinese captions will not show\n", qUtf8Printable(font_family));
  QApplication::setFont(QFont(font_family, 9));

  const QDir dir(out);
  if (!dir.mkpath(QStringLiteral("."))) {
    std::fprintf(stderr, "kelvaro-screenshots: cannot make %s\n", qUtf8Printable(out));
    return 1;
  }

  std::unique_ptr<CKELVARO_16_VIEWDlg> w(open_main_window(cl));
  bool ok = true;
  bool scanned = false;
  for (const Shot& shot : kShots) {
    if (!wanted(shot.name)) continue;
    const QString name = QLatin1String(shot.name);
    if (shot.row_prefix) {
      const QString prefix = QLatin1String(shot.row_prefix);
      // The multiviewers are listed once the scan has found them.
      if (find_row(w->device_list(), prefix) < 0 && !scanned) {
        w->on_scan();
        scanned = true;
      }
      if (!open_row(w.get(), prefix)) {
        std::fprintf(stderr, "kelvaro-screenshots: no row %s in the device list\n",
                     qUtf8Printable(prefix));
        ok = false;
        continue;
      }
      settle(kSettleMs);
      // A page that failed to open would leave the bare window: no picture.
      if (!w->m_p_mian_show_dlg || !w->m_p_mian_show_dlg->isVisible()) {
        std::fprintf(stderr, "kelvaro-screenshots: the page of %s did not open\n",
                     qUtf8Printable(prefix));
        ok = false;
        continue;
      }
      ok = save(w->grab().toImage(), dir, name) && ok;
    } else {
      if (!show_configure(w.get(), *demo)) {
        ok = false;
        continue;
      }
      settle(kSettleMs);
      ok = save(configure_shot(w.get()), dir, name) && ok;
    }
  }
  w.reset();
  return ok ? 0 : 1;
}
