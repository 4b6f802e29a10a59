#include "pages/multiviewer/mv_preview.h"

#include <QFontMetrics>
#include <algorithm>
#include <array>
#include <vector>

#include "pages/multiviewer/mv_page.h"

namespace {
// Window rectangles of one screen mode, windows 1..n in order, on the
// 720 x 480 canvas.
struct WindowSlot {
  int x, y, w, h;
};

std::vector<WindowSlot> layout_of_mode(int mode) {
  std::vector<WindowSlot> windows;
  switch (mode) {
    case 0:  // 1 window
      windows.push_back({0, 0, 720, 480});
      break;
    case 1:  // 4 windows, 2 x 2
      for (int k = 0; k < 4; ++k) windows.push_back({360 * (k % 2), 240 * (k / 2), 360, 240});
      break;
    case 2:  // 6 windows: one large top left, five around it
      windows = {{0, 0, 480, 320},   {480, 0, 240, 160},   {480, 160, 240, 160},
                 {0, 320, 240, 160}, {240, 320, 240, 160}, {480, 320, 240, 160}};
      break;
    case 3:  // 8 windows in the middle band, y 120 .. 360
      for (int k = 0; k < 8; ++k) windows.push_back({180 * (k % 4), 120 + 120 * (k / 4), 180, 120});
      break;
    case 4:  // 9 windows, 3 x 3
      for (int k = 0; k < 9; ++k) windows.push_back({240 * (k % 3), 160 * (k / 3), 240, 160});
      break;
    case 5:  // 10 windows: two large on top, eight small below
      windows = {{0, 0, 360, 240}, {360, 0, 360, 240}};
      for (int k = 0; k < 8; ++k) windows.push_back({180 * (k % 4), 240 + 120 * (k / 4), 180, 120});
      break;
    case 6:  // 16 windows, 4 x 4
      for (int k = 0; k < 16; ++k) windows.push_back({180 * (k % 4), 120 * (k / 4), 180, 120});
      break;
    default:  // no such mode: no window
      break;
  }
  return windows;
}

// Strip fill of each label colour code 0..15.
constexpr std::array<PreviewRgb, 16> kRgb = {{
    {0, 0, 0},        // Black
    {0, 0, 255},      // Blue
    {255, 0, 0},      // Red
    {255, 0, 255},    // Magenta
    {0, 255, 0},      // Green
    {0, 255, 255},    // Cyan
    {255, 255, 0},    // Yellow
    {255, 255, 255},  // White
    {186, 183, 186},  // Gray
    {219, 112, 147},  // VioletRed
    {173, 216, 230},  // LightBlue
    {144, 238, 144},  // LightGreen
    {224, 255, 255},  // LightCyan
    {255, 255, 224},  // LightYellow
    {255, 255, 255},  // Trans, shown white
    {245, 245, 245},  // HalfTrans
}};

// Every element is placed by fractions of its window; each product is formed
// before its division and every division drops the remainder.
PreviewRect audio_bar_of(const NumberedRect& r) {
  return {r.x + r.w / 10, r.y + (3 * r.h) / 5, r.w / 10, r.h / 4};
}
PreviewRect umd_strip_of(const NumberedRect& r) {
  return {r.x + (3 * r.w) / 8, r.y + (4 * r.h) / 5, r.w / 4, r.h / 10};
}
PreviewRect reso_strip_of(const NumberedRect& r) {
  return {r.x + (4 * r.w) / 5, r.y + r.h / 10, r.w / 6, r.h / 10};
}

QColor colour_of(const PreviewRgb& rgb) { return QColor(rgb.red, rgb.green, rgb.blue); }

// One label strip: its fill, then the label centred in the text colour
// (white for a code that names no colour), cut at the strip's edges. The
// letters are as tall as the strip allows, within 6 .. 16 pixels.
void paint_label(QPainter& painter, const QRect& strip, const QString& text, const PreviewRgb& back,
                 uint8_t text_code) {
  painter.fillRect(strip, colour_of(back));
  if (text.trimmed().isEmpty()) return;
  painter.save();
  painter.setClipRect(strip);
  painter.setBackgroundMode(Qt::TransparentMode);
  QFont font = painter.font();
  font.setPixelSize(std::clamp(strip.height() - 2, 6, 16));
  painter.setFont(font);
  const std::optional<PreviewRgb> ink = preview_colour_of_code(text_code);
  painter.setPen(ink ? colour_of(*ink) : QColor(Qt::white));
  painter.drawText(strip, Qt::AlignCenter | Qt::TextSingleLine, text);
  painter.restore();
}

const QColor kCanvasColour(152, 152, 152);
const QColor kWindowEdgeColour(89, 187, 255);
const QColor kWindowFaceColour(55, 55, 55);
const QColor kNumberColour(60, 180, 255);
const QColor kAudioBarColour(89, 187, 255);
}  // namespace

std::optional<PreviewRgb> preview_colour_of_code(uint8_t code) {
  if (code >= kRgb.size()) return std::nullopt;
  return kRgb[code];
}

void RecalcWindowRects(MultiviewerModel& model) {
  for (NumberedRect& r : model.m_16_view_win_rect) r = {};
  const std::vector<WindowSlot> windows =
      layout_of_mode(model.m_all_16_view_page_data.kelvaro_16_view_mode_type);
  for (size_t i = 0; i < windows.size() && i < kMvWindowCount; ++i) {
    const WindowSlot& s = windows[i];
    model.m_16_view_win_rect[i] = {s.x, s.y, s.w, s.h, static_cast<int32_t>(i + 1)};
  }
  refresh_mv_preview();
}

void RecalcAudioBars(MultiviewerModel& model) {
  for (int i = 0; i < kMvWindowCount; ++i)
    model.m_16_view_audio_rect[i] = audio_bar_of(model.m_16_view_win_rect[i]);
  refresh_mv_preview();
}

void RecalcUmdStrips(MultiviewerModel& model) {
  const All16ViewPageData& data = model.m_all_16_view_page_data;
  for (int i = 0; i < kMvWindowCount; ++i) {
    model.m_16_view_umd_rect[i] = umd_strip_of(model.m_16_view_win_rect[i]);
    if (const auto rgb = preview_colour_of_code(data.kelvaro_16_view_umd_back_color[i]))
      model.m_16_view_umd_rgb[i] = *rgb;
  }
  refresh_mv_preview();
}

void RecalcResolutionStrips(MultiviewerModel& model) {
  const All16ViewPageData& data = model.m_all_16_view_page_data;
  for (int i = 0; i < kMvWindowCount; ++i) {
    model.m_16_view_reso_rect[i] = reso_strip_of(model.m_16_view_win_rect[i]);
    if (const auto rgb = preview_colour_of_code(data.kelvaro_16_view_resolution_back_color[i]))
      model.m_16_view_reso_rgb[i] = *rgb;
  }
  refresh_mv_preview();
}

void RecalcWholePreview(MultiviewerModel& model) {
  RecalcWindowRects(model);
  RecalcAudioBars(model);
  RecalcResolutionStrips(model);
  RecalcUmdStrips(model);
}

QRect preview_umd_strip(const MultiviewerModel& model, int window) {
  if (window < 1 || window > kMvWindowCount || !model.m_16_view_umd_show) return {};
  const PreviewRect& umd = model.m_16_view_umd_rect[window - 1];
  return umd.is_drawn() ? umd.rect() : QRect();
}

void PaintPreview(const MultiviewerModel& model, QPainter& painter, const PreviewTally* tally) {
  painter.save();
  painter.fillRect(QRect(0, 0, kPreviewCanvasWidth, kPreviewCanvasHeight), kCanvasColour);
  // The numbers are drawn as plain text on an opaque white ground, the way
  // a fresh drawing context writes text.
  painter.setBackgroundMode(Qt::OpaqueMode);
  painter.setBackground(Qt::white);
  const QFontMetrics metrics(painter.font());
  for (int i = 0; i < kMvWindowCount; ++i) {
    const NumberedRect& win = model.m_16_view_win_rect[i];
    if (win.is_drawn()) {
      painter.fillRect(win.rect(), kWindowEdgeColour);
      painter.fillRect(QRect(win.x + 2, win.y + 2, win.w - 4, win.h - 4), kWindowFaceColour);
      const QString number = QString::number(win.number);
      const QPoint at(win.x + win.w / 2 - 5, win.y + win.h / 2 - 5);
      const QRect box(at, QSize(metrics.horizontalAdvance(number), metrics.height()));
      painter.fillRect(box, Qt::white);
      painter.setPen(kNumberColour);
      painter.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, number);
    }
    const PreviewRect& bar = model.m_16_view_audio_rect[i];
    if (model.m_16_view_audio_show && bar.is_drawn()) painter.fillRect(bar.rect(), kAudioBarColour);
    const PreviewRect& umd = model.m_16_view_umd_rect[i];
    if (model.m_16_view_umd_show && umd.is_drawn()) {
      PreviewRgb back = model.m_16_view_umd_rgb[i];
      if (tally && (*tally)[i])
        if (const auto rgb = preview_colour_of_code(*(*tally)[i])) back = *rgb;
      paint_label(painter, umd.rect(), model.m_16_view_umd_text[i], back,
                  model.m_all_16_view_page_data.kelvaro_16_view_umd_text_color[i]);
    }
    const PreviewRect& reso = model.m_16_view_reso_rect[i];
    if (model.m_16_view_reso_show && reso.is_drawn())
      painter.fillRect(reso.rect(), colour_of(model.m_16_view_reso_rgb[i]));
  }
  painter.restore();
}

void refresh_mv_preview() {
  if (CClass_16view_dlg* shell = CClass_16view_dlg::live_shell()) shell->refresh_preview();
}
