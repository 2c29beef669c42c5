#include "scene/core/camera.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "platform/exception.h"
#include "scene/base/class_registration.h"
#include "scene/base/float_math.h"
#include "scene/base/matrix_geometry.h"
#include "scene/base/property_setter.h"
#include "scene/base/property_stream.h"
#include "scene/base/scene_errors.h"
#include "scene/base/vector_geometry.h"
#include "scene/gl/opengl_binding.h"

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TGLCamera);

namespace {

// Of the infinite perspective: how far short of the far plane at infinity depths stay.
constexpr double kInfiniteFarEpsilon = 1e-4;
// An orthogonal view is the perspective near-plane window scaled by 100 / focal length.
constexpr double kOrthogonalFactor = 100;
constexpr double kMillimetresPerInch = 25.4;

// Integer arithmetic of window and viewport sizes: a result beyond 32 bits is refused.
double Checked(std::int64_t value) {
  if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max()) {
    throw EIntOverflow(kIntOverflowError);
  }
  return static_cast<double>(value);
}

}  // namespace

TGLCamera::TGLCamera() {
  Direction().Initialize({0, 0, -1, 0});
}

TGLCamera::~TGLCamera() {
  if (target_object_ != nullptr) RemoveFreeNotification(*target_object_);
  target_object_ = nullptr;
}

void TGLCamera::SetFocalLength(float value) {
  SetProperty(focal_length_, value <= 0 ? 1 : value, [this] {
    if (!ComponentState().Contains(TComponentState::Loading)) MarkTransformDirty();
  });
}

void TGLCamera::SetDepthOfView(float value) {
  if (value == depth_of_view_) return;
  depth_of_view_ = value;
  if (!ComponentState().Contains(TComponentState::Loading)) MarkTransformDirty();
}

void TGLCamera::SetNearPlaneBias(float value) {
  SetProperty(near_plane_bias_, value <= 0 ? 1 : value, NotifyChangeOf(this));
}

void TGLCamera::SetSceneScale(float value) {
  SetProperty(scene_scale_, value == 0 ? 1 : value, NotifyChangeOf(this));
}

void TGLCamera::SetCameraStyle(TGLCameraStyle value) {
  SetProperty(camera_style_, value, NotifyChangeOf(this));
}

void TGLCamera::SetTargetObject(TGLBaseSceneObject* object) {
  if (object == target_object_) return;
  if (target_object_ != nullptr) RemoveFreeNotification(*target_object_);
  target_object_ = object;
  if (target_object_ != nullptr) FreeNotification(*target_object_);
  if (!ComponentState().Contains(TComponentState::Loading)) MarkTransformDirty();
}

void TGLCamera::Notification(TComponent& component, TOperation operation) {
  if (operation == TOperation::Remove && &component == target_object_) SetTargetObject(nullptr);
  TGLBaseSceneObject::Notification(component, operation);
}

void TGLCamera::LoadProjection(const TGLViewport& viewport, int width, int height, int dpi) {
  if (width < 1 || height < 1) return;
  const double w = width, h = height;
  switch (camera_style_) {
    case csOrtho2D:
      glu.Ortho2D(0, w, 0, h);
      near_plane_ = -1;
      view_port_radius_ = static_cast<float>(std::sqrt(w * w + h * h) / 2);
      return;
    case csCustom:
      view_port_radius_ = static_cast<float>(std::sqrt(w * w + h * h) / 2);
      if (OnCustomPerspective) OnCustomPerspective(viewport, width, height, dpi, view_port_radius_);
      return;
    case csPerspective:
    case csOrthogonal:
    case csInfinitePerspective:
      break;
    default:
      SceneAssert(false);
  }
  const double max_dim = std::max(w, h);
  const double bias = near_plane_bias_, scale = scene_scale_;
  const auto factor = [&](double size) {
    return camera_style_ == csOrthogonal ? kOrthogonalFactor * bias / (size * focal_length_ * scale)
                                         : bias / (size * scale);
  };
  const std::int64_t vl = viewport.Left, vt = viewport.Top, vw = viewport.Width, vh = viewport.Height;
  double f = factor(w);
  const double right = Checked(2 * vw + 2 * vl - width) * f * w / (2 * max_dim);
  const double left = -Checked(width - 2 * vl) * f * w / (2 * max_dim);
  f = factor(h);
  const double top = Checked(2 * vh + 2 * vt - height) * f * h / (2 * max_dim);
  const double bottom = -Checked(height - 2 * vt) * f * h / (2 * max_dim);
  const double near_plane = focal_length_ * 2.0 * dpi / (kMillimetresPerInch * max_dim) * bias;
  const double far_plane = near_plane + depth_of_view_;
  near_plane_ = static_cast<float>(near_plane);
  if (camera_style_ == csPerspective) {
    gl.Frustum(left, right, bottom, top, near_plane, far_plane);
  } else if (camera_style_ == csOrthogonal) {
    gl.Ortho(left, right, bottom, top, near_plane, far_plane);
  } else {
    // The frustum with its far plane at infinity (row vectors, m[row][column]).
    TMatrix4f m{};
    m[0][0] = static_cast<float>(2 * near_plane / (right - left));
    m[1][1] = static_cast<float>(2 * near_plane / (top - bottom));
    m[2][0] = static_cast<float>((right + left) / (right - left));
    m[2][1] = static_cast<float>((top + bottom) / (top - bottom));
    m[2][2] = static_cast<float>(kInfiniteFarEpsilon - 1);
    m[2][3] = -1;
    m[3][2] = static_cast<float>(near_plane * (kInfiniteFarEpsilon - 2));
    m[3][3] = 0;
    gl.MultMatrixf(m[0].data());
  }
  view_port_radius_ = static_cast<float>(std::sqrt(right * right + top * top) / near_plane);
}

void TGLCamera::LoadViewMatrix() {
  if (OnCustomViewMatrix) {
    OnCustomViewMatrix();
    return;
  }
  const TVector4f eye = AbsoluteTranslation();
  if (target_object_ != nullptr) {
    const TVector4f centre = target_object_->AbsoluteTranslation();
    absolute_direction_ = SubtractToDirection(centre, eye);
    NormalizeVector3InPlace(absolute_direction_);
    // The local up, as the view has always been aimed with it.
    const TVector4f& up = Up().AsVector();
    glu.LookAt(eye[0], eye[1], eye[2], centre[0], centre[1], centre[2], up[0], up[1], up[2]);
  } else {
    const TMatrix4f& p = Parent() != nullptr ? Parent()->AbsoluteMatrix() : IdentityMatrix;
    absolute_direction_ = TransformVector4(Direction().AsVector(), p);
    const TVector4f up = TransformVector4(Up().AsVector(), p);
    const TVector4f& d = absolute_direction_;
    glu.LookAt(eye[0], eye[1], eye[2], eye[0] + d[0], eye[1] + d[1], eye[2] + d[2], up[0], up[1], up[2]);
  }
  ClearDisplayListDirty();
}

void TGLCamera::OrbitTarget(float pitch_delta, float turn_delta) {
  MoveObjectAround(target_object_, pitch_delta, turn_delta);
}

void TGLCamera::ScaleTargetDistance(float scale) {
  if (target_object_ == nullptr) return;
  const TVector4f target = target_object_->AbsoluteTranslation();
  TVector4f v = CombineVector4One(target, SubtractToDirection(AbsoluteTranslation(), target), scale);
  v[kW] = 1;
  if (Parent() != nullptr) v = Parent()->WorldToLocal(v);
  Position().SetPositionXYZ(v[0], v[1], v[2]);
}

float TGLCamera::TargetDistance() {
  if (target_object_ == nullptr) return 1;
  const TVector4f a = AbsoluteTranslation(), b = target_object_->AbsoluteTranslation();
  return AffineDistance({a[0], a[1], a[2]}, {b[0], b[1], b[2]});
}

TVector4f TGLCamera::ScreenDeltaToPlaneXY(int delta_x, int delta_y, float ratio) {
  const TVector4f h = target_object_ != nullptr
                          ? SubtractToDirection(target_object_->AbsoluteTranslation(), AbsoluteTranslation())
                          : Direction().AsVector();
  const float length = std::sqrt(h[0] * h[0] + h[1] * h[1]);
  // Looking straight down there is no heading: the ratio alone scales.
  const float f = length <= 1e-10f ? ratio : ratio / length;
  const float dx = delta_x * f, dy = delta_y * f;
  return {h[1] * dx + h[0] * dy, h[1] * dy - h[0] * dx, 0, 0};
}

float TGLCamera::GetFieldOfView(float viewport_dimension) const {
  if (focal_length_ == 0) return 0;
  return RadToDeg(2 * std::atan(viewport_dimension / 2 / focal_length_));
}

void TGLCamera::SetFieldOfView(float field_of_view, float viewport_dimension) {
  if (!(field_of_view > 0 && field_of_view < 180)) return;
  SetFocalLength(viewport_dimension / (2 * std::tan(DegToRad(field_of_view) / 2)));
}

void TGLCamera::DoRender(TRenderContextInfo& rci, bool render_self, bool render_children) {
  if (render_children) RenderChildrenSorted(0, ChildCount() - 1, rci);
}

namespace {
constexpr TIdentNames<5> kCameraStyle{"csPerspective", "csOrthogonal", "csOrtho2D", "csCustom",
                                      "csInfinitePerspective"};
}  // namespace

void TGLCamera::WriteProperties(TPropertyWriter& w) const {
  TGLBaseSceneObject::WriteProperties(w);
  w.Single("DepthOfView", depth_of_view_);
  w.Single("FocalLength", focal_length_);
  if (scene_scale_ != 1) w.Single("SceneScale", scene_scale_);
  if (near_plane_bias_ != 1) w.Single("NearPlaneBias", near_plane_bias_);
  w.Reference("TargetObject", target_object_);
  if (camera_style_ != csPerspective) w.Enum("CameraStyle", kCameraStyle, camera_style_);
}

bool TGLCamera::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "DepthOfView") {
    SetDepthOfView(AsSingle(v));
  } else if (name == "FocalLength") {
    SetFocalLength(AsSingle(v));
  } else if (name == "SceneScale") {
    SetSceneScale(AsSingle(v));
  } else if (name == "NearPlaneBias") {
    SetNearPlaneBias(AsSingle(v));
  } else if (name == "TargetObject") {
    ReadReference<TGLBaseSceneObject>(v, [this](TGLBaseSceneObject* target) { SetTargetObject(target); });
  } else if (name == "CameraStyle") {
    SetCameraStyle(AsEnum<TGLCameraStyle>(kCameraStyle, v));
  } else {
    return TGLBaseSceneObject::ReadProperty(name, v);
  }
  return true;
}

}  // namespace zentrova
