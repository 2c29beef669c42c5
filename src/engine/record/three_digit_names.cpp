#include "engine/record/three_digit_names.h"

#include "platform/exception.h"
#include "platform/number_text.h"

namespace zentrova {

namespace {

// The strict conversion of a run of digits; no sign, no blanks, no hexadecimal prefix.
bool DigitsToInt(std::string_view digits, std::int32_t& value) {
  if (digits.empty()) return false;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
  }
  return TryTextToInt(digits, value);
}

}  // namespace

std::string IntToStr3(std::int32_t n) {
  std::string digits = IntToText(n);
  if (n < 10) return "00" + digits;
  if (n < 100) return "0" + digits;
  return digits;
}

bool TryStr3ToInt(std::string_view name, std::int32_t& value) {
  if (name.empty()) return false;
  if (name[0] == '0') {
    // A leading zero: the next two characters make the number, or the third alone after "00".
    if (name.size() < 2) return false;
    if (name[1] != '0') return DigitsToInt(name.substr(1, 2), value);
    return DigitsToInt(name.substr(2, 1), value);
  }
  return DigitsToInt(name, value);
}

std::int32_t Str3ToInt(std::string_view name) {
  std::int32_t value = 0;
  if (!TryStr3ToInt(name, value)) {
    throw EConvertError("'" + std::string(name) + "' is not a valid integer value");
  }
  return value;
}

}  // namespace zentrova
