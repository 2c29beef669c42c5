#include "engine/model/expression_list.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "equations_test_support.h"
#include "platform/exception.h"
#include "platform/number_text.h"
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
    auto list = std::make_unique<TExpressionList>(world_);
    EXPECT_EQ(list->AddExpression(lines), expected);
    return list;
  }
  Strings Normalized(const Strings& lines, bool* time_dependent = nullptr) {
    TExpressionList list(world_);
    EXPECT_TRUE(list.Normalize(lines));
    if (time_dependent != nullptr) *time_dependent = list.TimeDependent;
    return list.Texts;
  }
  bool MarksTime(const std::string& line) {
    bool marked = false;
    Normalized({line}, &marked);
    return marked;
  }
  TCoordinateList& q() { return world_.State.Evaluated; }
};

TEST_F(ExpressionListTest, NormalizesTheAlgebraSystemsText) {
  bool time_dependent = false;
  EXPECT_EQ(Normalized({"b`Arm`Rz'[t] + l cos[b`Arm`Rz[t]]"}, &time_dependent),
            (Strings{"b`Arm`Rz_+l*cos(b`Arm`Rz)"}));
  EXPECT_TRUE(time_dependent);
  EXPECT_EQ(Normalized({"Derivative(2)(b`Arm`Rz)[t]", "Derivative[1][b`Arm`Rz][t]", "DERIVATIVE(1)(B`ARM`RZ)",
                        "b`Arm`Rz''[T]"}),
            (Strings{"b`Arm`Rz__", "b`Arm`Rz_", "b`Arm`Rz_", "b`Arm`Rz__"}));
  // Blanks around + - / are layout, every other blank a product; blank lines give no text.
  EXPECT_EQ(Normalized({"", "a b", "   ", "c / d - e", "-f + g h"}), (Strings{"a*b", "c/d-e", "-f+g*h"}));
}

TEST_F(ExpressionListTest, MarksTimeAndStateDependence) {
  EXPECT_TRUE(MarksTime("2 b`Arm`Rz[t]"));
  EXPECT_TRUE(MarksTime("t F0"));  // t as a name at the start of the line
  EXPECT_TRUE(MarksTime("F0 t"));
  EXPECT_TRUE(MarksTime("sin(t)"));
  EXPECT_TRUE(MarksTime("x/T"));
  EXPECT_TRUE(MarksTime("2 tan[x]"));    // any name after an operator beginning with t
  EXPECT_TRUE(MarksTime("2 b`Arm`Rz"));  // no [t], but a function of q all the same
  EXPECT_TRUE(MarksTime("b`Arm`Rz' k"));
  EXPECT_FALSE(MarksTime("theta + 2"));
  EXPECT_FALSE(MarksTime("2 b`Arm`m"));
  EXPECT_FALSE(MarksTime("3 b`Hand`x"));  // a body coordinate that is no generalized coordinate
  EXPECT_FALSE(MarksTime("tau2"));
}

TEST_F(ExpressionListTest, RefusesTheImaginaryUnit) {
  test::RecordingMessages messages;
  for (const std::string line : {"3 I", "x/I", "2 (I) x", "x/(I)"}) {
    const auto list = Compile({"2 b`Arm`Rz[t]", line, "x"}, false);
    EXPECT_EQ(list->Texts.size(), 1u) << line;  // the lines after it are not looked at
    EXPECT_EQ(list->Parsers->Count(), 0) << line;
    EXPECT_EQ(list->Count(), 0u) << line;
  }
  EXPECT_EQ(NewLines(), Strings(4, kImaginary));
  EXPECT_EQ(messages.texts, Strings(4, kImaginary));

  // Names that merely begin with a capital I, and a lower-case i, are no imaginary unit.
  world_.Model().Constants.AddConstant("Izz", 0.25L);
  const auto list = Compile({"b`Arm`m Izz", "4 Ix", "2 i"});
  EXPECT_EQ(list->Values.At(0), 0.75L);
  EXPECT_EQ(NewLines().size(), 4u);
}

TEST_F(ExpressionListTest, SubstitutesConstantsAsWholeNames) {
  world_.Model().Constants.AddConstant("m", -2);
  world_.Model().Constants.AddConstant("l", 1.2L);
  world_.Model().Constants.AddConstant("l1", 1.5L);
  world_.Model().Constants.AddConstant("M", 7);  // the first constant of a name wins
  world_.Model().Constants.AddConstant("Arm", 100);
  const auto list = Compile({"m x + mass", "l l1", "b`Arm`m m", "L1 / M", "2e3 m"});
  EXPECT_EQ(list->Texts, (Strings{"(-2)*x+mass", "1.2*1.5", "3*(-2)", "1.5/(-2)", "2e3*(-2)"}));
  EXPECT_TRUE(std::isnan(list->Value(0)));  // x and mass are names of nothing: NaN, no error
  EXPECT_EQ(list->Value(1), 1.2L * 1.5L);
  EXPECT_EQ(list->Value(2), -6);
  EXPECT_EQ(list->Value(3), -0.75L);
  EXPECT_EQ(list->Value(4), -4000);
  EXPECT_TRUE(NewLines().empty());
}

TEST_F(ExpressionListTest, SubstitutedValuesReadBackExactly) {
  const long double values[] = {
      1.0L / 3, 0.1L, -2.0L / 7, 6.02214076e23L, 1.234567890123456789e-300L, std::nextafter(1.0L, 2.0L)};
  int i = 0;
  for (const long double value : values) world_.Model().Constants.AddConstant("k" + std::to_string(i++), value);
  const auto list = Compile({"k0", "k1", "k2", "k3", "k4", "k5"});
  for (std::uint32_t j = 0; j < 6; ++j) EXPECT_EQ(list->Value(j), values[j]) << list->Texts[j];

  EXPECT_EQ(SubstitutedValueText(2.5L), "2.5");
  EXPECT_EQ(SubstitutedValueText(-2), "(-2)");
  EXPECT_EQ(SubstitutedValueText(0), "0");
  EXPECT_EQ(SubstitutedValueText(1e-5L), "1E-5");
  EXPECT_EQ(SubstitutedValueText(0.00025L), "0.00025");
  EXPECT_EQ(SubstitutedValueText(1e20L), "100000000000000000000");
  EXPECT_EQ(SubstitutedValueText(-1.5e21L), "(-1.5E21)");
  EXPECT_EQ(SubstitutedValueText(0.1L), "0.1");
  EXPECT_EQ(SubstitutedValueText(1.2L), "1.2");
  // The fifteen digits of the default decimal text would lose the last bits.
  EXPECT_GT(SubstitutedValueText(1.0L / 3).size(), 17u);
  EXPECT_LE(SubstitutedValueText(1.0L / 3).size(), 23u);  // "0." and at most 21 digits
  for (const long double value : values) {
    long double back = 0;
    std::string text = SubstitutedValueText(value);
    if (text.front() == '(') text = text.substr(1, text.size() - 2);
    ASSERT_TRUE(TryTextToFloat(text, back)) << text;
    EXPECT_EQ(back, value) << text;
  }

  SetDecimalSeparator(',');
  EXPECT_EQ(SubstitutedValueText(-2.5L), "(-2,5)");
}

TEST_F(ExpressionListTest, SubstitutesTheBodiesMassProperties) {
  const auto list = Compile({"b`Arm`Jzz b`Arm`m + b`Hand`m", "b`ARM`M", "b`Arm`Jxy"});
  EXPECT_EQ(list->Texts, (Strings{"0.5*3+0.5", "3", "(-0.25)"}));
  EXPECT_EQ(list->Value(0), 2);
  EXPECT_EQ(list->Value(2), -0.25L);
  EXPECT_TRUE(NewLines().empty());
}

TEST_F(ExpressionListTest, AnUnknownKeyIsLoggedAndReadsNaN) {
  const auto list = Compile({"1 + b`Arm`Rz[t]", "b`Wheel`m + b`Arm`Rz[t]", "b`Arm`Rz2 + 1"});
  EXPECT_EQ(NewLines(), (Strings{"[Error] Unknown variable present (b`Arm`Rz2+1). Check .mmx, .hv, .dc, "
                                 ".me,... files. "}));
  ASSERT_EQ(list->Count(), 3u);  // compiled all the same
  EXPECT_EQ(list->Value(0), 1.4L);
  EXPECT_TRUE(std::isnan(list->Value(1)));
  EXPECT_TRUE(std::isnan(list->Value(2)));

  const auto single = Compile({"b`Wheel`m + b`Arm`Rz[t]"});
  EXPECT_EQ(NewLines().back(),
            "[Error] Unknown variable present (b`Wheel`m+). Check .mmx, .hv, .dc, .me,... files. ");
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
  const auto list = Compile({"b`Hand`x'[t]", "b`Arm`Rz + 1"});
  EXPECT_TRUE(list->TimeDependent);
  EXPECT_EQ(list->Value(0), q().QDot.At(0));
  EXPECT_EQ(NewLines(),
            Strings{"[Error] Unknown variable present (b`Arm`Rz+1). Check .mmx, .hv, .dc, .me,... "
                    "files. "});
}

// Names the one-pass lookups cannot stand for keep their name-by-name meaning: a nested derivative, a
// coordinate named like a word of the language (defined in every parser, so every line fails), and
// one that reaches the parser under the time's name (refused for every line).
TEST_F(ExpressionListTest, NamesBeyondThePlainRunsKeepTheirMeaning) {
  EXPECT_EQ(Normalized({"Derivative(1)(Derivative(1)(b`Arm`Rz))", "derivative(2)(B`ARM`RZ) x"}),
            (Strings{"Derivative(1)(b`Arm`Rz_)", "b`Arm`Rz__*x"}));
  test::RecordingMessages messages;
  const struct {
    std::string coordinate;
    std::string error;
  } cases[] = {
      {"sin", "Error in math expression: Cannot replace variable/function NFuntionArg doesn't match"},
      {"T", "Error in math expression: the variables t and T are both named t in expressions"},
  };
  for (const auto& c : cases) {
    world_.Model().GeneralizedCoordinates.Names = {c.coordinate};
    TExpressionList list(world_);
    test::ExpectError<Exception>([&] { list.AddExpression({"1"}); }, c.error);
  }
  EXPECT_EQ(messages.texts, Strings(2, TExpressionParserList::kAlertText));
}

TEST_F(ExpressionListTest, ChangingTheStateChangesOnlyWhatDependsOnIt) {
  world_.Model().Constants.AddConstant("F0", 3);
  const auto state = Compile({"2 b`Arm`Rz[t]", "b`Arm`Rz'[t] + 10 b`Arm`Rz''[t]"});
  const auto time = Compile({"t F0"});
  const auto unmarked = Compile({"2 b`Arm`Rz"});
  const auto constant = Compile({"4 b`Arm`m"});
  EXPECT_EQ(state->Value(0), 0.8L);  // the start value 0.4
  EXPECT_EQ(state->Value(1), 2);
  EXPECT_EQ(time->Value(0), 0);
  EXPECT_EQ(constant->Value(0), 12);

  q().Q.SetAt(0, 0.9L);
  q().QDot.SetAt(0, -1);
  q().QDDot.SetAt(0, 0.5L);
  world_.State.Time = 2;
  constant->Values.SetAt(0, -1);  // would be overwritten by an evaluation
  for (auto* list : {state.get(), time.get(), unmarked.get(), constant.get()}) list->EvaluateAll(true);
  EXPECT_EQ(state->Value(0), 1.8L);
  EXPECT_EQ(state->Value(1), 4);
  EXPECT_EQ(time->Value(0), 6);
  EXPECT_EQ(unmarked->Value(0), 1.8L);
  EXPECT_EQ(constant->Value(0), -1);  // not evaluated again: nothing it reads can change
  constant->EvaluateAll(false);
  EXPECT_EQ(constant->Value(0), 12);
}

TEST_F(ExpressionListTest, AConstantListReleasesItsCompiledForm) {
  auto constant = std::make_unique<TExpressionList>(world_);
  constant->ReleaseWhenConstant = true;
  ASSERT_TRUE(constant->AddExpression({"b`Arm`m", "2 b`Hand`m"}));
  EXPECT_TRUE(constant->Released);
  EXPECT_TRUE(constant->Texts.empty());
  EXPECT_EQ(constant->Parsers, nullptr);
  constant->EvaluateAll(false);
  EXPECT_EQ(constant->Count(), 2u);
  EXPECT_EQ(constant->Value(0), 3);
  EXPECT_EQ(constant->Value(1), 1);

  auto varying = std::make_unique<TExpressionList>(world_);
  varying->ReleaseWhenConstant = true;
  ASSERT_TRUE(varying->AddExpression({"b`Arm`m", "t"}));
  EXPECT_FALSE(varying->Released);
  world_.State.Time = 0.5L;
  varying->EvaluateAll(true);
  EXPECT_EQ(varying->Value(1), 0.5L);
}

TEST_F(ExpressionListTest, ASyntaxErrorPassesThePartsException) {
  test::RecordingMessages messages;
  TExpressionList list(world_);
  test::ExpectError<EParserException>(
      [&] {
        list.AddExpression({"2 b`Arm`Rz[t]", "(1 + b`Arm`Rz[t]"});
      },
      "Unequal brackets");
  EXPECT_EQ(messages.texts, (Strings{TExpressionParserList::kAlertText}));
  list.EvaluateAll(false);  // half compiled: nothing to evaluate, nothing read out of bounds
  EXPECT_EQ(list.Count(), 0u);
}

TEST_F(ExpressionListTest, CompilesOnlyOnce) {
  TExpressionList list(world_);
  ASSERT_TRUE(list.AddExpression({"1"}));
  EXPECT_THROW(list.AddExpression({"2"}), ECoordinateStorage);
  EXPECT_EQ(list.Value(0), 1);
}

}  // namespace
}  // namespace zentrova
