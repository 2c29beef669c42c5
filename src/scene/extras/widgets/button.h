// A push or toggle button with an optional glyph and a caption, and a check box. Both draw a second skin
// component while on, and share groups: within one root control at most one button or check box of a
// group number is on.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "scene/base/class_name.h"
#include "scene/extras/widgets/gui_controls.h"

namespace zentrova {

class TGLMaterial;

// Switches off the first button or check box of the group that is on, depth-first from the root.
void ReleaseGroup(TGLBaseControl& root, int group);

class TGLCheckBox : public TGLBaseControl {
 public:
  ZENTROVA_CLASS_NEW(TGLCheckBox)

  bool Checked() const { return checked_; }
  // Checking releases the rest of the group first; then a notice and OnChange.
  void SetChecked(bool value);
  TGLNotifyEvent OnChange;
  const std::string& GuiLayoutNameChecked() const { return name_checked_; }
  void SetGuiLayoutNameChecked(const std::string& value);
  int Group() const { return group_; }
  // A checked box that joins a group switches the group's other member off.
  void SetGroup(int value);
  void SetGuiLayout(TGLGuiLayout* value) override;
  void NotifyChange(TPersistent* sender) override;
  // Switches off without events (the group's release).
  void ClearSilently() { checked_ = false; }

 protected:
  void InternalMouseDown(TGLMouseButton button, TShiftState shift, int x, int y) override;
  void InternalRender(TRenderContextInfo& rci) override;

 private:
  void LookUpChecked();
  bool checked_ = false;
  std::string name_checked_;
  TGLGuiComponent* checked_component_ = nullptr;
  int group_ = -1;
};

class TGLButton : public TGLFocusControl {
 public:
  TGLButton();
  ~TGLButton() override;
  ZENTROVA_CLASS_NEW(TGLButton)

  bool Pressed() const { return pressed_; }
  // Pressing releases the rest of the group first, then fires OnButtonClick.
  void SetPressed(bool value);
  TGLNotifyEvent OnButtonClick;
  const std::string& GuiLayoutNamePressed() const { return name_pressed_; }
  void SetGuiLayoutNamePressed(const std::string& value);
  int Group() const { return group_; }
  void SetGroup(int value);
  bool AllowUp() const { return allow_up_; }
  void SetAllowUp(bool value) { allow_up_ = value; }
  TGLMaterial& BitBtn() { return *bit_btn_; }
  void SetBitBtn(const TGLMaterial& value);
  float LogicWidth() const { return logic_width_; }
  float LogicHeight() const { return logic_height_; }
  float XOffset() const { return x_offset_; }
  float YOffset() const { return y_offset_; }
  void SetLogicWidth(float value);
  void SetLogicHeight(float value);
  void SetXOffset(float value);
  void SetYOffset(float value);
  void SetGuiLayout(TGLGuiLayout* value) override;
  void SetFocused(bool value) override;
  void ClearSilently() { pressed_ = false; }
  void ReleaseDisplayList() override;

 protected:
  void InternalMouseDown(TGLMouseButton button, TShiftState shift, int x, int y) override;
  void InternalMouseUp(TGLMouseButton button, TShiftState shift, int x, int y) override;
  void InternalKeyDown(std::uint16_t& key, TShiftState shift) override;
  void InternalKeyUp(std::uint16_t& key, TShiftState shift) override;
  void InternalRender(TRenderContextInfo& rci) override;

 private:
  void LookUpPressed();
  void SetAndNotify(float& field, float value);
  bool pressed_ = false;
  std::string name_pressed_;
  TGLGuiComponent* pressed_component_ = nullptr;
  std::unique_ptr<TGLMaterial> bit_btn_;
  int group_ = -1;
  float logic_width_ = 0;
  float logic_height_ = 0;
  float x_offset_ = 0;
  float y_offset_ = 0;
  bool allow_up_ = false;
};

}  // namespace zentrova
