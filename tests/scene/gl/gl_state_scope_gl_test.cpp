// A drawing that throws half-way leaves the attribute, client-attribute and matrix stacks of a real context
// as it found them: one entry point is made to throw while objects draw directly (no list compiles them, so
// every push is executed).
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "scene/core/stage.h"
#include "scene/extras/mesh/immediate_mesh.h"
#include "scene/extras/sky/earth_sky_dome.h"
#include "scene/extras/sky/sky_dome.h"
#include "scene/extras/text/flat_text.h"
#include "scene/extras/text/hud_objects.h"
#include "scene/extras/widgets/button.h"
#include "scene/extras/widgets/form.h"
#include "scene/extras/widgets/gui_layout.h"
#include "scene/extras/widgets/label.h"
#include "scene/gl/drawing_that_throws.h"
#include "scene/gl/gl_fixtures.h"
#include "scene/gl/gl_state_scope.h"
#include "scene/gl/state_cache.h"
#include "scene/materials/material.h"
#include "scene/materials/texture.h"
#include "scene/materials/texture_image.h"
#include "scene/objects/arrow_line.h"
#include "scene/objects/cube.h"
#include "scene/objects/cylinder.h"
#include "scene/objects/dummy_cube.h"
#include "scene/objects/extrusion_solid.h"
#include "scene/objects/height_field.h"
#include "scene/objects/lines.h"
#include "scene/objects/pipe.h"
#include "scene/objects/points.h"
#include "scene/objects/sphere.h"
#include "scene/objects/xyz_grid.h"

namespace zentrova::test {
namespace {

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

TEST_F(DrawingThatThrows, SolidsGridAndSkyDomesLeaveTheStacksAsFound) {
  // A cylinder throws inside its top cap's matrix push, nested in its own.
  auto& cylinder = stage.Objects().AddNewChild<TGLCylinder>();
  translates_let_through = 1;
  gl.Translatef = &ThrowingTranslatef;
  ExpectStacksKept(cylinder, "cylinder");
  // An arrow line inside its top head's push, then inside its shaft's top-cap push.
  auto& arrow = stage.Objects().AddNewChild<TGLArrowLine>();
  translates_let_through = 0;
  gl.Translatef = &ThrowingTranslatef;
  ExpectStacksKept(arrow, "arrow head");
  arrow.SetParts(1u << alLine);
  translates_let_through = 1;
  gl.Translatef = &ThrowingTranslatef;
  ExpectStacksKept(arrow, "arrow shaft's cap");
  // An extrusion inside its stop cap's push.
  auto& extrusion = stage.Objects().AddNewChild<TGLExtrusionSolid>();
  for (auto [x, y] : {std::pair{0.0f, 0.0f}, {1.0f, 0.0f}, {0.0f, 1.0f}}) extrusion.ContourNodes(0).AddXYZ(x, y, 0);
  extrusion.SetParts(kAllExtrusionSolidParts);
  translates_let_through = 0;
  gl.Translatef = &ThrowingTranslatef;
  ExpectStacksKept(extrusion, "extrusion");
  // A coloured pipe and a coloured height field inside their colour-material pushes.
  auto& pipe = stage.Objects().AddNewChild<TGLPipe>();
  pipe.SetNodesColorMode(pncmDiffuse);
  pipe.PipeNodes().AddXYZ(0, 0, 0);
  pipe.PipeNodes().AddXYZ(0, 0, 2);
  begins_let_through = 0;
  gl.Begin = &ThrowingBegin;
  ExpectStacksKept(pipe, "pipe");
  auto& field = stage.Objects().AddNewChild<TGLHeightField>();
  field.SetColorMode(hfcmDiffuse);
  for (TGLSamplingScale* scale : {&field.XSamplingScale(), &field.YSamplingScale()}) {
    scale->SetMin(0);
    scale->SetMax(1);
    scale->SetStep(0.5f);
  }
  begins_let_through = 0;
  gl.Begin = &ThrowingBegin;
  ExpectStacksKept(field, "height field");
  // A grid inside its line style's push.
  auto& grid = stage.Objects().AddNewChild<TGLXYZGrid>();
  begins_let_through = 0;
  gl.Begin = &ThrowingBegin;
  ExpectStacksKept(grid, "grid");
  // Both domes inside their matrix and enable pushes, the Earth dome with depth writes back on.
  for (const bool earth : {false, true}) {
    TGLBaseSceneObject& dome = earth ? static_cast<TGLBaseSceneObject&>(stage.Objects().AddNewChild<TGLEarthSkyDome>())
                                     : stage.Objects().AddNewChild<TGLSkyDome>();
    // Drawn in place: no buffer here to take the camera's orientation from.
    static_cast<TGLCameraInvariantObject&>(dome).SetCamInvarianceMode(cimNone);
    begins_let_through = 0;
    gl.Begin = &ThrowingBegin;
    ExpectStacksKept(dome, earth ? "Earth dome" : "sky dome");
    GLboolean depth_writes = GL_FALSE;
    gl.GetBooleanv(GL_DEPTH_WRITEMASK, &depth_writes);
    EXPECT_EQ(depth_writes, GL_TRUE) << earth;
  }
}

// ---- The state cache after the pops

// A 2 × 2 picture, for a texture to bind.
std::unique_ptr<TBitmap> Checker() {
  auto bitmap = std::make_unique<TBitmap>(2, 2, pf24bit);
  for (int i = 0; i < 4; ++i) bitmap->SetPixel(i % 2, i / 2, i % 3 == 0 ? 0xFFFFFFFFu : 0xFF000000u);
  return bitmap;
}

void Texture(TGLMaterial& material) {
  static_cast<TGLPersistentImage&>(material.Texture().Image()).Picture().TakeGraphic(Checker());
  material.Texture().SetDisabled(false);
}

// Texts and widgets draw with a font and a skin.
class CacheAfterTheTextPops : public CacheAfterThePops {
 protected:
  CacheAfterTheTextPops() {
    font.Glyphs().TakeGraphic(Checker());
    font.SetCharWidth(2);
    font.SetCharHeight(2);
    font.Ranges().Add('A', 'A');
    Texture(layout.Material());
    TGLGuiComponent& skin = layout.GuiComponents().Add();
    skin.Name = "skin";
    TGLGuiElement& e = skin.Elements().Add();
    e.Align = GLAlCenter;
    e.BottomRight = {2, 2, 0};
  }
  ~CacheAfterTheTextPops() override {
    for (int i = stage.Objects().ChildCount() - 1; i >= 0; --i) {
      if (auto* text = dynamic_cast<TGLBitmapTextObject*>(stage.Objects().ChildAt(i))) text->SetBitmapFont(nullptr);
    }
    stage.Objects().DeleteChildren();
  }
  TGLBitmapFont font;
  TGLGuiLayout layout;
};

TEST_F(CacheAfterTheTextPops, TextsAndWidgets) {
  auto& hud = stage.Objects().AddNewChild<TGLHUDText>();
  auto& flat = stage.Objects().AddNewChild<TGLFlatText>();
  flat.SetOptions(ftoTwoSided);
  flat.ModulateColor().SetRGBA(1, 1, 1, 0.5f);
  for (TGLBitmapTextObject* text : {static_cast<TGLBitmapTextObject*>(&hud), static_cast<TGLBitmapTextObject*>(&flat)}) {
    text->SetBitmapFont(&font);
    text->SetText("AA");
    ExpectCacheTrue(*text, text->ClassName());
  }
  auto& form = stage.Objects().AddNewChild<TGLForm>();
  auto& label = form.AddNewChild<TGLLabel>();
  auto& button = form.AddNewChild<TGLButton>();
  for (TGLBaseFontControl* widget : {static_cast<TGLBaseFontControl*>(&form), static_cast<TGLBaseFontControl*>(&label),
                                     static_cast<TGLBaseFontControl*>(&button)}) {
    widget->SetGuiLayout(&layout);
    widget->SetGuiLayoutName("skin");
    widget->SetBitmapFont(&font);
    widget->SetWidth(40);
    widget->SetHeight(20);
  }
  form.SetCaption("A");
  label.SetCaption("AA");
  button.SetCaption("A");
  ExpectCacheTrue(form, "form with a label and a button");
  for (TGLBaseFontControl* widget : {static_cast<TGLBaseFontControl*>(&form), static_cast<TGLBaseFontControl*>(&label),
                                     static_cast<TGLBaseFontControl*>(&button)}) {
    widget->SetBitmapFont(nullptr);
    widget->SetGuiLayout(nullptr);
  }
}

TEST_F(CacheAfterThePops, GeometricObjects) {
  auto& sphere = stage.Objects().AddNewChild<TGLSphere>();
  sphere.SetNormalDirection(ndInside);
  ExpectCacheTrue(sphere, "sphere seen from inside");
  auto& lines = stage.Objects().AddNewChild<TGLLines>();
  for (int i = 0; i < 3; ++i) lines.Nodes().AddXYZ(float(i), float(i * i), 0);
  lines.SetNodesAspect(lnaCube);
  lines.SetLinePattern(0xF0F0);
  ExpectCacheTrue(lines, "lines with node cubes");
  lines.SetSplineMode(lsmBezierSpline);
  ExpectCacheTrue(lines, "Bezier lines");
  ExpectCacheTrue(stage.Objects().AddNewChild<TGLPoints>(), "points");
  auto& pipe = stage.Objects().AddNewChild<TGLPipe>();
  pipe.SetNodesColorMode(pncmDiffuse);
  pipe.PipeNodes().AddXYZ(0, 0, 0);
  pipe.PipeNodes().AddXYZ(0, 0, 2);
  ExpectCacheTrue(pipe, "coloured pipe");
  auto& field = stage.Objects().AddNewChild<TGLHeightField>();
  field.SetColorMode(hfcmDiffuse);
  field.SetOptions(1u << hfoTwoSided);
  ExpectCacheTrue(field, "coloured two-sided height field");
  ExpectCacheTrue(stage.Objects().AddNewChild<TGLXYZGrid>(), "grid");
  auto& cube = stage.Objects().AddNewChild<TGLDummyCube>();
  cube.SetVisibleAtRunTime(true);
  cube.SetShowAxes(true);
  ExpectCacheTrue(cube, "dummy cube with axes");
}

TEST_F(CacheAfterThePops, MeshesSkyDomesAndMaterials) {
  auto& mesh = stage.Objects().AddNewChild<TGLMesh>();
  mesh.SetVertexMode(vmVNC);
  for (int i = 0; i < 3; ++i) mesh.Vertices().AppendVertex({float(i), float(i % 2), 0}, {0, 0, 1}, clrRed, {0, 0});
  ExpectCacheTrue(mesh, "mesh with vertex colours");
  for (const bool earth : {false, true}) {
    TGLBaseSceneObject& dome = earth ? static_cast<TGLBaseSceneObject&>(stage.Objects().AddNewChild<TGLEarthSkyDome>())
                                     : stage.Objects().AddNewChild<TGLSkyDome>();
    static_cast<TGLCameraInvariantObject&>(dome).SetCamInvarianceMode(cimNone);
    ExpectCacheTrue(dome, earth ? "Earth dome" : "sky dome");
  }
  auto& cube = stage.Objects().AddNewChild<TGLCube>();
  Texture(cube.Material());
  cube.Material().SetBlendingMode(bmTransparency);
  cube.Material().SetMaterialOptions(moNoLighting);
  cube.Material().SetFaceCulling(fcNoCull);
  ExpectCacheTrue(cube, "cube of a textured, blended, unlit, two-sided material");
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
