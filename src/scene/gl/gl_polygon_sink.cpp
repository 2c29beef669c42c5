#include "scene/gl/gl_polygon_sink.h"

#include "scene/gl/opengl_binding.h"
#include "scene/gl/texture_coordinates.h"

namespace zentrova {

namespace {

// Through the entry-point table, so that the recording fake sees the calls; texture coordinates go through
// the routing that sends them to the active units.
class TGLImmediateSink : public TPolygonSink {
 public:
  void Normal(const TAffineVector& normal) override { gl.Normal3fv(normal.data()); }
  void Begin(unsigned mode) override { gl.Begin(mode); }
  void TexCoord(const float* st) override { RoutedTexCoord2fv(st); }
  void Vertex(const float* xyz) override { gl.Vertex3fv(xyz); }
  void End() override { gl.End(); }
};

}  // namespace

TPolygonSink& GLPolygonSink() {
  static TGLImmediateSink sink;
  return sink;
}

}  // namespace zentrova
