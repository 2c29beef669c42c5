#include "scene/cadencer/cadencer.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QEvent>
#include <QtCore/QObject>
#include <QtCore/QThread>
#include <QtCore/QTimerEvent>

#include <algorithm>
#include <exception>

#include "platform/clock.h"
#include "platform/message_sink.h"
#include "scene/base/class_registration.h"
#include "scene/base/property_stream.h"
#include "scene/base/scene_errors.h"
#include "scene/base/scope_exit.h"
#include "scene/core/stage.h"

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TGLCadencer);

namespace {

// More ticks than this in a row, each handled within the millisecond it was posted, and the driver
// pauses for a 1 ms timer.
constexpr int kBusyTickLimit = 5000;

TMillisecondClock busy_clock = nullptr;

std::int64_t BusyClockNow() {
  return busy_clock != nullptr ? busy_clock() : MonotonicMilliseconds();
}

QEvent::Type TickEventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

class TTickEvent : public QEvent {
 public:
  explicit TTickEvent(std::int64_t posted_ms) : QEvent(TickEventType()), posted_ms_(posted_ms) {}
  std::int64_t PostedMs() const { return posted_ms_; }

 private:
  std::int64_t posted_ms_;
};

void ReportTickError(const std::exception& error) {
  ShowMessage(error.what());
}

// The two drivers of the process. Their lists keep a slot per attached cadencer; a detached one leaves
// nullptr behind, and the list is packed after each round, so that a round survives cadencers that
// detach, attach or are destroyed while it runs.
class TCadencerDriver : public QObject {
 public:
  void AttachASAP(TGLCadencer* cadencer) {
    if (std::find(asap_.begin(), asap_.end(), cadencer) == asap_.end()) asap_.push_back(cadencer);
    PostTick();
  }
  void AttachIdle(TGLCadencer* cadencer) {
    if (std::find(idle_.begin(), idle_.end(), cadencer) == idle_.end()) idle_.push_back(cadencer);
    if (idle_timer_ == 0) idle_timer_ = startTimer(0);
  }
  void Detach(TGLCadencer* cadencer) {
    std::replace(asap_.begin(), asap_.end(), cadencer, static_cast<TGLCadencer*>(nullptr));
    std::replace(idle_.begin(), idle_.end(), cadencer, static_cast<TGLCadencer*>(nullptr));
  }
  bool HoldsASAP(const TGLCadencer* cadencer) const {
    return std::find(asap_.begin(), asap_.end(), cadencer) != asap_.end();
  }
  bool Paused() const { return pause_timer_ != 0; }

 protected:
  bool event(QEvent* event) override {
    if (event->type() != TickEventType()) return QObject::event(event);
    tick_posted_ = false;
    if (BusyClockNow() == static_cast<TTickEvent*>(event)->PostedMs()) {
      if (++busy_count_ > kBusyTickLimit) {
        if (pause_timer_ == 0) pause_timer_ = startTimer(1);
        busy_count_ = 0;
      }
    } else {
      busy_count_ = 0;
    }
    if (pause_timer_ == 0) RunASAP();
    return true;
  }

  void timerEvent(QTimerEvent* event) override {
    if (event->timerId() == pause_timer_) {
      killTimer(pause_timer_);
      pause_timer_ = 0;
      busy_count_ = 0;
      RunASAP();
    } else if (event->timerId() == idle_timer_) {
      RunIdle();
    }
  }

 private:
  void PostTick() {
    if (tick_posted_ || pause_timer_ != 0 || QCoreApplication::instance() == nullptr) return;
    tick_posted_ = true;
    QCoreApplication::postEvent(this, new TTickEvent(BusyClockNow()));
  }

  // One round over a list, last attached first.
  void RunRound(std::vector<TGLCadencer*>& list, TGLCadencerMode mode) {
    for (std::size_t i = list.size(); i-- > 0;) {
      TGLCadencer* cadencer = list[i];
      if (cadencer == nullptr || cadencer->Mode() != mode || !cadencer->Enabled() || cadencer->IsBusy()) {
        continue;
      }
      if (QCoreApplication::closingDown()) {
        cadencer->SetEnabled(false);
        continue;
      }
      try {
        cadencer->Progress();
      } catch (const std::exception& error) {
        ReportTickError(error);
        // Still attached means still alive: a cadencer destroyed by its tick left its slot empty.
        if (i < list.size() && list[i] == cadencer) cadencer->SetEnabled(false);
      }
    }
    std::erase(list, nullptr);
  }

  void RunASAP() {
    if (handling_asap_) return;
    handling_asap_ = true;
    const TScopeExit done([this] { handling_asap_ = false; });
    RunRound(asap_, cmASAP);
    if (!asap_.empty()) PostTick();
  }

  void RunIdle() {
    if (handling_idle_) return;
    handling_idle_ = true;
    const TScopeExit done([this] { handling_idle_ = false; });
    RunRound(idle_, cmApplicationIdle);
    if (idle_.empty() && idle_timer_ != 0) {
      killTimer(idle_timer_);
      idle_timer_ = 0;
    }
  }

  std::vector<TGLCadencer*> asap_;
  std::vector<TGLCadencer*> idle_;
  bool handling_asap_ = false;
  bool handling_idle_ = false;
  bool tick_posted_ = false;
  int busy_count_ = 0;
  int pause_timer_ = 0;
  int idle_timer_ = 0;
};

std::unique_ptr<TCadencerDriver>& DriverSlot() {
  static std::unique_ptr<TCadencerDriver> driver;
  return driver;
}

TCadencerDriver& Driver() {
  auto& driver = DriverSlot();
  if (driver == nullptr) driver = std::make_unique<TCadencerDriver>();
  return *driver;
}

}  // namespace

void SetCadencerBusyClock(TMillisecondClock clock) {
  busy_clock = clock;
}

bool CadencerTicksPaused() {
  return DriverSlot() != nullptr && DriverSlot()->Paused();
}

TGLCadencer::TGLCadencer() {
  disabled_at_ = ReferenceTime();
  origin_time_ = disabled_at_;
  SetMode(cmASAP);
  SetEnabled(true);
}

TGLCadencer::~TGLCadencer() {
  if (progressing_ != 0) {
    // A destructor cannot raise: the broken rule goes to the message sink, and the running Progress
    // sees the cadencer gone.
    ShowMessage(EAssertionFailed("Assertion failure", __FILE__, __LINE__).what());
  }
  *alive_ = false;
  DetachFromDriver();
}

void TGLCadencer::Loaded() {
  TComponent::Loaded();
  UpdateDriver();
}

void TGLCadencer::Notification(TComponent& component, TOperation operation) {
  if (operation == TOperation::Remove) {
    if (&component == scene_) {
      scene_ = nullptr;
      UpdateDriver();
    }
    std::erase(subscribers_, &component);
  }
  TComponent::Notification(component, operation);
}

void TGLCadencer::SetScene(TGLStage* scene) {
  if (scene == scene_) return;
  if (scene_ != nullptr) RemoveFreeNotification(*scene_);
  scene_ = scene;
  if (scene_ != nullptr) FreeNotification(*scene_);
  UpdateDriver();
}

void TGLCadencer::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  if (!ComponentState().Contains(TComponentState::Designing)) {
    if (enabled_) {
      origin_time_ = ReferenceTime() + origin_time_ - disabled_at_;
    } else {
      disabled_at_ = ReferenceTime();
    }
  }
  UpdateDriver();
}

void TGLCadencer::SetMode(TGLCadencerMode value) {
  if (value == mode_) return;
  if (mode_ != cmManual) DetachFromDriver();
  mode_ = value;
  UpdateDriver();
}

void TGLCadencer::SetTimeReference(TGLCadencerTimeReference value) {
  if (value == time_reference_) return;
  const bool external = value == cmExternal || time_reference_ == cmExternal;
  const double old_reference = ReferenceTime();
  time_reference_ = value;
  if (!external) return;
  const double shift = ReferenceTime() - old_reference;
  origin_time_ += shift;
  disabled_at_ += shift;
}

void TGLCadencer::SetTimeMultiplier(double value) {
  if (value == time_multiplier_) return;
  if (value == 0) {
    saved_multiplier_ = time_multiplier_;
    SetEnabled(false);
  } else {
    const double reference = ReferenceTime();
    if (time_multiplier_ == 0) {
      SetEnabled(true);
      origin_time_ = reference - (reference - origin_time_) * saved_multiplier_ / value;
    } else {
      origin_time_ = reference - (reference - origin_time_) * time_multiplier_ / value;
    }
  }
  time_multiplier_ = value;
}

double TGLCadencer::ReferenceTime() const {
  switch (time_reference_) {
    case cmRTC:
      return Now() * 86400.0;
    case cmPerformanceCounter:
      return MonotonicSeconds();
    case cmExternal:
      return external_time_;
  }
  SceneAssert(false);
  return 0;
}

double TGLCadencer::ScaledTime() {
  current_time_ = (ReferenceTime() - origin_time_) * time_multiplier_;
  return current_time_;
}

void TGLCadencer::Subscribe(TGLCadenceAbleComponent& component) {
  if (std::find(subscribers_.begin(), subscribers_.end(), &component) != subscribers_.end()) return;
  subscribers_.push_back(&component);
  FreeNotification(component);
}

void TGLCadencer::UnSubscribe(TGLCadenceAbleComponent& component) {
  if (std::erase(subscribers_, &component) > 0) RemoveFreeNotification(component);
}

void TGLCadencer::UpdateDriver() {
  if (ComponentState().Contains(TComponentState::Loading)) return;
  if ((mode_ == cmASAP || mode_ == cmApplicationIdle) &&
      !ComponentState().Contains(TComponentState::Designing) && scene_ != nullptr && enabled_) {
    AttachToDriver();
  } else {
    DetachFromDriver();
  }
}

void TGLCadencer::AttachToDriver() {
  if (mode_ == cmASAP) {
    Driver().AttachASAP(this);
  } else if (mode_ == cmApplicationIdle) {
    Driver().AttachIdle(this);
  }
}

void TGLCadencer::DetachFromDriver() {
  if (DriverSlot() != nullptr) DriverSlot()->Detach(this);
}

void TGLCadencer::Progress() {
  if (progressing_ < 0) return;
  const std::shared_ptr<bool> alive = alive_;
  if (enabled_) {
    if (sleep_length_ >= 0) SleepMilliseconds(sleep_length_);
    if (mode_ == cmASAP) {
      // Whatever else waits in the event loop goes first, as between two fast ticks.
      QCoreApplication* application = QCoreApplication::instance();
      if (application != nullptr && QThread::currentThread() == application->thread()) {
        QCoreApplication::processEvents();
      }
      if (!*alive || DriverSlot() == nullptr || !DriverSlot()->HoldsASAP(this)) return;
    }
  }
  ++progressing_;
  const TScopeExit done([this, &alive] {
    if (*alive) progressing_ += progressing_ < 0 ? 1 : -1;
  });
  if (!enabled_) return;
  double delta = ScaledTime() - last_time_;
  if (delta < min_delta_time_ || delta < fixed_delta_time_) return;
  if (max_delta_time_ > 0 && delta > max_delta_time_) {
    // The time beyond the limit is lost for good: the origin moves on by it.
    origin_time_ += (delta - max_delta_time_) / time_multiplier_;
    delta = max_delta_time_;
  }
  double total = delta;
  if (fixed_delta_time_ > 0) delta = fixed_delta_time_;
  while (total >= delta) {
    last_time_ += delta;
    const double step_time = last_time_;
    if (scene_ != nullptr && delta != 0) {
      progressing_ = -progressing_;
      {
        const TScopeExit back([this, &alive] {
          if (*alive) progressing_ = -progressing_;
        });
        const auto lock = scene_->Lock();
        scene_->Progress(delta, step_time);
      }
      if (!*alive) return;
    }
    for (std::size_t i = 0; i < subscribers_.size(); ++i) {
      subscribers_[i]->DoProgress({delta, step_time});
      if (!*alive) return;
    }
    if (OnProgress && !ComponentState().Contains(TComponentState::Designing)) {
      // A copy: the handler may replace itself or destroy the cadencer.
      const TGLCadencerProgressEvent handler = OnProgress;
      handler(this, delta, step_time);
      if (!*alive) return;
    }
    if (delta <= 0) break;
    total -= delta;
  }
}

namespace {

constexpr TIdentNames<3> kCadencerMode{"cmManual", "cmASAP", "cmApplicationIdle"};
constexpr TIdentNames<3> kTimeReference{"cmRTC", "cmPerformanceCounter", "cmExternal"};

}  // namespace

void TGLCadencer::WriteProperties(TPropertyWriter& w) const {
  TComponent::WriteProperties(w);
  w.Reference("Scene", scene_);
  if (!enabled_) w.Boolean("Enabled", false);
  if (time_reference_ != cmPerformanceCounter) w.Enum("TimeReference", kTimeReference, time_reference_);
  if (time_multiplier_ != 1) w.Extended("TimeMultiplier", time_multiplier_);
  if (max_delta_time_ != 0) w.Extended("MaxDeltaTime", max_delta_time_);
  if (min_delta_time_ != 0) w.Extended("MinDeltaTime", min_delta_time_);
  if (fixed_delta_time_ != 0) w.Extended("FixedDeltaTime", fixed_delta_time_);
  if (mode_ != cmASAP) w.Enum("Mode", kCadencerMode, mode_);
  if (sleep_length_ != -1) w.Integer("SleepLength", sleep_length_);
}

bool TGLCadencer::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "Scene") {
    ReadReference<TGLStage>(v, [this](TGLStage* scene) { SetScene(scene); });
  } else if (name == "Enabled") {
    SetEnabled(AsBoolean(v));
  } else if (name == "TimeReference") {
    SetTimeReference(AsEnum<TGLCadencerTimeReference>(kTimeReference, v));
  } else if (name == "TimeMultiplier") {
    SetTimeMultiplier(static_cast<double>(AsExtended(v)));
  } else if (name == "MaxDeltaTime") {
    SetMaxDeltaTime(static_cast<double>(AsExtended(v)));
  } else if (name == "MinDeltaTime") {
    SetMinDeltaTime(static_cast<double>(AsExtended(v)));
  } else if (name == "FixedDeltaTime") {
    SetFixedDeltaTime(static_cast<double>(AsExtended(v)));
  } else if (name == "Mode") {
    SetMode(AsEnum<TGLCadencerMode>(kCadencerMode, v));
  } else if (name == "SleepLength") {
    SetSleepLength(AsInteger(v));
  } else {
    return TComponent::ReadProperty(name, v);
  }
  return true;
}

}  // namespace zentrova
