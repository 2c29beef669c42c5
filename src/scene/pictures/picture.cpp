#include "scene/pictures/picture.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <limits>

#include "platform/qt/picture_codec.h"
#include "scene/base/application_file_io.h"
#include "scene/base/property_stream.h"
#include "scene/base/scene_errors.h"
#include "scene/pictures/bmp_file.h"

namespace zentrova {

// ---- TGraphic

void TGraphic::LoadFromFile(const std::string& file_name) {
  std::unique_ptr<TStream> stream = OpenDataStream(file_name, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(*stream);
}

void TGraphic::SaveToFile(const std::string& file_name) const {
  std::unique_ptr<TStream> stream = OpenDataStream(file_name, fmCreate);
  SaveToStream(*stream);
}

void TGraphic::Draw(TBitmap& target, int x, int y) const {
  StretchDraw(target, {x, y, x + Width(), y + Height()});
}

// ---- TBitmap

namespace {

int BitsOf(TPixelFormat format) {
  switch (format) {
    case pf15bit:
    case pf16bit:
      return 16;
    case pf24bit:
      return 24;
    case pf32bit:
    case pfDevice:
      return 32;
    default:
      throw EInvalidGraphic("Unsupported pixel format");
  }
}

std::int64_t RowBytesOf(int width, TPixelFormat format) {
  return (static_cast<std::int64_t>(width) * BitsOf(format) + 31) / 32 * 4;
}

std::uint32_t Widen5(std::uint32_t v) {
  return (v << 3) | (v >> 2);
}
std::uint32_t Widen6(std::uint32_t v) {
  return (v << 2) | (v >> 4);
}

}  // namespace

TBitmap::TBitmap(int width, int height, TPixelFormat format) {
  Resize(width, height, format, false);
}

std::int64_t TBitmap::ImageBytes(int width, int height, TPixelFormat format) {
  return RowBytesOf(width, format) * height;
}

void TBitmap::Resize(int width, int height, TPixelFormat format, bool keep) {
  if (width < 0 || height < 0) throw ERangeError(kRangeCheckError);
  const std::int64_t row = RowBytesOf(width, format);
  if (row * height > std::numeric_limits<std::int32_t>::max()) throw ERangeError(kRangeCheckError);
  std::vector<std::uint8_t> bits_new(static_cast<std::size_t>(row * height));
  if (keep) {
    const std::size_t copy = static_cast<std::size_t>(std::min<std::int64_t>(row, row_bytes_));
    for (int y = 0; y < std::min(height, height_); ++y) {
      std::memcpy(bits_new.data() + row * y, bits_.data() + static_cast<std::size_t>(row_bytes_) * y, copy);
    }
  }
  bits_ = std::move(bits_new);
  width_ = width;
  height_ = height;
  format_ = format;
  row_bytes_ = static_cast<int>(row);
}

void TBitmap::SetSize(int width, int height) {
  if (width == width_ && height == height_) return;
  Resize(width, height, format_, true);
  Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
  if (format == format_) return;
  TBitmap converted(width_, height_, format);
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) converted.SetPixel(x, y, Pixel(x, y));
  }
  bits_ = std::move(converted.bits_);
  format_ = format;
  row_bytes_ = converted.row_bytes_;
  Changed();
}

int TBitmap::BitsPerPixel() const {
  return BitsOf(format_);
}

std::uint8_t* TBitmap::ScanLine(int y) {
  if (y < 0 || y >= height_) throw ERangeError(kRangeCheckError);
  return bits_.data() + static_cast<std::size_t>(row_bytes_) * y;
}

const std::uint8_t* TBitmap::ScanLine(int y) const {
  return const_cast<TBitmap*>(this)->ScanLine(y);
}

std::uint32_t TBitmap::Pixel(int x, int y) const {
  if (x < 0 || x >= width_) throw ERangeError(kRangeCheckError);
  const std::uint8_t* row = ScanLine(y);
  switch (format_) {
    case pf15bit: {
      const std::uint32_t w = row[2 * x] | (row[2 * x + 1] << 8);
      return 0xFF000000u | Widen5((w >> 10) & 31) << 16 | Widen5((w >> 5) & 31) << 8 | Widen5(w & 31);
    }
    case pf16bit: {
      const std::uint32_t w = row[2 * x] | (row[2 * x + 1] << 8);
      return 0xFF000000u | Widen5((w >> 11) & 31) << 16 | Widen6((w >> 5) & 63) << 8 | Widen5(w & 31);
    }
    case pf24bit: {
      const std::uint8_t* p = row + 3 * x;
      return 0xFF000000u | std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
    }
    default: {
      const std::uint8_t* p = row + 4 * x;
      return std::uint32_t(p[3]) << 24 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
    }
  }
}

void TBitmap::SetPixel(int x, int y, std::uint32_t argb) {
  if (x < 0 || x >= width_) throw ERangeError(kRangeCheckError);
  std::uint8_t* row = ScanLine(y);
  const std::uint32_t r = (argb >> 16) & 255, g = (argb >> 8) & 255, b = argb & 255;
  switch (format_) {
    case pf15bit:
    case pf16bit: {
      const std::uint32_t w = format_ == pf15bit ? (r >> 3) << 10 | (g >> 3) << 5 | b >> 3
                                                 : (r >> 3) << 11 | (g >> 2) << 5 | b >> 3;
      row[2 * x] = static_cast<std::uint8_t>(w);
      row[2 * x + 1] = static_cast<std::uint8_t>(w >> 8);
      break;
    }
    case pf24bit:
      row[3 * x] = static_cast<std::uint8_t>(b);
      row[3 * x + 1] = static_cast<std::uint8_t>(g);
      row[3 * x + 2] = static_cast<std::uint8_t>(r);
      break;
    default:
      std::memcpy(row + 4 * x, &argb, 4);  // little-endian: blue, green, red, alpha
      break;
  }
}

void TBitmap::Assign(const TPersistent* source) {
  if (const auto* bitmap = dynamic_cast<const TBitmap*>(source)) {
    if (bitmap != this) {
      width_ = bitmap->width_;
      height_ = bitmap->height_;
      format_ = bitmap->format_;
      row_bytes_ = bitmap->row_bytes_;
      bits_ = bitmap->bits_;
      Changed();
    }
    return;
  }
  TGraphic::Assign(source);
}

void TBitmap::LoadFromStream(TStream& stream) {
  TBitmap loaded;
  ReadBitmapFile(stream, loaded);
  Assign(&loaded);
}

void TBitmap::SaveToStream(TStream& stream) const {
  WriteBitmapFile(stream, *this);
}

void TBitmap::StretchDraw(TBitmap& target, const TRect& rect) const {
  const int w = rect.Right - rect.Left, h = rect.Bottom - rect.Top;
  if (w <= 0 || h <= 0 || Empty()) return;
  const int x0 = std::max(rect.Left, 0), x1 = std::min(rect.Right, target.Width());
  const int y0 = std::max(rect.Top, 0), y1 = std::min(rect.Bottom, target.Height());
  // A rectangle wholly beside or above the target covers none of it.
  if (x0 >= x1 || y0 >= y1) return;
  const bool same = w == width_ && h == height_ && target.format_ == format_;
  for (int y = y0; y < y1; ++y) {
    const int sy = static_cast<int>(static_cast<std::int64_t>(y - rect.Top) * height_ / h);
    if (same) {
      const int bytes = BitsPerPixel() / 8;
      std::memcpy(target.ScanLine(y) + x0 * bytes, ScanLine(sy) + (x0 - rect.Left) * bytes,
                  static_cast<std::size_t>(x1 - x0) * bytes);
      continue;
    }
    for (int x = x0; x < x1; ++x) {
      const int sx = static_cast<int>(static_cast<std::int64_t>(x - rect.Left) * width_ / w);
      target.SetPixel(x, y, Pixel(sx, sy));
    }
  }
  target.Changed();
}

std::uint8_t* BitmapRow(TBitmap& bitmap, int y) {
  return bitmap.ScanLine(y);
}

std::unique_ptr<TBitmap> GraphicAsBitmap(const TGraphic* graphic) {
  auto bitmap = std::make_unique<TBitmap>();
  if (const auto* source = dynamic_cast<const TBitmap*>(graphic)) {
    bitmap->Assign(source);
  } else if (graphic != nullptr) {
    bitmap->SetPixelFormat(pf32bit);
    bitmap->SetSize(graphic->Width(), graphic->Height());
    graphic->Draw(*bitmap, 0, 0);
  }
  return bitmap;
}

// ---- TCodecGraphic

void TCodecGraphic::Assign(const TPersistent* source) {
  if (source == nullptr) {
    pixels_.SetSize(0, 0);
    Changed();
  } else if (const auto* bitmap = dynamic_cast<const TBitmap*>(source)) {
    pixels_.Assign(bitmap);
    pixels_.SetPixelFormat(pf32bit);
    Changed();
  } else if (const auto* same = dynamic_cast<const TCodecGraphic*>(source);
             same != nullptr && std::strcmp(same->ClassName(), ClassName()) == 0) {
    pixels_.Assign(&same->pixels_);
    Changed();
  } else {
    TGraphic::Assign(source);
  }
}

void TCodecGraphic::AssignTo(TPersistent* dest) const {
  if (auto* bitmap = dynamic_cast<TBitmap*>(dest)) {
    bitmap->Assign(&pixels_);
    return;
  }
  TGraphic::AssignTo(dest);
}

void TCodecGraphic::LoadFromStream(TStream& stream) {
  std::string bytes(static_cast<std::size_t>(std::max<std::int64_t>(stream.Remaining(), 0)), '\0');
  stream.ReadBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  TDecodedPicture decoded;
  if (!DecodePicture(bytes, decoded))
    throw EInvalidGraphic(std::string(ClassName()) + ": not a picture of this format");
  TBitmap pixels(decoded.width, decoded.height, pf32bit);
  for (int y = 0; y < decoded.height; ++y) {
    std::memcpy(pixels.ScanLine(y), decoded.bgra.data() + static_cast<std::size_t>(decoded.width) * 4 * y,
                static_cast<std::size_t>(decoded.width) * 4);
  }
  pixels_.Assign(&pixels);
  Changed();
}

void TCodecGraphic::SaveToStream(TStream& stream) const {
  TDecodedPicture picture{pixels_.Width(), pixels_.Height(), {}};
  for (int y = 0; y < picture.height; ++y) {
    const std::uint8_t* row = pixels_.ScanLine(y);
    picture.bgra.insert(picture.bgra.end(), row, row + static_cast<std::size_t>(picture.width) * 4);
  }
  const std::string bytes = EncodePicture(picture, static_cast<TPictureFileFormat>(Format()));
  stream.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
}

void TCodecGraphic::StretchDraw(TBitmap& target, const TRect& rect) const {
  pixels_.StretchDraw(target, rect);
}

int TPngGraphic::Format() const {
  return static_cast<int>(TPictureFileFormat::Png);
}
int TJpegGraphic::Format() const {
  return static_cast<int>(TPictureFileFormat::Jpeg);
}

// ---- TPicture

void TPicture::Attach() {
  if (graphic_) graphic_->OnChange = [this](TPersistent*) { Changed(); };
}

void TPicture::SetGraphic(const TGraphic* graphic) {
  std::unique_ptr<TGraphic> copy;
  if (graphic != nullptr) {
    copy = graphic->NewInstance();
    copy->Assign(graphic);
  }
  TakeGraphic(std::move(copy));
}

void TPicture::TakeGraphic(std::unique_ptr<TGraphic> graphic) {
  graphic_ = std::move(graphic);
  Attach();
  Changed();
}

TBitmap& TPicture::Bitmap() {
  if (dynamic_cast<TBitmap*>(graphic_.get()) == nullptr) {
    graphic_ = std::make_unique<TBitmap>();
    Attach();
    Changed();
  }
  return static_cast<TBitmap&>(*graphic_);
}

void TPicture::LoadFromFile(const std::string& file_name) {
  const std::string extension = LowerCaseExtension(file_name);
  const TGraphicClass graphic_class = PictureClassForExtension(extension);
  if (graphic_class == nullptr) throw EInvalidGraphic("No picture format for " + extension);
  std::unique_ptr<TGraphic> graphic = graphic_class();
  graphic->LoadFromFile(file_name);
  TakeGraphic(std::move(graphic));
}

void TPicture::SaveToFile(const std::string& file_name) const {
  if (graphic_) graphic_->SaveToFile(file_name);
}

void TPicture::Assign(const TPersistent* source) {
  if (source == nullptr) {
    SetGraphic(nullptr);
  } else if (const auto* picture = dynamic_cast<const TPicture*>(source)) {
    if (picture != this) SetGraphic(picture->Graphic());
  } else if (const auto* graphic = dynamic_cast<const TGraphic*>(source)) {
    SetGraphic(graphic);
  } else {
    TPersistent::Assign(source);
  }
}

// ---- the registry

namespace {

struct TFileFormat {
  std::string extension;  // lower case, no dot
  std::string description;
  TGraphicClass graphic_class;
};

std::vector<TFileFormat>& FileFormats() {
  static std::vector<TFileFormat> formats = {
      {"bmp", "Bitmaps", &CreateGraphic<TBitmap>},
      {"png", "Portable Network Graphics", &CreateGraphic<TPngGraphic>},
      {"jpg", "JPEG Image File", &CreateGraphic<TJpegGraphic>},
      {"jpeg", "JPEG Image File", &CreateGraphic<TJpegGraphic>},
  };
  return formats;
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

}  // namespace

void RegisterFileFormat(const std::string& extension, const std::string& description,
                        TGraphicClass graphic_class) {
  std::string_view name = extension;
  if (!name.empty() && name.front() == '.') name.remove_prefix(1);
  FileFormats().push_back({Lower(name), description, graphic_class});
}

TGraphicClass PictureClassForExtension(std::string_view extension) {
  if (!extension.empty() && extension.front() == '.') extension.remove_prefix(1);
  if (extension.empty()) return nullptr;
  const std::string lower = Lower(extension);
  for (const TFileFormat& format : FileFormats()) {
    if (format.extension == lower) return format.graphic_class;
  }
  return nullptr;
}

std::string LowerCaseExtension(const std::string& file_name) {
  const std::size_t dot = file_name.find_last_of('.');
  const std::size_t slash = file_name.find_last_of("/\\");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return Lower(std::string_view(file_name).substr(dot));
}

void WriteBitmapData(TStream& stream, const TGraphic* graphic) {
  const std::unique_ptr<TBitmap> bitmap = GraphicAsBitmap(graphic);
  TMemoryStream image;
  bitmap->SaveToStream(image);
  const std::string bytes = image.DataString();
  const std::string class_name = TBitmap::StaticClassName();
  const auto name_length = static_cast<std::uint8_t>(class_name.size());
  stream.WriteBuffer(&name_length, 1);
  stream.WriteBuffer(class_name.data(), name_length);
  const auto size = static_cast<std::uint32_t>(bytes.size());
  stream.WriteBuffer(&size, 4);
  stream.WriteBuffer(bytes.data(), size);
}

std::unique_ptr<TBitmap> ReadBitmapData(const TPropertyValue& value) {
  if (value.tag != vaBinary) RaiseInvalidPropertyValue();
  const std::string& data = value.text;
  const std::string class_name = TBitmap::StaticClassName();
  const std::size_t head = 1 + class_name.size();
  if (data.size() < head + 4 || static_cast<std::uint8_t>(data[0]) != class_name.size() ||
      data.compare(1, class_name.size(), class_name) != 0) {
    RaiseInvalidPropertyValue();
  }
  std::uint32_t size = 0;
  std::memcpy(&size, data.data() + head, 4);
  if (size != data.size() - head - 4) RaiseInvalidPropertyValue();
  TMemoryStream image(data.substr(head + 4));
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->LoadFromStream(image);
  return bitmap;
}

}  // namespace zentrova
