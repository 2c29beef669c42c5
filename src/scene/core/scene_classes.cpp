#include "scene/core/scene_classes.h"

#include <map>
#include <mutex>

#include "scene/core/camera.h"
#include "scene/core/direct_opengl.h"
#include "scene/core/light_source.h"
#include "scene/core/non_visual_viewer.h"
#include "scene/core/proxy_object.h"
#include "scene/core/stage.h"

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

[[maybe_unused]] const bool registered_at_start = (RegisterSceneClasses(), true);

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

void RegisterSceneClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterComponentClass("TGLLightSource", &NewComponent<TGLLightSource>);
    RegisterComponentClass("TGLCamera", &NewComponent<TGLCamera>);
    RegisterComponentClass("TGLProxyObject", &NewComponent<TGLProxyObject>);
    RegisterComponentClass("TGLStage", &NewComponent<TGLStage>);
    RegisterComponentClass("TGLDirectOpenGL", &NewComponent<TGLDirectOpenGL>);
    RegisterComponentClass("TGLRenderPoint", &NewComponent<TGLRenderPoint>);
    RegisterComponentClass("TGLMemoryViewer", &NewComponent<TGLMemoryViewer>);
  });
}

}  // namespace zentrova
