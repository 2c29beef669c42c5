// Extra textures of a material, each on a given texture unit with its own texture matrix.
#pragma once

#include <memory>
#include <string>

#include "scene/base/class_name.h"
#include "scene/base/collection.h"
#include "scene/base/coordinates.h"
#include "scene/base/vector_types.h"
#include "scene/materials/texture.h"

namespace zentrova {

class TGLMaterial;
struct TRenderContextInfo;

class TGLTextureExItem : public TCollectionItem {
 public:
  explicit TGLTextureExItem(TCollection* collection);
  ~TGLTextureExItem() override;
  ZENTROVA_CLASS(TGLTextureExItem)

  TGLTexture& Texture() { return *texture_; }
  const TGLTexture& Texture() const { return *texture_; }
  void SetTexture(const TGLTexture& value);
  // The texture unit, 0-based; a negative value becomes 0.
  int TextureIndex() const { return texture_index_; }
  void SetTextureIndex(int value);
  TGLCoordinates& TextureOffset() { return *texture_offset_; }
  TGLCoordinates& TextureScale() { return *texture_scale_; }
  void SetTextureOffset(const TGLCoordinates& value);
  void SetTextureScale(const TGLCoordinates& value);
  bool TextureMatrixIsIdentity() const { return texture_matrix_is_identity_; }
  const TMatrix4f& TextureMatrix() const { return texture_matrix_; }
  bool Applied() const { return applied_; }

  // An enabled texture on its unit with the item's matrix pushed onto the unit's texture matrix stack.
  void Apply(TRenderContextInfo& rci);
  void Restore(TRenderContextInfo& rci);

  void Assign(const TPersistent* source) override;
  // "Tex [<index>]".
  std::string GetDisplayName() const override;
  // The texture as "Texture.*", the unit always, offset and scale when off (0, 0, 0, 0) and (1, 1, 1, 1).
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;
  // The collection's notification, which reaches the owning material.
  void NotifyChange();
  // The item's texture was enabled or disabled: the owning material's texture-map change.
  void TextureMapChanged();
  // Identity for offset (0, 0, 0, 0) and scale (1, 1, 1, 1), else scale on the diagonal and the offset
  // as translation row; then the collection hears of it.
  void UpdateTextureMatrix();

 private:
  // Pops the texture matrix that Apply pushed on this item's unit.
  void PopTextureMatrix();
  friend class TGLTextureEx;
  std::unique_ptr<TGLTexture> texture_;
  int texture_index_ = 0;
  std::unique_ptr<TGLCoordinates> texture_offset_;
  std::unique_ptr<TGLCoordinates> texture_scale_;
  bool texture_matrix_is_identity_ = true;
  TMatrix4f texture_matrix_ = IdentityMatrix;
  bool applied_ = false;
};

class TGLTextureEx : public TCollection {
 public:
  explicit TGLTextureEx(TGLMaterial* owner);
  ZENTROVA_CLASS(TGLTextureEx)

  // A new item on the unit of its collection identifier.
  TGLTextureExItem* Add();
  TGLTextureExItem* Items(int index) const {
    return static_cast<TGLTextureExItem*>(TCollection::Items(index));
  }
  TGLMaterial* Material() const { return owner_; }
  TPersistent* GetOwner() const override;

  // Whether an item on that unit has an enabled texture.
  bool UnitHasEnabledTexture(int index) const;
  // Every item recomputes its matrix.
  void TextureMapChanged();
  // Only with multitexturing: the items on the units OpenGL has, and the units of those with user
  // mapping beyond unit 0 added to the texture-coordinate routing; restored in order.
  void Apply(TRenderContextInfo& rci);
  void Restore(TRenderContextInfo& rci);

 protected:
  void Update(TCollectionItem* item) override;

 private:
  TGLMaterial* owner_;
};

}  // namespace zentrova
