#include "scene/gl/state_cache.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/exception.h"
#include "scene/base/matrix_geometry.h"
#include "scene/gl/gl_fixtures.h"

namespace zentrova {
namespace {

using test::GLCall;
using test::TGLRecordingFake;
using test::Values;
using Calls = std::vector<std::string>;

constexpr TVector4f kBlack{0, 0, 0, 1};
constexpr TVector4f kAmbient{0.2f, 0.2f, 0.2f, 1};
constexpr TVector4f kDiffuse{0.8f, 0.8f, 0.8f, 1};

class GLStateCache : public ::testing::Test {
 protected:
  TGLRecordingFake fake;
  TGLStateCache cache;
};

TEST_F(GLStateCache, SendsACapabilityOnce) {
  EXPECT_TRUE(fake.Calls().empty());  // creating sends nothing
  cache.EnableState(stBlend);
  cache.EnableState(stBlend);
  cache.DisableState(stDepthTest);  // not known enabled: nothing to send
  cache.DisableState(stBlend);
  cache.DisableState(stBlend);
  cache.EnableState(stBlend);
  cache.EnableState(stTextureRect);
  EXPECT_EQ(fake.Calls(), (Calls{GLCall("glEnable", GL_BLEND), GLCall("glDisable", GL_BLEND),
                                 GLCall("glEnable", GL_BLEND), GLCall("glEnable", GL_TEXTURE_RECTANGLE_NV)}));
  EXPECT_TRUE(cache.StateEnabled(stBlend) && !cache.StateEnabled(stDepthTest));
}

// After a pop the cache knows of the popped groups what it knew at the push, and of the others what it
// learnt meanwhile; the pop itself sends nothing.
TEST_F(GLStateCache, APopPutsBackWhatTheCacheKnewOfThePoppedGroups) {
  struct TCase {
    GLbitfield mask;
    std::vector<TGLState> back;
    bool polygon, material, textures;
  };
  std::vector<TGLState> all;
  for (int i = 0; i < kGLStateCount; ++i) all.push_back(static_cast<TGLState>(i));
  const TCase cases[] = {
      {GL_ENABLE_BIT, all, false, false, false},
      {GL_POLYGON_BIT, {stCullFace, stPolygonSmooth, stPolygonStipple}, true, false, false},
      {GL_LIGHTING_BIT, {stColorMaterial, stLighting}, false, true, false},
      {GL_TEXTURE_BIT, {stTexture1D, stTexture2D, stTextureCubeMap, stTextureRect}, false, false, true},
      {GL_COLOR_BUFFER_BIT, {stAlphaTest, stBlend, stDither, stLogicOp}, false, false, false},
      {GL_DEPTH_BUFFER_BIT, {stDepthTest}, false, false, false},
      {GL_LINE_BIT | GL_FOG_BIT, {stFog, stLineSmooth, stLineStipple}, false, false, false},
      {GL_EVAL_BIT | GL_TRANSFORM_BIT | GL_POINT_BIT | GL_SCISSOR_BIT | GL_STENCIL_BUFFER_BIT,
       {stAutoNormal, stNormalize, stPointSmooth, stScissorTest, stStencilTest}, false, false, false},
      {GL_CURRENT_BIT, {}, false, false, false},
      {GL_ALL_ATTRIB_BITS, all, true, true, true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "mask 0x" << std::hex << c.mask);
    TGLStateCache at_push;
    at_push.SetPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    at_push.SetMaterialColors(GL_FRONT, kBlack, kAmbient, kDiffuse, kBlack, 0);
    TGLStateCache now = at_push;
    for (TGLState s : all) now.EnableState(s);
    now.SetPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    now.InvertFrontFace();
    now.SetMaterialColors(GL_FRONT, kBlack, kBlack, kBlack, kBlack, 9);
    now.BindTexture(0, GL_TEXTURE_2D, 5);
    fake.Clear();
    now.RestorePopped(at_push, c.mask);
    EXPECT_TRUE(fake.Calls().empty());
    for (TGLState s : all) {
      EXPECT_EQ(now.StateEnabled(s), std::find(c.back.begin(), c.back.end(), s) == c.back.end()) << int(s);
    }
    EXPECT_EQ(now.FrontFaceCCW(), c.polygon);
    // Asking again for what the push knew sends nothing exactly when that was put back.
    fake.Clear();
    now.SetPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    EXPECT_EQ(fake.Calls().empty(), c.polygon);
    fake.Clear();
    now.SetMaterialColors(GL_FRONT, kBlack, kAmbient, kDiffuse, kBlack, 0);
    EXPECT_EQ(fake.Calls().empty(), c.material);
    fake.Clear();
    now.BindTexture(0, GL_TEXTURE_2D, 0);
    EXPECT_EQ(fake.Calls().empty(), c.textures);
  }
}

TEST_F(GLStateCache, ResetAllKeepsTheEnableBits) {
  cache.EnableState(stLighting);
  cache.EnableState(stCullFace);
  const std::uint32_t enabled = cache.EnabledStates();
  cache.InvertFrontFace();
  fake.Clear();
  cache.ResetAll();
  EXPECT_TRUE(cache.EnabledStates() == enabled && cache.FrontFaceCCW());
  EXPECT_EQ(fake.Calls(), test::GoldenCalls("state_reset_all"));
  // Still known enabled: nothing sent again.
  fake.Clear();
  cache.EnableState(stLighting);
  EXPECT_TRUE(fake.Calls().empty());
}

TEST_F(GLStateCache, MaterialColoursAfterAResetAreSentInFull) {
  cache.ResetMaterialColors();
  fake.Clear();
  cache.SetMaterialColors(GL_FRONT, kBlack, kAmbient, kDiffuse, kBlack, 0);
  // Shininess 0 equals the reset value; the four colours differ from the 0x7F pattern.
  EXPECT_EQ(fake.Calls(), test::GoldenCalls("state_material_after_reset"));
  fake.Clear();
  cache.SetMaterialColors(GL_FRONT, kBlack, kAmbient, kDiffuse, kBlack, 10);
  EXPECT_EQ(fake.Calls(), Calls{GLCall("glMateriali", GL_FRONT, GL_SHININESS, 10)});
  // The back face has a cache of its own.
  fake.Clear();
  cache.SetMaterialColors(GL_BACK, kBlack, kAmbient, kDiffuse, kBlack, 10);
  EXPECT_EQ(fake.Calls().size(), 5u);
  fake.Clear();
  // A change of the specular, emission or ambient alpha alone is not sent.
  cache.SetMaterialColors(GL_FRONT, {0, 0, 0, 0.5f}, {0.2f, 0.2f, 0.2f, 0}, kDiffuse, {0, 0, 0, 0.25f}, 10);
  EXPECT_TRUE(fake.Calls().empty());
  // The diffuse alpha is.
  cache.SetMaterialColors(GL_FRONT, kBlack, kAmbient, {0.8f, 0.8f, 0.8f, 0.5f}, kBlack, 10);
  EXPECT_EQ(fake.Calls(),
            Calls{GLCall("glMaterialfv", GL_FRONT, GL_DIFFUSE, Values(0.8f, 0.8f, 0.8f, 0.5f))});
  // Bit-wise: -0 is not 0.
  fake.Clear();
  cache.SetMaterialColors(GL_FRONT, {-0.0f, 0, 0, 1}, kAmbient, {0.8f, 0.8f, 0.8f, 0.5f}, kBlack, 10);
  EXPECT_EQ(fake.Calls().size(), 1u);
  EXPECT_THROW(cache.SetMaterialColors(GL_FRONT_AND_BACK, kBlack, kAmbient, kDiffuse, kBlack, 0),
               ERangeError);
}

TEST_F(GLStateCache, MaterialAlphaSendsTheCachedDiffuse) {
  cache.SetMaterialColors(GL_BACK, kBlack, kAmbient, kDiffuse, kBlack, 0);
  fake.Clear();
  cache.SetMaterialAlpha(GL_BACK, 1);               // unchanged
  cache.SetMaterialAlpha(GL_FRONT_AND_BACK, 0.5f);  // ignored
  cache.SetMaterialAlpha(GL_BACK, 0.5f);
  EXPECT_EQ(fake.Calls(), Calls{GLCall("glMaterialfv", GL_BACK, GL_DIFFUSE, Values(0.8f, 0.8f, 0.8f, 0.5f))});
}

TEST_F(GLStateCache, PolygonModes) {
  cache.SetPolygonMode(GL_FRONT, GL_LINE);
  cache.SetPolygonMode(GL_BACK, GL_LINE);
  cache.SetPolygonMode(GL_FRONT_AND_BACK, GL_LINE);  // both already lines
  cache.SetPolygonMode(GL_FRONT, GL_LINE);
  cache.SetPolygonMode(GL_LEFT, GL_POINT);  // not a face
  cache.SetPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  cache.ResetPolygonModeCache();
  cache.SetPolygonMode(GL_BACK, GL_FILL);
  EXPECT_EQ(fake.Calls(),
            (Calls{GLCall("glPolygonMode", GL_FRONT, GL_LINE), GLCall("glPolygonMode", GL_BACK, GL_LINE),
                   GLCall("glPolygonMode", GL_FRONT_AND_BACK, GL_FILL),
                   GLCall("glPolygonMode", GL_BACK, GL_FILL)}));
}

TEST_F(GLStateCache, TextureBindingsPerUnit) {
  cache.BindTexture(0, GL_TEXTURE_2D, 0);  // 0 is what a new cache holds
  cache.BindTexture(0, GL_TEXTURE_2D, 5);
  cache.BindTexture(0, GL_TEXTURE_2D, 5);
  cache.BindTexture(7, GL_TEXTURE_2D, 5);
  cache.ResetTextureBindings();
  cache.BindTexture(0, GL_TEXTURE_2D, 5);
  EXPECT_EQ(fake.Calls(), test::GoldenCalls("state_texture_bindings"));
  for (int unit : {8, -1}) EXPECT_THROW(cache.BindTexture(unit, GL_TEXTURE_2D, 1), ERangeError);
}

TEST_F(GLStateCache, TextureMatrixAndFrontFace) {
  cache.ResetTextureMatrix();  // already the identity
  EXPECT_TRUE(fake.Calls().empty());
  cache.LoadTextureMatrix(ScaleTranslateMatrix(TAffineVector{1, 1, 1}, TAffineVector{1, 2, 3}));
  EXPECT_FALSE(cache.TextureMatrixIsIdentity());
  cache.ResetTextureMatrix();
  cache.ResetTextureMatrix();
  EXPECT_EQ(fake.Calls(), test::GoldenCalls("state_texture_matrix"));
  fake.Clear();
  cache.InvertFrontFace();
  cache.InvertFrontFace();
  EXPECT_EQ(fake.Calls(), (Calls{GLCall("glFrontFace", GL_CW), GLCall("glFrontFace", GL_CCW)}));
}

}  // namespace
}  // namespace zentrova
