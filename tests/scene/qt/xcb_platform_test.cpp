// Which Qt platform the program asks for before it makes its QApplication.
#include "scene/qt/xcb_platform.h"

#include <gtest/gtest.h>

namespace zentrova {
namespace {

TEST(XcbPlatform, WaylandGivesWayToXcbWhereAnXServerIsThere) {
  // QT_QPA_PLATFORM, WAYLAND_DISPLAY, XDG_SESSION_TYPE, DISPLAY and the value to set.
  const char* const cases[][5] = {
      {nullptr, "wayland-0", "wayland", ":0", "xcb"},  // a Wayland session would give Wayland
      {nullptr, nullptr, "wayland", ":0", "xcb"},
      {nullptr, "wayland-0", nullptr, ":0", "xcb"},
      {"wayland", nullptr, nullptr, ":0", "xcb"},  // asked for, but the viewers need X11
      {"wayland;xcb", "wayland-0", nullptr, ":0", "xcb"},
      {nullptr, "wayland-0", "wayland", nullptr, ""},  // no X server: Wayland stays, the viewers blank
      {nullptr, "wayland-0", "wayland", "", ""},
      {nullptr, nullptr, "x11", ":0", ""},  // Qt takes xcb
      {"", nullptr, nullptr, ":0", ""},
      {"xcb", "wayland-0", "wayland", ":0", ""},
      {"offscreen", "wayland-0", "wayland", ":0", ""},  // chosen on purpose: left alone
  };
  for (int i = 0; const auto& c : cases)
    EXPECT_EQ(XcbPlatformOverride(c[0], c[1], c[2], c[3]), c[4]) << "case " << i++;
}

}  // namespace
}  // namespace zentrova
