// The bases of the visible objects: objects that draw themselves with their material, objects without a
// material, and objects that ignore the camera's position or orientation.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "scene/base/class_name.h"
#include "scene/core/scene_object.h"

namespace zentrova {

class TGLMaterial;

class TGLCustomSceneObject : public TGLBaseSceneObject {
 public:
  TGLCustomSceneObject();
  ~TGLCustomSceneObject() override;
  ZENTROVA_CLASS_NEW(TGLCustomSceneObject)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  // A text for the user, not drawn.
  std::string Hint;

  // Owned for the object's whole life; its changes reach the object as change notices, and enabling
  // its texture or linking it to a library material rebuilds the display list.
  TGLMaterial& Material() { return *material_; }
  const TGLMaterial& Material() const { return *material_; }
  void SetMaterial(const TGLMaterial& value);

  // Drawing itself, the object becomes the scene's current rendering object first. Unless the render
  // ignores materials, the material is applied around the drawing, which is repeated while the
  // material's Restore asks for another pass; a drawing that throws still has the material undone.
  void DoRender(TRenderContextInfo& rci, bool render_self, bool render_children) override;
  // Whether the material blends: such objects sort with the blended ones.
  bool Blended() const override;
  // Material and hint, then the base properties.
  void Assign(const TPersistent* source) override;
  // The display list and the material's texture name.
  void ReleaseDisplayList() override;

 protected:
  // The object itself with the material's passes around it.
  void RenderSelfWithMaterial(TRenderContextInfo& rci);

 private:
  std::unique_ptr<TGLMaterial> material_;
};

// Never applies a material: draws as the base object does.
class TGLImmaterialSceneObject : public TGLCustomSceneObject {
 public:
  ZENTROVA_CLASS_NEW(TGLImmaterialSceneObject)
  void DoRender(TRenderContextInfo& rci, bool render_self, bool render_children) override {
    TGLBaseSceneObject::DoRender(rci, render_self, render_children);
  }
};

// The base of the objects that scenes place, with their material.
class TGLStageObject : public TGLCustomSceneObject {
 public:
  ZENTROVA_CLASS_NEW(TGLStageObject)
};

// What a camera-invariant object keeps fixed relative to the camera.
enum TGLCameraInvarianceMode : std::uint8_t {
  cimNone,
  cimPosition,     // its origin travels with the camera
  cimOrientation,  // it keeps its orientation to the view
};

class TGLCameraInvariantObject : public TGLImmaterialSceneObject {
 public:
  ZENTROVA_CLASS_NEW(TGLCameraInvariantObject)

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
