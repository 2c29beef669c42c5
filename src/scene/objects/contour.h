// The contours of a flat multi-contour shape: each contour a closed path of nodes in the shape's local
// XY plane, optionally smoothed by a spline, and the collection of them that tells its owner of every
// change, its nodes' changes included.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "scene/base/class_name.h"
#include "scene/base/collection.h"
#include "scene/base/nodes.h"
#include "scene/objects/lines.h"

namespace zentrova {

class TGLContour;

// The nodes of one contour: every change (a node added, removed or moved) is a change of the contour.
class TGLContourNodes : public TGLNodes {
 public:
  explicit TGLContourNodes(TPersistent* owner) : TGLNodes(owner) {}
  ZENTROVA_CLASS_NEW_OWNED(TGLContourNodes)
  void NotifyChange() override;
};

class TGLContour : public TCollectionItem {
 public:
  explicit TGLContour(TCollection* collection);
  ~TGLContour() override;
  ZENTROVA_CLASS(TGLContour)

  // Free text; setting it changes nothing that is drawn, so it sends no notice.
  const std::string& Description() const { return description_; }
  void SetDescription(const std::string& value) { description_ = value; }
  TGLNodes& Nodes() { return *nodes_; }
  const TGLNodes& Nodes() const { return *nodes_; }
  // Always assigns and notifies.
  void SetNodes(const TGLNodes& value);
  // Spline samples per node interval; below 1 stored as 1.
  int Division() const { return division_; }
  void SetDivision(int value);
  // lsmLines uses the nodes as they are; every other mode samples a cubic spline through them.
  TLineSplineMode SplineMode() const { return spline_mode_; }
  void SetSplineMode(TLineSplineMode value);

  // From another contour: nodes, division, spline mode and description.
  void Assign(const TPersistent* source) override;
  // The description, or "GLContour: <n> nodes".
  std::string GetDisplayName() const override;

  // Tells the collection that this contour changed (its nodes do so).
  void NotifyChanged() { Changed(false); }

 private:
  std::unique_ptr<TGLContourNodes> nodes_;
  std::string description_;
  int division_ = 10;
  TLineSplineMode spline_mode_ = lsmLines;
};

// Every change of the collection or of a contour calls OnNotifyChange when it is set, else tells the
// owner as a change notice.
class TGLContours : public TOwnedCollection {
 public:
  explicit TGLContours(TPersistent* owner);
  ZENTROVA_CLASS(TGLContours)

  TGLContour* Add() { return static_cast<TGLContour*>(TOwnedCollection::Add()); }
  TGLContour* Items(int index) const { return static_cast<TGLContour*>(TOwnedCollection::Items(index)); }

  std::function<void()> OnNotifyChange;

 protected:
  void Update(TCollectionItem* item) override;
};

}  // namespace zentrova
