#include "scene_fuzz_support.h"

#include <cstdlib>
#include <memory>

#include "scene/gl/context.h"
#include "scene/gl/egl_context.h"
#include "scene/gl/state_cache.h"
#include "scene/gl/texture_coordinates.h"
#include "scene/materials/render_context_info.h"

namespace zentrova::fuzz {

void UseOffscreenContext() {
  static const std::unique_ptr<TGLContext> context = [] {
    // Mesa's software renderer on no display at all, as the gl tests run.
    setenv("EGL_PLATFORM", "surfaceless", 0);
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    RegisterEGLContextClass();
    std::unique_ptr<TGLContext> made = GLContextManager()->NewContext();
    if (made == nullptr) Fail("no context class registered");
    made->SetColorBits(32);
    made->SetAlphaBits(8);
    made->SetDepthBits(24);
    try {
      made->CreateOffscreen({}, 16, 16);
    } catch (const Exception& e) {
      Fail("no off-screen context: " + e.Message());
    }
    made->Activate();
    return made;
  }();
  (void)context;
  TexCoordRouteMain();
}

TRenderContextInfo& FreshRenderContext() {
  static TGLStateCache states;
  static TRenderContextInfo rci;
  states.ResetAll();
  rci = TRenderContextInfo{};
  rci.GLStates = &states;
  return rci;
}

}  // namespace zentrova::fuzz
