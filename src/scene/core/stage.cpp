#include "scene/core/stage.h"

#include <algorithm>

#include "scene/base/class_registration.h"
#include "scene/base/property_stream.h"
#include "scene/base/scene_errors.h"
#include "scene/base/vector_geometry.h"
#include "scene/core/camera.h"
#include "scene/core/light_source.h"
#include "scene/core/stage_buffer.h"
#include "scene/gl/opengl_binding.h"

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TGLStage);

namespace {

// A ray hit must lie nearer than this (squared distance) to count.
constexpr float kFarthestRayHit2 = 1e20f;

template <class F>
void ForEachLight(TGLBaseSceneObject& object, const F& f) {
  if (auto* light = dynamic_cast<TGLLightSource*>(&object)) f(*light);
  for (int i = 0; i < object.ChildCount(); ++i) ForEachLight(*object.ChildAt(i), f);
}

}  // namespace

TGLStageRootObject::TGLStageRootObject(TGLStage& stage) {
  is_root_ = true;
  SetObjectStyle(osDirectDraw);
  scene_ = &stage;
}

std::unique_ptr<TGLBaseSceneObject> TGLStageRootObject::NewInstance() const {
  SceneAssert(false, "TGLStageRootObject: a scene root is made by its scene");
  return nullptr;
}

TGLStage::TGLStage()
    : object_root_(std::make_unique<TGLStageRootObject>(*this)),
      camera_root_(std::make_unique<TGLStageRootObject>(*this)) {
  object_root_->SetName("ObjectRoot");
  camera_root_->SetName("CameraRoot");
}

TGLStage::~TGLStage() {
  // Marked first, so that the objects freed below notify nobody.
  Destroying();
  object_root_->DestroyHandles();
  camera_root_.reset();
  object_root_.reset();
  for (TGLStageBuffer* buffer : buffers_) buffer->registered_scene_ = nullptr;
}

void TGLStage::EndUpdate() {
  SceneAssert(update_count_ > 0);
  if (--update_count_ == 0) NotifyChange(this);
}

bool TGLStage::IsUpdating() const {
  const TComponentStates state = ComponentState();
  return update_count_ > 0 || state.Contains(TComponentState::Loading) ||
         state.Contains(TComponentState::Destroying);
}

void TGLStage::NotifyChange(TPersistent* sender) {
  if (!IsUpdating()) NotifyBuffers(sender);
}

void TGLStage::NotifyBuffers(TPersistent* sender) {
  for (TGLStageBuffer* buffer : buffers_) buffer->NotifyChange(sender);
}

void TGLStage::AddBuffer(TGLStageBuffer& buffer) {
  if (std::find(buffers_.begin(), buffers_.end(), &buffer) != buffers_.end()) return;
  buffers_.push_back(&buffer);
  buffer.registered_scene_ = this;
  if (shared_context_ == nullptr) shared_context_ = buffers_.front()->RenderingContext();
  TGLContext* context = buffer.RenderingContext();
  if (buffers_.size() > 1 && shared_context_ != nullptr && context != nullptr && context != shared_context_) {
    shared_context_->ShareObjectNames(context);
  }
}

void TGLStage::RemoveBuffer(TGLStageBuffer& buffer) {
  const auto it = std::find(buffers_.begin(), buffers_.end(), &buffer);
  if (it == buffers_.end()) return;
  buffers_.erase(it);
  buffer.registered_scene_ = nullptr;
  if (current_buffer_ == &buffer) current_buffer_ = nullptr;
  shared_context_ = buffers_.empty() ? nullptr : buffers_.front()->RenderingContext();
}

void TGLStage::SetObjectsSorting(TGLObjectsSorting value) {
  if (value == osInherited) value = osRenderBlendedLast;
  if (value == objects_sorting_) return;
  objects_sorting_ = value;
  NotifyChange(this);
}

void TGLStage::SetVisibilityCulling(TGLVisibilityCulling value) {
  if (value == vcInherited) value = vcNone;
  if (value == visibility_culling_) return;
  visibility_culling_ = value;
  NotifyChange(this);
}

bool TGLStage::FirstLightMatrix(TGLStage& scene, TMatrix4f& matrix) {
  TGLLightSource* light = scene.Light(0);
  if (light == nullptr) return false;
  matrix = light->AbsoluteMatrix();
  return true;
}

void TGLStage::AddLights(TGLBaseSceneObject& object) {
  ForEachLight(object, [this](TGLLightSource& light) {
    // A light already registered keeps its one slot.
    if (std::find(lights_.begin(), lights_.end(), &light) != lights_.end()) return;
    const auto free = std::find(lights_.begin(), lights_.end(), nullptr);
    if (free == lights_.end()) return;
    *free = &light;
    light.light_id_ = static_cast<GLenum>(GL_LIGHT0 + (free - lights_.begin()));
  });
}

void TGLStage::RemoveLights(TGLBaseSceneObject& object) {
  ForEachLight(object, [this](TGLLightSource& light) {
    std::replace(lights_.begin(), lights_.end(), &light, static_cast<TGLLightSource*>(nullptr));
  });
}

void TGLStage::ForgetObject(const TGLBaseSceneObject& object) {
  if (current_rendering_object_ == &object) current_rendering_object_ = nullptr;
  if (current_camera_ == &object) current_camera_ = nullptr;
}

void TGLStage::Progress(double delta_time, double new_time) {
  const TProgressTimes times{delta_time, new_time};
  object_root_->DoProgress(times);
  camera_root_->DoProgress(times);
}

TGLBaseSceneObject* TGLStage::RayCastIntersect(const TVector4f& ray_start, const TVector4f& ray_vector,
                                               TVector4f* intersect_point, TVector4f* intersect_normal) {
  TGLBaseSceneObject* best = nullptr;
  float best_d2 = kFarthestRayHit2;
  const auto visit = [&](auto& self, TGLBaseSceneObject& object) -> void {
    for (int i = 0; i < object.ChildCount(); ++i) {
      TGLBaseSceneObject& child = *object.ChildAt(i);
      if (!child.Visible()) continue;
      TVector4f point{}, normal{};
      if (child.RayCastIntersect(ray_start, ray_vector, &point, &normal)) {
        const float d2 =
            AffineDistance2({ray_start[0], ray_start[1], ray_start[2]}, {point[0], point[1], point[2]});
        if (d2 < best_d2) {
          best = &child;
          best_d2 = d2;
          if (intersect_point != nullptr) *intersect_point = point;
          if (intersect_normal != nullptr) *intersect_normal = normal;
        }
      }
      self(self, child);
    }
  };
  visit(visit, *object_root_);
  return best;
}

void TGLStage::LoadLights(int max_lights) {
  const int n = std::min(kMaxLights, max_lights);
  gl.PushMatrix();
  for (int i = 0; i < n; ++i) {
    TGLLightSource* light = lights_[i];
    if (light == nullptr) {
      gl.Disable(GL_LIGHT0 + i);
      continue;
    }
    const GLenum id = light->LightID();
    if (!light->Shining()) {
      gl.Disable(id);
      continue;
    }
    gl.Enable(id);
    // Back to the view matrix for every light.
    gl.PopMatrix();
    gl.PushMatrix();
    light->LocalMatrix();
    if (light->LightStyle() == lsParallel) {
      gl.MultMatrixf(light->AbsoluteMatrix()[0].data());
      gl.Lightfv(id, GL_POSITION, light->SpotDirection().DataPointer());
    } else {
      if (light->Parent() != nullptr) gl.MultMatrixf(light->Parent()->AbsoluteMatrix()[0].data());
      gl.Lightfv(id, GL_POSITION, light->Position().DataPointer());
    }
    gl.Lightfv(id, GL_AMBIENT, light->Ambient().VectorAddress());
    gl.Lightfv(id, GL_DIFFUSE, light->Diffuse().VectorAddress());
    gl.Lightfv(id, GL_SPECULAR, light->Specular().VectorAddress());
    if (light->LightStyle() == lsSpot) {
      if (light->SpotCutOff() != 180) {
        gl.Lightfv(id, GL_SPOT_DIRECTION, light->SpotDirection().DataPointer());
        gl.Lightf(id, GL_SPOT_EXPONENT, light->SpotExponent());
      }
      gl.Lightf(id, GL_SPOT_CUTOFF, light->SpotCutOff());
    } else {
      gl.Lightf(id, GL_SPOT_CUTOFF, 180);
    }
    gl.Lightf(id, GL_CONSTANT_ATTENUATION, light->ConstAttenuation());
    gl.Lightf(id, GL_LINEAR_ATTENUATION, light->LinearAttenuation());
    gl.Lightf(id, GL_QUADRATIC_ATTENUATION, light->QuadraticAttenuation());
  }
  gl.PopMatrix();
  for (int i = n; i < max_lights; ++i) gl.Disable(GL_LIGHT0 + i);
}

void TGLStage::WriteProperties(TPropertyWriter& w) const {
  TGLUpdateAbleComponent::WriteProperties(w);
  if (objects_sorting_ != osRenderBlendedLast) w.Enum("ObjectsSorting", kObjectsSortingNames, objects_sorting_);
  if (visibility_culling_ != vcNone) w.Enum("VisibilityCulling", kVisibilityCullingNames, visibility_culling_);
}

bool TGLStage::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "ObjectsSorting") {
    SetObjectsSorting(AsEnum<TGLObjectsSorting>(kObjectsSortingNames, v));
  } else if (name == "VisibilityCulling") {
    SetVisibilityCulling(AsEnum<TGLVisibilityCulling>(kVisibilityCullingNames, v));
  } else {
    return TGLUpdateAbleComponent::ReadProperty(name, v);
  }
  return true;
}

std::vector<const TComponent*> TGLStage::GetChildren() const {
  std::vector<const TComponent*> children = object_root_->GetChildren();
  for (const TComponent* camera : camera_root_->GetChildren()) children.push_back(camera);
  return children;
}

bool TGLStage::ReadChild(std::unique_ptr<TComponent>& child) {
  if (dynamic_cast<TGLCamera*>(child.get()) != nullptr) return camera_root_->ReadChild(child);
  return object_root_->ReadChild(child);
}

}  // namespace zentrova
