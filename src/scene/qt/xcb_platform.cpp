#include "scene/qt/xcb_platform.h"

#include <cstdlib>
#include <string_view>

namespace zentrova {

namespace {

std::string_view Text(const char* value) {
  return value != nullptr ? std::string_view(value) : std::string_view();
}

}  // namespace

std::string XcbPlatformOverride(const char* qpa_platform, const char* wayland_display,
                                const char* session_type, const char* x_display) {
  if (Text(x_display).empty()) return {};
  const std::string_view platform = Text(qpa_platform);
  // A list such as "wayland;xcb" starts with the one Qt tries first.
  const bool asks_wayland = platform.starts_with("wayland");
  if (!platform.empty() && !asks_wayland) return {};
  const bool wayland_session = !Text(wayland_display).empty() || Text(session_type) == "wayland";
  return asks_wayland || wayland_session ? "xcb" : std::string();
}

void ForceXcbPlatform() {
  const std::string value =
      XcbPlatformOverride(std::getenv("QT_QPA_PLATFORM"), std::getenv("WAYLAND_DISPLAY"),
                          std::getenv("XDG_SESSION_TYPE"), std::getenv("DISPLAY"));
  if (!value.empty()) setenv("QT_QPA_PLATFORM", value.c_str(), 1);
}

}  // namespace zentrova
