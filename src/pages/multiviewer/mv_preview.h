#pragma once
// The layout preview: window rectangles, audio bars and label strips of the
// current screen mode on a 720 x 480 canvas, computed into the model held by
// the main window and painted by the multiviewer page's preview control.
// Each recomputation ends by repainting the preview control of the page now
// shown, if there is one.
#include <QPainter>
#include <cstdint>
#include <optional>

#include "devices/multiviewer/mv_model.h"

void RecalcWindowRects(MultiviewerModel& model);
void RecalcAudioBars(MultiviewerModel& model);
void RecalcUmdStrips(MultiviewerModel& model);
void RecalcResolutionStrips(MultiviewerModel& model);
// All four in the order the state query's callers use.
void RecalcWholePreview(MultiviewerModel& model);
// Paints the preview onto a 720 x 480 canvas.
void PaintPreview(const MultiviewerModel& model, QPainter& painter);
// Fill of a strip for a label colour code 0..15; nothing for a higher code.
std::optional<PreviewRgb> preview_colour_of_code(uint8_t code);
// Repaints the preview control of the multiviewer page now shown (if any).
void refresh_mv_preview();
