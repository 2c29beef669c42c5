// A scene buffer shown on a form of its own that covers the screen: a frameless top-level window in the
// window manager's full-screen state (which keeps the task bar away), stay-on-top by hint when asked,
// with the display switched to the table mode for Width × Height × ScreenDepth unless the desktop
// already has it.
#pragma once

#include <QtCore/QPointer>
#include <QtCore/QString>
#include <QtCore/Qt>
#include <QtWidgets/QMenu>

#include <functional>
#include <memory>

#include "scene/base/class_name.h"
#include "scene/display/display_modes.h"
#include "scene/core/non_visual_viewer.h"
#include "scene/avi/recording_source.h"
#include "scene/qt/stage_viewer.h"

class QKeyEvent;
class QMouseEvent;
class QWheelEvent;
class QWidget;

namespace zentrova {

class TFullScreenForm;

class TGLFullScreenViewer : public TGLNonVisualViewer, public IGLRecordingSource {
 public:
  // 800 × 600 at 32 bits, VSync on.
  TGLFullScreenViewer();
  // Leaves full screen.
  ~TGLFullScreenViewer() override;
  ZENTROVA_CLASS(TGLFullScreenViewer)

  // Setting true starts full screen: "Unsupported video mode" when no table mode is large enough; any
  // failure afterwards gives the display mode back and drops the form before it is raised again.
  bool Active() const { return active_; }
  void SetActive(bool value);
  // The display was switched for the form.
  bool DisplaySwitched() const { return display_switched_; }

  TGLScreenDepth ScreenDepth() const { return screen_depth_; }
  bool StayOnTop() const { return stay_on_top_; }
  // A change while active leaves full screen and starts it again.
  void SetScreenDepth(TGLScreenDepth value);
  void SetStayOnTop(bool value);
  TVSyncMode VSync() const { return vsync_; }
  void SetVSync(TVSyncMode value) { vsync_ = value; }
  // Hz, 0 for the source's choice.
  int RefreshRate() const { return refresh_rate_; }
  void SetRefreshRate(int value) { refresh_rate_ = value; }
  Qt::CursorShape Cursor() const { return cursor_; }
  void SetCursor(Qt::CursorShape value);
  // The form's context menu, shown where the right button asks for it; not owned (a menu that is
  // destroyed is dropped).
  QMenu* PopupMenu() const { return popup_menu_; }
  void SetPopupMenu(QMenu* value);
  // The form while active, else nullptr.
  QWidget* Form() const;

  // A frame on the form; nothing without it.
  void Render(TGLBaseSceneObject* base_object = nullptr) override;

  TGLStageBuffer& Buffer() override { return TGLNonVisualViewer::Buffer(); }
  std::unique_ptr<TBitmap> CopyWindowToBitmap() override;

  // The form's input.
  std::function<void(QMouseEvent& event)> OnMouseDown;
  std::function<void(QMouseEvent& event)> OnMouseUp;
  std::function<void(QMouseEvent& event)> OnMouseMove;
  std::function<void(QWheelEvent& event)> OnMouseWheel;
  std::function<void()> OnClick;
  std::function<void()> OnDblClick;
  std::function<void(QKeyEvent& event)> OnKeyDown;
  std::function<void(QKeyEvent& event)> OnKeyUp;
  std::function<void(const QString& text)> OnKeyPress;
  // Closing the form: OnCloseQuery may refuse; allowed, full screen stops and OnClose follows.
  std::function<bool()> OnCloseQuery;
  std::function<void()> OnClose;

 protected:
  void DoOnChange() override;
  void DoBufferStructuralChange() override;

 private:
  friend class TFullScreenForm;

  void StartFullScreen();
  void StopFullScreen();
  void Restart();

  std::unique_ptr<TFullScreenForm> form_;
  TGLScreenDepth screen_depth_ = sd32bits;
  bool active_ = false;
  bool display_switched_ = false;
  bool stay_on_top_ = false;
  TVSyncMode vsync_ = vsmSync;
  int refresh_rate_ = 0;
  Qt::CursorShape cursor_ = Qt::ArrowCursor;
  QPointer<QMenu> popup_menu_;
};

}  // namespace zentrova
