#include "engine/model/extrusion_solid.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine_test_support.h"

namespace zentrova {
namespace {

using Strings = std::vector<std::string>;
using ExtrusionSolidTest = test::EngineTest;

constexpr long double kTight = 1e-18L;

void ExpectBox(const TBoundingBox& box, long double xmin, long double xmax, long double ymin,
               long double ymax) {
  EXPECT_NEAR(box.XMin, xmin, kTight);
  EXPECT_NEAR(box.XMax, xmax, kTight);
  EXPECT_NEAR(box.YMin, ymin, kTight);
  EXPECT_NEAR(box.YMax, ymax, kTight);
}

TEST_F(ExtrusionSolidTest, MassPropertiesAgainstTheirAnalyticValues) {
  const struct {
    const char* file;
    bool correct_origin;
    long double area, cx, cy, polar_moment, x0;
  } cases[] = {
      // The unit square about its corner: J = 1/3 + 1/3.
      {"outline/square.exs", false, 1, 0.5L, 0.5L, 2.0L / 3, 0},
      // Moved onto its centre in one pass, J taken after: 2/3 - A (0.5^2 + 0.5^2).
      {"outline/square.exs", true, 1, 0, 0, 1.0L / 6, -0.5L},
      // The right triangle with legs of 3: Ix = Iy = 3 * 3^3 / 12 about the legs.
      {"outline/triangle.exs", false, 4.5L, 1, 1, 13.5L, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.file) + (c.correct_origin ? " corrected" : ""));
    TExtrusionSolid solid(nullptr);
    ASSERT_TRUE(solid.Load(Data(c.file), c.correct_origin, 0.01L));
    EXPECT_EQ(solid.Area, c.area);
    EXPECT_NEAR(solid.CentreOfGravity.X.Value, c.cx, kTight);
    EXPECT_NEAR(solid.CentreOfGravity.Y.Value, c.cy, kTight);
    EXPECT_NEAR(solid.PolarMoment, c.polar_moment, 1e-17L);
    EXPECT_EQ(solid.Shape.X.At(0), c.x0);
    EXPECT_EQ(solid.Shape.X.At(0), solid.Shape.X.At(solid.Shape.X.Count() - 1));  // the repeated point too
  }
  EXPECT_TRUE(Logged().empty());
}

TEST_F(ExtrusionSolidTest, FarOutlineNeedsASecondPassAndSaysSo) {
  // A unit square a billion metres out: the first centre is off by rounding, the second pass fixes it.
  TExtrusionSolid solid(nullptr);
  ASSERT_TRUE(solid.Load(Data("outline/far_square.exs"), true, 0.01L));
  EXPECT_EQ(Logged(),
            Strings{"[Warning] Body : center of gravity moved from (9.8765E+0008, 9.8765E+0008) to "
                    "origin (0.0000E+0000, 0.0000E+0000) - number of iterations: 2. If you do not want "
                    "to meve the origin then use correctOrigin = 0."});
  EXPECT_EQ(solid.Shape.X.At(0), -0.5L);
}

TEST_F(ExtrusionSolidTest, BoxTreeSplitsTwiceAndWidensFlatBoxesIntoTheBody) {
  TExtrusionSolid solid(nullptr);
  ASSERT_TRUE(solid.Load(Data("outline/nine.exs"), false, 0.1L));  // a 2 x 2 square, 9 points
  const TBoundingBoxTree& root = solid.BoxTree;
  ASSERT_EQ(root.Count(), 2);
  const TBoundingBoxTree& low = root.Items(0);
  const TBoundingBoxTree& high = root.Items(1);
  ASSERT_EQ(low.Count(), 2);
  ASSERT_EQ(high.Count(), 2);
  // The mid point belongs to both halves.
  const std::uint32_t ranges[4][2] = {{0, 2}, {2, 4}, {4, 6}, {6, 8}};
  const TBoundingBoxTree* leaves[4] = {&low.Items(0), &low.Items(1), &high.Items(0), &high.Items(1)};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(leaves[i]->First, ranges[i][0]);
    EXPECT_EQ(leaves[i]->Last, ranges[i][1]);
    EXPECT_EQ(leaves[i]->Count(), 0);
  }
  ExpectBox(leaves[0]->Box, 0, 2, 0, 0.1L);  // bottom, running +x: upwards
  ExpectBox(leaves[1]->Box, 1.9L, 2, 0, 2);  // right side, running up: to -x
  ExpectBox(leaves[2]->Box, 0, 2, 1.9L, 2);  // top, running -x: downwards
  ExpectBox(leaves[3]->Box, 0, 0.1L, 0, 2);  // left side, running down: to +x
  ExpectBox(low.Box, 0, 2, 0, 2);
}

}  // namespace
}  // namespace zentrova
