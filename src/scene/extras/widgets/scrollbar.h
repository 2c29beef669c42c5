// A position in a range with a page size: the track from the skin component, the knob from a second one
// stretched over the share of the track the page covers; arrow clicks step, track clicks page, the knob
// drags.
#pragma once

#include <memory>
#include <string>

#include "scene/base/class_name.h"
#include "scene/base/property_stream.h"
#include "scene/extras/widgets/gui_controls.h"

namespace zentrova {

class TGLScrollbar : public TGLFocusControl {
 public:
  ZENTROVA_CLASS_NEW(TGLScrollbar)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  // Kept: Min <= Pos <= Max - PageSize + 1 and Max >= Min.
  float Min() const { return min_; }
  float Max() const { return max_; }
  float Pos() const { return pos_; }
  float PageSize() const { return page_size_; }
  float Step() const { return step_; }
  void SetMin(float value);
  void SetMax(float value);
  void SetPos(float value);
  void SetPageSize(float value);
  void SetStep(float value) { step_ = value; }
  // Max set as is, without the range rules (the grid sets its row count so).
  void SetMaxField(float value) { max_ = value; }
  bool Horizontal() const { return horizontal_; }
  void SetHorizontal(bool value);
  TGLNotifyEvent OnChange;
  const std::string& GuiLayoutKnobName() const { return knob_name_; }
  void SetGuiLayoutKnobName(const std::string& value);
  bool Dragging() const { return dragging_; }

  // Between a position and a pixel along the centre area (x for horizontal bars). With Max = Min every
  // point maps to Min and Min to the track's start.
  float PosToPixel(float p) const;
  float PixelToPos(float pixel) const;

  bool MouseUp(TGLMouseButton button, TShiftState shift, int x, int y) override;
  bool MouseMove(TShiftState shift, int x, int y) override;

 protected:
  void InternalMouseDown(TGLMouseButton button, TShiftState shift, int x, int y) override;
  void InternalMouseUp(TGLMouseButton button, TShiftState shift, int x, int y) override;
  void InternalMouseMove(TShiftState shift, int x, int y) override;
  void InternalRender(TRenderContextInfo& rci) override;
  // The track's component and the knob's.
  void LookUpComponent() override;

 private:
  void LookUpKnob();
  void EnsureAreas();
  float min_ = 1;
  float max_ = 10;
  float step_ = 1;
  float pos_ = 1;
  float page_size_ = 3;
  std::string knob_name_;
  TGLGuiComponent* knob_component_ = nullptr;
  TGuiAreaSet knob_areas_{};
  float drag_offset_ = 0;
  bool dragging_ = false;
  bool horizontal_ = false;
};

}  // namespace zentrova
