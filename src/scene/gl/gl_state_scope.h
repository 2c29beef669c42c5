// Pushes of GL state that are popped however the scope ends: a drawing that throws leaves the attribute,
// client-attribute and matrix stacks as it found them. On the normal path a scope makes exactly the push
// and the pop, so recorded call sequences stay as written by hand.
#pragma once

#include <exception>
#include <optional>

#include "scene/gl/opengl_binding.h"
#include "scene/gl/state_cache.h"

namespace zentrova {

// glPushAttrib(mask) now, glPopAttrib() at the end of the scope. The pop puts back, behind the state
// cache's back, whatever the drawing switched through the cache meanwhile: the scope keeps what the cache
// knew at the push and gives the cache that view of the popped groups again, so that the cache agrees
// with GL after the pop as it did before the push. Without a cache (`states` null) only the push and pop.
class TGLAttribScope {
 public:
  TGLAttribScope(TGLStateCache* states, GLbitfield mask) : states_(states), mask_(mask) {
    if (states_ != nullptr) pushed_.emplace(*states_);
    gl.PushAttrib(mask);
  }
  ~TGLAttribScope() {
    gl.PopAttrib();
    if (states_ != nullptr) states_->RestorePopped(*pushed_, mask_);
  }
  TGLAttribScope(const TGLAttribScope&) = delete;
  TGLAttribScope& operator=(const TGLAttribScope&) = delete;

 private:
  TGLStateCache* states_;
  GLbitfield mask_;
  std::optional<TGLStateCache> pushed_;
};

// glPushClientAttrib(mask) now, glPopClientAttrib() at the end of the scope.
class TGLClientAttribScope {
 public:
  explicit TGLClientAttribScope(GLbitfield mask) { gl.PushClientAttrib(mask); }
  ~TGLClientAttribScope() { gl.PopClientAttrib(); }
  TGLClientAttribScope(const TGLClientAttribScope&) = delete;
  TGLClientAttribScope& operator=(const TGLClientAttribScope&) = delete;
};

// glPushMatrix() now on the stack of `mode` (the matrix mode in force), glPopMatrix() at the end of the
// scope. A drawing that throws may have left another matrix mode current: on that path `mode` is made
// current again first, so the pop lands on the stack that was pushed.
class TGLMatrixScope {
 public:
  explicit TGLMatrixScope(GLenum mode = GL_MODELVIEW) : mode_(mode), exceptions_(std::uncaught_exceptions()) {
    gl.PushMatrix();
  }
  ~TGLMatrixScope() {
    if (std::uncaught_exceptions() > exceptions_) gl.MatrixMode(mode_);
    gl.PopMatrix();
  }
  TGLMatrixScope(const TGLMatrixScope&) = delete;
  TGLMatrixScope& operator=(const TGLMatrixScope&) = delete;

  // Back to the matrix as pushed, kept pushed for the rest of the scope.
  void Restore() {
    gl.PopMatrix();
    gl.PushMatrix();
  }

 private:
  GLenum mode_;
  int exceptions_;
};

}  // namespace zentrova
