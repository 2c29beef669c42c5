// Owned lists of items of one item class, with change notification: every addition, removal or item
// change calls the collection's Update hook unless an update bracket is open.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "scene/base/class_name.h"
#include "scene/base/object_base.h"

namespace zentrova {

class TCollection;

class TCollectionItem : public TPersistent {
 public:
  // Items are made by their collection (Add), which owns them. `collection` is the collection about to
  // take the item: Collection() names it from the constructor on, so subclasses may consult it there.
  explicit TCollectionItem(TCollection* collection) : collection_(collection) {}
  ZENTROVA_CLASS(TCollectionItem)

  TCollection* Collection() const { return collection_; }
  int Index() const;  // −1 outside a collection
  // Unique within the collection: taken from its counter when the item joins, never handed out again.
  int ID() const { return id_; }
  virtual std::string GetDisplayName() const { return ClassName(); }
  TPersistent* GetOwner() const override;
  std::string GetNamePath() const override;

 protected:
  // Tells the collection that this item (or, with all_items, the whole collection) changed.
  void Changed(bool all_items);

 private:
  friend class TCollection;
  TCollection* collection_ = nullptr;
  int id_ = -1;
};

// Creates an item of one class for a collection; the collection's "item class".
using TCollectionItemClass = std::unique_ptr<TCollectionItem> (*)(TCollection* collection);

template <class T>
std::unique_ptr<TCollectionItem> CreateCollectionItem(TCollection* collection) {
  return std::make_unique<T>(collection);
}

class TCollection : public TPersistent {
 public:
  explicit TCollection(TCollectionItemClass item_class);
  // Frees the items, last first, without notifications.
  ~TCollection() override;
  ZENTROVA_CLASS(TCollection)

  TCollectionItemClass ItemClass() const { return item_class_; }
  int Count() const { return static_cast<int>(items_.size()); }
  // Range-checked: an index outside 0 .. Count − 1 raises EListError "List index out of bounds (i)".
  TCollectionItem* Items(int index) const;
  // A new item of the item class, owned by the collection.
  TCollectionItem* Add();
  // Frees the item (range-checked like Items), once it has left the collection and Update has run.
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
  TCollectionItem* InsertItem(std::unique_ptr<TCollectionItem> item);
  std::unique_ptr<TCollectionItem> RemoveItem(int index);

  TCollectionItemClass item_class_;
  std::vector<std::unique_ptr<TCollectionItem>> items_;
  int update_count_ = 0;
  int next_id_ = 0;
};

// A collection that reports an owner (for name paths and change propagation).
class TOwnedCollection : public TCollection {
 public:
  TOwnedCollection(TPersistent* owner, TCollectionItemClass item_class)
      : TCollection(item_class), owner_(owner) {}
  ZENTROVA_CLASS(TOwnedCollection)
  TPersistent* GetOwner() const override { return owner_; }
  std::string GetNamePath() const override;

 private:
  TPersistent* owner_;
};

}  // namespace zentrova
