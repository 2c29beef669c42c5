// The XRandR mode source on the virtual X server that the gui tests run on (1280 × 1024 at depth 24).
#include <gtest/gtest.h>

#include <array>

#include "scene/core/display_modes.h"

namespace zentrova {
namespace {

TEST(XRandRModes, TheDesktopIsEntryZeroAndServesFullScreenWithoutASwitch) {
  SetDisplayModeSource(NewXRandRModeSource());
  const TVideoMode& desktop = DisplayMode(0);
  EXPECT_EQ(desktop.Description, "default");
  EXPECT_EQ((std::array{int(desktop.Width), int(desktop.Height), int(desktop.ColorDepth)}),
            (std::array{1280, 1024, 32}));
  const int index = FindDisplayMode(1280, 1024, 32);
  ASSERT_NE(index, 0);
  EXPECT_EQ(DisplayMode(index).Description, "1280 x 1024, 32 bpp");
  EXPECT_EQ(DisplayMode(index).MaxFrequency, 0);  // the virtual server's modes have no timings
  EXPECT_FALSE(SwitchDisplayForFullScreen(1280, 1024, 32, 60));
  EXPECT_EQ(CurrentDisplayMode(), 0);
}

}  // namespace
}  // namespace zentrova
