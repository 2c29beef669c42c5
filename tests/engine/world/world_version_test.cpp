// The next version of a model: the new history directory, the rewritten constants and the reshaped
// outlines; and the reshaping amounts themselves.
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "driver_test_support.h"
#include "engine/step/run_loop.h"
#include "numerics/int_list.h"
#include "engine/model/world_settings.h"
#include "engine/record/contact_watches.h"
#include "engine/record/history.h"
#include "platform/paths.h"

namespace zentrova::test {
namespace {

namespace fs = std::filesystem;

class NextVersionTest : public ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    CopyFolder(std::string(ZENTROVA_SOURCE_DIR) + "/examples/falling-box");
  }
  std::string Version(const std::string& short_name) const { return dir_.File(short_name); }
};

// The outlines as the outline writer rewrites them, unmoved.
const char* const kBoxOutline =
    "points =5\r\n%%data\r\n"
    "-1.00000000000000E-0001\t 1.00000000000000E-0001\t 1.00000000000000E-0001\t-1.00000000000000E-0001\t"
    "-1.00000000000000E-0001\t\r\n"
    "-5.00000000000000E-0002\t-5.00000000000000E-0002\t 5.00000000000000E-0002\t 5.00000000000000E-0002\t"
    "-5.00000000000000E-0002\t\r\n%%enddata\r\n";
const char* const kFloorOutline =
    "points =5\r\n%%data\r\n"
    "-2.00000000000000E+0000\t 2.00000000000000E+0000\t 2.00000000000000E+0000\t-2.00000000000000E+0000\t"
    "-2.00000000000000E+0000\t\r\n"
    "-5.00000000000000E-0001\t-5.00000000000000E-0001\t 0.00000000000000E+0000\t 0.00000000000000E+0000\t"
    "-5.00000000000000E-0001\t\r\n%%enddata\r\n";

TEST_F(NextVersionTest, WithEveryUpdateOffTheNewVersionIsTheModelPlusRewrittenOutlines) {
  std::string history;
  ASSERT_TRUE(Load("falling-box.wld", history));
  ASSERT_EQ(history, "000");
  ASSERT_TRUE(World().CreateNextVersion());
  const std::string next = Version("001");
  std::vector<std::string> files;
  for (const auto& entry : fs::directory_iterator(next)) files.push_back(entry.path().filename().string());
  std::sort(files.begin(), files.end());
  // The model's files, and the empty record files of a history.
  EXPECT_EQ(files, (std::vector<std::string>{"box.bdy", "box.exs", "data.txt", "falling-box.cns", "falling-box.cop",
                                             "falling-box.dc", "falling-box.gc", "falling-box.hv", "falling-box.me",
                                             "falling-box.mmx", "falling-box.wld", "falling-box.wtc", "floor.bdy",
                                             "floor.exs", "watches.txt"}));
  for (const std::string& name : files) {
    if (name == "box.exs" || name == "floor.exs" || name == "data.txt" || name == "watches.txt") continue;
    EXPECT_EQ(ReadBytes(next + "/" + name), ReadBytes(dir_.File(name))) << name;
  }
  EXPECT_EQ(ReadBytes(next + "/box.exs"), kBoxOutline);
  EXPECT_EQ(ReadBytes(next + "/floor.exs"), kFloorOutline);
  // The current history stays the current one; the log names the new directory.
  EXPECT_EQ(World().Model().History.ShortName, "000");
  EXPECT_EQ(World().Settings.WorkingDirectory, IncludeTrailingSeparator(Version("000")));
  const std::vector<std::string> lines = Lines();
  ASSERT_FALSE(lines.empty());
  EXPECT_TRUE(lines.back().rfind("At: ", 0) == 0) << lines.back();
  EXPECT_NE(lines.back().find(" new version was created to directory " + next), std::string::npos) << lines.back();
}

TEST_F(NextVersionTest, ChangedConstantIsRewrittenWholeNamesOnly) {
  WriteModelFile("falling-box.cns", "g = 9.81\r\nkd = 1\r\nK=2\r\n");
  WriteModelFile("falling-box.wtc", "[Box]\r\ncontactwatch=all\r\n[changeConstants]\r\nconstant=k\r\nchange=0.5\r\n");
  ASSERT_TRUE(Load("falling-box.wld"));
  ASSERT_TRUE(World().CreateNextVersion());
  EXPECT_EQ(ReadBytes(Version("001") + "/falling-box.cns"), "g = 9.81\r\nkd = 1\r\nk = 2.50000000000000000E+0\r\n");
}

// With no work recorded the changes are 0, but the configured lines are still rewritten.
TEST_F(NextVersionTest, WorkUpdateWithoutWorkRewritesTheLineUnchanged) {
  WriteModelFile("falling-box.cns", "g = 9.81\r\nk = 2\r\n");
  WriteModelFile("falling-box.wtc",
                 "[Box]\r\ncontactwatch=all\r\n[constantsUpdate]\r\nbody=Box\r\nconstant=k\r\nmaxChange=0.1\r\n");
  ASSERT_TRUE(Load("falling-box.wld"));
  ASSERT_TRUE(World().CreateNextVersion());
  EXPECT_EQ(ReadBytes(Version("001") + "/falling-box.cns"), "g = 9.81\r\nk = 2.00000000000000000E+0\r\n");
  EXPECT_EQ(World().Model().Watches.ConstantsUpdate.SecondValues.Count(), 1u);
  EXPECT_EQ(World().Model().Watches.ConstantsUpdate.SecondValues.At(0), 0);
}

// After a run whose watches recorded work on both bodies: each constant changes by its body's share of
// the largest work, |work| / largest |work| x maxChange, the work summed over the negative values.
TEST_F(NextVersionTest, WorkUpdateChangesEachConstantByItsShareOfTheLargestWork) {
  WriteModelFile("falling-box.cns", "g = 9.81\r\nka = 2\r\nkb = 3\r\n");
  // The floor watches one end of its top edge: it takes only a part of what the box's corners take.
  WriteModelFile("falling-box.wtc",
                 "[Box]\r\ncontactwatch=all\r\n[Floor]\r\ncontactwatch=3\r\n"
                 "[constantsUpdate]\r\nbody=Box,Floor\r\nconstant=ka,kb\r\nmaxChange=0.1\r\n");
  ASSERT_TRUE(Load("falling-box.wld"));
  TRunLoop(*main_).Run(0.6L);
  long double work[2] = {0, 0};
  for (std::int32_t body = 0; body < 2; ++body) {
    TIntList points;
    TFloatList normal, tangential, values;
    long double span = 0;
    ASSERT_TRUE(World().BodyWatchValues(body, points, normal, tangential, values, span));
    for (std::uint32_t i = 0; i < values.Count(); ++i) {
      if (values.At(i) < 0) work[body] += values.At(i);
    }
    work[body] = std::fabs(work[body]);
  }
  ASSERT_GT(work[1], 0);
  ASSERT_GT(std::fabs(work[0] - work[1]), 0.01L * std::max(work[0], work[1]));
  ASSERT_NE(std::max(work[0], work[1]), 1);

  ASSERT_TRUE(World().CreateNextVersion());
  const std::vector<std::string> lines = FileLines("001/falling-box.cns");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "g = 9.81");
  const long double largest = std::max(work[0], work[1]);
  const long double start[2] = {2, 3};
  for (std::size_t i = 0; i < 2; ++i) {
    const std::string& line = lines[i + 1];
    const std::string name = i == 0 ? "ka = " : "kb = ";
    ASSERT_EQ(line.rfind(name, 0), 0u) << line;
    const long double written = std::strtold(line.c_str() + name.size(), nullptr);
    EXPECT_NEAR(written, start[i] + work[i] / largest * 0.1L, 1e-16L) << line;
  }
}

TEST_F(NextVersionTest, MissingConstantsFileIsAnAlert) {
  WriteModelFile("falling-box.wtc", "[Box]\r\ncontactwatch=all\r\n[changeConstants]\r\nconstant=g\r\nchange=1\r\n");
  ASSERT_TRUE(Load("falling-box.wld"));
  fs::create_directory(dir_.File("empty"));
  EXPECT_FALSE(World().UpdateConstantsByChanges(dir_.File("empty")));
  EXPECT_EQ(Lines().back(), "[Alert] No constants file found at updating constants.");
  EXPECT_FALSE(fs::exists(dir_.File("empty/falling-box.cns")));
}

// The load's own directory recorded nothing and goes with the driver; the new version stays, its copy
// whole, and continues. The current history's log still follows every line.
TEST_F(NextVersionTest, NewVersionOutlivesTheDriver) {
  ASSERT_TRUE(Load("falling-box.wld"));
  ASSERT_TRUE(World().NewHistoryDirectory);
  ASSERT_TRUE(World().CreateNextVersion());
  EXPECT_TRUE(World().NewHistoryDirectory);
  EXPECT_FALSE(fs::exists(Version("001") + "/" + kModelCopyIncompleteFile));
  main_->Log().Add("[Alert] after the new version");
  EXPECT_TRUE(ReadBytes(Version("000") + "/log.txt").ends_with("[Alert] after the new version\r\n"));
  main_.reset();
  EXPECT_FALSE(fs::exists(Version("000")));
  EXPECT_TRUE(fs::exists(Version("001") + "/box.exs"));
  // Continued, the history is the user's: a new version beside it leaves it so.
  std::string history = "001";
  ASSERT_TRUE(Load("falling-box.wld", history)) << Lines().back();
  ASSERT_TRUE(World().CreateNextVersion());
  EXPECT_FALSE(World().NewHistoryDirectory);
  main_.reset();
  EXPECT_TRUE(fs::exists(Version("001") + "/box.exs"));
  EXPECT_TRUE(fs::exists(Version("000") + "/box.exs"));  // the next free number
}

// --- Reshaping amounts ---------------------------------------------------------------------------------

struct ReshapeCase {
  const char* name;
  std::vector<long double> values;
  long double cut;
  long double a, b;         // the body's maximum changes
  bool balanced;            // the body-balanced update names the body
  std::vector<long double> amounts;
  long double range_high = 1;    // of the balanced window
  long double shared_maximum = 0;  // the largest value the balanced statistics saw
};

class ReshapeAmountsTest : public ::testing::TestWithParam<ReshapeCase> {
 protected:
  TWorldSettings settings_;
};

TEST_P(ReshapeAmountsTest, AmountsFollowTheWindowOfValues) {
  const ReshapeCase& c = GetParam();
  TBody body(settings_);
  body.Name = "B";
  body.Solid.Shape.Reshape.MaxChangeLow = c.a;
  body.Solid.Shape.Reshape.MaxChangeHigh = c.b;
  TContactWatches watches;
  watches.ReshapeWindow.CutHiLowValues = c.cut;
  if (c.balanced) {
    // Shared statistics: mean -2, sd 1, values seen from -4 to 0; the window one sd each side.
    watches.ReshapeWindow.RangeLow = -1;
    watches.ReshapeWindow.RangeHigh = c.range_high;
    watches.BodyBalancedUpdate.Bodies = {"A", "B"};
    watches.BodyBalancedUpdate.Statistics.Mean = -2;
    watches.BodyBalancedUpdate.Statistics.StandardDeviation = 1;
    watches.BodyBalancedUpdate.Statistics.Minimum = -4;
    watches.BodyBalancedUpdate.Statistics.Maximum = c.shared_maximum;
    watches.BodyBalancedUpdate.MaxChangeLow = 1;
  }
  TFloatList values, amounts;
  for (long double v : c.values) values.Add(v);
  ASSERT_TRUE(body.ReshapeAmounts(values, watches, amounts));
  ASSERT_EQ(amounts.Count(), c.amounts.size());
  for (std::uint32_t i = 0; i < amounts.Count(); ++i) EXPECT_NEAR(amounts.At(i), c.amounts[i], 1e-15) << i;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReshapeAmountsTest,
    ::testing::Values(
        // Only negative values count: none left, every statistic 0, hi = lo = 0.
        ReshapeCase{"AllPositive", {1, 2, 3}, 0, 1, 0, false, {0, 0, 0}},
        // -10..-1 cut by one at each end: the window is -9..-2, amount (-2 - c) / 7.
        ReshapeCase{"CutTenth",
                    {-10, -9, -8, -7, -6, -5, -4, -3, -2, -1},
                    0.1L, 1, 0, false,
                    {1, 1, 6 / 7.0L, 5 / 7.0L, 4 / 7.0L, 3 / 7.0L, 2 / 7.0L, 1 / 7.0L, 0, 0}},
        ReshapeCase{"NoCut", {-10, -5, -1}, 0, 1, 0, false, {1, 4 / 9.0L, 0}},
        // Mean -2.5 in -4..-1: below it up to A = 1 at -4, above it up to B = 2 at -1.
        ReshapeCase{"BothSides", {-4, -3, -2, -1}, 0, 1, 2, false, {1, 1 / 3.0L, 2 / 3.0L, 2}},
        // The update's statistics and changes: window -3..-1, A = 1, B = 0; the body's own A = 5 unused.
        ReshapeCase{"Balanced", {-10, -3, -2, 0}, 0, 5, 0, true, {1, 1, 0.5L, 0}},
        // A window reaching above 0 stops at 0: window -3..0, amount -c / 3.
        ReshapeCase{"BalancedWindowCutAtZero", {-3, -1.5L, 0, 0.4L}, 0, 5, 0, true, {1, 0.5L, 0, 0}, 3, 0.5L}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReshapeOutlineTest, WatchedPointsMoveAlongTheDirectionAndTheOutlineStaysClosed) {
  TWorldSettings settings;
  TBody body(settings);
  body.Name = "B";
  TExtrusionShape& shape = body.Solid.Shape;
  for (long double v : {0.0L, 1.0L, 1.0L, 0.0L, 0.0L}) shape.X.Add(v);
  for (long double v : {0.0L, 0.0L, 1.0L, 1.0L, 0.0L}) shape.Y.Add(v);
  shape.Watched = {true, true, false, true, true};
  // Point 3 shares watch 0 with points 0 and 4: one value moves all of them.
  shape.WatchIndex = {0, 5, 0, 0, 0};
  shape.Reshape.DirectionX = 1;
  shape.Reshape.MaxChangeLow = 1;
  shape.Reshape.MaxChangeHigh = 2;
  TContactWatches watches;
  TFloatList values, x, y;
  values.Add(-4);  // watch 0
  values.Add(-1);  // watch 5
  x.AddList(shape.X);
  y.AddList(shape.Y);
  ASSERT_TRUE(body.ReshapeOutline(values, watches, x, y));
  // Mean -2.5 in -4..-1: watch 0 moves by A = 1, watch 5 by B = 2.
  EXPECT_EQ(std::vector<long double>(x.Data(), x.Data() + 5), (std::vector<long double>{1, 3, 1, 1, 1}));
  EXPECT_EQ(std::vector<long double>(y.Data(), y.Data() + 5), (std::vector<long double>{0, 0, 1, 1, 0}));
  TFloatList none;
  EXPECT_FALSE(body.ReshapeOutline(none, watches, x, y));
}

}  // namespace
}  // namespace zentrova::test
