// The driver's step on the bundled examples (examples/<model>), each copied into a temporary folder so
// that the history directories of the runs stay out of the source tree.
//
//   BM_Step/<model>     one driver step, over and over from the start of the model (a run restarts at its
//                       break time): the mean cost of a step over the whole run
//   BM_WholeRun/<model> a whole run to the break time, load excluded; the counter realtime_factor is the
//                       simulated time per second of wall-clock time
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include <unistd.h>

#include "bench_models.h"
#include "engine/step/run_loop.h"

namespace {

const char* const kModels[] = {"falling-box", "pendulum", "double-pendulum"};

void BM_Step(benchmark::State& state) {
  const std::string model = kModels[state.range(0)];
  state.SetLabel(model);
  zentrova::bench::ModelFolder copy(model);
  copy.CopyExample(model);
  const std::string world = model + ".wld";
  auto main = copy.Load(world);
  if (!main) {
    state.SkipWithError("the example does not load");
    return;
  }
  zentrova::TRunLoop run(*main);
  for (auto _ : state) {
    if (!main->Step()) {
      state.SkipWithError("a step was given up");
      return;
    }
    if (main->World().State.Time > main->World().Model().BreakTime) {
      state.PauseTiming();
      main = copy.Load(world, std::move(main));
      state.ResumeTiming();
      if (!main) {
        state.SkipWithError("the example does not load");
        return;
      }
    }
  }
}
BENCHMARK(BM_Step)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

void BM_WholeRun(benchmark::State& state) {
  const std::string model = kModels[state.range(0)];
  state.SetLabel(model);
  zentrova::bench::ModelFolder copy(model);
  copy.CopyExample(model);
  const std::string world = model + ".wld";
  std::unique_ptr<zentrova::TVYKMain> main;
  double simulated = 0;
  double wall = 0;
  std::uint64_t steps = 0;
  for (auto _ : state) {
    state.PauseTiming();
    main = copy.Load(world, std::move(main));
    if (!main) {
      state.SkipWithError("the example does not load");
      return;
    }
    zentrova::TRunLoop run(*main);
    state.ResumeTiming();
    const auto start = std::chrono::steady_clock::now();
    const zentrova::TRunStop stop = run.Run();
    wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (stop != zentrova::TRunStop::BreakTime) {
      state.SkipWithError("the run did not reach its break time");
      return;
    }
    simulated += static_cast<double>(main->World().State.Time);
    steps += run.Steps;
  }
  state.counters["realtime_factor"] = wall > 0 ? simulated / wall : 0;
  state.counters["steps"] =
      benchmark::Counter(static_cast<double>(steps), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_WholeRun)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

}  // namespace
