// The world's side of the view: the frames a run publishes, and the watch values the plot window shows.
#include <algorithm>
#include <cmath>
#include <set>

#include "engine/model/value_statistics.h"
#include "engine/world/model.h"
#include "engine/world/world.h"
#include "numerics/float_list.h"
#include "numerics/int_list.h"
#include "platform/number_text.h"

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

// --- View commands --------------------------------------------------------------------------------------

namespace zentrova {

namespace {

// Five steps of 2^(1/5) double the radius; five of 0.5^(1/5) halve it.
constexpr int kPointerSizeSteps = 5;
// The pulse that shows where the pointer is: eight steps up by 1.15, eight back down.
constexpr int kPointerPulseSteps = 8;
constexpr long double kPointerPulseFactor = 1.15L;
// The pointer is a tenth of the smallest body; the camera and lights stand ten model sizes away.
constexpr long double kPointerToBodyRadius = 10;
constexpr long double kCameraDistanceFactor = 10;

const char* const kPointerGroup = "Pointer";
const char* const kOrientationBoxGroup = "Orientation box";
const char* const kAxesGroup = "Axes";

bool SideOfWord(const std::string& word, TOrientationSide& side) {
  static const std::pair<const char*, TOrientationSide> kSides[] = {
      {"floor", TOrientationSide::Floor}, {"ceiling", TOrientationSide::Ceiling},
      {"left", TOrientationSide::Left},   {"right", TOrientationSide::Right},
      {"back", TOrientationSide::Back},   {"front", TOrientationSide::Front}};
  for (const auto& [name, s] : kSides) {
    if (word == name) {
      side = s;
      return true;
    }
  }
  return false;
}

}  // namespace

void TWorld::RefreshBodies() {
  if (View == nullptr || Stepping) return;
  const TBodyList& bodies = model_->Bodies;
  for (std::int32_t i = 0; i < bodies.Count(); ++i) bodies.Items(i).RefreshSceneObject(*View, i);
}

void TWorld::ShowTextures() {
  TBodyList& bodies = model_->Bodies;
  for (std::int32_t i = 0; i < bodies.Count(); ++i) {
    bodies.Items(i).Textured = true;
    if (View != nullptr) bodies.Items(i).UpdateAppearance(*View, i);
  }
}

void TWorld::HideTextures() {
  TBodyList& bodies = model_->Bodies;
  for (std::int32_t i = 0; i < bodies.Count(); ++i) {
    bodies.Items(i).Textured = false;
    if (View != nullptr) bodies.Items(i).UpdateAppearance(*View, i);
  }
}

void TWorld::ShowWireframeBodies() {
  TBodyList& bodies = model_->Bodies;
  for (std::int32_t i = 0; i < bodies.Count(); ++i) {
    bodies.Items(i).Wireframe = true;
    if (View != nullptr) bodies.Items(i).UpdateAppearance(*View, i);
  }
  if (View != nullptr) View->SetPointerWireframe(true);
}

void TWorld::ShowFilledBodies() {
  TBodyList& bodies = model_->Bodies;
  for (std::int32_t i = 0; i < bodies.Count(); ++i) {
    bodies.Items(i).Wireframe = false;
    if (View != nullptr) bodies.Items(i).UpdateAppearance(*View, i);
  }
  if (View != nullptr) View->SetPointerWireframe(false);
}

void TWorld::ShowThickBodies() {
  if (View == nullptr) return;
  const TBodyList& bodies = model_->Bodies;
  for (std::int32_t i = 0; i < bodies.Count(); ++i) bodies.Items(i).ShowThick(*View, i);
}

void TWorld::ShowFlatBodies() {
  if (View == nullptr) return;
  const TBodyList& bodies = model_->Bodies;
  for (std::int32_t i = 0; i < bodies.Count(); ++i) bodies.Items(i).ShowFlat(*View, i);
}

void TWorld::CreatePointer() {
  if (View != nullptr) {
    // Only bodies with a shape are drawn: a shapeless body's radius 0 would make the pointer vanish.
    const TBodyList& bodies = model_->Bodies;
    bool found = false;
    long double smallest = 0;
    for (std::int32_t i = 0; i < bodies.Count(); ++i) {
      const TBody& body = bodies.Items(i);
      if (body.HasShape && (!found || body.Radius < smallest)) {
        smallest = body.Radius;
        found = true;
      }
    }
    if (found) View->SetPointerRadius(static_cast<float>(smallest / kPointerToBodyRadius));
    View->SetPointerVisible(false);
  }
  if (ControlTree != nullptr) {
    PointerNode = ControlTree->AddChild(kNoTreeNode, kPointerGroup, 34, 35);
    ControlTree->AddChild(PointerNode, "Increase size", 36, 37);
    ControlTree->AddChild(PointerNode, "Decrease size", 38, 39);
    ControlTree->AddChild(PointerNode, "Move to origin", 40, 41);
    ControlTree->AddChild(PointerNode, "Hide", 42, 43);
  }
}

namespace {

// Multiplies the pointer's radius by `factor` `steps` times, drawing each step.
void AnimatePointer(TWorld& world, IWorldView& view, long double factor, int steps) {
  long double radius = view.PointerRadius();
  for (int i = 0; i < steps; ++i) {
    radius *= factor;
    view.SetPointerRadius(static_cast<float>(radius));
    world.RefreshBodies();
    view.Repaint();
  }
}

}  // namespace

void TWorld::IncreasePointerSize() {
  if (View == nullptr) return;
  AnimatePointer(*this, *View, std::pow(2.0L, 1.0L / kPointerSizeSteps), kPointerSizeSteps);
}

void TWorld::DecreasePointerSize() {
  if (View == nullptr) return;
  AnimatePointer(*this, *View, std::pow(0.5L, 1.0L / kPointerSizeSteps), kPointerSizeSteps);
}

void TWorld::ShowPointer() {
  if (View == nullptr || View->PointerVisible()) return;
  if (ControlTree != nullptr) ControlTree->ChangeNodeText(kPointerGroup, "Hide", "Show");
  View->AimCameraAtPointer();
  View->SetPointerVisible(true);
  AnimatePointer(*this, *View, kPointerPulseFactor, kPointerPulseSteps);
  AnimatePointer(*this, *View, 1 / kPointerPulseFactor, kPointerPulseSteps);
}

void TWorld::HidePointer() {
  if (ControlTree != nullptr) ControlTree->ChangeNodeText(kPointerGroup, "Show", "Hide");
  if (View != nullptr) View->SetPointerVisible(false);
}

void TWorld::MovePointerToOrigin() {
  if (View == nullptr) return;
  View->SetPointerPosition({0, 0, 0});
  View->SetPointerCarrierPosition(View->PointerPosition());
}

long double TWorld::BodyDisplayRadius(std::int32_t index) const {
  const TBody& body = model_->Bodies.Items(index);
  const TCoordinates& p = body.Kinematics.Position;
  const long double x = p.X.Get(), y = p.Y.Get(), z = p.Z.Get();
  // The cube root of the squared distance, as the program has always measured the model.
  return std::cbrt(x * x + y * y + z * z) + body.Radius;
}

long double TWorld::OrientationBoxRadius() const {
  long double r = 0;
  for (std::int32_t i = 0; i < model_->Bodies.Count(); ++i) r = std::max(r, BodyDisplayRadius(i));
  return r;
}

void TWorld::CreateOrientationBox() {
  if (View != nullptr) {
    const long double r = OrientationBoxRadius();
    const auto size = static_cast<float>(2 * r);
    const auto at = static_cast<float>(r);
    View->PlaceOrientationSide(TOrientationSide::Floor, size, -at);
    View->PlaceOrientationSide(TOrientationSide::Ceiling, size, at);
    View->PlaceOrientationSide(TOrientationSide::Left, size, -at);
    View->PlaceOrientationSide(TOrientationSide::Right, size, at);
    View->PlaceOrientationSide(TOrientationSide::Front, size, -at);
    View->PlaceOrientationSide(TOrientationSide::Back, size, at);
  }
  if (ControlTree != nullptr) {
    OrientationBoxNode = ControlTree->AddChild(kNoTreeNode, kOrientationBoxGroup, 48, 49);
    for (const char* caption : {"Show floor", "Hide back", "Hide front", "Hide left", "Hide right", "Hide ceiling"}) {
      ControlTree->AddChild(OrientationBoxNode, caption, 42, 43);
    }
  }
}

void TWorld::ToggleOrientationBoxSide(const std::string& caption) {
  const std::size_t blank = caption.find(' ');
  const std::string state = caption.substr(0, blank);
  const std::string side_word = blank == std::string::npos ? std::string() : caption.substr(blank + 1);
  const std::string new_state = state == "Hide" ? "Show" : "Hide";
  if (ControlTree != nullptr) {
    ControlTree->ChangeNodeText(kOrientationBoxGroup, caption, new_state + " " + side_word);
  }
  TOrientationSide side{};
  if (View != nullptr && SideOfWord(side_word, side)) View->SetOrientationSideVisible(side, new_state == "Show");
}

void TWorld::CreateAxesNodes() {
  if (View != nullptr) View->SetAxesVisible(false);
  if (ControlTree != nullptr) {
    AxesNode = ControlTree->AddChild(kNoTreeNode, kAxesGroup, 50, 51);
    ControlTree->AddChild(AxesNode, "Hide", 42, 43);
  }
}

void TWorld::ShowAxes() {
  if (ControlTree != nullptr) ControlTree->ChangeNodeText(kAxesGroup, "Hide", "Show");
  if (View != nullptr) View->SetAxesVisible(true);
}

void TWorld::HideAxes() {
  if (ControlTree != nullptr) ControlTree->ChangeNodeText(kAxesGroup, "Show", "Hide");
  if (View != nullptr) View->SetAxesVisible(false);
}

void TWorld::PlaceCameraAndLights() {
  if (View == nullptr) return;
  long double s = 0;
  const TBodyList& bodies = model_->Bodies;
  for (std::int32_t i = 0; i < bodies.Count(); ++i) {
    const TCoordinates& p = bodies.Items(i).Kinematics.Position;
    const long double x = p.X.Get(), y = p.Y.Get(), z = p.Z.Get();
    s = std::max({s, std::cbrt(x * x + y * y + z * z), bodies.Items(i).Radius});
  }
  const auto d = static_cast<float>(kCameraDistanceFactor * s);
  View->SetCameraPosition({d, d, d});
  View->SetLightPosition(0, {-d, d, -d});
  View->SetLightPosition(1, {-d, -d, d});
  View->SetLightPosition(2, {d, -d, -d});

  // What is drawn lies in the orientation box or in a body's bounding sphere: the camera is told the
  // distances between which all of it lies, so that a model of any size is seen whole.
  const long double camera = d, r = OrientationBoxRadius();
  const long double root3 = std::sqrt(3.0L);
  long double nearest = root3 * std::max(camera - r, 0.0L), farthest = root3 * (camera + r);
  for (std::int32_t i = 0; i < bodies.Count(); ++i) {
    const TBody& body = bodies.Items(i);
    const TCoordinates& p = body.Kinematics.Position;
    const long double dx = camera - p.X.Get(), dy = camera - p.Y.Get(), dz = camera - p.Z.Get();
    const long double distance = std::sqrt(dx * dx + dy * dy + dz * dz);
    nearest = std::min(nearest, std::max(distance - body.Radius, 0.0L));
    farthest = std::max(farthest, distance + body.Radius);
  }
  View->SetCameraDepthRange(static_cast<float>(nearest), static_cast<float>(farthest));
}

bool TWorld::SetPivotTolerance(long double old_value, long double new_value) {
  // The control tree passes the number its node shows, so the match allows for the text's rounding.
  constexpr long double kSameTolerance = 1e-20L;
  const TLCPSettings lcp = LCPSettings();
  if (std::fabs(old_value - lcp.PivotToleranceMin) < kSameTolerance) {
    SetLCPPivotToleranceMin(new_value);
    return true;
  }
  if (std::fabs(old_value - lcp.PivotToleranceMax) < kSameTolerance) {
    SetLCPPivotToleranceMax(new_value);
    return true;
  }
  return false;
}

bool TWorld::SetLexicoZeroTolerance(long double value) {
  SetLCPLexicoZeroTolerance(value);
  return true;
}

void TWorld::ShowBoundingBoxTree(std::int32_t body) {
  if (View == nullptr || body < 0 || body >= model_->Bodies.Count()) return;
  model_->Bodies.Items(body).ShowBoundingBoxTree(*View, body);
}

void TWorld::ToggleContactWatches(std::int32_t body) {
  if (View == nullptr || body < 0 || body >= model_->Bodies.Count()) return;
  model_->Bodies.Items(body).ToggleContactWatches(*View, ControlTree, body, Settings.WatchTextScale);
}

// --- Control tree ----------------------------------------------------------------------------------------

void TWorld::BuildControlTree() {
  if (ControlTree == nullptr) return;
  AddWorldNodes();
  AddBodiesNodes();
  AddCollisionsNodes();
  AddHistoryNodes();
  AddLogNodes();
}

void TWorld::AddWorldNodes() {
  IControlTree& t = *ControlTree;
  TWorldTreeNode& n = WorldTreeNode;
  const TLCPSettings lcp = LCPSettings();
  n.World = t.AddChild(kNoTreeNode, "World", 60, 61);
  n.LCPSolver = t.AddChild(n.World, "LCP solver", 62, 63);
  n.PivotTolerance = t.AddChild(n.LCPSolver, "Pivot tolerance", 68, 69);
  n.PivotMinimum = t.AddChild(n.PivotTolerance, FloatToText(lcp.PivotToleranceMin), 64, 65);
  n.PivotMaximum = t.AddChild(n.PivotTolerance, FloatToText(lcp.PivotToleranceMax), 66, 67);
  n.LexicoZeroTolerance = t.AddChild(n.LCPSolver, "Lexico zero tolerance", 68, 69);
  n.LexicoValue = t.AddChild(n.LexicoZeroTolerance, FloatToText(lcp.LexicoZeroTolerance), 68, 69);
  n.TryToSolveByGoingBack = t.AddChild(n.LCPSolver, "Try to solve by going back", 10, 11);
  n.GoingBackValue = t.AddChild(n.TryToSolveByGoingBack, TryToSolveByGoingBack() ? "True" : "False", 10, 11);
  n.CreateNextVersion = t.AddChild(n.World, "Create next version", 80, 81);
}

void TWorld::AddBodiesNodes() {
  IControlTree& t = *ControlTree;
  BodiesNode = t.AddChild(kNoTreeNode, "Bodies", 18, 19);
  for (const char* caption : {"Show textures", "Show normal", "Show thick"}) t.AddChild(BodiesNode, caption, 10, 11);
}

void TWorld::AddCollisionsNodes() {
  IControlTree& t = *ControlTree;
  const TCollisionFlags& f = CollisionFlags;
  CollisionsNode = t.AddChild(kNoTreeNode, "Collisions", 8, 9);
  t.AddChild(CollisionsNode, f.BreakAtCollisions ? "Break at collisions" : "Do not break at collisions", 10, 11);
  t.AddChild(CollisionsNode, f.ShowCollisions ? "Show collisions" : "Hide collisions", 10, 11);
  t.AddChild(CollisionsNode,
             f.ShowOverPenetratingPoints ? "Show over-penetrating points" : "Hide over-penetrating points", 10,
             11);
}

void TWorld::AddHistoryNodes() {
  IControlTree& t = *ControlTree;
  HistoryNode = t.AddChild(kNoTreeNode, "History", 22, 23);
  const char* mode = Settings.WriteEachTimeStep  ? "Save each time step"
                     : Settings.WriteAtCollision ? "Save each collision time step"
                                                 : "Save each maximumTimestep";
  t.AddChild(HistoryNode, mode, 44, 45);
}

void TWorld::AddLogNodes() {
  IControlTree& t = *ControlTree;
  const TLCPSettings lcp = LCPSettings();
  LogNode = t.AddChild(kNoTreeNode, "Log", 58, 59);
  t.AddChild(LogNode, lcp.LogUnboundedRay ? "Show unbounded ray alert" : "Hide unbounded ray alert", 10, 11);
  t.AddChild(LogNode,
             lcp.LogMaximumIterations ? "Show maximum number of iterations alert"
                                      : "Hide maximum number of iterations alert",
             10, 11);
}

}  // namespace zentrova
