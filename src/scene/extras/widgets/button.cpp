#include "scene/extras/widgets/button.h"
#include "scene/base/class_registration.h"
#include "scene/base/property_setter.h"

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

// ---- On state

bool TGLToggleState::Switch(bool value) {
  if (value == on_) return false;
  control_.LockRendering();
  TScopeExit unlock([this] { control_.UnlockRendering(); });
  if (value && group_ >= 0) ReleaseGroup(RootOf(control_), group_);
  on_ = value;
  return true;
}

void TGLToggleState::SetGroup(int value) {
  group_ = value;
  if (!on_) return;
  control_.LockRendering();
  TScopeExit unlock([this] { control_.UnlockRendering(); });
  on_ = false;
  if (group_ >= 0) ReleaseGroup(RootOf(control_), group_);
  on_ = true;
}

void TGLToggleState::LookUp() {
  TGLGuiLayout* layout = control_.GuiLayout();
  component_ = layout != nullptr ? layout->GuiComponents().FindByName(component_name_) : nullptr;
}

void TGLToggleState::SetComponentName(const std::string& value) {
  SetProperty(component_name_, value, [this] {
    component_ = nullptr;
    if (control_.GuiLayout() != nullptr) {
      LookUp();
      control_.SetRefreshAreas(true);
      control_.RequestRedraw(true);
    }
  });
}

void TGLToggleState::WriteProperties(TPropertyWriter& w, const char* on_name, const char* name_name) const {
  if (on_) w.Boolean(on_name, true);
  if (!component_name_.empty()) w.String(name_name, component_name_);
  if (group_ != -1) w.Integer("Group", group_);
}

// ---- Check box

void TGLCheckBox::SetChecked(bool value) {
  if (!state_.Switch(value)) return;
  NotifyChange(this);
  if (OnChange) OnChange(*this);
}

void TGLCheckBox::LookUpComponent() {
  TGLBaseControl::LookUpComponent();
  state_.LookUp();
}

void TGLCheckBox::InternalMouseDown(TGLMouseButton button, TShiftState shift, int x, int y) {
  SetChecked(!state_.On());
  TGLBaseControl::InternalMouseDown(button, shift, x, y);
}

void TGLCheckBox::InternalRender(TRenderContextInfo& rci) {
  const TGLGuiComponent* component = state_.DrawnComponent();
  if (component != nullptr) RenderComponent(rci, *component, Areas(), RefreshAreas(), 0, 0, Width(), Height());
}

// ---- Button

TGLButton::TGLButton() : state_(*this), bit_btn_(std::make_unique<TGLMaterial>(this)) {}

TGLButton::~TGLButton() = default;

void TGLButton::SetPressed(bool value) {
  if (!state_.Switch(value)) return;
  if (state_.On() && OnButtonClick) OnButtonClick(*this);
  NotifyChange(this);
}

void TGLButton::LookUpComponent() {
  TGLFocusControl::LookUpComponent();
  state_.LookUp();
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
  if (!value && state_.Group() < 0) SetPressed(false);
}

void TGLButton::ReleaseDisplayList() {
  TGLFocusControl::ReleaseDisplayList();
  bit_btn_->ReleaseHandles();
}

void TGLButton::InternalMouseDown(TGLMouseButton button, TShiftState shift, int x, int y) {
  SetFocus();
  TGLFocusControl::InternalMouseDown(button, shift, x, y);
  if (button == mbLeft) SetPressed(allow_up_ ? !state_.On() : true);
}

void TGLButton::InternalMouseUp(TGLMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && state_.Group() < 0) SetPressed(false);
  TGLFocusControl::InternalMouseUp(button, shift, x, y);
}

void TGLButton::InternalKeyDown(std::uint16_t& key, TShiftState shift) {
  TGLFocusControl::InternalKeyDown(key, shift);
  if (key == VK_SPACE || key == VK_RETURN) SetPressed(true);
}

void TGLButton::InternalKeyUp(std::uint16_t& key, TShiftState shift) {
  if ((key == VK_SPACE || key == VK_RETURN) && state_.Group() < 0) SetPressed(false);
  TGLFocusControl::InternalKeyUp(key, shift);
}

void TGLButton::InternalRender(TRenderContextInfo& rci) {
  const TGLGuiComponent* component = state_.DrawnComponent();
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

void TGLCheckBox::WriteProperties(TPropertyWriter& w) const {
  TGLBaseControl::WriteProperties(w);
  state_.WriteProperties(w, "Checked", "GuiLayoutNameChecked");
}

bool TGLCheckBox::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "Checked") {
    SetChecked(AsBoolean(v));
  } else if (name == "GuiLayoutNameChecked") {
    SetGuiLayoutNameChecked(AsString(v));
  } else if (name == "Group") {
    SetGroup(AsInteger(v));
  } else {
    return TGLBaseControl::ReadProperty(name, v);
  }
  return true;
}

void TGLButton::WriteProperties(TPropertyWriter& w) const {
  TGLFocusControl::WriteProperties(w);
  state_.WriteProperties(w, "Pressed", "GuiLayoutNamePressed");
  w.Nested("BitBtn", *bit_btn_);
  if (logic_width_ != 0) w.Single("LogicWidth", logic_width_);
  if (logic_height_ != 0) w.Single("LogicHeight", logic_height_);
  if (x_offset_ != 0) w.Single("XOffset", x_offset_);
  if (y_offset_ != 0) w.Single("YOffset", y_offset_);
  if (allow_up_) w.Boolean("AllowUp", true);
}

bool TGLButton::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (ReadNested("BitBtn", *bit_btn_, name, v)) return true;
  if (name == "Pressed") {
    SetPressed(AsBoolean(v));
  } else if (name == "GuiLayoutNamePressed") {
    SetGuiLayoutNamePressed(AsString(v));
  } else if (name == "Group") {
    SetGroup(AsInteger(v));
  } else if (name == "LogicWidth") {
    SetLogicWidth(AsSingle(v));
  } else if (name == "LogicHeight") {
    SetLogicHeight(AsSingle(v));
  } else if (name == "XOffset") {
    SetXOffset(AsSingle(v));
  } else if (name == "YOffset") {
    SetYOffset(AsSingle(v));
  } else if (name == "AllowUp") {
    SetAllowUp(AsBoolean(v));
  } else {
    return TGLFocusControl::ReadProperty(name, v);
  }
  return true;
}

}  // namespace zentrova
