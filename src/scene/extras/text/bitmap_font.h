// Fonts drawn as textured quads cut from a glyph atlas: a picture of fixed-size character cells in rows.
// Character ranges map codes (code page 1252 bytes) to cells; each character has a width and a texture
// rectangle. Objects that draw with a font register as its users and hear of every change.
#pragma once

#include <GL/gl.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "scene/base/class_name.h"
#include "scene/base/property_stream.h"
#include "scene/base/update_able.h"
#include "scene/base/vector_types.h"
#include "scene/materials/texture.h"
#include "scene/pictures/bitmap32.h"
#include "scene/pictures/picture.h"

namespace zentrova {

struct TRenderContextInfo;
class TGLTextureHandle;

enum TAlignment : std::uint8_t { taLeftJustify, taRightJustify, taCenter };
enum TGLTextLayout : std::uint8_t { tlTop, tlCenter, tlBottom };
// Their identifiers in streams.
inline constexpr TIdentNames<3> kAlignmentNames{"taLeftJustify", "taRightJustify", "taCenter"};
inline constexpr TIdentNames<3> kTextLayoutNames{"tlTop", "tlCenter", "tlBottom"};

class TBitmapFontRanges;

// Characters StartASCII..StopASCII use the cells StartGlyphIdx, StartGlyphIdx + 1, ...
class TBitmapFontRange {
 public:
  explicit TBitmapFontRange(TBitmapFontRanges* ranges) : ranges_(ranges) {}
  std::uint8_t StartASCII() const { return start_; }
  std::uint8_t StopASCII() const { return stop_; }
  int StartGlyphIdx() const { return start_glyph_; }
  // Start above stop pulls stop up to it, stop below start pulls start down; a negative first cell is 0.
  void SetStartASCII(std::uint8_t value);
  void SetStopASCII(std::uint8_t value);
  void SetStartGlyphIdx(int value);
  // "ASCII [#32, #127] -> Glyphs [0, 95]".
  std::string GetDisplayName() const;
  void Assign(const TBitmapFontRange& source);

 private:
  void Changed();
  TBitmapFontRanges* ranges_;
  std::uint8_t start_ = 0;
  std::uint8_t stop_ = 0;
  int start_glyph_ = 0;
};

class TBitmapFontRanges {
 public:
  // `on_change` runs after any range changes (a scene object owner marks its structure dirty; a font
  // leaves it empty: it invalidates its users itself when the whole list is assigned).
  explicit TBitmapFontRanges(std::function<void()> on_change = {}) : on_change_(std::move(on_change)) {}
  TBitmapFontRanges(const TBitmapFontRanges&) = delete;
  TBitmapFontRanges& operator=(const TBitmapFontRanges&) = delete;

  TBitmapFontRange& Add();
  TBitmapFontRange& Add(std::uint8_t start, std::uint8_t stop);
  int Count() const { return static_cast<int>(items_.size()); }
  TBitmapFontRange& Items(int index) const { return *items_.at(index); }
  void Clear();
  // Copies of the other list's ranges replace these.
  void Assign(const TBitmapFontRanges& source);
  // Sum over the ranges of stop - start + 1.
  int CharacterCount() const;
  void NotifyChange();

 private:
  std::vector<std::unique_ptr<TBitmapFontRange>> items_;
  std::function<void()> on_change_;
};

// A texture rectangle: left s, top t, right s, bottom t.
struct TCharRect {
  float left = 0, top = 0, right = 0, bottom = 0;
  friend bool operator==(const TCharRect&, const TCharRect&) = default;
};

class TGLCustomBitmapFont : public TGLUpdateAbleComponent {
 public:
  TGLCustomBitmapFont();
  // Users still registered hear of it as a free notification and drop their link.
  ~TGLCustomBitmapFont() override;
  ZENTROVA_CLASS(TGLCustomBitmapFont)

  TBitmapFontRanges& Ranges() { return ranges_; }
  const TBitmapFontRanges& Ranges() const { return ranges_; }
  void SetRanges(const TBitmapFontRanges& value);
  TPicture& Glyphs() { return glyphs_; }
  const TPicture& Glyphs() const { return glyphs_; }
  void SetGlyphs(const TPicture& value) { glyphs_.Assign(&value); }

  int CharWidth() const { return char_width_; }
  int CharHeight() const { return char_height_; }
  int GlyphsIntervalX() const { return glyphs_interval_x_; }
  int GlyphsIntervalY() const { return glyphs_interval_y_; }
  int HSpace() const { return h_space_; }
  int VSpace() const { return v_space_; }
  int HSpaceFix() const { return h_space_fix_; }
  TGLMinFilter MinFilter() const { return min_filter_; }
  TGLMagFilter MagFilter() const { return mag_filter_; }
  TGLTextureImageAlpha GlyphsAlpha() const { return glyphs_alpha_; }
  // Clamped (cells at least 1, gaps and spaces at least 0); each change invalidates the users.
  void SetCharWidth(int value);
  void SetCharHeight(int value);
  void SetGlyphsIntervalX(int value);
  void SetGlyphsIntervalY(int value);
  void SetHSpace(int value);
  void SetVSpace(int value);
  void SetMinFilter(TGLMinFilter value);
  void SetMagFilter(TGLMagFilter value);
  void SetGlyphsAlpha(TGLTextureImageAlpha value);

  // Users are told (NotifyChange with the font as sender) of every change, last registered first. A
  // second registration of the same user is an assertion failure.
  virtual void RegisterUser(TGLUpdateAbleComponent* user);
  virtual void UnRegisterUser(TGLUpdateAbleComponent* user);
  int UserCount() const { return static_cast<int>(users_.size()); }
  // Widths back to CharWidth, the rectangle table emptied, every user told.
  void InvalidateUsers();

  int GetCharWidth(std::uint8_t c) const { return char_widths_[c]; }
  void SetCharWidths(std::uint8_t c, int width) { char_widths_[c] = width; }
  // w < 0 means CharWidth.
  void ResetCharWidths(int w = -1);
  void SetCharRects(std::uint8_t c, const TCharRect& rect);
  // 0 for an empty text, else length × (HSpaceFix + HSpace) − HSpace + the sum of the widths.
  int CalcStringWidth(std::string_view text) const;
  // Cells per row of the picture; 0 when the picture has no width (and then no character has a cell).
  int GlyphsPerRow() const;
  // The character's rectangle, the table built on the first call after a reset.
  TCharRect GetCharTexCoords(std::uint8_t c);
  // Texture size of the last upload.
  int TextureWidth() const { return texture_width_; }
  int TextureHeight() const { return texture_height_; }

  // Draws text (code page 1252 bytes) as quads in the current matrix, one cell per byte: only CR (13)
  // breaks a line, other codes below 32 are skipped. With a position, the text starts at its x and y.
  void RenderString(TRenderContextInfo& rci, std::string_view text, TAlignment alignment,
                    TGLTextLayout layout, const TVector4f& color, const TVector4f* position = nullptr,
                    bool reverse_y = false);

  // Frees the texture name; the next draw uploads again.
  virtual void FreeTextureHandle();
  // Internal format of the uploaded atlas.
  virtual GLenum TextureFormat() const { return GL_RGBA; }
  GLuint TextureName() const;

  void NotifyChange(TPersistent* sender) override;

 protected:
  // The streamed forms of the settings the subclasses publish: "Ranges" as a collection of StartASCII,
  // StopASCII (one-character strings) and StartGlyphIdx; the filters as identifiers. Each reader takes
  // the property when it has that name.
  void WriteRanges(TPropertyWriter& writer) const;
  void WriteFilters(TPropertyWriter& writer) const;
  bool ReadRangesOrFilter(const std::string& name, const TPropertyValue& value);

  // The picture at power-of-two size with alpha by GlyphsAlpha, uploaded to the bound texture.
  virtual void PrepareImage();
  void SetHSpaceFix(int value) { h_space_fix_ = value; }
  // Without notices: the measuring of a system font sets the cell size itself.
  void StoreCellSize(int width, int height) {
    char_width_ = std::max(width, 1);
    char_height_ = std::max(height, 1);
  }
  void ClearCharRects();
  // What InvalidateUsers resets before telling the users: the widths and the rectangle table.
  virtual void ResetGlyphTables();
  void MarkTextureModified() { texture_modified_ = true; }
  // Marks the rectangle table as filled (the packer records every rectangle itself).
  void CharRectsBuilt() { rects_built_ = true; }
  void ConnectGlyphs();
  void DisconnectGlyphs() { glyphs_.OnChange = nullptr; }

 private:
  void BuildCharRects();
  // Offset of the line starting at `from` (up to the next CR) for the alignment.
  int AlignmentOffset(std::string_view text, std::size_t from, TAlignment alignment) const;
  // Setter notices: the users invalidated; with the texture to be uploaded again first.
  auto UsersInvalidated() {
    return [this] { InvalidateUsers(); };
  }
  auto TextureChanged() {
    return [this] {
      texture_modified_ = true;
      InvalidateUsers();
    };
  }

  TBitmapFontRanges ranges_;
  TPicture glyphs_;
  int char_width_ = 16;
  int char_height_ = 16;
  int glyphs_interval_x_ = 0;
  int glyphs_interval_y_ = 0;
  int h_space_ = 1;
  int v_space_ = 1;
  int h_space_fix_ = 0;
  std::vector<TGLUpdateAbleComponent*> users_;
  std::unique_ptr<TGLTextureHandle> texture_handle_;
  bool texture_modified_ = true;
  TGLMinFilter min_filter_ = miLinear;
  TGLMagFilter mag_filter_ = maLinear;
  int texture_width_ = 0;
  int texture_height_ = 0;
  TGLTextureImageAlpha glyphs_alpha_ = tiaDefault;
  std::array<int, 256> char_widths_{};
  std::array<TCharRect, 256> char_rects_{};
  bool rects_built_ = false;
};

// A bitmap font whose atlas is a picture of its own: every setting is published.
class TGLBitmapFont : public TGLCustomBitmapFont {
 public:
  ZENTROVA_CLASS(TGLBitmapFont)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;
};

}  // namespace zentrova
