#include "scene/base/collection.h"

#include <algorithm>

#include "scene/base/scene_errors.h"

namespace zentrova {

int TCollectionItem::Index() const {
  if (collection_ == nullptr) return -1;
  const auto& items = collection_->items_;
  const auto it =
      std::find_if(items.begin(), items.end(), [this](const auto& item) { return item.get() == this; });
  return it == items.end() ? -1 : static_cast<int>(it - items.begin());
}

TPersistent* TCollectionItem::GetOwner() const {
  return collection_;
}

std::string TCollectionItem::GetNamePath() const {
  if (collection_ == nullptr) return TPersistent::GetNamePath();
  return collection_->GetNamePath() + "[" + std::to_string(Index()) + "]";
}

void TCollectionItem::Changed(bool all_items) {
  if (collection_ != nullptr && collection_->update_count_ == 0) {
    collection_->Update(all_items ? nullptr : this);
  }
}

TCollection::TCollection(TCollectionItemClass item_class) : item_class_(item_class) {}

TCollection::~TCollection() {
  update_count_ = 1;
  while (!items_.empty()) RemoveItem(Count() - 1);
}

TCollectionItem* TCollection::Items(int index) const {
  if (index < 0 || index >= Count())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return items_[index].get();
}

TCollectionItem* TCollection::Add() {
  return InsertItem(item_class_(this));
}

void TCollection::Delete(int index) {
  Items(index);  // the range check
  RemoveItem(index);
}

void TCollection::Clear() {
  if (items_.empty()) return;
  BeginUpdate();
  while (!items_.empty()) RemoveItem(Count() - 1);
  EndUpdate();
}

void TCollection::EndUpdate() {
  --update_count_;
  Changed();
}

void TCollection::Changed() {
  if (update_count_ == 0) Update(nullptr);
}

void TCollection::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TCollection*>(source);
  if (other == nullptr) {
    TPersistent::Assign(source);
    return;
  }
  BeginUpdate();
  try {
    Clear();
    for (const auto& item : other->items_) Add()->Assign(item.get());
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

TCollectionItem* TCollection::InsertItem(std::unique_ptr<TCollectionItem> item) {
  SceneAssert(item != nullptr && (item->collection_ == nullptr || item->collection_ == this));
  TCollectionItem* inserted = item.get();
  inserted->collection_ = this;
  inserted->id_ = next_id_++;
  items_.push_back(std::move(item));
  Changed();
  return inserted;
}

std::unique_ptr<TCollectionItem> TCollection::RemoveItem(int index) {
  std::unique_ptr<TCollectionItem> item = std::move(items_[index]);
  items_.erase(items_.begin() + index);
  item->collection_ = nullptr;
  Changed();
  return item;
}

std::string TOwnedCollection::GetNamePath() const {
  if (owner_ != nullptr) {
    const std::string path = owner_->GetNamePath();
    if (!path.empty()) return path + "." + ClassName();
  }
  return ClassName();
}

}  // namespace zentrova
