// One polygon through GLU's tessellator (no GL context needed): contours in, and out through the handlers
// the primitives it makes of them, or their boundaries, or independent triangles. GLU calls back from its
// C code, through which nothing may be thrown: the first exception of a handler is kept, later callbacks
// are skipped, and EndPolygon raises it.
#pragma once

#include <GL/glu.h>

#include <deque>
#include <exception>
#include <functional>

#include "scene/base/polygon_sink.h"
#include "scene/base/vector_types.h"

namespace zentrova {

class TTessellator {
 public:
  struct THandlers {
    std::function<void(GLenum mode)> begin;        // a primitive (or a boundary) starts
    std::function<void(const float* xyz)> vertex;  // one of its vertices, given or made at a crossing
    std::function<void()> end;
    // Only independent triangles (GLU makes no fans or strips when an edge-flag callback is set).
    bool triangles_only = false;
  };

  // The primitives straight into a sink, each vertex also as its texture coordinate when `textured`.
  static THandlers Into(TPolygonSink& sink, bool textured);

  // std::bad_alloc when GLU has no tessellator to give.
  explicit TTessellator(THandlers handlers);
  ~TTessellator();
  TTessellator(const TTessellator&) = delete;
  TTessellator& operator=(const TTessellator&) = delete;

  void SetNormal(double x, double y, double z) { gluTessNormal(tess_, x, y, z); }
  void SetProperty(GLenum which, double value) { gluTessProperty(tess_, which, value); }

  void BeginPolygon() { gluTessBeginPolygon(tess_, this); }
  void BeginContour() { gluTessBeginContour(tess_); }
  // The handlers see the point as singles, with an address that stays put until the tessellator goes.
  void Vertex(double x, double y, double z);
  void EndContour() { gluTessEndContour(tess_); }
  // The handlers run here. Raises the first exception one of them threw; otherwise the first GLU error
  // (0: none).
  GLenum EndPolygon();

 private:
  template <typename F>
  void Guard(F&& f) {
    if (failure_) return;
    try {
      f();
    } catch (...) {
      failure_ = std::current_exception();
    }
  }
  static void GLAPIENTRY OnBegin(GLenum mode, void* data);
  static void GLAPIENTRY OnVertex(void* vertex, void* data);
  static void GLAPIENTRY OnEnd(void* data);
  static void GLAPIENTRY OnEdgeFlag(GLboolean flag, void* data);
  static void GLAPIENTRY OnError(GLenum error, void* data);
  static void GLAPIENTRY OnCombine(GLdouble coords[3], void* vertex_data[4], GLfloat weight[4], void** out,
                                   void* data);

  GLUtesselator* tess_;
  THandlers handlers_;
  // Given points and those GLU makes at crossings; a deque keeps their addresses.
  std::deque<TAffineVector> pool_;
  GLenum error_ = 0;
  std::exception_ptr failure_;
};

}  // namespace zentrova
