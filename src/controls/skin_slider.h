#pragma once
// A slider drawn entirely from two skin bitmaps: the channel (the track, which
// also fixes the control's size) and the thumb (drawn with the colour of its
// top-left pixel transparent). The operator drags the thumb or uses the
// arrow, page, Home and End keys; the control tells its owner about position
// changes with two notifications, delivered through the event loop (posted,
// not called back in the middle of the control's own handling).
//
// The switcher's T-bar is its one user; a worker thread and a timer of the
// switcher page move it with SetPos from outside the user-interface thread.
#include <QImage>
#include <QRect>
#include <QWidget>
#include <atomic>
#include <functional>

// Notification numbers, as the owner's message map knows them.
constexpr int SLIDER_POS_CHANGING = 0x28D1;  // during a drag, on each change
constexpr int SLIDER_POS_CHANGED = 0x28D2;   // button released, key handled

class CSkinSlider : public QWidget {
  Q_OBJECT
 public:
  explicit CSkinSlider(QWidget* parent = nullptr);
  ~CSkinSlider() override;

  // Loads a skin bitmap as the channel; the control takes its size. A missing
  // bitmap leaves everything as it was.
  void LoadChannelBitmap(int bitmap_id);
  // Loads a skin bitmap as the thumb; a missing bitmap changes nothing.
  void LoadThumbBitmap(int bitmap_id);
  // The same with images in hand (a null image changes nothing).
  void set_channel_image(const QImage& image);
  void set_thumb_image(const QImage& image);

  // Stores both ends; neither clamps the position nor repaints.
  void SetRange(int min, int max);
  // Stores pos clamped to the range (upper end first) and repaints. Safe
  // from any thread: the repaint is then carried out on the control's thread.
  void SetPos(int pos);
  int GetPos() const { return m_pos.load(std::memory_order_relaxed); }
  void SetMargins(int left, int top, int right, int bottom);
  void SetVertical(bool vertical);

  int range_min() const { return m_min; }
  int range_max() const { return m_max; }
  int page_step() const { return m_page; }
  bool is_vertical() const { return m_vertical; }
  bool is_dragging() const { return m_dragging; }
  bool channel_loaded() const { return m_channel_loaded; }
  bool thumb_loaded() const { return m_thumb_loaded; }
  QSize thumb_size() const { return {m_thumb_width, m_thumb_height}; }
  // Thumb with its transparent pixels made black, and the one-bit mask that
  // is 1 (white) where the thumb is transparent.
  const QImage& thumb_bitmap() const { return m_thumb_bitmap; }
  const QImage& thumb_mask() const { return m_thumb_mask; }

  // Centre of the thumb along the travel axis for a position, and back.
  int pos_to_pixel(int pos) const;
  int pixel_to_pos(int pixel) const;
  // Where the thumb's top-left corner is drawn for the current position.
  QPoint thumb_origin() const;

  // Called, on whichever thread moved it, every time the position is
  // stored (drag, keys, SetPos). Set it before other threads move the bar.
  void set_position_observer(std::function<void()> observer) {
    m_position_observer = std::move(observer);
  }

  // Identifier carried by the notifications: the one set here, else the
  // number in an objectName of the form "ctl<id>", else 0.
  void set_control_id(int id) { m_control_id = id; }
  int control_id() const;

 signals:
  void slider_pos_changing(int control_id, int pos);
  void slider_pos_changed(int control_id, int pos);
  // Both notifications through one signal, for message-map style owners.
  void slider_notify(int message, int control_id, int pos);
  // The click notification of the control (left button down).
  void clicked(int control_id);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  int half_thumb() const;
  int travel_start() const;
  int travel_length() const;
  void handle_drag_to(int along);
  void post(int message);
  // Repaints now on the widget's thread; from another thread posts one
  // repaint, and no more until it has run (it shows the latest position).
  void request_repaint();

  int m_max = 255;
  int m_min = 0;
  std::atomic<int> m_pos{0};
  std::atomic<bool> m_repaint_posted{false};
  int m_page = 20;
  QRect m_rc_client;
  int m_width = 0;
  int m_height = 0;
  int m_thumb_width = 0;
  int m_thumb_height = 0;
  int m_margin_left = 0;
  int m_margin_right = 0;
  int m_margin_top = 0;
  int m_margin_bottom = 0;
  int m_drag_offset = 0;
  bool m_vertical = false;
  bool m_thumb_transparent = false;
  bool m_thumb_loaded = false;
  bool m_channel_loaded = false;
  bool m_dragging = false;
  bool m_has_focus = false;
  bool m_focus_rect_drawn = false;
  QImage m_channel_bitmap;
  QImage m_thumb_bitmap;
  QImage m_thumb_mask;
  QImage m_thumb_drawn;  // thumb with its mask applied as alpha
  int m_control_id = 0;
  std::function<void()> m_position_observer;
};
