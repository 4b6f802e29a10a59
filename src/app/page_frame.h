#pragma once
// The frame every device page and sub-page shares: built from its dialog
// template (one widget per control, objectName "ctl<id>"), background bitmap
// stretched over the whole client area on every paint, the control colours
// of the page table, Enter and Escape swallowed, and handlers bound by
// control id like a message map.
#include <QComboBox>
#include <QHash>
#include <QPointer>
#include <QWidget>
#include <functional>

#include "app/dialog_template.h"

class CSkinButton;
class QLineEdit;
class QCheckBox;

// How a page answers the colour requests of its controls.
enum class ControlColours {
  Page,     // edit, list and static: text RGB(60,180,255) on RGB(58,58,58)
  Default,  // platform defaults for every kind
};

class PageFrame : public QWidget {
  Q_OBJECT
 public:
  // Creates the window from the template as a child of parent. The creator
  // then moves it into its rectangle and shows it.
  PageFrame(const DialogTemplate& tpl, int background_bitmap, QWidget* parent,
            ControlColours colours = ControlColours::Page);
  ~PageFrame() override;

  int dialog_id() const { return m_dialog_id; }
  int background_bitmap() const { return m_background_bitmap; }

  // The widget of a template control, or nullptr.
  QWidget* control(int id) const;
  CSkinButton* button(int id) const;
  QComboBox* combo(int id) const;
  QLineEdit* edit(int id) const;
  QCheckBox* check(int id) const;

  // Binds a handler to a control's command: click for buttons and check
  // boxes, operator selection for lists (programmatic selection does not
  // fire), Enter-free editing end for edit fields is not a command.
  void on_command(int id, std::function<void()> handler);
  // The handler for buttons that have no action.
  static void empty_command() {}

  // Hides the page and destroys its window; the object deletes itself. The
  // caller must not touch the page afterwards. While a wait or a handler of
  // any page runs, the page is closed at once but freed only when control is
  // back in the event loop, so code still on the stack never runs on freed
  // memory; it sees is_closed() and returns quietly.
  void destroy_page();
  // True once this page or a page it lies on has been destroyed.
  bool is_closed() const;

  // Enter and Escape reach the page here instead of closing anything.
  // Return value ignored: the key is always swallowed. The default does
  // nothing; the label sub-page and the switcher's duration box use Enter.
  virtual void on_enter_key(QWidget* focus);
  virtual void on_escape_key(QWidget* focus);

  // Routes Enter and Escape of any widget inside a page (or of the given
  // top-level window) to the innermost page. Installed once by the main
  // window on the application.
  static void install_key_guard(QWidget* main_window);

 protected:
  void paintEvent(QPaintEvent* event) override;
  // Drawing of a page's own on top of its background.
  virtual void paint_page(QPainter& painter);
  // Widgets of the Custom kind (previews and other owner-drawn areas). Called
  // once per such control after the page's own constructor has begun, so
  // overrides take effect: at the first control() request for any id, or at
  // the latest before the page is first shown.
  virtual QWidget* create_custom_control(const ControlSpec& spec);
  bool event(QEvent* event) override;

 private:
  QWidget* create_control(const ControlSpec& spec);
  void place_control(QWidget* w, const ControlSpec& spec);
  void build_custom_controls();
  void apply_colours(QWidget* w, ControlKind kind);
  void run_handler(int id);

  int m_dialog_id = 0;
  int m_background_bitmap = 0;
  ControlColours m_colours;
  QHash<int, QWidget*> m_controls;
  QHash<int, std::function<void()>> m_handlers;
  std::vector<ControlSpec> m_pending_custom;
  QPixmap m_scaled_background;
  bool m_closed = false;
};

// Whether code that has waited may go on with its page: the page still
// exists and has not been closed meanwhile.
class PageGuard {
 public:
  explicit PageGuard(const PageFrame* page) : m_page(page) {}
  bool alive() const { return m_page && !m_page->is_closed(); }
  explicit operator bool() const { return alive(); }

 private:
  QPointer<const PageFrame> m_page;
};

// Formats "ctl<id>".
QString control_object_name(int id);
