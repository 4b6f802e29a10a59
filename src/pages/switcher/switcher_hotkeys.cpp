#include "pages/switcher/switcher_hotkeys.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

#include "app/page_frame.h"
#include "controls/skin_button.h"
#include "pages/switcher/switcher_page.h"

namespace {
constexpr int kBusKeys = 8;  // sources 1..8 have keys; the hidden ones do not

struct NamedControl {
  int control;
  const char* caption;
};
constexpr NamedControl kTransitionKeys[] = {
    {IDC_SW_CUT, "CUT"}, {IDC_SW_AUTO, "AUTO"}, {IDC_SW_FTB, "FTB"}};
}  // namespace

SwitcherHotkeys::SwitcherHotkeys(PageFrame* page) : QObject(page), m_page(page) {
  for (int n = 1; n <= kBusKeys; ++n) {
    if (CSkinButton* b = page->button(switcher_pvm_control(n)))
      b->setToolTip(
          QStringLiteral("PVM %1 (key %2)").arg(n).arg(key_name(switcher_pvm_control(n))));
    if (CSkinButton* b = page->button(switcher_pgm_control(n)))
      b->setToolTip(
          QStringLiteral("PGM %1 (key %2)").arg(n).arg(key_name(switcher_pgm_control(n))));
  }
  for (const NamedControl& c : kTransitionKeys)
    if (CSkinButton* b = page->button(c.control))
      b->setToolTip(
          QStringLiteral("%1 (key %2)").arg(QLatin1String(c.caption), key_name(c.control)));
  // The application sees a key before the focused widget does, so Space
  // cuts rather than pressing whichever button holds the focus.
  qApp->installEventFilter(this);
}

int SwitcherHotkeys::control_for_key(int key, Qt::KeyboardModifiers modifiers) {
  modifiers &= ~Qt::KeypadModifier;
  if (key >= Qt::Key_1 && key < Qt::Key_1 + kBusKeys) {
    const int source = key - Qt::Key_1 + 1;
    if (modifiers == Qt::NoModifier) return switcher_pvm_control(source);
    if (modifiers == Qt::ControlModifier) return switcher_pgm_control(source);
    return 0;
  }
  if (key == Qt::Key_Space && modifiers == Qt::NoModifier) return IDC_SW_CUT;
  if (modifiers != Qt::ControlModifier) return 0;
  if (key == Qt::Key_A) return IDC_SW_AUTO;
  if (key == Qt::Key_F) return IDC_SW_FTB;
  return 0;
}

QString SwitcherHotkeys::key_name(int control) {
  for (int n = 1; n <= kBusKeys; ++n) {
    if (control == switcher_pvm_control(n)) return QString::number(n);
    if (control == switcher_pgm_control(n)) return QStringLiteral("Ctrl+%1").arg(n);
  }
  if (control == IDC_SW_CUT) return QStringLiteral("Space");
  if (control == IDC_SW_AUTO) return QStringLiteral("Ctrl+A");
  if (control == IDC_SW_FTB) return QStringLiteral("Ctrl+F");
  return {};
}

bool SwitcherHotkeys::takes_keys(const QObject* widget) {
  return qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QTextEdit*>(widget) ||
         qobject_cast<const QPlainTextEdit*>(widget) ||
         qobject_cast<const QAbstractSpinBox*>(widget) || qobject_cast<const QComboBox*>(widget);
}

bool SwitcherHotkeys::page_has_the_keyboard(QObject* watched) const {
  QWidget* window = m_page->window();
  if (!m_page->isVisible() || m_page->is_closed()) return false;
  // A menu, a drop-down's list or a dialog over the panel has the keys.
  if (QApplication::activePopupWidget()) return false;
  if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != window) return false;
  // Only the key's first receiver counts: the window's focus widget, or the
  // window itself. A key a field did not use and passed on to its parents
  // is still the field's.
  QWidget* first = window->focusWidget() ? window->focusWidget() : window;
  return watched == first && !takes_keys(first);
}

bool SwitcherHotkeys::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::KeyPress && type != QEvent::ShortcutOverride) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  const int control = control_for_key(key->key(), key->modifiers());
  if (control == 0 || !page_has_the_keyboard(watched)) return false;
  if (type == QEvent::ShortcutOverride) {
    // Claimed, so no shortcut takes it and the press follows.
    event->accept();
    return true;
  }
  // A held key would repeat a cut or a source change on air: only the first
  // press acts.
  if (!key->isAutoRepeat())
    if (CSkinButton* b = m_page->button(control)) b->click();
  return true;
}
