#include "scene/objects/object_classes.h"

#include <map>
#include <mutex>

#include "scene/objects/cube.h"
#include "scene/objects/dummy_cube.h"
#include "scene/objects/lines.h"
#include "scene/objects/plane.h"
#include "scene/objects/points.h"
#include "scene/objects/space_text.h"
#include "scene/objects/sphere.h"
#include "scene/objects/sprite.h"

namespace zentrova {

namespace {

using TSceneObjectFactory = std::unique_ptr<TGLBaseSceneObject> (*)();

template <class T>
std::unique_ptr<TGLBaseSceneObject> NewSceneObject() {
  return std::make_unique<T>();
}

struct TRegistry {
  std::mutex lock;
  std::map<std::string, TSceneObjectFactory> classes;
};

TRegistry& Registry() {
  static TRegistry registry;
  return registry;
}

template <class T>
void Register(TRegistry& registry) {
  registry.classes[T().ClassName()] = &NewSceneObject<T>;
}

}  // namespace

void RegisterSceneObjectClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    TRegistry& registry = Registry();
    const std::scoped_lock guard(registry.lock);
    Register<TGLSphere>(registry);
    Register<TGLCube>(registry);
    Register<TGLPlane>(registry);
    Register<TGLSprite>(registry);
    Register<TGLPoints>(registry);
    Register<TGLDummyCube>(registry);
    Register<TGLLines>(registry);
    Register<TGLSpaceText>(registry);
  });
}

std::unique_ptr<TGLBaseSceneObject> CreateSceneObject(const std::string& class_name) {
  TRegistry& registry = Registry();
  const std::scoped_lock guard(registry.lock);
  const auto it = registry.classes.find(class_name);
  return it != registry.classes.end() ? it->second() : nullptr;
}

}  // namespace zentrova
