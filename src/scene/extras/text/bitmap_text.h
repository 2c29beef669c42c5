// What the scene objects that draw a string with a bitmap font share: the font link (a registered user
// with free notification), the text, its alignment and layout and the modulating colour, with their
// setters, streaming and copying. Each change marks the structure dirty.
#pragma once

#include <string>

#include "scene/base/class_name.h"
#include "scene/base/property_stream.h"
#include "scene/core/custom_scene_object.h"
#include "scene/extras/text/bitmap_font.h"
#include "scene/gl/color.h"

namespace zentrova {

// The published text settings that are plain values, copied as one.
struct TBitmapTextSettings {
  std::string text;
  TAlignment alignment = taLeftJustify;
  TGLTextLayout layout = tlTop;
};

class TGLBitmapTextObject : public TGLImmaterialSceneObject {
 public:
  // Drawn directly, never culled; white.
  TGLBitmapTextObject();
  // Leaves the font's users.
  ~TGLBitmapTextObject() override;
  ZENTROVA_CLASS(TGLBitmapTextObject)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  TGLCustomBitmapFont* BitmapFont() const { return bitmap_font_; }
  // Unregisters from the old font, registers with the new one (nullptr: none).
  void SetBitmapFont(TGLCustomBitmapFont* value);
  // Code page 1252 bytes; CR breaks a line.
  const std::string& Text() const { return settings_.text; }
  void SetText(const std::string& value);
  TAlignment Alignment() const { return settings_.alignment; }
  void SetAlignment(TAlignment value);
  TGLTextLayout Layout() const { return settings_.layout; }
  void SetLayout(TGLTextLayout value);
  TGLColor& ModulateColor() { return modulate_color_; }
  const TGLColor& ModulateColor() const { return modulate_color_; }
  void SetModulateColor(const TGLColor& value) { modulate_color_.Assign(&value); }

  // From another text object: font, settings and colour; then the inherited copy.
  void Assign(const TPersistent* source) override;

 protected:
  void Notification(TComponent& component, TOperation operation) override;
  // Something to draw: a font and a text.
  bool HasText() const { return bitmap_font_ != nullptr && !settings_.text.empty(); }
  // The text with the settings at the origin of the current matrix, in the colour.
  void RenderText(TRenderContextInfo& rci) const;

 private:
  TGLCustomBitmapFont* bitmap_font_ = nullptr;
  TBitmapTextSettings settings_;
  TGLColor modulate_color_;
};

}  // namespace zentrova
