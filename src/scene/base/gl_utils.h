// Small helpers for texture sizes and string files, on the library's file access.
#pragma once

#include <cstdint>
#include <string>

namespace zentrova {

// The smallest power of two at least n; 1 for n <= 1.
std::int32_t NextPowerOfTwo(std::int32_t n);
// Creates (or overwrites) the file with the text's bytes.
void WriteStringFile(const std::string& file_name, const std::string& text);
// The whole file as a string of its bytes; empty when the file does not exist.
std::string ReadStringFile(const std::string& file_name);
// The size of the file; 0 when it does not exist.
std::int64_t FileSize64(const std::string& file_name);
// 256 entries, entry i = trunc(sqrt(i / 255) × 255), built on first use and shared.
const std::uint8_t* SqrtByteTable();

}  // namespace zentrova
