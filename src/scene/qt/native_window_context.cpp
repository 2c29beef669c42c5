#include "scene/qt/native_window_context.h"

#include <QtGui/qguiapplication_platform.h>
#include <QtCore/QEvent>
#include <QtGui/QGuiApplication>
#include <QtGui/QPlatformSurfaceEvent>
#include <QtGui/QWindow>
#include <QtWidgets/QWidget>

#include <algorithm>
#include <vector>

#include "platform/message_sink.h"
#include "scene/pictures/picture.h"
#include "scene/core/stage_buffer.h"
#include "scene/gl/opengl_binding.h"

namespace zentrova {

void* ApplicationXDisplay() {
  auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  if (application == nullptr || QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
  const auto* x11 = application->nativeInterface<QNativeInterface::QX11Application>();
  return x11 != nullptr ? static_cast<void*>(x11->display()) : nullptr;
}

bool WidgetOpenGLAvailable() {
  return ApplicationXDisplay() != nullptr && LoadGLLibraries();
}

std::unique_ptr<TBitmap> CopyFrameToBitmap(TGLStageBuffer& buffer, int width, int height) {
  const int w = std::max(width, 0);
  const int h = std::max(height, 0);
  auto bitmap = std::make_unique<TBitmap>(w, h, pf24bit);
  if (buffer.RenderingContext() == nullptr || w == 0 || h == 0) return bitmap;
  std::vector<std::uint8_t> rgba(static_cast<std::size_t>(w) * h * 4);
  buffer.RenderBeforeSwap([&] {
    gl.ReadBuffer(GL_BACK);
    gl.PixelStorei(GL_PACK_ALIGNMENT, 4);
    gl.ReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  });
  // OpenGL's rows run bottom-up, the bitmap's top-down; its pixels are blue, green, red.
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* source = rgba.data() + static_cast<std::size_t>(h - 1 - y) * w * 4;
    std::uint8_t* target = bitmap->ScanLine(y);
    for (int x = 0; x < w; ++x, source += 4, target += 3) {
      target[0] = source[2];
      target[1] = source[1];
      target[2] = source[0];
    }
  }
  return bitmap;
}

void SizeBuffer(TGLStageBuffer& buffer, int width, int height) {
  buffer.SetViewport(0, 0, width, height);
  buffer.Resize(width, height);
}

void RenderReporting(const std::function<void()>& render) {
  try {
    render();
  } catch (const std::exception& error) {
    ShowMessage(error.what());
  }
}

TNativeWindowContext::TNativeWindowContext(QWidget& widget, TGLStageBuffer& buffer)
    : widget_(widget), buffer_(buffer), available_(WidgetOpenGLAvailable()) {
  widget_.installEventFilter(this);
  WatchWindowHandle();
}

TNativeWindowContext::~TNativeWindowContext() {
  Destroy();
}

TGLNativeDevice TNativeWindowContext::Device() const {
  if (!available_ || widget_.internalWinId() == 0) return {};
  return {ApplicationXDisplay(), static_cast<unsigned long>(widget_.internalWinId())};
}

bool TNativeWindowContext::HasContext() const {
  return buffer_.RenderingContext() != nullptr;
}

void TNativeWindowContext::Create() {
  const TGLNativeDevice device = Device();
  if (device.x_window == 0 || HasContext()) return;
  SizeBuffer(buffer_, widget_.width(), widget_.height());
  buffer_.CreateRenderingContext(device, false);
}

void TNativeWindowContext::Destroy() {
  if (HasContext()) buffer_.DestroyRenderingContext();
}

void TNativeWindowContext::WatchWindowHandle() {
  if (QWindow* window = widget_.windowHandle()) window->installEventFilter(this);
}

bool TNativeWindowContext::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &widget_ && event->type() == QEvent::WinIdChange) {
    // A new native window (or none): the old context drew on the old one.
    WatchWindowHandle();
  } else if (event->type() == QEvent::PlatformSurface &&
             static_cast<QPlatformSurfaceEvent*>(event)->surfaceEventType() ==
                 QPlatformSurfaceEvent::SurfaceAboutToBeDestroyed) {
    Destroy();
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace zentrova
