#include "engine/scene/main_scene.h"

#include <algorithm>
#include <mutex>

#include "engine/scene/name_texture.h"
#include "scene/core/camera.h"
#include "scene/core/light_source.h"
#include "scene/materials/material.h"
#include "scene/materials/material_library.h"
#include "scene/pictures/picture.h"
#include "scene/core/stage.h"
#include "scene/materials/texture.h"
#include "scene/objects/dummy_cube.h"
#include "scene/objects/extrusion_solid.h"
#include "scene/objects/lines.h"
#include "scene/objects/plane.h"
#include "scene/objects/points.h"
#include "scene/objects/space_text.h"
#include "scene/objects/sphere.h"

namespace zentrova {

namespace {

// The fixed content of the main window's stage.
constexpr float kLightAmbient = 0.5f;
constexpr float kLightSpotCutOff = 180;
constexpr float kContactPointSize = 10;
constexpr float kPointerRadius = 0.05f;
constexpr int kPointerSlices = 12;
constexpr float kPointerAlpha = 0.556f;
constexpr float kPointerHelpRadius = 0.00001f;
constexpr int kPointerHelpSlices = 4;
constexpr float kFloorY = -1;
constexpr float kCameraDepthOfView = 100;
constexpr float kCameraFocalLength = 50;
constexpr float kCameraSceneScale = 10;
// The depth of view reaches this many times as far as the model, so that the view can be moved back a
// few wheel steps before the model's far side is cut.
constexpr float kCameraDepthMargin = 2;
// The near plane of the unbiased camera (focal length 50) in a viewer 64 pixels wide at 96 dots per
// inch: a larger viewer draws it closer to the camera.
constexpr float kLargestNearPlane = kCameraFocalLength * 2 * 96 / (25.4f * 64);
// The bias never reaches 0, which the camera would take for 1.
constexpr float kSmallestNearPlaneBias = 1e-6f;
constexpr float kWatchMarkerSize = 10;
constexpr int kWatchLabelFontSize = 100;
const char* const kBoxTreeName = "BoundingBoxTree";

const char* const kSideNames[6] = {"GLFloor", "GLCeiling", "GLWallLeft", "GLWallRight", "GLWallBack", "GLWallFront"};
// Each plane faces into the box.
const TVector4f kSideDirections[6] = {{0, 1, 0, 0},  {0, -1, 0, 0}, {1, 0, 0, 0},
                                      {-1, 0, 0, 0}, {0, 0, -1, 0}, {0, 0, 1, 0}};

template <class T>
T& AddNamed(TGLBaseSceneObject& parent, const std::string& name) {
  T& object = parent.AddNewChild<T>();
  object.SetName(name);
  return object;
}

// Turns an object to face `direction`; a direction along the object's up vector is reached through
// a tilted one, as the up vector must never be parallel to it.
void Face(TGLBaseSceneObject& object, const TVector4f& direction) {
  if (direction[1] != 0) object.SetDirection({0, direction[1], -1, 0});
  object.SetDirection(direction);
}

// The body's solid under its frame, named like it: one contour of the outline's points (the closing
// point included), extruded by `height`, every part drawn.
TGLCustomSceneObject& AddBodySolid(TGLBaseSceneObject& frame, const std::vector<TViewPoint>& outline,
                                   float height) {
  auto& solid = frame.AddNewChild<TGLExtrusionSolid>();
  solid.SetName(frame.Name());
  TGLNodes& nodes = solid.ContourNodes(0);
  for (const TViewPoint& p : outline) nodes.AddXYZ(p.X, p.Y, p.Z);
  solid.SetParts(kAllExtrusionSolidParts);
  solid.SetHeight(height);
  return solid;
}

void SetSolidHeight(TGLCustomSceneObject& solid, float height) {
  if (auto* extrusion = dynamic_cast<TGLExtrusionSolid*>(&solid)) extrusion->SetHeight(height);
}

}  // namespace

TMainScene::TMainScene() : stage_(std::make_unique<TGLStage>()), library_(std::make_unique<TGLMaterialLibrary>()) {
  library_->SetName("GLMaterialLibrary");
  Build();
}

TMainScene::~TMainScene() {
  // The objects use the library's materials: they go first.
  stage_->Objects().DeleteChildren();
  stage_->Cameras().DeleteChildren();
}

void TMainScene::Build() {
  TGLBaseSceneObject& root = stage_->Objects();
  camera_ = &AddNamed<TGLCamera>(stage_->Cameras(), "GLCamera1");
  for (std::size_t i = 0; i < lights_.size(); ++i) {
    // The first light travels with the camera; the other three are placed around each model.
    TGLBaseSceneObject& parent = i == 0 ? static_cast<TGLBaseSceneObject&>(*camera_) : root;
    TGLLightSource& light = AddNamed<TGLLightSource>(parent, "GLLightSource" + std::to_string(i + 1));
    light.Ambient().SetRGBA(kLightAmbient, kLightAmbient, kLightAmbient, 1);
    light.SetConstAttenuation(1);
    light.SetSpotCutOff(kLightSpotCutOff);
    lights_[i] = &light;
  }
  bodies_cube_ = &AddNamed<TGLDummyCube>(root, "GLDummyCubeForBodies");
  camera_cube_ = &AddNamed<TGLDummyCube>(root, "GLDummyCubeForCamera");
  camera_cube_->SetVisible(false);
  contacts_cube_ = &AddNamed<TGLDummyCube>(root, "GLDummyCubeForContacts");
  approached_lines_ = &AddNamed<TGLLines>(*contacts_cube_, "GLApproachedLines");
  penetrating_points_ = &AddNamed<TGLPoints>(*contacts_cube_, "GLPenetratingPoints");
  penetrating_points_->SetVisible(false);
  penetrating_points_->SetSize(kContactPointSize);
  penetrating_points_->SetStyle(psSmooth);
  TGLPointParameters& parameters = penetrating_points_->PointParameters();
  parameters.SetMinSize(1);
  parameters.SetMaxSize(128);
  parameters.SetFadeTresholdSize(1);
  penetrating_points_->Colors().Add({1, 0, 0, 1});
  contact_watches_cube_ = &AddNamed<TGLDummyCube>(root, "GLDummyCubeForContactWatches");

  pointer_ = &AddNamed<TGLSphere>(root, "GLPointer");
  pointer_->SetRadius(kPointerRadius);
  pointer_->SetSlices(kPointerSlices);
  pointer_->SetStacks(kPointerSlices);
  pointer_->Material().FrontProperties().Diffuse().SetRGBA(1, 0, 0, kPointerAlpha);
  pointer_->Material().SetBlendingMode(bmTransparency);
  pointer_help_ = &AddNamed<TGLSphere>(root, "GLPointerHelp");
  pointer_help_->SetVisible(false);
  pointer_help_->SetRadius(kPointerHelpRadius);
  pointer_help_->SetSlices(kPointerHelpSlices);
  pointer_help_->SetStacks(kPointerHelpSlices);

  for (std::size_t i = 0; i < sides_.size(); ++i) {
    TGLPlane& plane = AddNamed<TGLPlane>(root, kSideNames[i]);
    Face(plane, kSideDirections[i]);
    plane.SetVisible(i == static_cast<std::size_t>(TOrientationSide::Floor));
    sides_[i] = &plane;
  }
  sides_[0]->Position().SetY(kFloorY);
  lines_ = &AddNamed<TGLLines>(root, "GLLines1");

  camera_->SetDepthOfView(kCameraDepthOfView);
  camera_->SetFocalLength(kCameraFocalLength);
  camera_->SetSceneScale(kCameraSceneScale);
  camera_->Position().SetPositionXYZ(1, 1, 1);
  camera_->SetUp({0, 1, 0, 0});
  camera_->SetTargetObject(camera_cube_);
  stage_->SetCurrentCamera(camera_);
}

TGLBaseSceneObject* TMainScene::FindObject(const std::string& name) const {
  if (TGLBaseSceneObject* found = stage_->Objects().FindDescendant(name)) return found;
  return stage_->Cameras().FindDescendant(name);
}

const TMainScene::TBodyObjects* TMainScene::Body(std::int32_t index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= bodies_.size()) return nullptr;
  return &bodies_[static_cast<std::size_t>(index)];
}

TGLDummyCube* TMainScene::BodyFrame(std::int32_t index) const {
  const TBodyObjects* b = Body(index);
  return b != nullptr ? b->Frame : nullptr;
}

TGLCustomSceneObject* TMainScene::BodySolid(std::int32_t index) const {
  const TBodyObjects* b = Body(index);
  return b != nullptr ? b->Solid : nullptr;
}

TGLPoints* TMainScene::BodyWatchPoints(std::int32_t index) const {
  const TBodyObjects* b = Body(index);
  return b != nullptr ? b->WatchPoints : nullptr;
}

TGLDummyCube* TMainScene::BodyWatchFrame(std::int32_t index) const {
  const TBodyObjects* b = Body(index);
  return b != nullptr ? b->WatchFrame : nullptr;
}

TGLDummyCube* TMainScene::BodyBoxTree(std::int32_t index) const {
  const TBodyObjects* b = Body(index);
  if (b == nullptr) return nullptr;
  // The body's own frame holds it: a search from the root would find another body's or "GLFloor".
  return dynamic_cast<TGLDummyCube*>(b->Frame->FindDescendant(kBoxTreeName, true));
}

TGLPlane* TMainScene::Side(TOrientationSide side) const { return sides_.at(static_cast<std::size_t>(side)); }

// --- IWorldView ------------------------------------------------------------------------------------------

void TMainScene::Clear() {
  auto lock = stage_->Lock();
  bodies_.clear();
  bodies_cube_->DeleteChildren();
  camera_cube_->DeleteChildren();
  penetrating_points_->Positions().Clear();
  penetrating_points_->MarkStructureDirty();
  penetrating_points_->SetVisible(false);
  library_->Materials().Clear();
}

void TMainScene::Repaint() {
  if (OnRepaint) OnRepaint();
}

void TMainScene::ApplyFrame(const TViewFrame& frame) {
  auto lock = stage_->Lock();
  for (const TBodyPose& pose : frame.Bodies) MoveSolid(pose);
  SetContactPoints(frame.ContactPoints, frame.ContactPointsVisible);
}

void TMainScene::SetContactPoints(const std::vector<TViewPoint>& points, bool visible) {
  TGLPoints& p = *penetrating_points_;
  p.Positions().Clear();
  for (const TViewPoint& point : points) p.Positions().AddXYZ(point.X, point.Y, point.Z);
  // One colour for every point, set rather than appended once per detection.
  p.Colors().Clear();
  p.Colors().Add({1, 0, 0, 1});
  p.MarkStructureDirty();
  p.SetVisible(visible);
}

void TMainScene::AddBody(const std::string& name) {
  auto lock = stage_->Lock();
  TBodyObjects b;
  b.Name = name;
  b.Frame = &AddNamed<TGLDummyCube>(*bodies_cube_, name);
  b.WatchPoints = &bodies_cube_->AddNewChild<TGLPoints>();
  b.WatchPoints->SetVisible(false);
  b.WatchFrame = &bodies_cube_->AddNewChild<TGLDummyCube>();
  b.WatchFrame->SetVisible(false);
  bodies_.push_back(b);
}

void TMainScene::CreateNameTexture(std::int32_t body, const std::string& name) {
  static_cast<void>(body);
  const std::unique_ptr<TBitmap> bitmap = DrawNameTexture(name);
  auto lock = stage_->Lock();
  library_->AddTextureMaterial(name, bitmap.get());
}

void TMainScene::BuildBodySolid(std::int32_t body, const std::vector<TViewPoint>& outline, float height) {
  auto lock = stage_->Lock();
  const TBodyObjects* b = Body(body);
  if (b == nullptr) return;
  TGLCustomSceneObject& solid = AddBodySolid(*b->Frame, outline, height);
  solid.Material().SetMaterialLibrary(library_.get());
  solid.Material().SetLibMaterialName(b->Name);
  bodies_[static_cast<std::size_t>(body)].Solid = &solid;
}

void TMainScene::SetBodyAppearance(std::int32_t body, const TBodyAppearance& a) {
  auto lock = stage_->Lock();
  const TBodyObjects* b = Body(body);
  if (b == nullptr) return;
  TGLLibMaterial* lib = library_->LibMaterialByName(b->Name);
  if (lib == nullptr) return;
  TGLMaterial& m = lib->Material();
  m.FrontProperties().SetPolygonMode(a.Wireframe ? pmLines : pmFill);
  m.FrontProperties().Diffuse().SetRGBA(a.Red, a.Green, a.Blue, 1 - a.Transparency);
  if (a.Transparency == 1) {
    b->Frame->SetVisible(false);
  } else {
    m.SetBlendingMode(a.Transparency == 0 ? bmOpaque : bmTransparency);
    b->Frame->SetVisible(true);
  }
  TGLTexture& texture = m.Texture();
  texture.SetTextureMode(tmModulate);
  texture.SetTextureWrap(twBoth);
  texture.SetEnabled(a.Textured);
  // An outline without width has no scale to repeat the name over.
  if (a.ExtentX != 0) lib->TextureScale().SetVectorXYZ(1 / a.ExtentX, 2 / a.ExtentX, 1 / a.ExtentX);
}

void TMainScene::SetBodyHeight(std::int32_t body, float height) {
  auto lock = stage_->Lock();
  const TBodyObjects* b = Body(body);
  if (b != nullptr && b->Solid != nullptr) SetSolidHeight(*b->Solid, height);
}

void TMainScene::MoveSolid(const TBodyPose& pose) {
  const TBodyObjects* b = Body(pose.Body);
  if (b == nullptr || b->Solid == nullptr) return;
  b->Solid->Position().SetPositionXYZ(pose.X, pose.Y, pose.Z);
  b->Solid->SetRollAngle(pose.Roll);
}

void TMainScene::SetBodyPose(const TBodyPose& pose) {
  auto lock = stage_->Lock();
  MoveSolid(pose);
}

bool TMainScene::BoxTreeShown(std::int32_t body) const {
  auto lock = stage_->Lock();
  const TGLDummyCube* tree = BodyBoxTree(body);
  return tree != nullptr && tree->ChildCount() > 0;
}

void TMainScene::ShowBoxTree(std::int32_t body, const std::vector<TViewBox>& boxes) {
  auto lock = stage_->Lock();
  const TBodyObjects* b = Body(body);
  if (b == nullptr) return;
  TGLDummyCube* tree = BodyBoxTree(body);
  if (tree == nullptr) tree = &AddNamed<TGLDummyCube>(*b->Frame, kBoxTreeName);
  tree->DeleteChildren();
  // The boxes are drawn in world coordinates: the tree must not follow the frame's own placement.
  for (const TViewBox& box : boxes) {
    auto& lines = tree->AddNewChild<TGLLines>();
    lines.SetNodesAspect(lnaInvisible);
    lines.LineColor().SetRGBA(box.LineColor[0], box.LineColor[1], box.LineColor[2], box.LineColor[3]);
    lines.NodeColor().SetRGBA(box.NodeColor[0], box.NodeColor[1], box.NodeColor[2], box.NodeColor[3]);
    for (const TViewPoint& p : box.Nodes) lines.Nodes().AddXYZ(p.X, p.Y, p.Z);
    lines.SetVisible(box.Visible);
  }
}

void TMainScene::ClearBoxTree(std::int32_t body) {
  auto lock = stage_->Lock();
  if (TGLDummyCube* tree = BodyBoxTree(body)) tree->DeleteChildren();
}

void TMainScene::ShowWatchMarkers(std::int32_t body, const std::vector<TViewPoint>& points) {
  auto lock = stage_->Lock();
  const TBodyObjects* b = Body(body);
  if (b == nullptr) return;
  TGLPoints& markers = *b->WatchPoints;
  // One colour for all markers, however often they are shown.
  markers.Colors().Clear();
  markers.Colors().Add({0, 0, 1, 1});
  markers.SetSize(kWatchMarkerSize);
  markers.Positions().Clear();
  for (const TViewPoint& point : points) markers.Positions().AddXYZ(point.X, point.Y, 0);
  markers.MarkStructureDirty();
  if (!points.empty()) markers.SetVisible(true);
}

void TMainScene::HideWatchMarkers(std::int32_t body) {
  auto lock = stage_->Lock();
  const TBodyObjects* b = Body(body);
  if (b == nullptr) return;
  b->WatchPoints->Positions().Clear();
  b->WatchPoints->MarkStructureDirty();
  b->WatchPoints->SetVisible(false);
}

bool TMainScene::WatchLabelsShown(std::int32_t body) const {
  auto lock = stage_->Lock();
  const TBodyObjects* b = Body(body);
  return b != nullptr && b->WatchFrame->ChildCount() > 0;
}

void TMainScene::ShowWatchLabels(std::int32_t body, const std::vector<TWatchLabel>& labels, float scale) {
  auto lock = stage_->Lock();
  const TBodyObjects* b = Body(body);
  if (b == nullptr) return;
  for (const TWatchLabel& label : labels) {
    auto& text = b->WatchFrame->AddNewChild<TGLSpaceText>();
    text.Position().SetPositionXYZ(label.Position.X, label.Position.Y, 0);
    text.SetText(std::to_string(label.Index));
    text.Adjust().SetHorz(haCenter);
    text.Adjust().SetVert(vaCenter);
    text.Font().SetSize(kWatchLabelFontSize);
    text.Scale().SetVectorXYZ(scale, scale, scale);
    text.SetVisible(true);
  }
  if (!labels.empty()) b->WatchFrame->SetVisible(true);
}

void TMainScene::DeleteWatchLabels(std::int32_t body) {
  auto lock = stage_->Lock();
  const TBodyObjects* b = Body(body);
  if (b == nullptr) return;
  TGLDummyCube& frame = *b->WatchFrame;
  // Last to first, as labels are freed.
  for (int i = frame.ChildCount() - 1; i >= 0; --i) frame.Remove(*frame.ChildAt(i), false);
  frame.SetVisible(false);
}

float TMainScene::PointerRadius() const {
  auto lock = stage_->Lock();
  return pointer_->Radius();
}

void TMainScene::SetPointerRadius(float radius) {
  auto lock = stage_->Lock();
  pointer_->SetRadius(radius);
}

bool TMainScene::PointerVisible() const {
  auto lock = stage_->Lock();
  return pointer_->Visible();
}

void TMainScene::SetPointerVisible(bool visible) {
  auto lock = stage_->Lock();
  pointer_->SetVisible(visible);
}

void TMainScene::SetPointerWireframe(bool wireframe) {
  auto lock = stage_->Lock();
  pointer_->Material().FrontProperties().SetPolygonMode(wireframe ? pmLines : pmFill);
}

TViewPoint TMainScene::PointerPosition() const {
  auto lock = stage_->Lock();
  const TGLCoordinates& p = pointer_->Position();
  return {p.X(), p.Y(), p.Z()};
}

void TMainScene::SetPointerPosition(const TViewPoint& position) {
  auto lock = stage_->Lock();
  pointer_->Position().SetPositionXYZ(position.X, position.Y, position.Z);
}

void TMainScene::SetPointerCarrierPosition(const TViewPoint& position) {
  auto lock = stage_->Lock();
  camera_cube_->Position().SetPositionXYZ(position.X, position.Y, position.Z);
}

void TMainScene::AimCameraAtPointer() {
  auto lock = stage_->Lock();
  camera_->SetTargetObject(camera_cube_);
}

void TMainScene::AimCameraAtBody(std::int32_t body) {
  auto lock = stage_->Lock();
  const TBodyObjects* b = Body(body);
  if (b != nullptr && b->Solid != nullptr) camera_->SetTargetObject(b->Solid);
}

void TMainScene::PlaceOrientationSide(TOrientationSide side, float size, float coordinate) {
  auto lock = stage_->Lock();
  TGLPlane& plane = *Side(side);
  plane.SetWidth(size);
  plane.SetHeight(size);
  TGLCoordinates& p = plane.Position();
  switch (side) {
    case TOrientationSide::Floor:
    case TOrientationSide::Ceiling:
      p.SetY(coordinate);
      break;
    case TOrientationSide::Left:
    case TOrientationSide::Right:
      p.SetX(coordinate);
      break;
    case TOrientationSide::Back:
    case TOrientationSide::Front:
      p.SetZ(coordinate);
      break;
  }
}

bool TMainScene::OrientationSideVisible(TOrientationSide side) const {
  auto lock = stage_->Lock();
  return Side(side)->Visible();
}

void TMainScene::SetOrientationSideVisible(TOrientationSide side, bool visible) {
  auto lock = stage_->Lock();
  Side(side)->SetVisible(visible);
}

bool TMainScene::AxesVisible() const {
  auto lock = stage_->Lock();
  return bodies_cube_->ShowAxes();
}

void TMainScene::SetAxesVisible(bool visible) {
  auto lock = stage_->Lock();
  bodies_cube_->SetShowAxes(visible);
}

void TMainScene::SetCameraPosition(const TViewPoint& position) {
  auto lock = stage_->Lock();
  camera_->Position().SetPositionXYZ(position.X, position.Y, position.Z);
}

void TMainScene::SetCameraDepthRange(float nearest, float farthest) {
  auto lock = stage_->Lock();
  camera_->SetDepthOfView(std::max(kCameraDepthOfView, kCameraDepthMargin * farthest));
  // The bias moves the near plane and scales the view's window with it: the picture stays, only what lies
  // closer than the near plane is no longer cut. Half the nearest distance leaves room to come closer.
  const float bias = nearest / (2 * kLargestNearPlane);
  camera_->SetNearPlaneBias(std::clamp(bias, kSmallestNearPlaneBias, 1.0f));
}

void TMainScene::SetLightPosition(std::int32_t light, const TViewPoint& position) {
  if (light < 0 || light >= 3) return;
  auto lock = stage_->Lock();
  lights_[static_cast<std::size_t>(light) + 1]->Position().SetPositionXYZ(position.X, position.Y, position.Z);
}

}  // namespace zentrova
