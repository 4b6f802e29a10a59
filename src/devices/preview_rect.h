#pragma once
// Rectangles of the layout previews, in pixels of the 720 x 480 preview
// canvas (origin top left). The multiviewer and both four-input processor
// pages keep them as plain 32-bit fields so an all-zero record is an empty
// slot that paints nothing.
#include <QRect>
#include <cstdint>

constexpr int kPreviewCanvasWidth = 720;
constexpr int kPreviewCanvasHeight = 480;

// A bar or strip of the preview.
struct PreviewRect {
  int32_t x = 0;
  int32_t y = 0;
  int32_t w = 0;
  int32_t h = 0;

  bool is_drawn() const { return w > 0 && h > 0; }
  QRect rect() const { return QRect(x, y, w, h); }
  friend bool operator==(const PreviewRect&, const PreviewRect&) = default;
};

// A window slot and the number drawn in it (0 for an empty slot).
struct NumberedRect {
  int32_t x = 0;
  int32_t y = 0;
  int32_t w = 0;
  int32_t h = 0;
  int32_t number = 0;

  bool is_drawn() const { return w > 0 && h > 0; }
  QRect rect() const { return QRect(x, y, w, h); }
  friend bool operator==(const NumberedRect&, const NumberedRect&) = default;
};
