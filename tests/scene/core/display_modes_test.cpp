// The display-mode table over a fake source.
#include "scene/core/display_modes.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/exception.h"
#include "test_support.h"

namespace zentrova {
namespace {

// Offers its modes, accepts what `accepts` says, records the switches and restores.
class TFakeModeSource : public IDisplayModeSource {
 public:
  TDisplayModeInfo desktop{1280, 1024, 32, 0};
  std::vector<TDisplayModeInfo> modes;
  bool accept_all = false;
  std::vector<TDisplayModeInfo> switches;
  std::shared_ptr<int> restores = std::make_shared<int>(0);

  TDisplayModeInfo DesktopMode() override { return desktop; }
  bool EnumMode(int index, TDisplayModeInfo& mode) override {
    if (index >= static_cast<int>(modes.size())) return false;
    mode = modes[static_cast<std::size_t>(index)];
    return true;
  }
  bool TestMode(const TDisplayModeInfo& mode) override {
    if (accept_all) return true;
    for (const TDisplayModeInfo& m : modes) {
      if (m.Width == mode.Width && m.Height == mode.Height && m.BitsPerPixel == mode.BitsPerPixel) return true;
    }
    return mode.Width == 320 && mode.Height == 200 && mode.BitsPerPixel == 16;  // one low-resolution mode
  }
  bool SwitchTo(const TDisplayModeInfo& mode) override {
    switches.push_back(mode);
    return true;
  }
  void Restore() override { ++*restores; }
};

class DisplayModesTest : public ::testing::Test {
 protected:
  TFakeModeSource& Install(std::vector<TDisplayModeInfo> modes, bool accept_all = false) {
    auto source = std::make_unique<TFakeModeSource>();
    source->modes = std::move(modes);
    source->accept_all = accept_all;
    TFakeModeSource& fake = *source;
    SetDisplayModeSource(std::move(source));
    return fake;
  }
  void TearDown() override { SetDisplayModeSource(std::make_unique<TFakeModeSource>()); }

  std::vector<std::string> Descriptions() {
    std::vector<std::string> texts;
    for (int i = 0; i < DisplayModeCount(); ++i) {
      const TVideoMode& m = DisplayMode(i);
      texts.push_back(m.Description + " @" + std::to_string(m.MaxFrequency));
    }
    return texts;
  }
};

TEST_F(DisplayModesTest, OneEntryPerSizeAndDepthAtItsHighestRefresh) {
  Install({{1024, 768, 32, 60}, {1024, 768, 32, 75}, {1024, 768, 16, 60}, {1920, 1080, 32, 360},
           {1920, 1080, 32, 0}});
  EXPECT_EQ(Descriptions(), (std::vector<std::string>{"default @0", "1024 x 768, 32 bpp @75",
                                                      "1024 x 768, 16 bpp @60", "1920 x 1080, 32 bpp @360",
                                                      "320 x 200, 16 bpp @0"}));
  EXPECT_EQ(DisplayMode(0).Width, 1280);
  EXPECT_EQ(DisplayMode(0).ColorDepth, 32);
}

TEST_F(DisplayModesTest, ASourceThatAcceptsABogusModeGetsNoLowResolutionModes) {
  Install({{800, 600, 32, 60}}, true);
  EXPECT_EQ(DisplayModeCount(), 2);
}

TEST_F(DisplayModesTest, TheTableHoldsAtMost200Entries) {
  std::vector<TDisplayModeInfo> many;
  for (int i = 0; i < 300; ++i) many.push_back({640 + i, 480, 32, 60});
  Install(many);
  EXPECT_EQ(DisplayModeCount(), kMaxVideoModes);
  EXPECT_EQ(DisplayMode(kMaxVideoModes - 1).Width, 640 + kMaxVideoModes - 2);
}

TEST_F(DisplayModesTest, FindsTheSmallestModeThatFits) {
  Install({{1024, 768, 32, 60}, {800, 600, 32, 60}, {800, 600, 16, 60}, {640, 480, 16, 60}});
  const struct {
    int width, height, depth;
    int expected_width, expected_depth;
  } cases[] = {{800, 600, 32, 800, 32}, {800, 600, 16, 800, 16}, {801, 600, 16, 1024, 32},
               {640, 480, 24, 800, 32}, {1025, 768, 8, 0, 0}};
  for (const auto& c : cases) {
    const int index = FindDisplayMode(c.width, c.height, c.depth);
    EXPECT_EQ(index == 0 ? 0 : DisplayMode(index).Width, c.expected_width) << c.width << "x" << c.height;
    EXPECT_EQ(index == 0 ? 0 : DisplayMode(index).ColorDepth, c.expected_depth) << c.width << "x" << c.height;
  }
}

TEST_F(DisplayModesTest, SwitchLowersTheRefreshAndRestores) {
  TFakeModeSource& fake = Install({{800, 600, 32, 75}});
  const int index = FindDisplayMode(800, 600, 32);
  ASSERT_TRUE(SetDisplayMode(index, 100));
  EXPECT_EQ(CurrentDisplayMode(), index);
  ASSERT_TRUE(SetDisplayMode(index, 60));
  ASSERT_TRUE(SetDisplayMode(index, 0));
  ASSERT_EQ(fake.switches.size(), 3u);
  EXPECT_EQ(fake.switches[0].Frequency, 75);
  EXPECT_EQ(fake.switches[1].Frequency, 60);
  EXPECT_EQ(fake.switches[2].Frequency, 0);
  RestoreDefaultDisplayMode();
  EXPECT_EQ(*fake.restores, 1);
  EXPECT_EQ(CurrentDisplayMode(), 0);
}

TEST_F(DisplayModesTest, ASwitchedDisplayIsRestoredWhenTheSourceGoes) {
  TFakeModeSource& fake = Install({{800, 600, 32, 75}});
  const std::shared_ptr<int> restores = fake.restores;
  ASSERT_TRUE(SetDisplayMode(1, 0));
  SetDisplayModeSource(std::make_unique<TFakeModeSource>());
  EXPECT_EQ(*restores, 1);
  EXPECT_EQ(CurrentDisplayMode(), 0);
}

TEST_F(DisplayModesTest, FullScreenSwitchesOnlyWhenTheDesktopDoesNotServe) {
  TFakeModeSource& fake = Install({{1280, 1024, 32, 60}, {800, 600, 32, 60}, {640, 480, 16, 60}});
  EXPECT_FALSE(SwitchDisplayForFullScreen(1280, 1024, 32, 0));
  EXPECT_TRUE(fake.switches.empty());
  EXPECT_TRUE(SwitchDisplayForFullScreen(800, 600, 32, 0));
  ASSERT_EQ(fake.switches.size(), 1u);
  EXPECT_EQ(fake.switches[0].Width, 800);
  test::ExpectError<Exception>([] { SwitchDisplayForFullScreen(2048, 1536, 32, 0); }, "Unsupported video mode");
}

TEST_F(DisplayModesTest, ThirtyTwoBitsAskedWhereOnlySixteenExist) {
  Install({{640, 480, 16, 60}, {1024, 768, 16, 60}});
  test::ExpectError<Exception>([] { SwitchDisplayForFullScreen(640, 480, 32, 0); }, "Unsupported video mode");
}

}  // namespace
}  // namespace zentrova
