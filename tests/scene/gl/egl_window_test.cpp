// A window context on a plain Xlib window; runs under a virtual X server.
#include <gtest/gtest.h>

#include <cstdlib>

#include "scene/gl/context.h"
#include "scene/gl/egl_context.h"
#include "scene/gl/gl_fixtures.h"
#include "scene/gl/opengl_binding.h"
#include "scene/gl/platform_helpers.h"
#include "test_support.h"

// Last: Xlib's macros (None, Bool, Status) would clash with the names of the headers above.
#include <X11/Xlib.h>

namespace zentrova {
namespace {

using test::ReadPixel;
using Pixel = std::array<std::uint8_t, 4>;

class X11WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    display_ = XOpenDisplay(nullptr);
    ASSERT_NE(display_, nullptr) << "no X display";
    const int screen = DefaultScreen(display_);
    window_ = XCreateSimpleWindow(display_, RootWindow(display_, screen), 0, 0, 64, 48, 0,
                                  BlackPixel(display_, screen), BlackPixel(display_, screen));
    XMapWindow(display_, window_);
    XSync(display_, False);
    RegisterEGLContextClass();
  }
  void TearDown() override {
    if (display_ == nullptr) return;
    XDestroyWindow(display_, window_);
    XCloseDisplay(display_);
  }

  Display* display_ = nullptr;
  Window window_ = 0;
};

TEST_F(X11WindowTest, RendersAClearedFrameThatReadsBackRight) {
  {
    std::unique_ptr<TGLContext> context = GLContextManager()->NewContext();
    ASSERT_NE(context, nullptr);
    context->SetOptions(rcoDoubleBuffered);
    context->SetDepthBits(24);
    context->CreateOnDevice({display_, window_});
    ASSERT_TRUE(context->IsValid());
    EXPECT_EQ(context->DeviceContext().x_window, window_);
    EXPECT_FALSE(dynamic_cast<TGLEGLContext&>(*context).IsPBuffer());

    context->Activate();
    EXPECT_TRUE(GL.VERSION_1_5);
    std::array<GLint, 4> viewport{};
    gl.GetIntegerv(GL_VIEWPORT, viewport.data());
    EXPECT_EQ(viewport, (std::array<GLint, 4>{0, 0, 64, 48}));
    gl.ClearColor(0.0f, 1.0f, 1.0f, 1.0f);
    gl.Clear(GL_COLOR_BUFFER_BIT);
    gl.Finish();
    EXPECT_EQ(ReadPixel(32, 24), (Pixel{0, 255, 255, 255}));
    context->SwapBuffers();
    EXPECT_NO_THROW(RaiseOnGLError());
    context->Deactivate();

    // A window context and a pbuffer context live on different EGL displays: they cannot share.
    std::unique_ptr<TGLContext> offscreen = test::NewPBufferContext(16, 16);
    test::ExpectError<Exception>([&] { context->ShareObjectNames(offscreen.get()); },
                                 "Incompatible contexts");
  }
  // The context is gone before the window and the X connection close.
}

TEST_F(X11WindowTest, ScreenCapsComeFromTheDisplay) {
  const TScreenCaps caps = ReadScreenCaps();
  EXPECT_TRUE(caps.LogPixelsX > 0 && caps.LogPixelsY > 0);
  // Depth 24 is stored in 32 bits; there is no palette.
  EXPECT_EQ((std::array{caps.BitsPixel, caps.NumColors}), (std::array{32, -1}));
}

}  // namespace
}  // namespace zentrova
