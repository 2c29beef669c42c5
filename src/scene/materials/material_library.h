// Named materials that any number of scene-object materials link to by name. A library material adds a
// texture matrix (offset and scale), an optional second texture taken from another library material of
// the same library, an optional shader, and the list of users it tells of its changes. The library finds
// relative texture files along its search paths and writes and reads its materials as an archive.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "scene/base/class_name.h"
#include "scene/base/collection.h"
#include "scene/base/coordinates.h"
#include "scene/base/streams.h"
#include "scene/base/update_able.h"
#include "scene/base/vector_types.h"
#include "scene/materials/material.h"
#include "scene/pictures/picture.h"

namespace zentrova {

class TGLMaterialLibrary;
class TGLShader;
struct TRenderContextInfo;

// The current archive version of a library.
inline constexpr std::int32_t kMaterialLibraryArchiveVersion = 2;

class TGLLibMaterial : public TCollectionItem {
 public:
  // Named after the collection's unique name for "LibMaterial".
  explicit TGLLibMaterial(TCollection* collection);
  ~TGLLibMaterial() override;
  ZENTROVA_CLASS(TGLLibMaterial)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  const std::string& Name() const { return name_; }
  // A name another library material has becomes a numbered one (not while the library loads).
  void SetName(const std::string& name);
  std::uint32_t NameHashKey() const { return name_hash_; }
  TGLMaterial& Material() { return *material_; }
  const TGLMaterial& Material() const { return *material_; }
  void SetMaterial(const TGLMaterial& value) { material_->Assign(&value); }
  TGLCoordinates& TextureOffset() { return *texture_offset_; }
  TGLCoordinates& TextureScale() { return *texture_scale_; }
  void SetTextureOffset(const TGLCoordinates& value);
  void SetTextureScale(const TGLCoordinates& value);
  bool TextureMatrixIsIdentity() const { return texture_matrix_is_identity_; }
  const TMatrix4f& TextureMatrix() const { return texture_matrix_; }
  const std::string& Texture2Name() const { return texture2_name_; }
  void SetTexture2Name(const std::string& name);
  // The resolved second-texture library material, or nullptr.
  TGLLibMaterial* Texture2LibMaterial() const { return lib_mat_texture2_; }
  TGLShader* Shader() const { return shader_; }
  void SetShader(TGLShader* shader);
  std::int32_t Tag = 0;

  // The library that owns the collection; nullptr outside one.
  TGLMaterialLibrary* Library() const;
  void Assign(const TPersistent* source) override;
  std::string GetDisplayName() const override { return name_; }

  // Users: materials linked by name, library materials using this one as second texture, components.
  // Registering a user twice is an assertion failure.
  void AddUser(TPersistent* user);
  void RemoveUser(TPersistent* user);
  const std::vector<TPersistent*>& Users() const { return users_; }
  // Tells every user of a change (guarded against re-entry): update-able objects and components get
  // NotifyChange, library materials tell their own users; any other user is an assertion failure.
  void TellUsers();
  // Tells materials that the texture map changed, library materials pass it on, others get NotifyChange.
  void TextureMapChanged();
  void UpdateTextureMatrix();
  void Loaded();
  // The shader and the material around an object's drawing, with the texture matrix and a second texture
  // on unit 2 when the library has it; Restore's true asks for another draw.
  void Apply(TRenderContextInfo& rci);
  bool Restore(TRenderContextInfo& rci);
  void PrepareForList() { material_->PrepareForList(); }
  // The material's texture name, and that of the second-texture chain.
  void ReleaseHandles();
  // Asked by the texture before it loads a file: the library's handler, then the search paths.
  void LocateTextureFile(TObject* sender, std::string& file_name);

 private:
  std::vector<TPersistent*> users_;
  std::string name_;
  std::uint32_t name_hash_ = 0;
  std::unique_ptr<TGLMaterial> material_;
  std::unique_ptr<TGLCoordinates> texture_offset_;
  std::unique_ptr<TGLCoordinates> texture_scale_;
  bool texture_matrix_is_identity_ = true;
  TMatrix4f texture_matrix_ = IdentityMatrix;
  std::string texture2_name_;
  TGLShader* shader_ = nullptr;
  bool notifying_ = false;
  TGLLibMaterial* lib_mat_texture2_ = nullptr;
};

// The name hash: the length, then for each byte hash × 2 + byte, modulo 2³².
std::uint32_t LibMaterialNameHash(const std::string& name);

class TGLLibMaterials : public TOwnedCollection {
 public:
  explicit TGLLibMaterials(TGLMaterialLibrary* owner);
  ZENTROVA_CLASS(TGLLibMaterials)

  TGLLibMaterial* Items(int index) const { return static_cast<TGLLibMaterial*>(TCollection::Items(index)); }
  TGLLibMaterial* Add() { return static_cast<TGLLibMaterial*>(TCollection::Add()); }
  // base when no item has it, else base1, base2, … the first free.
  std::string MakeUniqueName(const std::string& base) const;
  // The first item of exactly that name (letter case counts), or nullptr.
  TGLLibMaterial* FindByName(const std::string& name) const;
  void Loaded();
  void PrepareForList();
  void ReleaseHandles();
};

class TGLMaterialLibrary : public TGLCadenceAbleComponent {
 public:
  TGLMaterialLibrary();
  // A library material still applied is reported ("Unbalanced material application"), not thrown.
  // Every material that names the library forgets it; linked ones also lose their name and link.
  ~TGLMaterialLibrary() override;
  ZENTROVA_CLASS(TGLMaterialLibrary)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  TGLLibMaterials& Materials() { return *materials_; }
  const TGLLibMaterials& Materials() const { return *materials_; }
  void SetMaterials(const TGLLibMaterials& value) { materials_->Assign(&value); }
  // Stored-when rule: the materials only when there is one.
  bool StoresMaterials() const { return materials_->Count() > 0; }
  const std::string& TexturePaths() const { return texture_paths_; }
  // Split at ";", each part trimmed, empty parts dropped, "\" read as "/" and a "/" appended when missing.
  void SetTexturePaths(const std::string& paths);
  const std::vector<std::string>& TexturePathList() const { return texture_path_list_; }
  TTextureNeededEvent OnTextureNeeded;
  // Loading an archive reuses library materials of the same name instead of clearing them.
  bool UpdateExistingOnLoad = false;
  // The library material being applied through this library, between its Apply and final Restore.
  TGLLibMaterial* CurrentLibMaterial = nullptr;

  void Loaded() override;
  // A new library material named `name` (numbered when taken) with a copy of the graphic as its enabled
  // texture's image, trilinear filtering and modulation.
  TGLLibMaterial* AddTextureMaterial(const std::string& name, const TGraphic* graphic);
  TGLLibMaterial* LibMaterialByName(const std::string& name) const { return materials_->FindByName(name); }
  void ReleaseHandles() { materials_->ReleaseHandles(); }

  // The archive of every library material (version 2); versions 0 to 2 are read, others raise
  // EFilerException "TGLMaterialLibrary : unknown archive version <n>".
  void SaveToStream(TStream& stream) const;
  void LoadFromStream(TStream& stream);

 private:
  friend class TGLMaterial;

  std::unique_ptr<TGLLibMaterials> materials_;
  std::string texture_paths_;
  std::vector<std::string> texture_path_list_;
  // The materials whose MaterialLibrary is this one, linked or not; they forget it when it goes.
  std::vector<TGLMaterial*> referring_materials_;
};

// nullptr for no library, else the library's library material of that name.
TGLLibMaterial* FindLibMaterial(const TGLMaterialLibrary* library, const std::string& name);

}  // namespace zentrova
