// Fixtures of the contact tests: small planar models written into a temporary folder (a world file, body
// files with their outlines, the generalized coordinates and the contact properties), loaded the way a
// world load does it, and a world for TCollisions that supplies M^-1 and h of free rigid bodies under
// gravity.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/model/body.h"
#include "engine/contact/collisions.h"
#include "engine/contact/contact_properties.h"
#include "engine/model/model.h"
#include "engine/model/world.h"
#include "engine_test_support.h"
#include "numerics/matrix.h"
#include "platform/number_text.h"

namespace zentrova::test {

inline constexpr long double kGravity = 9.81L;

// Outlines, counter-clockwise, the last point repeating the first.
// A floor 20 m wide whose top edge (point 2 to point 3) is the line y = 0.
inline const char* const kFloorOutline =
    "points =5\r\n%%data\r\n-10 10 10 -10 -10\r\n-1 -1 0 0 -1\r\n%%enddata\r\n";
// A 1 m square about its centre.
inline const char* const kBoxOutline =
    "points =5\r\n%%data\r\n-0.5 0.5 0.5 -0.5 -0.5\r\n-0.5 -0.5 0.5 0.5 -0.5\r\n%%enddata\r\n";
// A triangle standing on its apex (0, -0.5): one point touches the floor.
inline const char* const kPuckOutline =
    "points =4\r\n%%data\r\n0 0.5 -0.5 0\r\n-0.5 0.5 0.5 -0.5\r\n%%enddata\r\n";

// A number as the INI reader reads it back exactly.
inline std::string Num(long double value) {
  return FloatToTextRoundTrip(value, '.');
}

// One body file; an empty `outline` makes a body without a shape. `position` and `velocity` are the
// lines of [startPosition] and [startVelocity], `extra` more lines of [Main].
inline std::string BodyFile(const std::string& name, const std::string& outline, long double mass,
                            long double inertia_zz, const std::string& position,
                            const std::string& velocity = "", const std::string& extra = "") {
  std::string text = "[Main]\r\nname=" + name + "\r\n";
  if (outline.empty()) {
    text += "shapeType=none\r\n";
  } else {
    text += "shapeType=extrusionsolid\r\nshapeFile=" + outline + "\r\n";
  }
  text += "density=1000\r\nthickness=0.1\r\ncorrectOrigin=0\r\n" + extra;
  text += "[Mass properties]\r\nmass=" + Num(mass) + "\r\ninertiaZZ=" + Num(inertia_zz) + "\r\n";
  text += "[startPosition]\r\n" + position + "[startVelocity]\r\n" + velocity;
  return text;
}

// Records what detection draws.
class RecordingContactsView : public IContactPointsView {
 public:
  struct Point {
    float x, y, z;
  };
  void AddColor(float r, float g, float b, float a) override { colors.push_back({r, g, b, a}); }
  void AddPoint(float x, float y, float z) override { points.push_back({x, y, z}); }
  void ClearPoints() override { points.clear(); }
  void SetVisible(bool v) override { visible = v; }

  std::vector<std::vector<float>> colors;
  std::vector<Point> points;
  bool visible = false;
};

class CollisionsTest : public EngineTest, public ICollisionWorld {
 protected:
  // Writes a model file into the fixture folder.
  void Write(const std::string& name, const std::string& text) { WriteBytes(dir_.File(name), text); }

  // Writes the world file (its [Main] settings given, the bodies listed in order) and loads it: the
  // bodies, the generalized coordinates (when n > 0, from model.gc), the contact properties (model.cop)
  // and the M^-1 and h of free bodies whose coordinates are the generalized ones.
  void Load(const std::string& main, const std::vector<std::string>& body_files, std::uint32_t n) {
    std::string world = "[Main]\r\nnumberOfGeneralizedCoodinates=" + std::to_string(n) + "\r\n" + main;
    world += "[Bodies]\r\n";
    for (std::size_t i = 0; i < body_files.size(); ++i) {
      world += "Body" + std::to_string(i + 1) + "=" + body_files[i] + "\r\n";
    }
    Write("model.wld", world);
    ASSERT_TRUE(world_.ReadWorldFile(dir_.File("model.wld")));
    for (const std::string& name : world_.Model().BodyFileNames) {
      ASSERT_TRUE(world_.CreateBody(name)) << name;
    }
    world_.Model().GeneralizedCoordinates.SetCount(n);
    if (n > 0) {
      ASSERT_TRUE(world_.Model().GeneralizedCoordinates.Load(dir_.File("model.gc"), n));
    }
    TContactModel model;
    world_.Model().Bodies.AddNames(model.BodyNames);
    model.CoordinateNames = world_.Model().GeneralizedCoordinates.Names;
    model.Time = &world_.State.Time;
    ASSERT_TRUE(properties_.Load(dir_.File("model.cop"), model));
    BuildFreeBodyDynamics();
    collisions_.SetCoordinateCount(n);
    MarkLog();
  }

  // Body 0 a fixed floor, body 1 a 1 m box of 2 kg whose x, y, Rz are the three generalized coordinates;
  // `pair` the keys of the Floor-Box section of the contact properties.
  void LoadBoxOnFloor(const std::string& box_position, const std::string& box_velocity,
                      const std::string& pair, const std::string& main = "maximumPenetration=1e-3\r\n",
                      const std::string& floor_position = "", const std::string& floor_extra = "") {
    Write("floor.exs", kFloorOutline);
    Write("box.exs", kBoxOutline);
    Write("floor.bdy", BodyFile("Floor", "floor.exs", 1000, 1000, floor_position, "", floor_extra));
    Write("box.bdy", BodyFile("Box", "box.exs", kBoxMass, kBoxInertia, box_position, box_velocity));
    Write("model.gc", "b`Box`x\r\nb`Box`y\r\nb`Box`Rz\r\n");
    Write("model.cop", "[Floor-Box]\r\n" + pair);
    Load(main, {"floor.bdy", "box.bdy"}, 3);
  }

  static constexpr long double kBoxMass = 2;
  static constexpr long double kBoxInertia = kBoxMass * (1 + 1) / 12.0L;

  // M = diag(m or Jzz of the coordinate's body), h = -m g for every y.
  void BuildFreeBodyDynamics() {
    const std::uint32_t n = world_.Model().GeneralizedCoordinates.Count;
    minv_.Dim(n);
    minv_.Zero();
    h_.Dim(n);
    h_.Zero();
    for (std::uint32_t i = 0; i < n; ++i) {
      const std::string& name = world_.Model().GeneralizedCoordinates.Names.at(i);
      const std::size_t first = name.find('`');
      const std::size_t second = name.find('`', first + 1);
      const std::string body_name = name.substr(first + 1, second - first - 1);
      const std::string component = name.substr(second + 1);
      std::int32_t index = -1;
      ASSERT_TRUE(world_.Model().Bodies.FindByName(body_name, index)) << name;
      const TBody& body = world_.Model().Bodies.Items(index);
      const long double mass = component == "Rz" ? body.Inertia.ZZ : body.Mass;
      minv_.SetAt(i, i, 1 / mass);
      if (component == "y") h_.SetAt(i, -body.Mass * kGravity);
    }
  }

  // The working q, q' of generalized coordinate i.
  long double& Q(std::uint32_t i) { return world_.State.Evaluated.Q.Data()[i]; }
  long double& QDot(std::uint32_t i) { return world_.State.Evaluated.QDot.Data()[i]; }
  TBody& Body(std::int32_t i) { return world_.Model().Bodies.Items(i); }

  // One step of the driver's contact step as the integration takes it: detection, the impact, the
  // resting forces, then an explicit Euler step q += h q', q' += h M^-1 (h + contact forces). False when
  // detection or a solver refused.
  bool EulerStep() {
    if (!collisions_.Detect() || collisions_.TooDeep) return false;
    world_.State.ContactForces.Zero();
    if (collisions_.ContactsPrepared()) {
      if (collisions_.HasImpacts && !collisions_.SolveImpacts()) return false;
      if (collisions_.HasRestingContacts && !collisions_.SolveContactForces()) return false;
    }
    const std::uint32_t n = world_.Model().GeneralizedCoordinates.Count;
    const long double dt = world_.State.TimeStep;
    std::vector<long double> acceleration(n, 0.0L);
    for (std::uint32_t i = 0; i < n; ++i) {
      for (std::uint32_t j = 0; j < n; ++j) acceleration[i] += minv_.At(i, j) * (h_.At(j) + world_.State.ContactForces.At(j));
    }
    for (std::uint32_t i = 0; i < n; ++i) {
      Q(i) += dt * QDot(i);
      QDot(i) += dt * acceleration[i];
    }
    world_.State.Time += dt;
    return true;
  }

  // ICollisionWorld
  TBodyList& Bodies() override { return world_.Model().Bodies; }
  const TWorldSettings& Settings() override { return world_.Settings; }
  TLCPSettings LCPSettings() override { return world_.LCPSettings(); }
  TStepState& State() override { return world_.State; }
  TContactProperties* ContactProperties() override { return &properties_; }
  long double MaxStepDisplacement() override { return displacement_; }
  const TSqrMatrix& InverseMassMatrix() override { return minv_; }
  const TFloatList& GeneralizedForces() override { return h_; }
  void StopRun() override { ++stops_; }
  IContactPointsView* ContactPointsView() override { return with_view_ ? &view_ : nullptr; }

  TempDir dir_;
  TWorld world_;
  TContactProperties properties_;
  TSqrMatrix minv_;
  TFloatList h_;
  long double displacement_ = 0;
  int stops_ = 0;
  bool with_view_ = false;
  RecordingContactsView view_;
  TCollisions collisions_{*this};
};

}  // namespace zentrova::test
