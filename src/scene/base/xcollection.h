// Extensible collections: owned, polymorphic lists of items of different classes (the behaviours and
// effects of scene objects). Items may declare themselves unique in a collection and may refuse a
// collection. A collection streams each item's class by name the first time it occurs.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "scene/base/class_name.h"
#include "scene/base/object_base.h"
#include "scene/base/persistent_classes.h"

namespace zentrova {

class TXCollection;
class TXCollectionItem;

// The class of an item with its class-level operations. Each item class derives its own class object
// from its parent's and returns a single instance of it from StaticClass.
class TXCollectionItemClass {
 public:
  TXCollectionItemClass(const char* class_name, const TXCollectionItemClass* parent)
      : class_name_(class_name), parent_(parent) {}
  TXCollectionItemClass(const TXCollectionItemClass&) = delete;
  TXCollectionItemClass& operator=(const TXCollectionItemClass&) = delete;
  virtual ~TXCollectionItemClass() = default;

  const char* ClassName() const { return class_name_; }
  const TXCollectionItemClass* Parent() const { return parent_; }
  // True for this class and its descendants.
  bool InheritsFrom(const TXCollectionItemClass& other) const;

  // A new item of this class, named after its kind, owned by the caller.
  std::unique_ptr<TXCollectionItem> Create() const;
  // The same, appended to the collection, which owns it. The collection must accept the class
  // ("Addition of <item class> to <collection class> rejected." otherwise).
  TXCollectionItem& Create(TXCollection& owner) const;

  virtual std::string KindName() const = 0;
  virtual std::string KindDescription() const { return KindName(); }
  virtual std::string Category() const { return {}; }
  // At most one item of a unique class (or of its descendants) per collection.
  virtual bool IsUnique() const { return false; }
  virtual bool AcceptsCollection(const TXCollection* collection) const { return true; }

 protected:
  virtual std::unique_ptr<TXCollectionItem> NewItem() const = 0;

 private:
  const char* class_name_;
  const TXCollectionItemClass* parent_;
};

class TXCollectionItem : public TPersistent {
 public:
  TXCollectionItem() = default;
  ZENTROVA_CLASS(TXCollectionItem)

  static const TXCollectionItemClass& StaticClass();
  virtual const TXCollectionItemClass& ItemClass() const { return StaticClass(); }

  TXCollection* Owner() const { return owner_; }
  int Index() const;  // −1 without a collection
  const std::string& Name() const { return name_; }
  virtual void SetName(const std::string& name) { name_ = name; }

  // From another item: its name.
  void Assign(const TPersistent* source) override;
  // Archive version 0, then the name.
  virtual void WriteItem(TVirtualWriter& writer) const;
  // The version must be 0 ("Assertion failure" otherwise), then the name.
  virtual void ReadItem(TVirtualReader& reader);
  virtual void Loaded() {}

  TPersistent* GetOwner() const override;
  std::string GetNamePath() const override;

 private:
  friend class TXCollection;
  friend class TXCollectionItemClass;
  TXCollection* owner_ = nullptr;
  std::string name_;
};

class TXCollection : public TPersistent {
 public:
  explicit TXCollection(TPersistent* owner) : owner_(owner) {}
  // Calls the destroy-notification event, then frees the items, last first.
  ~TXCollection() override;
  ZENTROVA_CLASS(TXCollection)

  TPersistent* Owner() const { return owner_; }
  TPersistent* GetOwner() const override { return owner_; }
  std::string GetNamePath() const override;

  virtual const TXCollectionItemClass& BaseItemClass() const { return TXCollectionItem::StaticClass(); }
  // Whether an item of the class may join: the class accepts this collection, a unique class has no
  // item of its own kind here yet, and no unique item's class is an ancestor of it.
  virtual bool Accepts(const TXCollectionItemClass& item_class) const;

  int Count() const { return static_cast<int>(items_.size()); }
  TXCollectionItem* Items(int index) const { return items_.at(static_cast<std::size_t>(index)).get(); }
  int IndexOf(const TXCollectionItem* item) const;
  // Frees the item.
  void Delete(int index);
  void Clear();
  void Loaded();

  // From a collection of exactly this class: its items re-created and assigned. nullptr clears.
  void Assign(const TPersistent* source) override;

  // Item count, then per item its class (the name the first time, afterwards the class's index in
  // order of first appearance) and its own content.
  void WriteItems(TVirtualWriter& writer) const;
  // Clears first. A negative count, or one above the bytes left in the reader's stream, raises
  // EReadError "<collection class> : invalid item count <n>"; an unregistered class name raises "Class
  // <name> unknown. Add the relevant unit to your "uses"."; a class index outside the table read so far
  // raises EFilerException.
  void ReadItems(TVirtualReader& reader);

 private:
  friend class TXCollectionItemClass;
  friend class TXCollectionItem;

  TPersistent* owner_;
  std::vector<std::unique_ptr<TXCollectionItem>> items_;
};

// EReadError "<collection class> : invalid item count <count>".
[[noreturn]] void RaiseInvalidItemCount(const TXCollection& collection, std::int64_t count);

// The process-wide registry of item classes, found by exact class name.
void RegisterXCollectionItemClass(const TXCollectionItemClass& item_class);
void UnregisterXCollectionItemClass(const TXCollectionItemClass& item_class);
const TXCollectionItemClass* FindXCollectionItemClass(const std::string& class_name);
// Called with every collection being destroyed, when set.
void SetXCollectionDestroyEvent(std::function<void(TXCollection*)> event);

}  // namespace zentrova
