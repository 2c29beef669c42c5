// Flat shapes of several contours: the base that turns its contours into a cached outline (closed
// boundary polygons, holes and self-crossings resolved by the GLU tessellator, no context needed) and
// fills that outline as one face, and the multi-polygon, which draws the filled outline as a top and a
// bottom face.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "scene/base/class_name.h"
#include "scene/base/polygon_sink.h"
#include "scene/base/property_stream.h"
#include "scene/base/vector_lists.h"
#include "scene/core/custom_scene_object.h"
#include "scene/objects/contour.h"

namespace zentrova {

// Closed polygons, each its vertices in order with the last joined back to the first (not repeated).
class TPolygonList {
 public:
  // A new empty polygon, appended; vertices go to it from now on.
  TAffineVectorList& NewPolygon();
  int Count() const { return static_cast<int>(polygons_.size()); }
  // Range-checked: EListError outside 0 .. Count − 1.
  const TAffineVectorList& Polygon(int index) const;
  TAffineVectorList& Current() { return *polygons_.back(); }
  void Clear() { polygons_.clear(); }
  int TotalVertexCount() const;

 private:
  std::vector<std::unique_ptr<TAffineVectorList>> polygons_;
};

class TMultiPolygonBase : public TGLStageObject {
 public:
  TMultiPolygonBase();
  ~TMultiPolygonBase() override;
  ZENTROVA_CLASS_NEW(TMultiPolygonBase)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  TGLContours& Contours() { return *contours_; }
  const TGLContours& Contours() const { return *contours_; }
  // Takes over the given collection's contours.
  void SetContours(const TGLContours& value) { contours_->Assign(&value); }
  // The nodes of contour `index` (not negative: assertion failure), adding contours up to it.
  TGLNodes& ContourNodes(int index);

  // Any change of the contours: a cached outline is dropped and the display list rebuilt. Without a
  // cached outline nothing was built from them yet, so nothing happens.
  virtual void ContoursChanged();

  // The outline, built on first demand. When the build fails, the polygons delivered before the failure
  // stay cached.
  const TPolygonList& Outline();
  bool HasCachedOutline() const { return outline_ != nullptr; }
  // The tessellator's normal for the outline and the faces' normal: (0, 0, 1).
  const TAffineVector& OutlineNormal() const { return outline_normal_; }

  // Fills the outline as one flat face into the sink: the triangles counter-clockwise about the normal
  // (when given; it is also sent once for the whole face), the polygons' vertices in reverse order when
  // reversed, each vertex's x and y as its texture coordinate when textured. Nothing for an empty
  // outline. A tessellator error raises EAssertionFailed "<code> : <GLU text>".
  void RenderTesselatedPolygon(bool textured, const TAffineVector* normal, bool reversed, TPolygonSink& sink);

  // Contours from another multi-polygon object, then the base's properties.
  void Assign(const TPersistent* source) override;

 protected:
  // The boundary polygons of the contours under the positive winding rule about the outline normal:
  // contour 0 as given, the others reversed, so that a later contour inside the first cuts a hole.
  // Empty unless the first contour has more than 2 nodes.
  void BuildOutline(TPolygonList& list) const;

 private:
  std::unique_ptr<TGLContours> contours_;
  std::unique_ptr<TPolygonList> outline_;
  TAffineVector outline_normal_{0, 0, 1};
};

enum TPolygonPart : std::uint8_t { ppTop, ppBottom };
using TPolygonParts = std::uint8_t;  // bit n = TPolygonPart n
inline constexpr TPolygonParts kAllPolygonParts = (1u << ppTop) | (1u << ppBottom);

// The filled outline in the local XY plane: the top face toward +z, the bottom face toward −z, both at
// the contours' own z and textured by their x and y.
class TGLMultiPolygon : public TMultiPolygonBase {
 public:
  ZENTROVA_CLASS_NEW(TGLMultiPolygon)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  TPolygonParts Parts() const { return parts_; }
  void SetParts(TPolygonParts value);

  void Assign(const TPersistent* source) override;
  void BuildList(TRenderContextInfo& rci) override;

 private:
  TPolygonParts parts_ = kAllPolygonParts;
};

}  // namespace zentrova
