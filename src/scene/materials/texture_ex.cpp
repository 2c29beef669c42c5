#include "scene/materials/texture_ex.h"
#include <algorithm>
#include "scene/base/property_setter.h"

#include "scene/base/matrix_geometry.h"
#include "scene/base/property_stream.h"
#include "scene/materials/material.h"

namespace zentrova {

namespace {

constexpr TVector4f kNoOffset{0, 0, 0, 0};
constexpr TVector4f kUnitScale{1, 1, 1, 1};

}  // namespace

TGLTextureExItem::TGLTextureExItem(TCollection* collection)
    : TCollectionItem(collection),
      texture_(std::make_unique<TGLTexture>(this)),
      texture_offset_(std::make_unique<TGLCoordinates>(this, kNoOffset, csUnknown)),
      texture_scale_(std::make_unique<TGLCoordinates>(this, kUnitScale, csUnknown)) {
  texture_offset_->OnNotifyChange = [this](TPersistent*) { UpdateTextureMatrix(); };
  texture_scale_->OnNotifyChange = [this](TPersistent*) { UpdateTextureMatrix(); };
}

TGLTextureExItem::~TGLTextureExItem() = default;

void TGLTextureExItem::SetTexture(const TGLTexture& value) {
  texture_->Assign(&value);
  NotifyChange();
}

void TGLTextureExItem::SetTextureIndex(int value) {
  SetProperty(texture_index_, std::max(value, 0), [this] { NotifyChange(); });
}

void TGLTextureExItem::SetTextureOffset(const TGLCoordinates& value) {
  texture_offset_->SetAsVector(value.AsVector());
  NotifyChange();
}

void TGLTextureExItem::SetTextureScale(const TGLCoordinates& value) {
  texture_scale_->SetAsVector(value.AsVector());
  NotifyChange();
}

void TGLTextureExItem::Assign(const TPersistent* source) {
  if (auto* item = dynamic_cast<const TGLTextureExItem*>(source)) {
    if (item == this) return;
    SetTexture(*item->texture_);
    SetTextureIndex(item->texture_index_);
    SetTextureOffset(*item->texture_offset_);
    SetTextureScale(*item->texture_scale_);
    NotifyChange();
    return;
  }
  TCollectionItem::Assign(source);
}

std::string TGLTextureExItem::GetDisplayName() const {
  return "Tex [" + std::to_string(texture_index_) + "]";
}

void TGLTextureExItem::NotifyChange() {
  Changed(false);
}

void TGLTextureExItem::TextureMapChanged() {
  if (auto* collection = dynamic_cast<TGLTextureEx*>(Collection())) {
    if (collection->Material() != nullptr) collection->Material()->TextureMapChanged();
  }
}

void TGLTextureExItem::UpdateTextureMatrix() {
  texture_matrix_is_identity_ = texture_offset_->Equals(kNoOffset) && texture_scale_->Equals(kUnitScale);
  texture_matrix_ = texture_matrix_is_identity_
                        ? IdentityMatrix
                        : ScaleTranslateMatrix(texture_scale_->AsVector(), texture_offset_->AsVector());
  NotifyChange();
}

TGLTextureEx::TGLTextureEx(TGLMaterial* owner)
    : TCollection(&CreateCollectionItem<TGLTextureExItem>), owner_(owner) {}

TGLTextureExItem* TGLTextureEx::Add() {
  auto* item = static_cast<TGLTextureExItem*>(TCollection::Add());
  item->texture_index_ = item->ID();
  return item;
}

TPersistent* TGLTextureEx::GetOwner() const {
  return owner_;
}

bool TGLTextureEx::UnitHasEnabledTexture(int index) const {
  for (int i = 0; i < Count(); ++i) {
    const TGLTextureExItem* item = Items(i);
    if (item->TextureIndex() == index && item->Texture().Enabled()) return true;
  }
  return false;
}

void TGLTextureEx::TextureMapChanged() {
  for (int i = 0; i < Count(); ++i) Items(i)->UpdateTextureMatrix();
}

void TGLTextureEx::Update(TCollectionItem* item) {
  if (owner_ != nullptr) owner_->NotifyChange(this);
}

void TGLTextureExItem::WriteProperties(TPropertyWriter& w) const {
  TCollectionItem::WriteProperties(w);
  w.Nested("Texture", *texture_);
  w.Integer("TextureIndex", texture_index_);
  if (texture_offset_->AsVector() != kNoOffset) w.Data("TextureOffset.Coordinates", *texture_offset_);
  if (texture_scale_->AsVector() != kUnitScale) w.Data("TextureScale.Coordinates", *texture_scale_);
}

bool TGLTextureExItem::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (ReadNested("Texture", *texture_, name, v)) return true;
  if (name == "TextureIndex") {
    SetTextureIndex(AsInteger(v));
  } else if (name == "TextureOffset.Coordinates") {
    ReadData(*texture_offset_, v, 16);
    UpdateTextureMatrix();
  } else if (name == "TextureScale.Coordinates") {
    ReadData(*texture_scale_, v, 16);
    UpdateTextureMatrix();
  } else {
    return TCollectionItem::ReadProperty(name, v);
  }
  return true;
}

}  // namespace zentrova
