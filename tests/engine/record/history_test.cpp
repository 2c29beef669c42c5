#include "engine/record/history.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

#include "engine/record/contact_watches.h"
#include "engine/record/three_digit_names.h"
#include "engine_test_support.h"
#include "history_test_support.h"
#include "numerics/float_list.h"
#include "numerics/int_list.h"
#include "platform/number_text.h"
#include "platform/paths.h"
#include "platform/settings.h"

namespace zentrova {
namespace {

using Strings = std::vector<std::string>;
namespace fs = std::filesystem;

class HistoryTest : public test::EngineTest {
 protected:
  void SetUp() override {
    test::EngineTest::SetUp();
    world_.base = dir_.Path();
  }

  std::string Folder(const std::string& name) const { return dir_.Path() + name + "/"; }
  // A numbered directory with the files given as name, content pairs.
  void MakeHistory(const std::string& name, const std::vector<std::pair<std::string, std::string>>& files) {
    fs::create_directory(dir_.Path() + name);
    for (const auto& [file, content] : files) test::WriteBytes(Folder(name) + file, content);
  }

  test::TempDir dir_;
  test::FakeHistoryWorld world_;
};

// --- Directories -------------------------------------------------------------------------------------

TEST_F(HistoryTest, NewHistoryTakesTheFirstFreeNumber) {
  for (int i = 0; i < 5; ++i) {
    THistory history(world_);
    std::string name;
    ASSERT_TRUE(history.SelectDirectory(name));
    EXPECT_EQ(name, IntToStr3(i));
    EXPECT_EQ(history.ShortName, name);
    EXPECT_EQ(history.Directory, Folder(name));
    EXPECT_EQ(history.DataFileName, Folder(name) + "data.txt");
    EXPECT_EQ(history.WatchesFileName, Folder(name) + "watches.txt");
    EXPECT_EQ(history.LogFileName, Folder(name) + "log.txt");
    // Both data files exist and are empty; log.txt is first written when the log is saved.
    EXPECT_EQ(FileSize(history.DataFileName), 0);
    EXPECT_EQ(FileSize(history.WatchesFileName), 0);
    EXPECT_FALSE(FileExists(history.LogFileName));
  }
  EXPECT_EQ(world_.marked, 5);
  {
    THistory history(world_);
    history.ShortName = "004";
    ASSERT_TRUE(history.OpenExisting());
    EXPECT_TRUE(history.DeleteHistory("002"));
  }
  EXPECT_FALSE(DirectoryExists(Folder("002")));
  THistory history(world_);
  std::string name;
  ASSERT_TRUE(history.SelectDirectory(name));
  EXPECT_EQ(name, "002");
  EXPECT_TRUE(Logged().empty());
}

TEST_F(HistoryTest, NumberNineHundredNinetyNineIsTheLast) {
  for (int i = 0; i < 999; ++i) fs::create_directory(dir_.Path() + IntToStr3(i));
  {
    THistory history(world_);
    std::string name;
    ASSERT_TRUE(history.SelectDirectory(name));
    EXPECT_EQ(name, "999");
  }
  THistory history(world_);
  history.DataFileName = "unchanged";
  std::string name;
  // No free number: the load must stop, nothing is created and nothing is chosen.
  EXPECT_FALSE(history.SelectDirectory(name));
  EXPECT_EQ(name, "");
  EXPECT_EQ(history.DataFileName, "unchanged");
  EXPECT_EQ(history.LogFileName, "");
  EXPECT_EQ(Logged(), Strings{"[Error] Maximum number of history files reached (999)."});
  EXPECT_EQ(ListDirectory(dir_.Path(), true).size(), 1000u);
  EXPECT_EQ(world_.marked, 1);
}

TEST_F(HistoryTest, AFileTakesItsNumberToo) {
  test::WriteBytes(dir_.File("000"), "not a directory");
  THistory history(world_);
  ASSERT_TRUE(history.CreateNew());
  EXPECT_EQ(history.ShortName, "001");
}

// The numbers come from one listing of the folder: only three-digit names take them, links count as what
// they lead to, and a broken link takes no number (its directory then cannot be made).
TEST_F(HistoryTest, NumbersFollowTheFolderListing) {
  for (const char* name : {"000", "0000", "01", "1000", "abc", "elsewhere"}) {
    MakeHistory(name, {{"data.txt", ""}, {"log.txt", ""}});
  }
  test::WriteBytes(dir_.File("001"), "a file");
  fs::create_directory_symlink(Folder("elsewhere"), dir_.Path() + "003");
  fs::create_directory_symlink(Folder("missing"), dir_.Path() + "004");
  std::string name;
  THistory history(world_);
  ASSERT_TRUE(history.SelectDirectory(name));
  EXPECT_EQ(name, "002");
  EXPECT_EQ(history.ShortNames, (Strings{"000", "003"}));
  THistory next(world_);
  name.clear();
  EXPECT_FALSE(next.SelectDirectory(name));
  EXPECT_EQ(Logged(), Strings{"[Error] Could not create history directory " + Folder("004") + "."});
}

TEST_F(HistoryTest, DirectoryThatCannotBeCreatedFailsTheLoad) {
  world_.base = dir_.Path() + "missing/";
  THistory history(world_);
  std::string name;
  EXPECT_FALSE(history.SelectDirectory(name));
  EXPECT_EQ(Logged(), Strings{"[Error] Could not create history directory " + dir_.Path() + "missing/000/."});
  EXPECT_EQ(world_.marked, 0);
}

TEST_F(HistoryTest, OpenExistingNeedsTheNamedDirectory) {
  MakeHistory("003", {});
  {
    THistory history(world_);
    std::string name = "003";
    ASSERT_TRUE(history.SelectDirectory(name));
    EXPECT_EQ(history.DataFileName, Folder("003") + "data.txt");
    EXPECT_EQ(world_.marked, 0);
  }
  for (const std::string name : {"007", "..", "", "03"}) {
    THistory history(world_);
    history.ShortName = name;
    EXPECT_FALSE(history.OpenExisting()) << name;
    EXPECT_EQ(history.DataFileName, "");
  }
  EXPECT_EQ(Logged(), (Strings{"[Error] The requested history file (short name=007) could not be found.",
                               "[Error] The requested history file (short name=..) could not be found.",
                               "[Error] The requested history file (short name=) could not be found.",
                               "[Error] The requested history file (short name=03) could not be found."}));
}

// --- The files of a run ------------------------------------------------------------------------------------

TEST_F(HistoryTest, ThreeStateRunWritesTheGoldenFiles) {
  TWorld model;
  TBodyList bodies;
  bodies.Add(test::OutlineBody(model, "A", Data("history/square.exs")));
  TContactWatches watches;
  ASSERT_TRUE(watches.Load(Data("history/golden.wtc"), bodies, 0));
  ASSERT_EQ(watches.Names, (Strings{"A#1", "A#[0:2]"}));
  world_.watches = &watches;

  // Normal (x), tangential (y) and work of both watches at the three records.
  const std::vector<std::vector<std::vector<long double>>> records = {
      {{2, 1, 0.5L}, {0, 0, 0}}, {{0, 0, 0}, {0, -3, 0.25L}}, {{4, 2, 1}, {1, -1, 0}}};
  const long double pi = std::numbers::pi_v<long double>;
  std::vector<std::unique_ptr<TGeneralizedCoordinatesHistory>> states;
  states.push_back(test::State(0, -1.5L, {{0.1L, 0, -9.81L}, {pi, -2.5L, 1e-20L}}));
  states.push_back(test::State(1e-5L, -1.25L, {{0.125L, 2, -9.81L}, {3, -2.5L, 1e-20L}}));
  states.push_back(test::State(2e-5L, -1, {{0.15L, 4, -9.81L}, {-1234.5L, 1e30L, -0.0L}}));
  {
    THistory history(world_);
    history.ConnectLog(log_);
    std::string name;
    ASSERT_TRUE(history.SelectDirectory(name));
    ASSERT_EQ(name, "000");
    ASSERT_TRUE(history.Restart(false));
    EXPECT_TRUE(world_.restored.empty());  // nothing recorded yet
    EXPECT_TRUE(history.SetLogLine("first run", 1));
    history.AddLogLine("***********");
    ASSERT_TRUE(history.OpenFiles());
    EXPECT_TRUE(history.FilesOpen);
    for (std::size_t r = 0; r < records.size(); ++r) {
      for (std::uint32_t w = 0; w < 2; ++w) {
        watches.Data.NormalImpulse.SetAt(w, records[r][w][0]);
        watches.Data.TangentialImpulse.SetAt(w, records[r][w][1]);
        watches.Data.Work.SetAt(w, records[r][w][2]);
      }
      watches.Data.Cleared = false;
      ASSERT_TRUE(history.WriteStep(std::move(states[r])));
      world_.stored = history.Points.Count();
      world_.current = world_.stored - 1;
      // Without decay what a record covers starts again from 0.
      EXPECT_EQ(watches.Data.NormalImpulse.At(0), 0);
      EXPECT_EQ(watches.Data.Work.At(1), 0);
    }
    EXPECT_EQ(watches.Data.AveragedRatio.At(0), 0.25L - 0.25L / 3 + 0.5L / 3);
    LogLine("[Alert] Break time of 1E-5s reached.");
    ASSERT_TRUE(history.CloseFiles());
    EXPECT_FALSE(history.FilesOpen);
    EXPECT_TRUE(history.SetLogLine(FloatToText(history.Points.Items(0).Time), 2));
    EXPECT_TRUE(history.SetLogLine(FloatToText(history.Points.Items(2).Time), 3));
  }
  EXPECT_EQ(test::ReadBytes(Folder("000") + "data.txt"), test::ReadBytes(Data("history/golden_data.txt")));
  EXPECT_EQ(test::ReadBytes(Folder("000") + "watches.txt"),
            test::ReadBytes(Data("history/golden_watches.txt")));
  EXPECT_EQ(test::ReadBytes(Folder("000") + "log.txt"), test::ReadBytes(Data("history/golden_log.txt")));
  // The log went on without its history once the history was freed.
  LogLine("[Error] after the history");
}

TEST_F(HistoryTest, ModelWithoutWatchesWritesNoWatchLine) {
  TContactWatches watches;  // no watch
  world_.watches = &watches;
  THistory history(world_);
  ASSERT_TRUE(history.CreateNew());
  ASSERT_TRUE(history.Restart(false));
  EXPECT_EQ(history.Log().at(4), "time ");
  ASSERT_TRUE(history.WriteStep(test::State(0, 1, {{1, 2, 3}, {4, 5, 6}})));
  EXPECT_EQ(FileSize(history.WatchesFileName), 0);
  EXPECT_GT(FileSize(history.DataFileName), 0);  // written outside a run all the same
}

TEST_F(HistoryTest, ShortGroupOnlyForThreeZeros) {
  TContactWatches watches;
  for (int w = 0; w < 4; ++w) {
    watches.Names.push_back("B#" + std::to_string(w));
    watches.Data.AddWatch(true);
    watches.StepData.AddWatch(true);
  }
  world_.watches = &watches;
  world_.names = {};
  // A zero normal (or x) value with a tangential value or work keeps all three.
  const std::vector<std::vector<long double>> values = {{0, 0, 0}, {0, 2, 0}, {0, 0, 3}, {1, 0, 0}};
  for (std::uint32_t w = 0; w < 4; ++w) {
    watches.Data.NormalImpulse.SetAt(w, values[w][0]);
    watches.Data.TangentialImpulse.SetAt(w, values[w][1]);
    watches.Data.Work.SetAt(w, values[w][2]);
  }
  THistory history(world_);
  ASSERT_TRUE(history.CreateNew());
  ASSERT_TRUE(history.WriteStep(test::State(0, 0, {})));
  const std::string zero = FloatToSci23(0) + " ";
  EXPECT_EQ(test::ReadBytes(history.WatchesFileName), zero + "0 0 0 " + zero + FloatToSci23(2) + " " + zero +
                                                          zero + zero + FloatToSci23(3) + " " +
                                                          FloatToSci23(1) + " " + zero + zero + "\r\n");
}

TEST_F(HistoryTest, WriteFailureIsLoggedAndTheStateKept) {
  THistory history(world_);
  ASSERT_TRUE(history.CreateNew());
  fs::remove_all(history.Directory);
  EXPECT_FALSE(history.WriteStep(test::State(0, 0, {{0, 0, 0}, {0, 0, 0}})));
  EXPECT_EQ(history.Points.Count(), 1u);
  EXPECT_EQ(Logged(), Strings{"[Error] Could not write history file " + history.DataFileName + "."});
}

TEST_F(HistoryTest, FilesCannotOpenWithoutDirectory) {
  THistory history(world_);
  EXPECT_FALSE(history.OpenFiles());
  EXPECT_FALSE(history.FilesOpen);
  EXPECT_EQ(Logged(), Strings{"[Error] No history directory to record in."});
}

// --- Reading a history back ------------------------------------------------------------------------------

TEST_F(HistoryTest, ContinuedHistoryIsReadBack) {
  TWorld model;
  TBodyList bodies;
  bodies.Add(test::OutlineBody(model, "A", Data("history/square.exs")));
  TContactWatches watches;
  ASSERT_TRUE(watches.Load(Data("history/golden.wtc"), bodies, 0));
  watches.TimeConstant = 0.5L;  // with decay the read-back impulses go on fading
  world_.watches = &watches;
  const std::string one = " 1.00000000000000E+0000 ";
  MakeHistory("005", {{"data.txt",
                       // the empty lines of a history started from a short one, then states written
                       // as numbers of any form, NaN and infinities included
                       "\r\n"
                       " 0.00000000000000E+0000 Nan 1 2 3 4 5 6 \r\n"
                       "0.5 +Inf -Inf 0 1e-3 -2.5 7 8 9 extra\n"
                       "1 2 3 4 5 6 7 8\r\n"},
                      {"watches.txt",
                       "0 1 2 3 0.5 0 0 0 0\r\n"
                       "1 2 4 6 0.75 0 0 0 -0.25\r\n"},
                      {"log.txt",
                       "old data header\r\ncomment\r\n0\r\n1\r\nold watches header\r\n"
                       "***********\r\n[Alert] old line\r\n"}});
  test::RecordingLogWindow window;
  log_.Add("[Alert] a line of this load");
  THistory history(world_);
  history.SetWindows(nullptr, &window);
  history.ConnectLog(log_);
  std::string name = "005";
  ASSERT_TRUE(history.SelectDirectory(name));
  ASSERT_TRUE(history.Restart(true));

  ASSERT_EQ(history.Points.Count(), 3u);
  EXPECT_EQ(world_.stored, 3u);
  EXPECT_EQ(world_.current, 0u);
  EXPECT_EQ(world_.restored, std::vector<std::uint32_t>{0});
  const TGeneralizedCoordinatesHistory& first = history.Points.Items(0);
  EXPECT_EQ(first.Time, 0);
  EXPECT_TRUE(std::isnan(first.MechanicalEnergy));
  EXPECT_EQ(first.Coordinates.QDDot.At(1), 6);
  const TGeneralizedCoordinatesHistory& second = history.Points.Items(1);
  EXPECT_EQ(second.Time, 0.5L);
  EXPECT_EQ(second.MechanicalEnergy, std::numeric_limits<long double>::infinity());
  EXPECT_EQ(second.Coordinates.Q.At(0), -std::numeric_limits<long double>::infinity());
  EXPECT_EQ(second.Coordinates.QDDot.At(0), 1e-3L);
  EXPECT_EQ(history.Points.Items(2).Coordinates.QDDot.At(1), 8);

  // The last line: impulses kept (they decay from LastTime), work cleared after its record, and the
  // averaged ratios go on from where they were.
  EXPECT_EQ(watches.LastTime, 1);
  EXPECT_EQ(watches.Data.NormalImpulse.At(0), 2);
  EXPECT_EQ(watches.Data.TangentialImpulse.At(0), 4);
  EXPECT_EQ(watches.Data.Work.At(0), 0);
  EXPECT_EQ(watches.Data.AveragedRatio.At(0), 0.75L);
  EXPECT_EQ(watches.Data.NormalImpulse.At(1), 0);
  EXPECT_EQ(watches.Data.AveragedRatio.At(1), -0.25L);

  // The log file replaces the load's log; the header is rebuilt around the comment and the old runs.
  EXPECT_TRUE(Logged().empty());
  EXPECT_EQ(window.clears, 1);
  EXPECT_EQ(window.lines, (Strings{"old data header", "comment", "0", "1", "old watches header",
                                   "***********", "[Alert] old line"}));
  EXPECT_EQ(history.Log(),
            (Strings{"time mechanicalEnergy b`A`x b`A`x' b`A`x'' b`A`Rz b`A`Rz' b`A`Rz'' ", "comment", "", "",
                     "time A#1-impN A#1-impT A#1-work A#1-impT/-impN A#[0:2]-impX A#[0:2]-impY A#[0:2]-work "
                     "A#[0:2]-impY/-impX ",
                     "***********", "[Alert] old line"}));
}

TEST_F(HistoryTest, ReadBackWithoutDecayStartsTheNextRecordFromZero) {
  TContactWatches watches;
  watches.Names = {"B#0"};
  watches.Data.AddWatch(true);
  watches.StepData.AddWatch(true);
  world_.watches = &watches;
  world_.names = {};
  MakeHistory("000", {{"data.txt", ""}, {"watches.txt", "0 1 2 3\r\n1 0 0 0 \r\n2 5 6 7\r\n"}});
  THistory history(world_);
  std::string name = "000";
  ASSERT_TRUE(history.SelectDirectory(name));
  ASSERT_TRUE(history.Restart(false));
  // The last record was cleared after it was written: a new record must not count it again.
  EXPECT_EQ(watches.LastTime, 2);
  EXPECT_EQ(watches.Data.NormalImpulse.At(0), 0);
  EXPECT_EQ(watches.Data.Work.At(0), 0);
  EXPECT_TRUE(world_.restored.empty());
}

TEST_F(HistoryTest, ZeroGroupReadsAsThreeZeros) {
  TContactWatches watches;
  watches.CummulativeWork = true;
  watches.TimeConstant = 1;
  for (int w = 0; w < 2; ++w) {
    watches.Names.push_back("B#" + std::to_string(w));
    watches.Data.AddWatch(true);
    watches.StepData.AddWatch(true);
  }
  world_.watches = &watches;
  MakeHistory("000", {{"data.txt", ""}, {"watches.txt", "3 0 0 0  1 2 3 \r\n"}});
  THistory history(world_);
  history.ShortName = "000";
  ASSERT_TRUE(history.OpenExisting());
  ASSERT_TRUE(history.ReadWatches());
  EXPECT_EQ(watches.Data.NormalImpulse.At(0), 0);
  EXPECT_EQ(watches.Data.TangentialImpulse.At(0), 0);
  EXPECT_EQ(watches.Data.Work.At(0), 0);
  EXPECT_EQ(watches.Data.NormalImpulse.At(1), 1);
  EXPECT_EQ(watches.Data.Work.At(1), 3);  // cumulative work is kept over records
}

TEST_F(HistoryTest, UnreadableDataLineFailsTheLoad) {
  MakeHistory("001", {{"data.txt", "0 0 1 2 3 4 5 6\r\n0 0 1 2 x 4 5 6\r\n"}, {"log.txt", ""}});
  THistory history(world_);
  std::string name = "001";
  ASSERT_TRUE(history.SelectDirectory(name));
  EXPECT_FALSE(history.Restart(false));
  EXPECT_EQ(Logged(), Strings{"[Error] Check history file " + Folder("001") + "data.txt (line 2)."});
  EXPECT_EQ(history.Points.Count(), 1u);
  EXPECT_EQ(world_.stored, 1u);
}

TEST_F(HistoryTest, ShortDataLineFailsTheLoad) {
  MakeHistory("001", {{"data.txt", "0 0 1 2 3 4 5\r\n"}});
  THistory history(world_);
  history.ShortName = "001";
  ASSERT_TRUE(history.OpenExisting());
  EXPECT_FALSE(history.ReadData());
  EXPECT_EQ(Logged(), Strings{"[Error] Check history file " + Folder("001") + "data.txt (line 1)."});
}

TEST_F(HistoryTest, MissingDataFileFailsTheLoad) {
  MakeHistory("001", {});
  THistory history(world_);
  std::string name = "001";
  ASSERT_TRUE(history.SelectDirectory(name));
  EXPECT_FALSE(history.Restart(true));
  EXPECT_EQ(Logged(), Strings{"[Error] Could not read history file " + Folder("001") + "data.txt."});
}

TEST_F(HistoryTest, NewHistoryKeepsTheLinesOfItsLoad) {
  THistory history(world_);
  history.ConnectLog(log_);
  ASSERT_TRUE(history.CreateNew());
  LogLine("[Alert] first line of the load");
  LogLine("[Alert] second line of the load");
  ASSERT_TRUE(history.Restart(false));
  // No line of the load becomes the comment, and none is lost.
  EXPECT_EQ(history.Log(),
            (Strings{"time mechanicalEnergy b`A`x b`A`x' b`A`x'' b`A`Rz b`A`Rz' b`A`Rz'' ", "", "", "",
                     "time ", "[Alert] first line of the load", "[Alert] second line of the load"}));
  // Rebuilding the header again keeps the comment and the lines after the header.
  ASSERT_TRUE(history.SetLogLine("comment", 1));
  ASSERT_TRUE(history.SetLogLine("0", 2));
  ASSERT_TRUE(history.WriteLogHeader());
  EXPECT_EQ(history.Log().at(1), "comment");
  EXPECT_EQ(history.Log().at(2), "");
  EXPECT_EQ(history.LogCount(), 7);
}

TEST_F(HistoryTest, SetLogLineOnlyWithinTheLog) {
  THistory history(world_);
  history.AddLogLine("a");
  history.AddLogLine("b");
  EXPECT_TRUE(history.SetLogLine("B", 1));
  EXPECT_FALSE(history.SetLogLine("C", 2));
  EXPECT_FALSE(history.SetLogLine("C", -1));
  EXPECT_EQ(history.Log(), (Strings{"a", "B"}));
}

TEST_F(HistoryTest, ReadLogWithoutFileIsFalse) {
  MakeHistory("000", {{"data.txt", ""}});
  THistory history(world_);
  history.ShortName = "000";
  ASSERT_TRUE(history.OpenExisting());
  history.AddLogLine("kept");
  EXPECT_FALSE(history.ReadLog());
  EXPECT_EQ(history.Log(), Strings{"kept"});
}

// --- Listing, summing, resampling --------------------------------------------------------------------------

TEST_F(HistoryTest, ScanListsHistoriesWithDataAndLog) {
  MakeHistory("000", {{"data.txt", std::string(1572864, 'x')}, {"log.txt", "h\r\nfirst\r\n0\r\n1.5\r\n"}});
  MakeHistory("001", {{"data.txt", ""}, {"watches.txt", ""}});  // no log: not a history
  MakeHistory("003", {{"data.txt", ""}, {"log.txt", "h\r\n"}});
  MakeHistory("004", {{"log.txt", ""}});  // no data
  SetDecimalSeparator(',');
  test::RecordingHistoryFilesWindow window;
  THistory history(world_);
  history.SetWindows(&window, nullptr);
  history.ShortName = "003";
  ASSERT_TRUE(history.OpenExisting());
  ASSERT_TRUE(history.ScanHistories());
  EXPECT_TRUE(history.HistoriesFound);
  EXPECT_EQ(history.ShortNames, (Strings{"000", "003"}));
  EXPECT_EQ(history.DataFiles, (Strings{Folder("000") + "data.txt", Folder("003") + "data.txt"}));
  EXPECT_EQ(history.WatchesFiles, (Strings{Folder("000") + "watches.txt", Folder("003") + "watches.txt"}));
  EXPECT_EQ(history.LogFiles, (Strings{Folder("000") + "log.txt", Folder("003") + "log.txt"}));
  EXPECT_EQ(window.clears, 1);
  ASSERT_EQ(window.rows.size(), 2u);
  EXPECT_EQ(window.rows[0].ShortName, "000");
  EXPECT_EQ(window.rows[0].Comment, "first");
  EXPECT_EQ(window.rows[0].Start, "0");
  EXPECT_EQ(window.rows[0].End, "1.5");
  EXPECT_EQ(window.rows[0].Size, "1,50");
  EXPECT_EQ(window.rows[0].ImageIndex, kOtherHistoryImage);
  EXPECT_EQ(window.rows[1].Comment, "");
  EXPECT_EQ(window.rows[1].Size, "0,00");
  EXPECT_EQ(window.rows[1].ImageIndex, kCurrentHistoryImage);

  // The data file of a running simulation is not measured.
  ASSERT_TRUE(history.OpenFiles());
  std::string comment, start, end, size;
  EXPECT_TRUE(
      history.ReadSummary(Folder("003") + "log.txt", Folder("003") + "data.txt", comment, start, end, size));
  EXPECT_EQ(size, "open");
  EXPECT_FALSE(
      history.ReadSummary(Folder("004") + "log.txt", Folder("004") + "data.txt", comment, start, end, size));
}

TEST_F(HistoryTest, SumWatchHistoryOverEveryLine) {
  TContactWatches watches;
  watches.WriteAveragedTDivN = true;
  for (int w = 0; w < 3; ++w) {
    watches.Names.push_back("B#" + std::to_string(w));
    watches.Data.AddWatch(true);
  }
  world_.watches = &watches;
  MakeHistory("000", {{"data.txt", ""},
                      {"watches.txt",
                       "0.5 1 2 3 9  10 20 30 9  100 200 300 9\r\n"
                       "1.5 0 0 0 9  11 21 31 9  0 0 0 9\r\n"
                       "2.25 1 1 1 9  12 22 32 9  1 1 1 9\r\n"}});
  THistory history(world_);
  history.ShortName = "000";
  ASSERT_TRUE(history.OpenExisting());
  TIntList indexes;
  indexes.Add(0);
  indexes.Add(2);
  TFloatList n, t, w;
  for (TFloatList* list : {&n, &t, &w}) {
    list->Dim(2);
    list->Zero();
  }
  long double span = -7;
  ASSERT_TRUE(history.SumWatchHistory(indexes, n, t, w, span));
  EXPECT_EQ(n.At(0), 2);
  EXPECT_EQ(t.At(0), 3);
  EXPECT_EQ(w.At(0), 4);
  EXPECT_EQ(n.At(1), 101);
  EXPECT_EQ(t.At(1), 201);
  EXPECT_EQ(w.At(1), 301);
  EXPECT_EQ(span, 1.75L);

  // Without watches.txt nothing changes.
  fs::remove(history.WatchesFileName);
  span = -7;
  ASSERT_TRUE(history.SumWatchHistory(indexes, n, t, w, span));
  EXPECT_EQ(span, -7);
  EXPECT_EQ(n.At(0), 2);
}

class ResampleTest : public HistoryTest {
 protected:
  // Ten states whose time is their index.
  void Record(THistory& history, int count) {
    for (int i = 0; i < count; ++i) history.Points.Add(test::State(i, 0, {{0, 0, 0}, {0, 0, 0}}));
    world_.stored = history.Points.Count();
  }
  std::string Lines(THistory& history, const std::vector<std::uint32_t>& indexes) {
    std::string text;
    for (std::uint32_t i : indexes) text += THistory::DataLine(history.Points.Items(i)) + "\r\n";
    return text;
  }
};

TEST_F(ResampleTest, KeepsTheFirstAndTheLastState) {
  THistory history(world_);
  Record(history, 10);
  const std::string file = dir_.File("resampled.txt");
  ASSERT_TRUE(history.Resample(file, 1));
  EXPECT_EQ(test::ReadBytes(file), Lines(history, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
  ASSERT_TRUE(history.Resample(file, 4));
  EXPECT_EQ(test::ReadBytes(file), Lines(history, {0, 4, 8, 9}));
  ASSERT_TRUE(history.Resample(file, 3));
  EXPECT_EQ(test::ReadBytes(file), Lines(history, {0, 3, 6, 9}));
  ASSERT_TRUE(history.Resample(file, 100));
  EXPECT_EQ(test::ReadBytes(file), Lines(history, {0, 9}));
  EXPECT_TRUE(Logged().empty());
}

TEST_F(ResampleTest, EdgeCases) {
  THistory history(world_);
  const std::string file = dir_.File("resampled.txt");
  ASSERT_TRUE(history.Resample(file, 2));  // nothing recorded: an empty file
  EXPECT_EQ(test::ReadBytes(file), "");
  Record(history, 1);
  ASSERT_TRUE(history.Resample(file, 2));
  EXPECT_EQ(test::ReadBytes(file), Lines(history, {0}));
  EXPECT_FALSE(history.Resample(file, 0));
  EXPECT_FALSE(history.Resample(dir_.Path() + "missing/resampled.txt", 1));
  EXPECT_EQ(Logged(), (Strings{"[Error] Resampling needs a step of at least 1.",
                               "[Error] Could not write file " + dir_.Path() + "missing/resampled.txt."}));
}

// --- Deleting ---------------------------------------------------------------------------------------------

TEST_F(HistoryTest, OnlyAnEmptyDataFileCountsAsEmpty) {
  MakeHistory("000", {{"data.txt", ""}, {"log.txt", "x"}});
  MakeHistory("001", {{"data.txt", std::string(120, 'x')}});
  MakeHistory("002", {{"log.txt", "x"}});
  MakeHistory("003", {{"data.txt", std::string(128, 'x')}});
  EXPECT_TRUE(THistory::DeleteDirectory(Folder("000"), true));
  EXPECT_FALSE(DirectoryExists(Folder("000")));
  EXPECT_TRUE(THistory::DeleteDirectory(Folder("001"), true));  // a short run is still a run
  EXPECT_TRUE(FileExists(Folder("001") + "data.txt"));
  EXPECT_TRUE(THistory::DeleteDirectory(Folder("002"), true));  // no data file at all
  EXPECT_FALSE(DirectoryExists(Folder("002")));
  EXPECT_TRUE(THistory::DeleteDirectory(Folder("003"), true));
  EXPECT_TRUE(DirectoryExists(Folder("003")));
  EXPECT_TRUE(THistory::DeleteDirectory(Folder("003"), false));
  EXPECT_FALSE(DirectoryExists(Folder("003")));
  EXPECT_TRUE(Logged().empty());
}

TEST_F(HistoryTest, DirectoryThatStaysIsReported) {
  MakeHistory("000", {{"data.txt", ""}, {".hidden", "x"}});
  fs::create_directory(Folder("000") + "sub");
  EXPECT_FALSE(THistory::DeleteDirectory(Folder("000"), false));
  EXPECT_EQ(Logged(), Strings{"[Error] Could not delete directory" + Folder("000") + "."});
  EXPECT_FALSE(FileExists(Folder("000") + "data.txt"));
  EXPECT_TRUE(FileExists(Folder("000") + ".hidden"));
}

TEST_F(HistoryTest, OnlyNumberedDirectoriesAreDeleted) {
  test::WriteBytes(dir_.File("model.wld"), "x");
  fs::create_directory(dir_.Path() + "models");
  test::WriteBytes(dir_.Path() + "models/a.bdy", "x");
  EXPECT_FALSE(THistory::DeleteDirectory(dir_.Path(), false));
  EXPECT_FALSE(THistory::DeleteDirectory(dir_.Path() + "models/", false));
  EXPECT_FALSE(THistory::DeleteDirectory("", false));
  EXPECT_TRUE(FileExists(dir_.File("model.wld")));
  EXPECT_TRUE(FileExists(dir_.Path() + "models/a.bdy"));
  EXPECT_EQ(Logged().size(), 3u);
}

TEST_F(HistoryTest, CurrentHistoryIsNeverDeleted) {
  MakeHistory("000", {{"data.txt", "0 0\r\n"}, {"log.txt", ""}});
  world_.names = {};
  THistory history(world_);
  std::string name;
  // The list was made before the new directory existed: the current one is not in it.
  ASSERT_TRUE(history.SelectDirectory(name));
  ASSERT_EQ(name, "001");
  ASSERT_EQ(history.ShortNames, Strings{"000"});
  EXPECT_FALSE(history.DeleteHistory("001"));
  EXPECT_TRUE(DirectoryExists(Folder("001")));
  // The world has moved into its history directory; the kept folder still names the parent.
  world_.base = Folder("001");
  world_.kept = dir_.Path();
  ASSERT_TRUE(history.ScanHistories());
  EXPECT_FALSE(history.DeleteHistory("001"));
  EXPECT_TRUE(DirectoryExists(Folder("001")));
  EXPECT_FALSE(history.DeleteHistory("002"));
  EXPECT_FALSE(history.DeleteHistory(""));  // never the parent folder itself
  EXPECT_FALSE(history.DeleteHistory("../001"));
  EXPECT_TRUE(history.DeleteHistory("000"));
  EXPECT_FALSE(DirectoryExists(Folder("000")));
  EXPECT_EQ(Logged(),
            (Strings{"[Alert] Cannot delete current history file.",
                     "[Alert] Cannot delete current history file.", "[Error] History files do not exist.",
                     "[Error] History files do not exist.", "[Error] History files do not exist."}));
}

TEST_F(HistoryTest, FreeingTheHistorySavesItsLog) {
  {
    THistory history(world_);
    ASSERT_TRUE(history.CreateNew());
    history.ConnectLog(log_);
    LogLine("[Alert] one");
  }
  EXPECT_EQ(test::ReadBytes(Folder("000") + "log.txt"), "[Alert] one\r\n");
  LogLine("[Alert] two");  // the log no longer reaches the freed history
  EXPECT_EQ(Logged().size(), 2u);
}

}  // namespace
}  // namespace zentrova
