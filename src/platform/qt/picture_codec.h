// PNG and JPEG files through the system's image library, as 32-bit pixels. The scene's picture classes
// hold the pixels; only this pair of functions knows the file formats.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zentrova {

// Top row first, 4 bytes per pixel in the order blue, green, red, alpha (premultiplied never).
struct TDecodedPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> bgra;
};

enum class TPictureFileFormat { Png, Jpeg };

// False when the bytes are no picture the image library can read; `picture` is then left empty.
bool DecodePicture(std::string_view bytes, TDecodedPicture& picture);
// The file's bytes; JPEG drops alpha. Empty when the picture is empty or cannot be written.
std::string EncodePicture(const TDecodedPicture& picture, TPictureFileFormat format);

}  // namespace zentrova
