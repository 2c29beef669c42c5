#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "platform/code_page_1252.h"

namespace zentrova {
namespace {

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
