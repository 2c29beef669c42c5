// The rendering target behind every viewer: it owns the OpenGL context, the viewport, the link to a
// camera (and through it to the scene), the background and ambient colours, the context options, the
// frame-rate figures and the model-view stack of camera-invariant objects. Render draws one frame;
// scene changes become the viewer's repaint request (OnChange), option changes that need a new context
// become OnStructuralChange. It also answers picks and screen-to-world questions.
//
// Threads: only the GUI thread renders and picks. Render, picks and bitmap renders hold the scene's
// mutex for the whole frame, so the simulation thread's changes, made under that mutex, fall between
// frames; OnChange may then fire on the simulation thread, and the viewer queues it to the GUI thread.
// An exception during a frame, a pick or a context creation leaves the buffer ready for the next one:
// the rendering flag is cleared and the context is no longer current.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "scene/base/class_name.h"
#include "scene/base/component.h"
#include "scene/base/update_able.h"
#include "scene/base/vector_types.h"
#include "scene/core/camera.h"
#include "scene/core/fog_environment.h"
#include "scene/core/pick_list.h"
#include "scene/materials/render_context_info.h"
#include "scene/gl/color.h"
#include "scene/gl/context.h"
#include "scene/gl/platform_helpers.h"
#include "scene/gl/state_cache.h"

namespace zentrova {

class TBitmap;
class TGLBitmap32;
class TGLObjectEffect;
class TGLStage;
class TGLTexture;

// Bits of ContextOptions.
enum TContextOption : std::uint16_t {
  roDoubleBuffer = 1u << 0,
  roStencilBuffer = 1u << 1,
  roRenderToWindow = 1u << 2,
  roTwoSideLighting = 1u << 3,
  roStereo = 1u << 4,
  roDestinationAlpha = 1u << 5,
  roNoColorBuffer = 1u << 6,
  roNoColorBufferClear = 1u << 7,
  roNoSwapBuffers = 1u << 8,
};
using TContextOptions = std::uint16_t;

enum TGLDepthPrecision : std::uint8_t { dpDefault, dp16bits, dp24bits, dp32bits };
enum TGLColorDepth : std::uint8_t { cdDefault, cd8bits, cd16bits, cd24bits, cdFloat64bits, cdFloat128bits };
enum TGLShadeModel : std::uint8_t { smDefault, smSmooth, smFlat };

// A rectangle in window pixels, y downwards.
struct TGLRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
};

// A drawing hook that gets the render context: the buffer's InitiateRendering and WrapUpRendering, the
// direct-OpenGL object's OnRender, the render point's callbacks.
using TDirectRenderEvent = std::function<void(TPersistent* sender, TRenderContextInfo& rci)>;

class TGLStageBuffer : public TGLUpdateAbleObject {
 public:
  // The owner is the viewer (may be nullptr). No context, no camera, a 1 × 1 size.
  explicit TGLStageBuffer(TPersistent* owner = nullptr);
  // Leaves its scene and destroys its context.
  ~TGLStageBuffer() override;
  TGLStageBuffer(const TGLStageBuffer&) = delete;
  TGLStageBuffer& operator=(const TGLStageBuffer&) = delete;
  ZENTROVA_CLASS(TGLStageBuffer)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  // ---- The context
  // Replaces the context by a new one from the context manager, configured from the options: off screen
  // with the buffer's size when to_memory, else on the window. "Failed to create RenderingContext."
  // without a context class; EOpenGLError "Need at least OpenGL version 1.1". A failed creation leaves
  // no context.
  void CreateRenderingContext(const TGLNativeDevice& device, bool to_memory);
  // Leaves the scene (whose shared context it may be) and frees the context.
  void DestroyRenderingContext();
  TGLContext* RenderingContext() const { return rendering_context_.get(); }
  // A frame, a pick, a bitmap render or a context creation is in progress.
  bool Rendering() const { return rendering_.load(); }

  // ---- Size, viewport, camera
  // At least 1 × 1; with a context, also the GL viewport.
  void Resize(int width, int height);
  int Width() const { return width_; }
  int Height() const { return height_; }
  const TGLViewport& Viewport() const { return viewport_; }
  void SetViewport(int left, int top, int width, int height);
  TGLCamera* Camera() const { return camera_; }
  // Taken only when it belongs to a scene (else the buffer has no camera). The old camera's scene
  // forgets the buffer. A camera that is destroyed leaves the buffer without one.
  void SetCamera(TGLCamera* camera);

  // ---- Settings. Those that change what a frame shows notify (OnChange); those that need a new context
  // fire OnStructuralChange. Each only on a change.
  TColor BackgroundColor() const { return properties_.background_color; }
  void SetBackgroundColor(TColor value);
  float BackgroundAlpha() const { return properties_.background_alpha; }
  void SetBackgroundAlpha(float value);
  TGLColor& AmbientColor() { return ambient_color_; }
  void SetAmbientColor(const TGLColor& value);
  bool DepthTest() const { return properties_.depth_test; }
  void SetDepthTest(bool value);
  bool FaceCulling() const { return properties_.face_culling; }
  void SetFaceCulling(bool value);
  bool Lighting() const { return properties_.lighting; }
  void SetLighting(bool value);
  bool FogEnable() const { return properties_.fog_enable; }
  void SetFogEnable(bool value);
  TGLShadeModel ShadeModel() const { return properties_.shade_model; }
  void SetShadeModel(TGLShadeModel value);
  TGLFogEnvironment& FogEnvironment() { return fog_environment_; }
  void SetFogEnvironment(const TGLFogEnvironment& value);
  TContextOptions ContextOptions() const { return context_.context_options; }
  void SetContextOptions(TContextOptions value);
  TGLAntiAliasing AntiAliasing() const { return context_.anti_aliasing; }
  void SetAntiAliasing(TGLAntiAliasing value);
  TGLDepthPrecision DepthPrecision() const { return context_.depth_precision; }
  void SetDepthPrecision(TGLDepthPrecision value);
  TGLColorDepth ColorDepth() const { return context_.color_depth; }
  void SetColorDepth(TGLColorDepth value);
  int AccumBufferBits() const { return context_.accum_buffer_bits; }
  void SetAccumBufferBits(int value);
  // The resolution of the frame being drawn (96 for a window).
  int RenderDPI() const { return render_dpi_; }

  // Fires OnChange unless a frame is being drawn.
  void NotifyChange(TPersistent* sender) override;
  // From another buffer: its settings (colours, fog, flags, shading, context options and bits), with one
  // notice; neither its camera, its context nor its events.
  void Assign(const TPersistent* source) override;

  // ---- Frames
  void Render(TGLBaseSceneObject* base_object = nullptr);
  // Projection and view from the camera, lights, fog and the tree; the context is current.
  void DrawScene(const TGLViewport& viewport, int dpi, TGLBaseSceneObject* base_object, TDrawState draw_state);
  // With a pick rectangle the projection is restricted to it (centred on it).
  void SetupProjection(const TGLViewport& viewport, int dpi, const TGLRect* pick_rect);
  void ClearFrame();
  // The state every frame starts from, through the state cache and directly.
  void InitGLState();

  void ResetFrameCounters();
  int FrameCount() const { return frame_count_; }
  float FramesPerSecond() const { return frames_per_second_; }
  float LastFrameTime() const { return last_frame_time_; }

  // What SetupProjection saved: the projection, the view (top of the model-view stack), the projection of
  // the pick restriction alone, and the camera's absolute position.
  const TMatrix4f& ProjectionMatrix() const { return projection_matrix_; }
  const TMatrix4f& ViewMatrix() const { return view_matrix_; }
  const TMatrix4f& PickMatrix() const { return pick_matrix_; }
  const TVector4f& CameraAbsolutePosition() const { return camera_absolute_position_; }
  // Camera-invariant objects: the view matrix goes on the stack and m takes its place; Pop brings it
  // back ("Unbalanced PopModelViewMatrix" on an empty stack).
  void PushModelViewMatrix(const TMatrix4f& m);
  void PopModelViewMatrix();

  TGLStateCache& GLStates() { return *states_; }
  // The after-effects met while drawing the tree, drawn once after it.
  std::vector<TGLObjectEffect*>& AfterRenderEffects() { return after_render_effects_; }

  // ---- Pictures of the scene
  // The last frame as an RGBA bitmap of the buffer's size (its context made current for the read); left
  // unread without a camera in a scene. A window keeps no back buffer after its swap, so a window context
  // draws a frame for the snapshot and is read before that frame's swap.
  std::unique_ptr<TGLBitmap32> CreateSnapShot();
  // A frame as Render draws it, with `read` called while the context is current and the frame still in
  // the back buffer, before the swap. Nothing without a context or during a frame.
  void RenderBeforeSwap(const std::function<void()>& read);
  // Draws the scene into the bitmap through a single-buffered context of the bitmap's size made for the
  // purpose, at the given resolution (the screen's for 0), and reads the pixels back into it. Display
  // lists and textures are built for that context and again for the buffer's at its next frame. "Already
  // rendering" during a frame or a pick.
  void RenderIntoBitmap(TBitmap& bitmap, int dpi);
  // A rectangle of the last frame into the texture, at (x_dest, y_dest) of target (below 1: the texture
  // image's own; a cube face binds the cube map). A texture without a name, or with force_create, takes
  // the whole width × height frame as its new image (with mipmaps when its filter asks); otherwise the
  // rectangle is copied into the existing image. Nothing without a context.
  void CopyToTexture(TGLTexture& texture, int x_src, int y_src, int width, int height, int x_dest, int y_dest,
                     int target = 0, bool force_create_texture = false);

  // ---- Picking and screen queries
  // Every object drawn inside the rectangle (window pixels, y downwards) into the list; nothing without a
  // camera or a context. "Already rendering" during a frame or a pick.
  void PickInRect(const TGLRect& rect, TGLPickList& pick_list, int object_count_guess);
  // A list sorted by zNear, filled by PickInRect.
  std::unique_ptr<TGLPickList> GetPickedObjects(const TGLRect& rect, int object_count_guess = 64);
  // The nearest object drawn on the pixel (window pixels, y downwards), or nullptr.
  TGLBaseSceneObject* ObjectAtPoint(int x, int y);
  // Window point (x, y upwards, z the depth 0..1) to world, through the last frame's matrices; without a
  // camera the point itself.
  TVector4f ScreenToWorld(const TVector4f& screen_point) const;
  // The direction of the eye ray through the window point (w = 0).
  TVector4f ScreenToVector(const TVector4f& screen_point) const;
  // Where the eye ray meets the plane (w = 1); false without a camera or when they do not meet.
  bool ScreenVectorIntersectWithPlane(const TVector4f& screen_point, const TVector4f& plane_point,
                                      const TVector4f& plane_normal, TVector4f& intersect_point) const;
  // The same with the plane z = z or y = y; w = 0 in the point.
  bool ScreenRayHitPlaneZ(const TVector4f& screen_point, float z, TVector4f& intersect_point) const;
  bool ScreenRayHitPlaneY(const TVector4f& screen_point, float y, TVector4f& intersect_point) const;

  // ---- Events
  TNotifyEvent OnChange;
  TNotifyEvent OnStructuralChange;
  // The new context before it is created: the viewer may change its settings.
  std::function<void(TGLContext& context)> OnPrepareGLContext;
  // The viewer's own hook before BeforeRender.
  TNotifyEvent OnViewerBeforeRender;
  // These three fire only when the owner is a component that is not being designed.
  TNotifyEvent BeforeRender;
  TNotifyEvent PostRender;
  TNotifyEvent AfterRender;
  TDirectRenderEvent InitiateRendering;
  TDirectRenderEvent WrapUpRendering;

 private:
  friend class TGLStage;

  // Hears of the camera's destruction.
  class TCameraWatch : public TComponent {
   public:
    explicit TCameraWatch(TGLStageBuffer& buffer) : buffer_(buffer) {}

   protected:
    void Notification(TComponent& component, TOperation operation) override;

   private:
    TGLStageBuffer& buffer_;
  };

  // An owner that is a component outside design mode.
  bool OwnerRuns() const;
  // Configures a context from the options, as for a window.
  void ConfigureContext(TGLContext& context) const;
  // The scene the buffer is registered with forgets it.
  void LeaveScene();
  void SetFlag(bool& field, bool value);
  void StructuralChange();
  // A frame drawn into a context that is current, under the scene's mutex when there is a scene.
  void RenderFrame(TGLBaseSceneObject* base_object);

  std::unique_ptr<TGLStateCache> states_;
  std::atomic<bool> rendering_{false};
  std::unique_ptr<TGLContext> rendering_context_;
  std::vector<TGLObjectEffect*> after_render_effects_;
  TMatrix4f projection_matrix_ = IdentityMatrix;
  TMatrix4f view_matrix_ = IdentityMatrix;
  std::vector<TMatrix4f> model_view_stack_;
  TMatrix4f pick_matrix_ = IdentityMatrix;
  TVector4f camera_absolute_position_{0, 0, 0, 1};
  TGLViewport viewport_;
  int width_ = 1;
  int height_ = 1;
  // The published render settings that Assign copies, as one value.
  struct TProperties {
    bool face_culling = true;
    bool fog_enable = false;
    bool lighting = true;
    bool depth_test = true;
    TColor background_color = SystemColorValue(COLOR_BTNFACE);
    float background_alpha = 1;
    TGLShadeModel shade_model = smDefault;
  };
  TProperties properties_;
  TGLColor ambient_color_;
  // The published properties of the rendering context, copied by Assign as one value: a change to them
  // builds the context again.
  struct TContextProperties {
    TGLAntiAliasing anti_aliasing = aaDefault;
    TGLDepthPrecision depth_precision = dpDefault;
    TGLColorDepth color_depth = cdDefault;
    TContextOptions context_options = roDoubleBuffer | roRenderToWindow;
    int accum_buffer_bits = 0;
    bool operator==(const TContextProperties&) const = default;
  };
  TContextProperties context_;
  int render_dpi_ = 96;
  TGLFogEnvironment fog_environment_;
  TGLCamera* camera_ = nullptr;
  TCameraWatch camera_watch_{*this};
  // The scene that lists this buffer (AddBuffer), which may outlive the camera's membership in it.
  TGLStage* registered_scene_ = nullptr;
  int frame_count_ = 0;
  float frames_per_second_ = 0;
  std::int64_t first_frame_time_ = 0;
  float last_frame_time_ = 0;
  // Set by RenderBeforeSwap for its frame.
  const std::function<void()>* before_swap_ = nullptr;
};

}  // namespace zentrova
