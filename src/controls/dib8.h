#pragma once
// An 8-bit-per-pixel device-independent bitmap in memory: a 256-entry
// palette and pixel rows stored bottom-up, each row padded to a multiple of
// four bytes. Converted to an indexed QImage for drawing.
#include <QColor>
#include <QImage>
#include <array>
#include <cstdint>
#include <vector>

class CDib8 {
 public:
  CDib8() = default;
  CDib8(int width, int height) { create(width, height); }

  void create(int width, int height);
  bool is_null() const { return m_width <= 0 || m_height <= 0; }
  int width() const { return m_width; }
  int height() const { return m_height; }
  // ((width x 8 + 31) / 32) x 4 bytes per row.
  int stride() const { return ((m_width * 8 + 31) / 32) * 4; }
  static int stride_for(int width) { return ((width * 8 + 31) / 32) * 4; }

  // Pixel at column x of the row y counted from the BOTTOM (storage order).
  uint8_t pixel_from_bottom(int x, int y) const;
  void set_pixel_from_bottom(int x, int y, uint8_t value);
  // Pixel at column x of the row y counted from the top (screen order).
  uint8_t pixel(int x, int y) const { return pixel_from_bottom(x, m_height - 1 - y); }

  QRgb palette_entry(int index) const { return m_palette[static_cast<size_t>(index)]; }
  void set_palette_entry(int index, QRgb colour) {
    m_palette[static_cast<size_t>(index)] = colour;
    m_image_valid = false;
  }
  const std::vector<uint8_t>& bits() const { return m_bits; }

  // The drawable form, built lazily and rebuilt after any change.
  const QImage& image() const;

 private:
  int m_width = 0;
  int m_height = 0;
  std::array<QRgb, 256> m_palette{};
  std::vector<uint8_t> m_bits;  // bottom-up rows of stride() bytes
  mutable QImage m_image;
  mutable bool m_image_valid = false;
};
