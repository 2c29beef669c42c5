#include "engine/contact/contact_coefficients.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/contact/contact_properties.h"
#include "engine_test_support.h"
#include "numerics/expression_words.h"

namespace zentrova {
namespace {

using Strings = std::vector<std::string>;

class ContactCoefficientsTest : public test::EngineTest {
 protected:
  TContactModel Model(const Strings& bodies) { return {bodies, {"b`A`x", "phi"}, &time_}; }
  long double time_ = 0;
  test::RecordingMessages messages_;
};

// No rule for a slash between blanks: it ends up between two multiplication signs.
TEST(ContactCoefficients, Normalisation) {
  // clang-format off
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"0.2 + 0.01 vRel", "0.2+0.01*vRel"}, {"a - b + c", "a-b+c"}, {"2 * x", "2***x"}, {"temp / 2", "temp*/*2"},
      {"sin[t]", "sin(t)"}, {"phi'", "phi_"}, {"Derivative(1)(phi)", "phi_"}, {"derivative[1][PHI] + 1", "phi_+1"},
      {"Derivative(1)(b`A`x)", "b`A`x_"}, {"Derivative(1)(psi)", "Derivative(1)(psi)"}};
  // clang-format on
  for (const auto& [text, normalized] : cases) {
    EXPECT_EQ(TCoefficientOfContact::Normalize(text, {"b`A`x", "phi"}), normalized) << text;
  }
}

// Body sections in body order, then the pair sections, written in either order; a pair named nowhere
// keeps "0".
TEST_F(ContactCoefficientsTest, BodySectionsThenPairSections) {
  TContactProperties properties;
  ASSERT_TRUE(properties.Load(Data("contacts/coefficients.cop"), Model({"A", "B", "C", "D"})));
  // Restitutions that add energy load with an alert, one per key however many pairs it serves.
  EXPECT_EQ(Logged(),
            (Strings{"[Alert] restitutionNormal in cop file coefficients.cop line 10 lies outside 0 to 1, so a "
                     "blow adds energy: 2 gives 2.",
                     "[Alert] restitutionTangent in cop file coefficients.cop line 4 lies outside -1 to 1, so a "
                     "blow adds energy: t+temp gives 300."}));
  EXPECT_TRUE(messages_.texts.empty());
  // (A,B) (A,C) (A,D) (B,C) (B,D) (C,D)
  EXPECT_EQ(properties.Friction.Expressions, (Strings{"0.2+0.01*vRel", "0.5", "0", "0.7", "0", "0"}));
  EXPECT_EQ(properties.RestitutionNormal.Expressions, (Strings{"0", "0", "2", "0", "2", "2"}));
  EXPECT_EQ(properties.RestitutionTangent.Expressions, (Strings{"0", "t+temp", "0", "0", "0", "0"}));
  EXPECT_EQ(properties.ParameterNi.Expressions, (Strings{"(vRel-1)", "0", "0", "0", "0", "0"}));
  long double value = 0;
  ASSERT_TRUE(properties.Friction.Value(0, -3, value));  // vRel is the absolute relative velocity
  EXPECT_NEAR(value, 0.23, 1e-15);
  ASSERT_TRUE(properties.ParameterNi.Value(0, -3, value));
  EXPECT_EQ(value, 2);
  // "t" reads the world's time and "temp" the pair's temperature at every evaluation.
  for (const long double t : {2.0L, 4.0L}) {
    time_ = t;
    ASSERT_TRUE(properties.RestitutionTangent.Value(1, 0, value));
    EXPECT_EQ(value, 300 + t);
  }
  EXPECT_FALSE(properties.RestitutionTangent.Value(6, 0, value));  // no such pair: untouched
  EXPECT_EQ(value, 304);
}

// A coefficient whose text is a plain number gives that number whatever the velocity; every other text
// is evaluated each time, also one that starts or ends like a number.
TEST_F(ContactCoefficientsTest, NumbersAndTextsThatReadVariables) {
  struct Case {
    std::string text;
    long double at1, at2;  // at vRel 1 and 2
  };
  const std::vector<Case> cases = {
      {"0.3", 0.3L, 0.3L},      {"3", 3, 3},          {".5", 0.5L, 0.5L},        {"2.", 2, 2},
      {"1e-3", 1e-3L, 1e-3L},   {"1E+2", 100, 100},   {"0.3*vRel", 0.3L, 0.6L},  {"vRel", 1, 2},
      {"1e2*vRel", 100, 200},   {"vRel+1e2", 101, 102}, {"1-vRel", 0, -1}};
  test::TempDir dir;
  for (const Case& c : cases) {
    test::WriteBytes(dir.File("c.cop"), "[A-B]\nfriction=" + c.text + "\n");
    TContactProperties properties;
    ASSERT_TRUE(properties.Load(dir.File("c.cop"), Model({"A", "B"}))) << c.text;
    long double value = 0;
    ASSERT_TRUE(properties.Friction.Value(0, 1, value)) << c.text;
    EXPECT_NEAR(value, c.at1, 1e-18) << c.text;
    ASSERT_TRUE(properties.Friction.Value(0, -2, value)) << c.text;
    EXPECT_NEAR(value, c.at2, 1e-18) << c.text;
  }
}

TEST_F(ContactCoefficientsTest, TextThatDoesNotCompileRaises) {
  TContactProperties properties;
  EXPECT_THROW(properties.Load(Data("contacts/slash.cop"), Model({"A", "B"})), EParserException);
  EXPECT_EQ(messages_.texts,
            Strings{"[Alert] Check similar names: for example 'c`springA' and 'c`spring' produce error."});
}

// Pairs of one text are compiled once, and each evaluation still reads its own pair's temperature and
// velocity; a text that is a number gives its number to every pair of it.
TEST_F(ContactCoefficientsTest, PairsOfOneTextShareTheirParserAndReadTheirOwnValues) {
  test::TempDir dir;
  test::WriteBytes(dir.File("c.cop"),
                   "[A:all]\nfriction=temp + vRel\nrestitutionNormal=0.25\n[C:all]\nfriction=0.5\n"
                   "restitutionNormal=0.5\n[B-D]\nfriction=temp + vRel\n");
  TContactProperties properties;
  ASSERT_TRUE(properties.Load(dir.File("c.cop"), Model({"A", "B", "C", "D"})));
  // (A,B) (A,C) (A,D) (B,C) (B,D) (C,D)
  EXPECT_EQ(properties.Friction.Expressions, (Strings{"temp+vRel", "0.5", "temp+vRel", "0.5", "temp+vRel", "0.5"}));
  EXPECT_EQ(properties.Friction.Parsers.Count(), 2);
  EXPECT_EQ(properties.RestitutionNormal.Parsers.Count(), 3);  // 0.25, 0.5 and the default 0
  for (std::uint32_t k = 0; k < 6; ++k) properties.Temperatures.SetAt(k, 10.0L * k);
  const std::vector<long double> friction = {1, 0.5, 21, 0.5, 41, 0.5}, restitution = {0.25, 0.5, 0.25, 0.5, 0, 0.5};
  for (std::uint32_t k = 0; k < 6; ++k) {
    long double value = -1;
    ASSERT_TRUE(properties.Friction.Value(k, -1, value));
    EXPECT_EQ(value, friction[k]) << k;
    ASSERT_TRUE(properties.RestitutionNormal.Value(k, 5, value));
    EXPECT_EQ(value, restitution[k]) << k;
  }
}

}  // namespace
}  // namespace zentrova
