#include "engine/record/watch_settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/record/contact_watches.h"
#include "engine_test_support.h"
#include "contact_watches_test_support.h"
#include "platform/ini_file.h"

namespace zentrova {
namespace {

using Strings = std::vector<std::string>;

const char* const kWindowOff = "[Error] reshapeWindow turned off (incosistency in standardDeviationRange).";
const char* const kChangesOff =
    "[Error] changeConstants turned off (incosistency in the number of constants and the number of change "
    "parameters, see .wtc file).";

class WatchSettingsTest : public test::EngineTest {
 protected:
  TIniFile Ini(const Strings& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    const std::string path = dir_.File("settings.wtc");
    test::WriteBytes(path, text);
    return TIniFile(path);
  }
  test::TempDir dir_;
};

TEST(WatchSettingsLists, CommaText) {
  EXPECT_EQ(SplitCommaText("a,b"), (Strings{"a", "b"}));
  EXPECT_EQ(SplitCommaText(" a , b\tc,,d "), (Strings{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitCommaText("\"two words\",x"), (Strings{"two words", "x"}));
  EXPECT_EQ(SplitCommaText(""), Strings{});
  EXPECT_EQ(SplitCommaText("-2,2"), (Strings{"-2", "2"}));
}

TEST_F(WatchSettingsTest, ReshapeWindow) {
  {
    TReshapeWindow window;
    ASSERT_TRUE(window.Read(Ini({"[reshapeWindow]", "cutHiLowValues=0.1", "standardDeviationRange=-2,2"})));
    EXPECT_TRUE(window.Active);
    EXPECT_EQ(window.CutHiLowValues, 0.1L);
    EXPECT_EQ(window.RangeLow, -2);
    EXPECT_EQ(window.RangeHigh, 2);
    // Active: a second reading changes nothing.
    ASSERT_TRUE(window.Read(Ini({"[reshapeWindow]", "standardDeviationRange=-5,5"})));
    EXPECT_EQ(window.RangeLow, -2);
  }
  {
    TReshapeWindow window;
    ASSERT_TRUE(window.Read(Ini({"[reshapeWindow]"})));
    EXPECT_TRUE(window.Active);  // the default range
    EXPECT_EQ(window.RangeLow, -100);
    EXPECT_EQ(window.RangeHigh, 100);
  }
  {
    TReshapeWindow window;
    ASSERT_TRUE(window.Read(Ini({"[other]"})));
    EXPECT_FALSE(window.Active);
  }
  EXPECT_TRUE(Logged().empty());
  for (const char* range : {"2,2", "3,-1", "1.5"}) {
    log_.Clear();
    TReshapeWindow window;
    ASSERT_TRUE(window.Read(Ini({"[reshapeWindow]", std::string("standardDeviationRange=") + range})));
    EXPECT_FALSE(window.Active) << range;
    EXPECT_EQ(Logged(), Strings{kWindowOff}) << range;
  }
  log_.Clear();
  TReshapeWindow window;
  EXPECT_FALSE(window.Read(Ini({"[reshapeWindow]", "standardDeviationRange=-2,two"})));
  EXPECT_FALSE(window.Active);
  EXPECT_EQ(Logged(), Strings{"[Error] Check watches file."});
}

TEST_F(WatchSettingsTest, ChangeConstants) {
  {
    TChangeConstants change;
    ASSERT_TRUE(change.Read(Ini({"[changeConstants]", "constant=k,c`m", "change=0.5,-1e-3"})));
    EXPECT_TRUE(change.Active);
    EXPECT_EQ(change.Constants, (Strings{"k", "c`m"}));
    ASSERT_EQ(change.Changes.Count(), 2u);
    EXPECT_EQ(change.Changes.At(0), 0.5L);
    EXPECT_EQ(change.Changes.At(1), -1e-3L);
  }
  EXPECT_TRUE(Logged().empty());
  TChangeConstants change;
  const TIniFile ini = Ini({"[changeConstants]", "constant=k,m", "change=0.5"});
  ASSERT_TRUE(change.Read(ini));
  EXPECT_FALSE(change.Active);
  // Still inactive, the section is read again for the next body: nothing is added twice.
  ASSERT_TRUE(change.Read(ini));
  EXPECT_FALSE(change.Active);
  EXPECT_EQ(change.Changes.Count(), 1u);
  EXPECT_EQ(change.Constants.size(), 2u);
  EXPECT_EQ(Logged(), (Strings{kChangesOff, kChangesOff}));
  log_.Clear();
  EXPECT_FALSE(change.Read(Ini({"[changeConstants]", "constant=k", "change=x"})));
  EXPECT_EQ(Logged(), Strings{"[Error] Check watches file."});
}

TEST_F(WatchSettingsTest, ConstantsUpdateAndBodyBalancedUpdate) {
  const TIniFile ini = Ini({"[constantsUpdate]", "body=A, B", "constant=k", "maxChange=0.01",
                            "[bodyBalancedUpdate]", "body=A", "maxChange=0.5"});
  TConstantsUpdate update;
  ASSERT_TRUE(update.Read(ini));
  EXPECT_TRUE(update.Active);
  EXPECT_EQ(update.Bodies, (Strings{"A", "B"}));
  EXPECT_EQ(update.Constants, Strings{"k"});
  EXPECT_EQ(update.MaxChange, 0.01L);
  EXPECT_EQ(update.FirstValues.Count(), 0u);
  TChangeConstants change;
  ASSERT_TRUE(change.Read(ini));  // no section: inactive and silent
  EXPECT_FALSE(change.Active);
  TBodyBalancedUpdate balanced;
  ASSERT_TRUE(balanced.Read(ini));
  EXPECT_TRUE(balanced.Active);
  EXPECT_EQ(balanced.Bodies, Strings{"A"});
  EXPECT_EQ(balanced.MaxChangeLow, 0.5L);
  EXPECT_EQ(balanced.MaxChangeHigh, 0);
  EXPECT_EQ(balanced.Statistics.Mean, 0);
  EXPECT_TRUE(Logged().empty());

  TBodyBalancedUpdate two;
  ASSERT_TRUE(two.Read(Ini({"[bodyBalancedUpdate]", "maxChange=0.5,0.7"})));
  EXPECT_FALSE(two.Active);  // no body
  EXPECT_EQ(two.MaxChangeLow, 0.5L);
  EXPECT_EQ(two.MaxChangeHigh, 0.7L);

  TConstantsUpdate without_body;
  ASSERT_TRUE(without_body.Read(Ini({"[constantsUpdate]", "constant=k"})));
  EXPECT_FALSE(without_body.Active);
  EXPECT_EQ(without_body.Constants, Strings{"k"});
}

TEST_F(WatchSettingsTest, ReadForEveryBodyUntilActive) {
  TWorld world;
  TBodyList bodies;
  bodies.Add(test::OutlineBody(world, "A", Data("contacts/square.exs")));
  bodies.Add(test::OutlineBody(world, "B", Data("contacts/square.exs")));
  const std::string path = dir_.File("model.wtc");
  test::WriteBytes(path,
                   "[reshapeWindow]\r\nstandardDeviationRange=1\r\n[changeConstants]\r\nconstant=k\r\n"
                   "change=1\r\n[bodyBalancedUpdate]\r\nbody=A,B\r\nmaxChange=0.2,0.3\r\n");
  TContactWatches watches;
  ASSERT_TRUE(watches.Load(path, bodies, 0));
  // The window is read again for the second body and says so again.
  EXPECT_EQ(Logged(), (Strings{kWindowOff, kWindowOff}));
  EXPECT_FALSE(watches.ReshapeWindow.Active);
  EXPECT_TRUE(watches.ChangeConstants.Active);
  EXPECT_EQ(watches.ChangeConstants.Changes.Count(), 1u);
  EXPECT_TRUE(watches.BodyBalancedUpdate.Active);
  EXPECT_EQ(watches.BodyBalancedUpdate.MaxChangeHigh, 0.3L);
  EXPECT_FALSE(watches.ConstantsUpdate.Active);

  log_.Clear();
  test::WriteBytes(path, "[bodyBalancedUpdate]\r\nbody=A\r\nmaxChange=low\r\n");
  TContactWatches refused;
  EXPECT_FALSE(refused.Load(path, bodies, 0));
  EXPECT_EQ(Logged(), Strings{"[Error] Check watches file."});
}

TEST(WatchSettingsLists, MaxChange) {
  long double low = 9;
  long double high = 9;
  ASSERT_TRUE(ReadMaxChange("0.5", low, high));
  EXPECT_EQ(low, 0.5L);
  EXPECT_EQ(high, 0);
  ASSERT_TRUE(ReadMaxChange("0.5, 0.75", low, high));
  EXPECT_EQ(high, 0.75L);
  ASSERT_TRUE(ReadMaxChange("", low, high));
  EXPECT_EQ(low, 0);
  EXPECT_EQ(high, 0);
  ASSERT_TRUE(ReadMaxChange("1,2,3", low, high));  // not two values: the first and 0
  EXPECT_EQ(low, 1);
  EXPECT_EQ(high, 0);
  low = 9;
  EXPECT_FALSE(ReadMaxChange("1,x", low, high));
  EXPECT_EQ(low, 9);
}

}  // namespace
}  // namespace zentrova
