// Small services of the scene library over the platform: window-library colours (0x00BBGGRR, or a
// system colour index with the sign bit set) and their conversion to colour vectors, the classic system
// colours, screen capabilities, pixel-format depths, sleeping and the high-resolution counter, the OS
// error exception and the library's resource strings.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/exception.h"
#include "scene/base/vector_types.h"

namespace zentrova {

using TColor = std::int32_t;

TColor MakeRGBColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue);
std::uint8_t GetRValue8(TColor color);
std::uint8_t GetGValue8(TColor color);
std::uint8_t GetBValue8(TColor color);

// The system colours, by index: 0 scroll bar .. 24 tooltip background.
inline constexpr int kSystemColorCount = 25;
inline constexpr int COLOR_WINDOW = 5;
inline constexpr int COLOR_BTNFACE = 15;
// The window-library value that stands for a system colour.
constexpr TColor SystemColorValue(int index) {
  return static_cast<TColor>(0xFF000000u | std::uint32_t(index));
}
// There is no desktop theme to ask: the colours of the classic scheme. 0 (black) for an unknown index.
TColor SystemColor(int index);
// The system colours as colour vectors with alpha 1.
const std::array<TVector4f, kSystemColorCount>& SystemColorVectors();
// A system colour resolved to its RGB value; any other colour unchanged.
TColor ResolveWindowColor(TColor color);

// Red, green and blue times 1/255, with the given alpha; a system colour is resolved first.
TVector4f WinColorToVector(TColor color, float alpha = 1);
// The rounded 255 × red, green, blue; a component outside 0..255 after rounding raises ERangeError.
TColor VectorToWinColor(const TVector4f& color);

// Of the whole screen: pixels per inch across and down, bits per pixel, number of colours (-1 above
// 8 bits per pixel). Without an X display: 96, 96, 32, -1.
struct TScreenCaps {
  std::int32_t LogPixelsX;
  std::int32_t LogPixelsY;
  std::int32_t BitsPixel;
  std::int32_t NumColors;
};
TScreenCaps ReadScreenCaps();
int ScreenPixelsPerInchX();
int ScreenColorDepth();

// The window library's bitmap pixel formats.
enum TPixelFormat : std::uint8_t {
  pfDevice,
  pf1bit,
  pf4bit,
  pf8bit,
  pf15bit,
  pf16bit,
  pf24bit,
  pf32bit,
  pfCustom
};
// Bits per pixel of a format: the screen's for the device and custom formats.
int BitsOfPixelFormat(TPixelFormat format);

// The message box with an OK button; the text goes to the process's message sink.
void ShowMessageBox(const std::string& text, const std::string& caption);

// A failed system call.
class EOSError : public Exception {
 public:
  using Exception::Exception;
};
// EOSError "OS Error : " and the system's text for the last error (errno).
[[noreturn]] void RaiseLastOSErrorMsg();

void SleepMs(int milliseconds);
// The high-resolution counter in ticks, and ticks per second; there always is one.
void QueryCounter(std::int64_t& counter);
bool QueryFrequency(std::int64_t& frequency);

// The library's string table.
inline constexpr int glsOpenGLVersionTooLow = 65235;
inline constexpr int glsAlreadyRendering = 65236;
inline constexpr int glsInterleaveNotSupported = 65237;
inline constexpr int glsCouldNotOpenFile = 65238;
inline constexpr int glsUnBalancedBeginEndUpdate = 65239;
inline constexpr int glsUnknownExtension = 65240;
// The text of a string id; empty for an unknown id.
std::string ResourceString(int id);

}  // namespace zentrova
