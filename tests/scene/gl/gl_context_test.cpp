// Real off-screen contexts on EGL's surfaceless platform (no display needed).
#include <gtest/gtest.h>

#include "scene/expect_near.h"
#include "scene/gl/context.h"
#include "scene/gl/egl_context.h"
#include "scene/gl/gl_fixtures.h"
#include "scene/gl/opengl_binding.h"
#include "scene/gl/state_cache.h"
#include "scene/gl/texture_coordinates.h"
#include "test_support.h"

namespace zentrova {
namespace {

using test::ExpectError;
using test::GLContextTest;
using test::NewPBufferContext;
using test::ReadPixel;

using Pixel = std::array<std::uint8_t, 4>;

TEST_F(GLContextTest, ReportsOpenGL15WithItsFlags) {
  int major = 0;
  int minor = 0;
  SplitVersionString(GLGetString(GL_VERSION), major, minor);
  EXPECT_TRUE(major > 1 || (major == 1 && minor >= 5)) << GLGetString(GL_VERSION);
  EXPECT_TRUE(GL.VERSION_1_1 && GL.VERSION_1_4 && GL.VERSION_1_5 && GLU.VERSION_1_1);
  // What the compatibility profile of this renderer offers, found as whole names.
  EXPECT_TRUE(GL.ARB_multitexture && GL.ARB_texture_cube_map && !WGL.ARB_pbuffer);
  EXPECT_TRUE(gl.ActiveTextureARB != nullptr && gl.MultiTexCoord2fARB != nullptr);
}

TEST_F(GLContextTest, IsAnEightBitConfigWithDepth24OnTheSoftwareRenderer) {
  auto& egl = dynamic_cast<TGLEGLContext&>(Context());
  EXPECT_TRUE(egl.IsPBuffer() && egl.ConfigID() != 0);
  const GLenum channels[] = {GL_RED_BITS, GL_GREEN_BITS, GL_BLUE_BITS, GL_ALPHA_BITS, GL_DEPTH_BITS};
  std::array<GLint, 5> bits{};
  for (int i = 0; i < 5; ++i) gl.GetIntegerv(channels[i], &bits[i]);
  EXPECT_EQ(bits, (std::array<GLint, 5>{8, 8, 8, 8, 24}));
  EXPECT_EQ(Context().Acceleration(), IsSoftwareRenderer(GLGetString(GL_RENDERER)) ? chSoftware : chHardware);
}

TEST_F(GLContextTest, DrawsAfterAnInnerDeactivationAndReadsBack) {
  Context().Activate();
  Context().Deactivate();
  EXPECT_EQ(ActiveContext(), &Context());
  gl.ClearColor(1.0f, 0.5f, 0.25f, 1.0f);
  gl.Clear(GL_COLOR_BUFFER_BIT);
  gl.Finish();
  test::ExpectNear(ReadPixel(10, 20), {255, 128, 64, 255}, 1);
  EXPECT_NO_THROW(RaiseOnGLError());
}

TEST(GLContextSharing, AListHandleServesTheWholeGroup) {
  std::unique_ptr<TGLContext> a = NewPBufferContext(32, 32);
  std::unique_ptr<TGLContext> b = NewPBufferContext(32, 32);
  a->ShareObjectNames(b.get());
  EXPECT_TRUE(b->SharesNamesWith(a.get()));

  TGLListHandle list;
  a->Activate();
  list.AllocName();
  ASSERT_NE(list.Handle(), 0u);
  gl.NewList(list.Handle(), GL_COMPILE);
  gl.ClearColor(0, 0, 1, 1);
  gl.Clear(GL_COLOR_BUFFER_BIT);
  gl.EndList();
  a->Deactivate();

  // The list drawn in the other context.
  b->Activate();
  EXPECT_TRUE(gl.IsList(list.Handle()));
  gl.CallList(list.Handle());
  gl.Finish();
  EXPECT_EQ(ReadPixel(5, 5), (Pixel{0, 0, 255, 255}));
  b->Deactivate();

  // Releasing the first hands the list to the second, name and all.
  const GLuint name = list.Handle();
  a->Release();
  EXPECT_EQ(list.RenderingContext(), b.get());
  EXPECT_EQ(list.Handle(), name);
  b->Activate();
  EXPECT_TRUE(gl.IsList(name));
  list.FreeName();
  EXPECT_FALSE(gl.IsList(name));
  EXPECT_EQ(list.Handle(), 0u);
  b->Deactivate();
}

TEST(GLContextSharing, AReleasedContextCanBeCreatedAgain) {
  std::unique_ptr<TGLContext> a = NewPBufferContext(16, 16);
  a->Release();
  EXPECT_FALSE(a->IsValid());
  a->CreateOffscreen({}, 16, 16);
  a->Activate();
  gl.ClearColor(1, 1, 1, 1);
  gl.Clear(GL_COLOR_BUFFER_BIT);
  EXPECT_EQ(ReadPixel(0, 0), (Pixel{255, 255, 255, 255}));
  a->Deactivate();
}

TEST_F(GLContextTest, StateCacheDrivesTheRealContext) {
  TGLStateCache states;
  states.EnableState(stBlend);
  states.ResetAll();
  EXPECT_TRUE(gl.IsEnabled(GL_BLEND));
  states.SetMaterialColors(GL_FRONT, {0, 0, 0, 1}, {0.1f, 0.2f, 0.3f, 1}, {0.4f, 0.5f, 0.6f, 0.5f},
                           {1, 1, 1, 1}, 32);
  GLfloat diffuse[4] = {};
  gl.GetMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
  test::ExpectNear(diffuse, {0.4, 0.5, 0.6, 0.5}, 1e-6);
  states.SetPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
  std::array<GLint, 2> modes{};
  gl.GetIntegerv(GL_POLYGON_MODE, modes.data());
  EXPECT_EQ(modes, (std::array<GLint, 2>{GL_LINE, GL_LINE}));
  states.DisableState(stBlend);
  EXPECT_FALSE(gl.IsEnabled(GL_BLEND));
  EXPECT_NO_THROW(RaiseOnGLError());
}

TEST_F(GLContextTest, RoutedCallsReachTheSecondUnit) {
  TexCoordRouteNone();
  TexCoordRouteSecond();
  RoutedTexCoord2f(0.25f, 0.75f);
  RoutedEnable(GL_TEXTURE_2D);
  GLfloat coordinates[4] = {};
  gl.ActiveTextureARB(GL_TEXTURE1_ARB);
  gl.GetFloatv(GL_CURRENT_TEXTURE_COORDS, coordinates);
  const bool enabled_on_second = gl.IsEnabled(GL_TEXTURE_2D);
  gl.ActiveTextureARB(GL_TEXTURE0_ARB);
  test::ExpectNear(coordinates, {0.25, 0.75, 0, 1}, 1e-6);
  EXPECT_TRUE(enabled_on_second && !gl.IsEnabled(GL_TEXTURE_2D));
  TexCoordRouteNone();
  EXPECT_NO_THROW(RaiseOnGLError());
}

}  // namespace
}  // namespace zentrova
