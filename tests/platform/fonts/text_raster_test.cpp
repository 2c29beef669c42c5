#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "platform/fonts/font_face.h"
#include "platform/fonts/text_raster.h"

namespace zentrova {
namespace {

const TFontFace& Arial() {
  static const auto face = FindFontFace("Arial", {}).face;
  return *face;
}

TEST(TextRaster, CellHeightIsAscentPlusDescent) {
  // (size, em pixels, ascender, descender)
  using P = TPixelSize;
  const std::tuple<P, int, int, int> rows[] = {{P::Cell(32), 29, 26, -6},
                                               {P::Cell(13), 12, 11, -2},
                                               {P::Cell(100), 90, 81, -19},
                                               {P::Em(100), 100, 91, -21},
                                               {P::OfHeight(-13), 13, 12, -3}};
  for (const auto& [size, em, ascender, descender] : rows) {
    const TFaceSizeMetrics m = Arial().SizeMetrics(size);
    EXPECT_EQ(m.em_pixels, em) << size.pixels;
    EXPECT_EQ(m.ascender, ascender) << size.pixels;
    EXPECT_EQ(m.descender, descender) << size.pixels;
    EXPECT_EQ(TextHeight(Arial(), size), ascender - descender);
  }
}

TEST(TextRaster, AFontHeightNamesTheEmTheCellOrTheDefaultEm) {
  using P = TPixelSize;
  // 0 is the default of 8 points: 8 * 96 / 72 = 10.67, 11 pixels of em.
  const std::pair<int, P> rows[] = {{-13, P::Em(13)}, {13, P::Cell(13)}, {0, P::Em(11)}, {-1, P::Em(1)}, {1, P::Cell(1)}};
  for (const auto& [height, size] : rows) EXPECT_EQ(P::OfHeight(height), size) << height;
  EXPECT_EQ(Arial().SizeMetrics(P::OfHeight(0)).em_pixels, 11);
}

TEST(TextRaster, WidthIsTheSumOfHintedAdvances) {
  // At one pixel per font unit the advances are the font's own: H 1479, e 1139, l 455, o 1139.
  EXPECT_EQ(TextWidth(Arial(), TPixelSize::Em(2048), U"Hello"), 4667);
  const TPixelSize size = TPixelSize::Em(13);
  int sum = 0;
  for (char32_t c : std::u32string_view(U"Hello")) sum += Arial().Advance(c, size);
  EXPECT_EQ(TextWidth(Arial(), size, U"Hello"), sum);
  EXPECT_EQ(sum, 29);
}

TEST(TextRaster, StemOfIHasCoverageWhereItsOutlineIs) {
  // At 100 px per em the stem spans x 9.23..18.55 and rises 68.8 px from the baseline (row 91).
  TCoverageImage image(40, 120);
  EXPECT_EQ(DrawTextLine(image, Arial(), TPixelSize::Em(100), 0, 0, U"I"), 28);
  for (int y = 0; y < image.Height(); ++y) {
    const bool in_stem = y >= 91 - 69 && y < 91;
    for (int x = 0; x < image.Width(); ++x) {
      const int c = image.At(x, y), edge = in_stem && (x == 9 || x == 18);
      ASSERT_EQ(c, in_stem && x > 9 && x < 18 ? 255 : edge ? c : 0) << x << "," << y;
      ASSERT_TRUE(!edge || (c > 100 && c < 255)) << x << "," << y;
    }
  }
}

TEST(TextRaster, PlacementClipAndUnderline) {
  const TPixelSize size = TPixelSize::Cell(32);
  TCoverageImage at_origin(128, 64), moved(128, 64), clipped(128, 64), underlined(128, 64);
  DrawTextLine(at_origin, Arial(), size, 0, 0, U" Body");
  DrawTextLine(moved, Arial(), size, 5, 7, U" Body");
  DrawTextLine(clipped, Arial(), size, 0, 0, U" Body", {}, TPixelRect{0, 0, 40, 64});
  const int end = DrawTextLine(underlined, Arial(), size, 0, 0, U" Body", {TFontStyle::Underline});
  ASSERT_GT(std::count(at_origin.Pixels().begin(), at_origin.Pixels().end(), 255), 200);
  for (int y = 0; y + 7 < 64; ++y) {
    for (int x = 0; x + 5 < 128; ++x) {
      ASSERT_EQ(moved.At(x + 5, y + 7), at_origin.At(x, y));
      ASSERT_EQ(clipped.At(x, y), x < 40 ? at_origin.At(x, y) : 0);
    }
  }
  // The underline (2 rows, its top a row below the baseline at 26) runs under the whole text.
  for (int x = 0; x < end; ++x) EXPECT_EQ(underlined.At(x, 27) + underlined.At(x, 28), 510) << x;
  EXPECT_EQ(underlined.At(end, 27), at_origin.At(end, 27));
}

}  // namespace
}  // namespace zentrova
