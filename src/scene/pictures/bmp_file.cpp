#include "scene/pictures/bmp_file.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

namespace zentrova {

namespace {

constexpr std::int64_t kFileHeaderSize = 14;
constexpr std::int64_t kInfoHeaderSize = 40;
constexpr std::uint32_t kBI_RGB = 0;
constexpr std::uint32_t kBI_BITFIELDS = 3;
constexpr std::array<std::uint32_t, 3> kMasks565{0xF800, 0x07E0, 0x001F};
constexpr std::array<std::uint32_t, 3> kMasks555{0x7C00, 0x03E0, 0x001F};

[[noreturn]] void Invalid(const char* why) {
  throw EInvalidGraphic(std::string("Bitmap image is not valid: ") + why);
}

std::uint32_t U32(const std::uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24;
}
std::uint16_t U16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// One channel of a pixel word under a mask, scaled to 8 bits.
std::uint32_t Channel(std::uint32_t word, std::uint32_t mask) {
  if (mask == 0) return 0;
  int shift = 0;
  while (((mask >> shift) & 1) == 0) ++shift;
  int bits = 0;
  while (shift + bits < 32 && ((mask >> (shift + bits)) & 1) != 0) ++bits;
  const std::uint32_t value = (word & mask) >> shift;
  if (bits >= 8) return value >> (bits - 8);
  std::uint32_t wide = 0;  // repeat the bits until 8 are filled
  for (int filled = 0; filled < 8; filled += bits) wide = (wide << bits) | value;
  const int total = (8 + bits - 1) / bits * bits;
  return wide >> (total - 8);
}

}  // namespace

void ReadBitmapFile(TStream& stream, TBitmap& bitmap) {
  const std::int64_t start = stream.Position();
  const std::int64_t available = stream.Size() - start;
  std::array<std::uint8_t, kFileHeaderSize + 4> head{};
  if (available < static_cast<std::int64_t>(head.size())) Invalid("file too short");
  stream.ReadBuffer(head.data(), static_cast<std::int64_t>(head.size()));
  if (head[0] != 'B' || head[1] != 'M') Invalid("no bitmap signature");
  const std::int64_t file_size = U32(&head[2]);
  const std::int64_t offset = U32(&head[10]);
  const std::int64_t info_size = U32(&head[14]);
  if (info_size < kInfoHeaderSize || info_size > 1024) Invalid("unsupported header");  // 12: OS/2
  if (kFileHeaderSize + info_size > available) Invalid("file too short");
  std::vector<std::uint8_t> info(static_cast<std::size_t>(info_size));
  std::memcpy(info.data(), &head[14], 4);
  stream.ReadBuffer(info.data() + 4, info_size - 4);

  const std::int32_t width = static_cast<std::int32_t>(U32(&info[4]));
  const std::int32_t raw_height = static_cast<std::int32_t>(U32(&info[8]));
  const int bits = U16(&info[14]);
  const std::uint32_t compression = U32(&info[16]);
  std::uint32_t colours_used = U32(&info[32]);
  if (width < 0 || raw_height == INT32_MIN) Invalid("bad size");
  const bool top_down = raw_height < 0;
  const std::int32_t height = top_down ? -raw_height : raw_height;
  if (compression != kBI_RGB && !(compression == kBI_BITFIELDS && (bits == 16 || bits == 32))) {
    Invalid("unsupported compression");
  }
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
    Invalid("unsupported depth");

  std::int64_t position = kFileHeaderSize + info_size;
  std::array<std::uint32_t, 4> masks{0x7C00, 0x03E0, 0x001F, 0};
  if (bits == 32) masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
  if (compression == kBI_BITFIELDS) {
    if (info_size >= 56) {
      masks = {U32(&info[40]), U32(&info[44]), U32(&info[48]), info_size >= 56 ? U32(&info[52]) : 0};
    } else {
      std::array<std::uint8_t, 12> m{};
      if (position + 12 > available) Invalid("file too short");
      stream.ReadBuffer(m.data(), 12);
      position += 12;
      masks = {U32(&m[0]), U32(&m[4]), U32(&m[8]), 0};
    }
  }
  std::vector<std::uint32_t> palette;
  if (bits <= 8) {
    if (colours_used == 0 || colours_used > (1u << bits)) colours_used = 1u << bits;
    if (position + 4 * std::int64_t(colours_used) > available) Invalid("file too short");
    std::vector<std::uint8_t> entries(4 * colours_used);
    stream.ReadBuffer(entries.data(), static_cast<std::int64_t>(entries.size()));
    position += static_cast<std::int64_t>(entries.size());
    for (std::uint32_t i = 0; i < colours_used; ++i) palette.push_back(U32(&entries[4 * i]) & 0xFFFFFF);
  }

  // Everything about the size is checked before the pixels are allocated. A picture with no pixels
  // is the empty one our writer stores for an empty picture, 0 × 0; any other zero-area size only
  // makes the reader walk rows that hold nothing, or allocate a row it never fills.
  if ((width == 0) != (height == 0)) Invalid("no pixels");
  const std::int64_t row = (std::int64_t(width) * bits + 31) / 32 * 4;
  // Rows the file cannot hold, compared without a product that could overflow.
  if (height > 0 && row > available / height) Invalid("file too short");
  const std::int64_t pixel_bytes = row * height;
  if (offset < position || offset > available) Invalid("pixel offset outside the file");
  const std::int64_t consumed = std::max(file_size, offset + pixel_bytes);
  if (consumed > available) Invalid("file too short");

  TPixelFormat format = pf24bit;
  if (bits == 32) {
    format = pf32bit;
  } else if (bits == 16) {
    const std::array<std::uint32_t, 3> rgb{masks[0], masks[1], masks[2]};
    format = rgb == kMasks565 ? pf16bit : rgb == kMasks555 ? pf15bit : pf24bit;
  }
  // Palettised rows widen to 24 bits: the bitmap may need more than the file holds.
  if (TBitmap::ImageBytes(width, height, format) > std::numeric_limits<std::int32_t>::max()) Invalid("too large");
  TBitmap loaded(width, height, format);
  std::vector<std::uint8_t> source(static_cast<std::size_t>(row));
  stream.SetPosition(start + offset);
  for (std::int32_t file_row = 0; file_row < height; ++file_row) {
    stream.ReadBuffer(source.data(), row);
    const int y = top_down ? file_row : height - 1 - file_row;
    std::uint8_t* target = loaded.ScanLine(y);
    const bool direct =
        bits == 24 || (bits == 16 && format != pf24bit) ||
        (bits == 32 && masks == std::array<std::uint32_t, 4>{0xFF0000, 0xFF00, 0xFF, 0xFF000000});
    if (direct) {
      std::memcpy(target, source.data(), static_cast<std::size_t>(width) * bits / 8);
      continue;
    }
    for (std::int32_t x = 0; x < width; ++x) {
      std::uint32_t argb;
      if (bits <= 8) {
        const int per_byte = 8 / bits;
        const int shift = 8 - bits * (x % per_byte + 1);
        const std::uint32_t index = (source[x / per_byte] >> shift) & ((1u << bits) - 1);
        argb = 0xFF000000u | (index < palette.size() ? palette[index] : 0);
      } else {
        const std::uint32_t word = bits == 16 ? U16(&source[2 * x]) : U32(&source[4 * x]);
        const std::uint32_t alpha = bits == 32 && masks[3] != 0 ? Channel(word, masks[3]) : 255;
        argb = alpha << 24 | Channel(word, masks[0]) << 16 | Channel(word, masks[1]) << 8 |
               Channel(word, masks[2]);
      }
      loaded.SetPixel(x, y, argb);
    }
  }
  stream.SetPosition(start + consumed);
  bitmap.Assign(&loaded);
}

void WriteBitmapFile(TStream& stream, const TBitmap& bitmap) {
  const TPixelFormat format = bitmap.PixelFormat();
  const int bits = bitmap.BitsPerPixel();
  const bool bitfields = format == pf16bit;
  const std::uint32_t row = static_cast<std::uint32_t>(bitmap.RowBytes());
  const std::uint32_t image_size = row * static_cast<std::uint32_t>(bitmap.Height());
  const std::uint32_t offset = kFileHeaderSize + kInfoHeaderSize + (bitfields ? 12 : 0);
  std::vector<std::uint8_t> out;
  out.reserve(offset + image_size);
  out.push_back('B');
  out.push_back('M');
  Put32(out, offset + image_size);
  Put32(out, 0);
  Put32(out, offset);
  Put32(out, kInfoHeaderSize);
  Put32(out, static_cast<std::uint32_t>(bitmap.Width()));
  Put32(out, static_cast<std::uint32_t>(bitmap.Height()));
  Put16(out, 1);
  Put16(out, static_cast<std::uint32_t>(bits));
  Put32(out, bitfields ? kBI_BITFIELDS : kBI_RGB);
  Put32(out, image_size);
  for (int i = 0; i < 4; ++i) Put32(out, 0);  // resolutions, colours used and important
  if (bitfields) {
    for (std::uint32_t mask : kMasks565) Put32(out, mask);
  }
  for (int y = bitmap.Height() - 1; y >= 0; --y) {
    const std::uint8_t* line = bitmap.ScanLine(y);
    out.insert(out.end(), line, line + row);
  }
  stream.WriteBuffer(out.data(), static_cast<std::int64_t>(out.size()));
}

}  // namespace zentrova
