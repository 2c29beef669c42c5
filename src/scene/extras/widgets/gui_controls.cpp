#include "scene/extras/widgets/gui_controls.h"
#include "scene/base/class_registration.h"
#include "scene/base/property_setter.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "scene/base/scope_exit.h"
#include "scene/extras/text/font_user.h"
#include "scene/extras/text/hud_objects.h"
#include "scene/extras/text/windows_bitmap_font.h"
#include "scene/gl/opengl_binding.h"
#include "scene/gl/state_cache.h"
#include "scene/materials/material.h"

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TGLBaseControl);
ZENTROVA_REGISTER_CLASS(TGLPanel);

// ---- Gui object

TGLBaseGuiObject::TGLBaseGuiObject() {
  SetObjectStyle(ObjectStyle() | osDirectDraw | osNoVisibilityCulling);
}

void TGLBaseGuiObject::SetLeft(float value) {
  if (value != Position().X()) Position().SetX(value);
}

void TGLBaseGuiObject::SetTop(float value) {
  if (value != Position().Y()) Position().SetY(value);
}

void TGLBaseGuiObject::SetWidth(float value) { SetProperty(width_, value, NotifyChangeOf(this)); }

void TGLBaseGuiObject::SetHeight(float value) { SetProperty(height_, value, NotifyChangeOf(this)); }

bool TGLBaseGuiObject::EffectiveVisible() const {
  if (!Visible()) return false;
  const auto* parent = dynamic_cast<const TGLBaseGuiObject*>(Parent());
  return parent == nullptr || parent->EffectiveVisible();
}

void TGLBaseGuiObject::SetVisible(bool value) {
  if (value == Visible()) return;
  const bool was_shown = EffectiveVisible();
  TGLBaseSceneObject::SetVisible(value);
  if (!value && was_shown) HideRecursively();
  if (value && EffectiveVisible()) ShowRecursively();
}

void TGLBaseGuiObject::HideRecursively() {
  for (int i = 0; i < ChildCount(); ++i) {
    auto* child = dynamic_cast<TGLBaseGuiObject*>(ChildAt(i));
    if (child != nullptr && child->Visible()) child->HideRecursively();
  }
}

void TGLBaseGuiObject::ShowRecursively() {
  for (int i = 0; i < ChildCount(); ++i) {
    auto* child = dynamic_cast<TGLBaseGuiObject*>(ChildAt(i));
    if (child != nullptr && child->Visible()) child->ShowRecursively();
  }
}

// ---- Component

TGLBaseComponent::TGLBaseComponent() = default;

TGLBaseComponent::~TGLBaseComponent() {
  BeginDestruction();
  SetGuiLayout(nullptr);
}

void TGLBaseComponent::BeginDestruction() {
  destroying_ = true;
  const bool drawing_here = render_thread_.load() == std::this_thread::get_id();
  while (render_count_.load() > (drawing_here ? 1 : 0)) SleepMs(1);
}

void TGLBaseComponent::LookUpComponent() {
  gui_component_ = gui_layout_ != nullptr ? gui_layout_->GuiComponents().FindByName(gui_layout_name_) : nullptr;
}

void TGLBaseComponent::SetGuiLayout(TGLGuiLayout* value) {
  if (value == gui_layout_) return;
  if (gui_layout_ != nullptr) {
    gui_layout_->UnregisterWidget(this);
    RemoveFreeNotification(*gui_layout_);
  }
  gui_component_ = nullptr;
  gui_layout_ = value;
  LookUpComponent();
  if (gui_layout_ != nullptr) {
    gui_layout_->RegisterWidget(this);
    FreeNotification(*gui_layout_);
  }
  if (!destroying_) NotifyChange(this);
}

void TGLBaseComponent::SetGuiLayoutName(const std::string& value) {
  SetProperty(gui_layout_name_, value, [this] {
    LookUpComponent();
    NotifyChange(this);
  });
}

void TGLBaseComponent::SetAlphaChannel(float value) {
  SetProperty(alpha_channel_, std::clamp(value, 0.0f, 1.0f), NotifyChangeOf(this));
}

void TGLBaseComponent::SetRotation(float value) { SetProperty(rotation_, value, NotifyChangeOf(this)); }

void TGLBaseComponent::SetNoZWrite(bool value) {
  no_z_write_ = value;
  NotifyChange(this);
}

void TGLBaseComponent::NotifyChange(TPersistent* sender) {
  if (sender != nullptr && sender == gui_layout_) {
    LockRendering();
    TScopeExit unlock([this] { UnlockRendering(); });
    LookUpComponent();
    refresh_areas_ = true;
    RequestRedraw(true);
  } else if (sender == this) {
    refresh_areas_ = true;
    RequestRedraw(true);
  }
  TGLBaseGuiObject::NotifyChange(sender);
}

void TGLBaseComponent::Notification(TComponent& component, TOperation operation) {
  if (operation == TOperation::Remove && &component == gui_layout_) {
    LockRendering();
    TScopeExit unlock([this] { UnlockRendering(); });
    // The layout is going (it may be partly destroyed already): the link is only dropped here.
    gui_layout_ = nullptr;
    gui_component_ = nullptr;
    NotifyChange(this);
  }
  TGLBaseGuiObject::Notification(component, operation);
}

void TGLBaseComponent::RequestRedraw(bool flag) {
  redraw_pending_ = flag;
  if (flag && !destroying_ && !marking_ && (redraw_at_once_ || ComponentState().Contains(TComponentState::Designing))) {
    redraw_pending_ = false;
    // The mark notifies this widget again: that notice is the redraw itself.
    marking_ = true;
    TScopeExit done([this] { marking_ = false; });
    MarkStructureDirty();
  }
}

void TGLBaseComponent::MoveBy(float dx, float dy) {
  if (redraw_at_once_) BeginUpdate();
  pending_move_x_ += dx;
  pending_move_y_ += dy;
  for (int i = 0; i < ChildCount(); ++i) {
    if (auto* child = dynamic_cast<TGLBaseComponent*>(ChildAt(i))) child->MoveBy(dx, dy);
  }
  RequestRedraw(true);
  if (redraw_at_once_) {
    ApplyPendingChanges();
    EndUpdate();
  }
}

void TGLBaseComponent::ApplyPendingChanges() {
  if (redraw_pending_ || pending_move_x_ != 0 || pending_move_y_ != 0) {
    RequestRedraw(false);
    BeginUpdate();
    if (pending_move_x_ != 0) Position().SetX(Position().X() + pending_move_x_);
    if (pending_move_y_ != 0) Position().SetY(Position().Y() + pending_move_y_);
    pending_move_x_ = 0;
    pending_move_y_ = 0;
    for (int i = 0; i < ChildCount(); ++i) {
      if (auto* child = dynamic_cast<TGLBaseComponent*>(ChildAt(i))) child->ApplyPendingChanges();
    }
    EndUpdate();
    // The moved position's own notice is this very redraw: nothing stays pending.
    redraw_pending_ = false;
  } else {
    for (int i = 0; i < ChildCount(); ++i) {
      if (auto* child = dynamic_cast<TGLBaseComponent*>(ChildAt(i))) child->ApplyPendingChanges();
    }
  }
}

void TGLBaseComponent::DoProgress(const TProgressTimes& progress_times) {
  TGLBaseGuiObject::DoProgress(progress_times);
  if (do_changes_on_progress_) ApplyPendingChanges();
}

void TGLBaseComponent::LockRendering() {
  const std::thread::id me = std::this_thread::get_id();
  if (lock_owner_.load() == me) {
    ++lock_depth_;
    return;
  }
  while (render_waiters_.load() > 0) SleepMs(1);
  bool expected = false;
  while (!render_blocked_.compare_exchange_weak(expected, true)) {
    expected = false;
    SleepMs(1);
  }
  lock_owner_ = me;
  lock_depth_ = 1;
  // A draw of this widget on this very thread is the caller itself: it is not waited for.
  const int own = render_thread_.load() == me ? 1 : 0;
  while (render_count_.load() - own != render_waiters_.load()) SleepMs(1);
}

void TGLBaseComponent::UnlockRendering() {
  if (lock_owner_.load() != std::this_thread::get_id() || lock_depth_ == 0) return;
  if (--lock_depth_ > 0) return;
  lock_owner_ = std::thread::id{};
  render_blocked_ = false;
}

void TGLBaseComponent::GuardedDraw(const std::function<void()>& draw, const char* caption) {
  try {
    draw();
  } catch (const std::exception& error) {
    if (draw_failure_.empty()) {
      draw_failure_ = error.what();
      draw_failure_caption_ = caption;
    }
  }
}

void TGLBaseComponent::RenderComponent(TRenderContextInfo& rci, const TGLGuiComponent& component,
                                       TGuiAreaSet& areas, bool refresh, float x1, float y1, float x2,
                                       float y2) {
  if (gui_layout_ != nullptr) gui_layout_->RenderGuiComponentToArea(rci, component, areas, refresh, x1, y1, x2, y2, 1);
}

void TGLBaseComponent::InternalRender(TRenderContextInfo& rci) {
  if (gui_component_ == nullptr) return;
  GuardedDraw([&] { RenderComponent(rci, *gui_component_, areas_, refresh_areas_, 0, 0, Width(), Height()); },
              "Exception in GuiComponents InternalRender function");
}

void TGLBaseComponent::DoRender(TRenderContextInfo& rci, bool render_self, bool render_children) {
  const std::thread::id me = std::this_thread::get_id();
  ++render_count_;
  // The thread holding the lock draws on; any other waits for the unlock.
  if (render_blocked_.load() && lock_owner_.load() != me) {
    ++render_waiters_;
    while (render_blocked_.load()) SleepMs(1);
    --render_waiters_;
  }
  const std::thread::id previous = render_thread_.exchange(me);
  TScopeExit done([&] {
    render_thread_ = previous;
    --render_count_;
  });
  if (!destroying_ && render_self && gui_layout_ != nullptr && rci.viewPortSize.cx > 0 && rci.viewPortSize.cy > 0) {
    // Pixels from the viewport's top-left corner, as the head-up display objects place theirs; at a
    // render resolution other than 96 dpi position and size scale alike.
    gui_layout_->Material().Apply(rci);
    TScopeExit restore([&] { gui_layout_->Material().Restore(rci); });
    if (alpha_channel_ != 1 && rci.GLStates != nullptr) rci.GLStates->SetMaterialAlpha(GL_FRONT, alpha_channel_);
    THUDFrame frame(rci, {Left(), Top(), 0, 1}, rotation_, true);
    gl.DepthMask(GL_FALSE);
    TScopeExit depth_writes([] { gl.DepthMask(GL_TRUE); });
    InternalRender(rci);
    refresh_areas_ = false;
  }
  if (render_children && ChildCount() > 0) TGLBaseGuiObject::DoRender(rci, false, true);
  AfterRender();
  if (!draw_failure_.empty()) {
    const std::string text = draw_failure_, caption = draw_failure_caption_;
    draw_failure_.clear();
    ShowMessageBox(text, caption);
  }
}

// ---- Control

TGLBaseControl::~TGLBaseControl() {
  focused_control_ = nullptr;
  mouse_capture_ = nullptr;
  entered_control_ = nullptr;
  // Controls above that are still whole must not route to this one any more (a drag captures on the
  // root, not only on the parent).
  for (TGLBaseSceneObject* p = Parent(); p != nullptr; p = p->Parent()) {
    auto* control = dynamic_cast<TGLBaseControl*>(p);
    if (control == nullptr) continue;
    if (control->mouse_capture_ == this) control->mouse_capture_ = nullptr;
    if (control->entered_control_ == this) control->entered_control_ = nullptr;
  }
}

TGLBaseControl* TGLBaseControl::FindRootControl() {
  TGLBaseControl* root = this;
  for (TGLBaseSceneObject* p = Parent(); p != nullptr && dynamic_cast<TGLBaseComponent*>(p) != nullptr;
       p = p->Parent()) {
    if (auto* control = dynamic_cast<TGLBaseControl*>(p)) root = control;
  }
  return root;
}

void TGLBaseControl::SetMouseCapture(TGLBaseControl* value) {
  mouse_capture_ = value;
  // However the control goes, this one hears of it and forgets it.
  if (value != nullptr && value != this) FreeNotification(*value);
}

void TGLBaseControl::SetFocusedControl(TGLFocusControl* value) {
  if (value == focused_control_) return;
  TGLFocusControl* old = focused_control_;
  focused_control_ = value;
  if (value != nullptr && value != this) FreeNotification(*value);
  if (old != nullptr) old->SetFocused(false);
  if (value != nullptr) value->SetFocused(true);
}

void TGLBaseControl::DoMouseEnter() {
  if (OnMouseEnter) OnMouseEnter(*this);
}

void TGLBaseControl::DoMouseLeave() {
  if (entered_control_ != nullptr) {
    TGLBaseControl* entered = entered_control_;
    entered_control_ = nullptr;
    entered->DoMouseLeave();
  }
  if (OnMouseLeave) OnMouseLeave(*this);
}

bool TGLBaseControl::Route(TRoute route, TGLMouseButton button, TShiftState shift, int x, int y) {
  bool accept = EffectiveVisible() && Left() <= x && x < Left() + Width() && Top() <= y && y < Top() + Height();
  if (OnAcceptMouseQuery) {
    const TGLMouseAction action = route == TRoute::Down ? ma_mousedown : route == TRoute::Up ? ma_mouseup : ma_mousemove;
    OnAcceptMouseQuery(*this, shift, action, route == TRoute::Move ? mbMiddle : button, x, y, accept);
  }
  if (!accept) return false;
  const auto send = [&](TGLBaseControl& control) {
    switch (route) {
      case TRoute::Down: return control.MouseDown(button, shift, x, y);
      case TRoute::Up: return control.MouseUp(button, shift, x, y);
      default: return control.MouseMove(shift, x, y);
    }
  };
  if (mouse_capture_ != nullptr && send(*mouse_capture_)) return true;
  TGLBaseControl* taker = nullptr;
  for (int i = ChildCount() - 1; i >= 0 && taker == nullptr; --i) {
    auto* child = dynamic_cast<TGLBaseControl*>(ChildAt(i));
    if (child == nullptr || child == mouse_capture_) continue;
    if (send(*child)) taker = child;
  }
  if (route == TRoute::Move) {
    if (taker != nullptr && taker != entered_control_) {
      TGLBaseControl* old = entered_control_;
      entered_control_ = taker;
      FreeNotification(*taker);
      if (old != nullptr) old->DoMouseLeave();
      taker->DoMouseEnter();
    } else if (taker == nullptr && entered_control_ != nullptr) {
      TGLBaseControl* old = entered_control_;
      entered_control_ = nullptr;
      old->DoMouseLeave();
    }
  }
  if (taker == nullptr) {
    switch (route) {
      case TRoute::Down: InternalMouseDown(button, shift, x, y); break;
      case TRoute::Up: InternalMouseUp(button, shift, x, y); break;
      default: InternalMouseMove(shift, x, y); break;
    }
  }
  return true;
}

bool TGLBaseControl::MouseDown(TGLMouseButton button, TShiftState shift, int x, int y) {
  return Route(TRoute::Down, button, shift, x, y);
}

bool TGLBaseControl::MouseUp(TGLMouseButton button, TShiftState shift, int x, int y) {
  return Route(TRoute::Up, button, shift, x, y);
}

bool TGLBaseControl::MouseMove(TShiftState shift, int x, int y) { return Route(TRoute::Move, mbMiddle, shift, x, y); }

void TGLBaseControl::InternalMouseDown(TGLMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(*this, button, shift, x, y);
}

void TGLBaseControl::InternalMouseUp(TGLMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(*this, button, shift, x, y);
}

void TGLBaseControl::InternalMouseMove(TShiftState shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(*this, shift, x, y);
}

void TGLBaseControl::KeyPress(char& key) {
  if (focused_control_ != nullptr && focused_control_ != this) focused_control_->KeyPress(key);
}

void TGLBaseControl::KeyDown(std::uint16_t& key, TShiftState shift) {
  if (focused_control_ != nullptr && focused_control_ != this) focused_control_->KeyDown(key, shift);
}

void TGLBaseControl::KeyUp(std::uint16_t& key, TShiftState shift) {
  if (focused_control_ != nullptr && focused_control_ != this) focused_control_->KeyUp(key, shift);
}

void TGLBaseControl::Notification(TComponent& component, TOperation operation) {
  if (operation == TOperation::Remove) {
    if (&component == mouse_capture_) mouse_capture_ = nullptr;
    if (&component == focused_control_) focused_control_ = nullptr;
    if (&component == entered_control_) entered_control_ = nullptr;
  }
  if (operation == TOperation::Remove && entered_control_ != nullptr) {
    TGLBaseControl* entered = entered_control_;
    entered_control_ = nullptr;
    if (&component != entered) entered->DoMouseLeave();
  }
  TGLBaseComponent::Notification(component, operation);
}

// ---- Font control

TGLBaseFontControl::TGLBaseFontControl() = default;

TGLBaseFontControl::~TGLBaseFontControl() { SetBitmapFont(nullptr); }

TGLCustomBitmapFont* TGLBaseFontControl::BitmapFont() {
  if (bitmap_font_ == nullptr && GuiLayout() != nullptr && GuiLayout()->BitmapFont() != nullptr) {
    if (ComponentState().Contains(TComponentState::Designing)) return GuiLayout()->BitmapFont();
    if (!Destroying()) SetBitmapFont(GuiLayout()->BitmapFont());
  }
  return bitmap_font_;
}

void TGLBaseFontControl::SetBitmapFont(TGLCustomBitmapFont* value) {
  if (SwapFontUser(*this, bitmap_font_, value) && !Destroying()) RequestRedraw(true);
}

void TGLBaseFontControl::SetDefaultColor(TColor value) {
  default_color_ = WinColorToVector(value, 1);
  RequestRedraw(true);
  NotifyChange(this);
}

int TGLBaseFontControl::FontHeight() {
  TGLCustomBitmapFont* font = BitmapFont();
  if (font == nullptr) return -1;
  if (auto* system = dynamic_cast<TGLWindowsBitmapFont*>(font)) return std::abs(system->Font().Height());
  return font->CharHeight();
}

void TGLBaseFontControl::Notification(TComponent& component, TOperation operation) {
  if (operation == TOperation::Remove && &component == bitmap_font_) {
    LockRendering();
    TScopeExit unlock([this] { UnlockRendering(); });
    // The font is going (it may be partly destroyed already): the link is only dropped here.
    bitmap_font_ = nullptr;
  }
  TGLBaseControl::Notification(component, operation);
}

void TGLBaseFontControl::WriteTextAt(TRenderContextInfo& rci, float x, float y, const std::string& text,
                                     const TVector4f& color) {
  TGLCustomBitmapFont* font = BitmapFont();
  if (font == nullptr) return;
  const TVector4f position{std::nearbyint(x), std::nearbyint(y), 0, 1};
  font->RenderString(rci, text, taLeftJustify, tlTop, color, &position, false);
}

void TGLBaseFontControl::WriteTextCentered(TRenderContextInfo& rci, float x1, float y1, float x2, float y2,
                                           const std::string& text, const TVector4f& color) {
  TGLCustomBitmapFont* font = BitmapFont();
  if (font == nullptr) return;
  const float x = std::nearbyint((x1 + x2 - static_cast<float>(font->CalcStringWidth(text))) * 0.5f);
  const float y = std::nearbyint(-(y1 + y2 - static_cast<float>(FontHeight())) * 0.5f) + 2;
  WriteTextAt(rci, x, y, text, color);
}

void TGLBaseTextControl::SetCaption(const std::string& value) {
  caption_ = value;
  RequestRedraw(true);
}

// ---- Focus control

TGLFocusControl::~TGLFocusControl() {
  if (!focused_) return;
  // Only a root that is still whole holds the focus; one being destroyed has dropped it already.
  TGLBaseControl* root = FindRootControl();
  if (root != this && root->FocusedControl() == this) root->SetFocusedControl(nullptr);
}

void TGLFocusControl::SetFocused(bool value) { SetProperty(focused_, value, RedrawOf(this)); }

void TGLFocusControl::SetFocus() { FindRootControl()->SetFocusedControl(this); }

void TGLFocusControl::SetFocusedColor(TColor value) {
  focused_color_ = WinColorToVector(value, 1);
  RequestRedraw(true);
}

namespace {

// The focus controls a walk can stop at, in tree order; `self` is listed even when it cannot take the
// focus, so that the walk knows where it starts. Hidden containers are not entered unless they hold it.
void CollectFocusStops(TGLBaseSceneObject& node, const TGLFocusControl* self, std::vector<TGLFocusControl*>& stops,
                       int& self_at) {
  for (int i = 0; i < node.ChildCount(); ++i) {
    TGLBaseSceneObject* child = node.ChildAt(i);
    auto* component = dynamic_cast<TGLBaseComponent*>(child);
    if (component == nullptr) continue;
    if (auto* focus = dynamic_cast<TGLFocusControl*>(child)) {
      if (focus == self) {
        self_at = static_cast<int>(stops.size());
        stops.push_back(focus);
      } else if (focus->EffectiveVisible()) {
        stops.push_back(focus);
      }
      continue;
    }
    bool holds_self = false;
    for (const TGLBaseSceneObject* p = self->Parent(); p != nullptr; p = p->Parent()) holds_self |= p == child;
    if (component->EffectiveVisible() || holds_self) CollectFocusStops(*child, self, stops, self_at);
  }
}

}  // namespace

void TGLFocusControl::MoveFocus(bool forward) {
  TGLBaseControl* root = FindRootControl();
  std::vector<TGLFocusControl*> stops;
  int self_at = -1;
  CollectFocusStops(*root, this, stops, self_at);
  const auto can_focus = [this](TGLFocusControl* c) { return c != this || c->EffectiveVisible(); };
  TGLFocusControl* target = nullptr;
  const int n = static_cast<int>(stops.size());
  if (forward) {
    // On to the end, then once more from the start; a second wrap finds nothing.
    for (int i = self_at + 1; i < n && target == nullptr; ++i) target = stops[i];
    for (int i = 0; i < n && target == nullptr; ++i) {
      if (can_focus(stops[i])) target = stops[i];
    }
  } else {
    // Back to the start, then once more from the end; a second wrap comes back here.
    for (int i = self_at - 1; i >= 0 && target == nullptr; --i) target = stops[i];
    for (int i = n - 1; i >= 0 && target == nullptr; --i) {
      if (can_focus(stops[i])) target = stops[i];
    }
    if (target == nullptr) target = this;
  }
  root->SetFocusedControl(target);
}

void TGLFocusControl::NextControl() { MoveFocus(true); }
void TGLFocusControl::PrevControl() { MoveFocus(false); }

void TGLFocusControl::KeyPress(char& key) { InternalKeyPress(key); }

void TGLFocusControl::KeyDown(std::uint16_t& key, TShiftState shift) {
  shift_state_ = shift;
  InternalKeyDown(key, shift);
  if (key == VK_TAB) MoveFocus(!shift.Contains(ssShift));
}

void TGLFocusControl::KeyUp(std::uint16_t& key, TShiftState shift) {
  shift_state_ = shift;
  InternalKeyUp(key, shift);
}

void TGLFocusControl::InternalKeyPress(char& key) {
  if (OnKeyPress) OnKeyPress(*this, key);
}

void TGLFocusControl::InternalKeyDown(std::uint16_t& key, TShiftState shift) {
  if (OnKeyDown) OnKeyDown(*this, key, shift);
}

void TGLFocusControl::InternalKeyUp(std::uint16_t& key, TShiftState shift) {
  if (OnKeyUp) OnKeyUp(*this, key, shift);
}

void TGLFocusControl::HideRecursively() {
  TGLBaseTextControl::HideRecursively();
  if (focused_ && FindRootControl()->FocusedControl() == this) NextControl();
}

// ---- Form streaming

void WriteStrings(TPropertyWriter& w, std::string_view name, const std::vector<std::string>& strings) {
  if (strings.empty()) return;
  w.Binary(std::string(name) + ".Strings", [&strings](TStream& stream) {
    const auto count = static_cast<std::uint32_t>(strings.size());
    stream.WriteBuffer(&count, 4);
    for (const std::string& text : strings) {
      const auto length = static_cast<std::uint32_t>(text.size());
      stream.WriteBuffer(&length, 4);
      stream.WriteBuffer(text.data(), length);
    }
  });
}

std::vector<std::string> ReadStrings(const TPropertyValue& value) {
  if (value.tag != vaBinary) RaiseInvalidPropertyValue();
  const std::string& data = value.text;
  std::size_t at = 0;
  const auto next_size = [&]() -> std::size_t {
    if (data.size() - at < 4) RaiseInvalidPropertyValue();
    std::uint32_t n = 0;
    std::memcpy(&n, data.data() + at, 4);
    at += 4;
    return n;
  };
  const std::size_t count = next_size();
  std::vector<std::string> strings;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t length = next_size();
    if (data.size() - at < length) RaiseInvalidPropertyValue();
    strings.push_back(data.substr(at, length));
    at += length;
  }
  if (at != data.size()) RaiseInvalidPropertyValue();
  return strings;
}

// Left and Top travel in Position; a stream that names them is read as well.
void TGLBaseComponent::WriteProperties(TPropertyWriter& w) const {
  TGLBaseGuiObject::WriteProperties(w);
  if (redraw_at_once_) w.Boolean("RedrawAtOnce", true);
  w.Reference("GuiLayout", gui_layout_);
  if (!gui_layout_name_.empty()) w.String("GuiLayoutName", gui_layout_name_);
  if (rotation_ != 0) w.Single("Rotation", rotation_);
  if (alpha_channel_ != 1) w.Single("AlphaChannel", alpha_channel_);
  if (no_z_write_) w.Boolean("NoZWrite", true);
  if (do_changes_on_progress_) w.Boolean("DoChangesOnProgress", true);
  if (Width() != 50) w.Single("Width", Width());
  if (Height() != 50) w.Single("Height", Height());
}

bool TGLBaseComponent::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "RedrawAtOnce") {
    SetRedrawAtOnce(AsBoolean(v));
  } else if (name == "GuiLayout") {
    ReadReference<TGLGuiLayout>(v, [this](TGLGuiLayout* layout) { SetGuiLayout(layout); });
  } else if (name == "GuiLayoutName") {
    SetGuiLayoutName(AsString(v));
  } else if (name == "Rotation") {
    SetRotation(AsSingle(v));
  } else if (name == "AlphaChannel") {
    SetAlphaChannel(AsSingle(v));
  } else if (name == "NoZWrite") {
    SetNoZWrite(AsBoolean(v));
  } else if (name == "DoChangesOnProgress") {
    SetDoChangesOnProgress(AsBoolean(v));
  } else if (name == "Width") {
    SetWidth(AsSingle(v));
  } else if (name == "Height") {
    SetHeight(AsSingle(v));
  } else if (name == "Left") {
    SetLeft(AsSingle(v));
  } else if (name == "Top") {
    SetTop(AsSingle(v));
  } else {
    return TGLBaseGuiObject::ReadProperty(name, v);
  }
  return true;
}

void TGLBaseFontControl::WriteProperties(TPropertyWriter& w) const {
  TGLBaseControl::WriteProperties(w);
  w.Reference("BitmapFont", bitmap_font_);
  if (DefaultColor() != kDefaultWidgetColor) w.Integer("DefaultColor", DefaultColor());
}

bool TGLBaseFontControl::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "BitmapFont") {
    ReadReference<TGLCustomBitmapFont>(v, [this](TGLCustomBitmapFont* font) { SetBitmapFont(font); });
  } else if (name == "DefaultColor") {
    SetDefaultColor(AsInteger(v));
  } else {
    return TGLBaseControl::ReadProperty(name, v);
  }
  return true;
}

void TGLBaseTextControl::WriteProperties(TPropertyWriter& w) const {
  TGLBaseFontControl::WriteProperties(w);
  if (!caption_.empty()) w.String("Caption", caption_);
}

bool TGLBaseTextControl::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name != "Caption") return TGLBaseFontControl::ReadProperty(name, v);
  SetCaption(AsString(v));
  return true;
}

void TGLFocusControl::WriteProperties(TPropertyWriter& w) const {
  TGLBaseTextControl::WriteProperties(w);
  if (FocusedColor() != kDefaultWidgetColor) w.Integer("FocusedColor", FocusedColor());
}

bool TGLFocusControl::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name != "FocusedColor") return TGLBaseTextControl::ReadProperty(name, v);
  SetFocusedColor(AsInteger(v));
  return true;
}

}  // namespace zentrova
