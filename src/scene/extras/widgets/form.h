// A movable window with a title bar (the skin component's top area) and its caption.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "scene/base/class_name.h"
#include "scene/base/property_stream.h"
#include "scene/extras/widgets/gui_controls.h"

namespace zentrova {

class TGLForm;
enum TGLFormCloseOptions : std::uint8_t { co_Hide, co_Ignore, co_Destroy };
using TGLFormCanRequest = std::function<void(TGLForm& form, bool& can)>;
using TGLFormCanClose = std::function<void(TGLForm& form, TGLFormCloseOptions& can_close)>;
using TGLFormNotify = std::function<void(TGLForm& form)>;
using TGLFormMove = std::function<void(TGLForm& form, float& left, float& top)>;

class TGLForm : public TGLBaseTextControl {
 public:
  ZENTROVA_CLASS_NEW(TGLForm)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  TGLFormCanRequest OnCanMove;
  // Kept for the form's users; the form itself neither resizes nor closes, so it never raises them.
  TGLFormCanRequest OnCanResize;
  TGLFormCanClose OnCanClose;
  TGLFormNotify OnShow;
  TGLFormNotify OnHide;
  TGLFormMove OnMoving;

  TColor TitleColor() const { return VectorToWinColor(title_color_); }
  const TVector4f& TitleColorVector() const { return title_color_; }
  void SetTitleColor(TColor value);
  float TitleOffset() const { return title_offset_; }
  void SetTitleOffset(float value);
  bool Moving() const { return moving_; }

  // While the form is dragged by its title bar it takes every release and move.
  bool MouseUp(TGLMouseButton button, TShiftState shift, int x, int y) override;
  bool MouseMove(TShiftState shift, int x, int y) override;
  void ShowRecursively() override;
  void HideRecursively() override;

 protected:
  void InternalMouseDown(TGLMouseButton button, TShiftState shift, int x, int y) override;
  void InternalMouseUp(TGLMouseButton button, TShiftState shift, int x, int y) override;
  void InternalMouseMove(TShiftState shift, int x, int y) override;
  void InternalRender(TRenderContextInfo& rci) override;

 private:
  float TitleBottom();
  bool moving_ = false;
  int last_mouse_x_ = 0;
  int last_mouse_y_ = 0;
  TVector4f title_color_{0, 0, 0, 1};
  float title_offset_ = 2;
};

}  // namespace zentrova
