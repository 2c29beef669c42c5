#include "scene/pictures/bitmap32.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>

#include "scene/base/gl_utils.h"
#include "scene/base/scene_errors.h"
#include "scene/gl/opengl_binding.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace zentrova {

namespace {

// Rows of B, G, R (3 bytes) or B, G, R, A (4 bytes) pixels into R, G, B, A. Returns the number of
// pixels converted; the caller converts the rest. Sixteen bytes are read at a time, so the read stops
// before it would pass the row's end.
#if defined(__x86_64__)
__attribute__((target("ssse3"))) int SwizzleRowSSSE3(const std::uint8_t* s, std::uint8_t* d, int width,
                                                     int source_bytes) {
  const __m128i order = source_bytes == 3
                            ? _mm_setr_epi8(2, 1, 0, -1, 5, 4, 3, -1, 8, 7, 6, -1, 11, 10, 9, -1)
                            : _mm_setr_epi8(2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15);
  const __m128i alpha =
      source_bytes == 3 ? _mm_set1_epi32(static_cast<int>(0xFF000000u)) : _mm_setzero_si128();
  const std::int64_t row_bytes = std::int64_t(width) * source_bytes;
  int x = 0;
  for (; std::int64_t(x) * source_bytes + 16 <= row_bytes && x + 4 <= width; x += 4) {
    const __m128i pixels =
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + std::int64_t(x) * source_bytes));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + std::int64_t(x) * 4),
                     _mm_or_si128(_mm_shuffle_epi8(pixels, order), alpha));
  }
  return x;
}
const bool kHasSSSE3 = __builtin_cpu_supports("ssse3");
#endif

int SwizzleRowFast(const std::uint8_t* s, std::uint8_t* d, int width, int source_bytes) {
#if defined(__x86_64__)
  if (kHasSSSE3) return SwizzleRowSSSE3(s, d, width, source_bytes);
#endif
  return 0;
}

// Beyond this many pixels a row offset no longer fits the original's byte offsets.
constexpr std::int64_t kMaxRowOffsetPixels = 268435455;

std::uint8_t RoundToByte(double value) {
  return static_cast<std::uint8_t>(std::min(std::nearbyint(value), 255.0));  // ties to even
}

}  // namespace

void TGLBitmap32::Resize(int width, int height) {
  SceneAssert(width >= 0 && height >= 0);
  const std::int64_t size = std::int64_t(width) * height * 4;
  if (size > std::numeric_limits<std::int32_t>::max()) throw ERangeError(kRangeCheckError);
  data_.resize(static_cast<std::size_t>(size));  // new bytes are 0
  width_ = width;
  height_ = height;
}

void TGLBitmap32::SetWidth(int width) {
  if ((width & 3) != 0) width = static_cast<int>((std::int64_t(width) + 3) & ~std::int64_t(3));
  if (width != width_) Resize(width, height_);
}

void TGLBitmap32::SetHeight(int height) {
  if (height != height_) Resize(width_, height);
}

std::uint8_t* TGLBitmap32::RowAddress(int y) {
  const std::int64_t offset = std::int64_t(y) * width_;
  if (offset > kMaxRowOffsetPixels || y < 0) throw ERangeError(kRangeCheckError);
  return data_.data() + offset * 4;
}

void TGLBitmap32::Assign(const TPersistent* source) {
  if (source == nullptr) {
    data_.clear();
    data_.shrink_to_fit();
    width_ = height_ = 0;
  } else if (const auto* other = dynamic_cast<const TGLBitmap32*>(source)) {
    if (other == this) return;
    data_ = other->data_;
    width_ = other->width_;
    height_ = other->height_;
  } else if (const auto* bitmap = dynamic_cast<const TBitmap*>(source);
             bitmap != nullptr && (bitmap->PixelFormat() == pf24bit || bitmap->PixelFormat() == pf32bit) &&
             (bitmap->Width() & 3) == 0) {
    AssignFromBitmap(*bitmap);
  } else if (const auto* graphic = dynamic_cast<const TGraphic*>(source)) {
    const int width = graphic->Width();
    TBitmap temporary(0, 0, pf24bit);
    if ((width & 3) == 0) {
      temporary.SetSize(width, graphic->Height());
      graphic->Draw(temporary, 0, 0);
    } else {
      temporary.SetSize(static_cast<int>((std::int64_t(width) + 3) & ~std::int64_t(3)), graphic->Height());
      graphic->StretchDraw(temporary, {0, 0, temporary.Width(), temporary.Height()});
    }
    AssignFromBitmap(temporary);
  } else {
    TPersistent::Assign(source);
  }
}

void TGLBitmap32::AssignFromBitmap(const TBitmap& bitmap) {
  const bool wide = bitmap.PixelFormat() == pf32bit;
  SceneAssert(wide || bitmap.PixelFormat() == pf24bit);
  SceneAssert((bitmap.Width() & 3) == 0);
  // A picture of no pixels is the empty buffer, however many rows of nothing it claims.
  if (bitmap.Width() == 0 || bitmap.Height() == 0) {
    Resize(0, 0);
    return;
  }
  Resize(bitmap.Width(), bitmap.Height());  // every byte is written below
  const int width = width_;
  for (int y = 0; y < height_; ++y) {
    // Buffer rows run bottom-up: bitmap row y lands in buffer row height − 1 − y, or in row y when the
    // picture is to be kept top-down.
    const int bitmap_row = VerticalReverseOnAssignFromBitmap ? y : height_ - 1 - y;
    const std::uint8_t* s = bitmap.ScanLine(bitmap_row);
    std::uint8_t* d = data_.data() + std::size_t(y) * width * 4;
    const int done = SwizzleRowFast(s, d, width, wide ? 4 : 3);
    s += std::size_t(done) * (wide ? 4 : 3);
    d += std::size_t(done) * 4;
    if (wide) {
      for (int x = done; x < width; ++x, s += 4, d += 4) {
        std::uint32_t w;
        std::memcpy(&w, s, 4);
        w = (w & 0xFF00FF00u) | ((w >> 16) & 0xFFu) | ((w & 0xFFu) << 16);
        std::memcpy(d, &w, 4);
      }
    } else {
      // A word at a time: B, G, R and the next byte, swapped into R, G, B, 255. The row's last pixel is
      // read byte-wise so that the read never passes the row's end.
      for (int x = done; x + 1 < width; ++x, s += 3, d += 4) {
        std::uint32_t w;
        std::memcpy(&w, s, 4);
        w = (__builtin_bswap32(w) >> 8) | 0xFF000000u;
        std::memcpy(d, &w, 4);
      }
      if (width > done) {
        d[0] = s[2];
        d[1] = s[1];
        d[2] = s[0];
        d[3] = 255;
      }
    }
  }
}

void TGLBitmap32::AlphaFromIntensity() {
  for (std::size_t i = 0; i < data_.size(); i += 4) {
    data_[i + 3] = static_cast<std::uint8_t>((data_[i] + data_[i + 1] + data_[i + 2]) / 3);
  }
}

void TGLBitmap32::AlphaFromSqrtIntensity() {
  const std::uint8_t* table = SqrtByteTable();
  for (std::size_t i = 0; i < data_.size(); i += 4) {
    data_[i + 3] = table[(data_[i] + data_[i + 1] + data_[i + 2]) / 3];
  }
}

void TGLBitmap32::AlphaZeroForColor(TColor color) {
  color = ResolveWindowColor(color);
  AlphaZeroForRGB(GetRValue8(color), GetGValue8(color), GetBValue8(color));
}

void TGLBitmap32::AlphaZeroForRGB(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  for (std::size_t i = 0; i < data_.size(); i += 4) {
    const bool match = data_[i] == red && data_[i + 1] == green && data_[i + 2] == blue;
    data_[i + 3] = match ? 0 : 255;
  }
}

void TGLBitmap32::FillAlpha(std::uint8_t value) {
  for (std::size_t i = 3; i < data_.size(); i += 4) data_[i] = value;
}

void TGLBitmap32::ComplementAlpha() {
  for (std::size_t i = 3; i < data_.size(); i += 4) data_[i] = static_cast<std::uint8_t>(255 - data_[i]);
}

void TGLBitmap32::ApplyTable(const std::uint8_t* table) {
  for (std::size_t i = 0; i < data_.size(); i += 4) {
    data_[i] = table[data_[i]];
    data_[i + 1] = table[data_[i + 1]];
    data_[i + 2] = table[data_[i + 2]];
  }
}

void TGLBitmap32::ScaleBrightness(float factor) {
  SceneAssert(factor >= 0);
  if (data_.empty()) return;
  std::array<std::uint8_t, 256> table;
  for (int i = 0; i < 256; ++i) table[i] = RoundToByte(static_cast<float>(i) * factor);
  ApplyTable(table.data());
}

void TGLBitmap32::ApplyGamma(float gamma) {
  SceneAssert(gamma > 0);
  if (data_.empty()) return;
  const double exponent = gamma < 0.1f ? 10.0 : 1.0 / gamma;
  std::array<std::uint8_t, 256> table;
  for (int i = 0; i < 256; ++i) table[i] = RoundToByte(255 * std::pow(i / 255.0, exponent));
  ApplyTable(table.data());
}

void TGLBitmap32::HeightToNormalMap(float scale, bool wrap_x, bool wrap_y) {
  if (IsEmpty()) return;
  const int w = width_, h = height_;
  std::vector<std::uint8_t> normals(data_.size());
  auto green = [&](int x, int y) { return static_cast<float>(data_[(std::size_t(y) * w + x) * 4 + 1]); };
  // Neighbours wrap modulo the size: with a power-of-two mask a row of 12 would pick wrong neighbours.
  auto neighbour = [](int i, int step, int size, bool wrap) {
    const int j = i + step;
    if (wrap) return (j + size) % size;
    return std::clamp(j, 0, size - 1);
  };
  auto to_byte = [](float v) {
    return static_cast<std::uint8_t>(std::nearbyint(std::clamp(v, -128.0f, 127.0f) + 128.0f));
  };
  for (int y = 0; y < h; ++y) {
    const int up = neighbour(y, -1, h, wrap_y), down = neighbour(y, 1, h, wrap_y);
    for (int x = 0; x < w; ++x) {
      const int left = neighbour(x, -1, w, wrap_x), right = neighbour(x, 1, w, wrap_x);
      const float dx = (green(left, y) - green(right, y)) * scale;
      const float dy = (green(x, up) - green(x, down)) * scale;
      const float k = 1.0f / std::sqrt(dx * dx + dy * dy + 1.0f);
      std::uint8_t* n = &normals[(std::size_t(y) * w + x) * 4];
      n[0] = to_byte(dx * 127 * k);
      n[1] = to_byte(dy * 127 * k);
      n[2] = to_byte(127 * k);
      n[3] = 255;
    }
  }
  data_ = std::move(normals);
}

void TGLBitmap32::UploadTexture(GLenum target, TGLMinFilter min_filter, GLenum internal_format) {
  int w = 0, h = 0;
  UploadTextureEx(target, min_filter, internal_format, w, h);
}

void TGLBitmap32::UploadTextureEx(GLenum target, TGLMinFilter min_filter, GLenum internal_format,
                                  int& texture_width, int& texture_height) {
  if (data_.empty()) return;
  texture_width = NextPowerOfTwo(width_);
  texture_height = NextPowerOfTwo(height_);
  GLint max_size = 0;
  gl.GetIntegerv(GL_MAX_TEXTURE_SIZE, &max_size);
  if (max_size > 0) {
    texture_width = std::min(texture_width, max_size);
    texture_height = std::min(texture_height, max_size);
  }
  const bool is_float = IsFloatInternalFormat(internal_format);
  if (is_float) {
    SceneAssert(target == kGL_TEXTURE_RECTANGLE_NV, "NV Float-type texture must use GL_TEXTURE_RECTANGLE_NV");
    gl.TexImage2D(target, 0, static_cast<GLint>(internal_format), texture_width, texture_height, 0, GL_RGBA,
                  GL_FLOAT, nullptr);
    return;
  }
  std::vector<std::uint8_t> scaled;
  const std::uint8_t* pixels = data_.data();
  if (texture_width != width_ || texture_height != height_) {
    scaled.resize(std::size_t(texture_width) * texture_height * 4);
    glu.ScaleImage(GL_RGBA, width_, height_, GL_UNSIGNED_BYTE, data_.data(), texture_width, texture_height,
                   GL_UNSIGNED_BYTE, scaled.data());
    pixels = scaled.data();
  }
  if (min_filter == miNearest || min_filter == miLinear) {
    gl.TexImage2D(target, 0, static_cast<GLint>(internal_format), texture_width, texture_height, 0, GL_RGBA,
                  GL_UNSIGNED_BYTE, pixels);
  } else if (GL.SGIS_generate_mipmap && target == GL_TEXTURE_2D) {
    gl.TexParameteri(target, GL_GENERATE_MIPMAP_SGIS, GL_TRUE);
    gl.TexImage2D(target, 0, static_cast<GLint>(internal_format), texture_width, texture_height, 0, GL_RGBA,
                  GL_UNSIGNED_BYTE, pixels);
  } else {
    glu.Build2DMipmaps(target, static_cast<GLint>(internal_format), texture_width, texture_height, GL_RGBA,
                       GL_UNSIGNED_BYTE, pixels);
  }
}

void TGLBitmap32::ReadFrameBuffer(const TRect& rect) {
  // The whole width, rounded down to a multiple of 4: a 16-bit mask would turn 65,537 into 4.
  const int width = static_cast<int>((std::int64_t(rect.Right) - rect.Left) & ~std::int64_t(3));
  data_.clear();
  Resize(width, rect.Bottom - rect.Top);
  gl.ReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, data_.data());
}

std::unique_ptr<TBitmap> TGLBitmap32::ToWindowBitmap() const {
  if (IsEmpty()) return std::make_unique<TBitmap>(0, 0, pf32bit);
  auto bitmap = std::make_unique<TBitmap>(width_, height_, pf32bit);
  for (int y = 0; y < height_; ++y) {
    const std::uint8_t* s = data_.data() + std::size_t(height_ - 1 - y) * width_ * 4;
    std::uint8_t* d = bitmap->ScanLine(y);
    for (int x = 0; x < width_; ++x, s += 4, d += 4) {
      d[0] = s[2];
      d[1] = s[1];
      d[2] = s[0];
      d[3] = s[3];
    }
  }
  return bitmap;
}

bool TGLBitmap32::IsFloatInternalFormat(GLenum internal_format) {
  return internal_format == kGL_FLOAT_RGBA16_NV || internal_format == kGL_FLOAT_RGBA32_NV ||
         internal_format == kGL_RGBA_FLOAT16_ATI || internal_format == kGL_RGBA_FLOAT32_ATI;
}

}  // namespace zentrova
