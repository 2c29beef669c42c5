// Lines of text rasterised into 8-bit coverage images: the glyph atlas of a bitmap font and the name
// texture of a body are drawn this way, white on black; the caller turns coverage into colours.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/fonts/font.h"
#include "platform/fonts/font_face.h"

namespace zentrova {

// Coverage 0..255 per pixel, row 0 at the top.
class TCoverageImage {
 public:
  TCoverageImage(int width, int height);
  int Width() const { return width_; }
  int Height() const { return height_; }
  std::uint8_t At(int x, int y) const { return pixels_.at(Index(x, y)); }
  std::uint8_t& At(int x, int y) { return pixels_.at(Index(x, y)); }
  const std::vector<std::uint8_t>& Pixels() const { return pixels_; }

 private:
  std::size_t Index(int x, int y) const { return static_cast<std::size_t>(y) * width_ + x; }
  int width_;
  int height_;
  std::vector<std::uint8_t> pixels_;
};

// Pixels from left to right - 1 and top to bottom - 1.
struct TPixelRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

// Sum of the hinted advances of the characters.
int TextWidth(const TFontFace& face, TPixelSize size, std::u32string_view text);
// Height of a line: ascender - descender.
int TextHeight(const TFontFace& face, TPixelSize size);

// Draws a line of text with its cell's top-left corner at (x, y): the pen starts at x on the baseline
// y + ascender and moves by the hinted advances. A glyph's coverage is combined with what is there by
// the maximum, so touching glyphs leave no seams. Underline and StrikeOut in `styles` add their lines
// over the text's width. Nothing is drawn outside the image or `clip`. Returns the pen's end x.
int DrawTextLine(TCoverageImage& image, const TFontFace& face, TPixelSize size, int x, int y,
                 std::u32string_view text, TFontStyles styles = {},
                 std::optional<TPixelRect> clip = std::nullopt);

}  // namespace zentrova
