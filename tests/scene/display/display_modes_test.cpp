// The display-mode table over a fake source.
#include "scene/display/display_modes.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/exception.h"
#include "test_support.h"

namespace zentrova {
namespace {

// A desktop of 1280 × 1024 × 32 offering its modes. It accepts every mode from 640 wide and 320 × 200 ×
// 16 (everything with accept_all); it logs the refresh rate of each switch, and −1 for a restore.
struct TFakeModeSource : IDisplayModeSource {
  TDisplayModeInfo DesktopMode() override { return {1280, 1024, 32, 0}; }
  bool EnumMode(int index, TDisplayModeInfo& mode) override {
    return index < int(modes.size()) && (mode = modes[std::size_t(index)], true);
  }
  bool TestMode(const TDisplayModeInfo& m) override {
    return accept_all || m.Width >= 640 || (m.Width == 320 && m.Height == 200 && m.BitsPerPixel == 16);
  }
  bool SwitchTo(const TDisplayModeInfo& mode) override { return log->push_back(mode.Frequency), true; }
  void Restore() override { log->push_back(-1); }
  std::vector<TDisplayModeInfo> modes;
  bool accept_all = false;
  std::shared_ptr<std::vector<int>> log = std::make_shared<std::vector<int>>();
};

// Installs a fake with the modes and returns its log.
std::shared_ptr<std::vector<int>> Install(std::vector<TDisplayModeInfo> modes, bool accept_all = false) {
  auto source = std::make_unique<TFakeModeSource>();
  source->modes = std::move(modes);
  source->accept_all = accept_all;
  auto log = source->log;
  SetDisplayModeSource(std::move(source));
  return log;
}

TEST(DisplayModes, OneEntryPerSizeAndDepthAtItsHighestRefreshAndNoMoreThan200) {
  Install({{1024, 768, 32, 60},
           {1024, 768, 32, 75},
           {1024, 768, 16, 60},
           {1920, 1080, 32, 360},
           {1920, 1080, 32, 0}});
  std::vector<std::string> texts;
  for (int i = 0; i < DisplayModeCount(); ++i)
    texts.push_back(DisplayMode(i).Description + " @" + std::to_string(DisplayMode(i).MaxFrequency));
  EXPECT_EQ(texts, (std::vector<std::string>{"default @0", "1024 x 768, 32 bpp @75", "1024 x 768, 16 bpp @60",
                                             "1920 x 1080, 32 bpp @360", "320 x 200, 16 bpp @0"}));
  Install({{800, 600, 32, 60}}, true);  // it takes the bogus mode: it cannot be trusted to test
  EXPECT_EQ(DisplayModeCount(), 2);
  std::vector<TDisplayModeInfo> many;
  for (int i = 0; i < 300; ++i) many.push_back({640 + i, 480, 32, 60});
  Install(many);
  EXPECT_EQ(DisplayModeCount(), kMaxVideoModes);
}

TEST(DisplayModes, FindsTheSmallestModeThatFits) {
  Install({{1024, 768, 32, 60}, {800, 600, 32, 60}, {800, 600, 16, 60}, {640, 480, 16, 60}});
  const int cases[][5] = {{800, 600, 32, 800, 32},
                          {800, 600, 16, 800, 16},
                          {801, 600, 16, 1024, 32},
                          {640, 480, 24, 800, 32},
                          {1025, 768, 8, 0, 0}};
  for (const auto& c : cases) {
    const int index = FindDisplayMode(c[0], c[1], c[2]);
    const TVideoMode found = index == 0 ? TVideoMode{} : DisplayMode(index);
    EXPECT_EQ(std::pair(int(found.Width), int(found.ColorDepth)), std::pair(c[3], c[4]))
        << c[0] << " x " << c[1];
  }
}

TEST(DisplayModes, SwitchesLowerTheRefreshAndTheDesktopComesBack) {
  const auto log = Install({{800, 600, 32, 75}});
  for (int rate : {100, 60, 0}) ASSERT_TRUE(SetDisplayMode(1, rate));
  EXPECT_EQ(CurrentDisplayMode(), 1);
  RestoreDefaultDisplayMode();
  EXPECT_EQ(CurrentDisplayMode(), 0);
  ASSERT_TRUE(SetDisplayMode(1, 0));
  Install({});  // a switched display is restored through the old source
  EXPECT_EQ(*log, (std::vector<int>{75, 60, 0, -1, 0, -1}));
  EXPECT_EQ(CurrentDisplayMode(), 0);
}

TEST(DisplayModes, FullScreenSwitchesOnlyWhenTheDesktopDoesNotServe) {
  const auto log = Install({{1280, 1024, 32, 60}, {800, 600, 32, 60}, {640, 480, 16, 60}});
  EXPECT_FALSE(SwitchDisplayForFullScreen(1280, 1024, 32, 0));
  EXPECT_TRUE(SwitchDisplayForFullScreen(800, 600, 32, 0));
  EXPECT_EQ(*log, std::vector<int>{0});
  // Larger than any mode, or 32 bits where 640 × 480 has 16 only.
  test::ExpectError<Exception>([] { SwitchDisplayForFullScreen(2048, 1536, 32, 0); },
                               "Unsupported video mode");
  Install({{640, 480, 16, 60}});
  test::ExpectError<Exception>([] { SwitchDisplayForFullScreen(640, 480, 32, 0); }, "Unsupported video mode");
  Install({});
}

}  // namespace
}  // namespace zentrova
