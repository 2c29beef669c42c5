// One rigid body of the planar model and the world's list of bodies.
//
// Body file (.bdy), an INI file:
//   [Main]             name, virtualToBody, RGBColor ("r g b", 0..1), shapeType ("extrusionsolid" gives a
//                      shape, "none" or none gives none), shapeFile (outline, relative to the body file's
//                      folder: the working directory or a folder in it), density, thickness,
//                      skinThickness (0: 100 x the world's maximumPenetration), correctOrigin (1),
//                      maximumDisplacementFactor (the world's value)
//   [Mass properties]  mass (0: computed), inertiaXX, inertiaXY, inertiaXZ, inertiaYY, inertiaYZ,
//                      inertiaZZ (0: computed from the outline)
//   [startPosition]    x, y, z, Rx, Ry, Rz (m, rad)
//   [startVelocity]    x, y, z, Rx, Ry, Rz (m/s, rad/s)
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/control_tree.h"
#include "engine/log_sink.h"
#include "engine/model/coordinates.h"
#include "engine/model/extrusion_solid.h"
#include "engine/world_view.h"

namespace zentrova {

struct TWorldSettings;
struct TNextVersionSettings;
class TFloatList;

// A body's nodes in the control tree.
struct TBodyTreeNode {
  TTreeNode Body = kNoTreeNode;
  TTreeNode BoundingBox = kNoTreeNode;
  TTreeNode ContactWatches = kNoTreeNode;
  TTreeNode ContactWatchesState = kNoTreeNode;  // "Hide", or "Show" while the markers are shown
  TTreeNode PlotWatches = kNoTreeNode;
  TTreeNode Info = kNoTreeNode;
  TTreeNode Mass = kNoTreeNode;
  TTreeNode InertiaZZ = kNoTreeNode;
  TTreeNode Transparency = kNoTreeNode;
  TTreeNode TransparencyValue = kNoTreeNode;
};

struct TMassMomentOfInertia {
  long double XX = 0;
  long double YY = 0;
  long double ZZ = 0;
  long double XY = 0;
  long double XZ = 0;
  long double YZ = 0;
};

class TBody {
 public:
  // The body reads the world's settings (working directory, maximumPenetration, displacement factor,
  // points per box) while it loads and logs to `log`; both outlive the body.
  explicit TBody(const TWorldSettings& settings, ILogSink& log = ProgramLog());
  TBody(const TBody&) = delete;
  TBody& operator=(const TBody&) = delete;

  // The whole set-up of a body from its body file: the file, the solid (its outline file named relative
  // to the body file's folder), the mass properties. False after the failing step's log lines.
  bool Load(const std::string& FileName);
  // Reads the body file into the fields. A number key whose text is no number keeps its default after
  // an alert. False after the error lines when the file is missing ("[Error] No body file found. Check
  // working directory."), a line holds a NUL byte, RGBColor does not hold three numbers, shapeType is
  // neither extrusionsolid nor none, a number is NaN or infinite, mass, inertiaZZ, skinThickness,
  // maximumDisplacementFactor, density or thickness is negative, or density or thickness is not above 0
  // where a mass or inertia is computed from them.
  bool ReadBodyFile(const std::string& FileName);
  // Cosine, sine and quadrant of the current Rz into the solid; false for a body without a shape.
  bool UpdateRotation();

  // --- Display; `index` is the body's index in its list, which names it to the view ----------------

  // The body's objects in the view: frame, markers, label frame, name texture, the solid for a body with
  // a shape, the appearance.
  void BuildSceneObjects(IWorldView& view, std::int32_t index) const;
  TBodyAppearance Appearance() const;
  void UpdateAppearance(IWorldView& view, std::int32_t index) const;
  // Moves the solid of a body with a shape to the body's current position.
  void RefreshSceneObject(IWorldView& view, std::int32_t index) const;
  // The pose the view gives the body's solid.
  TBodyPose ScenePose(std::int32_t index) const;
  void ShowFlat(IWorldView& view, std::int32_t index) const;
  void ShowThick(IWorldView& view, std::int32_t index) const;
  // The body's branch under `parent`: name, BoundingBox, Contact watches, Info, Transparency.
  void AddTreeNodes(IControlTree& tree, TTreeNode parent);
  // A toggle: removes a drawn box tree; else, for a body with a shape, asks for a level (0 = all) and
  // draws the box tree at the body's pose.
  void ShowBoundingBoxTree(IWorldView& view, std::int32_t index) const;
  // The boxes of the tree below the root, depth 1 first under each node, at the body's pose: each
  // visible when `level` is 0 or its depth; line colours random.
  std::vector<TViewBox> BoundingBoxes(std::int32_t level) const;
  // A toggle: shows the markers and labels of the watched points (tree node "Show"), or removes them
  // ("Hide"). `text_scale` is the world's watch text scale.
  void ToggleContactWatches(IWorldView& view, IControlTree* tree, std::int32_t index,
                            long double text_scale);
  // The watched outline points in the world frame (z = 0), in point order; the repeated closing point
  // is the first point and is not listed again.
  std::vector<TWatchLabel> WatchedPointPositions();

  // --- Reshaping for the next version -----------------------------------------------------------------

  // Moves the watched points of the outline lists by the amounts the per-point work values give (one
  // value per watch number of the body, ascending): the trimmed statistics of the negative values, or
  // the shared ones of the body-balanced update when it names the body, limit them and map them to
  // lengths up to the maximum changes. False, nothing moved, without values.
  bool ReshapeOutline(const TFloatList& values, const TNextVersionSettings& watches, TFloatList& x,
                      TFloatList& y) const;
  // The amount each value moves its point (the reshaping without the move).
  bool ReshapeAmounts(const TFloatList& values, const TNextVersionSettings& watches,
                      TFloatList& amounts) const;
  // Reads the outline file, reshapes it and writes it back in the outline format. False when the file
  // cannot be read or written; a body without values leaves the outline as read and writes it.
  bool WriteReshapedOutline(const std::string& FileName, const TFloatList& values,
                            const TNextVersionSettings& watches) const;

  long double Mass = 0;
  long double Thickness = 0;  // extrusion depth of the outline (m)
  long double Density = 0;
  std::string Name;
  std::string ShapeType;
  bool HasShape = false;  // shapeType is "extrusionsolid" in any letter case
  std::string ShapeFile;
  TKinematics Kinematics;
  TLinkToGeneralizedCoordinates Links;
  TCoordinates CentreOfGravity;  // x and y read the solid's computed centre once the body has a shape
  TMassMomentOfInertia Inertia;
  TExtrusionSolid Solid;
  long double Red = 0;
  long double Green = 0;
  long double Blue = 0;
  long double Transparency = 0;  // 0 opaque, 1 invisible
  bool Textured = true;
  bool CorrectOrigin = true;
  bool Wireframe = false;
  long double Radius = 0;   // distance from the origin to the farthest corner of the extruded outline (m)
  long double ExtentY = 0;  // max y - min y of the outline (m)
  long double ExtentX = 0;
  long double SkinThickness = 0;  // minimum width of a bounding box (m)
  long double MaximumDisplacementFactor = 0;
  std::string VirtualToBody;
  TBodyTreeNode TreeNode;

 private:
  bool ReadColor(const std::string& text, const std::string& file, std::size_t line);
  void ComputeMassProperties();

  const TWorldSettings& settings_;
  ILogSink& log_;
};

// The bodies in the order of the world file's Body1, Body2, ... keys; the index is the body number
// everywhere in the engine.
class TBodyList {
 public:
  std::int32_t Count() const { return static_cast<std::int32_t>(items_.size()); }
  TBody& Items(std::int32_t index) { return *items_.at(static_cast<std::size_t>(index)); }
  const TBody& Items(std::int32_t index) const { return *items_.at(static_cast<std::size_t>(index)); }
  void Add(std::unique_ptr<TBody> body) { items_.push_back(std::move(body)); }
  void Clear() { items_.clear(); }

  // The first body whose Name equals `name` exactly (letter case counts); false leaves `index` unchanged.
  bool FindByName(const std::string& name, std::int32_t& index) const;
  // Appends every body's name, in index order.
  void AddNames(std::vector<std::string>& names) const;
  // Re-evaluates the Jacobian rows of every body's dependent coordinates, in index order.
  void UpdateLinks();

 private:
  std::vector<std::unique_ptr<TBody>> items_;
};

}  // namespace zentrova
