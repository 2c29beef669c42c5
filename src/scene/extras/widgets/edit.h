// A single-line text field. The text is the caption (code page 1252 bytes); while focused, the caret
// character is shown at the caret position, and a long text is cut so that the caret stays in view.
#pragma once

#include <memory>
#include <string>

#include "scene/base/class_name.h"
#include "scene/base/property_stream.h"
#include "scene/extras/widgets/gui_controls.h"

namespace zentrova {

class TGLEdit : public TGLFocusControl {
 public:
  ZENTROVA_CLASS_NEW(TGLEdit)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  // After every key that changed the text.
  TGLNotifyEvent OnChange;
  // 1-based caret: 1 before the first character, Length + 1 after the last.
  int SelStart() const { return sel_start_; }
  void SetSelStart(int value);
  const std::string& EditChar() const { return edit_char_; }
  void SetEditChar(const std::string& value);
  void SetFocused(bool value) override;

  // What the edit shows in a width: the caret inserted when focused, cut to fit.
  std::string DisplayText(float avail);

 protected:
  void InternalMouseDown(TGLMouseButton button, TShiftState shift, int x, int y) override;
  void InternalKeyPress(char& key) override;
  void InternalKeyDown(std::uint16_t& key, TShiftState shift) override;
  void InternalRender(TRenderContextInfo& rci) override;

 private:
  // The caret within 1 .. Length + 1 before an edit uses it.
  int ClampedSelStart() const;
  int sel_start_ = 0;
  std::string edit_char_ = "*";
};

}  // namespace zentrova
