// The program's own scene: the main window's stage with its lights, containers, pointer, orientation
// box, camera and material library, and the objects of the loaded world's bodies. It is the engine's
// view (IWorldView): every change it makes holds the stage's mutex, which rendering and picking hold too;
// so none of its calls may come from code that holds that mutex already.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/world_view.h"

namespace zentrova {

class TGLBaseSceneObject;
class TGLCamera;
class TGLCustomSceneObject;
class TGLDummyCube;
class TGLLightSource;
class TGLLines;
class TGLMaterialLibrary;
class TGLPlane;
class TGLPoints;
class TGLSphere;
class TGLStage;

class TMainScene : public IWorldView {
 public:
  // The stage with its fixed content; no world's objects yet.
  TMainScene();
  ~TMainScene() override;
  TMainScene(const TMainScene&) = delete;
  TMainScene& operator=(const TMainScene&) = delete;

  // Draws the scene at once through the main viewer; set by the window that shows the scene (none: a
  // repaint does nothing). Called without the stage's mutex held.
  std::function<void()> OnRepaint;

  TGLStage& Stage() { return *stage_; }
  TGLCamera& Camera() { return *camera_; }
  TGLMaterialLibrary& MaterialLibrary() { return *library_; }
  // The stage's objects by their component names ("GLPointer", "GLFloor", ...); nullptr for none.
  TGLBaseSceneObject* FindObject(const std::string& name) const;

  // The objects of body `index` (nullptr when it has none or the index is out of range).
  TGLDummyCube* BodyFrame(std::int32_t index) const;
  TGLCustomSceneObject* BodySolid(std::int32_t index) const;
  TGLPoints* BodyWatchPoints(std::int32_t index) const;
  TGLDummyCube* BodyWatchFrame(std::int32_t index) const;
  // The drawn boxes' container under the body's frame, or nullptr before the first box tree.
  TGLDummyCube* BodyBoxTree(std::int32_t index) const;
  std::int32_t BodyCount() const { return static_cast<std::int32_t>(bodies_.size()); }

  // --- IWorldView ----------------------------------------------------------------------------------------
  void Clear() override;
  void Repaint() override;
  void ApplyFrame(const TViewFrame& frame) override;
  void AddBody(const std::string& name) override;
  void CreateNameTexture(std::int32_t body, const std::string& name) override;
  void BuildBodySolid(std::int32_t body, const std::vector<TViewPoint>& outline, float height) override;
  void SetBodyAppearance(std::int32_t body, const TBodyAppearance& appearance) override;
  void SetBodyHeight(std::int32_t body, float height) override;
  void SetBodyPose(const TBodyPose& pose) override;
  bool BoxTreeShown(std::int32_t body) const override;
  void ShowBoxTree(std::int32_t body, const std::vector<TViewBox>& boxes) override;
  void ClearBoxTree(std::int32_t body) override;
  void ShowWatchMarkers(std::int32_t body, const std::vector<TViewPoint>& points) override;
  void HideWatchMarkers(std::int32_t body) override;
  bool WatchLabelsShown(std::int32_t body) const override;
  void ShowWatchLabels(std::int32_t body, const std::vector<TWatchLabel>& labels, float scale) override;
  void DeleteWatchLabels(std::int32_t body) override;
  float PointerRadius() const override;
  void SetPointerRadius(float radius) override;
  bool PointerVisible() const override;
  void SetPointerVisible(bool visible) override;
  void SetPointerWireframe(bool wireframe) override;
  TViewPoint PointerPosition() const override;
  void SetPointerPosition(const TViewPoint& position) override;
  void SetPointerCarrierPosition(const TViewPoint& position) override;
  void AimCameraAtPointer() override;
  void AimCameraAtBody(std::int32_t body) override;
  void PlaceOrientationSide(TOrientationSide side, float size, float coordinate) override;
  bool OrientationSideVisible(TOrientationSide side) const override;
  void SetOrientationSideVisible(TOrientationSide side, bool visible) override;
  bool AxesVisible() const override;
  void SetAxesVisible(bool visible) override;
  void SetCameraPosition(const TViewPoint& position) override;
  void SetCameraDepthRange(float nearest, float farthest) override;
  void SetLightPosition(std::int32_t light, const TViewPoint& position) override;

 private:
  struct TBodyObjects {
    std::string Name;
    TGLDummyCube* Frame = nullptr;
    TGLPoints* WatchPoints = nullptr;
    TGLDummyCube* WatchFrame = nullptr;
    TGLCustomSceneObject* Solid = nullptr;
  };

  void Build();
  const TBodyObjects* Body(std::int32_t index) const;
  TGLPlane* Side(TOrientationSide side) const;
  void MoveSolid(const TBodyPose& pose);
  void SetContactPoints(const std::vector<TViewPoint>& points, bool visible);

  std::unique_ptr<TGLStage> stage_;
  std::unique_ptr<TGLMaterialLibrary> library_;
  TGLCamera* camera_ = nullptr;
  std::array<TGLLightSource*, 4> lights_{};
  TGLDummyCube* bodies_cube_ = nullptr;
  TGLDummyCube* camera_cube_ = nullptr;
  TGLDummyCube* contacts_cube_ = nullptr;
  TGLDummyCube* contact_watches_cube_ = nullptr;
  TGLLines* approached_lines_ = nullptr;
  TGLPoints* penetrating_points_ = nullptr;
  TGLSphere* pointer_ = nullptr;
  TGLSphere* pointer_help_ = nullptr;
  std::array<TGLPlane*, 6> sides_{};  // in the order of TOrientationSide
  TGLLines* lines_ = nullptr;
  std::vector<TBodyObjects> bodies_;
};

}  // namespace zentrova
