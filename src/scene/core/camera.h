// The camera through which a buffer looks at the scene: the projection for its style from the viewport,
// focal length, depth of view, near-plane bias and scene scale, and the view from its placement, aimed
// at a target object when it has one. The shell orbits, zooms and pans it with the mouse.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "scene/base/class_name.h"
#include "scene/core/scene_object.h"

namespace zentrova {

enum TGLCameraStyle : std::uint8_t {
  csPerspective,
  csOrthogonal,
  csOrtho2D,
  csCustom,
  csInfinitePerspective
};

// A buffer's viewport in pixels.
struct TGLViewport {
  std::int32_t Left = 0;
  std::int32_t Top = 0;
  std::int32_t Width = 0;
  std::int32_t Height = 0;
};

// Loads its own projection for csCustom; may change the view port radius.
using TOnCustomPerspective =
    std::function<void(const TGLViewport& viewport, int width, int height, int dpi, float& view_port_radius)>;

class TGLCamera : public TGLBaseSceneObject {
 public:
  // Focal length 50, depth of view 100, looking down −z.
  TGLCamera();
  ~TGLCamera() override;
  ZENTROVA_CLASS_NEW(TGLCamera)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  float FocalLength() const { return focal_length_; }
  float DepthOfView() const { return depth_of_view_; }  // from the near plane to the far plane
  float NearPlaneBias() const { return near_plane_bias_; }
  float SceneScale() const { return scene_scale_; }
  TGLCameraStyle CameraStyle() const { return camera_style_; }
  // Replaced, not refused: a focal length or bias <= 0 is stored as 1, a scene scale of 0 as 1.
  void SetFocalLength(float value);
  void SetDepthOfView(float value);
  void SetNearPlaneBias(float value);
  void SetSceneScale(float value);
  void SetCameraStyle(TGLCameraStyle value);
  // Computed by LoadProjection.
  float NearPlane() const { return near_plane_; }
  float ViewPortRadius() const { return view_port_radius_; }
  // Computed by LoadViewMatrix.
  const TVector4f& AbsoluteDirection() const { return absolute_direction_; }

  // Not owned; forgotten when the target is destroyed.
  TGLBaseSceneObject* TargetObject() const { return target_object_; }
  void SetTargetObject(TGLBaseSceneObject* object);

  // Multiplies the current (projection) matrix by the camera's projection for a viewport of the buffer
  // (width × height pixels) at a resolution; nothing for a size below 1.
  void LoadProjection(const TGLViewport& viewport, int width, int height, int dpi);
  // Multiplies the current (model-view) matrix by the view.
  void LoadViewMatrix();
  TOnCustomPerspective OnCustomPerspective;
  // When set, replaces the view computation of LoadViewMatrix.
  std::function<void()> OnCustomViewMatrix;

  // Orbits about the target (degrees).
  void OrbitTarget(float pitch_delta, float turn_delta);
  // Moves the camera to target + scale · (camera − target); nothing without a target.
  void ScaleTargetDistance(float scale);
  // 1 without a target.
  float TargetDistance();
  // The displacement in the xy plane for a mouse movement, turned by the camera's heading.
  TVector4f ScreenDeltaToPlaneXY(int delta_x, int delta_y, float ratio);
  // Degrees; 0 for a focal length of 0.
  float GetFieldOfView(float viewport_dimension) const;
  // Degrees, as GetFieldOfView gives them; values outside (0, 180) are ignored.
  void SetFieldOfView(float field_of_view, float viewport_dimension);

  // A camera draws no geometry of its own: only its children.
  void DoRender(TRenderContextInfo& rci, bool render_self, bool render_children) override;
  bool RayCastIntersect(const TVector4f&, const TVector4f&, TVector4f* = nullptr,
                        TVector4f* = nullptr) override {
    return false;
  }

 protected:
  void Notification(TComponent& component, TOperation operation) override;

 private:
  float focal_length_ = 50;
  float depth_of_view_ = 100;
  float near_plane_ = 0;
  float near_plane_bias_ = 1;
  float view_port_radius_ = 0;
  TGLBaseSceneObject* target_object_ = nullptr;
  TVector4f absolute_direction_{};
  TGLCameraStyle camera_style_ = csPerspective;
  float scene_scale_ = 1;
};

}  // namespace zentrova
