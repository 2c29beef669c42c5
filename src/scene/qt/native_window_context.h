// A scene buffer's context on a widget's native X11 window. The context is made on (the application's X
// display, winId()) once the native window exists, and again whenever Qt makes a new one; it is destroyed
// when the window's surface is about to go, which Qt reports before the X window is destroyed (also when
// a parent takes its child windows with it), so that EGL never draws on a window that is gone.
#pragma once

#include <QtCore/QObject>

#include "scene/gl/context.h"

#include <functional>
#include <memory>

class QWidget;

namespace zentrova {

class TBitmap;
class TGLStageBuffer;

// The program's X display (Display*) when Qt runs on xcb; nullptr on any other platform or without an
// application object.
void* ApplicationXDisplay();

// OpenGL can draw in the widgets: the GL libraries load and Qt runs on xcb.
bool WidgetOpenGLAvailable();

// A frame of the buffer drawn and read before its swap (EGL keeps no back buffer after one) into a new
// 24-bit bitmap of width × height; black when the buffer has no context.
std::unique_ptr<TBitmap> CopyFrameToBitmap(TGLStageBuffer& buffer, int width, int height);

// The size of a window for its buffer: the frame's viewport and the GL viewport.
void SizeBuffer(TGLStageBuffer& buffer, int width, int height);

// Paints run inside Qt's event loop, which no exception may cross: a frame's failure goes to the message
// sink.
void RenderReporting(const std::function<void()>& render);

class TNativeWindowContext : public QObject {
 public:
  // The widget must have Qt::WA_NativeWindow set; both outlive this object.
  TNativeWindowContext(QWidget& widget, TGLStageBuffer& buffer);
  // Destroys the context.
  ~TNativeWindowContext() override;
  TNativeWindowContext(const TNativeWindowContext&) = delete;
  TNativeWindowContext& operator=(const TNativeWindowContext&) = delete;

  bool Available() const { return available_; }
  // The native window (0 when it does not exist).
  TGLNativeDevice Device() const;
  // Makes the context when OpenGL is available, the native window exists and there is none yet.
  void Create();
  void Destroy();
  bool HasContext() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void WatchWindowHandle();

  QWidget& widget_;
  TGLStageBuffer& buffer_;
  bool available_;
};

}  // namespace zentrova
