#include "engine/model/watch_settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine_test_support.h"
#include "platform/ini_file.h"

namespace zentrova {
namespace {

using Strings = std::vector<std::string>;

const char* const kRefused =
    "[Error] Check watches file. Line 2 of settings.wtc, [reshapeWindow] standardDeviationRange: not a list of "
    "numbers: -2,two.";
const char* const kWindowOff = "[Error] reshapeWindow turned off (incosistency in standardDeviationRange).";

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
}

// The other settings refuse a list that is not numbers the same way, naming their own section and key.
TEST_F(WatchSettingsTest, ListsThatAreNoNumbersNameTheirKey) {
  const std::string prefix = "[Error] Check watches file. Line 3 of settings.wtc, ";
  {
    log_.Clear();
    TChangeConstants change;
    EXPECT_FALSE(change.Read(Ini("[changeConstants]\r\nconstant=k\r\nchange=0.5x\r\n")));
    EXPECT_FALSE(change.Active);
    EXPECT_EQ(Logged(), Strings{prefix + "[changeConstants] change: not a list of numbers: 0.5x."});
  }
  {
    log_.Clear();
    TBodyBalancedUpdate update;
    EXPECT_FALSE(update.Read(Ini("[bodyBalancedUpdate]\r\nbody=A\r\nmaxChange=1,,b\r\n")));
    EXPECT_FALSE(update.Active);
    EXPECT_EQ(Logged(), Strings{prefix + "[bodyBalancedUpdate] maxChange: not a list of numbers: 1,,b."});
  }
}

}  // namespace
}  // namespace zentrova
