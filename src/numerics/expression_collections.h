// Small pointer collections of the expression parser: an owning list, a list that refers to items owned
// elsewhere, and a sorted list with a bisection search.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/exception.h"

namespace zentrova {

// Owns its items: removing them through AtFree or FreeAll, or destroying the collection, frees them.
template <typename T>
class TOCollection {
 public:
  explicit TOCollection(int capacity = 0) {
    if (capacity > 0) items_.reserve(static_cast<std::size_t>(capacity));
  }
  TOCollection(const TOCollection&) = delete;
  TOCollection& operator=(const TOCollection&) = delete;
  // A derived collection that overrides FreeItem frees in its own destructor: once this one runs, the
  // override is gone.
  virtual ~TOCollection() { FreeAll(); }

  virtual void FreeItem(T* item) { delete item; }

  int Count() const { return static_cast<int>(items_.size()); }
  T* At(int index) const { return items_[static_cast<std::size_t>(CheckedIndex(index, false))]; }
  void Add(T* item) { items_.push_back(item); }
  void InsertAt(int index, T* item) { items_.insert(items_.begin() + CheckedIndex(index, true), item); }
  // Removes without freeing.
  void Delete(int index) { items_.erase(items_.begin() + CheckedIndex(index, false)); }
  // Position of this very item, or -1.
  int IndexOfItem(const T* item) const {
    for (std::size_t i = 0; i < items_.size(); ++i) {
      if (items_[i] == item) return static_cast<int>(i);
    }
    return -1;
  }
  void AtFree(int index) {
    T* item = At(index);
    Delete(index);
    FreeItem(item);
  }
  void FreeAll() {
    // The list is emptied first, so that an item's destructor never sees a half-freed list.
    std::vector<T*> items;
    items.swap(items_);
    for (T* item : items) {
      if (item != nullptr) FreeItem(item);
    }
  }

  typename std::vector<T*>::const_iterator begin() const { return items_.begin(); }
  typename std::vector<T*>::const_iterator end() const { return items_.end(); }

 private:
  std::ptrdiff_t CheckedIndex(int index, bool may_be_end) const {
    const std::size_t limit = items_.size() + (may_be_end ? 1 : 0);
    if (index < 0 || static_cast<std::size_t>(index) >= limit) {
      throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    }
    return index;
  }

  std::vector<T*> items_;
};

// Refers to items that live elsewhere: nothing is freed.
template <typename T>
class TNoOwnerCollection : public TOCollection<T> {
 public:
  using TOCollection<T>::TOCollection;
  ~TNoOwnerCollection() override { this->FreeAll(); }
  void FreeItem(T*) override {}
};

// Kept sorted by Compare over KeyOf. Without Duplicates a key is held at most once.
template <typename T, typename Key = const T*>
class TSortedCollection : public TOCollection<T> {
 public:
  using TOCollection<T>::TOCollection;

  bool Duplicates = false;

  virtual int Compare(Key key1, Key key2) const = 0;

  // Without Duplicates the position of the equal key; with Duplicates the position of this very item
  // among the equal keys. -1 when absent.
  virtual int IndexOf(const T* item) const {
    int index = 0;
    if (!Search(KeyOf(item), index)) return -1;
    if (Duplicates) {
      while (index < this->Count() && this->At(index) != item) ++index;
      if (index >= this->Count()) return -1;
    }
    return index;
  }

  // False when the key is already there and Duplicates is off: the item is then not taken, and the
  // caller still owns it.
  virtual bool Insert(T* item) {
    int index = 0;
    if (Search(KeyOf(item), index) && !Duplicates) return false;
    this->InsertAt(index, item);
    return true;
  }

  // Takes the item out that holds the same key (returned, now owned by the caller; null when there was
  // none), then inserts the new one.
  virtual T* ReplaceOrInsert(T* item) {
    T* removed = nullptr;
    int index = 0;
    if (Search(KeyOf(item), index)) {
      removed = this->At(index);
      this->Delete(index);
    }
    Insert(item);
    return removed;
  }

  virtual Key KeyOf(const T* item) const {
    if constexpr (std::is_convertible_v<const T*, Key>) {
      return item;
    } else {
      throw std::logic_error("TSortedCollection.KeyOf: a collection with its own key type overrides KeyOf");
    }
  }

  // Bisection over the whole list. index is the position of the equal key (with Duplicates the first of
  // several) or the position where the key would be inserted.
  virtual bool Search(Key key, int& index) const {
    int low = 0;
    int high = this->Count() - 1;
    bool found = false;
    while (low <= high) {
      const int middle = low + (high - low) / 2;
      const int c = Compare(KeyOf(this->At(middle)), key);
      if (c < 0) {
        low = middle + 1;
      } else {
        high = middle - 1;
        if (c == 0) {
          found = true;
          if (!Duplicates) low = middle;
        }
      }
    }
    index = low;
    return found;
  }
};

}  // namespace zentrova
