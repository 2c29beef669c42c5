#include "scene/extras/text/bitmap_font.h"
#include "scene/base/class_registration.h"
#include "scene/base/property_setter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "scene/base/gl_utils.h"
#include "scene/base/scene_errors.h"
#include "scene/gl/context.h"
#include "scene/gl/gl_state_scope.h"
#include "scene/gl/opengl_binding.h"
#include "scene/gl/state_cache.h"
#include "scene/materials/render_context_info.h"

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TGLBitmapFont);

// ---- Ranges

void TBitmapFontRange::Changed() {
  if (ranges_ != nullptr) ranges_->NotifyChange();
}

void TBitmapFontRange::SetStartASCII(std::uint8_t value) {
  SetProperty(start_, value, [this] {
    if (stop_ < start_) stop_ = start_;
    Changed();
  });
}

void TBitmapFontRange::SetStopASCII(std::uint8_t value) {
  SetProperty(stop_, value, [this] {
    if (start_ > stop_) start_ = stop_;
    Changed();
  });
}

void TBitmapFontRange::SetStartGlyphIdx(int value) {
  start_glyph_ = std::max(value, 0);
  Changed();
}

std::string TBitmapFontRange::GetDisplayName() const {
  char text[96];
  std::snprintf(text, sizeof(text), "ASCII [#%d, #%d] -> Glyphs [%d, %d]", start_, stop_, start_glyph_,
                stop_ + start_glyph_ - start_);
  return text;
}

void TBitmapFontRange::Assign(const TBitmapFontRange& source) {
  start_ = source.start_;
  stop_ = source.stop_;
  start_glyph_ = source.start_glyph_;
  Changed();
}

TBitmapFontRange& TBitmapFontRanges::Add() {
  items_.push_back(std::make_unique<TBitmapFontRange>(this));
  return *items_.back();
}

TBitmapFontRange& TBitmapFontRanges::Add(std::uint8_t start, std::uint8_t stop) {
  TBitmapFontRange& range = Add();
  range.SetStopASCII(stop);
  range.SetStartASCII(start);
  return range;
}

void TBitmapFontRanges::Clear() {
  items_.clear();
  NotifyChange();
}

void TBitmapFontRanges::Assign(const TBitmapFontRanges& source) {
  if (&source == this) return;
  items_.clear();
  for (const auto& item : source.items_) {
    auto copy = std::make_unique<TBitmapFontRange>(this);
    copy->SetStopASCII(item->StopASCII());
    copy->SetStartASCII(item->StartASCII());
    copy->SetStartGlyphIdx(item->StartGlyphIdx());
    items_.push_back(std::move(copy));
  }
  NotifyChange();
}

int TBitmapFontRanges::CharacterCount() const {
  int count = 0;
  for (const auto& item : items_) count += item->StopASCII() - item->StartASCII() + 1;
  return count;
}

void TBitmapFontRanges::NotifyChange() {
  if (on_change_) on_change_();
}

// ---- Font

TGLCustomBitmapFont::TGLCustomBitmapFont() : texture_handle_(std::make_unique<TGLTextureHandle>()) {
  ResetCharWidths();
  ConnectGlyphs();
}

TGLCustomBitmapFont::~TGLCustomBitmapFont() {
  glyphs_.OnChange = nullptr;
  texture_handle_.reset();
  // Users still registered drop their link through the free notification of the going font.
  users_.clear();
}

void TGLCustomBitmapFont::ConnectGlyphs() {
  glyphs_.OnChange = [this](TPersistent*) {
    texture_modified_ = true;
    InvalidateUsers();
  };
}

void TGLCustomBitmapFont::SetRanges(const TBitmapFontRanges& value) {
  ranges_.Assign(value);
  InvalidateUsers();
}

void TGLCustomBitmapFont::SetCharWidth(int value) { SetProperty(char_width_, std::max(value, 1), UsersInvalidated()); }
void TGLCustomBitmapFont::SetCharHeight(int value) { SetProperty(char_height_, std::max(value, 1), UsersInvalidated()); }
void TGLCustomBitmapFont::SetGlyphsIntervalX(int value) {
  SetProperty(glyphs_interval_x_, std::max(value, 0), UsersInvalidated());
}
void TGLCustomBitmapFont::SetGlyphsIntervalY(int value) {
  SetProperty(glyphs_interval_y_, std::max(value, 0), UsersInvalidated());
}
void TGLCustomBitmapFont::SetHSpace(int value) { SetProperty(h_space_, std::max(value, 0), UsersInvalidated()); }
void TGLCustomBitmapFont::SetVSpace(int value) { SetProperty(v_space_, std::max(value, 0), UsersInvalidated()); }

void TGLCustomBitmapFont::SetMinFilter(TGLMinFilter value) { SetProperty(min_filter_, value, TextureChanged()); }
void TGLCustomBitmapFont::SetMagFilter(TGLMagFilter value) { SetProperty(mag_filter_, value, TextureChanged()); }
void TGLCustomBitmapFont::SetGlyphsAlpha(TGLTextureImageAlpha value) {
  SetProperty(glyphs_alpha_, value, TextureChanged());
}

void TGLCustomBitmapFont::RegisterUser(TGLUpdateAbleComponent* user) {
  SceneAssert(std::find(users_.begin(), users_.end(), user) == users_.end());
  users_.push_back(user);
}

void TGLCustomBitmapFont::UnRegisterUser(TGLUpdateAbleComponent* user) {
  std::erase(users_, user);
}

void TGLCustomBitmapFont::ResetGlyphTables() {
  ResetCharWidths();
  ClearCharRects();
}

void TGLCustomBitmapFont::InvalidateUsers() {
  ResetGlyphTables();
  // A user may unregister while it is told: walk a copy.
  const std::vector<TGLUpdateAbleComponent*> users = users_;
  for (auto it = users.rbegin(); it != users.rend(); ++it) (*it)->NotifyChange(this);
}

void TGLCustomBitmapFont::NotifyChange(TPersistent* sender) {
  TGLUpdateAbleComponent::NotifyChange(sender);
}

void TGLCustomBitmapFont::ResetCharWidths(int w) {
  char_widths_.fill(w < 0 ? char_width_ : w);
}

void TGLCustomBitmapFont::SetCharRects(std::uint8_t c, const TCharRect& rect) { char_rects_[c] = rect; }

void TGLCustomBitmapFont::ClearCharRects() {
  char_rects_.fill(TCharRect{});
  rects_built_ = false;
}

int TGLCustomBitmapFont::CalcStringWidth(std::string_view text) const {
  if (text.empty()) return 0;
  int width = static_cast<int>(text.size()) * (h_space_fix_ + h_space_) - h_space_;
  for (char c : text) width += char_widths_[static_cast<std::uint8_t>(c)];
  return width;
}

int TGLCustomBitmapFont::GlyphsPerRow() const {
  if (glyphs_.Width() < 1) return 0;
  return (glyphs_.Width() + glyphs_interval_x_) / (char_width_ + glyphs_interval_x_);
}

void TGLCustomBitmapFont::BuildCharRects() {
  char_rects_.fill(TCharRect{});
  rects_built_ = true;
  const int per_row = GlyphsPerRow();
  // A picture narrower than one cell has no cells: every character stays empty.
  if (per_row <= 0) return;
  // The uploaded texture's size: the picture's rounded up to powers of two.
  const float w = static_cast<float>(NextPowerOfTwo(glyphs_.Width()));
  const float h = static_cast<float>(NextPowerOfTwo(glyphs_.Height()));
  for (int r = 0; r < ranges_.Count(); ++r) {
    const TBitmapFontRange& range = ranges_.Items(r);
    int g = range.StartGlyphIdx();
    for (int c = range.StartASCII(); c <= range.StopASCII(); ++c, ++g) {
      const float x = static_cast<float>((g % per_row) * (char_width_ + glyphs_interval_x_));
      const float y = static_cast<float>((g / per_row) * (char_height_ + glyphs_interval_y_));
      char_rects_[c] = {(x + 0.05f) / w, (h - (y + 0.05f)) / h, (x + char_widths_[c] - 0.05f) / w,
                        (h - (y + char_height_ - 0.05f)) / h};
    }
  }
}

TCharRect TGLCustomBitmapFont::GetCharTexCoords(std::uint8_t c) {
  if (!rects_built_) BuildCharRects();
  return char_rects_[c];
}

GLuint TGLCustomBitmapFont::TextureName() const { return texture_handle_->Handle(); }

void TGLCustomBitmapFont::FreeTextureHandle() {
  texture_handle_->FreeName();
  texture_modified_ = true;
}

namespace {

std::uint8_t Intensity(std::uint32_t argb) {
  const unsigned r = (argb >> 16) & 0xFF, g = (argb >> 8) & 0xFF, b = argb & 0xFF;
  return static_cast<std::uint8_t>((r + g + b) / 3);
}

}  // namespace

void TGLCustomBitmapFont::PrepareImage() {
  const int width = NextPowerOfTwo(glyphs_.Width()), height = NextPowerOfTwo(glyphs_.Height());
  std::unique_ptr<TBitmap> source = GraphicAsBitmap(glyphs_.Graphic());
  // RGBA rows bottom first, as OpenGL takes them; what lies outside the picture is black.
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 4, 0);
  const std::uint32_t top_left = source->Width() > 0 ? source->Pixel(0, 0) & 0xFFFFFF : 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint32_t argb = 0xFF000000u;
      if (x < source->Width() && y < source->Height()) argb = source->Pixel(x, y) | 0xFF000000u;
      std::uint8_t alpha = 255;
      switch (glyphs_alpha_) {
        case tiaDefault:
        case tiaTopLeftPointColorTransparent:
          alpha = (argb & 0xFFFFFF) == top_left ? 0 : 255;
          break;
        case tiaAlphaFromIntensity:
        case tiaLuminance:
          alpha = Intensity(argb);
          break;
        case tiaLuminanceSqrt:
          alpha = static_cast<std::uint8_t>(std::lround(std::sqrt(Intensity(argb) / 255.0) * 255));
          break;
        case tiaSuperBlackTransparent:
          alpha = (argb & 0xFFFFFF) == 0 ? 0 : 255;
          break;
        case tiaOpaque:
          break;
        default:
          SceneAssert(false);
      }
      std::uint8_t* p = &pixels[(static_cast<std::size_t>(height - 1 - y) * width + x) * 4];
      p[0] = (argb >> 16) & 0xFF;
      p[1] = (argb >> 8) & 0xFF;
      p[2] = argb & 0xFF;
      p[3] = alpha;
    }
  }
  gl.TexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(TextureFormat()), width, height, 0, GL_RGBA,
                GL_UNSIGNED_BYTE, pixels.data());
  texture_width_ = width;
  texture_height_ = height;
}

namespace {

GLenum MinFilterEnum(TGLMinFilter filter) {
  static constexpr GLenum kFilters[] = {GL_NEAREST,
                                        GL_LINEAR,
                                        GL_NEAREST_MIPMAP_NEAREST,
                                        GL_LINEAR_MIPMAP_NEAREST,
                                        GL_NEAREST_MIPMAP_LINEAR,
                                        GL_LINEAR_MIPMAP_LINEAR};
  return kFilters[std::min<int>(filter, 5)];
}

}  // namespace

int TGLCustomBitmapFont::AlignmentOffset(std::string_view text, std::size_t from, TAlignment alignment) const {
  if (alignment == taLeftJustify) return 0;
  std::size_t end = text.find('\r', from);
  if (end == std::string_view::npos) end = text.size();
  const int width = CalcStringWidth(text.substr(from, end - from));
  if (alignment == taRightJustify) return -width;
  return static_cast<int>(std::nearbyint(-width * 0.5));
}

void TGLCustomBitmapFont::RenderString(TRenderContextInfo& rci, std::string_view text, TAlignment alignment,
                                       TGLTextLayout layout, const TVector4f& color,
                                       const TVector4f* position, bool reverse_y) {
  if (glyphs_.Width() == 0 || text.empty()) return;
  SceneAssert(rci.GLStates != nullptr, "TGLCustomBitmapFont.RenderString: no state cache");
  TGLStateCache& states = *rci.GLStates;
  if (texture_modified_ || texture_handle_->Handle() == 0) {
    if (texture_handle_->Handle() == 0) {
      texture_handle_->AllocName();
      SceneAssert(texture_handle_->Handle() != 0);
    }
    states.BindTexture(0, GL_TEXTURE_2D, texture_handle_->Handle());
    if (glyphs_.Width() > 0) PrepareImage();
    gl.Hint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    gl.PixelStorei(GL_UNPACK_ALIGNMENT, 4);
    gl.PixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    gl.PixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    gl.PixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, static_cast<GLint>(MinFilterEnum(min_filter_)));
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, mag_filter_ == maNearest ? GL_NEAREST : GL_LINEAR);
    texture_modified_ = false;
  }
  const float px = position != nullptr ? (*position)[0] : 0;
  const float py = position != nullptr ? (*position)[1] : 0;
  float x = static_cast<float>(AlignmentOffset(text, 0, alignment)) + px;
  int lines = 1;
  for (char c : text) lines += c == '\r';
  const int h = (char_height_ + v_space_) * lines - v_space_;
  float y = py;
  if (layout == tlCenter) y += static_cast<float>(std::nearbyint(h * 0.5));
  if (layout == tlBottom) y += static_cast<float>(h);
  const float line_step = -static_cast<float>(char_height_ + v_space_);
  float bottom_y = reverse_y ? y + char_height_ : y - char_height_;
  const float space_advance = static_cast<float>(char_widths_[32] + h_space_fix_ + h_space_);

  states.EnableState(stTexture2D);
  states.DisableState(stLighting);
  states.EnableState(stBlend);
  gl.BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  states.BindTexture(0, GL_TEXTURE_2D, texture_handle_->Handle());
  gl.TexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  const TGLAttribScope current(&states, GL_CURRENT_BIT);
  gl.Color4fv(color.data());
  gl.Begin(GL_QUADS);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<std::uint8_t>(text[i]);
    if (c == 13) {
      x = static_cast<float>(AlignmentOffset(text, i + 1, alignment)) + px;
      y += line_step;
      bottom_y = reverse_y ? y + char_height_ : y - char_height_;
      continue;
    }
    if (c < 32) continue;
    if (c == 32) {
      x += space_advance;
      continue;
    }
    const int w = char_widths_[c];
    if (w <= 0) continue;
    const TCharRect r = GetCharTexCoords(c);
    gl.TexCoord2f(r.left, r.top);
    gl.Vertex3f(x, y, 0);
    gl.TexCoord2f(r.left, r.bottom);
    gl.Vertex3f(x, bottom_y, 0);
    gl.TexCoord2f(r.right, r.bottom);
    gl.Vertex3f(x + w, bottom_y, 0);
    gl.TexCoord2f(r.right, r.top);
    gl.Vertex3f(x + w, y, 0);
    x += static_cast<float>(w + h_space_);
  }
  gl.End();
}

// ---- Form streaming

namespace {

// A character property: a string of exactly one byte.
std::uint8_t AsCharacter(const TPropertyValue& value) {
  const std::string text = AsString(value);
  if (text.size() != 1) RaiseInvalidPropertyValue();
  return static_cast<std::uint8_t>(text[0]);
}

}  // namespace

void TGLCustomBitmapFont::WriteRanges(TPropertyWriter& w) const {
  w.BeginCollection("Ranges");
  for (int i = 0; i < ranges_.Count(); ++i) {
    const TBitmapFontRange& range = ranges_.Items(i);
    w.BeginItem();
    w.String("StartASCII", std::string(1, static_cast<char>(range.StartASCII())));
    w.String("StopASCII", std::string(1, static_cast<char>(range.StopASCII())));
    w.Integer("StartGlyphIdx", range.StartGlyphIdx());
    w.EndItem();
  }
  w.EndCollection();
}

void TGLCustomBitmapFont::WriteFilters(TPropertyWriter& w) const {
  if (mag_filter_ != maLinear) w.Enum("MagFilter", kMagFilterNames, mag_filter_);
  if (min_filter_ != miLinear) w.Enum("MinFilter", kMinFilterNames, min_filter_);
}

bool TGLCustomBitmapFont::ReadRangesOrFilter(const std::string& name, const TPropertyValue& v) {
  if (name == "MagFilter") {
    SetMagFilter(AsEnum<TGLMagFilter>(kMagFilterNames, v));
  } else if (name == "MinFilter") {
    SetMinFilter(AsEnum<TGLMinFilter>(kMinFilterNames, v));
  } else if (name == "Ranges") {
    if (v.tag != vaCollection) RaiseInvalidPropertyValue();
    // Read whole before the font's ranges change: a bad item leaves them as they were.
    TBitmapFontRanges read;
    for (const TPropertyList& item : v.items) {
      TBitmapFontRange& range = read.Add();
      for (const TProperty& property : item) {
        if (property.name == "StartASCII") {
          range.SetStartASCII(AsCharacter(property.value));
        } else if (property.name == "StopASCII") {
          range.SetStopASCII(AsCharacter(property.value));
        } else if (property.name == "StartGlyphIdx") {
          range.SetStartGlyphIdx(AsInteger(property.value));
        } else {
          RaiseNoProperty(property.name);
        }
      }
    }
    SetRanges(read);
  } else {
    return false;
  }
  return true;
}

void TGLBitmapFont::WriteProperties(TPropertyWriter& w) const {
  TGLCustomBitmapFont::WriteProperties(w);
  if (Glyphs().Graphic() != nullptr) {
    w.Binary("Glyphs.Data", [this](TStream& stream) { WriteBitmapData(stream, Glyphs().Graphic()); });
  }
  if (GlyphsIntervalX() != 0) w.Integer("GlyphsIntervalX", GlyphsIntervalX());
  if (GlyphsIntervalY() != 0) w.Integer("GlyphsIntervalY", GlyphsIntervalY());
  if (Ranges().Count() > 0) WriteRanges(w);
  if (CharWidth() != 16) w.Integer("CharWidth", CharWidth());
  if (CharHeight() != 16) w.Integer("CharHeight", CharHeight());
  if (HSpace() != 1) w.Integer("HSpace", HSpace());
  if (VSpace() != 1) w.Integer("VSpace", VSpace());
  WriteFilters(w);
  if (GlyphsAlpha() != tiaDefault) w.Enum("GlyphsAlpha", kImageAlphaNames, GlyphsAlpha());
}

bool TGLBitmapFont::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "Glyphs.Data") {
    Glyphs().TakeGraphic(ReadBitmapData(v));
  } else if (name == "GlyphsIntervalX") {
    SetGlyphsIntervalX(AsInteger(v));
  } else if (name == "GlyphsIntervalY") {
    SetGlyphsIntervalY(AsInteger(v));
  } else if (name == "CharWidth") {
    SetCharWidth(AsInteger(v));
  } else if (name == "CharHeight") {
    SetCharHeight(AsInteger(v));
  } else if (name == "HSpace") {
    SetHSpace(AsInteger(v));
  } else if (name == "VSpace") {
    SetVSpace(AsInteger(v));
  } else if (name == "GlyphsAlpha") {
    SetGlyphsAlpha(AsEnum<TGLTextureImageAlpha>(kImageAlphaNames, v));
  } else if (!ReadRangesOrFilter(name, v)) {
    return TGLCustomBitmapFont::ReadProperty(name, v);
  }
  return true;
}

}  // namespace zentrova
