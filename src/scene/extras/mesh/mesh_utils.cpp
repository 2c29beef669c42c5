#include "scene/extras/mesh/mesh_utils.h"

#include <string>

#include "scene/base/scene_errors.h"

namespace zentrova {

namespace {

template <class Point>
void AppendStrip(int n, Point point, TAffineVectorList& list) {
  list.SetCapacity(list.Count() + 3 * (n - 2));
  for (int i = 0; i + 2 < n; ++i) {
    if ((i & 1) == 0) {
      list.Add(point(i), point(i + 1), point(i + 2));
    } else {
      list.Add(point(i + 2), point(i + 1), point(i));
    }
  }
}

}  // namespace

void ConvertStripToList(const TAffineVectorList& strip, TAffineVectorList& list) {
  AppendStrip(strip.Count(), [&](int i) { return strip[i]; }, list);
}

void ConvertIndexedStripToList(const TAffineVectorList& vertices, const TIntegerList& indices,
                               TAffineVectorList& list) {
  AppendStrip(indices.Count(), [&](int i) { return vertices[indices[i]]; }, list);
}

void RefuseNilItems(TPersistentObjectList& list) {
  bool found = false;
  for (int i = list.Count() - 1; i >= 0; --i) {
    if (list.Get(i) == nullptr) {
      list.Delete(i);
      found = true;
    }
  }
  if (found) throw EFilerException(std::string(list.ClassName()) + " : nil item in the archive");
}

}  // namespace zentrova
