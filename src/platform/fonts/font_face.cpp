#include "platform/fonts/font_face.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_BBOX_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <utility>

#include "platform/strings.h"

namespace zentrova {

namespace {

// One FreeType library for the process. FreeType asks that creating and freeing faces of a shared
// library be serialised; everything else a face does is serialised by the face's own mutex.
struct TFreeTypeLibrary {
  FT_Library library = nullptr;
  std::mutex mutex;
  ~TFreeTypeLibrary() {
    if (library != nullptr) FT_Done_FreeType(library);
  }
};

}  // namespace

struct TFontFace::TImpl {
  std::shared_ptr<TFreeTypeLibrary> library;
  FT_Face face = nullptr;
  std::string file_name;
  int face_index = 0;
  std::string family_name;
  std::string style_name;
  // Cell extent in font units: the Windows metrics of the OS/2 table, which size a cell height and which
  // cover every glyph of the face; the horizontal header's where a face has no OS/2 table.
  int cell_ascent = 0;
  int cell_descent = 0;
  int strike_out_position = 0;
  int strike_out_size = 0;
  std::mutex mutex;
  int current_ppem = 0;  // the size the face is set to, so that a repeated size runs no hinting set-up

  ~TImpl() {
    if (face == nullptr) return;
    std::lock_guard lock(library->mutex);
    FT_Done_Face(face);
  }

  // Scales font units to pixels at `ppem`.
  double Scale(int ppem) const { return static_cast<double>(ppem) / face->units_per_EM; }

  void SetPixels(int ppem) {
    if (ppem == current_ppem) return;
    if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(ppem)) == 0) current_ppem = ppem;
  }

  // Loads the glyph of a character into the face's slot; the missing-glyph glyph when it has none.
  bool Load(char32_t character, FT_Int32 flags) {
    const FT_UInt index = FT_Get_Char_Index(face, character);
    return FT_Load_Glyph(face, index, flags | FT_LOAD_NO_BITMAP) == 0;
  }

  TFaceSizeMetrics Metrics(TPixelSize size) const {
    TFaceSizeMetrics m;
    const int pixels = std::max(1, size.pixels);
    const int cell_units = cell_ascent + cell_descent;
    const int em = face->units_per_EM;
    if (size.kind == TPixelSize::TKind::Cell) {
      // The em is hinted at whole pixels; the cell keeps exactly the rows asked for.
      m.em_pixels = std::max(1, static_cast<int>(std::lround(static_cast<double>(pixels) * em / cell_units)));
      m.ascender = static_cast<int>(std::lround(static_cast<double>(pixels) * cell_ascent / cell_units));
      m.descender = m.ascender - pixels;
    } else {
      m.em_pixels = pixels;
      m.ascender = static_cast<int>(std::lround(cell_ascent * Scale(pixels)));
      m.descender = -static_cast<int>(std::lround(cell_descent * Scale(pixels)));
    }
    const double scale = Scale(m.em_pixels);
    m.underline_thickness = std::max(1, static_cast<int>(std::lround(face->underline_thickness * scale)));
    // FreeType places the underline by the centre of its stroke.
    m.underline_position =
        static_cast<int>(std::lround(face->underline_position * scale + m.underline_thickness / 2.0));
    m.strike_out_thickness = std::max(1, static_cast<int>(std::lround(strike_out_size * scale)));
    m.strike_out_position = static_cast<int>(std::lround(strike_out_position * scale));
    return m;
  }
};

namespace {

struct TFaceCache {
  std::mutex mutex;
  std::shared_ptr<TFreeTypeLibrary> library;
  bool fontconfig_ready = false;
  std::map<std::pair<std::string, int>, std::shared_ptr<const TFontFace>> faces;
  // (family in lower case, bold and italic bits) -> the face file chosen for it
  std::map<std::pair<std::string, std::uint8_t>, std::pair<std::string, int>> matches;
};

TFaceCache& Cache() {
  static TFaceCache cache;
  return cache;
}

// The face of a file, loaded once; the cache's mutex is held.
TFontFaceResult OpenLocked(TFaceCache& cache, const std::string& file_name, int face_index) {
  if (auto it = cache.faces.find({file_name, face_index}); it != cache.faces.end()) return {it->second, {}};
  if (!cache.library) {
    auto library = std::make_shared<TFreeTypeLibrary>();
    if (FT_Init_FreeType(&library->library) != 0) {
      library->library = nullptr;
      return {nullptr, "FreeType could not be initialised"};
    }
    cache.library = std::move(library);
  }
  auto impl = std::make_unique<TFontFace::TImpl>();
  impl->library = cache.library;
  impl->file_name = file_name;
  impl->face_index = face_index;
  FT_Error error;
  {
    std::lock_guard lock(cache.library->mutex);
    error = FT_New_Face(cache.library->library, file_name.c_str(), face_index, &impl->face);
  }
  if (error != 0) {
    impl->face = nullptr;
    return {nullptr, "cannot load a font face from \"" + file_name + "\" (FreeType error " +
                         std::to_string(error) + ")"};
  }
  FT_Face face = impl->face;
  if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0) {
    return {nullptr, "the font face in \"" + file_name + "\" is not scalable"};
  }
  impl->family_name = face->family_name != nullptr ? face->family_name : "";
  impl->style_name = face->style_name != nullptr ? face->style_name : "";
  impl->cell_ascent = face->ascender;
  impl->cell_descent = -face->descender;
  impl->strike_out_size = face->underline_thickness;
  impl->strike_out_position = face->units_per_EM / 4 + impl->strike_out_size;
  if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
      os2 != nullptr && os2->version != 0xFFFF) {
    if (os2->usWinAscent + os2->usWinDescent > 0) {
      impl->cell_ascent = os2->usWinAscent;
      impl->cell_descent = os2->usWinDescent;
    }
    if (os2->yStrikeoutSize > 0) {
      impl->strike_out_size = os2->yStrikeoutSize;
      impl->strike_out_position = os2->yStrikeoutPosition;
    }
  }
  if (impl->cell_ascent + impl->cell_descent <= 0) {
    impl->cell_ascent = face->units_per_EM * 4 / 5;
    impl->cell_descent = face->units_per_EM - impl->cell_ascent;
  }
  auto shared = std::make_shared<const TFontFace>(std::move(impl));
  cache.faces[{file_name, face_index}] = shared;
  return {shared, {}};
}

// Tries the faces fontconfig ranks for a family, best first, until one loads as a scalable face.
TFontFaceResult MatchLocked(TFaceCache& cache, const std::string& family, TFontStyles styles) {
  if (!cache.fontconfig_ready) {
    if (FcInit() == FcFalse) return {nullptr, "fontconfig could not be initialised"};
    cache.fontconfig_ready = true;
  }
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT,
                      styles.Contains(TFontStyle::Bold) ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT,
                      styles.Contains(TFontStyle::Italic) ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcFontSet* ranked = FcFontSort(nullptr, pattern, FcFalse, nullptr, &result);
  FcPatternDestroy(pattern);
  TFontFaceResult found{nullptr, "no scalable font face found for \"" + family + "\""};
  for (int i = 0; ranked != nullptr && i < ranked->nfont; ++i) {
    FcBool scalable = FcFalse;
    FcChar8* file = nullptr;
    int index = 0;
    const FcPattern* font = ranked->fonts[i];
    if (FcPatternGetBool(font, FC_SCALABLE, 0, &scalable) != FcResultMatch || scalable == FcFalse) continue;
    if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch) continue;
    FcPatternGetInteger(font, FC_INDEX, 0, &index);
    TFontFaceResult opened = OpenLocked(cache, reinterpret_cast<const char*>(file), index);
    if (opened) {
      found = std::move(opened);
      break;
    }
  }
  if (ranked != nullptr) FcFontSetDestroy(ranked);
  return found;
}

// Flattening callbacks of FT_Outline_Decompose; points arrive in font units.
TFontPoint ToPoint(const FT_Vector* v) {
  return {static_cast<double>(v->x), static_cast<double>(v->y)};
}

int MoveTo(const FT_Vector* to, void* user) {
  static_cast<TContourFlattener*>(user)->MoveTo(ToPoint(to));
  return 0;
}
int LineTo(const FT_Vector* to, void* user) {
  static_cast<TContourFlattener*>(user)->LineTo(ToPoint(to));
  return 0;
}
int ConicTo(const FT_Vector* control, const FT_Vector* to, void* user) {
  static_cast<TContourFlattener*>(user)->QuadraticTo(ToPoint(control), ToPoint(to));
  return 0;
}
int CubicTo(const FT_Vector* control1, const FT_Vector* control2, const FT_Vector* to, void* user) {
  static_cast<TContourFlattener*>(user)->CubicTo(ToPoint(control1), ToPoint(control2), ToPoint(to));
  return 0;
}

}  // namespace

TPixelSize TPixelSize::OfHeight(int height) {
  if (height < 0) return Em(-height);
  if (height > 0) return Cell(height);
  return Em(11);
}

TFontFace::TFontFace(std::unique_ptr<TImpl> impl) : impl_(std::move(impl)) {}
TFontFace::~TFontFace() = default;

const std::string& TFontFace::FileName() const {
  return impl_->file_name;
}
int TFontFace::FaceIndex() const {
  return impl_->face_index;
}
const std::string& TFontFace::FamilyName() const {
  return impl_->family_name;
}
const std::string& TFontFace::StyleName() const {
  return impl_->style_name;
}
int TFontFace::UnitsPerEm() const {
  return impl_->face->units_per_EM;
}

bool TFontFace::HasGlyph(char32_t character) const {
  std::lock_guard lock(impl_->mutex);
  return FT_Get_Char_Index(impl_->face, character) != 0;
}

TGlyphOutline TFontFace::Outline(char32_t character, double deviation) const {
  std::lock_guard lock(impl_->mutex);
  TGlyphOutline glyph;
  FT_Face face = impl_->face;
  if (!impl_->Load(character, FT_LOAD_NO_SCALE) || face->glyph->format != FT_GLYPH_FORMAT_OUTLINE) {
    return glyph;
  }
  const double em = face->units_per_EM;
  FT_Outline& outline = face->glyph->outline;
  TContourFlattener flattener(deviation * em, em);
  const FT_Outline_Funcs funcs{&MoveTo, &LineTo, &ConicTo, &CubicTo, 0, 0};
  FT_Outline_Decompose(&outline, &funcs, &flattener);
  glyph.contours = flattener.TakeContours();
  for (TContour& contour : glyph.contours) {
    for (TFontPoint& p : contour) p = {p.x / em, p.y / em};
  }
  glyph.fill = (outline.flags & FT_OUTLINE_REVERSE_FILL) != 0 ? TOutlineFill::Left : TOutlineFill::Right;
  if (outline.n_contours > 0) {
    FT_BBox box;
    FT_Outline_Get_BBox(&outline, &box);
    glyph.x_min = box.xMin / em;
    glyph.y_min = box.yMin / em;
    glyph.x_max = box.xMax / em;
    glyph.y_max = box.yMax / em;
  }
  glyph.advance_x = face->glyph->metrics.horiAdvance / em;
  return glyph;
}

TFaceSizeMetrics TFontFace::SizeMetrics(TPixelSize size) const {
  return impl_->Metrics(size);
}

int TFontFace::Advance(char32_t character, TPixelSize size) const {
  std::lock_guard lock(impl_->mutex);
  impl_->SetPixels(impl_->Metrics(size).em_pixels);
  if (!impl_->Load(character, FT_LOAD_DEFAULT)) return 0;
  return static_cast<int>((impl_->face->glyph->advance.x + 32) >> 6);
}

TGlyphBitmap TFontFace::Rasterise(char32_t character, TPixelSize size) const {
  std::lock_guard lock(impl_->mutex);
  TGlyphBitmap glyph;
  impl_->SetPixels(impl_->Metrics(size).em_pixels);
  if (!impl_->Load(character, FT_LOAD_DEFAULT)) return glyph;
  FT_GlyphSlot slot = impl_->face->glyph;
  glyph.advance = static_cast<int>((slot->advance.x + 32) >> 6);
  if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return glyph;
  const FT_Bitmap& bitmap = slot->bitmap;
  if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) return glyph;
  glyph.width = static_cast<int>(bitmap.width);
  glyph.rows = static_cast<int>(bitmap.rows);
  glyph.left = slot->bitmap_left;
  glyph.top = slot->bitmap_top;
  glyph.coverage.resize(static_cast<std::size_t>(glyph.width) * glyph.rows);
  for (int row = 0; row < glyph.rows; ++row) {
    // A negative pitch stores the rows bottom up.
    const unsigned char* source = bitmap.pitch >= 0 ? bitmap.buffer + row * bitmap.pitch
                                                    : bitmap.buffer + (glyph.rows - 1 - row) * -bitmap.pitch;
    std::copy_n(source, glyph.width, glyph.coverage.begin() + static_cast<std::ptrdiff_t>(row) * glyph.width);
  }
  return glyph;
}

TFontFaceResult FindFontFace(std::string_view family, TFontStyles styles) {
  TFaceCache& cache = Cache();
  std::lock_guard lock(cache.mutex);
  TFontFaceResult result;
  const auto key = std::make_pair(LowerCase(family),
                                  static_cast<std::uint8_t>(styles.Bits() & 0x03));  // bold and italic
  if (auto it = cache.matches.find(key); it != cache.matches.end()) {
    result = OpenLocked(cache, it->second.first, it->second.second);
  } else {
    result = MatchLocked(cache, std::string(family), styles);
    if (result) cache.matches[key] = {result.face->FileName(), result.face->FaceIndex()};
  }
  return result;
}

TFontFaceResult FindFontFace(const TFont& font) {
  return FindFontFace(font.Name(), font.Style());
}

TFontFaceResult OpenFontFace(const std::string& file_name, int face_index) {
  TFaceCache& cache = Cache();
  std::lock_guard lock(cache.mutex);
  return OpenLocked(cache, file_name, face_index);
}

}  // namespace zentrova
