// What a run pays to record itself:
//
//   BM_FloatToSci23         one number in the 23-character form of the history files, over values
//                           spread across the magnitudes a run records
//   BM_DataLine/<n>         the data.txt line of a state of n generalized coordinates
//   BM_CreateHistory/<k>    choosing and creating the next numbered history directory in a folder that
//                           already holds k histories (the new directory is removed again untimed)
//   BM_WriteStep/<n>        recording one state of n generalized coordinates during a run: its data.txt
//                           line and a watches.txt line of four watches, written to the files
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "engine/record/contact_watches.h"
#include "engine/record/history.h"
#include "platform/number_text.h"
#include "platform/text_file.h"

namespace {

namespace fs = std::filesystem;

// Values like those of a run: signed, from 1e-12 to 1e6, and some zeros.
std::vector<long double> RunValues(std::size_t count) {
  std::mt19937_64 random(42);
  std::uniform_real_distribution<long double> exponent(-12, 6);
  std::vector<long double> values(count);
  for (std::size_t i = 0; i < count; ++i) {
    const long double magnitude = std::pow(10.0L, exponent(random));
    values[i] = i % 17 == 0 ? 0.0L : (i % 2 == 0 ? magnitude : -magnitude);
  }
  return values;
}

void BM_FloatToSci23(benchmark::State& state) {
  const std::vector<long double> values = RunValues(4096);
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(zentrova::FloatToSci23(values[i]));
    i = (i + 1) % values.size();
  }
}
BENCHMARK(BM_FloatToSci23);

void BM_DataLine(benchmark::State& state) {
  const auto n = static_cast<std::uint32_t>(state.range(0));
  const std::vector<long double> values = RunValues(3 * n + 2);
  zentrova::TGeneralizedCoordinatesHistory point(n);
  point.Time = values[0];
  point.MechanicalEnergy = values[1];
  for (std::uint32_t i = 0; i < n; ++i) {
    point.Coordinates.Q.Data()[i] = values[2 + 3 * i];
    point.Coordinates.QDot.Data()[i] = values[3 + 3 * i];
    point.Coordinates.QDDot.Data()[i] = values[4 + 3 * i];
  }
  for (auto _ : state) benchmark::DoNotOptimize(zentrova::THistory::DataLine(point));
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * (3 * n + 2));
}
BENCHMARK(BM_DataLine)->Arg(3)->Arg(6)->Arg(60);

class FolderWorld : public zentrova::IHistoryWorld {
 public:
  explicit FolderWorld(std::string base) : base_(std::move(base)) {}
  std::string HistoryBaseDirectory() const override { return base_; }
  std::string KeptHistoryBaseDirectory() const override { return base_; }
  void MarkNewHistoryDirectory() override {}
  std::uint32_t GeneralizedCoordinateCount() const override { return 0; }
  std::vector<std::string> GeneralizedCoordinateNames() const override { return {}; }
  std::uint32_t StoredStates() const override { return stored; }
  void SetStoredStates(std::uint32_t count) override { stored = count; }
  void SetCurrentState(std::uint32_t) override {}
  void RestoreHistoryPoint() override {}
  zentrova::TContactWatches* ContactWatches() override { return watches; }

  std::uint32_t stored = 0;
  zentrova::TContactWatches* watches = nullptr;

 private:
  std::string base_;
};

void BM_CreateHistory(benchmark::State& state) {
  const fs::path base =
      fs::temp_directory_path() / ("zentrova-bench-histories-" + std::to_string(::getpid()));
  fs::remove_all(base);
  fs::create_directories(base);
  char name[8];
  for (std::int64_t k = 0; k < state.range(0); ++k) {
    std::snprintf(name, sizeof name, "%03d", static_cast<int>(k));
    fs::create_directories(base / name);
    zentrova::WriteTextLines((base / name / "data.txt").string(), {});
    zentrova::WriteTextLines((base / name / "log.txt").string(), {"", "a run", "0", "1"});
  }
  FolderWorld world(base.string() + "/");
  for (auto _ : state) {
    std::string short_name;
    bool created = false;
    {
      zentrova::THistory history(world);
      created = history.SelectDirectory(short_name);
      state.PauseTiming();
    }
    fs::remove_all(base / short_name);
    state.ResumeTiming();
    if (!created) {
      state.SkipWithError("no history directory was created");
      break;
    }
  }
  fs::remove_all(base);
}
BENCHMARK(BM_CreateHistory)->Arg(0)->Arg(20)->Unit(benchmark::kMicrosecond);

void BM_WriteStep(benchmark::State& state) {
  const auto n = static_cast<std::uint32_t>(state.range(0));
  const fs::path base = fs::temp_directory_path() / ("zentrova-bench-record-" + std::to_string(::getpid()));
  fs::remove_all(base);
  fs::create_directories(base);
  zentrova::TContactWatches watches;
  for (std::uint32_t w = 0; w < 4; ++w) {
    watches.Names.push_back("box#" + std::to_string(w));
    watches.Data.AddWatch(true);
  }
  FolderWorld world(base.string() + "/");
  world.watches = &watches;
  const std::vector<long double> values = RunValues(3 * n + 2 + 3 * 4);
  {
    zentrova::THistory history(world);
    std::string short_name;
    if (!history.SelectDirectory(short_name) || !history.OpenFiles()) {
      state.SkipWithError("no history directory to record in");
      return;
    }
    long double time = 0;
    for (auto _ : state) {
      auto point = std::make_unique<zentrova::TGeneralizedCoordinatesHistory>(n);
      point->Time = time;
      point->MechanicalEnergy = values[1];
      for (std::uint32_t i = 0; i < n; ++i) {
        point->Coordinates.Q.Data()[i] = values[2 + 3 * i];
        point->Coordinates.QDot.Data()[i] = values[3 + 3 * i];
        point->Coordinates.QDDot.Data()[i] = values[4 + 3 * i];
      }
      // Two of the four watches are in contact at each record, the others write their short form.
      for (std::uint32_t w = 0; w < 2; ++w) {
        watches.Data.NormalImpulse.Data()[w] = values[3 * n + 2 + 3 * w];
        watches.Data.TangentialImpulse.Data()[w] = values[3 * n + 3 + 3 * w];
        watches.Data.Work.Data()[w] = values[3 * n + 4 + 3 * w];
      }
      watches.Data.Cleared = false;
      if (!history.WriteStep(std::move(point))) {
        state.SkipWithError("a record was not written");
        break;
      }
      world.stored = history.Points.Count();
      time += 1e-4L;
      // The states a long run keeps in memory are not what is measured here.
      if (history.Points.Count() == 4096) history.Points.Clear();
    }
    history.CloseFiles();
    state.SetBytesProcessed(static_cast<std::int64_t>(fs::file_size(history.DataFileName) +
                                                      fs::file_size(history.WatchesFileName)));
  }
  fs::remove_all(base);
}
BENCHMARK(BM_WriteStep)->Arg(3)->Arg(60);

}  // namespace
