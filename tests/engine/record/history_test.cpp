#include "engine/record/history.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <limits>
#include <numbers>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "driver_test_support.h"
#include "engine/record/contact_watches.h"
#include "engine/record/three_digit_names.h"
#include "engine/step/run_loop.h"
#include "engine_test_support.h"
#include "history_test_support.h"
#include "numerics/float_list.h"
#include "platform/number_text.h"
#include "platform/paths.h"

namespace zentrova {
namespace {

using Strings = std::vector<std::string>;
using Reals = std::vector<long double>;
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
  // Normal-tangential watches B#0, B#1, ... holding the given (normal, tangential, work) values.
  void SetWatches(TContactWatches& watches, const std::vector<Reals>& values) {
    for (std::uint32_t w = 0; w < values.size(); ++w) {
      watches.Names.push_back("B#" + std::to_string(w));
      watches.Data.AddWatch(true);
      watches.StepData.AddWatch(true);
      watches.Data.NormalImpulse.SetAt(w, values[w][0]);
      watches.Data.TangentialImpulse.SetAt(w, values[w][1]);
      watches.Data.Work.SetAt(w, values[w][2]);
    }
    world_.watches = &watches;
  }
  // The watches of the golden files: A#1 and A#[0:2] on a square.
  void LoadGoldenWatches(TContactWatches& watches) {
    bodies_.Add(test::OutlineBody(model_, "A", Data("history/square.exs")));
    ASSERT_TRUE(watches.Load(Data("history/golden.wtc"), bodies_, 0));
    world_.watches = &watches;
  }

  test::TempDir dir_;
  test::FakeHistoryWorld world_;
  TWorld model_;
  TBodyList bodies_;
};

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
  // 999 is the last number: then the load must stop, and nothing is created or chosen.
  std::error_code taken;  // 000 is a file
  for (int i = 0; i < 999; ++i) fs::create_directory(dir_.Path() + IntToStr3(i), taken);
  THistory last(world_);
  std::string name;
  ASSERT_TRUE(last.SelectDirectory(name));
  EXPECT_EQ(name, "999");
  THistory none(world_);
  name.clear();
  EXPECT_FALSE(none.SelectDirectory(name));
  EXPECT_EQ(name + none.DataFileName, "");
  EXPECT_EQ(Logged(), Strings{"[Error] Maximum number of history files reached (999)."});
  EXPECT_EQ(world_.marked, 3);
}

// The numbers come from one listing of the folder: only three-digit names take them, and links count as
// what they lead to. A name that turns out taken when its directory is made (a broken link here; another
// run's new directory in earnest) is passed over.
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
  ASSERT_TRUE(next.SelectDirectory(name));
  EXPECT_EQ(name, "005");
  EXPECT_TRUE(Logged().empty());
}

TEST_F(HistoryTest, DirectoriesAndFilesThatCannotBeMadeOrFound) {
  world_.base = dir_.Path() + "missing/";
  THistory missing(world_);
  std::string name;
  EXPECT_FALSE(missing.SelectDirectory(name));
  EXPECT_FALSE(missing.OpenFiles());
  EXPECT_EQ(Logged(), (Strings{"[Error] Could not create history directory " + dir_.Path() +
                                   "missing/000/: No such file or directory.",
                               "[Error] No history directory to record in."}));
  world_.base = dir_.Path();
  for (const std::string short_name : {"007", "..", "", "03"}) {  // only a numbered directory that exists
    THistory other(world_);
    other.ShortName = short_name;
    EXPECT_FALSE(other.OpenExisting());
    EXPECT_EQ(Logged().back(),
              "[Error] The requested history file (short name=" + short_name + ") could not be found.");
  }
}

// A path too long for the system (4096 bytes with its end) names what could not be made and why: the new
// directory, or the incomplete-copy mark, the first file made in it (the directory is then chosen all the
// same, to be removed again).
TEST_F(HistoryTest, WhatCannotBeCreatedIsNamedWithTheReason) {
  const struct {
    std::size_t base;  // the base folder's length with its separator
    const char* file;  // "" for the directory itself
  } cases[] = {{4092, ""}, {4070, "model-copy-incomplete.txt"}};
  for (const auto& c : cases) {
    world_.base = dir_.Path();
    while (world_.base.size() < c.base) {
      const std::size_t left = c.base - world_.base.size();
      world_.base += std::string(left > 250 ? 150 : left - 1, 'd') + "/";
    }
    ASSERT_TRUE(ForceDirectories(world_.base)) << c.base;
    log_.Clear();
    THistory history(world_);
    EXPECT_FALSE(history.CreateNew());
    const std::string made = world_.base + "000/" + c.file;
    EXPECT_EQ(Logged(), Strings{std::string("[Error] Could not create history ") +
                                (*c.file ? "file " : "directory ") + made + ": File name too long."});
    EXPECT_EQ(history.ShortName, *c.file ? "000" : "");
  }
}

TEST_F(HistoryTest, ThreeStateRunWritesTheGoldenFiles) {
  TContactWatches watches;
  LoadGoldenWatches(watches);
  // Normal (x), tangential (y) and work of both watches at the three records.
  const std::vector<std::vector<Reals>> records = {
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
  }
  for (const char* file : {"data.txt", "watches.txt", "log.txt"}) {
    EXPECT_EQ(test::ReadBytes(Folder("000") + file),
              test::ReadBytes(Data(std::string("history/golden_") + file)));
  }
}

TEST_F(HistoryTest, ShortWatchGroupOnlyForThreeZeros) {
  TContactWatches watches;
  // A zero normal (or x) value with a tangential value or work keeps all three.
  SetWatches(watches, {{0, 0, 0}, {0, 2, 0}, {0, 0, 3}, {1, 0, 0}});
  world_.names = {};
  THistory history(world_);
  ASSERT_TRUE(history.CreateNew());
  ASSERT_TRUE(history.WriteStep(test::State(0, 0, {})));  // written outside a run all the same
  const std::string z = FloatToSci23(0) + " ";
  const std::string line = z + "0 0 0 " + z + FloatToSci23(2) + " " + z + z + z + FloatToSci23(3) + " " +
                           FloatToSci23(1) + " " + z + z + "\r\n";
  EXPECT_EQ(test::ReadBytes(history.WatchesFileName), line);
}

TEST_F(HistoryTest, ContinuedHistoryIsReadBack) {
  TContactWatches watches;
  LoadGoldenWatches(watches);
  watches.TimeConstant = 0.5L;  // with decay the read-back impulses go on fading
  // The empty lines of a history started from a short one, then states written as numbers of any form.
  MakeHistory(
      "005",
      {{"data.txt", "\r\n 0.00000000000000E+0000 Nan 1 2 3 4 5 6 \r\n0.5 +Inf -Inf 0 1e-3 -2.5 7 8 9 x\n"},
       {"watches.txt", "0 1 2 3 0.5 0 0 0 0\r\n0.5 2 4 6 0.75 0 0 0 -0.25\r\n"},
       {"log.txt", "old data header\r\ncomment\r\n0\r\n1\r\nold watches header\r\n[Alert] old line\r\n"}});
  log_.Add("[Alert] a line of this load");
  THistory history(world_);
  history.ConnectLog(log_);
  std::string name = "005";
  ASSERT_TRUE(history.SelectDirectory(name));
  ASSERT_TRUE(history.Restart(true));
  ASSERT_EQ(world_.stored, 2u);
  EXPECT_EQ(world_.restored, std::vector<std::uint32_t>{0});  // the first state becomes the working one
  const TCoordinateList& first = history.Points.Items(0).Coordinates;
  EXPECT_EQ(test::Elements(first.Q), (Reals{1, 4}));
  EXPECT_EQ(test::Elements(first.QDot), (Reals{2, 5}));
  EXPECT_EQ(test::Elements(first.QDDot), (Reals{3, 6}));
  EXPECT_EQ(history.Points.Items(1).Coordinates.Q.At(0), -std::numeric_limits<long double>::infinity());
  // The last line: impulses kept (they decay from LastTime), work cleared after its record, and the
  // averaged ratios go on from where they were.
  EXPECT_EQ(watches.LastTime, 0.5L);
  EXPECT_EQ(Reals({watches.Data.NormalImpulse.At(0), watches.Data.TangentialImpulse.At(0),
                   watches.Data.Work.At(0)}),
            (Reals{2, 4, 0}));
  EXPECT_EQ(test::Elements(watches.Data.AveragedRatio), (Reals{0.75L, -0.25L}));
  // The log file replaces the load's log; the header is rebuilt around the comment and the old runs.
  EXPECT_TRUE(Logged().empty());
  EXPECT_EQ(history.Log(),
            (Strings{kDataHeader, "comment", "", "",
                     "time A#1-impN A#1-impT A#1-work A#1-impT/-impN A#[0:2]-impX A#[0:2]-impY "
                     "A#[0:2]-work A#[0:2]-impY/-impX ",
                     "[Alert] old line"}));
}

TEST_F(HistoryTest, ReadBackWithoutDecayStartsTheNextRecordFromZero) {
  TContactWatches watches;
  SetWatches(watches, {{0, 0, 0}});
  MakeHistory("000", {{"data.txt", "0 0 1 2 3 4 5 6\r\n1 0 1 2 3 4 5 6\r\n2 0 1 2 3 4 5 6\r\n"},
                      {"watches.txt", "0 1 2 3\r\n1 0 0 0 \r\n2 5 6 7\r\n"}});
  THistory history(world_);
  std::string name = "000";
  ASSERT_TRUE(history.SelectDirectory(name));
  ASSERT_TRUE(history.Restart(false));
  // The last record was cleared after it was written: a new record must not count it again.
  EXPECT_EQ(watches.LastTime, 2);
  EXPECT_EQ(watches.Data.NormalImpulse.At(0) + watches.Data.Work.At(0), 0);
}

// What a killed run can leave at the end of its files is dropped on reading back, from the files too (the
// continued run appends to them). With watches the two files are matched by their times: every data record
// stays, a watches record without its data record goes, and the times watches.txt misses are named once.
// The alerts stay in the log that the history's own log replaced.
TEST_F(HistoryTest, ReadBackMatchesTheRecordsByTheirTimes) {
  const std::string df = Folder("000") + "data.txt", wf = Folder("000") + "watches.txt";
  auto d = [](const char* time) { return std::string(time) + " 0 1 2 3 4 5 6\r\n"; };
  auto w = [](const char* time) { return std::string(time) + " 1 2 3\r\n"; };
  const std::string torn = "[Alert] Dropped the incomplete last line of history file ";
  auto dropped = [&](const char* records, const char* times) {
    return "[Alert] Dropped " + std::string(records) + " of history file " + wf + " that " + df +
           " does not hold (time " + times + ").";
  };
  auto missing = [&](const char* times, const char* which) {
    return "[Alert] History file " + wf + " holds no record at " + times + " of " + df + " (time " + which +
           "); the records of " + df + " are kept.";
  };
  const struct {
    std::string data;
    std::string watches;  // "-": no watches.txt
    bool watched;
    Strings alerts;
    std::string after;  // data.txt|watches.txt, "-" for no file
  } cases[] = {
      {d("0") + d("1") + "2 0 1",
       (w("0") + w("1")),
       true,
       {torn + df + "."},
       d("0") + d("1") + "|" + w("0") + w("1")},
      // Killed between the two writes of a record: watches.txt is one ahead.
      {d("0"),
       (w("0") + w("1") + "2 1\r"),
       true,
       {torn + wf + ".", dropped("1 record", "1")},
       d("0") + "|" + w("0")},
      // watches.txt deleted; then continued from the end of the data.
      {d("0") + d("1") + d("2"), "-", true, {missing("3 times", "0 to 2")}, d("0") + d("1") + d("2") + "|-"},
      {d("0") + d("1") + d("2") + d("3"),
       w("3"),
       true,
       {missing("3 times", "0 to 2")},
       d("0") + d("1") + d("2") + d("3") + "|" + w("3")},
      {"\r\n" + d("0.5") + d("1") + d("1.5"),
       ("\r\n" + w("1.5")),
       true,
       {missing("2 times", "0.5 to 1")},
       "\r\n" + d("0.5") + d("1") + d("1.5") + "|\r\n" + w("1.5")},
      // A watches record between others that data.txt does not hold: the file is written anew.
      {d("0") + d("2"),
       (w("0") + w("1") + w("2")),
       true,
       {dropped("1 record", "1")},
       d("0") + d("2") + "|" + w("0") + w("2")},
      {d("0") + d("1") + d("2") + d("3") + d("4") + d("5") + d("6") + d("7") + d("8") + d("9"),
       (w("1") + w("3") + w("5") + w("7") + w("9")),
       true,
       {missing("5 times", "0, 2, 4, 6, ...")},
       d("0") + d("1") + d("2") + d("3") + d("4") + d("5") + d("6") + d("7") + d("8") + d("9") + "|" +
           w("1") + w("3") + w("5") + w("7") + w("9")},
      {d("0") + d("1"), "2 1", false, {}, d("0") + d("1") + "|2 1"},  // a model without watches reads none
      // A line of blanks among the records is no record: both files hold two.
      {d("0") + "  \t \r\n" + d("1"),
       (w("0") + w("1")),
       true,
       {},
       d("0") + "  \t \r\n" + d("1") + "|" + w("0") + w("1")},
  };
  TContactWatches watches;
  SetWatches(watches, {{0, 0, 0}});
  for (const auto& c : cases) {
    fs::remove_all(Folder("000"));
    MakeHistory("000", {{"data.txt", c.data}, {"log.txt", "h\r\n\r\n\r\n\r\nh\r\n"}});
    if (c.watches != "-") test::WriteBytes(wf, c.watches);
    world_.watches = c.watched ? &watches : nullptr;
    log_.Clear();
    THistory history(world_);
    history.ConnectLog(log_);
    history.ShortName = "000";
    ASSERT_TRUE(history.OpenExisting() && history.Restart(true)) << c.data;
    EXPECT_EQ(Logged(), c.alerts) << c.data;
    EXPECT_EQ(test::ReadBytes(df) + "|" + (FileExists(wf) ? test::ReadBytes(wf) : "-"), c.after);
    std::uint32_t records = 0;  // every data record is read
    for (std::size_t at = 0; (at = c.data.find(" 0 1 2 3 4 5 6\r\n", at)) != std::string::npos; ++at)
      ++records;
    EXPECT_EQ(history.Points.Count(), records);
  }
}

// A record whose time is not after the one before it refuses the history, naming the file and the line,
// and nothing is written to it: not the files, not the log.
TEST_F(HistoryTest, RecordsOutOfTimeOrderRefuseTheHistoryAndStayAsTheyAre) {
  TContactWatches watches;
  SetWatches(watches, {{0, 0, 0}});
  const std::string d = "0 0 1 2 3 4 5 6\r\n1 0 1 2 3 4 5 6\r\n", w = "0 1 2 3\r\n1 1 2 3\r\n";
  const struct {
    std::string data, watches;
    const char* file;
    const char* error;
  } cases[] = {
      {d + "0.5 0 1 2 3 4 5 6\r\n", w, "data.txt",
       " (line 3): its time 0.5 is not after the time 1 of the record before it."},
      {d, "1 1 2 3\r\n1 1 2 3\r\n", "watches.txt",
       " (line 2): its time 1 is not after the time 1 of the record before it."},
      {d, "0 1 2 3\r\nx 1 2 3\r\n", "watches.txt", " (line 2)."},
  };
  for (const auto& c : cases) {
    const std::string log = "h\r\ncomment\r\n\r\n\r\nh\r\n[Alert] old\r\n";
    MakeHistory("000", {{"data.txt", c.data + "2 0 1"}, {"watches.txt", c.watches}, {"log.txt", log}});
    log_.Clear();
    {
      THistory history(world_);
      history.ConnectLog(log_);
      std::string name = "000";
      ASSERT_TRUE(history.SelectDirectory(name));
      LogLine("[Alert] a line of the load");
      EXPECT_FALSE(history.Restart(true));
      EXPECT_EQ(Logged().back(), "[Error] Check history file " + Folder("000") + c.file + c.error);
    }
    EXPECT_EQ(test::ReadBytes(Folder("000") + "data.txt"), c.data + "2 0 1");
    EXPECT_EQ(test::ReadBytes(Folder("000") + "watches.txt"), c.watches);
    EXPECT_EQ(test::ReadBytes(Folder("000") + "log.txt"), log);
  }
}

// One history records into a directory at a time: a second one is refused with the line the caller shows,
// chooses nothing and writes nothing; the directory is free again once the first closes.
TEST_F(HistoryTest, OneHistoryAtATimeHoldsADirectory) {
  const std::string log = "h\r\ncomment\r\n\r\n\r\nh\r\n";
  MakeHistory("000", {{"data.txt", "0 0 1 2 3 4 5 6\r\n"}, {"log.txt", log}});
  auto first = std::make_unique<THistory>(world_);
  std::string name = "000";
  ASSERT_TRUE(first->SelectDirectory(name));
  {
    THistory second(world_);
    second.ConnectLog(log_);
    EXPECT_FALSE(second.SelectDirectory(name));
    const std::string refusal = "[Error] Another run records into history directory " + Folder("000") + ".";
    EXPECT_EQ(second.RefusedLine, refusal);
    EXPECT_EQ(Logged(), Strings{refusal});
    EXPECT_EQ(second.DataFileName, "");
    // Nor may it be deleted meanwhile.
    second.ShortName = "001";
    EXPECT_FALSE(second.DeleteHistory("000"));
    EXPECT_EQ(Logged().back(), "[Alert] Cannot delete history 000: another run records into it.");
  }
  EXPECT_EQ(test::ReadBytes(Folder("000") + "log.txt"), log);
  // A new directory is held as it is made.
  THistory made(world_);
  std::string new_name;
  ASSERT_TRUE(made.SelectDirectory(new_name));
  THistory other(world_);
  EXPECT_FALSE(other.SelectDirectory(new_name));
  first->Close(THistoryRemoval::Keep);
  log_.Clear();
  THistory third(world_);
  EXPECT_TRUE(third.SelectDirectory(name));
  EXPECT_TRUE(third.RefusedLine.empty());
  EXPECT_TRUE(Logged().empty());
}

// Closing removes the directory as asked, while the history still holds it.
TEST_F(HistoryTest, CloseRemovesTheDirectoryAsAsked) {
  const struct {
    THistoryRemoval removal;
    const char* data;
    bool stays;
  } cases[] = {{THistoryRemoval::Keep, "", true},
               {THistoryRemoval::IfEmpty, "", false},
               {THistoryRemoval::IfEmpty, "0 0 1 2 3 4 5 6\r\n", true},
               {THistoryRemoval::Always, "0 0 1 2 3 4 5 6\r\n", false}};
  for (const auto& c : cases) {
    THistory history(world_);
    ASSERT_TRUE(history.CreateNew());
    test::WriteBytes(history.DataFileName, c.data);
    const std::string folder = history.Directory;
    history.Close(c.removal);
    EXPECT_EQ(DirectoryExists(folder), c.stays) << static_cast<int>(c.removal) << c.data;
    EXPECT_TRUE(Logged().empty());
    fs::remove_all(folder);
  }
}

// A new directory carries the incomplete-copy mark until the model is copied whole; a directory holding
// none of the model (made before the mark, or by an older program killed early) is incomplete too, and
// a copy without the mark (all older histories) is whole.
TEST_F(HistoryTest, ModelCopyIsWholeOnceItsMarkIsGone) {
  THistory history(world_);
  ASSERT_TRUE(history.CreateNew());
  EXPECT_EQ(ListDirectory(history.Directory, false),
            (Strings{"data.txt", kModelCopyIncompleteFile, "watches.txt"}));
  EXPECT_FALSE(THistory::ModelCopyComplete(history.Directory));
  test::WriteBytes(history.Directory + "model.wld", "[Main]\r\n");
  EXPECT_FALSE(THistory::ModelCopyComplete(history.Directory));
  ASSERT_TRUE(history.ModelCopied());
  EXPECT_TRUE(THistory::ModelCopyComplete(history.Directory));
  EXPECT_TRUE(history.ModelCopied());  // no mark: nothing to do
  const struct {
    std::vector<std::pair<std::string, std::string>> files;
    bool whole;
  } cases[] = {
      {{}, false},
      {{{"data.txt", ""}, {"watches.txt", ""}, {"log.txt", "h"}, {"log.txt.new", "h"}}, false},
      {{{"data.txt", "0 0\r\n"}, {"box.cop", ""}}, true},
      {{{"box.wld", "x"}, {kModelCopyIncompleteFile, ""}}, false},
  };
  for (const auto& c : cases) {
    fs::remove_all(Folder("005"));
    MakeHistory("005", c.files);
    EXPECT_EQ(THistory::ModelCopyComplete(Folder("005")), c.whole) << c.files.size();
  }
}

// The history's log becomes that of its directory when the load gives it its header: a load that stops
// before writes nothing into log.txt, which may be another run's.
TEST_F(HistoryTest, TheLogIsWrittenOnlyOnceTheHistoryTookIt) {
  const std::string log = "h\r\ncomment\r\n\r\n\r\nh\r\n";
  MakeHistory("000", {{"data.txt", ""}, {"log.txt", log}});
  {
    THistory history(world_);
    history.ConnectLog(log_);
    std::string name = "000";
    ASSERT_TRUE(history.SelectDirectory(name));
    LogLine("[Error] a load that failed");
  }
  EXPECT_EQ(test::ReadBytes(Folder("000") + "log.txt"), log);
  THistory history(world_);
  history.ConnectLog(log_);
  std::string name = "000";
  ASSERT_TRUE(history.SelectDirectory(name) && history.Restart(true));
  LogLine("[Alert] a line of the run");
  history.Close(THistoryRemoval::Keep);
  EXPECT_EQ(test::ReadBytes(Folder("000") + "log.txt"),
            std::string(kDataHeader) + "\r\ncomment\r\n\r\n\r\ntime \r\n[Alert] a line of the run\r\n");
}

// A log line reaches log.txt when it is added; a record whose data line cannot be written leaves no
// watches line either.
TEST_F(HistoryTest, LogFollowsItsLinesAndRecordsStayInStep) {
  TContactWatches watches;
  SetWatches(watches, {{1, 2, 3}});
  THistory history(world_);
  history.ConnectLog(log_);
  ASSERT_TRUE(history.CreateNew() && history.Restart(false));
  LogLine("[Alert] a line");
  EXPECT_TRUE(test::ReadBytes(history.LogFileName).ends_with(" \r\n[Alert] a line\r\n"));
  EXPECT_TRUE(history.SetLogLine("a comment", 1));
  EXPECT_NE(test::ReadBytes(history.LogFileName).find(" \r\na comment\r\n\r\n\r\ntime "), std::string::npos);
  fs::remove(history.DataFileName);
  fs::create_symlink("/dev/full", history.DataFileName);
  ASSERT_TRUE(history.OpenFiles());
  EXPECT_FALSE(history.WriteStep(test::State(0, 0, {{0, 0, 0}, {0, 0, 0}})));
  EXPECT_EQ(FileSize(history.WatchesFileName), 0);
  EXPECT_EQ(Logged().back(),
            "[Error] Could not write history file " + history.DataFileName + ": No space left on device.");
}

// A data file that cannot be read whole refuses the history before anything is read or written: not even
// a torn last line is cut then.
TEST_F(HistoryTest, UnreadableDataFilesFailTheLoad) {
  const struct {
    const char* data;  // nullptr: no data file
    const char* error;
  } cases[] = {
      {nullptr, "Could not read history file $data.txt: No such file or directory."},
      {"0 0 1 2 3 4 5 6\r\n1 0 1 2 x 4 5 6\r\n2 0 1", "Check history file $data.txt (line 2)."},
      {"0 0 1 2 3 4 5 6\r\n\r\n2 0 1 2 3 4 5 6\r\n1.5 0 1 2 3 4 5 6\r\n",
       "Check history file $data.txt (line 4): its time 1.5 is not after the time 2 of the record before "
       "it."},
      {"0 0 1 2 3 4 5 6\r\nNan 0 1 2 3 4 5 6\r\n",
       "Check history file $data.txt (line 2): its time NAN is not after the time 0 of the record before "
       "it."},
      {"0 0 1 2 3 4 5\r\n", "Check history file $data.txt (line 1)."},
  };
  for (const auto& c : cases) {
    fs::remove_all(Folder("001"));
    MakeHistory("001", {});
    if (c.data != nullptr) test::WriteBytes(Folder("001") + "data.txt", c.data);
    log_.Clear();
    THistory history(world_);
    std::string name = "001";
    ASSERT_TRUE(history.SelectDirectory(name));
    EXPECT_FALSE(history.Restart(false));
    std::string error = std::string("[Error] ") + c.error;
    EXPECT_EQ(Logged().back(), error.replace(error.find('$'), 1, Folder("001")));
    EXPECT_EQ(history.Points.Count(), 0u);
    if (c.data != nullptr) EXPECT_EQ(test::ReadBytes(Folder("001") + "data.txt"), c.data);
  }
}

// A history file that cannot be read refuses the history, named with the reason, and stays as it is. One
// that is no regular file is not even opened: a FIFO would hold the load for ever, a device would be read
// without end, and log.txt would be replaced by the rewrite of its header. A link to a regular file is
// one; reading /proc/self/mem from its start fails.
TEST_F(HistoryTest, AHistoryFileThatCannotBeReadRefusesTheHistoryAsItIs) {
  const char* const special = "History file $ is not a regular file.";
  const std::pair<std::string, const char*> kinds[] = {
      // what stands in the file's place; nullptr: it loads
      {"a FIFO", special},
      {"a directory", special},
      {"/dev/null", special},
      {"/proc/self/mem", "Could not read history file $: Input/output error."},
      {"moved", nullptr}};
  TContactWatches watches;
  SetWatches(watches, {{0, 0, 0}});
  for (const std::string file : {"data.txt", "watches.txt", "log.txt"}) {
    for (const auto& [kind, error] : kinds) {
      SCOPED_TRACE(file + " as " + kind);
      fs::remove_all(Folder("000"));
      MakeHistory(
          "000",
          {{"data.txt", "0 0 1 2 3 4 5 6\r\n"}, {"watches.txt", "0 0 0 0 \r\n"}, {"log.txt", "h\r\n"}});
      const std::string path = Folder("000") + file;
      fs::rename(path, dir_.File("moved"));
      if (kind == "a FIFO") ASSERT_EQ(mkfifo(path.c_str(), 0644), 0);
      if (kind == "a directory") fs::create_directory(path);
      if (kind[0] != 'a') fs::create_symlink(kind == "moved" ? dir_.File(kind) : kind, path);
      const fs::file_type type = fs::symlink_status(path).type();
      log_.Clear();
      THistory history(world_);
      std::string name = "000";
      ASSERT_TRUE(history.SelectDirectory(name));
      EXPECT_EQ(history.Restart(true), error == nullptr);
      if (error == nullptr) continue;
      std::string line = std::string("[Error] ") + error;
      EXPECT_EQ(Logged(), Strings{line.replace(line.find('$'), 1, path)});
      EXPECT_EQ(fs::symlink_status(path).type(), type);
      if (file != "log.txt") EXPECT_EQ(test::ReadBytes(Folder("000") + "log.txt"), "h\r\n");
    }
  }
}

TEST_F(HistoryTest, ResampleKeepsTheFirstAndTheLastState) {
  THistory history(world_);
  const std::string file = dir_.File("resampled.txt");
  for (int i = 0; i < 10; ++i) history.Points.Add(test::State(i, 0, {{0, 0, 0}, {0, 0, 0}}));
  world_.stored = 10;
  const struct {
    std::int32_t step;
    std::vector<std::uint32_t> kept;
  } cases[] = {{1, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}}, {4, {0, 4, 8, 9}}, {3, {0, 3, 6, 9}}};
  for (const auto& c : cases) {
    ASSERT_TRUE(history.Resample(file, c.step));
    std::string lines;
    for (std::uint32_t i : c.kept) lines += THistory::DataLine(history.Points.Items(i)) + "\r\n";
    EXPECT_EQ(test::ReadBytes(file), lines) << c.step;
  }
  EXPECT_FALSE(history.Resample(file, 0));
  EXPECT_EQ(Logged(), Strings{"[Error] Resampling needs a step of at least 1."});
}

TEST_F(HistoryTest, DeletesOnlyNumberedDirectoriesAndEmptyOnesWhenAsked) {
  MakeHistory("000", {{"data.txt", ""}, {"log.txt", "x"}});
  MakeHistory("001", {{"data.txt", std::string(120, 'x')}});  // a short run is still a run
  MakeHistory("002", {{"log.txt", "x"}, {".hidden", "x"}});   // no data file; a hidden file stays
  for (const char* name : {"000", "001"}) EXPECT_TRUE(THistory::DeleteDirectory(Folder(name), true));
  EXPECT_FALSE(DirectoryExists(Folder("000")));
  EXPECT_TRUE(FileExists(Folder("001") + "data.txt"));
  EXPECT_TRUE(THistory::DeleteDirectory(Folder("001"), false));
  EXPECT_FALSE(DirectoryExists(Folder("001")));
  EXPECT_TRUE(Logged().empty());
  EXPECT_FALSE(THistory::DeleteDirectory(Folder("002"), true));
  EXPECT_EQ(Logged(), Strings{"[Error] Could not delete directory" + Folder("002") + "."});
  EXPECT_EQ(ListDirectory(Folder("002"), false), Strings{".hidden"});
  // Only a numbered directory is deleted.
  test::WriteBytes(dir_.File("model.wld"), "x");
  EXPECT_FALSE(THistory::DeleteDirectory(dir_.Path(), false));
  EXPECT_FALSE(THistory::DeleteDirectory("", false));
  EXPECT_TRUE(FileExists(dir_.File("model.wld")));
  EXPECT_EQ(Logged().size(), 3u);
}

// The first failed write of any of the three files is the history's write failure: one line naming the
// file and the system's reason, and no record after it, so the files keep whole records up to it. The
// next run's opening of the files forgets it, and once the file can be written the records go on from
// the last one kept, without a gap. /dev/full in the file's place fails every write with ENOSPC, as a
// full disk does, also for root. A second failure (log.txt failing as well, as the first failure's line
// goes to it) neither replaces that line nor is logged again.
TEST_F(HistoryTest, AFailedWriteOfAnyFileIsOneLineAndNothingIsRecordedAfterIt) {
  const struct {
    std::string file;
    bool log_too;
  } cases[] = {{"data.txt", false},
               {"watches.txt", false},
               {"log.txt", false},
               {"data.txt", true},
               {"watches.txt", true}};
  for (const auto& [file, log_too] : cases) {
    SCOPED_TRACE(file + (log_too ? " and log.txt" : ""));
    fs::remove_all(Folder("000"));
    log_.Clear();
    TContactWatches watches;
    SetWatches(watches, {{0, 0, 0}});
    THistory history(world_);
    history.ConnectLog(log_);
    ASSERT_TRUE(history.CreateNew() && history.Restart(false) && history.OpenFiles());
    ASSERT_TRUE(history.WriteStep(test::State(0, 0, {{1, 0, 0}, {2, 0, 0}})));
    ASSERT_TRUE(history.CloseFiles());
    const std::string path = history.Directory + file;
    const std::string saved = test::ReadBytes(path);
    const std::string data = test::ReadBytes(history.DataFileName);
    const std::string watched = test::ReadBytes(history.WatchesFileName);
    const std::string log = test::ReadBytes(history.LogFileName);
    for (const std::string& failing : {path, log_too ? history.LogFileName : path}) {
      fs::remove(failing);
      fs::create_symlink("/dev/full", failing);
    }
    ASSERT_TRUE(history.OpenFiles());
    const std::string line = "[Error] Could not write history file " + path + ": No space left on device.";
    if (file == "log.txt") {
      LogLine("[Alert] a line of the run");
      // The line failed while the log held its lock: it is logged when the run loop asks.
      EXPECT_EQ(Logged(), Strings{"[Alert] a line of the run"});
      EXPECT_TRUE(history.ReportWriteFailure());
      EXPECT_EQ(Logged(), (Strings{"[Alert] a line of the run", line}));
    } else {
      EXPECT_FALSE(history.WriteStep(test::State(1, 0, {{1, 0, 0}, {2, 0, 0}})));
      EXPECT_EQ(Logged(), Strings{line});
    }
    EXPECT_TRUE(history.ReportWriteFailure());
    EXPECT_TRUE(history.WriteFailed());
    EXPECT_EQ(history.WriteFailure(), line);
    // Nothing after the failure, in memory or in the files, and no second line.
    EXPECT_FALSE(history.WriteStep(test::State(2, 0, {{1, 0, 0}, {2, 0, 0}})));
    EXPECT_EQ(history.Points.Count(), 1u);
    EXPECT_EQ(Logged().size(), file == "log.txt" ? 2u : 1u);
    if (file != "data.txt") {
      EXPECT_EQ(test::ReadBytes(history.DataFileName), data);
    }
    if (file != "watches.txt") {
      EXPECT_EQ(test::ReadBytes(history.WatchesFileName), watched);
    }

    // The space is back: the next run records on, and log.txt catches up with the log.
    ASSERT_TRUE(history.CloseFiles());
    fs::remove(path);
    test::WriteBytes(path, saved);
    if (log_too) fs::remove(history.LogFileName), test::WriteBytes(history.LogFileName, log);
    ASSERT_TRUE(history.OpenFiles());
    EXPECT_FALSE(history.ReportWriteFailure());
    EXPECT_EQ(history.WriteFailure(), "");
    ASSERT_TRUE(history.WriteStep(test::State(1, 0, {{1, 0, 0}, {2, 0, 0}})));
    EXPECT_EQ(test::ReadBytes(history.DataFileName),
              data + THistory::DataLine(*test::State(1, 0, {{1, 0, 0}, {2, 0, 0}})) + "\r\n");
    EXPECT_EQ(test::ReadBytes(history.WatchesFileName), watched + FloatToSci23(1) + " 0 0 0 \r\n");
    if (log_too) EXPECT_TRUE(test::ReadBytes(history.LogFileName).ends_with("\r\n" + line + "\r\n"));
    if (file == "log.txt") {
      EXPECT_TRUE(test::ReadBytes(history.LogFileName)
                      .ends_with("\r\n[Alert] a line of the run\r\n" + line + "\r\n"));
    }
  }
}

// A log.txt that cannot be brought up to its log at the start of a run fails the opening as a write
// does; a log line kept back by a failure reaches log.txt with the next run that can write it.
TEST_F(HistoryTest, ALogThatCannotCatchUpFailsTheOpeningOfTheNextRun) {
  THistory history(world_);
  history.ConnectLog(log_);
  ASSERT_TRUE(history.CreateNew() && history.Restart(false));
  fs::remove(history.LogFileName);
  fs::create_symlink("/dev/full", history.LogFileName);
  LogLine("[Alert] kept back");
  ASSERT_TRUE(history.WriteFailed());
  // log.txt is rewritten through log.txt.new: a directory of that name fails the rewrite.
  fs::create_directory(history.LogFileName + ".new");
  EXPECT_FALSE(history.OpenFiles());
  EXPECT_FALSE(history.FilesOpen);
  const std::string line =
      "[Error] Could not write history file " + history.LogFileName + ": Is a directory.";
  EXPECT_EQ(history.WriteFailure(), line);
  EXPECT_EQ(Logged(), (Strings{"[Alert] kept back", line}));
  fs::remove(history.LogFileName + ".new");
  ASSERT_TRUE(history.OpenFiles());
  EXPECT_TRUE(test::ReadBytes(history.LogFileName).ends_with("\r\n[Alert] kept back\r\n" + line + "\r\n"));
  EXPECT_FALSE(fs::is_symlink(history.LogFileName));
}

// Without root, a data file that cannot be written fails the opening of the files with the system's
// reason. Root writes such a file all the same, so the test is skipped then: the faults above and the
// file-size limit below cover the failures for root.
TEST_F(HistoryTest, AReadOnlyDataFileFailsTheRunAtItsStart) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes a read-only file anyway";
  THistory history(world_);
  ASSERT_TRUE(history.CreateNew() && history.Restart(false));
  fs::permissions(history.DataFileName,
                  fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  EXPECT_FALSE(history.OpenFiles());
  EXPECT_FALSE(history.FilesOpen);
  EXPECT_EQ(Logged().back(),
            "[Error] Could not write history file " + history.DataFileName + ": Permission denied.");
  EXPECT_FALSE(history.WriteStep(test::State(0, 0, {{1, 0, 0}, {2, 0, 0}})));
  EXPECT_EQ(Logged().size(), 1u);
}

// A continued history appends in each file's own line-end style; a new or empty file gets CR LF.
TEST_F(HistoryTest, RecordsAreAppendedInTheLineEndsOfTheirFile) {
  const std::string d0 = "0 0 1 2 3 4 5 6";
  const std::string d2 = "2 0 1 2 3 4 5 6";
  const struct {
    std::string data, watches;            // as found
    std::string data_kept, watches_kept;  // after the read back
    const char* data_end;
    const char* watches_end;
  } cases[] = {
      {d0 + "\n", "0 0 0 0 \n", d0 + "\n", "0 0 0 0 \n", "\n", "\n"},
      {d0 + "\r\n", "0 0 0 0 \r\n", d0 + "\r\n", "0 0 0 0 \r\n", "\r\n", "\r\n"},
      {"", "", "", "", "\r\n", "\r\n"},
      {d0 + "\n", "0 0 0 0 \r\n", d0 + "\n", "0 0 0 0 \r\n", "\n", "\r\n"},
      // A torn last line goes; the style is that of the whole lines.
      {d0 + "\n" + d2 + "\n3 0", "0 0 0 0 \n", d0 + "\n" + d2 + "\n", "0 0 0 0 \n", "\n", "\n"},
      // A watches record between two data records is dropped and the file written anew, in its style.
      {d0 + "\n" + d2 + "\n", "0 0 0 0 \n1 0 0 0 \n2 0 0 0 \n", d0 + "\n" + d2 + "\n", "0 0 0 0 \n2 0 0 0 \n",
       "\n", "\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.data + "|" + c.watches);
    fs::remove_all(Folder("000"));
    // log.txt keeps the line ends of watches.txt here.
    const std::string log_end =
        c.watches.find("\r") == std::string::npos && !c.watches.empty() ? "\n" : "\r\n";
    MakeHistory("000", {{"data.txt", c.data}, {"watches.txt", c.watches}, {"log.txt", "h" + log_end}});
    TContactWatches watches;
    SetWatches(watches, {{0, 0, 0}});
    THistory history(world_);
    std::string name = "000";
    ASSERT_TRUE(history.SelectDirectory(name) && history.Restart(true) && history.OpenFiles());
    world_.stored = history.Points.Count();
    auto state = test::State(5, 0, {{1, 0, 0}, {2, 0, 0}});
    const std::string line = THistory::DataLine(*state);
    ASSERT_TRUE(history.WriteStep(std::move(state)));
    history.CloseFiles();
    EXPECT_EQ(test::ReadBytes(Folder("000") + "data.txt"), c.data_kept + line + c.data_end);
    const std::string watched = c.watches_kept + FloatToSci23(5) + " 0 0 0 " + c.watches_end;
    EXPECT_EQ(test::ReadBytes(Folder("000") + "watches.txt"), watched);
    // A record whose data line fails takes back exactly its watches line.
    fs::remove(history.DataFileName);
    fs::create_symlink("/dev/full", history.DataFileName);
    ASSERT_TRUE(history.OpenFiles());
    EXPECT_FALSE(history.WriteStep(test::State(6, 0, {{1, 0, 0}, {2, 0, 0}})));
    EXPECT_EQ(test::ReadBytes(history.WatchesFileName), watched);
    history.AddLogLine("a line");
    std::string log;
    for (const std::string& logged : history.Log()) log += logged + log_end;
    EXPECT_EQ(test::ReadBytes(history.LogFileName), log);
  }
}

// The times of a recorded file's records, every line whole: ended by CR LF, holding `fields` numbers or
// none (a history started from another begins with empty lines).
// The times of a history file's records, each line holding `fields` numbers. A file of a run killed while
// it wrote (`killed`) may end in a torn line: the kernel can stop a write between two pages on SIGKILL, so
// no writer can rule that out. That line is no record, and a continued run cuts it (tested below).
Reals Times(const std::string& file, std::size_t fields, bool killed = false) {
  std::string text = test::ReadBytes(file);
  if (killed) {
    const std::size_t end = text.rfind("\r\n");
    text.resize(end == std::string::npos ? 0 : end + 2);
  }
  EXPECT_TRUE(text.empty() || text.ends_with("\r\n")) << file;
  Strings lines;
  for (std::size_t from = 0; from < text.size();) {
    const std::size_t end = text.find("\r\n", from);
    lines.push_back(text.substr(from, end - from));
    from = end + 2;
  }
  Reals times;
  for (const std::string& line : lines) {
    Reals values;
    EXPECT_TRUE(line.empty() || (ParseFloats(line, values) && values.size() == fields)) << line;
    if (!values.empty()) times.push_back(values[0]);
  }
  return times;
}

// The pendulum recording every step of 1 ms, with one watch, up to a break time never reached.
const char* const kEndlessPendulum =
    "[Main]\nnumberOfGeneralizedCoodinates=1\nmaximumTimestep=1e-3\nminimumTimestep=1e-9\n"
    "writeToHistoryMultipleOfMaximumTimestep=1\nbreakTime=1e6\n[Bodies]\nBody1=bar.bdy\n";

using HistoryKillTest = test::ModelTest;

// zentrova-run killed with SIGKILL at random moments while it records a model with a watch.
TEST_F(HistoryKillTest, KilledRunLeavesWholeRecordsAndAHistoryThatContinues) {
  CopyModel("pendulum");  // one coordinate (5 numbers a record) and one watch (4), a record every step
  WriteModelFile("pendulum.wld", kEndlessPendulum);
  std::mt19937 random(std::random_device{}());
  for (int trial = 0; trial < 20; ++trial) {
    std::string name = IntToStr3(2 * trial);  // the next one each trial starts from it
    const std::string folder = dir_.Path() + name + "/";
    const pid_t child = fork();
    if (child == 0) {
      execl(ZENTROVA_BIN_DIR "/zentrova-run", "zentrova-run", dir_.File("pendulum.wld").c_str(), nullptr);
      _exit(127);
    }
    // Killed at any moment of its first tenth of a second of recording.
    // A sanitized start on a loaded machine can take seconds: wait by the clock, not by a count.
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (FileSize(folder + "data.txt") <= 0 && std::chrono::steady_clock::now() < give_up) usleep(200);
    usleep(random() % 100000);
    kill(child, SIGKILL);
    int status = 0;
    ASSERT_TRUE(waitpid(child, &status, 0) == child && WIFSIGNALED(status)) << "the run was not killed";
    // The watches line of a record goes first: the kill may have come before its data line.
    const auto data = Times(folder + "data.txt", 5, true), watched = Times(folder + "watches.txt", 4, true);
    ASSERT_FALSE(data.empty());
    EXPECT_TRUE(watched.size() - data.size() <= 1 && std::equal(data.begin(), data.end(), watched.begin()));
    EXPECT_EQ(FileLines(name + "/log.txt").at(0), "time mechanicalEnergy b`Bar`Rz b`Bar`Rz' b`Bar`Rz'' ");

    // A new history starts from the last records both files hold; the killed one is left as it is.
    const std::string watches_text = test::ReadBytes(folder + "watches.txt");
    std::string next;
    ASSERT_TRUE(Load("pendulum.wld", next, name)) << Lines().back();
    main_.reset();
    EXPECT_EQ(Times(dir_.Path() + next + "/watches.txt", 4), Times(dir_.Path() + next + "/data.txt", 5));
    EXPECT_EQ(test::ReadBytes(folder + "watches.txt"), watches_text);

    // The history continues: read back whole, it goes on recording with both files in step.
    ASSERT_TRUE(Load("pendulum.wld", name)) << Lines().back();
    TRunLoop(*main_).Run(data.back() + 0.01L);
    main_.reset();
    const auto continued = Times(folder + "data.txt", 5);
    EXPECT_EQ(Times(folder + "watches.txt", 4), continued);
    EXPECT_GE(continued.size(), data.size() + 5);  // about ten steps of 1 ms
    EXPECT_EQ(std::adjacent_find(continued.begin(), continued.end(), std::greater_equal<>()),
              continued.end());
  }
}

// --- Runs side by side, and kills -------------------------------------------------------------------------

// zentrova-run as its own process, its output and errors in files.
class RunProcess {
 public:
  // With a `file_size_limit` (bytes), the run's files cannot grow past it, as on a full disk: a write
  // beyond the limit fails with EFBIG. SIGXFSZ keeps its default, which kills: zentrova-run must ignore it
  // itself, whatever its caller does (a shell's ulimit -f leaves the signal as it is).
  RunProcess(const std::vector<std::string>& arguments, const std::string& out, const std::string& err,
             rlim_t file_size_limit = RLIM_INFINITY)
      : out_(out), err_(err) {
    std::vector<std::string> words{"zentrova-run"};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    // Everything the child needs is made before the fork: it only opens, duplicates and executes.
    const std::string program = std::string(ZENTROVA_BIN_DIR) + "/zentrova-run";
    pid_ = fork();
    if (pid_ == 0) {
      const int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (o < 0 || e < 0 || dup2(o, 1) < 0 || dup2(e, 2) < 0) _exit(126);
      if (file_size_limit != RLIM_INFINITY) {
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = file_size_limit;
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0 || signal(SIGXFSZ, SIG_DFL) == SIG_ERR) _exit(126);
      }
      execv(program.c_str(), argv.data());
      _exit(127);
    }
  }
  RunProcess(const RunProcess&) = delete;
  RunProcess& operator=(const RunProcess&) = delete;
  ~RunProcess() {
    if (pid_ > 0 && status_ == kRunning) Kill();
  }
  // The exit status, or -1 after a signal. A run still going after two minutes is killed: one that
  // records for ever where it should have been refused fails the test instead of filling the disk.
  int Wait() {
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (status_ == kRunning) {
      int status = 0;
      const pid_t ended = waitpid(pid_, &status, WNOHANG);
      if (ended == pid_) {
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      } else if (ended < 0) {
        status_ = -1;
      } else if (std::chrono::steady_clock::now() > give_up) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
        status_ = -1;
      } else {
        usleep(1000);
      }
    }
    return status_;
  }
  void Kill() {
    if (status_ == kRunning) kill(pid_, SIGKILL);
    Wait();
  }
  std::string Err() const { return test::ReadBytes(err_); }
  std::string Out() const { return test::ReadBytes(out_); }

 private:
  static constexpr int kRunning = -2;
  std::string out_;
  std::string err_;
  pid_t pid_ = -1;
  int status_ = kRunning;
};

// Waits by the clock (a sanitized start on a loaded machine can take seconds) until `done` holds.
bool WaitFor(const std::function<bool()>& done, int seconds = 60) {
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > give_up) return false;
    usleep(100);
  }
  return true;
}

// Every record of a history whole and later than the one before, and data.txt and watches.txt holding
// the same times (watches.txt one ahead when the run was killed between its two writes).
void ExpectWholeRecordsInTimeOrder(const std::string& folder, bool killed, const std::string& trace) {
  const Reals data = Times(folder + "data.txt", 5, killed),
              watched = Times(folder + "watches.txt", 4, killed);
  EXPECT_EQ(std::adjacent_find(data.begin(), data.end(), std::greater_equal<>()), data.end()) << trace;
  if (killed) {
    EXPECT_TRUE(watched.size() - data.size() <= 1 && std::equal(data.begin(), data.end(), watched.begin()))
        << trace;
  } else {
    EXPECT_EQ(watched, data) << trace;
  }
}

using HistoryProcessTest = test::ModelTest;

// The falling ball recording every step of 1 ms up to a break time never reached.
const char* const kEndlessFall =
    "[Main]\nnumberOfGeneralizedCoodinates=1\nmaximumTimestep=1e-3\nminimumTimestep=1e-9\n"
    "writeToHistoryEachTimeStep=1\nbreakTime=1e6\n[Bodies]\nBody1=ball.bdy\n";

// zentrova-run under a file-size limit (ulimit -f), which fails a write as a full disk does: the first record
// that does not fit ends the run with exit status 3 and one line on stderr naming the file and the reason.
// data.txt (and watches.txt, in step with it) keep whole records up to there; without the limit the history
// continues from its last record, without a gap.
TEST_F(HistoryKillTest, AFileSizeLimitEndsTheRunAndTheHistoryContinuesWithoutAGap) {
  constexpr rlim_t kLimit = 20000;  // bytes: about 160 records of 122
  const struct {
    const char* model;
    const char* world;
  } cases[] = {{"fall", kEndlessFall}, {"pendulum", kEndlessPendulum}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.model);
    CopyModel(c.model);
    const std::string world = std::string(c.model) + ".wld";
    WriteModelFile(world, c.world);
    const std::string folder = dir_.Path() + "000/";
    const std::string world_path = dir_.File(world);
    RunProcess run({world_path}, dir_.File("out.txt"), dir_.File("err.txt"), kLimit);
    EXPECT_EQ(run.Wait(), 3) << run.Err();
    // One error line, the last on stderr.
    const std::string line = "[Error] Could not write history file " + folder + "data.txt: File too large.\n";
    const std::string err = run.Err();
    EXPECT_TRUE(err.ends_with(line)) << err;
    EXPECT_EQ(err.find("[Error]"), err.size() - line.size());
    const Reals data = Times(folder + "data.txt", 5);
    EXPECT_LE(FileSize(folder + "data.txt"), static_cast<std::int64_t>(kLimit));
    EXPECT_GT(FileSize(folder + "data.txt"), static_cast<std::int64_t>(kLimit) - 122);
    ASSERT_GT(data.size(), 100u);
    if (c.world == kEndlessPendulum) {
      EXPECT_EQ(Times(folder + "watches.txt", 4), data);
    }
    // The log holds the line too.
    EXPECT_NE(test::ReadBytes(folder + "log.txt").find(line.substr(0, line.size() - 1) + "\r\n"),
              std::string::npos);

    const test::ToolResult more = test::RunZentrovaRun(
        world_path + " --history 000 --until " + FloatToText(data.back() + 0.01L), dir_.File("err.txt"));
    EXPECT_EQ(more.status, 0) << more.err;
    const Reals continued = Times(folder + "data.txt", 5);
    ASSERT_EQ(continued.size(), data.size() + 10);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), continued.begin()));
    for (std::size_t i = 1; i < continued.size(); ++i) {
      EXPECT_NEAR(continued[i] - continued[i - 1], 1e-3L, 1e-9L) << i;
    }
    if (c.world == kEndlessPendulum) {
      EXPECT_EQ(Times(folder + "watches.txt", 4), continued);
    }
    fs::remove_all(folder);
  }
}

// What a file-size limit fails besides the records of a run, each named with the reason: the model's copy
// into a new history (the load fails; no line blames the world file, which is fine), the first record of
// a new history (its directory, holding nothing, goes, and no history is printed), and the start and end
// times log.txt takes after an otherwise good run (the limit one byte below the log that holds them).
TEST_F(HistoryKillTest, AFileSizeLimitNamesWhatItFailed) {
  CopyModel("fall");
  CopyModel("box");
  const std::string folder = dir_.Path() + "000/", fall = dir_.File("fall.wld");
  const struct {
    std::function<rlim_t()> prepare;  // gives the limit
    std::vector<std::string> arguments;
    int status;
    std::string error;    // stderr's last lines, its only errors
    std::string history;  // stdout's first line
  } cases[] = {{[] { return 250; },
                {dir_.File("box.wld"), "--until", "0"},
                3,
                "[Error] Could not write history file " + folder + "data.txt: File too large.\n",
                "history: \n"},
               {[&] {
                  EXPECT_EQ(test::RunZentrovaRun(fall + " --until 0.1", dir_.File("err.txt")).status, 0);
                  return FileSize(folder + "log.txt") - 1;
                },
                {fall, "--history", "000", "--until", "0.1"},
                3,
                "[Error] Could not write history file " + folder + "log.txt: File too large.\n",
                "history: " + dir_.File("000") + "\n"},
               {[&] {
                  fs::remove_all(folder);
                  WriteModelFile("fall.hv", test::ReadBytes(dir_.File("fall.hv")) + std::string(5000, '\n'));
                  return 4096;
                },
                {fall},
                2,
                "[Error] Copying file " + dir_.File("fall.hv") + " to " + folder +
                    " failed: File too large.\n[Error] could not copy model files to result folder.\n",
                ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.error);
    const rlim_t limit = c.prepare();
    RunProcess run(c.arguments, dir_.File("out.txt"), dir_.File("err.txt"), limit);
    EXPECT_EQ(run.Wait(), c.status);
    const std::string err = run.Err(), out = run.Out();
    EXPECT_TRUE(err.ends_with(c.error)) << err;
    EXPECT_EQ(err.find("[Error]"), err.size() - c.error.size()) << err;
    EXPECT_EQ(out.substr(0, out.find('\n') + 1), c.history);
    EXPECT_EQ(DirectoryExists(folder), !c.history.empty() && c.history != "history: \n");
  }
}

// A run that records into a history holds it: a second run on it, started while the first records or at
// the same moment, is refused and writes nothing to it; a kill of the holder frees the history.
TEST_F(HistoryProcessTest, TwoRunsOnOneHistoryNeverRecordIntoItTogether) {
  CopyModel("pendulum");
  WriteModelFile("pendulum.wld", kEndlessPendulum);
  const std::string world = dir_.File("pendulum.wld"), folder = dir_.Path() + "000/";
  const std::string refusal = "[Error] Another run records into history directory " + folder + ".\n";
  ASSERT_EQ(RunProcess({world, "--until", "0.05"}, dir_.File("out0"), dir_.File("err0")).Wait(), 0);

  // The second run comes while the first records.
  const std::int64_t size = FileSize(folder + "data.txt");
  RunProcess first({world, "--history", "000"}, dir_.File("out1"), dir_.File("err1"));
  ASSERT_TRUE(WaitFor([&] { return FileSize(folder + "data.txt") > size; }));
  RunProcess second({world, "--history", "000"}, dir_.File("out2"), dir_.File("err2"));
  EXPECT_EQ(second.Wait(), 2);
  EXPECT_EQ(second.Err(), refusal);
  EXPECT_EQ(second.Out(), "");
  // Killed with SIGKILL, the holder frees the history; its records are whole and in time order.
  first.Kill();
  ExpectWholeRecordsInTimeOrder(folder, true, "after the kill");
  EXPECT_EQ(test::ReadBytes(folder + "log.txt").find("Another run"), std::string::npos);

  // Pairs started at the same moment: the one that comes second is refused, unless the first had ended.
  int refused = 0;
  for (int pair = 0; pair < 5; ++pair) {
    const std::string until = FloatToText(Times(folder + "data.txt", 5, true).back() + 0.2L);
    const std::string n = std::to_string(pair);
    RunProcess a({world, "--history", "000", "--until", until}, dir_.File("outa" + n), dir_.File("erra" + n));
    RunProcess b({world, "--history", "000", "--until", until}, dir_.File("outb" + n), dir_.File("errb" + n));
    const int sa = a.Wait(), sb = b.Wait();
    EXPECT_TRUE(sa == 0 || (sa == 2 && a.Err() == refusal)) << sa << a.Err();
    EXPECT_TRUE(sb == 0 || (sb == 2 && b.Err() == refusal)) << sb << b.Err();
    EXPECT_TRUE(sa == 0 || sb == 0);
    refused += (sa == 2) + (sb == 2);
    ExpectWholeRecordsInTimeOrder(folder, false, "pair " + n);
    EXPECT_EQ(Times(folder + "data.txt", 5).back(), std::stold(until)) << "pair " << n;
  }
  std::printf("[   INFO   ] %d of 5 pairs started together on one history had one run refused\n", refused);
}

// Runs started together on one model each take a history of their own.
TEST_F(HistoryProcessTest, RunsStartedTogetherOnOneModelTakeHistoriesOfTheirOwn) {
  CopyModel("pendulum");
  WriteModelFile("pendulum.wld", kEndlessPendulum);
  const std::string world = dir_.File("pendulum.wld");
  constexpr int kPairs = 10;
  std::set<std::string> histories;
  for (int pair = 0; pair < kPairs; ++pair) {
    const std::string n = std::to_string(pair);
    RunProcess a({world, "--until", "0.02"}, dir_.File("outa" + n), dir_.File("erra" + n));
    RunProcess b({world, "--until", "0.02"}, dir_.File("outb" + n), dir_.File("errb" + n));
    for (RunProcess* run : {&a, &b}) {
      ASSERT_EQ(run->Wait(), 0) << run->Err();
      const std::string out = run->Out();
      ASSERT_EQ(out.rfind("history: ", 0), 0u) << out;
      histories.insert(out.substr(9, out.find('\n') - 9));
    }
  }
  EXPECT_EQ(histories.size(), 2u * kPairs);
  for (const std::string& history : histories) {
    ExpectWholeRecordsInTimeOrder(history + "/", false, history);
    EXPECT_EQ(Times(history + "/data.txt", 5).size(), 21u) << history;
  }
}

// zentrova-run killed with SIGKILL at many moments of its first 50 ms, just after its history directory
// appeared (while the model is copied) and after its copy was whole: every continuation either runs the
// whole model (the box lands on the floor as in a run never killed) or is refused for the incomplete copy.
TEST_F(HistoryProcessTest, KillsWhileTheModelIsCopiedLeaveHistoriesThatRunWholeOrAreRefused) {
  CopyModel("box");
  // With watches and contact pairs: a copy of 0 bytes of either file would still load.
  WriteModelFile("box.wtc", "[Box]\ncontactwatch=all\n");
  constexpr long double kUntil = 0.3L;
  ASSERT_TRUE(Load("box.wld"));
  TRunLoop(*main_).Run(kUntil);
  const long double y = Q(1), energy = World().State.MechanicalEnergy;
  const std::size_t watches = World().Model().Watches.Names.size();
  main_.reset();
  ASSERT_GT(y, 0);  // on the floor, not through it
  ASSERT_EQ(watches, 4u);

  constexpr int kKillsFromTheStart = 25, kKillsWhileCopying = 20, kKills = 50;
  int none = 0, refused = 0, whole = 0;
  for (int kill_at = 0; kill_at < kKills; ++kill_at) {
    const int number = 1 + whole + refused;  // 000 is the reference run's
    const std::string name = IntToStr3(number), folder = dir_.Path() + name + "/";
    {
      RunProcess run({dir_.File("box.wld")}, dir_.File("out"), dir_.File("err"));
      if (kill_at < kKillsFromTheStart) {
        usleep(2000 * kill_at);  // 0, 2, ... 48 ms after the start
      } else if (kill_at < kKillsFromTheStart + kKillsWhileCopying) {
        // 0 to 1.2 ms after the directory was made: the copy of the model takes about a millisecond.
        ASSERT_TRUE(WaitFor([&] { return DirectoryExists(folder); }));
        usleep(60 * (kill_at - kKillsFromTheStart));
      } else {
        // Once the copy is whole, at any moment of the run.
        ASSERT_TRUE(WaitFor([&] {
          return FileExists(folder + "box.cop") && !FileExists(folder + kModelCopyIncompleteFile);
        }));
        usleep(2000 * (kill_at - kKillsFromTheStart - kKillsWhileCopying));
      }
      run.Kill();
    }
    if (!DirectoryExists(folder)) {
      ++none;
      continue;
    }
    const std::string trace = "kill " + std::to_string(kill_at);
    std::string history = name;
    test::RecordingMessages messages;
    if (!Load("box.wld", history)) {
      ++refused;
      const std::string line = "[Error] The model copy in history directory " + folder +
                               " is incomplete; the history cannot be continued.";
      EXPECT_EQ(Lines().back(), line) << trace;
      EXPECT_EQ(messages.texts, Strings{line}) << trace;
      main_.reset();
      continue;
    }
    ++whole;
    EXPECT_EQ(World().Model().Watches.Names.size(), watches) << trace;
    TRunLoop(*main_).Run(kUntil);
    // A continuation resumes from a recorded state with the largest step, so the impact falls on other
    // steps than in the run never killed: a fraction of a millimetre apart, where a model without its
    // contact pairs is 0.25 m lower, through the floor, with all its energy.
    EXPECT_NEAR(Q(1), y, 0.01L) << trace;
    EXPECT_NEAR(World().State.MechanicalEnergy, energy, 0.05L) << trace;
    main_.reset();
  }
  EXPECT_EQ(none + refused + whole, kKills);
  EXPECT_GT(refused, 0);
  EXPECT_GT(whole, 0);
  std::printf(
      "[   INFO   ] %d kills: %d before the history directory, %d refused as incomplete copies, "
      "%d continued whole\n",
      kKills, none, refused, whole);
}

}  // namespace
}  // namespace zentrova
