#include "engine/model/extrusion_solid.h"

#include <gtest/gtest.h>

#include <cmath>
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

TEST_F(ExtrusionSolidTest, UnitSquareAboutItsCorner) {
  TExtrusionSolid solid(nullptr);
  ASSERT_TRUE(solid.Load(Data("outline/square.exs"), false, 0.01L));
  EXPECT_EQ(solid.Area, 1);
  EXPECT_EQ(solid.CentreOfGravity.X.Value, 0.5L);
  EXPECT_EQ(solid.CentreOfGravity.Y.Value, 0.5L);
  EXPECT_EQ(solid.CentreOfGravity.Z.Value, 0);
  EXPECT_NEAR(solid.PolarMoment, 2.0L / 3, kTight);
  EXPECT_EQ(solid.Shape.X.At(0), 0);  // not moved
  EXPECT_TRUE(Logged().empty());
}

TEST_F(ExtrusionSolidTest, OriginCorrectionInOnePassIsSilent) {
  TExtrusionSolid solid(nullptr);
  ASSERT_TRUE(solid.Load(Data("outline/square.exs"), true, 0.01L));
  EXPECT_EQ(solid.CentreOfGravity.X.Value, 0);
  EXPECT_EQ(solid.CentreOfGravity.Y.Value, 0);
  EXPECT_EQ(solid.Shape.X.At(0), -0.5L);
  EXPECT_EQ(solid.Shape.Y.At(4), -0.5L);  // the repeated point moves too
  // Taken after the correction: about the centre, 2/3 - A (0.5^2 + 0.5^2).
  EXPECT_NEAR(solid.PolarMoment, 1.0L / 6, kTight);
  EXPECT_TRUE(Logged().empty());
}

TEST_F(ExtrusionSolidTest, RightTriangleAgainstItsAnalyticValues) {
  TExtrusionSolid solid(nullptr);
  ASSERT_TRUE(solid.Load(Data("outline/triangle.exs"), false, 0.01L));
  EXPECT_EQ(solid.Area, 4.5L);
  EXPECT_NEAR(solid.CentreOfGravity.X.Value, 1, kTight);
  EXPECT_NEAR(solid.CentreOfGravity.Y.Value, 1, kTight);
  // Ix = Iy = 3 * 3^3 / 12 about the legs.
  EXPECT_NEAR(solid.PolarMoment, 13.5L, 1e-17L);
}

TEST_F(ExtrusionSolidTest, FarOutlineNeedsASecondPassAndSaysSo) {
  // A unit square a billion metres out: the first centre is off by rounding, the second pass fixes it.
  TExtrusionSolid solid(nullptr);
  ASSERT_TRUE(solid.Load(Data("outline/far_square.exs"), true, 0.01L));
  EXPECT_EQ(Logged(),
            Strings{"[Warning] Body : center of gravity moved from (9.8765E+0008, 9.8765E+0008) to "
                    "origin (0.0000E+0000, 0.0000E+0000) - number of iterations: 2. If you do not want "
                    "to meve the origin then use correctOrigin = 0."});
  EXPECT_EQ(solid.CentreOfGravity.X.Value, 0);
  EXPECT_EQ(solid.Shape.X.At(0), -0.5L);
  EXPECT_NEAR(solid.PolarMoment, 1.0L / 6, kTight);
}

TEST_F(ExtrusionSolidTest, ClockwiseAndFlatOutlinesAreRefused) {
  TExtrusionSolid cw(nullptr);
  EXPECT_FALSE(cw.Load(Data("outline/square_cw.exs"), true, 0.01L));
  TExtrusionSolid flat(nullptr);
  EXPECT_FALSE(flat.Load(Data("outline/flat.exs"), true, 0.01L));
  EXPECT_EQ(
      Logged(),
      (Strings{"[Error] Extrusion shape of body  in file square_cw.exs runs clockwise; its points must run "
               "counter-clockwise.",
               "[Error] Extrusion shape of body  in file flat.exs encloses no area."}));
  EXPECT_EQ(cw.BoxTree.Count(), 0);
}

TEST_F(ExtrusionSolidTest, UnreadableOutlineAddsTheShapeLine) {
  TExtrusionSolid solid(nullptr);
  EXPECT_FALSE(solid.Load(Data("outline/few_numbers.exs"), true, 0.01L));
  EXPECT_EQ(Logged(), (Strings{"[Error] Check extrusion shape in file few_numbers.exs.",
                               "[Error] No body shape (exs) file found. Check body (bdy) files."}));
}

TEST_F(ExtrusionSolidTest, FivePointsGiveARootWithTwoLeaves) {
  TExtrusionSolid solid(nullptr);
  ASSERT_TRUE(solid.Load(Data("outline/five.exs"), false, 0.1L));
  const TBoundingBoxTree& root = solid.BoxTree;
  EXPECT_EQ(root.First, 0u);
  EXPECT_EQ(root.Last, 4u);
  ExpectBox(root.Box, 0, 2, 0, 1);
  ASSERT_EQ(root.Count(), 2);
  EXPECT_EQ(root.Items(0).First, 0u);
  EXPECT_EQ(root.Items(0).Last, 2u);
  EXPECT_EQ(root.Items(1).First, 2u);
  EXPECT_EQ(root.Items(1).Last, 4u);
  EXPECT_EQ(root.Items(0).Count(), 0);
  EXPECT_EQ(root.Items(1).Count(), 0);
  // The bottom edge runs to +x: its flat box is widened upwards, into the body.
  ExpectBox(root.Items(0).Box, 0, 2, 0, 0.1L);
  ExpectBox(root.Items(1).Box, 0, 2, 0, 1);
}

TEST_F(ExtrusionSolidTest, TopEdgeRunningToMinusXIsWidenedDownwards) {
  TExtrusionSolid solid(nullptr);
  ASSERT_TRUE(solid.Load(Data("outline/five_top.exs"), false, 0.1L));
  ASSERT_EQ(solid.BoxTree.Count(), 2);
  ExpectBox(solid.BoxTree.Items(0).Box, 0, 2, 0.9L, 1);
}

TEST_F(ExtrusionSolidTest, NinePointsSplitTwiceAndVerticalEdgesWidenInwards) {
  TExtrusionSolid solid(nullptr);
  ASSERT_TRUE(solid.Load(Data("outline/nine.exs"), false, 0.1L));
  const TBoundingBoxTree& root = solid.BoxTree;
  ASSERT_EQ(root.Count(), 2);
  const TBoundingBoxTree& low = root.Items(0);
  const TBoundingBoxTree& high = root.Items(1);
  EXPECT_EQ(low.First, 0u);
  EXPECT_EQ(low.Last, 4u);
  EXPECT_EQ(high.First, 4u);
  EXPECT_EQ(high.Last, 8u);
  ASSERT_EQ(low.Count(), 2);
  ASSERT_EQ(high.Count(), 2);
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

TEST_F(ExtrusionSolidTest, TranslateMovesEveryPoint) {
  TExtrusionSolid solid(nullptr);
  ASSERT_TRUE(solid.Load(Data("outline/square.exs"), false, 0.01L));
  solid.Translate(2, -3);
  EXPECT_EQ(solid.Shape.X.At(4), 2);
  EXPECT_EQ(solid.Shape.Y.At(2), -2);
  solid.ComputeCentreOfGravity();
  EXPECT_EQ(solid.CentreOfGravity.X.Value, 2.5L);
  EXPECT_EQ(solid.CentreOfGravity.Y.Value, -2.5L);
}

}  // namespace
}  // namespace zentrova
