// The cadencer on an external clock that the tests step: by hand, and driven under a QCoreApplication.
#include "scene/cadencer/cadencer.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "qt_test_application.h"
#include "scene/core/stage.h"
#include "test_support.h"

namespace zentrova {
namespace {

// (delta, time) of each step. The scaled clock starts a few microseconds before the external 0: the time
// it took to switch to it.
using Steps = std::vector<std::pair<double, double>>;

class CadencerTest : public ::testing::Test {
 protected:
  CadencerTest() {
    cadencer_.SetMode(cmManual);
    cadencer_.SetTimeReference(cmExternal);
    cadencer_.OnProgress = [this](TPersistent*, double delta, double time) {
      steps_.emplace_back(delta, time);
    };
    // The scene takes the same steps first; its objects cannot tick their cadencer again.
    stage_.Objects().OnProgress = [this](TGLBaseSceneObject&, double delta, double time) {
      scene_steps_.emplace_back(delta, time), cadencer_.Progress();
    };
    cadencer_.SetScene(&stage_);
  }
  // Ticks at each time in turn (a negative time only sets the clock) and expects the steps made.
  void Expect(const std::vector<double>& times, const Steps& expected) {
    for (double t : times) {
      cadencer_.SetExternalTime(std::abs(t));
      if (t >= 0) cadencer_.Progress();
    }
    EXPECT_EQ(scene_steps_, steps_);
    ASSERT_EQ(steps_.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
      EXPECT_NEAR(steps_[i].first, expected[i].first, 1e-3) << i;
      EXPECT_NEAR(steps_[i].second, expected[i].second, 1e-3) << i;
    }
    steps_.clear(), scene_steps_.clear();
  }
  TGLStage stage_;
  TGLCadencer cadencer_;
  Steps steps_, scene_steps_;
};

TEST_F(CadencerTest, FixedStepsCarryTheRemainder) {
  cadencer_.SetFixedDeltaTime(0.1);
  Expect({0.35, 0.38}, {{0.1, 0.1}, {0.1, 0.2}, {0.1, 0.3}});  // 0.08 since the last step is too short
  Expect({0.41}, {{0.1, 0.4}});
}

TEST_F(CadencerTest, ALongPauseIsCutToMaxDeltaForGood) {
  cadencer_.SetMaxDeltaTime(0.5);
  Expect({3.0}, {{0.5, 0.5}});
  EXPECT_NEAR(cadencer_.ScaledTime(), 0.5, 1e-3);
  Expect({3.25}, {{0.25, 0.75}});
}

TEST_F(CadencerTest, MultiplierZeroStopsAndTheClockResumesWithoutAJump) {
  Expect({1.0, -2.0}, {{1.0, 1.0}});
  cadencer_.SetTimeMultiplier(0);
  EXPECT_FALSE(cadencer_.Enabled());
  Expect({5.0}, {});
  cadencer_.SetTimeMultiplier(2);
  EXPECT_NEAR(cadencer_.ScaledTime(), 2.0, 1e-3);  // where it stopped
  Expect({6.0, -7.0}, {{3.0, 4.0}});               // two seconds at ×2 after the stop
  cadencer_.SetTimeMultiplier(1);
  Expect({8.0}, {{3.0, 7.0}});
}

// ---- Driven by the event loop: the external clock moves on 1 s per tick, so that every tick steps.

std::unique_ptr<TGLCadencer> Driven(TGLCadencerMode mode, int& ticks, TGLStage* scene) {
  test::TestCoreApplication();
  auto cadencer = std::make_unique<TGLCadencer>();
  cadencer->SetTimeReference(cmExternal);
  cadencer->OnProgress = [raw = cadencer.get(), &ticks](TPersistent*, double, double) {
    ++ticks;
    raw->SetExternalTime(raw->ExternalTime() + 1.0);
  };
  cadencer->SetExternalTime(1.0);
  cadencer->SetMode(mode);
  cadencer->SetScene(scene);
  return cadencer;
}

TEST(CadencerDriver, TicksNeedASceneAndAFailureOrSelfDestructionStopsOnlyItsCadencer) {
  TGLStage stage;
  for (const TGLCadencerMode mode : {cmASAP, cmApplicationIdle}) {
    test::RecordingMessages messages;
    int good = 0, sceneless = 0, failing = 0, doomed_ticks = 0;
    const auto ticking = Driven(mode, good, &stage);
    const auto idle = Driven(mode, sceneless, nullptr);
    const auto bad = Driven(mode, failing, &stage);
    bad->OnProgress = [&](TPersistent*, double, double) {
      ++failing, throw std::runtime_error("tick failed");
    };
    std::unique_ptr<TGLCadencer> doomed = Driven(mode, doomed_ticks, &stage);
    doomed->OnProgress = [&](TPersistent*, double, double) { ++doomed_ticks, doomed.reset(); };
    EXPECT_TRUE(test::PumpEventsUntil([&] { return good >= 20; })) << int(mode);
    EXPECT_EQ((std::array{sceneless, failing, doomed_ticks}), (std::array{0, 1, 1})) << int(mode);
    EXPECT_FALSE(bad->Enabled());
    ASSERT_EQ(messages.texts.size(), 2u);
    EXPECT_EQ(messages.texts[1], "tick failed");  // the self-destruction came first, last attached first
    EXPECT_EQ(messages.texts[0].rfind("Assertion failure", 0), 0u);
    ticking->SetEnabled(false);
    const int stopped_at = good;
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
    EXPECT_EQ(good, stopped_at) << int(mode);
  }
}

std::int64_t moving_ms = 0;

TEST(CadencerDriver, TicksWithinOneMillisecondOfTheirPostingPauseForATimer) {
  TGLStage stage;
  int ticks = 0;
  SetCadencerBusyClock([] { return moving_ms++; });  // every tick handled a millisecond after its posting
  const auto cadencer = Driven(cmASAP, ticks, &stage);
  EXPECT_TRUE(test::PumpEventsUntil([&] { return ticks >= 6000; }, 20000));
  EXPECT_FALSE(CadencerTicksPaused());
  SetCadencerBusyClock([] { return std::int64_t{0}; });
  ticks = 0;
  ASSERT_TRUE(test::PumpEventsUntil(CadencerTicksPaused, 20000));
  EXPECT_GE(ticks, 5000);
  EXPECT_TRUE(test::PumpEventsUntil([&] { return ticks > 5100; }));  // the 1 ms timer resumes them
  cadencer->SetEnabled(false);
  SetCadencerBusyClock(nullptr);
}

}  // namespace
}  // namespace zentrova
