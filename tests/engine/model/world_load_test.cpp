// The world's load sequence: history directory, model copy, readers in order, and the load's refusals.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver_test_support.h"
#include "engine/step/run_loop.h"
#include "engine/model/model.h"
#include "engine/model/world.h"
#include "numerics/numerics_error.h"
#include "platform/paths.h"

namespace zentrova {
namespace {

using Strings = std::vector<std::string>;
using WorldLoadTest = test::ModelTest;

TEST_F(WorldLoadTest, LoadCopiesTheModelIntoANewHistoryDirectoryAndReadsItFromThere) {
  const std::string folder = CopyModel("pendulum");
  std::string history;
  ASSERT_TRUE(Load("pendulum.wld", history));
  TWorld& w = World();
  EXPECT_EQ(history, "000");
  EXPECT_TRUE(w.NewHistoryDirectory);
  EXPECT_EQ(w.Model().History.Directory, folder + "000/");
  EXPECT_EQ(w.Settings.WorkingDirectory, folder + "000/");
  EXPECT_EQ(w.UserWorkingDirectory, folder);
  EXPECT_EQ(w.WorldFilePath, folder + "000/pendulum.wld");
  EXPECT_EQ(w.UserWorldFilePath, folder + "pendulum.wld");
  for (const char* file : {"pendulum.wld", "bar.bdy", "bar.exs", "pendulum.cns", "pendulum.gc", "pendulum.dc",
                           "pendulum.mmx", "pendulum.hv", "pendulum.me", "pendulum.cop", "pendulum.wtc"}) {
    EXPECT_EQ(test::ReadBytes(folder + "000/" + file), test::ReadBytes(folder + file)) << file;
  }
  EXPECT_EQ(w.Model().Bodies.Count(), 1);
  EXPECT_EQ(w.Model().BodyNames, Strings{"Bar"});
  EXPECT_EQ(w.Settings.N, 1u);
  EXPECT_EQ(w.Model().Watches.Names, Strings{"Bar#0:1"});
  EXPECT_EQ(w.State.ContactForces.Count(), 1u);
  EXPECT_EQ(main_->Collisions().CoordinateValues.Count(), 1u);
  EXPECT_EQ(w.State.StoredStateCount, 0u);
  // The saved state is the loaded one.
  EXPECT_EQ(w.State.Current.Q.At(0), -1.2L);
  EXPECT_EQ(w.State.SavedMechanicalEnergy, w.State.MechanicalEnergy);
  EXPECT_TRUE(Lines().empty()) << Lines().front();
  // A second load beside a history with data takes the next number.
  ASSERT_TRUE(Steps(20));
  main_.reset();
  history.clear();
  ASSERT_TRUE(Load("pendulum.wld", history));
  EXPECT_EQ(history, "001");
}

TEST_F(WorldLoadTest, MissingWatchesFileDoesNotStopTheCopy) {
  const std::string folder = CopyModel("fall");
  ASSERT_TRUE(Load("fall.wld"));
  EXPECT_EQ(Lines(), (Strings{"[Alert] mass of body Ball explicitely defined to: 2.",
                              "[Alert] mass moment of inertia ZZ of body Ball explicitely defined to: 0.1.",
                              "[Alert] No watches file found."}));
  EXPECT_FALSE(FileExists(folder + "000/fall.wtc"));
  EXPECT_TRUE(FileExists(folder + "000/fall.cop"));
  // A body without a shape names no outline: nothing is copied for it.
  EXPECT_EQ(ListDirectory(folder + "000", false).size(), 11u);  // 9 model files, data.txt, watches.txt
}

TEST_F(WorldLoadTest, MissingModelFileFailsTheCopyWithItsMessages) {
  const std::string folder = CopyModel("fall");
  DeleteFile(folder + "fall.mmx");
  test::RecordingMessages messages;
  ASSERT_FALSE(Load("fall.wld"));
  const std::string text = "[Error] Could not copy file" + folder + "fall.mmx to " + folder + "000/.";
  EXPECT_EQ(messages.texts, Strings{text});
  const Strings lines = Lines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2], text);
  EXPECT_EQ(lines.back(), "[Error] could not copy model files to result folder.");
  EXPECT_EQ(World().Model().Bodies.Count(), 0);
  // The driver removes the directory this load made, since nothing was recorded in it.
  main_.reset();
  EXPECT_FALSE(DirectoryExists(folder + "000"));
}

TEST_F(WorldLoadTest, CopyThatCannotBeMadeIsAFailure) {
  const std::string folder = CopyModel("fall");
  TWorld world;
  EXPECT_FALSE(world.CopyFileAndWait(folder + "fall.hv", folder + "copies/", 100));  // no such folder
  EXPECT_EQ(log_.Lines(),
            Strings{"[Error] Copying file " + folder + "fall.hv to " + folder + "copies/ failed."});
  ForceDirectories(folder + "copies");
  EXPECT_TRUE(world.CopyFileAndWait(folder + "fall.hv", folder + "copies/", 100));
  EXPECT_EQ(test::ReadBytes(folder + "copies/fall.hv"), test::ReadBytes(folder + "fall.hv"));
}

TEST_F(WorldLoadTest, MissingOutlineFailsTheCopy) {
  const std::string folder = CopyModel("pendulum");
  DeleteFile(folder + "bar.exs");
  test::RecordingMessages messages;
  ASSERT_FALSE(Load("pendulum.wld"));
  EXPECT_EQ(messages.texts,
            Strings{"[Error] Could not copy file" + folder + "bar.exs to " + folder + "000/."});
}

TEST_F(WorldLoadTest, MissingBodyFileFailsTheCopyAfterTheWorldFile) {
  const std::string folder = CopyModel("pendulum");
  DeleteFile(folder + "bar.bdy");
  test::RecordingMessages messages;
  ASSERT_FALSE(Load("pendulum.wld"));
  EXPECT_EQ(messages.texts,
            Strings{"[Error] Could not copy file" + folder + "bar.bdy to " + folder + "000/."});
  EXPECT_TRUE(FileExists(folder + "000/pendulum.wld"));  // copied before the body file was missed
  EXPECT_EQ(Lines().back(), "[Error] could not copy model files to result folder.");
}

TEST_F(WorldLoadTest, MissingWorldFileIsReportedAndTheLoadStopsAtTheCopy) {
  const std::string folder = CopyModel("fall");
  test::RecordingMessages messages;
  ASSERT_FALSE(Load("nothing.wld"));
  const Strings lines = Lines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), "[Error] No world file found.");
  EXPECT_EQ(lines.back(), "[Error] could not copy model files to result folder.");
}

TEST_F(WorldLoadTest, EmptyBodiesSectionFailsTheLoad) {
  CopyModel("fall");
  WriteModelFile("fall.wld", "[Main]\nnumberOfGeneralizedCoodinates=1\n[Bodies]\n");
  ASSERT_FALSE(Load("fall.wld"));
  EXPECT_EQ(Lines().back(), "[Error] No bodies listed in section Bodies of the world file.");
}

TEST_F(WorldLoadTest, BodyThatFailsToLoadIsNotAddedAndEndsTheLoad) {
  CopyModel("fall");
  WriteModelFile("ball.bdy", "[Main]\nname=Ball\nRGBColor=red\n");
  ASSERT_FALSE(Load("fall.wld"));
  EXPECT_EQ(World().Model().Bodies.Count(), 0);
  EXPECT_EQ(Lines().back(), "[Error] RGBColor of body Ball in file ball.bdy must hold three numbers: red.");
}

TEST_F(WorldLoadTest, VirtualBodyOfAMissingBodyFailsTheLoad) {
  CopyModel("pendulum");
  WriteModelFile("pendulum.wld",
                 "[Main]\nnumberOfGeneralizedCoodinates=1\n[Bodies]\nBody1=bar.bdy\nBody2=ghost.bdy\n");
  WriteModelFile("ghost.bdy",
                 "[Main]\nname=Ghost\nvirtualToBody=Nobody\nshapeType=extrusionsolid\nshapeFile=bar.exs\n");
  ASSERT_FALSE(Load("pendulum.wld"));
  EXPECT_EQ(Lines().back(), "[Error] Body Ghost is virtual to body Nobody, which does not exist.");
}

TEST_F(WorldLoadTest, VirtualBodyFollowsItsBody) {
  CopyModel("pendulum");
  WriteModelFile("pendulum.wld",
                 "[Main]\nnumberOfGeneralizedCoodinates=1\n[Bodies]\nBody1=bar.bdy\nBody2=ghost.bdy\n");
  WriteModelFile("ghost.bdy",
                 "[Main]\nname=Ghost\nvirtualToBody=Bar\nshapeType=extrusionsolid\nshapeFile=bar.exs\n");
  ASSERT_TRUE(Load("pendulum.wld"));
  TWorld& w = World();
  TBody& bar = w.Model().Bodies.Items(0);
  TBody& ghost = w.Model().Bodies.Items(1);
  EXPECT_EQ(ghost.Mass, 0);
  // Rz is the generalized coordinate: linked with velocity and acceleration; x and y are the bar's
  // dependent coordinates: the ghost reads their values.
  EXPECT_TRUE(ghost.Links.Rz.Linked);
  EXPECT_EQ(ghost.Links.Rz.Index, 0);
  EXPECT_EQ(ghost.Kinematics.Velocity.Rz.ValuePtr, bar.Kinematics.Velocity.Rz.ValuePtr);
  EXPECT_EQ(ghost.Kinematics.Position.X.ValuePtr, bar.Kinematics.Position.X.ValuePtr);
  EXPECT_EQ(ghost.Kinematics.Position.Y.ValuePtr, bar.Kinematics.Position.Y.ValuePtr);
  ASSERT_TRUE(Steps(10));
  EXPECT_EQ(ghost.Kinematics.Position.Rz.Get(), Q(0));
  EXPECT_EQ(ghost.Kinematics.Position.X.Get(), bar.Kinematics.Position.X.Get());
}

TEST_F(WorldLoadTest, GeneralizedForcesMustBeNLines) {
  CopyModel("fall");
  WriteModelFile("fall.hv", "-b`Ball`m g\n\n");  // one force and an extra empty line
  ASSERT_FALSE(Load("fall.wld"));
  EXPECT_EQ(
      Lines().back(),
      "[Error] Number of generalizde coordinates does not match the number of generalized forces. Check "
      ".hv file. ");
}

TEST_F(WorldLoadTest, BlankLineAmongTheForcesIsRefused) {
  CopyModel("box");
  WriteModelFile("box.hv", "0\n\n0\n");  // three lines, two forces
  ASSERT_FALSE(Load("box.wld"));
  EXPECT_EQ(
      Lines().back(),
      "[Error] Number of generalizde coordinates does not match the number of generalized forces. Check "
      ".hv file. ");
}

TEST_F(WorldLoadTest, EnergyMustBeOneLine) {
  CopyModel("fall");
  WriteModelFile("fall.me", "b`Ball`m g b`Ball`y[t]\n0\n");
  ASSERT_FALSE(Load("fall.wld"));
  EXPECT_EQ(Lines().back(), "[Error] Mechanical energy should be writen in one line only; see .me file. ");
}

TEST_F(WorldLoadTest, MissingForcesAndEnergyFilesOfAContinuedHistory) {
  CopyModel("fall");
  ASSERT_TRUE(Load("fall.wld"));
  ASSERT_TRUE(Steps(3));
  main_.reset();
  DeleteFile(dir_.File("000/fall.hv"));
  std::string history = "000";
  ASSERT_FALSE(Load("fall.wld", history));
  EXPECT_EQ(Lines().back(), "[Error] No hVector file found.");
  main_.reset();
  test::WriteBytes(dir_.File("000/fall.hv"), "-b`Ball`m g\n");
  DeleteFile(dir_.File("000/fall.me"));
  ASSERT_FALSE(Load("fall.wld", history));
  EXPECT_EQ(Lines().back(), "[Error] No mechanical energy file found.");
}

TEST_F(WorldLoadTest, BreakTimeAddsOneRecordingInterval) {
  CopyModel("fall");
  WriteModelFile(
      "fall.wld",
      "[Main]\nnumberOfGeneralizedCoodinates=1\nmaximumTimestep=0.01\n"
      "writeToHistoryMultipleOfMaximumTimestep=3\nbreakTime=2 g/9.81 + 0.5\n[Bodies]\nBody1=ball.bdy\n");
  ASSERT_TRUE(Load("fall.wld"));
  EXPECT_NEAR(World().Model().BreakTime, 2.5L + 3 * 0.01L, 1e-17L);
}

TEST_F(WorldLoadTest, NonPositiveStepLimitsAreRefused) {
  CopyModel("fall");
  WriteModelFile("fall.wld", "[Main]\nminimumTimestep=-1e-9\n[Bodies]\nBody1=ball.bdy\n");
  ASSERT_FALSE(Load("fall.wld"));
  EXPECT_EQ(Lines().back(), "[Error] minimumTimestep in wld file must be a positive number: -1E-9.");
  EXPECT_FALSE(DirectoryExists(dir_.File("000")));  // refused before a directory was chosen
  WriteModelFile("fall.wld", "[Main]\nmaximumTimestep=-0.5\n[Bodies]\nBody1=ball.bdy\n");
  ASSERT_FALSE(Load("fall.wld"));
  EXPECT_EQ(Lines().back(), "[Error] maximumTimestep in wld file must be a positive number: -0.5.");
}

TEST_F(WorldLoadTest, SingularMassMatrixIsLoggedAndLeftToTheNumericsRecord) {
  CopyModel("fall");
  WriteModelFile("fall.mmx", "0\n");
  ASSERT_TRUE(Load("fall.wld"));
  EXPECT_TRUE(Logged("[Error] Error in mass matrix inversion (possibly singular)."));
  EXPECT_NE(NumericsErrorCode(), 0);
  // The run stops at its first step.
  TRunLoop run(*main_);
  EXPECT_EQ(run.Run(), TRunStop::NumericsError);
  EXPECT_EQ(run.Steps, 1u);
  EXPECT_EQ(Lines().back(),
            "[Error] Abort because error in data stucture (e.g. singularity in mass matrix).");
  ClearNumericsError();
}

class FakePlotWindow : public IPlotWindow {
 public:
  bool Visible() const override { return visible; }
  std::int32_t BodyIndex() const override { return index; }
  void PlotBodyWatches(TBody& body) override { plotted.push_back(body.Name); }
  bool visible = true;
  std::int32_t index = 0;
  Strings plotted;
};

TEST_F(WorldLoadTest, PlotWindowOfABodyTheModelLacksFailsTheLoad) {
  CopyModel("pendulum");
  FakePlotWindow plot;
  main_ = std::make_unique<TVYKMain>();
  main_->World().PlotWindow = &plot;
  std::string history;
  ASSERT_TRUE(main_->LoadWorld(dir_.File("pendulum.wld"), history, ""));
  EXPECT_EQ(plot.plotted, Strings{"Bar"});

  plot.index = 1;
  main_ = std::make_unique<TVYKMain>();
  main_->World().PlotWindow = &plot;
  history.clear();
  EXPECT_FALSE(main_->LoadWorld(dir_.File("pendulum.wld"), history, ""));
  EXPECT_EQ(Lines().back(), "[Error] The plot window shows body number 1, which the model does not have.");

  plot.visible = false;  // a hidden window is not refreshed
  main_ = std::make_unique<TVYKMain>();
  main_->World().PlotWindow = &plot;
  history.clear();
  EXPECT_TRUE(main_->LoadWorld(dir_.File("pendulum.wld"), history, ""));
}

TEST_F(WorldLoadTest, LastLinesOfAShortFileComeAfterEmptyOnes) {
  const std::string folder = dir_.Path();
  ForceDirectories(folder + "out");
  test::WriteBytes(folder + "data.txt", "one\r\ntwo\r\n");
  TWorld world;
  world.CopyLastLines(folder + "data.txt", folder + "out/");
  EXPECT_EQ(test::ReadBytes(folder + "out/data.txt"), "\r\none\r\ntwo\r\n");
  test::WriteBytes(folder + "data.txt", "1\n2\n3\n4\n5\n");
  world.CopyLastLines(folder + "data.txt", folder + "out/");
  EXPECT_EQ(test::ReadBytes(folder + "out/data.txt"), "3\r\n4\r\n5\r\n");
  world.CopyLastLines(folder + "missing.txt", folder + "out/");
  EXPECT_FALSE(FileExists(folder + "out/missing.txt"));
}

TEST_F(WorldLoadTest, NewHistoryStartsFromTheLastStatesOfAnother) {
  const std::string folder = CopyModel("fall");
  ASSERT_TRUE(Load("fall.wld"));
  ASSERT_TRUE(Steps(6));  // records t = 0 .. 4h
  const Strings data = FileLines("000/data.txt");
  ASSERT_EQ(data.size(), 5u);
  main_.reset();
  // The model now comes from the start history's copy: a change to the user's folder has no effect.
  WriteModelFile("fall.hv", "0\n");
  std::string history;
  ASSERT_TRUE(Load("fall.wld", history, "000"));
  EXPECT_EQ(history, "001");
  EXPECT_EQ(FileLines("001/data.txt"), (Strings{data[2], data[3], data[4]}));
  EXPECT_EQ(test::ReadBytes(folder + "001/fall.hv"), test::ReadBytes(folder + "000/fall.hv"));
  TWorld& w = World();
  EXPECT_EQ(w.State.StoredStateCount, 3u);
  EXPECT_EQ(w.State.CurrentState, 0u);
  EXPECT_EQ(w.State.Time, w.Model().History.Points.Items(0).Time);
  EXPECT_EQ(Q(0), w.Model().History.Points.Items(0).Coordinates.Q.At(0));
  // Two replayed states, then the computation goes on from the last one.
  ASSERT_TRUE(Steps(3));
  EXPECT_NEAR(Q(0), 10 - 9.81L * w.State.Time * w.State.Time / 2, 1e-12L);
}

TEST_F(WorldLoadTest, ContinuedHistoryIsReadBackWithItsLog) {
  CopyModel("fall");
  std::string history;
  ASSERT_TRUE(Load("fall.wld", history));
  ASSERT_TRUE(Steps(5));
  World().Model().History.SetLogLine("my comment", 1);
  main_.reset();
  ASSERT_TRUE(Load("fall.wld", history));
  TWorld& w = World();
  EXPECT_FALSE(w.NewHistoryDirectory);
  EXPECT_EQ(w.State.StoredStateCount, 4u);
  EXPECT_EQ(w.Model().History.Log().at(1), "my comment");
  EXPECT_EQ(w.Settings.WorkingDirectory, dir_.Path() + "000/");
}

}  // namespace
}  // namespace zentrova
