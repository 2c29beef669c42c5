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

// The header's bytes, then zeros up to `size`: a file as large as its header claims, without the memory.
class TZeroPaddedStream : public TStream {
 public:
  TZeroPaddedStream(std::string head, std::int64_t size) : head_(std::move(head)), size_(size) {}
  std::int64_t Read(void* buffer, std::int64_t count) override {
    const std::int64_t n = std::max<std::int64_t>(0, std::min(count, size_ - position_));
    auto* out = static_cast<char*>(buffer);
    for (std::int64_t i = 0; i < n; ++i, ++position_) {
      out[i] = position_ < static_cast<std::int64_t>(head_.size()) ? head_[static_cast<std::size_t>(position_)] : 0;
    }
    return n;
  }
  std::int64_t Write(const void*, std::int64_t) override { return 0; }
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override {
    position_ = origin == TSeekOrigin::soBeginning ? offset : origin == TSeekOrigin::soEnd ? size_ + offset : position_ + offset;
    return position_;
  }

 private:
  std::string head_;
  std::int64_t size_;
  std::int64_t position_ = 0;
};

std::string WithU32(std::string bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
  return bytes;
}

TEST(Bitmap, SizesNoFileCanHoldAreRefusedBeforeAnyPixelIsAllocated) {
  // Width at byte 18, height at 22, depth at 28 of the 3 × 2 24-bit file.
  const std::string good = Golden("rgb24_3x2.bmp");
  std::string mono_wide = WithU32(WithU32(good, 18, 1u << 30), 22, 2);
  mono_wide[28] = 1;
  mono_wide = WithU32(mono_wide, 46, 2);  // two palette entries: the pixels follow at 62
  mono_wide = WithU32(mono_wide, 10, 62);
  const struct {
    const char* what;
    std::string bytes;
    std::int64_t size;  // of the padded stream; 0: the bytes alone
    const char* message;
  } cases[] = {
      // Each row would take 8 GB, and no row is read.
      {"widest, no rows", WithU32(WithU32(good, 18, 0x7FFFFFFF), 22, 0), 0, "no pixels"},
      {"no width, 2³¹ − 1 rows", WithU32(WithU32(good, 18, 0), 22, 0x7FFFFFFF), 0, "no pixels"},
      {"no width, top-down rows", WithU32(WithU32(good, 18, 0), 22, 0x80000001), 0, "no pixels"},
      {"a 2³¹-byte row in a file of 300 MB", WithU32(good, 18, 0x20000000), 300'000'000, "file too short"},
      // Rows of 8 GB, 2³¹ − 1 of them: more bytes than a 64-bit product counts.
      {"rows times height beyond 2⁶³", WithU32(WithU32(WithU32(good, 18, 0x7FFFFFFF), 22, 0x7FFFFFFF), 28, 32), 0,
       "file too short"},
      // 2³⁰ one-bit pixels are 128 MB a row in the file, but 3 GB a row once widened to 24 bits.
      {"a monochrome picture that widens beyond 2 GB", mono_wide, 62 + 2 * (1 << 27), "too large"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::unique_ptr<TStream> stream;
    if (c.size > 0) {
      stream = std::make_unique<TZeroPaddedStream>(c.bytes, c.size);
    } else {
      stream = std::make_unique<TMemoryStream>(c.bytes);
    }
    TBitmap bitmap;
    test::ExpectError<EInvalidGraphic>([&] { ReadBitmapFile(*stream, bitmap); },
                                       std::string("Bitmap image is not valid: ") + c.message);
    EXPECT_TRUE(bitmap.Empty());
  }
}

TEST(Bitmap, TheEmptyPictureOurWriterStoresReadsBackEmpty) {
  TMemoryStream written;
  TBitmap().SaveToStream(written);
  const std::string bytes = written.DataString();
  EXPECT_EQ(bytes.substr(18, 8), std::string(8, '\0'));
  TBitmap bitmap(3, 3, pf32bit);
  TMemoryStream in(bytes);
  ReadBitmapFile(in, bitmap);
  EXPECT_EQ(bitmap.Width(), 0);
  EXPECT_EQ(bitmap.Height(), 0);
  EXPECT_EQ(in.Position(), static_cast<std::int64_t>(bytes.size()));
}

TEST(Bitmap, StretchDrawBesideTheTargetDrawsNothing) {
  TBitmap source(4, 4, pf24bit);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) source.SetPixel(x, y, 0xFFFF0000);
  }
  // Same size and format: the row copy, whose width would go negative.
  const TRect beside[] = {{10, 0, 14, 4}, {-8, 0, -4, 4}, {0, 10, 4, 14}, {0, -8, 4, -4}, {8, 0, 12, 4}};
  for (const TRect& rect : beside) {
    TBitmap target(8, 8, pf24bit);
    int changes = 0;
    target.OnChange = [&](TPersistent*) { ++changes; };
    source.StretchDraw(target, rect);
    EXPECT_EQ(Pixels(target), std::vector<std::uint32_t>(64, 0xFF000000)) << rect.Left << ", " << rect.Top;
    EXPECT_EQ(changes, 0);
  }
  // Half over the right edge: only the columns that fall on the target.
  TBitmap target(8, 8, pf24bit);
  source.StretchDraw(target, {6, 0, 10, 4});
  EXPECT_EQ(target.Pixel(5, 0), 0xFF000000u);
  EXPECT_EQ(target.Pixel(6, 0), 0xFFFF0000u);
  EXPECT_EQ(target.Pixel(7, 3), 0xFFFF0000u);
  EXPECT_EQ(target.Pixel(7, 4), 0xFF000000u);
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
