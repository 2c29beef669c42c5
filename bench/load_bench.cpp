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
//   BM_LoadPairSections/<N>  the same boxes with a contact properties section for every pair of them
//                     (N (N - 1)/2 sections) instead of one per body; the counter per_pair divides the
//                     load by that count. Looking sections up one by one made this load grow as N^3.5.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "bench_models.h"
#include "box_models.h"

namespace {

// The contact properties of `model` with a section per pair of its boxes, each with the coefficients
// the generated file gives every body, and the floor's section as it was.
std::string PairSections(const zentrova::test::Boxes& model) {
  const auto num = [](long double v) { return zentrova::FloatToTextRoundTrip(v, '.'); };
  const std::string coefficients =
      "friction=" + num(model.friction) + "\nrestitutionNormal=" + num(model.restitution) + "\n";
  std::string cop = "[Floor:all]\n" + coefficients;
  for (std::size_t i = 0; i < model.boxes.size(); ++i) {
    for (std::size_t j = i + 1; j < model.boxes.size(); ++j) {
      cop += "[" + model.Name(i) + "-" + model.Name(j) + "]\n" + coefficients;
    }
  }
  return cop;
}

// The model files of `count` free boxes side by side above the floor.
std::unique_ptr<zentrova::bench::ModelFolder> BoxModel(int count, bool pair_sections = false) {
  auto folder = std::make_unique<zentrova::bench::ModelFolder>((pair_sections ? "pairs-" : "boxes-") +
                                                               std::to_string(count));
  zentrova::test::Boxes model;
  model.main = "maximumTimestep=2e-3\nminimumTimestep=1e-9\nbreakTime=1";
  for (int b = 1; b <= count; ++b) model.boxes.push_back({0.5L * b, 0.4L, 0, 0, 0, 0});
  for (const auto& [name, text] : model.Files()) {
    folder->Write(name, pair_sections && name == "boxes.cop" ? PairSections(model) : text);
  }
  return folder;
}

void LoadOverAndOver(benchmark::State& state, const zentrova::bench::ModelFolder& model) {
  for (auto _ : state) {
    std::unique_ptr<zentrova::TVYKMain> main = model.Load("boxes.wld");
    const bool loaded = main != nullptr;
    state.PauseTiming();
    model.Forget(std::move(main));
    state.ResumeTiming();
    if (!loaded) {
      state.SkipWithError("the generated model does not load");
      return;
    }
  }
}

void BM_LoadBoxes(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  LoadOverAndOver(state, *BoxModel(count));
  const auto per = benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert;
  state.counters["per_body"] = benchmark::Counter(static_cast<double>(count), per);
  state.counters["per_expression"] = benchmark::Counter(9.0 * count * count + 3.0 * count + 2, per);
}
BENCHMARK(BM_LoadBoxes)->Arg(1)->Arg(5)->Arg(10)->Arg(20)->Arg(40)->Arg(50)->Unit(benchmark::kMillisecond);

void BM_LoadPairSections(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  LoadOverAndOver(state, *BoxModel(count, true));
  const auto per = benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert;
  state.counters["per_pair"] = benchmark::Counter(count * (count - 1) / 2.0, per);
}
BENCHMARK(BM_LoadPairSections)->Arg(10)->Arg(25)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond);

}  // namespace
