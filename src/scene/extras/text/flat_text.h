// A string drawn with a bitmap font in the object's own plane (one unit per font pixel).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "scene/base/class_name.h"
#include "scene/core/custom_scene_object.h"
#include "scene/extras/text/bitmap_font.h"
#include "scene/gl/color.h"

namespace zentrova {

enum TGLFlatTextOption : std::uint8_t { ftoTwoSided = 1u << 0 };
using TGLFlatTextOptions = std::uint8_t;

class TGLFlatText : public TGLImmaterialSceneObject {
 public:
  // Drawn directly, never culled; white.
  TGLFlatText();
  ~TGLFlatText() override;
  ZENTROVA_CLASS_NEW(TGLFlatText)

  TGLCustomBitmapFont* BitmapFont() const { return bitmap_font_; }
  // Unregisters from the old font, registers with the new one (nullptr: none).
  void SetBitmapFont(TGLCustomBitmapFont* value);
  // Code page 1252 bytes; CR breaks a line.
  const std::string& Text() const { return text_; }
  void SetText(const std::string& value);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  TGLTextLayout Layout() const { return layout_; }
  void SetLayout(TGLTextLayout value);
  TGLColor& ModulateColor() { return modulate_color_; }
  const TGLColor& ModulateColor() const { return modulate_color_; }
  void SetModulateColor(const TGLColor& value) { modulate_color_.Assign(&value); }
  TGLFlatTextOptions Options() const { return options_; }
  void SetOptions(TGLFlatTextOptions value);

  void BuildList(TRenderContextInfo& rci) override;
  void Assign(const TPersistent* source) override;

 protected:
  void Notification(TComponent& component, TOperation operation) override;

 private:
  TGLCustomBitmapFont* bitmap_font_ = nullptr;
  std::string text_;
  TAlignment alignment_ = taLeftJustify;
  TGLTextLayout layout_ = tlTop;
  TGLColor modulate_color_;
  TGLFlatTextOptions options_ = 0;
};

}  // namespace zentrova
