// The bitmap file format of our own: a 14-byte file header, an info header, optional colour masks and
// palette, then the pixel rows. Bitmaps are stored back to back in cube-map files and archives, so a
// reader consumes exactly one file image.
#pragma once

#include "scene/base/streams.h"
#include "scene/pictures/picture.h"

namespace zentrova {

// Reads the file image at the stream's position and leaves the stream at its end (the header's file
// size; a size below the header's pixel offset plus the pixel bytes, or 0, reads as that sum). 1-, 4-
// and 8-bit pictures become pf24bit; 16-bit ones pf15bit or pf16bit by their masks; 24- and 32-bit keep
// their depth; rows may run top-down or bottom-up. Run-length-compressed and OS/2 files, files that end
// early and headers that do not add up raise EInvalidGraphic, checked before any pixel memory is taken.
void ReadBitmapFile(TStream& stream, TBitmap& bitmap);
// 14 + 40-byte headers, rows bottom-up padded to 4 bytes, image size set, resolutions 0; pf15bit as
// 16-bit BI_RGB, pf16bit as BI_BITFIELDS F800/07E0/001F, pf24bit as 24-bit, pf32bit and pfDevice as
// 32-bit BI_RGB with alpha.
void WriteBitmapFile(TStream& stream, const TBitmap& bitmap);

}  // namespace zentrova
