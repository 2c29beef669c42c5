#include "scene/extras/widgets/label.h"
#include "scene/base/class_registration.h"
#include "scene/base/property_setter.h"

#include <cmath>

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TGLLabel);
ZENTROVA_REGISTER_CLASS(TGLAdvancedLabel);

void TGLLabel::SetAlignment(TAlignment value) { SetProperty(alignment_, value, NotifyChangeOf(this)); }

void TGLLabel::SetTextLayout(TGLTextLayout value) { SetProperty(text_layout_, value, NotifyChangeOf(this)); }

void TGLLabel::InternalRender(TRenderContextInfo& rci) {
  TGLCustomBitmapFont* font = BitmapFont();
  if (font == nullptr) return;
  const float x = alignment_ == taLeftJustify ? 0 : alignment_ == taRightJustify ? Width() : Width() / 2;
  const float y = text_layout_ == tlTop ? 0 : text_layout_ == tlCenter ? std::nearbyint(-Height() / 2) : -Height();
  TVector4f color = DefaultColorVector();
  color[3] = AlphaChannel();
  const TVector4f position{x, y, 0, 1};
  font->RenderString(rci, Caption(), alignment_, text_layout_, color, &position, false);
}

void TGLAdvancedLabel::InternalRender(TRenderContextInfo& rci) {
  if (BitmapFont() == nullptr) return;
  WriteTextAt(rci, 8, -(Height() - static_cast<float>(FontHeight())) / 2 + 1, Caption(),
              Focused() ? FocusedColorVector() : DefaultColorVector());
}

void TGLLabel::WriteProperties(TPropertyWriter& w) const {
  TGLBaseTextControl::WriteProperties(w);
  if (alignment_ != taLeftJustify) w.Enum("Alignment", kAlignmentNames, alignment_);
  if (text_layout_ != tlCenter) w.Enum("TextLayout", kTextLayoutNames, text_layout_);
}

bool TGLLabel::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "Alignment") {
    SetAlignment(AsEnum<TAlignment>(kAlignmentNames, v));
  } else if (name == "TextLayout") {
    SetTextLayout(AsEnum<TGLTextLayout>(kTextLayoutNames, v));
  } else {
    return TGLBaseTextControl::ReadProperty(name, v);
  }
  return true;
}

}  // namespace zentrova
