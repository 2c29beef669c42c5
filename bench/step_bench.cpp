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

#include "engine/model/model.h"
#include "engine/step/driver.h"
#include "engine/step/run_loop.h"

namespace {

const char* const kModels[] = {"falling-box", "pendulum", "double-pendulum"};

// A copy of an example in a fresh temporary folder, removed with everything in it at the end.
class ExampleCopy {
 public:
  explicit ExampleCopy(const std::string& model) : model_(model) {
    folder_ = std::filesystem::temp_directory_path() /
              ("zentrova-bench-" + model + "-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    const std::filesystem::path source = std::filesystem::path(ZENTROVA_SOURCE_DIR) / "examples" / model;
    for (const auto& entry : std::filesystem::directory_iterator(source)) {
      if (entry.is_regular_file())
        std::filesystem::copy_file(entry.path(), folder_ / entry.path().filename());
    }
  }
  ExampleCopy(const ExampleCopy&) = delete;
  ExampleCopy& operator=(const ExampleCopy&) = delete;
  ~ExampleCopy() {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }

  // A driver with the model loaded into a new history directory; the previous driver of this copy
  // (passed in) is freed first and its history removed, so the copy never runs out of numbers.
  std::unique_ptr<zentrova::TVYKMain> Load(std::unique_ptr<zentrova::TVYKMain> previous = nullptr) {
    std::string history;
    if (previous) {
      history = previous->World().Model().History.ShortName;
      previous.reset();
      std::filesystem::remove_all(folder_ / history);
      history.clear();
    }
    auto main = std::make_unique<zentrova::TVYKMain>();
    if (!main->LoadWorld((folder_ / (model_ + ".wld")).string(), history, "")) return nullptr;
    return main;
  }

 private:
  std::string model_;
  std::filesystem::path folder_;
};

void BM_Step(benchmark::State& state) {
  const std::string model = kModels[state.range(0)];
  state.SetLabel(model);
  ExampleCopy copy(model);
  auto main = copy.Load();
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
      main = copy.Load(std::move(main));
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
  ExampleCopy copy(model);
  std::unique_ptr<zentrova::TVYKMain> main;
  double simulated = 0;
  double wall = 0;
  std::uint64_t steps = 0;
  for (auto _ : state) {
    state.PauseTiming();
    main = copy.Load(std::move(main));
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
