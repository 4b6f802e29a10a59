#pragma once
// Keyboard keys of the switcher page: 1..8 press the PVM key of that source,
// Ctrl+1..Ctrl+8 the PGM key, Space CUT, Ctrl+A AUTO and Ctrl+F FTB. A key
// clicks the page's own button, so it sends and lights exactly what the
// button does. Keys meant for a text field or a list (the duration box, a
// sub-page's edit or drop-down list) stay theirs; held keys repeat nothing.
#include <QObject>
#include <QString>

class PageFrame;

class SwitcherHotkeys : public QObject {
 public:
  // Watches the key presses of the page's window for the page's life and
  // names each key in the tool tip of its button.
  explicit SwitcherHotkeys(PageFrame* page);

  // The control a key press stands for (modifiers without the keypad bit),
  // or 0 when it is none of the page's keys.
  static int control_for_key(int key, Qt::KeyboardModifiers modifiers);
  // How the tool tips name the key of a control ("3", "Ctrl+3", "Space");
  // empty for a control without a key.
  static QString key_name(int control);
  // Whether keys reaching this widget belong to it: text fields, spin boxes
  // and drop-down lists.
  static bool takes_keys(const QObject* widget);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool page_has_the_keyboard(QObject* watched) const;
  PageFrame* m_page;
};
