// The hits of a pick: for every object drawn inside the pick rectangle, the object, the selection names
// it pushed below its own (its sub-objects) and the depth range of its hit.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace zentrova {

class TGLBaseSceneObject;

struct TPickRecord {
  TGLBaseSceneObject* AObject = nullptr;
  std::vector<std::uint32_t> SubObjects;
  float zNear = 0;  // 0 .. 1
  float zFar = 0;
};

enum TPickSortType : std::uint8_t { psDefault, psName, psMinDepth, psMaxDepth };

class TGLPickList {
 public:
  // The list keeps its records sorted by this mode, whatever mode other lists use.
  explicit TGLPickList(TPickSortType sort_type) : sort_type_(sort_type) {}

  TPickSortType SortType() const { return sort_type_; }
  // A new record (the names copied), placed by the sort mode: after every record whose key is not
  // greater (by name without regard to letter case, zNear or zFar); at the end for psDefault.
  void AddHit(TGLBaseSceneObject* object, const std::vector<std::uint32_t>& sub_objects, float z_near,
              float z_far);
  void Clear() { records_.clear(); }
  void Reserve(int capacity) { records_.reserve(static_cast<std::size_t>(capacity)); }
  int Count() const { return static_cast<int>(records_.size()); }
  const TPickRecord& Record(int index) const { return *records_.at(static_cast<std::size_t>(index)); }
  TGLBaseSceneObject* Hit(int index) const { return Record(index).AObject; }

 private:
  TPickSortType sort_type_;
  std::vector<std::unique_ptr<TPickRecord>> records_;
};

}  // namespace zentrova
