// The mesh scene objects: a base that owns mesh objects and a skeleton, loads and saves them through the
// vector-file registry, centres and scales what it loads, binds its face groups to a material library
// and draws them, optionally with light maps; and the free form, the static mesh that scenes place.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "scene/base/class_name.h"
#include "scene/base/coordinates.h"
#include "scene/base/streams.h"
#include "scene/core/custom_scene_object.h"
#include "scene/extras/mesh/mesh_object.h"
#include "scene/extras/mesh/skeleton.h"
#include "scene/extras/mesh/vector_file.h"

namespace zentrova {

class TGLMaterialLibrary;

// Bits of AutoCentering.
enum TMeshAutoCentering : std::uint8_t {
  macCenterX = 1u << 0,
  macCenterY = 1u << 1,
  macCenterZ = 1u << 2,
  macUseBarycenter = 1u << 3,
};
using TMeshAutoCenterings = std::uint8_t;

class TGLBaseMesh : public TGLStageObject {
 public:
  TGLBaseMesh();
  ~TGLBaseMesh() override;
  ZENTROVA_CLASS_NEW(TGLBaseMesh)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  TMeshObjectList& MeshObjects() { return *mesh_objects_; }
  const TMeshObjectList& MeshObjects() const { return *mesh_objects_; }
  TSkeleton& Skeleton() { return *skeleton_; }

  TMeshNormalsOrientation NormalsOrientation() const { return normals_orientation_; }
  void SetNormalsOrientation(TMeshNormalsOrientation value);
  TGLMaterialLibrary* MaterialLibrary() const { return material_library_; }
  void SetMaterialLibrary(TGLMaterialLibrary* library);
  TGLMaterialLibrary* LightmapLibrary() const { return lightmap_library_; }
  void SetLightmapLibrary(TGLMaterialLibrary* library);
  bool UseMeshMaterials() const { return use_mesh_materials_; }
  void SetUseMeshMaterials(bool value);
  bool OverlaySkeleton() const { return overlay_skeleton_; }
  void SetOverlaySkeleton(bool value);
  TMeshAutoCenterings AutoCentering = 0;
  TGLCoordinates& AutoScaling() { return *auto_scaling_; }
  const TGLCoordinates& AutoScaling() const { return *auto_scaling_; }

  // Loading clears, reads, scales and centres; adding keeps what is there and centres nothing. An empty
  // name does nothing; an unknown extension raises EInvalidVectorFile.
  void LoadFromFile(const std::string& file_name);
  virtual void LoadFromStream(const std::string& file_name, TStream& stream);
  void SaveToFile(const std::string& file_name);
  void SaveToStream(const std::string& file_name, TStream& stream);
  void AddDataFromFile(const std::string& file_name);
  void AddDataFromStream(const std::string& file_name, TStream& stream);

  // From ±∞, over every mesh object, visible or not.
  void GetExtents(TAffineVector& min, TAffineVector& max) const;
  TAffineVector GetBarycenter() const;
  void PerformAutoScaling();
  void PerformAutoCentering();
  TVector4f UnscaledHalfExtents() const override;
  // The nearest triangle hit in local space, returned in world space; the normal flipped for mnoInvert.
  bool RayCastIntersect(const TVector4f& ray_start, const TVector4f& ray_vector,
                        TVector4f* intersect_point = nullptr, TVector4f* intersect_normal = nullptr) override;
  std::unique_ptr<TGLSilhouette> GenerateSilhouette(const TSilhouetteQuery& query) override;

  bool MaterialLibraryCachesPrepared() const { return caches_prepared_; }
  void PrepareMaterialLibraryCache();
  void DropMaterialLibraryCache();
  virtual void PrepareBuildList(TRenderContextInfo& rci);
  void BuildList(TRenderContextInfo& rci) override;
  void DoRender(TRenderContextInfo& rci, bool render_self, bool render_children) override;
  void ReleaseDisplayList() override;
  // Extents and material cache forgotten, display list dirty.
  void StructureChanged();
  void MarkStructureDirty() override;
  void Assign(const TPersistent* source) override;

 protected:
  virtual void PrepareVectorFile(TVectorFile& file) { file.SetNormalsOrientation(normals_orientation_); }
  virtual void PerformMeshLoaded() { StructureChanged(); }
  void Notification(TComponent& component, TOperation operation) override;

 private:
  void ReadVectorFile(const std::string& file_name, TStream& stream);

  TMeshNormalsOrientation normals_orientation_ = mnoDefault;
  TGLMaterialLibrary* material_library_ = nullptr;
  TGLMaterialLibrary* lightmap_library_ = nullptr;
  mutable TVector4f extents_cache_{-1, 0, 0, 0};
  bool use_mesh_materials_ = true;
  bool overlay_skeleton_ = false;
  std::unique_ptr<TGLCoordinates> auto_scaling_;
  bool caches_prepared_ = false;
  std::unique_ptr<TMeshObjectList> mesh_objects_;
  std::unique_ptr<TSkeleton> skeleton_;
};

class TGLFreeForm : public TGLBaseMesh {
 public:
  ZENTROVA_CLASS_NEW(TGLFreeForm)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;
};

}  // namespace zentrova
