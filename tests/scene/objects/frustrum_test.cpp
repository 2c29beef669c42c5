// The frustum: its quads with hand-computed vertices and normals, its interlocked sizes, the flat cases,
// and its "FrustrumSize" bytes.
#include <cmath>

#include "objects_fixtures.h"
#include "scene/gl/texture_coordinates.h"
#include "scene/objects/frustrum.h"

namespace zentrova::test {
namespace {

struct FrustrumCalls : FakeScene {
  FrustrumCalls() {
    TexCoordRouteMain();
    fake.Clear();
  }
};

TEST_F(FrustrumCalls, TheDefaultFrontFaceRunsFromTheCutToTheBaseWithItsSlopedNormal) {
  TGLFrustrum frustrum;
  frustrum.SetParts(1u << fpFront);
  frustrum.BuildList(rci);
  const float a = std::atan(2.0f);
  Calls expected{GLCall("glBegin", GL_QUADS), GLCall("glNormal3f", 0.0f, std::cos(a), std::sin(a))};
  const float v[4][5] = {
      {0.25f, 0.5f, 0.25f, 1, 1}, {-0.25f, 0.5f, 0.25f, 0, 1}, {-0.5f, 0, 0.5f, 0, 0}, {0.5f, 0, 0.5f, 1, 0}};
  for (const auto& p : v) {
    expected.push_back("glTexCoord2fv(" + Values(p[3], p[4]).text + ")");
    expected.push_back(GLCall("glVertex3f", p[0], p[1], p[2]));
  }
  expected.push_back("glEnd()");
  EXPECT_EQ(fake.Calls(), expected);
}

TEST_F(FrustrumCalls, InsideNormalsFlipAndEveryPartIsOneQuad) {
  TGLFrustrum frustrum;
  frustrum.SetBaseWidth(4);
  frustrum.SetNormalDirection(ndInside);
  frustrum.BuildList(rci);
  const Calls normals = Named(fake.Calls(), "glNormal3f");
  ASSERT_EQ(normals.size(), 6u);
  const float front = std::atan(2.0f), side = std::atan(0.5f);
  EXPECT_EQ(normals[2], GLCall("glNormal3f", std::sin(side), -std::cos(side), 0.0f));  // left
  EXPECT_EQ(normals[0], GLCall("glNormal3f", 0.0f, -std::cos(front), -std::sin(front)));
  EXPECT_EQ(normals[4], GLCall("glNormal3f", 0.0f, -1.0f, 0.0f));  // top
  EXPECT_EQ(normals[5], GLCall("glNormal3f", 0.0f, 1.0f, 0.0f));   // bottom
  EXPECT_EQ(Named(fake.Calls(), "glVertex3f").size(), 24u);
}

TEST_F(FrustrumCalls, ACutAtTheApexHasNoTopAndAFlatOneOnlyItsBottomWithoutNaN) {
  TGLFrustrum frustrum;
  frustrum.SetHeight(1);
  frustrum.BuildList(rci);
  EXPECT_EQ(Named(fake.Calls(), "glVertex3f").size(), 20u);
  int at_apex = 0;  // the sides meet in the apex
  for (const std::string& v : Named(fake.Calls(), "glVertex3f"))
    at_apex += Numbers(v) == std::vector<double>{0, 1, 0};
  EXPECT_EQ(at_apex, 8);
  fake.Clear();
  frustrum.SetApexHeight(0);
  EXPECT_EQ(frustrum.Height(), 0);
  frustrum.BuildList(rci);
  const Calls vertices = Named(fake.Calls(), "glVertex3f");
  ASSERT_EQ(vertices.size(), 4u);
  for (const std::string& v : vertices) EXPECT_EQ(v.find("nan"), std::string::npos) << v;
  EXPECT_EQ(Named(fake.Calls(), "glNormal3f"), (Calls{GLCall("glNormal3f", 0.0f, -1.0f, 0.0f)}));
}

TEST(Frustrum, HeightAndApexHeightHoldEachOtherAndNegativeSizesAreIgnored) {
  struct Case {
    const char* what;
    std::function<void(TGLFrustrum&)> change;
    float apex, height, width, depth;
  };
  const Case cases[] = {
      {"height above the apex raises it", [](TGLFrustrum& f) { f.SetHeight(2); }, 2, 2, 1, 1},
      {"apex below the height lowers it", [](TGLFrustrum& f) { f.SetApexHeight(0.25f); }, 0.25f, 0.25f, 1, 1},
      {"negative sizes",
       [](TGLFrustrum& f) {
         f.SetApexHeight(-1);
         f.SetHeight(-1);
         f.SetBaseWidth(-1);
         f.SetBaseDepth(-1);
       },
       1, 0.5f, 1, 1},
      {"width and depth",
       [](TGLFrustrum& f) {
         f.SetBaseWidth(3);
         f.SetBaseDepth(0);
       },
       1, 0.5f, 3, 0},
  };
  for (const Case& c : cases) {
    TGLFrustrum f;
    c.change(f);
    EXPECT_EQ(f.ApexHeight(), c.apex) << c.what;
    EXPECT_EQ(f.Height(), c.height) << c.what;
    EXPECT_EQ(f.BaseWidth(), c.width) << c.what;
    EXPECT_EQ(f.BaseDepth(), c.depth) << c.what;
  }
}

TEST(Frustrum, FrustrumSizeIsSixteenBytesOffTheDefaultsAndReadsIntoTheFields) {
  TGLFrustrum f;
  EXPECT_FALSE(f.StoresFrustrumSize());
  f.SetBaseWidth(2);
  EXPECT_TRUE(f.StoresFrustrumSize());
  TMemoryStream out;
  f.WriteFrustrumSize(out);
  EXPECT_EQ(out.DataString(),
            std::string("\x00\x00\x80\x3f\x00\x00\x80\x3f\x00\x00\x00\x40\x00\x00\x00\x3f", 16));
  TGLFrustrum g;
  TMemoryStream in(std::string("\x00\x00\x00\x40\x00\x00\x40\x40\x00\x00\x80\x40\x00\x00\xa0\x40", 16));
  g.ReadFrustrumSize(in);
  EXPECT_EQ(g.ApexHeight(), 2);
  EXPECT_EQ(g.BaseDepth(), 3);
  EXPECT_EQ(g.BaseWidth(), 4);
  EXPECT_EQ(g.Height(), 5);  // read as stored: no setter holds it under the apex
}

}  // namespace
}  // namespace zentrova::test
