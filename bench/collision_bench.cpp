// One collision detection pass: a wheel (a regular polygon of N points about its centre) standing on a
// floor whose top edge is divided into N points, both resisting, the wheel's lowest point on the floor.
// The pass clears the previous contacts, descends both bounding-box trees, tests the vertices of the leaf
// pairs that overlap, builds the contacts with their Jacobians and coefficients, and classifies them.
// A second case tilts the wheel a little into the floor so that several points touch.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

#include <unistd.h>

#include "engine/contact/collisions.h"
#include "engine/contact/contact_properties.h"
#include "engine/model/body.h"
#include "engine/world/model.h"
#include "engine/world/world.h"
#include "numerics/matrix.h"
#include "platform/number_text.h"

namespace zentrova {
namespace {

void WriteFile(const std::filesystem::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

// Numbers as the outline and INI readers read them back exactly.
std::string Number(long double value) {
  return FloatToTextRoundTrip(value, '.');
}

std::string Outline(const std::vector<long double>& x, const std::vector<long double>& y) {
  std::string text = "points =" + std::to_string(x.size()) + "\r\n%%data\r\n";
  for (long double v : x) text += Number(v) + " ";
  text += "\r\n";
  for (long double v : y) text += Number(v) + " ";
  return text + "\r\n%%enddata\r\n";
}

// A world of a floor and a wheel in its own temporary folder, and what detection asks of it.
class WheelOnFloor : public ICollisionWorld {
 public:
  WheelOnFloor(int points, long double sink) {
    dir_ = std::filesystem::temp_directory_path() /
           ("zentrova-collision-bench-" + std::to_string(::getpid()) + "-" + std::to_string(points));
    std::filesystem::create_directories(dir_);
    constexpr long double kPi = std::numbers::pi_v<long double>;
    std::vector<long double> x, y;
    // The wheel: radius 1, its point 0 at the bottom, counter-clockwise.
    for (int i = 0; i <= points; ++i) {
      const long double a = -kPi / 2 + 2 * kPi * (i % points) / points;
      x.push_back(std::cos(a));
      y.push_back(std::sin(a));
    }
    WriteFile(dir_ / "wheel.exs", Outline(x, y));
    // The floor: its top edge from x = 5 to x = -5 in `points` pieces, 1 m deep.
    x = {-5, 5};
    y = {-1, -1};
    for (int i = 0; i <= points; ++i) {
      x.push_back(5 - 10.0L * i / points);
      y.push_back(0);
    }
    x.push_back(-5);
    y.push_back(-1);
    WriteFile(dir_ / "floor.exs", Outline(x, y));
    const std::string body =
        "[Main]\r\nshapeType=extrusionsolid\r\ndensity=1000\r\nthickness=0.1\r\ncorrectOrigin=0\r\n";
    WriteFile(dir_ / "floor.bdy", body + "name=Floor\r\nshapeFile=floor.exs\r\n");
    WriteFile(dir_ / "wheel.bdy", body + "name=Wheel\r\nshapeFile=wheel.exs\r\n[startPosition]\r\ny=" +
                                      Number(1 - sink) + "\r\n");
    WriteFile(dir_ / "model.gc", "b`Wheel`x\r\nb`Wheel`y\r\nb`Wheel`Rz\r\n");
    WriteFile(dir_ / "model.cop", "[Floor-Wheel]\r\nfriction=0.3\r\nrestitutionNormal=0.5\r\n");
    WriteFile(dir_ / "model.wld",
              "[Main]\r\nnumberOfGeneralizedCoodinates=3\r\nmaximumPenetration=1e-3\r\n"
              "[Bodies]\r\nBody1=floor.bdy\r\nBody2=wheel.bdy\r\n");

    world_.ReadWorldFile((dir_ / "model.wld").string());
    world_.State.TimeStep = world_.Settings.MaximumTimestep;
    for (const std::string& name : world_.Model().BodyFileNames) world_.CreateBody(name);
    world_.Model().GeneralizedCoordinates.Load((dir_ / "model.gc").string(), 3);
    TContactModel model;
    world_.Model().Bodies.AddNames(model.BodyNames);
    model.CoordinateNames = world_.Model().GeneralizedCoordinates.Names;
    model.Time = &world_.State.Time;
    properties_.Load((dir_ / "model.cop").string(), model);
    minv_.Dim(3);
    h_.Dim(3);
    forces_.Dim(3);
    collisions_.SetCoordinateCount(3);
  }
  ~WheelOnFloor() override {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  TBodyList& Bodies() override { return world_.Model().Bodies; }
  const TWorldSettings& Settings() override { return world_.Settings; }
  TLCPSettings LCPSettings() override { return world_.LCPSettings(); }
  TStepState& State() override { return world_.State; }
  TContactProperties* ContactProperties() override { return &properties_; }
  long double MaxStepDisplacement() override { return 0; }
  const TSqrMatrix& InverseMassMatrix() override { return minv_; }
  const TFloatList& GeneralizedForces() override { return h_; }

  TCollisions& Collisions() { return collisions_; }

 private:
  std::filesystem::path dir_;
  TWorld world_;
  TContactProperties properties_;
  TSqrMatrix minv_;
  TFloatList h_, forces_;
  TCollisions collisions_{*this};
};

void Detect(benchmark::State& state, long double sink) {
  WheelOnFloor model(static_cast<int>(state.range(0)), sink);
  TCollisions& collisions = model.Collisions();
  if (!collisions.Detect() || collisions.TooDeep || collisions.Contacts->Count() == 0) {
    state.SkipWithError("the wheel does not touch the floor");
    return;
  }
  for (auto _ : state) {
    benchmark::DoNotOptimize(collisions.Detect());
  }
  state.counters["contacts"] = static_cast<double>(collisions.Contacts->Count());
}

void BM_DetectWheelOnFloor(benchmark::State& state) {
  Detect(state, 0);
}
void BM_DetectWheelSunkIntoFloor(benchmark::State& state) {
  Detect(state, 5e-4L);
}

BENCHMARK(BM_DetectWheelOnFloor)->Arg(4)->Arg(16)->Arg(64)->Arg(256)->Arg(1024);
BENCHMARK(BM_DetectWheelSunkIntoFloor)->Arg(4)->Arg(16)->Arg(64)->Arg(256)->Arg(1024);

}  // namespace
}  // namespace zentrova
