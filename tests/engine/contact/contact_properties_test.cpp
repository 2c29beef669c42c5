#include "engine/contact/contact_properties.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
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

// Each text, then its mode for a section naming body 0 first and for one naming body 1 first: only "F"
// refuses, the separator plays no part, missing characters resist, and the higher-index body named first
// trades the one-sided modes only.
TEST(ContactPairs, ResistingModes) {
  const std::vector<std::tuple<std::string, int, int>> cases = {
      {"T:T", kBothResist, kBothResist},      {"T:F", kLowerResists, kHigherResists},
      {"F:T", kHigherResists, kLowerResists}, {"F:F", kNeitherResists, kNeitherResists},
      {"f:F", kLowerResists, kHigherResists}, {"FxT", kHigherResists, kLowerResists},
      {"F", kHigherResists, kLowerResists},   {"", kBothResist, kBothResist}};
  for (const auto& [text, first, second] : cases) {
    std::int32_t mode_01 = -1, mode_21 = -1;
    ASSERT_TRUE(TContactProperties::ParseResisting(0, 1, text, mode_01));
    ASSERT_TRUE(TContactProperties::ParseResisting(2, 1, text, mode_21));
    EXPECT_EQ(std::pair(mode_01, mode_21), std::pair(first, second)) << text;
  }
  std::int32_t mode = -1;
  EXPECT_FALSE(TContactProperties::ParseResisting(2, 2, "T:T", mode));
  const std::vector<bool> lower = {true, true, false, false}, higher = {true, false, true, false};
  for (std::int32_t m = kBothResist; m <= kNeitherResists; ++m) {
    EXPECT_EQ(std::pair(LowerBodyResists(m), HigherBodyResists(m)), std::pair(lower[m], higher[m])) << m;
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
  EXPECT_EQ(
      std::tuple(properties.PairEnabled(2, 0), properties.PairEnabled(1, 2), properties.PairEnabled(0, 9)),
      std::tuple(1, 0, 0));
}

// What each pair of five bodies finds in a file whose names differ in case from the bodies' and whose
// sections repeat: the first section of a name and the first key of a name in it win, a pair section
// that names the lower-index body first wins wherever it stands, a pair section without a key gives
// that key's default over the ":all" section's value, and a pair named nowhere keeps the defaults.
TEST_F(ContactPropertiesTest, SectionsAreFoundByTheirFirstOccurrenceWithoutRegardToCase) {
  test::TempDir dir;
  test::WriteBytes(dir.File("case.cop"),
                   "[ALPHA-BETA]\nresistingPenetration=T:F\ninitialTemperature=10\nfriction=0.1\n"
                   "[Alpha-Beta]\nresistingPenetration=F:T\ninitialTemperature=11\nfriction=0.9\n"
                   "[gamma-alpha]\nRESISTINGPENETRATION=T:F\nFriction=0.2\n"
                   "[Delta-Beta]\nresistingPenetration=T:F\ninitialTemperature=30\nfriction=0.8\n"
                   "[beta-delta]\nresistingPenetration=F:T\ninitialTemperature=31\nfriction=0.3\n"
                   "[Eps:all]\nresistingPenetration=F:T\ninitialTemperature=50\nfriction=0.5\n"
                   "[eps-GAMMA]\n"
                   "[Gamma-Delta]\nfriction=0.6\nfriction=0.7\n"
                   "[EPS:ALL]\ninitialTemperature=60\nfriction=0.4\n");
  TContactProperties properties;
  ASSERT_TRUE(properties.Load(dir.File("case.cop"), Model({"Alpha", "beta", "Gamma", "Delta", "Eps"})));
  EXPECT_TRUE(Logged().empty());
  const struct {
    std::uint32_t a, b;
    std::uint8_t enabled;
    std::int32_t mode;
    long double temperature;
    const char* friction;
  } cases[] = {
      {0, 1, 1, kLowerResists, 10, "0.1"},   // the first of two sections of one name
      {0, 2, 1, kHigherResists, 0, "0.2"},   // named higher body first, its keys in another case
      {0, 3, 0, kBothResist, 0, "0"},        // named nowhere
      {0, 4, 1, kLowerResists, 50, "0.5"},   // Eps:all, F:T: the other body resists
      {1, 2, 0, kBothResist, 0, "0"},        // named nowhere
      {1, 3, 1, kHigherResists, 31, "0.3"},  // lower-index body first wins over the earlier section
      {1, 4, 1, kLowerResists, 50, "0.5"},   // Eps:all
      {2, 3, 1, kBothResist, 0, "0.6"},      // the first of two keys of one name
      {2, 4, 1, kBothResist, 0, "0"},        // an empty pair section: its defaults override Eps:all
      {3, 4, 1, kLowerResists, 50, "0.5"},   // Eps:all, not its later repetition
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "pair " << c.a << ", " << c.b);
    std::uint32_t k = 0;
    ASSERT_TRUE(properties.PairIndex(c.a, c.b, k));
    EXPECT_EQ(properties.PairEnabled(c.b, c.a), c.enabled);
    EXPECT_EQ(properties.ResistingPenetration.at(k), c.mode);
    EXPECT_EQ(properties.Temperatures.At(k), c.temperature);
    EXPECT_EQ(properties.Friction.Expressions.at(k), c.friction);
  }
}

TEST_F(ContactPropertiesTest, NeitherResistingIsNeverTested) {
  TContactProperties properties;
  ASSERT_TRUE(properties.Load(Data("contacts/resisting.cop"), Model({"A", "B", "C", "D"})));
  // An empty section exists: D:all enables every pair of D with its defaults.
  EXPECT_EQ(properties.Enabled, (std::vector<std::uint8_t>{0, 1, 1, 1, 1, 1}));
  EXPECT_EQ(properties.ResistingPenetration,
            (std::vector<std::int32_t>{kNeitherResists, kLowerResists, kBothResist, kHigherResists,
                                       kBothResist, kBothResist}));
  EXPECT_EQ(Logged(), Strings{"[Alert] resistingPenetration is F:F in section A-B of the contact properties "
                              "file: neither body resists penetration, so the bodies are not tested for "
                              "contact."});
}

// A file without a section enables no pair, and the load goes on; text in it that forms no section is
// named, as it may be the wrong file.
TEST_F(ContactPropertiesTest, FileWithoutSectionsEnablesNoPair) {
  test::TempDir dir;
  const std::string alert =
      "[Alert] Contact properties file none.cop holds text but no section: no two bodies are tested for "
      "contact.";
  const std::pair<std::string, Strings> cases[] = {
      {"", {}},
      {"\r\n \t\r\n", {}},
      {"; A-B\r\nresistingPenetration=T:T\r\n", {alert}},
      {"The bodies never touch.\n", {alert}},
  };
  for (const auto& [text, lines] : cases) {
    test::WriteBytes(dir.File("none.cop"), text);
    TContactProperties properties;
    const std::size_t before = Logged().size();
    EXPECT_TRUE(properties.Load(dir.File("none.cop"), Model({"A", "B", "C"}))) << text;
    const Strings logged = Logged();
    EXPECT_EQ(Strings(logged.begin() + static_cast<std::ptrdiff_t>(before), logged.end()), lines) << text;
    EXPECT_EQ(properties.Enabled, (std::vector<std::uint8_t>{0, 0, 0})) << text;
  }
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

// A friction or normal restitution below 0 at the start turns a blow or a slide into a push: the load is
// refused naming key, file, line and value. Restitutions that add energy load with an alert; a negative
// tangential restitution (reversed sliding in a blow) loads silently.
TEST_F(ContactPropertiesTest, CoefficientsThatCannotWorkAreRefused) {
  const std::string refused = "[Error] friction in cop file pair.cop line 2 must not be negative: -0.3 gives -0.3.";
  const std::vector<std::tuple<std::string, bool, Strings>> cases = {
      {"friction=0.3\nrestitutionNormal=1\nrestitutionTangent=-1", true, {}},
      {"friction=-0.3", false, {refused}},
      {"friction=0.1 - vRel - 0.2", false,
       {"[Error] friction in cop file pair.cop line 2 must not be negative: 0.1-vRel-0.2 gives -0.1."}},
      {"friction=sqrt(-1)", false, {"[Error] friction in cop file pair.cop line 2 must be a number: sqrt(-1) gives NAN."}},
      {"friction=0\nrestitutionNormal=-0.5", false,
       {"[Error] restitutionNormal in cop file pair.cop line 3 must not be negative: -0.5 gives -0.5."}},
      {"restitutionNormal=1.5", true,
       {"[Alert] restitutionNormal in cop file pair.cop line 2 lies outside 0 to 1, so a blow adds energy: 1.5 gives 1.5."}},
      {"restitutionTangent=-0.5", true, {}},
      {"restitutionTangent=-2", true,
       {"[Alert] restitutionTangent in cop file pair.cop line 2 lies outside -1 to 1, so a blow adds energy: -2 gives -2."}},
  };
  for (const auto& [keys, loads, lines] : cases) {
    test::TempDir dir;
    test::WriteBytes(dir.File("pair.cop"), "[A-B]\n" + keys + "\n");
    MarkLog();
    TContactProperties properties;
    EXPECT_EQ(properties.Load(dir.File("pair.cop"), Model({"A", "B"})), loads) << keys;
    EXPECT_EQ(NewLines(), lines) << keys;
  }
}

}  // namespace
}  // namespace zentrova
