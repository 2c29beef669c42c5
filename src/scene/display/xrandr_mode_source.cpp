// The display-mode source of the program: XRandR on the X server.
#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "scene/display/display_modes.h"

// Last: Xlib's macros (None, Status, Bool) would clash with the names of the headers above.
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

namespace zentrova {

namespace {

struct TListedMode {
  RRMode id = 0;
  TDisplayModeInfo info;
};

// What a CRTC showed before the first switch.
struct TSavedCrtc {
  RRCrtc crtc = 0;
  RRMode mode = 0;
  int x = 0;
  int y = 0;
  Rotation rotation = RR_Rotate_0;
  std::vector<RROutput> outputs;
  int screen_width = 0;
  int screen_height = 0;
  int screen_mm_width = 0;
  int screen_mm_height = 0;
};

int RefreshOf(const XRRModeInfo& mode) {
  const double totals = static_cast<double>(mode.hTotal) * static_cast<double>(mode.vTotal);
  if (totals == 0) return 0;
  return static_cast<int>(std::lround(static_cast<double>(mode.dotClock) / totals));
}

class TXRandRModeSource : public IDisplayModeSource {
 public:
  explicit TXRandRModeSource(Display* display)
      : display_(display != nullptr ? display : XOpenDisplay(nullptr)), owns_(display == nullptr) {
    if (display_ == nullptr) return;
    int event_base = 0;
    int error_base = 0;
    randr_ = XRRQueryExtension(display_, &event_base, &error_base) != 0;
    root_ = DefaultRootWindow(display_);
    bits_per_pixel_ = DefaultBitsPerPixel();
  }
  ~TXRandRModeSource() override {
    if (owns_ && display_ != nullptr) XCloseDisplay(display_);
  }
  TXRandRModeSource(const TXRandRModeSource&) = delete;
  TXRandRModeSource& operator=(const TXRandRModeSource&) = delete;

  TDisplayModeInfo DesktopMode() override {
    if (display_ == nullptr) return {};
    const int screen = DefaultScreen(display_);
    return {DisplayWidth(display_, screen), DisplayHeight(display_, screen), bits_per_pixel_, 0};
  }

  bool EnumMode(int index, TDisplayModeInfo& mode) override {
    if (!listed_) ListModes();
    if (index < 0 || index >= static_cast<int>(modes_.size())) return false;
    mode = modes_[static_cast<std::size_t>(index)].info;
    return true;
  }

  bool TestMode(const TDisplayModeInfo& mode) override {
    if (!listed_) ListModes();
    return std::any_of(modes_.begin(), modes_.end(), [&](const TListedMode& m) {
      return m.info.Width == mode.Width && m.info.Height == mode.Height &&
             m.info.BitsPerPixel == mode.BitsPerPixel;
    });
  }

  bool SwitchTo(const TDisplayModeInfo& mode) override {
    if (!randr_ || mode.BitsPerPixel != bits_per_pixel_) return false;
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display_, root_);
    if (resources == nullptr) return false;
    bool done = false;
    if (const std::optional<RROutput> output = SwitchedOutput(resources)) {
      XRROutputInfo* info = XRRGetOutputInfo(display_, resources, *output);
      if (info != nullptr && info->crtc != 0) {
        const RRMode target = PickMode(resources, info, mode);
        if (target != 0) done = SetCrtcMode(resources, info->crtc, target, mode.Width, mode.Height);
      }
      if (info != nullptr) XRRFreeOutputInfo(info);
    }
    XRRFreeScreenResources(resources);
    return done;
  }

  void Restore() override {
    if (!saved_) return;
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display_, root_);
    if (resources != nullptr) {
      const TSavedCrtc& s = *saved_;
      const bool grows = s.screen_width > DisplayWidth(display_, DefaultScreen(display_)) ||
                         s.screen_height > DisplayHeight(display_, DefaultScreen(display_));
      if (grows)
        XRRSetScreenSize(display_, root_, s.screen_width, s.screen_height, s.screen_mm_width,
                         s.screen_mm_height);
      XRRSetCrtcConfig(display_, resources, s.crtc, CurrentTime, s.x, s.y, s.mode, s.rotation,
                       const_cast<RROutput*>(s.outputs.data()), static_cast<int>(s.outputs.size()));
      if (!grows)
        XRRSetScreenSize(display_, root_, s.screen_width, s.screen_height, s.screen_mm_width,
                         s.screen_mm_height);
      XRRFreeScreenResources(resources);
      XSync(display_, False);
    }
    saved_.reset();
  }

 private:
  // Bits per pixel of the default depth's pixmap format: 32 for depth 24.
  int DefaultBitsPerPixel() const {
    const int depth = DefaultDepth(display_, DefaultScreen(display_));
    int count = 0;
    XPixmapFormatValues* formats = XListPixmapFormats(display_, &count);
    int bits = depth;
    for (int i = 0; i < count; ++i) {
      if (formats[i].depth == depth) bits = formats[i].bits_per_pixel;
    }
    if (formats != nullptr) XFree(formats);
    return bits;
  }

  void ListModes() {
    listed_ = true;
    if (!randr_) return;
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display_, root_);
    if (resources == nullptr) return;
    for (int o = 0; o < resources->noutput; ++o) {
      XRROutputInfo* info = XRRGetOutputInfo(display_, resources, resources->outputs[o]);
      if (info == nullptr) continue;
      if (info->connection == RR_Connected) {
        for (int m = 0; m < info->nmode; ++m) {
          if (const XRRModeInfo* mode = FindMode(resources, info->modes[m])) {
            modes_.push_back({mode->id,
                              {static_cast<int>(mode->width), static_cast<int>(mode->height), bits_per_pixel_,
                               RefreshOf(*mode)}});
          }
        }
      }
      XRRFreeOutputInfo(info);
    }
    XRRFreeScreenResources(resources);
  }

  static const XRRModeInfo* FindMode(const XRRScreenResources* resources, RRMode id) {
    for (int i = 0; i < resources->nmode; ++i) {
      if (resources->modes[i].id == id) return &resources->modes[i];
    }
    return nullptr;
  }

  // The primary output, else the first connected output that drives a CRTC.
  std::optional<RROutput> SwitchedOutput(XRRScreenResources* resources) const {
    const RROutput primary = XRRGetOutputPrimary(display_, root_);
    if (primary != 0) return primary;
    for (int o = 0; o < resources->noutput; ++o) {
      XRROutputInfo* info = XRRGetOutputInfo(display_, resources, resources->outputs[o]);
      const bool usable = info != nullptr && info->connection == RR_Connected && info->crtc != 0;
      if (info != nullptr) XRRFreeOutputInfo(info);
      if (usable) return resources->outputs[o];
    }
    return std::nullopt;
  }

  // The output's mode of that size: at the asked refresh when given, else the fastest.
  static RRMode PickMode(const XRRScreenResources* resources, const XRROutputInfo* output,
                         const TDisplayModeInfo& wanted) {
    RRMode best = 0;
    int best_refresh = -1;
    for (int m = 0; m < output->nmode; ++m) {
      const XRRModeInfo* mode = FindMode(resources, output->modes[m]);
      if (mode == nullptr || static_cast<int>(mode->width) != wanted.Width ||
          static_cast<int>(mode->height) != wanted.Height) {
        continue;
      }
      const int refresh = RefreshOf(*mode);
      if (wanted.Frequency > 0 && refresh == wanted.Frequency) return mode->id;
      if (refresh > best_refresh) {
        best = mode->id;
        best_refresh = refresh;
      }
    }
    return best;
  }

  bool SetCrtcMode(XRRScreenResources* resources, RRCrtc crtc, RRMode mode, int width, int height) {
    XRRCrtcInfo* info = XRRGetCrtcInfo(display_, resources, crtc);
    if (info == nullptr) return false;
    const int screen = DefaultScreen(display_);
    const int screen_width = DisplayWidth(display_, screen);
    const int screen_height = DisplayHeight(display_, screen);
    const int mm_width = DisplayWidthMM(display_, screen);
    const int mm_height = DisplayHeightMM(display_, screen);
    if (!saved_) {
      saved_ = TSavedCrtc{crtc,           info->mode,
                          info->x,        info->y,
                          info->rotation, std::vector<RROutput>(info->outputs, info->outputs + info->noutput),
                          screen_width,   screen_height,
                          mm_width,       mm_height};
    }
    // The screen grows before the CRTC takes a larger mode, and shrinks after it took a smaller one; the
    // millimetres keep the resolution.
    const auto mm = [](int pixels, int old_pixels, int old_mm) {
      return old_pixels > 0 ? static_cast<int>(std::lround(static_cast<double>(pixels) * old_mm / old_pixels))
                            : old_mm;
    };
    const bool grows = width > screen_width || height > screen_height;
    if (grows)
      XRRSetScreenSize(display_, root_, width, height, mm(width, screen_width, mm_width),
                       mm(height, screen_height, mm_height));
    const int status = XRRSetCrtcConfig(display_, resources, crtc, CurrentTime, 0, 0, mode, info->rotation,
                                        info->outputs, info->noutput);
    if (status == RRSetConfigSuccess && !grows) {
      XRRSetScreenSize(display_, root_, width, height, mm(width, screen_width, mm_width),
                       mm(height, screen_height, mm_height));
    }
    XRRFreeCrtcInfo(info);
    XSync(display_, False);
    return status == RRSetConfigSuccess;
  }

  Display* display_;
  bool owns_;
  bool randr_ = false;
  Window root_ = 0;
  int bits_per_pixel_ = 0;
  bool listed_ = false;
  std::vector<TListedMode> modes_;
  std::optional<TSavedCrtc> saved_;
};

}  // namespace

std::unique_ptr<IDisplayModeSource> NewXRandRModeSource(void* x_display) {
  return std::make_unique<TXRandRModeSource>(static_cast<Display*>(x_display));
}

}  // namespace zentrova
