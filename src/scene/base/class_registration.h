// How a class of the scene library registers its factory, in its own files only (its name and virtual
// constructor come from class_name.h).
//
// In its .cpp, inside namespace zentrova, one line registers the name with the component registry (for
// components: form streams and scene descriptions create them by name) or the archive registry (for
// persistent objects: object-list archives do):
//   ZENTROVA_REGISTER_CLASS(TGLFoo);
// The registration runs when the program starts, for every class whose files are linked; a class in a
// static library is linked when anything in the program uses it.
#pragma once

#include <memory>
#include <string>
#include <type_traits>

#include "scene/base/class_name.h"
#include "scene/base/component.h"
#include "scene/base/persistent_classes.h"

namespace zentrova {

using TComponentFactory = std::unique_ptr<TComponent> (*)();

// Registers a component class under its name (a later registration of the same name replaces the earlier
// one).
void RegisterComponentClass(const std::string& class_name, TComponentFactory factory);
template <class T>
std::unique_ptr<TComponent> NewComponent() {
  return std::make_unique<T>();
}
// The factory registered under exactly that name, or nullptr.
TComponentFactory GetComponentClass(const std::string& class_name);

// Registers T under T::StaticClassName() when constructed: components with the component registry,
// persistent objects with the archive registry.
template <class T>
struct TClassRegistrar {
  TClassRegistrar() {
    static_assert(std::is_base_of_v<TComponent, T> || std::is_base_of_v<TPersistentObject, T>,
                  "only components and persistent objects are created by name");
    if constexpr (std::is_base_of_v<TComponent, T>) {
      RegisterComponentClass(T::StaticClassName(), &NewComponent<T>);
    } else {
      RegisterClass(T::StaticClassName(), []() -> std::unique_ptr<TPersistentObject> { return std::make_unique<T>(); });
    }
  }
};

}  // namespace zentrova

// Registers the class by its name when the program starts; at namespace scope in the class's .cpp.
#define ZENTROVA_REGISTER_CLASS(Class) \
  [[maybe_unused]] static const ::zentrova::TClassRegistrar<Class> zentrova_registrar_##Class {}
