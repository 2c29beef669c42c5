#include "scene/extras/mesh/mesh_object.h"

#include <algorithm>
#include <limits>
#include <optional>

#include "scene/base/class_registration.h"
#include "scene/base/scene_errors.h"
#include "scene/base/vector_geometry.h"
#include "scene/materials/material_library.h"
#include "scene/materials/render_context_info.h"
#include "scene/base/scope_exit.h"
#include "scene/extras/mesh/base_mesh.h"
#include "scene/extras/mesh/mesh_file.h"
#include "scene/extras/mesh/mesh_utils.h"
#include "scene/extras/mesh/skeleton_mesh_object.h"
#include "scene/gl/gl_state_scope.h"
#include "scene/gl/opengl_binding.h"
#include "scene/gl/state_cache.h"
#include "scene/gl/texture_coordinates.h"

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TMeshObject);

namespace {

std::int32_t render_tag_counter = 1;

// Draws with the library material applied, again while its Restore asks for another pass. A drawing that
// throws leaves the material undone, so that its library is not left with a current material.
template <class Draw>
void DrawWithMaterial(TGLLibMaterial* material, TRenderContextInfo& rci, Draw draw) {
  if (material == nullptr) {
    draw();
    return;
  }
  material->Apply(rci);
  do {
    try {
      draw();
    } catch (...) {
      try {
        while (material->Restore(rci)) {
        }
      } catch (...) {
      }
      throw;
    }
  } while (material->Restore(rci));
}

}  // namespace

std::int32_t NextMeshRenderTag() {
  return render_tag_counter++;
}

// ---- TBaseMeshObject ----

void TBaseMeshObject::ContributeToBarycenter(TAffineVector& sum, int& count) const {
  AddAffineInPlace(sum, vertices_.Sum());
  count += vertices_.Count();
}

void TBaseMeshObject::Clear() {
  vertices_.Clear();
  normals_.Clear();
}

void TBaseMeshObject::Translate(const TAffineVector& delta) {
  vertices_.Translate(delta);
}

std::unique_ptr<TAffineVectorList> TBaseMeshObject::ExtractTriangles(TAffineVectorList* tex_coords,
                                                                     TAffineVectorList* normals) const {
  auto result = std::make_unique<TAffineVectorList>();
  if (vertices_.Count() % 3 != 0) return result;
  result->Assign(&vertices_);
  if (normals != nullptr) normals->Assign(&normals_);
  return result;
}

void TBaseMeshObject::WriteArchive(TVirtualWriter& writer) const {
  TPersistentObject::WriteArchive(writer);
  writer.WriteInteger(1);
  writer.WriteString(Name);
  vertices_.WriteArchive(writer);
  normals_.WriteArchive(writer);
  writer.WriteBoolean(Visible);
}

void TBaseMeshObject::ReadArchive(TVirtualReader& reader) {
  TPersistentObject::ReadArchive(reader);
  const std::int32_t version = reader.ReadInteger();
  if (version != 0 && version != 1) RaiseArchiveVersionError(version);
  Name = reader.ReadString();
  vertices_.ReadArchive(reader);
  normals_.ReadArchive(reader);
  Visible = version == 0 || reader.ReadBoolean();
}

// ---- TMeshObject ----

TMeshObject::TMeshObject() = default;
TMeshObject::~TMeshObject() = default;

TSkeleton* TMeshObject::OwnerSkeleton() const {
  if (owner_ == nullptr || owner_->Owner() == nullptr) return nullptr;
  return &owner_->Owner()->Skeleton();
}

TVectorList& TMeshObject::GetTexCoordsEx(int index) {
  SceneAssert(index >= 0);
  while (TexCoordsExCount() <= index) tex_coords_ex_.push_back(std::make_unique<TVectorList>());
  return *tex_coords_ex_[static_cast<std::size_t>(index)];
}

void TMeshObject::SetAuxTexCoordIndexA(std::int32_t value) {
  SceneAssert(value >= 0);
  aux_a_ = value;
}

void TMeshObject::SetAuxTexCoordIndexB(std::int32_t value) {
  SceneAssert(value >= 0);
  aux_b_ = value;
}

void TMeshObject::Clear() {
  TBaseMeshObject::Clear();
  face_groups_.Clear();
  colors_.Clear();
  tex_coords_.Clear();
  lightmap_tex_coords_.Clear();
  for (auto& list : tex_coords_ex_) list->Clear();
}

std::unique_ptr<TAffineVectorList> TMeshObject::ExtractTriangles(TAffineVectorList* tex_coords,
                                                                 TAffineVectorList* normals) const {
  switch (Mode) {
    case mmTriangles: {
      auto result = TBaseMeshObject::ExtractTriangles(tex_coords, normals);
      if (tex_coords != nullptr) tex_coords->Assign(&tex_coords_);
      if (normals != nullptr) normals->Assign(&Normals());
      return result;
    }
    case mmTriangleStrip: {
      auto result = std::make_unique<TAffineVectorList>();
      ConvertStripToList(Vertices(), *result);
      if (tex_coords != nullptr) ConvertStripToList(tex_coords_, *tex_coords);
      if (normals != nullptr) ConvertStripToList(Normals(), *normals);
      return result;
    }
    case mmFaceGroups: {
      auto result = std::make_unique<TAffineVectorList>();
      face_groups_.AddToTriangles(*result, tex_coords, normals);
      return result;
    }
    default:
      SceneAssert(false);
      return nullptr;
  }
}

int TMeshObject::TriangleCount() const {
  switch (Mode) {
    case mmTriangles:
      return Vertices().Count() / 3;
    case mmTriangleStrip:
      return std::max(Vertices().Count() - 2, 0);
    case mmFaceGroups: {
      int sum = 0;
      for (int i = 0; i < face_groups_.Count(); ++i) sum += face_groups_[i]->TriangleCount();
      return sum;
    }
    default:
      SceneAssert(false);
      return 0;
  }
}

bool TMeshObject::PointInObject(const TAffineVector& point) const {
  TAffineVector min, max;
  GetExtents(min, max);
  for (int k = 0; k < 3; ++k) {
    if (point[k] < min[k] || point[k] > max[k]) return false;
  }
  return true;
}

bool TMeshObject::CoversVertices(const TBaseList& list) const {
  return list.Count() > 0 && list.Count() >= Vertices().Count();
}

void TMeshObject::DeclareTexCoordPointer() {
  RoutedEnableClientState(GL_TEXTURE_COORD_ARRAY);
  RoutedTexCoordPointer(2, GL_FLOAT, sizeof(TAffineVector), tex_coords_.List());
  last_tex_coord_mapping_ = TexCoordRouteCurrentMask();
}

void TMeshObject::DeclareArraysToOpenGL(TRenderContextInfo& rci, bool even_if_already_declared) {
  if (!even_if_already_declared && arrays_declared_) {
    if (!rci.ignoreMaterials && CoversVertices(tex_coords_) &&
        TexCoordRouteCurrentMask() != last_tex_coord_mapping_) {
      DeclareTexCoordPointer();
    }
    return;
  }
  const TAffineVectorList& vertices = Vertices();
  if (vertices.Count() > 0) {
    gl.EnableClientState(GL_VERTEX_ARRAY);
    gl.VertexPointer(3, GL_FLOAT, 0, vertices.List());
  } else {
    gl.DisableClientState(GL_VERTEX_ARRAY);
  }
  if (rci.ignoreMaterials) {
    gl.DisableClientState(GL_NORMAL_ARRAY);
    gl.DisableClientState(GL_COLOR_ARRAY);
    RoutedDisableClientState(GL_TEXTURE_COORD_ARRAY);
  } else {
    // A list that does not reach every vertex stays undeclared: OpenGL would read past its end.
    if (CoversVertices(Normals())) {
      gl.EnableClientState(GL_NORMAL_ARRAY);
      gl.NormalPointer(GL_FLOAT, 0, Normals().List());
    } else {
      gl.DisableClientState(GL_NORMAL_ARRAY);
    }
    if (CoversVertices(colors_)) {
      gl.EnableClientState(GL_COLOR_ARRAY);
      gl.ColorPointer(4, GL_FLOAT, 0, colors_.List());
    } else {
      gl.DisableClientState(GL_COLOR_ARRAY);
    }
    if (CoversVertices(tex_coords_)) {
      RoutedEnableClientState(GL_TEXTURE_COORD_ARRAY);
      RoutedTexCoordPointer(2, GL_FLOAT, sizeof(TAffineVector), tex_coords_.List());
    } else {
      RoutedDisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    if (GL.ARB_multitexture) {
      if (CoversVertices(lightmap_tex_coords_)) {
        gl.ClientActiveTextureARB(GL_TEXTURE1_ARB);
        gl.TexCoordPointer(2, GL_FLOAT, sizeof(TTexPoint), lightmap_tex_coords_.List());
        gl.EnableClientState(GL_TEXTURE_COORD_ARRAY);
      }
      for (int k = 0; k < TexCoordsExCount(); ++k) {
        if (!CoversVertices(*tex_coords_ex_[k])) continue;
        gl.ClientActiveTextureARB(GL_TEXTURE0_ARB + k);
        gl.TexCoordPointer(4, GL_FLOAT, sizeof(TVector4f), tex_coords_ex_[k]->List());
        gl.EnableClientState(GL_TEXTURE_COORD_ARRAY);
      }
      gl.ClientActiveTextureARB(GL_TEXTURE0_ARB);
    }
  }
  // Locked arrays cannot follow a second unit that face groups switch on and off.
  arrays_locked_ = GL.EXT_compiled_vertex_array && lightmap_tex_coords_.Count() == 0;
  if (arrays_locked_) gl.LockArraysEXT(0, vertices.Count());
  LastLightmapIndex = -1;
  arrays_declared_ = true;
  lightmap_array_enabled_ = false;
  last_tex_coord_mapping_ = TexCoordRouteCurrentMask();
}

void TMeshObject::DisableOpenGLArrays(TRenderContextInfo& rci) {
  if (!arrays_declared_) return;
  DisableLightmapArray(rci);
  if (arrays_locked_) gl.UnlockArraysEXT();
  arrays_locked_ = false;
  if (Vertices().Count() > 0) gl.DisableClientState(GL_VERTEX_ARRAY);
  if (!rci.ignoreMaterials) {
    if (CoversVertices(Normals())) gl.DisableClientState(GL_NORMAL_ARRAY);
    if (CoversVertices(colors_)) gl.DisableClientState(GL_COLOR_ARRAY);
    if (CoversVertices(tex_coords_)) RoutedDisableClientState(GL_TEXTURE_COORD_ARRAY);
    if (GL.ARB_multitexture) {
      if (CoversVertices(lightmap_tex_coords_)) {
        gl.ClientActiveTextureARB(GL_TEXTURE1_ARB);
        gl.DisableClientState(GL_TEXTURE_COORD_ARRAY);
      }
      for (int k = 0; k < TexCoordsExCount(); ++k) {
        if (!CoversVertices(*tex_coords_ex_[k])) continue;
        gl.ClientActiveTextureARB(GL_TEXTURE0_ARB + k);
        gl.DisableClientState(GL_TEXTURE_COORD_ARRAY);
      }
      gl.ClientActiveTextureARB(GL_TEXTURE0_ARB);
    }
  }
  arrays_declared_ = false;
}

void TMeshObject::EnableLightmapArray(TRenderContextInfo& rci) {
  if (!GL.ARB_multitexture || rci.ignoreMaterials) return;
  SceneAssert(arrays_declared_);
  if (lightmap_array_enabled_) return;
  gl.ActiveTextureARB(GL_TEXTURE1_ARB);
  gl.Enable(GL_TEXTURE_2D);
  gl.ActiveTextureARB(GL_TEXTURE0_ARB);
  lightmap_array_enabled_ = true;
}

void TMeshObject::DisableLightmapArray(TRenderContextInfo& rci) {
  if (!GL.ARB_multitexture || !lightmap_array_enabled_) return;
  gl.ActiveTextureARB(GL_TEXTURE1_ARB);
  gl.Disable(GL_TEXTURE_2D);
  gl.ActiveTextureARB(GL_TEXTURE0_ARB);
  lightmap_array_enabled_ = false;
}

void TMeshObject::PrepareBuildList(TRenderContextInfo& rci) {
  if (Mode != mmFaceGroups || rci.materialLibrary == nullptr) return;
  for (int i = 0; i < face_groups_.Count(); ++i) {
    if (TGLLibMaterial* material = face_groups_[i]->MaterialCache) material->PrepareForList();
  }
}

void TMeshObject::BuildList(TRenderContextInfo& rci) {
  arrays_declared_ = false;
  last_tex_coord_mapping_ = 0;
  const TAffineVectorList& vertices = Vertices();
  // Equal counts, none at all included: the colour-material bracket is pushed and popped even then.
  const bool got_color = vertices.Count() == colors_.Count();
  // The arrays are switched off after the colour-material bracket is popped.
  const TScopeExit disable_arrays([&] { DisableOpenGLArrays(rci); });
  std::optional<TGLAttribScope> color_material;
  if (got_color) {
    color_material.emplace(rci.GLStates, GL_ENABLE_BIT);
    gl.Enable(GL_COLOR_MATERIAL);
    gl.ColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    rci.GLStates->ResetMaterialColors();
  }
  switch (Mode) {
    case mmTriangles:
    case mmTriangleStrip: {
      const int count = vertices.Count();
      if (count == 0) break;
      DeclareArraysToOpenGL(rci, false);
      const bool got_normals = count == Normals().Count();
      const bool got_tex_coords = count == tex_coords_.Count();
      std::vector<const TVector4f*> extra;  // per set: its points when it is in use
      for (auto& list : tex_coords_ex_) {
        extra.push_back(GL.ARB_multitexture && CoversVertices(*list) ? list->List() : nullptr);
      }
      gl.Begin(Mode == mmTriangles ? GL_TRIANGLES : GL_TRIANGLE_STRIP);
      for (int i = 0; i < count; ++i) {
        if (got_normals) gl.Normal3fv(Normals().List()[i].data());
        if (got_color) gl.Color4fv(colors_.List()[i].data());
        if (!extra.empty()) {
          if (extra[0] != nullptr) {
            gl.MultiTexCoord4fvARB(GL_TEXTURE0_ARB, extra[0][i].data());
          } else if (got_tex_coords) {
            RoutedTexCoord2fv(tex_coords_.List()[i].data());
          }
          for (std::size_t k = 1; k < extra.size(); ++k) {
            if (extra[k] != nullptr) gl.MultiTexCoord4fvARB(GL_TEXTURE0_ARB + k, extra[k][i].data());
          }
        } else if (got_tex_coords) {
          RoutedTexCoord2fv(tex_coords_.List()[i].data());
        }
        gl.Vertex3fv(vertices.List()[i].data());
      }
      gl.End();
      break;
    }
    case mmFaceGroups:
      BuildFaceGroups(rci);
      break;
    default:
      SceneAssert(false);
  }
}

void TMeshObject::BuildFaceGroups(TRenderContextInfo& rci) {
  const int count = face_groups_.Count();
  if (rci.materialLibrary == nullptr) {
    for (int i = 0; i < count; ++i) face_groups_[i]->BuildList(rci);
  } else if ((RenderingOptions & roGroupByMaterial) == 0) {
    // Consecutive groups of one material share its application.
    for (int i = 0; i < count;) {
      TGLLibMaterial* material = face_groups_[i]->MaterialCache;
      if (material == nullptr) {
        face_groups_[i++]->BuildList(rci);
        continue;
      }
      int end = i;
      DrawWithMaterial(material, rci, [&] {
        for (end = i; end < count && face_groups_[end]->MaterialCache == material; ++end) {
          face_groups_[end]->BuildList(rci);
        }
      });
      i = end;
    }
  } else {
    // All groups of a material together, wherever they stand: the tag marks the groups drawn in this
    // build, and a new tag per build spares clearing the marks.
    const std::int32_t tag = NextMeshRenderTag();
    std::vector<TFaceGroup*> run;
    for (int i = 0; i < count; ++i) {
      if (face_groups_[i]->RenderTag == tag) continue;
      TGLLibMaterial* material = face_groups_[i]->MaterialCache;
      run.clear();
      for (int j = i; j < count; ++j) {
        TFaceGroup* group = face_groups_[j];
        if (group->RenderTag != tag && group->MaterialCache == material) {
          group->RenderTag = tag;
          run.push_back(group);
        }
      }
      DrawWithMaterial(material, rci, [&] {
        for (TFaceGroup* group : run) group->BuildList(rci);
      });
    }
  }
  // Library materials may have switched culling: the buffer's rule holds again afterwards.
  TGLStateCache& states = *rci.GLStates;
  if (states.StateEnabled(stCullFace) && !rci.bufferFaceCull) {
    states.DisableState(stCullFace);
  } else if (!states.StateEnabled(stCullFace) && rci.bufferFaceCull) {
    states.EnableState(stCullFace);
  }
}

void TMeshObject::WriteArchive(TVirtualWriter& writer) const {
  TBaseMeshObject::WriteArchive(writer);
  writer.WriteInteger(2);
  tex_coords_.WriteArchive(writer);
  lightmap_tex_coords_.WriteArchive(writer);
  colors_.WriteArchive(writer);
  face_groups_.WriteArchive(writer);
  writer.WriteInteger(Mode);
  writer.WriteInteger(sizeof(RenderingOptions));
  writer.Write(&RenderingOptions, sizeof(RenderingOptions));
  writer.WriteInteger(TexCoordsExCount());
  for (const auto& list : tex_coords_ex_) list->WriteArchive(writer);
  writer.WriteInteger(aux_a_);
  writer.WriteInteger(aux_b_);
}

void TMeshObject::ReadArchive(TVirtualReader& reader) {
  TBaseMeshObject::ReadArchive(reader);
  const std::int32_t version = reader.ReadInteger();
  if (version < 0 || version > 2) RaiseArchiveVersionError(version);
  const std::string prefix = std::string(ClassName()) + " : ";
  tex_coords_.ReadArchive(reader);
  if (version == 0) {
    lightmap_tex_coords_.Clear();
  } else {
    lightmap_tex_coords_.ReadArchive(reader);
  }
  colors_.ReadArchive(reader);
  face_groups_.ReadArchive(reader);
  const std::int32_t mode = reader.ReadInteger();
  if (mode < 0 || mode > kLastMeshObjectMode) throw EFilerException(prefix + "invalid mode " + std::to_string(mode));
  Mode = static_cast<TMeshObjectMode>(mode);
  const std::int32_t options_size = reader.ReadInteger();
  if (options_size != static_cast<std::int32_t>(sizeof(RenderingOptions))) {
    throw EFilerException(prefix + "invalid rendering options size " + std::to_string(options_size));
  }
  reader.Read(&RenderingOptions, sizeof(RenderingOptions));
  if (version < 2) return;
  const std::int32_t n = reader.ReadInteger();
  // Every set takes bytes of its own: a count beyond the data left is a broken file, not a request.
  if (n < 0 || n > reader.Stream().Remaining()) {
    throw EFilerException(prefix + "invalid count of extra coordinate sets " + std::to_string(n));
  }
  for (int k = 0; k < n; ++k) GetTexCoordsEx(k).ReadArchive(reader);
  for (auto set : {&TMeshObject::SetAuxTexCoordIndexA, &TMeshObject::SetAuxTexCoordIndexB}) {
    const std::int32_t index = reader.ReadInteger();
    if (index < 0) throw EFilerException(prefix + "invalid auxiliary texture coordinate index " + std::to_string(index));
    (this->*set)(index);
  }
}

// ---- TMeshObjectList ----

TMeshObjectList::~TMeshObjectList() {
  Clear();
}

void TMeshObjectList::AfterObjectCreatedByReader(TPersistentObject* item) {
  auto* mesh = dynamic_cast<TMeshObject*>(item);
  if (mesh == nullptr) throw EFilerException(std::string(ClassName()) + " : not a mesh object: " + item->ClassName());
  mesh->SetOwner(this);
}

void TMeshObjectList::ReadArchive(TVirtualReader& reader) {
  RegisterMeshClasses();
  TPersistentObjectList::ReadArchive(reader);
  RefuseNilItems(*this);
  for (int i = 0; i < Count(); ++i) {
    if (auto* skinned = dynamic_cast<TSkeletonMeshObject*>(Items(i))) skinned->PrepareOrMarkStale();
  }
}

void TMeshObjectList::PrepareBuildList(TRenderContextInfo& rci) {
  for (int i = 0; i < Count(); ++i) {
    if (Items(i)->Visible) Items(i)->PrepareBuildList(rci);
  }
}

void TMeshObjectList::BuildList(TRenderContextInfo& rci) {
  for (int i = 0; i < Count(); ++i) {
    if (Items(i)->Visible) Items(i)->BuildList(rci);
  }
}

void TMeshObjectList::PrepareMaterialLibraryCache(TGLMaterialLibrary* library) {
  for (int i = 0; i < Count(); ++i) Items(i)->PrepareMaterialLibraryCache(library);
}

void TMeshObjectList::DropMaterialLibraryCache() {
  for (int i = 0; i < Count(); ++i) Items(i)->DropMaterialLibraryCache();
}

void TMeshObjectList::MorphTo(int index) {
  for (int i = 0; i < Count(); ++i) {
    if (auto* morphable = dynamic_cast<TMorphableMeshObject*>(Items(i))) morphable->MorphTo(index);
  }
}

void TMeshObjectList::Lerp(int index1, int index2, float factor) {
  for (int i = 0; i < Count(); ++i) {
    if (auto* morphable = dynamic_cast<TMorphableMeshObject*>(Items(i))) morphable->Lerp(index1, index2, factor);
  }
}

int TMeshObjectList::MorphTargetCount() const {
  int result = std::numeric_limits<int>::max();
  for (int i = 0; i < Count(); ++i) {
    if (auto* morphable = dynamic_cast<TMorphableMeshObject*>(Items(i))) {
      result = std::min(result, morphable->MorphTargets().Count());
    }
  }
  return result == std::numeric_limits<int>::max() ? 0 : result;
}

void TMeshObjectList::GetExtents(TAffineVector& min, TAffineVector& max) const {
  min = {1e30f, 1e30f, 1e30f};
  max = {-1e30f, -1e30f, -1e30f};
  for (int i = 0; i < Count(); ++i) {
    TAffineVector item_min, item_max;
    Items(i)->GetExtents(item_min, item_max);
    for (int k = 0; k < 3; ++k) {
      if (item_min[k] < min[k]) min[k] = item_min[k];
      if (item_max[k] > max[k]) max[k] = item_max[k];
    }
  }
}

void TMeshObjectList::Translate(const TAffineVector& delta) {
  for (int i = 0; i < Count(); ++i) Items(i)->Translate(delta);
}

std::unique_ptr<TAffineVectorList> TMeshObjectList::ExtractTriangles(TAffineVectorList* tex_coords,
                                                                     TAffineVectorList* normals) const {
  auto result = std::make_unique<TAffineVectorList>();
  TAffineVectorList item_tex_coords, item_normals;
  for (int i = 0; i < Count(); ++i) {
    const auto triangles = Items(i)->ExtractTriangles(tex_coords != nullptr ? &item_tex_coords : nullptr,
                                                      normals != nullptr ? &item_normals : nullptr);
    result->AddList(triangles.get());
    if (tex_coords != nullptr) tex_coords->AddList(&item_tex_coords);
    if (normals != nullptr) normals->AddList(&item_normals);
    item_tex_coords.Flush();
    item_normals.Flush();
  }
  return result;
}

void TMeshObjectList::Clear() {
  // A read that failed before its nil items were refused leaves them behind.
  for (int i = 0; i < Count(); ++i) {
    if (TMeshObject* item = Items(i)) {
      item->DropMaterialLibraryCache();
      item->SetOwner(nullptr);
    }
  }
  TPersistentObjectList::Clear();
}

}  // namespace zentrova
