
#include <map>
#include <mutex>

#include "scene/base/class_registration.h"

namespace zentrova {

namespace {

struct TComponentRegistry {
  std::mutex lock;
  std::map<std::string, TComponentFactory> classes;
};

TComponentRegistry& Registry() {
  static TComponentRegistry registry;
  return registry;
}

}  // namespace

void RegisterComponentClass(const std::string& class_name, TComponentFactory factory) {
  TComponentRegistry& registry = Registry();
  const std::scoped_lock guard(registry.lock);
  registry.classes[class_name] = factory;
}

TComponentFactory GetComponentClass(const std::string& class_name) {
  TComponentRegistry& registry = Registry();
  const std::scoped_lock guard(registry.lock);
  const auto it = registry.classes.find(class_name);
  return it != registry.classes.end() ? it->second : nullptr;
}

}  // namespace zentrova
