// The skin: every documented bitmap id at its size, see-through corners on
// keys and none on backgrounds, faces that say what they must (lit colours,
// LOCK white or red, arrow directions, layout pictures), the replacement
// folder, and the icons. With KELVARO_SKIN_DUMP set, every bitmap and icon is
// also written there as PNG together with a contact sheet.
#include "res/skin.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <cmath>
#include <cstdlib>
#include <map>
#include <set>

namespace {

const std::set<int> kBackgrounds{187, 191, 194, 195, 229, 230, 294};
// Square title-bar tiles: they fill their button, nothing shows through.
const std::set<int> kTiles{188, 197, 198};

std::map<int, QSize> documented_sizes() {
  std::map<int, QSize> m{
      {187, {1280, 585}}, {188, {42, 35}},    {191, {600, 660}}, {194, {490, 420}},
      {195, {1280, 720}}, {196, {138, 50}},   {197, {34, 35}},   {198, {47, 35}},
      {199, {25, 30}},    {229, {1280, 585}}, {230, {490, 420}}, {294, {1260, 585}},
      {231, {140, 65}},   {232, {140, 65}},   {233, {220, 60}},  {234, {220, 65}},
      {235, {140, 65}},   {301, {164, 420}},  {302, {144, 41}},  {379, {30, 10}},
      {189, {72, 75}},    {190, {72, 75}},    {200, {90, 75}},   {201, {90, 75}},
  };
  for (int id = 171; id <= 184; ++id) m[id] = {80, 57};
  for (int id : {185, 186, 192, 193, 202, 203, 204, 205}) m[id] = {80, 75};
  for (int id = 213; id <= 228; ++id) m[id] = {60, 65};
  for (int id = 248; id <= 283; ++id) m[id] = {70, 70};
  for (int id : {246, 247, 286, 287, 290, 291, 292, 293, 295, 296, 297,
                 298, 299, 300, 303, 304, 341, 342, 343, 344, 345, 346})
    m[id] = {70, 70};
  for (int id : {245, 305, 285, 288, 289, 347}) m[id] = {80, 80};
  for (int code = 0; code < 16; ++code) {
    const QSize s(68, code == 1 || code == 2 ? 50 : 48);
    m[309 + 2 * code] = s;
    m[310 + 2 * code] = s;
  }
  for (int id = 371; id <= 374; ++id) m[id] = {68, 48};
  for (int id : {353, 354, 355, 356, 357, 358, 359, 360, 361, 362, 363, 364, 365, 368, 369, 370})
    m[id] = {50, 50};
  return m;
}

bool pure_black(QRgb p) { return (p & 0x00FFFFFF) == 0; }

double black_share(const QImage& image) {
  int black = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) black += pure_black(image.pixel(x, y));
  return double(black) / (image.width() * image.height());
}

int count(const QImage& image, bool (*pred)(const QColor&)) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) n += pred(image.pixelColor(x, y));
  return n;
}

bool reddish(const QColor& c) { return c.red() > 170 && c.green() < 100 && c.blue() < 100; }
bool greenish(const QColor& c) {
  return c.green() > 120 && c.green() > c.red() + 50 && c.green() > c.blue() + 40;
}
bool yellowish(const QColor& c) { return c.red() > 170 && c.green() > 120 && c.blue() < 90; }
bool light(const QColor& c) { return c.lightness() > 200; }
bool whiteish(const QColor& c) { return c.red() > 230 && c.green() > 230 && c.blue() > 230; }
bool light_blue(const QColor& c) { return c.blue() > 200 && c.blue() > c.red() + 60; }
bool blueish(const QColor& c) { return c.blue() > 150 && c.blue() > c.red() + 70; }

// Light glyph pixels of a key ahead of its centre along (dx, dy) divided by
// those behind it (beyond a dead band of 4 pixels): above 1 the glyph's mass,
// an arrow head, lies that way.
double glyph_balance(const QImage& image, double dx, double dy) {
  const double len = std::hypot(dx, dy);
  const double cx = (image.width() - 1) / 2.0, cy = (image.height() - 1) / 2.0;
  int ahead = 0, behind = 0;
  for (int y = 3; y < image.height() - 3; ++y)
    for (int x = 3; x < image.width() - 3; ++x) {
      if (image.pixelColor(x, y).lightness() <= 170) continue;
      const double along = ((x - cx) * dx + (y - cy) * dy) / len;
      if (along > 4) ++ahead;
      if (along < -4) ++behind;
    }
  return behind == 0 ? 1e9 : double(ahead) / behind;
}

struct EnvGuard {
  explicit EnvGuard(const QString& dir) {
    setenv("KELVARO_SKIN_DIR", dir.toLocal8Bit().constData(), 1);
    skin_reload();
  }
  ~EnvGuard() {
    unsetenv("KELVARO_SKIN_DIR");
    skin_reload();
  }
};

}  // namespace

TEST(Skin, EveryDocumentedIdExistsAtItsSizeAndNothingElse) {
  const auto sizes = documented_sizes();
  for (const auto& [id, size] : sizes) {
    EXPECT_TRUE(skin_has(id)) << id;
    EXPECT_EQ(skin_size(id), size) << id;
    const QImage& image = skin_image(id);
    ASSERT_FALSE(image.isNull()) << id;
    EXPECT_EQ(image.size(), size) << id;
    EXPECT_EQ(image.format(), QImage::Format_RGB32) << id;
    EXPECT_EQ(skin_pixmap(id).size(), size) << id;
  }
  std::vector<int> expected;
  for (const auto& [id, size] : sizes) expected.push_back(id);
  EXPECT_EQ(skin_bitmap_ids(), expected);
  for (int id : {0, 170, 211, 212, 236, 284, 366, 367, 375, 380, 1000}) {
    EXPECT_FALSE(skin_has(id)) << id;
    EXPECT_TRUE(skin_image(id).isNull()) << id;
    EXPECT_FALSE(skin_size(id).isValid()) << id;
  }
}

TEST(Skin, ImagesAreDrawnOnceAndKept) {
  const QImage& a = skin_image(195);
  const QImage& b = skin_image(195);
  EXPECT_EQ(&a, &b);
  EXPECT_EQ(a.constBits(), b.constBits());
}

TEST(Skin, BackgroundsHoldNoPureBlack) {
  for (int id : kBackgrounds) {
    const QImage& image = skin_image(id);
    EXPECT_EQ(black_share(image), 0.0) << id;
  }
  // The T-bar channel is copied whole under the handle.
  EXPECT_EQ(black_share(skin_image(301)), 0.0);
  // The main window's status strip is light enough for its black version text.
  EXPECT_GT(skin_image(195).pixelColor(1200, 705).lightness(), 100);
}

TEST(Skin, KeysHaveOpaqueFacesAndSeeThroughCorners) {
  for (int id : skin_bitmap_ids()) {
    if (kBackgrounds.count(id) || id == 301) continue;
    const QImage& image = skin_image(id);
    EXPECT_LT(black_share(image), 0.2) << id;
    EXPECT_FALSE(pure_black(image.pixel(image.width() / 2, image.height() / 2))) << id;
    const bool corners = pure_black(image.pixel(0, 0)) &&
                         pure_black(image.pixel(image.width() - 1, 0)) &&
                         pure_black(image.pixel(0, image.height() - 1)) &&
                         pure_black(image.pixel(image.width() - 1, image.height() - 1));
    if (kTiles.count(id))
      EXPECT_EQ(black_share(image), 0.0) << id;
    else
      EXPECT_TRUE(corners) << id;
  }
  // The T-bar handle is keyed by its top-left pixel: only the rounded corners
  // share that colour.
  const QImage& thumb = skin_image(302);
  const QRgb key = thumb.pixel(0, 0);
  int keyed = 0;
  for (int y = 0; y < thumb.height(); ++y)
    for (int x = 0; x < thumb.width(); ++x) keyed += thumb.pixel(x, y) == key;
  EXPECT_GT(keyed, 4);
  EXPECT_LT(keyed, thumb.width() * thumb.height() / 20);
}

TEST(Skin, LockIsWhiteWhenOpenAndRedWhenLocked) {
  const QImage& open = skin_image(231);
  const QImage& locked = skin_image(232);
  EXPECT_GT(count(open, whiteish), 150);
  EXPECT_EQ(count(open, reddish), 0);
  EXPECT_GT(count(locked, reddish), 150);
  EXPECT_LT(count(locked, whiteish), 20);
  EXPECT_NE(open, locked);
}

TEST(Skin, SourceKeysAreGreyRedAndGreen) {
  for (int n = 1; n <= 12; ++n) {
    const int normal = 250 + 3 * (n - 1);
    const QImage& grey = skin_image(normal);
    const QImage& red = skin_image(normal - 1);
    const QImage& green = skin_image(normal - 2);
    const QColor g = grey.pixelColor(8, 35), r = red.pixelColor(8, 35), v = green.pixelColor(8, 35);
    EXPECT_LT(std::abs(g.red() - g.blue()), 30) << n;
    EXPECT_TRUE(r.red() > r.green() + 80) << n;
    EXPECT_TRUE(v.green() > v.red() + 60) << n;
    // The caption: light pixels in the middle of every look.
    EXPECT_GT(count(grey.copy(15, 15, 40, 40), light), 20) << n;
  }
  // Different captions, different faces.
  EXPECT_NE(skin_image(250), skin_image(253));
  EXPECT_NE(skin_image(280), skin_image(283));
}

TEST(Skin, LitFunctionKeysTakeTheirColours) {
  for (int id : {247, 287, 291, 293, 296, 300, 304, 342, 344, 346})
    EXPECT_GT(count(skin_image(id), yellowish), 1000) << id;
  for (int id : {297, 305, 288}) EXPECT_GT(count(skin_image(id), reddish), 1000) << id;
  for (int id : {245, 246, 285, 286, 289, 290, 292, 295, 298, 299, 303, 341, 343, 345, 347}) {
    EXPECT_LT(count(skin_image(id), yellowish), 50) << id;
    EXPECT_LT(count(skin_image(id), reddish), 50) << id;
  }
  // The chroma key face shows green and blue, the luma key face does not.
  EXPECT_GT(count(skin_image(292), greenish), 30);
  EXPECT_EQ(count(skin_image(290), greenish), 0);
}

TEST(Skin, CrosspointKeysShowTheirDigitGreyOrGreen) {
  std::set<QByteArray> faces;
  for (int n = 1; n <= 8; ++n) {
    const QImage& normal = skin_image(211 + 2 * n);
    const QImage& active = skin_image(212 + 2 * n);
    EXPECT_EQ(count(normal, greenish), 0) << n;
    EXPECT_GT(count(active, greenish), 1500) << n;
    EXPECT_GT(count(normal.copy(15, 15, 30, 35), light), 20) << n;
    faces.insert(
        QByteArray(reinterpret_cast<const char*>(normal.constBits()), normal.sizeInBytes()));
  }
  EXPECT_EQ(faces.size(), 8u);
}

TEST(Skin, TabsAndModeKeysLightUpWhenSelected) {
  for (int normal : {185, 189, 192, 200, 202, 204}) {
    // (The COLOR tab's palette icon has one blue swatch.)
    EXPECT_LT(count(skin_image(normal), blueish), 150) << normal;
    EXPECT_GT(count(skin_image(normal + 1), blueish), 1500) << normal;
  }
  std::set<QByteArray> pictures;
  for (int mode = 0; mode < 7; ++mode) {
    const QImage& normal = skin_image(171 + 2 * mode);
    EXPECT_EQ(count(normal, light_blue), 0) << mode;
    EXPECT_GT(count(skin_image(172 + 2 * mode), light_blue), 300) << mode;
    pictures.insert(
        QByteArray(reinterpret_cast<const char*>(normal.constBits()), normal.sizeInBytes()));
  }
  EXPECT_EQ(pictures.size(), 7u);
}

TEST(Skin, WipeArrowsPointTheWipesWay) {
  struct Arrow {
    int id;
    double dx, dy;
  };
  // The normal face of every direction: a light arrow on grey.
  for (const Arrow& a : {Arrow{361, -1, -1}, Arrow{370, 0, -1}, Arrow{368, 1, 0}, Arrow{362, -1, 0},
                         Arrow{357, -1, 1}, Arrow{354, 0, 1}, Arrow{365, 1, 1}}) {
    EXPECT_GT(glyph_balance(skin_image(a.id), a.dx, a.dy), 1.4) << a.id;
    EXPECT_LT(glyph_balance(skin_image(a.id), -a.dx, -a.dy), 0.7) << a.id;
  }
  // Outward: as much to the left as to the right.
  const double outward = glyph_balance(skin_image(359), 1, 0);
  EXPECT_GT(outward, 0.8);
  EXPECT_LT(outward, 1.25);
  // Selected faces are lit yellow and carry the same arrow as their normal face.
  const std::map<int, int> selected{{360, 361}, {369, 370}, {363, 368}, {355, 362},
                                    {358, 359}, {356, 357}, {353, 354}, {364, 365}};
  for (const auto& [lit, normal] : selected) {
    EXPECT_GT(count(skin_image(lit), yellowish), 800) << lit;
    // The dark glyph sits where the light glyph of the normal face is.
    const QImage& a = skin_image(lit);
    const QImage& b = skin_image(normal);
    int agree = 0, glyph = 0;
    for (int y = 3; y < 47; ++y)
      for (int x = 3; x < 47; ++x)
        if (b.pixelColor(x, y).lightness() > 200) {
          ++glyph;
          agree += a.pixelColor(x, y).lightness() < 80;
        }
    EXPECT_GT(glyph, 60) << normal;
    EXPECT_GT(agree, glyph * 8 / 10) << lit;
  }
}

TEST(Skin, LayoutKeysPictureTheirLayout) {
  std::set<QByteArray> pictures;
  for (int code = 0; code < 16; ++code) {
    const QImage& normal = skin_image(309 + 2 * code);
    const QImage& active = skin_image(310 + 2 * code);
    const QRect screen(8, 6, 52, 36);
    EXPECT_EQ(count(normal.copy(screen), light_blue), 0) << code;
    EXPECT_GT(count(active.copy(screen), light_blue), 300) << code;
    pictures.insert(
        QByteArray(reinterpret_cast<const char*>(normal.constBits()), normal.sizeInBytes()));
  }
  EXPECT_EQ(pictures.size(), 16u);
  // Code 17 has no window: its screen shows no tile.
  EXPECT_EQ(count(skin_image(374).copy(8, 6, 52, 36), light_blue), 0);
  EXPECT_GT(count(skin_image(372).copy(8, 6, 52, 36), light_blue), 300);
  EXPECT_NE(skin_image(373), skin_image(374));  // the lit rim
}

TEST(Skin, IconsExistAtThirtyTwoPixels) {
  for (int id : {128, 211, 212}) {
    const QImage image = skin_icon_image(id);
    ASSERT_EQ(image.size(), QSize(32, 32)) << id;
    EXPECT_FALSE(skin_icon(id).isNull()) << id;
    EXPECT_EQ(skin_icon(id).pixmap(32, 32).size(), QSize(32, 32)) << id;
    EXPECT_EQ(skin_icon_image(id, 64).size(), QSize(64, 64)) << id;
  }
  EXPECT_GT(count(skin_icon_image(211), reddish), 40);
  EXPECT_EQ(count(skin_icon_image(211), blueish), 0);
  EXPECT_GT(count(skin_icon_image(212), blueish), 200);
  EXPECT_EQ(count(skin_icon_image(212), reddish), 0);
  EXPECT_TRUE(skin_icon(300).isNull());
  EXPECT_TRUE(skin_icon_image(195).isNull());
}

TEST(Skin, ReplacementFolderOverridesAnId) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QImage face(10, 6, QImage::Format_ARGB32);
  face.fill(QColor(200, 30, 30));
  face.setPixel(0, 0, qRgba(255, 255, 255, 0));  // see-through in the file
  ASSERT_TRUE(face.save(dir.filePath("196.png")));
  QImage icon(16, 16, QImage::Format_ARGB32);
  icon.fill(QColor(10, 200, 10));
  ASSERT_TRUE(icon.save(dir.filePath("212.png")));
  ASSERT_TRUE(QImage(4, 4, QImage::Format_RGB32).save(dir.filePath("999.png")));
  ASSERT_TRUE(QDir(dir.path()).mkpath("notes"));  // not an image, ignored
  {
    EnvGuard env(dir.path());
    EXPECT_EQ(skin_size(196), QSize(10, 6));
    const QImage& image = skin_image(196);
    ASSERT_EQ(image.size(), QSize(10, 6));
    EXPECT_EQ(image.pixelColor(5, 3), QColor(200, 30, 30));
    EXPECT_TRUE(pure_black(image.pixel(0, 0)));  // alpha becomes the key colour
    EXPECT_EQ(image.format(), QImage::Format_RGB32);
    // Ids without a file are still drawn.
    EXPECT_EQ(skin_image(195).size(), QSize(1280, 720));
    EXPECT_EQ(skin_icon_image(212, 32).pixelColor(16, 16), QColor(10, 200, 10));
    EXPECT_TRUE(skin_has(999));
  }
  EXPECT_EQ(skin_image(196).size(), QSize(138, 50));
  EXPECT_FALSE(skin_has(999));
  // A folder that does not exist changes nothing.
  {
    EnvGuard env(dir.filePath("missing"));
    EXPECT_EQ(skin_image(196).size(), QSize(138, 50));
  }
  // A broken file is ignored and the id drawn.
  {
    QFile broken(dir.filePath("199.png"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not a png");
    broken.close();
    EnvGuard env(dir.path());
    EXPECT_EQ(skin_image(199).size(), QSize(25, 30));
  }
}
