#include "scene/extras/widgets/scrollbar.h"
#include "scene/base/class_registration.h"
#include "scene/base/property_setter.h"

#include <cmath>

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TGLScrollbar);

void TGLScrollbar::SetMin(float value) {
  SetProperty(min_, value, [this] {
    if (pos_ < min_) SetPos(min_);
    NotifyChange(this);
  });
}

void TGLScrollbar::SetMax(float value) {
  if (value == max_) return;
  max_ = value < min_ ? min_ : value;
  if (max_ - page_size_ + 1 < pos_) SetPos(max_ - page_size_ + 1);
  NotifyChange(this);
}

void TGLScrollbar::SetPos(float value) {
  if (value == pos_) return;
  if (value > max_ - page_size_ + 1) value = max_ - page_size_ + 1;
  if (value < min_) value = min_;
  if (value == pos_) return;
  pos_ = value;
  NotifyChange(this);
  if (OnChange) OnChange(*this);
}

void TGLScrollbar::SetPageSize(float value) {
  SetProperty(page_size_, value, [this] {
    if (max_ - page_size_ + 1 < pos_) SetPos(max_ - page_size_ + 1);
    NotifyChange(this);
  });
}

void TGLScrollbar::SetHorizontal(bool value) { SetProperty(horizontal_, value, NotifyChangeOf(this)); }

void TGLScrollbar::LookUpKnob() {
  knob_component_ = GuiLayout() != nullptr ? GuiLayout()->GuiComponents().FindByName(knob_name_) : nullptr;
  SetRefreshAreas(true);
  RequestRedraw(true);
}

void TGLScrollbar::SetGuiLayoutKnobName(const std::string& value) {
  SetProperty(knob_name_, value, [this] { LookUpKnob(); });
}

void TGLScrollbar::LookUpComponent() {
  TGLFocusControl::LookUpComponent();
  LookUpKnob();
}

void TGLScrollbar::EnsureAreas() {
  if (RefreshAreas() && GuiComponent() != nullptr) {
    TGLGuiLayout::ComputeAreas(*GuiComponent(), Areas(), 0, 0, Width(), Height(), 1);
  }
}

float TGLScrollbar::PosToPixel(float p) const {
  const TGuiArea& c = Areas()[GLAlCenter];
  const float a = horizontal_ ? c.X1 : c.Y1, b = horizontal_ ? c.X2 : c.Y2;
  if (max_ == min_) return a;
  return (p - min_) / (max_ - min_) * (b - a) + a;
}

float TGLScrollbar::PixelToPos(float pixel) const {
  const TGuiArea& c = Areas()[GLAlCenter];
  const float a = horizontal_ ? c.X1 : c.Y1, b = horizontal_ ? c.X2 : c.Y2;
  if (max_ == min_ || a == b) return min_;
  return (pixel - a) / (b - a) * (max_ - min_) + min_;
}

void TGLScrollbar::InternalMouseDown(TGLMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft) {
    EnsureAreas();
    const float lx = static_cast<float>(x) - Left(), ly = static_cast<float>(y) - Top();
    const TGuiArea& c = Areas()[GLAlCenter];
    const auto inside = [lx, ly](const TGuiArea& a) { return lx >= a.X1 && lx <= a.X2 && ly >= a.Y1 && ly <= a.Y2; };
    if (inside(c)) {
      const float p = PixelToPos(horizontal_ ? lx : ly);
      if (p < pos_) {
        SetPos(pos_ - page_size_);
      } else if (p > pos_ + page_size_ - 1) {
        SetPos(pos_ + page_size_);
      } else {
        dragging_ = true;
        drag_offset_ = p - pos_;
        RootControl()->SetMouseCapture(this);
      }
    } else if (inside(Areas()[horizontal_ ? GLAlLeft : GLAlTop])) {
      SetPos(pos_ - step_);
    } else if (inside(Areas()[horizontal_ ? GLAlRight : GLAlBottom])) {
      SetPos(pos_ + step_);
    }
  }
  TGLFocusControl::InternalMouseDown(button, shift, x, y);
}

void TGLScrollbar::InternalMouseMove(TShiftState shift, int x, int y) {
  if (dragging_) {
    const float lx = static_cast<float>(x) - Left(), ly = static_cast<float>(y) - Top();
    SetPos(std::nearbyint(PixelToPos(horizontal_ ? lx : ly) - drag_offset_));
  }
  TGLFocusControl::InternalMouseMove(shift, x, y);
}

void TGLScrollbar::InternalMouseUp(TGLMouseButton button, TShiftState shift, int x, int y) {
  if (dragging_) {
    dragging_ = false;
    TGLBaseControl* root = RootControl();
    if (root->MouseCapture() == this) root->SetMouseCapture(nullptr);
  }
  TGLFocusControl::InternalMouseUp(button, shift, x, y);
}

bool TGLScrollbar::MouseUp(TGLMouseButton button, TShiftState shift, int x, int y) {
  if (dragging_ && button == mbLeft) {
    InternalMouseUp(button, shift, x, y);
    return true;
  }
  return TGLFocusControl::MouseUp(button, shift, x, y);
}

bool TGLScrollbar::MouseMove(TShiftState shift, int x, int y) {
  if (dragging_) {
    InternalMouseMove(shift, x, y);
    return true;
  }
  return TGLFocusControl::MouseMove(shift, x, y);
}

void TGLScrollbar::InternalRender(TRenderContextInfo& rci) {
  GuardedDraw(
      [&] {
        if (GuiComponent() != nullptr) RenderComponent(rci, *GuiComponent(), Areas(), RefreshAreas(), 0, 0, Width(), Height());
        if (knob_component_ == nullptr) return;
        const TGuiArea& c = Areas()[GLAlCenter];
        const float e = pos_ + page_size_ <= max_ + 1 ? page_size_ : max_;
        const float start = std::nearbyint(PosToPixel(pos_));
        const float a = horizontal_ ? c.X1 : c.Y1, b = horizontal_ ? c.X2 : c.Y2;
        // Equal ends leave no range to map: the knob covers the whole track.
        const float length = max_ == min_ ? b - a : std::nearbyint(PosToPixel(e) - a);
        if (horizontal_) {
          RenderComponent(rci, *knob_component_, knob_areas_, true, start, c.Y1, start + length, c.Y2);
        } else {
          RenderComponent(rci, *knob_component_, knob_areas_, true, c.X1, start, c.X2, start + length);
        }
      },
      "Exception in GuiComponents InternalRender function");
}

// The page size goes before the position: read back in this order, a position near Max is not clamped by
// the default page size.
void TGLScrollbar::WriteProperties(TPropertyWriter& w) const {
  TGLFocusControl::WriteProperties(w);
  if (min_ != 1) w.Single("Min", min_);
  if (max_ != 10) w.Single("Max", max_);
  if (step_ != 1) w.Single("Step", step_);
  if (page_size_ != 3) w.Single("PageSize", page_size_);
  if (pos_ != 1) w.Single("Pos", pos_);
  if (!knob_name_.empty()) w.String("GuiLayoutKnobName", knob_name_);
  if (horizontal_) w.Boolean("Horizontal", true);
}

bool TGLScrollbar::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "Min") {
    SetMin(AsSingle(v));
  } else if (name == "Max") {
    SetMax(AsSingle(v));
  } else if (name == "Step") {
    SetStep(AsSingle(v));
  } else if (name == "PageSize") {
    SetPageSize(AsSingle(v));
  } else if (name == "Pos") {
    SetPos(AsSingle(v));
  } else if (name == "GuiLayoutKnobName") {
    SetGuiLayoutKnobName(AsString(v));
  } else if (name == "Horizontal") {
    SetHorizontal(AsBoolean(v));
  } else {
    return TGLFocusControl::ReadProperty(name, v);
  }
  return true;
}

}  // namespace zentrova
