#include "scene/base/tessellator.h"

#include <new>
#include <utility>

namespace zentrova {

namespace {

template <typename F>
_GLUfuncptr Callback(F* f) {
  return reinterpret_cast<_GLUfuncptr>(f);
}

TTessellator& Of(void* data) {
  return *static_cast<TTessellator*>(data);
}

}  // namespace

TTessellator::THandlers TTessellator::Into(TPolygonSink& sink, bool textured) {
  return {.begin = [&sink](GLenum mode) { sink.Begin(mode); },
          .vertex =
              [&sink, textured](const float* xyz) {
                if (textured) sink.TexCoord(xyz);
                sink.Vertex(xyz);
              },
          .end = [&sink] { sink.End(); },
          .triangles_only = false};
}

TTessellator::TTessellator(THandlers handlers) : tess_(gluNewTess()), handlers_(std::move(handlers)) {
  if (tess_ == nullptr) throw std::bad_alloc();
  gluTessCallback(tess_, GLU_TESS_BEGIN_DATA, Callback(&OnBegin));
  gluTessCallback(tess_, GLU_TESS_VERTEX_DATA, Callback(&OnVertex));
  gluTessCallback(tess_, GLU_TESS_END_DATA, Callback(&OnEnd));
  gluTessCallback(tess_, GLU_TESS_ERROR_DATA, Callback(&OnError));
  gluTessCallback(tess_, GLU_TESS_COMBINE_DATA, Callback(&OnCombine));
  if (handlers_.triangles_only) gluTessCallback(tess_, GLU_TESS_EDGE_FLAG_DATA, Callback(&OnEdgeFlag));
}

TTessellator::~TTessellator() {
  gluDeleteTess(tess_);
}

void TTessellator::Vertex(double x, double y, double z) {
  pool_.push_back({static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)});
  GLdouble xyz[3] = {x, y, z};
  gluTessVertex(tess_, xyz, pool_.back().data());
}

GLenum TTessellator::EndPolygon() {
  gluTessEndPolygon(tess_);
  if (failure_) std::rethrow_exception(failure_);
  return error_;
}

void GLAPIENTRY TTessellator::OnBegin(GLenum mode, void* data) {
  TTessellator& t = Of(data);
  if (t.handlers_.begin) t.Guard([&] { t.handlers_.begin(mode); });
}

void GLAPIENTRY TTessellator::OnVertex(void* vertex, void* data) {
  TTessellator& t = Of(data);
  if (t.handlers_.vertex) t.Guard([&] { t.handlers_.vertex(static_cast<const float*>(vertex)); });
}

void GLAPIENTRY TTessellator::OnEnd(void* data) {
  TTessellator& t = Of(data);
  if (t.handlers_.end) t.Guard([&] { t.handlers_.end(); });
}

void GLAPIENTRY TTessellator::OnEdgeFlag(GLboolean, void*) {}

void GLAPIENTRY TTessellator::OnError(GLenum error, void* data) {
  TTessellator& t = Of(data);
  if (t.error_ == 0) t.error_ = error;
}

// A crossing point, kept as singles like the given ones. No attributes to interpolate.
void GLAPIENTRY TTessellator::OnCombine(GLdouble coords[3], void* /*vertex_data*/[4], GLfloat /*weight*/[4],
                                        void** out, void* data) {
  TTessellator& t = Of(data);
  *out = nullptr;
  t.Guard([&] {
    t.pool_.push_back(
        {static_cast<float>(coords[0]), static_cast<float>(coords[1]), static_cast<float>(coords[2])});
    *out = t.pool_.back().data();
  });
}

}  // namespace zentrova
