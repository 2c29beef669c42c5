#include "scene/gl/texture_coordinates.h"

#include <gtest/gtest.h>

#include "scene/base/scene_errors.h"
#include "scene/gl/gl_fixtures.h"
#include "scene/gl/opengl_binding.h"

namespace zentrova {
namespace {

using test::GLCall;
using test::TGLRecordingFake;
using test::Values;
using Calls = std::vector<std::string>;

constexpr GLenum u0 = GL_TEXTURE0_ARB;
constexpr GLenum u2 = GL_TEXTURE2_ARB;

// Every test starts from the routing of a started program (no mapping), with multitexture available.
class TexCoordRouting : public ::testing::Test {
 protected:
  void SetUp() override {
    TearDown();
    fake_.Clear();
  }
  void TearDown() override {
    GL.ARB_multitexture = true;
    UnlockSecondTexUnit();
    TexCoordRouteNone();
  }
  TGLRecordingFake fake_;
};

TEST_F(TexCoordRouting, NoneSendsNothingAndMainSendsThePlainCall) {
  const GLfloat st[2] = {0.25f, 0.5f};
  RoutedTexCoord2f(1, 2);
  RoutedEnable(GL_TEXTURE_2D);
  EXPECT_TRUE(fake_.Calls().empty());
  TexCoordRouteMain();
  RoutedTexCoord2f(1, 2);
  RoutedTexCoord2fv(st);
  RoutedEnable(GL_TEXTURE_2D);
  EXPECT_EQ(fake_.Calls(),
            (Calls{GLCall("glTexCoord2f", 1.0f, 2.0f), GLCall("glTexCoord2fv", Values(0.25f, 0.5f)),
                   GLCall("glEnable", GL_TEXTURE_2D)}));
}

TEST_F(TexCoordRouting, SecondAndDualForms) {
  TexCoordRouteSecond();
  RoutedTexCoord2f(1, 2);
  RoutedTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
  RoutedDisableClientState(GL_TEXTURE_COORD_ARRAY);
  EXPECT_EQ(fake_.Calls(), test::GoldenCalls("route_second"));
  fake_.Clear();
  TexCoordRouteBoth();
  RoutedTexCoord3f(1, 2, 3);
  RoutedDisable(GL_TEXTURE_2D);
  EXPECT_EQ(fake_.Calls(), test::GoldenCalls("route_dual"));
}

TEST_F(TexCoordRouting, MaskRoutesToTheListedUnitsAndEndsOnUnitZero) {
  TexCoordRouteMask(5);
  EXPECT_EQ(TexCoordRouteUnitList(), (std::vector<GLenum>{u0, u2}));
  EXPECT_EQ(TexCoordRouteCurrentMask(), 5u);
  const GLfloat v[4] = {1, 2, 3, 4};
  RoutedTexCoord4fv(v);
  RoutedEnableClientState(GL_TEXTURE_COORD_ARRAY);
  EXPECT_EQ(fake_.Calls(), test::GoldenCalls("route_mask"));
  // Adding unit 1 to the mask in force.
  TexCoordRouteAddMask(2);
  EXPECT_EQ(TexCoordRouteCurrentMask(), 7u);
  // An empty list sends nothing but still selects unit 0 again.
  fake_.Clear();
  TexCoordRouteUnits({});
  RoutedTexCoord2f(0, 0);
  RoutedEnable(GL_TEXTURE_2D);
  EXPECT_EQ(fake_.Calls(), Calls{GLCall("glActiveTextureARB", u0)});
}

TEST_F(TexCoordRouting, AnUpdateAppliesOnlyTheLastMappingOnce) {
  EXPECT_THROW(TexCoordRouteCurrentMask(), EAssertionFailed);  // no mapping yet
  TexCoordRouteMain();
  TexCoordRouteNone();
  const int binds = TexCoordRouteBindCount();
  TexCoordRouteBeginUpdate();
  TexCoordRouteSecond();
  EXPECT_EQ(TexCoordRouteCurrentMask(), 2u);  // the pending one
  TexCoordRouteBeginUpdate();
  TexCoordRouteBoth();
  EXPECT_EQ(TexCoordRouteCurrentMask(), 3u);
  TexCoordRouteMain();
  TexCoordRouteEndUpdate();
  EXPECT_EQ(TexCoordRouteMapping(), tcmNone);
  TexCoordRouteEndUpdate();
  EXPECT_TRUE(TexCoordRouteMapping() == tcmMain && TexCoordRouteBindCount() == binds + 1);
  // Back to the mapping in force: nothing to rebind.
  TexCoordRouteBeginUpdate();
  TexCoordRouteSecond();
  TexCoordRouteMain();
  TexCoordRouteEndUpdate();
  TexCoordRouteMain();
  EXPECT_EQ(TexCoordRouteBindCount(), binds + 1);
  // An unmatched end changes nothing; the next begin starts a fresh first level.
  TexCoordRouteEndUpdate();
  TexCoordRouteBeginUpdate();
  TexCoordRouteSecond();
  TexCoordRouteEndUpdate();
  EXPECT_EQ(TexCoordRouteMapping(), tcmSecond);
}

TEST_F(TexCoordRouting, TheSecondUnitNeedsMultitextureAndNoLock) {
  LockSecondTexUnit();
  TexCoordRouteBoth();
  EXPECT_EQ(TexCoordRouteMapping(), tcmMain);
  TexCoordRouteSecond();
  EXPECT_EQ(TexCoordRouteMapping(), tcmNone);
  TexCoordRouteMask(7);
  EXPECT_EQ(TexCoordRouteUnitList(), (std::vector<GLenum>{u0, u2}));
  UnlockSecondTexUnit();
  TexCoordRouteNone();
  GL.ARB_multitexture = false;
  for (const auto route :
       {+[] { TexCoordRouteSecond(); }, +[] { TexCoordRouteBoth(); }, +[] { TexCoordRouteMask(1); }})
    EXPECT_THROW(route(), EAssertionFailed);
  TexCoordRouteMain();
  EXPECT_EQ(TexCoordRouteMapping(), tcmMain);
}

}  // namespace
}  // namespace zentrova
