// A body in the program's view and control tree: its objects, its appearance and pose, and the overlays
// the control tree toggles (the bounding-box tree and the markers and labels of the watched points).
#include <cmath>

#include "engine/model/body.h"
#include "engine/model/contour_helpers.h"
#include "platform/dialogs.h"
#include "platform/number_text.h"
#include "platform/random.h"

namespace zentrova {

namespace {

constexpr long double kDegreesPerRadian = 57.29577951308232L;
// Box levels sit below the body's plane, each deeper level a little further down, in fractions of the
// thickness: the outline stays in front of them.
constexpr long double kBoxTreeOffset = 0.2L;
constexpr long double kBoxTreeLevelStep = 0.05L;

struct TBoxDrawing {
  long double x, y, z, cos_rz, sin_rz;
  std::int32_t level;
  std::array<float, 4> node_color;
};

void AddBox(const TBoxDrawing& d, const TBoundingBoxTree& node, std::int32_t depth, long double thickness,
            std::vector<TViewBox>& boxes) {
  TViewBox box;
  box.LineColor = {static_cast<float>(Random()), static_cast<float>(Random()), static_cast<float>(Random()), 1};
  box.NodeColor = d.node_color;
  box.Visible = d.level == 0 || d.level == depth;
  const TBoundingBox& b = node.Box;
  const long double corners[5][2] = {
      {b.XMin, b.YMin}, {b.XMax, b.YMin}, {b.XMax, b.YMax}, {b.XMin, b.YMax}, {b.XMin, b.YMin}};
  const long double z = d.z - kBoxTreeOffset * thickness - kBoxTreeLevelStep * thickness * depth;
  for (int i = 0; i < 5; ++i) {
    long double x = 0, y = 0;
    RotateTranslate(d.x, d.y, corners[i][0], corners[i][1], d.cos_rz, d.sin_rz, x, y);
    box.Nodes[static_cast<std::size_t>(i)] = {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
  }
  boxes.push_back(box);
}

// Both children of `node` at `depth`, then the subtrees of each child that has children.
void AddLevel(const TBoxDrawing& d, const TBoundingBoxTree& node, std::int32_t depth, long double thickness,
              std::vector<TViewBox>& boxes) {
  if (node.Count() != 2) return;
  for (std::int32_t i = 0; i < 2; ++i) AddBox(d, node.Items(i), depth, thickness, boxes);
  for (std::int32_t i = 0; i < 2; ++i) {
    if (node.Items(i).Count() == 2) AddLevel(d, node.Items(i), depth + 1, thickness, boxes);
  }
}

}  // namespace

void TBody::BuildSceneObjects(IWorldView& view, std::int32_t index) const {
  view.AddBody(Name);
  view.CreateNameTexture(index, Name);
  if (HasShape) {
    const TExtrusionShape& shape = Solid.Shape;
    std::vector<TViewPoint> outline;
    outline.reserve(shape.Count());
    for (std::uint32_t i = 0; i < shape.Count(); ++i) {
      outline.push_back({static_cast<float>(shape.X.At(i)), static_cast<float>(shape.Y.At(i)), 0});
    }
    view.BuildBodySolid(index, outline, static_cast<float>(Thickness));
  }
  UpdateAppearance(view, index);
}

TBodyAppearance TBody::Appearance() const {
  TBodyAppearance a;
  a.Wireframe = Wireframe;
  a.Red = static_cast<float>(Red);
  a.Green = static_cast<float>(Green);
  a.Blue = static_cast<float>(Blue);
  a.Transparency = static_cast<float>(Transparency);
  a.Textured = Textured;
  a.ExtentX = static_cast<float>(ExtentX);
  return a;
}

void TBody::UpdateAppearance(IWorldView& view, std::int32_t index) const {
  view.SetBodyAppearance(index, Appearance());
}

TBodyPose TBody::ScenePose(std::int32_t index) const {
  const TCoordinates& p = Kinematics.Position;
  return {index, static_cast<float>(p.X.Get()), static_cast<float>(p.Y.Get()), static_cast<float>(p.Z.Get()),
          static_cast<float>(p.Rz.Get() * kDegreesPerRadian)};
}

void TBody::RefreshSceneObject(IWorldView& view, std::int32_t index) const {
  if (HasShape) view.SetBodyPose(ScenePose(index));
}

void TBody::ShowFlat(IWorldView& view, std::int32_t index) const {
  if (HasShape) view.SetBodyHeight(index, 0);
}

void TBody::ShowThick(IWorldView& view, std::int32_t index) const {
  if (HasShape) view.SetBodyHeight(index, static_cast<float>(Thickness));
}

void TBody::AddTreeNodes(IControlTree& tree, TTreeNode parent) {
  TBodyTreeNode& n = TreeNode;
  n.Body = tree.AddChild(parent, Name, 0, 1);
  n.BoundingBox = tree.AddChild(n.Body, "BoundingBox", 2, 3);
  n.ContactWatches = tree.AddChild(n.Body, "Contact watches", 52, 53);
  n.ContactWatchesState = tree.AddChild(n.ContactWatches, "Hide", 42, 43);
  n.PlotWatches = tree.AddChild(n.ContactWatches, "Plot watches", 78, 79);
  n.Info = tree.AddChild(n.Body, "Info", 12, 13);
  n.Mass = tree.AddChild(n.Info, FloatToText(Mass), 14, 15);
  n.InertiaZZ = tree.AddChild(n.Info, FloatToText(Inertia.ZZ), 16, 17);
  n.Transparency = tree.AddChild(n.Body, "Transparency", 4, 5);
  n.TransparencyValue = tree.AddChild(n.Transparency, FloatToText(Transparency), 6, 7);
}

std::vector<TViewBox> TBody::BoundingBoxes(std::int32_t level) const {
  std::vector<TViewBox> boxes;
  if (!HasShape) return boxes;
  const TCoordinates& p = Kinematics.Position;
  const long double rz = p.Rz.Get();
  const TBoxDrawing d{p.X.Get(), p.Y.Get(), p.Z.Get(), std::cos(rz), std::sin(rz), level,
                      {static_cast<float>(Red), static_cast<float>(Green), static_cast<float>(Blue), 1}};
  AddLevel(d, Solid.BoxTree, 1, Thickness, boxes);
  return boxes;
}

void TBody::ShowBoundingBoxTree(IWorldView& view, std::int32_t index) const {
  if (view.BoxTreeShown(index)) {
    view.ClearBoxTree(index);
    view.Repaint();
    return;
  }
  if (!HasShape) return;
  int level = 0;
  if (!Dialogs().InputInteger("Select depth (0=all)", "At level:", 0, 1 << 20, level)) return;
  view.ShowBoxTree(index, BoundingBoxes(level));
}

std::vector<TWatchLabel> TBody::WatchedPointPositions() {
  std::vector<TWatchLabel> points;
  const TExtrusionShape& shape = Solid.Shape;
  const std::uint32_t n = shape.Count();
  if (!HasShape || shape.Watched.size() != n) return points;
  UpdateRotation();
  for (std::uint32_t i = 0; i + 1 < n; ++i) {
    if (!shape.Watched[i]) continue;
    long double x = 0, y = 0;
    OutlinePointInWorldCached(*this, i, x, y);
    points.push_back({static_cast<std::int32_t>(i), {static_cast<float>(x), static_cast<float>(y), 0}});
  }
  return points;
}

void TBody::ToggleContactWatches(IWorldView& view, IControlTree* tree, std::int32_t index,
                                 long double text_scale) {
  if (!view.WatchLabelsShown(index)) {
    const std::vector<TWatchLabel> labels = WatchedPointPositions();
    std::vector<TViewPoint> points;
    points.reserve(labels.size());
    for (const TWatchLabel& label : labels) points.push_back(label.Position);
    view.ShowWatchMarkers(index, points);
    view.ShowWatchLabels(index, labels, static_cast<float>(text_scale * Radius));
    if (tree != nullptr && TreeNode.ContactWatchesState != kNoTreeNode) {
      tree->SetCaption(TreeNode.ContactWatchesState, "Show");
    }
    return;
  }
  view.HideWatchMarkers(index);
  view.DeleteWatchLabels(index);
  if (tree != nullptr && TreeNode.ContactWatchesState != kNoTreeNode) {
    tree->SetCaption(TreeNode.ContactWatchesState, "Hide");
  }
}

}  // namespace zentrova
