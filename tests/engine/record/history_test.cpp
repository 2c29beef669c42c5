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

const char* const kDataHeader = "time mechanicalEnergy b`A`x b`A`x' b`A`x'' b`A`Rz b`A`Rz' b`A`Rz'' ";

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
  // Watches of the given number and kind, without a body.
  void AddWatches(TContactWatches& watches, int count, bool step_data = true) {
    for (int w = 0; w < count; ++w) {
      watches.Names.push_back("B#" + std::to_string(w));
      watches.Data.AddWatch(true);
      if (step_data) watches.StepData.AddWatch(true);
    }
    world_.watches = &watches;
  }
  // The watches of the golden files: A#1 and A#[0:2] on a square.
  void LoadGoldenWatches(TContactWatches& watches) {
    bodies_.Add(test::OutlineBody(model_, "A", Data("history/square.exs")));
    ASSERT_TRUE(watches.Load(Data("history/golden.wtc"), bodies_, 0));
    ASSERT_EQ(watches.Names, (Strings{"A#1", "A#[0:2]"}));
    world_.watches = &watches;
  }

  test::TempDir dir_;
  test::FakeHistoryWorld world_;
  TWorld model_;
  TBodyList bodies_;
};

// --- Directories -------------------------------------------------------------------------------------

TEST_F(HistoryTest, NewHistoryTakesTheFirstFreeNumber) {
  test::WriteBytes(dir_.File("000"), "a file takes its number too");
  MakeHistory("002", {});
  for (const char* expected : {"001", "003"}) {
    THistory history(world_);
    std::string name;
    ASSERT_TRUE(history.SelectDirectory(name));
    EXPECT_EQ(name, expected);
    // Both data files exist and are empty; log.txt is first written when the log is saved.
    EXPECT_EQ(FileSize(Folder(name) + "data.txt") + FileSize(Folder(name) + "watches.txt"), 0);
    EXPECT_FALSE(FileExists(Folder(name) + "log.txt"));
  }
  EXPECT_EQ(world_.marked, 2);
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
  std::string name;
  // No free number: the load must stop, nothing is created and nothing is chosen.
  EXPECT_FALSE(history.SelectDirectory(name));
  EXPECT_EQ(name, "");
  EXPECT_EQ(history.DataFileName, "");
  EXPECT_EQ(Logged(), Strings{"[Error] Maximum number of history files reached (999)."});
  EXPECT_EQ(ListDirectory(dir_.Path(), true).size(), 1000u);
  EXPECT_EQ(world_.marked, 1);
}

TEST_F(HistoryTest, DirectoriesThatCannotBeMadeOrFound) {
  world_.base = dir_.Path() + "missing/";
  THistory missing(world_);
  std::string name;
  EXPECT_FALSE(missing.SelectDirectory(name));
  EXPECT_EQ(Logged(), Strings{"[Error] Could not create history directory " + dir_.Path() + "missing/000/."});
  EXPECT_EQ(world_.marked, 0);
  EXPECT_FALSE(missing.OpenFiles());
  EXPECT_EQ(Logged().back(), "[Error] No history directory to record in.");
  world_.base = dir_.Path();
  for (const std::string short_name : {"007", "..", "", "03"}) {  // only a numbered directory that exists
    THistory other(world_);
    other.ShortName = short_name;
    EXPECT_FALSE(other.OpenExisting()) << short_name;
    EXPECT_EQ(Logged().back(),
              "[Error] The requested history file (short name=" + short_name + ") could not be found.");
  }
}

// --- The files of a run ------------------------------------------------------------------------------------

TEST_F(HistoryTest, ThreeStateRunWritesTheGoldenFiles) {
  TContactWatches watches;
  LoadGoldenWatches(watches);
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
    ASSERT_TRUE(history.Restart(false));
    EXPECT_TRUE(history.SetLogLine("first run", 1));
    history.AddLogLine("***********");
    ASSERT_TRUE(history.OpenFiles());
    for (std::size_t r = 0; r < records.size(); ++r) {
      for (std::uint32_t w = 0; w < 2; ++w) {
        watches.Data.NormalImpulse.SetAt(w, records[r][w][0]);
        watches.Data.TangentialImpulse.SetAt(w, records[r][w][1]);
        watches.Data.Work.SetAt(w, records[r][w][2]);
      }
      watches.Data.Cleared = false;
      ASSERT_TRUE(history.WriteStep(std::move(states[r])));
      world_.stored = history.Points.Count();
      EXPECT_EQ(watches.Data.NormalImpulse.At(0), 0);  // without decay a record starts again from 0
    }
    LogLine("[Alert] Break time of 1E-5s reached.");
    ASSERT_TRUE(history.CloseFiles());
    EXPECT_TRUE(history.SetLogLine(FloatToText(history.Points.Items(0).Time), 2));
    EXPECT_TRUE(history.SetLogLine(FloatToText(history.Points.Items(2).Time), 3));
    EXPECT_FALSE(history.SetLogLine("beyond the log", history.LogCount()));
  }
  EXPECT_EQ(test::ReadBytes(Folder("000") + "data.txt"), test::ReadBytes(Data("history/golden_data.txt")));
  EXPECT_EQ(test::ReadBytes(Folder("000") + "watches.txt"),
            test::ReadBytes(Data("history/golden_watches.txt")));
  EXPECT_EQ(test::ReadBytes(Folder("000") + "log.txt"), test::ReadBytes(Data("history/golden_log.txt")));
  LogLine("[Error] after the history");  // the log goes on without its freed history
  EXPECT_EQ(test::ReadBytes(Folder("000") + "log.txt"), test::ReadBytes(Data("history/golden_log.txt")));
}

TEST_F(HistoryTest, ShortWatchGroupOnlyForThreeZeros) {
  TContactWatches watches;
  AddWatches(watches, 4);
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
  ASSERT_TRUE(history.WriteStep(test::State(0, 0, {})));  // written outside a run all the same
  const std::string zero = FloatToSci23(0) + " ";
  EXPECT_EQ(test::ReadBytes(history.WatchesFileName), zero + "0 0 0 " + zero + FloatToSci23(2) + " " + zero +
                                                          zero + zero + FloatToSci23(3) + " " +
                                                          FloatToSci23(1) + " " + zero + zero + "\r\n");
  // Without a watch there is no watch line.
  const std::string written = test::ReadBytes(history.WatchesFileName);
  TContactWatches none;
  world_.watches = &none;
  ASSERT_TRUE(history.WriteStep(test::State(1, 0, {})));
  EXPECT_EQ(test::ReadBytes(history.WatchesFileName), written);
}

TEST_F(HistoryTest, WriteFailureIsLoggedAndTheStateKept) {
  THistory history(world_);
  ASSERT_TRUE(history.CreateNew());
  fs::remove_all(history.Directory);
  EXPECT_FALSE(history.WriteStep(test::State(0, 0, {{0, 0, 0}, {0, 0, 0}})));
  EXPECT_EQ(history.Points.Count(), 1u);
  EXPECT_EQ(Logged(), Strings{"[Error] Could not write history file " + history.DataFileName + "."});
}

// --- Reading a history back ------------------------------------------------------------------------------

TEST_F(HistoryTest, ContinuedHistoryIsReadBack) {
  TContactWatches watches;
  LoadGoldenWatches(watches);
  watches.TimeConstant = 0.5L;  // with decay the read-back impulses go on fading
  MakeHistory("005", {{"data.txt",
                       // the empty lines of a history started from a short one, then states written
                       // as numbers of any form, NaN and infinities included
                       "\r\n"
                       " 0.00000000000000E+0000 Nan 1 2 3 4 5 6 \r\n"
                       "0.5 +Inf -Inf 0 1e-3 -2.5 7 8 9 extra\n"
                       "1 2 3 4 5 6 7 8\r\n"},
                      {"watches.txt", "0 1 2 3 0.5 0 0 0 0\r\n1 2 4 6 0.75 0 0 0 -0.25\r\n"},
                      {"log.txt",
                       "old data header\r\ncomment\r\n0\r\n1\r\nold watches header\r\n***********\r\n"
                       "[Alert] old line\r\n"}});
  test::RecordingLogWindow window;
  log_.Add("[Alert] a line of this load");
  THistory history(world_);
  history.SetWindows(nullptr, &window);
  history.ConnectLog(log_);
  std::string name = "005";
  ASSERT_TRUE(history.SelectDirectory(name));
  ASSERT_TRUE(history.Restart(true));

  ASSERT_EQ(world_.stored, 3u);
  EXPECT_EQ(world_.restored, std::vector<std::uint32_t>{0});  // the first state becomes the working one
  const TCoordinateList& first = history.Points.Items(0).Coordinates;
  EXPECT_TRUE(std::isnan(history.Points.Items(0).MechanicalEnergy));
  EXPECT_EQ(test::Elements(first.Q), (std::vector<long double>{1, 4}));
  EXPECT_EQ(test::Elements(first.QDot), (std::vector<long double>{2, 5}));
  EXPECT_EQ(test::Elements(first.QDDot), (std::vector<long double>{3, 6}));
  const long double inf = std::numeric_limits<long double>::infinity();
  EXPECT_EQ(history.Points.Items(1).MechanicalEnergy, inf);
  EXPECT_EQ(test::Elements(history.Points.Items(1).Coordinates.Q), (std::vector<long double>{-inf, -2.5L}));

  // The last line: impulses kept (they decay from LastTime), work cleared after its record, and the
  // averaged ratios go on from where they were.
  EXPECT_EQ(watches.LastTime, 1);
  EXPECT_EQ(watches.Data.NormalImpulse.At(0), 2);
  EXPECT_EQ(watches.Data.TangentialImpulse.At(0), 4);
  EXPECT_EQ(watches.Data.Work.At(0), 0);
  EXPECT_EQ(watches.Data.AveragedRatio.At(0), 0.75L);
  EXPECT_EQ(watches.Data.AveragedRatio.At(1), -0.25L);

  // The log file replaces the load's log; the header is rebuilt around the comment and the old runs.
  EXPECT_TRUE(Logged().empty());
  EXPECT_EQ(window.lines, (Strings{"old data header", "comment", "0", "1", "old watches header",
                                   "***********", "[Alert] old line"}));
  EXPECT_EQ(history.Log(),
            (Strings{kDataHeader, "comment", "", "",
                     "time A#1-impN A#1-impT A#1-work A#1-impT/-impN A#[0:2]-impX A#[0:2]-impY "
                     "A#[0:2]-work A#[0:2]-impY/-impX ",
                     "***********", "[Alert] old line"}));
}

TEST_F(HistoryTest, ReadBackWithoutDecayStartsTheNextRecordFromZero) {
  TContactWatches watches;
  AddWatches(watches, 1);
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

TEST_F(HistoryTest, UnreadableDataFilesFailTheLoad) {
  const struct {
    const char* data;  // nullptr: no data file
    const char* error;
    std::uint32_t kept;  // the states before the refused line stay
  } cases[] = {
      {nullptr, "[Error] Could not read history file $data.txt.", 0},
      {"0 0 1 2 3 4 5 6\r\n0 0 1 2 x 4 5 6\r\n", "[Error] Check history file $data.txt (line 2).", 1},
      {"0 0 1 2 3 4 5\r\n", "[Error] Check history file $data.txt (line 1).", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.error);
    fs::remove_all(Folder("001"));
    MakeHistory("001", {});
    if (c.data != nullptr) test::WriteBytes(Folder("001") + "data.txt", c.data);
    log_.Clear();
    world_.stored = 0;
    THistory history(world_);
    std::string name = "001";
    ASSERT_TRUE(history.SelectDirectory(name));
    EXPECT_FALSE(history.Restart(false));
    std::string error = c.error;
    error.replace(error.find('$'), 1, Folder("001"));
    EXPECT_EQ(Logged(), Strings{error});
    EXPECT_EQ(world_.stored, c.kept);
  }
}

TEST_F(HistoryTest, NewHistoryKeepsTheLinesOfItsLoad) {
  THistory history(world_);
  history.ConnectLog(log_);
  ASSERT_TRUE(history.CreateNew());
  LogLine("[Alert] first line of the load");
  LogLine("[Alert] second line of the load");
  ASSERT_TRUE(history.Restart(false));
  // No line of the load becomes the comment, and none is lost.
  EXPECT_EQ(history.Log(), (Strings{kDataHeader, "", "", "", "time ", "[Alert] first line of the load",
                                    "[Alert] second line of the load"}));
  // Rebuilding the header again keeps the comment and the lines after the header.
  ASSERT_TRUE(history.SetLogLine("comment", 1));
  ASSERT_TRUE(history.SetLogLine("0", 2));
  ASSERT_TRUE(history.WriteLogHeader());
  EXPECT_EQ(history.Log(), (Strings{kDataHeader, "comment", "", "", "time ", "[Alert] first line of the load",
                                    "[Alert] second line of the load"}));
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
  EXPECT_EQ(history.ShortNames, (Strings{"000", "003"}));
  ASSERT_EQ(window.rows.size(), 2u);
  const THistoryRow& row = window.rows[0];
  EXPECT_EQ(Strings({row.ShortName, row.Comment, row.Start, row.End, row.Size}),
            (Strings{"000", "first", "0", "1.5", "1,50"}));
  EXPECT_EQ(row.ImageIndex, kOtherHistoryImage);
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
  AddWatches(watches, 3, false);
  MakeHistory("000", {{"data.txt", ""},
                      {"watches.txt",
                       "0.5 1 2 3 9  10 20 30 9  100 200 300 9\r\n"
                       "1.5 0 0 0 9  11 21 31 9  0 0 0 9\r\n"
                       "2.25 1 1 1 9  12 22 32 9  1 1 1 9\r\n"}});
  THistory history(world_);
  history.ShortName = "000";
  ASSERT_TRUE(history.OpenExisting());
  TIntList indexes;
  test::Fill(indexes, {0, 2});
  TFloatList n, t, w;
  for (TFloatList* list : {&n, &t, &w}) test::Fill(*list, {0, 0});
  long double span = -7;
  ASSERT_TRUE(history.SumWatchHistory(indexes, n, t, w, span));
  EXPECT_EQ(test::Elements(n), (std::vector<long double>{2, 101}));
  EXPECT_EQ(test::Elements(t), (std::vector<long double>{3, 201}));
  EXPECT_EQ(test::Elements(w), (std::vector<long double>{4, 301}));
  EXPECT_EQ(span, 1.75L);
  // Without watches.txt nothing changes.
  fs::remove(history.WatchesFileName);
  span = -7;
  ASSERT_TRUE(history.SumWatchHistory(indexes, n, t, w, span));
  EXPECT_EQ(span, -7);
  EXPECT_EQ(n.At(0), 2);
}

TEST_F(HistoryTest, ResampleKeepsTheFirstAndTheLastState) {
  THistory history(world_);
  const std::string file = dir_.File("resampled.txt");
  ASSERT_TRUE(history.Resample(file, 2));  // nothing recorded: an empty file
  EXPECT_EQ(test::ReadBytes(file), "");
  for (int i = 0; i < 10; ++i) history.Points.Add(test::State(i, 0, {{0, 0, 0}, {0, 0, 0}}));
  world_.stored = 10;
  auto lines = [&history](const std::vector<std::uint32_t>& indexes) {
    std::string text;
    for (std::uint32_t i : indexes) text += THistory::DataLine(history.Points.Items(i)) + "\r\n";
    return text;
  };
  const struct {
    std::int32_t step;
    std::vector<std::uint32_t> kept;
  } cases[] = {{1, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}}, {4, {0, 4, 8, 9}}, {3, {0, 3, 6, 9}}, {100, {0, 9}}};
  for (const auto& c : cases) {
    ASSERT_TRUE(history.Resample(file, c.step));
    EXPECT_EQ(test::ReadBytes(file), lines(c.kept)) << c.step;
  }
  EXPECT_FALSE(history.Resample(file, 0));
  EXPECT_FALSE(history.Resample(dir_.Path() + "missing/resampled.txt", 1));
  EXPECT_EQ(Logged(), (Strings{"[Error] Resampling needs a step of at least 1.",
                               "[Error] Could not write file " + dir_.Path() + "missing/resampled.txt."}));
}

// --- Deleting ---------------------------------------------------------------------------------------------

TEST_F(HistoryTest, DeletesOnlyNumberedDirectoriesAndEmptyOnesWhenAsked) {
  MakeHistory("000", {{"data.txt", ""}, {"log.txt", "x"}});
  MakeHistory("001", {{"data.txt", std::string(120, 'x')}});  // a short run is still a run
  MakeHistory("002", {{"log.txt", "x"}});                     // no data file at all
  for (const char* name : {"000", "001", "002"}) EXPECT_TRUE(THistory::DeleteDirectory(Folder(name), true));
  EXPECT_FALSE(DirectoryExists(Folder("000")));
  EXPECT_TRUE(FileExists(Folder("001") + "data.txt"));
  EXPECT_FALSE(DirectoryExists(Folder("002")));
  EXPECT_TRUE(THistory::DeleteDirectory(Folder("001"), false));
  EXPECT_FALSE(DirectoryExists(Folder("001")));
  // Only a numbered directory is deleted.
  test::WriteBytes(dir_.File("model.wld"), "x");
  fs::create_directory(dir_.Path() + "models");
  test::WriteBytes(dir_.Path() + "models/a.bdy", "x");
  EXPECT_FALSE(THistory::DeleteDirectory(dir_.Path(), false));
  EXPECT_FALSE(THistory::DeleteDirectory(dir_.Path() + "models/", false));
  EXPECT_FALSE(THistory::DeleteDirectory("", false));
  EXPECT_TRUE(FileExists(dir_.File("model.wld")));
  EXPECT_TRUE(FileExists(dir_.Path() + "models/a.bdy"));
  EXPECT_EQ(Logged().size(), 3u);
  // A directory that stays (a hidden file, a folder in it) is reported.
  log_.Clear();
  MakeHistory("000", {{"data.txt", ""}, {".hidden", "x"}});
  fs::create_directory(Folder("000") + "sub");
  EXPECT_FALSE(THistory::DeleteDirectory(Folder("000"), false));
  EXPECT_EQ(Logged(), Strings{"[Error] Could not delete directory" + Folder("000") + "."});
  EXPECT_FALSE(FileExists(Folder("000") + "data.txt"));
  EXPECT_TRUE(FileExists(Folder("000") + ".hidden"));
}

TEST_F(HistoryTest, CurrentHistoryIsNeverDeleted) {
  MakeHistory("000", {{"data.txt", "0 0\r\n"}, {"log.txt", ""}});
  world_.names = {};
  THistory history(world_);
  std::string name;
  // The list was made before the new directory existed: the current one is not in it.
  ASSERT_TRUE(history.SelectDirectory(name));
  ASSERT_EQ(name, "001");
  EXPECT_FALSE(history.DeleteHistory("001"));
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

}  // namespace
}  // namespace zentrova
