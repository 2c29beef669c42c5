#include "platform/number_text.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
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

namespace {

using UInt128 = unsigned __int128;

// 5^p for p = 0..55, the largest power that fits in 128 bits.
constexpr std::array<UInt128, 56> kPowersOfFive = [] {
  std::array<UInt128, 56> powers{};
  UInt128 power = 1;
  for (UInt128& p : powers) {
    p = power;
    power *= 5;
  }
  return powers;
}();

constexpr std::uint64_t kFifteenDigits = 1000000000000000;  // 10^15
constexpr std::uint64_t kFourteenDigits = 100000000000000;  // 10^14
// A scaled value whose integer part reaches 2^60 is far above 10^15: it is reported as this.
constexpr std::uint64_t kTooLarge = std::uint64_t{1} << 60;
// The decimal exponents of the first digit that the exact arithmetic below reaches: for k the value is
// scaled by 10^(14 - k), which is 5^(14 - k) times a power of two, and 5^55 and 5^27 are the largest
// odd factors that fit in 128 and 64 bits.
constexpr int kFastExponentMin = 14 - 55;
constexpr int kFastExponentMax = 14 + 27;

// X = value * 10^p for value = mantissa * 2^exponent, exactly: its integer part (kTooLarge when at or
// above 2^60) and where its fraction stands against one half (-1 below, 0 on it, +1 above).
struct TScaled {
  std::uint64_t integer = 0;
  int half = 0;
};

// Bits [from, from + 64) of a 192-bit number held as three 64-bit words, lowest first.
std::uint64_t BitsAt(const std::uint64_t (&words)[3], int from) {
  const int word = from / 64;
  const int shift = from % 64;
  if (word >= 3) return 0;
  std::uint64_t bits = words[word] >> shift;
  if (shift != 0 && word + 1 < 3) bits |= words[word + 1] << (64 - shift);
  return bits;
}

// Whether any of the lowest `count` bits is set.
bool AnyBitBelow(const std::uint64_t (&words)[3], int count) {
  for (int word = 0; word < 3 && count > 0; ++word, count -= 64) {
    const std::uint64_t mask = count >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << count) - 1;
    if ((words[word] & mask) != 0) return true;
  }
  return false;
}

int BitLength(const std::uint64_t (&words)[3]) {
  for (int word = 2; word >= 0; --word) {
    if (words[word] != 0) return 64 * word + 64 - __builtin_clzll(words[word]);
  }
  return 0;
}

int CompareTwice(UInt128 remainder, UInt128 divisor) {
  const UInt128 twice = remainder * 2;
  return twice < divisor ? -1 : (twice > divisor ? 1 : 0);
}

// p >= 0: X = mantissa * 5^p * 2^(exponent + p), the product exact in 192 bits.
TScaled ScaleUp(std::uint64_t mantissa, int exponent, int p) {
  const UInt128 five = kPowersOfFive[static_cast<std::size_t>(p)];
  const UInt128 low = static_cast<UInt128>(mantissa) * static_cast<std::uint64_t>(five);
  const UInt128 high = static_cast<UInt128>(mantissa) * static_cast<std::uint64_t>(five >> 64);
  const UInt128 middle = (low >> 64) + static_cast<std::uint64_t>(high);  // below 2^65: no overflow
  const std::uint64_t words[3] = {static_cast<std::uint64_t>(low), static_cast<std::uint64_t>(middle),
                                  static_cast<std::uint64_t>((high >> 64) + (middle >> 64))};
  const int shift = -(exponent + p);  // X = product / 2^shift
  TScaled scaled;
  if (BitLength(words) - shift >= 60) {
    scaled.integer = kTooLarge;
    return scaled;
  }
  if (shift > 192) {  // X < 2^192 / 2^193
    scaled.half = -1;
    return scaled;
  }
  scaled.integer = BitsAt(words, shift);
  const bool half_bit = (BitsAt(words, shift - 1) & 1) != 0;
  scaled.half = !half_bit ? -1 : (AnyBitBelow(words, shift - 1) ? 1 : 0);
  return scaled;
}

// p < 0: X = mantissa * 2^(exponent - q) / 5^q with q = -p; 5^q is odd, so X never lies on one half
// unless the power of two is in the divisor.
TScaled ScaleDown(std::uint64_t mantissa, int exponent, int p) {
  const int q = -p;
  const auto five = static_cast<std::uint64_t>(kPowersOfFive[static_cast<std::size_t>(q)]);
  const int shift = exponent - q;
  TScaled scaled;
  UInt128 numerator = mantissa;
  UInt128 divisor = five;
  if (shift >= 0) {
    if (shift > 64) {  // X >= 2^(63 + 65) / 2^63
      scaled.integer = kTooLarge;
      return scaled;
    }
    numerator <<= shift;  // below 2^128
  } else {
    if (-shift > 64) {  // X < 2^64 / 2^65
      scaled.half = -1;
      return scaled;
    }
    divisor <<= -shift;  // 5^q < 2^63: below 2^127
  }
  const UInt128 integer = numerator / divisor;
  scaled.integer = integer >= kTooLarge ? kTooLarge : static_cast<std::uint64_t>(integer);
  scaled.half = CompareTwice(numerator % divisor, divisor);
  return scaled;
}

// The 15 significant digits of |value| rounded to nearest, ties to even, as the integer `digits` in
// [10^14, 10^15), and the decimal exponent of the first digit: what "%.14Le" prints, without its
// multi-precision arithmetic. False where this exact 128- and 192-bit arithmetic does not reach (values
// below 1e-41 or from 1e42 on, subnormals): the caller takes the runtime's conversion there.
bool FifteenDigits(long double value, std::uint64_t& digits, int& exponent) {
  std::uint64_t mantissa = 0;
  std::uint16_t sign_exponent = 0;
  std::memcpy(&mantissa, &value, sizeof mantissa);
  std::memcpy(&sign_exponent, reinterpret_cast<const char*>(&value) + sizeof mantissa, sizeof sign_exponent);
  const int biased = sign_exponent & 0x7fff;
  // Only normal values: the integer bit set and a biased exponent neither 0 nor all ones.
  if (biased == 0 || biased == 0x7fff || (mantissa >> 63) == 0) return false;
  const int binary_exponent = biased - 16383;  // value in [2^binary_exponent, 2^(binary_exponent + 1))
  if (binary_exponent < 4 * kFastExponentMin || binary_exponent > 4 * kFastExponentMax) return false;
  // floor(binary_exponent * log10(2)) (78913 / 2^18 = 0.3010299...); the loop below corrects any miss.
  int k = (binary_exponent * 78913) >> 18;
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (k < kFastExponentMin || k > kFastExponentMax) return false;
    const int p = 14 - k;
    const TScaled scaled =
        p >= 0 ? ScaleUp(mantissa, binary_exponent - 63, p) : ScaleDown(mantissa, binary_exponent - 63, p);
    if (scaled.integer >= kFifteenDigits) {
      ++k;
      continue;
    }
    if (scaled.integer < kFourteenDigits) {
      --k;
      continue;
    }
    digits = scaled.integer;
    if (scaled.half > 0 || (scaled.half == 0 && (digits & 1) != 0)) ++digits;
    if (digits == kFifteenDigits) {  // 9.99...95 rounds up into the next decade
      digits = kFourteenDigits;
      ++k;
    }
    exponent = k;
    return true;
  }
  return false;
}

}  // namespace

void AppendSci23(long double value, std::string& text) {
  if (std::isnan(value)) {
    text.append(20, ' ').append("Nan");
    return;
  }
  if (std::isinf(value)) {
    text.append(19, ' ').append(value > 0 ? "+Inf" : "-Inf");
    return;
  }
  // " d.ddddddddddddddE+eeee": 15 digits, and an exponent of 4 digits (an extended real needs no more).
  char out[23];
  out[0] = value < 0 ? '-' : ' ';
  std::uint64_t digits = 0;
  int exponent = 0;
  if (value != 0 && !FifteenDigits(value, digits, exponent)) {
    std::string slow;
    DecimalDigits(value, 15, slow, exponent);
    digits = std::strtoull(slow.c_str(), nullptr, 10);
  }
  for (int i = 16; i >= 3; --i) {
    out[i] = static_cast<char>('0' + digits % 10);
    digits /= 10;
  }
  out[2] = '.';
  out[1] = static_cast<char>('0' + digits);
  out[17] = 'E';
  out[18] = exponent < 0 ? '-' : '+';
  unsigned magnitude = static_cast<unsigned>(exponent < 0 ? -exponent : exponent);
  for (int i = 22; i >= 19; --i) {
    out[i] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  }
  text.append(out, sizeof out);
}

std::string FloatToSci23(long double value) {
  std::string text;
  AppendSci23(value, text);
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

bool IsWholeNumberText(std::string_view text) {
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) text.remove_prefix(1);
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

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
