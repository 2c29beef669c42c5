#include "scene/materials/texture_image.h"
#include "scene/base/property_setter.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>

#include "scene/base/application_file_io.h"
#include "scene/base/gl_utils.h"
#include "scene/base/property_stream.h"
#include "scene/base/scene_errors.h"
#include "scene/pictures/bmp_file.h"
#include "scene/materials/texture.h"
#include "scene/gl/platform_helpers.h"

namespace zentrova {

std::string CouldNotOpenFileText(const std::string& file_name) {
  std::string text = ResourceString(glsCouldNotOpenFile);
  return text.replace(text.find("%s"), 2, file_name);
}

// ---- TGLTextureImage

namespace {

TGLTexture* TextureOf(TPersistent* owner) {
  if (owner == nullptr) return nullptr;
  auto* texture = dynamic_cast<TGLTexture*>(owner);
  if (texture == nullptr) throw EConvertError("Invalid class typecast");
  return texture;
}

}  // namespace

TGLTextureImage::TGLTextureImage(TPersistent* owner)
    : TGLUpdateAbleObject(owner), owner_texture_(TextureOf(owner)) {}

void TGLTextureImage::NotifyChange(TPersistent* sender) {
  if (owner_texture_ == nullptr) return;
  owner_texture_->MarkImageChanged();
  owner_texture_->NotifyChange(this);
}

void TGLTextureImage::LoadFromFile(const std::string& file_name) {
  std::string copy = file_name;
  DoTextureNeeded(copy);
}

void TGLTextureImage::Invalidate() {
  ReleaseBitmap32();
  NotifyChange(this);
}

// ---- registries

namespace {

struct TImageClassEntry {
  std::string name;
  TGLTextureImageClass image_class;
};

std::vector<TImageClassEntry>& ImageClasses() {
  static std::vector<TImageClassEntry> classes = {
      {"TGLBlankImage", &CreateTextureImage<TGLBlankImage>},
      {"TGLPersistentImage", &CreateTextureImage<TGLPersistentImage>},
      {"TGLPicFileImage", &CreateTextureImage<TGLPicFileImage>},
      {"TGLCubeMapImage", &CreateTextureImage<TGLCubeMapImage>},
      {"TGLFloatDataImage", &CreateTextureImage<TGLFloatDataImage>},
  };
  return classes;
}

struct TPictureExtension {
  std::string extension;  // lower case with its dot
  TGraphicClass graphic_class;
};

std::vector<TPictureExtension>& PictureExtensions() {
  static std::vector<TPictureExtension> extensions = {{".bmp", &CreateGraphic<TBitmap>}};
  return extensions;
}

}  // namespace

void RegisterTextureImageClass(const std::string& class_name, TGLTextureImageClass image_class) {
  ImageClasses().push_back({class_name, image_class});
}

TGLTextureImageClass FindTextureImageClass(const std::string& class_name) {
  for (const TImageClassEntry& entry : ImageClasses()) {
    if (entry.name == class_name) return entry.image_class;
  }
  return nullptr;
}

std::vector<std::string> TextureImageClassNames() {
  std::vector<std::string> names;
  for (const TImageClassEntry& entry : ImageClasses()) names.push_back(entry.name);
  return names;
}

void RegisterPictureExtension(const std::string& extension, TGraphicClass graphic_class) {
  std::string lower = extension;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  PictureExtensions().push_back({lower, graphic_class});
}

std::unique_ptr<TGraphic> LoadGraphicFromFile(const std::string& file_name) {
  if (!DataStreamExists(file_name)) return nullptr;
  const std::string extension = LowerCaseExtension(file_name);
  TGraphicClass graphic_class = nullptr;
  for (const TPictureExtension& entry : PictureExtensions()) {
    if (entry.extension == extension) {
      graphic_class = entry.graphic_class;
      break;
    }
  }
  if (graphic_class == nullptr) graphic_class = PictureClassForExtension(extension);
  if (graphic_class == nullptr) return nullptr;
  std::unique_ptr<TGraphic> graphic = graphic_class();
  std::unique_ptr<TStream> stream = OpenDataStream(file_name, fmOpenRead | fmShareDenyWrite);
  graphic->LoadFromStream(*stream);
  return graphic;
}

// ---- blank and float images

void TGLSizedImage::SetWidth(int width) {
  SetProperty(width_, std::max(width, 1), [this] { Invalidate(); });
}

void TGLSizedImage::SetHeight(int height) {
  SetProperty(height_, std::max(height, 1), [this] { Invalidate(); });
}

TGLBitmap32* TGLSizedImage::GetBitmap32(GLenum target) {
  if (!bitmap_) {
    bitmap_ = std::make_unique<TGLBitmap32>();
    bitmap_->SetWidth(width_);
    bitmap_->SetHeight(height_);
  }
  return bitmap_.get();
}

void TGLSizedImage::Assign(const TPersistent* source) {
  if (const auto* image = dynamic_cast<const TGLSizedImage*>(source);
      image != nullptr && std::strcmp(image->ClassName(), ClassName()) == 0) {
    width_ = image->width_;
    height_ = image->height_;
    Invalidate();
    return;
  }
  TGLTextureImage::Assign(source);
}

void TGLSizedImage::SaveToFile(const std::string& file_name) {
  // Appended piece by piece: GCC 12's -Wrestrict misreads a chain of operator+ on literals at -O2.
  std::string text = "[";
  text += FileTag();
  text += "]\r\nWidth=";
  text += std::to_string(width_);
  text += "\r\nHeight=";
  text += std::to_string(height_);
  WriteStringFile(file_name, text);
}

namespace {

// The value of `name=` in CR LF or LF separated lines, the name compared without letter case; "" when
// absent.
std::string ValueOf(const std::string& text, const std::string& name) {
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    const std::size_t equals = line.find('=');
    if (equals != std::string::npos && equals == name.size() &&
        std::equal(name.begin(), name.end(), line.begin(), [](char a, char b) {
          return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
        })) {
      return line.substr(equals + 1);
    }
    start = end + 1;
  }
  return {};
}

int ToInteger(const std::string& text) {
  std::size_t used = 0;
  int value = 0;
  try {
    value = std::stoi(text, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used == 0 || used != text.size()) throw EConvertError("'" + text + "' is not a valid integer value");
  return value;
}

}  // namespace

void TGLSizedImage::LoadFromFile(const std::string& file_name) {
  std::string name = file_name;
  DoTextureNeeded(name);
  SceneAssert(DataStreamExists(name), CouldNotOpenFileText(name));
  const std::string text = ReadStringFile(name);
  SetWidth(ToInteger(ValueOf(text, "Width")));
  SetHeight(ToInteger(ValueOf(text, "Height")));
}

std::string TGLBlankImage::Description() const {
  return "Blank Image (" + std::to_string(Width()) + "x" + std::to_string(Height()) + ")";
}

// ---- picture images

TPicture& TGLPictureImage::Picture() {
  if (!picture_) {
    picture_ = std::make_unique<TPicture>();
    picture_->OnChange = [this](TPersistent*) { Invalidate(); };
  }
  return *picture_;
}

TGLBitmap32* TGLPictureImage::GetBitmap32(GLenum target) {
  if (!bitmap_) {
    auto bitmap = std::make_unique<TGLBitmap32>();
    TPicture& picture = Picture();
    const TPictureEventDetach detached(picture);
    bitmap->Assign(picture.Graphic());
    bitmap_ = std::move(bitmap);
  }
  return bitmap_.get();
}

void TGLPictureImage::Assign(const TPersistent* source) {
  if (const auto* image = dynamic_cast<const TGLPersistentImage*>(source)) {
    if (image != this) Picture().Assign(const_cast<TGLPersistentImage*>(image)->picture_.get());
  } else if (dynamic_cast<const TGraphic*>(source) != nullptr ||
             dynamic_cast<const TPicture*>(source) != nullptr) {
    Picture().Assign(source);
  } else if (const auto* bitmap32 = dynamic_cast<const TGLBitmap32*>(source)) {
    Picture().TakeGraphic(bitmap32->ToWindowBitmap());
  } else {
    TGLTextureImage::Assign(source);
  }
}

void TGLPersistentImage::LoadFromFile(const std::string& file_name) {
  std::string name = file_name;
  DoTextureNeeded(name);
  if (ApplicationFileIODefined()) {
    if (std::unique_ptr<TGraphic> graphic = LoadGraphicFromFile(name)) {
      Picture().TakeGraphic(std::move(graphic));
      return;
    }
  } else if (DataStreamExists(name)) {
    Picture().LoadFromFile(name);
    return;
  }
  Picture().SetGraphic(nullptr);
  throw ETexture(CouldNotOpenFileText(file_name));
}

void TGLPicFileImage::SetPictureFileName(const std::string& file_name) {
  if (file_name == file_name_) return;
  file_name_ = file_name;
  already_warned_ = false;
  Invalidate();
}

void TGLPicFileImage::Invalidate() {
  {
    TPicture& picture = Picture();
    const TPictureEventDetach detached(picture);
    picture.SetGraphic(nullptr);
    ReleaseBitmap32();
  }
  TGLPictureImage::Invalidate();
}

TGLBitmap32* TGLPicFileImage::GetBitmap32(GLenum target) {
  TPicture& picture = Picture();
  if (picture.Width() >= 1 || file_name_.empty()) return TGLPictureImage::GetBitmap32(target);
  const TPictureEventDetach detached(picture);
  std::string name = file_name_;
  DoTextureNeeded(name);
  if (DataStreamExists(name)) {
    picture.TakeGraphic(LoadGraphicFromFile(name));
  } else {
    picture.SetGraphic(nullptr);
    if (!already_warned_) {
      already_warned_ = true;
      SceneAssert(false, CouldNotOpenFileText(file_name_));
    }
  }
  TGLBitmap32* result = TGLPictureImage::GetBitmap32(target);
  // The file's pixels are not kept in memory.
  picture.SetGraphic(nullptr);
  return result;
}

void TGLPicFileImage::Assign(const TPersistent* source) {
  if (const auto* image = dynamic_cast<const TGLPicFileImage*>(source)) {
    SetPictureFileName(image->file_name_);
    return;
  }
  TGLPictureImage::Assign(source);
}

void TGLPicFileImage::SaveToFile(const std::string& file_name) {
  WriteStringFile(file_name, file_name_);
}

void TGLPicFileImage::LoadFromFile(const std::string& file_name) {
  TGLTextureImage::LoadFromFile(file_name);
  // A reference file names the picture; anything larger or binary is the picture.
  if (FileSize64(file_name) < 512) {
    const std::string content = ReadStringFile(file_name);
    if (content.find('\0') == std::string::npos) {
      SetPictureFileName(content);
      return;
    }
  }
  SetPictureFileName(file_name);
}

// ---- cube maps

TGLCubeMapImage::TGLCubeMapImage(TPersistent* owner) : TGLTextureImage(owner) {
  for (auto& picture : pictures_) {
    picture = std::make_unique<TPicture>();
    picture->OnChange = [this](TPersistent*) { Invalidate(); };
  }
}

TGLBitmap32* TGLCubeMapImage::GetBitmap32(GLenum target) {
  int face = 0;
  if (target >= GL_TEXTURE_CUBE_MAP_POSITIVE_X_ARB && target <= GL_TEXTURE_CUBE_MAP_NEGATIVE_Z_ARB) {
    face = static_cast<int>(target - GL_TEXTURE_CUBE_MAP_POSITIVE_X_ARB);
  }
  bitmap_.reset();
  auto bitmap = std::make_unique<TGLBitmap32>();
  bitmap->VerticalReverseOnAssignFromBitmap = true;
  TPicture& picture = *pictures_[static_cast<std::size_t>(face)];
  const TPictureEventDetach detached(picture);
  bitmap->Assign(picture.Graphic());
  bitmap_ = std::move(bitmap);
  return bitmap_.get();
}

void TGLCubeMapImage::Assign(const TPersistent* source) {
  if (const auto* cube = dynamic_cast<const TGLCubeMapImage*>(source)) {
    if (cube == this) return;
    for (std::size_t i = 0; i < pictures_.size(); ++i) pictures_[i]->Assign(cube->pictures_[i].get());
    Invalidate();
    return;
  }
  TGLTextureImage::Assign(source);
}

void TGLCubeMapImage::SaveToFile(const std::string& file_name) {
  std::unique_ptr<TStream> stream = OpenDataStream(file_name, fmCreate);
  const std::uint8_t version[2] = {0x00, 0x01};
  stream->WriteBuffer(version, 2);
  for (const auto& picture : pictures_) WriteBitmapFile(*stream, *GraphicAsBitmap(picture->Graphic()));
}

void TGLCubeMapImage::LoadFromFile(const std::string& file_name) {
  std::unique_ptr<TStream> stream = OpenDataStream(file_name, fmOpenRead | fmShareDenyNone);
  std::uint8_t version[2] = {};
  stream->ReadBuffer(version, 2);
  SceneAssert(version[0] == 0x00 && version[1] == 0x01);
  for (auto& picture : pictures_) {
    TBitmap face;
    ReadBitmapFile(*stream, face);
    picture->SetGraphic(&face);
  }
}

void TGLSizedImage::WriteProperties(TPropertyWriter& w) const {
  TGLTextureImage::WriteProperties(w);
  if (width_ != 256) w.Integer("Width", width_);
  if (height_ != 256) w.Integer("Height", height_);
}

bool TGLSizedImage::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "Width") {
    SetWidth(AsInteger(v));
  } else if (name == "Height") {
    SetHeight(AsInteger(v));
  } else {
    return TGLTextureImage::ReadProperty(name, v);
  }
  return true;
}

void TGLPersistentImage::WriteProperties(TPropertyWriter& w) const {
  TGLPictureImage::WriteProperties(w);
  const TPicture* picture = PictureIfCreated();
  if (picture != nullptr && picture->Graphic() != nullptr) {
    w.Binary("Picture.Data", [picture](TStream& stream) { WriteBitmapData(stream, picture->Graphic()); });
  }
}

bool TGLPersistentImage::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name != "Picture.Data") return TGLPictureImage::ReadProperty(name, v);
  Picture().TakeGraphic(ReadBitmapData(v));
  return true;
}

void TGLPicFileImage::WriteProperties(TPropertyWriter& w) const {
  TGLPictureImage::WriteProperties(w);
  if (!file_name_.empty()) w.String("PictureFileName", file_name_);
}

bool TGLPicFileImage::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name != "PictureFileName") return TGLPictureImage::ReadProperty(name, v);
  SetPictureFileName(AsString(v));
  return true;
}

namespace {

constexpr std::array<const char*, 6> kCubeFaceData{"PicturePX.Data", "PictureNX.Data", "PicturePY.Data",
                                                   "PictureNY.Data", "PicturePZ.Data", "PictureNZ.Data"};

}  // namespace

void TGLCubeMapImage::WriteProperties(TPropertyWriter& w) const {
  TGLTextureImage::WriteProperties(w);
  for (std::size_t face = 0; face < pictures_.size(); ++face) {
    const TGraphic* graphic = pictures_[face]->Graphic();
    if (graphic == nullptr) continue;
    w.Binary(kCubeFaceData[face], [graphic](TStream& stream) { WriteBitmapData(stream, graphic); });
  }
}

bool TGLCubeMapImage::ReadProperty(const std::string& name, const TPropertyValue& v) {
  for (std::size_t face = 0; face < pictures_.size(); ++face) {
    if (name == kCubeFaceData[face]) {
      pictures_[face]->TakeGraphic(ReadBitmapData(v));
      return true;
    }
  }
  return TGLTextureImage::ReadProperty(name, v);
}

}  // namespace zentrova
