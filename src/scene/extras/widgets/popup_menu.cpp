#include "scene/extras/widgets/popup_menu.h"
#include "scene/base/class_registration.h"
#include "scene/base/property_setter.h"

#include <cmath>

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TGLPopupMenu);

void TGLPopupMenu::SetMenuItems(const std::vector<std::string>& value) {
  items_ = value;
  ItemsChanged();
  NotifyChange(this);
}

void TGLPopupMenu::SetSelIndex(int value) { SetProperty(sel_index_, value, NotifyChangeOf(this)); }

void TGLPopupMenu::SetMarginSize(float value) { SetProperty(margin_size_, value, NotifyChangeOf(this)); }

void TGLPopupMenu::ItemsChanged() {
  TGLCustomBitmapFont* font = BitmapFont();
  if (RefreshAreas() || font == nullptr) return;
  const TGuiArea& c = Areas()[GLAlCenter];
  const float h = std::nearbyint(0.499f + (c.Y2 - c.Y1));
  const float needed = static_cast<float>(items_.size()) * static_cast<float>(font->CharHeight());
  if (h != needed) SetHeight(Height() + needed - h);
}

bool TGLPopupMenu::LineAt(int x, int y, int& index) {
  TGLCustomBitmapFont* font = BitmapFont();
  if (font == nullptr) return false;
  const float lx = static_cast<float>(x) - Left(), ly = static_cast<float>(y) - Top();
  const TGuiArea& c = Areas()[GLAlCenter];
  if (lx < c.X1 || lx > c.X2 || ly < c.Y1 || ly > c.Y2) return false;
  index = static_cast<int>(std::trunc((ly - c.Y1) / static_cast<float>(font->CharHeight())));
  return true;
}

void TGLPopupMenu::InternalMouseMove(TShiftState shift, int x, int y) {
  if (int index = 0; LineAt(x, y, index)) SetSelIndex(index);
  TGLFocusControl::InternalMouseMove(shift, x, y);
}

void TGLPopupMenu::InternalMouseDown(TGLMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft) {
    int index = 0;
    if (LineAt(x, y, index) && index >= 0 && index < static_cast<int>(items_.size())) {
      if (OnClick) OnClick(*this, index, items_[static_cast<std::size_t>(index)]);
      SetVisible(false);
    }
  }
  TGLFocusControl::InternalMouseDown(button, shift, x, y);
}

bool TGLPopupMenu::MouseDown(TGLMouseButton button, TShiftState shift, int x, int y) {
  const bool taken = TGLFocusControl::MouseDown(button, shift, x, y);
  TGLBaseControl* root = RootControl();
  if (!taken && root->MouseCapture() == this) {
    root->SetMouseCapture(nullptr);
    PrevControl();
  }
  return taken;
}

void TGLPopupMenu::SetFocused(bool value) {
  TGLFocusControl::SetFocused(value);
  if (!value && !ComponentState().Contains(TComponentState::Designing)) SetVisible(false);
}

void TGLPopupMenu::DrawOnce(TRenderContextInfo& rci, bool refresh) {
  if (GuiComponent() == nullptr) return;
  RenderComponent(rci, *GuiComponent(), Areas(), refresh, 0, 0, Width(),
                  pending_height_ != -1 ? pending_height_ : Height());
}

void TGLPopupMenu::InternalRender(TRenderContextInfo& rci) {
  GuardedDraw(
      [&] {
        DrawOnce(rci, RefreshAreas());
        TGLCustomBitmapFont* font = BitmapFont();
        if (font == nullptr || items_.empty()) return;
        const float char_height = static_cast<float>(font->CharHeight());
        const float needed = static_cast<float>(items_.size()) * char_height;
        const TGuiArea* c = &Areas()[GLAlCenter];
        if (std::nearbyint(0.499f + (c->Y2 - c->Y1)) != needed) {
          // One second pass with the areas computed for the pending height.
          pending_height_ = Height() + needed - std::nearbyint(0.499f + (c->Y2 - c->Y1));
          DrawOnce(rci, true);
          c = &Areas()[GLAlCenter];
        }
        for (std::size_t i = 0; i < items_.size(); ++i) {
          WriteTextAt(rci, c->X1 + margin_size_, -c->Y1 - static_cast<float>(i) * char_height, items_[i],
                      static_cast<int>(i) == sel_index_ ? FocusedColorVector() : DefaultColorVector());
        }
      },
      "Exception in GuiComponents InternalRender function");
}

void TGLPopupMenu::AfterRender() {
  if (pending_height_ == -1) return;
  const float height = pending_height_;
  pending_height_ = -1;
  SetHeight(height);
}

void TGLPopupMenu::WriteProperties(TPropertyWriter& w) const {
  TGLFocusControl::WriteProperties(w);
  WriteStrings(w, "MenuItems", items_);
  if (sel_index_ != 0) w.Integer("SelIndex", sel_index_);
  if (margin_size_ != 0) w.Single("MarginSize", margin_size_);
}

bool TGLPopupMenu::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "MenuItems.Strings") {
    SetMenuItems(ReadStrings(v));
  } else if (name == "SelIndex") {
    SetSelIndex(AsInteger(v));
  } else if (name == "MarginSize") {
    SetMarginSize(AsSingle(v));
  } else {
    return TGLFocusControl::ReadProperty(name, v);
  }
  return true;
}

}  // namespace zentrova
