#include "engine/model/model.h"
#include "engine/model/world.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine_test_support.h"
#include "platform/paths.h"
#include "platform/settings.h"

namespace zentrova {
namespace {

using Strings = std::vector<std::string>;
using WorldTest = test::EngineTest;

TEST_F(WorldTest, EmptyMainSectionGivesEveryDefault) {
  TWorld world;
  const std::string path = Data("world/empty_main.wld");
  ASSERT_TRUE(world.ReadWorldFile(path));
  EXPECT_TRUE(Logged().empty());  // missing keys take their defaults without a word
  EXPECT_EQ(DecimalSeparator(), '.');
  EXPECT_EQ(world.WorldFilePath, path);
  EXPECT_EQ(world.Settings.WorkingDirectory, Data("world/"));
  EXPECT_EQ(world.Settings.N, 1u);
  const TLCPSettings lcp = world.LCPSettings();
  EXPECT_EQ(lcp.PivotToleranceMin, 1e-14L);
  EXPECT_EQ(lcp.PivotToleranceMax, 1e-10L);
  EXPECT_EQ(lcp.LexicoZeroTolerance, 1e-8L);
  EXPECT_EQ(world.Settings.ZeroVelocityTolerance, 1e-18L);
  EXPECT_FALSE(world.TryToSolveByGoingBack());
  EXPECT_EQ(world.Settings.MaximumTimestep, 1e-5L);
  EXPECT_EQ(world.Settings.MinimumTimestep, 1e-12L);
  EXPECT_EQ(world.Settings.MaximumPenetration, 1e-6L);
  EXPECT_EQ(world.Settings.MaximumDisplacementFactor, 0.5L);
  EXPECT_EQ(world.Settings.RecordingInterval, 1u);
  EXPECT_FALSE(world.Settings.WriteEachTimeStep);
  EXPECT_FALSE(world.LCPSettings().LogUnboundedRay);
  EXPECT_FALSE(world.LCPSettings().LogMaximumIterations);
  EXPECT_FALSE(world.Settings.WriteAtCollision);
  EXPECT_EQ(world.Settings.ConstantsFileName, "empty_main.cns");
  EXPECT_EQ(world.Settings.GeneralizedCoordinatesFileName, "empty_main.gc");
  EXPECT_EQ(world.Settings.DependentCoordinatesFileName, "empty_main.dc");
  EXPECT_EQ(world.Settings.MassMatrixFileName, "empty_main.mmx");
  EXPECT_EQ(world.Settings.HVectorFileName, "empty_main.hv");
  EXPECT_EQ(world.Settings.MechanicalEnergyFileName, "empty_main.me");
  EXPECT_EQ(world.Settings.ContactPropertiesFileName, "empty_main.cop");
  EXPECT_EQ(world.Settings.WatchesFileName, "empty_main.wtc");
  EXPECT_EQ(world.Settings.BreakTimeText, "1");
  EXPECT_EQ(world.Settings.PointsPerBoundingBox, 2);
  EXPECT_EQ(world.State.TimeStep, 1e-5L);
  EXPECT_TRUE(world.Model().BodyFileNames.empty());
}

TEST_F(WorldTest, ReadsEveryKey) {
  TWorld world;
  ASSERT_TRUE(world.ReadWorldFile(Data("world/full.wld")));
  EXPECT_TRUE(Logged().empty());
  EXPECT_EQ(world.Settings.WorkingDirectory, "sub/models/");  // "\" turned into "/", a separator appended
  EXPECT_EQ(world.Settings.N, 3u);
  const TLCPSettings lcp = world.LCPSettings();
  EXPECT_EQ(lcp.PivotToleranceMin, 2e-14L);
  EXPECT_EQ(lcp.PivotToleranceMax, 3e-10L);
  EXPECT_EQ(lcp.LexicoZeroTolerance, 4e-8L);
  EXPECT_EQ(world.Settings.ZeroVelocityTolerance, 5e-18L);
  EXPECT_TRUE(world.TryToSolveByGoingBack());
  EXPECT_EQ(world.Settings.MaximumTimestep, 2e-5L);
  EXPECT_EQ(world.State.TimeStep, 2e-5L);
  EXPECT_EQ(world.Settings.MinimumTimestep, 3e-12L);
  EXPECT_EQ(world.Settings.MaximumPenetration, 4e-6L);
  EXPECT_EQ(world.Settings.MaximumDisplacementFactor, 0.25L);
  EXPECT_EQ(world.Settings.RecordingInterval, 16u);  // "$10"
  EXPECT_TRUE(world.Settings.WriteEachTimeStep);
  EXPECT_TRUE(world.LCPSettings().LogUnboundedRay);
  EXPECT_TRUE(world.LCPSettings().LogMaximumIterations);         // "0x1"
  EXPECT_TRUE(world.Settings.WriteAtCollision);             // any non-zero number is True
  EXPECT_EQ(world.Settings.ConstantsFileName, "full.cns");  // "CURRENT.CNS" in any letter case
  EXPECT_EQ(world.Settings.GeneralizedCoordinatesFileName, "coords/pendulum.gc");
  EXPECT_EQ(world.Settings.DependentCoordinatesFileName, "other.dc");
  EXPECT_EQ(world.Settings.MassMatrixFileName, "full.mmx");
  EXPECT_EQ(world.Settings.HVectorFileName, "forces.hv");
  EXPECT_EQ(world.Settings.MechanicalEnergyFileName, "full.me");
  EXPECT_EQ(world.Settings.ContactPropertiesFileName, "current.cop.old");  // only the whole default is replaced
  EXPECT_EQ(world.Settings.WatchesFileName, "w.wtc");
  EXPECT_EQ(world.Settings.BreakTimeText, "2*pi");
  EXPECT_EQ(world.Model().BodyFileNames, (Strings{"arm.bdy", "parts/wheel.bdy"}));
}

TEST_F(WorldTest, BodyListStopsAtTheFirstGap) {
  TWorld world;
  world.Model().BodyFileNames = {"left.bdy", "over.bdy"};  // cleared first
  ASSERT_TRUE(world.ReadWorldFile(Data("world/gap.wld")));
  EXPECT_EQ(world.Model().BodyFileNames, Strings{"a.bdy"});
}

TEST_F(WorldTest, BodyFileNamedCommonIsRefused) {
  TWorld world;
  EXPECT_FALSE(world.ReadWorldFile(Data("world/common.wld")));
  EXPECT_EQ(Logged(), Strings{"[Error] bodie can not be named 'common.'"});
  EXPECT_EQ(world.Model().BodyFileNames, Strings{"COMMON.bdy"});  // the bodies before it are read
  EXPECT_EQ(world.Settings.N, 2u);                                 // and every setting of section Main
}

TEST_F(WorldTest, BooleanWordsGiveTheDefault) {
  TWorld world;
  ASSERT_TRUE(world.ReadWorldFile(Data("world/true_bool.wld")));
  EXPECT_FALSE(world.TryToSolveByGoingBack());
  EXPECT_FALSE(world.Settings.WriteEachTimeStep);
  EXPECT_TRUE(world.LCPSettings().LogUnboundedRay);
}

TEST_F(WorldTest, CommaSeparatorGovernsEveryFloat) {
  TWorld world;
  ASSERT_TRUE(world.ReadWorldFile(Data("world/comma.wld")));
  EXPECT_EQ(DecimalSeparator(), ',');
  EXPECT_EQ(ListSeparator(), ';');
  EXPECT_EQ(world.Settings.MaximumTimestep, 2.5e-6L);
  EXPECT_EQ(world.Settings.MinimumTimestep, 1e-12L);  // written with "." it is malformed: the default
  EXPECT_EQ(world.Settings.MaximumDisplacementFactor, 0.75L);
}

TEST_F(WorldTest, ZeroValuesAreReplacedWithAnAlert) {
  TWorld world;
  ASSERT_TRUE(world.ReadWorldFile(Data("world/zero_values.wld")));
  EXPECT_EQ(world.Settings.MaximumTimestep, 1e-5L);
  EXPECT_EQ(world.State.TimeStep, 1e-5L);
  EXPECT_EQ(world.Settings.MinimumTimestep, 1e-12L);
  EXPECT_EQ(world.Settings.MaximumPenetration, 1e-6L);
  EXPECT_EQ(Logged(), (Strings{
                          "[Alert] maximumTimestep was not found in wld file and was set to: 1E-5s.",
                          "[Alert] minimumTimestep was not found in wld file and was set to: 1E-12s.",
                          "[Alert] maximumPenetration was not found in wld file and was set to: 1E-6.",
                      }));
}

TEST_F(WorldTest, MissingFileOnlySetsTheWorkingDirectory) {
  TWorld world;
  test::TempDir dir;
  EXPECT_FALSE(world.ReadWorldFile(dir.File("nothere.wld")));
  EXPECT_EQ(Logged(), Strings{"[Error] No world file found."});
  EXPECT_EQ(world.Settings.WorkingDirectory, dir.Path());
  EXPECT_EQ(world.Settings.N, TWorldSettings{}.N);  // no setting changes
  EXPECT_EQ(world.Settings.MaximumTimestep, TWorldSettings{}.MaximumTimestep);
  EXPECT_EQ(world.WorldFilePath, "");

  TWorld bare;
  EXPECT_FALSE(bare.ReadWorldFile("nothere.wld"));
  EXPECT_EQ(bare.Settings.WorkingDirectory, "./");  // the current folder, not the root
}

TEST_F(WorldTest, FileNameIsFoundWithoutRegardToLetterCase) {
  TWorld world;
  ASSERT_TRUE(world.ReadWorldFile(Data("world/EMPTY_MAIN.WLD")));
  EXPECT_EQ(world.Settings.ConstantsFileName, "empty_main.cns");
}

TEST_F(WorldTest, RefusedValuesFailWithTheirLine) {
  struct Case {
    const char* file;
    const char* line;
  };
  const Case cases[] = {
      {"world/empty_separator.wld", "[Error] decimalSeparator in wld file is empty."},
      {"world/negative_n.wld", "[Error] numberOfGeneralizedCoodinates in wld file is negative: -2."},
      {"world/negative_interval.wld",
       "[Error] writeToHistoryMultipleOfMaximumTimestep in wld file is negative: -1."},
      {"world/drive.wld",
       "[Error] workingDirectory in wld file names a drive: C:\\models\\pendulum\\. Give a folder of this "
       "system or current."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    TLog log;
    TLog* const fixture_log = SetGlobalLog(&log);
    TWorld world;
    EXPECT_FALSE(world.ReadWorldFile(Data(c.file)));
    SetGlobalLog(fixture_log);
    EXPECT_EQ(log.Lines(), Strings{c.line});
    EXPECT_EQ(world.State.TimeStep, 0);  // the keys after the refused one are not read
  }
}

TEST_F(WorldTest, WorkingDirectoryGetsItsSeparator) {
  test::TempDir dir;
  test::WriteBytes(dir.File("w.wld"), "[Main]\r\nworkingDirectory=" + dir.Path() + "models\r\n");
  TWorld world;
  ASSERT_TRUE(world.ReadWorldFile(dir.File("w.wld")));
  EXPECT_EQ(world.Settings.WorkingDirectory, dir.Path() + "models/");

  test::WriteBytes(dir.File("c.wld"), "[Main]\r\nworkingDirectory=CURRENT\r\n");
  TWorld current;
  ASSERT_TRUE(current.ReadWorldFile(dir.File("c.wld")));
  EXPECT_EQ(current.Settings.WorkingDirectory, dir.Path());
}

TEST_F(WorldTest, LCPTolerancesCanBeRewritten) {
  TWorld world;
  ASSERT_TRUE(world.ReadWorldFile(Data("world/empty_main.wld")));
  world.SetLCPPivotToleranceMin(1e-13L);
  world.SetLCPPivotToleranceMax(1e-9L);
  world.SetLCPLexicoZeroTolerance(1e-7L);
  const TLCPSettings lcp = world.LCPSettings();
  EXPECT_EQ(lcp.PivotToleranceMin, 1e-13L);
  EXPECT_EQ(lcp.PivotToleranceMax, 1e-9L);
  EXPECT_EQ(lcp.LexicoZeroTolerance, 1e-7L);
}

}  // namespace
}  // namespace zentrova
