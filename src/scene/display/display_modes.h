// The table of display modes that the screen accepts, and switching the display to one of them for the
// full-screen viewer. The modes come from a mode source: XRandR's connected outputs in the program, a
// fake in tests. Entry 0 is the desktop ("default"); the table is built once, at its first use, and the
// desktop mode comes back on restore, when another source is installed, and at exit.
//
// Threads: the GUI thread only; the table and the current mode are process-wide.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace zentrova {

struct TVideoMode {
  std::uint16_t Width = 0;
  std::uint16_t Height = 0;
  // Bits per pixel.
  std::uint8_t ColorDepth = 0;
  // Hz, 0 when unknown. Wider than a byte: displays refresh above 255 Hz.
  int MaxFrequency = 0;
  std::string Description;
};

// A mode as a source reports it.
struct TDisplayModeInfo {
  int Width = 0;
  int Height = 0;
  int BitsPerPixel = 0;
  // Hz; 0 when unknown (reporting) or left to the source (switching).
  int Frequency = 0;
};

class IDisplayModeSource {
 public:
  virtual ~IDisplayModeSource() = default;
  // The desktop as it is now (frequency unused).
  virtual TDisplayModeInfo DesktopMode() = 0;
  // The index-th mode that the display offers; false past the last.
  virtual bool EnumMode(int index, TDisplayModeInfo& mode) = 0;
  // Whether the display would take the mode.
  virtual bool TestMode(const TDisplayModeInfo& mode) = 0;
  // Switches the display; the first switch saves the mode it replaces. True on success.
  virtual bool SwitchTo(const TDisplayModeInfo& mode) = 0;
  // The saved mode again; nothing when none was switched.
  virtual void Restore() = 0;
};

// XRandR on the given X display (a Display*, not owned), or on a connection of its own when nullptr.
// Modes of the connected outputs at the bits per pixel of the default depth's pixmap format; refresh =
// dot clock / (hTotal × vTotal), 0 when the totals are 0. A test accepts the listed modes; a switch sets
// the mode of the primary output's CRTC. Without an X server it offers nothing and the desktop is 0 × 0.
std::unique_ptr<IDisplayModeSource> NewXRandRModeSource(void* x_display = nullptr);

// Installs the source (nullptr: the XRandR source, made at the next use) and forgets the table; a
// switched display is restored through the old source first.
void SetDisplayModeSource(std::unique_ptr<IDisplayModeSource> source);

enum TGLScreenDepth : std::uint8_t { sd8bits, sd16bits, sd24bits, sd32bits };
// 8, 16, 24 or 32.
int ScreenDepthBits(TGLScreenDepth depth);

// Builds the table once (every routine below calls it): the desktop, the source's modes (one entry per
// size and depth, with the highest refresh), at most 200 entries. When the source refuses a bogus
// 42 × 37 × 8 mode it can be trusted to test, and the low-resolution modes it accepts are added too.
void BuildDisplayModeTable();
constexpr int kMaxVideoModes = 200;
int DisplayModeCount();
const TVideoMode& DisplayMode(int index);
// The index of the mode set now; 0 for the desktop.
int CurrentDisplayMode();
// The smallest entry (from 1 on) at least as large as asked in width, height and depth; 0 when none.
int FindDisplayMode(int width, int height, int depth);
// Switches to the entry, at the refresh rate when above 0 (lowered to the entry's highest). True when the
// display switched; the entry is then current.
bool SetDisplayMode(int index, int refresh_rate);
// The desktop mode again.
void RestoreDefaultDisplayMode();

// What full screen needs of the display: the entry for the size ("Unsupported video mode" when none),
// and a switch to it unless the desktop already has that size and depth. True when it switched.
bool SwitchDisplayForFullScreen(int width, int height, int depth, int refresh_rate);

}  // namespace zentrova
