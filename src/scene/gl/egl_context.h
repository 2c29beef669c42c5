// The platform rendering context: an EGL context with the desktop OpenGL API (compatibility profile),
// either on a window surface of a native X11 window or on a pbuffer of EGL's surfaceless platform.
//
// EGL shares display lists and textures only when a context is created, so every context joins one
// share group per EGL display: the X11 display of its window, or the process's surfaceless display.
// Contexts on different displays cannot share names. Off-screen contexts are therefore made on the X11
// display when the process has one open (SetOffscreenXDisplay, or a live window context's display), so
// that a memory viewer and a window viewer of one scene share their lists; the surfaceless display serves
// runs without a display.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "scene/base/class_name.h"
#include "scene/gl/context.h"

namespace zentrova {

// The EGL handles as EGL declares them, without pulling EGL's headers into every includer. (EGL's own
// EGLContext type would also clash with the exception class of that name.)
using TEGLDisplay = void*;
using TEGLConfig = void*;
using TEGLContext = void*;
using TEGLSurface = void*;

class TGLEGLContext : public TGLContext {
 public:
  TGLEGLContext();
  ~TGLEGLContext() override;
  ZENTROVA_CLASS(TGLEGLContext)

  bool IsValid() const override { return context_ != nullptr; }
  // Only a double-buffered window surface swaps.
  void SwapBuffers() override;
  TGLNativeDevice DeviceContext() const override { return device_; }

  TEGLDisplay Display() const { return display_; }
  TEGLConfig Config() const { return config_; }
  TEGLSurface Surface() const { return surface_; }
  bool IsPBuffer() const { return pbuffer_; }
  // EGL_CONFIG_ID of the chosen configuration; 0 before creation.
  int ConfigID() const { return config_id_; }

  // How many display refreshes a swap waits for (eglSwapInterval; 0 = no synchronisation). EGL clamps
  // the value to the configuration's range, and only a window surface has one: false for a pbuffer or a
  // context not created. The context is made current for the call when it is not.
  bool SetSwapInterval(int interval);
  // The interval in force after the last SetSwapInterval; EGL starts every window surface at 1.
  int SwapInterval() const { return swap_interval_; }

  // The configuration attribute list: attribute/value pairs ended by EGL_NONE.
  const std::vector<std::int32_t>& IAttribs() const { return iattribs_; }
  void ClearIAttribs();
  // Appends the pair.
  void AddIAttrib(std::int32_t attribute, std::int32_t value);
  // Replaces the value of the first pair with the attribute, else appends the pair.
  void ChangeIAttrib(std::int32_t attribute, std::int32_t value);
  // Removes the first pair with the attribute; nothing when there is none.
  void DropIAttrib(std::int32_t attribute);

 protected:
  void DoActivate() override;
  void DoDeactivate() override;
  void CreateWindowContext(const TGLNativeDevice& device) override;
  void CreatePBufferContext(const TGLNativeDevice& device, int width, int height) override;
  void DoShareLists(TGLContext* other) override;
  void DoDestroyContext() override;

 private:
  void AddColorAttribs(int color_bits);
  // Up to `max` configurations for the attribute list and the context's wishes, relaxing the wishes
  // step by step while none matches.
  std::vector<TEGLConfig> ChooseConfigsWithFallbacks(TEGLDisplay display, int max);
  std::vector<TEGLConfig> ChooseConfigs(TEGLDisplay display, int max);
  // The candidate to use: on the window's visual when given, with exactly the requested channel depth
  // when one has it, and without multisampling unless antialiasing was asked for.
  TEGLConfig PickConfig(TEGLDisplay display, const std::vector<TEGLConfig>& candidates,
                        std::int32_t visual_id) const;
  // The context on the chosen configuration, in the display's share group.
  TEGLContext NewEGLContext(TEGLDisplay display, TEGLConfig config) const;
  void TakeConfig(TEGLDisplay display, TEGLConfig config);
  TGLContextAcceleration FindAcceleration() const;

  TGLNativeDevice device_;
  TEGLDisplay display_ = nullptr;
  TEGLConfig config_ = nullptr;
  TEGLContext context_ = nullptr;
  TEGLSurface surface_ = nullptr;
  bool pbuffer_ = false;
  int config_id_ = 0;
  int pixel_format_ = 0;
  int swap_interval_ = 1;
  std::vector<std::int32_t> iattribs_;
};

// Registers TGLEGLContext with the context manager (once; later calls do nothing). Programs that make
// contexts through the manager call it at start-up.
void RegisterEGLContextClass();

// The X display (a Display*) on which off-screen contexts are made from now on; nullptr forgets it. The
// windowed program names its display before it makes any context. The display must stay open while
// contexts live on it. Without one, an off-screen context goes to the display of a live window context,
// else to the surfaceless display.
void SetOffscreenXDisplay(void* x_display);
void* OffscreenXDisplay();

// "EGL_BAD_MATCH" and so on; "EGL error" for a code EGL does not define.
std::string EGLErrorName(std::int32_t code);

// The text of a renderer that draws in software (llvmpipe, softpipe, swrast).
bool IsSoftwareRenderer(const std::string& renderer);

}  // namespace zentrova
