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
    return coordinates().Load(Write("model.gc", text), n);
  }
  TGeneralizedCoordinates& coordinates() { return world_.Model().GeneralizedCoordinates; }
  TBody& Arm() { return world_.Model().Bodies.Items(0); }
  TBody& Hand() { return world_.Model().Bodies.Items(1); }
};

TEST_F(GeneralizedCoordinatesTest, LinksTheNamedBodyCoordinatesAndCopiesTheirStartValues) {
  // Blanks, tabs and the time mark in any letter case go; CR LF line ends are read too.
  ASSERT_TRUE(Load("b`Arm`Rz [t]\r\n\tb`Hand` x[T]\r\nb`Hand`y\r\n", 3));
  EXPECT_EQ(coordinates().Names, (Strings{"b`Arm`Rz", "b`Hand`x", "b`Hand`y"}));
  const TCoordinateList& q = world_.State.Evaluated;
  EXPECT_EQ(test::Elements(q.Q), (std::vector<long double>{0.4L, 7, -1}));
  EXPECT_EQ(test::Elements(q.QDot), (std::vector<long double>{2, 0.25L, 0}));
  // The bodies now move with q; unnamed coordinates keep their own values.
  world_.State.Evaluated.Q.SetAt(0, 1.25L);
  world_.State.Evaluated.QDot.SetAt(1, -3);
  EXPECT_EQ(Arm().Kinematics.Position.Rz.Get(), 1.25L);
  EXPECT_EQ(Hand().Kinematics.Velocity.X.Get(), -3);
  EXPECT_EQ(Arm().Kinematics.Position.X.Get(), 1.5L);
  EXPECT_TRUE(NewLines().empty());
  std::uint32_t index = 99;
  EXPECT_TRUE(coordinates().IndexOf("b`Hand`x", index) && !coordinates().IndexOf("b`hand`x", index));
  EXPECT_EQ(index, 1u);
}

// Blank lines after the last name index nothing; only one between names moves the names after it.
TEST_F(GeneralizedCoordinatesTest, TrailingBlankLinesAreNoNames) {
  for (const char* text : {"b`Arm`Rz\nb`Hand`x\n\n", "b`Arm`Rz\r\nb`Hand`x\r\n\r\n", "b`Arm`Rz\nb`Hand`x\n \t\n\n\t"}) {
    MarkLog();
    EXPECT_TRUE(Load(text, 2)) << text;
    EXPECT_EQ(coordinates().Names, (Strings{"b`Arm`Rz", "b`Hand`x"})) << text;
    EXPECT_EQ(coordinates().Count, 2u);
    EXPECT_TRUE(NewLines().empty()) << text;
  }
  // The blank lines are no coordinates: the world's count must match the names.
  MarkLog();
  EXPECT_FALSE(Load("b`Arm`Rz\nb`Hand`x\n\n", 3));
}

TEST_F(GeneralizedCoordinatesTest, RefusedFilesFailTheLoadWithTheirLine) {
  const struct {
    const char* text;  // nullptr: no file
    std::uint32_t n;
    const char* line;
  } cases[] = {
      {nullptr, 1, "[Error] No generalized coordinates file found. File none.gc."},
      // The counts, and where the world file gives n (here not the n handed over).
      {"b`Arm`Rz\nb`Hand`x\n", 3,
       "[Error] Number of generalized coordinates defined in world file does not match the generalized "
       "coordinates file. File model.gc has 2 lines where numberOfGeneralizedCoodinates gives 3 (line 2 of file "
       "arm.wld)."},
      {"b`Arm`Rz\n", 2,
       "[Error] Number of generalized coordinates defined in world file does not match the generalized "
       "coordinates file. File model.gc has 1 line where numberOfGeneralizedCoodinates gives 2 (line 2 of file "
       "arm.wld)."},
      // Three lines, but q_2 would have no name and b`Hand`x would take the place of q_3.
      {"b`Arm`Rz\n \t\nb`Hand`x\n", 3,
       "[Error] Line 2 of generalized coordinates file model.gc is blank: each line names one generalized "
       "coordinate."},
      {"b`Arm`Rz\nb`Wheel`x\n", 2,
       "[Error] Body Wheel coordinate not found/created. Name of body (defined in bdy file) is used for the "
       "body coordinates. In generalized coordinates file model.gc line 2, no body is named Wheel; the bodies "
       "are Arm, Hand."},
      {"b`Arm`rz\nb`Hand`x\n", 2,
       "[Error] Body position pointer of b.Arm.rz was not set: rz is none of x, y, z, Rx, Ry, Rz in generalized "
       "coordinates file model.gc line 1."},
      // Two q's bound to one body coordinate: refused naming both lines, whatever the count says.
      {"b`Arm`Rz\nb`Hand`x\nb`Arm`Rz [t]\n", 2,
       "[Error] Generalized coordinate b`Arm`Rz is named twice in generalized coordinates file model.gc: lines 1 "
       "and 3."},
  };
  for (const auto& c : cases) {
    MarkLog();
    EXPECT_FALSE(
        coordinates().Load(c.text != nullptr ? Write("model.gc", c.text) : dir_.File("none.gc"), c.n));
    EXPECT_EQ(NewLines(), Strings{c.line});
  }
}

}  // namespace
}  // namespace zentrova
