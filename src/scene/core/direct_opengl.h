// Objects whose drawing is code of the application rather than geometry: the direct-OpenGL object hands
// its drawing to an event, the render point to a list of registered callbacks.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "scene/base/class_name.h"
#include "scene/core/custom_scene_object.h"
#include "scene/core/stage_buffer.h"

namespace zentrova {

class TGLDirectOpenGL : public TGLImmaterialSceneObject {
 public:
  // Draws directly every frame and tampers with the state.
  TGLDirectOpenGL();
  ZENTROVA_CLASS_NEW(TGLDirectOpenGL)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  // With the build list, OnRender's drawing is compiled into the display list once and replayed.
  bool UseBuildList() const { return !HasStyle(osDirectDraw); }
  void SetUseBuildList(bool value);
  bool Blend() const { return blend_; }
  void SetBlend(bool value);
  bool Blended() const override { return blend_; }

  // OnRender with the texture coordinates routed to the main unit; nothing without it.
  void BuildList(TRenderContextInfo& rci) override;
  // UseBuildList, OnRender, OnProgress and Blend.
  void Assign(const TPersistent* source) override;

  TDirectRenderEvent OnRender;

 private:
  bool blend_ = false;
};

class TGLRenderPoint : public TGLImmaterialSceneObject {
 public:
  using TFreeCallback = std::function<void(TGLRenderPoint& sender)>;

  TGLRenderPoint();
  // UnRegisterAll.
  ~TGLRenderPoint() override;
  ZENTROVA_CLASS_NEW(TGLRenderPoint)

  // Appends a drawing callback with the one to call when the pair is dropped.
  void RegisterCallback(TDirectRenderEvent render, TFreeCallback on_free);
  // Drops the pairs from the last to the first, calling each free callback.
  void UnRegisterAll();
  int CallbackCount() const { return static_cast<int>(callbacks_.size()); }

  // Every render callback in registration order.
  void BuildList(TRenderContextInfo& rci) override;

 private:
  struct TCallbacks {
    TDirectRenderEvent render;
    TFreeCallback on_free;
  };
  std::vector<TCallbacks> callbacks_;
};

}  // namespace zentrova
