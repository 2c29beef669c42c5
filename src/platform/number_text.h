// Conversions between reals or integers and text, as the model and data files need them.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

static_assert(std::numeric_limits<long double>::digits == 64, "extended reals need the x87 80-bit format");

namespace zentrova {

// The fixed 23-character scientific form of the data files: a blank or "-", one digit, ".", 14 digits,
// "E", the exponent's sign and 4 exponent digits, always with ".". NaN is "Nan", infinities "+Inf" and
// "-Inf", right-aligned in the same 23 characters.
std::string FloatToSci23(long double value);
// The same 23 characters appended to `text`: a record line is built in one buffer.
void AppendSci23(long double value, std::string& text);

// The "default decimal text": the general format with up to 15 significant digits and the process-wide
// decimal separator; plain for decimal exponents -5 < e < 15, else exponent form ("1E-5", "1.5E20").
std::string FloatToText(long double value);

// Same with an explicit number of significant digits (1..18) and decimal separator.
std::string FloatToTextGeneral(long double value, int digits, char separator);

// The general format with the fewest digits (at most 21) that read back as the same extended value; plain
// for decimal exponents -5 < e < 21.
std::string FloatToTextRoundTrip(long double value, char separator);

// A chosen fixed form: Decimals >= 0 fixed point with that many decimals, Decimals < 0 the 23-character
// scientific form; right-aligned in Width characters (wider when the number needs it). Always ".".
std::string FloatToTextChosen(long double value, int width, int decimals);

// Strict conversions: the whole text (blanks around it allowed) must be a number. They report failure
// and leave `value` untouched instead of throwing.
// TryTextToFloat reads with the process-wide decimal separator; TryTextToFloatDot always with ".".
// Both accept "NaN", "Inf", "+Inf" and "-Inf" in any letter case.
bool TryTextToFloat(std::string_view text, long double& value);
bool TryTextToFloatDot(std::string_view text, long double& value);
bool TryTextToFloatSep(std::string_view text, char separator, long double& value);

// Integers as decimal, "$hex" or "0xhex", with an optional sign. Hexadecimal texts wrap to the width of
// the type like the runtime's integer reading; decimal texts must fit.
bool TryTextToInt(std::string_view text, std::int32_t& value);
bool TryTextToInt64(std::string_view text, std::int64_t& value);
// Decimal digits after an optional sign: a whole number, however large.
bool IsWholeNumberText(std::string_view text);

// Text to number with a default for missing or malformed text.
std::int32_t TextToIntDef(std::string_view text, std::int32_t def);
long double TextToFloatDef(std::string_view text, long double def);

std::string IntToText(std::int64_t value);

}  // namespace zentrova
