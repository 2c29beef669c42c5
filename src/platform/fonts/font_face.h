// Scalable font faces: a family name and styles resolved by fontconfig to a face file that FreeType loads,
// kept in one process-wide cache. A face gives glyph outlines in em units for the 3D text and hinted
// 8-bit coverage glyphs at a pixel size for the bitmap fonts and the name textures.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fonts/font.h"
#include "platform/fonts/glyph_outline.h"

namespace zentrova {

// A pixel size asked for either as the em height or as the cell height (ascent + descent).
struct TPixelSize {
  enum class TKind : std::uint8_t { Em, Cell };
  TKind kind = TKind::Em;
  int pixels = 0;

  static TPixelSize Em(int pixels) { return {TKind::Em, pixels}; }
  static TPixelSize Cell(int pixels) { return {TKind::Cell, pixels}; }
  // A font Height: negative is the em height, positive the cell height, 0 the default of 8 points.
  static TPixelSize OfHeight(int height);
  friend bool operator==(TPixelSize a, TPixelSize b) = default;
};

// Vertical metrics at a pixel size, in whole pixels, y up from the baseline.
struct TFaceSizeMetrics {
  int em_pixels = 0;           // the size the glyphs are hinted and drawn at
  int ascender = 0;            // top of the cell above the baseline
  int descender = 0;           // bottom of the cell, negative below the baseline; ascender - descender = cell
  int underline_position = 0;  // top row of the underline, negative below the baseline
  int underline_thickness = 1;
  int strike_out_position = 0;  // top row of the strike-out line above the baseline
  int strike_out_thickness = 1;
};

// A rasterised glyph: coverage 0..255, row 0 at the top.
struct TGlyphBitmap {
  int width = 0;
  int rows = 0;
  int left = 0;     // first column, right of the pen
  int top = 0;      // first row, above the baseline
  int advance = 0;  // hinted advance in whole pixels
  std::vector<std::uint8_t> coverage;
};

class TFontFace {
 public:
  struct TImpl;
  explicit TFontFace(std::unique_ptr<TImpl> impl);
  ~TFontFace();
  TFontFace(const TFontFace&) = delete;
  TFontFace& operator=(const TFontFace&) = delete;

  const std::string& FileName() const;
  int FaceIndex() const;
  const std::string& FamilyName() const;  // as the face names itself, e.g. "Liberation Sans"
  const std::string& StyleName() const;   // e.g. "Bold Italic"
  int UnitsPerEm() const;
  bool HasGlyph(char32_t character) const;

  // The outline of a character (the face's missing-glyph outline when it has none), in em units, curves
  // flattened to `deviation` em (0 or less: kDefaultOutlineDeviation). Independent of any pixel size.
  TGlyphOutline Outline(char32_t character, double deviation) const;

  TFaceSizeMetrics SizeMetrics(TPixelSize size) const;
  // Hinted advance of a character at a size, in whole pixels.
  int Advance(char32_t character, TPixelSize size) const;
  TGlyphBitmap Rasterise(char32_t character, TPixelSize size) const;

 private:
  std::unique_ptr<TImpl> impl_;
};

// A face or the reason there is none.
struct TFontFaceResult {
  std::shared_ptr<const TFontFace> face;
  std::string error;
  explicit operator bool() const { return face != nullptr; }
};

// The scalable face fontconfig matches for a family (any letter case) with the weight and slant of
// `styles` (Bold, Italic; underline and strike-out are drawn, not looked up). An unknown family gets the
// system's substitute, as a canvas font would. Fails, without throwing, only when no scalable face can be
// loaded. Faces are shared: a second request for the same file returns the same object. Thread-safe;
// every face serialises its own use.
TFontFaceResult FindFontFace(std::string_view family, TFontStyles styles);
TFontFaceResult FindFontFace(const TFont& font);
// A face from a file (through the same cache).
TFontFaceResult OpenFontFace(const std::string& file_name, int face_index = 0);

}  // namespace zentrova
