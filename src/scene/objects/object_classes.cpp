#include "scene/objects/object_classes.h"

#include <mutex>

#include "scene/core/scene_classes.h"
#include "scene/objects/cube.h"
#include "scene/objects/dummy_cube.h"
#include "scene/objects/lines.h"
#include "scene/objects/plane.h"
#include "scene/objects/points.h"
#include "scene/objects/space_text.h"
#include "scene/objects/sphere.h"
#include "scene/objects/sprite.h"

namespace zentrova {

void RegisterSceneObjectClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterComponentClass("TGLSphere", &NewComponent<TGLSphere>);
    RegisterComponentClass("TGLCube", &NewComponent<TGLCube>);
    RegisterComponentClass("TGLPlane", &NewComponent<TGLPlane>);
    RegisterComponentClass("TGLSprite", &NewComponent<TGLSprite>);
    RegisterComponentClass("TGLPoints", &NewComponent<TGLPoints>);
    RegisterComponentClass("TGLDummyCube", &NewComponent<TGLDummyCube>);
    RegisterComponentClass("TGLLines", &NewComponent<TGLLines>);
    RegisterComponentClass("TGLSpaceText", &NewComponent<TGLSpaceText>);
  });
}

std::unique_ptr<TGLBaseSceneObject> CreateSceneObject(const std::string& class_name) {
  const TComponentFactory factory = GetComponentClass(class_name);
  if (factory == nullptr) return nullptr;
  std::unique_ptr<TComponent> component = factory();
  if (dynamic_cast<TGLBaseSceneObject*>(component.get()) == nullptr) return nullptr;
  return std::unique_ptr<TGLBaseSceneObject>(static_cast<TGLBaseSceneObject*>(component.release()));
}

}  // namespace zentrova
