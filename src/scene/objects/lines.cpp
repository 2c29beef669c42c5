#include "scene/objects/lines.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "scene/base/scene_errors.h"
#include "scene/base/scope_exit.h"
#include "scene/base/spline.h"
#include "scene/gl/gl_state_scope.h"
#include "scene/gl/opengl_binding.h"
#include "scene/gl/state_cache.h"
#include "scene/objects/dummy_cube.h"

namespace zentrova {

// ---- TGLLineBase

TGLLineBase::TGLLineBase() : line_color_(this, clrWhite) {}

void TGLLineBase::SetLineColor(const TGLColor& value) {
  line_color_.SetColorSilently(value.Color());
  MarkStructureDirty();
}

void TGLLineBase::SetLinePattern(std::uint16_t value) {
  if (value == line_pattern_) return;
  line_pattern_ = value;
  MarkStructureDirty();
}

void TGLLineBase::SetLineWidth(float value) {
  if (value == line_width_) return;
  line_width_ = value;
  MarkStructureDirty();
}

void TGLLineBase::SetAntiAliased(bool value) {
  if (value == anti_aliased_) return;
  anti_aliased_ = value;
  MarkStructureDirty();
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

void TGLLineBase::SetupLineStyle(TRenderContextInfo&) {
  gl.PushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_LINE_BIT | GL_COLOR_BUFFER_BIT);
  gl.Disable(GL_LIGHTING);
  if (line_pattern_ != 0xFFFF) {
    gl.Enable(GL_LINE_STIPPLE);
    gl.Enable(GL_BLEND);
    gl.BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    gl.LineStipple(1, line_pattern_);
  }
  if (anti_aliased_) {
    gl.Enable(GL_LINE_SMOOTH);
    gl.Enable(GL_BLEND);
    gl.BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  } else {
    gl.Disable(GL_LINE_SMOOTH);
  }
  gl.LineWidth(line_width_);
  if (line_color_.Alpha() == 1) {
    gl.Color3fv(line_color_.VectorAddress());
  } else {
    if (!anti_aliased_) {
      gl.Enable(GL_BLEND);
      gl.BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    gl.Color4fv(line_color_.VectorAddress());
  }
}

void TGLLineBase::RestoreLineStyle(TRenderContextInfo&) {
  gl.PopAttrib();
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

std::unique_ptr<TGLNodes> TGLLinesNodes::NewInstance(TPersistent* owner) const {
  return std::make_unique<TGLLinesNodes>(owner);
}

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
  if (value == nodes_aspect_) return;
  nodes_aspect_ = value;
  MarkStructureDirty();
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
  if (value == division_) return;
  division_ = std::max(value, 1);
  MarkStructureDirty();
}

void TGLLines::SetSplineMode(TLineSplineMode value) {
  if (value == spline_mode_) return;
  spline_mode_ = value;
  MarkStructureDirty();
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
  SetupLineStyle(rci);
  bool style_restored = false;
  const TScopeExit restore_style([&] {
    if (!style_restored) RestoreLineStyle(rci);
  });
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
    evaluators.emplace(GL_EVAL_BIT);
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
  style_restored = true;
  RestoreLineStyle(rci);
  if (NodesAspect() != lnaInvisible) {
    const TGLAttribScope enable_bits(GL_ENABLE_BIT);
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

}  // namespace zentrova
