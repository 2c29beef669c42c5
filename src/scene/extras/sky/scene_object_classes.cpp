#include "scene/extras/sky/scene_object_classes.h"

#include <map>
#include <mutex>

#include "scene/extras/mesh/immediate_mesh.h"
#include "scene/extras/mesh/particles.h"
#include "scene/extras/sky/earth_sky_dome.h"
#include "scene/extras/sky/sky_dome.h"

namespace zentrova {

namespace {

struct TSceneObjectRegistry {
  std::mutex lock;
  std::map<std::string, TSceneObjectFactory> classes;
};

TSceneObjectRegistry& Registry() {
  static TSceneObjectRegistry registry;
  return registry;
}

}  // namespace

void RegisterSceneObjectClass(const std::string& class_name, TSceneObjectFactory factory) {
  TSceneObjectRegistry& registry = Registry();
  const std::scoped_lock guard(registry.lock);
  registry.classes[class_name] = factory;
}

TSceneObjectFactory GetSceneObjectClass(const std::string& class_name) {
  TSceneObjectRegistry& registry = Registry();
  const std::scoped_lock guard(registry.lock);
  const auto it = registry.classes.find(class_name);
  return it != registry.classes.end() ? it->second : nullptr;
}

void RegisterParticleMeshAndSkyClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterSceneObjectClass("TGLParticles", &NewSceneObject<TGLParticles>);
    RegisterSceneObjectClass("TGLMesh", &NewSceneObject<TGLMesh>);
    RegisterSceneObjectClass("TGLSkyDome", &NewSceneObject<TGLSkyDome>);
    RegisterSceneObjectClass("TGLEarthSkyDome", &NewSceneObject<TGLEarthSkyDome>);
  });
}

}  // namespace zentrova
