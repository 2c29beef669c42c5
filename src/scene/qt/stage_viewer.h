// The windowed scene viewer: a native child widget that owns a scene buffer, whose context draws on the
// widget's own X11 window through EGL. Every paint renders a frame; a change of the scene (reported on
// any thread) asks for a paint on the GUI thread. Without OpenGL (or off xcb) it stays a blank widget.
#pragma once

#include <QtWidgets/QWidget>

#include <cstdint>
#include <functional>
#include <memory>

#include "scene/base/component.h"
#include "scene/avi/recording_source.h"
#include "scene/core/stage_buffer.h"

namespace zentrova {

class TNativeWindowContext;

enum TVSyncMode : std::uint8_t { vsmSync, vsmNoSync };

// The swap interval of the buffer's window context for the mode: 1 for vsmSync, 0 for vsmNoSync, set
// when it differs. Nothing without such a context.
void SetupVSync(TGLStageBuffer& buffer, TVSyncMode mode);

class TGLStageViewer : public QWidget, public IGLRecordingSource {
 public:
  explicit TGLStageViewer(QWidget* parent = nullptr);
  // The context goes first, while the native window still exists.
  ~TGLStageViewer() override;

  TGLStageBuffer& Buffer() override { return *buffer_; }
  // Renders a frame without the swap, reads the back buffer into a new 24-bit bitmap, then swaps; black
  // at the viewer's size without a native window or context.
  std::unique_ptr<TBitmap> CopyWindowToBitmap() override;

  TGLCamera* Camera() const { return buffer_->Camera(); }
  void SetCamera(TGLCamera* camera) { buffer_->SetCamera(camera); }
  // Default vsmNoSync; applied before every frame.
  TVSyncMode VSync() const { return vsync_; }
  void SetVSync(TVSyncMode value) { vsync_ = value; }
  // Degrees across the smaller side; 0 without a camera.
  float FieldOfView() const;
  void SetFieldOfView(float value);
  bool IsOpenGLAvailable() const;
  bool IsMouseIn() const { return mouse_in_; }
  void ResetFrameCounters() { buffer_->ResetFrameCounters(); }

  std::function<void(TGLStageViewer& sender)> OnMouseEnter;
  std::function<void(TGLStageViewer& sender)> OnMouseLeave;

  // EGL draws on the native window: Qt paints nothing of its own.
  QPaintEngine* paintEngine() const override { return nullptr; }

 protected:
  // The buffer changed: a paint, queued to the GUI thread from any thread, unless a frame is being drawn.
  virtual void HandleBufferChange();

  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  // A context option changed: the window's visual is fixed, so the native window is made anew, and the
  // context with it at the next paint.
  void HandleStructuralChange();

  // The buffer's owner: a running component, so that the buffer fires BeforeRender, PostRender and
  // AfterRender.
  TComponent component_;
  std::unique_ptr<TGLStageBuffer> buffer_;
  std::unique_ptr<TNativeWindowContext> context_;
  TVSyncMode vsync_ = vsmNoSync;
  bool mouse_in_ = false;
  QPoint last_screen_pos_;
};

}  // namespace zentrova
