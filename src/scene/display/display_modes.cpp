#include "scene/display/display_modes.h"

#include <array>
#include <cstdio>
#include <vector>

#include "platform/exception.h"

namespace zentrova {

namespace {

// Tried when the source cannot be trusted to test modes: 320 × 200 and 400 × 300 at every depth, 512 ×
// 384 without 32 bits.
constexpr std::array<TDisplayModeInfo, 14> kLowResModes{{{320, 200, 8, 0},
                                                         {320, 200, 15, 0},
                                                         {320, 200, 16, 0},
                                                         {320, 200, 24, 0},
                                                         {320, 200, 32, 0},
                                                         {400, 300, 8, 0},
                                                         {400, 300, 15, 0},
                                                         {400, 300, 16, 0},
                                                         {400, 300, 24, 0},
                                                         {400, 300, 32, 0},
                                                         {512, 384, 8, 0},
                                                         {512, 384, 15, 0},
                                                         {512, 384, 16, 0},
                                                         {512, 384, 24, 0}}};

struct TModeTable {
  std::unique_ptr<IDisplayModeSource> source;
  std::vector<TVideoMode> modes;
  bool built = false;
  int current = 0;

  ~TModeTable() {
    // The desktop comes back when the program ends in another mode.
    if (current != 0 && source != nullptr) source->Restore();
  }
  IDisplayModeSource& Source() {
    if (source == nullptr) source = NewXRandRModeSource();
    return *source;
  }
};

TModeTable& Table() {
  static TModeTable table;
  return table;
}

std::string Describe(int width, int height, int depth) {
  char text[64];
  std::snprintf(text, sizeof(text), "%d x %d, %d bpp", width, height, depth);
  return text;
}

void OfferMode(TModeTable& table, const TDisplayModeInfo& mode) {
  for (std::size_t i = 1; i < table.modes.size(); ++i) {
    TVideoMode& entry = table.modes[i];
    if (entry.ColorDepth == mode.BitsPerPixel && entry.Width == mode.Width && entry.Height == mode.Height) {
      if (mode.Frequency > entry.MaxFrequency) entry.MaxFrequency = mode.Frequency;
      return;
    }
  }
  if (!table.Source().TestMode(mode)) return;
  table.modes.push_back({static_cast<std::uint16_t>(mode.Width), static_cast<std::uint16_t>(mode.Height),
                         static_cast<std::uint8_t>(mode.BitsPerPixel), mode.Frequency,
                         Describe(mode.Width, mode.Height, mode.BitsPerPixel)});
}

}  // namespace

void SetDisplayModeSource(std::unique_ptr<IDisplayModeSource> source) {
  TModeTable& table = Table();
  if (table.current != 0 && table.source != nullptr) table.source->Restore();
  table.source = std::move(source);
  table.modes.clear();
  table.built = false;
  table.current = 0;
}

int ScreenDepthBits(TGLScreenDepth depth) {
  switch (depth) {
    case sd8bits:
      return 8;
    case sd16bits:
      return 16;
    case sd24bits:
      return 24;
    case sd32bits:
      return 32;
  }
  return 32;
}

void BuildDisplayModeTable() {
  TModeTable& table = Table();
  if (table.built) return;
  table.built = true;
  IDisplayModeSource& source = table.Source();
  const TDisplayModeInfo desktop = source.DesktopMode();
  table.modes.push_back({static_cast<std::uint16_t>(desktop.Width),
                         static_cast<std::uint16_t>(desktop.Height),
                         static_cast<std::uint8_t>(desktop.BitsPerPixel), 0, "default"});
  TDisplayModeInfo mode;
  for (int i = 0; static_cast<int>(table.modes.size()) < kMaxVideoModes && source.EnumMode(i, mode); ++i) {
    OfferMode(table, mode);
  }
  // A source that takes a mode no display has cannot tell which modes work: nothing more is offered.
  if (source.TestMode({42, 37, 8, 0})) return;
  for (const TDisplayModeInfo& low : kLowResModes) {
    if (static_cast<int>(table.modes.size()) >= kMaxVideoModes) break;
    OfferMode(table, low);
  }
}

int DisplayModeCount() {
  BuildDisplayModeTable();
  return static_cast<int>(Table().modes.size());
}

const TVideoMode& DisplayMode(int index) {
  BuildDisplayModeTable();
  return Table().modes.at(static_cast<std::size_t>(index));
}

int CurrentDisplayMode() {
  return Table().current;
}

int FindDisplayMode(int width, int height, int depth) {
  BuildDisplayModeTable();
  const std::vector<TVideoMode>& modes = Table().modes;
  int best = 0;
  int best_width = 9999;
  int best_height = 9999;
  int best_depth = 99;
  for (std::size_t i = 1; i < modes.size(); ++i) {
    const TVideoMode& m = modes[i];
    if (m.Width < width || m.Height < height || m.ColorDepth < depth) continue;
    const int dw = m.Width - width;
    const int dh = m.Height - height;
    const int dd = m.ColorDepth - depth;
    if (dw <= best_width && dh <= best_height && dd <= best_depth) {
      best = static_cast<int>(i);
      best_width = dw;
      best_height = dh;
      best_depth = dd;
    }
  }
  return best;
}

bool SetDisplayMode(int index, int refresh_rate) {
  BuildDisplayModeTable();
  TModeTable& table = Table();
  const TVideoMode& entry = table.modes.at(static_cast<std::size_t>(index));
  TDisplayModeInfo mode{entry.Width, entry.Height, entry.ColorDepth, 0};
  if (refresh_rate > 0)
    mode.Frequency =
        entry.MaxFrequency > 0 && refresh_rate > entry.MaxFrequency ? entry.MaxFrequency : refresh_rate;
  if (!table.Source().SwitchTo(mode)) return false;
  table.current = index;
  return true;
}

void RestoreDefaultDisplayMode() {
  TModeTable& table = Table();
  table.Source().Restore();
  table.current = 0;
}

bool SwitchDisplayForFullScreen(int width, int height, int depth, int refresh_rate) {
  const int index = FindDisplayMode(width, height, depth);
  if (index == 0) throw Exception("Unsupported video mode");
  const TVideoMode& desktop = DisplayMode(0);
  if (desktop.Width == width && desktop.Height == height && desktop.ColorDepth == depth) return false;
  // A refused switch is not reported: the viewer then shows at the desktop mode.
  return SetDisplayMode(index, refresh_rate);
}

}  // namespace zentrova
