#include "engine/model/expression_list.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "equations_test_support.h"
#include "platform/settings.h"

namespace zentrova {
namespace {

using Strings = std::vector<std::string>;

const char* const kImaginary =
    "[Error] Imaginary number in expression. Check .mmx, .hv, .dc, .me,... files. ";

class ExpressionListTest : public test::EquationsTest {
 protected:
  void SetUp() override {
    EquationsTest::SetUp();
    LoadArm();  // one generalized coordinate b`Arm`Rz; Arm has mass 3, Jzz 0.5; Hand mass 0.5
  }
  // A list compiled from the lines; the caller owns it for further evaluation.
  std::unique_ptr<TExpressionList> Compile(const Strings& lines, bool expected = true) {
    auto list = std::make_unique<TExpressionList>(world_.Model().Binding);
    EXPECT_EQ(list->AddExpression(lines), expected);
    return list;
  }
  Strings Normalized(const Strings& lines, bool* time_dependent = nullptr) {
    TExpressionList list(world_.Model().Binding);
    EXPECT_TRUE(list.Normalize(lines));
    if (time_dependent != nullptr) *time_dependent = list.TimeDependent;
    return list.Texts;
  }
};

TEST_F(ExpressionListTest, NormalizesTheAlgebraSystemsText) {
  EXPECT_EQ(Normalized({"b`Arm`Rz'[t] + l cos[b`Arm`Rz[t]]"}), (Strings{"b`Arm`Rz_+l*cos(b`Arm`Rz)"}));
  EXPECT_EQ(Normalized({"Derivative(2)(b`Arm`Rz)[t]", "Derivative[1][b`Arm`Rz][t]", "DERIVATIVE(1)(B`ARM`RZ)",
                        "b`Arm`Rz''[T]"}),
            (Strings{"b`Arm`Rz__", "b`Arm`Rz_", "b`Arm`Rz_", "b`Arm`Rz__"}));
  // Blanks around + - / are layout, every other blank a product; blank lines give no text.
  EXPECT_EQ(Normalized({"", "a b", "   ", "c / d - e", "-f + g h"}), (Strings{"a*b", "c/d-e", "-f+g*h"}));
}

TEST_F(ExpressionListTest, MarksTimeAndStateDependence) {
  const struct {
    const char* line;
    bool varies;
  } cases[] = {
      {"2 b`Arm`Rz[t]", true}, {"t F0", true},  // t as a name at the start of the line

      {"x/T", true},           {"2 tan[x]", true},  // any name after an operator beginning with t
      {"2 b`Arm`Rz", true},                         // no [t], but a function of q all the same
      {"b`Arm`Rz' k", true},   {"theta + 2", false},
      {"2 b`Arm`m", false},    {"3 b`Hand`x", false},  // a body coordinate that is no generalized coordinate
      {"tau2", false},         {"2 zb`Arm`Rz", false},  // the coordinate's name inside another one
  };
  // Once as the one-pass lookups read the lines, once name by name (a coordinate named with a dot).
  for (const Strings& names : {Strings{"b`Arm`Rz"}, Strings{"b`Arm`Rz", "a.b"}}) {
    world_.Model().GeneralizedCoordinates.Names = names;
    for (const auto& c : cases) {
      bool varies = !c.varies;
      Normalized({c.line}, &varies);
      EXPECT_EQ(varies, c.varies) << c.line << " with " << names.size() << " names";
    }
  }
}

TEST_F(ExpressionListTest, RefusesTheImaginaryUnit) {
  test::RecordingMessages messages;
  for (const std::string line : {"3 I", "x/I", "2 (I) x", "x/(I)"}) {
    EXPECT_EQ(Compile({"2 b`Arm`Rz[t]", line, "x"}, false)->Count(), 0u) << line;
  }
  EXPECT_EQ(NewLines(), Strings(4, kImaginary));
  EXPECT_EQ(messages.texts, Strings(4, kImaginary));
  // Names that merely begin with a capital I, and a lower-case i, are no imaginary unit.
  world_.Model().Constants.AddConstant("Izz", 0.25L);
  EXPECT_EQ(Compile({"b`Arm`m Izz", "4 Ix", "2 i"})->Value(0), 0.75L);
}

TEST_F(ExpressionListTest, SubstitutesConstantsAndMassPropertiesAsWholeNames) {
  world_.Model().Constants.AddConstant("m", -2);
  world_.Model().Constants.AddConstant("l", 1.2L);
  world_.Model().Constants.AddConstant("l1", 1.5L);
  world_.Model().Constants.AddConstant("M", 7);  // the first constant of a name wins
  world_.Model().Constants.AddConstant("Arm", 100);
  const auto list = Compile({"m x + mass", "l l1", "b`Arm`m m", "L1 / M", "2e3 m",
                             "b`Arm`Jzz b`Arm`m + b`Hand`m", "b`ARM`M", "b`Arm`Jxy"});
  EXPECT_EQ(list->Texts, (Strings{"(-2)*x+mass", "1.2*1.5", "3*(-2)", "1.5/(-2)", "2e3*(-2)", "0.5*3+0.5",
                                  "3", "(-0.25)"}));
  EXPECT_TRUE(std::isnan(list->Value(0)));  // x and mass are names of nothing: NaN, no error
  EXPECT_EQ(list->Value(2), -6);
  EXPECT_TRUE(NewLines().empty());
}

TEST_F(ExpressionListTest, SubstitutedValuesReadBackExactly) {
  const long double values[] = {
      1.0L / 3, 0.1L, -2.0L / 7, 6.02214076e23L, 1.234567890123456789e-300L, std::nextafter(1.0L, 2.0L)};
  Strings names;
  for (const long double value : values) {
    names.push_back("k" + std::to_string(names.size()));
    world_.Model().Constants.AddConstant(names.back(), value);
  }
  const auto list = Compile(names);
  for (std::uint32_t j = 0; j < 6; ++j) EXPECT_EQ(list->Value(j), values[j]) << list->Texts[j];
  EXPECT_EQ(SubstitutedValueText(-1.5e21L), "(-1.5E21)");
  SetDecimalSeparator(',');
  EXPECT_EQ(SubstitutedValueText(-2.5L), "(-2,5)");
}

// The model's name tables follow the model: a list compiled after a constant, a mass or the
// coordinates changed reads them as they are then.
TEST_F(ExpressionListTest, ListsReadTheModelAsItIsWhenCompiled) {
  world_.Model().Constants.AddConstant("k", 2);
  EXPECT_EQ(Compile({"k b`Arm`m"})->Value(0), 6);
  world_.Model().Constants.AddConstant("j", 5);
  world_.Model().Bodies.Items(0).Mass = 4;
  EXPECT_EQ(Compile({"k b`Arm`m j"})->Value(0), 40);
  world_.Model().GeneralizedCoordinates.Names = {"b`Hand`x"};
  const auto list = Compile({"b`Hand`x'[t]"});
  EXPECT_TRUE(list->TimeDependent);
  EXPECT_EQ(list->Value(0), world_.State.Evaluated.QDot.At(0));
  // b`Arm`Rz is no coordinate any more: it would read NaN for ever, so the list is refused, at its place.
  MarkLog();
  TExpressionList refused(world_.Model().Binding);
  EXPECT_FALSE(refused.AddExpression({"2", "b`Arm`Rz + 1"}, TLineSource::Consecutive("arm.hv", 4, 2)));
  EXPECT_EQ(refused.Count(), 0u);
  EXPECT_EQ(NewLines(),
            (Strings{"[Error] Unknown variable present (b`Arm`Rz+1). Check .mmx, .hv, .dc, .me,... files. Line 5 of "
                     "file arm.hv: unknown variable b`Arm`Rz."}));
}

// Names the one-pass lookups cannot stand for keep their name-by-name meaning: a nested derivative, a
// coordinate named like a word of the language (defined in every parser, so every line fails), and
// one that reaches the parser under the time's name (refused for every line).
TEST_F(ExpressionListTest, NamesBeyondThePlainRunsKeepTheirMeaning) {
  EXPECT_EQ(Normalized({"Derivative(1)(Derivative(1)(b`Arm`Rz))", "derivative(2)(B`ARM`RZ) x"}),
            (Strings{"Derivative(1)(b`Arm`Rz_)", "b`Arm`Rz__*x"}));
  const struct {
    std::string coordinate;
    std::string error;
  } cases[] = {
      {"sin", "Error in math expression: Cannot replace variable/function NFuntionArg doesn't match"},
      {"T", "Error in math expression: the variables t and T are both named t in expressions"},
  };
  for (const auto& c : cases) {
    world_.Model().GeneralizedCoordinates.Names = {c.coordinate};
    MarkLog();
    TExpressionList list(world_.Model().Binding);
    EXPECT_FALSE(list.AddExpression({"1"}, TLineSource::SameLine("arm.me", 1, 1)));
    EXPECT_EQ(NewLines(),
              (Strings{TExpressionParserList::kAlertText, "[Error] Line 1 of file arm.me: " + c.error}));
  }
}

TEST_F(ExpressionListTest, ChangingTheStateChangesOnlyWhatDependsOnIt) {
  const auto state = Compile({"b`Arm`Rz'[t] + 10 b`Arm`Rz''[t]", "2 t"});
  const auto constant = Compile({"4 b`Arm`m"});
  EXPECT_EQ(state->Value(0), 2);  // the start values: q' = 2, q'' = 0
  TCoordinateList& q = world_.State.Evaluated;
  q.QDot.SetAt(0, -1);
  q.QDDot.SetAt(0, 0.5L);
  world_.State.Time = 2;
  constant->Values.SetAt(0, -1);  // would be overwritten by an evaluation
  state->EvaluateAll(true);
  constant->EvaluateAll(true);
  EXPECT_EQ(test::Elements(state->Values), (std::vector<long double>{4, 4}));
  EXPECT_EQ(constant->Value(0), -1);  // not evaluated again: nothing it reads can change
  constant->EvaluateAll(false);
  EXPECT_EQ(constant->Value(0), 12);
}

// Lines of one text (a mass matrix row is mostly zeros) share one parser, and every line is evaluated:
// the values are those of lines compiled one by one.
TEST_F(ExpressionListTest, LinesOfOneTextShareTheirParser) {
  const auto list = Compile({"0", "2 t", "0", "", "2 t", "b`Arm`Rz'[t]", "0"});
  EXPECT_EQ(list->Parsers->Count(), 3);
  EXPECT_EQ(list->ParserOf, (std::vector<int>{0, 1, 0, 1, 2, 0}));
  world_.State.Time = 1.5L;
  world_.State.Evaluated.QDot.SetAt(0, -4);
  list->EvaluateAll(true);
  EXPECT_EQ(test::Elements(list->Values), (std::vector<long double>{0, 3, 0, 3, -4, 0}));
}

}  // namespace
}  // namespace zentrova
