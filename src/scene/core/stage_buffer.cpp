#include "scene/core/stage_buffer.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>

#include "scene/base/matrix_geometry.h"
#include "scene/base/property_setter.h"
#include "scene/base/property_stream.h"
#include "scene/base/scene_errors.h"
#include "scene/base/vector_geometry.h"
#include "scene/core/behaviours.h"
#include "scene/core/render_guards.h"
#include "scene/base/scope_exit.h"
#include "scene/core/selection_names.h"
#include "scene/core/stage.h"
#include "scene/gl/opengl_binding.h"
#include "scene/gl/texture_coordinates.h"

namespace zentrova {

namespace {

// Ticks per second of the frame timer, read once.
std::int64_t CounterFrequency() {
  static const std::int64_t frequency = [] {
    std::int64_t f = 1;
    QueryFrequency(f);
    return f;
  }();
  return frequency;
}

// A capability through the state cache, and straight to OpenGL as well: the cache may remember a state
// that an event handler or a new context changed behind it.
void SetStateBoth(TGLStateCache& states, TGLState state, bool on) {
  if (on) {
    states.EnableState(state);
    gl.Enable(GLStateCapability(state));
  } else {
    states.DisableState(state);
    gl.Disable(GLStateCapability(state));
  }
}

int ColorBitsOf(TGLColorDepth depth) {
  switch (depth) {
    case cd8bits:
      return 8;
    case cd16bits:
      return 16;
    case cdFloat64bits:
      return 64;
    case cdFloat128bits:
      return 128;
    default:
      return 24;
  }
}

int DepthBitsOf(TGLDepthPrecision precision) {
  switch (precision) {
    case dp16bits:
      return 16;
    case dp32bits:
      return 32;
    default:
      return 24;
  }
}

// A selection depth (an unsigned 32-bit window depth) in 0 .. 1.
float SelectionDepth(GLuint z) {
  return static_cast<float>(static_cast<double>(z >> 1) / 2147483647.0);
}

std::array<double, 16> Widened(const TMatrix4f& m) {
  std::array<double, 16> d{};
  for (int i = 0; i < 16; ++i) d[i] = m[i / 4][i % 4];
  return d;
}

}  // namespace

void TGLStageBuffer::TCameraWatch::Notification(TComponent& component, TOperation operation) {
  if (operation == TOperation::Remove && &component == buffer_.camera_) buffer_.SetCamera(nullptr);
}

TGLStageBuffer::TGLStageBuffer(TPersistent* owner)
    : TGLUpdateAbleObject(owner),
      states_(std::make_unique<TGLStateCache>()),
      ambient_color_(this, clrGray20),
      fog_environment_(this) {
  CounterFrequency();
}

TGLStageBuffer::~TGLStageBuffer() {
  if (camera_ != nullptr) camera_watch_.RemoveFreeNotification(*camera_);
  camera_ = nullptr;
  LeaveScene();
  rendering_context_.reset();
}

// ---- The context

void TGLStageBuffer::ConfigureContext(TGLContext& context) const {
  TGLRCOptions options = 0;
  if ((context_.context_options & roDoubleBuffer) != 0) options |= rcoDoubleBuffered;
  if ((context_.context_options & roStereo) != 0) options |= rcoStereo;
  context.SetOptions(options);
  context.SetColorBits((context_.context_options & roNoColorBuffer) != 0 ? 0 : ColorBitsOf(context_.color_depth));
  context.SetDepthBits(DepthBitsOf(context_.depth_precision));
  context.SetStencilBits((context_.context_options & roStencilBuffer) != 0 ? 8 : 0);
  context.SetAlphaBits((context_.context_options & roDestinationAlpha) != 0 ? 8 : 0);
  context.SetAccumBits(context_.accum_buffer_bits);
  context.SetAuxBuffers(0);
  context.SetAntiAliasing(context_.anti_aliasing);
}

void TGLStageBuffer::CreateRenderingContext(const TGLNativeDevice& device, bool to_memory) {
  DestroyRenderingContext();
  const TRenderingFlag flag(rendering_);
  std::unique_ptr<TGLContext> context = GLContextManager()->NewContext();
  if (context == nullptr) throw Exception("Failed to create RenderingContext.");
  ConfigureContext(*context);
  if (OnPrepareGLContext) OnPrepareGLContext(*context);
  if (to_memory) {
    context->CreateOffscreen(device, width_, height_);
  } else {
    context->CreateOnDevice(device);
  }
  // The cache of the old context knows nothing true of this one.
  states_ = std::make_unique<TGLStateCache>();
  TContextActivation activation(*context);
  if (!GL.VERSION_1_1) throw EOpenGLError("Need at least OpenGL version 1.1");
  gl.Viewport(0, 0, width_, height_);
  InitGLState();
  const TVector4f background = WinColorToVector(properties_.background_color, 1);
  gl.ClearColor(background[0], background[1], background[2], background[3]);
  activation.End();
  // Kept only once it works: a failed creation leaves no half-made context behind.
  rendering_context_ = std::move(context);
}

void TGLStageBuffer::DestroyRenderingContext() {
  LeaveScene();
  rendering_context_.reset();
}

void TGLStageBuffer::LeaveScene() {
  if (registered_scene_ != nullptr) registered_scene_->RemoveBuffer(*this);
}

// ---- Size, viewport, camera

void TGLStageBuffer::Resize(int width, int height) {
  width_ = std::max(1, width);
  height_ = std::max(1, height);
  if (rendering_context_ == nullptr) return;
  TContextActivation activation(*rendering_context_);
  gl.Viewport(0, 0, width_, height_);
  activation.End();
}

void TGLStageBuffer::SetViewport(int left, int top, int width, int height) {
  viewport_ = {left, top, width, height};
  NotifyChange(this);
}

void TGLStageBuffer::SetCamera(TGLCamera* camera) {
  if (camera == camera_) return;
  if (camera_ != nullptr) camera_watch_.RemoveFreeNotification(*camera_);
  LeaveScene();
  camera_ = camera != nullptr && camera->Scene() != nullptr ? camera : nullptr;
  if (camera_ != nullptr) {
    camera_watch_.FreeNotification(*camera_);
    camera_->MarkTransformDirty();
  }
  NotifyChange(this);
}

// ---- Settings

void TGLStageBuffer::NotifyChange(TPersistent* sender) {
  if (!rendering_.load() && OnChange) OnChange(this);
}

void TGLStageBuffer::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TGLStageBuffer*>(source);
  if (other == nullptr) {
    TGLUpdateAbleObject::Assign(source);
    return;
  }
  fog_environment_.BeginUpdate();
  fog_environment_.Assign(&other->fog_environment_);
  fog_environment_.EndUpdate();
  properties_ = other->properties_;
  ambient_color_.SetColorSilently(other->ambient_color_.Color());
  const bool structural = context_ != other->context_;
  context_ = other->context_;
  if (structural) StructuralChange();
  NotifyChange(this);
}

void TGLStageBuffer::SetFlag(bool& field, bool value) { SetProperty(field, value, NotifyChangeOf(this)); }

void TGLStageBuffer::StructuralChange() {
  if (OnStructuralChange) OnStructuralChange(this);
}

void TGLStageBuffer::SetBackgroundColor(TColor value) {
  SetProperty(properties_.background_color, value, NotifyChangeOf(this));
}

void TGLStageBuffer::SetBackgroundAlpha(float value) {
  SetProperty(properties_.background_alpha, value, NotifyChangeOf(this));
}

void TGLStageBuffer::SetAmbientColor(const TGLColor& value) {
  if (value.Color() == ambient_color_.Color()) return;
  ambient_color_.SetColorSilently(value.Color());
  NotifyChange(this);
}

void TGLStageBuffer::SetDepthTest(bool value) {
  SetFlag(properties_.depth_test, value);
}
void TGLStageBuffer::SetFaceCulling(bool value) {
  SetFlag(properties_.face_culling, value);
}
void TGLStageBuffer::SetLighting(bool value) {
  SetFlag(properties_.lighting, value);
}
void TGLStageBuffer::SetFogEnable(bool value) {
  SetFlag(properties_.fog_enable, value);
}

void TGLStageBuffer::SetShadeModel(TGLShadeModel value) {
  SetProperty(properties_.shade_model, value, NotifyChangeOf(this));
}

void TGLStageBuffer::SetFogEnvironment(const TGLFogEnvironment& value) {
  fog_environment_.Assign(&value);
}

void TGLStageBuffer::SetContextOptions(TContextOptions value) {
  SetProperty(context_.context_options, value, [this] { StructuralChange(); });
}

void TGLStageBuffer::SetAntiAliasing(TGLAntiAliasing value) {
  SetProperty(context_.anti_aliasing, value, [this] { StructuralChange(); });
}

void TGLStageBuffer::SetDepthPrecision(TGLDepthPrecision value) {
  SetProperty(context_.depth_precision, value, [this] { StructuralChange(); });
}

void TGLStageBuffer::SetColorDepth(TGLColorDepth value) {
  SetProperty(context_.color_depth, value, [this] { StructuralChange(); });
}

void TGLStageBuffer::SetAccumBufferBits(int value) {
  SetProperty(context_.accum_buffer_bits, value, [this] { StructuralChange(); });
}

bool TGLStageBuffer::OwnerRuns() const {
  const auto* component = dynamic_cast<const TComponent*>(Owner());
  return component != nullptr && !component->ComponentState().Contains(TComponentState::Designing);
}

// ---- Frames

void TGLStageBuffer::InitGLState() {
  gl.LightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient_color_.VectorAddress());
  gl.LightModeli(GL_LIGHT_MODEL_TWO_SIDE, (context_.context_options & roTwoSideLighting) != 0 ? 1 : 0);
  TGLStateCache& states = *states_;
  SetStateBoth(states, stNormalize, true);
  SetStateBoth(states, stDepthTest, properties_.depth_test);
  SetStateBoth(states, stCullFace, properties_.face_culling);
  SetStateBoth(states, stLighting, properties_.lighting);
  SetStateBoth(states, stFog, properties_.fog_enable);
  GLint red_bits = 0;
  gl.GetIntegerv(GL_RED_BITS, &red_bits);
  SetStateBoth(states, stDither, red_bits < 8);
  gl.DepthFunc(GL_LESS);
  gl.Hint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  switch (properties_.shade_model) {
    case smDefault:
    case smSmooth:
      gl.ShadeModel(GL_SMOOTH);
      break;
    case smFlat:
      gl.ShadeModel(GL_FLAT);
      break;
    default:
      SceneAssert(false);
  }
}

void TGLStageBuffer::ClearFrame() {
  GLbitfield bits = GL_DEPTH_BUFFER_BIT;
  if ((context_.context_options & (roNoColorBuffer | roNoColorBufferClear)) == 0) bits |= GL_COLOR_BUFFER_BIT;
  if ((context_.context_options & roStencilBuffer) != 0) bits |= GL_STENCIL_BUFFER_BIT;
  gl.Clear(bits);
}

void TGLStageBuffer::SetupProjection(const TGLViewport& viewport, int dpi, const TGLRect* pick_rect) {
  gl.MatrixMode(GL_PROJECTION);
  gl.LoadIdentity();
  if (pick_rect != nullptr) {
    const TGLRect& r = *pick_rect;
    GLint gl_viewport[4] = {viewport.Left, viewport.Top, viewport.Width, viewport.Height};
    glu.PickMatrix((r.Left + r.Right) / 2, height_ - (r.Top + r.Bottom) / 2, std::abs(r.Right - r.Left),
                   std::abs(r.Bottom - r.Top), gl_viewport);
  }
  gl.GetFloatv(GL_PROJECTION_MATRIX, pick_matrix_[0].data());
  if (camera_ != nullptr) {
    camera_->LoadProjection(viewport, width_, height_, dpi);
    gl.GetFloatv(GL_PROJECTION_MATRIX, projection_matrix_[0].data());
  }
  gl.MatrixMode(GL_MODELVIEW);
  gl.LoadIdentity();
  if (camera_ != nullptr) {
    if (camera_->Scene() != nullptr) camera_->Scene()->SetCurrentCamera(camera_);
    camera_->LoadViewMatrix();
    camera_absolute_position_ = camera_->AbsoluteTranslation();
  }
  gl.GetFloatv(GL_MODELVIEW_MATRIX, view_matrix_[0].data());
}

void TGLStageBuffer::DrawScene(const TGLViewport& viewport, int dpi, TGLBaseSceneObject* base_object,
                               TDrawState draw_state) {
  SetupProjection(viewport, dpi, nullptr);
  TexCoordRouteMain();
  if (OnViewerBeforeRender) OnViewerBeforeRender(this);
  if (BeforeRender && OwnerRuns()) BeforeRender(this);
  if (camera_ != nullptr && camera_->Scene() != nullptr) {
    TGLStage& scene = *camera_->Scene();
    GLint max_lights = 0;
    gl.GetIntegerv(GL_MAX_LIGHTS, &max_lights);
    scene.LoadLights(max_lights);
    if (properties_.fog_enable) {
      gl.Enable(GL_FOG);
      fog_environment_.Apply();
    } else {
      gl.Disable(GL_FOG);
    }
    scene.RenderTree(*this, viewport.Width, viewport.Height, draw_state, base_object);
  }
  if (PostRender && OwnerRuns()) PostRender(this);
  SceneAssert(model_view_stack_.empty(), "Unbalance Push/PopModelViewMatrix.");
}

void TGLStageBuffer::Render(TGLBaseSceneObject* base_object) {
  if (rendering_.load() || rendering_context_ == nullptr) return;
  std::int64_t t0 = 0;
  QueryCounter(t0);
  std::unique_lock<std::mutex> scene_lock;
  if (camera_ != nullptr && camera_->Scene() != nullptr) {
    scene_lock = camera_->Scene()->Lock();
    camera_->AbsoluteMatrix();
    camera_->Scene()->AddBuffer(*this);
  }
  {
    const TRenderingFlag flag(rendering_);
    TContextActivation activation(*rendering_context_);
    if (frame_count_ == 0) QueryCounter(first_frame_time_);
    render_dpi_ = 96;
    DrainGLErrors();
    InitGLState();
    const TVector4f background = WinColorToVector(properties_.background_color, properties_.background_alpha);
    gl.ClearColor(background[0], background[1], background[2], background[3]);
    ClearFrame();
    RaiseOnGLError();
    DrawScene(viewport_, render_dpi_, base_object, TDrawState::Rendering);
    RaiseOnGLError();
    if (before_swap_ != nullptr) (*before_swap_)();
    if ((context_.context_options & roNoSwapBuffers) == 0) rendering_context_->SwapBuffers();
    ++frame_count_;
    std::int64_t now = 0;
    QueryCounter(now);
    const double frequency = static_cast<double>(CounterFrequency());
    last_frame_time_ = static_cast<float>(static_cast<double>(now - t0) / frequency);
    if (now - first_frame_time_ > 0)
      frames_per_second_ = static_cast<float>(frame_count_ * frequency / static_cast<double>(now - first_frame_time_));
    RaiseOnGLError();
    activation.End();
  }
  if (scene_lock.owns_lock()) scene_lock.unlock();
  if (AfterRender && OwnerRuns()) AfterRender(this);
}

void TGLStageBuffer::RenderBeforeSwap(const std::function<void()>& read) {
  if (rendering_.load() || rendering_context_ == nullptr) return;
  before_swap_ = &read;
  const TScopeExit done([this] { before_swap_ = nullptr; });
  Render();
}

void TGLStageBuffer::ResetFrameCounters() {
  frame_count_ = 0;
  frames_per_second_ = 0;
  first_frame_time_ = 0;
}

void TGLStageBuffer::PushModelViewMatrix(const TMatrix4f& m) {
  model_view_stack_.push_back(view_matrix_);
  view_matrix_ = m;
}

void TGLStageBuffer::PopModelViewMatrix() {
  SceneAssert(!model_view_stack_.empty(), "Unbalanced PopModelViewMatrix");
  view_matrix_ = model_view_stack_.back();
  model_view_stack_.pop_back();
}

// ---- Picking and screen queries

void TGLStageBuffer::PickInRect(const TGLRect& rect, TGLPickList& pick_list, int object_count_guess) {
  if (camera_ == nullptr || rendering_context_ == nullptr) return;
  SceneAssert(!rendering_.load(), ResourceString(glsAlreadyRendering));
  TGLStage* scene = camera_->Scene();
  std::unique_lock<std::mutex> scene_lock;
  if (scene != nullptr) scene_lock = scene->Lock();
  TContextActivation activation(*rendering_context_);
  {
    const TRenderingFlag flag(rendering_);
    // The pick restriction must not outlive the pick: screen queries read the frame's projection.
    const TMatrix4f frame_projection = projection_matrix_;
    bool selecting = false;
    const TScopeExit restore([&] {
      if (selecting) gl.RenderMode(GL_RENDER);
      projection_matrix_ = frame_projection;
    });
    TexCoordRouteNone();
    SetupProjection(viewport_, render_dpi_, &rect);
    std::vector<GLuint> select_buffer;
    int n = std::max(object_count_guess, 8);
    GLint hits = -1;
    while (hits < 0) {
      // 16n + 128 bytes, of which OpenGL is told of 4n entries.
      n *= 2;
      select_buffer.assign(static_cast<std::size_t>(4 * n + 32), 0);
      gl.SelectBuffer(4 * n, select_buffer.data());
      gl.RenderMode(GL_SELECT);
      selecting = true;
      gl.InitNames();
      gl.PushName(0);
      render_dpi_ = 96;
      if (scene != nullptr) scene->RenderTree(*this, width_, height_, TDrawState::Picking, nullptr);
      gl.Flush();
      hits = gl.RenderMode(GL_RENDER);
      selecting = false;
    }
    pick_list.Clear();
    pick_list.Reserve(hits);
    // Each hit: name count c, minimum and maximum depth, c names.
    std::size_t at = 0;
    std::vector<std::uint32_t> sub_objects;
    for (GLint h = 0; h < hits && at + 3 <= select_buffer.size(); ++h) {
      const GLuint count = select_buffer[at];
      const GLuint z_min = select_buffer[at + 1];
      const GLuint z_max = select_buffer[at + 2];
      const std::size_t names = at + 3;
      at = names + count;
      if (count == 0 || at > select_buffer.size()) continue;
      TGLBaseSceneObject* object = ObjectForSelectionName(select_buffer[names]);
      if (object == nullptr) continue;
      sub_objects.assign(select_buffer.begin() + static_cast<std::ptrdiff_t>(names) + 1,
                         select_buffer.begin() + static_cast<std::ptrdiff_t>(at));
      pick_list.AddHit(object, sub_objects, SelectionDepth(z_min), SelectionDepth(z_max));
    }
  }
  activation.End();
}

std::unique_ptr<TGLPickList> TGLStageBuffer::GetPickedObjects(const TGLRect& rect, int object_count_guess) {
  auto list = std::make_unique<TGLPickList>(psMinDepth);
  PickInRect(rect, *list, object_count_guess);
  return list;
}

TGLBaseSceneObject* TGLStageBuffer::ObjectAtPoint(int x, int y) {
  const std::unique_ptr<TGLPickList> list = GetPickedObjects({x - 1, y - 1, x + 1, y + 1}, 64);
  return list->Count() > 0 ? list->Hit(0) : nullptr;
}

TVector4f TGLStageBuffer::ScreenToWorld(const TVector4f& screen_point) const {
  if (camera_ == nullptr) return screen_point;
  const std::array<double, 16> model_view = Widened(view_matrix_);
  const std::array<double, 16> projection = Widened(projection_matrix_);
  const GLint gl_viewport[4] = {viewport_.Left, viewport_.Top, viewport_.Width, viewport_.Height};
  double x = 0, y = 0, z = 0;
  glu.UnProject(screen_point[0], screen_point[1], screen_point[2], model_view.data(), projection.data(),
                gl_viewport, &x, &y, &z);
  return {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z), 1};
}

TVector4f TGLStageBuffer::ScreenToVector(const TVector4f& screen_point) const {
  TVector4f v = SubtractVector4(ScreenToWorld(screen_point), camera_absolute_position_);
  v[3] = 0;
  return v;
}

bool TGLStageBuffer::ScreenVectorIntersectWithPlane(const TVector4f& screen_point, const TVector4f& plane_point,
                                                    const TVector4f& plane_normal,
                                                    TVector4f& intersect_point) const {
  if (camera_ == nullptr) return false;
  const TVector4f direction = ScreenToVector(screen_point);
  if (!RayPlaneHit(camera_absolute_position_, direction, plane_point, plane_normal, &intersect_point))
    return false;
  intersect_point[3] = 1;
  return true;
}

bool TGLStageBuffer::ScreenRayHitPlaneZ(const TVector4f& screen_point, float z,
                                        TVector4f& intersect_point) const {
  const bool hit = ScreenVectorIntersectWithPlane(screen_point, {0, 0, z, 1}, {0, 0, 1, 0}, intersect_point);
  intersect_point[3] = 0;
  return hit;
}

bool TGLStageBuffer::ScreenRayHitPlaneY(const TVector4f& screen_point, float y,
                                        TVector4f& intersect_point) const {
  const bool hit = ScreenVectorIntersectWithPlane(screen_point, {0, y, 0, 1}, {0, 1, 0, 0}, intersect_point);
  intersect_point[3] = 0;
  return hit;
}

// ---- The scene's tree render, for a buffer

void TGLStage::RenderTree(TGLStageBuffer& buffer, int view_port_width, int view_port_height,
                          TDrawState draw_state, TGLBaseSceneObject* base_object) {
  current_rendering_object_ = nullptr;
  buffer.AfterRenderEffects().clear();
  current_buffer_ = &buffer;

  TRenderContextInfo rci{};
  rci.scene = this;
  rci.firstLightMatrix = &TGLStage::FirstLightMatrix;
  rci.buffer = &buffer;
  rci.objectsSorting = objects_sorting_;
  rci.visibilityCulling = visibility_culling_;
  rci.bufferFaceCull = buffer.FaceCulling();
  rci.drawState = draw_state;
  rci.sceneAmbientColor = buffer.AmbientColor().Color();
  rci.cameraPosition = buffer.CameraAbsolutePosition();
  if (TGLCamera* camera = buffer.Camera()) {
    rci.cameraDirection = camera->AbsoluteDirection();
    NormalizeVector3InPlace(rci.cameraDirection);
    // Up made square to the direction, as the view sees it.
    rci.cameraUp = VectorCrossProduct(VectorCrossProduct(rci.cameraDirection, camera->Up().AsVector()),
                                      rci.cameraDirection);
    NormalizeVector3InPlace(rci.cameraUp);
    rci.rcci.viewPortRadius = camera->ViewPortRadius();
    rci.rcci.farClippingDistance = camera->NearPlane() + camera->DepthOfView();
  }
  rci.rcci.origin = rci.cameraPosition;
  rci.rcci.clippingDirection = rci.cameraDirection;
  rci.rcci.frustum = ExtractFrustum(MultiplyMatrices(buffer.ViewMatrix(), buffer.ProjectionMatrix()));
  rci.viewPortSize = {view_port_width, view_port_height};
  rci.renderDPI = buffer.RenderDPI();
  rci.modelViewMatrix = &buffer.ViewMatrix();
  rci.GLStates = &buffer.GLStates();

  TGLStateCache& states = buffer.GLStates();
  states.ResetAll();
  rci.ignoreMaterials = (buffer.ContextOptions() & roNoColorBuffer) != 0 || draw_state == TDrawState::Picking;
  const GLboolean write_colour = rci.ignoreMaterials ? GL_FALSE : GL_TRUE;
  gl.ColorMask(write_colour, write_colour, write_colour, write_colour);
  {
    // Also when drawing throws: the next frame clears its colour buffer before it sets the mask.
    const TScopeExit colour_back([] { gl.ColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE); });
    if (buffer.InitiateRendering) buffer.InitiateRendering(&buffer, rci);
    (base_object != nullptr ? *base_object : Objects()).RenderWithTransform(rci);
  }
  for (TGLObjectEffect* effect : buffer.AfterRenderEffects()) effect->Render(buffer, rci);
  if (buffer.WrapUpRendering) buffer.WrapUpRendering(&buffer, rci);

  states.DisableState(stBlend);
  states.DisableState(stTexture2D);
  states.DisableState(stTextureRect);
  states.EnableState(stAlphaTest);
  gl.AlphaFunc(GL_GREATER, 0);
}

namespace {

constexpr TIdentNames<9> kContextOptions{"roDoubleBuffer",     "roStencilBuffer", "roRenderToWindow",
                                         "roTwoSideLighting",  "roStereo",        "roDestinationAlpha",
                                         "roNoColorBuffer",    "roNoColorBufferClear", "roNoSwapBuffers"};
constexpr TIdentNames<6> kAntiAliasing{"aaDefault", "aaNone", "aa2x", "aa2xHQ", "aa4x", "aa4xHQ"};
constexpr TIdentNames<4> kDepthPrecision{"dpDefault", "dp16bits", "dp24bits", "dp32bits"};
constexpr TIdentNames<6> kColorDepth{"cdDefault", "cd8bits", "cd16bits", "cd24bits", "cdFloat64bits", "cdFloat128bits"};
constexpr TIdentNames<3> kShadeModel{"smDefault", "smSmooth", "smFlat"};
constexpr TColor kDefaultBackgroundColor = 0xFF00000F;  // the system button face
constexpr TContextOptions kDefaultContextOptions = roDoubleBuffer | roRenderToWindow;

}  // namespace

void TGLStageBuffer::WriteProperties(TPropertyWriter& w) const {
  TGLUpdateAbleObject::WriteProperties(w);
  if (!fog_environment_.IsAtDefaultValues()) w.Nested("FogEnvironment", fog_environment_);
  if (properties_.background_color != kDefaultBackgroundColor) {
    w.Integer("BackgroundColor", static_cast<std::int32_t>(properties_.background_color));
  }
  if (ambient_color_.StoresColor()) w.Data("AmbientColor.Color", ambient_color_);
  if (context_.context_options != kDefaultContextOptions) w.SetOf("ContextOptions", kContextOptions, context_.context_options);
  if (context_.accum_buffer_bits != 0) w.Integer("AccumBufferBits", context_.accum_buffer_bits);
  if (!properties_.depth_test) w.Boolean("DepthTest", false);
  if (!properties_.face_culling) w.Boolean("FaceCulling", false);
  if (properties_.fog_enable) w.Boolean("FogEnable", true);
  if (!properties_.lighting) w.Boolean("Lighting", false);
  if (context_.anti_aliasing != aaDefault) w.Enum("AntiAliasing", kAntiAliasing, context_.anti_aliasing);
  if (context_.depth_precision != dpDefault) w.Enum("DepthPrecision", kDepthPrecision, context_.depth_precision);
  if (context_.color_depth != cdDefault) w.Enum("ColorDepth", kColorDepth, context_.color_depth);
  if (properties_.shade_model != smDefault) w.Enum("ShadeModel", kShadeModel, properties_.shade_model);
}

bool TGLStageBuffer::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (ReadNested("FogEnvironment", fog_environment_, name, v)) return true;
  if (name == "BackgroundColor") {
    SetBackgroundColor(static_cast<TColor>(AsInteger(v)));
  } else if (name == "AmbientColor.Color") {
    TGLColor color(nullptr);
    ReadData(color, v, 16);
    SetAmbientColor(color);
  } else if (name == "ContextOptions") {
    SetContextOptions(static_cast<TContextOptions>(SetBits(kContextOptions, v)));
  } else if (name == "AccumBufferBits") {
    SetAccumBufferBits(AsInteger(v));
  } else if (name == "DepthTest") {
    SetDepthTest(AsBoolean(v));
  } else if (name == "FaceCulling") {
    SetFaceCulling(AsBoolean(v));
  } else if (name == "FogEnable") {
    SetFogEnable(AsBoolean(v));
  } else if (name == "Lighting") {
    SetLighting(AsBoolean(v));
  } else if (name == "AntiAliasing") {
    SetAntiAliasing(AsEnum<TGLAntiAliasing>(kAntiAliasing, v));
  } else if (name == "DepthPrecision") {
    SetDepthPrecision(AsEnum<TGLDepthPrecision>(kDepthPrecision, v));
  } else if (name == "ColorDepth") {
    SetColorDepth(AsEnum<TGLColorDepth>(kColorDepth, v));
  } else if (name == "ShadeModel") {
    SetShadeModel(AsEnum<TGLShadeModel>(kShadeModel, v));
  } else {
    return TGLUpdateAbleObject::ReadProperty(name, v);
  }
  return true;
}

}  // namespace zentrova
