#include "scene/extras/mesh/face_group.h"

#include <algorithm>

#include "scene/base/class_registration.h"
#include "scene/base/scene_errors.h"
#include "scene/materials/material_library.h"
#include "scene/materials/render_context_info.h"
#include "scene/materials/texture.h"
#include "scene/materials/texture_image.h"
#include "scene/extras/mesh/mesh_object.h"
#include "scene/extras/mesh/mesh_utils.h"
#include "scene/gl/opengl_binding.h"
#include "scene/gl/state_cache.h"
#include "scene/gl/texture_coordinates.h"

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TFaceGroup);
ZENTROVA_REGISTER_CLASS(TFGVertexIndexList);
ZENTROVA_REGISTER_CLASS(TFGVertexNormalTexIndexList);
ZENTROVA_REGISTER_CLASS(TFGIndexTexCoordList);

namespace {

// Quads too: a file may hold them in any kind of group, and immediate mode draws them as they are.
GLenum Primitive(TFaceGroupMeshMode mode) {
  switch (mode) {
    case fgTriangles:
    case fgTrianglesAlt:
      return GL_TRIANGLES;
    case fgTriangleStrip:
      return GL_TRIANGLE_STRIP;
    case fgTriangleFan:
      return GL_TRIANGLE_FAN;
    case fgQuads:
      return GL_QUADS;
    default:
      SceneAssert(false);
      return GL_TRIANGLES;
  }
}

bool InRange(int index, int count) {
  return index >= 0 && index < count;
}

}  // namespace

// ---- TFaceGroup ----

TMeshObject* TFaceGroup::Mesh() const {
  return owner_ != nullptr ? owner_->Owner() : nullptr;
}

void TFaceGroup::PrepareMaterialLibraryCache(TGLMaterialLibrary* library) {
  MaterialCache = (!MaterialName.empty() && library != nullptr) ? library->LibMaterialByName(MaterialName)
                                                                 : nullptr;
}

void TFaceGroup::AttachLightmap(TGLTexture& texture, TRenderContextInfo& rci) {
  if (!GL.ARB_multitexture) return;
  SceneAssert(texture.Image().NativeTextureTarget() == GL_TEXTURE_2D);
  gl.ActiveTextureARB(GL_TEXTURE1_ARB);
  rci.GLStates->BindTexture(1, GL_TEXTURE_2D, texture.TextureHandle());
  gl.TexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  gl.ActiveTextureARB(GL_TEXTURE0_ARB);
}

void TFaceGroup::AttachOrDetachLightmap(TRenderContextInfo& rci) {
  if (!GL.ARB_multitexture || rci.ignoreMaterials || rci.lightmapLibrary == nullptr) return;
  TMeshObject* mesh = Mesh();
  SceneAssert(mesh != nullptr);
  if (mesh->LastLightmapIndex == LightmapIndex) return;
  mesh->LastLightmapIndex = LightmapIndex;
  if (LightmapIndex < 0) {
    mesh->DisableLightmapArray(rci);
    return;
  }
  TGLLibMaterials& maps = rci.lightmapLibrary->Materials();
  SceneAssert(LightmapIndex < maps.Count());
  AttachLightmap(maps.Items(LightmapIndex)->Material().Texture(), rci);
  mesh->EnableLightmapArray(rci);
}

void TFaceGroup::BuildList(TRenderContextInfo& rci) {
  SceneAssert(false, "Abstract method");
}

int TFaceGroup::TriangleCount() const {
  SceneAssert(false, "Abstract method");
  return 0;
}

void TFaceGroup::WriteArchive(TVirtualWriter& writer) const {
  TPersistentObject::WriteArchive(writer);
  if (LightmapIndex < 0) {
    writer.WriteInteger(0);
    writer.WriteString(MaterialName);
  } else {
    writer.WriteInteger(1);
    writer.WriteString(MaterialName);
    writer.WriteInteger(LightmapIndex);
  }
}

void TFaceGroup::ReadArchive(TVirtualReader& reader) {
  TPersistentObject::ReadArchive(reader);
  const std::int32_t version = reader.ReadInteger();
  if (version != 0 && version != 1) RaiseArchiveVersionError(version);
  MaterialName = reader.ReadString();
  LightmapIndex = version == 1 ? reader.ReadInteger() : -1;
}

// ---- TFGVertexIndexList ----

void TFGVertexIndexList::BuildList(TRenderContextInfo& rci) {
  const int count = vertex_indices_.Count();
  if (count == 0) return;
  TMeshObject* mesh = Mesh();
  SceneAssert(mesh != nullptr);
  // OpenGL reads every array at every index it is handed: an index past the vertices would read past
  // the arrays, which only cover the vertices.
  const std::int32_t* indices = vertex_indices_.List();
  const auto [low, high] = std::minmax_element(indices, indices + count);
  SceneAssert(*low >= 0 && *high < mesh->Vertices().Count(), "Face group index beyond the vertices");
  mesh->DeclareArraysToOpenGL(rci, false);
  AttachOrDetachLightmap(rci);
  gl.DrawElements(Primitive(Mode), count, GL_UNSIGNED_INT, indices);
}

int TFGVertexIndexList::TriangleCount() const {
  const int count = vertex_indices_.Count();
  switch (Mode) {
    case fgTriangles:
    case fgTrianglesAlt:
      return count / 3;
    case fgTriangleStrip:
    case fgTriangleFan:
      return std::max(count - 2, 0);
    case fgQuads:
      return count / 4 * 2;
    default:
      SceneAssert(false);
      return 0;
  }
}

void TFGVertexIndexList::AddToList(const TAffineVectorList& source, TAffineVectorList* destination,
                                   const TIntegerList& indices) const {
  const int count = indices.Count();
  if (destination == nullptr || count < 3) return;
  int n = 0;  // the entries that the primitive's triangles take
  switch (Mode) {
    case fgTriangles:
    case fgTrianglesAlt:
      n = count / 3 * 3;
      break;
    case fgTriangleStrip:
    case fgTriangleFan:
      n = (count - 2) * 3;
      break;
    case fgQuads:
      n = count / 4 * 6;
      break;
    default:
      SceneAssert(false);
      return;
  }
  // An empty source still yields one entry per extracted vertex, so that the lists stay parallel.
  if (source.Count() == 0) {
    destination->AddNulls(n);
    return;
  }
  if (Mode == fgTriangleStrip) {
    ConvertIndexedStripToList(source, indices, *destination);
    return;
  }
  destination->SetCapacity(destination->Count() + n);
  if (Mode == fgTriangleFan) {
    for (int i = 2; i < count; ++i) destination->Add(source[indices[0]], source[indices[i - 1]], source[indices[i]]);
  } else if (Mode == fgQuads) {
    for (int j = 0; j + 3 < count; j += 4) {
      const TAffineVector &a = source[indices[j]], &b = source[indices[j + 1]], &c = source[indices[j + 2]],
                          &d = source[indices[j + 3]];
      destination->Add(a, b, c);
      destination->Add(a, c, d);
    }
  } else {
    for (int i = 0; i < n; ++i) destination->Add(source[indices[i]]);
  }
}

void TFGVertexIndexList::AddToTriangles(TAffineVectorList& list, TAffineVectorList* tex_coords,
                                        TAffineVectorList* normals) const {
  TMeshObject* mesh = Mesh();
  SceneAssert(mesh != nullptr);
  AddToList(mesh->Vertices(), &list, vertex_indices_);
  AddToList(mesh->TexCoords(), tex_coords, vertex_indices_);
  AddToList(mesh->Normals(), normals, vertex_indices_);
}

void TFGVertexIndexList::CheckIndexes(const TIntegerList& indices, int count, const char* what) const {
  for (int i = 0; i < indices.Count(); ++i) {
    if (!InRange(indices[i], count)) {
      throw EFilerException(std::string(ClassName()) + " : " + what + " index " + std::to_string(indices[i]) +
                            " outside 0.." + std::to_string(count - 1));
    }
  }
}

void TFGVertexIndexList::WriteArchive(TVirtualWriter& writer) const {
  TFaceGroup::WriteArchive(writer);
  writer.WriteInteger(0);
  vertex_indices_.WriteArchive(writer);
  writer.WriteInteger(Mode);
}

void TFGVertexIndexList::ReadArchive(TVirtualReader& reader) {
  TFaceGroup::ReadArchive(reader);
  const std::int32_t version = reader.ReadInteger();
  if (version != 0) RaiseArchiveVersionError(version);
  vertex_indices_.ReadArchive(reader);
  const std::int32_t mode = reader.ReadInteger();
  if (mode < 0 || mode > kLastFaceGroupMode) {
    throw EFilerException(std::string(ClassName()) + " : invalid mode " + std::to_string(mode));
  }
  Mode = static_cast<TFaceGroupMeshMode>(mode);
  if (const TMeshObject* mesh = Mesh()) CheckIndexes(vertex_indices_, mesh->Vertices().Count(), "vertex");
}

// ---- TFGVertexNormalTexIndexList ----

void TFGVertexNormalTexIndexList::BuildList(TRenderContextInfo& rci) {
  const TIntegerList& vertex_indices = VertexIndices();
  const int count = vertex_indices.Count();
  SceneAssert(normal_indices_.Count() == 0 || normal_indices_.Count() >= count);
  SceneAssert(tex_coord_indices_.Count() == 0 || tex_coord_indices_.Count() >= count);
  TMeshObject* mesh = Mesh();
  SceneAssert(mesh != nullptr);
  const TIntegerList& normal_indices = normal_indices_.Count() > 0 ? normal_indices_ : vertex_indices;
  const TIntegerList& tex_indices = tex_coord_indices_.Count() > 0 ? tex_coord_indices_ : vertex_indices;
  const TAffineVectorList &normals = mesh->Normals(), &tex_coords = mesh->TexCoords();
  const bool textured = tex_coords.Count() > 0;
  gl.Begin(Primitive(Mode));
  for (int i = 0; i < count; ++i) {
    if (InRange(normal_indices[i], normals.Count())) gl.Normal3fv(normals[normal_indices[i]].data());
    if (textured && InRange(tex_indices[i], tex_coords.Count())) {
      RoutedTexCoord2fv(tex_coords[tex_indices[i]].data());
    }
    gl.Vertex3fv(mesh->Vertices()[vertex_indices[i]].data());
  }
  gl.End();
}

void TFGVertexNormalTexIndexList::AddToTriangles(TAffineVectorList& list, TAffineVectorList* tex_coords,
                                                 TAffineVectorList* normals) const {
  TMeshObject* mesh = Mesh();
  SceneAssert(mesh != nullptr);
  AddToList(mesh->Vertices(), &list, VertexIndices());
  AddToList(mesh->TexCoords(), tex_coords, tex_coord_indices_);
  AddToList(mesh->Normals(), normals, normal_indices_);
}

void TFGVertexNormalTexIndexList::WriteArchive(TVirtualWriter& writer) const {
  TFGVertexIndexList::WriteArchive(writer);
  writer.WriteInteger(0);
  normal_indices_.WriteArchive(writer);
  tex_coord_indices_.WriteArchive(writer);
}

void TFGVertexNormalTexIndexList::ReadArchive(TVirtualReader& reader) {
  TFGVertexIndexList::ReadArchive(reader);
  const std::int32_t version = reader.ReadInteger();
  if (version != 0) RaiseArchiveVersionError(version);
  normal_indices_.ReadArchive(reader);
  tex_coord_indices_.ReadArchive(reader);
  if (TMeshObject* mesh = Mesh()) {
    CheckIndexes(normal_indices_, mesh->Normals().Count(), "normal");
    CheckIndexes(tex_coord_indices_, mesh->TexCoords().Count(), "texture point");
  }
}

// ---- TFGIndexTexCoordList ----

void TFGIndexTexCoordList::Add(int index, const TAffineVector& tex_coord) {
  VertexIndices().Add(index);
  tex_coords_.Add(tex_coord);
}

void TFGIndexTexCoordList::BuildList(TRenderContextInfo& rci) {
  const TIntegerList& indices = VertexIndices();
  SceneAssert(indices.Count() == tex_coords_.Count());
  TMeshObject* mesh = Mesh();
  SceneAssert(mesh != nullptr);
  const TAffineVectorList& vertices = mesh->Vertices();
  const bool got_color = mesh->Colors().Count() == vertices.Count();
  const bool got_normals = mesh->Normals().Count() == vertices.Count();
  gl.Begin(Primitive(Mode));
  for (int i = 0; i < indices.Count(); ++i) {
    const int v = indices[i];
    RoutedTexCoord2fv(tex_coords_[i].data());
    if (got_color) gl.Color4fv(mesh->Colors()[v].data());
    if (got_normals) gl.Normal3fv(mesh->Normals()[v].data());
    gl.Vertex3fv(vertices[v].data());
  }
  gl.End();
}

void TFGIndexTexCoordList::AddToTriangles(TAffineVectorList& list, TAffineVectorList* tex_coords,
                                          TAffineVectorList* normals) const {
  TMeshObject* mesh = Mesh();
  SceneAssert(mesh != nullptr);
  AddToList(mesh->Vertices(), &list, VertexIndices());
  AddToList(mesh->Normals(), normals, VertexIndices());
  if (tex_coords == nullptr) return;
  const int count = VertexIndices().Count();
  switch (Mode) {
    case fgTriangles:
    case fgTrianglesAlt:
      for (int i = 0; i < count / 3 * 3; ++i) tex_coords->Add(tex_coords_[i]);
      break;
    case fgTriangleStrip:
      ConvertStripToList(tex_coords_, *tex_coords);
      break;
    case fgTriangleFan:
      for (int i = 2; i < count; ++i) tex_coords->Add(tex_coords_[0], tex_coords_[i - 1], tex_coords_[i]);
      break;
    case fgQuads:
      for (int j = 0; j + 3 < count; j += 4) {
        tex_coords->Add(tex_coords_[j], tex_coords_[j + 1], tex_coords_[j + 2]);
        tex_coords->Add(tex_coords_[j], tex_coords_[j + 2], tex_coords_[j + 3]);
      }
      break;
    default:
      SceneAssert(false);
  }
}

void TFGIndexTexCoordList::WriteArchive(TVirtualWriter& writer) const {
  TFGVertexIndexList::WriteArchive(writer);
  writer.WriteInteger(0);
  tex_coords_.WriteArchive(writer);
}

void TFGIndexTexCoordList::ReadArchive(TVirtualReader& reader) {
  TFGVertexIndexList::ReadArchive(reader);
  const std::int32_t version = reader.ReadInteger();
  if (version != 0) RaiseArchiveVersionError(version);
  tex_coords_.ReadArchive(reader);
  if (tex_coords_.Count() != VertexIndices().Count()) {
    throw EFilerException(std::string(ClassName()) + " : " + std::to_string(tex_coords_.Count()) +
                          " texture points for " + std::to_string(VertexIndices().Count()) + " indexes");
  }
}

// ---- TFaceGroups ----

void TFaceGroups::PrepareMaterialLibraryCache(TGLMaterialLibrary* library) {
  for (int i = 0; i < Count(); ++i) Items(i)->PrepareMaterialLibraryCache(library);
}

void TFaceGroups::DropMaterialLibraryCache() {
  for (int i = 0; i < Count(); ++i) Items(i)->DropMaterialLibraryCache();
}

void TFaceGroups::AddToTriangles(TAffineVectorList& list, TAffineVectorList* tex_coords,
                                 TAffineVectorList* normals) const {
  for (int i = 0; i < Count(); ++i) Items(i)->AddToTriangles(list, tex_coords, normals);
}

void TFaceGroups::ReadArchive(TVirtualReader& reader) {
  TPersistentObjectList::ReadArchive(reader);
  RefuseNilItems(*this);
}

void TFaceGroups::AfterObjectCreatedByReader(TPersistentObject* item) {
  auto* group = dynamic_cast<TFaceGroup*>(item);
  if (group == nullptr) throw EFilerException(std::string(ClassName()) + " : not a face group: " + item->ClassName());
  group->SetOwner(this);
}

}  // namespace zentrova
