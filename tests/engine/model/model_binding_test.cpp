// A model's parts on a binding of their own, without a world: they load, resolve names and evaluate
// through it, and log to its sink.
#include "engine/model/model_binding.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/model/body.h"
#include "engine/model/constant_list.h"
#include "engine/model/expression_list.h"
#include "engine/model/expression_names.h"
#include "engine/model/generalized_coordinates.h"
#include "engine/model/step_state.h"
#include "engine/model/world_settings.h"
#include "engine_test_support.h"

namespace zentrova {
namespace {

using Strings = std::vector<std::string>;

// An arm of 2 kg turned by 0.3 rad and turning at 2 rad/s, a constant l = 0.5 and a second coordinate
// phi that belongs to no body.
class ModelBindingTest : public test::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    binding_.Bodies = &bodies_;
    binding_.BodyFileNames = &body_files_;
    binding_.Constants = &constants_;
    binding_.Coordinates = &coordinates_;
    binding_.Names = &names_;
    binding_.State = &state_;
    binding_.CoordinateCount = &settings_.N;
    binding_.Log = &sink_;
    settings_.N = 2;
    test::WriteBytes(dir_.File("arm.bdy"),
                     "[Main]\nname=Arm\nshapeType=none\n[Mass properties]\nmass=2\ninertiaZZ=0.5\n"
                     "[startPosition]\nRz=0.3\n[startVelocity]\nRz=2\n");
    test::WriteBytes(dir_.File("model.cns"), "l = 0.5\r\n");
    test::WriteBytes(dir_.File("model.gc"), "b`Arm`Rz[t]\r\nphi\r\n");
    auto arm = std::make_unique<TBody>(settings_, sink_);
    ASSERT_TRUE(arm->Load(dir_.File("arm.bdy")));
    bodies_.Add(std::move(arm));
    body_files_ = {"arm.bdy"};
    ASSERT_TRUE(constants_.Load(dir_.File("model.cns")));
    ASSERT_TRUE(coordinates_.Load(dir_.File("model.gc"), 2));
    sink_.lines.clear();  // the arm's alerts about its explicit mass properties
  }

  test::TempDir dir_;
  test::RecordingLogSink sink_;
  TWorldSettings settings_;
  TStepState state_;
  TModelBinding binding_;
  std::vector<std::string> body_files_;
  TBodyList bodies_;
  TConstantList constants_{sink_};
  TExpressionNames names_{binding_};
  TGeneralizedCoordinates coordinates_{binding_};
};

TEST_F(ModelBindingTest, ExpressionsEvaluateAtTheBindingsStateAndTime) {
  TExpressionList list(binding_);
  ASSERT_TRUE(list.AddExpression({"b`Arm`m l b`Arm`Rz[t]", "b`Arm`Rz'[t] t + phi"}))
      << ::testing::PrintToString(sink_.lines);
  // The start values reached the state: m l Rz = 2 * 0.5 * 0.3, Rz' t + phi = 2 * 0 + 0.
  EXPECT_EQ(state_.Evaluated.Count(), 2u);
  EXPECT_NEAR(list.Value(0), 0.3L, 1e-18L);
  EXPECT_EQ(list.Value(1), 0);
  state_.Time = 1.5L;
  state_.Evaluated.Q.SetAt(1, 4);
  list.EvaluateAll(true);
  EXPECT_EQ(list.Value(1), 2 * 1.5L + 4);
  EXPECT_EQ(sink_.lines, Strings());
  EXPECT_EQ(Logged(), Strings());  // the program's log
}

TEST_F(ModelBindingTest, RefusalsGoToTheBindingsSink) {
  TExpressionList list(binding_);
  EXPECT_FALSE(list.AddExpression({"b`Leg`x[t] + l"}, TLineSource::SameLine("model.hv", 3, 1)));
  EXPECT_EQ(sink_.lines,
            (Strings{"[Error] Unknown variable present (b`Leg`x+0.5). Check .mmx, .hv, .dc, .me,... files. Line 3 of "
                     "file model.hv: unknown variable b`Leg`x."}));
  EXPECT_EQ(Logged(), Strings());
}

}  // namespace
}  // namespace zentrova
