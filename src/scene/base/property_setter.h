// The setter of a published property in one call: compare, store, tell.
//   void TGLFog::SetFogStart(float value) { SetProperty(fog_start_, value, NotifyChangeOf(this)); }
//   void TGLSphere::SetRadius(float value) { SetProperty(radius_, value, StructureChangeOf(this)); }
//   void TGLFoo::SetBar(int value) { SetProperty(bar_, value, [this] { BuildBar(); }); }
// A property with a range is brought into it first and compared after, so that a value outside the range
// that clamps to the stored one changes nothing and tells no one:
//   void TGLPolygonBase::SetDivision(int value) { SetProperty(division_, std::max(value, 1), StructureChangeOf(this)); }
#pragma once

#include <functional>
#include <utility>

namespace zentrova {

// Stores `value` in `field` and then calls `changed`, unless they are equal already; true when it stored.
template <class T, class U, class Changed>
bool SetProperty(T& field, U&& value, Changed&& changed) {
  if (field == value) return false;
  field = std::forward<U>(value);
  std::invoke(std::forward<Changed>(changed));
  return true;
}

// The usual change notice: the object tells its owner chain that it changed (NotifyChange(object)).
template <class O>
auto NotifyChangeOf(O* object) {
  return [object] { object->NotifyChange(object); };
}

// A change of what an object draws: its display list is built again (MarkStructureDirty()).
template <class O>
auto StructureChangeOf(O* object) {
  return [object] { object->MarkStructureDirty(); };
}

}  // namespace zentrova
