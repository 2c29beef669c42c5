// Where a tessellated polygon goes: the current GL context when drawing (scene/gl/gl_polygon_sink.h),
// a recorder in tests.
#pragma once

#include "scene/base/vector_types.h"

namespace zentrova {

class TPolygonSink {
 public:
  virtual ~TPolygonSink() = default;
  virtual void Normal(const TAffineVector& normal) = 0;
  // mode is a GL primitive: GL_TRIANGLES, GL_TRIANGLE_FAN or GL_TRIANGLE_STRIP.
  virtual void Begin(unsigned mode) = 0;
  virtual void TexCoord(const float* st) = 0;
  virtual void Vertex(const float* xyz) = 0;
  virtual void End() = 0;
};

}  // namespace zentrova
