#include "scene/qt/input_adapter.h"

#include <QtGui/QKeyEvent>
#include <QtGui/QMouseEvent>
#include <QtWidgets/QWidget>

#include <cmath>

#include "platform/code_page_1252.h"

namespace zentrova {

TGLInputAdapter::TGLInputAdapter(QWidget& widget) : QObject(&widget), widget_(widget) {
  widget.setFocusPolicy(Qt::StrongFocus);
  widget.setMouseTracking(true);
  widget.installEventFilter(this);
}

TGLInputAdapter::~TGLInputAdapter() { widget_.removeEventFilter(this); }

std::optional<std::uint16_t> TGLInputAdapter::KeyCode(int qt_key) {
  switch (qt_key) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Delete: return VK_DELETE;
    default: break;
  }
  // Qt numbers letters and digits by their upper-case ASCII codes, as the widgets do.
  if ((qt_key >= Qt::Key_A && qt_key <= Qt::Key_Z) || (qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9)) {
    return static_cast<std::uint16_t>(qt_key);
  }
  return std::nullopt;
}

TShiftState TGLInputAdapter::ShiftOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons, bool double_click) {
  std::uint8_t bits = 0;
  if (modifiers & Qt::ShiftModifier) bits |= ssShift;
  if (modifiers & Qt::AltModifier) bits |= ssAlt;
  if (modifiers & Qt::ControlModifier) bits |= ssCtrl;
  if (buttons & Qt::LeftButton) bits |= ssLeft;
  if (buttons & Qt::RightButton) bits |= ssRight;
  if (buttons & Qt::MiddleButton) bits |= ssMiddle;
  if (double_click) bits |= ssDouble;
  return bits;
}

bool TGLInputAdapter::eventFilter(QObject* watched, QEvent* event) {
  if (watched != &widget_ || target_ == nullptr) return QObject::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove:
      return Mouse(event->type(), static_cast<QMouseEvent&>(*event));
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
      return Key(event->type(), static_cast<QKeyEvent&>(*event));
    case QEvent::ShortcutOverride: {
      // Tab and Backtab belong to the widgets, not to a shortcut or the focus chain.
      auto& key = static_cast<QKeyEvent&>(*event);
      if (key.key() == Qt::Key_Tab || key.key() == Qt::Key_Backtab) {
        event->accept();
        return true;
      }
      break;
    }
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

bool TGLInputAdapter::Mouse(QEvent::Type type, QMouseEvent& event) {
  const QPointF at = event.position();
  const int x = static_cast<int>(std::floor(at.x())), y = static_cast<int>(std::floor(at.y()));
  TGLMouseButton button = mbLeft;
  if (event.button() == Qt::RightButton) button = mbRight;
  if (event.button() == Qt::MiddleButton) button = mbMiddle;
  const TShiftState shift = ShiftOf(event.modifiers(), event.buttons(), type == QEvent::MouseButtonDblClick);
  if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) {
    widget_.setFocus(Qt::MouseFocusReason);
    target_->MouseDown(button, shift, x, y);
  } else if (type == QEvent::MouseButtonRelease) {
    target_->MouseUp(button, shift, x, y);
  } else {
    target_->MouseMove(shift, x, y);
  }
  widget_.update();
  return true;
}

bool TGLInputAdapter::Key(QEvent::Type type, QKeyEvent& event) {
  const TShiftState shift = ShiftOf(event.modifiers(), Qt::NoButton);
  const std::optional<std::uint16_t> code = KeyCode(event.key());
  if (type == QEvent::KeyRelease) {
    if (code) {
      std::uint16_t key = *code;
      target_->KeyUp(key, shift);
    }
    widget_.update();
    return true;
  }
  if (code) {
    std::uint16_t key = *code;
    target_->KeyDown(key, shift);
  }
  // The typed characters; a Backtab carries no text of its own.
  std::string text = Utf8ToCp1252(event.text().toStdString()).codes;
  if (event.key() == Qt::Key_Backtab && text.empty()) text = "\t";
  for (char c : text) {
    // Delete arrives as the character 127: a key, not something typed.
    if (static_cast<std::uint8_t>(c) == 127) continue;
    char key = c;
    target_->KeyPress(key);
  }
  widget_.update();
  return true;
}

}  // namespace zentrova
