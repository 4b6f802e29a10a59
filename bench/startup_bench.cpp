// Prints the time from process start to the first painted main window and
// the peak resident memory after it. Offscreen unless a platform is set.
#include <sys/resource.h>

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <chrono>
#include <cstdio>

#include "app/main_window.h"
#include "link/link_options.h"

namespace {
const auto g_start = std::chrono::steady_clock::now();

class FirstPaint : public QObject {
 protected:
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::Paint && !done_) {
      done_ = true;
      QTimer::singleShot(0, [] {
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - g_start)
                .count();
        rusage u{};
        getrusage(RUSAGE_SELF, &u);
        std::printf("start to first painted main window: %.1f ms\n", ms);
        std::printf("peak resident memory: %.1f MB\n", u.ru_maxrss / 1024.0);
        QApplication::exit(0);
      });
    }
    return QObject::eventFilter(o, e);
  }
  bool done_ = false;
};
}  // namespace

int main(int argc, char** argv) {
  if (!getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  link_options().search_address = "127.255.255.255";
  CKELVARO_16_VIEWDlg dlg;
  FirstPaint probe;
  dlg.installEventFilter(&probe);
  dlg.show();
  return app.exec();
}
