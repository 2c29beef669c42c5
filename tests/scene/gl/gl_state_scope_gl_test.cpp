// A drawing that throws half-way leaves the attribute, client-attribute and matrix stacks of a real context
// as it found them: one entry point is made to throw while objects draw directly (no list compiles them, so
// every push is executed).
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "scene/core/stage.h"
#include "scene/extras/mesh/immediate_mesh.h"
#include "scene/gl/gl_fixtures.h"
#include "scene/gl/gl_state_scope.h"
#include "scene/gl/state_cache.h"
#include "scene/objects/lines.h"
#include "scene/objects/points.h"
#include "scene/objects/sphere.h"

namespace zentrova::test {
namespace {

struct StackDepths {
  GLint attributes = 0, client_attributes = 0, model_view = 0, matrix_mode = 0;
  bool operator==(const StackDepths&) const = default;
};

std::ostream& operator<<(std::ostream& os, const StackDepths& d) {
  return os << "attributes " << d.attributes << ", client attributes " << d.client_attributes
            << ", model-view " << d.model_view << ", matrix mode " << d.matrix_mode;
}

StackDepths Depths() {
  StackDepths d;
  gl.GetIntegerv(GL_ATTRIB_STACK_DEPTH, &d.attributes);
  gl.GetIntegerv(GL_CLIENT_ATTRIB_STACK_DEPTH, &d.client_attributes);
  gl.GetIntegerv(GL_MODELVIEW_STACK_DEPTH, &d.model_view);
  gl.GetIntegerv(GL_MATRIX_MODE, &d.matrix_mode);
  return d;
}

[[noreturn]] void Fail() {
  throw std::runtime_error("drawing failed");
}
// glBegin lets this many calls through and throws on the next: outside a begin-end pair, so the stacks
// can still be read and popped afterwards.
int begins_let_through = 0;
void ThrowingBegin(GLenum mode) {
  if (begins_let_through-- <= 0) Fail();
  glBegin(mode);
}
void ThrowingDrawArrays(GLenum, GLint, GLsizei) {
  Fail();
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
    TRenderContextInfo rci{};
    rci.scene = &stage;
    rci.objectsSorting = osNone;
    rci.visibilityCulling = vcNone;
    rci.GLStates = &states;
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

TEST_F(DrawingThatThrows, SphereMeshPointsAndLinesLeaveTheStacksAsFound) {
  // The sphere throws inside its attribute and matrix pushes.
  auto& sphere = stage.Objects().AddNewChild<TGLSphere>();
  begins_let_through = 0;
  gl.Begin = &ThrowingBegin;
  ExpectStacksKept(sphere, "sphere");
  // The mesh inside its attribute and client-attribute pushes.
  auto& mesh = stage.Objects().AddNewChild<TGLMesh>();
  gl.DrawArrays = &ThrowingDrawArrays;
  ExpectStacksKept(mesh, "mesh");
  // Points inside their attribute push.
  auto& points = stage.Objects().AddNewChild<TGLPoints>();
  gl.DrawArrays = &ThrowingDrawArrays;
  ExpectStacksKept(points, "points");
  // Lines inside the line style's push and, as a Bezier curve, the evaluators' push too.
  auto& lines = stage.Objects().AddNewChild<TGLLines>();
  for (int i = 0; i < 3; ++i) lines.Nodes().AddXYZ(float(i), float(i * i), 0);
  lines.SetNodesAspect(lnaCube);
  begins_let_through = 0;
  gl.Begin = &ThrowingBegin;
  ExpectStacksKept(lines, "lines");
  lines.SetSplineMode(lsmBezierSpline);
  begins_let_through = 0;
  gl.Begin = &ThrowingBegin;
  ExpectStacksKept(lines, "Bezier lines");
  // The nodes' cubes inside the nodes' attribute push and a node's matrix push: the line draws, the
  // first cube throws.
  lines.SetSplineMode(lsmLines);
  begins_let_through = 1;
  gl.Begin = &ThrowingBegin;
  ExpectStacksKept(lines, "lines with node cubes");
}

TEST(GLStateScope, MatrixScopePopsTheStackItPushedWhenADrawingThrowsInAnotherMode) {
  std::unique_ptr<TGLContext> context = NewPBufferContext();
  context->Activate();
  gl.MatrixMode(GL_MODELVIEW);
  const StackDepths before = Depths();
  GLint texture_depth = 0;
  gl.GetIntegerv(GL_TEXTURE_STACK_DEPTH, &texture_depth);
  try {
    const TGLMatrixScope matrix;
    gl.MatrixMode(GL_TEXTURE);
    Fail();
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(Depths(), before);
  GLint texture_after = 0;
  gl.GetIntegerv(GL_TEXTURE_STACK_DEPTH, &texture_after);
  EXPECT_EQ(texture_after, texture_depth);
  EXPECT_EQ(gl.GetError(), static_cast<GLenum>(GL_NO_ERROR));
  context->Deactivate();
}

}  // namespace
}  // namespace zentrova::test
