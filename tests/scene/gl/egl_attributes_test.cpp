#include <EGL/egl.h>
#include <gtest/gtest.h>

#include "scene/gl/egl_context.h"

namespace zentrova {
namespace {

using Attribs = std::vector<std::int32_t>;

TEST(EGLAttributeList, PairsEndedByNone) {
  TGLEGLContext context;
  context.AddIAttrib(EGL_DEPTH_SIZE, 24);
  context.AddIAttrib(EGL_RED_SIZE, 8);
  context.ChangeIAttrib(EGL_DEPTH_SIZE, 16);
  context.ChangeIAttrib(EGL_SAMPLES, 4);
  EXPECT_EQ(context.IAttribs(), (Attribs{EGL_DEPTH_SIZE, 16, EGL_RED_SIZE, 8, EGL_SAMPLES, 4, EGL_NONE}));
  context.DropIAttrib(EGL_RED_SIZE);
  context.DropIAttrib(EGL_STENCIL_SIZE);
  EXPECT_EQ(context.IAttribs(), (Attribs{EGL_DEPTH_SIZE, 16, EGL_SAMPLES, 4, EGL_NONE}));
  // A value equal to an attribute name is not taken for one.
  context.AddIAttrib(EGL_ALPHA_SIZE, EGL_SAMPLES);
  context.DropIAttrib(EGL_SAMPLES);
  EXPECT_EQ(context.IAttribs(), (Attribs{EGL_DEPTH_SIZE, 16, EGL_ALPHA_SIZE, EGL_SAMPLES, EGL_NONE}));
  context.ClearIAttribs();
  EXPECT_EQ(context.IAttribs(), Attribs{EGL_NONE});  // as a new context has it
}

TEST(EGLContextClass, NotCreatedUntilAskedErrorNamesAndSoftwareRenderers) {
  TGLEGLContext context;
  context.SwapBuffers();  // nothing to swap
  EXPECT_THROW(context.Activate(), EGLContext);
  EXPECT_EQ(EGLErrorName(EGL_BAD_MATCH), "EGL_BAD_MATCH");
  EXPECT_EQ(EGLErrorName(0x1234), "EGL error");
  for (const char* renderer : {"llvmpipe (LLVM 15.0.6, 256 bits)", "softpipe", "Mesa swrast"})
    EXPECT_TRUE(IsSoftwareRenderer(renderer)) << renderer;
  EXPECT_FALSE(IsSoftwareRenderer("AMD Radeon RX 6600 (radeonsi)"));
}

}  // namespace
}  // namespace zentrova
