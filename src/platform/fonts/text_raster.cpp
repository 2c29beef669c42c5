#include "platform/fonts/text_raster.h"

#include <algorithm>

namespace zentrova {

namespace {

// Raises the coverage of a pixel inside `area`.
void Cover(TCoverageImage& image, const TPixelRect& area, int x, int y, std::uint8_t coverage) {
  if (x < area.left || x >= area.right || y < area.top || y >= area.bottom) return;
  std::uint8_t& pixel = image.At(x, y);
  pixel = std::max(pixel, coverage);
}

void FillRows(TCoverageImage& image, const TPixelRect& area, int x0, int x1, int top, int rows) {
  for (int y = top; y < top + rows; ++y) {
    for (int x = x0; x < x1; ++x) Cover(image, area, x, y, 255);
  }
}

}  // namespace

TCoverageImage::TCoverageImage(int width, int height)
    : width_(std::max(0, width)),
      height_(std::max(0, height)),
      pixels_(static_cast<std::size_t>(width_) * height_, 0) {}

int TextWidth(const TFontFace& face, TPixelSize size, std::u32string_view text) {
  int width = 0;
  for (char32_t c : text) width += face.Advance(c, size);
  return width;
}

int TextHeight(const TFontFace& face, TPixelSize size) {
  const TFaceSizeMetrics m = face.SizeMetrics(size);
  return m.ascender - m.descender;
}

int DrawTextLine(TCoverageImage& image, const TFontFace& face, TPixelSize size, int x, int y,
                 std::u32string_view text, TFontStyles styles, std::optional<TPixelRect> clip) {
  TPixelRect area{0, 0, image.Width(), image.Height()};
  if (clip) {
    area = {std::max(area.left, clip->left), std::max(area.top, clip->top), std::min(area.right, clip->right),
            std::min(area.bottom, clip->bottom)};
  }
  const TFaceSizeMetrics metrics = face.SizeMetrics(size);
  const int baseline = y + metrics.ascender;
  int pen = x;
  for (char32_t c : text) {
    const TGlyphBitmap glyph = face.Rasterise(c, size);
    for (int row = 0; row < glyph.rows; ++row) {
      for (int column = 0; column < glyph.width; ++column) {
        const std::uint8_t coverage = glyph.coverage[static_cast<std::size_t>(row) * glyph.width + column];
        if (coverage != 0)
          Cover(image, area, pen + glyph.left + column, baseline - glyph.top + row, coverage);
      }
    }
    pen += glyph.advance;
  }
  if (styles.Contains(TFontStyle::Underline)) {
    FillRows(image, area, x, pen, baseline - metrics.underline_position, metrics.underline_thickness);
  }
  if (styles.Contains(TFontStyle::StrikeOut)) {
    FillRows(image, area, x, pen, baseline - metrics.strike_out_position, metrics.strike_out_thickness);
  }
  return pen;
}

}  // namespace zentrova
