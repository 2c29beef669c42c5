#include "platform/code_page_1252.h"

#include <array>

namespace zentrova {

namespace {

// 0x80-0x9F; the unassigned codes hold their own number.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98
};

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    // Code page 1252 reaches no further than the basic plane.
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Decodes one character at `pos` and moves past it. A malformed sequence (bad lead byte, missing
// continuation, overlong form, surrogate, beyond U+10FFFF) gives U+FFFD and skips one byte.
char32_t NextUtf8(std::string_view text, std::size_t& pos) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  if (lead < 0x80) {
    ++pos;
    return lead;
  }
  // Continuation bytes after the lead byte, and the payload bits the lead byte carries.
  int extra = 0;
  char32_t c = 0;
  if ((lead & 0xE0) == 0xC0) {
    extra = 1;
    c = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2;
    c = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3;
    c = lead & 0x07;
  }
  if (extra == 0 || text.size() - pos <= static_cast<std::size_t>(extra)) {
    ++pos;
    return kReplacement;
  }
  for (int i = 1; i <= extra; ++i) {
    const auto next = static_cast<unsigned char>(text[pos + i]);
    if ((next & 0xC0) != 0x80) {
      ++pos;
      return kReplacement;
    }
    c = (c << 6) | (next & 0x3F);
  }
  static constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
  if (c < kSmallest[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
    ++pos;
    return kReplacement;
  }
  pos += extra + 1;
  return c;
}

}  // namespace

char32_t Cp1252ToUnicode(std::uint8_t code) {
  if (code >= 0x80 && code <= 0x9F) return kHighControls[code - 0x80];
  return code;
}

std::optional<std::uint8_t> UnicodeToCp1252(char32_t character) {
  if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) {
    return static_cast<std::uint8_t>(character);
  }
  for (std::size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] == character) return static_cast<std::uint8_t>(0x80 + i);
  }
  return std::nullopt;
}

std::u32string Cp1252ToUnicode(std::string_view codes) {
  std::u32string text;
  text.reserve(codes.size());
  for (char code : codes) text += Cp1252ToUnicode(static_cast<std::uint8_t>(code));
  return text;
}

std::string Cp1252ToUtf8(std::string_view codes) {
  std::string text;
  text.reserve(codes.size());
  for (char code : codes) AppendUtf8(text, Cp1252ToUnicode(static_cast<std::uint8_t>(code)));
  return text;
}

TCp1252Conversion Utf8ToCp1252(std::string_view utf8) {
  TCp1252Conversion result;
  result.codes.reserve(utf8.size());
  for (std::size_t pos = 0; pos < utf8.size();) {
    const char32_t c = NextUtf8(utf8, pos);
    const auto code = UnicodeToCp1252(c);  // none for U+FFFD either
    if (code) {
      result.codes += static_cast<char>(*code);
    } else {
      result.unmappable.push_back(c);
    }
  }
  return result;
}

}  // namespace zentrova
