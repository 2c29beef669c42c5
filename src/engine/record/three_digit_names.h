// The three-digit names of the numbered history directories ("000" to "999").
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zentrova {

// 7 -> "007", 42 -> "042", 999 -> "999", 1000 -> "1000".
std::string IntToStr3(std::int32_t n);

// "007" -> 7, "042" -> 42, "000" -> 0, "123" -> 123. Raises EConvertError for anything that is not
// such a name of digits.
std::int32_t Str3ToInt(std::string_view name);

// The same without raising: false, `value` untouched, where Str3ToInt raises.
bool TryStr3ToInt(std::string_view name, std::int32_t& value);

}  // namespace zentrova
