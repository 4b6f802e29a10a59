#pragma once
// The layout preview: window rectangles, audio bars and label strips of the
// current screen mode on a 720 x 480 canvas, computed into the model held by
// the main window and painted by the multiviewer page's preview control.
// Each recomputation ends by repainting the preview control of the page now
// shown, if there is one.
#include <QPainter>
#include <array>
#include <cstdint>
#include <optional>

#include "devices/multiviewer/mv_model.h"

void RecalcWindowRects(MultiviewerModel& model);
void RecalcAudioBars(MultiviewerModel& model);
void RecalcUmdStrips(MultiviewerModel& model);
void RecalcResolutionStrips(MultiviewerModel& model);
// All four in the order the state query's callers use.
void RecalcWholePreview(MultiviewerModel& model);
// Label background codes the running show last gave windows 1..16 ([w - 1]);
// a window without one keeps the colour of the model.
using PreviewTally = std::array<std::optional<uint8_t>, kMvWindowCount>;
// Paints the preview onto a 720 x 480 canvas: each shown label strip in its
// background colour (the show's tally colour where `tally` has one) with the
// window's label in its text colour, centred and cut at the strip's edges.
void PaintPreview(const MultiviewerModel& model, QPainter& painter,
                  const PreviewTally* tally = nullptr);
// The strip of window 1..16 on the canvas (empty when not drawn).
QRect preview_umd_strip(const MultiviewerModel& model, int window);
// Fill of a strip for a label colour code 0..15; nothing for a higher code.
std::optional<PreviewRgb> preview_colour_of_code(uint8_t code);
// Repaints the preview control of the multiviewer page now shown (if any).
void refresh_mv_preview();
