// A mesh object that throws inside its colour-material push leaves the GL stacks as it found them; one that
// draws leaves the state cache agreeing with GL.
#include <gtest/gtest.h>

#include "scene/extras/mesh/base_mesh.h"
#include "scene/extras/mesh/mesh_object.h"
#include "scene/gl/drawing_that_throws.h"
#include "scene/gl/texture_coordinates.h"

namespace zentrova::test {
namespace {

TEST_F(DrawingThatThrows, AMeshObjectWithVertexColoursLeavesTheStacksAsFound) {
  auto& free_form = stage.Objects().AddNewChild<TGLFreeForm>();
  TMeshObject& mesh = free_form.MeshObjects().AddNew();
  for (int i = 0; i < 3; ++i) {
    mesh.Vertices().Add({float(i), float(i % 2), 0});
    mesh.Colors().Add(clrRed);
  }
  TexCoordRouteMain();  // as the buffer routes them before it renders
  begins_let_through = 0;
  gl.Begin = &ThrowingBegin;
  ExpectStacksKept(free_form, "mesh object");
}

TEST_F(CacheAfterThePops, AMeshObjectWithVertexColours) {
  auto& free_form = stage.Objects().AddNewChild<TGLFreeForm>();
  TMeshObject& mesh = free_form.MeshObjects().AddNew();
  for (int i = 0; i < 3; ++i) {
    mesh.Vertices().Add({float(i), float(i % 2), 0});
    mesh.Colors().Add(clrRed);
  }
  TexCoordRouteMain();
  ExpectCacheTrue(free_form, "mesh object with vertex colours");
}

}  // namespace
}  // namespace zentrova::test
