// Layout preview: window rectangles of every screen mode, bars and strips
// with their integer divisions, strip colours, and the painted picture.
#include "pages/multiviewer/mv_preview.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <vector>

#include "devices/multiviewer/mv_model.h"

namespace {
using Rects = std::vector<NumberedRect>;

MultiviewerModel model_in_mode(int mode) {
  MultiviewerModel m;
  m.m_all_16_view_page_data.kelvaro_16_view_mode_type = static_cast<uint8_t>(mode);
  RecalcWholePreview(m);
  return m;
}

Rects drawn_windows(const MultiviewerModel& m) {
  Rects out;
  for (const NumberedRect& r : m.m_16_view_win_rect)
    if (r.is_drawn()) out.push_back(r);
  return out;
}

Rects grid(int columns, int count, int w, int h, int y0 = 0) {
  Rects out;
  for (int k = 0; k < count; ++k)
    out.push_back({w * (k % columns), y0 + h * (k / columns), w, h, k + 1});
  return out;
}

TEST(MvPreviewGeometry, EveryModeFillsItsWindowsInOrder) {
  const Rects six = {{0, 0, 480, 320, 1},   {480, 0, 240, 160, 2},   {480, 160, 240, 160, 3},
                     {0, 320, 240, 160, 4}, {240, 320, 240, 160, 5}, {480, 320, 240, 160, 6}};
  Rects ten = {{0, 0, 360, 240, 1}, {360, 0, 360, 240, 2}};
  for (const NumberedRect& r : grid(4, 8, 180, 120, 240))
    ten.push_back({r.x, r.y, r.w, r.h, r.number + 2});
  const std::vector<Rects> expected = {
      {{0, 0, 720, 480, 1}},     grid(2, 4, 360, 240), six,
      grid(4, 8, 180, 120, 120), grid(3, 9, 240, 160), ten,
      grid(4, 16, 180, 120),
  };
  for (int mode = 0; mode < 7; ++mode) {
    const MultiviewerModel m = model_in_mode(mode);
    EXPECT_EQ(drawn_windows(m), expected[mode]) << "mode " << mode;
    // The slots after the mode's windows are empty, numbers included.
    for (size_t i = expected[mode].size(); i < kMvWindowCount; ++i)
      EXPECT_EQ(m.m_16_view_win_rect[i], NumberedRect{}) << "mode " << mode << " slot " << i;
  }
}

TEST(MvPreviewGeometry, EightWindowsUseOnlyTheMiddleBand) {
  const MultiviewerModel m = model_in_mode(3);
  EXPECT_EQ(m.m_16_view_win_rect[0], (NumberedRect{0, 120, 180, 120, 1}));
  for (const NumberedRect& r : drawn_windows(m)) {
    EXPECT_GE(r.y, 120);
    EXPECT_LE(r.y + r.h, 360);
  }
}

TEST(MvPreviewGeometry, ModeWithoutLayoutEmptiesEverything) {
  MultiviewerModel m = model_in_mode(6);
  for (int mode : {7, 200}) {
    m.m_all_16_view_page_data.kelvaro_16_view_mode_type = static_cast<uint8_t>(mode);
    RecalcWholePreview(m);
    for (int i = 0; i < kMvWindowCount; ++i) {
      EXPECT_EQ(m.m_16_view_win_rect[i], NumberedRect{});
      EXPECT_FALSE(m.m_16_view_audio_rect[i].is_drawn());
      EXPECT_FALSE(m.m_16_view_umd_rect[i].is_drawn());
      EXPECT_FALSE(m.m_16_view_reso_rect[i].is_drawn());
    }
  }
}

TEST(MvPreviewGeometry, BarsAndStripsDropTheRemainderOfEachDivision) {
  struct Case {
    int mode, window;
    PreviewRect audio, umd, reso;
  };
  const Case cases[] = {
      // 720 x 480: the one-window mode.
      {0, 0, {72, 288, 72, 120}, {270, 384, 180, 48}, {576, 48, 120, 48}},
      // 360 x 240 at the origin.
      {1, 0, {36, 144, 36, 60}, {135, 192, 90, 24}, {288, 24, 60, 24}},
      // 180 x 120 at (180, 120): 3 x 180 / 8 = 67, 180 / 6 = 30.
      {6, 5, {198, 192, 18, 30}, {247, 216, 45, 12}, {324, 132, 30, 12}},
      // 240 x 160 at (480, 160) in the six-window mode: 4 x 160 / 5 = 128.
      {2, 2, {504, 256, 24, 40}, {570, 288, 60, 16}, {672, 176, 40, 16}},
      // 480 x 320: 3 x 320 / 5 = 192, 480 / 6 = 80.
      {2, 0, {48, 192, 48, 80}, {180, 256, 120, 32}, {384, 32, 80, 32}},
  };
  for (const Case& c : cases) {
    const MultiviewerModel m = model_in_mode(c.mode);
    EXPECT_EQ(m.m_16_view_audio_rect[c.window], c.audio) << c.mode << "/" << c.window;
    EXPECT_EQ(m.m_16_view_umd_rect[c.window], c.umd) << c.mode << "/" << c.window;
    EXPECT_EQ(m.m_16_view_reso_rect[c.window], c.reso) << c.mode << "/" << c.window;
  }
  // Windows outside the mode get zero-sized elements.
  const MultiviewerModel four = model_in_mode(1);
  EXPECT_EQ(four.m_16_view_audio_rect[4], PreviewRect{});
  EXPECT_EQ(four.m_16_view_umd_rect[15], PreviewRect{});
}

TEST(MvPreviewColours, StripsTakeTheColourOfTheirBackgroundCode) {
  const PreviewRgb table[16] = {{0, 0, 0},       {0, 0, 255},     {255, 0, 0},     {255, 0, 255},
                                {0, 255, 0},     {0, 255, 255},   {255, 255, 0},   {255, 255, 255},
                                {186, 183, 186}, {219, 112, 147}, {173, 216, 230}, {144, 238, 144},
                                {224, 255, 255}, {255, 255, 224}, {255, 255, 255}, {245, 245, 245}};
  MultiviewerModel m = model_in_mode(6);
  All16ViewPageData& d = m.m_all_16_view_page_data;
  for (int i = 0; i < 16; ++i) {
    d.kelvaro_16_view_umd_back_color[i] = static_cast<uint8_t>(i);
    d.kelvaro_16_view_resolution_back_color[i] = static_cast<uint8_t>(15 - i);
  }
  RecalcUmdStrips(m);
  RecalcResolutionStrips(m);
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(m.m_16_view_umd_rgb[i], table[i]) << "code " << i;
    EXPECT_EQ(m.m_16_view_reso_rgb[i], table[15 - i]) << "code " << 15 - i;
  }
  // A code above 15 keeps the strip's last colour.
  d.kelvaro_16_view_umd_back_color[3] = 20;
  d.kelvaro_16_view_resolution_back_color[3] = 16;
  RecalcUmdStrips(m);
  RecalcResolutionStrips(m);
  EXPECT_EQ(m.m_16_view_umd_rgb[3], table[3]);
  EXPECT_EQ(m.m_16_view_reso_rgb[3], table[12]);
  EXPECT_FALSE(preview_colour_of_code(16).has_value());
}

TEST(MvPreviewColours, StripsFollowTheWindowsAsTheyStand) {
  // The strips are computed from the rectangles as they are, so a mode
  // change that skipped the window rectangles keeps the old layout's strips.
  MultiviewerModel m = model_in_mode(0);
  m.m_all_16_view_page_data.kelvaro_16_view_mode_type = 6;
  RecalcUmdStrips(m);
  EXPECT_EQ(m.m_16_view_umd_rect[0], (PreviewRect{270, 384, 180, 48}));
  RecalcWindowRects(m);
  RecalcUmdStrips(m);
  EXPECT_EQ(m.m_16_view_umd_rect[0], (PreviewRect{67, 96, 45, 12}));
}

// ---- the painted picture ----

QImage paint(const MultiviewerModel& m) {
  QImage image(720, 480, QImage::Format_RGB32);
  image.fill(Qt::black);
  QPainter p(&image);
  PaintPreview(m, p);
  return image;
}

QColor at(const QImage& image, int x, int y) { return QColor(image.pixel(x, y)); }

const QColor kCanvas(152, 152, 152);
const QColor kEdge(89, 187, 255);
const QColor kFace(55, 55, 55);

TEST(MvPreviewPaint, WindowsStripsAndBarsInTheirColours) {
  MultiviewerModel m;
  All16ViewPageData& d = m.m_all_16_view_page_data;
  d.kelvaro_16_view_mode_type = 3;  // eight windows
  for (int i = 0; i < 16; ++i) {
    d.kelvaro_16_view_umd_back_color[i] = 2;         // Red
    d.kelvaro_16_view_resolution_back_color[i] = 4;  // Green
  }
  m.m_16_view_audio_show = 1;
  m.m_16_view_umd_show = 1;
  m.m_16_view_reso_show = 1;
  RecalcWholePreview(m);
  const QImage image = paint(m);

  // Above and below the band: the bare canvas.
  EXPECT_EQ(at(image, 10, 10), kCanvas);
  EXPECT_EQ(at(image, 700, 119), kCanvas);
  EXPECT_EQ(at(image, 10, 360), kCanvas);
  EXPECT_EQ(at(image, 700, 479), kCanvas);
  // Window 6 at (180, 240): 2-pixel edge, dark face, then its elements.
  EXPECT_EQ(at(image, 180, 240), kEdge);
  EXPECT_EQ(at(image, 181, 359), kEdge);
  EXPECT_EQ(at(image, 182, 242), kFace);
  EXPECT_EQ(at(image, 180 + 18 + 5, 240 + 72 + 5), kEdge);               // audio bar
  EXPECT_EQ(at(image, 180 + 67 + 5, 240 + 96 + 5), QColor(255, 0, 0));   // UMD strip
  EXPECT_EQ(at(image, 180 + 144 + 5, 240 + 12 + 5), QColor(0, 255, 0));  // resolution strip

  // Each window's number sits on a white ground at (x + w/2 - 5, y + h/2 - 5)
  // in the number colour.
  int number_pixels = 0, white = 0;
  for (int y = 240 + 55; y < 240 + 55 + 14; ++y)
    for (int x = 180 + 85; x < 180 + 85 + 8; ++x) {
      const QColor c = at(image, x, y);
      number_pixels += c == QColor(60, 180, 255) ? 1 : 0;
      white += c == QColor(Qt::white) ? 1 : 0;
    }
  EXPECT_GT(number_pixels, 0);
  EXPECT_GT(white, 0);
}

TEST(MvPreviewPaint, SwitchedOffElementsAreNotPainted) {
  MultiviewerModel m;
  m.m_all_16_view_page_data.kelvaro_16_view_mode_type = 1;
  for (int i = 0; i < 16; ++i) m.m_all_16_view_page_data.kelvaro_16_view_umd_back_color[i] = 6;
  RecalcWholePreview(m);
  const QImage off = paint(m);
  EXPECT_EQ(at(off, 135 + 10, 192 + 10), kFace);  // no UMD strip
  EXPECT_EQ(at(off, 36 + 10, 144 + 10), kFace);   // no audio bar
  EXPECT_EQ(at(off, 288 + 10, 24 + 10), kFace);   // no resolution strip

  // Switching the labels on paints them in the colour computed last.
  m.m_16_view_umd_show = 1;
  EXPECT_EQ(at(paint(m), 135 + 10, 192 + 10), QColor(255, 255, 0));
}

TEST(MvPreviewPaint, NoLayoutPaintsTheCanvasOnly) {
  MultiviewerModel m;
  m.m_all_16_view_page_data.kelvaro_16_view_mode_type = 7;
  m.m_16_view_audio_show = m.m_16_view_umd_show = m.m_16_view_reso_show = 1;
  RecalcWholePreview(m);
  const QImage image = paint(m);
  QImage canvas(720, 480, QImage::Format_RGB32);
  canvas.fill(kCanvas);
  EXPECT_EQ(image, canvas);
}
}  // namespace
