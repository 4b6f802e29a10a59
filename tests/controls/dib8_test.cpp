#include "controls/dib8.h"

#include <gtest/gtest.h>

#include <random>

#include "controls/skin_button.h"

TEST(Dib8, RowsArePaddedToFourBytes) {
  const std::pair<int, int> cases[] = {{1, 4}, {3, 4}, {4, 4}, {5, 8}, {8, 8}, {9, 12}, {163, 164}};
  for (auto [width, stride] : cases) {
    CDib8 dib(width, 3);
    EXPECT_EQ(dib.stride(), stride) << "width " << width;
    EXPECT_EQ(CDib8::stride_for(width), stride);
    EXPECT_EQ(dib.bits().size(), static_cast<size_t>(stride * 3));
  }
  CDib8 none(0, 5);
  EXPECT_TRUE(none.is_null());
  EXPECT_TRUE(none.image().isNull());
  CDib8 negative(-4, 2);
  EXPECT_TRUE(negative.is_null());
  EXPECT_TRUE(negative.bits().empty());
}

TEST(Dib8, RowsAreStoredBottomUpAndDrawnTopDown) {
  CDib8 dib(5, 3);
  dib.set_palette_entry(7, qRgb(10, 20, 30));
  dib.set_palette_entry(9, qRgb(200, 100, 50));
  dib.set_pixel_from_bottom(0, 0, 7);  // bottom-left
  dib.set_pixel_from_bottom(4, 2, 9);  // top-right
  // Storage: the first row in memory is the bottom one; padding bytes stay 0.
  EXPECT_EQ(dib.bits()[0], 7);
  EXPECT_EQ(dib.bits()[2 * 8 + 4], 9);
  EXPECT_EQ(dib.bits()[5], 0);
  EXPECT_EQ(dib.pixel(0, 2), 7);
  EXPECT_EQ(dib.pixel(4, 0), 9);

  const QImage& image = dib.image();
  ASSERT_EQ(image.format(), QImage::Format_Indexed8);
  ASSERT_EQ(image.colorCount(), 256);
  EXPECT_EQ(image.size(), QSize(5, 3));
  EXPECT_EQ(image.pixel(0, 2), qRgb(10, 20, 30));
  EXPECT_EQ(image.pixel(4, 0), qRgb(200, 100, 50));
  EXPECT_EQ(image.pixel(2, 1), qRgb(0, 0, 0));

  // Changes after a first conversion show in the next one.
  dib.set_palette_entry(7, qRgb(1, 2, 3));
  dib.set_pixel_from_bottom(2, 1, 9);
  EXPECT_EQ(dib.image().pixel(0, 2), qRgb(1, 2, 3));
  EXPECT_EQ(dib.image().pixel(2, 1), qRgb(200, 100, 50));
}

TEST(Dib8, OutOfRangePixelsAreIgnored) {
  CDib8 dib(4, 4);
  const auto before = dib.bits();
  dib.set_pixel_from_bottom(-1, 0, 5);
  dib.set_pixel_from_bottom(4, 0, 5);
  dib.set_pixel_from_bottom(0, 4, 5);
  dib.set_pixel_from_bottom(0, -1, 5);
  EXPECT_EQ(dib.bits(), before);
  EXPECT_EQ(dib.pixel_from_bottom(9, 9), 0);
}

TEST(ShadePalette, RampsFromShadowThroughFaceToHighlight) {
  const QColor shadow(100, 40, 8), face(200, 160, 120), highlight(255, 250, 30);
  const auto pal = CShadeButton::shade_palette(shadow, face, highlight);
  EXPECT_EQ(pal[0], qRgb(100, 40, 8));
  // Entry 64: halfway from shadow to face.
  EXPECT_EQ(pal[64], qRgb((100 * 64 + 200 * 64) / 128, (40 * 64 + 160 * 64) / 128,
                          (8 * 64 + 120 * 64) / 128));
  // Entry 128 belongs to the second ramp: one step from face to highlight.
  EXPECT_EQ(pal[128],
            qRgb((200 * 127 + 255) / 128, (160 * 127 + 250) / 128, (120 * 127 + 30) / 128));
  EXPECT_EQ(pal[255], qRgb(255, 250, 30));
  EXPECT_EQ(pal[127], qRgb((100 * 1 + 200 * 127) / 128, (40 * 1 + 160 * 127) / 128,
                           (8 * 1 + 120 * 127) / 128));
}

TEST(ShadePalette, TintMovesEachChannelTowardsTheColour) {
  EXPECT_EQ(CShadeButton::tint(qRgb(100, 0, 200), QColor(55, 255, 55), 5),
            qRgb((5 * 55 + 95 * 100) / 100, (5 * 255) / 100, (5 * 55 + 95 * 200) / 100));
  EXPECT_EQ(CShadeButton::tint(qRgb(0, 0, 0), QColor(255, 255, 255), 10), qRgb(25, 25, 25));
  EXPECT_EQ(CShadeButton::tint(qRgb(9, 9, 9), QColor(1, 2, 3), 0), qRgb(9, 9, 9));
}

TEST(ShadeValue, LightTopLeftDarkBottomRightWithBoundedNoise) {
  std::mt19937 gen(12345);
  std::uniform_int_distribution<int> dim(1, 300);
  std::uniform_int_distribution<int> noise(0, 16);
  for (int round = 0; round < 2000; ++round) {
    const int w = dim(gen), h = dim(gen);
    const int x = std::uniform_int_distribution<int>(0, w - 1)(gen);
    const int y = std::uniform_int_distribution<int>(0, h - 1)(gen);
    const int r = noise(gen);
    const int expected = (119 * (w - x) / w + 119 * y / h + r) % 256;
    ASSERT_EQ(CShadeButton::shade_value(x, y, w, h, r), expected);
    ASSERT_LE(expected, 119 + 118 + 16);
  }
  // Bottom row (y = 0) at the right edge is the darkest, top row at the left
  // edge the lightest.
  EXPECT_EQ(CShadeButton::shade_value(99, 0, 100, 50, 0), 1);
  EXPECT_EQ(CShadeButton::shade_value(0, 49, 100, 50, 16), 119 + 116 + 16);
  EXPECT_EQ(CShadeButton::shade_value(0, 0, 0, 10, 3), 0);  // no size, no division
}
