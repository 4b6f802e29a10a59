#include "controls/skin_slider.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QThread>
#include <algorithm>
#include <climits>
#include <cmath>

#include "res/skin.h"

CSkinSlider::CSkinSlider(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::ClickFocus);
  // Every pixel is painted on each repaint; nothing needs erasing first.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

CSkinSlider::~CSkinSlider() = default;

void CSkinSlider::LoadChannelBitmap(int bitmap_id) { set_channel_image(skin_image(bitmap_id)); }

void CSkinSlider::LoadThumbBitmap(int bitmap_id) { set_thumb_image(skin_image(bitmap_id)); }

void CSkinSlider::set_channel_image(const QImage& image) {
  if (image.isNull()) return;
  m_channel_bitmap = image.convertToFormat(QImage::Format_RGB32);
  m_width = image.width();
  m_height = image.height();
  resize(m_width, m_height);  // keeps the position
  m_rc_client = rect();
  m_channel_loaded = true;
  update();
}

void CSkinSlider::set_thumb_image(const QImage& image) {
  if (image.isNull()) return;
  // Every pixel of the top-left pixel's colour is transparent: black in the
  // bitmap, white (1) in the mask.
  const QImage source = image.convertToFormat(QImage::Format_ARGB32);
  const QRgb key = source.pixel(0, 0);
  QImage bitmap = source;
  QImage mask(source.size(), QImage::Format_Mono);
  mask.setColorCount(2);
  mask.setColor(0, qRgb(0, 0, 0));
  mask.setColor(1, qRgb(255, 255, 255));
  mask.fill(0);
  QImage drawn = source;
  for (int y = 0; y < source.height(); ++y)
    for (int x = 0; x < source.width(); ++x)
      if (source.pixel(x, y) == key) {
        bitmap.setPixel(x, y, qRgb(0, 0, 0));
        mask.setPixel(x, y, 1);
        drawn.setPixel(x, y, 0);
      }
  m_thumb_bitmap = bitmap;
  m_thumb_mask = mask;
  m_thumb_drawn = drawn;
  m_thumb_width = image.width();
  m_thumb_height = image.height();
  if (!m_channel_loaded) {
    m_width = width();
    m_height = height();
    m_rc_client = rect();
  }
  m_thumb_transparent = true;
  m_thumb_loaded = true;
  update();
}

void CSkinSlider::SetRange(int min, int max) {
  m_min = min;
  m_max = max;
}

void CSkinSlider::SetPos(int pos) {
  if (pos > m_max) pos = m_max;
  if (pos < m_min) pos = m_min;
  m_pos.store(pos, std::memory_order_relaxed);
  if (m_position_observer) m_position_observer();
  request_repaint();
}

void CSkinSlider::SetMargins(int left, int top, int right, int bottom) {
  m_margin_left = left;
  m_margin_top = top;
  m_margin_right = right;
  m_margin_bottom = bottom;
}

void CSkinSlider::SetVertical(bool vertical) { m_vertical = vertical; }

int CSkinSlider::control_id() const {
  if (m_control_id) return m_control_id;
  const QString name = objectName();
  if (name.startsWith(QLatin1String("ctl"))) return name.mid(3).toInt();
  return 0;
}

int CSkinSlider::half_thumb() const { return (m_vertical ? m_thumb_height : m_thumb_width) / 2; }

int CSkinSlider::travel_start() const { return m_vertical ? m_margin_top : m_margin_left; }

int CSkinSlider::travel_length() const {
  return m_vertical ? m_height - m_margin_bottom - m_thumb_height - m_margin_top
                    : m_width - m_margin_right - m_thumb_width - m_margin_left;
}

// Both mappings work in floating point and truncate toward zero. An empty
// range or a travel of no length has no meaningful mapping: the thumb then
// stays at the start and every pixel means the lower end.
int CSkinSlider::pos_to_pixel(int pos) const {
  const int e = travel_length();
  if (e <= 0 || m_max == m_min) return travel_start() + half_thumb();
  const double ratio = static_cast<double>(pos - m_min) / static_cast<double>(m_max - m_min);
  const double offset = std::trunc(static_cast<double>(e) * ratio);
  return travel_start() + static_cast<int>(std::clamp(offset, -1e9, 1e9)) + half_thumb();
}

int CSkinSlider::pixel_to_pos(int pixel) const {
  const int e = travel_length();
  if (e <= 0 || m_max == m_min) return m_min;
  const double value = static_cast<double>(pixel - half_thumb() - travel_start()) /
                           static_cast<double>(e) * static_cast<double>(m_max - m_min) +
                       static_cast<double>(m_min);
  return static_cast<int>(
      std::trunc(std::clamp(value, static_cast<double>(INT_MIN), static_cast<double>(INT_MAX))));
}

QPoint CSkinSlider::thumb_origin() const {
  const int centre = pos_to_pixel(GetPos());
  return m_vertical ? QPoint(m_margin_left, centre - m_thumb_height / 2)
                    : QPoint(centre - m_thumb_width / 2, m_margin_top);
}

void CSkinSlider::paintEvent(QPaintEvent*) {
  // The widget is double-buffered by the toolkit, so drawing straight into
  // it never flickers: fill, channel, thumb, focus frame, shown at once.
  QPainter painter(this);
  painter.fillRect(m_rc_client.isEmpty() ? rect() : m_rc_client, palette().color(backgroundRole()));
  if (m_channel_loaded)
    painter.drawImage(QRect(0, 0, m_width, m_height), m_channel_bitmap,
                      QRect(0, 0, m_width, m_height));
  if (m_thumb_loaded)
    painter.drawImage(thumb_origin(), m_thumb_transparent ? m_thumb_drawn : m_thumb_bitmap);
  m_focus_rect_drawn = false;
  if (m_has_focus) {
    // A dotted frame that inverts what it covers, like the platform's focus
    // rectangle, on the client rectangle's edge pixels (white in difference
    // mode inverts colour and leaves the pixel opaque).
    const QRect frame = (m_rc_client.isEmpty() ? rect() : m_rc_client).adjusted(0, 0, -1, -1);
    painter.setCompositionMode(QPainter::CompositionMode_Difference);
    painter.setPen(QPen(Qt::white, 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(frame);
    m_focus_rect_drawn = true;
  }
}

void CSkinSlider::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QWidget::mousePressEvent(event);
    return;
  }
  // The press grabs the mouse until the button comes up.
  setFocus(Qt::MouseFocusReason);
  m_dragging = true;
  const QPoint p = event->position().toPoint();
  const int along = m_vertical ? p.y() : p.x();
  const int d = along - pos_to_pixel(GetPos());
  // Far from the thumb: its centre jumps to the pointer. On it: keep the grip.
  m_drag_offset = std::abs(d) > half_thumb() ? 0 : d;
  handle_drag_to(along);
  update();
  event->accept();
  emit clicked(control_id());
}

void CSkinSlider::mouseMoveEvent(QMouseEvent* event) {
  if (m_dragging) {
    const QPoint p = event->position().toPoint();
    handle_drag_to(m_vertical ? p.y() : p.x());
  }
  QWidget::mouseMoveEvent(event);
}

void CSkinSlider::handle_drag_to(int along) {
  if (!m_dragging) return;
  const int half = half_thumb();
  int v = along - m_drag_offset;
  if (m_vertical) {
    v = std::min(v, m_height - m_margin_bottom - half);
    v = std::max(v, m_margin_top + half);
  } else {
    v = std::max(v, m_margin_left + half);
    v = std::min(v, m_width - m_margin_right - half);
  }
  if (v == pos_to_pixel(GetPos())) return;
  int pos = pixel_to_pos(v);
  if (pos > m_max) pos = m_max;
  if (pos < m_min) pos = m_min;
  // Several pixels map to one position; the owner hears only real changes.
  if (pos == GetPos()) return;
  m_pos.store(pos, std::memory_order_relaxed);
  if (m_position_observer) m_position_observer();
  update();
  post(SLIDER_POS_CHANGING);
}

void CSkinSlider::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QWidget::mouseReleaseEvent(event);
    return;
  }
  m_dragging = false;
  update();
  post(SLIDER_POS_CHANGED);
  event->accept();
}

void CSkinSlider::keyPressEvent(QKeyEvent* event) {
  const int pos = GetPos();
  int next = 0;
  switch (event->key()) {
    case Qt::Key_PageUp:
      next = pos - m_page;
      break;
    case Qt::Key_PageDown:
      next = pos + m_page;
      break;
    case Qt::Key_End:
      next = m_max;
      break;
    case Qt::Key_Home:
      next = m_min;
      break;
    case Qt::Key_Left:
    case Qt::Key_Up:
      next = pos - 1;
      break;
    case Qt::Key_Right:
    case Qt::Key_Down:
      next = pos + 1;
      break;
    default:
      QWidget::keyPressEvent(event);
      return;
  }
  SetPos(next);
  post(SLIDER_POS_CHANGED);
  event->accept();
}

void CSkinSlider::focusInEvent(QFocusEvent* event) {
  m_has_focus = true;
  update();
  QWidget::focusInEvent(event);
}

void CSkinSlider::focusOutEvent(QFocusEvent* event) {
  m_has_focus = false;
  update();
  QWidget::focusOutEvent(event);
}

void CSkinSlider::post(int message) {
  // The values travel with the notification as they are now; the owner sees
  // it once the control's own handling has finished.
  const int id = control_id();
  const int pos = GetPos();
  QMetaObject::invokeMethod(
      this,
      [this, message, id, pos] {
        if (message == SLIDER_POS_CHANGING)
          emit slider_pos_changing(id, pos);
        else
          emit slider_pos_changed(id, pos);
        emit slider_notify(message, id, pos);
      },
      Qt::QueuedConnection);
}

void CSkinSlider::request_repaint() {
  if (QThread::currentThread() == thread()) {
    update();
    return;
  }
  // A flood of moves from a worker (device reports) posts one repaint at a
  // time rather than one per move.
  if (m_repaint_posted.exchange(true)) return;
  QMetaObject::invokeMethod(
      this,
      [this] {
        m_repaint_posted = false;
        update();
      },
      Qt::QueuedConnection);
}
