#include "scene/core/pick_list.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "scene/core/scene_object.h"

namespace zentrova {

namespace {

// CompareText's order: byte by byte with ASCII letters folded to upper case.
bool NameLess(const TGLBaseSceneObject* a, const TGLBaseSceneObject* b) {
  const std::string& x = a->Name();
  const std::string& y = b->Name();
  return std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end(), [](char p, char q) {
    return std::toupper(static_cast<unsigned char>(p)) < std::toupper(static_cast<unsigned char>(q));
  });
}

}  // namespace

void TGLPickList::AddHit(TGLBaseSceneObject* object, const std::vector<std::uint32_t>& sub_objects,
                         float z_near, float z_far) {
  auto record = std::make_unique<TPickRecord>(TPickRecord{object, sub_objects, z_near, z_far});
  const auto less = [this](const std::unique_ptr<TPickRecord>& a, const std::unique_ptr<TPickRecord>& b) {
    switch (sort_type_) {
      case psName:
        return a->AObject != nullptr && b->AObject != nullptr && NameLess(a->AObject, b->AObject);
      case psMinDepth:
        return a->zNear < b->zNear;
      case psMaxDepth:
        return a->zFar < b->zFar;
      default:
        return false;
    }
  };
  records_.insert(std::upper_bound(records_.begin(), records_.end(), record, less), std::move(record));
}

}  // namespace zentrova
