// Small text helpers with the runtime semantics the model files rely on (ASCII letter case).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zentrova {

std::string Trim(std::string_view text);       // blanks, tabs and control characters at both ends
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);
std::string LowerCase(std::string_view text);  // ASCII letters only
std::string UpperCase(std::string_view text);
bool SameText(std::string_view a, std::string_view b);  // equal without regard to ASCII letter case
// A hash that texts SameText finds equal share, for tables keyed by names without regard to case.
std::size_t HashText(std::string_view text);
bool StartsText(std::string_view prefix, std::string_view text);
bool EndsText(std::string_view suffix, std::string_view text);
// Position of `needle` in `text` without regard to letter case, or npos.
std::size_t FindText(std::string_view text, std::string_view needle, std::size_t from = 0);
// Every occurrence of `from` replaced by `to`; `ignore_case` compares ASCII letters without case.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to,
                       bool ignore_case = false);
// Splits at every separator; empty items are kept.
std::vector<std::string> Split(std::string_view text, char separator);

}  // namespace zentrova
