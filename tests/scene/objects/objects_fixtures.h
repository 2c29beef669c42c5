// Fixtures of the scene-object tests: objects drawn through the recording fake, and the calls they make.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "scene/core/core_fixtures.h"

namespace zentrova::test {

// The calls whose name starts with the prefix.
inline Calls Named(const Calls& calls, const std::string& prefix) {
  Calls kept;
  std::copy_if(calls.begin(), calls.end(), std::back_inserter(kept),
               [&](const std::string& call) { return call.rfind(prefix + "(", 0) == 0; });
  return kept;
}

inline int CountOf(const Calls& calls, const std::string& call) {
  return static_cast<int>(std::count(calls.begin(), calls.end(), call));
}

// The calls between each glBegin and its glEnd, grouped by primitive: {mode, the calls inside}.
struct TPrimitive {
  GLenum mode;
  Calls calls;
  Calls Vertices() const {
    Calls v;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(v),
                 [](const std::string& c) { return c.rfind("glVertex", 0) == 0 || c.rfind("glEvalCoord", 0) == 0; });
    return v;
  }
};

inline std::vector<TPrimitive> Primitives(const Calls& calls) {
  std::vector<TPrimitive> primitives;
  bool inside = false;
  for (const std::string& call : calls) {
    if (call.rfind("glBegin(", 0) == 0) {
      primitives.push_back({static_cast<GLenum>(Numbers(call).at(0)), {}});
      inside = true;
    } else if (call == "glEnd()") {
      inside = false;
    } else if (inside) {
      primitives.back().calls.push_back(call);
    }
  }
  return primitives;
}

// One ray of a table-driven ray cast: whether it hits the object and, when it does, where and with
// which normal.
struct RayCase {
  const char* what;
  TVector4f start;
  TVector4f vector;
  bool hit;
  TVector4f point;   // when hit
  TVector4f normal;  // when hit
};

inline void Check(TGLBaseSceneObject& object, const RayCase& c) {
  SCOPED_TRACE(c.what);
  TVector4f point{}, normal{};
  ASSERT_EQ(object.RayCastIntersect(c.start, c.vector, &point, &normal), c.hit);
  if (!c.hit) return;
  ExpectNear(point, c.point, 1e-5);
  ExpectNear(normal, c.normal, 1e-5);
}

}  // namespace zentrova::test
