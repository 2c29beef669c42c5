// The one seam between the engine and the program's 3D scene.
//
// The engine computes and never touches scene objects: structural changes (a body's objects built or
// restyled, overlays drawn or removed, the pointer, the orientation box, the axes, the camera and the
// lights) go through IWorldView on the GUI thread, which makes each of them under the scene mutex. While a
// run steps, the stepping thread builds a TViewFrame per accepted step (TWorld::MakeViewFrame); the frame
// is an immutable value handed to the GUI thread (newest wins), which applies it with IWorldView::ApplyFrame
// under the same mutex before it renders. The GUI thread then shows frames only, never the world's live
// coordinates, so no drawing mixes two steps.
//
// A world without a view (tests, zentrova-run) skips every scene step.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace zentrova {

// A point of the scene in world coordinates (single precision, as the scene stores them).
struct TViewPoint {
  float X = 0;
  float Y = 0;
  float Z = 0;
  friend bool operator==(const TViewPoint&, const TViewPoint&) = default;
};

// A body's place in the scene: the position of its solid and its roll in degrees (Rz x 57.29577951308232).
struct TBodyPose {
  std::int32_t Body = 0;  // body index
  float X = 0;
  float Y = 0;
  float Z = 0;
  float Roll = 0;
  friend bool operator==(const TBodyPose&, const TBodyPose&) = default;
};

// The contact points collision detection has drawn since it last cleared them, and whether they show.
// Owned by the world and written by the stepping thread only; frames copy it. All points are drawn red.
struct TContactPointList {
  std::vector<TViewPoint> Points;
  bool Visible = false;
  void Clear() {
    Points.clear();
    Visible = false;
  }
};

// What one accepted step shows: built on the stepping thread, applied on the GUI thread, never changed in
// between.
struct TViewFrame {
  std::vector<TBodyPose> Bodies;  // every body with a shape, in body order
  std::vector<TViewPoint> ContactPoints;
  bool ContactPointsVisible = false;
  long double Time = 0;              // s
  long double MechanicalEnergy = 0;  // J
  std::uint32_t StoredStates = 0;
  std::uint32_t CurrentState = 0;
};

// How a body's library material looks (the body's fields, handed over as the scene stores them).
struct TBodyAppearance {
  bool Wireframe = false;
  float Red = 0;
  float Green = 0;
  float Blue = 0;
  float Transparency = 0;  // 0 opaque, 1 the body is not drawn at all
  bool Textured = true;
  float ExtentX = 0;  // the texture repeats once across the outline's width; 0 leaves the scale as it is
};

// One drawn box of a bounding-box tree: a closed rectangle of five nodes in world coordinates.
struct TViewBox {
  std::array<TViewPoint, 5> Nodes;
  std::array<float, 4> LineColor{0, 0, 0, 1};  // r, g, b, a
  std::array<float, 4> NodeColor{0, 0, 0, 1};
  bool Visible = true;
};

// One watch label: the outline point's index as text, at the point.
struct TWatchLabel {
  std::int32_t Index = 0;
  TViewPoint Position;
};

// The six planes of the orientation box.
enum class TOrientationSide { Floor, Ceiling, Left, Right, Back, Front };

// The scene as the engine drives it. Every call comes from the GUI thread; the implementation makes each
// change under its scene mutex. Bodies are named by their index in the world's body list.
class IWorldView {
 public:
  virtual ~IWorldView() = default;

  // --- The whole scene -----------------------------------------------------------------------------

  // Drops every body object, overlay and body material and empties and hides the contact points: the
  // scene of no world.
  virtual void Clear() = 0;
  // Renders the scene at once (not at the next idle time): each step of an animation is one picture.
  virtual void Repaint() = 0;
  // Applies a frame: body poses, contact points and their visibility.
  virtual void ApplyFrame(const TViewFrame& frame) = 0;

  // --- Body objects ----------------------------------------------------------------------------------

  // The body's frame (named after it), its watch markers and its watch-label frame, appended for the next
  // body index.
  virtual void AddBody(const std::string& name) = 0;
  // A texture material named after the body showing its name.
  virtual void CreateNameTexture(std::int32_t body, const std::string& name) = 0;
  // The body's solid under its frame: the closed outline (last point repeating the first) extruded by
  // `height`, every part drawn, with the material named after the body.
  virtual void BuildBodySolid(std::int32_t body, const std::vector<TViewPoint>& outline, float height) = 0;
  virtual void SetBodyAppearance(std::int32_t body, const TBodyAppearance& appearance) = 0;
  // The extrusion height of the body's solid (0 shows it flat).
  virtual void SetBodyHeight(std::int32_t body, float height) = 0;
  // Moves the body's solid (a body with a shape only).
  virtual void SetBodyPose(const TBodyPose& pose) = 0;

  // The drawn bounding-box tree of the body, created on first use.
  virtual bool BoxTreeShown(std::int32_t body) const = 0;
  virtual void ShowBoxTree(std::int32_t body, const std::vector<TViewBox>& boxes) = 0;
  virtual void ClearBoxTree(std::int32_t body) = 0;

  // The markers of the watched outline points (blue, size 10); an empty list leaves them hidden.
  virtual void ShowWatchMarkers(std::int32_t body, const std::vector<TViewPoint>& points) = 0;
  virtual void HideWatchMarkers(std::int32_t body) = 0;
  // The labels of the watched points, scaled by `scale` in x, y and z.
  virtual bool WatchLabelsShown(std::int32_t body) const = 0;
  virtual void ShowWatchLabels(std::int32_t body, const std::vector<TWatchLabel>& labels, float scale) = 0;
  virtual void DeleteWatchLabels(std::int32_t body) = 0;

  // --- Pointer, orientation box, axes, camera and lights --------------------------------------------

  virtual float PointerRadius() const = 0;
  virtual void SetPointerRadius(float radius) = 0;
  virtual bool PointerVisible() const = 0;
  virtual void SetPointerVisible(bool visible) = 0;
  // Lines or filled front faces.
  virtual void SetPointerWireframe(bool wireframe) = 0;
  virtual TViewPoint PointerPosition() const = 0;
  virtual void SetPointerPosition(const TViewPoint& position) = 0;
  // The pointer's carrier: the object the camera aims at when it follows the pointer.
  virtual void SetPointerCarrierPosition(const TViewPoint& position) = 0;
  virtual void AimCameraAtPointer() = 0;
  // Aims the camera at the body's solid (a body with a shape; else nothing changes).
  virtual void AimCameraAtBody(std::int32_t body) = 0;

  // Width and height of the plane and its one coordinate (y of floor and ceiling, x of left and right,
  // z of back and front).
  virtual void PlaceOrientationSide(TOrientationSide side, float size, float coordinate) = 0;
  virtual bool OrientationSideVisible(TOrientationSide side) const = 0;
  virtual void SetOrientationSideVisible(TOrientationSide side, bool visible) = 0;

  virtual bool AxesVisible() const = 0;
  virtual void SetAxesVisible(bool visible) = 0;

  virtual void SetCameraPosition(const TViewPoint& position) = 0;
  // The distances from the camera between which the whole model lies: what the camera draws covers them.
  virtual void SetCameraDepthRange(float nearest, float farthest) = 0;
  // The three extra lights, index 0..2.
  virtual void SetLightPosition(std::int32_t light, const TViewPoint& position) = 0;
};

}  // namespace zentrova
