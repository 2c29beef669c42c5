// The node of the scene graph. Every drawable or invisible thing of a 3D view (cameras, lights, dummy
// cubes, body shapes, text) is one: it owns its children, knows its parent and its scene, carries its
// placement in the parent's frame, draws itself with its children, and turns every property change into
// a dirty mark plus a change notice that travels up to the scene and from there to the viewers.
//
// Ownership is explicit. A node has exactly one owner: its parent's children list (whose order is the
// drawing order), its scene (the two roots), or the caller, who holds a detached node as a unique_ptr.
// AppendChild and InsertChild take a node, Remove hands it back, Reparent and InsertChild move one that
// sits in a tree. A detached node belongs to no scene. None of this locks: during a run the engine changes
// the tree under the scene's mutex (TGLStage::Lock), which rendering and picking hold too.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "scene/base/class_name.h"
#include "scene/base/coordinates.h"
#include "scene/base/silhouette.h"
#include "scene/base/update_able.h"
#include "scene/base/vector_types.h"
#include "scene/materials/render_context_info.h"
#include "scene/gl/bounding_box.h"
#include "scene/gl/color.h"

namespace zentrova {

class TGLListHandle;
class TGLBaseSceneObject;
class TGLBehaviours;
class TGLObjectEffects;

// Bits of ObjectStyle.
enum TGLObjectStyle : std::uint8_t {
  osDirectDraw = 1u << 0,           // drawn directly every frame, never compiled into a display list
  osTampersWithState = 1u << 1,     // changes GL state behind the state cache: the cache is reset after it
  osIgnoreDepthBuffer = 1u << 2,    // drawn with the depth test off
  osNoVisibilityCulling = 1u << 3,  // never culled
};
using TGLObjectStyles = std::uint8_t;

using TGLProgressEvent = std::function<void(TGLBaseSceneObject& sender, double delta_time, double new_time)>;

class TGLBaseSceneObject : public TGLCoordinatesUpdateAbleComponent, public TGLStructureDirtyTarget {
 public:
  TGLBaseSceneObject();
  // Cameras of the sub-tree go first (their children join the cameras' parents), then the children.
  ~TGLBaseSceneObject() override;
  ZENTROVA_CLASS(TGLBaseSceneObject)
  using TInstanceRoot = TGLBaseSceneObject;
  // Besides the published properties, the behaviours and effects as the binary properties
  // "BehavioursData" and "EffectsData" (each collection's items through the archive writer), written
  // only for a collection that holds items. Reading refuses a damaged item count with EReadError
  // "<collection class> : invalid item count <n>".
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;
  // The behaviours and effects finish loading (a position read is a point already).
  void Loaded() override;
  // A form stream writes the children; it takes scene objects as children.
  std::vector<const TComponent*> GetChildren() const override;
  bool ReadChild(std::unique_ptr<TComponent>& child) override;

  // A new, empty object of this object's class; Assign's deep copy builds the copied children with it.
  // Every class that can be instantiated overrides it (Assign asserts that the class came out right).
  virtual std::unique_ptr<TGLBaseSceneObject> NewInstance() const;

  // ---- The tree
  TGLBaseSceneObject* Parent() const { return parent_; }
  TGLStage* Scene() const { return scene_; }
  int ChildCount() const { return static_cast<int>(children_.size()); }
  // nullptr for an object that has no children; otherwise an index outside the list raises EListError
  // "Invalid list index".
  TGLBaseSceneObject* ChildAt(int index) const;
  int ChildIndex(const TGLBaseSceneObject* child) const;  // −1 when absent
  int Index() const;                                      // own place in the parent, −1 without one

  // Takes a detached node as the last child: it joins this object's scene with the lights of its
  // sub-tree, and both get their transform marked dirty. Returns the node. An object cannot become a
  // child inside its own sub-tree (assertion failure).
  TGLBaseSceneObject& AppendChild(std::unique_ptr<TGLBaseSceneObject> child);
  // The same at an index in 0 .. ChildCount (else EListError "Invalid list index").
  TGLBaseSceneObject& InsertChild(int index, std::unique_ptr<TGLBaseSceneObject> child);
  // Moves a node that sits in a tree (this one included) to the index: it leaves its parent first.
  void InsertChild(int index, TGLBaseSceneObject& child);
  template <class T = TGLBaseSceneObject, class... Args>
  T& AddNewChild(Args&&... args) {
    return static_cast<T&>(AppendChild(std::make_unique<T>(std::forward<Args>(args)...)));
  }
  template <class T = TGLBaseSceneObject, class... Args>
  T& AddNewChildFirst(Args&&... args) {
    return static_cast<T&>(InsertChild(0, std::make_unique<T>(std::forward<Args>(args)...)));
  }
  // Takes a child out of the tree and hands it over, detached and without a scene; nullptr (and nothing
  // happens) when `child` is not a child of this object. With keep_children, the child's own children
  // stay here instead, appended in their order, with one notice at the end.
  std::unique_ptr<TGLBaseSceneObject> Remove(TGLBaseSceneObject& child, bool keep_children);
  // Moves this node, which must have a parent, to the end of another parent's children.
  void Reparent(TGLBaseSceneObject& new_parent);
  // Moves this node to an index among its siblings (clamped into the list).
  void SetIndex(int new_index);
  // Frees every child with its sub-tree, the cameras among them first.
  void DeleteChildren();
  // Frees every camera of the sub-tree; a camera's children stay with the camera's parent.
  void DeleteChildCameras();
  // Releases the display lists of the whole sub-tree.
  void DestroyHandles();
  virtual void ReleaseDisplayList();

  // The first child of that name (compared without regard to letter case); unless own_children_only,
  // a match anywhere in an earlier child's sub-tree wins over a later direct child, and a direct child
  // is returned only when no sub-tree holds one. nullptr when none matches.
  TGLBaseSceneObject* FindDescendant(std::string_view name, bool own_children_only = false) const;
  void SetName(const std::string& name) override;

  // ---- Change marks and notices
  // The display list is rebuilt at the next render. Only the first mark before that render notifies,
  // unless the object draws directly (it has no list that waits for a rebuild).
  void MarkStructureDirty() override;
  // The local matrix and the absolute matrices of the sub-tree are recomputed when next read.
  void MarkTransformDirty();
  // To the scene, unless this object is updating or being read.
  void NotifyChange(TPersistent* sender) override;
  virtual void BeginUpdate();
  // Notifies when the count comes back to 0; at 0 already, "Unbalanced Begin/EndUpdate" (assertion
  // failure) with the count left as it was.
  virtual void EndUpdate();
  int UpdateCount() const { return update_count_; }
  bool DisplayListDirty() const { return (changes_ & kDisplayListDirty) != 0; }

  // ---- Placement in the parent's frame
  TGLCoordinates& Position() { return position_; }
  TGLCoordinates& Direction() { return direction_; }  // the local z axis, a unit vector
  TGLCoordinates& Up() { return up_; }                // the local y axis, a unit vector
  TGLCoordinates& Scale() { return scale_; }
  const TGLCoordinates& Position() const { return position_; }
  const TGLCoordinates& Direction() const { return direction_; }
  const TGLCoordinates& Up() const { return up_; }
  const TGLCoordinates& Scale() const { return scale_; }
  void SetPosition(const TVector4f& v) { position_.SetPositionXYZ(v[0], v[1], v[2]); }
  // Null vectors are ignored.
  void SetDirection(const TVector4f& v);
  void SetUp(const TVector4f& v);
  void SetScale(const TGLCoordinates& scale);

  // Rows: (Up × Direction)·Scale.x, Up·Scale.y, Direction·Scale.z, Position.
  const TMatrix4f& LocalMatrix();
  // Takes the matrix as the local one and derives position, direction, up and scale from it.
  void SetMatrix(const TMatrix4f& m);
  // Local × parent's absolute; a scene root contributes nothing.
  const TMatrix4f& AbsoluteMatrix();
  const TMatrix4f& InverseAbsoluteMatrix();
  TVector4f AbsoluteTranslation();
  TVector4f AbsoluteYAxis();
  TVector4f AbsoluteZAxis();
  TVector4f WorldToLocal(const TVector4f& v);
  TVector4f LocalToWorld(const TVector4f& v);
  TVector4f RightVector() const;  // Direction × Up
  TVector4f LeftVector() const;   // Up × Direction

  // Angles in degrees, stored within (−180, 180]. Setting one turns Direction and Up about the axis
  // (pitch: the right vector, turn: Up, roll: Direction) by the difference.
  float PitchAngle() const { return rotation_.X(); }
  float TurnAngle() const { return rotation_.Y(); }
  float RollAngle() const { return rotation_.Z(); }
  void SetPitchAngle(float angle);
  void SetTurnAngle(float angle);
  void SetRollAngle(float angle);
  // Rolls by the angle (degrees) and recomputes the stored roll from the new axes.
  void RollBy(float angle);
  // Orbits this object about another one, keeping its orientation; pitch is kept 0.025 rad away from
  // either pole. Nothing for a null object or one at this object's position.
  void MoveObjectAround(TGLBaseSceneObject* an_object, float pitch_delta, float turn_delta);

  // ---- Geometric queries, refined by subclasses
  virtual TVector4f UnscaledHalfExtents() const { return {0.5f, 0.5f, 0.5f, 0}; }
  TVector4f AxisAlignedDimensions() const;
  float BoundingSphereRadius() const;
  virtual TVector4f BarycenterAbsolutePosition();
  float BarycenterSqrDistanceTo(const TVector4f& point);
  virtual bool PointInObject(const TVector4f& point);
  // The nearer hit of the ray with the bounding sphere; the outputs are written only when given.
  virtual bool RayCastIntersect(const TVector4f& ray_start, const TVector4f& ray_vector,
                                TVector4f* intersect_point = nullptr, TVector4f* intersect_normal = nullptr);
  // The outline of the unscaled bounding sphere seen from the query's eye: 21 vertices on a circle, with
  // capping also the centre as vertex 21.
  virtual std::unique_ptr<TGLSilhouette> GenerateSilhouette(const TSilhouetteQuery& query);

  void CoordinateChanged(TGLCoordinates* sender) override;

  // ---- Rendering
  TGLObjectStyles ObjectStyle() const { return object_style_; }
  void SetObjectStyle(TGLObjectStyles style);
  bool HasStyle(TGLObjectStyle style) const { return (object_style_ & style) != 0; }
  bool Visible() const { return visible_; }
  virtual void SetVisible(bool value);
  bool ShowAxes() const { return show_axes_; }
  void SetShowAxes(bool value);
  TGLObjectsSorting ObjectsSorting() const { return objects_sorting_; }
  void SetObjectsSorting(TGLObjectsSorting value);
  TGLVisibilityCulling VisibilityCulling() const { return visibility_culling_; }
  void SetVisibilityCulling(TGLVisibilityCulling value);
  // This object's name in OpenGL picking, for its whole life (see selection_names.h).
  std::uint32_t SelectionName() const { return selection_name_; }

  // Culling, matrix, picking name, depth and state exceptions, axes, then DoRender. Whatever was pushed
  // is popped again, also when drawing throws.
  void RenderWithTransform(TRenderContextInfo& rci);
  // The object itself and/or its children, with the matrix as it is.
  virtual void DoRender(TRenderContextInfo& rci, bool render_self, bool render_children);
  // Children first .. last in the sorting order in force.
  virtual void RenderChildrenSorted(int first, int last, TRenderContextInfo& rci);
  // The compiled list, rebuilt when dirty. A build that throws ends the open list and leaves it dirty.
  virtual GLuint DisplayListHandle(TRenderContextInfo& rci);
  // The object's own geometry as GL calls; nothing in the base.
  virtual void BuildList(TRenderContextInfo& rci) {}
  virtual bool Blended() const { return false; }
  // Six stippled lines of the given length along the local axes, negative halves darker.
  void DrawObjectAxes(TRenderContextInfo& rci, std::uint16_t pattern, float length);

  // ---- Behaviours and effects, each collection created when first asked for
  TGLBehaviours& Behaviours();
  TGLObjectEffects& Effects();
  bool HasBehaviours() const;  // a collection with items
  bool HasEffects() const;

  // ---- Animation and the rest
  // Children from the last to the first, then the behaviours, the effects and OnProgress.
  void DoProgress(const TProgressTimes& progress_times) override;
  TGLProgressEvent OnProgress;
  // A free user value, published.
  float TagFloat() const { return tag_float_; }
  void SetTagFloat(float value) { tag_float_ = value; }

  // From another scene object: visibility, matrix, axes, sorting, culling, angles, OnProgress, a deep
  // copy of its children appended after this object's own, and its behaviours and effects.
  void Assign(const TPersistent* source) override;

 protected:
  // The object itself: BuildList when it draws directly or its container is compiling, else its list.
  void RenderSelf(TRenderContextInfo& rci);
  // For objects without a list (cameras): the next MarkStructureDirty notifies again.
  void ClearDisplayListDirty() { changes_ &= static_cast<std::uint8_t>(~kDisplayListDirty); }
  // Changes the style without a notice, for styles that change how an object draws but not what.
  void SetObjectStyleSilently(TGLObjectStyles style) { object_style_ = style; }

 private:
  friend class TGLStage;
  friend class TGLStageRootObject;

  enum : std::uint8_t {
    kLocalMatrixDirty = 1u << 0,
    kAbsoluteMatrixDirty = 1u << 1,
    kInverseMatrixDirty = 1u << 2,
    kDisplayListDirty = 1u << 3,
  };

  // Sets the scene over the sub-tree; objects that change scene lose their display lists.
  void SetScene(TGLStage* scene);
  void MarkAbsoluteDirty();
  void RebuildLocalMatrix();
  void SetAngle(int component, float angle);
  void DecideCulling(const TRenderContextInfo& rci, bool& render_self, bool& render_children);
  void RenderUnderDepthRule(TRenderContextInfo& rci, bool render_self, bool render_children);
  TBoxBounds HierarchicalBox();
  bool IsInSubTreeOf(const TGLBaseSceneObject& node) const;
  // Takes a child out of the list with the lights of its sub-tree; it keeps its scene.
  std::unique_ptr<TGLBaseSceneObject> Unlink(TGLBaseSceneObject& child);
  // Asserts that `child` can be taken as a child: detached and not holding this object.
  void CheckNewChild(const TGLBaseSceneObject* child) const;

  TMatrix4f local_matrix_ = IdentityMatrix;
  TMatrix4f absolute_matrix_ = IdentityMatrix;
  TMatrix4f inverse_matrix_ = IdentityMatrix;
  TGLObjectStyles object_style_ = 0;
  std::unique_ptr<TGLListHandle> list_handle_;
  TGLCoordinates position_;
  TGLCoordinates direction_;
  TGLCoordinates up_;
  TGLCoordinates scale_;
  std::uint8_t changes_ = kLocalMatrixDirty | kAbsoluteMatrixDirty | kInverseMatrixDirty | kDisplayListDirty;
  TGLBaseSceneObject* parent_ = nullptr;
  TGLStage* scene_ = nullptr;
  bool is_root_ = false;  // a scene root: not part of its children's absolute matrices
  std::vector<std::unique_ptr<TGLBaseSceneObject>> children_;
  bool visible_ = true;
  int update_count_ = 0;
  bool show_axes_ = false;
  TGLCoordinates rotation_;   // pitch, turn, roll in x, y, z
  bool calculating_ = false;  // Direction and Up are being recomputed together: their notices are ignored
  TGLObjectsSorting objects_sorting_ = osInherited;
  TGLVisibilityCulling visibility_culling_ = vcInherited;
  std::uint32_t selection_name_;
  std::unique_ptr<TGLBehaviours> behaviours_;
  std::unique_ptr<TGLObjectEffects> effects_;
  float tag_float_ = 0;
};

// Called with every scene object whose name changes (a design tool's hook), when set.
extern std::function<void(TGLBaseSceneObject& object)> OnSceneObjectNameChange;

// The overrides of an object with a solid shape of its own, as one line of its class: it draws the
// shape, gives its extent and answers ray casts against it (the base's default arguments).
#define ZENTROVA_SOLID_SHAPE                                                                              \
  void BuildList(TRenderContextInfo& rci) override;                                                        \
  TVector4f UnscaledHalfExtents() const override;                                                          \
  bool RayCastIntersect(const TVector4f& ray_start, const TVector4f& ray_vector,                           \
                        TVector4f* intersect_point = nullptr, TVector4f* intersect_normal = nullptr) override;

}  // namespace zentrova
