#include "scene/core/custom_scene_object.h"

#include "scene/base/property_setter.h"
#include "scene/base/property_stream.h"
#include "scene/base/scene_errors.h"
#include "scene/materials/material.h"
#include "scene/base/scope_exit.h"
#include "scene/core/stage.h"
#include "scene/core/stage_buffer.h"
#include "scene/gl/opengl_binding.h"

namespace zentrova {

TGLCustomSceneObject::TGLCustomSceneObject() : material_(std::make_unique<TGLMaterial>(this)) {}

// Out of line: the header only declares the material.
TGLCustomSceneObject::~TGLCustomSceneObject() = default;

void TGLCustomSceneObject::SetMaterial(const TGLMaterial& value) {
  material_->Assign(&value);
}

void TGLCustomSceneObject::DoRender(TRenderContextInfo& rci, bool render_self, bool render_children) {
  if (render_self) {
    if (Scene() != nullptr) Scene()->SetCurrentRenderingObject(this);
    if (rci.ignoreMaterials) {
      RenderSelf(rci);
    } else {
      RenderSelfWithMaterial(rci);
    }
  }
  if (render_children) RenderChildrenSorted(0, ChildCount() - 1, rci);
}

void TGLCustomSceneObject::RenderSelfWithMaterial(TRenderContextInfo& rci) {
  material_->Apply(rci);
  do {
    try {
      RenderSelf(rci);
    } catch (...) {
      // Left applied, a library material would stay its library's current one and a shader would stay
      // active, and every later frame would fail on the imbalance: undo it, passes and all, then rethrow
      // the drawing's exception (one from undoing gives way to it).
      try {
        while (material_->Restore(rci)) {
        }
      } catch (...) {
      }
      throw;
    }
  } while (material_->Restore(rci));
}

bool TGLCustomSceneObject::Blended() const {
  return material_->Blended();
}

void TGLCustomSceneObject::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLCustomSceneObject*>(source)) {
    material_->Assign(other->material_.get());
    Hint = other->Hint;
  }
  TGLBaseSceneObject::Assign(source);
}

void TGLCustomSceneObject::ReleaseDisplayList() {
  TGLBaseSceneObject::ReleaseDisplayList();
  material_->ReleaseHandles();
}

void TGLCameraInvariantObject::SetCamInvarianceMode(TGLCameraInvarianceMode value) {
  SetProperty(cam_invariance_mode_, value, NotifyChangeOf(this));
}

void TGLCameraInvariantObject::DoRender(TRenderContextInfo& rci, bool render_self, bool render_children) {
  if (cam_invariance_mode_ == cimNone) {
    TGLImmaterialSceneObject::DoRender(rci, render_self, render_children);
    return;
  }
  SceneAssert(rci.buffer != nullptr, "TGLCameraInvariantObject.DoRender: no buffer");
  TGLStageBuffer& buffer = *rci.buffer;
  gl.PushMatrix();
  const TScopeExit pop_matrix([] { gl.PopMatrix(); });
  switch (cam_invariance_mode_) {
    case cimPosition:
      gl.LoadMatrixf(buffer.ViewMatrix()[0].data());
      gl.Translatef(rci.cameraPosition[0], rci.cameraPosition[1], rci.cameraPosition[2]);
      break;
    case cimOrientation:
      gl.LoadIdentity();
      gl.Scalef(1, -1, -1);
      break;
    default:
      SceneAssert(false);
  }
  gl.MultMatrixf(LocalMatrix()[0].data());
  TMatrix4f model_view{};
  gl.GetFloatv(GL_MODELVIEW_MATRIX, model_view[0].data());
  buffer.PushModelViewMatrix(model_view);
  const TScopeExit pop_stack([&buffer] { buffer.PopModelViewMatrix(); });
  if (render_self) RenderSelf(rci);
  if (render_children) RenderChildrenSorted(0, ChildCount() - 1, rci);
}

void TGLCameraInvariantObject::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLCameraInvariantObject*>(source)) {
    cam_invariance_mode_ = other->cam_invariance_mode_;
  }
  TGLImmaterialSceneObject::Assign(source);
}

void TGLCustomSceneObject::WriteProperties(TPropertyWriter& writer) const {
  TGLBaseSceneObject::WriteProperties(writer);
  if (!Hint.empty()) writer.String("Hint", Hint);
}

bool TGLCustomSceneObject::ReadProperty(const std::string& name, const TPropertyValue& value) {
  if (name != "Hint") return TGLBaseSceneObject::ReadProperty(name, value);
  Hint = AsString(value);
  return true;
}

}  // namespace zentrova
