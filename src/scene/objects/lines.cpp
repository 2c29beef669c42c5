#include "scene/objects/lines.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "scene/base/class_registration.h"
#include "scene/base/property_setter.h"
#include "scene/base/property_stream.h"
#include "scene/base/scene_errors.h"
#include "scene/base/spline.h"
#include "scene/gl/gl_state_scope.h"
#include "scene/gl/opengl_binding.h"
#include "scene/gl/state_cache.h"
#include "scene/objects/dummy_cube.h"

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TGLLines);

// ---- TGLLineBase

TGLLineBase::TGLLineBase() : line_color_(this, clrWhite) {}

void TGLLineBase::SetLineColor(const TGLColor& value) {
  line_color_.SetColorSilently(value.Color());
  MarkStructureDirty();
}

void TGLLineBase::SetLinePattern(std::uint16_t value) {
  SetProperty(line_pattern_, value, StructureChangeOf(this));
}

void TGLLineBase::SetLineWidth(float value) {
  SetProperty(line_width_, value, StructureChangeOf(this));
}

void TGLLineBase::SetAntiAliased(bool value) {
  SetProperty(anti_aliased_, value, StructureChangeOf(this));
}

void TGLLineBase::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLLineBase*>(source)) {
    line_color_.SetColorSilently(other->line_color_.Color());
    line_pattern_ = other->line_pattern_;
    line_width_ = other->line_width_;
    anti_aliased_ = other->anti_aliased_;
    return;
  }
  TGLImmaterialSceneObject::Assign(source);
}

TGLLineBase::TLineStyleScope::TLineStyleScope(const TGLLineBase& line, TGLStateCache* states)
    : attributes_(states, GL_ENABLE_BIT | GL_CURRENT_BIT | GL_LINE_BIT | GL_COLOR_BUFFER_BIT) {
  gl.Disable(GL_LIGHTING);
  if (line.line_pattern_ != 0xFFFF) {
    gl.Enable(GL_LINE_STIPPLE);
    gl.Enable(GL_BLEND);
    gl.BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    gl.LineStipple(1, line.line_pattern_);
  }
  if (line.anti_aliased_) {
    gl.Enable(GL_LINE_SMOOTH);
    gl.Enable(GL_BLEND);
    gl.BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  } else {
    gl.Disable(GL_LINE_SMOOTH);
  }
  gl.LineWidth(line.line_width_);
  if (line.line_color_.Alpha() == 1) {
    gl.Color3fv(line.line_color_.VectorAddress());
  } else {
    if (!line.anti_aliased_) {
      gl.Enable(GL_BLEND);
      gl.BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    gl.Color4fv(line.line_color_.VectorAddress());
  }
}

// ---- nodes

namespace {

TGLLines& LinesOwner(TCollection* collection) {
  auto* lines = collection != nullptr ? dynamic_cast<TGLLines*>(collection->GetOwner()) : nullptr;
  if (lines == nullptr) throw EInvalidCast();
  return *lines;
}

}  // namespace

TGLLinesNode::TGLLinesNode(TCollection* collection)
    : TGLNode(collection), color_(this, LinesOwner(collection).NodeColor().Color()) {
  color_.OnNotifyChange = [this](TPersistent*) {
    if (auto* nodes = dynamic_cast<TGLNodes*>(Collection())) nodes->NotifyChange();
  };
}

void TGLLinesNode::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLLinesNode*>(source)) color_.Assign(&other->color_);
  TGLNode::Assign(source);
}

TGLLinesNodes::TGLLinesNodes(TPersistent* owner) : TGLNodes(owner, &CreateCollectionItem<TGLLinesNode>) {}

void TGLLinesNodes::NotifyChange() {
  if (UpdateCount() != 0) return;
  if (auto* owner = dynamic_cast<TGLBaseSceneObject*>(GetOwner())) owner->MarkStructureDirty();
}

// ---- TGLNodedLines

TGLNodedLines::TGLNodedLines() : nodes_(this), node_color_(this, clrBlue, [this](TPersistent*) { NodeColorChanged(); }) {}

void TGLNodedLines::NodeColorChanged() {
  const TVector4f color = node_color_.Color();
  for (int i = 0; i < nodes_.Count(); ++i) {
    TGLColor& node = nodes_[i]->Color();
    if (node.Color() == old_node_color_) node.SetColorSilently(color);
  }
  old_node_color_ = color;
}

void TGLNodedLines::SetNodes(const TGLLinesNodes& value) {
  nodes_.Assign(&value);
  MarkStructureDirty();
}

void TGLNodedLines::SetNodesAspect(TLineNodesAspect value) {
  SetProperty(nodes_aspect_, value, StructureChangeOf(this));
}

void TGLNodedLines::SetNodeColor(const TGLColor& value) {
  node_color_.Assign(&value);
  MarkStructureDirty();
}

void TGLNodedLines::SetNodeSize(float value) {
  node_size_ = value <= 0 ? 1 : value;
  MarkStructureDirty();
}

void TGLNodedLines::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLNodedLines*>(source)) {
    SetNodes(other->nodes_);
    nodes_aspect_ = other->nodes_aspect_;
    node_color_.Assign(&other->node_color_);
  }
  TGLLineBase::Assign(source);
}

TVector4f TGLNodedLines::UnscaledHalfExtents() const {
  TVector4f extents{0, 0, 0, 0};
  for (int i = 0; i < nodes_.Count(); ++i) {
    const TGLNode& node = *nodes_[i];
    for (int k = 0; k < 3; ++k) extents[k] = std::max(extents[k], std::fabs(node.AsVector()[k]));
  }
  return extents;
}

void TGLNodedLines::DrawNode(TRenderContextInfo& rci, float x, float y, float z, const TVector4f& color) {
  const TGLMatrixScope matrix;
  gl.Translatef(x, y, z);
  switch (nodes_aspect_) {
    case lnaAxes:
      DrawObjectAxes(rci, 0xCCCC, node_size_ * 0.5f);
      break;
    case lnaCube:
      DrawWireCube(rci, node_size_, false, color);
      break;
    case lnaDodecahedron: {
      SceneAssert(rci.GLStates != nullptr, "TGLNodedLines.DrawNode: no state cache");
      rci.GLStates->SetMaterialColors(GL_FRONT, clrBlack, clrGray20, color, clrBlack, 0);
      if (node_size_ != 1) {
        const TGLMatrixScope scaled;
        gl.Scalef(node_size_, node_size_, node_size_);
        DrawDodecahedron();
      } else {
        DrawDodecahedron();
      }
      break;
    }
    default:
      SceneAssert(false);
  }
}

// ---- TGLLines

TGLLines::TGLLines() = default;

void TGLLines::SetDivision(int value) {
  SetProperty(division_, std::max(value, 1), StructureChangeOf(this));
}

void TGLLines::SetSplineMode(TLineSplineMode value) {
  SetProperty(spline_mode_, value, StructureChangeOf(this));
}

void TGLLines::SetOptions(TLinesOptions value) {
  options_ = value;
  MarkStructureDirty();
}

void TGLLines::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLLines*>(source)) {
    division_ = other->division_;
    spline_mode_ = other->spline_mode_;
  }
  TGLNodedLines::Assign(source);
}

void TGLLines::BuildList(TRenderContextInfo& rci) {
  TGLLinesNodes& nodes = Nodes();
  const int count = nodes.Count();
  if (count < 2) return;
  std::optional<TLineStyleScope> line_style(std::in_place, *this, rci.GLStates);
  const bool node_colors = (options_ & loUseNodeColorForLines) != 0;
  TLineSplineMode mode = spline_mode_;
  if (mode == lsmBezierSpline) {
    // Mended: glMap1f refuses an order above GL_MAX_EVAL_ORDER and evaluation would then use a stale
    // map; such a curve draws the straight polyline. At least 8 in every implementation.
    GLint max_order = 8;
    gl.GetIntegerv(GL_MAX_EVAL_ORDER, &max_order);
    if (count > max_order) mode = lsmLines;
  }
  std::vector<float> positions;
  std::vector<float> colors;
  if (mode == lsmBezierSpline || mode == lsmNURBSCurve) {
    positions.reserve(static_cast<std::size_t>(count) * 3);
    colors.reserve(static_cast<std::size_t>(count) * 4);
    for (int i = 0; i < count; ++i) {
      const TGLLinesNode& node = *nodes[i];
      positions.insert(positions.end(), {node.X(), node.Y(), node.Z()});
      const TVector4f& c = node.Color().Color();
      colors.insert(colors.end(), c.begin(), c.end());
    }
  }
  std::optional<TGLAttribScope> evaluators;
  if (mode == lsmBezierSpline) {
    evaluators.emplace(rci.GLStates, GL_EVAL_BIT);
    gl.Enable(GL_MAP1_VERTEX_3);
    gl.Enable(GL_MAP1_COLOR_4);
    gl.Map1f(GL_MAP1_VERTEX_3, 0, 1, 3, count, positions.data());
    gl.Map1f(GL_MAP1_COLOR_4, 0, 1, 4, count, colors.data());
  }
  if (mode == lsmNURBSCurve && division_ >= 2) {
    if (NURBSOrder > 0 && nurbs_knots_.Count() > 0) {
      GLUnurbs* nurbs = glu.NewNurbsRenderer();
      glu.NurbsProperty(nurbs, GLU_SAMPLING_TOLERANCE, NURBSTolerance);
      glu.NurbsProperty(nurbs, GLU_DISPLAY_MODE, GLU_FILL);
      glu.BeginCurve(nurbs);
      glu.NurbsCurve(nurbs, nurbs_knots_.Count(), nurbs_knots_.List(), 3, positions.data(), NURBSOrder,
                     GL_MAP1_VERTEX_3);
      glu.EndCurve(nurbs);
      glu.DeleteNurbsRenderer(nurbs);
    }
  } else {
    gl.Begin(mode == lsmSegments ? GL_LINES : GL_LINE_STRIP);
    if (mode == lsmLines || mode == lsmSegments || division_ < 2) {
      for (int i = 0; i < count; ++i) {
        const TGLLinesNode& node = *nodes[i];
        if (node_colors) gl.Color4fv(node.Color().VectorAddress());
        gl.Vertex3f(node.X(), node.Y(), node.Z());
      }
    } else if (mode == lsmBezierSpline) {
      const float f = 1.0f / static_cast<float>(division_);
      for (int i = 0; i <= division_; ++i) gl.EvalCoord1f(static_cast<float>(i) * f);
    } else if (mode == lsmCubicSpline) {
      const std::unique_ptr<TCubicSpline> spline = nodes.MakeCubicSpline();
      const float f = 1.0f / static_cast<float>(division_);
      for (int i = 0; i <= (count - 1) * division_; ++i) {
        const TAffineVector point = spline->ValueAffine(static_cast<float>(i) * f);
        if (node_colors) {
          const int k = i / division_;
          if (k >= count - 1) {
            gl.Color4fv(nodes[count - 1]->Color().VectorAddress());
          } else {
            const float t = static_cast<float>(i % division_) * f;
            const TVector4f& a = nodes[k]->Color().Color();
            const TVector4f& b = nodes[k + 1]->Color().Color();
            const TVector4f c{a[0] + t * (b[0] - a[0]), a[1] + t * (b[1] - a[1]), a[2] + t * (b[2] - a[2]),
                              a[3] + t * (b[3] - a[3])};
            gl.Color4fv(c.data());
          }
        }
        gl.Vertex3f(point[0], point[1], point[2]);
      }
    }
    gl.End();
  }
  evaluators.reset();
  line_style.reset();
  if (NodesAspect() != lnaInvisible) {
    const TGLAttribScope enable_bits(rci.GLStates, GL_ENABLE_BIT);
    if (!rci.ignoreBlendingRequests) {
      gl.Enable(GL_BLEND);
      gl.BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    gl.Disable(GL_TEXTURE_2D);
    if (GL.ARB_texture_cube_map) gl.Disable(GL_TEXTURE_CUBE_MAP_ARB);
    for (int i = 0; i < count; ++i) {
      const TGLLinesNode& node = *nodes[i];
      DrawNode(rci, node.X(), node.Y(), node.Z(), node.Color().Color());
    }
  }
}

namespace {

constexpr TIdentNames<4> kNodesAspect{"lnaInvisible", "lnaAxes", "lnaCube", "lnaDodecahedron"};
constexpr TIdentNames<5> kSplineMode{"lsmLines", "lsmCubicSpline", "lsmBezierSpline", "lsmNURBSCurve", "lsmSegments"};
constexpr TIdentNames<1> kLinesOptions{"loUseNodeColorForLines"};

}  // namespace

void TGLLineBase::WriteProperties(TPropertyWriter& w) const {
  TGLImmaterialSceneObject::WriteProperties(w);
  if (AntiAliased()) w.Boolean("AntiAliased", true);
  if (LineColor().StoresColor()) w.Data("LineColor.Color", LineColor());
  if (LinePattern() != 0xFFFF) w.Integer("LinePattern", LinePattern());
  if (LineWidth() != 1) w.Single("LineWidth", LineWidth());
}

bool TGLLineBase::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "AntiAliased") {
    SetAntiAliased(AsBoolean(v));
  } else if (name == "LineColor.Color") {
    ReadData(LineColor(), v, 16);
  } else if (name == "LinePattern") {
    SetLinePattern(static_cast<std::uint16_t>(AsInteger(v)));
  } else if (name == "LineWidth") {
    SetLineWidth(AsSingle(v));
  } else {
    return TGLImmaterialSceneObject::ReadProperty(name, v);
  }
  return true;
}

void TGLNodedLines::WriteProperties(TPropertyWriter& w) const {
  TGLLineBase::WriteProperties(w);
  if (NodeColor().StoresColor()) w.Data("NodeColor.Color", NodeColor());
  w.BeginCollection("Nodes");
  for (int i = 0; i < Nodes().Count(); ++i) {
    const TGLLinesNode& node = *Nodes()[i];
    w.BeginItem();
    w.Single("X", node.X());
    w.Single("Y", node.Y());
    w.Single("Z", node.Z());
    // A node stores its colour only where it is not the lines' node colour.
    if (node.Color().Color() != NodeColor().Color()) w.Data("Color.Color", node.Color());
    w.EndItem();
  }
  w.EndCollection();
  if (NodesAspect() != lnaAxes) w.Enum("NodesAspect", kNodesAspect, NodesAspect());
  if (NodeSize() != 1) w.Single("NodeSize", NodeSize());
}

bool TGLNodedLines::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "NodeColor.Color") {
    TGLColor color(nullptr);
    ReadData(color, v, 16);
    SetNodeColor(color);
  } else if (name == "Nodes") {
    if (v.tag != vaCollection) RaiseInvalidPropertyValue();
    Nodes().BeginUpdate();
    Nodes().Clear();
    for (const TPropertyList& item : v.items) {
      TGLLinesNode& node = *Nodes().Add();
      for (const auto& [item_name, item_value] : item) {
        if (item_name == "X") {
          node.SetX(AsSingle(item_value));
        } else if (item_name == "Y") {
          node.SetY(AsSingle(item_value));
        } else if (item_name == "Z") {
          node.SetZ(AsSingle(item_value));
        } else if (item_name == "Color.Color") {
          ReadData(node.Color(), item_value, 16);
        } else {
          RaiseNoProperty(item_name);
        }
      }
    }
    Nodes().EndUpdate();
  } else if (name == "NodesAspect") {
    SetNodesAspect(AsEnum<TLineNodesAspect>(kNodesAspect, v));
  } else if (name == "NodeSize") {
    SetNodeSize(AsSingle(v));
  } else {
    return TGLLineBase::ReadProperty(name, v);
  }
  return true;
}

void TGLLines::WriteProperties(TPropertyWriter& w) const {
  TGLNodedLines::WriteProperties(w);
  if (Division() != 10) w.Integer("Division", Division());
  if (SplineMode() != lsmLines) w.Enum("SplineMode", kSplineMode, SplineMode());
  w.SetOf("Options", kLinesOptions, Options());
}

bool TGLLines::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "Division") {
    SetDivision(AsInteger(v));
  } else if (name == "SplineMode") {
    SetSplineMode(AsEnum<TLineSplineMode>(kSplineMode, v));
  } else if (name == "Options") {
    SetOptions(static_cast<TLinesOptions>(SetBits(kLinesOptions, v)));
  } else {
    return TGLNodedLines::ReadProperty(name, v);
  }
  return true;
}

}  // namespace zentrova
