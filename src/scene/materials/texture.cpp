#include "scene/materials/texture.h"

#include <array>

#include "scene/base/property_stream.h"
#include "scene/base/scene_errors.h"
#include "scene/materials/material.h"
#include "scene/materials/texture_ex.h"
#include "scene/gl/opengl_binding.h"

namespace zentrova {

TGLTextureFormat vDefaultTextureFormat = tfRGBA;
TGLTextureCompression vDefaultTextureCompression = tcNone;

namespace {

constexpr TVector4f kDefaultPlane{1, 0, 0, 0};

struct TFormatRow {
  GLenum uncompressed;
  GLenum compressed;
};

// By TGLTextureFormat, tfDefault excluded (resolved before the lookup).
constexpr std::array<TFormatRow, 12> kFormats{{
    {GL_RGBA8, GL_COMPRESSED_RGBA_ARB},  // tfDefault, never looked up
    {GL_RGB8, GL_COMPRESSED_RGB_ARB},
    {GL_RGBA8, GL_COMPRESSED_RGBA_ARB},
    {GL_RGB5, GL_COMPRESSED_RGB_ARB},
    {GL_RGBA4, GL_COMPRESSED_RGBA_ARB},
    {GL_ALPHA8, GL_COMPRESSED_ALPHA_ARB},
    {GL_LUMINANCE8, GL_COMPRESSED_LUMINANCE_ARB},
    {GL_LUMINANCE8_ALPHA8, GL_COMPRESSED_LUMINANCE_ALPHA_ARB},
    {GL_INTENSITY8, GL_COMPRESSED_INTENSITY_ARB},
    {GL_RGB8, GL_COMPRESSED_RGB_ARB},
    {kGL_RGBA_FLOAT16_ATI, kGL_RGBA_FLOAT16_ATI},
    {kGL_RGBA_FLOAT32_ATI, kGL_RGBA_FLOAT32_ATI},
}};

GLenum ClampMode() {
  return GL.VERSION_1_2 || GL.EXT_texture_edge_clamp ? GL_CLAMP_TO_EDGE : GL_CLAMP;
}

}  // namespace

GLenum GLTextureMode(TGLTextureMode mode) {
  constexpr std::array<GLenum, 4> modes{GL_DECAL, GL_MODULATE, GL_BLEND, GL_REPLACE};
  return modes.at(mode);
}

GLenum GLMinFilter(TGLMinFilter filter) {
  constexpr std::array<GLenum, 6> filters{GL_NEAREST,
                                          GL_LINEAR,
                                          GL_NEAREST_MIPMAP_NEAREST,
                                          GL_LINEAR_MIPMAP_NEAREST,
                                          GL_NEAREST_MIPMAP_LINEAR,
                                          GL_LINEAR_MIPMAP_LINEAR};
  return filters.at(filter);
}

GLenum GLMagFilter(TGLMagFilter filter) {
  return filter == maNearest ? GL_NEAREST : GL_LINEAR;
}

bool IsMipmapFilter(TGLMinFilter filter) {
  return filter != miNearest && filter != miLinear;
}

TGLTexture::TGLTexture(TPersistent* owner)
    : TGLUpdateAbleObject(owner),
      handle_(std::make_unique<TGLTextureHandle>()),
      env_color_(this, clrTransparent) {
  NewImage(std::make_unique<TGLPersistentImage>(this));
}

TGLTexture::~TGLTexture() {
  try {
    handle_.reset();
  } catch (...) {
    // A name whose context is gone cannot be freed; nothing else to do while destroying.
  }
}

void TGLTexture::NewImage(std::unique_ptr<TGLTextureImage> image) {
  image_ = std::move(image);
  image_->OnTextureNeeded = [this](TObject* sender, std::string& file_name) {
    RelayTextureNeeded(sender, file_name);
  };
}

void TGLTexture::ParamsChanged() {
  changes_ |= tcParams;
  NotifyChange(this);
}

void TGLTexture::ImageChanged() {
  changes_ |= tcImage;
  NotifyChange(this);
}

#define ZENTROVA_PARAM_SETTER(Setter, member, Type) \
  void TGLTexture::Setter(Type value) {             \
    if (value == member) return;                    \
    member = value;                                 \
    ParamsChanged();                                \
  }
ZENTROVA_PARAM_SETTER(SetTextureMode, texture_mode_, TGLTextureMode)
ZENTROVA_PARAM_SETTER(SetTextureWrap, texture_wrap_, TGLTextureWrap)
ZENTROVA_PARAM_SETTER(SetTextureFormat, texture_format_, TGLTextureFormat)
ZENTROVA_PARAM_SETTER(SetMinFilter, min_filter_, TGLMinFilter)
ZENTROVA_PARAM_SETTER(SetMagFilter, mag_filter_, TGLMagFilter)
ZENTROVA_PARAM_SETTER(SetCompression, compression_, TGLTextureCompression)
ZENTROVA_PARAM_SETTER(SetFilteringQuality, filtering_quality_, TGLTextureFilteringQuality)
#undef ZENTROVA_PARAM_SETTER

#define ZENTROVA_IMAGE_SETTER(Setter, member, Type) \
  void TGLTexture::Setter(Type value) {             \
    if (value == member) return;                    \
    member = value;                                 \
    ImageChanged();                                 \
  }
ZENTROVA_IMAGE_SETTER(SetImageAlpha, image_alpha_, TGLTextureImageAlpha)
ZENTROVA_IMAGE_SETTER(SetImageBrightness, image_brightness_, float)
ZENTROVA_IMAGE_SETTER(SetImageGamma, image_gamma_, float)
#undef ZENTROVA_IMAGE_SETTER

void TGLTexture::SetEnvColor(const TGLColor& color) {
  env_color_.Assign(&color);
  ParamsChanged();
}

void TGLTexture::SetNormalMapScale(float value) {
  if (value == normal_map_scale_) return;
  normal_map_scale_ = value;
  if (texture_format_ == tfNormalMap) ImageChanged();
}

void TGLTexture::TellOwnerTextureMapChanged() {
  if (auto* material = dynamic_cast<TGLMaterial*>(Owner())) {
    material->TextureMapChanged();
  } else if (auto* item = dynamic_cast<TGLTextureExItem*>(Owner())) {
    item->TextureMapChanged();
  }
}

void TGLTexture::SetDisabled(bool value) {
  if (value == disabled_) return;
  disabled_ = value;
  if (Owner() != nullptr) {
    TellOwnerTextureMapChanged();
  } else {
    NotifyChange(this);
  }
}

void TGLTexture::SetMappingMode(TGLTextureMappingMode value) {
  if (value == mapping_mode_) return;
  const TGLTextureMappingMode old = mapping_mode_;
  mapping_mode_ = value;
  if (value == tmmUser && old != tmmUser && dynamic_cast<TGLMaterial*>(Owner()) != nullptr) {
    TellOwnerTextureMapChanged();
  } else {
    NotifyChange(this);
  }
}

TGLCoordinates4& TGLTexture::MappingSCoordinates() {
  if (!mapping_s_) mapping_s_ = std::make_unique<TGLCoordinates4>(this, kDefaultPlane, csUnknown);
  return *mapping_s_;
}

TGLCoordinates4& TGLTexture::MappingTCoordinates() {
  if (!mapping_t_) mapping_t_ = std::make_unique<TGLCoordinates4>(this, kDefaultPlane, csUnknown);
  return *mapping_t_;
}

void TGLTexture::SetImage(const TGLTextureImage* value) {
  if (value == nullptr) {
    NewImage(std::make_unique<TGLPersistentImage>(this));
    return;
  }
  if (value == image_.get()) return;
  if (std::string(value->ClassName()) != image_->ClassName()) NewImage(value->NewInstance(this));
  image_->Assign(value);
}

void TGLTexture::SetImageClassName(const std::string& name) {
  if (name == image_->ClassName()) return;
  const TGLTextureImageClass image_class = FindTextureImageClass(name);
  if (image_class == nullptr) return;  // an unknown class keeps the image
  NewImage(image_class(this));
  ImageChanged();
}

void TGLTexture::Assign(const TPersistent* source) {
  if (source == nullptr) {
    disabled_ = true;
    NewImage(std::make_unique<TGLPersistentImage>(this));
    changes_ = tcImage | tcParams;
  } else if (const auto* texture = dynamic_cast<const TGLTexture*>(source)) {
    if (texture == this) return;
    image_alpha_ = texture->image_alpha_;
    texture_mode_ = texture->texture_mode_;
    texture_wrap_ = texture->texture_wrap_;
    texture_format_ = texture->texture_format_;
    compression_ = texture->compression_;
    min_filter_ = texture->min_filter_;
    mag_filter_ = texture->mag_filter_;
    mapping_mode_ = texture->mapping_mode_;
    MappingSCoordinates().Initialize(texture->mapping_s_ ? texture->mapping_s_->AsVector() : kDefaultPlane);
    MappingTCoordinates().Initialize(texture->mapping_t_ ? texture->mapping_t_->AsVector() : kDefaultPlane);
    disabled_ = texture->disabled_;
    SetImage(texture->image_.get());
    changes_ = tcImage | tcParams;
  } else if (dynamic_cast<const TGraphic*>(source) != nullptr) {
    image_->Assign(source);
  } else if (const auto* picture = dynamic_cast<const TPicture*>(source)) {
    image_->Assign(picture->Graphic());
  } else {
    TGLUpdateAbleObject::Assign(source);
  }
}

void TGLTexture::NotifyChange(TPersistent* sender) {
  if (auto* item = dynamic_cast<TGLTextureExItem*>(Owner())) item->NotifyChange();
  TGLUpdateAbleObject::NotifyChange(sender);
}

bool TGLTexture::StoresImageClassName() const {
  return dynamic_cast<const TGLPersistentImage*>(image_.get()) == nullptr;
}

GLuint TGLTexture::TextureHandle() {
  if (handle_->Handle() != 0 && changes_ == 0) return handle_->Handle();
  if (handle_->Handle() == 0) {
    // A new name holds nothing, also when the former one was freed under an unchanged texture (a
    // bitmap render frees every handle): pixels and parameters go up again.
    handle_->AllocName();
    SceneAssert(handle_->Handle() != 0);
    changes_ |= tcImage | tcParams;
  }
  const GLuint name = handle_->Handle();
  const GLenum target = image_->NativeTextureTarget();
  const bool cube = target == GL_TEXTURE_CUBE_MAP_ARB;
  // Pixels go up when the image changed, or when the filter now needs mipmaps the upload did not make;
  // a change of parameters alone only re-sends the parameters.
  const bool upload = (changes_ & tcImage) != 0 || (IsMipmapFilter(min_filter_) && !uploaded_mipmapped_);
  const bool params = (changes_ & tcParams) != 0;
  changes_ = 0;
  if (cube && !GL.ARB_texture_cube_map) return name;
  gl.BindTexture(target, name);
  if (params) SetTexParameters(target);
  if (!upload) return name;
  if (cube) {
    // Six square faces of one positive size, or nothing.
    auto& cube_image = static_cast<TGLCubeMapImage&>(*image_);
    const int size = cube_image.Picture(0).Width();
    bool equal = size > 0;
    for (int face = 0; face < 6 && equal; ++face) {
      const TPicture& picture = cube_image.Picture(face);
      equal = picture.Width() == size && picture.Height() == size;
    }
    if (equal) {
      for (GLenum face = GL_TEXTURE_CUBE_MAP_POSITIVE_X_ARB; face <= GL_TEXTURE_CUBE_MAP_NEGATIVE_Z_ARB;
           ++face) {
        UploadImage(face);
      }
    }
  } else {
    UploadImage(target);
  }
  return name;
}

GLenum TGLTexture::InternalFormat() {
  TGLTextureFormat format = texture_format_;
  if (format == tfDefault) format = vDefaultTextureFormat;
  if (format == tfDefault) format = tfRGBA;
  TGLTextureCompression compression = tcNone;
  if (GL.ARB_texture_compression) {
    compression = compression_;
    if (compression == tcDefault) compression = vDefaultTextureCompression;
    if (compression == tcDefault) compression = tcNone;
  }
  const bool is_float = format == tfRGBAFloat16 || format == tfRGBAFloat32;
  if (is_float) compression = tcNone;
  GLenum result;
  if (compression != tcNone) {
    GLenum hint = GL_DONT_CARE;
    switch (compression) {
      case tcStandard:
        hint = GL_DONT_CARE;
        break;
      case tcHighQuality:
        hint = GL_NICEST;
        break;
      case tcHighSpeed:
        hint = GL_FASTEST;
        break;
      default:
        SceneAssert(false);
    }
    gl.Hint(GL_TEXTURE_COMPRESSION_HINT_ARB, hint);
    result = kFormats.at(format).compressed;
  } else {
    result = kFormats.at(format).uncompressed;
  }
  if (is_float && !GL.ATI_texture_float)
    result = format == tfRGBAFloat16 ? kGL_FLOAT_RGBA16_NV : kGL_FLOAT_RGBA32_NV;
  return result;
}

void TGLTexture::UploadImage(GLenum target) {
  TGLBitmap32* bitmap = image_->GetBitmap32(target);
  if (bitmap == nullptr || bitmap->IsEmpty()) return;
  const GLenum internal_format = InternalFormat();
  if (texture_format_ == tfNormalMap) {
    bitmap->HeightToNormalMap(normal_map_scale_, texture_wrap_ == twBoth || texture_wrap_ == twHorizontal,
                              texture_wrap_ == twBoth || texture_wrap_ == twVertical);
  }
  switch (image_alpha_) {
    case tiaDefault:
      break;
    case tiaAlphaFromIntensity:
    case tiaLuminance:
      bitmap->AlphaFromIntensity();
      break;
    case tiaSuperBlackTransparent:
      bitmap->AlphaZeroForRGB(0, 0, 0);
      break;
    case tiaLuminanceSqrt:
      bitmap->AlphaFromIntensity();
      bitmap->AlphaFromSqrtIntensity();
      break;
    case tiaOpaque:
      bitmap->FillAlpha(255);
      break;
    case tiaTopLeftPointColorTransparent: {
      const std::uint8_t* first = bitmap->Data();
      bitmap->AlphaZeroForRGB(first[0], first[1], first[2]);
      break;
    }
    case tiaInverseLuminance:
      bitmap->AlphaFromIntensity();
      bitmap->ComplementAlpha();
      break;
    case tiaInverseLuminanceSqrt:
      bitmap->AlphaFromIntensity();
      bitmap->AlphaFromSqrtIntensity();
      bitmap->ComplementAlpha();
      break;
    default:
      SceneAssert(false);
  }
  if (image_brightness_ != 1.0f) bitmap->ScaleBrightness(image_brightness_);
  if (image_gamma_ != 1.0f) bitmap->ApplyGamma(image_gamma_);
  RaiseOnGLError();
  bitmap->UploadTextureEx(target, min_filter_, internal_format, tex_width_, tex_height_);
  uploaded_mipmapped_ = IsMipmapFilter(min_filter_);
  GLint size = 0;
  gl.GetTexLevelParameteriv(target, 0, GL_TEXTURE_COMPRESSED_IMAGE_SIZE_ARB, &size);
  required_memory_size_ = gl.GetError() != GL_NO_ERROR ? -1 : size;
  DrainGLErrors();
  image_->ReleaseBitmap32();
}

void TGLTexture::SetTexParameters(GLenum target) {
  gl.Hint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  gl.PixelStorei(GL_UNPACK_ALIGNMENT, 4);
  gl.PixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  gl.PixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  gl.PixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  if (IsFloatFormat()) {
    gl.TexParameteri(target, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    gl.TexParameteri(target, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    const bool filtered = GL.ATI_texture_float && texture_format_ == tfRGBAFloat16;
    gl.TexParameteri(target, GL_TEXTURE_MIN_FILTER,
                     static_cast<GLint>(filtered ? GLMinFilter(min_filter_) : GL_NEAREST));
    gl.TexParameteri(target, GL_TEXTURE_MAG_FILTER,
                     static_cast<GLint>(filtered ? GLMagFilter(mag_filter_) : GL_NEAREST));
    return;
  }
  const GLenum clamp = ClampMode();
  const bool repeat_s = texture_wrap_ == twBoth || texture_wrap_ == twHorizontal;
  const bool repeat_t = texture_wrap_ == twBoth || texture_wrap_ == twVertical;
  gl.TexParameteri(target, GL_TEXTURE_WRAP_S, static_cast<GLint>(repeat_s ? GL_REPEAT : clamp));
  gl.TexParameteri(target, GL_TEXTURE_WRAP_T, static_cast<GLint>(repeat_t ? GL_REPEAT : clamp));
  gl.TexParameteri(target, GL_TEXTURE_MIN_FILTER, static_cast<GLint>(GLMinFilter(min_filter_)));
  gl.TexParameteri(target, GL_TEXTURE_MAG_FILTER, static_cast<GLint>(GLMagFilter(mag_filter_)));
  if (GL.EXT_texture_filter_anisotropic) {
    gl.TexParameteri(target, GL_TEXTURE_MAX_ANISOTROPY_EXT, filtering_quality_ == tfAnisotropic ? 2 : 1);
  }
}

void TGLTexture::ApplyMappingMode() {
  auto generate = [](GLenum mode, bool with_r) {
    gl.TexGeni(GL_S, GL_TEXTURE_GEN_MODE, static_cast<GLint>(mode));
    gl.TexGeni(GL_T, GL_TEXTURE_GEN_MODE, static_cast<GLint>(mode));
    if (with_r) gl.TexGeni(GL_R, GL_TEXTURE_GEN_MODE, static_cast<GLint>(mode));
    gl.Enable(GL_TEXTURE_GEN_S);
    gl.Enable(GL_TEXTURE_GEN_T);
    if (with_r) gl.Enable(GL_TEXTURE_GEN_R);
  };
  switch (mapping_mode_) {
    case tmmUser:
      break;
    case tmmObjectLinear:
    case tmmEyeLinear: {
      const bool object = mapping_mode_ == tmmObjectLinear;
      const GLenum plane = object ? GL_OBJECT_PLANE : GL_EYE_PLANE;
      const GLenum mode = object ? GL_OBJECT_LINEAR : GL_EYE_LINEAR;
      gl.TexGeni(GL_S, GL_TEXTURE_GEN_MODE, static_cast<GLint>(mode));
      gl.TexGeni(GL_T, GL_TEXTURE_GEN_MODE, static_cast<GLint>(mode));
      gl.TexGenfv(GL_S, plane, MappingSCoordinates().DataPointer());
      gl.TexGenfv(GL_T, plane, MappingTCoordinates().DataPointer());
      gl.Enable(GL_TEXTURE_GEN_S);
      gl.Enable(GL_TEXTURE_GEN_T);
      break;
    }
    case tmmSphere:
      generate(GL_SPHERE_MAP, false);
      break;
    case tmmCubeMapReflection:
    case tmmCubeMapCamera:
      if (GL.ARB_texture_cube_map) generate(GL_REFLECTION_MAP_ARB, true);
      break;
    case tmmCubeMapNormal:
    case tmmCubeMapLight0:
      if (GL.ARB_texture_cube_map) generate(GL_NORMAL_MAP_ARB, true);
      break;
    default:
      SceneAssert(false);
  }
}

void TGLTexture::RestoreMappingMode() {
  if (mapping_mode_ == tmmUser) return;
  gl.Disable(GL_TEXTURE_GEN_S);
  gl.Disable(GL_TEXTURE_GEN_T);
  gl.Disable(GL_TEXTURE_GEN_R);
}

void TGLTexture::ReleaseHandles() {
  handle_->FreeName();
  changes_ = tcImage | tcParams;
  required_memory_size_ = -1;
}

void TGLTexture::RelayTextureNeeded(TObject* sender, std::string& file_name) {
  if (OnTextureNeeded) OnTextureNeeded(sender, file_name);
}

namespace {

constexpr TIdentNames<4> kTextureModeNames{"tmDecal", "tmModulate", "tmBlend", "tmReplace"};
constexpr TIdentNames<4> kTextureWrapNames{"twBoth", "twNone", "twVertical", "twHorizontal"};
constexpr TIdentNames<12> kTextureFormatNames{
    "tfDefault",          "tfRGB",       "tfRGBA",      "tfRGB16",       "tfRGBA16",        "tfAlpha",
    "tfLuminance",        "tfLuminanceAlpha", "tfIntensity", "tfNormalMap", "tfRGBAFloat16", "tfRGBAFloat32"};
constexpr TIdentNames<5> kCompressionNames{"tcDefault", "tcNone", "tcStandard", "tcHighQuality", "tcHighSpeed"};
constexpr TIdentNames<2> kFilteringQualityNames{"tfIsotropic", "tfAnisotropic"};
constexpr TIdentNames<8> kMappingModeNames{"tmmUser",          "tmmObjectLinear",      "tmmEyeLinear",
                                           "tmmSphere",        "tmmCubeMapReflection", "tmmCubeMapNormal",
                                           "tmmCubeMapLight0", "tmmCubeMapCamera"};

bool StoresPlane(const TGLCoordinates4* plane) {
  return plane != nullptr && plane->AsVector() != kDefaultPlane;
}

}  // namespace

void TGLTexture::WriteProperties(TPropertyWriter& w) const {
  TGLUpdateAbleObject::WriteProperties(w);
  if (StoresImageClassName()) w.String("ImageClassName", image_->ClassName());
  w.Nested("Image", *image_);
  if (image_alpha_ != tiaDefault) w.Enum("ImageAlpha", kImageAlphaNames, image_alpha_);
  if (StoresImageBrightness()) w.Single("ImageBrightness", image_brightness_);
  if (StoresImageGamma()) w.Single("ImageGamma", image_gamma_);
  if (mag_filter_ != maLinear) w.Enum("MagFilter", kMagFilterNames, mag_filter_);
  if (min_filter_ != miLinearMipmapLinear) w.Enum("MinFilter", kMinFilterNames, min_filter_);
  if (texture_mode_ != tmDecal) w.Enum("TextureMode", kTextureModeNames, texture_mode_);
  if (texture_wrap_ != twBoth) w.Enum("TextureWrap", kTextureWrapNames, texture_wrap_);
  if (texture_format_ != tfDefault) w.Enum("TextureFormat", kTextureFormatNames, texture_format_);
  if (compression_ != tcDefault) w.Enum("Compression", kCompressionNames, compression_);
  if (filtering_quality_ != tfIsotropic) w.Enum("FilteringQuality", kFilteringQualityNames, filtering_quality_);
  if (mapping_mode_ != tmmUser) w.Enum("MappingMode", kMappingModeNames, mapping_mode_);
  if (StoresPlane(mapping_s_.get())) w.Data("MappingSCoordinates.Coordinates", *mapping_s_);
  if (StoresPlane(mapping_t_.get())) w.Data("MappingTCoordinates.Coordinates", *mapping_t_);
  if (env_color_.StoresColor()) w.Data("EnvColor.Color", env_color_);
  if (!disabled_) w.Boolean("Disabled", false);
  if (StoresNormalMapScale()) w.Single("NormalMapScale", normal_map_scale_);
}

bool TGLTexture::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (ReadNested("Image", *image_, name, v)) return true;
  if (name == "ImageClassName") {
    const std::string class_name = AsString(v);
    if (FindTextureImageClass(class_name) == nullptr) RaiseInvalidPropertyValue();
    SetImageClassName(class_name);
  } else if (name == "ImageAlpha") {
    SetImageAlpha(AsEnum<TGLTextureImageAlpha>(kImageAlphaNames, v));
  } else if (name == "ImageBrightness") {
    SetImageBrightness(AsSingle(v));
  } else if (name == "ImageGamma") {
    SetImageGamma(AsSingle(v));
  } else if (name == "MagFilter") {
    SetMagFilter(AsEnum<TGLMagFilter>(kMagFilterNames, v));
  } else if (name == "MinFilter") {
    SetMinFilter(AsEnum<TGLMinFilter>(kMinFilterNames, v));
  } else if (name == "TextureMode") {
    SetTextureMode(AsEnum<TGLTextureMode>(kTextureModeNames, v));
  } else if (name == "TextureWrap") {
    SetTextureWrap(AsEnum<TGLTextureWrap>(kTextureWrapNames, v));
  } else if (name == "TextureFormat") {
    SetTextureFormat(AsEnum<TGLTextureFormat>(kTextureFormatNames, v));
  } else if (name == "Compression") {
    SetCompression(AsEnum<TGLTextureCompression>(kCompressionNames, v));
  } else if (name == "FilteringQuality") {
    SetFilteringQuality(AsEnum<TGLTextureFilteringQuality>(kFilteringQualityNames, v));
  } else if (name == "MappingMode") {
    SetMappingMode(AsEnum<TGLTextureMappingMode>(kMappingModeNames, v));
  } else if (name == "MappingSCoordinates.Coordinates") {
    ReadData(MappingSCoordinates(), v, 16);
  } else if (name == "MappingTCoordinates.Coordinates") {
    ReadData(MappingTCoordinates(), v, 16);
  } else if (name == "EnvColor.Color") {
    ReadData(env_color_, v, 16);
    ParamsChanged();
  } else if (name == "Disabled") {
    SetDisabled(AsBoolean(v));
  } else if (name == "NormalMapScale") {
    SetNormalMapScale(AsSingle(v));
  } else {
    return TGLUpdateAbleObject::ReadProperty(name, v);
  }
  return true;
}

}  // namespace zentrova
