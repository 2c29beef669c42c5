// The runtime's "exponent" float format, used where a message or label asks for scientific notation
// with a given number of significant digits.
#pragma once

#include <string>

namespace zentrova {

// "-d.dddE+dddd": `precision` significant digits (1..18; one before the separator), the process-wide
// decimal separator, "E", the exponent's sign and at least `exponent_digits` exponent digits (at most 4
// are asked for; more are written when the exponent needs them). NaN is "NAN", infinities "INF" and
// "-INF".
std::string FloatToTextExponent(long double value, int precision, int exponent_digits);

}  // namespace zentrova
