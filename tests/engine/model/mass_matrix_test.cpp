#include "engine/model/mass_matrix.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/model/expression_list.h"
#include "equations_test_support.h"
#include "platform/exception.h"
#include "platform/text_file.h"

namespace zentrova {
namespace {

using Strings = std::vector<std::string>;
using test::ExpectClose;

TEST(MassMatrixCellsTest, SplitsAtThreeBlanks) {
  EXPECT_EQ(MassMatrixCells("m1 + m2   m2 l cos[q2]"), (Strings{"m1+m2", "m2*l*cos[q2]"}));
  EXPECT_EQ(MassMatrixCells("m   0"), (Strings{"m", "0"}));
  EXPECT_EQ(MassMatrixCells("a / b - c   d"), (Strings{"a/b-c", "d"}));
  // Two blanks are two products; four blanks a separator and a product.
  EXPECT_EQ(MassMatrixCells("m  0"), (Strings{"m**0"}));
  EXPECT_EQ(MassMatrixCells("m    0"), (Strings{"m", "*0"}));
  // Control characters end a cell, a trailing separator adds an empty one, quotes enclose one.
  EXPECT_EQ(MassMatrixCells("a\tb"), (Strings{"a", "b"}));
  EXPECT_EQ(MassMatrixCells("a   "), (Strings{"a", ""}));
  EXPECT_EQ(MassMatrixCells("a      b"), (Strings{"a", "", "b"}));
  EXPECT_EQ(MassMatrixCells("\"x,y\"   z"), (Strings{"x,y", "z"}));
  EXPECT_TRUE(MassMatrixCells("").empty());
}

class PendulumMassMatrixTest : public test::EquationsTest {
 protected:
  void SetUp() override {
    EquationsTest::SetUp();
    LoadPendulum();
  }
};

TEST_F(PendulumMassMatrixTest, MassMatrixAndGeneralizedForcesMatchTheHandComputedValues) {
  TMassMatrix mass(world_);
  ASSERT_TRUE(mass.Load(Model("pendulum.mmx"), world_.Settings.N));
  EXPECT_TRUE(mass.TimeDependent);
  ASSERT_EQ(mass.Rows.Count(), 2);
  // The constant l must not touch l1; the mass properties come in as numbers.
  EXPECT_EQ(mass.Rows.Items(0).Texts,
            (Strings{"0.375+2*0.75^2+1*1.5^2", "1*1.5*(1.2/2)*Cos(b`Link1`Rz-b`Link2`Rz)"}));

  // The generalized forces as the world reads them: the non-empty lines of the file.
  std::vector<std::string> lines;
  ASSERT_TRUE(ReadTextLines(Model("pendulum.hv"), lines));
  TExpressionList forces(world_);
  ASSERT_TRUE(forces.AddExpression(lines));
  ASSERT_EQ(forces.Count(), 2u);
  EXPECT_TRUE(NewLines().empty());

  TCoordinateList& q = world_.State.Evaluated;
  const long double a1 = 0.7L, a2 = -0.4L, w1 = 1.3L, w2 = -0.9L;
  q.Q.SetAt(0, a1);
  q.Q.SetAt(1, a2);
  q.QDot.SetAt(0, w1);
  q.QDot.SetAt(1, w2);
  mass.Evaluate();
  forces.EvaluateAll(true);

  // m1 = 2, J1 = 0.375, c1 = 0.75, l1 = 1.5; m2 = 1, J2 = 0.12, c2 = l/2 = 0.6; g = 9.81:
  // M11 = J1 + m1 c1^2 + m2 l1^2 = 3.75, M12 = M21 = m2 l1 c2 cos(a1 - a2) = 0.9 cos 1.1,
  // M22 = J2 + m2 c2^2 = 0.48,
  // h1 = -m2 l1 c2 sin(a1 - a2) w2^2 - (m1 c1 + m2 l1) g sin a1 = -0.729 sin 1.1 - 29.43 sin 0.7,
  // h2 = m2 l1 c2 sin(a1 - a2) w1^2 - m2 c2 g sin a2 = 1.521 sin 1.1 + 5.886 sin 0.4.
  ExpectClose(mass.At(0, 0), 3.75L, "M11");
  ExpectClose(mass.At(0, 1), 0.9L * std::cos(1.1L), "M12");
  ExpectClose(mass.At(1, 0), 0.9L * std::cos(1.1L), "M21");
  ExpectClose(mass.At(1, 1), 0.48L, "M22");
  ExpectClose(forces.Value(0), -0.729L * std::sin(1.1L) - 29.43L * std::sin(0.7L), "h1");
  ExpectClose(forces.Value(1), 1.521L * std::sin(1.1L) + 5.886L * std::sin(0.4L), "h2");

  // M stays invertible: det = 3.75 * 0.48 - 0.81 cos^2 1.1.
  TSqrMatrix inverse;
  inverse.Assign(&mass);
  ASSERT_TRUE(inverse.LUDInverse());
  const long double det = 3.75L * 0.48L - 0.81L * std::cos(1.1L) * std::cos(1.1L);
  ExpectClose(inverse.At(0, 0), 0.48L / det, "inverse M11");
}

class MassMatrixTest : public test::EquationsTest {
 protected:
  void SetUp() override {
    EquationsTest::SetUp();
    LoadArm();  // one generalized coordinate b`Arm`Rz (start 0.4); Arm mass 3
  }
  bool Load(const std::string& text, std::uint32_t n) {
    const std::string file = dir_.File("model.mmx");
    test::WriteBytes(file, text);
    return mass_.Load(file, n);
  }
  test::TempDir dir_;
  TMassMatrix mass_{world_};
};

TEST_F(MassMatrixTest, ReadsOneRowPerLine) {
  world_.Model().Constants.AddConstant("k", 2);
  ASSERT_TRUE(Load("b`Arm`m   0\r\n0   k b`Arm`m\r\n", 2));
  EXPECT_EQ(mass_.RowCount(), 2u);
  EXPECT_EQ(mass_.At(0, 0), 3);
  EXPECT_EQ(mass_.At(0, 1), 0);
  EXPECT_EQ(mass_.At(1, 1), 6);
  EXPECT_FALSE(mass_.TimeDependent);
  EXPECT_EQ(mass_.Rows.Lines, (Strings{"b`Arm`m   0", "0   k b`Arm`m"}));
  // Constant rows keep their values and free their compiled form.
  EXPECT_TRUE(mass_.Rows.Items(0).Released);
  mass_.Zero();
  mass_.Evaluate();
  EXPECT_EQ(mass_.At(1, 1), 6);
  EXPECT_TRUE(NewLines().empty());
}

TEST_F(MassMatrixTest, ATimeMarkInAnyCaseMakesTheMatrixVary) {
  ASSERT_TRUE(Load("2 + b`Arm`Rz[T]\n", 1));
  EXPECT_TRUE(mass_.TimeDependent);
  EXPECT_FALSE(mass_.Rows.Items(0).Released);
  EXPECT_EQ(mass_.At(0, 0), 2.4L);
  world_.State.Evaluated.Q.SetAt(0, 1);
  mass_.Evaluate();
  EXPECT_EQ(mass_.At(0, 0), 3);
}

TEST_F(MassMatrixTest, ARowOfTheStateWithoutTheMarkVariesToo) {
  ASSERT_TRUE(Load("2 b`Arm`Rz\n", 1));
  EXPECT_TRUE(mass_.TimeDependent);
  world_.State.Evaluated.Q.SetAt(0, 1);
  mass_.Evaluate();
  EXPECT_EQ(mass_.At(0, 0), 2);
}

TEST_F(MassMatrixTest, EveryLineCountsAsARow) {
  EXPECT_FALSE(Load("1   0\n0   1\n\n", 2));
  EXPECT_EQ(NewLines(), (Strings{"[Error] Number of rows in mass matrix file does not match the number of "
                                 "generalized coordinates."}));
  EXPECT_EQ(mass_.Rows.Count(), 0);
}

TEST_F(MassMatrixTest, AMissingFileFails) {
  EXPECT_FALSE(mass_.Load(dir_.File("none.mmx"), 1));
  EXPECT_EQ(NewLines(), (Strings{"[Error] No mass matrix file found."}));
}

TEST_F(MassMatrixTest, ARowWithTheWrongNumberOfCellsFailsTheLoad) {
  for (const std::string text : {"1   0\n0\n", "1   0\n0   1   2\n", "1   0\n0      1\n", "1   0\n0   \n"}) {
    TMassMatrix mass(world_);
    const std::string file = dir_.File("short.mmx");
    test::WriteBytes(file, text);
    EXPECT_FALSE(mass.Load(file, 2)) << text;
    EXPECT_EQ(NewLines().back(), "[Error] Cannot read mass matrix expression. Check mass matrix file.")
        << text;
  }
  EXPECT_EQ(NewLines().size(), 4u);
}

TEST_F(MassMatrixTest, TwoBlanksAreRejectedByTheCompiler) {
  test::RecordingMessages messages;
  test::ExpectError<EParserException>(
      [&] { Load("m  0\n", 1); },
      "Error in math expression: Syntax error: function or operand has too few arguments");
}

TEST_F(MassMatrixTest, AnImaginaryCellFailsTheLoad) {
  test::RecordingMessages messages;
  EXPECT_FALSE(Load("2 I\n", 1));
  EXPECT_EQ(NewLines(),
            (Strings{"[Error] Imaginary number in expression. Check .mmx, .hv, .dc, .me,... files. "}));
}

}  // namespace
}  // namespace zentrova
