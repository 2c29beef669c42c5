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
  const struct {
    const char* line;
    Strings cells;
  } cases[] = {
      {"m1 + m2   m2 l cos[q2]", {"m1+m2", "m2*l*cos[q2]"}},
      {"m  0", {"m**0"}},       // two blanks are two products
      {"m    0", {"m", "*0"}},  // four blanks a separator and a product
      // Control characters end a cell, a trailing separator adds an empty one, quotes enclose one.
      {"a\tb", {"a", "b"}},
      {"a      b", {"a", "", "b"}},
      {"\"x,y\"   z", {"x,y", "z"}},
  };
  for (const auto& c : cases) EXPECT_EQ(MassMatrixCells(c.line), c.cells) << c.line;
}

class PendulumMassMatrixTest : public test::EquationsTest {
 protected:
  void SetUp() override {
    EquationsTest::SetUp();
    LoadPendulum();
  }
};

TEST_F(PendulumMassMatrixTest, MassMatrixAndGeneralizedForcesMatchTheHandComputedValues) {
  TMassMatrix mass(world_.Model().Binding);
  ASSERT_TRUE(mass.Load(Model("pendulum.mmx"), world_.Settings.N));
  EXPECT_TRUE(mass.TimeDependent);
  // The constant l must not touch l1; the mass properties come in as numbers.
  EXPECT_EQ(mass.Rows.Items(0).Texts,
            (Strings{"0.375+2*0.75^2+1*1.5^2", "1*1.5*(1.2/2)*Cos(b`Link1`Rz-b`Link2`Rz)"}));
  // The generalized forces as the world reads them: the non-empty lines of the file.
  std::vector<std::string> lines;
  ASSERT_TRUE(ReadTextLines(Model("pendulum.hv"), lines));
  TExpressionList forces(world_.Model().Binding);
  ASSERT_TRUE(forces.AddExpression(lines));
  EXPECT_TRUE(NewLines().empty());

  TCoordinateList& q = world_.State.Evaluated;
  q.Q.SetAt(0, 0.7L);
  q.Q.SetAt(1, -0.4L);
  q.QDot.SetAt(0, 1.3L);
  q.QDot.SetAt(1, -0.9L);
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
}

class MassMatrixTest : public test::EquationsTest {
 protected:
  void SetUp() override {
    EquationsTest::SetUp();
    LoadArm();  // one generalized coordinate b`Arm`Rz (start 0.4); Arm mass 3
  }
  bool Load(TMassMatrix& mass, const std::string& text, std::uint32_t n) {
    return mass.Load(Write("model.mmx", text), n);
  }
};

TEST_F(MassMatrixTest, RefusedFilesFailTheLoadWithTheirLine) {
  const std::string kCannotRead = "[Error] Cannot read mass matrix expression. Check mass matrix file.";
  const struct {
    const char* text;  // nullptr: no file
    std::uint32_t n;
    std::string line;
  } cases[] = {
      {nullptr, 1, "[Error] No mass matrix file found. File none.mmx."},
      // Every line counts as a row.
      {"1   0\n0   1\n\n", 2,
       "[Error] Number of rows in mass matrix file does not match the number of generalized coordinates. File "
       "model.mmx has 3 lines where numberOfGeneralizedCoodinates gives 2 (line 2 of file arm.wld)."},
      {"1   0\n0\n", 2, kCannotRead + " Line 2 of mass matrix file model.mmx holds 1 cells where 2 are expected."},
      {"1   0\n0   1   2\n", 2,
       kCannotRead + " Line 2 of mass matrix file model.mmx holds 3 cells where 2 are expected."},
      {"1   0\n0      1\n", 2,
       kCannotRead + " Line 2 of mass matrix file model.mmx holds 3 cells where 2 are expected."},
      // an empty cell compiles to nothing
      {"1   0\n0   \n", 2, kCannotRead + " Line 2 of mass matrix file model.mmx holds an empty cell."},
      // Brackets are named before the count they upset: open, closed by the other kind, split by a separator.
      {"m (1 + 2   0\n0   1\n", 2, "[Error] Brackets do not balance in line 1 of mass matrix file model.mmx: m (1 + 2   0"},
      {"cos[0)   0\n0   1\n", 2, "[Error] Brackets do not balance in line 1 of mass matrix file model.mmx: cos[0)   0"},
      {"1   0\n(0   1)\n", 2,
       "[Error] Brackets do not balance in cell 1 of line 2 of mass matrix file model.mmx (cells are separated by "
       "three blanks): (0"},
      {"2 I\n", 1, "[Error] Imaginary number in expression. Check .mmx, .hv, .dc, .me,... files. Line 1 of file model.mmx."},
  };
  test::RecordingMessages messages;
  for (const auto& c : cases) {
    MarkLog();
    TMassMatrix mass(world_.Model().Binding);
    EXPECT_FALSE(c.text != nullptr ? Load(mass, c.text, c.n) : mass.Load(dir_.File("none.mmx"), c.n));
    EXPECT_EQ(NewLines(), Strings{c.line}) << (c.text != nullptr ? c.text : "no file");
  }
  // Two blanks are two products: the compiler refuses them, and the error names the row's line.
  MarkLog();
  TMassMatrix mass(world_.Model().Binding);
  EXPECT_FALSE(Load(mass, "1   0\nm  0   1\n", 2));
  EXPECT_EQ(NewLines(), (Strings{TExpressionParserList::kAlertText,
                                 "[Error] Line 2 of file model.mmx: Error in math expression: Syntax error: "
                                 "function or operand has too few arguments"}));
}

}  // namespace
}  // namespace zentrova
