// Code page 1252, the single-byte character set of the text objects: glyph lists and atlas cells are
// indexed by its codes, and typed text reaches the widgets in it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zentrova {

// The Unicode character of a code. 0x00-0x7F and 0xA0-0xFF are the same numbers; 0x80-0x9F hold the
// typographic characters (0x80 is U+20AC). The five codes the page leaves unassigned (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) map to the C1 controls of the same number, as the system's own conversion does, so that
// they round-trip.
char32_t Cp1252ToUnicode(std::uint8_t code);
// The code of a character, or nothing when the page has none for it.
std::optional<std::uint8_t> UnicodeToCp1252(char32_t character);

// Every byte of a code page 1252 text as its Unicode character.
std::u32string Cp1252ToUnicode(std::string_view codes);
// A code page 1252 text as UTF-8.
std::string Cp1252ToUtf8(std::string_view codes);

struct TCp1252Conversion {
  std::string codes;                 // the mappable characters, in order
  std::vector<char32_t> unmappable;  // the characters left out, in order; U+FFFD for a malformed sequence
};
// UTF-8 text as code page 1252 codes. Characters without a code are left out and listed, so that a
// caller skips them instead of showing another character in their place.
TCp1252Conversion Utf8ToCp1252(std::string_view utf8);

}  // namespace zentrova
