// The height field through the recording fake: rows, strips and counts, normals from both neighbours,
// the height sources, texture points, colours, and a row that cannot overrun.
#include <cmath>

#include "objects_fixtures.h"
#include "scene/gl/texture_coordinates.h"
#include "scene/objects/height_field.h"

namespace zentrova::test {
namespace {

struct HeightCalls : FakeScene {
  HeightCalls() {
    TexCoordRouteMain();
    fake.Clear();
  }
  static void Square(TGLHeightField& field, float min, float max, float step) {
    for (TGLSamplingScale* s : {&field.XSamplingScale(), &field.YSamplingScale()}) {
      s->SetMin(min);
      s->SetMax(max);
      s->SetOrigin(min);
      s->SetStep(step);
    }
  }
};

TEST_F(HeightCalls, FiveByFiveSamplesAreFourStripsOfThirtyTwoTrianglesLaterRowFirst) {
  TGLHeightField field;
  Square(field, -1, 1, 0.5f);
  field.SetOnGetHeight([](float x, float y, float& z, TVector4f&, TTexPoint&) { z = x + 10 * y; });
  field.BuildList(rci);
  const auto strips = Primitives(fake.Calls());
  ASSERT_EQ(strips.size(), 4u);
  for (std::size_t s = 0; s < 4; ++s) {
    const Calls v = strips[s].Vertices();
    ASSERT_EQ(v.size(), 10u);
    const double y_e = -1 + 0.5 * static_cast<double>(s);
    EXPECT_EQ(Numbers(v[0]), (std::vector<double>{-1, y_e + 0.5, -1 + 10 * (y_e + 0.5), 1})) << s;
    EXPECT_EQ(Numbers(v[1]), (std::vector<double>{-1, y_e, -1 + 10 * y_e, 1})) << s;
  }
  EXPECT_EQ(field.TriangleCount(), 32);
  // Two-sided by default: culling off, the material's polygon mode, inside pushed enable bits.
  EXPECT_EQ(fake.Calls().front(), GLCall("glPushAttrib", GL_ENABLE_BIT));
  EXPECT_EQ(CountOf(fake.Calls(), GLCall("glDisable", GL_CULL_FACE)), 1);
  EXPECT_EQ(CountOf(fake.Calls(), GLCall("glPolygonMode", GL_FRONT_AND_BACK, GL_FILL)), 1);
  EXPECT_TRUE(Named(fake.Calls(), "glTexCoord2fv").empty());
  EXPECT_TRUE(Named(fake.Calls(), "glColor4fv").empty());
}

TEST_F(HeightCalls, NormalsTakeBothNeighboursSlopesInnerSamplesTwice) {
  TGLHeightField field;
  Square(field, 0, 1, 0.5f);
  field.SetOptions(0);
  field.SetOnGetHeight([](float x, float, float& z, TVector4f&, TTexPoint&) { z = x; });
  field.BuildList(rci);
  EXPECT_TRUE(Named(fake.Calls(), "glPushAttrib").empty());
  const auto strips = Primitives(fake.Calls());
  ASSERT_EQ(strips.size(), 2u);
  const Calls n = Named(strips[0].calls, "glNormal3fv");
  ASSERT_EQ(n.size(), 6u);
  const double edge = 1 / std::sqrt(2.0), inner = 1 / std::sqrt(5.0);
  const std::vector<std::vector<double>> expected{{-edge, 0, edge}, {-2 * inner, 0, inner}, {-edge, 0, edge}};
  for (std::size_t j = 0; j < 3; ++j) {
    for (std::size_t side = 0; side < 2; ++side) {
      const auto v = Numbers(n[2 * j + side]);
      for (int k = 0; k < 3; ++k) EXPECT_NEAR(v[k], expected[j][k], 1e-6) << j << " " << side;
    }
  }
}

TEST_F(HeightCalls, AHandlerThatLeavesTheTexturePointKeepsXAndYAndColoursAreTracked) {
  TGLHeightField field;
  Square(field, 0, 1, 1);
  field.SetOptions(1u << hfoTextureCoordinates);
  field.SetColorMode(hfcmAmbient);
  field.SetOnGetHeight([](float, float, float& z, TVector4f& color, TTexPoint&) {
    z = 1;
    color = {0.25f, 0.5f, 0.75f, 1};
  });
  field.BuildList(rci);
  EXPECT_EQ(CountOf(fake.Calls(), GLCall("glColorMaterial", GL_FRONT_AND_BACK, GL_AMBIENT)), 1);
  const auto strips = Primitives(fake.Calls());
  ASSERT_EQ(strips.size(), 1u);
  EXPECT_EQ(Named(strips[0].calls, "glTexCoord2fv"),
            (Calls{"glTexCoord2fv([0, 1])", "glTexCoord2fv([0, 0])", "glTexCoord2fv([1, 1])",
                   "glTexCoord2fv([1, 0])"}));
  EXPECT_EQ(CountOf(strips[0].calls, "glColor4fv([0.25, 0.5, 0.75, 1])"), 4);
}

TEST_F(HeightCalls, TheDefaultFunctionServesWithoutAHandlerAndInDesignMode) {
  float z = 0;
  TVector4f color{};
  TTexPoint tex{3, 4};
  DefaultHeightFunction(0, 0, z, color, tex);
  EXPECT_EQ(z, 0.5f);
  EXPECT_EQ(color, (TVector4f{0.8f, 0.8f, 0.8f, 1}));
  EXPECT_EQ(tex, (TTexPoint{3, 4}));
  DefaultHeightFunction(0.5f, 0, z, color, tex);
  EXPECT_NEAR(z, std::cos(3.0) / ((6.28 * 0.25 + 1) * 2), 1e-6);

  TGLHeightField field;
  Square(field, 0, 1, 1);
  int calls = 0;
  field.SetOnGetHeight([&](float, float, float& h, TVector4f&, TTexPoint&) {
    ++calls;
    h = 7;
  });
  field.SetDesigning(true);
  field.BuildList(rci);
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(Numbers(Primitives(fake.Calls())[0].Vertices()[1])[2], 0.5);
  field.SetDesigning(false);
  field.SetOnGetHeight({});
  int second = 0;
  field.SetOnGetHeight2([&](TGLHeightField& sender, float, float, float& h, TVector4f&, TTexPoint&) {
    EXPECT_EQ(&sender, &field);
    ++second;
    h = 2;
  });
  field.BuildList(rci);
  EXPECT_EQ(second, 4);
}

TEST_F(HeightCalls, NoRangeDrawsNothingAndAStepTooSmallToAdvanceFillsOneRowAndStops) {
  TGLHeightField field;
  field.BuildList(rci);
  EXPECT_TRUE(Primitives(fake.Calls()).empty());
  Square(field, 0, 1, 1);
  field.XSamplingScale().SetMin(1e8f);
  field.XSamplingScale().SetMax(1e8f + 16);
  field.XSamplingScale().SetOrigin(1e8f);
  field.XSamplingScale().SetStep(1);
  fake.Clear();
  field.BuildList(rci);
  const auto strips = Primitives(fake.Calls());
  ASSERT_EQ(strips.size(), 1u);
  EXPECT_EQ(strips[0].Vertices().size(), 2u * 17);  // SampleCount 16, plus one
}

}  // namespace
}  // namespace zentrova::test
