// Scene-object classes by name, so that a scene description can name the classes it holds, and the
// start-up registration of the particle, immediate-mode mesh and sky classes. A static library drops
// static initialisers nobody refers to, so the program and tests call the registration themselves.
#pragma once

#include <memory>
#include <string>

#include "scene/core/scene_object.h"

namespace zentrova {

using TSceneObjectFactory = std::unique_ptr<TGLBaseSceneObject> (*)();

// A later registration of the same name replaces the earlier one.
void RegisterSceneObjectClass(const std::string& class_name, TSceneObjectFactory factory);
template <class T>
std::unique_ptr<TGLBaseSceneObject> NewSceneObject() {
  return std::make_unique<T>();
}
// The factory registered under exactly that name, or nullptr.
TSceneObjectFactory GetSceneObjectClass(const std::string& class_name);

// TGLParticles, TGLMesh, TGLSkyDome and TGLEarthSkyDome. Later calls do nothing.
void RegisterParticleMeshAndSkyClasses();

}  // namespace zentrova
