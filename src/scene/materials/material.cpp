#include "scene/materials/material.h"

#include <vector>

#include "scene/base/property_setter.h"
#include "scene/base/property_stream.h"
#include "scene/base/scene_errors.h"
#include "scene/materials/material_library.h"
#include "scene/materials/texture_ex.h"

namespace zentrova {

TGLMaterial::TGLMaterial(TPersistent* owner)
    : TGLUpdateAbleObject(owner), front_properties_(std::make_unique<TGLFaceProperties>(this)) {}

TGLMaterial::~TGLMaterial() {
  if (lib_material_ != nullptr) lib_material_->RemoveUser(this);
  ReferTo(nullptr);
}

void TGLMaterial::ReferTo(TGLMaterialLibrary* library) {
  if (library == material_library_) return;
  if (material_library_ != nullptr) std::erase(material_library_->referring_materials_, this);
  material_library_ = library;
  if (library != nullptr) library->referring_materials_.push_back(this);
}

TGLFaceProperties& TGLMaterial::BackProperties() {
  if (!back_properties_) back_properties_ = std::make_unique<TGLFaceProperties>(this);
  return *back_properties_;
}

void TGLMaterial::SetFrontProperties(const TGLFaceProperties& value) {
  front_properties_->Assign(&value);
  NotifyChange(this);
}

void TGLMaterial::SetBackProperties(const TGLFaceProperties& value) {
  BackProperties().Assign(&value);
  NotifyChange(this);
}

void TGLMaterial::SetBlendingMode(TBlendingMode value) {
  SetProperty(blending_mode_, value, NotifyChangeOf(this));
}

void TGLMaterial::SetMaterialOptions(TMaterialOptions value) {
  SetProperty(material_options_, value, NotifyChangeOf(this));
}

void TGLMaterial::SetFaceCulling(TFaceCulling value) {
  SetProperty(face_culling_, value, NotifyChangeOf(this));
}

TGLTexture& TGLMaterial::Texture() {
  if (!texture_) texture_ = std::make_unique<TGLTexture>(this);
  return *texture_;
}

void TGLMaterial::SetTexture(const TGLTexture* value) {
  if (value != nullptr) {
    Texture().Assign(value);
  } else {
    texture_.reset();
  }
}

TGLTextureEx& TGLMaterial::TextureEx() {
  if (!texture_ex_) texture_ex_ = std::make_unique<TGLTextureEx>(this);
  return *texture_ex_;
}

void TGLMaterial::SetTextureEx(const TGLTextureEx* value) {
  if (value == nullptr && !texture_ex_) return;
  TextureEx().Assign(value);
}

void TGLMaterial::SetMaterialLibrary(TGLMaterialLibrary* library) {
  ReferTo(library);
  SetLibMaterialName(lib_material_name_);
}

void TGLMaterial::SetLibMaterialName(const std::string& name) {
  TGLLibMaterial* candidate = FindLibMaterial(material_library_, name);
  // A chain of links as deep as this can only be a cycle.
  int steps = 0;
  for (TGLLibMaterial* current = candidate; current != nullptr;) {
    SceneAssert(++steps < kMaxLibMaterialLinkDepth, "Error: Cyclic material reference detected!");
    const TGLMaterial& material = current->Material();
    current = FindLibMaterial(material.MaterialLibrary(), material.LibMaterialName());
  }
  lib_material_name_ = name;
  if (candidate != lib_material_) {
    if (lib_material_ != nullptr) lib_material_->RemoveUser(this);
    lib_material_ = candidate;
    if (lib_material_ != nullptr) lib_material_->AddUser(this);
    TextureMapChanged();
  }
}

void TGLMaterial::Assign(const TPersistent* source) {
  const auto* material = dynamic_cast<const TGLMaterial*>(source);
  if (material == nullptr) {
    TGLUpdateAbleObject::Assign(source);
    return;
  }
  if (material == this) return;
  // The parts' own notices are held back: one notice for the whole copy.
  BeginUpdate();
  try {
    if (material->back_properties_) {
      BackProperties().Assign(material->back_properties_.get());
    } else {
      back_properties_.reset();
    }
    front_properties_->Assign(material->front_properties_.get());
    blending_mode_ = material->blending_mode_;
    material_options_ = material->material_options_;
    SetTexture(material->texture_.get());
    face_culling_ = material->face_culling_;
    ReferTo(material->material_library_);
    SetLibMaterialName(material->lib_material_name_);
    TextureEx().Assign(&const_cast<TGLMaterial*>(material)->TextureEx());
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
  NotifyChange(this);
}

void TGLMaterial::NotifyChange(TPersistent* sender) {
  if (UpdateCount() != 0) return;
  if (auto* component = dynamic_cast<TGLUpdateAbleComponent*>(Owner())) {
    component->NotifyChange(this);
  } else if (auto* lib_material = dynamic_cast<TGLLibMaterial*>(Owner())) {
    lib_material->TellUsers();
  }
}

void TGLMaterial::TextureMapChanged() {
  if (auto* target = dynamic_cast<TGLStructureDirtyTarget*>(Owner())) {
    target->MarkStructureDirty();
  } else if (auto* lib_material = dynamic_cast<TGLLibMaterial*>(Owner())) {
    lib_material->TextureMapChanged();
  }
}

bool TGLMaterial::Blended() const {
  if (lib_material_ != nullptr) return lib_material_->Material().Blended();
  return blending_mode_ == bmTransparency || blending_mode_ == bmAdditive || blending_mode_ == bmModulate;
}

TGLTexture& TGLMaterial::EffectiveTexture() {
  if (lib_material_ != nullptr) return lib_material_->Material().Texture();
  return Texture();
}

void TGLMaterial::ReleaseHandles() {
  if (texture_) texture_->ReleaseHandles();
}

void TGLMaterial::PrepareForList() {
  if (texture_ && texture_->Enabled()) texture_->PrepareForList();
}

void TGLMaterial::LibMaterialGone() {
  ReferTo(nullptr);
  lib_material_name_.clear();
  lib_material_ = nullptr;
}

void TGLMaterial::TextureExMapChanged() {
  if (texture_ex_) texture_ex_->TextureMapChanged();
}

bool TGLMaterial::StoresTextureEx() const {
  return texture_ex_ && texture_ex_->Count() > 0;
}

namespace {

constexpr TIdentNames<6> kBlendingMode{"bmOpaque",       "bmTransparency", "bmAdditive",
                                       "bmAlphaTest50",  "bmAlphaTest100", "bmModulate"};
constexpr TIdentNames<2> kMaterialOptions{"moIgnoreFog", "moNoLighting"};
constexpr TIdentNames<3> kFaceCulling{"fcBufferDefault", "fcCull", "fcNoCull"};

}  // namespace

void TGLMaterial::WriteProperties(TPropertyWriter& w) const {
  TGLUpdateAbleObject::WriteProperties(w);
  if (StoresMaterialProperties()) {
    if (back_properties_ != nullptr) w.Nested("BackProperties", *back_properties_);
    w.Nested("FrontProperties", *front_properties_);
    if (blending_mode_ != bmOpaque) w.Enum("BlendingMode", kBlendingMode, blending_mode_);
  }
  if (material_options_ != 0) w.SetOf("MaterialOptions", kMaterialOptions, material_options_);
  // A texture that was never asked for is not there to store.
  if (StoresMaterialProperties() && texture_ != nullptr) w.Nested("Texture", *texture_);
  if (face_culling_ != fcBufferDefault) w.Enum("FaceCulling", kFaceCulling, face_culling_);
  w.Reference("MaterialLibrary", material_library_);
  if (!lib_material_name_.empty()) w.String("LibMaterialName", lib_material_name_);
  if (StoresTextureEx()) {
    std::vector<const TPersistent*> items;
    for (int i = 0; i < texture_ex_->Count(); ++i) items.push_back(texture_ex_->Items(i));
    w.Items("TextureEx", items);
  }
}

bool TGLMaterial::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if ((name.starts_with("BackProperties.") && ReadNested("BackProperties", BackProperties(), name, v)) ||
      ReadNested("FrontProperties", *front_properties_, name, v)) {
    NotifyChange(this);
  } else if (name.starts_with("Texture.") && ReadNested("Texture", Texture(), name, v)) {
    // The texture has told its owner of its change itself.
  } else if (name == "TextureEx") {
    TextureEx().Clear();
    ReadItems(v, [this]() -> TPersistent& { return *TextureEx().Add(); });
  } else if (name == "BlendingMode") {
    SetBlendingMode(AsEnum<TBlendingMode>(kBlendingMode, v));
  } else if (name == "MaterialOptions") {
    SetMaterialOptions(static_cast<TMaterialOptions>(SetBits(kMaterialOptions, v)));
  } else if (name == "FaceCulling") {
    SetFaceCulling(AsEnum<TFaceCulling>(kFaceCulling, v));
  } else if (name == "MaterialLibrary") {
    ReadReference<TGLMaterialLibrary>(v, [this](TGLMaterialLibrary* library) { SetMaterialLibrary(library); });
  } else if (name == "LibMaterialName") {
    SetLibMaterialName(AsString(v));
  } else {
    return TGLUpdateAbleObject::ReadProperty(name, v);
  }
  return true;
}

}  // namespace zentrova
