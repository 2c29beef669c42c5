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

}  // namespace zentrova::test
