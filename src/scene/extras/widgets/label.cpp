#include "scene/extras/widgets/label.h"
#include "scene/base/class_registration.h"

#include <cmath>

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TGLLabel);
ZENTROVA_REGISTER_CLASS(TGLAdvancedLabel);

void TGLLabel::SetAlignment(TAlignment value) {
  if (value == alignment_) return;
  alignment_ = value;
  NotifyChange(this);
}

void TGLLabel::SetTextLayout(TGLTextLayout value) {
  if (value == text_layout_) return;
  text_layout_ = value;
  NotifyChange(this);
}

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

}  // namespace zentrova
