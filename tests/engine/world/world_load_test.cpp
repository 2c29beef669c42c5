// The world's load sequence: history directory, model copy, readers in order, and the load's refusals.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "driver_test_support.h"
#include "engine/record/history.h"
#include "engine/record/three_digit_names.h"
#include "engine/world/model.h"
#include "engine/world/world.h"
#include "platform/paths.h"
#include "platform/text_file.h"

namespace zentrova {
namespace {

using Strings = std::vector<std::string>;
using WorldLoadTest = test::ModelTest;

const char* const kCopyFailed = "[Error] could not copy model files to result folder.";

TEST_F(WorldLoadTest, LoadCopiesTheModelIntoANewHistoryDirectoryAndReadsItFromThere) {
  const std::string folder = CopyModel("pendulum");
  std::string history;
  ASSERT_TRUE(Load("pendulum.wld", history));
  TWorld& w = World();
  EXPECT_EQ(history, "000");
  EXPECT_EQ(w.WorldFilePath, folder + "000/pendulum.wld");
  for (const std::string& file : ListDirectory(folder, false)) {
    EXPECT_EQ(test::ReadBytes(folder + "000/" + file), test::ReadBytes(folder + file)) << file;
  }
  EXPECT_EQ(w.Model().Watches.Names, Strings{"Bar#0:1"});
  EXPECT_EQ(w.State.Current.Q.At(0), -1.2L);  // the saved state is the loaded one
  EXPECT_TRUE(Lines().empty()) << Lines().front();
}

// A world file naming its working directory keeps naming it in the settings, while the load moves on to
// the history directory it made there and reads the model from its copy.
TEST_F(WorldLoadTest, LoadReadsFromTheHistoryDirectoryAndLeavesTheSettingsAsTheFileSays) {
  const std::string sub = dir_.Path() + "models/";
  std::filesystem::create_directories(sub);
  for (const std::string& file : ListDirectory(CopyModel("fall"), false)) {
    if (file != "fall.wld") std::filesystem::copy_file(dir_.File(file), sub + file);
  }
  const std::string world = "[Main]\nworkingDirectory=" + sub +
                            "\nnumberOfGeneralizedCoodinates=1\nmaximumTimestep=1e-3\nbreakTime=1\n"
                            "[Bodies]\nBody1=ball.bdy\n";
  WriteModelFile("fall.wld", world);
  test::WriteBytes(sub + "fall.wld", world);
  // The ball of the working directory starts lower than the one beside the world file.
  const std::string ball = "[Main]\nname=Ball\nshapeType=none\n[Mass properties]\nmass=2\n[startPosition]\ny=7\n";
  test::WriteBytes(sub + "ball.bdy", ball);
  std::string history;
  ASSERT_TRUE(Load("fall.wld", history)) << ::testing::PrintToString(Lines());
  TWorld& w = World();
  EXPECT_EQ(w.Settings.WorkingDirectory, sub);
  EXPECT_EQ(w.UserWorkingDirectory, sub);
  EXPECT_EQ(w.WorkingDirectory, sub + "000/");
  EXPECT_EQ(w.Model().History.Directory, sub + "000/");
  EXPECT_EQ(Q(0), 7);
  EXPECT_EQ(test::ReadBytes(sub + "000/ball.bdy"), ball);
}

TEST_F(WorldLoadTest, FileThatCannotBeCopiedFailsTheLoad) {
  const struct {
    const char* model;
    const char* world;
    const char* missing;  // the file deleted from the model
    const char* named;    // where its name is given
  } cases[] = {{"fall", "fall.wld", "fall.mmx", "File fall.wld: massMatrixFile is not given, so its default is read."},
               {"pendulum", "pendulum.wld", "bar.bdy", "Line 9 of file pendulum.wld: the file named by Body1."}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.missing);
    const std::string folder = CopyModel(c.model);
    DeleteFile(folder + c.missing);
    test::RecordingMessages messages;
    ASSERT_FALSE(Load(c.world));
    const std::string text = "[Error] Could not copy file" + folder + c.missing + " to " + folder + "000/.";
    EXPECT_EQ(messages.texts, Strings{text});
    EXPECT_EQ(Lines().back(), std::string(kCopyFailed) + " " + c.named);
    EXPECT_TRUE(Logged(text));
    main_.reset();  // the driver removes the directory this load made: nothing was recorded in it
    EXPECT_FALSE(DirectoryExists(folder + "000"));
  }
}

TEST_F(WorldLoadTest, RefusedModelsFailTheLoadWithTheirLine) {
  const std::string kForces =
      "[Error] Number of generalizde coordinates does not match the number of generalized forces. Check .hv "
      "file. ";
  const std::string kTwoBodies =
      "[Main]\nnumberOfGeneralizedCoodinates=1\n[Bodies]\nBody1=bar.bdy\nBody2=ghost.bdy\n";
  const struct {
    const char* model;
    std::vector<std::pair<std::string, std::string>> files;  // written over the model's
    std::string line;
  } cases[] = {
      {"fall",
       {{"fall.wld", "[Main]\nnumberOfGeneralizedCoodinates=1\n[Bodies]\n"}},
       "[Error] No bodies listed in section Bodies of world file fall.wld."},
      {"pendulum",
       {{"pendulum.wld", kTwoBodies},
        {"ghost.bdy",
         "[Main]\nname=Ghost\nvirtualToBody=Nobody\nshapeType=extrusionsolid\nshapeFile=bar.exs\n"}},
       "[Error] Body Ghost is virtual to body Nobody, which does not exist. Line 3 of file ghost.bdy."},
      // One force and an extra empty line: the counts.
      {"fall",
       {{"fall.hv", "-b`Ball`m g\n\n"}},
       kForces + "File fall.hv has 2 lines where numberOfGeneralizedCoodinates gives 1 (line 2 of file fall.wld)."},
      // Three lines, two forces: the line without one.
      {"box", {{"box.hv", "0\n\n0\n"}}, kForces + "Line 2 of file box.hv: a blank line."},
      {"fall",
       {{"fall.me", "b`Ball`m g b`Ball`y[t]\n0\n"}},
       "[Error] Mechanical energy should be writen in one line only; see .me file. File fall.me has 2 lines."},
      {"fall", {{"fall.me", ""}}, "[Error] Mechanical energy should be writen in one line only; see .me file. File fall.me has 0 lines."},
      {"fall",
       {{"fall.me", "\n"}},
       "[Error] Mechanical energy should be writen in one line only; see .me file. Line 1 of file fall.me: a blank line."},
      {"fall",
       {{"fall.wld", "[Main]\nminimumTimestep=-1e-9\n[Bodies]\nBody1=ball.bdy\n"}},
       "[Error] minimumTimestep in wld file fall.wld line 2 must be a finite number above 0: -1e-9."},
      {"fall",
       {{"fall.wld", "[Main]\nmaximumTimestep=1e-3\nminimumTimestep=1e-2\n[Bodies]\nBody1=ball.bdy\n"}},
       "[Error] minimumTimestep in wld file fall.wld line 3 must be at most maximumTimestep (0.001s): 1e-2."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    CopyModel(c.model);
    for (const auto& [file, text] : c.files) WriteModelFile(file, text);
    ASSERT_FALSE(Load(std::string(c.model) + ".wld"));
    EXPECT_EQ(Lines().back(), c.line);
    main_.reset();
  }
}

TEST_F(WorldLoadTest, VirtualBodyFollowsItsBody) {
  CopyModel("pendulum");
  WriteModelFile("pendulum.wld",
                 "[Main]\nnumberOfGeneralizedCoodinates=1\n[Bodies]\nBody1=bar.bdy\nBody2=ghost.bdy\n");
  WriteModelFile("ghost.bdy",
                 "[Main]\nname=Ghost\nvirtualToBody=Bar\nshapeType=extrusionsolid\nshapeFile=bar.exs\n");
  ASSERT_TRUE(Load("pendulum.wld"));
  TBody& bar = World().Model().Bodies.Items(0);
  TBody& ghost = World().Model().Bodies.Items(1);
  EXPECT_EQ(ghost.Mass, 0);
  // Rz is the generalized coordinate: linked with velocity and acceleration; x and y are the bar's
  // dependent coordinates: the ghost reads their values.
  EXPECT_EQ(ghost.Links.Rz.Index, 0);
  EXPECT_EQ(ghost.Kinematics.Velocity.Rz.ValuePtr, bar.Kinematics.Velocity.Rz.ValuePtr);
  EXPECT_EQ(ghost.Kinematics.Position.Y.ValuePtr, bar.Kinematics.Position.Y.ValuePtr);
  ASSERT_TRUE(Steps(10));
  EXPECT_EQ(ghost.Kinematics.Position.Rz.Get(), Q(0));
  EXPECT_EQ(ghost.Kinematics.Position.X.Get(), bar.Kinematics.Position.X.Get());
}

// The world file is read twice (the user's, then the history's copy): each alert of the load still reaches
// the history's log.txt and zentrova-run's stderr once. A run of more than 10^9 steps and a colour outside
// 0..1 are alerted, not refused.
TEST_F(WorldLoadTest, AlertsOfTheLoadAreLoggedOnce) {
  const std::string folder = CopyModel("fall");
  WriteModelFile("fall.wld",
                 "[Main]\nnumberOfGeneralizedCoodinates=1\nmaximumTimestep=1e-6\nminimumTimestep=1e-9\n"
                 "maximumPenetration=abc\nbreakTime=2000\n[Bodies]\nBody1=ball.bdy\n");
  WriteModelFile("ball.bdy", "[Main]\nname=Ball\nshapeType=none\nRGBColor=1.5 0 -0.25\n[Mass properties]\nmass=2\n"
                             "inertiaZZ=0.1\n[startPosition]\ny=10\n");
  const test::ToolResult r = test::RunZentrovaRun(folder + "fall.wld --until 1e-5", folder + "err.txt");
  EXPECT_EQ(r.status, 0) << r.err;
  const std::string log = test::ReadBytes(folder + "000/log.txt");
  for (const std::string alert : {
           "[Alert] maximumPenetration in wld file fall.wld line 5 is not a number: abc. The default 1E-6 is used.",
           "[Alert] RGBColor of body Ball in file ball.bdy has a component outside 0 to 1: 1.5 0 -0.25. The "
           "view draws it clamped to 0 to 1.",
           "[Alert] maximumTimestep in wld file fall.wld line 3 needs about 2.00E+9 steps to reach breakTime (2000s): "
           "1E-6s."}) {
    for (const std::string* text : {&log, &r.err}) {
      const std::size_t first = text->find(alert);
      EXPECT_NE(first, std::string::npos) << alert << "\n" << *text;
      if (first != std::string::npos) {
        EXPECT_EQ(text->find(alert, first + 1), std::string::npos) << alert << "\n" << *text;
      }
    }
  }
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

TEST_F(WorldLoadTest, LastLinesOfAShortFileComeAfterEmptyOnes) {
  const std::string folder = dir_.Path();
  ForceDirectories(folder + "out");
  TWorld world;
  world.WriteLastLines({"one", "two"}, folder + "out/data.txt");  // the last three of longer ones: below
  EXPECT_EQ(test::ReadBytes(folder + "out/data.txt"), "\r\none\r\ntwo\r\n");
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
  EXPECT_EQ(w.State.Time, w.Model().History.Points.Items(0).Time);
  // Two replayed states, then the computation goes on from the last one.
  ASSERT_TRUE(Steps(3));
  EXPECT_NEAR(Q(0), 10 - 9.81L * w.State.Time * w.State.Time / 2, 1e-12L);
}

// A start history without watches (the fall model has none: its watches.txt is empty) misses no watches
// record: starting from it alerts nothing beyond what the load of the model alerts.
TEST_F(WorldLoadTest, NewHistoryFromOneWithoutWatchesAlertsNothingMore) {
  CopyModel("fall");
  ASSERT_TRUE(Load("fall.wld"));
  const auto alerts = [this] {
    Strings found;
    for (const std::string& line : Lines()) {
      if (line.rfind("[Alert]", 0) == 0) found.push_back(line);
    }
    return found;
  };
  const Strings model_alerts = alerts();
  ASSERT_TRUE(Steps(6));
  main_.reset();
  std::string history;
  ASSERT_TRUE(Load("fall.wld", history, "000"));
  EXPECT_EQ(FileLines("001/data.txt").size(), 3u);
  EXPECT_EQ(alerts(), model_alerts);
}

// A new history takes the watches lines of its start history at the times of its data lines: a time that
// watches.txt misses gets an empty line, and the lines after it keep their times.
TEST_F(WorldLoadTest, NewHistoryTakesTheWatchesLinesAtTheTimesOfItsDataLines) {
  CopyModel("pendulum");
  WriteModelFile("pendulum.wld",
                 "[Main]\nnumberOfGeneralizedCoodinates=1\nmaximumTimestep=1e-3\nminimumTimestep=1e-9\n"
                 "writeToHistoryMultipleOfMaximumTimestep=1\nbreakTime=10\n[Bodies]\nBody1=bar.bdy\n");
  ASSERT_TRUE(Load("pendulum.wld"));
  ASSERT_TRUE(Steps(8));
  main_.reset();
  const Strings data = FileLines("000/data.txt");
  const Strings watches = FileLines("000/watches.txt");
  const std::size_t n = data.size();
  ASSERT_GE(n, 5u);
  ASSERT_EQ(watches.size(), n);
  const struct {
    std::size_t missing;  // the record watches.txt misses, counted from the end
    Strings expected;
  } cases[] = {
      {2, {watches[n - 3], "", watches[n - 1]}},
      {3, {"", watches[n - 2], watches[n - 1]}},
      {1, {watches[n - 3], watches[n - 2], ""}},
      {4, {watches[n - 3], watches[n - 2], watches[n - 1]}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.missing);
    Strings holed = watches;
    holed.erase(holed.end() - static_cast<std::ptrdiff_t>(c.missing));
    ASSERT_TRUE(WriteTextLines(dir_.File("000/watches.txt"), holed));
    std::string history;
    ASSERT_TRUE(Load("pendulum.wld", history, "000"));
    EXPECT_EQ(FileLines(history + "/data.txt"), (Strings{data[n - 3], data[n - 2], data[n - 1]}));
    EXPECT_EQ(FileLines(history + "/watches.txt"), c.expected);
    main_.reset();
  }
}

TEST_F(WorldLoadTest, ContinuedHistoryIsReadBackWithItsLog) {
  CopyModel("fall");
  std::string history;
  ASSERT_TRUE(Load("fall.wld", history));
  ASSERT_TRUE(Steps(5));
  World().Model().History.SetLogLine("my comment", 1);
  main_.reset();
  ASSERT_TRUE(Load("fall.wld", history));
  EXPECT_FALSE(World().NewHistoryDirectory);
  EXPECT_EQ(World().State.StoredStateCount, 4u);
  EXPECT_EQ(World().Model().History.Log().at(1), "my comment");
  EXPECT_EQ(World().Settings.WorkingDirectory, dir_.Path() + "000/");
  main_.reset();
  // The working state is the first recorded one, velocities included: time, energy, q, q', q''.
  test::WriteBytes(dir_.File("000/data.txt"), "0.25 -3 8 -2.5 -9.81\r\n0.5 -3 7 -5 -9.81\r\n");
  ASSERT_TRUE(Load("fall.wld", history));
  EXPECT_EQ(World().State.Time, 0.25L);
  EXPECT_EQ(Q(0), 8);
  EXPECT_EQ(QDot(0), -2.5L);
  EXPECT_EQ(World().State.Evaluated.QDDot.At(0), -9.81L);
  // The model files are read from the history's copy.
  main_.reset();
  DeleteFile(dir_.File("000/fall.hv"));
  ASSERT_FALSE(Load("fall.wld", history));
  EXPECT_EQ(Lines().back(), "[Error] No hVector file found. File fall.hv.");
}

// Every file of a folder and its bytes.
std::map<std::string, std::string> Files(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const std::string& name : ListDirectory(folder, false)) files[name] = test::ReadBytes(folder + name);
  return files;
}

// A history with records of the fall model: 000.
class HistoryLoadTest : public test::ModelTest {
 protected:
  void SetUp() override {
    test::ModelTest::SetUp();
    CopyModel("fall");
    ASSERT_TRUE(Load("fall.wld"));
    ASSERT_TRUE(Steps(5));
    World().Model().History.SetLogLine("a comment", 1);
    main_.reset();
    folder_ = dir_.Path() + "000/";
  }
  std::string folder_;
};

// A history that another run records into is refused, in the log and in a message box, and nothing is
// written to it; a new history may still start from it. Once the other run has ended it continues.
TEST_F(HistoryLoadTest, AHistoryAnotherRunRecordsIntoIsRefusedAndLeftAsItIs) {
  TVYKMain holder;
  std::string name = "000";
  ASSERT_TRUE(holder.LoadWorld(dir_.File("fall.wld"), name, ""));
  const auto before = Files(folder_);
  {
    test::RecordingMessages messages;
    ASSERT_FALSE(Load("fall.wld", name));
    const std::string refusal = "[Error] Another run records into history directory " + folder_ + ".";
    EXPECT_EQ(Lines(), Strings{refusal});
    EXPECT_EQ(messages.texts, Strings{refusal});
    main_.reset();
  }
  EXPECT_EQ(Files(folder_), before);
  std::string started;
  ASSERT_TRUE(Load("fall.wld", started, "000"));
  EXPECT_EQ(started, "001");
  main_.reset();
}

TEST_F(HistoryLoadTest, AHistoryIsFreeOnceItsRunHasEnded) {
  auto holder = std::make_unique<TVYKMain>();
  std::string name = "000";
  ASSERT_TRUE(holder->LoadWorld(dir_.File("fall.wld"), name, ""));
  holder.reset();
  ASSERT_TRUE(Load("fall.wld", name)) << Lines().back();
  EXPECT_EQ(World().State.StoredStateCount, 4u);
}

// What a kill during the copy of the model leaves, file by file (the file being copied with 0 bytes, the
// mark still there), and the directory before the mark: none of them is continued, none is changed, and
// no new history starts from one. A copy without the mark runs.
TEST_F(HistoryLoadTest, AnIncompleteModelCopyIsNeitherContinuedNorStartedFrom) {
  std::vector<std::string> model_files;
  for (const auto& [file, bytes] : Files(folder_)) {
    if (file != "data.txt" && file != "watches.txt" && file != "log.txt") model_files.push_back(file);
  }
  ASSERT_EQ(model_files.size(), 9u);
  int number = 100;
  auto refused = [&](const std::string& name, const std::string& consequence) {
    const std::string folder = dir_.Path() + name + "/";
    const auto before = Files(folder);
    test::RecordingMessages messages;
    std::string history = name;
    EXPECT_FALSE(Load("fall.wld", history));
    const std::string line =
        "[Error] The model copy in history directory " + folder + " is incomplete; " + consequence + ".";
    EXPECT_EQ(Lines().back(), line);
    EXPECT_EQ(messages.texts, Strings{line});
    main_.reset();
    EXPECT_EQ(Files(folder), before) << name;
    // Nor does a new history start from it; the directory made for it goes again.
    std::string started;
    EXPECT_FALSE(Load("fall.wld", started, name));
    EXPECT_EQ(Lines().back(), "[Error] The model copy in history directory " + folder +
                                  " is incomplete; no history can start from it.");
    main_.reset();
    EXPECT_FALSE(DirectoryExists(dir_.Path() + started)) << started;
  };
  for (const std::string& cut : model_files) {
    const std::string name = IntToStr3(number++), folder = dir_.Path() + name + "/";
    ASSERT_TRUE(ForceDirectories(folder));
    for (const auto& [file, bytes] : Files(folder_))
      test::WriteBytes(folder + file, file == cut ? "" : bytes);
    test::WriteBytes(folder + kModelCopyIncompleteFile, "");
    SCOPED_TRACE(cut);
    refused(name, "the history cannot be continued");
  }
  // Killed between making the directory and its mark; an empty folder.
  for (const bool record_files : {true, false}) {
    const std::string name = IntToStr3(number++), folder = dir_.Path() + name + "/";
    ASSERT_TRUE(ForceDirectories(folder));
    if (record_files) {
      test::WriteBytes(folder + "data.txt", "");
      test::WriteBytes(folder + "watches.txt", "");
    }
    refused(name, "the history cannot be continued");
  }
  // A whole copy without the mark, as every history of older programs: it runs.
  std::string history = "000";
  ASSERT_FALSE(FileExists(folder_ + kModelCopyIncompleteFile));
  ASSERT_TRUE(Load("fall.wld", history)) << Lines().back();
}

// A load that fails writes nothing into the history it names: its errors are not that history's.
TEST_F(HistoryLoadTest, AFailedLoadWritesNothingIntoAnExistingHistory) {
  const struct {
    const char* world;
    std::function<void(const std::string&)> damage;
    std::string error;
  } cases[] = {
      {"missing.wld", [](const std::string&) {},
       "[Error] No bodies listed in section Bodies of the world file."},
      {"fall.wld", [](const std::string& f) { DeleteFile(f + "fall.hv"); }, "[Error] No hVector file found. File fall.hv."},
      {"fall.wld",
       [](const std::string& f) {
         test::WriteBytes(f + "data.txt", test::ReadBytes(f + "data.txt") + test::ReadBytes(f + "data.txt"));
       },
       "[Error] Check history file " + folder_ +
           "data.txt (line 5): its time 0 is not after the time 0.003 of "
           "the record before it."},
  };
  const auto original = Files(folder_);
  for (const auto& c : cases) {
    for (const auto& [file, bytes] : original) test::WriteBytes(folder_ + file, bytes);
    c.damage(folder_);
    const auto before = Files(folder_);
    std::string history = "000";
    EXPECT_FALSE(Load(c.world, history));
    EXPECT_EQ(Lines().back(), c.error);
    main_.reset();
    EXPECT_EQ(Files(folder_), before) << c.error;
  }
}

// A new history that fails to load goes again whatever it holds: here the last records of the history it
// started from.
TEST_F(HistoryLoadTest, ANewHistoryWhoseLoadFailedGoes) {
  test::WriteBytes(folder_ + "fall.hv", "0\n0\n");
  std::string history;
  ASSERT_FALSE(Load("fall.wld", history, "000"));
  ASSERT_EQ(history, "001");
  EXPECT_EQ(FileLines("001/data.txt").size(), 3u);
  main_.reset();
  EXPECT_FALSE(DirectoryExists(dir_.Path() + "001"));
}

}  // namespace
}  // namespace zentrova
