#include "scene/gl/state_cache.h"

#include <gtest/gtest.h>

#include "platform/exception.h"
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

GLenum Capability(int index) {
  return GLStateCapability(static_cast<TGLState>(index));
}

TEST(GLStateCache, CapabilitiesInTableOrder) {
  const std::vector<GLenum> expected = {
      GL_ALPHA_TEST,       GL_AUTO_NORMAL,         GL_BLEND,          GL_COLOR_MATERIAL,
      GL_CULL_FACE,        GL_DEPTH_TEST,          GL_DITHER,         GL_FOG,
      GL_LIGHTING,         GL_LINE_SMOOTH,         GL_LINE_STIPPLE,   0x0BF1,
      GL_NORMALIZE,        GL_POINT_SMOOTH,        GL_POLYGON_SMOOTH, GL_POLYGON_STIPPLE,
      GL_SCISSOR_TEST,     GL_STENCIL_TEST,        GL_TEXTURE_1D,     GL_TEXTURE_2D,
      GL_TEXTURE_CUBE_MAP, GL_TEXTURE_RECTANGLE_NV};
  ASSERT_EQ(expected.size(), static_cast<std::size_t>(kGLStateCount));
  for (int i = 0; i < kGLStateCount; ++i)
    EXPECT_EQ(Capability(i), expected[static_cast<std::size_t>(i)]) << i;
  EXPECT_EQ(stTextureRect, kGLStateCount - 1);
}

TEST(GLStateCache, SendsACapabilityOnce) {
  TGLRecordingFake fake;
  TGLStateCache cache;
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
  EXPECT_TRUE(cache.StateEnabled(stBlend));
  EXPECT_FALSE(cache.StateEnabled(stDepthTest));
}

TEST(GLStateCache, ResetAllKeepsTheEnableBits) {
  TGLRecordingFake fake;
  TGLStateCache cache;
  cache.EnableState(stLighting);
  cache.EnableState(stCullFace);
  const std::uint32_t enabled = cache.EnabledStates();
  cache.InvertFrontFace();
  fake.Clear();
  cache.ResetAll();
  EXPECT_EQ(cache.EnabledStates(), enabled);
  EXPECT_TRUE(cache.FrontFaceCCW());
  EXPECT_EQ(
      fake.Calls(),
      (Calls{GLCall("glMaterialfv", GL_FRONT_AND_BACK, GL_AMBIENT, Values(0.2f, 0.2f, 0.2f, 1.0f)),
             GLCall("glMaterialfv", GL_FRONT_AND_BACK, GL_DIFFUSE, Values(0.8f, 0.8f, 0.8f, 1.0f)),
             GLCall("glMaterialfv", GL_FRONT_AND_BACK, GL_SPECULAR, Values(0.0f, 0.0f, 0.0f, 1.0f)),
             GLCall("glMaterialfv", GL_FRONT_AND_BACK, GL_EMISSION, Values(0.0f, 0.0f, 0.0f, 1.0f)),
             GLCall("glMateriali", GL_FRONT_AND_BACK, GL_SHININESS, 0), GLCall("glFrontFace", GL_CCW)}));
  // Still known enabled: nothing sent again.
  fake.Clear();
  cache.EnableState(stLighting);
  EXPECT_TRUE(fake.Calls().empty());
}

TEST(GLStateCache, MaterialColoursAfterAResetAreSentInFull) {
  TGLRecordingFake fake;
  TGLStateCache cache;
  cache.ResetMaterialColors();
  fake.Clear();
  cache.SetMaterialColors(GL_FRONT, kBlack, kAmbient, kDiffuse, kBlack, 0);
  // Shininess 0 equals the reset value; the four colours differ from the 0x7F pattern.
  EXPECT_EQ(fake.Calls(),
            (Calls{GLCall("glMaterialfv", GL_FRONT, GL_EMISSION, Values(0.0f, 0.0f, 0.0f, 1.0f)),
                   GLCall("glMaterialfv", GL_FRONT, GL_AMBIENT, Values(0.2f, 0.2f, 0.2f, 1.0f)),
                   GLCall("glMaterialfv", GL_FRONT, GL_DIFFUSE, Values(0.8f, 0.8f, 0.8f, 1.0f)),
                   GLCall("glMaterialfv", GL_FRONT, GL_SPECULAR, Values(0.0f, 0.0f, 0.0f, 1.0f))}));
  fake.Clear();
  cache.SetMaterialColors(GL_FRONT, kBlack, kAmbient, kDiffuse, kBlack, 10);
  EXPECT_EQ(fake.Calls(), Calls{GLCall("glMateriali", GL_FRONT, GL_SHININESS, 10)});
  // The back face has a cache of its own.
  fake.Clear();
  cache.SetMaterialColors(GL_BACK, kBlack, kAmbient, kDiffuse, kBlack, 10);
  EXPECT_EQ(fake.Calls().size(), 5u);
}

TEST(GLStateCache, ColourComparisonRules) {
  TGLRecordingFake fake;
  TGLStateCache cache;
  cache.ResetMaterialColors();
  cache.SetMaterialColors(GL_FRONT, kBlack, kAmbient, kDiffuse, kBlack, 0);
  fake.Clear();
  // A change of the specular, emission or ambient alpha alone is not sent.
  cache.SetMaterialColors(GL_FRONT, {0, 0, 0, 0.5f}, {0.2f, 0.2f, 0.2f, 0}, kDiffuse, {0, 0, 0, 0.25f}, 0);
  EXPECT_TRUE(fake.Calls().empty());
  // The diffuse alpha is.
  cache.SetMaterialColors(GL_FRONT, kBlack, kAmbient, {0.8f, 0.8f, 0.8f, 0.5f}, kBlack, 0);
  EXPECT_EQ(fake.Calls(),
            Calls{GLCall("glMaterialfv", GL_FRONT, GL_DIFFUSE, Values(0.8f, 0.8f, 0.8f, 0.5f))});
  // Bit-wise: -0 is not 0.
  fake.Clear();
  cache.SetMaterialColors(GL_FRONT, {-0.0f, 0, 0, 1}, kAmbient, {0.8f, 0.8f, 0.8f, 0.5f}, kBlack, 0);
  EXPECT_EQ(fake.Calls().size(), 1u);
  EXPECT_THROW(cache.SetMaterialColors(GL_FRONT_AND_BACK, kBlack, kAmbient, kDiffuse, kBlack, 0),
               ERangeError);
}

TEST(GLStateCache, MaterialAlphaSendsTheCachedDiffuse) {
  TGLRecordingFake fake;
  TGLStateCache cache;
  cache.SetMaterialColors(GL_BACK, kBlack, kAmbient, kDiffuse, kBlack, 0);
  fake.Clear();
  cache.SetMaterialAlpha(GL_BACK, 1);               // unchanged
  cache.SetMaterialAlpha(GL_FRONT_AND_BACK, 0.5f);  // ignored
  cache.SetMaterialAlpha(GL_BACK, 0.5f);
  EXPECT_EQ(fake.Calls(), Calls{GLCall("glMaterialfv", GL_BACK, GL_DIFFUSE, Values(0.8f, 0.8f, 0.8f, 0.5f))});
}

TEST(GLStateCache, PolygonModes) {
  TGLRecordingFake fake;
  TGLStateCache cache;
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

TEST(GLStateCache, TextureBindingsPerUnit) {
  TGLRecordingFake fake;
  TGLStateCache cache;
  cache.BindTexture(0, GL_TEXTURE_2D, 0);  // 0 is what a new cache holds
  cache.BindTexture(0, GL_TEXTURE_2D, 5);
  cache.BindTexture(0, GL_TEXTURE_2D, 5);
  cache.BindTexture(7, GL_TEXTURE_2D, 5);
  cache.ResetTextureBindings();
  cache.BindTexture(0, GL_TEXTURE_2D, 5);
  EXPECT_EQ(fake.Calls(),
            (Calls{GLCall("glBindTexture", GL_TEXTURE_2D, 5), GLCall("glBindTexture", GL_TEXTURE_2D, 5),
                   GLCall("glBindTexture", GL_TEXTURE_2D, 5)}));
  EXPECT_THROW(cache.BindTexture(8, GL_TEXTURE_2D, 1), ERangeError);
  EXPECT_THROW(cache.BindTexture(-1, GL_TEXTURE_2D, 1), ERangeError);
}

TEST(GLStateCache, TextureMatrixAndFrontFace) {
  TGLRecordingFake fake;
  TGLStateCache cache;
  cache.ResetTextureMatrix();  // already the identity
  EXPECT_TRUE(fake.Calls().empty());
  TMatrix4f m = IdentityMatrix;
  m[3] = {1, 2, 3, 1};
  cache.LoadTextureMatrix(m);
  EXPECT_FALSE(cache.TextureMatrixIsIdentity());
  cache.ResetTextureMatrix();
  cache.ResetTextureMatrix();
  EXPECT_EQ(fake.Calls(),
            (Calls{GLCall("glMatrixMode", GL_TEXTURE),
                   GLCall("glLoadMatrixf", Values(1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f,
                                                  1.0f, 0.0f, 1.0f, 2.0f, 3.0f, 1.0f)),
                   GLCall("glMatrixMode", GL_MODELVIEW), GLCall("glMatrixMode", GL_TEXTURE),
                   "glLoadIdentity()", GLCall("glMatrixMode", GL_MODELVIEW)}));
  fake.Clear();
  cache.InvertFrontFace();
  cache.InvertFrontFace();
  EXPECT_TRUE(cache.FrontFaceCCW());
  EXPECT_EQ(fake.Calls(), (Calls{GLCall("glFrontFace", GL_CW), GLCall("glFrontFace", GL_CCW)}));
}

}  // namespace
}  // namespace zentrova
