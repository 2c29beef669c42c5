// A whole run of falling-box to a break time of 30 s (15,000 steps), load excluded:
//   BM_Headless        the run loop without an observer, as zentrova-run runs it
//   BM_WorkerObserver  the program's run thread with its observer asking for 50 redraws a second (the
//                      frames go to a mailbox nobody empties, so only the worker's share is measured)
// Compare the two times: the observer must cost the run at most a few per cent.
#include <benchmark/benchmark.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <string>
#include <thread>

#include "app/gui_mailbox.h"
#include "app/simulation_thread.h"
#include "bench_models.h"
#include "engine/step/driver.h"
#include "engine/step/run_loop.h"
#include "engine/world/world.h"

namespace {

// The example with its break time moved from 3 s to 30 s: thread start and join are a small part of a run.
void CopyLongFallingBox(const zentrova::bench::ModelFolder& copy) {
  copy.CopyExample("falling-box");
  std::ifstream in(std::string(ZENTROVA_SOURCE_DIR) + "/examples/falling-box/falling-box.wld");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const auto at = text.find("breakTime=3");
  if (at != std::string::npos) text.replace(at, 11, "breakTime=30");
  copy.Write("falling-box.wld", text);
}

// Loads the model afresh with the timing paused (it stays paused: the caller resumes it once its run is
// set up); false, with the benchmark skipped, when it does not load.
bool Reload(benchmark::State& state, const zentrova::bench::ModelFolder& copy,
            std::unique_ptr<zentrova::TVYKMain>& main) {
  state.PauseTiming();
  main = copy.Load("falling-box.wld", std::move(main));
  if (!main) state.SkipWithError("the example does not load");
  return main != nullptr;
}

bool ReachedBreakTime(benchmark::State& state, zentrova::TRunStop stop) {
  if (stop != zentrova::TRunStop::BreakTime) state.SkipWithError("the run did not reach its break time");
  return stop == zentrova::TRunStop::BreakTime;
}

class NoHost : public zentrova::ILoopHost {
 public:
  void ShowFrame(const zentrova::TViewFrame&) override {}
  void RunEnded() override {}
};

void BM_Headless(benchmark::State& state) {
  zentrova::bench::ModelFolder copy("falling-box");
  CopyLongFallingBox(copy);
  std::unique_ptr<zentrova::TVYKMain> main;
  for (auto _ : state) {
    if (!Reload(state, copy, main)) return;
    zentrova::TRunLoop run(*main);
    state.ResumeTiming();
    if (!ReachedBreakTime(state, run.Run())) return;
  }
}
BENCHMARK(BM_Headless)->Unit(benchmark::kMillisecond)->UseRealTime();

// The headless loop on a thread of its own: what a thread costs without the observer.
void BM_HeadlessOnAThread(benchmark::State& state) {
  zentrova::bench::ModelFolder copy("falling-box");
  CopyLongFallingBox(copy);
  std::unique_ptr<zentrova::TVYKMain> main;
  for (auto _ : state) {
    if (!Reload(state, copy, main)) return;
    zentrova::TRunLoop run(*main);
    state.ResumeTiming();
    zentrova::TRunStop stop = zentrova::TRunStop::Stopped;
    std::thread([&] { stop = run.Run(); }).join();
    if (!ReachedBreakTime(state, stop)) return;
  }
}
BENCHMARK(BM_HeadlessOnAThread)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WorkerObserver(benchmark::State& state) {
  zentrova::bench::ModelFolder copy("falling-box");
  CopyLongFallingBox(copy);
  std::unique_ptr<zentrova::TVYKMain> main;
  NoHost host;
  zentrova::TGuiMailbox mailbox;
  std::atomic<std::int32_t> fps{50}, paused{0};
  zentrova::TRunSettings settings;
  settings.FramesPerSecond = &fps;
  settings.PausedSeconds = &paused;
  settings.MaxSeconds = std::numeric_limits<std::int32_t>::max();
  for (auto _ : state) {
    if (!Reload(state, copy, main)) return;
    zentrova::TLoopThread thread(*main, host, mailbox, settings);
    state.ResumeTiming();
    thread.Start();
    thread.Join();
    if (!ReachedBreakTime(state, thread.Stop())) return;
  }
}
BENCHMARK(BM_WorkerObserver)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
