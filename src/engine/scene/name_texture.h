// The texture that shows a body's name on its solid.
#pragma once

#include <memory>
#include <string>

namespace zentrova {

class TBitmap;

// 128 x 64 pixels, 16 bits per pixel, white, with " name" three times in black from the top-left corner,
// in "Arial" (the face fontconfig matches for it) with a cell height (ascent + descent) of 32 pixels. The
// name is code page 1252 text, as the model files hold it. Without any font the bitmap stays white.
std::unique_ptr<TBitmap> DrawNameTexture(const std::string& name);

}  // namespace zentrova
