// The class chain every in-scene widget shares. Widgets are scene objects drawn as flat, screen-aligned
// rectangles in pixels, skinned with a component of a GUI layout. Left and Top (Position x and y) are
// viewport pixels from the top-left corner, y down, for every widget of a tree: a child is placed in
// the same pixels as its parent, and moving a widget moves its children along.
//
// - TGLBaseGuiObject: size, and the effective visibility that follows the parent chain.
// - TGLBaseComponent: layout binding, deferred redraws and moves, the render guard, the drawing frame.
// - TGLBaseControl: the input target: mouse routing to children, hit tests, enter and leave, the
//   focused control of a root.
// - TGLFocusControl: keyboard events and Tab navigation.
// - TGLBaseFontControl, TGLBaseTextControl: bitmap font, default colour, caption, text helpers.
// - TGLPanel: a plain skinned container.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "scene/base/class_name.h"
#include "scene/base/property_stream.h"
#include "scene/core/input_target.h"
#include "scene/core/scene_object.h"
#include "scene/extras/text/bitmap_font.h"
#include "scene/extras/widgets/gui_layout.h"
#include "scene/gl/platform_helpers.h"

namespace zentrova {

class TGLBaseControl;
class TGLFocusControl;

class TGLBaseGuiObject : public TGLBaseSceneObject {
 public:
  TGLBaseGuiObject();
  ZENTROVA_CLASS(TGLBaseGuiObject)

  float Left() const { return Position().X(); }
  float Top() const { return Position().Y(); }
  void SetLeft(float value);
  void SetTop(float value);
  float Width() const { return width_; }
  float Height() const { return height_; }
  void SetWidth(float value);
  void SetHeight(float value);

  // Visible, and every widget above it visible.
  bool EffectiveVisible() const;
  // Hiding tells the sub-tree that it went out of sight; showing (under a visible parent) that it came.
  void SetVisible(bool value) override;
  // The sub-tree went out of (came into) sight: each widget of it that is itself visible hears of it.
  virtual void HideRecursively();
  virtual void ShowRecursively();

 private:
  float width_ = 50;
  float height_ = 50;
};

class TGLBaseComponent : public TGLBaseGuiObject {
 public:
  TGLBaseComponent();
  // Waits until no other thread draws the widget (not for its own draw), then leaves its layout.
  ~TGLBaseComponent() override;
  ZENTROVA_CLASS(TGLBaseComponent)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  TGLGuiLayout* GuiLayout() const { return gui_layout_; }
  virtual void SetGuiLayout(TGLGuiLayout* value);
  const std::string& GuiLayoutName() const { return gui_layout_name_; }
  void SetGuiLayoutName(const std::string& value);
  TGLGuiComponent* GuiComponent() const { return gui_component_; }
  bool RedrawAtOnce() const { return redraw_at_once_; }
  void SetRedrawAtOnce(bool value) { redraw_at_once_ = value; }
  float AlphaChannel() const { return alpha_channel_; }
  void SetAlphaChannel(float value);  // clamped to [0, 1]
  float Rotation() const { return rotation_; }
  void SetRotation(float value);
  bool NoZWrite() const { return no_z_write_; }
  void SetNoZWrite(bool value);
  bool DoChangesOnProgress() const { return do_changes_on_progress_; }
  void SetDoChangesOnProgress(bool value) { do_changes_on_progress_ = value; }
  bool RedrawPending() const { return redraw_pending_; }
  bool RefreshAreas() const { return refresh_areas_; }
  void SetRefreshAreas(bool value) { refresh_areas_ = value; }
  TGuiAreaSet& Areas() { return areas_; }
  const TGuiAreaSet& Areas() const { return areas_; }

  // A change of the look: with RedrawAtOnce (or while designing) the structure is marked dirty now,
  // otherwise the redraw waits for ApplyPendingChanges.
  void RequestRedraw(bool flag);
  // Moves this widget and its sub-tree by (dx, dy) pixels: at once with RedrawAtOnce, else at the next
  // ApplyPendingChanges.
  void MoveBy(float dx, float dy);
  virtual void ApplyPendingChanges();
  float PendingMoveX() const { return pending_move_x_; }
  float PendingMoveY() const { return pending_move_y_; }

  // The render guard: a change of the tree made from another thread waits until no draw of this widget
  // is active, and a draw that starts meanwhile waits for the unlock. The thread that is drawing the
  // widget does not wait for itself.
  void LockRendering();
  void UnlockRendering();
  bool Destroying() const { return destroying_; }

  void NotifyChange(TPersistent* sender) override;
  void DoProgress(const TProgressTimes& progress_times) override;
  // The widget in its frame (layout material, pixel matrices), then the children in index order.
  void DoRender(TRenderContextInfo& rci, bool render_self, bool render_children) override;

 protected:
  void Notification(TComponent& component, TOperation operation) override;
  // The widget's own drawing in pixels from its top-left corner (vertex y negated). The base draws the
  // skin component over the whole widget.
  virtual void InternalRender(TRenderContextInfo& rci);
  // Runs a drawing step; an exception is kept and reported through the message sink, with the caption,
  // once the widget's draw is over, and drawing goes on.
  void GuardedDraw(const std::function<void()>& draw, const char* caption);
  // The skin component over a rectangle with the widget's areas.
  void RenderComponent(TRenderContextInfo& rci, const TGLGuiComponent& component, TGuiAreaSet& areas,
                       bool refresh, float x1, float y1, float x2, float y2);
  // Finds again, by name in the layout, every skin component the widget draws with: on a change of
  // layout or name, and on the layout's change notice, since a reloaded or streamed skin frees the old
  // components. Widgets with components of their own add them, chained to this.
  virtual void LookUpComponent();
  // Called after the whole render of the widget (its children included).
  virtual void AfterRender() {}
  // Marks the widget as going: draws stop and the destructor waits for those in flight.
  void BeginDestruction();

 private:
  bool redraw_pending_ = false;
  TGLGuiLayout* gui_layout_ = nullptr;
  std::string gui_layout_name_;
  TGLGuiComponent* gui_component_ = nullptr;
  bool refresh_areas_ = true;
  bool redraw_at_once_ = false;
  float pending_move_x_ = 0;
  float pending_move_y_ = 0;
  TGuiAreaSet areas_{};
  float alpha_channel_ = 1;
  float rotation_ = 0;
  bool no_z_write_ = false;
  bool do_changes_on_progress_ = false;
  std::atomic<bool> render_blocked_{false};
  std::atomic<int> render_count_{0};
  std::atomic<int> render_waiters_{0};
  std::atomic<bool> destroying_{false};
  std::atomic<std::thread::id> render_thread_{};
  std::atomic<std::thread::id> lock_owner_{};
  int lock_depth_ = 0;  // the owner's nesting
  bool marking_ = false;
  std::string draw_failure_;
  std::string draw_failure_caption_;
};

// The setter notice of a property that changes only a widget's look (SetProperty, property_setter.h).
inline auto RedrawOf(TGLBaseComponent* widget) {
  return [widget] { widget->RequestRedraw(true); };
}

using TGLMouseEvent =
    std::function<void(TGLBaseControl& sender, TGLMouseButton button, TShiftState shift, int x, int y)>;
using TGLMouseMoveEvent = std::function<void(TGLBaseControl& sender, TShiftState shift, int x, int y)>;
enum TGLMouseAction : std::uint8_t { ma_mouseup, ma_mousedown, ma_mousemove };
using TGLAcceptMouseQuery = std::function<void(TGLBaseControl& sender, TShiftState shift, TGLMouseAction action,
                                               TGLMouseButton button, int x, int y, bool& accept)>;
using TGLNotifyEvent = std::function<void(TGLBaseControl& sender)>;

class TGLBaseControl : public TGLBaseComponent, public IGLInputTarget {
 public:
  ~TGLBaseControl() override;
  ZENTROVA_CLASS_NEW(TGLBaseControl)

  TGLMouseEvent OnMouseDown;
  TGLMouseMoveEvent OnMouseMove;
  TGLMouseEvent OnMouseUp;
  TGLAcceptMouseQuery OnAcceptMouseQuery;
  TGLNotifyEvent OnMouseLeave;
  TGLNotifyEvent OnMouseEnter;

  // The child that gets mouse events first (a drag keeps receiving them outside its rectangle).
  TGLBaseControl* MouseCapture() const { return mouse_capture_; }
  void SetMouseCapture(TGLBaseControl* value);
  TGLBaseControl* EnteredControl() const { return entered_control_; }
  // The control that keys go to (kept by the root).
  TGLFocusControl* FocusedControl() const { return focused_control_; }
  void SetFocusedControl(TGLFocusControl* value);

  // Entry points, in the parent's pixels (the root's are the viewport's). Each returns whether the
  // event was taken: it was, when it lies on this visible control.
  bool MouseDown(TGLMouseButton button, TShiftState shift, int x, int y) override;
  bool MouseUp(TGLMouseButton button, TShiftState shift, int x, int y) override;
  bool MouseMove(TShiftState shift, int x, int y) override;
  // To the focused control.
  void KeyPress(char& key) override;
  void KeyDown(std::uint16_t& key, TShiftState shift) override;
  void KeyUp(std::uint16_t& key, TShiftState shift) override;

  void DoMouseEnter();
  void DoMouseLeave();

 protected:
  void Notification(TComponent& component, TOperation operation) override;
  virtual void InternalMouseDown(TGLMouseButton button, TShiftState shift, int x, int y);
  virtual void InternalMouseUp(TGLMouseButton button, TShiftState shift, int x, int y);
  virtual void InternalMouseMove(TShiftState shift, int x, int y);
  // The highest control above, through widget parents (this control when there is none).
  TGLBaseControl* FindRootControl();

 private:
  enum class TRoute : std::uint8_t { Down, Up, Move };
  bool Route(TRoute route, TGLMouseButton button, TShiftState shift, int x, int y);

  TGLBaseControl* mouse_capture_ = nullptr;
  TGLFocusControl* focused_control_ = nullptr;
  TGLBaseControl* entered_control_ = nullptr;
};

class TGLBaseFontControl : public TGLBaseControl {
 public:
  TGLBaseFontControl();
  ~TGLBaseFontControl() override;
  ZENTROVA_CLASS(TGLBaseFontControl)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  // The own font; without one at run time, the layout's font is adopted.
  TGLCustomBitmapFont* BitmapFont();
  TGLCustomBitmapFont* OwnBitmapFont() const { return bitmap_font_; }
  void SetBitmapFont(TGLCustomBitmapFont* value);
  TColor DefaultColor() const { return VectorToWinColor(default_color_); }
  const TVector4f& DefaultColorVector() const { return default_color_; }
  void SetDefaultColor(TColor value);
  // -1 without a font; a system font's pixel height; else CharHeight.
  int FontHeight();

 protected:
  void Notification(TComponent& component, TOperation operation) override;
  // Text at (x, y) rounded, left and top aligned.
  void WriteTextAt(TRenderContextInfo& rci, float x, float y, const std::string& text, const TVector4f& color);
  // Text centred in the rectangle.
  void WriteTextCentered(TRenderContextInfo& rci, float x1, float y1, float x2, float y2, const std::string& text,
                         const TVector4f& color);

 private:
  TGLCustomBitmapFont* bitmap_font_ = nullptr;
  TVector4f default_color_{0, 0, 0, 1};
};

class TGLBaseTextControl : public TGLBaseFontControl {
 public:
  ZENTROVA_CLASS(TGLBaseTextControl)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& value);

 private:
  std::string caption_;
};

using TKeyEvent = std::function<void(TGLBaseControl& sender, std::uint16_t& key, TShiftState shift)>;
using TKeyPressEvent = std::function<void(TGLBaseControl& sender, char& key)>;

class TGLFocusControl : public TGLBaseTextControl {
 public:
  ~TGLFocusControl() override;
  ZENTROVA_CLASS(TGLFocusControl)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TKeyPressEvent OnKeyPress;

  bool Focused() const { return focused_; }
  virtual void SetFocused(bool value);
  // The root control's focus moves here.
  void SetFocus();
  TGLBaseControl* RootControl() { return FindRootControl(); }
  TColor FocusedColor() const { return VectorToWinColor(focused_color_); }
  const TVector4f& FocusedColorVector() const { return focused_color_; }
  void SetFocusedColor(TColor value);
  TShiftState ShiftState() const { return shift_state_; }

  // The next and previous focus controls in tree order: visible focus controls, entering visible
  // containers; at the end the walk wraps once to the other end of the root; a second wrap ends it
  // (next: no focus; previous: back to this control).
  void NextControl();
  void PrevControl();

  // Tab moves the focus once per press, on KeyDown: forward without Shift, backward with it.
  void KeyPress(char& key) override;
  void KeyDown(std::uint16_t& key, TShiftState shift) override;
  void KeyUp(std::uint16_t& key, TShiftState shift) override;
  void HideRecursively() override;

 protected:
  virtual void InternalKeyPress(char& key);
  virtual void InternalKeyDown(std::uint16_t& key, TShiftState shift);
  virtual void InternalKeyUp(std::uint16_t& key, TShiftState shift);

 private:
  void MoveFocus(bool forward);

  bool focused_ = false;
  TShiftState shift_state_;
  TVector4f focused_color_{0, 0, 0, 1};
};

class TGLPanel : public TGLBaseControl {
 public:
  ZENTROVA_CLASS_NEW(TGLPanel)
};

// The colour the widgets start with and do not store: black (a TColor).
inline constexpr TColor kDefaultWidgetColor = 0;

// A string list property ("<name>.Strings"): binary data of a 4-byte count, then each string as a 4-byte
// length and its bytes. Nothing is written for an empty list.
void WriteStrings(TPropertyWriter& writer, std::string_view name, const std::vector<std::string>& strings);
// EReadError "Invalid property value" for data of another form.
std::vector<std::string> ReadStrings(const TPropertyValue& value);

}  // namespace zentrova
