#include "controls/skin_button.h"

#include <QApplication>
#include <QEnterEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <random>

#include "controls/parent_background.h"
#include "res/skin.h"

namespace {
// Pure black is the transparent colour of every skin bitmap. Other pixels
// keep their own alpha, so a replacement PNG with real transparency still
// shows the page where it is transparent instead of an opaque colour.
QImage with_black_transparent(const QImage& source) {
  if (source.isNull()) return {};
  QImage out = source.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < out.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x)
      if ((line[x] & 0x00FFFFFF) == 0) line[x] = 0;
  }
  return out;
}
}  // namespace

CSkinButton::CSkinButton(QWidget* parent) : QPushButton(parent) {
  setAutoDefault(false);
  setFlat(true);
  setMouseTracking(true);
  setAttribute(Qt::WA_Hover, false);
  const QPalette pal = palette();
  m_colours[BackgroundIn] = m_colours[BackgroundOut] = m_colours[BackgroundFocus] =
      pal.color(QPalette::Button);
  m_colours[TextIn] = m_colours[TextOut] = m_colours[TextFocus] = pal.color(QPalette::ButtonText);
}

CSkinButton::~CSkinButton() = default;

void CSkinButton::set_image(const QImage& image) {
  m_image = image;
  m_masked = with_black_transparent(image);
  update();
}

void CSkinButton::set_bitmap(int bitmap_id) {
  m_bitmap_id = bitmap_id;
  set_image(skin_image(bitmap_id));
}

void CSkinButton::draw_transparent() {
  m_transparent = true;
  discard_background();
}

void CSkinButton::discard_background() {
  m_background = QPixmap();
  update();
}

void CSkinButton::draw_border(bool on) {
  m_border = on;
  update();
}

void CSkinButton::set_color(ColourRole which, const QColor& colour) {
  if (which < 0 || which >= ColourRoleCount) return;
  m_colours[which] = colour;
  update();
}

void CSkinButton::setup_skin(int bitmap_id) {
  set_bitmap(bitmap_id);
  draw_transparent();
  draw_border(false);
}

void CSkinButton::set_checkbox_mode(bool on) {
  m_checkbox_mode = on;
  setCheckable(on);
}

void CSkinButton::set_check(int state) {
  if (!m_checkbox_mode) return;
  setChecked(state == 1 || state == 2);
  update();
}

int CSkinButton::get_check() const { return m_checkbox_mode && isChecked() ? 1 : 0; }

bool CSkinButton::is_pressed_state() const { return isDown() || (m_checkbox_mode && isChecked()); }

void CSkinButton::capture_background() {
  m_capturing = true;
  m_background = capture_parent_background(this);
  m_capturing = false;
}

QImage CSkinButton::disabled_image() const {
  // Greyed like an embossed image drawn from a copy on white: every pixel
  // darker than mid-grey marks the shape, drawn once offset in the highlight
  // colour and once in place in the shadow colour.
  QImage shape(m_image.size(), QImage::Format_ARGB32);
  shape.fill(Qt::transparent);
  const QColor light = palette().color(QPalette::Light);
  const QColor shadow = palette().color(QPalette::Dark);
  QImage mono(m_image.size(), QImage::Format_ARGB32);
  mono.fill(Qt::transparent);
  for (int y = 0; y < m_image.height(); ++y)
    for (int x = 0; x < m_image.width(); ++x) {
      const QRgb p = m_image.pixel(x, y);
      if ((p & 0x00FFFFFF) == 0) continue;  // transparent stays transparent
      if (qGray(p) < 160) mono.setPixel(x, y, 0xFF000000);
    }
  QPainter painter(&shape);
  auto colourised = [&mono](const QColor& c) {
    QImage out = mono;
    for (int y = 0; y < out.height(); ++y) {
      auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
      for (int x = 0; x < out.width(); ++x)
        if (qAlpha(line[x])) line[x] = c.rgb() | 0xFF000000;
    }
    return out;
  };
  painter.drawImage(1, 1, colourised(light));
  painter.drawImage(0, 0, colourised(shadow));
  return shape;
}

void CSkinButton::draw_background(QPainter& painter, bool pressed, bool focused) {
  QColor fill = m_colours[BackgroundOut];
  if (m_mouse_on || pressed)
    fill = m_colours[BackgroundIn];
  else if (focused)
    fill = m_colours[BackgroundFocus];
  painter.fillRect(rect(), fill);
}

void CSkinButton::paintEvent(QPaintEvent*) {
  if (m_capturing) return;
  QPainter painter(this);
  const bool pressed = is_pressed_state();
  const bool focused = hasFocus();
  const bool disabled = !isEnabled();

  if (m_transparent) {
    if (m_background.isNull()) capture_background();
    if (!m_background.isNull()) painter.drawPixmap(0, 0, m_background);
  } else {
    draw_background(painter, pressed, focused);
  }

  if (m_flat && m_border) {
    const QRect r = rect().adjusted(0, 0, -1, -1);
    const QColor shadow = palette().color(QPalette::Dark);
    const QColor light = palette().color(QPalette::Light);
    if (pressed || (m_mouse_on && !disabled)) {
      const QColor top_left = pressed ? shadow : light;
      const QColor bottom_right = pressed ? light : shadow;
      painter.setPen(top_left);
      painter.drawLine(r.topLeft(), r.topRight());
      painter.drawLine(r.topLeft(), r.bottomLeft());
      painter.setPen(bottom_right);
      painter.drawLine(r.bottomLeft(), r.bottomRight());
      painter.drawLine(r.topRight(), r.bottomRight());
    }
  }

  const QString caption = text();
  const bool shift = pressed && !m_checkbox_mode;
  QRect caption_area = rect();
  if (!m_image.isNull()) {
    int x = 0;
    if (!caption.isEmpty()) {
      x = 3;
      caption_area.setLeft(m_image.width() + 3);
    } else {
      x = (width() - m_image.width()) / 2;
    }
    int y = (height() - m_image.height()) / 2;
    if (shift) {
      ++x;
      ++y;
    }
    painter.drawImage(x, y, disabled && m_disabled_image ? disabled_image() : m_masked);
  }

  if (!caption.isEmpty()) {
    if (shift) caption_area.translate(1, 1);
    const int flags = Qt::AlignCenter | Qt::TextWordWrap;
    if (disabled) {
      painter.setPen(palette().color(QPalette::Light));
      painter.drawText(caption_area.translated(1, 1), flags, caption);
      painter.setPen(palette().color(QPalette::Dark));
      painter.drawText(caption_area, flags, caption);
    } else {
      painter.setPen((m_mouse_on || pressed) ? m_colours[TextIn] : m_colours[TextOut]);
      painter.drawText(caption_area, flags, caption);
    }
  }
}

void CSkinButton::set_mouse_on(bool on) {
  if (m_mouse_on == on) return;
  m_mouse_on = on;
  update();
}

void CSkinButton::enterEvent(QEnterEvent* event) {
  // A press that began elsewhere does not light the button up.
  if (isEnabled() && !(QApplication::mouseButtons() & Qt::LeftButton)) set_mouse_on(true);
  QPushButton::enterEvent(event);
}

void CSkinButton::leaveEvent(QEvent* event) {
  set_mouse_on(false);
  QPushButton::leaveEvent(event);
}

void CSkinButton::mouseMoveEvent(QMouseEvent* event) {
  if ((event->buttons() & Qt::LeftButton) && !m_mouse_on) {
    QPushButton::mouseMoveEvent(event);
    return;
  }
  if (isEnabled()) set_mouse_on(rect().contains(event->position().toPoint()));
  QPushButton::mouseMoveEvent(event);
}

void CSkinButton::mouseDoubleClickEvent(QMouseEvent* event) {
  // A double-click counts as a second press: two fast clicks, two commands.
  mousePressEvent(event);
}

void CSkinButton::focusOutEvent(QFocusEvent* event) {
  set_mouse_on(false);
  QPushButton::focusOutEvent(event);
}

void CSkinButton::changeEvent(QEvent* event) {
  switch (event->type()) {
    case QEvent::EnabledChange:
      if (!isEnabled()) {
        set_mouse_on(false);
        if (hasFocus()) {
          // The keyboard focus moves on to the next control, else the parent.
          QWidget* next = nextInFocusChain();
          while (next && next != this &&
                 !(next->isEnabled() && next->isVisible() && (next->focusPolicy() & Qt::TabFocus)))
            next = next->nextInFocusChain();
          if (next && next != this)
            next->setFocus(Qt::TabFocusReason);
          else if (QWidget* p = parentWidget())
            p->setFocus();
        }
      }
      update();
      break;
    case QEvent::ActivationChange:
      if (!isActiveWindow()) set_mouse_on(false);
      break;
    case QEvent::PaletteChange:
    case QEvent::StyleChange:
      m_background = QPixmap();  // system colours changed: take the skin again
      break;
    default:
      break;
  }
  QPushButton::changeEvent(event);
}

void CSkinButton::moveEvent(QMoveEvent* event) {
  // The copy belongs to the old place.
  m_background = QPixmap();
  QPushButton::moveEvent(event);
}

void CSkinButton::resizeEvent(QResizeEvent* event) {
  // A copy of another size would leave part of the button unpainted.
  m_background = QPixmap();
  QPushButton::resizeEvent(event);
}

// ---------------------------------------------------------------- shading

CShadeButton::CShadeButton(QWidget* parent) : CSkinButton(parent) {}
CShadeButton::~CShadeButton() = default;

std::array<QRgb, 256> CShadeButton::shade_palette(QColor shadow, QColor face, QColor highlight) {
  std::array<QRgb, 256> pal{};
  for (int e = 0; e <= 128; ++e)
    pal[static_cast<size_t>(e)] = qRgb((shadow.red() * (128 - e) + face.red() * e) / 128,
                                       (shadow.green() * (128 - e) + face.green() * e) / 128,
                                       (shadow.blue() * (128 - e) + face.blue() * e) / 128);
  for (int k = 1; k <= 128; ++k)
    pal[static_cast<size_t>(127 + k)] =
        qRgb((face.red() * (128 - k) + highlight.red() * k) / 128,
             (face.green() * (128 - k) + highlight.green() * k) / 128,
             (face.blue() * (128 - k) + highlight.blue() * k) / 128);
  return pal;
}

QRgb CShadeButton::tint(QRgb entry, QColor colour, int percent) {
  return qRgb((percent * colour.red() + (100 - percent) * qRed(entry)) / 100,
              (percent * colour.green() + (100 - percent) * qGreen(entry)) / 100,
              (percent * colour.blue() + (100 - percent) * qBlue(entry)) / 100);
}

uint8_t CShadeButton::shade_value(int x, int y, int w, int h, int r) {
  if (w <= 0 || h <= 0) return 0;
  return static_cast<uint8_t>((119 * (w - x) / w + 119 * y / h + r) % 256);
}

void CShadeButton::set_shade(uint32_t seed) {
  const int w = width();
  const int h = height();
  if (w <= 0 || h <= 0) return;
  m_normal.create(w, h);
  m_strip_h.create(w, 1);
  m_strip_v.create(1, h);
  const QPalette pal = palette();
  const auto base = shade_palette(pal.color(QPalette::Dark), pal.color(QPalette::Button),
                                  pal.color(QPalette::Light));
  for (int i = 0; i < 256; ++i) {
    const QRgb entry = tint(base[static_cast<size_t>(i)], QColor(55, 255, 55), 5);
    m_normal.set_palette_entry(i, entry);
    m_strip_h.set_palette_entry(i, entry);
    m_strip_v.set_palette_entry(i, entry);
  }
  for (int x = 0; x < w; ++x) m_strip_h.set_pixel_from_bottom(x, 0, x % 2 ? 255 : 0);
  for (int y = 0; y < h; ++y) m_strip_v.set_pixel_from_bottom(0, y, y % 2 ? 255 : 0);
  std::mt19937 noise(seed ? seed : std::random_device{}());
  std::uniform_int_distribution<int> r(0, 16);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      m_normal.set_pixel_from_bottom(x, y, shade_value(x, y, w, h, r(noise)));
  m_normal_down = m_normal;
  m_hover = m_normal;
  const QColor highlight = pal.color(QPalette::Highlight);
  for (int i = 0; i < 256; ++i)
    m_hover.set_palette_entry(i, tint(m_normal.palette_entry(i), highlight, 10));
  m_hover_down = m_hover;
  update();
}

void CShadeButton::draw_background(QPainter& painter, bool pressed, bool focused) {
  if (m_normal.is_null()) {
    CSkinButton::draw_background(painter, pressed, focused);
    return;
  }
  if (!mouse_on_button())
    painter.drawImage(0, 0, m_normal.image());
  else if (pressed)
    painter.drawImage(1, 1, m_hover.image());
  else
    painter.drawImage(0, 0, m_hover.image());
}
