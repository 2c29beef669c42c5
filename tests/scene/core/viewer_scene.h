// A scene for the viewer and recorder tests: a direct-OpenGL rectangle in normalised device coordinates
// (whatever the camera) on the buffer's background, so that every pixel's colour is known.
#pragma once

#include <array>
#include <cstdint>

#include "scene/core/camera.h"
#include "scene/core/direct_opengl.h"
#include "scene/core/stage.h"
#include "scene/gl/opengl_binding.h"
#include "scene/gl/platform_helpers.h"

namespace zentrova::test {

using RGB = std::array<std::uint8_t, 3>;

struct TQuadScene {
  TQuadScene() {
    camera.Position().SetZ(10);
    quad.OnRender = [this](TPersistent*, TRenderContextInfo&) {
      gl.PushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_TRANSFORM_BIT);
      for (GLenum m : {GL_PROJECTION, GL_MODELVIEW}) gl.MatrixMode(m), gl.PushMatrix(), gl.LoadIdentity();
      for (GLenum c : {GL_LIGHTING, GL_DEPTH_TEST, GL_CULL_FACE, GL_TEXTURE_2D}) gl.Disable(c);
      gl.Color4ub(color[0], color[1], color[2], 255);
      gl.Begin(GL_QUADS), gl.Vertex2f(left, bottom), gl.Vertex2f(right, bottom);
      gl.Vertex2f(right, top), gl.Vertex2f(left, top), gl.End();
      for (GLenum m : {GL_MODELVIEW, GL_PROJECTION}) gl.MatrixMode(m), gl.PopMatrix();
      gl.PopAttrib();
    };
  }
  // The buffer looks through the camera on the background colour.
  void Show(TGLStageBuffer& buffer, RGB background) {
    buffer.SetCamera(&camera);
    buffer.SetBackgroundColor(MakeRGBColor(background[0], background[1], background[2]));
  }

  TGLStage stage;
  TGLCamera& camera = stage.Cameras().AddNewChild<TGLCamera>();
  TGLDirectOpenGL& quad = stage.Objects().AddNewChild<TGLDirectOpenGL>();
  float left = -0.5f, right = 0.5f, bottom = -0.5f, top = 0.5f;  // y up
  RGB color{255, 0, 0};
};

}  // namespace zentrova::test
