#include "engine/model/generalized_coordinates.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "equations_test_support.h"

namespace zentrova {
namespace {

using Strings = std::vector<std::string>;

class GeneralizedCoordinatesTest : public test::EquationsTest {
 protected:
  void SetUp() override {
    EquationsTest::SetUp();
    LoadBodies("arm", "arm.wld");
  }
  bool Load(const std::string& text, std::uint32_t n) {
    const std::string file = dir_.File("model.gc");
    test::WriteBytes(file, text);
    return coordinates().Load(file, n);
  }
  TGeneralizedCoordinates& coordinates() { return world_.Model().GeneralizedCoordinates; }
  TBody& Arm() { return world_.Model().Bodies.Items(0); }
  TBody& Hand() { return world_.Model().Bodies.Items(1); }

  test::TempDir dir_;
};

TEST_F(GeneralizedCoordinatesTest, LinksTheNamedBodyCoordinatesAndCopiesTheirStartValues) {
  // Blanks, tabs and the time mark in any letter case go; CR LF line ends are read too.
  ASSERT_TRUE(Load("b`Arm`Rz [t]\r\n\tb`Hand` x[T]\r\nb`Hand`y\r\n", 3));
  EXPECT_EQ(coordinates().Names, (Strings{"b`Arm`Rz", "b`Hand`x", "b`Hand`y"}));
  EXPECT_EQ(coordinates().Count, 3u);
  EXPECT_EQ(world_.State.Current.Count(), 3u);
  EXPECT_EQ(world_.State.VelocityJump.Count(), 3u);

  const TCoordinateList& q = world_.State.Evaluated;
  EXPECT_EQ(q.Q.At(0), 0.4L);
  EXPECT_EQ(q.QDot.At(0), 2);
  EXPECT_EQ(q.Q.At(1), 7);
  EXPECT_EQ(q.QDot.At(1), 0.25L);
  EXPECT_EQ(q.Q.At(2), -1);
  EXPECT_EQ(q.QDDot.At(2), 0);
  EXPECT_TRUE(q.Bound());
  // The saved state stays at zero until the world accepts the first state.
  EXPECT_EQ(world_.State.Current.Q.At(0), 0);

  // The bodies now move with q.
  world_.State.Evaluated.Q.SetAt(0, 1.25L);
  world_.State.Evaluated.QDot.SetAt(1, -3);
  EXPECT_EQ(Arm().Kinematics.Position.Rz.Get(), 1.25L);
  EXPECT_EQ(Hand().Kinematics.Velocity.X.Get(), -3);
  EXPECT_EQ(Arm().Links.Rz.Index, 0);
  EXPECT_EQ(Hand().Links.Y.Index, 2);
  EXPECT_TRUE(Hand().Links.X.Linked);
  EXPECT_FALSE(Hand().Links.Rz.Linked);
  // Unnamed coordinates keep their own values.
  EXPECT_EQ(Arm().Kinematics.Position.X.Get(), 1.5L);
  EXPECT_TRUE(NewLines().empty());
}

TEST_F(GeneralizedCoordinatesTest, EveryLineCountsAgainstN) {
  // Two names and a blank line are three lines.
  EXPECT_FALSE(Load("b`Arm`Rz\nb`Hand`x\n\n", 2));
  EXPECT_TRUE(Load("b`Arm`Rz\nb`Hand`x\n\n", 3));
  EXPECT_EQ(coordinates().Names, (Strings{"b`Arm`Rz", "b`Hand`x"}));
  EXPECT_EQ(NewLines(), (Strings{"[Error] Number of generalized coordinates defined in world file does not "
                                 "match the generalized coordinates file. "}));
}

TEST_F(GeneralizedCoordinatesTest, AMissingFileFails) {
  EXPECT_FALSE(coordinates().Load(dir_.File("none.gc"), 1));
  EXPECT_EQ(NewLines(), (Strings{"[Error] No generalized coordinates file found."}));
}

TEST_F(GeneralizedCoordinatesTest, AKeyThatNamesNothingFailsTheLoad) {
  EXPECT_FALSE(Load("b`Arm`Rz\nb`Wheel`x\n", 2));
  EXPECT_EQ(NewLines(), (Strings{"[Error] Body Wheel coordinate not found/created. Name of body (defined in "
                                 "bdy file) is used for the body coordinates."}));
  EXPECT_FALSE(Load("b`Arm`rz\nb`Hand`x\n", 2));
  EXPECT_EQ(NewLines().back(), "[Error] Body position pointer of b.Arm.rz was not set.");
}

TEST_F(GeneralizedCoordinatesTest, ANameWithoutABodyIsSkipped) {
  // A coordinate of no body does not keep the bodies after it from moving.
  ASSERT_TRUE(Load("phi[t]\nb`Hand`x\n", 2));
  EXPECT_EQ(coordinates().Names, (Strings{"phi", "b`Hand`x"}));
  EXPECT_EQ(world_.State.Evaluated.Q.At(0), 0);
  EXPECT_EQ(world_.State.Evaluated.Q.At(1), 7);
  EXPECT_EQ(Hand().Links.X.Index, 1);
  EXPECT_TRUE(NewLines().empty());
}

TEST_F(GeneralizedCoordinatesTest, IndexOfComparesWithLetterCase) {
  ASSERT_TRUE(Load("b`Arm`Rz\nb`Hand`x\n", 2));
  std::uint32_t index = 99;
  EXPECT_TRUE(coordinates().IndexOf("b`Hand`x", index));
  EXPECT_EQ(index, 1u);
  EXPECT_FALSE(coordinates().IndexOf("b`hand`x", index));
  EXPECT_FALSE(coordinates().IndexOf("b`Hand`x[t]", index));
  EXPECT_EQ(index, 1u);
}

}  // namespace
}  // namespace zentrova
