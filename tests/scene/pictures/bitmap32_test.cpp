#include "scene/pictures/bitmap32.h"

#include <gtest/gtest.h>

#include "scene/base/scene_errors.h"

namespace zentrova {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Data(const TGLBitmap32& bitmap) {
  return Bytes(bitmap.Data(), bitmap.Data() + bitmap.DataSize());
}

// A 4 × 1 bitmap of the given RGBA pixels.
std::unique_ptr<TGLBitmap32> Row(const Bytes& rgba) {
  auto bitmap = std::make_unique<TGLBitmap32>();
  bitmap->SetWidth(static_cast<int>(rgba.size() / 4));
  bitmap->SetHeight(1);
  std::copy(rgba.begin(), rgba.end(), bitmap->Data());
  return bitmap;
}

TEST(GLBitmap32, ConversionFromBitmapsTurnsRowsAndStretchesToMultiplesOf4) {
  // 30 wide: drawn stretched to 32; 32 wide: copied. Either way the first pixel is the bottom-left one.
  for (int width : {30, 32}) {
    SCOPED_TRACE(width);
    TBitmap picture(width, 2, pf24bit);
    picture.SetPixel(0, 1, 0xFF112233);          // bottom-left
    picture.SetPixel(width - 1, 0, 0xFF445566);  // top-right
    TGLBitmap32 bitmap;
    bitmap.Assign(&picture);
    ASSERT_EQ(bitmap.Width(), 32);
    EXPECT_EQ((Bytes(bitmap.Data(), bitmap.Data() + 4)), (Bytes{0x11, 0x22, 0x33, 255}));
    EXPECT_EQ((Bytes(bitmap.RowAddress(1) + 31 * 4, bitmap.RowAddress(1) + 32 * 4)),
              (Bytes{0x44, 0x55, 0x66, 255}));
  }
  // 32-bit keeps alpha; the cube-map flag keeps the picture top-down; 16-bit goes through drawing.
  TBitmap wide(4, 2, pf32bit);
  wide.SetPixel(0, 0, 0x80010203);
  TGLBitmap32 bitmap;
  bitmap.VerticalReverseOnAssignFromBitmap = true;
  bitmap.Assign(&wide);
  EXPECT_EQ((Bytes(bitmap.Data(), bitmap.Data() + 4)), (Bytes{1, 2, 3, 0x80}));
  EXPECT_EQ(bitmap.ToWindowBitmap()->Pixel(0, 1), 0x80010203u);  // back the other way up
}

TEST(GLBitmap32, PicturesOfNoWidthOrNoHeightGiveTheEmptyBuffer) {
  // No pixel memory at all, but 2³¹ − 1 rows to walk through if each were visited.
  for (TPixelFormat format : {pf24bit, pf32bit}) {
    TBitmap picture(0, 0x7FFFFFFF, format);
    TGLBitmap32 bitmap;
    bitmap.Assign(&picture);
    EXPECT_EQ(std::pair(bitmap.Width(), bitmap.Height()), std::pair(0, 0));
  }
  TBitmap no_rows(1 << 20, 0, pf24bit);
  TGLBitmap32 bitmap;
  bitmap.Assign(&no_rows);
  EXPECT_EQ(std::pair(bitmap.Width(), bitmap.Height()), std::pair(0, 0));
  // Sized to no width, the buffer still converts back at once, to the empty bitmap.
  bitmap.SetHeight(0x7FFFFFFF);
  const std::unique_ptr<TBitmap> back = bitmap.ToWindowBitmap();
  EXPECT_EQ(std::pair(back->Width(), back->Height()), std::pair(0, 0));
}

TEST(GLBitmap32, SizesRoundZeroFillAndCheckTheirRange) {
  TGLBitmap32 bitmap;
  bitmap.SetHeight(1);
  bitmap.SetWidth(65537);  // no 16-bit mask: the next multiple of 4
  EXPECT_EQ(bitmap.Width(), 65540);
  EXPECT_EQ(bitmap.DataSize(), 65540 * 4);
  bitmap.Data()[0] = 7;
  bitmap.SetWidth(1);
  bitmap.SetHeight(2);
  Bytes expected(32, 0);  // the first pixel kept, the rest new and zero
  expected[0] = 7;
  EXPECT_EQ(Data(bitmap), expected);
  EXPECT_THROW(bitmap.SetHeight(-1), EAssertionFailed);
  EXPECT_THROW(bitmap.SetHeight(1 << 28), ERangeError);
  EXPECT_THROW(bitmap.RowAddress(268435456 / 4 + 1), ERangeError);
}

TEST(GLBitmap32, AlphaRules) {
  const Bytes pixels{30, 60, 90, 7, 0, 0, 0, 7, 255, 255, 255, 7, 1, 2, 3, 7};
  // clang-format off
  const struct { const char* rule; void (*apply)(TGLBitmap32&); Bytes alpha; } cases[] = {
      {"intensity", [](TGLBitmap32& b) { b.AlphaFromIntensity(); }, {60, 0, 255, 2}},
      {"sqrt intensity", [](TGLBitmap32& b) { b.AlphaFromSqrtIntensity(); }, {123, 0, 255, 22}},
      {"zero for RGB", [](TGLBitmap32& b) { b.AlphaZeroForRGB(1, 2, 3); }, {255, 255, 255, 0}},
      {"zero for colour", [](TGLBitmap32& b) { b.AlphaZeroForColor(MakeRGBColor(0, 0, 0)); }, {255, 0, 255, 255}},
      {"fill", [](TGLBitmap32& b) { b.FillAlpha(9); }, {9, 9, 9, 9}},
      {"complement", [](TGLBitmap32& b) { b.ComplementAlpha(); }, {248, 248, 248, 248}}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rule);
    const auto bitmap = Row(pixels);
    c.apply(*bitmap);
    const Bytes data = Data(*bitmap);
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(data[4 * i + 3], c.alpha[i]);
      EXPECT_EQ(Bytes(data.begin() + 4 * i, data.begin() + 4 * i + 3),
                Bytes(pixels.begin() + 4 * i, pixels.begin() + 4 * i + 3));
    }
  }
}

TEST(GLBitmap32, BrightnessAndGammaTables) {
  const struct {
    const char* rule;
    void (*apply)(TGLBitmap32&);
    Bytes rgb;  // of 1, 3, 5, then the red of 200
  } cases[] = {
      // Rounding is ties to even: 0.5 → 0, 1.5 → 2, 2.5 → 2.
      {"brightness 0.5", [](TGLBitmap32& b) { b.ScaleBrightness(0.5f); }, {0, 2, 2, 100}},
      {"brightness 2", [](TGLBitmap32& b) { b.ScaleBrightness(2); }, {2, 6, 10, 255}},
      {"gamma 2", [](TGLBitmap32& b) { b.ApplyGamma(2); }, {16, 28, 36, 226}},
      // Below 0.1 a gamma counts as 0.1: 255 × (200 / 255)^10 = 22.46.
      {"gamma 0.05", [](TGLBitmap32& b) { b.ApplyGamma(0.05f); }, {0, 0, 0, 22}},
      {"gamma 0.1", [](TGLBitmap32& b) { b.ApplyGamma(0.1f); }, {0, 0, 0, 22}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rule);
    const auto bitmap = Row({1, 3, 5, 9, 200, 200, 200, 9, 1, 1, 1, 9, 1, 1, 1, 9});
    c.apply(*bitmap);
    const Bytes data = Data(*bitmap);
    EXPECT_EQ((Bytes{data[0], data[1], data[2], data[4]}), c.rgb);
    EXPECT_EQ(data[3], 9);
  }
  EXPECT_THROW(Row({0, 0, 0, 0})->ApplyGamma(0), EAssertionFailed);
  EXPECT_THROW(Row({0, 0, 0, 0})->ScaleBrightness(-1), EAssertionFailed);
}

TEST(GLBitmap32, NormalMapsWrapModuloTheSize) {
  // A row of 12 heights, 0 everywhere except 120 at x = 0: with wrapping, x = 11 sees it on its right
  // (a mask of 11 would take x = 12 & 11 = 8 instead); without, the edge pixel stands in.
  for (bool wrap : {true, false}) {
    SCOPED_TRACE(wrap);
    TGLBitmap32 bitmap;
    bitmap.SetWidth(12);
    bitmap.SetHeight(1);
    bitmap.Data()[1] = 120;
    bitmap.HeightToNormalMap(1.0f / 120, wrap, wrap);
    const Bytes data = Data(bitmap);
    // dx = −1 at x = 11 when wrapped: k = 1/√2, R = round(−89.8 + 128) = 38, B = round(89.8 + 128) = 218;
    // x = 1 has the height on its left: dx = +1.
    EXPECT_EQ(Bytes(data.begin() + 44, data.end()),
              wrap ? (Bytes{38, 128, 218, 255}) : (Bytes{128, 128, 255, 255}));
    EXPECT_EQ((Bytes(data.begin() + 4, data.begin() + 8)), (Bytes{218, 128, 218, 255}));
  }
}

}  // namespace
}  // namespace zentrova
