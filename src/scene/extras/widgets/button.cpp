#include "scene/extras/widgets/button.h"
#include "scene/base/class_registration.h"

#include "scene/base/scope_exit.h"
#include "scene/gl/opengl_binding.h"
#include "scene/gl/texture_coordinates.h"
#include "scene/materials/material.h"
#include "scene/materials/material_library.h"
#include "scene/materials/texture.h"
#include "scene/materials/texture_image.h"

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TGLButton);
ZENTROVA_REGISTER_CLASS(TGLCheckBox);

namespace {

bool ReleaseIn(TGLBaseSceneObject& node, int group) {
  if (auto* button = dynamic_cast<TGLButton*>(&node); button != nullptr && button->Group() == group && button->Pressed()) {
    button->SetPressed(false);
    return true;
  }
  if (auto* box = dynamic_cast<TGLCheckBox*>(&node); box != nullptr && box->Group() == group && box->Checked()) {
    box->SetChecked(false);
    return true;
  }
  for (int i = 0; i < node.ChildCount(); ++i) {
    if (ReleaseIn(*node.ChildAt(i), group)) return true;
  }
  return false;
}

TGLBaseControl& RootOf(TGLBaseControl& control) {
  TGLBaseControl* root = &control;
  for (TGLBaseSceneObject* p = control.Parent(); p != nullptr && dynamic_cast<TGLBaseComponent*>(p) != nullptr;
       p = p->Parent()) {
    if (auto* c = dynamic_cast<TGLBaseControl*>(p)) root = c;
  }
  return *root;
}

}  // namespace

void ReleaseGroup(TGLBaseControl& root, int group) { ReleaseIn(root, group); }

// ---- Check box

void TGLCheckBox::SetChecked(bool value) {
  if (value == checked_) return;
  {
    LockRendering();
    TScopeExit unlock([this] { UnlockRendering(); });
    if (value && group_ >= 0) ReleaseGroup(RootOf(*this), group_);
    checked_ = value;
  }
  NotifyChange(this);
  if (OnChange) OnChange(*this);
}

void TGLCheckBox::SetGroup(int value) {
  group_ = value;
  if (!checked_) return;
  LockRendering();
  TScopeExit unlock([this] { UnlockRendering(); });
  checked_ = false;
  if (group_ >= 0) ReleaseGroup(RootOf(*this), group_);
  checked_ = true;
}

void TGLCheckBox::LookUpChecked() {
  checked_component_ = GuiLayout() != nullptr ? GuiLayout()->GuiComponents().FindByName(name_checked_) : nullptr;
}

void TGLCheckBox::SetGuiLayoutNameChecked(const std::string& value) {
  if (value == name_checked_) return;
  checked_component_ = nullptr;
  name_checked_ = value;
  if (GuiLayout() != nullptr) {
    LookUpChecked();
    SetRefreshAreas(true);
    RequestRedraw(true);
  }
}

void TGLCheckBox::SetGuiLayout(TGLGuiLayout* value) {
  checked_component_ = nullptr;
  TGLBaseControl::SetGuiLayout(value);
  LookUpChecked();
}

void TGLCheckBox::NotifyChange(TPersistent* sender) {
  if (sender != nullptr && sender == GuiLayout()) {
    LockRendering();
    TScopeExit unlock([this] { UnlockRendering(); });
    LookUpChecked();
  }
  TGLBaseControl::NotifyChange(sender);
}

void TGLCheckBox::InternalMouseDown(TGLMouseButton button, TShiftState shift, int x, int y) {
  SetChecked(!checked_);
  TGLBaseControl::InternalMouseDown(button, shift, x, y);
}

void TGLCheckBox::InternalRender(TRenderContextInfo& rci) {
  const TGLGuiComponent* component = checked_ ? checked_component_ : GuiComponent();
  if (component != nullptr) RenderComponent(rci, *component, Areas(), RefreshAreas(), 0, 0, Width(), Height());
}

// ---- Button

TGLButton::TGLButton() : bit_btn_(std::make_unique<TGLMaterial>(this)) {}

TGLButton::~TGLButton() = default;

void TGLButton::SetPressed(bool value) {
  if (value == pressed_) return;
  {
    LockRendering();
    TScopeExit unlock([this] { UnlockRendering(); });
    if (value && group_ >= 0) ReleaseGroup(RootOf(*this), group_);
    pressed_ = value;
  }
  if (pressed_ && OnButtonClick) OnButtonClick(*this);
  NotifyChange(this);
}

void TGLButton::SetGroup(int value) {
  group_ = value;
  if (!pressed_) return;
  LockRendering();
  TScopeExit unlock([this] { UnlockRendering(); });
  pressed_ = false;
  if (group_ >= 0) ReleaseGroup(RootOf(*this), group_);
  pressed_ = true;
}

void TGLButton::LookUpPressed() {
  pressed_component_ = GuiLayout() != nullptr ? GuiLayout()->GuiComponents().FindByName(name_pressed_) : nullptr;
}

void TGLButton::SetGuiLayoutNamePressed(const std::string& value) {
  if (value == name_pressed_) return;
  pressed_component_ = nullptr;
  name_pressed_ = value;
  if (GuiLayout() != nullptr) {
    LookUpPressed();
    SetRefreshAreas(true);
    RequestRedraw(true);
  }
}

void TGLButton::SetGuiLayout(TGLGuiLayout* value) {
  pressed_component_ = nullptr;
  TGLFocusControl::SetGuiLayout(value);
  LookUpPressed();
}

void TGLButton::SetBitBtn(const TGLMaterial& value) {
  bit_btn_->Assign(&value);
  NotifyChange(this);
}

void TGLButton::SetAndNotify(float& field, float value) {
  field = value;
  NotifyChange(this);
}

void TGLButton::SetLogicWidth(float value) { SetAndNotify(logic_width_, value); }
void TGLButton::SetLogicHeight(float value) { SetAndNotify(logic_height_, value); }
void TGLButton::SetXOffset(float value) { SetAndNotify(x_offset_, value); }
void TGLButton::SetYOffset(float value) { SetAndNotify(y_offset_, value); }

void TGLButton::SetFocused(bool value) {
  TGLFocusControl::SetFocused(value);
  if (!value && group_ < 0) SetPressed(false);
}

void TGLButton::ReleaseDisplayList() {
  TGLFocusControl::ReleaseDisplayList();
  bit_btn_->ReleaseHandles();
}

void TGLButton::InternalMouseDown(TGLMouseButton button, TShiftState shift, int x, int y) {
  SetFocus();
  TGLFocusControl::InternalMouseDown(button, shift, x, y);
  if (button == mbLeft) SetPressed(allow_up_ ? !pressed_ : true);
}

void TGLButton::InternalMouseUp(TGLMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && group_ < 0) SetPressed(false);
  TGLFocusControl::InternalMouseUp(button, shift, x, y);
}

void TGLButton::InternalKeyDown(std::uint16_t& key, TShiftState shift) {
  TGLFocusControl::InternalKeyDown(key, shift);
  if (key == VK_SPACE || key == VK_RETURN) SetPressed(true);
}

void TGLButton::InternalKeyUp(std::uint16_t& key, TShiftState shift) {
  if ((key == VK_SPACE || key == VK_RETURN) && group_ < 0) SetPressed(false);
  TGLFocusControl::InternalKeyUp(key, shift);
}

void TGLButton::InternalRender(TRenderContextInfo& rci) {
  const TGLGuiComponent* component = pressed_ ? pressed_component_ : GuiComponent();
  if (component != nullptr) RenderComponent(rci, *component, Areas(), RefreshAreas(), 0, 0, Width(), Height());
  const TGuiArea& c = Areas()[GLAlCenter];
  TGLMaterial* glyph = nullptr;
  if (bit_btn_->HasTexture() && !bit_btn_->Texture().Disabled()) {
    glyph = bit_btn_.get();
  } else if (bit_btn_->MaterialLibrary() != nullptr && bit_btn_->LibMaterial() != nullptr) {
    glyph = bit_btn_.get();
  }
  if (glyph != nullptr && GuiLayout() != nullptr) {
    TGLTexture& texture = glyph->EffectiveTexture();
    float tw = static_cast<float>(texture.TexWidth()), th = static_cast<float>(texture.TexHeight());
    if (tw == 0) tw = static_cast<float>(texture.Image().Width());
    if (th == 0) th = static_cast<float>(texture.Image().Height());
    if (tw > 0 && th > 0) {
      GuiLayout()->Material().Restore(rci);
      glyph->Apply(rci);
      const float x1 = c.X1 - x_offset_, y1 = -c.Y1 + y_offset_;
      const float x2 = x1 + logic_width_ - 1, y2 = y1 - logic_height_ + 1;
      const float s = (logic_width_ - 1) / tw, t = -(logic_height_ - 1) / th;
      gl.Begin(GL_QUADS);
      RoutedTexCoord2f(0, 0);
      gl.Vertex2f(x1, y1);
      RoutedTexCoord2f(0, t);
      gl.Vertex2f(x1, y2);
      RoutedTexCoord2f(s, t);
      gl.Vertex2f(x2, y2);
      RoutedTexCoord2f(s, 0);
      gl.Vertex2f(x2, y1);
      gl.End();
      glyph->Restore(rci);
      GuiLayout()->Material().Apply(rci);
    }
  }
  if (BitmapFont() != nullptr) {
    TVector4f color = Focused() ? FocusedColorVector() : DefaultColorVector();
    color[3] = AlphaChannel();
    WriteTextCentered(rci, c.X1, c.Y1, c.X2, c.Y2, Caption(), color);
  }
}

}  // namespace zentrova
