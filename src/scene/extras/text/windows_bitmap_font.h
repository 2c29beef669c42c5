// Bitmap fonts whose atlas is rasterised from a system font: the font is measured, one cell per
// character of the ranges is packed into the smallest power-of-two texture from 64 to 512 pixels a side,
// the characters are drawn white on black and uploaded as an alpha texture.
#pragma once

#include <memory>
#include <string>

#include "platform/fonts/font.h"
#include "scene/base/class_name.h"
#include "scene/extras/text/bitmap_font.h"

namespace zentrova {

class TGLWindowsBitmapFont : public TGLCustomBitmapFont {
 public:
  // White font, alpha from intensity, one range 32 ("space") to 125 ("}"), rasterised at once (an atlas
  // that cannot be made leaves the font empty: it draws nothing).
  TGLWindowsBitmapFont();
  ~TGLWindowsBitmapFont() override;
  ZENTROVA_CLASS(TGLWindowsBitmapFont)
  // The font ("Font.Color" when not white, "Font.Height", "Font.Name", "Font.Style" when not empty), the
  // filters, and the ranges when they are not the one range 32 to 125 from cell 0.
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  TFont& Font() { return font_; }
  const TFont& Font() const { return font_; }
  void SetFont(const TFont& value) { font_.Assign(value); }

  // A font change: the texture name goes, the atlas is made again and the users are told.
  void NotifyChange(TPersistent* sender) override;
  GLenum TextureFormat() const override { return GL_ALPHA; }

  // Invalidates the users, whose tables are then rasterised again. Raises Exception "Characters are too
  // large or too many. Unable to create font texture." (with the font size set to 6) when no texture
  // of up to 512 × 512 holds every character.
  virtual void LoadWindowsFont();

  // Packs the characters with a width of at least 1 (codes 0 to 255 in order) into cells of width + 2
  // and CharHeight, rows from the top; returns how many fit. With an image the characters are drawn
  // into it and their rectangles recorded.
  int PackGlyphs(int width_limit, int height_limit, class TCoverageImage* image);

 protected:
  void PrepareImage() override;
  void ResetGlyphTables() override;
  // Measures, packs and draws the atlas into the picture; the users are not told.
  virtual void Rasterise();

 private:
  TFont font_;
  int font_connection_ = 0;
  bool rasterising_ = false;
};

// A system-font bitmap font that keeps its atlas once rasterised: a texture made again (for a new
// context) reuses it; a font change makes a new one.
class TGLStoredBitmapFont : public TGLWindowsBitmapFont {
 public:
  ZENTROVA_CLASS(TGLStoredBitmapFont)
  bool Loaded() const { return loaded_; }
  void NotifyChange(TPersistent* sender) override;

 protected:
  void PrepareImage() override;
  void Rasterise() override;

 private:
  bool loaded_ = false;
};

}  // namespace zentrova
