// Face groups: the faces of a mesh object in face-group mode, each group indexing into the mesh object's
// vertex data, naming a material of the mesh's library and optionally a light map, and drawn with one
// primitive type.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "scene/base/class_name.h"
#include "scene/base/persistent_classes.h"
#include "scene/base/vector_lists.h"

namespace zentrova {

class TFaceGroups;
class TGLLibMaterial;
class TGLMaterialLibrary;
class TGLTexture;
class TMeshObject;
struct TRenderContextInfo;

// The primitive of a vertex-index group. fgTrianglesAlt behaves as fgTriangles everywhere.
enum TFaceGroupMeshMode : std::uint8_t {
  fgTriangles = 0,
  fgTriangleStrip = 1,
  fgTrianglesAlt = 2,
  fgTriangleFan = 3,
  fgQuads = 4,
};
inline constexpr std::uint8_t kLastFaceGroupMode = fgQuads;

class TFaceGroup : public TPersistentObject {
 public:
  TFaceGroup() = default;
  ZENTROVA_CLASS_NEW(TFaceGroup)

  TFaceGroups* Owner() const { return owner_; }
  void SetOwner(TFaceGroups* owner) { owner_ = owner; }
  // The mesh object of the owning list, or nullptr.
  TMeshObject* Mesh() const;

  std::string MaterialName;
  TGLLibMaterial* MaterialCache = nullptr;
  std::int32_t LightmapIndex = -1;  // a material index of the light-map library; −1 none
  std::int32_t RenderTag = 0;

  // The library material named MaterialName, when there is a name and a library.
  void PrepareMaterialLibraryCache(TGLMaterialLibrary* library);
  void DropMaterialLibraryCache() { MaterialCache = nullptr; }
  // The texture on unit 1, modulating (2D textures only).
  void AttachLightmap(TGLTexture& texture, TRenderContextInfo& rci);
  // Binds this group's light map, or switches unit 1 off for −1, when it differs from the mesh's last.
  void AttachOrDetachLightmap(TRenderContextInfo& rci);

  // Abstract here: "Abstract method" assertion failures.
  virtual void BuildList(TRenderContextInfo& rci);
  virtual int TriangleCount() const;
  // Appends the group's triangles (positions, and texture points and normals when asked for).
  virtual void AddToTriangles(TAffineVectorList& list, TAffineVectorList* tex_coords,
                              TAffineVectorList* normals) const {}
  virtual void Reverse() {}

  // Version 1 (with LightmapIndex) only for a light map, else 0.
  void WriteArchive(TVirtualWriter& writer) const override;
  void ReadArchive(TVirtualReader& reader) override;

 private:
  TFaceGroups* owner_ = nullptr;
};

// Indexes into the mesh object's shared lists.
class TFGVertexIndexList : public TFaceGroup {
 public:
  ZENTROVA_CLASS_NEW(TFGVertexIndexList)

  TIntegerList& VertexIndices() { return vertex_indices_; }
  const TIntegerList& VertexIndices() const { return vertex_indices_; }
  TFaceGroupMeshMode Mode = fgTriangles;

  // Arrays declared by the mesh object, the light map attached, then glDrawElements.
  void BuildList(TRenderContextInfo& rci) override;
  int TriangleCount() const override;
  void AddToTriangles(TAffineVectorList& list, TAffineVectorList* tex_coords,
                      TAffineVectorList* normals) const override;
  void Reverse() override { vertex_indices_.Reverse(); }
  // The primitive's triangles of source[indices[..]] appended to destination; zero vectors, as many,
  // for an empty source; nothing without a destination or for fewer than 3 indexes.
  void AddToList(const TAffineVectorList& source, TAffineVectorList* destination,
                 const TIntegerList& indices) const;

  void WriteArchive(TVirtualWriter& writer) const override;
  // Refuses (EFilerException) an unknown mode and, inside a mesh object, indexes outside its vertices.
  void ReadArchive(TVirtualReader& reader) override;

 protected:
  // Refuses indexes outside 0 .. count − 1.
  void CheckIndexes(const TIntegerList& indices, int count, const char* what) const;

 private:
  TIntegerList vertex_indices_;
};

// Separate indexes for positions, normals and texture points; an empty list means VertexIndices.
class TFGVertexNormalTexIndexList : public TFGVertexIndexList {
 public:
  ZENTROVA_CLASS_NEW(TFGVertexNormalTexIndexList)

  TIntegerList& NormalIndices() { return normal_indices_; }
  TIntegerList& TexCoordIndices() { return tex_coord_indices_; }

  // Immediate mode, no arrays, no light map. A normal or texture point whose index lies outside its
  // list is not sent.
  void BuildList(TRenderContextInfo& rci) override;
  void AddToTriangles(TAffineVectorList& list, TAffineVectorList* tex_coords,
                      TAffineVectorList* normals) const override;
  void WriteArchive(TVirtualWriter& writer) const override;
  void ReadArchive(TVirtualReader& reader) override;

 private:
  TIntegerList normal_indices_;
  TIntegerList tex_coord_indices_;
};

// Position indexes with a texture point of their own per index.
class TFGIndexTexCoordList : public TFGVertexIndexList {
 public:
  ZENTROVA_CLASS_NEW(TFGIndexTexCoordList)

  TAffineVectorList& TexCoords() { return tex_coords_; }
  void Add(int index, const TAffineVector& tex_coord);

  void BuildList(TRenderContextInfo& rci) override;
  void AddToTriangles(TAffineVectorList& list, TAffineVectorList* tex_coords,
                      TAffineVectorList* normals) const override;
  void WriteArchive(TVirtualWriter& writer) const override;
  // Also refuses a texture-point count other than the index count.
  void ReadArchive(TVirtualReader& reader) override;

 private:
  TAffineVectorList tex_coords_;
};

class TFaceGroups : public TPersistentObjectList {
 public:
  explicit TFaceGroups(TMeshObject* owner = nullptr) : owner_(owner) {}
  ZENTROVA_CLASS_NEW(TFaceGroups)

  TMeshObject* Owner() const { return owner_; }
  TFaceGroup* Items(int index) const { return static_cast<TFaceGroup*>(Get(index)); }
  TFaceGroup* operator[](int index) const { return Items(index); }
  template <class T>
  T& AddNew() {
    auto group = std::make_unique<T>();
    T& added = *group;
    group->SetOwner(this);
    Add(std::move(group));
    return added;
  }

  void PrepareMaterialLibraryCache(TGLMaterialLibrary* library);
  void DropMaterialLibraryCache();
  void AddToTriangles(TAffineVectorList& list, TAffineVectorList* tex_coords, TAffineVectorList* normals) const;
  void ReadArchive(TVirtualReader& reader) override;

 protected:
  // The owner is known before the group reads itself, so that it can check its indexes.
  void AfterObjectCreatedByReader(TPersistentObject* item) override;

 private:
  TMeshObject* owner_;
};

}  // namespace zentrova
