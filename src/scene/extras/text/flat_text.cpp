#include "scene/extras/text/flat_text.h"
#include "scene/base/class_registration.h"
#include "scene/base/property_setter.h"

#include "scene/gl/gl_state_scope.h"
#include "scene/gl/opengl_binding.h"
#include "scene/gl/state_cache.h"

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TGLFlatText);

void TGLFlatText::SetOptions(TGLFlatTextOptions value) { SetProperty(options_, value, StructureChangeOf(this)); }

void TGLFlatText::BuildList(TRenderContextInfo& rci) {
  if (!HasText()) return;
  if (rci.GLStates != nullptr) rci.GLStates->SetPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  const TGLAttribScope enables(rci.GLStates, GL_ENABLE_BIT);
  if (ModulateColor().Alpha() != 1) {
    gl.Enable(GL_BLEND);
    gl.BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  }
  if ((options_ & ftoTwoSided) != 0) gl.Disable(GL_CULL_FACE);
  RenderText(rci);
}

void TGLFlatText::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLFlatText*>(source)) options_ = other->options_;
  TGLBitmapTextObject::Assign(source);
}

namespace {

constexpr TIdentNames<1> kFlatTextOptionNames{"ftoTwoSided"};

}  // namespace

void TGLFlatText::WriteProperties(TPropertyWriter& w) const {
  TGLBitmapTextObject::WriteProperties(w);
  if (options_ != 0) w.SetOf("Options", kFlatTextOptionNames, options_);
}

bool TGLFlatText::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name != "Options") return TGLBitmapTextObject::ReadProperty(name, v);
  SetOptions(static_cast<TGLFlatTextOptions>(SetBits(kFlatTextOptionNames, v)));
  return true;
}

}  // namespace zentrova
