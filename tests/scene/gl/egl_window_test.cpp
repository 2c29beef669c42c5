// A window context on a plain Xlib window; runs under a virtual X server.
#include <gtest/gtest.h>

#include <cstdlib>

#include "scene/gl/context.h"
#include "scene/gl/egl_context.h"
#include "scene/gl/gl_fixtures.h"
#include "scene/gl/opengl_binding.h"
#include "scene/gl/platform_helpers.h"
#include "test_support.h"

#include <EGL/egl.h>

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
    test::KeepGLDriverLoaded();
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

    // With a window context on the X display, off-screen contexts are made there too and share its lists.
    EXPECT_EQ(OffscreenXDisplay(), display_);
    std::unique_ptr<TGLContext> offscreen = test::NewPBufferContext(16, 16);
    EXPECT_EQ(dynamic_cast<TGLEGLContext&>(*offscreen).Display(), dynamic_cast<TGLEGLContext&>(*context).Display());
    offscreen->Activate();
    const GLuint list = gl.GenLists(1);
    offscreen->Deactivate();
    context->Activate();
    EXPECT_TRUE(gl.IsList(list));  // one share group
    context->Deactivate();
  }
  // The context is gone before the window and the X connection close.
}

TEST_F(X11WindowTest, ANamedDisplayTakesOffscreenContextsAndOnlyWindowsSwapAtAnInterval) {
  SetOffscreenXDisplay(display_);
  {
    std::unique_ptr<TGLContext> offscreen = test::NewPBufferContext(16, 16);  // before any window
    std::unique_ptr<TGLContext> window = GLContextManager()->NewContext();
    window->SetOptions(rcoDoubleBuffered);
    window->CreateOnDevice({display_, window_});
    auto& egl = dynamic_cast<TGLEGLContext&>(*window);
    EXPECT_EQ(dynamic_cast<TGLEGLContext&>(*offscreen).Display(), egl.Display());
    EXPECT_NO_THROW(window->ShareObjectNames(offscreen.get()));
    // EGL clamps the interval to the configuration's range: a virtual X server may allow 1 only.
    EGLint lowest = 0;
    eglGetConfigAttrib(egl.Display(), egl.Config(), EGL_MIN_SWAP_INTERVAL, &lowest);
    offscreen->Activate();
    EXPECT_EQ(egl.SwapInterval(), 1);
    EXPECT_TRUE(egl.SetSwapInterval(0));
    EXPECT_EQ(egl.SwapInterval(), lowest);
    EXPECT_FALSE(dynamic_cast<TGLEGLContext&>(*offscreen).SetSwapInterval(0));
    gl.ClearColor(1, 0, 0, 1);  // the off-screen context got its binding back
    gl.Clear(GL_COLOR_BUFFER_BIT);
    EXPECT_EQ(ReadPixel(1, 1), (Pixel{255, 0, 0, 255}));
    offscreen->Deactivate();
  }
  SetOffscreenXDisplay(nullptr);
  EXPECT_EQ(OffscreenXDisplay(), nullptr);  // without a window context: the surfaceless display
}

TEST_F(X11WindowTest, ScreenCapsComeFromTheDisplay) {
  const TScreenCaps caps = ReadScreenCaps();
  EXPECT_TRUE(caps.LogPixelsX > 0 && caps.LogPixelsY > 0);
  // Depth 24 is stored in 32 bits; there is no palette.
  EXPECT_EQ((std::array{caps.BitsPixel, caps.NumColors}), (std::array{32, -1}));
}

}  // namespace
}  // namespace zentrova
