#include "scene/gl/egl_context.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <cstdio>

#include "scene/gl/opengl_binding.h"
#include "scene/gl/platform_helpers.h"

namespace zentrova {

namespace {

// EGL's EGL_NO_CONTEXT names its type unqualified, which here is the exception class.
constexpr ::EGLContext kNoContext = nullptr;

// One EGL display per native display (the surfaceless platform for none), with the contexts on it:
// they form its share group.
struct TDisplayEntry {
  void* native = nullptr;
  EGLDisplay display = EGL_NO_DISPLAY;
  int index = 0;
  bool float_pixels = false;
  std::vector<TGLEGLContext*> members;
};

std::vector<std::unique_ptr<TDisplayEntry>>& Displays() {
  static std::vector<std::unique_ptr<TDisplayEntry>> displays;
  return displays;
}

[[noreturn]] void RaiseLastEGLErrorMsg(const char* what) {
  const EGLint error = eglGetError();
  std::string text = "OS Error : ";
  text += error == EGL_SUCCESS ? std::string(what) : EGLErrorName(error) + " (" + what + ")";
  throw EOSError(text);
}

TDisplayEntry& AcquireDisplay(void* native) {
  for (auto& entry : Displays()) {
    if (entry->native == native) return *entry;
  }
  // The platform is chosen explicitly: an EGL_PLATFORM setting of the environment must not send window
  // contexts to the surfaceless platform, nor the other way round.
  const EGLDisplay display =
      native == nullptr ? eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr)
                        : eglGetPlatformDisplay(EGL_PLATFORM_X11_KHR, native, nullptr);
  if (display == EGL_NO_DISPLAY) RaiseLastEGLErrorMsg("no EGL display");
  EGLint major = 0;
  EGLint minor = 0;
  if (!eglInitialize(display, &major, &minor)) RaiseLastEGLErrorMsg("EGL display not initialised");
  auto entry = std::make_unique<TDisplayEntry>();
  entry->native = native;
  entry->display = display;
  int index = 1;
  for (auto& other : Displays()) index = std::max(index, other->index + 1);
  entry->index = index;
  const char* extensions = eglQueryString(display, EGL_EXTENSIONS);
  entry->float_pixels = extensions != nullptr && ExtensionPresent("EGL_EXT_pixel_format_float", extensions);
  Displays().push_back(std::move(entry));
  return *Displays().back();
}

TDisplayEntry* FindDisplay(EGLDisplay display) {
  for (auto& entry : Displays()) {
    if (entry->display == display) return entry.get();
  }
  return nullptr;
}

// A display of an X connection is closed with its last context, so that the program may close the
// connection afterwards. The surfaceless display stays for the process.
void DropIfUnused(TDisplayEntry* entry) {
  if (entry->native != nullptr && entry->members.empty()) {
    eglTerminate(entry->display);
    std::erase_if(Displays(), [entry](const std::unique_ptr<TDisplayEntry>& e) { return e.get() == entry; });
  }
}

void LeaveDisplay(EGLDisplay display, TGLEGLContext* context) {
  TDisplayEntry* entry = FindDisplay(display);
  if (entry == nullptr) return;
  std::erase(entry->members, context);
  DropIfUnused(entry);
}

void*& NamedOffscreenDisplay() {
  static void* display = nullptr;
  return display;
}

// Makes a context current for a moment and puts the thread's former binding back afterwards.
class TBorrowedBinding {
 public:
  TBorrowedBinding(EGLDisplay display, EGLSurface surface, ::EGLContext context)
      : display_(display),
        old_display_(eglGetCurrentDisplay()),
        old_draw_(eglGetCurrentSurface(EGL_DRAW)),
        old_read_(eglGetCurrentSurface(EGL_READ)),
        old_context_(eglGetCurrentContext()) {
    borrowed_ = old_context_ != context;
    made_current_ = !borrowed_ || eglMakeCurrent(display, surface, surface, context);
  }
  ~TBorrowedBinding() {
    if (!borrowed_ || !made_current_) return;
    if (old_context_ != kNoContext) {
      eglMakeCurrent(old_display_, old_draw_, old_read_, old_context_);
    } else {
      eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, kNoContext);
    }
  }
  TBorrowedBinding(const TBorrowedBinding&) = delete;
  TBorrowedBinding& operator=(const TBorrowedBinding&) = delete;
  bool Current() const { return made_current_; }

 private:
  EGLDisplay display_;
  EGLDisplay old_display_;
  EGLSurface old_draw_;
  EGLSurface old_read_;
  ::EGLContext old_context_;
  bool borrowed_ = false;
  bool made_current_ = false;
};

EGLint ConfigAttrib(EGLDisplay display, EGLConfig config, EGLint attribute) {
  EGLint value = 0;
  eglGetConfigAttrib(display, config, attribute, &value);
  return value;
}

constexpr int kMaxConfigs = 32;

int SamplesOf(TGLAntiAliasing aa) {
  switch (aa) {
    case aa2x:
    case aa2xHQ:
      return 2;
    case aa4x:
    case aa4xHQ:
      return 4;
    default:
      return 0;
  }
}

// Red, green and blue bits for a colour depth.
struct TChannelBits {
  EGLint red, green, blue;
};

TChannelBits ChannelBits(int color_bits) {
  if (color_bits >= 128) return {32, 32, 32};
  if (color_bits >= 64) return {16, 16, 16};
  if (color_bits >= 24) return {8, 8, 8};
  if (color_bits >= 16) return {5, 6, 5};
  return {3, 3, 2};
}

std::unique_ptr<TGLContext> NewEGLContextObject() {
  return std::make_unique<TGLEGLContext>();
}

[[maybe_unused]] const bool registered_at_start = (RegisterEGLContextClass(), true);

}  // namespace

void RegisterEGLContextClass() {
  if (!HasContextClass(NewEGLContextObject)) AddContextClass(NewEGLContextObject);
}

std::string EGLErrorName(std::int32_t code) {
  switch (code) {
    case EGL_SUCCESS:
      return "EGL_SUCCESS";
    case EGL_NOT_INITIALIZED:
      return "EGL_NOT_INITIALIZED";
    case EGL_BAD_ACCESS:
      return "EGL_BAD_ACCESS";
    case EGL_BAD_ALLOC:
      return "EGL_BAD_ALLOC";
    case EGL_BAD_ATTRIBUTE:
      return "EGL_BAD_ATTRIBUTE";
    case EGL_BAD_CONFIG:
      return "EGL_BAD_CONFIG";
    case EGL_BAD_CONTEXT:
      return "EGL_BAD_CONTEXT";
    case EGL_BAD_CURRENT_SURFACE:
      return "EGL_BAD_CURRENT_SURFACE";
    case EGL_BAD_DISPLAY:
      return "EGL_BAD_DISPLAY";
    case EGL_BAD_MATCH:
      return "EGL_BAD_MATCH";
    case EGL_BAD_NATIVE_PIXMAP:
      return "EGL_BAD_NATIVE_PIXMAP";
    case EGL_BAD_NATIVE_WINDOW:
      return "EGL_BAD_NATIVE_WINDOW";
    case EGL_BAD_PARAMETER:
      return "EGL_BAD_PARAMETER";
    case EGL_BAD_SURFACE:
      return "EGL_BAD_SURFACE";
    case EGL_CONTEXT_LOST:
      return "EGL_CONTEXT_LOST";
    default:
      return "EGL error";
  }
}

void SetOffscreenXDisplay(void* x_display) {
  NamedOffscreenDisplay() = x_display;
}

void* OffscreenXDisplay() {
  if (NamedOffscreenDisplay() != nullptr) return NamedOffscreenDisplay();
  for (const auto& entry : Displays()) {
    if (entry->native != nullptr && !entry->members.empty()) return entry->native;
  }
  return nullptr;
}

bool IsSoftwareRenderer(const std::string& renderer) {
  return renderer.find("llvmpipe") != std::string::npos || renderer.find("softpipe") != std::string::npos ||
         renderer.find("swrast") != std::string::npos;
}

TGLEGLContext::TGLEGLContext() {
  ClearIAttribs();
}

TGLEGLContext::~TGLEGLContext() {
  if (!IsValid()) return;
  try {
    Release();
  } catch (...) {
    // A destructor cannot report; the context is gone with the process's EGL state either way.
  }
}

void TGLEGLContext::ClearIAttribs() {
  iattribs_.assign(1, EGL_NONE);
}

void TGLEGLContext::AddIAttrib(std::int32_t attribute, std::int32_t value) {
  iattribs_.back() = attribute;
  iattribs_.push_back(value);
  iattribs_.push_back(EGL_NONE);
}

void TGLEGLContext::ChangeIAttrib(std::int32_t attribute, std::int32_t value) {
  for (std::size_t i = 0; i + 1 < iattribs_.size(); i += 2) {
    if (iattribs_[i] == attribute) {
      iattribs_[i + 1] = value;
      return;
    }
  }
  AddIAttrib(attribute, value);
}

void TGLEGLContext::DropIAttrib(std::int32_t attribute) {
  for (std::size_t i = 0; i + 1 < iattribs_.size(); i += 2) {
    if (iattribs_[i] == attribute) {
      iattribs_.erase(iattribs_.begin() + static_cast<std::ptrdiff_t>(i),
                      iattribs_.begin() + static_cast<std::ptrdiff_t>(i + 2));
      return;
    }
  }
}

void TGLEGLContext::AddColorAttribs(int color_bits) {
  const TChannelBits bits = ChannelBits(color_bits);
  ChangeIAttrib(EGL_RED_SIZE, bits.red);
  ChangeIAttrib(EGL_GREEN_SIZE, bits.green);
  ChangeIAttrib(EGL_BLUE_SIZE, bits.blue);
}

std::vector<TEGLConfig> TGLEGLContext::ChooseConfigs(TEGLDisplay display, int max) {
  std::vector<EGLConfig> configs(static_cast<std::size_t>(max));
  EGLint count = 0;
  if (!eglChooseConfig(display, iattribs_.data(), configs.data(), max, &count)) count = 0;
  configs.resize(static_cast<std::size_t>(std::max(count, 0)));
  return {configs.begin(), configs.end()};
}

std::vector<TEGLConfig> TGLEGLContext::ChooseConfigsWithFallbacks(TEGLDisplay display, int max) {
  const TDisplayEntry* entry = FindDisplay(display);
  // Full acceleration: no configuration that EGL marks slow. Float components for 64 and 128 bits.
  AddIAttrib(EGL_CONFIG_CAVEAT, EGL_NONE);
  if ((ColorBits() == 64 || ColorBits() == 128) && entry != nullptr && entry->float_pixels) {
    AddIAttrib(EGL_COLOR_COMPONENT_TYPE_EXT, EGL_COLOR_COMPONENT_TYPE_FLOAT_EXT);
  }
  AddIAttrib(EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT);
  AddColorAttribs(ColorBits());
  if (AlphaBits() > 0) AddIAttrib(EGL_ALPHA_SIZE, AlphaBits());
  AddIAttrib(EGL_DEPTH_SIZE, DepthBits());
  if (StencilBits() > 0) AddIAttrib(EGL_STENCIL_SIZE, StencilBits());
  // EGL has no accumulation or auxiliary buffers to ask for.
  if (AntiAliasing() != aaDefault) {
    if (AntiAliasing() == aaNone) {
      AddIAttrib(EGL_SAMPLE_BUFFERS, 0);
    } else {
      AddIAttrib(EGL_SAMPLE_BUFFERS, 1);
      AddIAttrib(EGL_SAMPLES, SamplesOf(AntiAliasing()));
    }
  }
  std::vector<TEGLConfig> configs = ChooseConfigs(display, max);
  if (configs.empty() && AntiAliasing() != aaDefault) {
    DropIAttrib(EGL_SAMPLE_BUFFERS);
    DropIAttrib(EGL_SAMPLES);
    configs = ChooseConfigs(display, max);
  }
  if (configs.empty() && DepthBits() >= 32) {
    ChangeIAttrib(EGL_DEPTH_SIZE, 24);
    configs = ChooseConfigs(display, max);
  }
  if (configs.empty() && DepthBits() >= 24) {
    ChangeIAttrib(EGL_DEPTH_SIZE, 16);
    configs = ChooseConfigs(display, max);
  }
  if (configs.empty() && ColorBits() >= 24) {
    AddColorAttribs(16);
    configs = ChooseConfigs(display, max);
  }
  if (configs.empty()) {
    AddColorAttribs(ColorBits());
    ChangeIAttrib(EGL_DEPTH_SIZE, DepthBits());
    DropIAttrib(EGL_CONFIG_CAVEAT);
    configs = ChooseConfigs(display, max);
  }
  return configs;
}

TEGLConfig TGLEGLContext::PickConfig(TEGLDisplay display, const std::vector<TEGLConfig>& candidates,
                                     std::int32_t visual_id) const {
  std::vector<TEGLConfig> pool = candidates;
  const auto narrow = [&pool](auto keep) {
    std::vector<TEGLConfig> kept;
    std::copy_if(pool.begin(), pool.end(), std::back_inserter(kept), keep);
    if (!kept.empty()) pool = std::move(kept);
  };
  if (visual_id != 0) {
    narrow([&](TEGLConfig c) { return ConfigAttrib(display, c, EGL_NATIVE_VISUAL_ID) == visual_id; });
  }
  // EGL sorts deeper colour first; the context asked for a depth, and a deeper one is not it.
  const TChannelBits bits = ChannelBits(ColorBits());
  narrow([&](TEGLConfig c) {
    return ConfigAttrib(display, c, EGL_RED_SIZE) == bits.red &&
           ConfigAttrib(display, c, EGL_GREEN_SIZE) == bits.green &&
           ConfigAttrib(display, c, EGL_BLUE_SIZE) == bits.blue;
  });
  if (AntiAliasing() == aaDefault || AntiAliasing() == aaNone) {
    // The first candidate without multisampling; the last one when all have it.
    for (TEGLConfig c : pool) {
      if (ConfigAttrib(display, c, EGL_SAMPLE_BUFFERS) == 0) return c;
    }
    return pool.back();
  }
  return pool.front();
}

TEGLContext TGLEGLContext::NewEGLContext(TEGLDisplay display, TEGLConfig config) const {
  ::EGLContext share = kNoContext;
  if (const TDisplayEntry* entry = FindDisplay(display)) {
    for (const TGLEGLContext* member : entry->members) {
      if (member->IsValid()) {
        share = member->context_;
        break;
      }
    }
  }
  const EGLint attributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT,
                               EGL_NONE};
  eglBindAPI(EGL_OPENGL_API);
  return eglCreateContext(display, config, share, attributes);
}

void TGLEGLContext::TakeConfig(TEGLDisplay display, TEGLConfig config) {
  display_ = display;
  config_ = config;
  config_id_ = ConfigAttrib(display, config, EGL_CONFIG_ID);
  const TDisplayEntry* entry = FindDisplay(display);
  // A pixel format that no other display can have: the display's number above the configuration's.
  pixel_format_ = ((entry != nullptr ? entry->index : 0) << 16) | (config_id_ & 0xFFFF);
}

TGLContextAcceleration TGLEGLContext::FindAcceleration() const {
  if (ConfigAttrib(display_, config_, EGL_CONFIG_CAVEAT) == EGL_SLOW_CONFIG) return chSoftware;
  // Ask the renderer, borrowing the thread's current binding for the moment.
  std::string renderer;
  const TBorrowedBinding binding(display_, surface_, context_);
  if (binding.Current()) {
    const GLubyte* text = ::glGetString(GL_RENDERER);
    if (text != nullptr) renderer = reinterpret_cast<const char*>(text);
  }
  return IsSoftwareRenderer(renderer) ? chSoftware : chHardware;
}

bool TGLEGLContext::SetSwapInterval(int interval) {
  if (context_ == nullptr || pbuffer_ || surface_ == nullptr) return false;
  const TBorrowedBinding binding(display_, surface_, context_);
  if (!binding.Current() || !eglSwapInterval(display_, interval)) return false;
  const int low = ConfigAttrib(display_, config_, EGL_MIN_SWAP_INTERVAL);
  const int high = ConfigAttrib(display_, config_, EGL_MAX_SWAP_INTERVAL);
  swap_interval_ = std::clamp(interval, low, std::max(low, high));
  return true;
}

void TGLEGLContext::CreateWindowContext(const TGLNativeDevice& device) {
  if (device.x_display == nullptr || device.x_window == 0) {
    throw EOSError("OS Error : no native window to create the context on");
  }
  TDisplayEntry& entry = AcquireDisplay(device.x_display);
  XWindowAttributes window_attributes{};
  std::int32_t visual_id = 0;
  if (XGetWindowAttributes(static_cast<::Display*>(device.x_display), device.x_window, &window_attributes) &&
      window_attributes.visual != nullptr) {
    visual_id = static_cast<std::int32_t>(XVisualIDFromVisual(window_attributes.visual));
  }
  ClearIAttribs();
  AddIAttrib(EGL_SURFACE_TYPE, EGL_WINDOW_BIT);
  const std::vector<TEGLConfig> candidates = ChooseConfigsWithFallbacks(entry.display, kMaxConfigs);
  if (candidates.empty()) RaiseLastEGLErrorMsg("no configuration for the window");
  const TEGLConfig config = PickConfig(entry.display, candidates, visual_id);
  TakeConfig(entry.display, config);

  EGLNativeWindowType native_window = device.x_window;
  const bool double_buffered = (Options() & rcoDoubleBuffered) != 0;
  const EGLAttrib surface_attributes[] = {EGL_RENDER_BUFFER,
                                          double_buffered ? EGL_BACK_BUFFER : EGL_SINGLE_BUFFER, EGL_NONE};
  EGLSurface surface =
      eglCreatePlatformWindowSurface(entry.display, config, &native_window, surface_attributes);
  // A platform that renders only to a back buffer refuses the single-buffer wish: take its default.
  if (surface == EGL_NO_SURFACE)
    surface = eglCreatePlatformWindowSurface(entry.display, config, &native_window, nullptr);
  if (surface == EGL_NO_SURFACE) RaiseLastEGLErrorMsg("no window surface");
  const ::EGLContext context = NewEGLContext(entry.display, config);
  if (context == kNoContext) {
    const EGLint error = eglGetError();
    eglDestroySurface(entry.display, surface);
    throw EOSError("OS Error : " + EGLErrorName(error) + " (no context)");
  }
  surface_ = surface;
  context_ = context;
  pbuffer_ = false;
  swap_interval_ = 1;
  device_ = device;
  entry.members.push_back(this);
  SetAcceleration(FindAcceleration());
  ForgetLastPixelFormat();
}

void TGLEGLContext::CreatePBufferContext(const TGLNativeDevice& device, int width, int height) {
  void* native = device.x_display != nullptr ? device.x_display : OffscreenXDisplay();
  TDisplayEntry* entry = &AcquireDisplay(native);
  ClearIAttribs();
  AddIAttrib(EGL_SURFACE_TYPE, EGL_PBUFFER_BIT);
  std::vector<TEGLConfig> candidates = ChooseConfigsWithFallbacks(entry->display, kMaxConfigs);
  if (candidates.empty() && native != nullptr) {
    // An X server without pbuffer configurations: the context cannot share with its windows, but it can
    // still draw.
    DropIfUnused(entry);
    entry = &AcquireDisplay(nullptr);
    ClearIAttribs();
    AddIAttrib(EGL_SURFACE_TYPE, EGL_PBUFFER_BIT);
    candidates = ChooseConfigsWithFallbacks(entry->display, kMaxConfigs);
  }
  if (candidates.empty()) throw Exception("Format not supported for pbuffer operation.");
  const TEGLConfig config = PickConfig(entry->display, candidates, 0);
  TakeConfig(entry->display, config);
  const EGLint surface_attributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
  const EGLSurface surface = eglCreatePbufferSurface(entry->display, config, surface_attributes);
  if (surface == EGL_NO_SURFACE) {
    DropIfUnused(entry);
    throw Exception("Unabled to create pbuffer.");
  }
  const ::EGLContext context = NewEGLContext(entry->display, config);
  if (context == kNoContext) {
    eglDestroySurface(entry->display, surface);
    DropIfUnused(entry);
    throw Exception("Unabled to create pbuffer's RC.");
  }
  surface_ = surface;
  context_ = context;
  pbuffer_ = true;
  device_ = TGLNativeDevice{};
  entry->members.push_back(this);
  SetAcceleration(FindAcceleration());
}

void TGLEGLContext::DoActivate() {
  eglBindAPI(EGL_OPENGL_API);
  if (!eglMakeCurrent(display_, surface_, surface_, context_)) {
    const EGLint error = eglGetError();
    char code[16];
    std::snprintf(code, sizeof(code), "%X", static_cast<unsigned>(error));
    throw EGLContext("Context activation failed: " + std::string(code) + ", " + EGLErrorName(error));
  }
  ReloadExtensionsForPixelFormat(pixel_format_);
  if ((AntiAliasing() == aa2xHQ || AntiAliasing() == aa4xHQ) && GL.ARB_multisample &&
      GL.NV_multisample_filter_hint) {
    gl.Hint(GL_MULTISAMPLE_FILTER_HINT_NV, GL_NICEST);
  }
}

void TGLEGLContext::DoDeactivate() {
  if (!eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, kNoContext)) {
    throw Exception("Context deactivation failed");
  }
}

void TGLEGLContext::SwapBuffers() {
  if (!pbuffer_ && surface_ != nullptr && (Options() & rcoDoubleBuffered) != 0)
    eglSwapBuffers(display_, surface_);
}

void TGLEGLContext::DoShareLists(TGLContext* other) {
  auto* egl_other = dynamic_cast<TGLEGLContext*>(other);
  if (egl_other == nullptr) throw Exception("Incompatible contexts");
  if (egl_other->context_ == context_) return;
  // Contexts of one display already share from their creation; across displays nothing can.
  if (egl_other->display_ != nullptr && egl_other->display_ != display_)
    throw Exception("Incompatible contexts");
}

void TGLEGLContext::DoDestroyContext() {
  if (context_ != nullptr && !eglDestroyContext(display_, context_))
    throw EGLContext("Delete context failed");
  if (surface_ != nullptr) eglDestroySurface(display_, surface_);
  const EGLDisplay display = display_;
  context_ = nullptr;
  surface_ = nullptr;
  config_ = nullptr;
  display_ = nullptr;
  device_ = TGLNativeDevice{};
  pbuffer_ = false;
  LeaveDisplay(display, this);
}

}  // namespace zentrova
