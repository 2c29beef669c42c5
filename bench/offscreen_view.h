// The view the scene benchmarks draw into: a stage with one camera on the z axis and an off-screen
// viewer of the main window's size (744 × 440) on EGL's surfaceless platform.
#pragma once

#include <cstdlib>

#include "scene/core/camera.h"
#include "scene/core/non_visual_viewer.h"
#include "scene/core/stage.h"
#include "scene/gl/egl_context.h"

namespace zentrova::bench {

struct TOffscreenView {
  TGLStage stage;
  TGLCamera& camera = stage.Cameras().AddNewChild<TGLCamera>();
  TGLMemoryViewer viewer;

  explicit TOffscreenView(float camera_z) {
    setenv("EGL_PLATFORM", "surfaceless", 0);
    RegisterEGLContextClass();
    camera.Position().SetZ(camera_z);
    viewer.SetWidth(744);
    viewer.SetHeight(440);
    viewer.SetCamera(&camera);
  }
};

}  // namespace zentrova::bench
