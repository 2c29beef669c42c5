// The pipe: a circle of Radius (scaled per node) swept along a path of nodes, straight from node to node
// or along a cubic spline, with optional disks closing its ends and optional per-node colours fed to
// the material through colour tracking.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "scene/base/class_name.h"
#include "scene/base/property_stream.h"
#include "scene/gl/color.h"
#include "scene/objects/lines.h"
#include "scene/objects/polygon_base.h"

namespace zentrova {

class TGLPipeNode : public TGLNode {
 public:
  explicit TGLPipeNode(TCollection* collection);
  ZENTROVA_CLASS(TGLPipeNode)

  // Multiplies the pipe's Radius at this node.
  float RadiusFactor() const { return radius_factor_; }
  void SetRadiusFactor(float value);
  // Opaque black at first; its changes are changes of the nodes.
  TGLColor& Color() { return color_; }
  const TGLColor& Color() const { return color_; }
  void SetColor(const TGLColor& value) { color_.Assign(&value); }

  // RadiusFactor (not the colour), then the coordinates.
  void Assign(const TPersistent* source) override;
  // "<x; y; z> / rf = <RadiusFactor with 3 decimals>".
  std::string GetDisplayName() const override;

 private:
  float radius_factor_ = 1;
  TGLColor color_;
};

class TGLPipeNodes : public TGLLinesNodes {
 public:
  explicit TGLPipeNodes(TPersistent* owner) : TGLLinesNodes(owner, &CreateCollectionItem<TGLPipeNode>) {}
  ZENTROVA_CLASS_NEW_OWNED(TGLPipeNodes)
  TGLPipeNode* GetItem(int index) const { return static_cast<TGLPipeNode*>(TGLNodes::GetItem(index)); }
  TGLPipeNode* operator[](int index) const { return GetItem(index); }
  TGLPipeNode* Add() { return static_cast<TGLPipeNode*>(TGLNodes::Add()); }
  TGLPipeNode* AddXYZ(float x, float y, float z) {
    return static_cast<TGLPipeNode*>(TGLNodes::AddXYZ(x, y, z));
  }
};

enum TPipePart : std::uint8_t { ppOutside, ppInside, ppStartDisk, ppStopDisk };
using TPipeParts = std::uint8_t;  // bit n = TPipePart n
inline constexpr TPipeParts kAllPipeParts = 0x0F;
enum TPipeNodesColorMode : std::uint8_t {
  pncmNone,
  pncmEmission,
  pncmAmbient,
  pncmDiffuse,
  pncmAmbientAndDiffuse
};

class TGLPipe : public TGLPolygonBase {
 public:
  TGLPipe();
  ZENTROVA_CLASS_NEW(TGLPipe)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  TGLPipeNodes& PipeNodes() { return static_cast<TGLPipeNodes&>(Nodes()); }
  const TGLPipeNodes& PipeNodes() const { return static_cast<const TGLPipeNodes&>(Nodes()); }
  // Vertices about the tube; values below 1 are ignored.
  int Slices() const { return properties_.slices; }
  void SetSlices(int value);
  TPipeParts Parts() const { return properties_.parts; }
  void SetParts(TPipeParts value);
  float Radius() const { return properties_.radius; }
  void SetRadius(float value);
  TPipeNodesColorMode NodesColorMode() const { return properties_.nodes_color_mode; }
  void SetNodesColorMode(TPipeNodesColorMode value);
  // The triangles of the last build.
  int TriangleCount() const { return triangle_count_; }

  void Assign(const TPersistent* source) override;
  void BuildList(TRenderContextInfo& rci) override;

  // One ring of the sweep: Slices + 1 vertices (the last repeats the first) and the ring's colour.
  struct TRingVertex {
    TAffineVector position;
    TAffineVector normal;
  };
  struct TRing {
    std::vector<TRingVertex> vertices;
    TVector4f color{};
  };

 protected:
  std::unique_ptr<TGLNodes> CreateNodes() override;
  // "RadiusFactor" (when not 1) and "Color.Color" (when not black) of a node.
  void WriteNodeProperties(const TGLNode& node, TPropertyWriter& writer) const override;
  bool ReadNodeProperty(TGLNode& node, const std::string& name, const TPropertyValue& value) override;

 private:
  void BuildRing(TRing& ring, const TAffineVector& centre, TAffineVector direction, float factor) const;
  void DrawStrip(TRing& a, const TRing& b, bool colored) const;
  void DrawDisk(const TRing& ring, const TAffineVector& centre, const TAffineVector& normal, bool reversed,
                bool colored) const;
  // The published properties that Assign copies, as one value.
  struct TProperties {
    int slices = 16;
    TPipeParts parts = 1u << ppOutside;
    float radius = 1;
    TPipeNodesColorMode nodes_color_mode = pncmNone;
  };
  TProperties properties_;
  int triangle_count_ = 0;
  // The ring angles' sines and cosines, Slices + 1 each, made again only when Slices changes.
  std::vector<float> sines_, cosines_;
};

}  // namespace zentrova
