// The registry through which a scene description names its component classes, and the scene library's
// start-up, which registers its own: lights, cameras, proxies, scenes, direct-OpenGL objects, render
// points and memory viewers.
#pragma once

#include <memory>
#include <string>

#include "scene/base/component.h"

namespace zentrova {

using TComponentFactory = std::unique_ptr<TComponent> (*)();

// Registers a class under its name (a later registration of the same name replaces the earlier one).
void RegisterComponentClass(const std::string& class_name, TComponentFactory factory);
template <class T>
std::unique_ptr<TComponent> NewComponent() {
  return std::make_unique<T>();
}
// The factory registered under exactly that name, or nullptr.
TComponentFactory GetComponentClass(const std::string& class_name);

// Registers the scene library's seven classes; runs once when the program starts, later calls do
// nothing.
void RegisterSceneClasses();

}  // namespace zentrova
