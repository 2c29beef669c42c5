#include "app/emf_writer.h"

#include <cstdint>
#include <fstream>

#include "scene/pictures/picture.h"

namespace zentrova {

namespace {

constexpr std::uint32_t kEmrHeader = 1;
constexpr std::uint32_t kEmrEof = 14;
constexpr std::uint32_t kEmrStretchDIBits = 81;
constexpr std::uint32_t kEmfSignature = 0x464D4520;  // " EMF"
constexpr std::uint32_t kEmfVersion = 0x00010000;
constexpr std::uint32_t kHeaderSize = 108;  // with both header extensions
constexpr std::uint32_t kStretchFixedSize = 80;
constexpr std::uint32_t kBitmapInfoHeaderSize = 40;
constexpr std::uint32_t kEofSize = 20;
constexpr std::uint32_t kSrcCopy = 0x00CC0020;
// A 96-dpi reference screen of 1440 × 960 pixels is 381 × 254 mm.
constexpr std::int32_t kDevicePixelsX = 1440, kDevicePixelsY = 960;
constexpr std::int32_t kDeviceMillimetersX = 381, kDeviceMillimetersY = 254;
constexpr std::int32_t kPixelsPerMeter = 3780;  // 96 dpi

class TLittleEndian {
 public:
  explicit TLittleEndian(std::string& out) : out_(out) {}
  void U16(std::uint16_t v) {
    out_.push_back(static_cast<char>(v & 0xFF));
    out_.push_back(static_cast<char>(v >> 8));
  }
  void U32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out_.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  }
  void I32(std::int32_t v) { U32(static_cast<std::uint32_t>(v)); }
  // Left, top, right, bottom; right and bottom inclusive.
  void Rect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) {
    I32(left);
    I32(top);
    I32(right);
    I32(bottom);
  }

 private:
  std::string& out_;
};

}  // namespace

std::string EmfBytes(const TBitmap& bitmap) {
  const std::int32_t width = bitmap.Width() > 0 ? bitmap.Width() : 0;
  const std::int32_t height = bitmap.Height() > 0 ? bitmap.Height() : 0;
  const std::uint32_t row_bytes = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
  const std::uint32_t bits_size = row_bytes * static_cast<std::uint32_t>(height);
  const std::uint32_t stretch_size = kStretchFixedSize + kBitmapInfoHeaderSize + bits_size;
  const std::uint32_t total = kHeaderSize + stretch_size + kEofSize;
  // Inclusive device bounds, and the frame in hundredths of a millimetre at 96 dpi.
  const std::int32_t right = width > 0 ? width - 1 : 0, bottom = height > 0 ? height - 1 : 0;
  const std::int32_t frame_right = width > 0 ? width * 2540 / 96 - 1 : 0;
  const std::int32_t frame_bottom = height > 0 ? height * 2540 / 96 - 1 : 0;

  std::string out;
  out.reserve(total);
  TLittleEndian w(out);

  w.U32(kEmrHeader);
  w.U32(kHeaderSize);
  w.Rect(0, 0, right, bottom);
  w.Rect(0, 0, frame_right, frame_bottom);
  w.U32(kEmfSignature);
  w.U32(kEmfVersion);
  w.U32(total);
  w.U32(3);  // records
  w.U16(1);  // handles: the reserved index 0 only
  w.U16(0);
  w.U32(0);  // no description
  w.U32(0);
  w.U32(0);  // no palette
  w.I32(kDevicePixelsX);
  w.I32(kDevicePixelsY);
  w.I32(kDeviceMillimetersX);
  w.I32(kDeviceMillimetersY);
  w.U32(0);  // no pixel format
  w.U32(0);
  w.U32(0);  // no OpenGL records
  w.U32(static_cast<std::uint32_t>(kDeviceMillimetersX) * 1000);
  w.U32(static_cast<std::uint32_t>(kDeviceMillimetersY) * 1000);

  w.U32(kEmrStretchDIBits);
  w.U32(stretch_size);
  w.Rect(0, 0, right, bottom);
  w.I32(0);  // destination x, y
  w.I32(0);
  w.I32(0);  // source x, y
  w.I32(0);
  w.I32(width);  // source size
  w.I32(height);
  w.U32(kStretchFixedSize);  // the bitmap info header follows the fixed part
  w.U32(kBitmapInfoHeaderSize);
  w.U32(kStretchFixedSize + kBitmapInfoHeaderSize);  // the bits follow the header
  w.U32(bits_size);
  w.U32(0);  // DIB_RGB_COLORS
  w.U32(kSrcCopy);
  w.I32(width);  // destination size
  w.I32(height);
  // BITMAPINFOHEADER of a bottom-up 24-bit picture.
  w.U32(kBitmapInfoHeaderSize);
  w.I32(width);
  w.I32(height);
  w.U16(1);
  w.U16(24);
  w.U32(0);  // BI_RGB
  w.U32(bits_size);
  w.I32(kPixelsPerMeter);
  w.I32(kPixelsPerMeter);
  w.U32(0);
  w.U32(0);
  for (std::int32_t y = height - 1; y >= 0; --y) {
    for (std::int32_t x = 0; x < width; ++x) {
      const std::uint32_t argb = bitmap.Pixel(x, y);
      out.push_back(static_cast<char>(argb & 0xFF));
      out.push_back(static_cast<char>((argb >> 8) & 0xFF));
      out.push_back(static_cast<char>((argb >> 16) & 0xFF));
    }
    for (std::uint32_t pad = static_cast<std::uint32_t>(width) * 3; pad < row_bytes; ++pad) out.push_back(0);
  }

  w.U32(kEmrEof);
  w.U32(kEofSize);
  w.U32(0);   // no palette entries
  w.U32(16);  // where they would start
  w.U32(kEofSize);
  return out;
}

bool SaveEmf(const TBitmap& bitmap, const std::string& file_name) {
  const std::string bytes = EmfBytes(bitmap);
  std::ofstream file(file_name, std::ios::binary | std::ios::trunc);
  if (!file) return false;
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  file.close();
  return static_cast<bool>(file);
}

}  // namespace zentrova
