// Polylines through nodes: straight, as separate segments, as an interpolating cubic
// spline, as one Bezier curve evaluated by OpenGL, or as a NURBS curve drawn by GLU; each node can be
// marked with axes, a wire cube or a dodecahedron and carries its own colour. TGLLineBase holds the line
// style, TGLNodedLines the nodes and their marks, TGLLines the curve modes.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/exception.h"
#include "scene/base/class_name.h"
#include "scene/base/nodes.h"
#include "scene/base/vector_lists.h"
#include "scene/core/custom_scene_object.h"
#include "scene/gl/color.h"
#include "scene/gl/gl_state_scope.h"

namespace zentrova {

// The run-time error of a failed checked type cast.
class EInvalidCast : public Exception {
 public:
  EInvalidCast() : Exception("Invalid class typecast") {}
};

enum TLineSplineMode : std::uint8_t { lsmLines, lsmCubicSpline, lsmBezierSpline, lsmNURBSCurve, lsmSegments };
enum TLineNodesAspect : std::uint8_t { lnaInvisible, lnaAxes, lnaCube, lnaDodecahedron };
enum TLinesOption : std::uint8_t { loUseNodeColorForLines = 1u << 0 };
using TLinesOptions = std::uint8_t;

class TGLLineBase : public TGLImmaterialSceneObject {
 public:
  TGLLineBase();
  ZENTROVA_CLASS_NEW(TGLLineBase)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  TGLColor& LineColor() { return line_color_; }
  const TGLColor& LineColor() const { return line_color_; }
  void SetLineColor(const TGLColor& value);
  std::uint16_t LinePattern() const { return line_pattern_; }
  void SetLinePattern(std::uint16_t value);  // 0xFFFF: solid
  float LineWidth() const { return line_width_; }
  void SetLineWidth(float value);
  bool AntiAliased() const { return anti_aliased_; }
  void SetAntiAliased(bool value);

  // From another line object: colour, pattern, width and antialiasing only (nothing of the base).
  void Assign(const TPersistent* source) override;
  // The line's style for the length of a scope: the enable, current, line and colour-buffer attributes
  // are pushed and the style set; they are popped however the scope ends.
  class TLineStyleScope {
   public:
    TLineStyleScope(const TGLLineBase& line, TGLStateCache* states);

   private:
    TGLAttribScope attributes_;
  };

 private:
  TGLColor line_color_;
  std::uint16_t line_pattern_ = 0xFFFF;
  float line_width_ = 1;
  bool anti_aliased_ = false;
};

class TGLLinesNode : public TGLNode {
 public:
  // Its colour starts as the owning lines' NodeColor: a collection whose owner is not a TGLLines raises
  // EInvalidCast.
  explicit TGLLinesNode(TCollection* collection);
  ZENTROVA_CLASS(TGLLinesNode)

  TGLColor& Color() { return color_; }
  const TGLColor& Color() const { return color_; }
  void SetColor(const TGLColor& value) { color_.Assign(&value); }
  // The colour from another lines node, then the coordinates.
  void Assign(const TPersistent* source) override;

 private:
  TGLColor color_;
};

class TGLLinesNodes : public TGLNodes {
 public:
  explicit TGLLinesNodes(TPersistent* owner);
  ZENTROVA_CLASS_NEW_OWNED(TGLLinesNodes)
  TGLLinesNode* GetItem(int index) const { return static_cast<TGLLinesNode*>(TGLNodes::GetItem(index)); }
  TGLLinesNode* operator[](int index) const { return GetItem(index); }
  TGLLinesNode* Add() { return static_cast<TGLLinesNode*>(TGLNodes::Add()); }
  TGLLinesNode* AddXYZ(float x, float y, float z) { return static_cast<TGLLinesNode*>(TGLNodes::AddXYZ(x, y, z)); }
  // The owner's structure is marked dirty.
  void NotifyChange() override;

 protected:
  // For node collections of other item classes that draw as lines do.
  TGLLinesNodes(TPersistent* owner, TCollectionItemClass item_class) : TGLNodes(owner, item_class) {}
};

class TGLNodedLines : public TGLLineBase {
 public:
  TGLNodedLines();
  ZENTROVA_CLASS_NEW(TGLNodedLines)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  TGLLinesNodes& Nodes() { return nodes_; }
  const TGLLinesNodes& Nodes() const { return nodes_; }
  void SetNodes(const TGLLinesNodes& value);
  TLineNodesAspect NodesAspect() const { return nodes_aspect_; }
  void SetNodesAspect(TLineNodesAspect value);
  // Changing it recolours every node still of the previous node colour; new nodes take it.
  TGLColor& NodeColor() { return node_color_; }
  const TGLColor& NodeColor() const { return node_color_; }
  void SetNodeColor(const TGLColor& value);
  float NodeSize() const { return node_size_; }
  void SetNodeSize(float value);  // <= 0 stored as 1

  // Nodes, aspect and node colour (not the size), then the line base's Assign.
  void Assign(const TPersistent* source) override;
  // The largest absolute node coordinates.
  TVector4f UnscaledHalfExtents() const override;
  // One node mark at (x, y, z).
  void DrawNode(TRenderContextInfo& rci, float x, float y, float z, const TVector4f& color);

 private:
  void NodeColorChanged();

  TGLLinesNodes nodes_;
  TLineNodesAspect nodes_aspect_ = lnaAxes;
  TGLColor node_color_;
  float node_size_ = 1;
  TVector4f old_node_color_ = clrBlue;
};

class TGLLines : public TGLNodedLines {
 public:
  TGLLines();
  ZENTROVA_CLASS_NEW(TGLLines)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  int Division() const { return division_; }
  void SetDivision(int value);  // at least 1
  TLineSplineMode SplineMode() const { return spline_mode_; }
  void SetSplineMode(TLineSplineMode value);
  TLinesOptions Options() const { return options_; }
  void SetOptions(TLinesOptions value);
  // The NURBS curve's order, sampling tolerance and knots: public, not streamed.
  int NURBSOrder = 0;
  float NURBSTolerance = 50;
  TSingleList& NURBSKnots() { return nurbs_knots_; }

  // Division and spline mode (not the options, not the NURBS data), then the noded lines' Assign.
  void Assign(const TPersistent* source) override;
  void BuildList(TRenderContextInfo& rci) override;

 private:
  int division_ = 10;
  TLineSplineMode spline_mode_ = lsmLines;
  TLinesOptions options_ = 0;
  TSingleList nurbs_knots_;
};

}  // namespace zentrova
