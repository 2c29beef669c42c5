#include "scene/core/custom_scene_object.h"

#include "scene/core/stage.h"

namespace zentrova {

void TGLCustomSceneObject::DoRender(TRenderContextInfo& rci, bool render_self, bool render_children) {
  if (render_self) {
    if (Scene() != nullptr) Scene()->SetCurrentRenderingObject(this);
    RenderSelf(rci);
  }
  if (render_children) RenderChildrenSorted(0, ChildCount() - 1, rci);
}

void TGLCustomSceneObject::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLCustomSceneObject*>(source)) Hint = other->Hint;
  TGLBaseSceneObject::Assign(source);
}

void TGLCameraInvariantObject::SetCamInvarianceMode(TGLCameraInvarianceMode value) {
  if (value == cam_invariance_mode_) return;
  cam_invariance_mode_ = value;
  NotifyChange(this);
}

void TGLCameraInvariantObject::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLCameraInvariantObject*>(source)) {
    cam_invariance_mode_ = other->cam_invariance_mode_;
  }
  TGLImmaterialSceneObject::Assign(source);
}

}  // namespace zentrova
