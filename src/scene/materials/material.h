// The appearance of one scene object: front and back face properties, a texture and extra textures, a
// blending mode, options and a face-culling rule, or a link by name to a library material that then
// replaces all of it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "scene/base/class_name.h"
#include "scene/base/update_able.h"
#include "scene/materials/texture.h"
#include "scene/gl/face_properties.h"

namespace zentrova {

class TGLLibMaterial;
class TGLMaterialLibrary;
class TGLTextureEx;
struct TRenderContextInfo;

enum TBlendingMode : std::uint8_t {
  bmOpaque,
  bmTransparency,
  bmAdditive,
  bmAlphaTest50,
  bmAlphaTest100,
  bmModulate
};

// Bits of TMaterialOptions.
enum TMaterialOption : std::uint8_t { moIgnoreFog = 1u << 0, moNoLighting = 1u << 1 };
using TMaterialOptions = std::uint8_t;

enum TFaceCulling : std::uint8_t { fcBufferDefault, fcCull, fcNoCull };

// The depth at which a chain of library-material links counts as a cycle.
inline constexpr int kMaxLibMaterialLinkDepth = 16;

class TGLMaterial : public TGLUpdateAbleObject {
 public:
  explicit TGLMaterial(TPersistent* owner);
  ~TGLMaterial() override;
  ZENTROVA_CLASS(TGLMaterial)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  TGLFaceProperties& FrontProperties() { return *front_properties_; }
  const TGLFaceProperties& FrontProperties() const { return *front_properties_; }
  // Created on first read.
  TGLFaceProperties& BackProperties();
  bool HasBackProperties() const { return back_properties_ != nullptr; }
  // Assign into the face properties, then notify.
  void SetFrontProperties(const TGLFaceProperties& value);
  void SetBackProperties(const TGLFaceProperties& value);

  TBlendingMode BlendingMode() const { return blending_mode_; }
  void SetBlendingMode(TBlendingMode value);
  TMaterialOptions MaterialOptions() const { return material_options_; }
  void SetMaterialOptions(TMaterialOptions value);
  TFaceCulling FaceCulling() const { return face_culling_; }
  void SetFaceCulling(TFaceCulling value);

  // Created on first read (disabled).
  TGLTexture& Texture();
  bool HasTexture() const { return texture_ != nullptr; }
  TGLTexture* TextureOrNull() const { return texture_.get(); }
  // A texture is assigned into the created one; nullptr frees it.
  void SetTexture(const TGLTexture* value);
  // Created on first read.
  TGLTextureEx& TextureEx();
  TGLTextureEx* TextureExOrNull() const { return texture_ex_.get(); }
  // nullptr when none exists does nothing; otherwise assigns into the created collection.
  void SetTextureEx(const TGLTextureEx* value);

  TGLMaterialLibrary* MaterialLibrary() const { return material_library_; }
  // Stores the library and resolves the name against it again.
  void SetMaterialLibrary(TGLMaterialLibrary* library);
  const std::string& LibMaterialName() const { return lib_material_name_; }
  // Looks the name up in the library, refuses a chain of links 16 deep ("Error: Cyclic material
  // reference detected!") before storing, and relinks when the library material found differs.
  void SetLibMaterialName(const std::string& name);
  TGLLibMaterial* LibMaterial() const { return lib_material_; }

  // From a material: everything, then one notice.
  void Assign(const TPersistent* source) override;
  // A scene-object owner hears of the change as a component; a library-material owner tells its users.
  void NotifyChange(TPersistent* sender) override;
  // The texture was enabled or disabled, its mapping went back to user mapping, or the link changed: a
  // scene-object owner rebuilds its display list, a library-material owner tells its users.
  void TextureMapChanged();
  // Before the object draws: the linked library material's, or lighting, face colours, culling, blending,
  // fog and textures through the render context's state cache.
  void Apply(TRenderContextInfo& rci);
  // After it drew: true when the object must be drawn again. Lighting and fog come back only for what this
  // material's own Apply switched off, and only once no other material holds them off.
  bool Restore(TRenderContextInfo& rci);
  // Whether objects of this material sort with the blended ones.
  bool Blended() const;
  // The linked library material's texture, else the own (created on demand).
  TGLTexture& EffectiveTexture();
  void ReleaseHandles();
  void PrepareForList();
  // The linked library material is being destroyed: forget it and the library, without notice.
  void LibMaterialGone();
  // Every extra texture recomputes its matrix.
  void TextureExMapChanged();

  // Stored-when rules: the face properties, blending and texture only while no library material is
  // linked; the extra textures only when they exist and hold an item.
  bool StoresMaterialProperties() const { return lib_material_ == nullptr; }
  bool StoresTextureEx() const;

 private:
  friend class TGLMaterialLibrary;
  // Names the library (or none) and registers with it, so that a library that goes first clears the
  // reference instead of leaving it dangling while no library material of it is linked.
  void ReferTo(TGLMaterialLibrary* library);

  std::unique_ptr<TGLFaceProperties> front_properties_;
  std::unique_ptr<TGLFaceProperties> back_properties_;
  TBlendingMode blending_mode_ = bmOpaque;
  std::unique_ptr<TGLTexture> texture_;
  std::unique_ptr<TGLTextureEx> texture_ex_;
  TGLMaterialLibrary* material_library_ = nullptr;
  std::string lib_material_name_;
  TMaterialOptions material_options_ = 0;
  TFaceCulling face_culling_ = fcBufferDefault;
  TGLLibMaterial* lib_material_ = nullptr;
  bool disabled_lighting_ = false;
  bool disabled_fog_ = false;
};

}  // namespace zentrova
