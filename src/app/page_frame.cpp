#include "app/page_frame.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QRadioButton>
#include <QSlider>

#include "app/ip_address_edit.h"
#include "app/sorted_combo.h"
#include "controls/group_box.h"
#include "controls/skin_button.h"
#include "link/wait.h"
#include "res/skin.h"

namespace {
const QColor kPageText(60, 180, 255);
const QColor kPageBack(58, 58, 58);

bool is_enter_or_escape(int key) {
  return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape;
}

// Sends Enter and Escape to the innermost page instead of letting buttons
// click or dialogs close. A key pressed in the main window outside any page
// is swallowed. A window of its own that is neither a page nor the main
// window keeps its keys: an open drop-down list (its popup container is such
// a window, a child of the list) chooses the highlighted item on Enter and
// closes only itself on Escape; the About box and message boxes close as
// dialogs do; menus close on Escape.
class KeyGuard : public QObject {
 public:
  explicit KeyGuard(QWidget* main_window) : QObject(main_window), m_main(main_window) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
      return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (!is_enter_or_escape(key->key())) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget) return false;
    // A ShortcutOverride is only swallowed so the key press follows; the
    // press itself is what pages act on.
    for (QWidget* w = widget; w; w = w->parentWidget()) {
      if (auto* page = dynamic_cast<PageFrame*>(w)) {
        if (event->type() == QEvent::KeyPress) {
          QPointer<PageFrame> guard(page);
          if (key->key() == Qt::Key_Escape)
            page->on_escape_key(widget);
          else
            page->on_enter_key(widget);
        }
        return true;
      }
      if (w == m_main) return true;
      if (w->isWindow()) return false;
    }
    return false;
  }

 private:
  QWidget* m_main;
};
}  // namespace

QString control_object_name(int id) { return QStringLiteral("ctl%1").arg(id); }

PageFrame::PageFrame(const DialogTemplate& tpl, int background_bitmap, QWidget* parent,
                     ControlColours colours)
    : QWidget(parent),
      m_dialog_id(tpl.dialog_id),
      m_background_bitmap(background_bitmap),
      m_colours(colours) {
  setObjectName(QStringLiteral("dlg%1").arg(tpl.dialog_id));
  if (!tpl.caption.isEmpty()) setWindowTitle(tpl.caption);
  if (tpl.size.isValid()) resize(tpl.size);
  for (const ControlSpec& spec : tpl.controls) {
    // A virtual call made from here would not reach the page's override.
    if (spec.kind == ControlKind::Custom) {
      m_pending_custom.push_back(spec);
      continue;
    }
    if (QWidget* w = create_control(spec)) place_control(w, spec);
  }
}

void PageFrame::place_control(QWidget* w, const ControlSpec& spec) {
  w->setObjectName(control_object_name(spec.id));
  w->setGeometry(spec.rect);
  if (!spec.visible) w->hide();
  apply_colours(w, spec.kind);
  m_controls.insert(spec.id, w);
}

void PageFrame::build_custom_controls() {
  if (m_pending_custom.empty()) return;
  const std::vector<ControlSpec> pending = std::move(m_pending_custom);
  m_pending_custom.clear();
  for (const ControlSpec& spec : pending)
    if (QWidget* w = create_custom_control(spec)) place_control(w, spec);
}

bool PageFrame::event(QEvent* event) {
  if (event->type() == QEvent::Polish) build_custom_controls();
  return QWidget::event(event);
}

PageFrame::~PageFrame() = default;

QWidget* PageFrame::create_custom_control(const ControlSpec&) { return new QWidget(this); }

QWidget* PageFrame::create_control(const ControlSpec& spec) {
  switch (spec.kind) {
    case ControlKind::Button: {
      auto* b = new CSkinButton(this);
      b->setText(spec.caption);
      return b;
    }
    case ControlKind::CheckBox:
      return new QCheckBox(spec.caption, this);
    case ControlKind::Radio:
      return new QRadioButton(spec.caption, this);
    case ControlKind::ComboList: {
      auto* c = new QComboBox(this);
      c->addItems(spec.items);
      return c;
    }
    case ControlKind::ComboSorted: {
      auto* c = new SortedCombo(this);
      for (const QString& item : spec.items) c->add_item(item);
      return c;
    }
    case ControlKind::ListBox: {
      auto* l = new QListWidget(this);
      l->addItems(spec.items);
      return l;
    }
    case ControlKind::Edit:
      return new QLineEdit(spec.caption, this);
    case ControlKind::IpAddress:
      return new IpAddressEdit(this);
    case ControlKind::Static:
      return new QLabel(spec.caption, this);
    case ControlKind::StaticFrame: {
      auto* f = new QFrame(this);
      f->setFrameShape(QFrame::NoFrame);
      return f;
    }
    case ControlKind::GroupBox:
      return new CMyGroupBox(spec.caption, this);
    case ControlKind::Icon:
      return new QLabel(this);
    case ControlKind::Slider:
      return new QSlider(Qt::Horizontal, this);
    case ControlKind::Custom:
      break;  // built later by build_custom_controls()
  }
  return nullptr;
}

void PageFrame::apply_colours(QWidget* w, ControlKind kind) {
  if (m_colours != ControlColours::Page) return;
  const bool coloured = kind == ControlKind::Edit || kind == ControlKind::ComboList ||
                        kind == ControlKind::ComboSorted || kind == ControlKind::ListBox ||
                        kind == ControlKind::Static || kind == ControlKind::IpAddress;
  if (!coloured) return;
  QPalette pal = w->palette();
  for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
    pal.setColor(role, kPageText);
  for (auto role : {QPalette::Window, QPalette::Base, QPalette::Button})
    pal.setColor(role, kPageBack);
  w->setPalette(pal);
  w->setAutoFillBackground(true);
}

QWidget* PageFrame::control(int id) const {
  if (!m_pending_custom.empty()) const_cast<PageFrame*>(this)->build_custom_controls();
  return m_controls.value(id, nullptr);
}
CSkinButton* PageFrame::button(int id) const { return qobject_cast<CSkinButton*>(control(id)); }
QComboBox* PageFrame::combo(int id) const { return qobject_cast<QComboBox*>(control(id)); }
QLineEdit* PageFrame::edit(int id) const { return qobject_cast<QLineEdit*>(control(id)); }
QCheckBox* PageFrame::check(int id) const { return qobject_cast<QCheckBox*>(control(id)); }

namespace {
// Handlers of any page now on the stack.
int g_handlers_running = 0;
// Pages closed while a wait or a handler ran, freed once neither runs.
QList<QPointer<PageFrame>> g_closed_pages;

bool can_free_pages() { return g_handlers_running == 0 && ui_wait_depth() == 0; }

void free_closed_pages() {
  // Still inside a wait or a handler: the end of it posts this again.
  if (!can_free_pages()) return;
  const QList<QPointer<PageFrame>> pages = std::exchange(g_closed_pages, {});
  for (const QPointer<PageFrame>& page : pages) delete page.data();
}

void post_free_closed_pages() {
  if (!g_closed_pages.isEmpty())
    QMetaObject::invokeMethod(qApp, &free_closed_pages, Qt::QueuedConnection);
}

struct WaitHookInstaller {
  WaitHookInstaller() { add_wait_end_hook(&post_free_closed_pages); }
} g_wait_hook_installer;
}  // namespace

void PageFrame::run_handler(int id) {
  auto it = m_handlers.constFind(id);
  if (it == m_handlers.constEnd() || is_closed()) return;
  const auto handler = it.value();  // a handler may rebind or destroy
  ++g_handlers_running;
  handler();
  // The outermost handler has ended: pages it closed go now, unless a wait
  // is still on the stack (then its end frees them).
  if (--g_handlers_running == 0) free_closed_pages();
}

void PageFrame::on_command(int id, std::function<void()> handler) {
  QWidget* w = control(id);
  if (!w) return;
  const bool first = !m_handlers.contains(id);
  m_handlers.insert(id, std::move(handler));
  if (!first) return;
  if (auto* b = qobject_cast<QAbstractButton*>(w)) {
    connect(b, &QAbstractButton::clicked, this, [this, id] { run_handler(id); });
  } else if (auto* c = qobject_cast<QComboBox*>(w)) {
    connect(c, &QComboBox::activated, this, [this, id] { run_handler(id); });
  } else if (auto* l = qobject_cast<QListWidget*>(w)) {
    connect(l, &QListWidget::currentRowChanged, this, [this, id] { run_handler(id); });
  } else if (auto* s = qobject_cast<QSlider*>(w)) {
    connect(s, &QSlider::valueChanged, this, [this, id] { run_handler(id); });
  }
}

void PageFrame::destroy_page() {
  hide();
  m_closed = true;
  // A handler of this page or of a sub-page on it, or code inside a wait,
  // may still hold the page: it is freed once control is back in the event
  // loop with neither running.
  if (!can_free_pages()) {
    g_closed_pages.append(this);
    return;
  }
  delete this;
}

bool PageFrame::is_closed() const {
  for (const QObject* o = this; o; o = o->parent())
    if (auto* page = qobject_cast<const PageFrame*>(o); page && page->m_closed) return true;
  return false;
}

void PageFrame::on_enter_key(QWidget*) {}
void PageFrame::on_escape_key(QWidget*) {}

void PageFrame::install_key_guard(QWidget* main_window) {
  qApp->installEventFilter(new KeyGuard(main_window));
}

void PageFrame::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (m_background_bitmap > 0) {
    // Stretched to the client area exactly, whatever its size.
    if (m_scaled_background.size() != size()) {
      const QImage& image = skin_image(m_background_bitmap);
      m_scaled_background = image.isNull()
                                ? QPixmap()
                                : QPixmap::fromImage(image.scaled(size(), Qt::IgnoreAspectRatio,
                                                                  Qt::SmoothTransformation));
    }
    if (!m_scaled_background.isNull()) painter.drawPixmap(0, 0, m_scaled_background);
  }
  paint_page(painter);
}

void PageFrame::paint_page(QPainter&) {}
