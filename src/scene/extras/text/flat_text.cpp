#include "scene/extras/text/flat_text.h"
#include "scene/base/class_registration.h"

#include "scene/base/scope_exit.h"
#include "scene/extras/text/font_user.h"
#include "scene/gl/opengl_binding.h"
#include "scene/gl/state_cache.h"

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TGLFlatText);

TGLFlatText::TGLFlatText()
    : modulate_color_(this, {1, 1, 1, 1}, [this](TPersistent*) { MarkStructureDirty(); }) {
  SetObjectStyle(ObjectStyle() | osDirectDraw | osNoVisibilityCulling);
}

TGLFlatText::~TGLFlatText() { SetBitmapFont(nullptr); }

void TGLFlatText::SetBitmapFont(TGLCustomBitmapFont* value) {
  if (SwapFontUser(*this, bitmap_font_, value)) MarkStructureDirty();
}

void TGLFlatText::SetText(const std::string& value) {
  text_ = value;
  MarkStructureDirty();
}

void TGLFlatText::SetAlignment(TAlignment value) {
  alignment_ = value;
  MarkStructureDirty();
}

void TGLFlatText::SetLayout(TGLTextLayout value) {
  layout_ = value;
  MarkStructureDirty();
}

void TGLFlatText::SetOptions(TGLFlatTextOptions value) {
  if (value == options_) return;
  options_ = value;
  MarkStructureDirty();
}

void TGLFlatText::Notification(TComponent& component, TOperation operation) {
  if (operation == TOperation::Remove && &component == bitmap_font_) {
    // The font is going (it may be partly destroyed already): the link is only dropped here.
    bitmap_font_ = nullptr;
    MarkStructureDirty();
  }
  TGLImmaterialSceneObject::Notification(component, operation);
}

void TGLFlatText::BuildList(TRenderContextInfo& rci) {
  if (bitmap_font_ == nullptr || text_.empty()) return;
  if (rci.GLStates != nullptr) rci.GLStates->SetPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  gl.PushAttrib(GL_ENABLE_BIT);
  TScopeExit pop([] { gl.PopAttrib(); });
  if (modulate_color_.Alpha() != 1) {
    gl.Enable(GL_BLEND);
    gl.BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  }
  if ((options_ & ftoTwoSided) != 0) gl.Disable(GL_CULL_FACE);
  bitmap_font_->RenderString(rci, text_, alignment_, layout_, modulate_color_.Color());
}

void TGLFlatText::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLFlatText*>(source)) {
    SetBitmapFont(other->bitmap_font_);
    text_ = other->text_;
    alignment_ = other->alignment_;
    layout_ = other->layout_;
    modulate_color_.Assign(&other->modulate_color_);
    options_ = other->options_;
  }
  TGLImmaterialSceneObject::Assign(source);
}

}  // namespace zentrova
