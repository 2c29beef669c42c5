// The bases of the visible objects: objects that draw themselves (with a material, once materials
// exist), objects without a material, and objects that ignore the camera's position or orientation.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "scene/core/scene_object.h"

namespace zentrova {

class TGLCustomSceneObject : public TGLBaseSceneObject {
 public:
  const char* ClassName() const override { return "TGLCustomSceneObject"; }
  std::unique_ptr<TGLBaseSceneObject> NewInstance() const override {
    return std::make_unique<TGLCustomSceneObject>();
  }

  // A text for the user, not drawn.
  std::string Hint;

  // Drawing itself, the object becomes the scene's current rendering object first.
  void DoRender(TRenderContextInfo& rci, bool render_self, bool render_children) override;
  void Assign(const TPersistent* source) override;
};

// Never applies a material: draws as the base object does.
class TGLImmaterialSceneObject : public TGLCustomSceneObject {
 public:
  const char* ClassName() const override { return "TGLImmaterialSceneObject"; }
  std::unique_ptr<TGLBaseSceneObject> NewInstance() const override {
    return std::make_unique<TGLImmaterialSceneObject>();
  }
  void DoRender(TRenderContextInfo& rci, bool render_self, bool render_children) override {
    TGLBaseSceneObject::DoRender(rci, render_self, render_children);
  }
};

// The base of the objects that scenes place, with their material.
class TGLStageObject : public TGLCustomSceneObject {
 public:
  const char* ClassName() const override { return "TGLStageObject"; }
  std::unique_ptr<TGLBaseSceneObject> NewInstance() const override {
    return std::make_unique<TGLStageObject>();
  }
};

// What a camera-invariant object keeps fixed relative to the camera.
enum TGLCameraInvarianceMode : std::uint8_t {
  cimNone,
  cimPosition,     // its origin travels with the camera
  cimOrientation,  // it keeps its orientation to the view
};

class TGLCameraInvariantObject : public TGLImmaterialSceneObject {
 public:
  const char* ClassName() const override { return "TGLCameraInvariantObject"; }
  std::unique_ptr<TGLBaseSceneObject> NewInstance() const override {
    return std::make_unique<TGLCameraInvariantObject>();
  }

  TGLCameraInvarianceMode CamInvarianceMode() const { return cam_invariance_mode_; }
  void SetCamInvarianceMode(TGLCameraInvarianceMode value);
  void Assign(const TPersistent* source) override;
  // Other than cimNone: the object's matrix replaces the camera's share of the model-view matrix, and
  // goes on the buffer's model-view stack while the object and its children draw.
  void DoRender(TRenderContextInfo& rci, bool render_self, bool render_children) override;

 private:
  TGLCameraInvarianceMode cam_invariance_mode_ = cimNone;
};

}  // namespace zentrova
