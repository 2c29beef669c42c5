// Point paths of the scene (lines, extrusion outlines): nodes with geometry helpers, a cubic spline
// through them and the node polygon tessellated into triangles.
#pragma once

#include <memory>
#include <string>

#include "scene/base/class_name.h"
#include "scene/base/collection.h"
#include "scene/base/polygon_sink.h"
#include "scene/base/spline.h"
#include "scene/base/vector_types.h"

namespace zentrova {

class TGLNodes;

class TGLNode : public TCollectionItem {
 public:
  explicit TGLNode(TCollection* collection) : TCollectionItem(collection) {}
  ZENTROVA_CLASS(TGLNode)

  float X() const { return value_[0]; }
  float Y() const { return value_[1]; }
  float Z() const { return value_[2]; }
  float W() const { return value_[3]; }
  void SetX(float v) { SetCoordinate(0, v); }
  void SetY(float v) { SetCoordinate(1, v); }
  void SetZ(float v) { SetCoordinate(2, v); }

  // From another node: x, y, z and w.
  void Assign(const TPersistent* source) override;
  // "x; y; z" with four decimals each and the process-wide decimal separator.
  std::string GetDisplayName() const override;

  // The setters tell the owning nodes of the change.
  void SetAsVector(const TVector4f& v);
  // Index 0..3; any other raises ERangeError before anything is stored.
  void SetCoordinate(int index, float value);
  const TVector4f& AsVector() const { return value_; }
  TAffineVector AsAffineVector() const { return {value_[0], value_[1], value_[2]}; }
  // x, y, z (and w) as consecutive singles.
  const float* DataPointer() const { return value_.data(); }

 private:
  friend class TGLNodes;
  void NotifyNodes();

  TVector4f value_{};
};

class TGLNodes : public TOwnedCollection {
 public:
  // Items of the given class; TGLNode when none is given.
  explicit TGLNodes(TPersistent* owner, TCollectionItemClass item_class = nullptr);
  ZENTROVA_CLASS(TGLNodes)
  using TInstanceRoot = TGLNodes;

  // A new collection of this collection's class with the same item class; subclasses override it.
  virtual std::unique_ptr<TGLNodes> NewInstance(TPersistent* owner) const;
  // A new collection of the same class assigned from this one; the caller owns it.
  std::unique_ptr<TGLNodes> Duplicate(TPersistent* owner) const;

  TGLNode* GetItem(int index) const;
  TGLNode* operator[](int index) const { return GetItem(index); }
  TGLNode* Add();
  // Appends a node at (x, y, z, 1).
  TGLNode* AddXYZ(float x, float y, float z);

  // Mean of the node positions; the zero vector without nodes.
  TAffineVector AveragePosition() const;
  // Unit normal of the plane through the first three nodes; the zero vector with fewer.
  TAffineVector PlaneNormal() const;
  // Unit direction of the path at a node, from its neighbours; the zero vector for a single node or
  // when the neighbours (almost) coincide. The index must lie in 0 .. Count − 1.
  TAffineVector DirectionAt(int index) const;
  void Translate(const TAffineVector& v);
  void TurnAboutY(float angle_degrees);
  // Spline through the nodes' x, y, z at parameters 0 .. Count − 1 (no w).
  std::unique_ptr<TCubicSpline> MakeCubicSpline() const;

  // Draws the node polygon into the sink (the GL layer's GLPolygonSink draws into the current context)
  // as a filled face through the GLU tessellator: with a normal when given, smoothed by the spline with
  // the divisions per interval when they exceed 1, in reverse order with invert, the first two
  // coordinates as texture coordinates when textured. Nothing with fewer than three nodes. A tessellation
  // error raises EAssertionFailed "<GLU error number>: <GLU error text>" once the tessellator is finished and
  // deleted.
  void DrawTessellatedPolygon(bool textured, const TAffineVector* normal, int divisions, bool invert,
                              TPolygonSink& sink) const;

  // Tells an update-able component owner of a change (not inside an update bracket).
  virtual void NotifyChange();
  void EndUpdate() override;

 protected:
  void Update(TCollectionItem* item) override;
};

}  // namespace zentrova
