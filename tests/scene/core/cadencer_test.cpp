// The cadencer on an external clock that the tests step, ticked by hand and by its drivers under a
// QCoreApplication.
#include "scene/core/cadencer.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "qt_test_application.h"
#include "scene/core/stage.h"
#include "test_support.h"

namespace zentrova {
namespace {

struct TStep {
  double delta;
  double time;
};

// The clock starts a few microseconds before the external time's 0: the time it took to switch to it.
constexpr double kSwitchSlack = 1e-3;

void ExpectSteps(const std::vector<TStep>& actual, const std::vector<TStep>& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t i = 0; i < actual.size(); ++i) {
    EXPECT_NEAR(actual[i].delta, expected[i].delta, kSwitchSlack) << i;
    EXPECT_NEAR(actual[i].time, expected[i].time, kSwitchSlack) << i;
  }
}

// A manual cadencer on the external clock at 0 whose steps (from OnProgress) are recorded.
class CadencerTest : public ::testing::Test {
 protected:
  CadencerTest() {
    cadencer_.SetMode(cmManual);
    cadencer_.SetTimeReference(cmExternal);  // the scaled clock goes on from the external time's 0
    cadencer_.OnProgress = [this](TPersistent*, double delta, double time) { steps_.push_back({delta, time}); };
  }
  void TickAt(double time) {
    cadencer_.SetExternalTime(time);
    cadencer_.Progress();
  }
  std::vector<TStep> TakeSteps() { return std::exchange(steps_, {}); }

  TGLCadencer cadencer_;
  std::vector<TStep> steps_;
};

TEST_F(CadencerTest, FixedStepsCarryTheRemainder) {
  cadencer_.SetFixedDeltaTime(0.1);
  TickAt(0.35);
  const std::vector<TStep> steps = TakeSteps();
  ASSERT_EQ(steps.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_DOUBLE_EQ(steps[i].delta, 0.1);
    EXPECT_NEAR(steps[i].time, 0.1 * (i + 1), 1e-12);  // fixed steps from the last time, exactly
  }
  TickAt(0.38);  // 0.08 since the last step: too short
  EXPECT_TRUE(TakeSteps().empty());
  TickAt(0.41);  // the carried 0.05 and 0.06 more make a step
  ASSERT_EQ(TakeSteps().size(), 1u);
}

TEST_F(CadencerTest, ALongPauseIsCutToMaxDeltaForGood) {
  cadencer_.SetMaxDeltaTime(0.5);
  TickAt(3.0);
  ExpectSteps(TakeSteps(), {{0.5, 0.5}});
  EXPECT_NEAR(cadencer_.ScaledTime(), 0.5, kSwitchSlack);  // the lost 2.5 s never come back
  TickAt(3.25);
  ExpectSteps(TakeSteps(), {{0.25, 0.75}});
}

TEST_F(CadencerTest, MultiplierZeroStopsAndTheClockResumesWithoutAJump) {
  TickAt(1.0);
  cadencer_.SetExternalTime(2.0);
  cadencer_.SetTimeMultiplier(0);
  EXPECT_FALSE(cadencer_.Enabled());
  TickAt(5.0);
  ExpectSteps(TakeSteps(), {{1.0, 1.0}});
  cadencer_.SetTimeMultiplier(2);
  EXPECT_TRUE(cadencer_.Enabled());
  EXPECT_NEAR(cadencer_.ScaledTime(), 2.0, kSwitchSlack);  // where it stopped
  TickAt(6.0);
  ExpectSteps(TakeSteps(), {{3.0, 4.0}});  // the first second stepped, 2 more at ×2
  cadencer_.SetExternalTime(7.0);
  cadencer_.SetTimeMultiplier(1);  // 6.0 scaled at 7 s
  TickAt(8.0);
  ExpectSteps(TakeSteps(), {{3.0, 7.0}});
}

TEST_F(CadencerTest, DisabledTimeIsSkippedAndShortStepsWait) {
  cadencer_.SetMinDeltaTime(0.2);
  TickAt(0.1);
  EXPECT_TRUE(TakeSteps().empty());
  TickAt(1.0);
  cadencer_.SetEnabled(false);
  TickAt(5.0);
  cadencer_.SetEnabled(true);
  TickAt(5.5);
  ExpectSteps(TakeSteps(), {{1.0, 1.0}, {0.5, 1.5}});
}

TEST_F(CadencerTest, StepsTheSceneThenSubscribersThenOnProgress) {
  TGLStage stage;
  std::vector<std::string> order;
  struct TSubscriber : TGLCadenceAbleComponent {
    std::vector<std::string>* order = nullptr;
    void DoProgress(const TProgressTimes& t) override { order->push_back("sub " + std::to_string(t.deltaTime)); }
  };
  auto subscriber = std::make_unique<TSubscriber>();
  subscriber->order = &order;
  stage.Objects().OnProgress = [&](TGLBaseSceneObject&, double delta, double) {
    order.push_back("scene " + std::to_string(delta));
    cadencer_.Progress();  // the scene's objects cannot tick their cadencer again
  };
  cadencer_.SetScene(&stage);
  cadencer_.Subscribe(*subscriber);
  cadencer_.OnProgress = [&](TPersistent*, double delta, double) { order.push_back("own " + std::to_string(delta)); };
  TickAt(0.5);
  EXPECT_EQ(order, (std::vector<std::string>{"scene 0.500000", "sub 0.500000", "own 0.500000"}));
  subscriber.reset();  // a destroyed subscriber is forgotten
  order.clear();
  TickAt(1.0);
  EXPECT_EQ(order, (std::vector<std::string>{"scene 0.500000", "own 0.500000"}));
}

TEST(CadencerClock, ReferenceTimes) {
  TGLCadencer cadencer;
  cadencer.SetMode(cmManual);
  cadencer.SetTimeReference(cmRTC);
  EXPECT_NEAR(cadencer.ReferenceTime(), Now() * 86400.0, 1.0);
  cadencer.SetTimeReference(cmPerformanceCounter);
  EXPECT_NEAR(cadencer.ReferenceTime(), MonotonicSeconds(), 1.0);
  cadencer.SetTimeReference(cmExternal);
  cadencer.SetExternalTime(12.5);
  EXPECT_EQ(cadencer.ReferenceTime(), 12.5);
}

TEST(CadencerLifetime, DestroyedInItsOwnProgressReportsAndStops) {
  test::RecordingMessages messages;
  auto cadencer = std::make_unique<TGLCadencer>();
  cadencer->SetMode(cmManual);
  cadencer->SetTimeReference(cmExternal);
  cadencer->SetFixedDeltaTime(0.1);
  int calls = 0;
  cadencer->OnProgress = [&](TPersistent*, double, double) {
    ++calls;
    cadencer.reset();
  };
  TGLCadencer* raw = cadencer.get();
  raw->SetExternalTime(raw->ExternalTime() + 1.0);  // ten fixed steps due
  raw->Progress();
  EXPECT_EQ(calls, 1);
  ASSERT_EQ(messages.texts.size(), 1u);
  EXPECT_EQ(messages.texts[0].rfind("Assertion failure", 0), 0u) << messages.texts[0];
}

// ---- Driven by the event loop

class CadencerDriverTest : public ::testing::Test {
 protected:
  void SetUp() override { test::TestCoreApplication(); }
  void TearDown() override { SetCadencerBusyClock(nullptr); }

  // An external-time cadencer of the scene in the mode, counting its ticks; the clock moves on 1 s per
  // tick so that every tick steps.
  std::unique_ptr<TGLCadencer> Driven(TGLCadencerMode mode, int& ticks, TGLStage* scene) {
    auto cadencer = std::make_unique<TGLCadencer>();
    cadencer->SetTimeReference(cmExternal);
    TGLCadencer* raw = cadencer.get();
    cadencer->OnProgress = [raw, &ticks](TPersistent*, double, double) {
      ++ticks;
      raw->SetExternalTime(raw->ExternalTime() + 1.0);
    };
    cadencer->SetExternalTime(1.0);
    cadencer->SetMode(mode);
    cadencer->SetScene(scene);
    return cadencer;
  }

  TGLStage stage_;
};

TEST_F(CadencerDriverTest, FastAndIdleTicksNeedAScene) {
  for (const TGLCadencerMode mode : {cmASAP, cmApplicationIdle}) {
    int with_scene = 0;
    int without_scene = 0;
    const auto ticking = Driven(mode, with_scene, &stage_);
    const auto idle = Driven(mode, without_scene, nullptr);
    EXPECT_TRUE(test::PumpEventsUntil([&] { return with_scene >= 20; })) << int(mode);
    EXPECT_EQ(without_scene, 0) << int(mode);
    ticking->SetEnabled(false);
    const int stopped_at = with_scene;
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
    EXPECT_EQ(with_scene, stopped_at) << int(mode);
  }
}

TEST_F(CadencerDriverTest, AnExceptionDisablesOnlyItsCadencer) {
  for (const TGLCadencerMode mode : {cmASAP, cmApplicationIdle}) {
    test::RecordingMessages messages;
    int good_ticks = 0;
    int bad_ticks = 0;
    const auto good = Driven(mode, good_ticks, &stage_);
    const auto bad = Driven(mode, bad_ticks, &stage_);
    bad->OnProgress = [&](TPersistent*, double, double) {
      ++bad_ticks;
      throw std::runtime_error("tick failed");
    };
    EXPECT_TRUE(test::PumpEventsUntil([&] { return good_ticks >= 20; })) << int(mode);
    EXPECT_EQ(bad_ticks, 1) << int(mode);
    EXPECT_FALSE(bad->Enabled());
    EXPECT_TRUE(good->Enabled());
    EXPECT_EQ(messages.texts, (std::vector<std::string>{"tick failed"}));
    good->SetEnabled(false);
  }
}

TEST_F(CadencerDriverTest, DestroyedByItsOwnDrivenTick) {
  for (const TGLCadencerMode mode : {cmASAP, cmApplicationIdle}) {
    test::RecordingMessages messages;
    int ticks = 0;
    int other_ticks = 0;
    std::unique_ptr<TGLCadencer> doomed = Driven(mode, ticks, &stage_);
    const auto other = Driven(mode, other_ticks, &stage_);
    doomed->OnProgress = [&](TPersistent*, double, double) {
      ++ticks;
      doomed.reset();
    };
    EXPECT_TRUE(test::PumpEventsUntil([&] { return other_ticks >= 10; })) << int(mode);
    EXPECT_EQ(ticks, 1);
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(messages.texts[0].rfind("Assertion failure", 0), 0u);
    other->SetEnabled(false);
  }
}

std::int64_t frozen_ms = 0;
std::int64_t moving_ms = 0;

TEST_F(CadencerDriverTest, TicksWithinOneMillisecondPauseForATimer) {
  int ticks = 0;
  SetCadencerBusyClock([] { return moving_ms++; });
  auto cadencer = Driven(cmASAP, ticks, &stage_);
  EXPECT_TRUE(test::PumpEventsUntil([&] { return ticks >= 6000; }, 20000));
  EXPECT_FALSE(CadencerTicksPaused());  // every tick came a millisecond later than it was posted

  SetCadencerBusyClock([] { return frozen_ms; });
  ticks = 0;
  ASSERT_TRUE(test::PumpEventsUntil(CadencerTicksPaused, 20000));
  EXPECT_GE(ticks, 5000);
  // The 1 ms timer resumes the ticks.
  const int paused_at = ticks;
  EXPECT_TRUE(test::PumpEventsUntil([&] { return ticks > paused_at + 10; }));
  cadencer->SetEnabled(false);
}

}  // namespace
}  // namespace zentrova
