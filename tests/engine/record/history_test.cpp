#include "engine/record/history.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <limits>
#include <numbers>
#include <random>
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

TEST_F(HistoryTest, DirectoriesAndFilesThatCannotBeMadeOrFound) {
  world_.base = dir_.Path() + "missing/";
  THistory missing(world_);
  std::string name;
  EXPECT_FALSE(missing.SelectDirectory(name));
  EXPECT_FALSE(missing.OpenFiles());
  EXPECT_EQ(Logged(), (Strings{"[Error] Could not create history directory " + dir_.Path() + "missing/000/.",
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
       {"watches.txt", "0 1 2 3 0.5 0 0 0 0\r\n1 2 4 6 0.75 0 0 0 -0.25\r\n"},
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
  EXPECT_EQ(watches.LastTime, 1);
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
// continued run appends to them); the alerts stay in the log that the history's own log replaced.
TEST_F(HistoryTest, ReadBackDropsIncompleteAndUnmatchedRecords) {
  const std::string d = "0 0 1 2 3 4 5 6\r\n", w = "0 1 2 3\r\n", df = Folder("000") + "data.txt";
  const std::string wf = Folder("000") + "watches.txt";
  const std::string torn = "[Alert] Dropped the incomplete last line of history file ";
  auto dropped = [](const char* records, const std::string& file, const std::string& other) {
    return "[Alert] Dropped " + std::string(records) + " at the end of history file " + file + " that " +
           other + " does not hold.";
  };
  const struct {
    std::string data, watches;
    bool watched;
    Strings alerts;
    std::string after;  // data.txt|watches.txt
  } cases[] = {
      {d + d + "2 0 1", w + w, true, {torn + df + "."}, d + d + "|" + w + w},
      {d, w + w + "2 1\r", true, {torn + wf + ".", dropped("1 record", wf, df)}, d + "|" + w},
      {"\r\n" + d + d + d, "\r\n" + w, true, {dropped("2 records", df, wf)}, "\r\n" + d + "|\r\n" + w},
      {d + d, "2 1", false, {}, d + d + "|2 1"},  // a model without watches does not read them
      // A line of blanks among the records is no record: both files hold two.
      {d + "  \t \r\n" + d, w + w, true, {}, d + "  \t \r\n" + d + "|" + w + w},
  };
  TContactWatches watches;
  SetWatches(watches, {{0, 0, 0}});
  for (const auto& c : cases) {
    MakeHistory("000",
                {{"data.txt", c.data}, {"watches.txt", c.watches}, {"log.txt", "h\r\n\r\n\r\n\r\nh\r\n"}});
    world_.watches = c.watched ? &watches : nullptr;
    THistory history(world_);
    history.ConnectLog(log_);
    history.ShortName = "000";
    ASSERT_TRUE(history.OpenExisting() && history.Restart(true));
    EXPECT_EQ(Logged(), c.alerts);
    EXPECT_EQ(test::ReadBytes(df) + "|" + test::ReadBytes(wf), c.after);
  }
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
  EXPECT_EQ(Logged().back(), "[Error] Could not write history file " + history.DataFileName + ".");
}

TEST_F(HistoryTest, UnreadableDataFilesFailTheLoad) {
  const struct {
    const char* data;  // nullptr: no data file
    const char* error;
    std::uint32_t kept;  // the states before the refused line stay
  } cases[] = {
      {nullptr, "Could not read history file $data.txt.", 0},
      {"0 0 1 2 3 4 5 6\r\n0 0 1 2 x 4 5 6\r\n", "Check history file $data.txt (line 2).", 1},
      {"0 0 1 2 3 4 5\r\n", "Check history file $data.txt (line 1).", 0},
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
    EXPECT_EQ(Logged(), Strings{error.replace(error.find('$'), 1, Folder("001"))});
    EXPECT_EQ(history.Points.Count(), c.kept);
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

using HistoryKillTest = test::ModelTest;

// zentrova-run killed with SIGKILL at random moments while it records a model with a watch.
TEST_F(HistoryKillTest, KilledRunLeavesWholeRecordsAndAHistoryThatContinues) {
  CopyModel("pendulum");  // one coordinate (5 numbers a record) and one watch (4), a record every step
  WriteModelFile("pendulum.wld",
                 "[Main]\nnumberOfGeneralizedCoodinates=1\nmaximumTimestep=1e-3\nminimumTimestep=1e-9\n"
                 "writeToHistoryMultipleOfMaximumTimestep=1\nbreakTime=1e6\n[Bodies]\nBody1=bar.bdy\n");
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

}  // namespace
}  // namespace zentrova
