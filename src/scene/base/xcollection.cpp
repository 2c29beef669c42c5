#include "scene/base/xcollection.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <typeinfo>

#include "scene/base/scene_errors.h"

namespace zentrova {

namespace {

struct XCollectionRegistry {
  std::mutex mutex;
  std::vector<const TXCollectionItemClass*> classes;
  std::function<void(TXCollection*)> destroy_event;
};

XCollectionRegistry& Registry() {
  static XCollectionRegistry registry;
  return registry;
}

// The base item's class: it has no kind of its own.
class TXCollectionItemBaseClass : public TXCollectionItemClass {
 public:
  TXCollectionItemBaseClass() : TXCollectionItemClass("TXCollectionItem", nullptr) {}
  std::string KindName() const override { throw EAssertionFailed("Abstract error", __FILE__, __LINE__); }

 protected:
  std::unique_ptr<TXCollectionItem> NewItem() const override { return std::make_unique<TXCollectionItem>(); }
};

}  // namespace

bool TXCollectionItemClass::InheritsFrom(const TXCollectionItemClass& other) const {
  for (const TXCollectionItemClass* c = this; c != nullptr; c = c->parent_) {
    if (c == &other) return true;
  }
  return false;
}

std::unique_ptr<TXCollectionItem> TXCollectionItemClass::Create() const {
  std::unique_ptr<TXCollectionItem> item = NewItem();
  item->name_ = KindName();
  return item;
}

TXCollectionItem& TXCollectionItemClass::Create(TXCollection& owner) const {
  SceneAssert(owner.Accepts(*this),
              std::string("Addition of ") + ClassName() + " to " + owner.ClassName() + " rejected.");
  std::unique_ptr<TXCollectionItem> item = Create();
  item->owner_ = &owner;
  owner.items_.push_back(std::move(item));
  return *owner.items_.back();
}

const TXCollectionItemClass& TXCollectionItem::StaticClass() {
  static const TXCollectionItemBaseClass base;
  return base;
}

int TXCollectionItem::Index() const {
  return owner_ != nullptr ? owner_->IndexOf(this) : -1;
}

void TXCollectionItem::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TXCollectionItem*>(source)) {
    name_ = other->name_;
    return;
  }
  TPersistent::Assign(source);
}

void TXCollectionItem::WriteItem(TVirtualWriter& writer) const {
  writer.WriteInteger(0);
  writer.WriteString(name_);
}

void TXCollectionItem::ReadItem(TVirtualReader& reader) {
  SceneAssert(reader.ReadInteger() == 0);
  name_ = reader.ReadString();
}

TPersistent* TXCollectionItem::GetOwner() const {
  return owner_;
}

std::string TXCollectionItem::GetNamePath() const {
  if (owner_ == nullptr) return TPersistent::GetNamePath();
  return owner_->GetNamePath() + "[" + std::to_string(Index()) + "]";
}

TXCollection::~TXCollection() {
  // Copied so that a handler may change the event without pulling it from under us.
  const auto event = Registry().destroy_event;
  if (event) event(this);
  Clear();
}

std::string TXCollection::GetNamePath() const {
  if (owner_ != nullptr) {
    const std::string path = owner_->GetNamePath();
    if (!path.empty()) return path + ".XCollection";
  }
  return ClassName();
}

bool TXCollection::Accepts(const TXCollectionItemClass& item_class) const {
  if (!item_class.AcceptsCollection(this)) return false;
  if (item_class.IsUnique()) {
    for (const auto& item : items_) {
      if (item->ItemClass().InheritsFrom(item_class)) return false;
    }
  }
  for (const auto& item : items_) {
    if (item->ItemClass().IsUnique() && item_class.InheritsFrom(item->ItemClass())) return false;
  }
  return true;
}

int TXCollection::IndexOf(const TXCollectionItem* item) const {
  const auto it =
      std::find_if(items_.begin(), items_.end(), [item](const auto& own) { return own.get() == item; });
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TXCollection::Delete(int index) {
  Items(index)->owner_ = nullptr;
  items_.erase(items_.begin() + index);
}

void TXCollection::Clear() {
  while (!items_.empty()) {
    std::unique_ptr<TXCollectionItem> item = std::move(items_.back());
    items_.pop_back();
    item->owner_ = nullptr;
  }
}

void TXCollection::Loaded() {
  for (const auto& item : items_) item->Loaded();
}

void TXCollection::Assign(const TPersistent* source) {
  if (source == nullptr) {
    Clear();
    return;
  }
  if (typeid(*source) != typeid(*this)) {
    TPersistent::Assign(source);
    return;
  }
  const auto* other = static_cast<const TXCollection*>(source);
  Clear();
  items_.reserve(other->items_.size());
  for (const auto& from : other->items_) from->ItemClass().Create(*this).Assign(from.get());
}

void TXCollection::WriteItems(TVirtualWriter& writer) const {
  writer.WriteInteger(Count());
  std::vector<const TXCollectionItemClass*> classes;
  for (const auto& item : items_) {
    const TXCollectionItemClass* item_class = &item->ItemClass();
    const auto known = std::find(classes.begin(), classes.end(), item_class);
    if (known == classes.end()) {
      writer.WriteString(item_class->ClassName());
      classes.push_back(item_class);
    } else {
      writer.WriteInteger(static_cast<std::int32_t>(known - classes.begin()));
    }
    item->WriteItem(writer);
  }
}

void TXCollection::ReadItems(TVirtualReader& reader) {
  Clear();
  const std::int32_t count = reader.ReadInteger();
  // Every item takes at least one byte: a count that the data cannot hold is damaged.
  if (count < 0 || count > reader.Stream().Remaining()) RaiseInvalidItemCount(*this, count);
  std::vector<const TXCollectionItemClass*> classes;
  for (std::int32_t n = 0; n < count; ++n) {
    const TXCollectionItemClass* item_class = nullptr;
    const std::uint8_t tag = reader.NextValue();
    if (tag == vaString || tag == vaLString) {
      const std::string name = reader.ReadString();
      item_class = FindXCollectionItemClass(name);
      SceneAssert(item_class != nullptr,
                  "Class " + name + " unknown. Add the relevant unit to your \"uses\".");
      classes.push_back(item_class);
    } else {
      const std::int32_t index = reader.ReadInteger();
      if (index < 0 || index >= static_cast<std::int32_t>(classes.size())) {
        throw EFilerException(std::string(ClassName()) + " : class index " + std::to_string(index) +
                              " out of range");
      }
      item_class = classes[index];
    }
    item_class->Create(*this).ReadItem(reader);
  }
}

void RaiseInvalidItemCount(const TXCollection& collection, std::int64_t count) {
  throw EReadError(std::string(collection.ClassName()) + " : invalid item count " + std::to_string(count));
}

void RegisterXCollectionItemClass(const TXCollectionItemClass& item_class) {
  XCollectionRegistry& registry = Registry();
  const std::lock_guard<std::mutex> lock(registry.mutex);
  if (std::find(registry.classes.begin(), registry.classes.end(), &item_class) == registry.classes.end()) {
    registry.classes.push_back(&item_class);
  }
}

void UnregisterXCollectionItemClass(const TXCollectionItemClass& item_class) {
  XCollectionRegistry& registry = Registry();
  const std::lock_guard<std::mutex> lock(registry.mutex);
  std::erase(registry.classes, &item_class);
}

const TXCollectionItemClass* FindXCollectionItemClass(const std::string& class_name) {
  XCollectionRegistry& registry = Registry();
  const std::lock_guard<std::mutex> lock(registry.mutex);
  for (const TXCollectionItemClass* c : registry.classes) {
    if (class_name == c->ClassName()) return c;
  }
  return nullptr;
}

void SetXCollectionDestroyEvent(std::function<void(TXCollection*)> event) {
  XCollectionRegistry& registry = Registry();
  const std::lock_guard<std::mutex> lock(registry.mutex);
  registry.destroy_event = std::move(event);
}

}  // namespace zentrova
