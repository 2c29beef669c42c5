// The viewers draw through EGL on X11 windows, so the program must run on Qt's xcb platform. In a Wayland
// session Qt would pick Wayland; the program asks for xcb (XWayland) before it makes its QApplication.
// On any other platform that was chosen on purpose the viewers stay blank, as without OpenGL.
#pragma once

#include <string>

namespace zentrova {

// The value QT_QPA_PLATFORM must take, from the environment's QT_QPA_PLATFORM, WAYLAND_DISPLAY,
// XDG_SESSION_TYPE and DISPLAY (nullptr for an unset variable): "xcb" when Wayland would be chosen and an
// X server is there to take its place; empty to leave the variable alone.
std::string XcbPlatformOverride(const char* qpa_platform, const char* wayland_display,
                                const char* session_type, const char* x_display);

// Applies XcbPlatformOverride to the process's environment. Call before the QApplication is made.
void ForceXcbPlatform();

}  // namespace zentrova
