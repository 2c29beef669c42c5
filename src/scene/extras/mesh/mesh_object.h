// Mesh objects: named blocks of per-vertex data (positions, normals, texture points, colours, light-map
// points, extra four-component coordinate sets) drawn as a triangle list or strip or through their face
// groups, and the list of them that a mesh scene object owns.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "scene/base/class_name.h"
#include "scene/base/persistent_classes.h"
#include "scene/base/vector_lists.h"
#include "scene/extras/mesh/face_group.h"

namespace zentrova {

class TGLBaseMesh;
class TGLMaterialLibrary;
class TMeshObjectList;
class TSkeleton;
struct TRenderContextInfo;

class TBaseMeshObject : public TPersistentObject {
 public:
  TBaseMeshObject() = default;
  ZENTROVA_CLASS_NEW(TBaseMeshObject)

  std::string Name;
  TAffineVectorList& Vertices() { return vertices_; }
  TAffineVectorList& Normals() { return normals_; }
  const TAffineVectorList& Vertices() const { return vertices_; }
  const TAffineVectorList& Normals() const { return normals_; }
  void SetVertices(const TAffineVectorList& list) { vertices_.Assign(&list); }
  void SetNormals(const TAffineVectorList& list) { normals_.Assign(&list); }
  bool Visible = true;

  // sum += every vertex, count += the vertex count.
  void ContributeToBarycenter(TAffineVector& sum, int& count) const;
  virtual void Clear();
  virtual void Translate(const TAffineVector& delta);
  // A copy of the vertices (empty unless a multiple of 3), the normals into `normals` when given.
  virtual std::unique_ptr<TAffineVectorList> ExtractTriangles(TAffineVectorList* tex_coords,
                                                              TAffineVectorList* normals) const;

  void WriteArchive(TVirtualWriter& writer) const override;
  void ReadArchive(TVirtualReader& reader) override;

 private:
  TAffineVectorList vertices_;
  TAffineVectorList normals_;
};

enum TMeshObjectMode : std::uint8_t { mmTriangles = 0, mmTriangleStrip = 1, mmFaceGroups = 2 };
inline constexpr std::uint8_t kLastMeshObjectMode = mmFaceGroups;

// Bits of RenderingOptions.
enum TMeshObjectRenderingOption : std::uint8_t { roGroupByMaterial = 1u << 0 };
using TMeshObjectRenderingOptions = std::uint8_t;

class TMeshObject : public TBaseMeshObject {
 public:
  TMeshObject();
  ~TMeshObject() override;
  ZENTROVA_CLASS_NEW(TMeshObject)

  TMeshObjectList* Owner() const { return owner_; }
  void SetOwner(TMeshObjectList* owner) { owner_ = owner; }
  // The skeleton of the owning mesh, or nullptr outside one.
  TSkeleton* OwnerSkeleton() const;

  TAffineVectorList& TexCoords() { return tex_coords_; }  // x and y are used
  TTexPointList& LightmapTexCoords() { return lightmap_tex_coords_; }
  TVectorList& Colors() { return colors_; }
  TFaceGroups& FaceGroups() { return face_groups_; }
  const TAffineVectorList& TexCoords() const { return tex_coords_; }
  const TTexPointList& LightmapTexCoords() const { return lightmap_tex_coords_; }
  const TVectorList& Colors() const { return colors_; }
  const TFaceGroups& FaceGroups() const { return face_groups_; }
  TMeshObjectMode Mode = mmTriangles;
  TMeshObjectRenderingOptions RenderingOptions = 0;

  // Extra coordinate sets; index k feeds texture unit k. GetTexCoordsEx appends empty sets up to index.
  int TexCoordsExCount() const { return static_cast<int>(tex_coords_ex_.size()); }
  TVectorList& GetTexCoordsEx(int index);
  std::int32_t AuxTexCoordIndexA() const { return aux_a_; }
  std::int32_t AuxTexCoordIndexB() const { return aux_b_; }
  void SetAuxTexCoordIndexA(std::int32_t value);  // asserted >= 0
  void SetAuxTexCoordIndexB(std::int32_t value);

  bool ArraysDeclared() const { return arrays_declared_; }
  bool LightmapArrayEnabled() const { return lightmap_array_enabled_; }
  std::int32_t LastLightmapIndex = -1;

  void Clear() override;
  std::unique_ptr<TAffineVectorList> ExtractTriangles(TAffineVectorList* tex_coords,
                                                      TAffineVectorList* normals) const override;
  virtual int TriangleCount() const;
  void GetExtents(TAffineVector& min, TAffineVector& max) const { vertices().GetExtents(min, max); }
  // Inside the extents box, its faces included.
  virtual bool PointInObject(const TAffineVector& point) const;

  void PrepareMaterialLibraryCache(TGLMaterialLibrary* library) { face_groups_.PrepareMaterialLibraryCache(library); }
  void DropMaterialLibraryCache() { face_groups_.DropMaterialLibraryCache(); }

  // Client arrays for the lists that cover every vertex; a list shorter than Vertices is left out. Once
  // declared, later calls only refresh the texture-point pointer when the routing mask changed.
  void DeclareArraysToOpenGL(TRenderContextInfo& rci, bool even_if_already_declared);
  void DisableOpenGLArrays(TRenderContextInfo& rci);
  void EnableLightmapArray(TRenderContextInfo& rci);
  void DisableLightmapArray(TRenderContextInfo& rci);
  // Whether a per-vertex list may be handed to OpenGL with the vertices.
  bool CoversVertices(const TBaseList& list) const;

  virtual void PrepareBuildList(TRenderContextInfo& rci);
  virtual void BuildList(TRenderContextInfo& rci);

  void WriteArchive(TVirtualWriter& writer) const override;
  // Refuses (EFilerException) a mode outside its enumeration and a count of extra sets that is negative
  // or longer than the data.
  void ReadArchive(TVirtualReader& reader) override;

 private:
  const TAffineVectorList& vertices() const { return Vertices(); }
  void BuildFaceGroups(TRenderContextInfo& rci);
  void DeclareTexCoordPointer();

  TMeshObjectList* owner_ = nullptr;
  TAffineVectorList tex_coords_;
  TTexPointList lightmap_tex_coords_;
  TVectorList colors_;
  TFaceGroups face_groups_{this};
  bool arrays_declared_ = false;
  bool lightmap_array_enabled_ = false;
  std::vector<std::unique_ptr<TVectorList>> tex_coords_ex_;
  std::int32_t aux_a_ = 2;
  std::int32_t aux_b_ = 1;
  std::uint32_t last_tex_coord_mapping_ = 0;
  bool arrays_locked_ = false;
};

// The process-wide counter behind roGroupByMaterial: each draw takes the next tag, so that no group needs
// its flag cleared between frames.
std::int32_t NextMeshRenderTag();

class TMeshObjectList : public TPersistentObjectList {
 public:
  explicit TMeshObjectList(TGLBaseMesh* owner = nullptr) : owner_(owner) {}
  ~TMeshObjectList() override;
  ZENTROVA_CLASS_NEW(TMeshObjectList)

  TGLBaseMesh* Owner() const { return owner_; }
  TMeshObject* Items(int index) const { return static_cast<TMeshObject*>(Get(index)); }
  TMeshObject* operator[](int index) const { return Items(index); }
  template <class T = TMeshObject>
  T& AddNew() {
    auto mesh = std::make_unique<T>();
    T& added = *mesh;
    mesh->SetOwner(this);
    Add(std::move(mesh));
    return added;
  }

  void PrepareBuildList(TRenderContextInfo& rci);
  void BuildList(TRenderContextInfo& rci);
  void PrepareMaterialLibraryCache(TGLMaterialLibrary* library);
  void DropMaterialLibraryCache();
  void MorphTo(int index);
  void Lerp(int index1, int index2, float factor);
  int MorphTargetCount() const;
  // From ±1e30: an empty list leaves those.
  void GetExtents(TAffineVector& min, TAffineVector& max) const;
  void Translate(const TAffineVector& delta);
  std::unique_ptr<TAffineVectorList> ExtractTriangles(TAffineVectorList* tex_coords,
                                                      TAffineVectorList* normals) const;
  void Clear() override;

  // Then every skinned object prepares its bone-space meshes, or marks them stale while the skeleton
  // lacks a bone they name.
  void ReadArchive(TVirtualReader& reader) override;

 protected:
  void AfterObjectCreatedByReader(TPersistentObject* item) override;

 private:
  TGLBaseMesh* owner_;
};

}  // namespace zentrova
