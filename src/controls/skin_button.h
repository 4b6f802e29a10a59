#pragma once
// Owner-drawn push buttons of the skinned panel. The usual configuration,
// the "skin button", is one bitmap, a transparent background (the parent's
// skin under the button shows through), no border and hover tracking; pure
// black pixels of the bitmap are transparent.
#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QPushButton>
#include <array>

#include "controls/dib8.h"

class CSkinButton : public QPushButton {
  Q_OBJECT
 public:
  enum ColourRole {
    BackgroundIn = 0,  // hovering or pressed
    TextIn,
    BackgroundOut,  // neither
    TextOut,
    BackgroundFocus,  // focused
    TextFocus,
    ColourRoleCount
  };

  explicit CSkinButton(QWidget* parent = nullptr);
  ~CSkinButton() override;

  // Loads the bitmap of a skin id as the image (replacing any earlier one).
  void set_bitmap(int bitmap_id);
  // Same with an image in hand.
  void set_image(const QImage& image);
  const QImage& image() const { return m_image; }
  int bitmap_id() const { return m_bitmap_id; }
  // Background copied from the parent; the copy is taken again at the next paint.
  void draw_transparent();
  void draw_border(bool on);
  void set_color(ColourRole which, const QColor& colour);
  QColor color(ColourRole which) const { return m_colours[which]; }
  // The skin button set-up: bitmap, transparent drawing, no border, in that order.
  void setup_skin(int bitmap_id);
  // Forgets the captured background (pages do this at set-up and on moves).
  void discard_background();

  // Check-box mode: state 1 or 2 checks, anything else unchecks.
  void set_checkbox_mode(bool on);
  bool checkbox_mode() const { return m_checkbox_mode; }
  void set_check(int state);
  int get_check() const;

  bool mouse_on_button() const { return m_mouse_on; }
  bool draws_transparent() const { return m_transparent; }
  bool draws_border() const { return m_border; }
  bool has_captured_background() const { return !m_background.isNull(); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void changeEvent(QEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

  // Background of a non-transparent button; the shaded button draws its own.
  virtual void draw_background(QPainter& painter, bool pressed, bool focused);
  void set_mouse_on(bool on);
  bool is_pressed_state() const;

 private:
  void capture_background();
  QImage disabled_image() const;

  QImage m_image;   // as loaded
  QImage m_masked;  // with pure black made transparent
  int m_bitmap_id = 0;
  QPixmap m_background;  // parent's pixels under the button
  bool m_capturing = false;
  bool m_flat = true;
  bool m_border = true;
  bool m_transparent = false;
  bool m_mouse_on = false;
  bool m_checkbox_mode = false;
  bool m_disabled_image = true;
  std::array<QColor, ColourRoleCount> m_colours;
};

// A skin button with a shaded background built from two 8-bit bitmaps.
class CShadeButton : public CSkinButton {
  Q_OBJECT
 public:
  explicit CShadeButton(QWidget* parent = nullptr);
  ~CShadeButton() override;

  // Builds the shaded backgrounds for the button's current size. The noise
  // comes from `seed` (0: a seed that differs from run to run).
  void set_shade(uint32_t seed = 0);
  bool has_shade() const { return !m_normal.is_null(); }
  const CDib8& normal_dib() const { return m_normal; }
  const CDib8& hover_dib() const { return m_hover; }

  // Palette of the normal bitmap before its 5 % tint, from the three colours.
  static std::array<QRgb, 256> shade_palette(QColor shadow, QColor face, QColor highlight);
  // Each channel moved `percent` towards `colour`.
  static QRgb tint(QRgb entry, QColor colour, int percent);
  // The pixel value at column x of the row y from the bottom, noise r.
  static uint8_t shade_value(int x, int y, int w, int h, int r);

 protected:
  void draw_background(QPainter& painter, bool pressed, bool focused) override;

 private:
  CDib8 m_normal, m_normal_down, m_hover, m_hover_down, m_strip_h, m_strip_v;
};
