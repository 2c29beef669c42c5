#include "app/emf_writer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "scene/pictures/picture.h"
#include "test_support.h"

namespace zentrova {
namespace {

std::uint32_t U32(const std::string& bytes, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<std::uint8_t>(bytes.at(at + i));
  return v;
}
std::int32_t I32(const std::string& bytes, std::size_t at) { return static_cast<std::int32_t>(U32(bytes, at)); }

struct Record {
  std::uint32_t type;
  std::size_t offset;
  std::uint32_t size;
};

// The records as a reader walks them: each one's size leads to the next.
std::vector<Record> Records(const std::string& bytes) {
  std::vector<Record> records;
  for (std::size_t at = 0; at + 8 <= bytes.size();) {
    const Record r{U32(bytes, at), at, U32(bytes, at + 4)};
    records.push_back(r);
    if (r.size < 8 || r.size % 4 != 0) break;
    at += r.size;
  }
  return records;
}

std::unique_ptr<TBitmap> ThreeByTwoBitmap() {
  auto result = std::make_unique<TBitmap>(3, 2, pf24bit);
  TBitmap& bitmap = *result;
  const std::uint32_t pixels[2][3] = {{0xFF0000, 0x00FF00, 0x0000FF}, {0x102030, 0xFFFFFF, 0x010203}};
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) bitmap.SetPixel(x, y, pixels[y][x]);
  }
  return result;
}
const TBitmap& ThreeByTwo() {
  static const std::unique_ptr<TBitmap> bitmap = ThreeByTwoBitmap();
  return *bitmap;
}

TEST(EmfWriterTest, ThreeByTwoPictureMatchesTheGoldenFile) {
  EXPECT_EQ(EmfBytes(ThreeByTwo()), test::ReadBytes(test::DataPath("app/snapshot_3x2.emf")));
}

TEST(EmfWriterTest, ReadBackTheRecordsSumToTheHeadersByteCount) {
  const std::string bytes = EmfBytes(ThreeByTwo());
  const std::vector<Record> records = Records(bytes);
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].type, 1u);   // header
  EXPECT_EQ(records[1].type, 81u);  // stretched bits
  EXPECT_EQ(records[2].type, 14u);  // end of file
  EXPECT_EQ(records[0].size + records[1].size + records[2].size, bytes.size());
  EXPECT_EQ(U32(bytes, 48), bytes.size());  // nBytes
  EXPECT_EQ(U32(bytes, 52), 3u);            // nRecords
  EXPECT_EQ(U32(bytes, 40), 0x464D4520u);   // " EMF"
  // The bitmap info header and the bits lie where the record says, sized as it says.
  const std::size_t bits_record = records[1].offset;
  const std::uint32_t info_at = U32(bytes, bits_record + 48), info_size = U32(bytes, bits_record + 52);
  const std::uint32_t bits_at = U32(bytes, bits_record + 56), bits_size = U32(bytes, bits_record + 60);
  EXPECT_EQ(info_at + info_size, bits_at);
  EXPECT_EQ(bits_at + bits_size, records[1].size);
  EXPECT_EQ(I32(bytes, bits_record + info_at + 4), 3);   // width
  EXPECT_EQ(I32(bytes, bits_record + info_at + 8), 2);   // height, positive: the bottom row first
  EXPECT_EQ(U32(bytes, bits_record + info_at + 14) & 0xFFFF, 24u);
  // The bottom row comes first, blue-green-red, padded to 12 bytes.
  const std::string first_row = bytes.substr(bits_record + bits_at, 12);
  EXPECT_EQ(first_row, std::string("\x30\x20\x10\xFF\xFF\xFF\x03\x02\x01\0\0\0", 12));
}

TEST(EmfWriterTest, RowsArePaddedToFourBytesForEveryWidth) {
  struct Case {
    int width, height;
    std::uint32_t bits;
  };
  for (const Case c : {Case{1, 1, 4}, Case{4, 3, 36}, Case{5, 2, 32}, Case{744, 440, 744 * 3 * 440}}) {
    TBitmap bitmap(c.width, c.height, pf24bit);
    const std::string bytes = EmfBytes(bitmap);
    EXPECT_EQ(bytes.size(), 108u + 120u + c.bits + 20u) << c.width << " x " << c.height;
    EXPECT_EQ(U32(bytes, 108 + 60), c.bits);
    EXPECT_EQ(I32(bytes, 108 + 16), c.width - 1);  // inclusive bounds
  }
}

TEST(EmfWriterTest, SaveWritesTheBytesAndFailsOnAMissingFolder) {
  test::TempDir dir;
  const TBitmap& bitmap = ThreeByTwo();
  ASSERT_TRUE(SaveEmf(bitmap, dir.File("0.emf")));
  EXPECT_EQ(test::ReadBytes(dir.File("0.emf")), EmfBytes(bitmap));
  EXPECT_FALSE(SaveEmf(bitmap, dir.File("missing/0.emf")));
}

}  // namespace
}  // namespace zentrova
