// The time source of animation. Each tick measures the time passed on its reference clock, scales and
// limits it, and steps the scene (TGLStage::Progress), the subscribed cadence-able components and its own
// OnProgress. It is ticked by hand (cmManual), as fast as the event loop allows (cmASAP: one queued tick
// event re-posted after every round) or whenever the event loop has nothing else to do (cmApplicationIdle:
// a 0 ms timer).
//
// Threads: the GUI thread only. A tick never lets an exception into the event loop: it goes to the
// message sink and disables the cadencer that raised it. A cadencer destroyed during its own Progress
// reports "Assertion failure" there, and that Progress touches it no more.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "scene/base/class_name.h"
#include "scene/base/component.h"
#include "scene/base/update_able.h"

namespace zentrova {

class TGLStage;

enum TGLCadencerMode : std::uint8_t { cmManual, cmASAP, cmApplicationIdle };
// cmExternal reads the time the program sets with SetExternalTime (a recorded run, a test).
enum TGLCadencerTimeReference : std::uint8_t { cmRTC, cmPerformanceCounter, cmExternal };

using TGLCadencerProgressEvent = std::function<void(TPersistent* sender, double delta_time, double new_time)>;

class TGLCadencer : public TComponent {
 public:
  // Performance-counter time, multiplier 1, no sleep, cmASAP, enabled; the clock starts at 0 now.
  TGLCadencer();
  ~TGLCadencer() override;
  ZENTROVA_CLASS(TGLCadencer)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  void Loaded() override;

  // The scene stepped by each tick (with free notification); a cadencer without one is never ticked by
  // a driver.
  TGLStage* Scene() const { return scene_; }
  void SetScene(TGLStage* scene);

  // Enabling again continues the scaled clock where disabling stopped it.
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  TGLCadencerMode Mode() const { return mode_; }
  void SetMode(TGLCadencerMode value);
  // A switch to or from cmExternal keeps the scaled clock where it was, so that the external time goes on
  // from the scaled time of the moment; the other switches only store.
  TGLCadencerTimeReference TimeReference() const { return time_reference_; }
  void SetTimeReference(TGLCadencerTimeReference value);
  // 0 stops the cadencer; the scaled clock never jumps when the multiplier changes.
  double TimeMultiplier() const { return time_multiplier_; }
  void SetTimeMultiplier(double value);
  // 0 = off. A longer step is cut to MaxDeltaTime and the rest never comes back; a shorter step than
  // MinDeltaTime or FixedDeltaTime waits for the next tick; FixedDeltaTime steps in equal parts.
  double MaxDeltaTime() const { return max_delta_time_; }
  void SetMaxDeltaTime(double value) { max_delta_time_ = value; }
  double MinDeltaTime() const { return min_delta_time_; }
  void SetMinDeltaTime(double value) { min_delta_time_ = value; }
  double FixedDeltaTime() const { return fixed_delta_time_; }
  void SetFixedDeltaTime(double value) { fixed_delta_time_ = value; }
  // Milliseconds slept before each tick; negative: none.
  int SleepLength() const { return sleep_length_; }
  void SetSleepLength(int value) { sleep_length_ = value; }

  // The clock of cmExternal, in seconds.
  double ExternalTime() const { return external_time_; }
  void SetExternalTime(double seconds) { external_time_ = seconds; }

  // Seconds of the time reference: cmRTC the date-time in days × 86400, cmPerformanceCounter the
  // monotonic clock, cmExternal the external time.
  double ReferenceTime() const;
  // (reference − origin) × multiplier, also kept as CurrentTime.
  double ScaledTime();
  double CurrentTime() const { return current_time_; }
  // The scaled time of the last step.
  double LastTime() const { return last_time_; }

  // One tick.
  void Progress();
  // A Progress is running.
  bool IsBusy() const { return progressing_ != 0; }

  // Components stepped after the scene, in subscription order (with free notification).
  void Subscribe(TGLCadenceAbleComponent& component);
  void UnSubscribe(TGLCadenceAbleComponent& component);

  TGLCadencerProgressEvent OnProgress;

 protected:
  void Notification(TComponent& component, TOperation operation) override;

 private:
  void UpdateDriver();
  void AttachToDriver();
  void DetachFromDriver();

  std::vector<TGLCadenceAbleComponent*> subscribers_;
  TGLStage* scene_ = nullptr;
  double time_multiplier_ = 1.0;
  double last_time_ = 0;
  double disabled_at_ = 0;
  double saved_multiplier_ = 0;
  bool enabled_ = false;
  int sleep_length_ = -1;
  TGLCadencerMode mode_ = cmManual;
  TGLCadencerTimeReference time_reference_ = cmPerformanceCounter;
  double current_time_ = 0;
  double origin_time_ = 0;
  double max_delta_time_ = 0;
  double min_delta_time_ = 0;
  double fixed_delta_time_ = 0;
  double external_time_ = 0;
  // Active Progress calls; negated while the scene is being stepped, so that the scene's objects cannot
  // tick it again.
  int progressing_ = 0;
  // Cleared by the destructor: a Progress that outlives its cadencer stops touching it.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// The millisecond clock of the fast-tick driver's busy guard: the monotonic clock, which tests freeze.
// nullptr restores it.
using TMillisecondClock = std::int64_t (*)();
void SetCadencerBusyClock(TMillisecondClock clock);
// The fast-tick driver met more than 5000 ticks in a row within one millisecond of their posting and
// now waits for a 1 ms timer, so that the event loop gets to its timers and repaints.
bool CadencerTicksPaused();

}  // namespace zentrova
