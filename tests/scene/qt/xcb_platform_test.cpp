// Which Qt platform the program asks for before it makes its QApplication.
#include "scene/qt/xcb_platform.h"

#include <gtest/gtest.h>

namespace zentrova {
namespace {

TEST(XcbPlatform, WaylandGivesWayToXcbWhereAnXServerIsThere) {
  const struct {
    const char* qpa;
    const char* wayland;
    const char* session;
    const char* display;
    const char* expected;
  } cases[] = {
      {nullptr, "wayland-0", "wayland", ":0", "xcb"},  // a Wayland session would give Wayland
      {nullptr, nullptr, "wayland", ":0", "xcb"},
      {nullptr, "wayland-0", nullptr, ":0", "xcb"},
      {"wayland", nullptr, nullptr, ":0", "xcb"},      // asked for, but the viewers need X11
      {"wayland;xcb", "wayland-0", nullptr, ":0", "xcb"},
      {nullptr, "wayland-0", "wayland", nullptr, ""},  // no X server: Wayland stays, the viewers blank
      {nullptr, "wayland-0", "wayland", "", ""},
      {nullptr, nullptr, "x11", ":0", ""},             // Qt takes xcb by itself
      {"", nullptr, nullptr, ":0", ""},
      {"xcb", "wayland-0", "wayland", ":0", ""},
      {"offscreen", "wayland-0", "wayland", ":0", ""},  // chosen on purpose: left alone
  };
  for (const auto& c : cases) {
    EXPECT_EQ(XcbPlatformOverride(c.qpa, c.wayland, c.session, c.display), c.expected)
        << (c.qpa ? c.qpa : "-") << " " << (c.wayland ? c.wayland : "-") << " " << (c.session ? c.session : "-")
        << " " << (c.display ? c.display : "-");
  }
}

}  // namespace
}  // namespace zentrova
