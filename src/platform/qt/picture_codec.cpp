#include "platform/qt/picture_codec.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>

#include <cstring>

namespace zentrova {

bool DecodePicture(std::string_view bytes, TDecodedPicture& picture) {
  picture = {};
  QImage image =
      QImage::fromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size()));
  if (image.isNull()) return false;
  // ARGB32 is the 32-bit word 0xAARRGGBB: in memory on this little-endian machine B, G, R, A.
  image = image.convertToFormat(QImage::Format_ARGB32);
  picture.width = image.width();
  picture.height = image.height();
  const std::size_t row = static_cast<std::size_t>(picture.width) * 4;
  picture.bgra.resize(row * static_cast<std::size_t>(picture.height));
  for (int y = 0; y < picture.height; ++y) {
    std::memcpy(picture.bgra.data() + row * y, image.constScanLine(y), row);
  }
  return true;
}

std::string EncodePicture(const TDecodedPicture& picture, TPictureFileFormat format) {
  if (picture.width <= 0 || picture.height <= 0) return {};
  QImage image(picture.width, picture.height, QImage::Format_ARGB32);
  const std::size_t row = static_cast<std::size_t>(picture.width) * 4;
  for (int y = 0; y < picture.height; ++y) std::memcpy(image.scanLine(y), picture.bgra.data() + row * y, row);
  QByteArray data;
  QBuffer buffer(&data);
  buffer.open(QIODevice::WriteOnly);
  const char* name = format == TPictureFileFormat::Png ? "PNG" : "JPG";
  if (format == TPictureFileFormat::Jpeg) image = image.convertToFormat(QImage::Format_RGB32);
  if (!image.save(&buffer, name)) return {};
  return std::string(data.constData(), static_cast<std::size_t>(data.size()));
}

}  // namespace zentrova
