#include "scene/qt/stage_viewer.h"

#include <QtCore/QMetaObject>
#include <QtCore/QThread>
#include <QtGui/QResizeEvent>

#include <algorithm>

#include "scene/base/scene_errors.h"
#include "scene/core/camera.h"
#include "scene/pictures/picture.h"
#include "scene/gl/egl_context.h"
#include "scene/qt/native_window_context.h"

namespace zentrova {

namespace {

// Off-screen contexts go to the X display while a window viewer lives, so that they share lists with it.
int live_viewers = 0;

}  // namespace

void SetupVSync(TGLStageBuffer& buffer, TVSyncMode mode) {
  auto* context = dynamic_cast<TGLEGLContext*>(buffer.RenderingContext());
  if (context == nullptr || context->IsPBuffer()) return;
  SceneAssert(mode == vsmSync || mode == vsmNoSync);
  const int interval = mode == vsmSync ? 1 : 0;
  if (context->SwapInterval() != interval) context->SetSwapInterval(interval);
}

TGLStageViewer::TGLStageViewer(QWidget* parent)
    : QWidget(parent), buffer_(std::make_unique<TGLStageBuffer>(&component_)) {
  setAttribute(Qt::WA_NativeWindow);
  setAttribute(Qt::WA_PaintOnScreen);
  setAttribute(Qt::WA_NoSystemBackground);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  resize(100, 100);
  context_ = std::make_unique<TNativeWindowContext>(*this, *buffer_);
  if (live_viewers++ == 0) SetOffscreenXDisplay(ApplicationXDisplay());
  buffer_->OnViewerBeforeRender = [this](TPersistent*) { SetupVSync(*buffer_, vsync_); };
  buffer_->OnChange = [this](TPersistent*) { HandleBufferChange(); };
  buffer_->OnStructuralChange = [this](TPersistent*) { HandleStructuralChange(); };
}

TGLStageViewer::~TGLStageViewer() {
  buffer_->OnViewerBeforeRender = nullptr;
  buffer_->OnChange = nullptr;
  buffer_->OnStructuralChange = nullptr;
  context_.reset();
  buffer_.reset();
  if (--live_viewers == 0) SetOffscreenXDisplay(nullptr);
}

bool TGLStageViewer::IsOpenGLAvailable() const {
  return context_->Available();
}

float TGLStageViewer::FieldOfView() const {
  if (Camera() == nullptr) return 0;
  return Camera()->GetFieldOfView(static_cast<float>(std::min(width(), height())));
}

void TGLStageViewer::SetFieldOfView(float value) {
  if (Camera() == nullptr) return;
  Camera()->SetFieldOfView(value, static_cast<float>(std::min(width(), height())));
}

void TGLStageViewer::HandleBufferChange() {
  if (buffer_->Rendering()) return;
  if (QThread::currentThread() == thread()) {
    update();
  } else {
    // Dropped by Qt when the viewer is gone before the GUI thread gets to it.
    QMetaObject::invokeMethod(
        this, [this] { update(); }, Qt::QueuedConnection);
  }
}

void TGLStageViewer::HandleStructuralChange() {
  if (internalWinId() == 0) return;
  const bool visible = isVisible();
  context_->Destroy();
  destroy(true, true);
  create();
  if (visible) {
    setVisible(false);
    setVisible(true);
  }
  update();
}

void TGLStageViewer::paintEvent(QPaintEvent*) {
  // A viewer that moved without a resize sets its viewport again.
  const QPoint screen_pos = mapToGlobal(QPoint(0, 0));
  if (screen_pos != last_screen_pos_) {
    if (context_->HasContext()) SizeBuffer(*buffer_, width(), height());
    last_screen_pos_ = screen_pos;
  }
  if (!context_->Available() || width() <= 0 || height() <= 0) return;
  RenderReporting([this] {
    context_->Create();
    buffer_->Render();
  });
}

void TGLStageViewer::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  SizeBuffer(*buffer_, event->size().width(), event->size().height());
}

void TGLStageViewer::enterEvent(QEnterEvent* event) {
  QWidget::enterEvent(event);
  mouse_in_ = true;
  if (OnMouseEnter) OnMouseEnter(*this);
}

void TGLStageViewer::leaveEvent(QEvent* event) {
  QWidget::leaveEvent(event);
  mouse_in_ = false;
  if (OnMouseLeave) OnMouseLeave(*this);
}

std::unique_ptr<TBitmap> TGLStageViewer::CopyWindowToBitmap() {
  if (context_->Available() && width() > 0 && height() > 0) context_->Create();
  return CopyFrameToBitmap(*buffer_, width(), height());
}

}  // namespace zentrova
