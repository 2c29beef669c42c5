#include "scene/extras/mesh/actor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "scene/base/class_registration.h"
#include "scene/base/property_setter.h"
#include "scene/base/property_stream.h"
#include "scene/base/scene_errors.h"
#include "scene/gl/gl_state_scope.h"
#include "scene/gl/opengl_binding.h"

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TGLActor);
ZENTROVA_REGISTER_CLASS(TGLAnimationControler);

namespace {

int FrameCountOf(const TGLActor* actor, TActorAnimationReference reference) {
  if (actor == nullptr) return 0;
  switch (reference) {
    case aarMorph:
      return actor->MeshObjects().MorphTargetCount();
    case aarSkeleton:
      return const_cast<TGLActor*>(actor)->Skeleton().Frames().Count();
    case aarNone:
      return 0;
    default:
      SceneAssert(false);
      return 0;
  }
}

bool EqualsIgnoringAsciiCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
           return lower(x) == lower(y);
         });
}

}  // namespace

// ---- TActorAnimation ----

TActorAnimation::~TActorAnimation() {
  if (TGLActor* actor = Actor(); actor != nullptr && actor->TargetSmoothAnimation == this) {
    actor->TargetSmoothAnimation = nullptr;
  }
}

TGLActor* TActorAnimation::Actor() const {
  const auto* animations = dynamic_cast<const TActorAnimations*>(Collection());
  return animations != nullptr ? animations->Actor() : nullptr;
}

int TActorAnimation::FrameCount() const {
  return FrameCountOf(Actor(), reference_);
}

void TActorAnimation::SetStartFrame(std::int32_t value) {
  const int count = FrameCount();
  if (value < 0) value = 0;
  if (value >= count) value = count - 1;
  start_frame_ = value;
  if (end_frame_ < start_frame_) end_frame_ = start_frame_;
}

void TActorAnimation::SetEndFrame(std::int32_t value) {
  const int count = FrameCount();
  if (value < 0) value = 0;
  if (value >= count) value = count - 1;
  end_frame_ = value;
  if (start_frame_ > end_frame_) start_frame_ = end_frame_;
}

void TActorAnimation::SetReference(TActorAnimationReference value) {
  if (value == reference_) return;
  reference_ = value;
  SetStartFrame(start_frame_);
  SetEndFrame(end_frame_);
}

std::string TActorAnimation::GetDisplayName() const {
  return std::to_string(Index()) + " - " + Name + " [" + std::to_string(start_frame_) + " - " +
         std::to_string(end_frame_) + "]";
}

void TActorAnimation::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TActorAnimation*>(source)) {
    Name = other->Name;
    start_frame_ = other->start_frame_;
    end_frame_ = other->end_frame_;
    reference_ = other->reference_;
    return;
  }
  TCollectionItem::Assign(source);
}

// ---- TActorAnimations ----

TActorAnimations::TActorAnimations(TGLActor* owner)
    : TOwnedCollection(owner, &CreateCollectionItem<TActorAnimation>), actor_(owner) {}

TActorAnimation* TActorAnimations::FindName(const std::string& name) const {
  for (int i = 0; i < Count(); ++i) {
    if (EqualsIgnoringAsciiCase(Items(i)->Name, name)) return Items(i);
  }
  return nullptr;
}

// ---- Controllers ----

TGLBaseAnimationControler::~TGLBaseAnimationControler() {
  SetActor(nullptr);
}

void TGLBaseAnimationControler::SetActor(TGLActor* actor) {
  if (actor == actor_) return;
  if (actor_ != nullptr) actor_->UnRegisterControler(*this);
  actor_ = actor;
  if (actor_ != nullptr) {
    actor_->RegisterControler(*this);
    DoChange();
  }
}

void TGLBaseAnimationControler::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  if (actor_ != nullptr) DoChange();
}

void TGLBaseAnimationControler::DoChange() {
  if (actor_ != nullptr) actor_->NotifyChange(this);
}

void TGLBaseAnimationControler::Notification(TComponent& component, TOperation operation) {
  if (operation == TOperation::Remove && &component == actor_) SetActor(nullptr);
  TComponent::Notification(component, operation);
}

void TGLAnimationControler::SetAnimationName(const std::string& name) {
  SetProperty(animation_name_, name, [this] { DoChange(); });
}

void TGLAnimationControler::SetRatio(float value) {
  SetProperty(ratio_, std::clamp(value, 0.0f, 1.0f), [this] { DoChange(); });
}

void TGLAnimationControler::DoChange() {
  if (!animation_name_.empty()) TGLBaseAnimationControler::DoChange();
}

bool TGLAnimationControler::Apply(TBlendedLerpInfo& info) {
  if (!Enabled() || Actor() == nullptr) return false;
  const TActorAnimation* animation = Actor()->Animations().FindName(animation_name_);
  if (animation == nullptr) return false;
  if (ratio_ == 0) {
    info.frameIndex1 = info.frameIndex2 = animation->StartFrame();
    info.lerpFactor = 0;
  } else if (ratio_ == 1) {
    info.frameIndex1 = info.frameIndex2 = animation->EndFrame();
    info.lerpFactor = 0;
  } else {
    const float f = (animation->EndFrame() - animation->StartFrame()) * ratio_ + animation->StartFrame();
    info.frameIndex1 = static_cast<std::int32_t>(std::trunc(f));
    info.frameIndex2 = info.frameIndex1 + 1;
    info.lerpFactor = f - std::trunc(f);
  }
  info.weight = 1;
  info.externalRotations = nullptr;
  info.externalQuaternions = nullptr;
  return true;
}

// ---- TGLActor ----

TGLActor::TGLActor() : animations_(std::make_unique<TActorAnimations>(this)) {
  SetObjectStyle(ObjectStyle() | osDirectDraw);
}

TGLActor::~TGLActor() {
  // Controllers forget this actor; the list goes with its last one.
  while (controlers_ != nullptr && !controlers_->empty()) controlers_->back()->SetActor(nullptr);
  TargetSmoothAnimation = nullptr;
  animations_.reset();
}

void TGLActor::Notification(TComponent& component, TOperation operation) {
  if (operation == TOperation::Remove && controlers_ != nullptr) {
    auto& list = *controlers_;
    const auto found = std::find(list.begin(), list.end(), &component);
    if (found != list.end()) {
      list.erase(found);
      if (list.empty()) controlers_.reset();
    }
  }
  TGLBaseMesh::Notification(component, operation);
}

void TGLActor::RegisterControler(TGLBaseAnimationControler& controler) {
  if (controlers_ == nullptr) controlers_ = std::make_unique<std::vector<TGLBaseAnimationControler*>>();
  controlers_->push_back(&controler);
  FreeNotification(controler);
}

void TGLActor::UnRegisterControler(TGLBaseAnimationControler& controler) {
  // A controller deleted through its owner has already been dropped by the free notice (Notification)
  // when its destructor lets go of the actor.
  if (controlers_ == nullptr) return;
  auto& list = *controlers_;
  list.erase(std::remove(list.begin(), list.end(), &controler), list.end());
  RemoveFreeNotification(controler);
  if (list.empty()) controlers_.reset();
}

int TGLActor::FrameCount() const {
  return FrameCountOf(this, Reference);
}

void TGLActor::SetCurrentFrame(std::int32_t value) {
  if (value == current_frame_) return;
  const int count = FrameCount();
  if (value > count - 1) value = count - 1;
  if (value < 0) value = 0;
  current_frame_ = value;
  CurrentFrameDelta = 0;
  if (AnimationMode == aamPlayOnce && current_frame_ == end_frame_) {
    AnimationMode = aamNone;
  } else if (AnimationMode == aamBounceForward && current_frame_ == end_frame_) {
    AnimationMode = aamBounceBackward;
  } else if (AnimationMode == aamBounceBackward && current_frame_ == start_frame_) {
    AnimationMode = aamBounceForward;
  }
  StructureChanged();
  if (OnFrameChanged) OnFrameChanged(*this);
}

void TGLActor::SetStartFrame(std::int32_t value) {
  if (value < 0 || value >= FrameCount() || value == start_frame_) return;
  start_frame_ = value;
  if (end_frame_ < start_frame_) end_frame_ = start_frame_;
  if (current_frame_ < start_frame_) SetCurrentFrame(start_frame_);
}

void TGLActor::SetEndFrame(std::int32_t value) {
  if (value < 0 || value >= FrameCount() || value == end_frame_) return;
  end_frame_ = value;
  if (current_frame_ > end_frame_) SetCurrentFrame(end_frame_);
}

void TGLActor::SetOptions(TGLActorOptions value) {
  SetProperty(options_, value, [this] { StructureChanged(); });
}

int TGLActor::NextFrameIndex() const {
  if (TargetSmoothAnimation != nullptr && AnimationMode != aamExternal) return TargetSmoothAnimation->StartFrame();
  switch (AnimationMode) {
    case aamNone:
    case aamPlayOnce:
      return std::min(current_frame_ + 1, end_frame_);
    case aamLoop:
    case aamBounceForward: {
      int next = current_frame_ + 1;
      if (next > end_frame_) next = std::min(start_frame_ + (next - end_frame_ - 1), end_frame_);
      return next;
    }
    case aamBounceBackward:
    case aamLoopBackward: {
      int next = current_frame_ - 1;
      if (next < start_frame_) next = std::max(end_frame_ - (start_frame_ - next - 1), start_frame_);
      return next;
    }
    case aamExternal:
      return current_frame_;
    default:
      SceneAssert(false);
      return current_frame_;
  }
}

void TGLActor::NextFrame(int n) {
  for (int i = 0; i < n; ++i) {
    SetCurrentFrame(NextFrameIndex());
    if (OnEndFrameReached && current_frame_ == end_frame_) OnEndFrameReached(*this);
    if (OnStartFrameReached && current_frame_ == start_frame_) OnStartFrameReached(*this);
  }
}

void TGLActor::SwitchToAnimation(TActorAnimation* animation, bool smooth) {
  if (animation == nullptr) return;
  if (smooth) {
    TargetSmoothAnimation = animation;
    CurrentFrameDelta = 0;
    return;
  }
  Reference = animation->Reference();
  SetStartFrame(animation->StartFrame());
  SetEndFrame(animation->EndFrame());
  SetCurrentFrame(start_frame_);
}

void TGLActor::Synchronize(TGLActor* reference) {
  if (reference == nullptr) return;
  const int count = FrameCount();
  if (reference->start_frame_ < count) start_frame_ = reference->start_frame_;
  if (reference->end_frame_ < count) end_frame_ = reference->end_frame_;
  if (reference->current_frame_ < count) current_frame_ = reference->current_frame_;
  Reference = reference->Reference;
  CurrentFrameDelta = reference->CurrentFrameDelta;
  AnimationMode = reference->AnimationMode;
  FrameInterpolation = reference->FrameInterpolation;
  TargetSmoothAnimation = reference->TargetSmoothAnimation != nullptr
                              ? animations_->FindName(reference->TargetSmoothAnimation->Name)
                              : nullptr;
  if (Skeleton().Frames().Count() > 0 && reference->Skeleton().Frames().Count() > 0) {
    Skeleton().Synchronize(reference->Skeleton());
  }
}

void TGLActor::Assign(const TPersistent* source) {
  TGLBaseMesh::Assign(source);
  if (auto* other = dynamic_cast<TGLActor*>(const_cast<TPersistent*>(source))) {
    animations_->Assign(other->animations_.get());
    AnimationMode = other->AnimationMode;
    Synchronize(other);
  }
}

void TGLActor::LoadFromStream(const std::string& file_name, TStream& stream) {
  if (file_name.empty()) return;
  animations_->Clear();
  TGLBaseMesh::LoadFromStream(file_name, stream);
}

void TGLActor::PerformMeshLoaded() {
  start_frame_ = 0;
  end_frame_ = FrameCount() - 1;
  current_frame_ = 0;
  if (OnFrameChanged) OnFrameChanged(*this);
  TGLBaseMesh::PerformMeshLoaded();
}

void TGLActor::DoProgress(const TProgressTimes& progress_times) {
  TGLBaseMesh::DoProgress(progress_times);
  if (AnimationMode == aamNone || Interval <= 0 || start_frame_ == end_frame_ || FrameCount() <= 1) return;
  CurrentFrameDelta += static_cast<float>(progress_times.deltaTime * 1000 / Interval);
  if (CurrentFrameDelta <= 1) {
    if (FrameInterpolation != afpNone) StructureChanged();
    return;
  }
  if (TargetSmoothAnimation != nullptr) {
    SwitchToAnimation(TargetSmoothAnimation, false);
    TargetSmoothAnimation = nullptr;
  }
  // The whole frames are stepped; the fraction stays as the way into the next one.
  const float whole = std::trunc(CurrentFrameDelta);
  const float fraction = CurrentFrameDelta - whole;
  NextFrame(static_cast<int>(whole));
  CurrentFrameDelta = fraction;
  StructureChanged();
}

void TGLActor::BuildList(TRenderContextInfo& rci) {
  const int next = NextFrameIndex();
  switch (Reference) {
    case aarMorph:
      if (next >= 0) {
        if (FrameInterpolation == afpLinear) {
          MeshObjects().Lerp(current_frame_, next, CurrentFrameDelta);
        } else {
          MeshObjects().MorphTo(current_frame_);
        }
      }
      break;
    case aarSkeleton: {
      if (Skeleton().Frames().Count() == 0) break;
      if (controlers_ != nullptr && AnimationMode != aamExternal) {
        std::vector<TBlendedLerpInfo> infos(1 + controlers_->size());
        TBlendedLerpInfo& first = infos[0];
        if (next < 0 || FrameInterpolation == afpNone) {
          first.frameIndex1 = first.frameIndex2 = current_frame_;
        } else {
          first.frameIndex1 = current_frame_;
          first.frameIndex2 = next;
          first.lerpFactor = CurrentFrameDelta;
        }
        first.weight = 1;
        std::size_t kept = 1;
        for (TGLBaseAnimationControler* controler : *controlers_) {
          if (controler->Apply(infos[kept])) ++kept;
        }
        infos.resize(kept);
        Skeleton().BlendedLerps(infos);
      } else if (next >= 0 && AnimationMode != aamExternal) {
        if (FrameInterpolation == afpLinear) {
          Skeleton().LerpFrames(current_frame_, next, CurrentFrameDelta);
        } else {
          Skeleton().SetCurrentFrame(*Skeleton().Frames()[current_frame_]);
        }
      }
      Skeleton().MorphMesh((options_ & aoSkeletonNormalizeNormals) != 0);
      break;
    }
    case aarNone:
      break;
    default:
      SceneAssert(false);
  }
  TGLBaseMesh::BuildList(rci);
  if (OverlaySkeleton()) {
    const TGLAttribScope enable_bits(rci.GLStates, GL_ENABLE_BIT);
    gl.Disable(GL_DEPTH_TEST);
    Skeleton().RootBones().BuildList(rci);
  }
}

namespace {

constexpr TIdentNames<3> kReference{"aarMorph", "aarSkeleton", "aarNone"};
constexpr TIdentNames<2> kFrameInterpolation{"afpNone", "afpLinear"};
constexpr TIdentNames<7> kAnimationMode{"aamNone",           "aamPlayOnce",     "aamLoop",    "aamBounceForward",
                                        "aamBounceBackward", "aamLoopBackward", "aamExternal"};

}  // namespace

void TActorAnimation::WriteProperties(TPropertyWriter& w) const {
  TCollectionItem::WriteProperties(w);
  w.String("Name", Name);
  w.Integer("StartFrame", StartFrame());
  w.Integer("EndFrame", EndFrame());
  if (Reference() != aarMorph) w.Enum("Reference", kReference, Reference());
}

bool TActorAnimation::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "Name") {
    Name = AsString(v);
  } else if (name == "StartFrame") {
    SetStartFrame(AsInteger(v));
  } else if (name == "EndFrame") {
    SetEndFrame(AsInteger(v));
  } else if (name == "Reference") {
    SetReference(AsEnum<TActorAnimationReference>(kReference, v));
  } else {
    return TCollectionItem::ReadProperty(name, v);
  }
  return true;
}

void TGLBaseAnimationControler::WriteProperties(TPropertyWriter& w) const {
  TComponent::WriteProperties(w);
  if (!enabled_) w.Boolean("Enabled", false);
  w.Reference("Actor", actor_);
}

bool TGLBaseAnimationControler::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "Enabled") {
    SetEnabled(AsBoolean(v));
  } else if (name == "Actor") {
    ReadReference<TGLActor>(v, [this](TGLActor* actor) { SetActor(actor); });
  } else {
    return TComponent::ReadProperty(name, v);
  }
  return true;
}

void TGLAnimationControler::WriteProperties(TPropertyWriter& w) const {
  TGLBaseAnimationControler::WriteProperties(w);
  if (!animation_name_.empty()) w.String("AnimationName", animation_name_);
  w.Single("Ratio", ratio_);
}

bool TGLAnimationControler::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "AnimationName") {
    SetAnimationName(AsString(v));
  } else if (name == "Ratio") {
    SetRatio(AsSingle(v));
  } else {
    return TGLBaseAnimationControler::ReadProperty(name, v);
  }
  return true;
}

void TGLActor::WriteProperties(TPropertyWriter& w) const {
  TGLBaseMesh::WriteProperties(w);
  if (OverlaySkeleton()) w.Boolean("OverlaySkeleton", true);
  if (start_frame_ != 0) w.Integer("StartFrame", start_frame_);
  if (end_frame_ != 0) w.Integer("EndFrame", end_frame_);
  if (Reference != aarMorph) w.Enum("Reference", kReference, Reference);
  if (current_frame_ != 0) w.Integer("CurrentFrame", current_frame_);
  w.Single("CurrentFrameDelta", CurrentFrameDelta);
  if (FrameInterpolation != afpLinear) w.Enum("FrameInterpolation", kFrameInterpolation, FrameInterpolation);
  if (Interval != 100) w.Integer("Interval", Interval);
  if (AnimationMode != aamNone) w.Enum("AnimationMode", kAnimationMode, AnimationMode);
  if (animations_->Count() > 0) {
    std::vector<const TPersistent*> items;
    for (int i = 0; i < animations_->Count(); ++i) items.push_back(animations_->Items(i));
    w.Items("Animations", items);
  }
}

bool TGLActor::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "OverlaySkeleton") {
    SetOverlaySkeleton(AsBoolean(v));
  } else if (name == "StartFrame") {
    SetStartFrame(AsInteger(v));
  } else if (name == "EndFrame") {
    SetEndFrame(AsInteger(v));
  } else if (name == "Reference") {
    Reference = AsEnum<TActorAnimationReference>(kReference, v);
  } else if (name == "CurrentFrame") {
    SetCurrentFrame(AsInteger(v));
  } else if (name == "CurrentFrameDelta") {
    CurrentFrameDelta = AsSingle(v);
  } else if (name == "FrameInterpolation") {
    FrameInterpolation = AsEnum<TActorFrameInterpolation>(kFrameInterpolation, v);
  } else if (name == "Interval") {
    Interval = AsInteger(v);
  } else if (name == "AnimationMode") {
    AnimationMode = AsEnum<TActorAnimationMode>(kAnimationMode, v);
  } else if (name == "Animations") {
    animations_->Clear();
    ReadItems(v, [this]() -> TPersistent& { return *animations_->Add(); });
  } else {
    return TGLBaseMesh::ReadProperty(name, v);
  }
  return true;
}

}  // namespace zentrova
