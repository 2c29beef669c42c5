// Contact scenes, stepped.
//
//   BM_BoxOnFloor        one driver step of the bundled falling box (a 0.2 m x 0.1 m box of 1 kg dropped
//                        turning onto the floor, bouncing and coming to rest), over and over through its
//                        3 s run
//   BM_Box2DBoxOnFloor   the same scene in Box2D, one Step(2e-3, 8, 3) over and over through 3 s, with
//                        sleeping on (sleeping:1) and off (sleeping:0): the peers of BM_BoxOnFloor (the
//                        ratios are the figures)
//   BM_RestingBoxes/N    N boxes standing side by side on the floor, stepped for 0.5 s at 1e-3 s: the
//                        counter per_box_second is the stepping time per box and simulated second, which
//                        stays flat when the cost grows linearly with N
//   BM_BoxesInARow/N     N boxes standing in a row on the floor, run by the run loop (the history's data
//                        files open, as zentrova-run and the program run them) for 0.5 s at 1e-3 s: the
//                        counter ms_per_second is the CPU time per simulated second; the largest N also
//                        shows fitted_exponent, the k of the least-squares fit ms_per_second ~ N^k over
//                        every N measured, which is printed again at the end
//   BM_DroppedPile       a pyramid of thirty 1 m boxes of 1 kg (rows of 8, 7, 6, 5 and 4, 0.125 m apart,
//                        each row 1/64 m above the one below, the lowest 1/64 m above the floor; places
//                        exact in binary, so that every build starts from the same bits) dropped and run by
//                        the run loop for 3 s: its contact problems are large, degenerate and change while
//                        the pile settles; the counter cpu_s is the CPU time of one run
//   BM_TallStack         thirty flat 0.2 m x 0.1 m boxes of 1 kg, each dropped 2 cm onto the one below it
//                        and shifted 1 cm, one contact-properties section per pair, run for 3 s: the
//                        stack settles in about 0.6 s and then rests; cpu_s as for the pile
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <ctime>
#include <limits>
#include <map>
#include <memory>
#include <string>

#include "bench_models.h"
#include "box_models.h"
#include "engine/step/run_loop.h"

#ifdef ZENTROVA_BENCH_BOX2D
#include <box2d/box2d.h>
#endif

namespace {

using zentrova::bench::ModelFolder;

void BM_BoxOnFloor(benchmark::State& state) {
  ModelFolder folder("box-on-floor");
  folder.CopyExample("falling-box");
  auto main = folder.Load("falling-box.wld");
  if (!main) {
    state.SkipWithError("the example does not load");
    return;
  }
  for (auto _ : state) {
    if (!main->Step()) {
      state.SkipWithError("a step was given up");
      return;
    }
    if (main->World().State.Time > main->World().Model().BreakTime) {
      state.PauseTiming();
      main = folder.Load("falling-box.wld", std::move(main));
      state.ResumeTiming();
      if (!main) {
        state.SkipWithError("the example does not load");
        return;
      }
    }
  }
}
BENCHMARK(BM_BoxOnFloor)->Unit(benchmark::kMicrosecond);

#ifdef ZENTROVA_BENCH_BOX2D
// The falling box of the example: floor top at y = 0, the box at (-0.3, 0.4) turned by 0.5 rad, moving
// at 0.8 m/s and 1 rad/s, friction 0.3, restitution 0.5, 1 kg.
std::unique_ptr<b2World> Box2DScene() {
  auto world = std::make_unique<b2World>(b2Vec2(0, -9.81f));
  b2BodyDef floor_def;
  floor_def.position.Set(0, -0.25f);
  b2Body* floor = world->CreateBody(&floor_def);
  b2PolygonShape floor_shape;
  floor_shape.SetAsBox(2, 0.25f);
  floor->CreateFixture(&floor_shape, 0);
  b2BodyDef box_def;
  box_def.type = b2_dynamicBody;
  box_def.position.Set(-0.3f, 0.4f);
  box_def.angle = 0.5f;
  box_def.linearVelocity.Set(0.8f, 0);
  box_def.angularVelocity = 1;
  b2Body* box = world->CreateBody(&box_def);
  b2PolygonShape box_shape;
  box_shape.SetAsBox(0.1f, 0.05f);
  b2FixtureDef fixture;
  fixture.shape = &box_shape;
  fixture.density = 50;  // 1 kg
  fixture.friction = 0.3f;
  fixture.restitution = 0.5f;
  box->CreateFixture(&fixture);
  return world;
}

// Arg 1: Box2D puts the box to sleep once it rests (its default); 0: it steps the resting box on.
void BM_Box2DBoxOnFloor(benchmark::State& state) {
  const bool sleeping = state.range(0) != 0;
  auto world = Box2DScene();
  world->SetAllowSleeping(sleeping);
  int steps = 0;
  for (auto _ : state) {
    world->Step(2e-3f, 8, 3);
    if (++steps == 1500) {
      state.PauseTiming();
      world = Box2DScene();
      world->SetAllowSleeping(sleeping);
      steps = 0;
      state.ResumeTiming();
    }
  }
}
BENCHMARK(BM_Box2DBoxOnFloor)->ArgName("sleeping")->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);
#endif

void BM_RestingBoxes(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  ModelFolder folder("resting-boxes-" + std::to_string(n));
  zentrova::test::Boxes model;
  model.main = "maximumTimestep=1e-3\nminimumTimestep=1e-9\nmaximumPenetration=1e-3\nbreakTime=0.5\n"
               "writeToHistoryMultipleOfMaximumTimestep=10";
  for (std::size_t i = 0; i < n; ++i) model.boxes.push_back({-15 + 0.3L * i, 0.05L, 0, 0, 0, 0});
  for (const auto& [name, text] : model.Files()) folder.Write(name, text);
  std::unique_ptr<zentrova::TVYKMain> main;
  double stepped = 0;
  for (auto _ : state) {
    state.PauseTiming();
    main = folder.Load("boxes.wld", std::move(main));
    if (!main) {
      state.SkipWithError("the boxes do not load");
      return;
    }
    state.ResumeTiming();
    while (main->World().State.Time < 0.5L) {
      if (!main->Step()) {
        state.SkipWithError("a step was given up");
        return;
      }
    }
    stepped += 0.5;
  }
  state.counters["per_box_second"] = benchmark::Counter(
      stepped * static_cast<double>(n), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_RestingBoxes)->Arg(1)->Arg(2)->Arg(5)->Arg(10)->Arg(20)->Unit(benchmark::kMillisecond);

// The CPU time of this process, in seconds.
double ProcessSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// The milliseconds per simulated second of the last measurement of each N, and the exponent k of the
// least-squares line log(ms) = c + k log(N) through them; printed once more when the program ends.
struct TRowCosts {
  std::map<long, double> ms;
  double Exponent() const {
    const double count = static_cast<double>(ms.size());
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (const auto& [n, cost] : ms) {
      const double x = std::log(static_cast<double>(n)), y = std::log(cost);
      sx += x;
      sy += y;
      sxx += x * x;
      sxy += x * y;
    }
    const double d = count * sxx - sx * sx;
    return d > 0 ? (count * sxy - sx * sy) / d : 0;
  }
  ~TRowCosts() {
    if (ms.size() < 2) return;
    std::fprintf(stderr, "BM_BoxesInARow: ms per simulated second");
    for (const auto& [n, cost] : ms) std::fprintf(stderr, " N=%ld: %.3g", n, cost);
    std::fprintf(stderr, "; fitted exponent %.3f\n", Exponent());
  }
} row_costs;

// One run of boxes.wld, loaded afresh (the driver of the run before passed in `main`), by the run loop up
// to `until`: its CPU seconds, or -1 with the benchmark's error set when the model does not load or the
// run ends otherwise than with `ending`.
double TimedRun(benchmark::State& state, const ModelFolder& folder, std::unique_ptr<zentrova::TVYKMain>& main,
                long double until, zentrova::TRunStop ending) {
  state.PauseTiming();
  main = folder.Load("boxes.wld", std::move(main));
  if (!main) {
    state.SkipWithError("the boxes do not load");
    return -1;
  }
  zentrova::TRunLoop run(*main);
  state.ResumeTiming();
  const double start = ProcessSeconds();
  if (run.Run(until) != ending) {
    state.SkipWithError(
        ("the run stopped at t = " + std::to_string(static_cast<double>(main->World().State.Time)) +
         " s: " + run.StopReason)
            .c_str());
    return -1;
  }
  return ProcessSeconds() - start;
}

constexpr long kRowSizes[] = {1, 2, 5, 10, 20, 50};

void BM_BoxesInARow(benchmark::State& state) {
  const long n = static_cast<long>(state.range(0));
  ModelFolder folder("boxes-in-a-row-" + std::to_string(n));
  zentrova::test::Boxes model;
  model.main = "maximumTimestep=1e-3\nminimumTimestep=1e-9\nmaximumPenetration=1e-3\nbreakTime=100\n"
               "writeToHistoryMultipleOfMaximumTimestep=10";
  for (long i = 0; i < n; ++i) model.boxes.push_back({-15 + 0.3L * i, 0.05L, 0, 0, 0, 0});
  for (const auto& [name, text] : model.Files()) folder.Write(name, text);
  std::unique_ptr<zentrova::TVYKMain> main;
  double simulated = 0, seconds = 0;
  for (auto _ : state) {
    const double run = TimedRun(state, folder, main, 0.5L, zentrova::TRunStop::Until);
    if (run < 0) return;
    seconds += run;
    simulated += static_cast<double>(main->World().State.Time);
  }
  const double ms = simulated > 0 ? 1e3 * seconds / simulated : 0;
  state.counters["ms_per_second"] = ms;
  row_costs.ms[n] = ms;
  if (n == kRowSizes[std::size(kRowSizes) - 1]) state.counters["fitted_exponent"] = row_costs.Exponent();
}
BENCHMARK(BM_BoxesInARow)
    ->Arg(kRowSizes[0])
    ->Arg(kRowSizes[1])
    ->Arg(kRowSizes[2])
    ->Arg(kRowSizes[3])
    ->Arg(kRowSizes[4])
    ->Arg(kRowSizes[5])
    ->Unit(benchmark::kMillisecond);

// One run of the model to its break time: the CPU seconds as cpu_s.
void RunToTheBreakTime(benchmark::State& state, const std::string& name, const zentrova::test::Boxes& model) {
  ModelFolder folder(name);
  for (const auto& [file, text] : model.Files()) folder.Write(file, text);
  std::unique_ptr<zentrova::TVYKMain> main;
  double seconds = 0, runs = 0;
  for (auto _ : state) {
    const double run = TimedRun(state, folder, main, std::numeric_limits<long double>::infinity(),
                                zentrova::TRunStop::BreakTime);
    if (run < 0) return;
    seconds += run;
    runs += 1;
  }
  state.counters["cpu_s"] = runs > 0 ? seconds / runs : 0;
}

void BM_DroppedPile(benchmark::State& state) {
  zentrova::test::Boxes model;
  model.width = model.height = 1;
  model.main = "maximumTimestep=2e-3\nminimumTimestep=1e-9\nmaximumPenetration=1e-3\n"
               "ZeroVelocityTolerance=1e-12\nbreakTime=3";
  const int rows[] = {8, 7, 6, 5, 4};
  for (std::size_t row = 0; row < std::size(rows); ++row) {
    for (int i = 0; i < rows[row]; ++i) {
      model.boxes.push_back({1.125L * (i - (rows[row] - 1) / 2.0L),
                             0.515625L + 1.015625L * static_cast<long double>(row), 0, 0, 0, 0});
    }
  }
  RunToTheBreakTime(state, "dropped-pile", model);
}

BENCHMARK(BM_DroppedPile)->Unit(benchmark::kSecond)->Iterations(1);

void BM_TallStack(benchmark::State& state) {
  RunToTheBreakTime(state, "tall-stack", zentrova::test::TallStack(30, "3").model);
}
BENCHMARK(BM_TallStack)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
