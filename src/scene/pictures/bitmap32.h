// The 32-bit RGBA image that every texture upload goes through: pictures are converted into it with
// their rows turned bottom-up for OpenGL, its alpha is derived by one of several rules, brightness and
// gamma go through lookup tables, grey pictures become normal maps, and it uploads itself into the bound
// texture at power-of-two sizes, with mipmaps when the minification filter needs them.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "scene/base/class_name.h"
#include "scene/base/object_base.h"
#include "scene/pictures/picture.h"
#include "scene/gl/platform_helpers.h"

namespace zentrova {

enum TGLMinFilter : std::uint8_t {
  miNearest,
  miLinear,
  miNearestMipmapNearest,
  miLinearMipmapNearest,
  miNearestMipmapLinear,
  miLinearMipmapLinear
};

// The float formats' internal formats.
inline constexpr GLenum kGL_FLOAT_RGBA16_NV = 0x888A;
inline constexpr GLenum kGL_FLOAT_RGBA32_NV = 0x888B;
inline constexpr GLenum kGL_RGBA_FLOAT16_ATI = 0x881A;
inline constexpr GLenum kGL_RGBA_FLOAT32_ATI = 0x8814;
inline constexpr GLenum kGL_TEXTURE_RECTANGLE_NV = 0x84F5;

class TGLBitmap32 : public TPersistent {
 public:
  TGLBitmap32() = default;
  ZENTROVA_CLASS(TGLBitmap32)

  // nullptr empties it; another RGBA bitmap is copied; a pf24bit or pf32bit bitmap whose width is a
  // multiple of 4 is converted directly; any other graphic is drawn into a 24-bit bitmap first, stretched
  // to the next multiple of 4 in width when it is not one. A bitmap of no width or no height gives the
  // empty buffer, 0 × 0.
  void Assign(const TPersistent* source) override;

  int Width() const { return width_; }
  int Height() const { return height_; }
  // Bytes: width × height × 4.
  std::int32_t DataSize() const { return static_cast<std::int32_t>(data_.size()); }
  std::uint8_t* Data() { return data_.data(); }
  const std::uint8_t* Data() const { return data_.data(); }
  // A width that is not a multiple of 4 is rounded up to one. Pixels that still fit keep their bytes,
  // new ones are 0; a negative size is an assertion failure, one beyond 2³¹ − 1 bytes ERangeError.
  void SetWidth(int width);
  void SetHeight(int height);
  bool IsEmpty() const { return width_ == 0 || height_ == 0; }
  // Row y, bottom first; rows past 268,435,455 pixels raise ERangeError.
  std::uint8_t* RowAddress(int y);

  // Stores the picture top-down (cube-map faces).
  bool VerticalReverseOnAssignFromBitmap = false;

  // Alpha rules, over every pixel.
  void AlphaFromIntensity();  // (R + G + B) div 3
  void AlphaFromSqrtIntensity();
  void AlphaZeroForColor(TColor color);  // 0 where R, G, B equal the colour, else 255
  void AlphaZeroForRGB(std::uint8_t red, std::uint8_t green, std::uint8_t blue);
  void FillAlpha(std::uint8_t value);
  void ComplementAlpha();  // 255 − A
  // Red, green and blue through min(round(i × factor), 255) (ties to even); factor ≥ 0.
  void ScaleBrightness(float factor);
  // Red, green and blue through round(255 × (i / 255)^(1 / gamma)); gamma > 0, below 0.1 it counts as 0.1.
  void ApplyGamma(float gamma);
  // The green channel as a height field becomes a normal map (R, G, B = x, y, z; A 255). Wrapping takes
  // neighbours modulo the width or height; without it the edge pixel stands in for the missing one.
  void HeightToNormalMap(float scale, bool wrap_x, bool wrap_y);

  // Into the bound texture of `target` at the next power-of-two sizes (each at most GL_MAX_TEXTURE_SIZE),
  // scaled by GLU when they differ; mipmaps for the mipmapping filters. Nothing for an empty bitmap.
  void UploadTexture(GLenum target, TGLMinFilter min_filter, GLenum internal_format);
  void UploadTextureEx(GLenum target, TGLMinFilter min_filter, GLenum internal_format, int& texture_width,
                       int& texture_height);
  // The frame buffer from its lower-left corner, the rectangle's size with the width rounded down to a
  // multiple of 4.
  void ReadFrameBuffer(const TRect& rect);
  // A new pf32bit bitmap, top row first, blue, green, red, alpha; 0 × 0 when this one is empty.
  std::unique_ptr<TBitmap> ToWindowBitmap() const;

  static bool IsFloatInternalFormat(GLenum internal_format);

 private:
  void Resize(int width, int height);
  void AssignFromBitmap(const TBitmap& bitmap);
  void ApplyTable(const std::uint8_t* table);

  std::vector<std::uint8_t> data_;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace zentrova
