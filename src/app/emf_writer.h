// Snapshots of the view as enhanced metafiles: a header, one record that stretches a 24-bit
// device-independent bitmap over the picture, and the end-of-file record, in the little-endian layout
// other programs read. The reference device is a 96-dpi screen.
#pragma once

#include <string>

namespace zentrova {

class TBitmap;

// The metafile's bytes: the picture at its own size, placed at (0, 0).
std::string EmfBytes(const TBitmap& bitmap);
// Writes EmfBytes to the file; false when it cannot be written.
bool SaveEmf(const TBitmap& bitmap, const std::string& file_name);

}  // namespace zentrova
