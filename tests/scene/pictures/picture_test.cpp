#include "scene/pictures/picture.h"

#include <gtest/gtest.h>

#include "scene/materials/materials_test_support.h"
#include "scene/pictures/bmp_file.h"

namespace zentrova {
namespace {

using test::Golden;

std::unique_ptr<TBitmap> ReadBmp(const std::string& bytes) {
  TMemoryStream stream(bytes);
  auto bitmap = std::make_unique<TBitmap>();
  ReadBitmapFile(stream, *bitmap);
  EXPECT_EQ(stream.Position(), static_cast<std::int64_t>(bytes.size()));
  return bitmap;
}

std::vector<std::uint32_t> Pixels(const TBitmap& bitmap) {
  std::vector<std::uint32_t> pixels;
  for (int y = 0; y < bitmap.Height(); ++y) {
    for (int x = 0; x < bitmap.Width(); ++x) pixels.push_back(bitmap.Pixel(x, y));
  }
  return pixels;
}

struct TGoldenCase {
  const char* file;
  int width, height;
  TPixelFormat format;
  std::vector<std::uint32_t> pixels;  // 0xAARRGGBB, top row first
};

// 5- and 6-bit channels widen by repeating their top bits: 248 → 255, 252 → 255, 8 → 8, 4 → 4.
const std::vector<TGoldenCase> kGolden = {
    {"rgb24_3x2.bmp",
     3,
     2,
     pf24bit,
     {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF0A141E, 0xFF28323C, 0xFFFFFFFF}},
    {"rgb565_5x3.bmp",
     5,
     3,
     pf16bit,
     {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF080408, 0xFFFFFFFF,  //
      0xFFFFFFFF, 0xFF080408, 0xFF0000FF, 0xFF00FF00, 0xFFFF0000,  //
      0xFF00FF00, 0xFF0000FF, 0xFF080408, 0xFFFFFFFF, 0xFFFF0000}},
    {"rgba32_2x2.bmp", 2, 2, pf32bit, {0x04010203, 0xFDFAFBFC, 0x00000000, 0x10804020}},
};

TEST(Bitmap, GoldenFilesWriteByteExactAndReadBack) {
  for (const TGoldenCase& c : kGolden) {
    SCOPED_TRACE(c.file);
    TBitmap bitmap(c.width, c.height, c.format);
    for (int i = 0; i < c.width * c.height; ++i) bitmap.SetPixel(i % c.width, i / c.width, c.pixels[i]);
    TMemoryStream written;
    bitmap.SaveToStream(written);
    EXPECT_EQ(written.DataString(), Golden(c.file));
    const auto read = ReadBmp(Golden(c.file));
    EXPECT_EQ(read->PixelFormat(), c.format);
    EXPECT_EQ(Pixels(*read), c.pixels);
  }
}

TEST(Bitmap, PalettisedAndTopDownFilesReadAs24Bit) {
  // clang-format off
  const struct { const char* file; std::vector<std::uint32_t> pixels; } cases[] = {
      {"pal4_3x2.bmp", {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF0000FF, 0xFF00FF00, 0xFFFF0000}},
      {"pal8_topdown_2x2.bmp", {0xFF0000FF, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF}},
      {"mono_3x1.bmp", {0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF}},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const auto bitmap = ReadBmp(Golden(c.file));
    EXPECT_EQ(bitmap->PixelFormat(), pf24bit);
    EXPECT_EQ(Pixels(*bitmap), c.pixels);
  }
}

TEST(Bitmap, TwoFilesInOneStreamEachConsumeTheirOwnBytes) {
  // The second file's size field is 0: it reads as offset plus pixel bytes.
  std::string second = Golden("rgba32_2x2.bmp");
  second.replace(2, 4, std::string(4, '\0'));
  TMemoryStream stream(Golden("rgb24_3x2.bmp") + second + "tail");
  TBitmap first_bitmap, second_bitmap;
  ReadBitmapFile(stream, first_bitmap);
  ReadBitmapFile(stream, second_bitmap);
  EXPECT_EQ(first_bitmap.Width(), 3);
  EXPECT_EQ(Pixels(second_bitmap), kGolden[2].pixels);
  EXPECT_EQ(stream.Remaining(), 4);
}

TEST(Bitmap, BrokenFilesRaiseInvalidGraphic) {
  const std::string good = Golden("rgb24_3x2.bmp");
  auto with = [](std::string bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
    return bytes;
  };
  std::string rle = good;
  rle[30] = 1;
  const std::string cases[] = {
      good.substr(0, good.size() - 1),         // truncated pixels
      good.substr(0, 20),                      // truncated header
      with(good, 10, 5000),                    // pixel offset past the end
      with(with(good, 18, 65536), 22, 32768),  // 2³¹ pixels
      with(good, 18, 0x7FFFFFFF),              // one row beyond the file
      rle,
      with(good, 14, 12),  // an OS/2 header
      "BX" + good.substr(2),
  };
  for (const std::string& bytes : cases) {
    TMemoryStream stream(bytes);
    TBitmap bitmap;
    EXPECT_THROW(ReadBitmapFile(stream, bitmap), EInvalidGraphic);
    EXPECT_TRUE(bitmap.Empty());
  }
}

TEST(Picture, PngDecodesToItsPixelsAndRegistryFindsClasses) {
  test::TempDir dir;
  test::WriteBytes(dir.File("a.PNG"), Golden("rgba_2x2.png"));
  TPicture picture;
  int changes = 0;
  picture.OnChange = [&](TPersistent*) { ++changes; };
  picture.LoadFromFile(dir.File("a.PNG"));
  ASSERT_STREQ(picture.Graphic()->ClassName(), "TPngGraphic");
  const TBitmap& pixels = static_cast<TCodecGraphic*>(picture.Graphic())->Pixels();
  EXPECT_EQ(Pixels(pixels), (std::vector<std::uint32_t>{0xFFFF0000, 0x8000FF00, 0xFF0000FF, 0x00FFFFFF}));
  EXPECT_EQ(changes, 1);
  test::ExpectError<EInvalidGraphic>([&] { picture.LoadFromFile(dir.File("a.xyz")); },
                                     "No picture format for .xyz");
  EXPECT_EQ(picture.Width(), 2);
  EXPECT_EQ(PictureClassForExtension(".bmp"), PictureClassForExtension("BMP"));
  EXPECT_EQ(PictureClassForExtension("jpeg")()->ClassName(), std::string("TJpegGraphic"));
  EXPECT_EQ(PictureClassForExtension(""), nullptr);
}

}  // namespace
}  // namespace zentrova
