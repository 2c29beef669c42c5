// The base of the objects defined by a path of nodes that a spline may smooth (the polygon, the
// revolution solid and the pipe): the node collection, the division count and the spline mode, any
// change of which rebuilds the object. It draws nothing itself.
#pragma once

#include <memory>
#include <string>

#include "scene/base/class_name.h"
#include "scene/base/nodes.h"
#include "scene/base/property_stream.h"
#include "scene/core/custom_scene_object.h"
#include "scene/objects/lines.h"

namespace zentrova {

class TGLPolygonBase : public TGLStageObject {
 public:
  TGLPolygonBase();
  ~TGLPolygonBase() override;
  ZENTROVA_CLASS_NEW(TGLPolygonBase)
  // "Nodes" (with what each node adds), "Division" and "SplineMode".
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  TGLNodes& Nodes() { return *nodes_; }
  const TGLNodes& Nodes() const { return *nodes_; }
  void SetNodes(const TGLNodes& value);
  int Division() const { return division_; }
  void SetDivision(int value);  // at least 1
  TLineSplineMode SplineMode() const { return spline_mode_; }
  void SetSplineMode(TLineSplineMode value);

  // A change of the own nodes marks the structure dirty first.
  void NotifyChange(TPersistent* sender) override;
  // Nodes, division and spline mode, then the base's Assign.
  void Assign(const TPersistent* source) override;

 protected:
  // The node collection, owned by the object; subclasses may make their own kind.
  virtual std::unique_ptr<TGLNodes> CreateNodes();
  // Subclasses that override CreateNodes call this from their constructor.
  void RecreateNodes() { nodes_ = CreateNodes(); }
  // The properties a node adds to its coordinates in the "Nodes" collection: none here.
  virtual void WriteNodeProperties(const TGLNode& node, TPropertyWriter& writer) const {}
  virtual bool ReadNodeProperty(TGLNode& node, const std::string& name, const TPropertyValue& value) {
    return false;
  }

 private:
  std::unique_ptr<TGLNodes> nodes_;
  int division_ = 10;
  TLineSplineMode spline_mode_ = lsmLines;
};

}  // namespace zentrova
