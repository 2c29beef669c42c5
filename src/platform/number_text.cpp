#include "platform/number_text.h"

#include <cerrno>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <locale.h>

#include "platform/settings.h"

namespace zentrova {

namespace {

std::string PadLeft(std::string text, std::size_t width) {
  if (text.size() < width) text.insert(0, width - text.size(), ' ');
  return text;
}

// Splits |value| into its decimal digits rounded to `digits` significant digits (digits = 0: the fewest
// that read back as the same value) and the decimal exponent of the first digit. value must be finite.
void DecimalDigits(long double value, int digits, std::string& mantissa, int& exponent) {
  char buffer[64];
  const long double magnitude = value == 0 ? 0.0L : std::fabs(value);
  char* const last = buffer + sizeof buffer - 1;
  const auto result = digits > 0 ? std::to_chars(buffer, last, magnitude, std::chars_format::scientific,
                                                 digits - 1)
                                 : std::to_chars(buffer, last, magnitude, std::chars_format::scientific);
  *result.ptr = '\0';
  // to_chars writes "d.ddde+XX" (or "de+XX" for one digit), never depending on the locale.
  mantissa.clear();
  const char* p = buffer;
  for (; *p != 'e'; ++p) {
    if (*p != '.') mantissa.push_back(*p);
  }
  exponent = std::atoi(p + 1);
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

locale_t CLocale() {
  static locale_t c_locale = newlocale(LC_ALL_MASK, "C", nullptr);
  return c_locale;
}

}  // namespace

std::string FloatToSci23(long double value) {
  if (std::isnan(value)) return PadLeft("Nan", 23);
  if (std::isinf(value)) return PadLeft(value > 0 ? "+Inf" : "-Inf", 23);
  std::string digits;
  int exponent = 0;
  DecimalDigits(value, 15, digits, exponent);
  std::string text;
  text.reserve(23);
  text.push_back(value < 0 ? '-' : ' ');
  text.push_back(digits[0]);
  text.push_back('.');
  text.append(digits, 1, std::string::npos);
  text.push_back('E');
  text.push_back(exponent < 0 ? '-' : '+');
  std::string e = std::to_string(exponent < 0 ? -exponent : exponent);
  text.append(4 - std::min<std::size_t>(4, e.size()), '0');
  text.append(e);
  return text;
}

namespace {

// The general format from decimal digits d1 d2 ... (no trailing zeros needed) and the decimal exponent of d1:
// plain for -5 < exponent < plain_limit, else d1.d2...E<exponent>.
std::string GeneralFormat(bool negative, std::string mantissa, int exponent, int plain_limit, char separator) {
  while (mantissa.size() > 1 && mantissa.back() == '0') mantissa.pop_back();
  std::string text;
  if (negative) text.push_back('-');
  if (exponent >= plain_limit || exponent < -4) {
    text.push_back(mantissa[0]);
    if (mantissa.size() > 1) {
      text.push_back(separator);
      text.append(mantissa, 1, std::string::npos);
    }
    text.push_back('E');
    text.append(std::to_string(exponent));
  } else if (exponent < 0) {
    text.push_back('0');
    text.push_back(separator);
    text.append(static_cast<std::size_t>(-exponent - 1), '0');
    text.append(mantissa);
  } else {
    const std::size_t int_digits = static_cast<std::size_t>(exponent) + 1;
    if (mantissa.size() <= int_digits) {
      text.append(mantissa);
      text.append(int_digits - mantissa.size(), '0');
    } else {
      text.append(mantissa, 0, int_digits);
      text.push_back(separator);
      text.append(mantissa, int_digits, std::string::npos);
    }
  }
  return text;
}

}  // namespace

std::string FloatToTextGeneral(long double value, int digits, char separator) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  if (value == 0) return "0";
  std::string mantissa;
  int exponent = 0;
  DecimalDigits(value, digits, mantissa, exponent);
  return GeneralFormat(value < 0, std::move(mantissa), exponent, digits, separator);
}

std::string FloatToTextRoundTrip(long double value, char separator) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  if (value == 0) return "0";
  std::string mantissa;
  int exponent = 0;
  DecimalDigits(value, 0, mantissa, exponent);
  constexpr int kExtendedRoundTripDigits = 21;
  return GeneralFormat(value < 0, std::move(mantissa), exponent, kExtendedRoundTripDigits, separator);
}

std::string FloatToText(long double value) { return FloatToTextGeneral(value, 15, DecimalSeparator()); }

std::string FloatToTextChosen(long double value, int width, int decimals) {
  const std::size_t w = width > 0 ? static_cast<std::size_t>(width) : 0;
  if (decimals < 0) return PadLeft(FloatToSci23(value), w);
  if (std::isnan(value)) return PadLeft("Nan", w);
  if (std::isinf(value)) return PadLeft(value > 0 ? "+Inf" : "-Inf", w);
  char buffer[5000];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed,
                              std::min(decimals, 60));
  if (result.ec != std::errc()) return PadLeft("Overflow", w);
  return PadLeft(std::string(buffer, result.ptr), w);
}

bool TryTextToFloatSep(std::string_view text, char separator, long double& value) {
  text = Trim(text);
  if (text.empty()) return false;
  {
    std::string_view word = text;
    bool negative = false;
    if (word.front() == '+' || word.front() == '-') {
      negative = word.front() == '-';
      word.remove_prefix(1);
    }
    if (EqualsNoCase(word, "nan")) {
      value = std::numeric_limits<long double>::quiet_NaN();
      return true;
    }
    if (EqualsNoCase(word, "inf")) {
      value = negative ? -std::numeric_limits<long double>::infinity()
                       : std::numeric_limits<long double>::infinity();
      return true;
    }
  }
  // Grammar: [sign] digits [sep digits] | [sign] sep digits, then optionally E [sign] digits.
  std::string c_text;
  c_text.reserve(text.size());
  std::size_t i = 0;
  if (text[i] == '+' || text[i] == '-') c_text.push_back(text[i++]);
  std::size_t int_digits = 0, frac_digits = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') c_text.push_back(text[i++]), ++int_digits;
  if (i < text.size() && text[i] == separator) {
    c_text.push_back('.');
    ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') c_text.push_back(text[i++]), ++frac_digits;
  }
  if (int_digits + frac_digits == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    c_text.push_back('e');
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) c_text.push_back(text[i++]);
    std::size_t exp_digits = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') c_text.push_back(text[i++]), ++exp_digits;
    if (exp_digits == 0) return false;
  }
  if (i != text.size()) return false;
  errno = 0;
  char* end = nullptr;
  const long double parsed = strtold_l(c_text.c_str(), &end, CLocale());
  if (end != c_text.c_str() + c_text.size()) return false;
  if (errno == ERANGE && std::isinf(parsed)) return false;  // overflow; underflow keeps the tiny value
  value = parsed;
  return true;
}

bool TryTextToFloat(std::string_view text, long double& value) {
  return TryTextToFloatSep(text, DecimalSeparator(), value);
}

bool TryTextToFloatDot(std::string_view text, long double& value) {
  return TryTextToFloatSep(text, '.', value);
}

namespace {

template <typename Int>
bool ParseInteger(std::string_view text, Int& value) {
  using Unsigned = std::make_unsigned_t<Int>;
  text = Trim(text);
  if (text.empty()) return false;
  bool negative = false;
  if (text.front() == '+' || text.front() == '-') {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (!text.empty() && text.front() == '$') {
    base = 16;
    text.remove_prefix(1);
  } else if (text.size() > 1 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return false;
  Unsigned magnitude = 0;
  auto result = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return false;
  if (base == 16) {
    // Hexadecimal is a bit pattern: "$FFFFFFFF" is -1 for a 32-bit integer.
    Unsigned bits = negative ? static_cast<Unsigned>(Unsigned{0} - magnitude) : magnitude;
    value = static_cast<Int>(bits);
    return true;
  }
  const Unsigned limit = negative ? static_cast<Unsigned>(std::numeric_limits<Int>::max()) + 1u
                                  : static_cast<Unsigned>(std::numeric_limits<Int>::max());
  if (magnitude > limit) return false;
  value = negative ? static_cast<Int>(Unsigned{0} - magnitude) : static_cast<Int>(magnitude);
  return true;
}

}  // namespace

bool TryTextToInt(std::string_view text, std::int32_t& value) { return ParseInteger(text, value); }

bool TryTextToInt64(std::string_view text, std::int64_t& value) { return ParseInteger(text, value); }

std::int32_t TextToIntDef(std::string_view text, std::int32_t def) {
  std::int32_t value = def;
  return TryTextToInt(text, value) ? value : def;
}

long double TextToFloatDef(std::string_view text, long double def) {
  long double value = def;
  return TryTextToFloat(text, value) ? value : def;
}

std::string IntToText(std::int64_t value) { return std::to_string(value); }

}  // namespace zentrova
