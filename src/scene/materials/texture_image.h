// Where a texture's pixels come from: a blank image of a given size, a picture kept in memory, a
// picture loaded from a file on demand, six pictures of a cube map, or a float image that OpenGL fills.
// Each produces a TGLBitmap32 for an upload on request and can write and read a small description of
// itself to a file. The classes are registered by name so that a texture can re-create its image class.
#pragma once

#include <GL/gl.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/exception.h"
#include "scene/base/class_name.h"
#include "scene/base/update_able.h"
#include "scene/pictures/bitmap32.h"
#include "scene/pictures/picture.h"

namespace zentrova {

class TGLTexture;

// A texture's file could not be loaded.
class ETexture : public Exception {
 public:
  using Exception::Exception;
};

// Asked before a picture file is loaded; may change the file name.
using TTextureNeededEvent = std::function<void(TObject* sender, std::string& file_name)>;

// "Could not open file: <name>".
std::string CouldNotOpenFileText(const std::string& file_name);

class TGLTextureImage : public TGLUpdateAbleObject {
 public:
  // The owner is the texture (or nullptr); another class of owner raises EConvertError.
  explicit TGLTextureImage(TPersistent* owner);
  ZENTROVA_CLASS(TGLTextureImage)
  using TInstanceRoot = TGLTextureImage;
  // A new image of this image's class.
  virtual std::unique_ptr<TGLTextureImage> NewInstance(TPersistent* owner) const = 0;

  TGLTexture* OwnerTexture() const { return owner_texture_; }
  TTextureNeededEvent OnTextureNeeded;

  // Marks the owning texture's image changed and notifies it. Without a texture, nothing.
  void NotifyChange(TPersistent* sender) override;
  virtual int Height() const = 0;
  virtual int Width() const = 0;
  virtual std::string KindName() const = 0;
  virtual std::string Description() const { return KindName(); }
  virtual GLenum NativeTextureTarget() const { return GL_TEXTURE_2D; }
  // The pixels for a target (the cube map's face targets pick a face); nullptr when there are none.
  virtual TGLBitmap32* GetBitmap32(GLenum target) = 0;
  virtual void ReleaseBitmap32() {}
  virtual void SaveToFile(const std::string& file_name) = 0;
  // Here only the texture-needed hook hears of the name (a copy).
  virtual void LoadFromFile(const std::string& file_name);
  // Drops the cached pixels and tells the texture to upload again.
  virtual void Invalidate();

 protected:
  void DoTextureNeeded(std::string& file_name) {
    if (OnTextureNeeded) OnTextureNeeded(this, file_name);
  }

 private:
  TGLTexture* owner_texture_;
};

using TGLTextureImageClass = std::unique_ptr<TGLTextureImage> (*)(TPersistent* owner);
template <class T>
std::unique_ptr<TGLTextureImage> CreateTextureImage(TPersistent* owner) {
  return std::make_unique<T>(owner);
}

// The image classes in registration order: TGLBlankImage, TGLPersistentImage, TGLPicFileImage,
// TGLCubeMapImage, TGLFloatDataImage, then any registered later.
void RegisterTextureImageClass(const std::string& class_name, TGLTextureImageClass image_class);
// The class registered under exactly that name; nullptr when none is.
TGLTextureImageClass FindTextureImageClass(const std::string& class_name);
std::vector<std::string> TextureImageClassNames();

// Extensions of picture files (".bmp" at start) and their graphic classes, tried before the picture
// formats of picture.h.
void RegisterPictureExtension(const std::string& extension, TGraphicClass graphic_class);
// The file as a graphic of the class of its extension; nullptr when the file does not exist or no class
// reads it. A graphic that fails to load passes its error on.
std::unique_ptr<TGraphic> LoadGraphicFromFile(const std::string& file_name);

// A size and nothing else: base of the blank and the float image. Its description file is
// "[<Tag>]\r\nWidth=<w>\r\nHeight=<h>".
class TGLSizedImage : public TGLTextureImage {
 public:
  explicit TGLSizedImage(TPersistent* owner) : TGLTextureImage(owner) {}
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  // Below 1 becomes 1; a change invalidates.
  void SetWidth(int width);
  void SetHeight(int height);
  // An empty bitmap of the size (the width rounded up to a multiple of 4).
  TGLBitmap32* GetBitmap32(GLenum target) override;
  void ReleaseBitmap32() override { bitmap_.reset(); }
  // From an image of the same class: the size, then Invalidate.
  void Assign(const TPersistent* source) override;
  // Width and Height, each when not 256.
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;
  void SaveToFile(const std::string& file_name) override;
  // The hook may change the name; a missing file is the assertion "Could not open file: <name>". The
  // size goes through the setters.
  void LoadFromFile(const std::string& file_name) override;

 protected:
  virtual const char* FileTag() const = 0;

 private:
  int width_ = 256;
  int height_ = 256;
  std::unique_ptr<TGLBitmap32> bitmap_;
};

class TGLBlankImage : public TGLSizedImage {
 public:
  using TGLSizedImage::TGLSizedImage;
  ZENTROVA_CLASS_NEW_OWNED(TGLBlankImage)
  std::string KindName() const override { return "Blank Image"; }
  std::string Description() const override;

 protected:
  const char* FileTag() const override { return "BlankImage"; }
};

class TGLFloatDataImage : public TGLSizedImage {
 public:
  using TGLSizedImage::TGLSizedImage;
  ZENTROVA_CLASS_NEW_OWNED(TGLFloatDataImage)
  std::string KindName() const override { return "FloatData Image"; }
  std::string Description() const override { return "Image to be dynamically generated by OpenGL"; }
  GLenum NativeTextureTarget() const override { return kGL_TEXTURE_RECTANGLE_NV; }

 protected:
  const char* FileTag() const override { return "FloatDataImage"; }
};

// Sets a picture's change event aside for its lifetime, also when an exception passes.
class TPictureEventDetach {
 public:
  explicit TPictureEventDetach(TPicture& picture) : picture_(picture), saved_(std::move(picture.OnChange)) {
    picture_.OnChange = nullptr;
  }
  ~TPictureEventDetach() { picture_.OnChange = std::move(saved_); }
  TPictureEventDetach(const TPictureEventDetach&) = delete;
  TPictureEventDetach& operator=(const TPictureEventDetach&) = delete;

 private:
  TPicture& picture_;
  TNotifyEvent saved_;
};

// An image held as a picture; a change of the picture invalidates the image.
class TGLPictureImage : public TGLTextureImage {
 public:
  explicit TGLPictureImage(TPersistent* owner) : TGLTextureImage(owner) {}
  int Width() const override { return picture_ ? picture_->Width() : 0; }
  int Height() const override { return picture_ ? picture_->Height() : 0; }
  // Created on first use.
  TPicture& Picture();
  const TPicture* PictureIfCreated() const { return picture_.get(); }
  TGLBitmap32* GetBitmap32(GLenum target) override;
  void ReleaseBitmap32() override { bitmap_.reset(); }
  // From a persistent image (its picture), a graphic or a picture, or an RGBA bitmap (converted).
  void Assign(const TPersistent* source) override;

 private:
  std::unique_ptr<TPicture> picture_;
  std::unique_ptr<TGLBitmap32> bitmap_;
};

// The default image: the picture lives with the texture.
class TGLPersistentImage : public TGLPictureImage {
 public:
  using TGLPictureImage::TGLPictureImage;
  ZENTROVA_CLASS_NEW_OWNED(TGLPersistentImage)
  std::string KindName() const override { return "Persistent Image"; }
  std::string Description() const override {
    return "Image data is stored in its original format with other form resources.";
  }
  void SetPicture(const TPicture& picture) { Picture().Assign(&picture); }
  // "Picture.Data" when the picture holds a graphic.
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;
  void SaveToFile(const std::string& file_name) override { Picture().SaveToFile(file_name); }
  // The hook may change the name. Failing that, the picture is cleared and ETexture "Could not open file:
  // <name as given>" raised.
  void LoadFromFile(const std::string& file_name) override;
};

// A picture read from its file whenever pixels are needed, and not kept.
class TGLPicFileImage : public TGLPictureImage {
 public:
  using TGLPictureImage::TGLPictureImage;
  ZENTROVA_CLASS_NEW_OWNED(TGLPicFileImage)
  std::string KindName() const override { return "PicFile Image"; }
  std::string Description() const override { return "Image data is retrieved from a file."; }

  const std::string& PictureFileName() const { return file_name_; }
  void SetPictureFileName(const std::string& file_name);
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;
  void Invalidate() override;
  // A missing file is the assertion "Could not open file: <name>" the first time for that name, and an
  // empty bitmap after that.
  TGLBitmap32* GetBitmap32(GLenum target) override;
  void Assign(const TPersistent* source) override;
  // The file holds the picture file name.
  void SaveToFile(const std::string& file_name) override;
  // A file under 512 bytes without a zero byte is a reference: its content is the picture file name;
  // any other file is the picture itself.
  void LoadFromFile(const std::string& file_name) override;

 private:
  std::string file_name_;
  bool already_warned_ = false;
};

// Six faces: +X, −X, +Y, −Y, +Z, −Z. The file is the version 0x0100 (2 bytes) and six bitmap files.
class TGLCubeMapImage : public TGLTextureImage {
 public:
  explicit TGLCubeMapImage(TPersistent* owner);
  ZENTROVA_CLASS_NEW_OWNED(TGLCubeMapImage)
  std::string KindName() const override { return "CubeMap Image"; }
  GLenum NativeTextureTarget() const override { return GL_TEXTURE_CUBE_MAP_ARB; }
  int Width() const override { return pictures_[0]->Width(); }
  int Height() const override { return pictures_[0]->Height(); }

  TPicture& Picture(int face) { return *pictures_.at(static_cast<std::size_t>(face)); }
  // "Picture<face>.Data" for each face that holds a graphic (PX, NX, PY, NY, PZ, NZ).
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;
  // The face of a face target (another target: +X), stored top-down.
  TGLBitmap32* GetBitmap32(GLenum target) override;
  void ReleaseBitmap32() override { bitmap_.reset(); }
  void Assign(const TPersistent* source) override;
  void SaveToFile(const std::string& file_name) override;
  // A version other than 0x0100 is an assertion failure.
  void LoadFromFile(const std::string& file_name) override;

 private:
  std::array<std::unique_ptr<TPicture>, 6> pictures_;
  std::unique_ptr<TGLBitmap32> bitmap_;
};

}  // namespace zentrova
