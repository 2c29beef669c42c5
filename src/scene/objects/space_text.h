// Three-dimensional text: a string drawn as solid or flat outline glyphs of a scalable
// font, from display lists that the font manager shares among all texts of the same key. Text is UTF-8;
// it is drawn in code page 1252, and characters without a code there or outside the character range are
// left out.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/fonts/font.h"
#include "scene/base/class_name.h"
#include "scene/core/custom_scene_object.h"
#include "scene/objects/font_manager.h"

namespace zentrova {

enum TGLTextHorzAdjust : std::uint8_t { haLeft, haCenter, haRight, haAligned, haCentrically, haFitIn };
enum TGLTextVertAdjust : std::uint8_t { vaTop, vaCenter, vaBottom, vaBaseLine };
// Characters 32..127, 48..57, 0..255.
enum TSpaceTextCharRange : std::uint8_t { stcrAlphaNum, stcrNumbers, stcrAll };

class TGLTextAdjust : public TPersistent {
 public:
  ZENTROVA_CLASS(TGLTextAdjust)
  TGLTextHorzAdjust Horz() const { return horz_; }
  TGLTextVertAdjust Vert() const { return vert_; }
  // A changed value fires OnChange.
  void SetHorz(TGLTextHorzAdjust value);
  void SetVert(TGLTextVertAdjust value);
  // From another adjust: both values and one OnChange.
  void Assign(const TPersistent* source) override;
  std::function<void()> OnChange;

 private:
  TGLTextHorzAdjust horz_ = haLeft;
  TGLTextVertAdjust vert_ = vaBaseLine;
};

class TGLSpaceText : public TGLStageObject, public TFontManagerClient {
 public:
  TGLSpaceText();
  // Releases the font entry.
  ~TGLSpaceText() override;
  ZENTROVA_CLASS_NEW(TGLSpaceText)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  // Named "Arial" at first. Its name and styles select the glyphs; its size does not.
  TFont& Font() { return *font_; }
  const TFont& Font() const { return *font_; }
  void SetFont(const TFont& value) { font_->Assign(value); }
  const std::string& Text() const { return properties_.text; }
  void SetText(const std::string& value);
  float Extrusion() const { return properties_.extrusion; }
  // A negative value fails the assertion "Extrusion must be >=0".
  void SetExtrusion(float value);
  float AllowedDeviation() const { return properties_.allowed_deviation; }
  void SetAllowedDeviation(float value);  // stored as 0 unless above 0
  TSpaceTextCharRange CharacterRange() const { return properties_.character_range; }
  void SetCharacterRange(TSpaceTextCharRange value);
  TGLTextAdjust& Adjust() { return adjust_; }
  const TGLTextAdjust& Adjust() const { return adjust_; }
  void SetAdjust(const TGLTextAdjust& value);
  float AspectRatio() const { return properties_.aspect_ratio; }  // horizontal stretch, 0 none
  float Oblique() const { return properties_.oblique; }           // degrees about z, 0 none
  float TextHeight() const { return properties_.text_height; }    // scene units, 0 the font's own em
  void SetAspectRatio(float value);
  void SetOblique(float value);
  void SetTextHeight(float value);

  // The shared entry in use, none before the first render.
  TFontEntry* FontEntry() const { return font_entry_; }
  bool FontChanged() const { return font_changed_; }
  // The entry's lists are gone: none held, and the next render takes one again.
  void FontLost() override;

  // Width (sum of advances), descent (lowest black-box bottom, <= 0) and ascent (highest glyph top,
  // >= 0) of a text, or of the own text; all 0 without an entry. Characters the entry does not hold are
  // left out.
  void TextMetrics(const std::string& text, float& width, float& descent, float& ascent) const;
  void TextMetrics(float& width, float& descent, float& ascent) const { TextMetrics(properties_.text, width, descent, ascent); }

  // Takes the entry for the current key when the text is not empty, then draws as a staged object.
  void DoRender(TRenderContextInfo& rci, bool render_self, bool render_children) override;
  // The adjusted glyph lists; a pick pass draws the glyphs directly.
  void BuildList(TRenderContextInfo& rci) override;
  void Assign(const TPersistent* source) override;

  // The codes that the text draws: its code-page-1252 codes within the character range.
  std::string DrawnCodes() const;

 private:
  void OnFontChange();
  int FirstChar() const;
  int LastChar() const;

  std::unique_ptr<TFont> font_;
  int font_connection_ = 0;
  // The published properties that Assign copies, as one value.
  struct TProperties {
    std::string text;
    float extrusion = 0;
    float allowed_deviation = 0;
    TSpaceTextCharRange character_range = stcrAll;
    float aspect_ratio = 0;
    float oblique = 0;
    float text_height = 0;
  };
  TProperties properties_;
  TGLTextAdjust adjust_;
  TFontEntry* font_entry_ = nullptr;
  bool font_changed_ = true;
  GLuint compiled_base_ = 0;  // the glyph lists' base that the own list calls
};

}  // namespace zentrova
