// The tree of scene objects: ownership, moves, lookup, change marks and notices, copying and progress.
#include "scene/core/scene_object.h"

#include <algorithm>
#include <cctype>

#include "platform/exception.h"
#include "scene/base/property_setter.h"
#include "scene/base/property_stream.h"
#include "scene/base/scene_errors.h"
#include "scene/core/behaviours.h"
#include "scene/core/camera.h"
#include "scene/base/scope_exit.h"
#include "scene/core/selection_names.h"
#include "scene/core/stage.h"
#include "scene/gl/context.h"

namespace zentrova {

std::function<void(TGLBaseSceneObject& object)> OnSceneObjectNameChange;

namespace {

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

TGLBaseSceneObject::TGLBaseSceneObject()
    : position_(this, IdentityHmgPoint, csPoint),
      direction_(this, {0, 0, 1, 0}, csVector),
      up_(this, {0, 1, 0, 0}, csVector),
      scale_(this, {1, 1, 1, 0}, csVector),
      rotation_(this, ZeroHmgVector, csVector),
      selection_name_(RegisterSelectionName(this)) {}

TGLBaseSceneObject::~TGLBaseSceneObject() {
  Destroying();
  DeleteChildCameras();
  if (scene_ != nullptr) scene_->ForgetObject(*this);
  DeleteChildren();
  UnregisterSelectionName(selection_name_);
}

std::unique_ptr<TGLBaseSceneObject> TGLBaseSceneObject::NewInstance() const {
  return std::make_unique<TGLBaseSceneObject>();
}

// ---- The tree

TGLBaseSceneObject* TGLBaseSceneObject::ChildAt(int index) const {
  if (children_.empty()) return nullptr;
  if (index < 0 || index >= ChildCount()) throw EListError("Invalid list index");
  return children_[index].get();
}

int TGLBaseSceneObject::ChildIndex(const TGLBaseSceneObject* child) const {
  for (int i = 0; i < ChildCount(); ++i) {
    if (children_[i].get() == child) return i;
  }
  return -1;
}

int TGLBaseSceneObject::Index() const {
  return parent_ != nullptr ? parent_->ChildIndex(this) : -1;
}

bool TGLBaseSceneObject::IsInSubTreeOf(const TGLBaseSceneObject& node) const {
  for (const TGLBaseSceneObject* p = this; p != nullptr; p = p->parent_) {
    if (p == &node) return true;
  }
  return false;
}

void TGLBaseSceneObject::CheckNewChild(const TGLBaseSceneObject* child) const {
  SceneAssert(child != nullptr && child->parent_ == nullptr && !child->is_root_,
              "TGLBaseSceneObject: only a detached object can become a child");
  SceneAssert(!IsInSubTreeOf(*child),
              "TGLBaseSceneObject: an object cannot become a child in its own sub-tree");
}

TGLBaseSceneObject& TGLBaseSceneObject::AppendChild(std::unique_ptr<TGLBaseSceneObject> child) {
  CheckNewChild(child.get());
  TGLBaseSceneObject& node = *child;
  if (scene_ != nullptr) scene_->AddLights(node);
  children_.push_back(std::move(child));
  node.parent_ = this;
  node.SetScene(scene_);
  MarkTransformDirty();
  node.MarkTransformDirty();
  return node;
}

TGLBaseSceneObject& TGLBaseSceneObject::InsertChild(int index, std::unique_ptr<TGLBaseSceneObject> child) {
  CheckNewChild(child.get());
  if (index < 0 || index > ChildCount()) throw EListError("Invalid list index");
  TGLBaseSceneObject& node = *child;
  children_.insert(children_.begin() + index, std::move(child));
  node.parent_ = this;
  if (node.scene_ != scene_) node.DestroyHandles();
  node.SetScene(scene_);
  if (scene_ != nullptr) scene_->AddLights(node);
  node.MarkTransformDirty();
  return node;
}

void TGLBaseSceneObject::InsertChild(int index, TGLBaseSceneObject& child) {
  TGLBaseSceneObject* old_parent = child.parent_;
  SceneAssert(old_parent != nullptr, "TGLBaseSceneObject.InsertChild: the object to move is not in a tree");
  SceneAssert(!IsInSubTreeOf(child),
              "TGLBaseSceneObject: an object cannot become a child in its own sub-tree");
  // Checked before the object leaves its parent, so that a refused move leaves the tree as it was.
  const int count_after = ChildCount() - (old_parent == this ? 1 : 0);
  if (index < 0 || index > count_after) throw EListError("Invalid list index");
  std::unique_ptr<TGLBaseSceneObject> owned = old_parent->Unlink(child);
  old_parent->NotifyChange(old_parent);
  InsertChild(index, std::move(owned));
}

std::unique_ptr<TGLBaseSceneObject> TGLBaseSceneObject::Unlink(TGLBaseSceneObject& child) {
  if (scene_ != nullptr) scene_->RemoveLights(child);
  const auto it =
      std::find_if(children_.begin(), children_.end(),
                   [&](const std::unique_ptr<TGLBaseSceneObject>& c) { return c.get() == &child; });
  std::unique_ptr<TGLBaseSceneObject> owned = std::move(*it);
  children_.erase(it);
  owned->parent_ = nullptr;
  return owned;
}

std::unique_ptr<TGLBaseSceneObject> TGLBaseSceneObject::Remove(TGLBaseSceneObject& child,
                                                               bool keep_children) {
  if (child.parent_ != this) return nullptr;
  std::unique_ptr<TGLBaseSceneObject> owned = Unlink(child);
  if (keep_children) {
    BeginUpdate();
    const TScopeExit end([this] { EndUpdate(); });
    // Always the first: each move shortens the list.
    while (owned->ChildCount() > 0) owned->ChildAt(0)->Reparent(*this);
  } else {
    NotifyChange(this);
  }
  // Outside the tree an object belongs to no scene, so nothing can outlive the scene it points to.
  owned->SetScene(nullptr);
  return owned;
}

void TGLBaseSceneObject::Reparent(TGLBaseSceneObject& new_parent) {
  TGLBaseSceneObject* old_parent = parent_;
  SceneAssert(old_parent != nullptr, "TGLBaseSceneObject.Reparent: the object is not in a tree");
  SceneAssert(!new_parent.IsInSubTreeOf(*this),
              "TGLBaseSceneObject: an object cannot become a child in its own sub-tree");
  std::unique_ptr<TGLBaseSceneObject> owned = old_parent->Unlink(*this);
  old_parent->NotifyChange(old_parent);
  new_parent.AppendChild(std::move(owned));
}

void TGLBaseSceneObject::SetIndex(int new_index) {
  if (parent_ == nullptr) return;
  new_index = std::clamp(new_index, 0, parent_->ChildCount() - 1);
  if (new_index == Index()) return;
  TGLStage* scene = scene_;
  if (scene != nullptr) scene->BeginUpdate();
  const TScopeExit end([scene] {
    if (scene != nullptr) scene->EndUpdate();
  });
  parent_->InsertChild(new_index, *this);
}

void TGLBaseSceneObject::DeleteChildCameras() {
  // The index passes only non-cameras: a freed camera's place is taken by its next sibling.
  int i = 0;
  while (i < ChildCount()) {
    TGLBaseSceneObject* child = children_[i].get();
    child->DeleteChildCameras();
    if (dynamic_cast<TGLCamera*>(child) != nullptr) {
      Remove(*child, true);
    } else {
      ++i;
    }
  }
}

void TGLBaseSceneObject::DeleteChildren() {
  DeleteChildCameras();
  // The object itself stays in the tree: only its children's lights leave the table.
  if (scene_ != nullptr) {
    for (const auto& child : children_) scene_->RemoveLights(*child);
  }
  while (!children_.empty()) {
    std::unique_ptr<TGLBaseSceneObject> last = std::move(children_.back());
    children_.pop_back();
    last->parent_ = nullptr;
  }
}

void TGLBaseSceneObject::SetScene(TGLStage* scene) {
  if (scene == scene_) return;
  if (scene_ != nullptr) {
    ReleaseDisplayList();
    scene_->ForgetObject(*this);
  }
  scene_ = scene;
  for (const auto& child : children_) child->SetScene(scene);
}

void TGLBaseSceneObject::DestroyHandles() {
  for (const auto& child : children_) child->DestroyHandles();
  ReleaseDisplayList();
}

void TGLBaseSceneObject::ReleaseDisplayList() {
  list_handle_.reset();
}

TGLBaseSceneObject* TGLBaseSceneObject::FindDescendant(std::string_view name, bool own_children_only) const {
  TGLBaseSceneObject* direct = nullptr;
  for (const auto& child : children_) {
    if (SameText(child->Name(), name)) {
      direct = child.get();
      break;
    }
  }
  if (!own_children_only) {
    for (const auto& child : children_) {
      if (TGLBaseSceneObject* found = child->FindDescendant(name, false)) return found;
    }
  }
  return direct;
}

void TGLBaseSceneObject::SetName(const std::string& name) {
  if (name == Name()) return;
  TGLCoordinatesUpdateAbleComponent::SetName(name);
  if (OnSceneObjectNameChange) OnSceneObjectNameChange(*this);
}

// ---- Change marks and notices

void TGLBaseSceneObject::MarkStructureDirty() {
  if ((changes_ & kDisplayListDirty) == 0) {
    changes_ |= kDisplayListDirty;
    NotifyChange(this);
  } else if (HasStyle(osDirectDraw)) {
    NotifyChange(this);
  }
}

void TGLBaseSceneObject::MarkTransformDirty() {
  if ((changes_ & kLocalMatrixDirty) != 0) return;
  changes_ |= kLocalMatrixDirty;
  MarkAbsoluteDirty();
  if (!ComponentState().Contains(TComponentState::Loading)) NotifyChange(this);
}

void TGLBaseSceneObject::MarkAbsoluteDirty() {
  constexpr std::uint8_t both = kAbsoluteMatrixDirty | kInverseMatrixDirty;
  changes_ |= both;
  for (const auto& child : children_) {
    if ((child->changes_ & both) != both) child->MarkAbsoluteDirty();
  }
}

void TGLBaseSceneObject::NotifyChange(TPersistent* sender) {
  if (scene_ == nullptr || update_count_ != 0 || ComponentState().Contains(TComponentState::Reading)) return;
  scene_->NotifyChange(this);
}

void TGLBaseSceneObject::BeginUpdate() {
  ++update_count_;
}

void TGLBaseSceneObject::EndUpdate() {
  SceneAssert(update_count_ > 0, "Unbalanced Begin/EndUpdate");
  if (--update_count_ == 0) NotifyChange(this);
}

void TGLBaseSceneObject::SetObjectStyle(TGLObjectStyles style) {
  SetProperty(object_style_, style, NotifyChangeOf(this));
}

void TGLBaseSceneObject::SetVisible(bool value) { SetProperty(visible_, value, NotifyChangeOf(this)); }

void TGLBaseSceneObject::SetShowAxes(bool value) { SetProperty(show_axes_, value, NotifyChangeOf(this)); }

void TGLBaseSceneObject::SetObjectsSorting(TGLObjectsSorting value) {
  SetProperty(objects_sorting_, value, NotifyChangeOf(this));
}

void TGLBaseSceneObject::SetVisibilityCulling(TGLVisibilityCulling value) {
  SetProperty(visibility_culling_, value, NotifyChangeOf(this));
}

// ---- Progress and copies

void TGLBaseSceneObject::DoProgress(const TProgressTimes& progress_times) {
  for (int i = ChildCount() - 1; i >= 0; --i) {
    // A handler may have removed children meanwhile.
    if (i < ChildCount()) children_[i]->DoProgress(progress_times);
  }
  if (behaviours_ != nullptr) behaviours_->ProgressAll(progress_times);
  if (effects_ != nullptr) effects_->ProgressAll(progress_times);
  if (OnProgress) OnProgress(*this, progress_times.deltaTime, progress_times.newTime);
}

void TGLBaseSceneObject::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TGLBaseSceneObject*>(source);
  if (other == nullptr) {
    TGLCoordinatesUpdateAbleComponent::Assign(source);
    return;
  }
  DestroyHandles();
  visible_ = other->visible_;
  // The source's local matrix from its coordinates as they are now (its cached one may be stale).
  TGLBaseSceneObject& from = const_cast<TGLBaseSceneObject&>(*other);
  SetMatrix(from.LocalMatrix());
  show_axes_ = other->show_axes_;
  objects_sorting_ = other->objects_sorting_;
  visibility_culling_ = other->visibility_culling_;
  rotation_.SetVectorSilently(other->rotation_.AsVector());
  // The scene follows from where the copy sits in a tree: a detached copy has none.
  if (scene_ != nullptr) scene_->BeginUpdate();
  const TScopeExit end([scene = scene_] {
    if (scene != nullptr) scene->EndUpdate();
  });
  // Counted first: copying an object into itself appends to the very list being copied.
  const int count = other->ChildCount();
  for (int i = 0; i < count; ++i) {
    const TGLBaseSceneObject& source_child = *other->children_[i];
    std::unique_ptr<TGLBaseSceneObject> copy = source_child.NewInstance();
    SceneAssert(std::string_view(copy->ClassName()) == source_child.ClassName(),
                "TGLBaseSceneObject.Assign: a class does not make its own instances");
    copy->Assign(&source_child);
    AppendChild(std::move(copy));
  }
  OnProgress = other->OnProgress;
  if (other->HasBehaviours()) {
    Behaviours().Assign(other->behaviours_.get());
  } else {
    behaviours_.reset();
  }
  if (other->HasEffects()) {
    Effects().Assign(other->effects_.get());
  } else {
    effects_.reset();
  }
}

TGLBehaviours& TGLBaseSceneObject::Behaviours() {
  if (behaviours_ == nullptr) behaviours_ = std::make_unique<TGLBehaviours>(this);
  return *behaviours_;
}

TGLObjectEffects& TGLBaseSceneObject::Effects() {
  if (effects_ == nullptr) effects_ = std::make_unique<TGLObjectEffects>(this);
  return *effects_;
}

bool TGLBaseSceneObject::HasBehaviours() const {
  return behaviours_ != nullptr && behaviours_->Count() > 0;
}

bool TGLBaseSceneObject::HasEffects() const {
  return effects_ != nullptr && effects_->Count() > 0;
}

// ---- Form streaming

namespace {

// Left out only at the stream's default when the object also starts from it: a camera starts looking
// down -z, so one turned to the stream's +z must store it to read back the same.
void WriteCoordinates(TPropertyWriter& w, const char* name, const TGLCoordinates& c, const TVector4f& stored_default) {
  if (c.AsVector() != stored_default || c.AsVector() != c.InitialValue()) {
    w.Data(std::string(name) + ".Coordinates", c);
  }
}

TVector4f ReadVector(const TPropertyValue& value) {
  TMemoryStream stream = AsBinary(value, 16);
  TVector4f v{};
  stream.ReadBuffer(v.data(), 16);
  return v;
}

void WriteXCollection(TPropertyWriter& w, const char* name, const TXCollection& collection) {
  w.Binary(name, [&collection](TStream& s) {
    TBinaryWriter writer(s);
    collection.WriteItems(writer);
  });
}

// The data holds the items and nothing else: bytes left over mean a count below the items written.
void ReadXCollection(TXCollection& collection, const TPropertyValue& value) {
  if (value.tag != vaBinary) RaiseInvalidPropertyValue();
  TMemoryStream stream(value.text);
  TBinaryReader reader(stream);
  collection.ReadItems(reader);
  if (stream.Remaining() != 0) RaiseInvalidItemCount(collection, collection.Count());
}

}  // namespace

void TGLBaseSceneObject::WriteProperties(TPropertyWriter& w) const {
  TGLCoordinatesUpdateAbleComponent::WriteProperties(w);
  WriteCoordinates(w, "Direction", direction_, {0, 0, 1, 0});
  WriteCoordinates(w, "Position", position_, {0, 0, 0, 1});
  WriteCoordinates(w, "Scale", scale_, {1, 1, 1, 0});
  WriteCoordinates(w, "Up", up_, {0, 1, 0, 0});
  if (objects_sorting_ != osInherited) w.Enum("ObjectsSorting", kObjectsSortingNames, objects_sorting_);
  if (visibility_culling_ != vcInherited) w.Enum("VisibilityCulling", kVisibilityCullingNames, visibility_culling_);
  if (!visible_) w.Boolean("Visible", false);
  if (show_axes_) w.Boolean("ShowAxes", true);
  if (tag_float_ != 0) w.Single("TagFloat", tag_float_);
  if (HasBehaviours()) WriteXCollection(w, "BehavioursData", *behaviours_);
  if (HasEffects()) WriteXCollection(w, "EffectsData", *effects_);
}

bool TGLBaseSceneObject::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "Direction.Coordinates") {
    SetDirection(ReadVector(v));
  } else if (name == "Position.Coordinates") {
    SetPosition(ReadVector(v));
  } else if (name == "Scale.Coordinates") {
    const TVector4f s = ReadVector(v);
    scale_.SetVectorXYZW(s[0], s[1], s[2], s[3]);
  } else if (name == "Up.Coordinates") {
    SetUp(ReadVector(v));
  } else if (name == "ObjectsSorting") {
    SetObjectsSorting(AsEnum<TGLObjectsSorting>(kObjectsSortingNames, v));
  } else if (name == "VisibilityCulling") {
    SetVisibilityCulling(AsEnum<TGLVisibilityCulling>(kVisibilityCullingNames, v));
  } else if (name == "Visible") {
    SetVisible(AsBoolean(v));
  } else if (name == "ShowAxes") {
    SetShowAxes(AsBoolean(v));
  } else if (name == "TagFloat") {
    tag_float_ = AsSingle(v);
  } else if (name == "BehavioursData") {
    ReadXCollection(Behaviours(), v);
  } else if (name == "EffectsData") {
    ReadXCollection(Effects(), v);
  } else {
    return TGLCoordinatesUpdateAbleComponent::ReadProperty(name, v);
  }
  return true;
}

void TGLBaseSceneObject::Loaded() {
  TGLCoordinatesUpdateAbleComponent::Loaded();
  if (behaviours_ != nullptr) behaviours_->Loaded();
  if (effects_ != nullptr) effects_->Loaded();
}

std::vector<const TComponent*> TGLBaseSceneObject::GetChildren() const {
  std::vector<const TComponent*> children;
  children.reserve(children_.size());
  for (const auto& child : children_) children.push_back(child.get());
  return children;
}

bool TGLBaseSceneObject::ReadChild(std::unique_ptr<TComponent>& child) {
  auto* object = dynamic_cast<TGLBaseSceneObject*>(child.get());
  if (object == nullptr) return false;
  child.release();
  AppendChild(std::unique_ptr<TGLBaseSceneObject>(object));
  return true;
}

}  // namespace zentrova
