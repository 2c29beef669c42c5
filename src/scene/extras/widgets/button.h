// A push or toggle button with an optional glyph and a caption, and a check box. Both draw a second skin
// component while on, and share groups: within one root control at most one button or check box of a
// group number is on.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "scene/base/class_name.h"
#include "scene/base/property_stream.h"
#include "scene/extras/widgets/gui_controls.h"

namespace zentrova {

class TGLMaterial;

// Switches off the first button or check box of the group that is on, depth-first from the root.
void ReleaseGroup(TGLBaseControl& root, int group);

// What a check box and a button share: whether it is on, the group it belongs to, and the skin component
// it is drawn with while on, found by name in the control's layout.
class TGLToggleState {
 public:
  explicit TGLToggleState(TGLBaseControl& control) : control_(control) {}
  TGLToggleState(const TGLToggleState&) = delete;
  TGLToggleState& operator=(const TGLToggleState&) = delete;

  bool On() const { return on_; }
  // Under the render lock: switching on releases the rest of the group first. False when already so.
  bool Switch(bool value);
  // Off without events (the group's release).
  void ClearSilently() { on_ = false; }
  int Group() const { return group_; }
  // Joining a group while on switches the group's other member off.
  void SetGroup(int value);
  const std::string& ComponentName() const { return component_name_; }
  // With a layout the component is looked up again, the areas refreshed and a redraw requested.
  void SetComponentName(const std::string& value);
  // The on-state component while on, else the control's own (nullptr for none).
  const TGLGuiComponent* DrawnComponent() const { return on_ ? component_ : control_.GuiComponent(); }
  // Found again by name in the control's layout (nullptr for none).
  void LookUp();
  // "<on_name>" when on, "<name_name>" when named, "Group" when in one.
  void WriteProperties(TPropertyWriter& writer, const char* on_name, const char* name_name) const;

 private:
  TGLBaseControl& control_;
  bool on_ = false;
  std::string component_name_;
  TGLGuiComponent* component_ = nullptr;
  int group_ = -1;
};

class TGLCheckBox : public TGLBaseControl {
 public:
  ZENTROVA_CLASS_NEW(TGLCheckBox)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  TGLCheckBox() : state_(*this) {}
  bool Checked() const { return state_.On(); }
  // Checking releases the rest of the group first; then a notice and OnChange.
  void SetChecked(bool value);
  TGLNotifyEvent OnChange;
  const std::string& GuiLayoutNameChecked() const { return state_.ComponentName(); }
  void SetGuiLayoutNameChecked(const std::string& value) { state_.SetComponentName(value); }
  int Group() const { return state_.Group(); }
  // A checked box that joins a group switches the group's other member off.
  void SetGroup(int value) { state_.SetGroup(value); }
  // Switches off without events (the group's release).
  void ClearSilently() { state_.ClearSilently(); }

 protected:
  void InternalMouseDown(TGLMouseButton button, TShiftState shift, int x, int y) override;
  void InternalRender(TRenderContextInfo& rci) override;
  void LookUpComponent() override;

 private:
  TGLToggleState state_;
};

class TGLButton : public TGLFocusControl {
 public:
  TGLButton();
  ~TGLButton() override;
  ZENTROVA_CLASS_NEW(TGLButton)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  bool Pressed() const { return state_.On(); }
  // Pressing releases the rest of the group first, then fires OnButtonClick.
  void SetPressed(bool value);
  TGLNotifyEvent OnButtonClick;
  const std::string& GuiLayoutNamePressed() const { return state_.ComponentName(); }
  void SetGuiLayoutNamePressed(const std::string& value) { state_.SetComponentName(value); }
  int Group() const { return state_.Group(); }
  void SetGroup(int value) { state_.SetGroup(value); }
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
  void SetFocused(bool value) override;
  void ClearSilently() { state_.ClearSilently(); }
  void ReleaseDisplayList() override;

 protected:
  void InternalMouseDown(TGLMouseButton button, TShiftState shift, int x, int y) override;
  void InternalMouseUp(TGLMouseButton button, TShiftState shift, int x, int y) override;
  void InternalKeyDown(std::uint16_t& key, TShiftState shift) override;
  void InternalKeyUp(std::uint16_t& key, TShiftState shift) override;
  void InternalRender(TRenderContextInfo& rci) override;
  void LookUpComponent() override;

 private:
  void SetAndNotify(float& field, float value);
  TGLToggleState state_;
  std::unique_ptr<TGLMaterial> bit_btn_;
  float logic_width_ = 0;
  float logic_height_ = 0;
  float x_offset_ = 0;
  float y_offset_ = 0;
  bool allow_up_ = false;
};

}  // namespace zentrova
