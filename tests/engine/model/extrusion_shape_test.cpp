#include "engine/model/extrusion_shape.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "engine_test_support.h"

namespace zentrova {
namespace {

using Strings = std::vector<std::string>;
using ExtrusionShapeTest = test::EngineTest;
using test::Elements;
using test::Fill;

constexpr long double kPi = std::numbers::pi_v<long double>;

TEST_F(ExtrusionShapeTest, RoundTripIsByteIdentical) {
  TExtrusionShape shape;
  ASSERT_TRUE(shape.Load(Data("outline/golden.exs")));
  EXPECT_EQ(Elements(shape.X), (std::vector<long double>{-0.25L, 1.5L, 1.5L, 0.5L, 0.5L, -0.25L, -0.25L}));
  EXPECT_EQ(Elements(shape.Y), (std::vector<long double>{0, 0, 0.5L, 0.5L, 2, 2, 0}));
  test::TempDir dir;
  ASSERT_TRUE(TExtrusionShape::WriteShapeFile(dir.File("copy.exs"), shape.X, shape.Y));
  EXPECT_EQ(test::ReadBytes(dir.File("copy.exs")), test::ReadBytes(Data("outline/golden.exs")));
  EXPECT_TRUE(Logged().empty());
}

TEST_F(ExtrusionShapeTest, WriterRefusesListsOfDifferentLength) {
  TFloatList x, y;
  Fill(x, {0, 1});
  Fill(y, {0});
  test::TempDir dir;
  EXPECT_FALSE(TExtrusionShape::WriteShapeFile(dir.File("bad.exs"), x, y));
}

TEST_F(ExtrusionShapeTest, ReadsTheHandWrittenExample) {
  TExtrusionShape shape;
  ASSERT_TRUE(shape.Load(Data("outline/square.exs")));
  EXPECT_EQ(Elements(shape.X), (std::vector<long double>{0, 1, 1, 0, 0}));
  EXPECT_EQ(Elements(shape.Y), (std::vector<long double>{0, 0, 1, 1, 0}));
  EXPECT_EQ(shape.Watched, std::vector<bool>(5, false));
  EXPECT_EQ(shape.WatchIndex, std::vector<std::int32_t>(5, 0));
  ASSERT_EQ(shape.VertexAngle.Count(), 5u);
  for (std::uint32_t i = 0; i < 5; ++i) EXPECT_NEAR(shape.VertexAngle.At(i), kPi / 2, 1e-17L) << i;
}

TEST_F(ExtrusionShapeTest, ClockwiseSquareHasReflexAngles) {
  TExtrusionShape shape;
  ASSERT_TRUE(shape.Load(Data("outline/square_cw.exs")));
  for (std::uint32_t i = 0; i < 5; ++i) EXPECT_NEAR(shape.VertexAngle.At(i), 3 * kPi / 2, 1e-17L) << i;
}

TEST_F(ExtrusionShapeTest, HeaderLinesCapitalCountAndSpreadNumbers) {
  TExtrusionShape shape;
  ASSERT_TRUE(shape.Load(Data("outline/spread.exs")));
  EXPECT_EQ(Elements(shape.X), (std::vector<long double>{0, 1, 1, 0, 0}));
  EXPECT_EQ(Elements(shape.Y), (std::vector<long double>{0, 0, 1, 1, 0}));
  EXPECT_TRUE(Logged().empty());
}

TEST_F(ExtrusionShapeTest, OpenOutlineIsReportedAndKept) {
  TExtrusionShape shape;
  ASSERT_TRUE(shape.Load(Data("outline/open.exs")));
  EXPECT_EQ(Logged(), Strings{"[Alert] Extrusion shape in file open.exs is not closed ."});
  EXPECT_EQ(shape.Y.At(4), 0.5L);
}

TEST_F(ExtrusionShapeTest, MissingFileGivesBothLines) {
  TExtrusionShape shape;
  EXPECT_FALSE(shape.Load(Data("outline/nothere.exs")));
  EXPECT_EQ(Logged(), (Strings{"[Error] No bodyShape file found.",
                               "[Error] Check extrusion shape in file nothere.exs."}));
}

TEST_F(ExtrusionShapeTest, UnreadableFilesFailWithTheCheckLine) {
  for (const char* name : {"no_count.exs", "no_blank.exs", "bad_count.exs", "one_point.exs", "no_data.exs",
                           "few_numbers.exs", "y_on_x_line.exs", "not_a_number.exs", "nan.exs"}) {
    SCOPED_TRACE(name);
    TLog log;
    TLog* const fixture_log = SetGlobalLog(&log);
    TExtrusionShape shape;
    EXPECT_FALSE(shape.Load(Data(std::string("outline/") + name)));
    SetGlobalLog(fixture_log);
    EXPECT_EQ(log.Lines(), Strings{"[Error] Check extrusion shape in file " + std::string(name) + "."});
    EXPECT_EQ(shape.X.Count(), 0u);
    EXPECT_EQ(shape.Y.Count(), 0u);
    EXPECT_TRUE(shape.Watched.empty());
  }
}

TEST_F(ExtrusionShapeTest, HugeCountInAShortFileAllocatesNothing) {
  test::TempDir dir;
  test::WriteBytes(dir.File("huge.exs"), "points =200000000\r\n%%data\r\n0 1 1 0 0\r\n0 0 1 1 0\r\n");
  TExtrusionShape shape;
  EXPECT_FALSE(shape.Load(dir.File("huge.exs")));
  EXPECT_EQ(shape.X.Count(), 0u);
}

TEST_F(ExtrusionShapeTest, InwardNormalsOfTheSquarePointIn) {
  TExtrusionShape shape;
  ASSERT_TRUE(shape.Load(Data("outline/square.exs")));
  TFloatList nx, ny;
  ASSERT_TRUE(shape.InwardNormals(nx, ny));
  const long double h = std::sqrt(0.5L);
  const long double ex[] = {h, -h, -h, h, h};
  const long double ey[] = {h, h, -h, -h, h};
  for (std::uint32_t i = 0; i < 5; ++i) {
    EXPECT_NEAR(nx.At(i), ex[i], 1e-18L) << i;
    EXPECT_NEAR(ny.At(i), ey[i], 1e-18L) << i;
  }
}

TEST_F(ExtrusionShapeTest, MoveAlongDirectionMovesWatchedPointsInOrder) {
  TExtrusionShape shape;
  ASSERT_TRUE(shape.Load(Data("outline/square.exs")));
  shape.Watched[0] = true;
  shape.Watched[2] = true;
  shape.Reshape.DirectionX = 0;
  shape.Reshape.DirectionY = -2;
  TFloatList x, y, amount;
  x.Assign(&shape.X);
  y.Assign(&shape.Y);
  Fill(amount, {0.5L, 0.25L});
  ASSERT_TRUE(shape.MoveAlongDirection(amount, x, y));
  EXPECT_EQ(Elements(x), (std::vector<long double>{0, 1, 1, 0, 0}));
  EXPECT_EQ(Elements(y),
            (std::vector<long double>{-1, 0, 0.5L, 1, -1}));  // the closing point follows point 0
  EXPECT_EQ(Elements(shape.Y), (std::vector<long double>{0, 0, 1, 1, 0}));  // the shape's own outline stays
}

TEST_F(ExtrusionShapeTest, MoveInwardAlongTheNormals) {
  TExtrusionShape shape;
  ASSERT_TRUE(shape.Load(Data("outline/square.exs")));
  shape.Watched[1] = true;
  shape.Reshape.DirectionInside = -1;  // outwards
  TFloatList x, y, amount;
  x.Assign(&shape.X);
  y.Assign(&shape.Y);
  Fill(amount, {std::sqrt(2.0L)});
  ASSERT_TRUE(shape.MoveInward(amount, x, y));
  EXPECT_NEAR(x.At(1), 2, 1e-18L);
  EXPECT_NEAR(y.At(1), -1, 1e-18L);
  EXPECT_EQ(x.At(0), 0);
  EXPECT_TRUE(Logged().empty());
}

TEST_F(ExtrusionShapeTest, MoveInwardWithoutNormalsFails) {
  TExtrusionShape shape;
  ASSERT_TRUE(shape.Load(Data("outline/spike.exs")));
  shape.Watched[0] = true;
  shape.Reshape.DirectionInside = 1;
  TFloatList x, y, amount;
  x.Assign(&shape.X);
  y.Assign(&shape.Y);
  Fill(amount, {1});
  EXPECT_FALSE(shape.MoveInward(amount, x, y));
  EXPECT_EQ(Logged(), Strings{"[Error] Error in reshaping. Could not find the directions inside the body."});
  EXPECT_EQ(x.At(0), 0);
}

TEST_F(ExtrusionShapeTest, MovesRefuseListsThatDoNotFit) {
  TExtrusionShape shape;
  ASSERT_TRUE(shape.Load(Data("outline/square.exs")));
  shape.Watched[0] = true;
  shape.Watched[1] = true;
  TFloatList x, y, amount;
  x.Assign(&shape.X);
  y.Assign(&shape.Y);
  Fill(amount, {1});  // two watched points, one amount
  EXPECT_FALSE(shape.MoveAlongDirection(amount, x, y));
  Fill(amount, {1, 1});
  y.Add(0);  // an outline of another length
  EXPECT_FALSE(shape.MoveInward(amount, x, y));
  const Strings expected(
      2, "[Error] Error in reshaping. The outline to move does not match the outline of the body.");
  EXPECT_EQ(Logged(), expected);
}

}  // namespace
}  // namespace zentrova
