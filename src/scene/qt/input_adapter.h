// Turns a widget's Qt mouse, key and text events into calls on an input target (the root of the
// in-scene widgets): coordinates in the widget's pixels, keys as the widgets number them, typed text as
// code page 1252 bytes. Tab and Backtab are taken before Qt's focus chain sees them.
#pragma once

#include <QtCore/QEvent>
#include <QtCore/QObject>

#include <cstdint>
#include <optional>

#include "scene/core/input_target.h"

class QWidget;
class QKeyEvent;
class QMouseEvent;

namespace zentrova {

class TGLInputAdapter : public QObject {
 public:
  // Installs itself as an event filter of the widget and asks the widget for keyboard focus on clicks.
  explicit TGLInputAdapter(QWidget& widget);
  ~TGLInputAdapter() override;

  // The target that receives the events; nullptr detaches (events then pass on to the widget).
  void Attach(IGLInputTarget* target) { target_ = target; }
  IGLInputTarget* Target() const { return target_; }

  // The key code of a Qt key (Backtab is Tab), or nothing for a key the widgets do not number.
  static std::optional<std::uint16_t> KeyCode(int qt_key);
  static TShiftState ShiftOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons, bool double_click = false);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool Mouse(QEvent::Type type, QMouseEvent& event);
  bool Key(QEvent::Type type, QKeyEvent& event);

  QWidget& widget_;
  IGLInputTarget* target_ = nullptr;
};

}  // namespace zentrova
