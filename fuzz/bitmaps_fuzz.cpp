// Fuzzes the bitmap file reader. A picture that reads converts to a texture's 32-bit buffer and back,
// draws clipped into a small bitmap at its own size and stretched across, beside and over the target's
// edges, and writes itself: the written file reads back to the same picture, which writes the same
// bytes again.
#include <cstddef>
#include <cstdint>
#include <string>

#include "scene/base/streams.h"
#include "scene/pictures/bitmap32.h"
#include "scene/pictures/bmp_file.h"
#include "scene_fuzz_support.h"

namespace zentrova::fuzz {
namespace {

std::string Written(const TBitmap& bitmap) {
  TMemoryStream stream;
  WriteBitmapFile(stream, bitmap);
  return stream.DataString();
}

void FuzzBitmap(const std::string& bytes) {
  TMemoryStream stream(bytes);
  TBitmap bitmap;
  if (Refused("reading", [&] { ReadBitmapFile(stream, bitmap); })) return;
  if (stream.Position() > static_cast<std::int64_t>(bytes.size())) Fail("the reader went past the file's end");

  TGLBitmap32 buffer;
  Refused("converting", [&] { buffer.Assign(&bitmap); });
  Refused("converting back", [&] { buffer.ToWindowBitmap(); });

  TBitmap target(16, 16, pf24bit);
  const int w = bitmap.Width(), h = bitmap.Height();
  const TRect rects[] = {{-3, -5, 7, 9}, {10, 10, 10 + w, 10 + h}, {-w, 0, 0, h}, {16, -4, 16 + w, 4},
                         {0, 0, 16, 16}, {-40, -40, 56, 56}};
  for (const TRect& rect : rects) Refused("drawing", [&] { bitmap.StretchDraw(target, rect); });

  const std::string written = Written(bitmap);
  TMemoryStream again(written);
  TBitmap read;
  if (Refused("reading what was written", [&] { ReadBitmapFile(again, read); })) {
    Fail("a written picture of " + std::to_string(w) + " x " + std::to_string(h) + " does not read back");
  }
  if (read.Width() != w || read.Height() != h || read.PixelFormat() != bitmap.PixelFormat()) {
    Fail("a written picture reads back in another size or format");
  }
  if (Written(read) != written) Fail("a picture read back writes other bytes");
}

}  // namespace
}  // namespace zentrova::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return zentrova::fuzz::FuzzInput(data, size, 16384, zentrova::fuzz::FuzzBitmap);
}
