#include "scene/core/selection_names.h"

#include <mutex>
#include <unordered_map>

namespace zentrova {

namespace {

struct TSelectionRegistry {
  std::mutex lock;
  std::unordered_map<std::uint32_t, TGLBaseSceneObject*> objects;
  std::uint32_t next = 1;
};

TSelectionRegistry& Registry() {
  static TSelectionRegistry registry;
  return registry;
}

}  // namespace

std::uint32_t RegisterSelectionName(TGLBaseSceneObject* object) {
  TSelectionRegistry& registry = Registry();
  const std::scoped_lock guard(registry.lock);
  // After 2^32 − 1 objects the counter comes round; it skips 0 and the numbers still in use.
  std::uint32_t name = registry.next;
  while (name == 0 || registry.objects.count(name) != 0) ++name;
  registry.next = name + 1;
  registry.objects.emplace(name, object);
  return name;
}

void UnregisterSelectionName(std::uint32_t name) {
  TSelectionRegistry& registry = Registry();
  const std::scoped_lock guard(registry.lock);
  registry.objects.erase(name);
}

TGLBaseSceneObject* ObjectForSelectionName(std::uint32_t name) {
  TSelectionRegistry& registry = Registry();
  const std::scoped_lock guard(registry.lock);
  const auto it = registry.objects.find(name);
  return it != registry.objects.end() ? it->second : nullptr;
}

}  // namespace zentrova
