#include "scene/gl/platform_helpers.h"

#include <X11/Xlib.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/clock.h"
#include "platform/message_sink.h"
#include "scene/base/scene_errors.h"

namespace zentrova {

namespace {

constexpr TColor RGB(int r, int g, int b) {
  return r | (g << 8) | (b << 16);
}

// The classic desktop scheme.
constexpr std::array<TColor, kSystemColorCount> kSystemColors = {
    RGB(212, 208, 200),  // 0 scroll bar
    RGB(58, 110, 165),   // 1 desktop background
    RGB(10, 36, 106),    // 2 active caption
    RGB(128, 128, 128),  // 3 inactive caption
    RGB(212, 208, 200),  // 4 menu
    RGB(255, 255, 255),  // 5 window background
    RGB(0, 0, 0),        // 6 window frame
    RGB(0, 0, 0),        // 7 menu text
    RGB(0, 0, 0),        // 8 window text
    RGB(255, 255, 255),  // 9 caption text
    RGB(212, 208, 200),  // 10 active border
    RGB(212, 208, 200),  // 11 inactive border
    RGB(128, 128, 128),  // 12 application workspace
    RGB(10, 36, 106),    // 13 highlight
    RGB(255, 255, 255),  // 14 highlighted text
    RGB(212, 208, 200),  // 15 button face
    RGB(128, 128, 128),  // 16 button shadow
    RGB(128, 128, 128),  // 17 grey text
    RGB(0, 0, 0),        // 18 button text
    RGB(212, 208, 200),  // 19 inactive caption text
    RGB(255, 255, 255),  // 20 button highlight
    RGB(64, 64, 64),     // 21 3D dark shadow
    RGB(212, 208, 200),  // 22 3D light
    RGB(0, 0, 0),        // 23 tooltip text
    RGB(255, 255, 225),  // 24 tooltip background
};

constexpr float kByteToFloat = 0.00392156862745098f;

// Rounds half to even, as the runtime's Round, and refuses what does not fit a byte.
int ColorByte(float component) {
  const double rounded = std::nearbyint(255.0 * static_cast<double>(component));
  if (!(rounded >= 0 && rounded <= 255)) throw ERangeError(kRangeCheckError);
  return static_cast<int>(rounded);
}

}  // namespace

TColor MakeRGBColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  return RGB(red, green, blue);
}
std::uint8_t GetRValue8(TColor color) {
  return static_cast<std::uint8_t>(color & 0xFF);
}
std::uint8_t GetGValue8(TColor color) {
  return static_cast<std::uint8_t>((color >> 8) & 0xFF);
}
std::uint8_t GetBValue8(TColor color) {
  return static_cast<std::uint8_t>((color >> 16) & 0xFF);
}

TColor SystemColor(int index) {
  if (index < 0 || index >= kSystemColorCount) return 0;
  return kSystemColors[static_cast<std::size_t>(index)];
}

const std::array<TVector4f, kSystemColorCount>& SystemColorVectors() {
  static const std::array<TVector4f, kSystemColorCount> vectors = [] {
    std::array<TVector4f, kSystemColorCount> v{};
    for (int i = 0; i < kSystemColorCount; ++i)
      v[static_cast<std::size_t>(i)] = WinColorToVector(SystemColor(i));
    return v;
  }();
  return vectors;
}

TColor ResolveWindowColor(TColor color) {
  return color < 0 ? SystemColor(color & 0xFF) : color;
}

TVector4f WinColorToVector(TColor color, float alpha) {
  const TColor rgb = ResolveWindowColor(color);
  return {GetRValue8(rgb) * kByteToFloat, GetGValue8(rgb) * kByteToFloat, GetBValue8(rgb) * kByteToFloat,
          alpha};
}

TColor VectorToWinColor(const TVector4f& color) {
  return RGB(ColorByte(color[0]), ColorByte(color[1]), ColorByte(color[2]));
}

TScreenCaps ReadScreenCaps() {
  TScreenCaps caps{96, 96, 32, -1};
  const char* name = std::getenv("DISPLAY");
  if (name == nullptr || *name == '\0') return caps;
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return caps;
  const int screen = DefaultScreen(display);
  const auto dpi = [](int pixels, int millimetres) {
    return millimetres > 0 ? static_cast<int>(std::lround(pixels * 25.4 / millimetres)) : 96;
  };
  caps.LogPixelsX = dpi(DisplayWidth(display, screen), DisplayWidthMM(display, screen));
  caps.LogPixelsY = dpi(DisplayHeight(display, screen), DisplayHeightMM(display, screen));
  // Bits per pixel of the screen's depth as stored in memory: 32 for the usual depth of 24.
  const int depth = DefaultDepth(display, screen);
  int count = 0;
  if (XPixmapFormatValues* formats = XListPixmapFormats(display, &count)) {
    for (int i = 0; i < count; ++i) {
      if (formats[i].depth == depth) caps.BitsPixel = formats[i].bits_per_pixel;
    }
    XFree(formats);
  }
  caps.NumColors = caps.BitsPixel <= 8 ? 1 << caps.BitsPixel : -1;
  XCloseDisplay(display);
  return caps;
}

int ScreenPixelsPerInchX() {
  return ReadScreenCaps().LogPixelsX;
}
int ScreenColorDepth() {
  return ReadScreenCaps().BitsPixel;
}

int BitsOfPixelFormat(TPixelFormat format) {
  switch (format) {
    case pfDevice:
    case pfCustom:
      return ScreenColorDepth();
    case pf1bit:
      return 1;
    case pf4bit:
      return 4;
    case pf8bit:
      return 8;
    case pf15bit:
      return 15;
    case pf16bit:
      return 16;
    case pf24bit:
      return 24;
    case pf32bit:
      return 32;
  }
  return 24;
}

void ShowMessageBox(const std::string& text, const std::string& caption) {
  ShowMessage(text);
}

void RaiseLastOSErrorMsg() {
  const int error = errno;
  throw EOSError("OS Error : " + std::string(std::strerror(error)));
}

void SleepMs(int milliseconds) {
  SleepMilliseconds(milliseconds);
}

void QueryCounter(std::int64_t& counter) {
  counter = std::chrono::steady_clock::now().time_since_epoch().count();
}

bool QueryFrequency(std::int64_t& frequency) {
  using Period = std::chrono::steady_clock::period;
  frequency = Period::den / Period::num;
  return true;
}

std::string ResourceString(int id) {
  switch (id) {
    case glsOpenGLVersionTooLow:
      return "Need at least OpenGL version 1.1";
    case glsAlreadyRendering:
      return "Already rendering";
    case glsInterleaveNotSupported:
      return "Interleaved Array format not supported yet. Sorry.";
    case glsCouldNotOpenFile:
      return "Could not open file: %s";
    case glsUnBalancedBeginEndUpdate:
      return "Unbalanced Begin/EndUpdate";
    case glsUnknownExtension:
      return "Unknown file extension (%s), maybe you forgot to add the support unit to your uses? (%s?)";
    default:
      return {};
  }
}

}  // namespace zentrova
