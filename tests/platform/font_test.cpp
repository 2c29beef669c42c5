#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "platform/code_page_1252.h"
#include "platform/font.h"

namespace zentrova {
namespace {

TEST(Font, SizeAndHeightConvertAt96PixelsPerInchRoundingHalvesAway) {
  // (set the size?, value, height, size)
  const std::tuple<bool, int, int, int> rows[] = {
      {true, 8, -11, 8},    {true, 10, -13, 10}, {true, 12, -16, 12}, {true, 100, -133, 100},
      {false, 32, 32, -24}, {false, -6, -6, 5},  {false, -2, -2, 2},  {false, 0, 0, 0}};
  for (const auto& [set_size, value, height, size] : rows) {
    TFont font;
    set_size ? font.SetSize(value) : font.SetHeight(value);
    EXPECT_EQ(font.Height(), height) << value;
    EXPECT_EQ(font.Size(), size) << value;
  }
}

TEST(Font, ChangeEventFiresOncePerRealChange) {
  TFont font, other;
  std::vector<std::string> heard;
  const int first = font.Connect([&](TFont& f) { heard.push_back("a" + std::to_string(f.Height())); });
  int second = 0;
  second = font.Connect([&](TFont&) {
    heard.push_back("b");
    font.Disconnect(second);  // a handler may leave while it runs
  });
  font.SetSize(8);  // -11 already: unchanged, as the next four of each pair
  font.SetStyle({});
  font.SetHeight(32);
  font.SetHeight(32);
  font.SetStyle({TFontStyle::Bold});
  font.SetColor(0xFFFFFF);
  other.Assign(font);
  font.Assign(other);  // equal
  other.SetSize(10);
  font.Assign(other);
  font.Disconnect(first);
  font.SetName("Courier");
  EXPECT_EQ(heard, (std::vector<std::string>{"a32", "b", "a32", "a32", "a-13"}));
}

TEST(CodePage1252, TableBothWays) {
  const std::pair<std::uint8_t, char32_t> rows[] = {
      {0x41, U'A'}, {0x7F, 0x7F}, {0x80, U'€'}, {0x81, 0x81}, {0x82, U'‚'}, {0x83, U'ƒ'},
      {0x85, U'…'}, {0x8A, U'Š'}, {0x8D, 0x8D}, {0x91, U'‘'}, {0x96, U'–'}, {0x99, U'™'},
      {0x9C, U'œ'}, {0x9F, U'Ÿ'}, {0xA0, 0xA0}, {0xE9, U'é'}, {0xFF, U'ÿ'}};
  for (const auto& [code, unicode] : rows) {
    EXPECT_EQ(Cp1252ToUnicode(code), unicode) << int(code);
    EXPECT_EQ(UnicodeToCp1252(unicode), code) << int(code);
  }
  for (char32_t none : {U'\x80', U'\x9F', U'Ā', U'₭', U'😀', U'\xFFFD'}) EXPECT_FALSE(UnicodeToCp1252(none));
  EXPECT_EQ(Cp1252ToUtf8("\x80\xE9"), "€é");
}

TEST(CodePage1252, Utf8WithoutACodeIsLeftOutAndListed) {
  // Ā and the emoji have no code; an overlong form, a lone continuation byte, a surrogate and a cut
  // sequence are malformed.
  const TCp1252Conversion c = Utf8ToCp1252("A€ĀB😀\xC0\x81\xED\xA0\x80\x43\xE2\x82");
  EXPECT_EQ(c.codes, "A\x80\x42\x43");
  const std::vector<char32_t> expected = {U'Ā', U'😀', 0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD};
  EXPECT_EQ(c.unmappable, expected);
}

}  // namespace
}  // namespace zentrova
