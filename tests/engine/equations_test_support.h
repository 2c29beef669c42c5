// Fixtures of the equation-of-motion readers: a world read from a fixture folder under
// tests/data/engine/readers2 with its bodies loaded as the world's load does it.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "engine/model/body.h"
#include "engine/world/model.h"
#include "engine/world/world.h"
#include "engine_test_support.h"

namespace zentrova::test {

// A value the equations give to within a relative 1e-15 of the hand-computed one.
inline void ExpectClose(long double actual, long double expected, const char* what) {
  EXPECT_NEAR(actual, expected, 1e-15L * std::fabs(expected)) << what;
}

class EquationsTest : public EngineTest {
 protected:
  // Reads the world file of the folder and loads every body it names.
  void LoadBodies(const std::string& folder, const std::string& world_file) {
    ASSERT_TRUE(world_.ReadWorldFile(Data("readers2/" + folder + "/" + world_file)));
    for (const std::string& name : world_.Model().BodyFileNames) {
      ASSERT_TRUE(world_.CreateBody(name)) << name;
    }
    MarkLog();  // the bodies' alerts about their explicit mass properties
  }

  // The arm fixture: bodies Arm (with every mass property given) and Hand, one generalized coordinate
  // b`Arm`Rz.
  void LoadArm() {
    LoadBodies("arm", "arm.wld");
    ASSERT_TRUE(world_.Model().GeneralizedCoordinates.Load(Model("arm.gc"), world_.Settings.N));
  }

  // The two-link pendulum: joint angles b`Link1`Rz and b`Link2`Rz, the links' centres dependent.
  void LoadPendulum() {
    LoadBodies("pendulum", "pendulum.wld");
    ASSERT_TRUE(world_.Model().Constants.Load(Model("pendulum.cns")));
    ASSERT_TRUE(world_.Model().GeneralizedCoordinates.Load(Model("pendulum.gc"), world_.Settings.N));
    ASSERT_TRUE(world_.Model().DependentCoordinates.Load(Model("pendulum.dc")));
  }

  std::string Model(const std::string& file) const { return world_.Settings.WorkingDirectory + file; }
  // A model file of the given text in a temporary folder.
  std::string Write(const std::string& file, const std::string& text) {
    WriteBytes(dir_.File(file), text);
    return dir_.File(file);
  }

  TWorld world_;
  TempDir dir_;
};

}  // namespace zentrova::test
