#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <tuple>

#include "platform/fonts/font_face.h"
#include "platform/fonts/glyph_outline.h"

namespace zentrova {
namespace {

// Positive for a counter-clockwise contour (y up).
double SignedArea(const TContour& contour) {
  double twice = 0;
  for (std::size_t i = 0; i < contour.size(); ++i) {
    const TFontPoint a = contour[i], b = contour[(i + 1) % contour.size()];
    twice += a.x * b.y - b.x * a.y;
  }
  return twice / 2;
}

// Largest distance of the finely sampled curve from the closed polyline.
template <class Curve>
double Deviation(const TContour& contour, Curve curve) {
  double worst = 0;
  for (int k = 0; k <= 2000; ++k) {
    const TFontPoint p = curve(k / 2000.0);
    double best = INFINITY;
    for (std::size_t i = 0; i < contour.size(); ++i) {
      const TFontPoint a = contour[i], b = contour[(i + 1) % contour.size()];
      const double dx = b.x - a.x, dy = b.y - a.y;
      const double t = std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
      best = std::min(best, std::hypot(p.x - a.x - t * dx, p.y - a.y - t * dy));
    }
    worst = std::max(worst, best);
  }
  return worst;
}

TEST(ContourFlattener, QuadraticTakesTheFewestChordsWithinTheDeviation) {
  // B'' = 2 (p0 - 2 p1 + p2) = (0, -8): n chords deviate by 1 / n^2, so 0.011 needs exactly 10.
  TContourFlattener flattener(0.011, 1);
  flattener.MoveTo({0, 0});
  flattener.QuadraticTo({1, 2}, {2, 0});
  flattener.LineTo({0, 0});
  const auto contours = flattener.TakeContours();
  ASSERT_EQ(contours.size(), 1u);
  EXPECT_EQ(contours[0].size(), 11u);  // the closing line adds no point
  const double d = Deviation(contours[0], [](double t) { return TFontPoint{2 * t, 4 * t * (1 - t)}; });
  EXPECT_LE(d, 0.011);
  EXPECT_GT(d, 0.0095);  // 11 chords would keep within 0.0083
}

TEST(ContourFlattener, CubicStaysWithinTheDeviationWithoutOverRefining) {
  for (double deviation : {0.01, 0.001, 0.0001}) {
    TContourFlattener flattener(deviation, 1);
    flattener.MoveTo({0, 0});
    flattener.CubicTo({0, 1}, {1, 1}, {1, 0});
    const double d = Deviation(flattener.TakeContours().at(0), [](double t) {
      return TFontPoint{3 * (1 - t) * t * t + t * t * t, 3 * (1 - t) * t};
    });
    EXPECT_LE(d, deviation);
    EXPECT_GE(d, deviation / 4);
  }
}

TEST(ContourFlattener, ZeroDeviationTakesTheDefaultPerEmAndDegenerateContoursGo) {
  TContourFlattener f(0, 2048);
  f.MoveTo({0, 0});
  f.QuadraticTo({1024, 2048}, {2048, 0});  // |B''| = 8192: 23 chords keep within 2.048, a thousandth
  f.MoveTo({0, 0});                        // a lone point, there and back, a square with a repeated corner
  f.MoveTo({0, 0});
  f.LineTo({5, 5});
  f.LineTo({0, 0});
  f.MoveTo({0, 0});
  for (TFontPoint p : {TFontPoint{1, 0}, TFontPoint{1, 0}, TFontPoint{1, 1}}) f.LineTo(p);
  const auto contours = f.TakeContours();
  ASSERT_EQ(contours.size(), 2u);
  EXPECT_EQ(contours[0].size(), 24u);
  EXPECT_EQ(contours[1].size(), 3u);
}

TEST(GlyphOutline, LiberationSansInEmUnitsTurningTrueTypeWays) {
  // Font units of the 2048 em: contours, exact bounds, advance; the straight glyphs' areas are exact.
  const std::tuple<char32_t, std::size_t, std::array<double, 5>, double> rows[] = {
      {U'I', 1, {189, 0, 380, 1409, 569}, -191.0 * 1409},
      {U'l', 1, {138, 0, 318, 1484, 455}, -180.0 * 1484},
      {U'O', 2, {97, -20, 1495, 1430, 1593}, 0},
      {U'8', 3, {89, -20, 1050, 1430, 1139}, 0},
      {U' ', 0, {0, 0, 0, 0, 569}, 0}};
  const auto face = FindFontFace("Arial", {}).face;
  for (const auto& [c, contours, box, expected_area] : rows) {
    const TGlyphOutline g = face->Outline(c, 0);
    EXPECT_EQ(g.contours.size(), contours) << char(c);
    EXPECT_EQ(g.fill, TOutlineFill::Right);
    const double got[] = {g.x_min, g.y_min, g.x_max, g.y_max, g.advance_x};
    for (int i = 0; i < 5; ++i) EXPECT_DOUBLE_EQ(got[i] * 2048, box[i]) << char(c) << i;
    double area = 0;
    for (const TContour& contour : g.contours) area += SignedArea(contour);
    if (expected_area != 0) {
      EXPECT_NEAR(area * 2048 * 2048, expected_area, 1e-6);
    }
  }
  // The O's outer contour runs clockwise near the ellipse in its bounds, the hole counter-clockwise.
  const TGlyphOutline o = face->Outline(U'O', 0.01);
  const double outer = SignedArea(o.contours[0]), hole = SignedArea(o.contours[1]);
  EXPECT_NEAR(outer, -M_PI / 4 * (o.x_max - o.x_min) * (o.y_max - o.y_min), 0.05 * -outer);
  EXPECT_GT(hole, 0);
  EXPECT_LT(hole, -outer);
}

}  // namespace
}  // namespace zentrova
