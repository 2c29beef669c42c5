// Pictures in memory: graphics that know their size, load and save themselves through streams and draw
// into bitmaps; bitmaps of 15, 16, 24 and 32 bits per pixel; pictures that hold one graphic of any
// registered class; and the registry of picture file formats by extension.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/exception.h"
#include "scene/base/class_name.h"
#include "scene/base/object_base.h"
#include "scene/base/streams.h"
#include "scene/base/update_able.h"
#include "scene/gl/platform_helpers.h"

namespace zentrova {

struct TPropertyValue;

// A picture file or graphic that cannot be read, or an operation a graphic refuses.
class EInvalidGraphic : public Exception {
 public:
  using Exception::Exception;
};

// Left and top inclusive, right and bottom exclusive, in pixels.
struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
};

class TBitmap;

class TGraphic : public TPersistent {
 public:
  ZENTROVA_CLASS(TGraphic)
  using TInstanceRoot = TGraphic;

  // The virtual constructor: a new, empty graphic of this graphic's class.
  virtual std::unique_ptr<TGraphic> NewInstance() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  bool Empty() const { return Width() <= 0 || Height() <= 0; }

  // The graphic's file image at the stream's position; loading consumes exactly that image.
  virtual void LoadFromStream(TStream& stream) = 0;
  virtual void SaveToStream(TStream& stream) const = 0;
  // Through the library's file access.
  void LoadFromFile(const std::string& file_name);
  void SaveToFile(const std::string& file_name) const;

  // Draws at its own size with its top-left corner at (x, y), or stretched over `rect` (nearest pixel),
  // clipped to the target.
  void Draw(TBitmap& target, int x, int y) const;
  virtual void StretchDraw(TBitmap& target, const TRect& rect) const = 0;

  // Fired after the graphic's content changed.
  TNotifyEvent OnChange;

 protected:
  void Changed() {
    if (OnChange) OnChange(this);
  }
};

using TGraphicClass = std::unique_ptr<TGraphic> (*)();
template <class T>
std::unique_ptr<TGraphic> CreateGraphic() {
  return std::make_unique<T>();
}

// Rows top first; each row padded to a multiple of 4 bytes; new pixels are 0. Formats: pf15bit
// (x-5-5-5), pf16bit (5-6-5), pf24bit (blue, green, red), pf32bit and pfDevice (blue, green, red,
// alpha; the device format is stored 32-bit). Other formats raise EInvalidGraphic.
class TBitmap : public TGraphic {
 public:
  TBitmap() = default;
  TBitmap(int width, int height, TPixelFormat format);
  ZENTROVA_CLASS_NEW(TBitmap)

  int Width() const override { return width_; }
  int Height() const override { return height_; }
  // Keeps the pixels that still fit; a negative size or one beyond 2³¹ − 1 bytes raises ERangeError.
  void SetSize(int width, int height);
  void SetWidth(int width) { SetSize(width, height_); }
  void SetHeight(int height) { SetSize(width_, height); }
  TPixelFormat PixelFormat() const { return format_; }
  // Converts the pixels to the new format.
  void SetPixelFormat(TPixelFormat format);
  int BitsPerPixel() const;
  int RowBytes() const { return row_bytes_; }
  // The pixel bytes of a bitmap of that size and format, rows padded; a bitmap holds at most 2³¹ − 1.
  static std::int64_t ImageBytes(int width, int height, TPixelFormat format);

  // Row y, top first; an index outside the rows raises ERangeError.
  std::uint8_t* ScanLine(int y);
  const std::uint8_t* ScanLine(int y) const;
  // One pixel as the word 0xAARRGGBB: 5- and 6-bit channels widen by repeating their top bits, formats
  // without alpha read 255. Setting narrows by dropping low bits and drops alpha where there is none.
  std::uint32_t Pixel(int x, int y) const;
  void SetPixel(int x, int y, std::uint32_t argb);

  // From another bitmap: a copy; from another graphic: its own rule (AssignTo), else EConvertError.
  void Assign(const TPersistent* source) override;
  void LoadFromStream(TStream& stream) override;
  // A bitmap file image (bmp_file.h).
  void SaveToStream(TStream& stream) const override;
  void StretchDraw(TBitmap& target, const TRect& rect) const override;
  // Tells OnChange that pixels written through ScanLine changed.
  void Modified() { Changed(); }

 private:
  void Resize(int width, int height, TPixelFormat format, bool keep);

  int width_ = 0;
  int height_ = 0;
  TPixelFormat format_ = pf24bit;
  int row_bytes_ = 0;
  std::vector<std::uint8_t> bits_;
};

// A bitmap of the graphic: a copy of a bitmap, any other graphic drawn into a pf32bit bitmap of its
// size; an empty pf24bit bitmap for nullptr.
std::unique_ptr<TBitmap> GraphicAsBitmap(const TGraphic* graphic);

// A picture's binary data in streams ("<picture>.Data"): its class name as a short string, then the byte
// count (4 bytes) and the bitmap file image. Any graphic is stored as a bitmap.
void WriteBitmapData(TStream& stream, const TGraphic* graphic);
// EReadError "Invalid property value" for data of another class or size.
std::unique_ptr<TBitmap> ReadBitmapData(const TPropertyValue& value);

// The address of the bitmap's row y (top first).
std::uint8_t* BitmapRow(TBitmap& bitmap, int y);

// A graphic kept as 32-bit pixels and stored in a compressed file format.
class TCodecGraphic : public TGraphic {
 public:
  ZENTROVA_CLASS(TCodecGraphic)
  int Width() const override { return pixels_.Width(); }
  int Height() const override { return pixels_.Height(); }
  const TBitmap& Pixels() const { return pixels_; }

  // From a bitmap or another graphic of the same class; nullptr empties it.
  void Assign(const TPersistent* source) override;
  // Reads the rest of the stream as one file; EInvalidGraphic when it is no picture of this format.
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) const override;
  void StretchDraw(TBitmap& target, const TRect& rect) const override;

 protected:
  virtual int Format() const = 0;  // TPictureFileFormat
  void AssignTo(TPersistent* dest) const override;

 private:
  TBitmap pixels_{0, 0, pf32bit};
};

class TPngGraphic : public TCodecGraphic {
 public:
  ZENTROVA_CLASS_NEW(TPngGraphic)

 protected:
  int Format() const override;
};

class TJpegGraphic : public TCodecGraphic {
 public:
  ZENTROVA_CLASS_NEW(TJpegGraphic)

 protected:
  int Format() const override;
};

// Holds at most one graphic, a copy of what it is given.
class TPicture : public TPersistent {
 public:
  TPicture() = default;
  ZENTROVA_CLASS(TPicture)

  TGraphic* Graphic() const { return graphic_.get(); }
  // A copy of the graphic (of its class); nullptr clears. Then OnChange.
  void SetGraphic(const TGraphic* graphic);
  // Takes the graphic itself. Then OnChange.
  void TakeGraphic(std::unique_ptr<TGraphic> graphic);
  // The graphic as a bitmap: one that is not a bitmap is replaced by an empty bitmap.
  TBitmap& Bitmap();
  int Width() const { return graphic_ ? graphic_->Width() : 0; }
  int Height() const { return graphic_ ? graphic_->Height() : 0; }

  // The class registered for the file's lower-cased extension, else EInvalidGraphic
  // "No picture format for .xyz". A failed load leaves the picture as it was.
  void LoadFromFile(const std::string& file_name);
  void SaveToFile(const std::string& file_name) const;
  // From a picture or a graphic (copied), or nullptr (cleared).
  void Assign(const TPersistent* source) override;

  // Fired when the graphic is replaced or reports a change.
  TNotifyEvent OnChange;

 private:
  void Changed() {
    if (OnChange) OnChange(this);
  }
  void Attach();

  std::unique_ptr<TGraphic> graphic_;
};

// The picture file formats: bmp, png, jpg and jpeg at start. A later registration of an extension does
// not replace the first.
void RegisterFileFormat(const std::string& extension, const std::string& description,
                        TGraphicClass graphic_class);
// The class of the first format with that extension (compared without letter case, a leading "." ignored);
// nullptr for none and for an empty extension.
TGraphicClass PictureClassForExtension(std::string_view extension);
// The lower-cased extension of a file name with its dot ("" when it has none).
std::string LowerCaseExtension(const std::string& file_name);

}  // namespace zentrova
