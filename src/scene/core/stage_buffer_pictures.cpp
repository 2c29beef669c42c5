// The scene buffer's pictures: the last frame as a bitmap or into a texture, and a frame drawn into a
// bitmap through a context of its own.
#include <algorithm>
#include <mutex>
#include <vector>

#include "scene/base/scene_errors.h"
#include "scene/pictures/bitmap32.h"
#include "scene/pictures/picture.h"
#include "scene/core/render_guards.h"
#include "scene/base/scope_exit.h"
#include "scene/core/stage.h"
#include "scene/core/stage_buffer.h"
#include "scene/materials/texture.h"
#include "scene/gl/opengl_binding.h"

namespace zentrova {

std::unique_ptr<TGLBitmap32> TGLStageBuffer::CreateSnapShot() {
  auto bitmap = std::make_unique<TGLBitmap32>();
  bitmap->SetWidth(width_);
  bitmap->SetHeight(height_);
  if (camera_ == nullptr || camera_->Scene() == nullptr || rendering_context_ == nullptr) return bitmap;
  if (rendering_context_->DeviceContext().x_window != 0) {
    RenderBeforeSwap([&bitmap, this] { bitmap->ReadFrameBuffer({0, 0, width_, height_}); });
    return bitmap;
  }
  TContextActivation activation(*rendering_context_);
  bitmap->ReadFrameBuffer({0, 0, width_, height_});
  activation.End();
  return bitmap;
}

void TGLStageBuffer::RenderIntoBitmap(TBitmap& bitmap, int dpi) {
  SceneAssert(!rendering_.load(), ResourceString(glsAlreadyRendering));
  std::unique_lock<std::mutex> scene_lock;
  if (camera_ != nullptr && camera_->Scene() != nullptr) scene_lock = camera_->Scene()->Lock();
  const int width = bitmap.Width(), height = bitmap.Height();
  {
    const TRenderingFlag flag(rendering_);
    std::unique_ptr<TGLContext> context = GLContextManager()->NewContext();
    if (context == nullptr) throw Exception("Failed to create RenderingContext.");
    ConfigureContext(*context);
    context->SetOptions(context->Options() & static_cast<TGLRCOptions>(~rcoDoubleBuffered));
    context->SetColorBits(std::max(8, bitmap.BitsPerPixel()));
    context->SetAntiAliasing(aaNone);
    context->CreateOffscreen({}, width, height);
    // Lists and textures are built again in the new context, and once more in the buffer's afterwards.
    GLContextManager()->FreeAllHandles();
    const TScopeExit free_again([] {
      try {
        GLContextManager()->FreeAllHandles();
      } catch (...) {
        // A failure of the drawing is the one to report.
      }
    });
    // The buffer's cache knows the buffer's context, not this one.
    std::unique_ptr<TGLStateCache> own_states = std::exchange(states_, std::make_unique<TGLStateCache>());
    // The window's screen queries go on reading the window's frame, not the bitmap's.
    const TGLViewport own_viewport = viewport_;
    const TMatrix4f own_projection = projection_matrix_, own_view = view_matrix_;
    const TVector4f own_camera_position = camera_absolute_position_;
    const TScopeExit restore([&] {
      states_ = std::move(own_states);
      viewport_ = own_viewport;
      projection_matrix_ = own_projection;
      view_matrix_ = own_view;
      camera_absolute_position_ = own_camera_position;
    });
    TContextActivation activation(*context);
    InitGLState();
    const TVector4f background = WinColorToVector(properties_.background_color, 1);
    gl.ClearColor(background[0], background[1], background[2], background[3]);
    gl.Viewport(0, 0, width, height);
    ClearFrame();
    render_dpi_ = dpi != 0 ? dpi : ScreenPixelsPerInchX();
    viewport_ = {0, 0, width, height};
    DrawScene(viewport_, render_dpi_, nullptr, TDrawState::ToBitmap);
    gl.Finish();
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width) * height * 4);
    gl.PixelStorei(GL_PACK_ALIGNMENT, 4);
    gl.ReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    // OpenGL's rows run bottom-up, the bitmap's top-down.
    for (int y = 0; y < height; ++y) {
      const std::uint8_t* p = rgba.data() + static_cast<std::size_t>(height - 1 - y) * width * 4;
      for (int x = 0; x < width; ++x, p += 4) {
        bitmap.SetPixel(x, y, std::uint32_t(p[3]) << 24 | std::uint32_t(p[0]) << 16 | std::uint32_t(p[1]) << 8 | p[2]);
      }
    }
    bitmap.Modified();
    activation.End();
  }
  if (scene_lock.owns_lock()) scene_lock.unlock();
  if (AfterRender && OwnerRuns()) AfterRender(this);
}

void TGLStageBuffer::CopyToTexture(TGLTexture& texture, int x_src, int y_src, int width, int height, int x_dest,
                                   int y_dest, int target, bool force_create_texture) {
  if (rendering_context_ == nullptr) return;
  TContextActivation activation(*rendering_context_);
  const GLenum image_target = target < 1 ? texture.Image().NativeTextureTarget() : static_cast<GLenum>(target);
  const bool cube_face =
      image_target >= GL_TEXTURE_CUBE_MAP_POSITIVE_X_ARB && image_target <= GL_TEXTURE_CUBE_MAP_NEGATIVE_Z_ARB;
  const GLenum bind_target = cube_face ? GL_TEXTURE_CUBE_MAP_ARB : image_target;
  const bool created = texture.Handle() == 0;
  if (created) {
    // A new name gets the texture's parameters, bound behind the cache's back.
    texture.TextureHandle();
    states_->ResetTextureBindings();
  }
  states_->BindTexture(0, bind_target, texture.Handle());
  if (created || force_create_texture) {
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width) * height * 4);
    gl.ReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    const GLint internal_format = static_cast<GLint>(texture.InternalFormat());
    if (!IsMipmapFilter(texture.MinFilter())) {
      gl.TexImage2D(image_target, 0, internal_format, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    } else if (GL.SGIS_generate_mipmap && image_target == GL_TEXTURE_2D) {
      gl.TexParameteri(image_target, GL_GENERATE_MIPMAP_SGIS, GL_TRUE);
      gl.TexImage2D(image_target, 0, internal_format, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    } else {
      glu.Build2DMipmaps(image_target, internal_format, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    }
  } else {
    gl.CopyTexSubImage2D(image_target, 0, x_dest, y_dest, x_src, y_src, width, height);
  }
  DrainGLErrors();
  activation.End();
}

}  // namespace zentrova
