#include "scene/base/gl_utils.h"

#include <array>
#include <cmath>

#include "scene/base/application_file_io.h"

namespace zentrova {

std::int32_t NextPowerOfTwo(std::int32_t n) {
  if (n <= 1) return 1;
  std::int64_t p = 1;
  while (p < n) p *= 2;
  // Beyond 2^30 the next power does not fit; the largest one is the closest answer there is.
  return p > (std::int64_t{1} << 30) ? (std::int32_t{1} << 30) : static_cast<std::int32_t>(p);
}

void WriteStringFile(const std::string& file_name, const std::string& text) {
  auto stream = OpenDataStream(file_name, fmCreate);
  if (!text.empty()) stream->WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
}

std::string ReadStringFile(const std::string& file_name) {
  if (!DataStreamExists(file_name)) return {};
  auto stream = OpenDataStream(file_name, fmOpenRead | fmShareDenyNone);
  std::string text(static_cast<std::size_t>(stream->Size()), '\0');
  stream->ReadBuffer(text.data(), static_cast<std::int64_t>(text.size()));
  return text;
}

std::int64_t FileSize64(const std::string& file_name) {
  if (!DataStreamExists(file_name)) return 0;
  return OpenDataStream(file_name, fmOpenRead | fmShareDenyNone)->Size();
}

const std::uint8_t* SqrtByteTable() {
  static const std::array<std::uint8_t, 256> table = [] {
    std::array<std::uint8_t, 256> t{};
    for (int i = 0; i < 256; ++i) {
      t[i] = static_cast<std::uint8_t>(std::trunc(std::sqrt(i * (1.0L / 255)) * 255));
    }
    return t;
  }();
  return table.data();
}

}  // namespace zentrova
