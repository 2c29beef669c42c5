#include "scene/base/polygon_sink.h"

#include <GL/gl.h>

namespace zentrova {

namespace {

class TGLImmediateSink : public TPolygonSink {
 public:
  void Normal(const TAffineVector& normal) override { glNormal3fv(normal.data()); }
  void Begin(unsigned mode) override { glBegin(mode); }
  void TexCoord(const float* st) override { glTexCoord2fv(st); }
  void Vertex(const float* xyz) override { glVertex3fv(xyz); }
  void End() override { glEnd(); }
};

}  // namespace

TPolygonSink& GLPolygonSink() {
  static TGLImmediateSink sink;
  return sink;
}

}  // namespace zentrova
