#include "controls/dib8.h"

void CDib8::create(int width, int height) {
  m_width = std::max(0, width);
  m_height = std::max(0, height);
  m_bits.assign(static_cast<size_t>(stride()) * static_cast<size_t>(m_height), 0);
  m_palette.fill(qRgb(0, 0, 0));
  m_image_valid = false;
}

uint8_t CDib8::pixel_from_bottom(int x, int y) const {
  if (x < 0 || y < 0 || x >= m_width || y >= m_height) return 0;
  return m_bits[static_cast<size_t>(y) * static_cast<size_t>(stride()) + static_cast<size_t>(x)];
}

void CDib8::set_pixel_from_bottom(int x, int y, uint8_t value) {
  if (x < 0 || y < 0 || x >= m_width || y >= m_height) return;
  m_bits[static_cast<size_t>(y) * static_cast<size_t>(stride()) + static_cast<size_t>(x)] = value;
  m_image_valid = false;
}

const QImage& CDib8::image() const {
  if (m_image_valid) return m_image;
  if (is_null()) {
    m_image = QImage();
  } else {
    m_image = QImage(m_width, m_height, QImage::Format_Indexed8);
    m_image.setColorTable(QList<QRgb>(m_palette.begin(), m_palette.end()));
    for (int y = 0; y < m_height; ++y) {
      const uint8_t* src =
          m_bits.data() + static_cast<size_t>(m_height - 1 - y) * static_cast<size_t>(stride());
      std::copy(src, src + m_width, m_image.scanLine(y));
    }
  }
  m_image_valid = true;
  return m_image;
}
