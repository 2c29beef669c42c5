// The load of a model as it grows: generated models of N free boxes (each with its x, y and Rz as
// generalized coordinates, a diagonal mass matrix, gravity as generalized force and the energy as one
// sum), written once into a temporary folder and loaded over and over, each load into a new history
// directory that is removed again untimed.
//
//   BM_LoadBoxes/<N>  the whole load of the world file (CPU time); the counters divide it by N
//                     (per_body) and by the expression lines compiled (per_expression: the 9 N^2 cells
//                     of the mass matrix, 3 N forces, the energy and the break time). The model's
//                     size grows with both; a load linear in it keeps per_expression flat, and
//                     per_body flat while the bodies' own work outweighs their share of the cells.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <unistd.h>

#include "engine/model/model.h"
#include "engine/step/driver.h"

namespace {

namespace fs = std::filesystem;

// The model files of `count` boxes in a fresh temporary folder, removed with everything in it at the end.
class BoxModel {
 public:
  explicit BoxModel(int count) {
    folder_ = fs::temp_directory_path() /
              ("zentrova-bench-boxes-" + std::to_string(count) + "-" + std::to_string(::getpid()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    const int n = 3 * count;
    std::string world = "[Main]\nnumberOfGeneralizedCoodinates=" + std::to_string(n) +
                        "\nmaximumTimestep=2e-3\nminimumTimestep=1e-9\nbreakTime=1\n\n[Bodies]\n";
    std::string coordinates, mass, forces, energy;
    for (int b = 1; b <= count; ++b) {
      const std::string name = "Box" + std::to_string(b);
      const std::string key = "b`" + name + "`";
      world += "Body" + std::to_string(b) + "=" + name + ".bdy\n";
      Write(name + ".bdy", "[Main]\nname=" + name +
                               "\nshapeType=extrusionsolid\nshapeFile=box.exs\ndensity=1000\nthickness=0.05\n"
                               "\n[startPosition]\nx=" +
                               std::to_string(0.5 * b) + "\ny=0.4\n");
      for (const char* c : {"x", "y", "Rz"}) coordinates += key + c + "[t]\n";
      // Row r of M holds its diagonal cell alone; cells are separated by three blanks.
      for (int k = 0; k < 3; ++k) {
        const int r = 3 * (b - 1) + k;
        for (int c = 0; c < n; ++c) {
          if (c > 0) mass += "   ";
          mass += c != r ? "0" : key + (k < 2 ? "m" : "Jzz");
        }
        mass += "\n";
      }
      forces += "0\n-" + key + "m g\n0\n";
      if (b > 1) energy += " + ";
      energy += key + "m (" + key + "x'[t]^2 + " + key + "y'[t]^2)/2 + " + key + "Jzz " + key +
                "Rz'[t]^2/2 + " + key + "m g " + key + "y[t]";
    }
    Write("boxes.wld", world);
    Write("box.exs",
          "points =5\n%%data\n-0.1\t0.1\t0.1\t-0.1\t-0.1\t\n-0.05\t-0.05\t0.05\t0.05\t-0.05\t\n%%enddata\n");
    Write("boxes.cns", "g = 9.81\n");
    Write("boxes.gc", coordinates);
    Write("boxes.dc", "No dependent coordinates.\n");
    Write("boxes.mmx", mass);
    Write("boxes.hv", forces);
    Write("boxes.me", energy + "\n");
    Write("boxes.cop", "");
    Write("boxes.wtc", "");
  }
  BoxModel(const BoxModel&) = delete;
  BoxModel& operator=(const BoxModel&) = delete;
  ~BoxModel() {
    std::error_code ec;
    fs::remove_all(folder_, ec);
  }

  std::string WorldFile() const { return (folder_ / "boxes.wld").string(); }
  void RemoveHistory(const std::string& short_name) const { fs::remove_all(folder_ / short_name); }

 private:
  void Write(const std::string& name, const std::string& text) const {
    std::ofstream(folder_ / name, std::ios::binary) << text;
  }

  fs::path folder_;
};

void BM_LoadBoxes(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const BoxModel model(count);
  for (auto _ : state) {
    auto main = std::make_unique<zentrova::TVYKMain>();
    std::string history;
    const bool loaded = main->LoadWorld(model.WorldFile(), history, "");
    state.PauseTiming();
    main.reset();
    model.RemoveHistory(history);
    state.ResumeTiming();
    if (!loaded) {
      state.SkipWithError("the generated model does not load");
      return;
    }
  }
  const auto per = benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert;
  state.counters["per_body"] = benchmark::Counter(static_cast<double>(count), per);
  state.counters["per_expression"] = benchmark::Counter(9.0 * count * count + 3.0 * count + 2, per);
}
BENCHMARK(BM_LoadBoxes)->Arg(1)->Arg(5)->Arg(10)->Arg(20)->Arg(40)->Unit(benchmark::kMillisecond);

}  // namespace
