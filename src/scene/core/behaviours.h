// Behaviours and effects: items that an application attaches to a scene object. Behaviours take part in
// the progress (animation) step; effects also draw around the object: pre-effects before it, post-effects
// after it, after-effects once the whole tree is drawn. The library defines only the bases, and a scene
// object creates either collection only when it is first asked for it.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "scene/base/class_name.h"
#include "scene/base/update_able.h"
#include "scene/base/xcollection.h"
#include "scene/materials/render_context_info.h"

namespace zentrova {

class TGLBaseSceneObject;
class TGLStageBuffer;

// An item class whose items are created by `Item`'s default constructor and named `KindName`.
template <class Item, class Parent>
class TGLBehaviourClass : public TXCollectionItemClass {
 public:
  TGLBehaviourClass(const char* class_name, std::string kind_name)
      : TXCollectionItemClass(class_name, &Parent::StaticClass()), kind_name_(std::move(kind_name)) {}
  std::string KindName() const override { return kind_name_; }

 protected:
  std::unique_ptr<TXCollectionItem> NewItem() const override { return std::make_unique<Item>(); }

 private:
  std::string kind_name_;
};

class TGLBaseBehaviour : public TXCollectionItem {
 public:
  ZENTROVA_CLASS(TGLBaseBehaviour)
  static const TXCollectionItemClass& StaticClass();
  const TXCollectionItemClass& ItemClass() const override { return StaticClass(); }

  virtual void DoProgress(const TProgressTimes& progress_times) {}
  // The scene object whose collection holds the item, or nullptr.
  TGLBaseSceneObject* OwnerBaseSceneObject() const;
  // Renames, then tells the process-wide hook.
  void SetName(const std::string& name) override;
  // Version 0 around the item's own content.
  void WriteItem(TVirtualWriter& writer) const override;
  void ReadItem(TVirtualReader& reader) override;
};

class TGLBehaviour : public TGLBaseBehaviour {
 public:
  ZENTROVA_CLASS(TGLBehaviour)
  static const TXCollectionItemClass& StaticClass();
  const TXCollectionItemClass& ItemClass() const override { return StaticClass(); }
};

class TGLObjectEffect : public TGLBaseBehaviour {
 public:
  ZENTROVA_CLASS(TGLObjectEffect)
  static const TXCollectionItemClass& StaticClass();
  const TXCollectionItemClass& ItemClass() const override { return StaticClass(); }
  virtual void Render(TGLStageBuffer& scene_buffer, TRenderContextInfo& rci) {}
};

// The three kinds of effect, by the pass that draws them.
class TGLObjectPreEffect : public TGLObjectEffect {
 public:
  ZENTROVA_CLASS(TGLObjectPreEffect)
  static const TXCollectionItemClass& StaticClass();
  const TXCollectionItemClass& ItemClass() const override { return StaticClass(); }
};

class TGLObjectPostEffect : public TGLObjectEffect {
 public:
  ZENTROVA_CLASS(TGLObjectPostEffect)
  static const TXCollectionItemClass& StaticClass();
  const TXCollectionItemClass& ItemClass() const override { return StaticClass(); }
};

class TGLObjectAfterEffect : public TGLObjectEffect {
 public:
  ZENTROVA_CLASS(TGLObjectAfterEffect)
  static const TXCollectionItemClass& StaticClass();
  const TXCollectionItemClass& ItemClass() const override { return StaticClass(); }
};

// The owner of both collections must be a scene object (assertion failure otherwise).
class TGLBehaviours : public TXCollection {
 public:
  explicit TGLBehaviours(TGLBaseSceneObject* owner);
  ZENTROVA_CLASS(TGLBehaviours)
  std::string GetNamePath() const override;
  const TXCollectionItemClass& BaseItemClass() const override { return TGLBehaviour::StaticClass(); }
  // Anything but an effect.
  bool Accepts(const TXCollectionItemClass& item_class) const override;
  TGLBaseBehaviour& Behaviour(int index) const { return static_cast<TGLBaseBehaviour&>(*Items(index)); }
  void ProgressAll(const TProgressTimes& progress_times);
};

class TGLObjectEffects : public TXCollection {
 public:
  explicit TGLObjectEffects(TGLBaseSceneObject* owner);
  ZENTROVA_CLASS(TGLObjectEffects)
  std::string GetNamePath() const override;
  const TXCollectionItemClass& BaseItemClass() const override { return TGLObjectEffect::StaticClass(); }
  // Effects only.
  bool Accepts(const TXCollectionItemClass& item_class) const override;
  TGLObjectEffect& ObjectEffect(int index) const { return static_cast<TGLObjectEffect&>(*Items(index)); }
  void ProgressAll(const TProgressTimes& progress_times);
  // The pre-effects draw, in order.
  void RenderPreEffects(TGLStageBuffer& scene_buffer, TRenderContextInfo& rci);
  // The post-effects draw, in order; the after-effects join the buffer's list, drawn after the tree.
  void RenderPostEffects(TGLStageBuffer& scene_buffer, TRenderContextInfo& rci);
};

// Called with every behaviour or effect that is renamed (a design tool's hook), when set.
extern std::function<void(TGLBaseBehaviour& item)> OnBehaviourNameChange;

}  // namespace zentrova
