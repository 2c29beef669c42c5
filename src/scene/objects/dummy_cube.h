// The invisible grouping node of the scene tree: a placement with children, a dashed wire
// cube only at design time or when asked to, the sub-tree compiled once into its own list on request
// (amalgamation), a per-frame veto over the sub-tree, and the mean of the children's barycentres. Also
// the two drawing helpers that the node marks of lines share: the wire cube and the dodecahedron.
#pragma once

#include <array>
#include <functional>
#include <memory>

#include "scene/base/class_name.h"
#include "scene/core/custom_scene_object.h"
#include "scene/gl/color.h"

namespace zentrova {

class TGLListHandle;
class TGLDummyCube;

// False hides the cube and its whole sub-tree for this frame.
using TGLVisibilityDeterminationEvent = std::function<bool(TGLDummyCube& sender, TRenderContextInfo& rci)>;

class TGLDummyCube : public TGLCameraInvariantObject {
 public:
  TGLDummyCube();
  ~TGLDummyCube() override;
  ZENTROVA_CLASS_NEW(TGLDummyCube)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  float CubeSize() const { return cube_size_; }
  void SetCubeSize(float value);
  TGLColor& EdgeColor() { return edge_color_; }
  const TGLColor& EdgeColor() const { return edge_color_; }
  void SetEdgeColor(const TGLColor& value);
  bool VisibleAtRunTime() const { return visible_at_run_time_; }
  void SetVisibleAtRunTime(bool value);
  bool Amalgamate() const { return amalgamate_; }
  // On: the sub-tree is compiled into the cube's own list at the next frame and replayed until the cube's
  // structure is marked dirty; the state cache is reset after the cube. Off: the list is freed.
  void SetAmalgamate(bool value);
  TGLVisibilityDeterminationEvent OnVisibilityDetermination;
  // The amalgamated list's name, 0 when none is compiled.
  unsigned GroupListName() const;

  // Frees the amalgamated list first, so that it is compiled again.
  void MarkStructureDirty() override;
  // Size, edge colour and VisibleAtRunTime (not Amalgamate, not the event), then the base's Assign.
  void Assign(const TPersistent* source) override;
  // The wire cube at design time or with VisibleAtRunTime.
  void BuildList(TRenderContextInfo& rci) override;
  // The veto, then the sub-tree: as the base draws it, or compiled once. A pick pass draws it directly,
  // as every object of a pick pass draws (Mesa's selection mode loses geometry from mixed lists), so
  // that each child keeps its own picking name.
  void DoRender(TRenderContextInfo& rci, bool render_self, bool render_children) override;
  TVector4f UnscaledHalfExtents() const override;
  bool RayCastIntersect(const TVector4f& ray_start, const TVector4f& ray_vector,
                        TVector4f* intersect_point = nullptr, TVector4f* intersect_normal = nullptr) override;
  // The mean of the children's barycentres; without children the own absolute position.
  TVector4f BarycenterAbsolutePosition() override;
  void ReleaseDisplayList() override;

 private:
  float cube_size_ = 1;
  TGLColor edge_color_;
  bool visible_at_run_time_ = false;
  bool amalgamate_ = false;
  std::unique_ptr<TGLListHandle> group_list_;
};

// The 12 edges of an axis-aligned cube of edge `size` (signed) centred on the origin, lighting off, in
// `color` as emission through colour material, dashed (1, 0xCCCC) and blended when `stipple`.
void DrawWireCube(TRenderContextInfo& rci, float size, bool stipple, const TVector4f& color);
// A solid dodecahedron of circumradius 0.3·√3 about the origin: 12 fans with their face normals.
void DrawDodecahedron();

// The dodecahedron's table, for tests: its 20 vertices and 12 faces of 5 vertex indices.
const std::array<TAffineVector, 20>& DodecahedronVertices();
const std::array<std::array<int, 5>, 12>& DodecahedronFaces();

}  // namespace zentrova
