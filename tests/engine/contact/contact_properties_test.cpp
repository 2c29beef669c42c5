#include "engine/contact/contact_properties.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine_test_support.h"

namespace zentrova {
namespace {

using Strings = std::vector<std::string>;

class ContactPropertiesTest : public test::EngineTest {
 protected:
  TContactModel Model(const Strings& bodies) { return {bodies, {}, &time_}; }
  long double time_ = 0;
  test::RecordingMessages messages_;
};

TEST(ContactPairs, IndexRunsRowByRowInEitherOrder) {
  EXPECT_EQ(PairCount(5), 10u);
  EXPECT_EQ(PairCount(1), 0u);
  std::uint32_t expected = 0, k = 99;
  for (std::uint32_t a = 0; a < 5; ++a) {
    for (std::uint32_t b = a + 1; b < 5; ++b, ++expected) {
      ASSERT_TRUE(PairIndexOf(a, b, 5, k));
      EXPECT_EQ(k, expected);
      ASSERT_TRUE(PairIndexOf(b, a, 5, k));
      EXPECT_EQ(k, expected);
    }
  }
  k = 99;
  EXPECT_FALSE(PairIndexOf(1, 1, 3, k));
  EXPECT_FALSE(PairIndexOf(0, 3, 3, k));
  EXPECT_EQ(k, 99u);
}

TEST(ContactPairs, ResistingModes) {
  struct Case {
    std::uint32_t a, b;
    const char* text;
    std::int32_t mode;
  };
  const std::vector<Case> cases = {
      {0, 1, "T:T", kBothResist}, {0, 1, "T:F", kLowerResists}, {0, 1, "F:T", kHigherResists},
      {0, 1, "F:F", kNeitherResists},
      // The higher-index body named first trades the one-sided modes only.
      {1, 0, "T:F", kHigherResists}, {1, 0, "F:T", kLowerResists}, {1, 0, "T:T", kBothResist},
      {1, 0, "F:F", kNeitherResists},
      // Only "F" refuses; the separator plays no part; missing characters resist.
      {0, 1, "f:F", kLowerResists}, {0, 1, "FxT", kHigherResists}, {0, 1, "F", kHigherResists},
      {0, 1, "", kBothResist}, {2, 1, "F", kLowerResists}};
  for (const Case& c : cases) {
    std::int32_t mode = -1;
    ASSERT_TRUE(TContactProperties::ParseResisting(c.a, c.b, c.text, mode)) << c.text;
    EXPECT_EQ(mode, c.mode) << c.a << " " << c.b << " " << c.text;
  }
  std::int32_t mode = -1;
  EXPECT_FALSE(TContactProperties::ParseResisting(2, 2, "T:T", mode));
  const std::vector<std::pair<bool, bool>> tested = {{true, true}, {true, false}, {false, true}, {false, false}};
  for (std::int32_t m = kBothResist; m <= kNeitherResists; ++m) {
    EXPECT_EQ(std::pair(LowerBodyResists(m), HigherBodyResists(m)), tested[m]) << m;
  }
}

TEST_F(ContactPropertiesTest, PairTable) {
  TContactProperties properties;
  ASSERT_TRUE(properties.Load(Data("contacts/pairs.cop"), Model({"A", "B", "C", "D"})));
  EXPECT_TRUE(Logged().empty());
  // (A,B) (A,C) (A,D) (B,C) (B,D) (C,D)
  EXPECT_EQ(properties.Enabled, (std::vector<std::uint8_t>{1, 1, 1, 0, 1, 1}));
  EXPECT_EQ(properties.ResistingPenetration,
            (std::vector<std::int32_t>{kBothResist,        // A-B overrides A:all with its own default
                                       kHigherResists,     // C-A T:F: C, written first, resists
                                       kHigherResists,     // A:all F:T
                                       kBothResist,        // named nowhere
                                       kBothResist,        // D-B T:T names the higher body first
                                       kHigherResists}));  // C-D wins over D-C
  EXPECT_EQ(test::Elements(properties.Temperatures), (std::vector<long double>{0, 0, 300, 0, 0, 20}));
  EXPECT_EQ(properties.PairEnabled(2, 0), 1);
  EXPECT_EQ(properties.PairEnabled(1, 2), 0);
  EXPECT_EQ(properties.PairEnabled(0, 9), 0);
}

TEST_F(ContactPropertiesTest, NeitherResistingIsNeverTested) {
  TContactProperties properties;
  ASSERT_TRUE(properties.Load(Data("contacts/resisting.cop"), Model({"A", "B", "C", "D"})));
  // An empty section exists: D:all enables every pair of D with its defaults.
  EXPECT_EQ(properties.Enabled, (std::vector<std::uint8_t>{0, 1, 1, 1, 1, 1}));
  EXPECT_EQ(properties.ResistingPenetration,
            (std::vector<std::int32_t>{kNeitherResists, kLowerResists, kBothResist, kHigherResists, kBothResist,
                                       kBothResist}));
  EXPECT_EQ(Logged(), Strings{"[Alert] resistingPenetration is F:F in section A-B of the contact properties "
                              "file: neither body resists penetration, so the bodies are not tested for "
                              "contact."});
}

TEST_F(ContactPropertiesTest, MissingFileEnablesNothingAndOneBodyReadsNothing) {
  TContactProperties properties;
  EXPECT_TRUE(properties.Load(Data("contacts/missing.cop"), Model({"A"})));
  EXPECT_TRUE(Logged().empty());
  EXPECT_TRUE(properties.Load(Data("contacts/missing.cop"), Model({"A", "B"})));
  EXPECT_EQ(Logged(), Strings(5, "[Error] No contact properties file found."));
  EXPECT_EQ(properties.PairEnabled(0, 1), 0);
  long double value = 7;
  EXPECT_FALSE(properties.Friction.Value(0, 1, value));
  EXPECT_EQ(value, 7);
}

}  // namespace
}  // namespace zentrova
