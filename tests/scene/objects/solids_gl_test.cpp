// The revolution solid, pipe, grid, height field, multi-polygon and the geometric objects drawn into a
// pbuffer from +z: each covers a pixel it must and leaves one it must not.
#include <functional>

#include "objects_gl_fixtures.h"
#include "scene/objects/arrow_line.h"
#include "scene/objects/cylinder.h"
#include "scene/objects/disk.h"
#include "scene/objects/frustrum.h"
#include "scene/objects/height_field.h"
#include "scene/objects/pipe.h"
#include "scene/objects/polygon.h"
#include "scene/objects/revolution_solid.h"
#include "scene/objects/torus.h"
#include "scene/objects/xyz_grid.h"

namespace zentrova::test {
namespace {

using SolidsGL = ObjectsInPBuffer;

struct Case {
  const char* what;
  std::function<void(TGLBaseSceneObject& parent)> add;
  std::array<float, 2> lit, dark;  // scene x, y near z = 0
};

void SampleScale(TGLSamplingScale& s, float min, float max, float origin, float step) {
  s.SetMax(max);
  s.SetMin(min);
  s.SetOrigin(origin);
  s.SetStep(step);
}

TEST_F(SolidsGL, EachObjectCoversWhatItMustAndLeavesWhatItMustNot) {
  const Case cases[] = {
      {"revolution solid",
       [](TGLBaseSceneObject& p) {
         auto& o = p.AddNewChild<TGLRevolutionSolid>();
         o.Nodes().AddXYZ(0.5f, 0.5f, 0);
         o.Nodes().AddXYZ(0.5f, -0.5f, 0);
       },
       {0.3f, 0.3f},
       {0.7f, 0}},
      {"pipe",
       [](TGLBaseSceneObject& p) {
         auto& o = p.AddNewChild<TGLPipe>();
         o.SetRadius(0.2f);
         o.PipeNodes().AddXYZ(-1, 0, 0);
         o.PipeNodes().AddXYZ(1, 0, 0);
       },
       {0, 0.1f},
       {0, 0.4f}},
      {"height field",
       [](TGLBaseSceneObject& p) {
         auto& o = p.AddNewChild<TGLHeightField>();
         SampleScale(o.XSamplingScale(), -1, 1, -1, 0.1f);
         SampleScale(o.YSamplingScale(), -1, 1, -1, 0.1f);
       },
       {0.5f, 0.5f},
       {1.3f, 0}},
      {"grid",
       [](TGLBaseSceneObject& p) {
         auto& o = p.AddNewChild<TGLXYZGrid>();
         o.SetParts(1u << gpX);
         o.SetLinesStyle(glsLine);
         SampleScale(o.XSamplingScale(), -1, 1, 0, 0.5f);
         SampleScale(o.YSamplingScale(), -1, 1, 0.05f, 1);
       },
       {0.5f, 0.04f},
       {0.5f, 0.5f}},
      {"multi-polygon",
       [](TGLBaseSceneObject& p) {
         auto& o = p.AddNewChild<TGLMultiPolygon>();
         for (auto [x, y] : {std::pair{-1.0f, -1.0f}, {1.0f, -1.0f}, {0.0f, 1.0f}})
           o.ContourNodes(0).AddXYZ(x, y, 0);
       },
       {0, -0.5f},
       {0.7f, 0.5f}},
      {"disk",
       [](TGLBaseSceneObject& p) { p.AddNewChild<TGLDisk>().SetInnerRadius(0.2f); },
       {0.35f, 0},
       {0, 0}},
      {"cylinder", [](TGLBaseSceneObject& p) { p.AddNewChild<TGLCylinder>(); }, {0, 0.4f}, {0.7f, 0}},
      {"cone", [](TGLBaseSceneObject& p) { p.AddNewChild<TGLCone>(); }, {0, -0.3f}, {0.3f, 0.4f}},
      {"annulus",
       [](TGLBaseSceneObject& p) { p.AddNewChild<TGLAnnulus>().SetPitchAngle(90); },
       {0.4f, 0},
       {0, 0}},
      {"arrow line", [](TGLBaseSceneObject& p) { p.AddNewChild<TGLArrowLine>(); }, {0.15f, 0}, {0.3f, 0}},
      {"torus", [](TGLBaseSceneObject& p) { p.AddNewChild<TGLTorus>(); }, {0.4f, 0}, {0, 0}},
      {"frustum", [](TGLBaseSceneObject& p) { p.AddNewChild<TGLFrustrum>(); }, {0, 0.1f}, {0, -0.1f}},
      {"polygon",
       [](TGLBaseSceneObject& p) {
         auto& o = p.AddNewChild<TGLPolygon>();
         for (auto [x, y] : {std::pair{-1.0f, -1.0f}, {1.0f, -1.0f}, {0.0f, 1.0f}}) o.Nodes().AddXYZ(x, y, 0);
       },
       {0, -0.5f},
       {0.7f, 0.5f}},
  };
  for (const Case& c : cases) {
    stage.Objects().DeleteChildren();
    c.add(stage.Objects());
    Render();
    EXPECT_TRUE(Lit(ReadPixel(int(Window(c.lit[0], 10)), int(Window(c.lit[1], 10))))) << c.what;
    EXPECT_FALSE(Lit(ReadPixel(int(Window(c.dark[0], 10)), int(Window(c.dark[1], 10))))) << c.what;
  }
}

}  // namespace
}  // namespace zentrova::test
