// Owned lists of items of one item class, with change notification: every addition, removal or item
// change calls the collection's Update hook unless an update bracket is open.
#pragma once

#include <string>
#include <vector>

#include "scene/base/object_base.h"

namespace zentrova {

class TCollection;

class TCollectionItem : public TPersistent {
 public:
  // Joins the collection (when given) as its last item.
  explicit TCollectionItem(TCollection* collection);
  // Leaves its collection.
  ~TCollectionItem() override;
  const char* ClassName() const override { return "TCollectionItem"; }

  TCollection* Collection() const { return collection_; }
  int Index() const;  // −1 without a collection
  virtual std::string GetDisplayName() const { return ClassName(); }
  TPersistent* GetOwner() const override;
  std::string GetNamePath() const override;

 protected:
  // Tells the collection that this item (or, with all_items, the whole collection) changed.
  void Changed(bool all_items);

 private:
  friend class TCollection;
  TCollection* collection_ = nullptr;
};

// Creates an item of one class in a collection; the collection's "item class".
using TCollectionItemClass = TCollectionItem* (*)(TCollection* collection);

template <class T>
TCollectionItem* CreateCollectionItem(TCollection* collection) {
  return new T(collection);
}

class TCollection : public TPersistent {
 public:
  explicit TCollection(TCollectionItemClass item_class);
  // Frees the items without notifications.
  ~TCollection() override;
  const char* ClassName() const override { return "TCollection"; }

  TCollectionItemClass ItemClass() const { return item_class_; }
  int Count() const { return static_cast<int>(items_.size()); }
  // Range-checked: an index outside 0 .. Count − 1 raises EListError "List index out of bounds (i)".
  TCollectionItem* Items(int index) const;
  TCollectionItem* Add();
  void Delete(int index);
  void Clear();
  void BeginUpdate() { ++update_count_; }
  virtual void EndUpdate();
  int UpdateCount() const { return update_count_; }
  // From another collection: its items re-created with this collection's item class and assigned.
  void Assign(const TPersistent* source) override;

 protected:
  // The change hook: item is the changed item, or nullptr when the collection as a whole changed.
  virtual void Update(TCollectionItem* item) {}
  void Changed();

 private:
  friend class TCollectionItem;
  void InsertItem(TCollectionItem* item);
  void RemoveItem(TCollectionItem* item);

  TCollectionItemClass item_class_;
  std::vector<TCollectionItem*> items_;
  int update_count_ = 0;
};

// A collection that reports an owner (for name paths and change propagation).
class TOwnedCollection : public TCollection {
 public:
  TOwnedCollection(TPersistent* owner, TCollectionItemClass item_class)
      : TCollection(item_class), owner_(owner) {}
  const char* ClassName() const override { return "TOwnedCollection"; }
  TPersistent* GetOwner() const override { return owner_; }
  std::string GetNamePath() const override;

 private:
  TPersistent* owner_;
};

}  // namespace zentrova
