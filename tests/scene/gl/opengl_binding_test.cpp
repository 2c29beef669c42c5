#include "scene/gl/opengl_binding.h"

#include <gtest/gtest.h>

#include <cmath>

#include "scene/gl/gl_fixtures.h"

namespace zentrova {
namespace {

using test::GLCall;
using test::TGLRecordingFake;

std::pair<int, int> Split(std::string_view text) {
  int major = -1;
  int minor = -1;
  SplitVersionString(text, major, minor);
  return {major, minor};
}

TEST(SplitVersionString, TakesTheDigitsAroundTheFirstDot) {
  EXPECT_EQ(Split("1.5.2 Vendor"), std::make_pair(1, 5));
  EXPECT_EQ(Split("OpenGL 2.0"), std::make_pair(2, 0));
  EXPECT_EQ(Split("4.5 (Compatibility Profile) Mesa 22.3.6"), std::make_pair(4, 5));
  EXPECT_EQ(Split("1.3 Mesa"), std::make_pair(1, 3));
  EXPECT_EQ(Split("12.34beta"), std::make_pair(12, 34));
  // Anything else fails to (0, 0): nothing or no digit before or after the dot, a first dot without
  // digits around it, a number too large for an integer.
  for (const char* text : {"no version", "", ".5", "1.", "v.1", "1.x", "Mesa. 3.1", "99999999999.1"})
    EXPECT_EQ(Split(text), std::make_pair(0, 0)) << text;
}

TEST(ExtensionPresent, MatchesWholeNamesOnly) {
  // A longer name that starts with the searched one comes first: the exact name further on still counts.
  EXPECT_TRUE(ExtensionPresent("GL_EXT_texture", "GL_EXT_texture3D GL_EXT_texture_object GL_EXT_texture"));
  EXPECT_FALSE(ExtensionPresent("GL_EXT_texture", "GL_EXT_texture3D GL_EXT_texture_object"));
  // First and last in the list, with or without blanks around.
  EXPECT_TRUE(ExtensionPresent("GL_ARB_multisample", "GL_ARB_multisample GL_ARB_multitexture"));
  EXPECT_TRUE(ExtensionPresent("WGL_ARB_pbuffer", "WGL_ARB_pixel_format WGL_ARB_pbuffer"));
  EXPECT_TRUE(ExtensionPresent("GL_A", "GL_A"));
  EXPECT_TRUE(ExtensionPresent("GL_A", "  GL_B\tGL_A \n"));
  // Inside a longer name, or as its tail, it is not there.
  EXPECT_FALSE(ExtensionPresent("EXT_stencil_two_side", "GL_EXT_stencil_two_side"));
  EXPECT_FALSE(ExtensionPresent("WGL_ARB_pixel_format", "WGL_ARB_pixel_format_float"));
  EXPECT_FALSE(ExtensionPresent("", "GL_A GL_B"));
  EXPECT_FALSE(ExtensionPresent("GL_A", ""));
}

TEST(DetectGLExtensions, VersionFlagsFollowTheVersionText) {
  TGLRecordingFake fake;
  fake.Version = "1.1.0";
  fake.GLUVersion = "1.2.2";
  DetectGLExtensions();
  EXPECT_TRUE(GL.VERSION_1_0 && GL.VERSION_1_1 && !GL.VERSION_1_2 && !GL.VERSION_1_5);
  EXPECT_TRUE(GLU.VERSION_1_1 && GLU.VERSION_1_2 && !GLU.VERSION_1_3);

  fake.Version = "2.0";
  fake.GLUVersion = "garbage";
  DetectGLExtensions();
  EXPECT_TRUE(GL.VERSION_1_1 && GL.VERSION_1_2 && GL.VERSION_1_3 && GL.VERSION_1_4 && GL.VERSION_1_5);
  EXPECT_TRUE(GLU.VERSION_1_1 && !GLU.VERSION_1_2);

  fake.Version = "";
  DetectGLExtensions();
  EXPECT_TRUE(GL.VERSION_1_0 && !GL.VERSION_1_1);
}

TEST(DetectGLExtensions, ReadsTheExtensionStrings) {
  TGLRecordingFake fake;
  fake.Extensions =
      "GL_ARB_multisample GL_ARB_multitexture_x GL_EXT_stencil_two_side GL_3DFX_tbuffer "
      "GL_ARB_texture_cube_map";
  fake.GLUExtensions = "GLU_EXT_object_space_tess";
  DetectGLExtensions();
  // The very first name of the list, the last one without a trailing blank, none by a longer name.
  EXPECT_TRUE(GL.ARB_multisample && GL.EXT_stencil_two_side && GL._3DFX_tbuffer && GL.ARB_texture_cube_map);
  EXPECT_FALSE(GL.ARB_multitexture || GL.EXT_texture3D || GLU.EXT_TEXTURE);
  EXPECT_TRUE(GLU.EXT_object_space_tess);
  // The strings were asked for once each, in this order.
  EXPECT_EQ(fake.Calls(), (std::vector<std::string>{
                              GLCall("glGetString", GL_VERSION), GLCall("gluGetString", GLU_VERSION),
                              GLCall("glGetString", GL_EXTENSIONS), GLCall("gluGetString", GLU_EXTENSIONS)}));
}

TEST(LoadExtensionEntryPoints, LooksUpEveryOptionalEntryPoint) {
  TGLRecordingFake fake;
  gl.ActiveTextureARB = nullptr;
  glu.NurbsCallbackDataEXT = nullptr;
  LoadExtensionEntryPoints();
  ASSERT_NE(glu.NurbsCallbackDataEXT, nullptr);
  gl.ActiveTextureARB(GL_TEXTURE1_ARB);  // the recorder behind the name
  EXPECT_EQ(fake.Calls(), std::vector<std::string>{GLCall("glActiveTextureARB", GL_TEXTURE1_ARB)});
}

TEST(ReloadExtensionsForPixelFormat, ReloadsOnNewFormatsAndEverythingOnANewVendor) {
  TGLRecordingFake fake;
  ForgetLastVendor();
  fake.Vendor = "First vendor";
  fake.Extensions = "GL_ARB_multitexture";
  EXPECT_EQ(ReloadExtensionsForPixelFormat(7), TGLExtensionReload::All);
  // Same format: nothing is asked, not even the vendor.
  fake.Clear();
  EXPECT_EQ(ReloadExtensionsForPixelFormat(7), TGLExtensionReload::Nothing);
  EXPECT_TRUE(fake.Calls().empty() && GL.ARB_multitexture);
  // Another format of the same vendor: only WGL, so the GL flags stay as they were.
  fake.Extensions = "";
  EXPECT_EQ(ReloadExtensionsForPixelFormat(8), TGLExtensionReload::WGLOnly);
  EXPECT_TRUE(GL.ARB_multitexture);
  // A new vendor reloads everything.
  fake.Vendor = "Second vendor";
  EXPECT_EQ(ReloadExtensionsForPixelFormat(9), TGLExtensionReload::All);
  EXPECT_FALSE(GL.ARB_multitexture);
  // A freshly created window context counts as a new format.
  ForgetLastPixelFormat();
  EXPECT_EQ(ReloadExtensionsForPixelFormat(9), TGLExtensionReload::WGLOnly);
  ForgetLastVendor();
}

TEST(GLLibraries, AFailedLoadKeepsNoHandle) {
  EXPECT_FALSE(LoadGLLibrariesNamed("libGL.so.1", "libzentrova-no-such-glu.so"));
  EXPECT_TRUE(GLLibraryHandle() == nullptr && GLULibraryHandle() == nullptr);
  UnloadGLLibraries();  // closes nothing a second time
  EXPECT_TRUE(LoadGLLibraries() && LoadGLLibraries());
  EXPECT_TRUE(GLLibraryHandle() != nullptr && GLULibraryHandle() != nullptr);
  UnloadGLLibraries();
  EXPECT_EQ(GLLibraryHandle(), nullptr);
  EXPECT_FALSE(IsMesaLibrary());
}

TEST(FPUControlWord, IsSetWhenTheBindingStarts) {
  EXPECT_EQ(GetFPUControlWord() & 0x1F3F, kFPUControlWord);
  // Masked: a division by zero in extended precision gives infinity, no trap.
  volatile long double zero = 0;
  EXPECT_TRUE(std::isinf(1.0L / zero));
}

}  // namespace
}  // namespace zentrova
