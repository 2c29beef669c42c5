// The world's side of the view: the frames a run publishes, and the watch values the plot window shows.
#include <algorithm>
#include <set>

#include "engine/model/model.h"
#include "engine/model/world.h"
#include "engine/record/value_statistics.h"
#include "numerics/float_list.h"
#include "numerics/int_list.h"

namespace zentrova {

namespace {

// Radians to the degrees the scene takes, as the program has always converted them.
constexpr long double kDegreesPerRadian = 57.29577951308232L;

}  // namespace

TViewFrame TWorld::MakeViewFrame() const {
  TViewFrame frame;
  const TBodyList& bodies = model_->Bodies;
  for (std::int32_t i = 0; i < bodies.Count(); ++i) {
    const TBody& body = bodies.Items(i);
    if (!body.HasShape) continue;
    const TCoordinates& p = body.Kinematics.Position;
    frame.Bodies.push_back({i, static_cast<float>(p.X.Get()), static_cast<float>(p.Y.Get()),
                            static_cast<float>(p.Z.Get()), static_cast<float>(p.Rz.Get() * kDegreesPerRadian)});
  }
  frame.ContactPoints = ContactPointList.Points;
  frame.ContactPointsVisible = ContactPointList.Visible;
  frame.Time = State.Time;
  frame.MechanicalEnergy = State.MechanicalEnergy;
  frame.StoredStates = State.StoredStateCount;
  frame.CurrentState = State.CurrentState;
  return frame;
}

bool TWorld::BodyWatchValues(std::int32_t body_index, TIntList& points, TFloatList& normal,
                             TFloatList& tangential, TFloatList& work, long double& span) const {
  points.Clear();
  normal.Clear();
  tangential.Clear();
  work.Clear();
  span = 0;
  if (body_index < 0 || body_index >= model_->Bodies.Count()) return false;
  const TExtrusionShape& shape = model_->Bodies.Items(body_index).Solid.Shape;
  // The distinct watch numbers, ascending, each with the first outline point it watches.
  std::set<std::int32_t> numbers;
  for (std::size_t i = 0; i < shape.Watched.size() && i < shape.WatchIndex.size(); ++i) {
    if (shape.Watched[i]) numbers.insert(shape.WatchIndex[i]);
  }
  if (numbers.empty()) return false;
  TIntList indexes;
  for (const std::int32_t w : numbers) {
    indexes.Add(w);
    for (std::size_t i = 0; i < shape.Watched.size(); ++i) {
      if (shape.Watched[i] && shape.WatchIndex[i] == w) {
        points.Add(static_cast<std::int32_t>(i));
        break;
      }
    }
  }
  normal.Dim(indexes.Count());
  tangential.Dim(indexes.Count());
  work.Dim(indexes.Count());
  normal.Zero();
  tangential.Zero();
  work.Zero();
  model_->History.SumWatchHistory(indexes, normal, tangential, work, span);
  if (model_->Watches.SmoothWorkLeftRight > 0) SmoothAlongOutline(work, model_->Watches.SmoothWorkLeftRight);
  return true;
}

bool TWorld::ShowPlotWatches(std::int32_t body_index) {
  if (body_index < 0 || body_index >= model_->Bodies.Count()) return false;
  if (PlotWindow == nullptr) return true;
  TIntList points;
  TFloatList normal, tangential, work;
  long double span = 0;
  BodyWatchValues(body_index, points, normal, tangential, work, span);
  long double total_work = 0, total_normal = 0, total_tangential = 0;
  for (std::uint32_t i = 0; i < work.Count(); ++i) {
    total_work += work.At(i);
    total_normal += normal.At(i);
    total_tangential += tangential.At(i);
  }
  // A run that recorded one line covers no time: the rates are then left at 0 rather than infinite.
  const bool timed = span != 0;
  const long double power = timed ? total_work / span : 0;
  const bool to_force = model_->Watches.ConvertImpulseToForce;
  const long double normal_force = to_force ? total_normal * span : (timed ? total_normal / span : 0);
  const long double tangential_force =
      to_force ? total_tangential * span : (timed ? total_tangential / span : 0);
  PlotWindow->ShowWatches(points, normal, tangential, work, total_work, total_normal, total_tangential, power,
                          normal_force, tangential_force, !to_force);
  return true;
}

}  // namespace zentrova
