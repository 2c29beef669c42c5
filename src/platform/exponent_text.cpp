#include "platform/exponent_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "platform/settings.h"

namespace zentrova {

std::string FloatToTextExponent(long double value, int precision, int exponent_digits) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  precision = std::clamp(precision, 1, 18);
  exponent_digits = std::clamp(exponent_digits, 0, 4);
  char buffer[64];
  // to_chars writes "d.ddde+XX" in the C locale whatever the process locale is.
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                    std::chars_format::scientific, precision - 1);
  const std::string text(buffer, result.ptr);
  const std::size_t e = text.find('e');
  std::string out;
  if (std::signbit(value) && value != 0) out.push_back('-');
  for (std::size_t i = 0; i < e; ++i) out.push_back(text[i] == '.' ? DecimalSeparator() : text[i]);
  const int exponent = std::atoi(text.c_str() + e + 1);
  out.push_back('E');
  out.push_back(exponent < 0 ? '-' : '+');
  const std::string digits = std::to_string(std::abs(exponent));
  if (digits.size() < static_cast<std::size_t>(exponent_digits)) {
    out.append(static_cast<std::size_t>(exponent_digits) - digits.size(), '0');
  }
  out.append(digits);
  return out;
}

}  // namespace zentrova
