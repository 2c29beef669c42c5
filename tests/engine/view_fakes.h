// Recording fakes of what the engine drives while it shows a world: the view, the control tree and the
// dialogs. The view keeps the state the calls leave (so that commands reading it back work as on the
// program's scene) and the calls themselves, in order.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engine/control_tree.h"
#include "engine/world_view.h"
#include "platform/dialogs.h"

namespace zentrova::test {

class RecordingControlTree : public IControlTree {
 public:
  struct Node {
    TTreeNode parent = kNoTreeNode;
    std::string caption;
    std::int32_t image = 0;
    std::int32_t selected = 0;
  };

  TTreeNode AddChild(TTreeNode parent, const std::string& caption, std::int32_t image,
                     std::int32_t selected_image) override {
    nodes.push_back({parent, caption, image, selected_image});
    return nodes.size();
  }
  void SetCaption(TTreeNode node, const std::string& caption) override { nodes.at(node - 1).caption = caption; }
  void ChangeNodeText(const std::string& group, const std::string& old_caption,
                      const std::string& new_caption) override {
    for (Node& n : nodes) {
      if (n.parent != kNoTreeNode && nodes.at(n.parent - 1).caption == group && n.caption == old_caption) {
        n.caption = new_caption;
      }
    }
  }
  void Clear() override { nodes.clear(); }

  const std::string& Caption(TTreeNode node) const { return nodes.at(node - 1).caption; }
  // The children's captions of the first top-level node with that caption.
  std::vector<std::string> Children(const std::string& group) const {
    std::vector<std::string> out;
    for (std::size_t g = 0; g < nodes.size(); ++g) {
      if (nodes[g].parent != kNoTreeNode || nodes[g].caption != group) continue;
      for (const Node& n : nodes) {
        if (n.parent == g + 1) out.push_back(n.caption);
      }
      break;
    }
    return out;
  }
  // One line per node, depth first, two blanks of indent per level: "caption image/selected".
  std::string Text() const {
    std::string out;
    Dump(kNoTreeNode, 0, out);
    return out;
  }

  std::vector<Node> nodes;

 private:
  void Dump(TTreeNode parent, int depth, std::string& out) const {
    for (std::size_t i = 0; i < nodes.size(); ++i) {
      if (nodes[i].parent != parent) continue;
      out += std::string(2 * depth, ' ') + nodes[i].caption + " " + std::to_string(nodes[i].image) + "/" +
             std::to_string(nodes[i].selected) + "\n";
      Dump(i + 1, depth + 1, out);
    }
  }
};

class RecordingWorldView : public IWorldView {
 public:
  struct Body {
    std::string name;
    bool texture = false;
    std::vector<TViewPoint> outline;
    float height = -1;
    TBodyAppearance appearance;
    int appearance_updates = 0;
    std::vector<TBodyPose> poses;
    std::vector<TViewBox> boxes;
    std::vector<TViewPoint> markers;
    bool markers_visible = false;
    std::vector<TWatchLabel> labels;
    float label_scale = 0;
  };

  void Clear() override { bodies.clear(); }
  void Repaint() override {
    ++repaints;
    repaint_radii.push_back(pointer_radius);
  }
  void ApplyFrame(const TViewFrame& frame) override { frames.push_back(frame); }
  void AddBody(const std::string& name) override {
    bodies.emplace_back();
    bodies.back().name = name;
  }
  void CreateNameTexture(std::int32_t body, const std::string&) override { bodies.at(body).texture = true; }
  void BuildBodySolid(std::int32_t body, const std::vector<TViewPoint>& outline, float height) override {
    bodies.at(body).outline = outline;
    bodies.at(body).height = height;
  }
  void SetBodyAppearance(std::int32_t body, const TBodyAppearance& appearance) override {
    bodies.at(body).appearance = appearance;
    ++bodies.at(body).appearance_updates;
  }
  void SetBodyHeight(std::int32_t body, float height) override { bodies.at(body).height = height; }
  void SetBodyPose(const TBodyPose& pose) override { bodies.at(pose.Body).poses.push_back(pose); }
  bool BoxTreeShown(std::int32_t body) const override { return !bodies.at(body).boxes.empty(); }
  void ShowBoxTree(std::int32_t body, const std::vector<TViewBox>& boxes) override { bodies.at(body).boxes = boxes; }
  void ClearBoxTree(std::int32_t body) override { bodies.at(body).boxes.clear(); }
  void ShowWatchMarkers(std::int32_t body, const std::vector<TViewPoint>& points) override {
    bodies.at(body).markers = points;
    bodies.at(body).markers_visible = !points.empty();
  }
  void HideWatchMarkers(std::int32_t body) override {
    bodies.at(body).markers.clear();
    bodies.at(body).markers_visible = false;
  }
  bool WatchLabelsShown(std::int32_t body) const override { return !bodies.at(body).labels.empty(); }
  void ShowWatchLabels(std::int32_t body, const std::vector<TWatchLabel>& labels, float scale) override {
    bodies.at(body).labels = labels;
    bodies.at(body).label_scale = scale;
  }
  void DeleteWatchLabels(std::int32_t body) override { bodies.at(body).labels.clear(); }
  float PointerRadius() const override { return pointer_radius; }
  void SetPointerRadius(float radius) override {
    pointer_radius = radius;
    radii.push_back(radius);
  }
  bool PointerVisible() const override { return pointer_visible; }
  void SetPointerVisible(bool visible) override { pointer_visible = visible; }
  void SetPointerWireframe(bool wireframe) override { pointer_wireframe = wireframe; }
  TViewPoint PointerPosition() const override { return pointer_position; }
  void SetPointerPosition(const TViewPoint& position) override { pointer_position = position; }
  void SetPointerCarrierPosition(const TViewPoint& position) override { carrier_position = position; }
  void AimCameraAtPointer() override { camera_target = "pointer"; }
  void AimCameraAtBody(std::int32_t body) override { camera_target = "body " + std::to_string(body); }
  void PlaceOrientationSide(TOrientationSide side, float size, float coordinate) override {
    sides[side] = {size, coordinate};
  }
  bool OrientationSideVisible(TOrientationSide side) const override {
    auto it = side_visible.find(side);
    return it != side_visible.end() ? it->second : side == TOrientationSide::Floor;
  }
  void SetOrientationSideVisible(TOrientationSide side, bool visible) override { side_visible[side] = visible; }
  bool AxesVisible() const override { return axes_visible; }
  void SetAxesVisible(bool visible) override { axes_visible = visible; }
  void SetCameraPosition(const TViewPoint& position) override { camera = position; }
  void SetCameraDepthRange(float nearest, float farthest) override { depth_range = {nearest, farthest}; }
  void SetLightPosition(std::int32_t light, const TViewPoint& position) override { lights[light] = position; }

  std::vector<Body> bodies;
  std::vector<TViewFrame> frames;
  int repaints = 0;
  std::vector<float> repaint_radii;  // the pointer's radius at every repaint
  std::vector<float> radii;          // every radius set
  float pointer_radius = 0.05f;
  bool pointer_visible = true;
  bool pointer_wireframe = false;
  TViewPoint pointer_position{1, 2, 3};
  TViewPoint carrier_position{4, 5, 6};
  std::string camera_target;
  std::map<TOrientationSide, std::pair<float, float>> sides;  // size, coordinate
  std::map<TOrientationSide, bool> side_visible;
  bool axes_visible = true;
  TViewPoint camera;
  std::pair<float, float> depth_range{-1, -1};  // nearest, farthest
  std::map<std::int32_t, TViewPoint> lights;
};

// Answers the integer box with a scripted value (or cancels); every other dialog cancels.
class ScriptedDialogs : public IDialogs {
 public:
  ScriptedDialogs() { previous_ = SetDialogs(this); }
  ~ScriptedDialogs() override { SetDialogs(previous_); }
  ScriptedDialogs(const ScriptedDialogs&) = delete;
  ScriptedDialogs& operator=(const ScriptedDialogs&) = delete;

  bool SaveFileDialog(const TSaveDialogRequest&, std::string&) override { return false; }
  bool AskYesNo(const std::string&) override { return false; }
  bool InputInteger(const std::string& caption, const std::string& prompt, int, int, int& value) override {
    asked.push_back(caption + "|" + prompt + "|" + std::to_string(value));
    if (!answer) return false;
    value = *answer;
    return true;
  }
  bool ChooseVideoEncoder(TVideoEncoderDialogData&) override { return false; }

  std::optional<int> answer;
  std::vector<std::string> asked;  // caption|prompt|initial value

 private:
  IDialogs* previous_ = nullptr;
};

}  // namespace zentrova::test
