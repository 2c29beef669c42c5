#include "engine/world/model.h"
#include "engine/world/world.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine_test_support.h"
#include "platform/settings.h"

namespace zentrova {
namespace {

using Strings = std::vector<std::string>;
using WorldTest = test::EngineTest;

Strings ModelFileNames(const TWorldSettings& s) {
  return {s.ConstantsFileName,
          s.GeneralizedCoordinatesFileName,
          s.DependentCoordinatesFileName,
          s.MassMatrixFileName,
          s.HVectorFileName,
          s.MechanicalEnergyFileName,
          s.ContactPropertiesFileName,
          s.WatchesFileName};
}

TEST_F(WorldTest, ReadsEveryKey) {
  TWorld world;
  ASSERT_TRUE(world.ReadWorldFile(Data("world/full.wld")));
  EXPECT_TRUE(Logged().empty());
  const TWorldSettings& s = world.Settings;
  EXPECT_EQ(s.WorkingDirectory, "sub/models/");  // "\" turned into "/", a separator appended
  EXPECT_EQ(s.N, 3u);
  const TLCPSettings lcp = world.LCPSettings();
  EXPECT_EQ(std::vector<long double>({lcp.PivotToleranceMin, lcp.PivotToleranceMax, lcp.LexicoZeroTolerance,
                                      s.ZeroVelocityTolerance, s.MaximumTimestep, s.MinimumTimestep,
                                      s.MaximumPenetration, s.MaximumDisplacementFactor}),
            (std::vector<long double>{2e-14L, 3e-10L, 4e-8L, 5e-18L, 2e-5L, 3e-12L, 4e-6L, 0.25L}));
  // "0x1" and -1 are True too; "$10" is 16.
  EXPECT_TRUE(lcp.LogUnboundedRay && lcp.LogMaximumIterations && world.TryToSolveByGoingBack() &&
              s.WriteEachTimeStep && s.WriteAtCollision);
  EXPECT_EQ(s.RecordingInterval, 16u);
  // "CURRENT.CNS" in any letter case; only the whole default is replaced.
  EXPECT_EQ(ModelFileNames(s), (Strings{"full.cns", "coords/pendulum.gc", "other.dc", "full.mmx", "forces.hv",
                                        "full.me", "current.cop.old", "w.wtc"}));
  EXPECT_EQ(s.BreakTimeText, "2*pi");
  EXPECT_EQ(world.Model().BodyFileNames, (Strings{"arm.bdy", "parts/wheel.bdy"}));

  world.Model().BodyFileNames = {"left.bdy", "over.bdy"};  // cleared first
  ASSERT_TRUE(world.ReadWorldFile(Data("world/gap.wld")));
  EXPECT_EQ(world.Model().BodyFileNames, Strings{"a.bdy"});  // the list stops at the first gap
}

TEST_F(WorldTest, OddValues) {
  TWorld words;  // boolean words give the default
  ASSERT_TRUE(words.ReadWorldFile(Data("world/true_bool.wld")));
  EXPECT_FALSE(words.TryToSolveByGoingBack() || words.Settings.WriteEachTimeStep);
  TWorld comma;  // the separator governs every float
  ASSERT_TRUE(comma.ReadWorldFile(Data("world/comma.wld")));
  EXPECT_EQ(comma.Settings.MaximumTimestep, 2.5e-6L);
  EXPECT_EQ(comma.Settings.MinimumTimestep, 1e-12L);  // written with "." it is malformed: the default
  SetDecimalSeparator('.');
  TWorld zero;  // an exact 0 is replaced with an alert
  ASSERT_TRUE(zero.ReadWorldFile(Data("world/zero_values.wld")));
  EXPECT_EQ(zero.Settings.MaximumTimestep, 1e-5L);
  EXPECT_EQ(zero.Settings.MinimumTimestep, 1e-12L);
  EXPECT_EQ(zero.Settings.MaximumPenetration, 1e-6L);
  EXPECT_EQ(
      Logged(),
      (Strings{
          "[Alert] TryToSolveByGoingBack in wld file true_bool.wld line 2 is not a number: True. The default 0 "
          "is used.",
          "[Alert] writeToHistoryEachTimeStep in wld file true_bool.wld line 3 is not a number: yes. The default "
          "0 is used.",
          // A "." where the file sets "," says where it does.
          "[Alert] minimumTimestep in wld file comma.wld line 4 is not a number: 1.5E-13. The default 1E-12 is "
          "used. Numbers are read with the decimal separator \",\" that decimalSeparator sets on line 2 of file "
          "comma.wld.",
          "[Alert] maximumTimestep was not found in wld file and was set to: 1E-5s. Line 2 of file zero_values.wld.",
          "[Alert] minimumTimestep was not found in wld file and was set to: 1E-12s. Line 3 of file zero_values.wld.",
          "[Alert] maximumPenetration was not found in wld file and was set to: 1E-6. Line 4 of file "
          "zero_values.wld."}));
}

TEST_F(WorldTest, RefusedFilesFailWithTheirLine) {
  const struct {
    const char* file;
    const char* line;
  } cases[] = {
      {"world/empty_separator.wld", "[Error] decimalSeparator in wld file empty_separator.wld line 2 is empty."},
      {"world/negative_n.wld",
       "[Error] numberOfGeneralizedCoodinates in wld file negative_n.wld line 2 must be a finite number of at "
       "least 0: -2."},
      {"world/negative_interval.wld",
       "[Error] writeToHistoryMultipleOfMaximumTimestep in wld file negative_interval.wld line 3 must be a finite "
       "number of at least 0: -1."},
      {"world/drive.wld",
       "[Error] workingDirectory in wld file drive.wld line 2 names a drive: C:\\models\\pendulum\\. Give a "
       "folder of this system or current."},
      {"world/nothere.wld", "[Error] No world file found. File nothere.wld."},
  };
  for (const auto& c : cases) {
    log_.Clear();
    TWorld world;
    EXPECT_FALSE(world.ReadWorldFile(Data(c.file)));
    EXPECT_EQ(Logged(), Strings{c.line}) << c.file;
    EXPECT_EQ(world.State.TimeStep, 0) << c.file;  // the keys after the refused one are not read
  }
  // "common" alone is no body file; the bodies before it and section Main are read.
  log_.Clear();
  TWorld world;
  EXPECT_FALSE(world.ReadWorldFile(Data("world/common.wld")));
  EXPECT_EQ(Logged(), Strings{"[Error] bodie can not be named 'common.' Line 5 of file common.wld: Body2=Common."});
  EXPECT_EQ(world.Model().BodyFileNames, Strings{"COMMON.bdy"});
  EXPECT_EQ(world.Settings.N, 2u);
}

}  // namespace
}  // namespace zentrova
