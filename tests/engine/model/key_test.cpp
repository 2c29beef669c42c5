#include "engine/model/key.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "equations_test_support.h"

namespace zentrova {
namespace {

using Strings = std::vector<std::string>;

class KeyTest : public test::EquationsTest {
 protected:
  void SetUp() override {
    EquationsTest::SetUp();
    LoadBodies("arm", "arm.wld");
    world_.Model().GeneralizedCoordinates.SetCount(2);
  }
  TKey Key(const std::string& text) {
    TKey key(world_.Model().Binding);
    EXPECT_TRUE(key.SetKeyText(text));
    return key;
  }
};

TEST_F(KeyTest, YieldsEveryMassProperty) {
  const struct {
    const char* key;
    long double value;
  } cases[] = {{"b`Arm`m", 3},        {"b`Arm`Jxx", 0.1L},  {"b`Arm`Jyy", 0.2L},  {"b`Arm`Jzz", 0.5L},
               {"b`Arm`Jxy", -0.25L}, {"b`Arm`Jxz", 0.05L}, {"b`Arm`Jyz", 0.07L}, {"b`Hand`m", 0.5L}};
  for (const auto& c : cases) {
    long double value = -1;
    EXPECT_TRUE(Key(c.key).LinkMassProperty(value)) << c.key;
    EXPECT_EQ(value, c.value) << c.key;
  }
  EXPECT_TRUE(NewLines().empty());
}

TEST_F(KeyTest, FailuresLogOneLineAndChangeNothing) {
  long double value = 42;
  EXPECT_FALSE(Key("b`Arm`rz").LinkBodyCoordinates(0));
  EXPECT_FALSE(Key("b`Arm`jzz").LinkMassProperty(value));
  EXPECT_FALSE(Key("b`Wheel`x").LinkBodyCoordinates(0));
  EXPECT_FALSE(Key("b`Wheel`x").CopyStartValues(0));
  EXPECT_FALSE(Key("b`arm`m").LinkMassProperty(value));  // body names compare with letter case
  // Only a lower-case b makes a key: anything else is no key and says nothing.
  EXPECT_FALSE(Key("B`Arm`Rz").LinkBodyCoordinates(0));
  EXPECT_FALSE(Key("B`Arm`Rz").CopyStartValues(0));
  EXPECT_FALSE(Key("c`Arm`m").LinkMassProperty(value));
  EXPECT_EQ(
      NewLines(),
      (Strings{"[Error] Body position pointer of b.Arm.rz was not set: rz is none of x, y, z, Rx, Ry, Rz.",
               "[Error] MassMatrix value b.Arm.jzz was not set.",
               "[Error] Body Wheel coordinate not found/created. Name of body (defined in bdy file) is used "
               "for the body coordinates. No body is named Wheel; the bodies are Arm, Hand.",
               "[Error] Body Wheel not found/created.", "[Error] Body arm not created."}));
  EXPECT_EQ(value, 42);
}

}  // namespace
}  // namespace zentrova
