#pragma once
// The layout preview both four-input processor pages show left of their key
// grid: the window slots of the current layout on a 720 x 480 canvas, each a
// frame in the frame colour around a dark inner area with the window's number
// in the middle. The slots come from the main window's preview model; the
// pages recompute it and ask the control for a repaint.
#include <QColor>
#include <QImage>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <span>

#include "devices/preview_rect.h"
#include "devices/processor/processor_model.h"

inline const QColor kLayoutPreviewBack(152, 152, 152);
inline const QColor kLayoutPreviewInner(55, 55, 55);
inline const QColor kLayoutPreviewNumber(192, 192, 192);
constexpr int kLayoutPreviewFrameWidth = 2;

// Colour of the slot frames for the page data's preview_frame_color index.
// Index 0 is RGB(89, 187, 255); no other index is defined, so every other
// index draws the same colour.
QColor layout_preview_frame_colour(uint8_t index);

// Paints the canvas (720 x 480, origin at the painter's origin): the grey
// background, then slots 1 to 4 in order, each with positive width and height
// drawn as a frame, an inner area two pixels in, and its number at
// (x + w / 2 - 5, y + h / 2 - 5).
void paint_layout_canvas(QPainter& painter,
                         std::span<const NumberedRect, kLayoutSlotCount> slot_rects,
                         uint8_t frame_color_index);

// The same canvas as an image.
QImage render_layout_canvas(std::span<const NumberedRect, kLayoutSlotCount> slot_rects,
                            uint8_t frame_color_index);

// The preview control: one off-screen 720 x 480 picture per paint, drawn by
// the page's paint function and copied to the control at (0, 0).
class LayoutPreviewControl : public QWidget {
  Q_OBJECT
 public:
  using PaintFunction = std::function<void(QPainter& canvas)>;
  explicit LayoutPreviewControl(QWidget* parent);
  void set_paint_function(PaintFunction paint) { m_paint = std::move(paint); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  PaintFunction m_paint;
};
