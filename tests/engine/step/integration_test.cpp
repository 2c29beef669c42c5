#include "engine/step/integration.h"

#include <gtest/gtest.h>

#include <string>

#include "driver_test_support.h"
#include "numerics/float_list.h"
#include "numerics/nonzero_pattern.h"
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
  EXPECT_EQ(Lines().back(), "[Error] Error in mass matrix inversion (possibly singular). File fall.mmx.");
  ClearNumericsError();
}

// M = [[1, t], [t, 1]] and h = (1, 0): M^-1 is diagonal at t = 0 and couples the two coordinates later,
// q'' = (1, -t) / (1 - t^2). The accelerations follow M^-1 as it is at each time, not its zeros at the
// load.
TEST_F(IntegrationTest, AccelerationsFollowAnInverseMassMatrixThatGainsCouplings) {
  CopyModel("fall");
  WriteModelFile("fall.wld",
                 "[Main]\nnumberOfGeneralizedCoodinates=2\nmaximumTimestep=0.5\n[Bodies]\nBody1=ball.bdy\n");
  WriteModelFile("ball.bdy", "[Main]\nname=Ball\nshapeType=none\n[Mass properties]\nmass=1\n");
  WriteModelFile("fall.gc", "b`Ball`x[t]\nb`Ball`y[t]\n");
  WriteModelFile("fall.mmx", "1   t\nt   1\n");
  WriteModelFile("fall.hv", "1\n0\n");
  ASSERT_TRUE(Load("fall.wld"));
  TFloatList d;
  for (const long double t : {0.0L, 0.5L, 0.25L}) {
    SCOPED_TRACE(static_cast<double>(t));
    World().State.Time = t;
    ASSERT_TRUE(main_->Integration().Derivatives(d));
    EXPECT_NEAR(d.At(1), 1 / (1 - t * t), 1e-15);
    EXPECT_NEAR(d.At(3), -t / (1 - t * t), 1e-15);
  }
}

// The same with nine coordinates, where the products skip the zeros of M^-1: M is the identity but for
// M(0, 8) = M(8, 0) = t, so q''_0 = 1 / (1 - t^2) and q''_8 = -t / (1 - t^2) with h = e_0. The pattern
// the products and the contact solver read follows each new inverse, couplings gained and lost: one kept
// from an earlier time would drop q''_8 or couple what no longer is.
TEST_F(IntegrationTest, PatternOfTheInverseMassMatrixFollowsEveryNewInverse) {
  constexpr int n = 9;
  CopyModel("fall");
  WriteModelFile("fall.wld", "[Main]\nnumberOfGeneralizedCoodinates=" + std::to_string(n) +
                                 "\nmaximumTimestep=0.5\n[Bodies]\nBody1=ball.bdy\n");
  WriteModelFile("ball.bdy", "[Main]\nname=Ball\nshapeType=none\n[Mass properties]\nmass=1\n");
  std::string gc, mmx, hv;
  for (int r = 0; r < n; ++r) {
    gc += "u" + std::to_string(r + 1) + "[t]\n";
    for (int c = 0; c < n; ++c) {
      mmx += std::string(c > 0 ? "   " : "") + (r == c ? "1" : r + c == n - 1 && r * c == 0 ? "t" : "0");
    }
    mmx += "\n";
    hv += r == 0 ? "1\n" : "0\n";
  }
  WriteModelFile("fall.gc", gc);
  WriteModelFile("fall.mmx", mmx);
  WriteModelFile("fall.hv", hv);
  WriteModelFile("fall.me", "u1'[t]^2/2\n");
  ASSERT_TRUE(Load("fall.wld"));
  TFloatList d;
  for (const long double t : {0.0L, 0.5L, 0.25L, 0.0L}) {
    SCOPED_TRACE(static_cast<double>(t));
    World().State.Time = t;
    ASSERT_TRUE(main_->Integration().Derivatives(d));
    EXPECT_NEAR(d.At(1), 1 / (1 - t * t), 1e-15);
    EXPECT_NEAR(d.At(2 * n - 1), -t / (1 - t * t), 1e-15);
    const TNonZeroPattern* pattern = main_->InverseMassPattern();
    ASSERT_EQ(pattern->Rows(), static_cast<std::uint32_t>(n));
    EXPECT_EQ(pattern->Coupled().at(n - 1), t == 0 ? n - 1 : 0u);
    EXPECT_EQ(pattern->Count(), t == 0 ? n : n + 2u);
  }
}

}  // namespace
}  // namespace zentrova
