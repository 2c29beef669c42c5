#include "scene/materials/material_library.h"

#include <algorithm>
#include <filesystem>
#include <utility>

#include "platform/message_sink.h"
#include "scene/base/application_file_io.h"
#include "scene/base/class_registration.h"
#include "scene/base/matrix_geometry.h"
#include "scene/base/persistent_classes.h"
#include "scene/base/property_stream.h"
#include "scene/base/scene_errors.h"
#include "scene/pictures/bmp_file.h"
#include "scene/base/scope_exit.h"
#include "scene/materials/shader.h"
#include "scene/materials/texture_ex.h"

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TGLMaterialLibrary);

namespace {

constexpr TVector4f kNoOffset{0, 0, 0, 0};
constexpr TVector4f kUnitScale{1, 1, 1, 1};

}  // namespace

std::uint32_t LibMaterialNameHash(const std::string& name) {
  std::uint32_t hash = static_cast<std::uint32_t>(name.size());
  for (char c : name) hash = hash * 2 + static_cast<unsigned char>(c);
  return hash;
}

// ---- TGLLibMaterial

TGLLibMaterial::TGLLibMaterial(TCollection* collection)
    : TCollectionItem(collection),
      material_(std::make_unique<TGLMaterial>(this)),
      texture_offset_(std::make_unique<TGLCoordinates>(this, kNoOffset, csUnknown)),
      texture_scale_(std::make_unique<TGLCoordinates>(this, kUnitScale, csUnknown)) {
  if (auto* materials = dynamic_cast<TGLLibMaterials*>(collection)) {
    name_ = materials->MakeUniqueName("LibMaterial");
  }
  name_hash_ = LibMaterialNameHash(name_);
  material_->Texture().OnTextureNeeded = [this](TObject* sender, std::string& file_name) {
    LocateTextureFile(sender, file_name);
  };
  texture_offset_->OnNotifyChange = [this](TPersistent*) { UpdateTextureMatrix(); };
  texture_scale_->OnNotifyChange = [this](TPersistent*) { UpdateTextureMatrix(); };
}

TGLLibMaterial::~TGLLibMaterial() {
  SetShader(nullptr);
  SetTexture2Name("");
  const std::vector<TPersistent*> users = users_;
  for (TPersistent* user : users) {
    if (auto* material = dynamic_cast<TGLMaterial*>(user)) {
      material->LibMaterialGone();
    } else if (auto* lib_material = dynamic_cast<TGLLibMaterial*>(user)) {
      lib_material->lib_mat_texture2_ = nullptr;
      lib_material->texture2_name_.clear();
    }
  }
  users_.clear();
}

TGLMaterialLibrary* TGLLibMaterial::Library() const {
  return Collection() != nullptr ? dynamic_cast<TGLMaterialLibrary*>(Collection()->GetOwner()) : nullptr;
}

void TGLLibMaterial::SetName(const std::string& name) {
  if (name == name_) return;
  TGLMaterialLibrary* library = Library();
  auto* materials = dynamic_cast<TGLLibMaterials*>(Collection());
  if ((library != nullptr && library->ComponentState().Contains(TComponentState::Loading)) ||
      materials == nullptr || materials->FindByName(name) == nullptr) {
    name_ = name;
  } else {
    name_ = materials->MakeUniqueName(name);
  }
  name_hash_ = LibMaterialNameHash(name_);
}

void TGLLibMaterial::SetTextureOffset(const TGLCoordinates& value) {
  texture_offset_->SetAsVector(value.AsVector());
  UpdateTextureMatrix();
}

void TGLLibMaterial::SetTextureScale(const TGLCoordinates& value) {
  texture_scale_->SetAsVector(value.AsVector());
  UpdateTextureMatrix();
}

void TGLLibMaterial::SetTexture2Name(const std::string& name) {
  if (name == texture2_name_) return;
  if (lib_mat_texture2_ != nullptr) {
    lib_mat_texture2_->RemoveUser(this);
    lib_mat_texture2_ = nullptr;
  }
  texture2_name_ = name;
  TellUsers();
}

void TGLLibMaterial::SetShader(TGLShader* shader) {
  if (shader == shader_) return;
  if (shader_ != nullptr) shader_->RemoveUser(this);
  shader_ = shader;
  if (shader_ != nullptr) shader_->AddUser(this);
  TellUsers();
}

void TGLLibMaterial::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLLibMaterial*>(source)) {
    if (other == this) return;
    auto* materials = dynamic_cast<TGLLibMaterials*>(Collection());
    name_ = materials != nullptr ? materials->MakeUniqueName(other->name_) : other->name_;
    name_hash_ = LibMaterialNameHash(name_);
    material_->Assign(other->material_.get());
    texture_offset_->Initialize(other->texture_offset_->AsVector());
    texture_scale_->Initialize(other->texture_scale_->AsVector());
    texture2_name_ = other->texture2_name_;
    UpdateTextureMatrix();
    return;
  }
  TCollectionItem::Assign(source);
}

void TGLLibMaterial::AddUser(TPersistent* user) {
  SceneAssert(std::find(users_.begin(), users_.end(), user) == users_.end());
  users_.push_back(user);
}

void TGLLibMaterial::RemoveUser(TPersistent* user) {
  const auto it = std::find(users_.begin(), users_.end(), user);
  if (it != users_.end()) users_.erase(it);
}

void TGLLibMaterial::TellUsers() {
  if (notifying_) return;
  notifying_ = true;
  const TScopeExit done([this] { notifying_ = false; });
  const std::vector<TPersistent*> users = users_;
  for (TPersistent* user : users) {
    if (auto* object = dynamic_cast<TGLUpdateAbleObject*>(user)) {
      object->NotifyChange(this);
    } else if (auto* component = dynamic_cast<TGLUpdateAbleComponent*>(user)) {
      component->NotifyChange(this);
    } else if (auto* lib_material = dynamic_cast<TGLLibMaterial*>(user)) {
      lib_material->TellUsers();
    } else {
      SceneAssert(false);
    }
  }
}

void TGLLibMaterial::TextureMapChanged() {
  if (notifying_) return;
  notifying_ = true;
  const TScopeExit done([this] { notifying_ = false; });
  const std::vector<TPersistent*> users = users_;
  for (TPersistent* user : users) {
    if (auto* material = dynamic_cast<TGLMaterial*>(user)) {
      material->TextureMapChanged();
    } else if (auto* lib_material = dynamic_cast<TGLLibMaterial*>(user)) {
      lib_material->TextureMapChanged();
    } else if (auto* object = dynamic_cast<TGLUpdateAbleObject*>(user)) {
      object->NotifyChange(this);
    } else if (auto* component = dynamic_cast<TGLUpdateAbleComponent*>(user)) {
      component->NotifyChange(this);
    }
  }
}

void TGLLibMaterial::UpdateTextureMatrix() {
  texture_matrix_is_identity_ = texture_offset_->Equals(kNoOffset) && texture_scale_->Equals(kUnitScale);
  texture_matrix_ = texture_matrix_is_identity_
                        ? IdentityMatrix
                        : ScaleTranslateMatrix(texture_scale_->AsVector(), texture_offset_->AsVector());
  TellUsers();
}

void TGLLibMaterial::Loaded() {
  UpdateTextureMatrix();
  material_->TextureExMapChanged();
}

void TGLLibMaterial::ReleaseHandles() {
  // Along the chain of second textures, each library material once.
  std::vector<TGLLibMaterial*> seen;
  for (TGLLibMaterial* current = this; current != nullptr;) {
    if (std::find(seen.begin(), seen.end(), current) != seen.end()) break;
    seen.push_back(current);
    current->material_->ReleaseHandles();
    auto* materials = dynamic_cast<TGLLibMaterials*>(current->Collection());
    current = current->texture2_name_.empty() || materials == nullptr
                  ? nullptr
                  : materials->FindByName(current->texture2_name_);
  }
}

void TGLLibMaterial::LocateTextureFile(TObject* sender, std::string& file_name) {
  TGLMaterialLibrary* library = Library();
  if (library == nullptr) return;
  if (library->OnTextureNeeded) library->OnTextureNeeded(library, file_name);
  const bool rooted = !file_name.empty() && (file_name.front() == '/' || file_name.front() == '\\');
  if (rooted || file_name.find(':') != std::string::npos) return;
  for (const std::string& path : library->TexturePathList()) {
    const std::string candidate = path + file_name;
    std::error_code error;
    const bool exists = (ApplicationFileIODefined() && DataStreamExists(candidate)) ||
                        std::filesystem::exists(candidate, error);
    if (exists) {
      file_name = candidate;
      return;
    }
  }
}

// ---- TGLLibMaterials

TGLLibMaterials::TGLLibMaterials(TGLMaterialLibrary* owner)
    : TOwnedCollection(owner, &CreateCollectionItem<TGLLibMaterial>) {}

std::string TGLLibMaterials::MakeUniqueName(const std::string& base) const {
  std::string name = base;
  for (int i = 1; FindByName(name) != nullptr; ++i) name = base + std::to_string(i);
  return name;
}

TGLLibMaterial* TGLLibMaterials::FindByName(const std::string& name) const {
  const std::uint32_t hash = LibMaterialNameHash(name);
  for (int i = 0; i < Count(); ++i) {
    TGLLibMaterial* item = Items(i);
    if (item->NameHashKey() == hash && item->Name() == name) return item;
  }
  return nullptr;
}

void TGLLibMaterials::Loaded() {
  for (int i = 0; i < Count(); ++i) Items(i)->Loaded();
}

void TGLLibMaterials::PrepareForList() {
  for (int i = 0; i < Count(); ++i) Items(i)->PrepareForList();
}

void TGLLibMaterials::ReleaseHandles() {
  for (int i = 0; i < Count(); ++i) Items(i)->ReleaseHandles();
}

// ---- TGLMaterialLibrary

TGLMaterialLibrary::TGLMaterialLibrary() : materials_(std::make_unique<TGLLibMaterials>(this)) {}

TGLMaterialLibrary::~TGLMaterialLibrary() {
  // A destructor must not throw: the imbalance is reported instead.
  if (CurrentLibMaterial != nullptr) ShowMessage("Unbalanced material application");
  // First, so that the library materials' own materials, which may name this library, do not come
  // back to a list being torn down.
  for (TGLMaterial* material : std::exchange(referring_materials_, {})) material->material_library_ = nullptr;
  materials_.reset();
}

void TGLMaterialLibrary::Loaded() {
  materials_->Loaded();
  TGLCadenceAbleComponent::Loaded();
}

void TGLMaterialLibrary::SetTexturePaths(const std::string& paths) {
  texture_path_list_.clear();
  texture_paths_ = paths;
  std::size_t start = 0;
  while (start <= paths.size()) {
    std::size_t end = paths.find(';', start);
    if (end == std::string::npos) end = paths.size();
    std::string part = paths.substr(start, end - start);
    const std::size_t first = part.find_first_not_of(" \t");
    const std::size_t last = part.find_last_not_of(" \t");
    part = first == std::string::npos ? std::string() : part.substr(first, last - first + 1);
    if (!part.empty()) {
      std::replace(part.begin(), part.end(), '\\', '/');
      if (part.back() != '/') part += '/';
      texture_path_list_.push_back(part);
    }
    start = end + 1;
  }
}

TGLLibMaterial* TGLMaterialLibrary::AddTextureMaterial(const std::string& name, const TGraphic* graphic) {
  TGLLibMaterial* lib_material = materials_->Add();
  lib_material->SetName(name);
  TGLTexture& texture = lib_material->Material().Texture();
  texture.SetMinFilter(miLinearMipmapLinear);
  texture.SetMagFilter(maLinear);
  texture.SetTextureMode(tmModulate);
  texture.SetDisabled(false);
  texture.Image().Assign(graphic);
  return lib_material;
}

TGLLibMaterial* FindLibMaterial(const TGLMaterialLibrary* library, const std::string& name) {
  return library != nullptr ? library->LibMaterialByName(name) : nullptr;
}

// ---- the archive

namespace {

void WriteFace(TBinaryWriter& writer, const TGLFaceProperties& face) {
  writer.Write(face.Ambient().Color().data(), 12);  // alpha is not stored
  writer.Write(face.Diffuse().Color().data(), 16);
  writer.Write(face.Emission().Color().data(), 12);
  writer.Write(face.Specular().Color().data(), 12);
  const std::uint8_t shininess = face.Shininess();
  writer.Write(&shininess, 1);
  writer.WriteInteger(face.PolygonMode());
}

// True with the image as a bitmap file in a string when the texture is enabled and holds a picture.
void WriteTextureImage(TBinaryWriter& writer, const TGLTexture* texture) {
  const auto* image =
      texture != nullptr ? dynamic_cast<const TGLPersistentImage*>(&texture->Image()) : nullptr;
  const TGraphic* graphic =
      image != nullptr ? const_cast<TGLPersistentImage*>(image)->Picture().Graphic() : nullptr;
  if (texture == nullptr || !texture->Enabled() || graphic == nullptr) {
    writer.WriteBoolean(false);
    return;
  }
  writer.WriteBoolean(true);
  TMemoryStream bitmap_file;
  WriteBitmapFile(bitmap_file, *GraphicAsBitmap(graphic));
  writer.WriteString(bitmap_file.DataString());
}

void WriteXYZ(TBinaryWriter& writer, const TGLCoordinates& coordinates) {
  writer.Write(coordinates.DataPointer(), 12);
}

void ReadColor(TBinaryReader& reader, TGLColor& color, int bytes) {
  TVector4f value = color.Color();
  reader.Read(value.data(), bytes);
  color.SetColorSilently(value);
}

void ReadFrontColors(TBinaryReader& reader, TGLFaceProperties& face) {
  ReadColor(reader, face.Ambient(), 12);
  ReadColor(reader, face.Diffuse(), 16);
  ReadColor(reader, face.Emission(), 12);
  ReadColor(reader, face.Specular(), 12);
}

void ReadShininessAndMode(TBinaryReader& reader, TGLFaceProperties& face) {
  std::uint8_t shininess = 0;
  reader.Read(&shininess, 1);
  face.SetShininess(shininess);
  face.SetPolygonMode(static_cast<TPolygonMode>(reader.ReadInteger()));
}

std::unique_ptr<TBitmap> ReadBitmapString(TBinaryReader& reader) {
  TMemoryStream bytes(reader.ReadString());
  auto bitmap = std::make_unique<TBitmap>();
  ReadBitmapFile(bytes, *bitmap);
  return bitmap;
}

void ReadXYZ(TBinaryReader& reader, TGLCoordinates& coordinates) {
  TVector4f value = coordinates.AsVector();
  reader.Read(value.data(), 12);
  coordinates.SetAsVector(value);
}

}  // namespace

void TGLMaterialLibrary::SaveToStream(TStream& stream) const {
  TBinaryWriter writer(stream);
  writer.WriteInteger(kMaterialLibraryArchiveVersion);
  writer.WriteInteger(materials_->Count());
  const TGLFaceProperties default_face(nullptr);
  for (int i = 0; i < materials_->Count(); ++i) {
    TGLLibMaterial& lib_material = *materials_->Items(i);
    TGLMaterial& material = lib_material.Material();
    writer.WriteString(lib_material.Name());
    WriteTextureImage(writer, material.TextureOrNull());
    WriteFace(writer, material.FrontProperties());
    WriteFace(writer, material.HasBackProperties() ? material.BackProperties() : default_face);
    writer.WriteInteger(material.BlendingMode());
    writer.WriteInteger(1);  // the size of the options
    const std::uint8_t options = material.MaterialOptions();
    writer.Write(&options, 1);
    WriteXYZ(writer, lib_material.TextureOffset());
    WriteXYZ(writer, lib_material.TextureScale());
    writer.WriteString(lib_material.Texture2Name());
    const TGLTextureEx* extras = material.TextureExOrNull();
    const int count = extras != nullptr ? extras->Count() : 0;
    writer.WriteInteger(count);
    for (int j = 0; j < count; ++j) {
      TGLTextureExItem& item = *extras->Items(j);
      WriteTextureImage(writer, &item.Texture());
      writer.WriteInteger(item.TextureIndex());
      WriteXYZ(writer, item.TextureOffset());
      WriteXYZ(writer, item.TextureScale());
    }
  }
}

void TGLMaterialLibrary::LoadFromStream(TStream& stream) {
  TBinaryReader reader(stream);
  const std::int32_t version = reader.ReadInteger();
  if (version < 0 || version > kMaterialLibraryArchiveVersion) {
    TPersistentObject::RaiseArchiveVersionError(ClassName(), version);
  }
  if (!UpdateExistingOnLoad) materials_->Clear();
  const std::int32_t count = reader.ReadInteger();
  for (std::int32_t i = 0; i < count; ++i) {
    const std::string name = reader.ReadString();
    TGLLibMaterial* lib_material = UpdateExistingOnLoad ? materials_->FindByName(name) : nullptr;
    if (reader.ReadBoolean()) {
      const std::unique_ptr<TBitmap> bitmap = ReadBitmapString(reader);
      if (lib_material != nullptr) {
        lib_material->Material().Texture().Image().Assign(bitmap.get());
      } else {
        lib_material = AddTextureMaterial(name, bitmap.get());
      }
    } else if (lib_material == nullptr) {
      lib_material = materials_->Add();
      lib_material->SetName(name);
    }
    TGLMaterial& material = lib_material->Material();
    ReadFrontColors(reader, material.FrontProperties());
    if (version < 1) continue;
    ReadShininessAndMode(reader, material.FrontProperties());
    ReadFrontColors(reader, material.BackProperties());
    ReadShininessAndMode(reader, material.BackProperties());
    material.SetBlendingMode(static_cast<TBlendingMode>(reader.ReadInteger()));
    // The options are stored with their size: the first byte is kept, the rest skipped.
    const std::int32_t option_bytes = reader.ReadInteger();
    if (option_bytes < 0)
      throw EFilerException(std::string(ClassName()) + " : invalid size of the material options");
    if (option_bytes > 0) {
      std::uint8_t options = 0;
      reader.Read(&options, 1);
      if (stream.Remaining() < option_bytes - 1) throw EReadError("Stream read error");
      stream.Seek(option_bytes - 1, TSeekOrigin::soCurrent);
      material.SetMaterialOptions(options);
    }
    ReadXYZ(reader, lib_material->TextureOffset());
    ReadXYZ(reader, lib_material->TextureScale());
    lib_material->SetTexture2Name(reader.ReadString());
    if (version < 2) continue;
    const std::int32_t extras = reader.ReadInteger();
    for (std::int32_t j = 0; j < extras; ++j) {
      TGLTextureExItem* item = material.TextureEx().Add();
      if (reader.ReadBoolean()) {
        const std::unique_ptr<TBitmap> bitmap = ReadBitmapString(reader);
        item->Texture().Image().Assign(bitmap.get());
        item->Texture().SetDisabled(false);
      }
      item->SetTextureIndex(reader.ReadInteger());
      ReadXYZ(reader, item->TextureOffset());
      ReadXYZ(reader, item->TextureScale());
    }
  }
}

void TGLLibMaterial::WriteProperties(TPropertyWriter& w) const {
  TCollectionItem::WriteProperties(w);
  w.String("Name", name_);
  w.Nested("Material", *material_);
  if (Tag != 0) w.Integer("Tag", Tag);
  if (texture_offset_->AsVector() != kNoOffset) w.Data("TextureOffset.Coordinates", *texture_offset_);
  if (texture_scale_->AsVector() != kUnitScale) w.Data("TextureScale.Coordinates", *texture_scale_);
  if (!texture2_name_.empty()) w.String("Texture2Name", texture2_name_);
  w.Reference("Shader", shader_);
}

bool TGLLibMaterial::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (ReadNested("Material", *material_, name, v)) return true;
  if (name == "Name") {
    SetName(AsString(v));
  } else if (name == "Tag") {
    Tag = AsInteger(v);
  } else if (name == "TextureOffset.Coordinates") {
    ReadData(*texture_offset_, v, 16);
  } else if (name == "TextureScale.Coordinates") {
    ReadData(*texture_scale_, v, 16);
  } else if (name == "Texture2Name") {
    SetTexture2Name(AsString(v));
  } else if (name == "Shader") {
    ReadReference<TGLShader>(v, [this](TGLShader* shader) { SetShader(shader); });
  } else {
    return TCollectionItem::ReadProperty(name, v);
  }
  return true;
}

void TGLMaterialLibrary::WriteProperties(TPropertyWriter& w) const {
  TGLCadenceAbleComponent::WriteProperties(w);
  if (StoresMaterials()) {
    std::vector<const TPersistent*> items;
    for (int i = 0; i < materials_->Count(); ++i) items.push_back(materials_->Items(i));
    w.Items("Materials", items);
  }
  if (!texture_paths_.empty()) w.String("TexturePaths", texture_paths_);
}

bool TGLMaterialLibrary::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "Materials") {
    materials_->Clear();
    ReadItems(v, [this]() -> TPersistent& { return *materials_->Add(); });
  } else if (name == "TexturePaths") {
    SetTexturePaths(AsString(v));
  } else {
    return TGLCadenceAbleComponent::ReadProperty(name, v);
  }
  return true;
}

}  // namespace zentrova
