#include "engine/step/integration.h"

#include <gtest/gtest.h>

#include "driver_test_support.h"
#include "numerics/numerics_error.h"

namespace zentrova {
namespace {

using IntegrationTest = test::ModelTest;

// M = y - 1 with h = -4, from y = 0 at rest and a step of 1: the stages see y = 0, 0 and then 1, where
// M is singular.
TEST_F(IntegrationTest, FailingThirdStageLeavesTheTimeAtHalfStep) {
  CopyModel("fall");
  WriteModelFile("fall.wld",
                 "[Main]\nnumberOfGeneralizedCoodinates=1\nmaximumTimestep=1\n[Bodies]\nBody1=ball.bdy\n");
  WriteModelFile("ball.bdy", "[Main]\nname=Ball\nshapeType=none\n[Mass properties]\nmass=1\n");
  WriteModelFile("fall.mmx", "b`Ball`y[t] - 1\n");
  WriteModelFile("fall.hv", "-4\n");
  ASSERT_TRUE(Load("fall.wld"));
  EXPECT_FALSE(main_->Integration().Step());
  EXPECT_EQ(World().State.Time, 0.5L);
  EXPECT_EQ(Q(0), 1);                           // the third stage's state
  EXPECT_EQ(World().State.Current.Q.At(0), 0);  // the start was saved before the stages
  EXPECT_EQ(Lines().back(), "[Error] Error in mass matrix inversion (possibly singular).");
  ClearNumericsError();
}

}  // namespace
}  // namespace zentrova
