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
  TContactModel Model(const Strings& bodies) {
    TContactModel model;
    model.BodyNames = bodies;
    model.CoordinateNames = {"b`A`x", "phi"};
    model.Time = &time_;
    return model;
  }
  long double time_ = 0;
  test::RecordingMessages messages_;
};

TEST(ContactCoefficients, Normalisation) {
  const Strings q = {"b`A`x", "phi"};
  EXPECT_EQ(TCoefficientOfContact::Normalize("0.2 + 0.01 vRel", q), "0.2+0.01*vRel");
  EXPECT_EQ(TCoefficientOfContact::Normalize("a - b + c", q), "a-b+c");
  EXPECT_EQ(TCoefficientOfContact::Normalize("2 * x", q), "2***x");
  // No rule for a slash between blanks: it ends up between two multiplication signs.
  EXPECT_EQ(TCoefficientOfContact::Normalize("temp / 2", q), "temp*/*2");
  EXPECT_EQ(TCoefficientOfContact::Normalize("sin[t]", q), "sin(t)");
  EXPECT_EQ(TCoefficientOfContact::Normalize("phi'", q), "phi_");
  EXPECT_EQ(TCoefficientOfContact::Normalize("Derivative(1)(phi)", q), "phi_");
  EXPECT_EQ(TCoefficientOfContact::Normalize("derivative[1][PHI] + 1", q), "phi_+1");
  EXPECT_EQ(TCoefficientOfContact::Normalize("Derivative(1)(b`A`x)", q), "b`A`x_");
  EXPECT_EQ(TCoefficientOfContact::Normalize("Derivative(1)(psi)", q), "Derivative(1)(psi)");
}

TEST_F(ContactCoefficientsTest, BodySectionsThenPairSections) {
  TContactProperties properties;
  ASSERT_TRUE(properties.Load(Data("contacts/coefficients.cop"), Model({"A", "B", "C", "D"})));
  EXPECT_TRUE(Logged().empty());
  EXPECT_TRUE(messages_.texts.empty());
  // (A,B) (A,C) (A,D) (B,C) (B,D) (C,D)
  EXPECT_EQ(properties.Friction.Expressions, (Strings{"0.2+0.01*vRel", "0.5", "0", "0.7", "0", "0"}));
  EXPECT_EQ(properties.RestitutionNormal.Expressions, (Strings{"0", "0", "2", "0", "2", "2"}));
  EXPECT_EQ(properties.RestitutionTangent.Expressions, (Strings{"0", "t+temp", "0", "0", "0", "0"}));
  EXPECT_EQ(properties.ParameterNi.Expressions, (Strings{"(vRel-1)", "0", "0", "0", "0", "0"}));
  EXPECT_EQ(properties.Friction.Parsers.Count(), 6);

  long double value = 0;
  // vRel is the absolute relative velocity.
  ASSERT_TRUE(properties.Friction.Value(0, -3, value));
  EXPECT_NEAR(static_cast<double>(value), 0.23, 1e-15);
  EXPECT_EQ(properties.Friction.VRel, 3);
  ASSERT_TRUE(properties.ParameterNi.Value(0, -3, value));
  EXPECT_EQ(value, 2);
  ASSERT_TRUE(properties.Friction.Value(1, 5, value));
  EXPECT_EQ(value, 0.5L);
  ASSERT_TRUE(properties.Friction.Value(5, 5, value));
  EXPECT_EQ(value, 0);
  // "t" reads the world's time and "temp" the pair's temperature at every evaluation.
  time_ = 2;
  ASSERT_TRUE(properties.RestitutionTangent.Value(1, 0, value));
  EXPECT_EQ(value, 302);
  time_ = 4;
  ASSERT_TRUE(properties.RestitutionTangent.Value(1, 0, value));
  EXPECT_EQ(value, 304);
  EXPECT_FALSE(properties.RestitutionTangent.Value(6, 0, value));
  EXPECT_EQ(value, 304);
}

TEST_F(ContactCoefficientsTest, UnnamedPairKeepsZero) {
  TContactProperties properties;
  ASSERT_TRUE(properties.Load(Data("contacts/pairs.cop"), Model({"A", "B", "C", "D"})));
  long double value = 9;
  // (B,C) is named nowhere: all four coefficients are 0.
  for (TCoefficientOfContact* c : {&properties.Friction, &properties.RestitutionNormal,
                                   &properties.RestitutionTangent, &properties.ParameterNi}) {
    ASSERT_TRUE(c->Value(3, 1, value));
    EXPECT_EQ(value, 0);
  }
  ASSERT_TRUE(properties.Friction.Value(0, 1, value));
  EXPECT_EQ(value, 0.2L);
}

TEST_F(ContactCoefficientsTest, TextThatDoesNotCompileRaises) {
  TContactProperties properties;
  EXPECT_THROW(properties.Load(Data("contacts/slash.cop"), Model({"A", "B"})), EParserException);
  EXPECT_EQ(messages_.texts,
            Strings{"[Alert] Check similar names: for example 'c`springA' and 'c`spring' produce error."});
}

TEST_F(ContactCoefficientsTest, MissingFileOrNoTime) {
  TFloatList temperatures;
  TCoefficientOfContact coefficient(temperatures);
  EXPECT_FALSE(coefficient.Load(Data("contacts/missing.cop"), "friction", Model({"A", "B"})));
  EXPECT_EQ(Logged(), Strings{"[Error] No contact properties file found."});
  TContactModel model = Model({"A", "B"});
  model.Time = nullptr;
  EXPECT_FALSE(coefficient.Load(Data("contacts/coefficients.cop"), "friction", model));
  EXPECT_EQ(coefficient.Parsers.Count(), 0);
}

}  // namespace
}  // namespace zentrova
