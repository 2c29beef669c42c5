#include "scene/extras/text/windows_bitmap_font.h"
#include "scene/base/class_registration.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "platform/code_page_1252.h"
#include "platform/exception.h"
#include "platform/fonts/font_face.h"
#include "platform/fonts/text_raster.h"

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TGLWindowsBitmapFont);
ZENTROVA_REGISTER_CLASS(TGLStoredBitmapFont);

namespace {

constexpr int kSizes[] = {64, 128, 256, 512};
constexpr std::int32_t kWhite = 0xFFFFFF;
constexpr std::uint8_t kFirstDefault = 32, kLastDefault = 125;
constexpr TIdentNames<4> kFontStyles{"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"};

// A value outside 0..255 would not round-trip through the 8-bit picture.
std::uint32_t GreyPixel(std::uint8_t coverage) {
  return 0xFF000000u | (std::uint32_t(coverage) << 16) | (std::uint32_t(coverage) << 8) | coverage;
}

}  // namespace

TGLWindowsBitmapFont::TGLWindowsBitmapFont() {
  font_.SetColor(kWhite);
  rasterising_ = true;  // one rasterisation once everything is set
  SetGlyphsAlpha(tiaAlphaFromIntensity);
  Ranges().Add(kFirstDefault, kLastDefault);
  rasterising_ = false;
  font_connection_ = font_.Connect([this](TFont&) { NotifyChange(this); });
  try {
    Rasterise();
  } catch (const Exception&) {
    // No face or no room: the font stays empty until its next change.
  }
}

TGLWindowsBitmapFont::~TGLWindowsBitmapFont() { font_.Disconnect(font_connection_); }

void TGLWindowsBitmapFont::NotifyChange(TPersistent* sender) {
  FreeTextureHandle();
  LoadWindowsFont();
  TGLCustomBitmapFont::NotifyChange(sender);
}

void TGLWindowsBitmapFont::LoadWindowsFont() { InvalidateUsers(); }

void TGLWindowsBitmapFont::ResetGlyphTables() {
  TGLCustomBitmapFont::ResetGlyphTables();
  // The widths and rectangles are the packer's: a plain grid would not match the atlas.
  if (!rasterising_) Rasterise();
}

void TGLWindowsBitmapFont::PrepareImage() {
  Rasterise();
  TGLCustomBitmapFont::PrepareImage();
}

int TGLWindowsBitmapFont::PackGlyphs(int width_limit, int height_limit, TCoverageImage* image) {
  TFontFaceResult face;
  if (image != nullptr) face = FindFontFace(font_);
  const TPixelSize size = TPixelSize::OfHeight(font_.Height());
  const float w = static_cast<float>(width_limit), h = static_cast<float>(height_limit);
  const int cell_height = CharHeight();
  int x = 0, y = 0, count = 0;
  for (int code = 0; code < 256; ++code) {
    const int width = GetCharWidth(static_cast<std::uint8_t>(code));
    if (width < 1) continue;
    const int c = width + 2;
    // A cell wider than the texture, or a first row already too low, does not fit.
    if (x + c > width_limit || y + cell_height > height_limit) return count;
    if (image != nullptr) {
      SetCharRects(static_cast<std::uint8_t>(code),
                   {(x + 1.05f) / w, (h - (y + 0.05f)) / h, (x + c - 1.05f) / w, (h - (y + cell_height - 0.05f)) / h});
      std::u32string text{Cp1252ToUnicode(static_cast<std::uint8_t>(code)), U' '};
      if (face) {
        DrawTextLine(*image, *face.face, size, x + 1, y + 1, text, font_.Style(),
                     TPixelRect{x, y, x + c, y + cell_height});
      }
    }
    const int next = code < 255 ? GetCharWidth(static_cast<std::uint8_t>(code + 1)) : 0;
    if (code == 255 || x + c + next + 2 <= width_limit) {
      x += c;
    } else {
      x = 0;
      y += cell_height;
      if (y + cell_height > height_limit) return count;
    }
    ++count;
  }
  return count;
}

void TGLWindowsBitmapFont::Rasterise() {
  if (rasterising_) return;
  rasterising_ = true;
  struct Guard {
    bool& flag;
    ~Guard() { flag = false; }
  } guard{rasterising_};

  TFontFaceResult face = FindFontFace(font_);
  if (!face) throw Exception(face.error);
  const TPixelSize size = TPixelSize::OfHeight(font_.Height());
  const auto width_of = [&](std::u32string_view text) { return TextWidth(*face.face, size, text); };
  const int widest = std::max({width_of(U"M"), width_of(U"W"), width_of(U"_")});
  int char_width = static_cast<int>(std::nearbyint(widest + 2.0));
  const int char_height = TextHeight(*face.face, size) + 2;
  int fix = 0;
  if (font_.Style().Contains(TFontStyle::Italic)) {
    fix = -(char_width / 3);
    char_width += char_width / 3;
  }
  StoreCellSize(char_width, char_height);
  SetHSpaceFix(fix);
  ResetCharWidths(0);
  for (int r = 0; r < Ranges().Count(); ++r) {
    const TBitmapFontRange& range = Ranges().Items(r);
    for (int c = range.StartASCII(); c <= range.StopASCII(); ++c) {
      const char32_t text[] = {Cp1252ToUnicode(static_cast<std::uint8_t>(c)), 0};
      SetCharWidths(static_cast<std::uint8_t>(c), width_of(text) - fix);
    }
  }
  const int n = Ranges().CharacterCount();
  int best_w = 0, best_h = 0;
  for (int h : kSizes) {
    for (int w : kSizes) {
      if (PackGlyphs(w, h, nullptr) != n) continue;
      if (best_w == 0 || w * h < best_w * best_h ||
          (w * h == best_w * best_h && std::abs(w - h) < std::abs(best_w - best_h))) {
        best_w = w;
        best_h = h;
      }
    }
  }
  if (best_w == 0) {
    font_.Disconnect(font_connection_);
    font_.SetSize(6);
    font_connection_ = font_.Connect([this](TFont&) { NotifyChange(this); });
    throw Exception("Characters are too large or too many. Unable to create font texture.");
  }
  TCoverageImage image(best_w, best_h);
  ClearCharRects();
  PackGlyphs(best_w, best_h, &image);
  CharRectsBuilt();
  auto bitmap = std::make_unique<TBitmap>(best_w, best_h, pf32bit);
  for (int y = 0; y < best_h; ++y) {
    for (int x = 0; x < best_w; ++x) bitmap->SetPixel(x, y, GreyPixel(image.At(x, y)));
  }
  DisconnectGlyphs();
  Glyphs().TakeGraphic(std::move(bitmap));
  ConnectGlyphs();
  MarkTextureModified();
}

void TGLWindowsBitmapFont::WriteProperties(TPropertyWriter& w) const {
  TGLCustomBitmapFont::WriteProperties(w);
  if (font_.Color() != kWhite) w.Integer("Font.Color", font_.Color());
  w.Integer("Font.Height", font_.Height());
  w.String("Font.Name", font_.Name());
  if (!font_.Style().Empty()) w.SetOf("Font.Style", kFontStyles, font_.Style().Bits());
  WriteFilters(w);
  const bool default_ranges = Ranges().Count() == 1 && Ranges().Items(0).StartASCII() == kFirstDefault &&
                              Ranges().Items(0).StopASCII() == kLastDefault && Ranges().Items(0).StartGlyphIdx() == 0;
  if (!default_ranges) WriteRanges(w);
}

bool TGLWindowsBitmapFont::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "Font.Color") {
    font_.SetColor(AsInteger(v));
  } else if (name == "Font.Height") {
    font_.SetHeight(AsInteger(v));
  } else if (name == "Font.Name") {
    font_.SetName(AsString(v));
  } else if (name == "Font.Style") {
    font_.SetStyle(TFontStyles::FromBits(static_cast<std::uint8_t>(SetBits(kFontStyles, v))));
  } else if (!ReadRangesOrFilter(name, v)) {
    return TGLCustomBitmapFont::ReadProperty(name, v);
  }
  return true;
}

void TGLStoredBitmapFont::NotifyChange(TPersistent* sender) {
  loaded_ = false;
  TGLWindowsBitmapFont::NotifyChange(sender);
}

void TGLStoredBitmapFont::PrepareImage() {
  if (!loaded_) Rasterise();
  TGLCustomBitmapFont::PrepareImage();
}

void TGLStoredBitmapFont::Rasterise() {
  TGLWindowsBitmapFont::Rasterise();
  loaded_ = true;
}

}  // namespace zentrova
