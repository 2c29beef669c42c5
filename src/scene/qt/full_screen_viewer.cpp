#include "scene/qt/full_screen_viewer.h"

#include <QtCore/QMetaObject>
#include <QtCore/QThread>
#include <QtGui/QCloseEvent>
#include <QtGui/QContextMenuEvent>
#include <QtGui/QKeyEvent>
#include <QtGui/QMouseEvent>
#include <QtGui/QWheelEvent>
#include <QtWidgets/QWidget>

#include <algorithm>

#include "scene/base/property_setter.h"
#include "scene/base/scene_errors.h"
#include "scene/pictures/picture.h"
#include "scene/qt/native_window_context.h"

namespace zentrova {

// The full-screen viewer's form: paints by rendering the viewer, passes its input on.
class TFullScreenForm : public QWidget {
 public:
  explicit TFullScreenForm(TGLFullScreenViewer& viewer)
      : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint |
                             (viewer.StayOnTop() ? Qt::WindowStaysOnTopHint : Qt::Widget)),
        viewer_(viewer) {
    setAttribute(Qt::WA_NativeWindow);
    setAttribute(Qt::WA_PaintOnScreen);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setCursor(viewer.Cursor());
    context_ = std::make_unique<TNativeWindowContext>(*this, viewer.Buffer());
  }
  ~TFullScreenForm() override { context_.reset(); }

  QPaintEngine* paintEngine() const override { return nullptr; }
  TNativeWindowContext& Context() { return *context_; }

 protected:
  void paintEvent(QPaintEvent*) override {
    RenderReporting([this] { viewer_.Render(); });
  }
  void mousePressEvent(QMouseEvent* event) override {
    if (viewer_.OnMouseDown) viewer_.OnMouseDown(*event);
  }
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (viewer_.OnMouseUp) viewer_.OnMouseUp(*event);
    if (viewer_.OnClick && rect().contains(event->position().toPoint())) viewer_.OnClick();
  }
  void mouseDoubleClickEvent(QMouseEvent* event) override {
    if (viewer_.OnMouseDown) viewer_.OnMouseDown(*event);
    if (viewer_.OnDblClick) viewer_.OnDblClick();
  }
  void mouseMoveEvent(QMouseEvent* event) override {
    if (viewer_.OnMouseMove) viewer_.OnMouseMove(*event);
  }
  void wheelEvent(QWheelEvent* event) override {
    if (viewer_.OnMouseWheel) viewer_.OnMouseWheel(*event);
  }
  void contextMenuEvent(QContextMenuEvent* event) override {
    QMenu* menu = viewer_.PopupMenu();
    if (menu == nullptr) {
      event->ignore();
      return;
    }
    menu->popup(event->globalPos());
    event->accept();
  }
  void keyPressEvent(QKeyEvent* event) override {
    if (viewer_.OnKeyDown) viewer_.OnKeyDown(*event);
    if (viewer_.OnKeyPress && !event->text().isEmpty()) viewer_.OnKeyPress(event->text());
  }
  void keyReleaseEvent(QKeyEvent* event) override {
    if (viewer_.OnKeyUp) viewer_.OnKeyUp(*event);
  }
  void closeEvent(QCloseEvent* event) override {
    if (viewer_.OnCloseQuery && !viewer_.OnCloseQuery()) {
      event->ignore();
      return;
    }
    event->accept();
    // The form cannot free itself inside its own event.
    TGLFullScreenViewer* viewer = &viewer_;
    QMetaObject::invokeMethod(
        this,
        [viewer] {
          viewer->SetActive(false);
          if (viewer->OnClose) viewer->OnClose();
        },
        Qt::QueuedConnection);
  }

 private:
  TGLFullScreenViewer& viewer_;
  std::unique_ptr<TNativeWindowContext> context_;
};

TGLFullScreenViewer::TGLFullScreenViewer() {
  SetWidth(800);
  SetHeight(600);
  Buffer().OnViewerBeforeRender = [this](TPersistent*) { SetupVSync(Buffer(), vsync_); };
}

TGLFullScreenViewer::~TGLFullScreenViewer() {
  SetActive(false);
  Buffer().OnViewerBeforeRender = nullptr;
}

QWidget* TGLFullScreenViewer::Form() const {
  return form_.get();
}

void TGLFullScreenViewer::SetActive(bool value) {
  if (value == active_) return;
  if (value) {
    StartFullScreen();
  } else {
    StopFullScreen();
  }
}

void TGLFullScreenViewer::SetScreenDepth(TGLScreenDepth value) {
  SetProperty(screen_depth_, value, [this] { Restart(); });
}

void TGLFullScreenViewer::SetStayOnTop(bool value) {
  SetProperty(stay_on_top_, value, [this] { Restart(); });
}

void TGLFullScreenViewer::SetCursor(Qt::CursorShape value) {
  cursor_ = value;
  if (form_ != nullptr) form_->setCursor(value);
}

void TGLFullScreenViewer::SetPopupMenu(QMenu* value) {
  // The form reads the menu when the right button asks for it: storing it applies it.
  popup_menu_ = value;
}

void TGLFullScreenViewer::Restart() {
  if (!active_) return;
  StopFullScreen();
  StartFullScreen();
}

void TGLFullScreenViewer::DoOnChange() {
  if (form_ == nullptr || Buffer().Rendering()) return;
  if (QThread::currentThread() == form_->thread()) {
    form_->update();
  } else {
    QMetaObject::invokeMethod(
        form_.get(), [form = form_.get()] { form->update(); }, Qt::QueuedConnection);
  }
}

void TGLFullScreenViewer::DoBufferStructuralChange() {
  if (active_) {
    Restart();
  } else {
    TGLNonVisualViewer::DoBufferStructuralChange();
  }
}

void TGLFullScreenViewer::StartFullScreen() {
  SceneAssert(form_ == nullptr);
  display_switched_ =
      SwitchDisplayForFullScreen(Width(), Height(), ScreenDepthBits(screen_depth_), refresh_rate_);
  try {
    form_ = std::make_unique<TFullScreenForm>(*this);
    form_->resize(Width(), Height());
    form_->showFullScreen();
    SizeBuffer(Buffer(), Width(), Height());
    form_->Context().Create();
    active_ = true;
  } catch (...) {
    // Nothing of a failed start stays: no form, and the desktop's mode again.
    form_.reset();
    if (display_switched_) RestoreDefaultDisplayMode();
    display_switched_ = false;
    throw;
  }
}

void TGLFullScreenViewer::StopFullScreen() {
  Buffer().DestroyRenderingContext();
  form_.reset();
  if (display_switched_) RestoreDefaultDisplayMode();
  display_switched_ = false;
  active_ = false;
}

void TGLFullScreenViewer::Render(TGLBaseSceneObject* base_object) {
  if (form_ == nullptr) return;
  form_->Context().Create();
  Buffer().Render(base_object);
}

std::unique_ptr<TBitmap> TGLFullScreenViewer::CopyWindowToBitmap() {
  if (form_ != nullptr) form_->Context().Create();
  return CopyFrameToBitmap(Buffer(), Width(), Height());
}

}  // namespace zentrova
