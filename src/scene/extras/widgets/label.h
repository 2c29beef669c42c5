// Text widgets: a label placed by alignment and layout, and a focusable label whose colour shows the
// focus.
#pragma once

#include <memory>
#include <string>

#include "scene/base/class_name.h"
#include "scene/base/property_stream.h"
#include "scene/extras/widgets/gui_controls.h"

namespace zentrova {

class TGLLabel : public TGLBaseTextControl {
 public:
  ZENTROVA_CLASS_NEW(TGLLabel)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  TGLTextLayout TextLayout() const { return text_layout_; }
  void SetTextLayout(TGLTextLayout value);

 protected:
  // The caption only; no skin.
  void InternalRender(TRenderContextInfo& rci) override;

 private:
  TAlignment alignment_ = taLeftJustify;
  TGLTextLayout text_layout_ = tlCenter;
};

class TGLAdvancedLabel : public TGLFocusControl {
 public:
  ZENTROVA_CLASS_NEW(TGLAdvancedLabel)

 protected:
  void InternalRender(TRenderContextInfo& rci) override;
};

}  // namespace zentrova
