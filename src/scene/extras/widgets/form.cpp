#include "scene/extras/widgets/form.h"
#include "scene/base/class_registration.h"

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TGLForm);

namespace {
// Releases and moves nearer the top than this belong to the title bar.
constexpr float kTitleEventMargin = 27;
}  // namespace

void TGLForm::SetTitleColor(TColor value) {
  title_color_ = WinColorToVector(value, 1);
  RequestRedraw(true);
}

void TGLForm::SetTitleOffset(float value) {
  title_offset_ = value;
  RequestRedraw(true);
}

float TGLForm::TitleBottom() {
  // Areas waiting for their refresh are computed now: a press may come before the first draw.
  if (RefreshAreas() && GuiComponent() != nullptr) {
    TGLGuiLayout::ComputeAreas(*GuiComponent(), Areas(), 0, 0, Width(), Height(), 1);
  }
  return Areas()[GLAlTop].Y2;
}

void TGLForm::InternalMouseDown(TGLMouseButton button, TShiftState shift, int x, int y) {
  if (y - Top() >= TitleBottom()) {
    TGLBaseTextControl::InternalMouseDown(button, shift, x, y);
    return;
  }
  if (button != mbLeft) return;
  bool can = true;
  if (OnCanMove) OnCanMove(*this, can);
  if (!can) return;
  last_mouse_x_ = x;
  last_mouse_y_ = y;
  moving_ = true;
  // Any control parent routes the drag here first, whatever its kind.
  if (auto* parent = dynamic_cast<TGLBaseControl*>(Parent())) parent->SetMouseCapture(this);
}

void TGLForm::InternalMouseUp(TGLMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && moving_) {
    moving_ = false;
    if (auto* parent = dynamic_cast<TGLBaseControl*>(Parent()); parent != nullptr && parent->MouseCapture() == this) {
      parent->SetMouseCapture(nullptr);
    }
    return;
  }
  if (y - Top() >= kTitleEventMargin) TGLBaseTextControl::InternalMouseUp(button, shift, x, y);
}

void TGLForm::InternalMouseMove(TShiftState shift, int x, int y) {
  if (!moving_) {
    if (y - Top() >= kTitleEventMargin) TGLBaseTextControl::InternalMouseMove(shift, x, y);
    return;
  }
  if (x == last_mouse_x_ && y == last_mouse_y_) return;
  float new_left = Left() + static_cast<float>(x - last_mouse_x_);
  float new_top = Top() + static_cast<float>(y - last_mouse_y_);
  if (OnMoving) OnMoving(*this, new_left, new_top);
  MoveBy(new_left - Left(), new_top - Top());
  last_mouse_x_ = x;
  last_mouse_y_ = y;
}

bool TGLForm::MouseUp(TGLMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && moving_) {
    InternalMouseUp(button, shift, x, y);
    return true;
  }
  return TGLBaseTextControl::MouseUp(button, shift, x, y);
}

bool TGLForm::MouseMove(TShiftState shift, int x, int y) {
  if (moving_) {
    InternalMouseMove(shift, x, y);
    return true;
  }
  return TGLBaseTextControl::MouseMove(shift, x, y);
}

void TGLForm::ShowRecursively() {
  TGLBaseTextControl::ShowRecursively();
  if (OnShow) OnShow(*this);
}

void TGLForm::HideRecursively() {
  TGLBaseTextControl::HideRecursively();
  if (OnHide) OnHide(*this);
}

void TGLForm::InternalRender(TRenderContextInfo& rci) {
  if (GuiComponent() == nullptr) return;
  RenderComponent(rci, *GuiComponent(), Areas(), RefreshAreas(), 0, 0, Width(), Height());
  if (BitmapFont() == nullptr) return;
  const TGuiArea& title = Areas()[GLAlTop];
  TVector4f color = title_color_;
  color[3] = AlphaChannel();
  const float x = (title.X1 + title.X2 - static_cast<float>(BitmapFont()->CalcStringWidth(Caption()))) * 0.5f;
  const float y = -(title.Y1 + title.Y2 - static_cast<float>(FontHeight())) * 0.5f + title_offset_;
  WriteTextAt(rci, x, y, Caption(), color);
}

void TGLForm::WriteProperties(TPropertyWriter& w) const {
  TGLBaseTextControl::WriteProperties(w);
  if (TitleColor() != kDefaultWidgetColor) w.Integer("TitleColor", TitleColor());
  if (title_offset_ != 2) w.Single("TitleOffset", title_offset_);
}

bool TGLForm::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "TitleColor") {
    SetTitleColor(AsInteger(v));
  } else if (name == "TitleOffset") {
    SetTitleOffset(AsSingle(v));
  } else {
    return TGLBaseTextControl::ReadProperty(name, v);
  }
  return true;
}

}  // namespace zentrova
