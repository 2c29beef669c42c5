// The names under which scene objects answer OpenGL picking. A selection name is 32 bits wide, and an
// object's address is not: each object gets a number of its own for its whole life instead, non-zero and
// unique among the living objects, and a pick hit maps back to the object through this registry. Objects
// are made and freed on the GUI thread and on the simulation thread, so the registry is locked.
#pragma once

#include <cstdint>

namespace zentrova {

class TGLBaseSceneObject;

// A number no living object holds, never 0, registered for `object`.
std::uint32_t RegisterSelectionName(TGLBaseSceneObject* object);
// Frees the number; nothing for one not registered.
void UnregisterSelectionName(std::uint32_t name);
// The living object registered under the number, or nullptr.
TGLBaseSceneObject* ObjectForSelectionName(std::uint32_t name);

}  // namespace zentrova
