// A fixture for drawings that throw half-way: one GL entry point is made to throw while objects draw
// directly (no list compiles them, so every push is executed), and the attribute, client-attribute and
// matrix stacks are compared with what they were before.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <stdexcept>
#include <string>

#include "scene/core/stage.h"
#include "scene/gl/gl_fixtures.h"
#include "scene/gl/state_cache.h"

namespace zentrova::test {

struct StackDepths {
  GLint attributes = 0, client_attributes = 0, model_view = 0, matrix_mode = 0;
  bool operator==(const StackDepths&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const StackDepths& d) {
  return os << "attributes " << d.attributes << ", client attributes " << d.client_attributes
            << ", model-view " << d.model_view << ", matrix mode " << d.matrix_mode;
}

inline StackDepths Depths() {
  StackDepths d;
  gl.GetIntegerv(GL_ATTRIB_STACK_DEPTH, &d.attributes);
  gl.GetIntegerv(GL_CLIENT_ATTRIB_STACK_DEPTH, &d.client_attributes);
  gl.GetIntegerv(GL_MODELVIEW_STACK_DEPTH, &d.model_view);
  gl.GetIntegerv(GL_MATRIX_MODE, &d.matrix_mode);
  return d;
}

[[noreturn]] inline void Fail() {
  throw std::runtime_error("drawing failed");
}
// glBegin lets this many calls through and throws on the next: outside a begin-end pair, so the stacks
// can still be read and popped afterwards.
// What a direct drawing of an object under `stage` needs: no sorting, no culling, the given state cache.
inline TRenderContextInfo DirectDrawInfo(TGLStage& stage, TGLStateCache& states) {
  TRenderContextInfo rci{};
  rci.scene = &stage;
  rci.objectsSorting = osNone;
  rci.visibilityCulling = vcNone;
  rci.GLStates = &states;
  return rci;
}

inline int begins_let_through = 0;
inline void ThrowingBegin(GLenum mode) {
  if (begins_let_through-- <= 0) Fail();
  glBegin(mode);
}
inline void ThrowingDrawArrays(GLenum, GLint, GLsizei) {
  Fail();
}
// glTranslatef the same way: the solids place their parts by translation inside matrix pushes.
inline int translates_let_through = 0;
inline void ThrowingTranslatef(GLfloat x, GLfloat y, GLfloat z) {
  if (translates_let_through-- <= 0) Fail();
  glTranslatef(x, y, z);
}

class DrawingThatThrows : public GLContextTest {
 protected:
  void SetUp() override {
    GLContextTest::SetUp();
    saved_ = gl;
  }
  void TearDown() override {
    gl = saved_;
    GLContextTest::TearDown();
  }
  // Renders the object's tree directly and expects the drawing's exception to come through with every
  // stack as it was before.
  void ExpectStacksKept(TGLBaseSceneObject& object, const std::string& what) {
    object.SetObjectStyle(object.ObjectStyle() | osDirectDraw);
    gl.MatrixMode(GL_MODELVIEW);
    gl.LoadIdentity();
    const StackDepths before = Depths();
    TRenderContextInfo rci = DirectDrawInfo(stage, states);
    try {
      object.RenderWithTransform(rci);
      ADD_FAILURE() << what << ": the drawing did not throw";
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(std::string(e.what()), "drawing failed") << what;
    }
    gl = saved_;
    EXPECT_EQ(Depths(), before) << what;
    EXPECT_EQ(gl.GetError(), static_cast<GLenum>(GL_NO_ERROR)) << what;
  }

  TGLEntryPoints saved_;
  TGLStage stage;
  TGLStateCache states;
};

// Each family that pushes attributes is drawn directly, once after the watched states were switched off
// through the cache and once after they were switched on; then the cache must know what GL has:
// lighting, 2D texturing, blending, depth test, face culling and the front face's winding.
class CacheAfterThePops : public GLContextTest {
 protected:
  void ExpectCacheTrue(TGLBaseSceneObject& object, const std::string& what) {
    static constexpr TGLState kWatched[] = {stLighting, stTexture2D, stBlend, stDepthTest, stCullFace};
    object.SetObjectStyle(object.ObjectStyle() | osDirectDraw);
    for (const bool on : {false, true}) {
      // The other way first: both switches are sent whatever the cache believed.
      for (TGLState s : kWatched) {
        if (on) {
          states.DisableState(s);
          states.EnableState(s);
        } else {
          states.EnableState(s);
          states.DisableState(s);
        }
      }
      gl.MatrixMode(GL_MODELVIEW);
      gl.LoadIdentity();
      TRenderContextInfo rci = DirectDrawInfo(stage, states);
      rci.viewPortSize = {64, 32};
      object.RenderWithTransform(rci);
      for (TGLState s : kWatched) {
        EXPECT_EQ(states.StateEnabled(s), gl.IsEnabled(GLStateCapability(s)) == GL_TRUE)
            << what << ", states " << (on ? "on" : "off") << " before: capability 0x" << std::hex
            << GLStateCapability(s);
      }
      GLint front_face = 0;
      gl.GetIntegerv(GL_FRONT_FACE, &front_face);
      EXPECT_EQ(states.FrontFaceCCW(), front_face == GL_CCW) << what;
      EXPECT_EQ(gl.GetError(), static_cast<GLenum>(GL_NO_ERROR)) << what;
    }
  }

  TGLStage stage;
  TGLStateCache states;
};

}  // namespace zentrova::test
