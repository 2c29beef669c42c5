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
using Reals = std::vector<long double>;
using test::Elements;
using test::Fill;

constexpr long double kPi = std::numbers::pi_v<long double>;

class ExtrusionShapeTest : public test::EngineTest {
 protected:
  // The unit square, its lists to move copied into x and y.
  void LoadSquare() {
    ASSERT_TRUE(shape_.Load(Data("outline/square.exs")));
    x_.Assign(&shape_.X);
    y_.Assign(&shape_.Y);
  }
  TExtrusionShape shape_;
  TFloatList x_, y_, amount_;
};

TEST_F(ExtrusionShapeTest, RoundTripIsByteIdentical) {
  ASSERT_TRUE(shape_.Load(Data("outline/golden.exs")));
  EXPECT_EQ(Elements(shape_.X), (Reals{-0.25L, 1.5L, 1.5L, 0.5L, 0.5L, -0.25L, -0.25L}));
  EXPECT_EQ(Elements(shape_.Y), (Reals{0, 0, 0.5L, 0.5L, 2, 2, 0}));
  test::TempDir dir;
  ASSERT_TRUE(TExtrusionShape::WriteShapeFile(dir.File("copy.exs"), shape_.X, shape_.Y));
  EXPECT_EQ(test::ReadBytes(dir.File("copy.exs")), test::ReadBytes(Data("outline/golden.exs")));
  EXPECT_TRUE(Logged().empty());
  shape_.Y.Add(0);  // lists of different length are refused
  EXPECT_FALSE(TExtrusionShape::WriteShapeFile(dir.File("bad.exs"), shape_.X, shape_.Y));
}

TEST_F(ExtrusionShapeTest, ReadsOutlinesAndTheirVertexAngles) {
  const struct {
    const char* file;
    long double angle;  // at every point
  } cases[] = {{"outline/square.exs", kPi / 2},
               {"outline/square_cw.exs", 3 * kPi / 2},  // clockwise: reflex angles
               {"outline/spread.exs", kPi / 2}};        // "Points =", comments, numbers spread over lines
  for (const auto& c : cases) {
    TExtrusionShape shape;
    ASSERT_TRUE(shape.Load(Data(c.file))) << c.file;
    ASSERT_EQ(shape.VertexAngle.Count(), 5u);
    for (std::uint32_t i = 0; i < 5; ++i)
      EXPECT_NEAR(shape.VertexAngle.At(i), c.angle, 1e-17L) << c.file << i;
  }
  EXPECT_TRUE(Logged().empty());
  ASSERT_TRUE(shape_.Load(Data("outline/open.exs")));  // an open outline is reported and kept
  EXPECT_EQ(Logged(), Strings{"[Alert] Extrusion shape in file open.exs is not closed ."});
  EXPECT_EQ(shape_.Y.At(4), 0.5L);
}

TEST_F(ExtrusionShapeTest, UnreadableFilesFailWithTheirReasonAndTheCheckLine) {
  const std::string count = " must give a count of 2 to 214748363 points: ";
  const std::string no_count = " holds no line beginning with \"points =\".";
  const struct {
    const char* name;
    std::string reason;  // follows "[Error] Outline file <name>"
  } cases[] = {{"no_count.exs", no_count},
               {"no_blank.exs", no_count},
               {"bad_count.exs", " line 1" + count + "points =5 points."},
               {"one_point.exs", " line 1" + count + "points =1."},
               {"no_data.exs", " holds no %%data line after its count."},
               {"few_numbers.exs", " ends after 3 of its 5 y values."},
               // The line of the token that is no number.
               {"y_on_x_line.exs", " line 4: y value 1 is no finite number: %%enddata."},
               {"not_a_number.exs", " line 3: x value 3 is no finite number: 1,5."},
               {"nan.exs", " line 3: x value 3 is no finite number: NaN."}};
  for (const auto& c : cases) {
    log_.Clear();
    TExtrusionShape shape;
    const std::string name = c.name;
    EXPECT_FALSE(shape.Load(Data("outline/" + name)));
    EXPECT_EQ(Logged(), (Strings{"[Error] Outline file " + name + c.reason,
                                 "[Error] Check extrusion shape in file " + name + "."}));
    EXPECT_EQ(shape.X.Count() + shape.Watched.size(), 0u) << name;
  }
  log_.Clear();
  EXPECT_FALSE(shape_.Load(Data("outline/nothere.exs")));
  EXPECT_EQ(Logged(), (Strings{"[Error] No bodyShape file found. File nothere.exs.",
                               "[Error] Check extrusion shape in file nothere.exs."}));
}

TEST_F(ExtrusionShapeTest, WatchedPointsMoveInOrder) {
  LoadSquare();
  shape_.Watched[0] = true;
  shape_.Watched[2] = true;
  shape_.Reshape.DirectionY = -2;
  Fill(amount_, {0.5L, 0.25L});
  ASSERT_TRUE(shape_.MoveAlongDirection(amount_, x_, y_));
  EXPECT_EQ(Elements(x_), (Reals{0, 1, 1, 0, 0}));
  EXPECT_EQ(Elements(y_), (Reals{-1, 0, 0.5L, 1, -1}));   // the closing point follows point 0
  EXPECT_EQ(Elements(shape_.Y), (Reals{0, 0, 1, 1, 0}));  // the shape's own outline stays

  shape_.Watched[0] = false;
  shape_.Watched[1] = true;
  shape_.Watched[2] = false;
  shape_.Reshape.DirectionInside = -1;  // outwards along the normal at (1, 0)
  x_.Assign(&shape_.X);
  y_.Assign(&shape_.Y);
  Fill(amount_, {std::sqrt(2.0L)});
  ASSERT_TRUE(shape_.MoveInward(amount_, x_, y_));
  EXPECT_NEAR(x_.At(1), 2, 1e-18L);
  EXPECT_NEAR(y_.At(1), -1, 1e-18L);
  EXPECT_EQ(x_.At(0), 0);
  EXPECT_TRUE(Logged().empty());
}

}  // namespace
}  // namespace zentrova
