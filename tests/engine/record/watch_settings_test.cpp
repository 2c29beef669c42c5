#include "engine/record/watch_settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/record/contact_watches.h"
#include "engine_test_support.h"
#include "history_test_support.h"
#include "platform/ini_file.h"

namespace zentrova {
namespace {

using Strings = std::vector<std::string>;

const char* const kRefused = "[Error] Check watches file.";
const char* const kWindowOff = "[Error] reshapeWindow turned off (incosistency in standardDeviationRange).";
const char* const kChangesOff =
    "[Error] changeConstants turned off (incosistency in the number of constants and the number of change "
    "parameters, see .wtc file).";

class WatchSettingsTest : public test::EngineTest {
 protected:
  TIniFile Ini(const std::string& text) {
    test::WriteBytes(dir_.File("settings.wtc"), text);
    return TIniFile(dir_.File("settings.wtc"));
  }
  test::TempDir dir_;
};

TEST(WatchSettingsLists, CommaTextAndMaxChange) {
  EXPECT_EQ(SplitCommaText(" a , b\tc,,d "), (Strings{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitCommaText("\"two words\",-2"), (Strings{"two words", "-2"}));
  const struct {
    const char* text;
    bool read;
    long double low, high;
  } cases[] = {{"0.5", true, 0.5L, 0},
               {"0.5, 0.75", true, 0.5L, 0.75L},
               {"", true, 0, 0},
               {"1,2,3", true, 1, 0},  // not two values: the first and 0
               {"1,x", false, 9, 9}};
  for (const auto& c : cases) {
    long double low = 9, high = 9;
    EXPECT_EQ(ReadMaxChange(c.text, low, high), c.read) << c.text;
    EXPECT_EQ(low, c.low) << c.text;
    EXPECT_EQ(high, c.high) << c.text;
  }
}

TEST_F(WatchSettingsTest, ReshapeWindowOpensOnlyOnAWholeRange) {
  const struct {
    const char* text;
    bool read, active;
    long double low, high;
    const char* line;  // nullptr: nothing logged
  } cases[] = {
      {"[reshapeWindow]\r\ncutHiLowValues=0.1\r\nstandardDeviationRange=-2,2\r\n", true, true, -2, 2,
       nullptr},
      {"[reshapeWindow]\r\n", true, true, -100, 100, nullptr},  // the default range
      {"[other]\r\n", true, false, 0, 0, nullptr},
      {"[reshapeWindow]\r\nstandardDeviationRange=2,2\r\n", true, false, 0, 0, kWindowOff},
      {"[reshapeWindow]\r\nstandardDeviationRange=3,-1\r\n", true, false, 0, 0, kWindowOff},
      {"[reshapeWindow]\r\nstandardDeviationRange=1.5\r\n", true, false, 0, 0, kWindowOff},
      {"[reshapeWindow]\r\nstandardDeviationRange=-2,two\r\n", false, false, 0, 0, kRefused},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    log_.Clear();
    TReshapeWindow window;
    EXPECT_EQ(window.Read(Ini(c.text)), c.read);
    EXPECT_EQ(window.Active, c.active);
    if (c.active) {
      EXPECT_EQ(window.RangeLow, c.low);
      EXPECT_EQ(window.RangeHigh, c.high);
    }
    EXPECT_EQ(Logged(), c.line != nullptr ? Strings{c.line} : Strings{});
  }
  TReshapeWindow window;
  ASSERT_TRUE(window.Read(Ini("[reshapeWindow]\r\ncutHiLowValues=0.1\r\n")));
  EXPECT_EQ(window.CutHiLowValues, 0.1L);
  ASSERT_TRUE(window.Read(Ini("[reshapeWindow]\r\nstandardDeviationRange=-5,5\r\n")));
  EXPECT_EQ(window.RangeLow, -100);  // active: a second reading changes nothing
}

TEST_F(WatchSettingsTest, ChangeConstantsNeedOneChangeForEachConstant) {
  TChangeConstants change;
  ASSERT_TRUE(change.Read(Ini("[changeConstants]\r\nconstant=k,c`m\r\nchange=0.5,-1e-3\r\n")));
  EXPECT_TRUE(change.Active);
  EXPECT_EQ(change.Constants, (Strings{"k", "c`m"}));
  EXPECT_EQ(test::Elements(change.Changes), (std::vector<long double>{0.5L, -1e-3L}));
  EXPECT_TRUE(Logged().empty());

  TChangeConstants uneven;
  const TIniFile ini = Ini("[changeConstants]\r\nconstant=k,m\r\nchange=0.5\r\n");
  ASSERT_TRUE(uneven.Read(ini));
  ASSERT_TRUE(uneven.Read(ini));  // still inactive, read again for the next body: nothing added twice
  EXPECT_FALSE(uneven.Active);
  EXPECT_EQ(uneven.Changes.Count(), 1u);
  EXPECT_EQ(Logged(), (Strings{kChangesOff, kChangesOff}));
  log_.Clear();
  EXPECT_FALSE(uneven.Read(Ini("[changeConstants]\r\nconstant=k\r\nchange=x\r\n")));
  EXPECT_EQ(Logged(), Strings{kRefused});
}

TEST_F(WatchSettingsTest, UpdatesAreActiveOnlyWithABody) {
  const TIniFile ini =
      Ini("[constantsUpdate]\r\nbody=A, B\r\nconstant=k\r\nmaxChange=0.01\r\n"
          "[bodyBalancedUpdate]\r\nbody=A\r\nmaxChange=0.5,0.7\r\n");
  TConstantsUpdate update;
  ASSERT_TRUE(update.Read(ini));
  EXPECT_TRUE(update.Active);
  EXPECT_EQ(update.Bodies, (Strings{"A", "B"}));
  EXPECT_EQ(update.Constants, Strings{"k"});
  EXPECT_EQ(update.MaxChange, 0.01L);
  TBodyBalancedUpdate balanced;
  ASSERT_TRUE(balanced.Read(ini));
  EXPECT_TRUE(balanced.Active);
  EXPECT_EQ(balanced.Bodies, Strings{"A"});
  EXPECT_EQ(balanced.MaxChangeLow, 0.5L);
  EXPECT_EQ(balanced.MaxChangeHigh, 0.7L);

  TConstantsUpdate without_body;
  ASSERT_TRUE(without_body.Read(Ini("[constantsUpdate]\r\nconstant=k\r\n")));
  EXPECT_FALSE(without_body.Active);
  TBodyBalancedUpdate refused;
  EXPECT_FALSE(refused.Read(Ini("[bodyBalancedUpdate]\r\nbody=A\r\nmaxChange=low\r\n")));
  EXPECT_FALSE(refused.Active);
  EXPECT_EQ(Logged(), Strings{kRefused});
}

TEST_F(WatchSettingsTest, WatchesReadTheSettingsForEveryBodyUntilActive) {
  TWorld world;
  TBodyList bodies;
  bodies.Add(test::OutlineBody(world, "A", Data("contacts/square.exs")));
  bodies.Add(test::OutlineBody(world, "B", Data("contacts/square.exs")));
  test::WriteBytes(dir_.File("model.wtc"),
                   "[reshapeWindow]\r\nstandardDeviationRange=1\r\n[changeConstants]\r\nconstant=k\r\n"
                   "change=1\r\n[bodyBalancedUpdate]\r\nbody=A,B\r\nmaxChange=0.2,0.3\r\n");
  TContactWatches watches;
  ASSERT_TRUE(watches.Load(dir_.File("model.wtc"), bodies, 0));
  EXPECT_EQ(Logged(), (Strings{kWindowOff, kWindowOff}));  // read again for the second body
  EXPECT_TRUE(watches.ChangeConstants.Active);
  EXPECT_EQ(watches.ChangeConstants.Changes.Count(), 1u);
  EXPECT_EQ(watches.BodyBalancedUpdate.MaxChangeHigh, 0.3L);
  EXPECT_FALSE(watches.ConstantsUpdate.Active);
}

}  // namespace
}  // namespace zentrova
