// The start-up of the scene-object library: its concrete classes registered by name with the
// scene graph's component registry (scene_classes.h), so that a scene description naming them can be read. A static library drops unused static initialisers, so the
// program and the tests call the registration themselves, once or more. The base classes
// (TGLQuadricObject, TGLLineBase, TGLNodedLines, TGLPolygonBase), the point parameters and the node
// classes are not registered.
#pragma once

#include <memory>
#include <string>

#include "scene/core/scene_object.h"

namespace zentrova {

// TGLSphere, TGLCube, TGLPlane, TGLSprite, TGLPoints, TGLDummyCube, TGLLines and TGLSpaceText; later
// calls do nothing.
void RegisterSceneObjectClasses();

// A new object of the class registered under exactly that name in the component registry; nullptr for a
// name that is not registered or whose class is no scene object.
std::unique_ptr<TGLBaseSceneObject> CreateSceneObject(const std::string& class_name);

}  // namespace zentrova
