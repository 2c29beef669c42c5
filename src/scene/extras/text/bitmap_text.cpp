#include "scene/extras/text/bitmap_text.h"

#include "scene/extras/text/font_user.h"

namespace zentrova {

TGLBitmapTextObject::TGLBitmapTextObject()
    : modulate_color_(this, {1, 1, 1, 1}, [this](TPersistent*) { MarkStructureDirty(); }) {
  SetObjectStyle(ObjectStyle() | osDirectDraw | osNoVisibilityCulling);
}

TGLBitmapTextObject::~TGLBitmapTextObject() { SetBitmapFont(nullptr); }

void TGLBitmapTextObject::SetBitmapFont(TGLCustomBitmapFont* value) {
  if (SwapFontUser(*this, bitmap_font_, value)) MarkStructureDirty();
}

// Text, alignment and layout mark the structure dirty even when set to what they hold.
void TGLBitmapTextObject::SetText(const std::string& value) {
  settings_.text = value;
  MarkStructureDirty();
}

void TGLBitmapTextObject::SetAlignment(TAlignment value) {
  settings_.alignment = value;
  MarkStructureDirty();
}

void TGLBitmapTextObject::SetLayout(TGLTextLayout value) {
  settings_.layout = value;
  MarkStructureDirty();
}

void TGLBitmapTextObject::Notification(TComponent& component, TOperation operation) {
  if (operation == TOperation::Remove && &component == bitmap_font_) {
    // The font is going (it may be partly destroyed already): the link is only dropped here.
    bitmap_font_ = nullptr;
    MarkStructureDirty();
  }
  TGLImmaterialSceneObject::Notification(component, operation);
}

void TGLBitmapTextObject::RenderText(TRenderContextInfo& rci) const {
  bitmap_font_->RenderString(rci, settings_.text, settings_.alignment, settings_.layout, modulate_color_.Color());
}

void TGLBitmapTextObject::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLBitmapTextObject*>(source)) {
    SetBitmapFont(other->bitmap_font_);
    settings_ = other->settings_;
    modulate_color_.Assign(&other->modulate_color_);
  }
  TGLImmaterialSceneObject::Assign(source);
}

void TGLBitmapTextObject::WriteProperties(TPropertyWriter& w) const {
  TGLImmaterialSceneObject::WriteProperties(w);
  w.Reference("BitmapFont", bitmap_font_);
  if (!settings_.text.empty()) w.String("Text", settings_.text);
  if (settings_.alignment != taLeftJustify) w.Enum("Alignment", kAlignmentNames, settings_.alignment);
  if (settings_.layout != tlTop) w.Enum("Layout", kTextLayoutNames, settings_.layout);
  if (modulate_color_.StoresColor()) w.Data("ModulateColor.Color", modulate_color_);
}

bool TGLBitmapTextObject::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "BitmapFont") {
    ReadReference<TGLCustomBitmapFont>(v, [this](TGLCustomBitmapFont* font) { SetBitmapFont(font); });
  } else if (name == "Text") {
    SetText(AsString(v));
  } else if (name == "Alignment") {
    SetAlignment(AsEnum<TAlignment>(kAlignmentNames, v));
  } else if (name == "Layout") {
    SetLayout(AsEnum<TGLTextLayout>(kTextLayoutNames, v));
  } else if (name == "ModulateColor.Color") {
    ReadData(modulate_color_, v, 16);
    MarkStructureDirty();
  } else {
    return TGLImmaterialSceneObject::ReadProperty(name, v);
  }
  return true;
}

}  // namespace zentrova
