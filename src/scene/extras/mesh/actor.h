// The animated mesh: steps through morph-target or skeleton frames in time, interpolating towards the
// next frame, with named frame ranges and controllers that blend further animations into skeletal play.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "scene/base/class_name.h"
#include "scene/base/collection.h"
#include "scene/base/component.h"
#include "scene/extras/mesh/base_mesh.h"

namespace zentrova {

class TGLActor;

enum TActorAnimationReference : std::uint8_t { aarMorph = 0, aarSkeleton = 1, aarNone = 2 };
enum TActorFrameInterpolation : std::uint8_t { afpNone = 0, afpLinear = 1 };
enum TActorAnimationMode : std::uint8_t {
  aamNone = 0,
  aamPlayOnce = 1,
  aamLoop = 2,
  aamBounceForward = 3,
  aamBounceBackward = 4,
  aamLoopBackward = 5,
  aamExternal = 6,
};
enum TGLActorOption : std::uint8_t { aoSkeletonNormalizeNormals = 1u << 0 };
using TGLActorOptions = std::uint8_t;

class TActorAnimation : public TCollectionItem {
 public:
  explicit TActorAnimation(TCollection* collection) : TCollectionItem(collection) {}
  ~TActorAnimation() override;
  ZENTROVA_CLASS(TActorAnimation)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  std::string Name;
  std::int32_t StartFrame() const { return start_frame_; }
  std::int32_t EndFrame() const { return end_frame_; }
  TActorAnimationReference Reference() const { return reference_; }
  // Clamped into the frames of the reference; the other end follows.
  void SetStartFrame(std::int32_t value);
  void SetEndFrame(std::int32_t value);
  void SetReference(TActorAnimationReference value);
  int FrameCount() const;
  TGLActor* Actor() const;

  std::string GetDisplayName() const override;
  void Assign(const TPersistent* source) override;

 private:
  std::int32_t start_frame_ = 0;
  std::int32_t end_frame_ = 0;
  TActorAnimationReference reference_ = aarMorph;
};

class TActorAnimations : public TOwnedCollection {
 public:
  explicit TActorAnimations(TGLActor* owner);
  ZENTROVA_CLASS(TActorAnimations)
  TActorAnimation* Items(int index) const { return static_cast<TActorAnimation*>(TCollection::Items(index)); }
  TActorAnimation* Add() { return static_cast<TActorAnimation*>(TCollection::Add()); }
  // The first of that name, ignoring ASCII letter case; nullptr when none.
  TActorAnimation* FindName(const std::string& name) const;
  TGLActor* Actor() const { return actor_; }

 private:
  TGLActor* actor_;
};

class TGLBaseAnimationControler : public TComponent {
 public:
  ~TGLBaseAnimationControler() override;
  ZENTROVA_CLASS(TGLBaseAnimationControler)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  TGLActor* Actor() const { return actor_; }
  void SetActor(TGLActor* actor);

  virtual void DoChange();
  // Fills the entry of a blend; false when it contributes nothing.
  virtual bool Apply(TBlendedLerpInfo& info) { return false; }

 protected:
  void Notification(TComponent& component, TOperation operation) override;

 private:
  bool enabled_ = true;
  TGLActor* actor_ = nullptr;
};

class TGLAnimationControler : public TGLBaseAnimationControler {
 public:
  ZENTROVA_CLASS(TGLAnimationControler)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;
  const std::string& AnimationName() const { return animation_name_; }
  void SetAnimationName(const std::string& name);
  float Ratio() const { return ratio_; }
  void SetRatio(float value);  // kept in [0, 1]
  void DoChange() override;
  bool Apply(TBlendedLerpInfo& info) override;

 private:
  std::string animation_name_;
  float ratio_ = 0;
};

class TGLActor : public TGLBaseMesh {
 public:
  TGLActor();
  ~TGLActor() override;
  ZENTROVA_CLASS_NEW(TGLActor)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  std::int32_t StartFrame() const { return start_frame_; }
  std::int32_t EndFrame() const { return end_frame_; }
  std::int32_t CurrentFrame() const { return current_frame_; }
  void SetStartFrame(std::int32_t value);
  void SetEndFrame(std::int32_t value);
  // Clamped into the frames; applies the play-once and bounce transitions at the range ends.
  void SetCurrentFrame(std::int32_t value);
  TActorAnimationReference Reference = aarMorph;
  float CurrentFrameDelta = 0;
  TActorFrameInterpolation FrameInterpolation = afpLinear;
  std::int32_t Interval = 100;  // milliseconds per frame
  TActorAnimationMode AnimationMode = aamNone;
  std::function<void(TGLActor&)> OnFrameChanged, OnEndFrameReached, OnStartFrameReached;
  TActorAnimations& Animations() { return *animations_; }
  void SetAnimations(const TActorAnimations& value) { animations_->Assign(&value); }
  TActorAnimation* TargetSmoothAnimation = nullptr;
  TGLActorOptions Options() const { return options_; }
  void SetOptions(TGLActorOptions value);
  const std::vector<TGLBaseAnimationControler*>* Controlers() const { return controlers_.get(); }

  void RegisterControler(TGLBaseAnimationControler& controler);
  void UnRegisterControler(TGLBaseAnimationControler& controler);
  int FrameCount() const;
  int NextFrameIndex() const;
  void NextFrame(int n = 1);
  void SwitchToAnimation(TActorAnimation* animation, bool smooth = false);
  void SwitchToAnimation(const std::string& name, bool smooth = false) {
    SwitchToAnimation(animations_->FindName(name), smooth);
  }
  void Synchronize(TGLActor* reference);

  void DoProgress(const TProgressTimes& progress_times) override;
  void PrepareBuildList(TRenderContextInfo& rci) override {}
  void BuildList(TRenderContextInfo& rci) override;
  void LoadFromStream(const std::string& file_name, TStream& stream) override;
  void Assign(const TPersistent* source) override;

 protected:
  void PerformMeshLoaded() override;
  void Notification(TComponent& component, TOperation operation) override;

 private:
  std::int32_t start_frame_ = 0;
  std::int32_t end_frame_ = 0;
  std::int32_t current_frame_ = 0;
  std::unique_ptr<TActorAnimations> animations_;
  TGLActorOptions options_ = aoSkeletonNormalizeNormals;
  std::unique_ptr<std::vector<TGLBaseAnimationControler*>> controlers_;
};

}  // namespace zentrova
