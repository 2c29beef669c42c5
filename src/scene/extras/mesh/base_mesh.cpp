#include "scene/extras/mesh/base_mesh.h"

#include <cmath>
#include <limits>

#include "scene/base/class_registration.h"
#include "scene/base/matrix_geometry.h"
#include "scene/base/property_setter.h"
#include "scene/base/property_stream.h"
#include "scene/base/scene_errors.h"
#include "scene/base/vector_geometry.h"
#include "scene/materials/material.h"
#include "scene/materials/material_library.h"
#include "scene/base/scope_exit.h"
#include "scene/core/stage.h"
#include "scene/extras/mesh/mesh_connectivity.h"
#include "scene/extras/mesh/mesh_file.h"
#include "scene/gl/state_cache.h"
#include "scene/gl/texture_coordinates.h"

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TGLFreeForm);

TGLBaseMesh::TGLBaseMesh()
    : auto_scaling_(std::make_unique<TGLCoordinates>(nullptr, TVector4f{1, 1, 1, 0}, csVector)),
      mesh_objects_(std::make_unique<TMeshObjectList>(this)),
      skeleton_(std::make_unique<TSkeleton>(this)) {
  RegisterMeshClasses();
  SetObjectStyle(ObjectStyle() | osTampersWithState);
}

TGLBaseMesh::~TGLBaseMesh() {
  // The mesh objects and the skeleton refer to this mesh: they go before it does.
  mesh_objects_.reset();
  skeleton_.reset();
}

void TGLBaseMesh::SetNormalsOrientation(TMeshNormalsOrientation value) {
  SetProperty(normals_orientation_, value, [this] { StructureChanged(); });
}

void TGLBaseMesh::SetMaterialLibrary(TGLMaterialLibrary* library) {
  if (library == material_library_) return;
  DropMaterialLibraryCache();
  if (material_library_ != nullptr) {
    ReleaseDisplayList();
    RemoveFreeNotification(*material_library_);
  }
  material_library_ = library;
  if (library != nullptr) FreeNotification(*library);
  StructureChanged();
}

void TGLBaseMesh::SetLightmapLibrary(TGLMaterialLibrary* library) {
  if (library == lightmap_library_) return;
  if (lightmap_library_ != nullptr) {
    ReleaseDisplayList();
    RemoveFreeNotification(*lightmap_library_);
  }
  lightmap_library_ = library;
  if (library != nullptr) FreeNotification(*library);
  StructureChanged();
}

void TGLBaseMesh::SetUseMeshMaterials(bool value) {
  if (value == use_mesh_materials_) return;
  use_mesh_materials_ = value;
  if (!value) DropMaterialLibraryCache();
  StructureChanged();
}

void TGLBaseMesh::SetOverlaySkeleton(bool value) {
  SetProperty(overlay_skeleton_, value, NotifyChangeOf(this));
}

void TGLBaseMesh::Notification(TComponent& component, TOperation operation) {
  if (operation == TOperation::Remove) {
    // The library is going: the face groups' references into it go first, and nothing is asked of it.
    if (&component == material_library_) {
      DropMaterialLibraryCache();
      material_library_ = nullptr;
      StructureChanged();
    }
    if (&component == lightmap_library_) {
      lightmap_library_ = nullptr;
      StructureChanged();
    }
  }
  TGLStageObject::Notification(component, operation);
}

// ---- Loading and saving

void TGLBaseMesh::LoadFromFile(const std::string& file_name) {
  if (file_name.empty()) return;
  const auto stream = OpenDataStream(file_name, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(file_name, *stream);
}

void TGLBaseMesh::LoadFromStream(const std::string& file_name, TStream& stream) {
  if (file_name.empty()) return;
  mesh_objects_->Clear();
  skeleton_->Clear();
  ReadVectorFile(file_name, stream);
  PerformAutoScaling();
  PerformAutoCentering();
  PerformMeshLoaded();
}

void TGLBaseMesh::AddDataFromFile(const std::string& file_name) {
  if (file_name.empty()) return;
  const auto stream = OpenDataStream(file_name, fmOpenRead | fmShareDenyWrite);
  AddDataFromStream(file_name, *stream);
}

void TGLBaseMesh::AddDataFromStream(const std::string& file_name, TStream& stream) {
  if (file_name.empty()) return;
  ReadVectorFile(file_name, stream);
  PerformMeshLoaded();
}

void TGLBaseMesh::ReadVectorFile(const std::string& file_name, TStream& stream) {
  const std::unique_ptr<TVectorFile> file = GetVectorFileFormats().FindFromFileName(file_name)(this);
  file->SetResourceName(file_name);
  PrepareVectorFile(*file);
  TGLStage* scene = Scene();
  if (scene == nullptr) {
    file->LoadFromStream(stream);
    return;
  }
  // A file that fails to read must not leave the scene deaf to later changes.
  scene->BeginUpdate();
  const TScopeExit end_update([scene] { scene->EndUpdate(); });
  file->LoadFromStream(stream);
}

void TGLBaseMesh::SaveToFile(const std::string& file_name) {
  if (file_name.empty()) return;
  const auto stream = OpenDataStream(file_name, fmCreate);
  SaveToStream(file_name, *stream);
}

void TGLBaseMesh::SaveToStream(const std::string& file_name, TStream& stream) {
  if (file_name.empty()) return;
  const std::unique_ptr<TVectorFile> file = GetVectorFileFormats().FindFromFileName(file_name)(this);
  file->SetResourceName(file_name);
  PrepareVectorFile(*file);
  file->SaveToStream(stream);
}

// ---- Geometry

void TGLBaseMesh::GetExtents(TAffineVector& min, TAffineVector& max) const {
  const float inf = std::numeric_limits<float>::infinity();
  min = {inf, inf, inf};
  max = {-inf, -inf, -inf};
  for (int i = 0; i < mesh_objects_->Count(); ++i) {
    TAffineVector item_min, item_max;
    mesh_objects_->Items(i)->GetExtents(item_min, item_max);
    for (int k = 0; k < 3; ++k) {
      if (item_min[k] < min[k]) min[k] = item_min[k];
      if (item_max[k] > max[k]) max[k] = item_max[k];
    }
  }
}

TAffineVector TGLBaseMesh::GetBarycenter() const {
  TAffineVector sum = ZeroVector;
  int count = 0;
  for (int i = 0; i < mesh_objects_->Count(); ++i) mesh_objects_->Items(i)->ContributeToBarycenter(sum, count);
  if (count > 0) ScaleAffine(sum, 1.0f / count);
  return sum;
}

void TGLBaseMesh::PerformAutoScaling() {
  const TAffineVector scale = auto_scaling_->AsAffineVector();
  if (scale == TAffineVector{1, 1, 1}) return;
  for (int i = 0; i < mesh_objects_->Count(); ++i) mesh_objects_->Items(i)->Vertices().ScaleByVector(scale);
}

void TGLBaseMesh::PerformAutoCentering() {
  TAffineVector delta = ZeroVector;
  if ((AutoCentering & macUseBarycenter) != 0) {
    NegateAffineTo(GetBarycenter(), delta);
  } else {
    TAffineVector min, max;
    GetExtents(min, max);
    const TMeshAutoCentering flags[3] = {macCenterX, macCenterY, macCenterZ};
    for (int k = 0; k < 3; ++k) {
      if ((AutoCentering & flags[k]) != 0) delta[k] = -(min[k] + max[k]) * 0.5f;
    }
  }
  mesh_objects_->Translate(delta);
}

TVector4f TGLBaseMesh::UnscaledHalfExtents() const {
  if (extents_cache_[0] < 0) {
    TAffineVector min, max;
    mesh_objects_->GetExtents(min, max);
    for (int k = 0; k < 3; ++k) extents_cache_[k] = std::max(std::fabs(min[k]), std::fabs(max[k]));
  }
  return {extents_cache_[0], extents_cache_[1], extents_cache_[2], 0};
}

bool TGLBaseMesh::RayCastIntersect(const TVector4f& ray_start, const TVector4f& ray_vector,
                                   TVector4f* intersect_point, TVector4f* intersect_normal) {
  const auto triangles = mesh_objects_->ExtractTriangles(nullptr, nullptr);
  const TVector4f start = WorldToLocal({ray_start[0], ray_start[1], ray_start[2], 1});
  const TVector4f vector = WorldToLocal({ray_vector[0], ray_vector[1], ray_vector[2], 0});
  bool found = false;
  float nearest = 0;
  TVector4f best_point{};
  TAffineVector best_normal{};
  const TAffineVector local_start{start[0], start[1], start[2]};
  const TAffineVector* t = triangles->List();
  for (int i = 0; i + 2 < triangles->Count(); i += 3) {
    TVector4f point;
    TAffineVector normal;
    if (!RayTriangleHit(start, vector, t[i], t[i + 1], t[i + 2], &point, &normal)) continue;
    const float distance = AffineDistance2(local_start, {point[0], point[1], point[2]});
    if (!found || distance < nearest) {
      found = true;
      nearest = distance;
      best_point = point;
      best_normal = normal;
    }
  }
  if (!found) return false;
  if (intersect_point != nullptr) *intersect_point = LocalToWorld({best_point[0], best_point[1], best_point[2], 1});
  if (intersect_normal != nullptr) {
    *intersect_normal = LocalToWorld(DirectionFromAffine(best_normal));
    if (normals_orientation_ == mnoInvert) NegateVector4(*intersect_normal);
  }
  return true;
}

std::unique_ptr<TGLSilhouette> TGLBaseMesh::GenerateSilhouette(const TSilhouetteQuery& query) {
  TGLBaseMeshConnectivity connectivity(*this);
  std::unique_ptr<TGLSilhouette> silhouette;
  connectivity.CreateSilhouette(query, silhouette, true);
  return silhouette;
}

// ---- Materials and drawing

void TGLBaseMesh::PrepareMaterialLibraryCache() {
  if (caches_prepared_) DropMaterialLibraryCache();
  mesh_objects_->PrepareMaterialLibraryCache(material_library_);
  caches_prepared_ = true;
}

void TGLBaseMesh::DropMaterialLibraryCache() {
  if (!caches_prepared_ || mesh_objects_ == nullptr) return;
  mesh_objects_->DropMaterialLibraryCache();
  caches_prepared_ = false;
}

void TGLBaseMesh::PrepareBuildList(TRenderContextInfo& rci) {
  mesh_objects_->PrepareBuildList(rci);
  if (lightmap_library_ != nullptr) lightmap_library_->Materials().PrepareForList();
}

void TGLBaseMesh::BuildList(TRenderContextInfo& rci) {
  mesh_objects_->BuildList(rci);
}

void TGLBaseMesh::DoRender(TRenderContextInfo& rci, bool render_self, bool render_children) {
  // Light maps take the second unit: texture points must not be routed there meanwhile.
  const bool lock = lightmap_library_ != nullptr;
  if (lock) LockSecondTexUnit();
  const TScopeExit unlock([lock] {
    if (lock) UnlockSecondTexUnit();
  });
  if (render_self) {
    if (Scene() != nullptr) Scene()->SetCurrentRenderingObject(this);
    SceneAssert(normals_orientation_ == mnoDefault || normals_orientation_ == mnoInvert);
    const bool invert = normals_orientation_ == mnoInvert;
    if (invert) rci.GLStates->InvertFrontFace();
    const TScopeExit restore_front_face([&] {
      if (invert) rci.GLStates->InvertFrontFace();
    });
    if (rci.ignoreMaterials) {
      RenderSelf(rci);
    } else {
      if (use_mesh_materials_ && material_library_ != nullptr) {
        rci.materialLibrary = material_library_;
        if (!caches_prepared_) PrepareMaterialLibraryCache();
      } else {
        rci.materialLibrary = nullptr;
      }
      rci.lightmapLibrary = lightmap_library_;
      const TScopeExit forget([&rci] { rci.materialLibrary = nullptr; });
      if (rci.amalgamating || (DisplayListDirty() && !HasStyle(osDirectDraw))) PrepareBuildList(rci);
      RenderSelfWithMaterial(rci);
    }
  }
  if (render_children && ChildCount() > 0) RenderChildrenSorted(0, ChildCount() - 1, rci);
}

void TGLBaseMesh::ReleaseDisplayList() {
  if (material_library_ != nullptr) material_library_->ReleaseHandles();
  if (lightmap_library_ != nullptr) lightmap_library_->ReleaseHandles();
  TGLStageObject::ReleaseDisplayList();
}

void TGLBaseMesh::StructureChanged() {
  MarkStructureDirty();
}

void TGLBaseMesh::MarkStructureDirty() {
  extents_cache_[0] = -1;
  DropMaterialLibraryCache();
  TGLStageObject::MarkStructureDirty();
}

void TGLBaseMesh::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLBaseMesh*>(source)) {
    skeleton_->Clear();
    normals_orientation_ = other->normals_orientation_;
    SetMaterialLibrary(other->material_library_);
    SetLightmapLibrary(other->lightmap_library_);
    extents_cache_ = other->extents_cache_;
    use_mesh_materials_ = other->use_mesh_materials_;
    overlay_skeleton_ = other->overlay_skeleton_;
    AutoCentering = other->AutoCentering;
    auto_scaling_->Assign(other->auto_scaling_.get());
    skeleton_->Assign(other->skeleton_.get());
    if (skeleton_->Frames().Count() > 0) skeleton_->RootBones().PrepareGlobalMatrices();
    mesh_objects_->Assign(other->mesh_objects_.get());
  }
  TGLStageObject::Assign(source);
}

namespace {

constexpr TIdentNames<4> kAutoCentering{"macCenterX", "macCenterY", "macCenterZ", "macUseBarycenter"};
constexpr TIdentNames<2> kNormalsOrientation{"mnoDefault", "mnoInvert"};
constexpr TVector4f kUnitScaling{1, 1, 1, 0};

}  // namespace

void TGLBaseMesh::WriteProperties(TPropertyWriter& w) const {
  TGLStageObject::WriteProperties(w);
  if (AutoCentering != 0) w.SetOf("AutoCentering", kAutoCentering, AutoCentering);
  w.Reference("MaterialLibrary", material_library_);
  w.Reference("LightmapLibrary", lightmap_library_);
  if (!use_mesh_materials_) w.Boolean("UseMeshMaterials", false);
  if (normals_orientation_ != mnoDefault) w.Enum("NormalsOrientation", kNormalsOrientation, normals_orientation_);
}

bool TGLBaseMesh::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "AutoCentering") {
    AutoCentering = static_cast<TMeshAutoCenterings>(SetBits(kAutoCentering, v));
  } else if (name == "MaterialLibrary") {
    ReadReference<TGLMaterialLibrary>(v, [this](TGLMaterialLibrary* library) { SetMaterialLibrary(library); });
  } else if (name == "LightmapLibrary") {
    ReadReference<TGLMaterialLibrary>(v, [this](TGLMaterialLibrary* library) { SetLightmapLibrary(library); });
  } else if (name == "UseMeshMaterials") {
    SetUseMeshMaterials(AsBoolean(v));
  } else if (name == "NormalsOrientation") {
    SetNormalsOrientation(AsEnum<TMeshNormalsOrientation>(kNormalsOrientation, v));
  } else {
    return TGLStageObject::ReadProperty(name, v);
  }
  return true;
}

void TGLFreeForm::WriteProperties(TPropertyWriter& w) const {
  TGLBaseMesh::WriteProperties(w);
  if (AutoScaling().AsVector() != kUnitScaling) w.Data("AutoScaling.Coordinates", AutoScaling());
}

bool TGLFreeForm::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name != "AutoScaling.Coordinates") return TGLBaseMesh::ReadProperty(name, v);
  ReadData(AutoScaling(), v, 16);
  return true;
}

}  // namespace zentrova
