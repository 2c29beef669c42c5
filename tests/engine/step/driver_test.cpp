#include "engine/step/driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "driver_test_support.h"
#include "engine/contact/contact_points.h"
#include "engine/step/run_loop.h"
#include "engine/world/model.h"
#include "numerics/numerics_error.h"
#include "platform/paths.h"
#include "platform/text_file.h"

namespace zentrova {
namespace {

using Strings = std::vector<std::string>;
using Reals = std::vector<long double>;
using DriverTest = test::ModelTest;

// A box 2 cm inside the floor.
constexpr const char* kOverlappingBox =
    "[Main]\nname=Box\nshapeType=extrusionsolid\nshapeFile=box.exs\ndensity=1000\nthickness=0.05\n"
    "[startPosition]\ny=0.03\n";

TEST_F(DriverTest, ReplayingStoredStatesNeverComputesAndTheLastResetsTheStep) {
  CopyModel("fall");
  std::string history;
  ASSERT_TRUE(Load("fall.wld", history));
  ASSERT_TRUE(Steps(6));  // 5 recorded states
  main_.reset();
  ASSERT_TRUE(Load("fall.wld", history));
  TWorld& w = World();
  ASSERT_EQ(w.State.StoredStateCount, 5u);
  const long double h = w.Settings.MaximumTimestep;
  w.State.TimeStep = h / 4;  // as a halved step would have left it
  for (std::uint32_t k = 1; k < 5; ++k) {
    ASSERT_TRUE(main_->Step());
    EXPECT_EQ(w.State.CurrentState, k);
    EXPECT_EQ(w.State.Time, w.Model().History.Points.Items(k).Time);
    EXPECT_EQ(Q(0), w.Model().History.Points.Items(k).Coordinates.Q.At(0));
    EXPECT_EQ(w.State.TimeStep, k < 4 ? h / 4 : h) << k;
  }
  EXPECT_EQ(FileLines("000/data.txt").size(), 5u);
  ASSERT_TRUE(main_->Step());  // from the last one the computation goes on
  EXPECT_EQ(w.State.Time, w.Model().History.Points.Items(4).Time + h);
}

// Every attempt fails down to the minimum step at time 0. M = y - 10, singular at the start: twenty
// halvings, and the numerics error ends the run even with going back. A box 2 cm inside the floor: four
// halvings, then going back finds too few stored states and repeats until its limit, eleven failures.
TEST_F(DriverTest, FailuresAtTheMinimumStepEndTheRun) {
  struct Case {
    bool box, going_back;
    int steps;
    std::size_t failures;
  };
  for (const Case& c : {Case{false, false, 21, 1}, Case{false, true, 21, 1}, Case{true, true, 5, 11}}) {
    main_.reset();
    const std::string wld = c.box ? "box.wld" : "fall.wld", going_back = c.going_back ? "1" : "0";
    CopyModel(c.box ? "box" : "fall");
    WriteModelFile("fall.mmx", "b`Ball`y[t] - 10\n");
    WriteModelFile("box.bdy", kOverlappingBox);
    WriteModelFile(wld, "[Main]\nnumberOfGeneralizedCoodinates=" + std::string(c.box ? "3" : "1") +
                            "\nmaximumTimestep=1e-3\nminimumTimestep=" + (c.box ? "1e-4" : "1e-9") +
                            "\nmaximumPenetration=1e-3\nTryToSolveByGoingBack=" + going_back +
                            "\n[Bodies]\n" +
                            (c.box ? "Body1=box.bdy\nBody2=floor.bdy\n" : "Body1=ball.bdy\n"));
    ASSERT_TRUE(Load(wld));
    ClearNumericsError();
    test::FakeRunControl run;
    main_->SetRunControl(&run);
    int steps = 1;
    while (steps <= 100 && main_->Step()) ++steps;
    EXPECT_EQ(steps, c.steps) << wld << going_back;
    EXPECT_EQ(run.stops, 1);
    const Strings lines = Lines();
    const std::string failure = c.box ? "[Error] Minimum time step of 0.0001s reached at 0s."
                                      : "[Error] Minimum time step of 1E-9s reached at 0s.";
    EXPECT_EQ(static_cast<std::size_t>(std::count(lines.begin(), lines.end(), failure)), c.failures);
    EXPECT_EQ(lines.back(), "[Alert] Check bodies for possible overlapping.");
    EXPECT_EQ(NumericsErrorCode() != 0, !c.box);
    EXPECT_EQ(Logged("[Error] Error in mass matrix inversion (possibly singular). File fall.mmx."), !c.box);
    ClearNumericsError();
  }
}

TEST_F(DriverTest, HeadlessRunStopsAfterTheBreakTime) {
  CopyModel("fall");
  WriteModelFile("fall.wld",
                 "[Main]\nnumberOfGeneralizedCoodinates=1\nmaximumTimestep=0.01\nbreakTime=0.505\n"
                 "[Bodies]\nBody1=ball.bdy\n");
  ASSERT_TRUE(Load("fall.wld"));
  TRunLoop run(*main_);
  EXPECT_EQ(run.Run(), TRunStop::BreakTime);
  TWorld& w = World();
  EXPECT_NEAR(w.Model().BreakTime, 0.515L, 1e-17L);
  EXPECT_EQ(run.Steps, 52u);  // the first step that passes the break time ends the run
  EXPECT_EQ(Lines().back(), "[Alert] Break time of 0.515s reached.");
  // The count of stored states is lowered by one, as the simulation thread does.
  EXPECT_EQ(w.State.StoredStateCount, w.Model().History.Points.Count() - 1);
  EXPECT_FALSE(w.Model().History.FilesOpen);
}

// The box's point 1 on the floor's top edge (T = (-1, 0)) a quarter along, impulse (2, 0.5): weight 1 to
// the vertex, 0.75 to the edge's start, 0.25 to its end, whose x-y watch takes x = -0.5, y = -2.
TEST_F(DriverTest, ContactImpulsesReachTheWatchesOfTheVertexAndOfTheEdgeEnds) {
  CopyModel("box");
  WriteModelFile("box.wtc", "[Box]\ncontactwatch=all\n[Floor]\ncontactwatch=2,[3]\n");
  ASSERT_TRUE(Load("box.wld"));
  TWorld& w = World();
  ASSERT_EQ(w.Model().Watches.Names, (Strings{"Box#0", "Box#1", "Box#2", "Box#3", "Floor#2", "Floor#[3]"}));
  auto contact = std::make_unique<TContact>(w.Model().Bodies, 3);
  contact->Set(1, 2, 0, 1, 0, 0, -1, 0, 0.25L);
  contact->Impulse.Normal.Set(2);
  contact->Impulse.Tangent.Set(0.5L);
  main_->Collisions().Contacts = std::make_unique<TContactPoints>();
  main_->Collisions().Contacts->Add(std::move(contact));
  ASSERT_TRUE(main_->UpdateContactWatches(true));
  const TWatchesData& step = w.Model().Watches.StepData;
  EXPECT_EQ(test::Elements(step.NormalImpulse), (std::vector<long double>{0, 2, 0, 0, 1.5L, -0.125L}));
  EXPECT_EQ(test::Elements(step.TangentialImpulse), (std::vector<long double>{0, 0.5L, 0, 0, 0.375L, -0.5L}));
  // Without contacts the step's values are folded into the record and cleared.
  ASSERT_TRUE(main_->UpdateContactWatches(false));
  EXPECT_EQ(w.Model().Watches.Data.NormalImpulse.At(1), 2);
  EXPECT_EQ(w.Model().Watches.StepData.NormalImpulse.At(1), 0);
}

// zentrova-run: its output and exit status.
using ZentrovaRunTest = test::ModelTest;

// The state at the time asked for is recorded: a state is recorded once the step from it has computed
// its accelerations, so the run takes that one step more and ends in the recorded state.
TEST_F(ZentrovaRunTest, RunsUntilTheGivenTimeAndRecordsItsState) {
  CopyModel("fall");
  const test::ToolResult r = test::RunZentrovaRun(dir_.File("fall.wld") + " --until 0.5", dir_.File("err"));
  EXPECT_EQ(r.status, 0) << r.err;
  // y = 10 - g t^2 / 2, y' = -g t: E = m g 10 whatever t.
  EXPECT_EQ(r.out, (Strings{"history: " + dir_.File("000"), "steps: 501", "time: 0.5", "energy: 196.2"}));
  const Strings lines = FileLines("000/data.txt");
  ASSERT_EQ(lines.size(), 501u);  // every step's state, 0 to 0.5
  Reals last;
  ASSERT_TRUE(ParseFloats(lines.back(), last));
  EXPECT_NEAR(last[0], 0.5L, 1e-12L);
  EXPECT_NEAR(last[2], 10 - 9.81L * 0.125L, 1e-9L);  // y at 0.5 s
  EXPECT_NEAR(last[4], -9.81L, 1e-12L);              // y'', computed at 0.5 s
}

// Recording every 20 steps: a time on the recording grid ends the records there, a time off the grid is
// recorded as well, after the last state on the grid.
TEST_F(ZentrovaRunTest, UntilRecordsItsStateWhateverTheRecordingInterval) {
  CopyModel("fall");
  WriteModelFile("fall.wld",
                 "[Main]\nnumberOfGeneralizedCoodinates=1\nmaximumTimestep=1e-3\nminimumTimestep=1e-9\n"
                 "writeToHistoryMultipleOfMaximumTimestep=20\nbreakTime=10\n[Bodies]\nBody1=ball.bdy\n");
  const struct {
    const char* until;
    const char* history;
    std::size_t records;
    long double last_two[2];
  } cases[] = {{"1", "000", 51, {0.98L, 1}}, {"0.99", "001", 51, {0.98L, 0.99L}}, {"0", "002", 1, {0, 0}}};
  for (const auto& c : cases) {
    const test::ToolResult r =
        test::RunZentrovaRun(dir_.File("fall.wld") + " --until " + c.until, dir_.File("err"));
    EXPECT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.out.size(), 4u);
    EXPECT_EQ(r.out[2], std::string("time: ") + c.until);
    const Strings lines = FileLines(std::string(c.history) + "/data.txt");
    ASSERT_EQ(lines.size(), c.records) << c.until;
    for (std::size_t i = 0; i < 2 && i < lines.size(); ++i) {
      Reals values;
      ASSERT_TRUE(ParseFloats(lines[lines.size() - 1 - i], values));
      EXPECT_NEAR(values[0], c.last_two[1 - i], 1e-12L) << c.until;
    }
  }
}

// A time that cannot be reached, or not from 0, is refused before anything is loaded or recorded.
TEST_F(ZentrovaRunTest, UntilRefusesTimesThatCannotEnd) {
  CopyModel("fall");
  for (const std::string until : {"-1", "-0.001", "Nan", "+Inf", "-Inf", "1e5000", "x"}) {
    const test::ToolResult r = test::RunZentrovaRun(dir_.File("fall.wld") + " --until " + until, dir_.File("err"));
    EXPECT_EQ(r.status, 1) << until;
    EXPECT_TRUE(r.out.empty()) << until;
    EXPECT_FALSE(DirectoryExists(dir_.File("000"))) << until;
    if (until == "-1") {
      EXPECT_EQ(r.err, "zentrova-run: --until needs a finite time of 0 s or more, not -1\n");
    }
  }
  const test::ToolResult r = test::RunZentrovaRun(dir_.File("fall.wld") + " --until 0", dir_.File("err"));
  EXPECT_EQ(r.status, 0) << r.err;
}

// A history continued after its break time was lowered below its last record runs nothing, says so on
// stderr and exits 0 with the time and energy of its last record; one that ends exactly at its break time
// is not past it and takes the step that passes it. Its data stays as it was. Steps of 1/128 s add up
// to the times exactly.
TEST_F(ZentrovaRunTest, AHistoryPastItsBreakTimeRunsNothingAndSaysSo) {
  CopyModel("fall");
  WriteModelFile("fall.wld",
                 "[Main]\nnumberOfGeneralizedCoodinates=1\nmaximumTimestep=0.0078125\nminimumTimestep=1e-9\n"
                 "writeToHistoryEachTimeStep=1\nbreakTime=1\n[Bodies]\nBody1=ball.bdy\n");
  const std::string world = dir_.File("fall.wld");
  ASSERT_EQ(test::RunZentrovaRun(world + " --until 0.5", dir_.File("err")).status, 0);
  const std::string data = test::ReadBytes(dir_.File("000/data.txt"));
  const std::string copy = test::ReadBytes(dir_.File("000/fall.wld"));
  const struct {
    const char* break_time;  // one recording interval less than the break time
    const char* err;
    Strings out;
  } cases[] = {
      {"0.484375",
       "[Alert] History 000 already ends at 0.5s, past the break time of 0.4921875s: nothing was run.\n",
       {"steps: 0", "time: 0.5", "energy: 196.2"}},
      {"0.4921875", "", {"steps: 65", "time: 0.5078125", "energy: 196.2"}}};
  for (const auto& c : cases) {
    std::string wld = copy;
    wld.replace(wld.find("breakTime=1"), 11, std::string("breakTime=") + c.break_time);
    WriteModelFile("000/fall.wld", wld);
    const test::ToolResult r = test::RunZentrovaRun(world + " --history 000", dir_.File("err"));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, c.err);
    Strings out = c.out;
    out.insert(out.begin(), "history: " + dir_.File("000"));
    EXPECT_EQ(r.out, out);
    EXPECT_EQ(test::ReadBytes(dir_.File("000/data.txt")), data);
  }
}

// --history continues a history: the one named, once; a history that does not exist fails the load.
TEST_F(ZentrovaRunTest, HistoryContinuesTheOneNamed) {
  CopyModel("fall");
  const std::string world = dir_.File("fall.wld");
  for (const std::string arguments : {" --history", " --history 000 --history 001", " --history ''"}) {
    const test::ToolResult r = test::RunZentrovaRun(world + arguments, dir_.File("err"));
    EXPECT_EQ(r.status, 1) << arguments;
    EXPECT_EQ(r.err, "usage: zentrova-run WORLD.wld [--history NNN] [--until T]\n") << arguments;
  }
  test::ToolResult r = test::RunZentrovaRun(world + " --history 000", dir_.File("err"));
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "[Error] The requested history file (short name=000) could not be found.\n");
  ASSERT_EQ(test::RunZentrovaRun(world + " --until 0.1", dir_.File("err")).status, 0);
  r = test::RunZentrovaRun(world + " --history 000 --until 0.2", dir_.File("err"));
  EXPECT_EQ(r.status, 0) << r.err;
  // 100 states replayed after the first, then 101 steps computed.
  EXPECT_EQ(r.out, (Strings{"history: " + dir_.File("000"), "steps: 201", "time: 0.2", "energy: 196.2"}));
  EXPECT_EQ(FileLines("000/data.txt").size(), 201u);
  EXPECT_FALSE(DirectoryExists(dir_.File("001")));
}

// A value the load replaced by its default reaches stderr, once, and the run goes on.
TEST_F(ZentrovaRunTest, TheLoadsAlertsReachStderr) {
  CopyModel("fall");
  std::string world = test::ReadBytes(dir_.File("fall.wld"));
  world.replace(world.find("[Main]"), 6, "[Main]\nmaximumPenetration=abc");
  WriteModelFile("fall.wld", world);
  const test::ToolResult r = test::RunZentrovaRun(dir_.File("fall.wld") + " --until 0.01", dir_.File("err"));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("[Alert] "), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("maximumPenetration"), std::string::npos) << r.err;
}

// A load that fails exits with 2 and the load's error line, recording nothing; a run that stops on an
// error (a box 2 cm inside the floor: four halvings, then the minimum step) exits with 3.
TEST_F(ZentrovaRunTest, FailuresExitWithTheirErrorLine) {
  CopyModel("fall");
  WriteModelFile("fall.hv", "-b`Ball`m g\n0\n");
  test::ToolResult r = test::RunZentrovaRun(dir_.File("fall.wld"), dir_.File("err"));
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err,
            "[Error] Number of generalizde coordinates does not match the number of generalized forces. "
            "Check .hv file. File fall.hv has 2 lines where numberOfGeneralizedCoodinates gives 1 (line 2 of file "
            "fall.wld).\n");
  EXPECT_TRUE(r.out.empty());
  EXPECT_FALSE(DirectoryExists(dir_.File("000")));
  CopyModel("box");
  WriteModelFile("box.bdy", kOverlappingBox);
  WriteModelFile("box.wld",
                 "[Main]\nnumberOfGeneralizedCoodinates=3\nmaximumTimestep=1e-3\nminimumTimestep=1e-4\n"
                 "maximumPenetration=1e-3\n[Bodies]\nBody1=box.bdy\nBody2=floor.bdy\n");
  r = test::RunZentrovaRun(dir_.File("box.wld"), dir_.File("err"));
  EXPECT_EQ(r.status, 3);
  // The load's alert comes first: the model has no watches file.
  EXPECT_EQ(r.err, "[Alert] No watches file found.\n[Error] Minimum time step of 0.0001s reached at 0s.\n");
  ASSERT_EQ(r.out.size(), 4u);
  EXPECT_EQ(r.out[1], "steps: 5");
}

// What a run of a bundled example leaves behind: its history files and the lines of its driver's log.
struct ExampleRun {
  bool loaded = false;
  TRunStop stop = TRunStop::Exception;
  std::string data, watches, log_file;
  Strings lines;
};

// Copies a bundled example into `folder`, loads it into a driver of its own and runs it to its break time,
// all on the calling thread.
ExampleRun RunExample(const std::string& name, const std::string& folder) {
  ExampleRun run;
  std::filesystem::create_directories(folder);
  const std::string source = std::string(ZENTROVA_SOURCE_DIR) + "/examples/" + name;
  for (const auto& entry : std::filesystem::directory_iterator(source)) {
    std::filesystem::copy_file(entry.path(), std::filesystem::path(folder) / entry.path().filename());
  }
  {
    TVYKMain main;
    std::string history;
    run.loaded = main.LoadWorld(folder + name + ".wld", history, "");
    if (run.loaded) run.stop = TRunLoop(main).Run();
    run.lines = main.Log().Lines();
  }  // log.txt is complete once the driver has gone
  run.data = test::ReadBytes(folder + "000/data.txt");
  run.watches = test::ReadBytes(folder + "000/watches.txt");
  run.log_file = test::ReadBytes(folder + "000/log.txt");
  return run;
}

// Two worlds load and step side by side, each logging to its own driver's log: each run's history and log
// are those of the same run alone, byte for byte, and the program's log hears from neither.
TEST_F(DriverTest, TwoWorldsOnTwoThreadsRecordWhatEachRecordsAlone) {
  struct Example {
    std::string name;
    std::string break_line;  // breakTime plus one recording interval
  };
  const std::vector<Example> examples = {{"falling-box", "[Alert] Break time of 3.02s reached."},
                                         {"double-pendulum", "[Alert] Break time of 6.01s reached."}};
  std::vector<ExampleRun> alone, together(examples.size());
  for (const Example& e : examples)
    alone.push_back(RunExample(e.name, dir_.Path() + "alone/" + e.name + "/"));
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < examples.size(); ++i) {
    threads.emplace_back([&, i] {
      together[i] = RunExample(examples[i].name, dir_.Path() + "together/" + examples[i].name + "/");
    });
  }
  for (std::thread& thread : threads) thread.join();

  for (std::size_t i = 0; i < examples.size(); ++i) {
    SCOPED_TRACE(examples[i].name);
    ASSERT_TRUE(alone[i].loaded);
    ASSERT_TRUE(together[i].loaded);
    EXPECT_EQ(alone[i].stop, TRunStop::BreakTime);
    EXPECT_EQ(together[i].stop, TRunStop::BreakTime);
    EXPECT_GT(std::count(alone[i].data.begin(), alone[i].data.end(), '\n'), 100);
    EXPECT_EQ(together[i].data, alone[i].data);
    EXPECT_EQ(together[i].watches, alone[i].watches);
    EXPECT_EQ(together[i].log_file, alone[i].log_file);
    EXPECT_EQ(together[i].lines, alone[i].lines);
    // The run's own stop, once, in its own log and its own log.txt.
    EXPECT_EQ(std::count(together[i].lines.begin(), together[i].lines.end(), examples[i].break_line), 1);
    EXPECT_NE(together[i].log_file.find(examples[i].break_line + "\r\n"), std::string::npos);
  }
  EXPECT_EQ(log_.Lines(), Strings());  // the program's log
}

}  // namespace
}  // namespace zentrova
