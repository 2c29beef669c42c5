// The texture of a material or of an extra texture unit: it owns an image that supplies pixels, turns
// them into an RGBA bitmap with alpha, brightness and gamma adjustments, uploads it into an OpenGL
// texture name of its own and sets filtering and wrapping. Uploads are lazy: changes set flags, and the
// next request for the name does the work.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <memory>
#include <string>

#include "scene/base/class_name.h"
#include "scene/base/coordinates.h"
#include "scene/base/property_stream.h"
#include "scene/base/update_able.h"
#include "scene/pictures/bitmap32.h"
#include "scene/materials/texture_image.h"
#include "scene/gl/color.h"
#include "scene/gl/context.h"

namespace zentrova {

class TGLLibMaterial;
class TGLStateCache;
struct TRenderContextInfo;

enum TGLTextureMode : std::uint8_t { tmDecal, tmModulate, tmBlend, tmReplace };
enum TGLTextureWrap : std::uint8_t { twBoth, twNone, twVertical, twHorizontal };
enum TGLTextureFormat : std::uint8_t {
  tfDefault,
  tfRGB,
  tfRGBA,
  tfRGB16,
  tfRGBA16,
  tfAlpha,
  tfLuminance,
  tfLuminanceAlpha,
  tfIntensity,
  tfNormalMap,
  tfRGBAFloat16,
  tfRGBAFloat32
};
enum TGLMagFilter : std::uint8_t { maNearest, maLinear };
enum TGLTextureImageAlpha : std::uint8_t {
  tiaDefault,
  tiaAlphaFromIntensity,
  tiaSuperBlackTransparent,
  tiaLuminance,
  tiaLuminanceSqrt,
  tiaOpaque,
  tiaTopLeftPointColorTransparent,
  tiaInverseLuminance,
  tiaInverseLuminanceSqrt
};
enum TGLTextureMappingMode : std::uint8_t {
  tmmUser,
  tmmObjectLinear,
  tmmEyeLinear,
  tmmSphere,
  tmmCubeMapReflection,
  tmmCubeMapNormal,
  tmmCubeMapLight0,
  tmmCubeMapCamera
};
enum TGLTextureCompression : std::uint8_t { tcDefault, tcNone, tcStandard, tcHighQuality, tcHighSpeed };
enum TGLTextureFilteringQuality : std::uint8_t { tfIsotropic, tfAnisotropic };

// Bits of the change flags.
enum TGLTextureChange : std::uint8_t { tcImage = 1, tcParams = 2 };

// Process-wide defaults for tfDefault and tcDefault, changeable by the application.
extern TGLTextureFormat vDefaultTextureFormat;
extern TGLTextureCompression vDefaultTextureCompression;

// OpenGL's value of each mode, filter and wrap.
GLenum GLTextureMode(TGLTextureMode mode);
GLenum GLMinFilter(TGLMinFilter filter);
GLenum GLMagFilter(TGLMagFilter filter);
bool IsMipmapFilter(TGLMinFilter filter);

// The identifiers streams use for the filters and the image alpha rules.
inline constexpr TIdentNames<6> kMinFilterNames{"miNearest",          "miLinear",
                                                "miNearestMipmapNearest", "miLinearMipmapNearest",
                                                "miNearestMipmapLinear",  "miLinearMipmapLinear"};
inline constexpr TIdentNames<2> kMagFilterNames{"maNearest", "maLinear"};
inline constexpr TIdentNames<9> kImageAlphaNames{
    "tiaDefault",      "tiaAlphaFromIntensity",           "tiaSuperBlackTransparent",
    "tiaLuminance",    "tiaLuminanceSqrt",                "tiaOpaque",
    "tiaTopLeftPointColorTransparent", "tiaInverseLuminance", "tiaInverseLuminanceSqrt"};

class TGLTexture : public TGLUpdateAbleObject {
 public:
  // Disabled, both change flags set, a persistent image, planes S and T both (1, 0, 0, 0).
  explicit TGLTexture(TPersistent* owner);
  ~TGLTexture() override;
  ZENTROVA_CLASS(TGLTexture)

  // The parameter setters set the parameters flag and notify when the value changes.
  TGLTextureMode TextureMode() const { return texture_mode_; }
  void SetTextureMode(TGLTextureMode value);
  TGLTextureWrap TextureWrap() const { return texture_wrap_; }
  void SetTextureWrap(TGLTextureWrap value);
  TGLTextureFormat TextureFormat() const { return texture_format_; }
  void SetTextureFormat(TGLTextureFormat value);
  TGLMinFilter MinFilter() const { return min_filter_; }
  void SetMinFilter(TGLMinFilter value);
  TGLMagFilter MagFilter() const { return mag_filter_; }
  void SetMagFilter(TGLMagFilter value);
  TGLTextureCompression Compression() const { return compression_; }
  void SetCompression(TGLTextureCompression value);
  TGLTextureFilteringQuality FilteringQuality() const { return filtering_quality_; }
  void SetFilteringQuality(TGLTextureFilteringQuality value);
  TGLColor& EnvColor() { return env_color_; }
  void SetEnvColor(const TGLColor& color);

  // The image-side setters set the image flag and notify when the value changes.
  TGLTextureImageAlpha ImageAlpha() const { return image_alpha_; }
  void SetImageAlpha(TGLTextureImageAlpha value);
  float ImageBrightness() const { return image_brightness_; }
  void SetImageBrightness(float value);
  float ImageGamma() const { return image_gamma_; }
  void SetImageGamma(float value);
  // Re-uploads only in the normal-map format.
  float NormalMapScale() const { return normal_map_scale_; }
  void SetNormalMapScale(float value);

  // A change tells an owning material (or the material of an owning extra texture) that the texture map
  // changed; without an owner the texture notifies.
  bool Disabled() const { return disabled_; }
  void SetDisabled(bool value);
  bool Enabled() const { return !disabled_; }
  void SetEnabled(bool value) { SetDisabled(!value); }

  TGLTextureMappingMode MappingMode() const { return mapping_mode_; }
  void SetMappingMode(TGLTextureMappingMode value);
  // Created on first read.
  TGLCoordinates4& MappingSCoordinates();
  TGLCoordinates4& MappingTCoordinates();
  void SetMappingSCoordinates(const TGLCoordinates4& value) { MappingSCoordinates().Assign(&value); }
  void SetMappingTCoordinates(const TGLCoordinates4& value) { MappingTCoordinates().Assign(&value); }

  TGLTextureImage& Image() const { return *image_; }
  // An image of another class replaces the current one first; then the image assigns from the value.
  // nullptr puts a new persistent image in place.
  void SetImage(const TGLTextureImage* value);
  std::string ImageClassName() const { return image_->ClassName(); }
  // An unregistered name keeps the current image.
  void SetImageClassName(const std::string& name);

  // From a texture (not brightness, gamma, environment colour, filtering quality or normal-map scale),
  // both flags set, no notice; from a graphic or picture into the image; nullptr disables and resets the
  // image.
  void Assign(const TPersistent* source) override;
  // An owning extra texture tells its collection first.
  void NotifyChange(TPersistent* sender) override;

  // The image's class by name when it is not the persistent image (before the image's own properties),
  // the image as "Image.*", then the settings that differ from their defaults. An image class that is
  // not registered is refused with "Invalid property value".
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  // The OpenGL name, created, parametrised and uploaded as the change flags ask. Needs a current context.
  virtual GLuint TextureHandle();
  virtual void UploadImage(GLenum target);
  virtual void SetTexParameters(GLenum target);
  // The internal format for the upload (sends the compression hint when compressing).
  GLenum InternalFormat();
  bool IsFloatFormat() const { return texture_format_ == tfRGBAFloat16 || texture_format_ == tfRGBAFloat32; }
  std::uint8_t Changes() const { return changes_; }
  // The image's pixels changed: the next request uploads them.
  void MarkImageChanged() { changes_ |= tcImage; }
  GLuint Handle() const { return handle_->Handle(); }
  // The compressed size OpenGL reported at the last upload; −1 when unknown.
  std::int32_t RequiredMemorySize() const { return required_memory_size_; }
  int TexWidth() const { return tex_width_; }
  int TexHeight() const { return tex_height_; }

  // Around an object's drawing on unit 0: states through the render context's cache, the texture
  // environment, the mapping mode, and for cube maps the texture matrix. A disabled texture switches
  // texturing off.
  void Apply(TRenderContextInfo& rci);
  void Restore(TRenderContextInfo& rci);
  // On a unit counted from 1, with the library material's texture matrix when it has one. Restoring runs
  // also for a disabled texture.
  void ApplyOnUnit(int unit, TRenderContextInfo& rci, TGLLibMaterial* lib_material);
  void RestoreOnUnit(int unit, TRenderContextInfo& rci, TGLLibMaterial* lib_material);
  void ApplyOnUnit2(TRenderContextInfo& rci, TGLLibMaterial* lib_material) {
    ApplyOnUnit(2, rci, lib_material);
  }
  void RestoreOnUnit2(TRenderContextInfo& rci, TGLLibMaterial* lib_material) {
    RestoreOnUnit(2, rci, lib_material);
  }
  // Texture-coordinate generation of the mapping mode on the active unit, and its undoing.
  void ApplyMappingMode();
  void RestoreMappingMode();

  // Frees the name; the next request uploads again.
  void ReleaseHandles();
  // Uploads now, outside display-list compilation.
  void PrepareForList() { TextureHandle(); }
  void RelayTextureNeeded(TObject* sender, std::string& file_name);

  TTextureNeededEvent OnTextureNeeded;

  // Stored-when rules.
  bool StoresImageClassName() const;
  bool StoresImageBrightness() const { return image_brightness_ != 1.0f; }
  bool StoresImageGamma() const { return image_gamma_ != 1.0f; }
  bool StoresNormalMapScale() const { return normal_map_scale_ != 0.125f; }

 private:
  void ParamsChanged();
  void ImageChanged();
  void NewImage(std::unique_ptr<TGLTextureImage> image);
  void TellOwnerTextureMapChanged();
  // The name bound on the active unit and in the cache's unit.
  void BindThroughCache(TGLStateCache& states, int unit, GLenum target);

  std::unique_ptr<TGLTextureHandle> handle_;
  TGLTextureMode texture_mode_ = tmDecal;
  TGLTextureWrap texture_wrap_ = twBoth;
  TGLTextureFormat texture_format_ = tfDefault;
  TGLMinFilter min_filter_ = miLinearMipmapLinear;
  TGLMagFilter mag_filter_ = maLinear;
  std::uint8_t changes_ = tcImage | tcParams;
  bool disabled_ = true;
  std::unique_ptr<TGLTextureImage> image_;
  TGLTextureImageAlpha image_alpha_ = tiaDefault;
  float image_brightness_ = 1.0f;
  float image_gamma_ = 1.0f;
  TGLTextureMappingMode mapping_mode_ = tmmUser;
  std::unique_ptr<TGLCoordinates4> mapping_s_;
  std::unique_ptr<TGLCoordinates4> mapping_t_;
  TGLTextureCompression compression_ = tcDefault;
  std::int32_t required_memory_size_ = -1;
  TGLTextureFilteringQuality filtering_quality_ = tfIsotropic;
  int tex_height_ = 0;
  int tex_width_ = 0;
  TGLColor env_color_;
  float normal_map_scale_ = 0.125f;
  // Whether the pixels in OpenGL carry mipmaps: a filter that turns mipmapped needs them uploaded.
  bool uploaded_mipmapped_ = false;
};

}  // namespace zentrova
