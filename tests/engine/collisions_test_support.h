// Fixtures of the contact tests: small planar models written into a temporary folder and loaded the way a
// world load does it, without a world: the model's parts bound to settings and a state of the fixture's
// own, for TCollisions with the M^-1 and h of one free rigid body under gravity.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/contact/collisions.h"
#include "engine/contact/contact_properties.h"
#include "engine/model/body.h"
#include "engine/model/constant_list.h"
#include "engine/model/dependent_coordinates.h"
#include "engine/model/expression_names.h"
#include "engine/model/generalized_coordinates.h"
#include "engine/model/model_binding.h"
#include "engine/model/step_state.h"
#include "engine/model/world_settings.h"
#include "engine_test_support.h"
#include "numerics/matrix.h"
#include "platform/ini_file.h"
#include "platform/number_text.h"

namespace zentrova::test {

inline constexpr long double kGravity = 9.81L;

// Outlines, counter-clockwise, the last point repeating the first. A floor 20 m wide whose top edge
// (point 2 at (10, 0) to point 3 at (-10, 0)) is the line y = 0; a 1 m square about its centre; a
// triangle standing on its apex (0, -0.5).
inline const char* const kFloorOutline =
    "points =5\r\n%%data\r\n-10 10 10 -10 -10\r\n-1 -1 0 0 -1\r\n%%enddata\r\n";
inline const char* const kBoxOutline =
    "points =5\r\n%%data\r\n-0.5 0.5 0.5 -0.5 -0.5\r\n-0.5 -0.5 0.5 0.5 -0.5\r\n%%enddata\r\n";
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
  text +=
      outline.empty() ? "shapeType=none\r\n" : "shapeType=extrusionsolid\r\nshapeFile=" + outline + "\r\n";
  text += "density=1000\r\nthickness=0.1\r\ncorrectOrigin=0\r\n" + extra;
  text += "[Mass properties]\r\nmass=" + Num(mass) + "\r\ninertiaZZ=" + Num(inertia_zz) + "\r\n";
  return text + "[startPosition]\r\n" + position + "[startVelocity]\r\n" + velocity;
}

// What detection and the contact solvers read of a loaded model, made without a world: settings, a state,
// and the bodies, constants and coordinates bound to them. It logs to the program's log.
class FakeWorld {
 public:
  FakeWorld() {
    binding_.Bodies = &model_.Bodies;
    binding_.BodyFileNames = &model_.BodyFileNames;
    binding_.Constants = &model_.Constants;
    binding_.Coordinates = &model_.GeneralizedCoordinates;
    binding_.Names = &model_.ExpressionNames;
    binding_.State = &State;
    binding_.CoordinateCount = &Settings.N;
  }
  FakeWorld(const FakeWorld&) = delete;
  FakeWorld& operator=(const FakeWorld&) = delete;

  struct Parts {
    explicit Parts(const TModelBinding& binding)
        : ExpressionNames(binding), GeneralizedCoordinates(binding), DependentCoordinates(binding) {}
    std::vector<std::string> BodyFileNames;
    TBodyList Bodies;
    TConstantList Constants;
    TExpressionNames ExpressionNames;
    TGeneralizedCoordinates GeneralizedCoordinates;
    TDependentCoordinates DependentCoordinates;
  };

  // Section Main into the settings (the time step its maximum, as step control starts a run) and the body
  // files of section Bodies.
  bool ReadWorldFile(const std::string& path) {
    const TIniFile ini(path);
    if (!Settings.Read(ini, path, ProgramLog())) return false;
    State.TimeStep = Settings.MaximumTimestep;
    for (int k = 1;; ++k) {
      const std::string name = ini.ReadString("Bodies", "Body" + std::to_string(k), "");
      if (name.empty()) return true;
      model_.BodyFileNames.push_back(name);
    }
  }
  bool CreateBody(const std::string& name) {
    auto body = std::make_unique<TBody>(Settings);
    if (!body->Load(Settings.WorkingDirectory + name)) return false;
    model_.Bodies.Add(std::move(body));
    return true;
  }
  Parts& Model() { return model_; }
  TLCPSettings LCPSettings() const { return Settings.LCP; }
  void SetLCPPivotToleranceMin(long double value) { Settings.LCP.PivotToleranceMin = value; }
  void SetLCPPivotToleranceMax(long double value) { Settings.LCP.PivotToleranceMax = value; }

  TWorldSettings Settings;
  TStepState State;

 private:
  TModelBinding binding_;
  Parts model_{binding_};
};

class CollisionsTest : public EngineTest, public ICollisionWorld {
 protected:
  void Write(const std::string& name, const std::string& text) { WriteBytes(dir_.File(name), text); }

  // Writes the world file and loads it with the generalized coordinates of model.gc and the contact
  // properties of model.cop. M^-1 and h are those of a free body whose x, y (and Rz) are the coordinates.
  void Load(const std::string& main, const std::vector<std::string>& body_files, std::uint32_t n,
            long double mass = 1, long double inertia = 1) {
    std::string world =
        "[Main]\r\nnumberOfGeneralizedCoodinates=" + std::to_string(n) + "\r\n" + main + "[Bodies]\r\n";
    for (std::size_t i = 0; i < body_files.size(); ++i)
      world += "Body" + std::to_string(i + 1) + "=" + body_files[i] + "\r\n";
    Write("model.wld", world);
    ASSERT_TRUE(world_.ReadWorldFile(dir_.File("model.wld")));
    for (const std::string& name : world_.Model().BodyFileNames) ASSERT_TRUE(world_.CreateBody(name)) << name;
    world_.Model().GeneralizedCoordinates.SetCount(n);
    ASSERT_TRUE(n == 0 || world_.Model().GeneralizedCoordinates.Load(dir_.File("model.gc"), n));
    TContactModel model;
    world_.Model().Bodies.AddNames(model.BodyNames);
    model.CoordinateNames = world_.Model().GeneralizedCoordinates.Names;
    model.Time = &world_.State.Time;
    ASSERT_TRUE(properties_.Load(dir_.File("model.cop"), model));
    minv_.Dim(n);
    minv_.Zero();
    Fill(h_, std::vector<long double>(n, 0.0L));
    for (std::uint32_t i = 0; i < n; ++i) minv_.SetAt(i, i, i == 2 ? 1 / inertia : 1 / mass);
    if (n > 1) h_.SetAt(1, -mass * kGravity);
    collisions_.SetCoordinateCount(n);
    MarkLog();
  }

  // Body 0 a fixed floor, body 1 a 1 m box of 2 kg whose x, y, Rz are the generalized coordinates; `pair`
  // the keys of the Floor-Box section of the contact properties.
  void LoadBoxOnFloor(const std::string& box_position, const std::string& box_velocity,
                      const std::string& pair, const std::string& main = "maximumPenetration=1e-3\r\n",
                      const std::string& floor_position = "", const std::string& floor_extra = "") {
    Write("floor.exs", kFloorOutline);
    Write("box.exs", kBoxOutline);
    Write("floor.bdy", BodyFile("Floor", "floor.exs", 1000, 1000, floor_position, "", floor_extra));
    Write("box.bdy", BodyFile("Box", "box.exs", kBoxMass, kBoxInertia, box_position, box_velocity));
    Write("model.gc", "b`Box`x\r\nb`Box`y\r\nb`Box`Rz\r\n");
    Write("model.cop", "[Floor-Box]\r\n" + pair);
    Load(main, {"floor.bdy", "box.bdy"}, 3, kBoxMass, kBoxInertia);
  }

  // The floor and a triangle of 2 kg and inertia 1 standing on its apex, one contact: its x and y are
  // the generalized coordinates, and its Rz too when it `turns`.
  void LoadPuck(const std::string& position, const std::string& velocity, const std::string& pair,
                bool turns = false, const std::string& main = "maximumPenetration=1e-3\r\n") {
    Write("floor.exs", kFloorOutline);
    Write("puck.exs", kPuckOutline);
    Write("floor.bdy", BodyFile("Floor", "floor.exs", 1000, 1000, ""));
    Write("puck.bdy", BodyFile("Puck", "puck.exs", kPuckMass, 1, position, velocity));
    Write("model.gc", turns ? "b`Puck`x\r\nb`Puck`y\r\nb`Puck`Rz\r\n" : "b`Puck`x\r\nb`Puck`y\r\n");
    Write("model.cop", "[Floor-Puck]\r\n" + pair);
    Load(main, {"floor.bdy", "puck.bdy"}, turns ? 3 : 2, kPuckMass, 1);
  }

  static constexpr long double kBoxMass = 2, kBoxInertia = kBoxMass * (1 + 1) / 12.0L, kPuckMass = 2;

  // The working q, q' of generalized coordinate i.
  long double& Q(std::uint32_t i) { return world_.State.Evaluated.Q.Data()[i]; }
  long double& QDot(std::uint32_t i) { return world_.State.Evaluated.QDot.Data()[i]; }

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
  TContactPointList* ContactPointList() override { return drawn_; }

  TempDir dir_;
  FakeWorld world_;
  TContactProperties properties_;
  TSqrMatrix minv_;
  TFloatList h_;
  long double displacement_ = 0;
  int stops_ = 0;
  TContactPointList* drawn_ = nullptr;  // none: nothing is drawn
  TCollisions collisions_{*this};
};

}  // namespace zentrova::test
