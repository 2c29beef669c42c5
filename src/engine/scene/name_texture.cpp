#include "engine/scene/name_texture.h"

#include "platform/code_page_1252.h"
#include "platform/fonts/font_face.h"
#include "platform/fonts/text_raster.h"
#include "scene/pictures/picture.h"

namespace zentrova {

namespace {

constexpr int kTextureWidth = 128;
constexpr int kTextureHeight = 64;
constexpr int kCellHeight = 32;
constexpr int kNameCopies = 3;

}  // namespace

std::unique_ptr<TBitmap> DrawNameTexture(const std::string& name) {
  auto bitmap = std::make_unique<TBitmap>(kTextureWidth, kTextureHeight, pf16bit);
  TCoverageImage coverage(kTextureWidth, kTextureHeight);
  std::string text;
  for (int i = 0; i < kNameCopies; ++i) text += " " + name;
  if (const TFontFaceResult face = FindFontFace("Arial", {})) {
    DrawTextLine(coverage, *face.face, TPixelSize::Cell(kCellHeight), 0, 0, Cp1252ToUnicode(text));
  }
  // Black text on white: full coverage is black.
  for (int y = 0; y < kTextureHeight; ++y) {
    for (int x = 0; x < kTextureWidth; ++x) {
      const std::uint32_t v = 255u - coverage.At(x, y);
      bitmap->SetPixel(x, y, 0xFF000000u | (v << 16) | (v << 8) | v);
    }
  }
  return bitmap;
}

}  // namespace zentrova
