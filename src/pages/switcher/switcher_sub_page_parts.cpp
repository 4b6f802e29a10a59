#include "pages/switcher/switcher_sub_page_parts.h"

#include <QMouseEvent>

#include "app/main_window.h"
#include "link/trace.h"

namespace {
// Sits on one bar and sees its mouse releases before the bar does.
class BarReleaseWatcher : public QObject {
 public:
  BarReleaseWatcher(QSlider* bar, std::function<void(int)> before, std::function<void(int)> after)
      : QObject(bar), m_bar(bar), m_before(std::move(before)), m_after(std::move(after)) {
    bar->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != m_bar || event->type() != QEvent::MouseButtonRelease) return false;
    if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) return false;
    if (m_before) m_before(m_bar->value());
    // The bar ends its drag (or its paging) with this release; what follows
    // the release must see the bar as it left it.
    static_cast<QObject*>(m_bar)->event(event);
    if (m_after) m_after(m_bar->value());
    return true;
  }

 private:
  QSlider* m_bar;
  std::function<void(int)> m_before;
  std::function<void(int)> m_after;
};
}  // namespace

QStringList switcher_video_source_items() {
  QStringList items;
  for (int n = 1; n <= 10; ++n) items << QString::asprintf("Cam %02d", n);
  items << QStringLiteral("MP");
  return items;
}

std::optional<SwitcherLink> switcher_link() {
  CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg;
  if (!main) {
    trace(lcSwitcher(), "main dlg p is null ,return \n");
    return std::nullopt;
  }
  return SwitcherLink{main->held_transport(), main->switcher_target()};
}

SwitcherPageData* switcher_data() {
  CKELVARO_16_VIEWDlg* main = m_p_glo_main_set_or_get_dlg;
  if (!main) {
    trace(lcSwitcher(), "main dlg p is null ,return \n");
    return nullptr;
  }
  return &main->m_all_switcher_page_data;
}

void setup_level_bar(QSlider* bar, int maximum, int tick) {
  if (!bar) return;
  bar->setRange(0, maximum);
  bar->setSingleStep(1);
  bar->setPageStep(maximum / 5);
  bar->setTickInterval(tick);
  bar->setTickPosition(QSlider::TicksBelow);
}

void watch_bar_release(QSlider* bar, std::function<void(int)> before,
                       std::function<void(int)> after) {
  if (bar) new BarReleaseWatcher(bar, std::move(before), std::move(after));
}

void trace_sub_page_key() { trace(lcSwitcher(), " mian  esc  \n"); }
