#include "scene/extras/mesh/immediate_mesh.h"

#include <cstring>

#include "scene/base/class_registration.h"
#include "scene/base/property_setter.h"
#include "scene/base/property_stream.h"
#include "scene/base/scene_errors.h"
#include "scene/base/scope_exit.h"
#include "scene/gl/context.h"
#include "scene/gl/gl_state_scope.h"
#include "scene/gl/opengl_binding.h"
#include "scene/gl/state_cache.h"
#include "scene/gl/texture_coordinates.h"

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TGLMesh);

namespace {

constexpr GLsizei kStride = sizeof(TVertexData);

}  // namespace

// ---- TVertexList

TVertexList::TVertexList(TPersistent* owner) : TGLUpdateAbleObject(owner) {}

TVertexList::~TVertexList() {
  // Without a current context the setter would keep the block: give it back all the same.
  FreeLockedBlock();
}

void TVertexList::Grow() {
  capacity_ += kGrowth;
  storage_.resize(static_cast<std::size_t>(capacity_));
  values_ = storage_.data();
}

void TVertexList::AppendVertex(const TAffineVector& vertex, const TAffineVector& normal,
                               const TVector4f& color, const TTexPoint& tex_point) {
  SceneAssert(!Locked(), "Cannot add to a locked list !");
  if (count_ == capacity_) Grow();
  values_[count_] = TVertexData{tex_point, color, normal, vertex};
  ++count_;
  NotifyChange(this);
}

void TVertexList::SetLocked(bool value) {
  if (value == Locked() || !GL.NV_vertex_array_range || ActiveContext() == nullptr) return;
  if (!value) {
    FreeLockedBlock();
    return;
  }
  const GLsizei size = count_ * kStride;
  void* block = wgl.AllocateMemoryNV != nullptr ? wgl.AllocateMemoryNV(size, 0, 0, 0.5f) : nullptr;
  if (block == nullptr) return;
  if (size > 0) std::memcpy(block, values_, static_cast<std::size_t>(size));
  locked_old_values_ = values_;
  values_ = static_cast<TVertexData*>(block);
  locked_ = true;
}

void TVertexList::FreeLockedBlock() {
  if (!Locked()) return;
  if (wgl.FreeMemoryNV != nullptr) wgl.FreeMemoryNV(values_);
  // Nothing is appended while locked: the array of before is as it was.
  values_ = locked_old_values_;
  locked_old_values_ = nullptr;
  locked_ = false;
}

void TVertexList::BeginRangeUse() {
  if (!Locked()) return;
  gl.VertexArrayRangeNV(count_ * kStride, values_);
  gl.EnableClientState(kVertexArrayRangeNV);
}

void TVertexList::EndRangeUse() {
  if (!Locked()) return;
  gl.DisableClientState(kVertexArrayRangeNV);
  gl.FlushVertexArrayRangeNV();
}

void TVertexList::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TVertexList*>(source);
  if (other == nullptr) {
    TGLUpdateAbleObject::Assign(source);
    return;
  }
  if (other == this) return;
  FreeLockedBlock();
  storage_.assign(other->values_, other->values_ + other->count_);
  count_ = capacity_ = other->count_;
  values_ = storage_.empty() ? nullptr : storage_.data();
}

// ---- TGLMesh

TGLMesh::TGLMesh() : vertices_(this) {
  vertices_.OnNotifyChange = [this](TPersistent*) { MarkStructureDirty(); };
  for (const TAffineVector& corner : {UnitVectorX, UnitVectorY, UnitVectorZ}) {
    vertices_.AppendVertex(corner, UnitVectorZ, clrTransparent, {0, 0});
  }
}

void TGLMesh::SetMode(TMeshMode value) { SetProperty(mode_, value, StructureChangeOf(this)); }

void TGLMesh::SetVertexMode(TVertexMode value) {
  SetProperty(vertex_mode_, value, StructureChangeOf(this));
}

void TGLMesh::BuildList(TRenderContextInfo& rci) {
  static constexpr GLenum kPrimitives[] = {GL_TRIANGLE_STRIP, GL_TRIANGLE_FAN, GL_TRIANGLES,
                                           GL_QUAD_STRIP,     GL_QUADS,        GL_POLYGON};
  // Refused before anything is pushed, so that nothing stays pushed.
  SceneAssert(vertex_mode_ <= vmVT, "Interleaved Array format not supported yet. Sorry.");
  SceneAssert(mode_ <= mmPolygon);
  const bool colour_material = vertex_mode_ == vmVNC || vertex_mode_ == vmVNCT;
  SceneAssert(!colour_material || rci.GLStates != nullptr, "TGLMesh.BuildList: no state cache");

  TGLStageObject::BuildList(rci);
  const bool direct = HasStyle(osDirectDraw);
  if (direct) vertices_.BeginRangeUse();
  const TScopeExit end_range([&] {
    if (direct) vertices_.EndRangeUse();
  });
  const TGLAttribScope attributes(rci.GLStates, GL_ENABLE_BIT | GL_POLYGON_BIT | GL_CURRENT_BIT);
  // The arrays point into this list: no later drawing may find them enabled with these pointers.
  const TGLClientAttribScope client_attributes(GL_CLIENT_VERTEX_ARRAY_BIT);
  const TVertexData* record = vertices_.Values();
  switch (vertex_mode_) {
    case vmV:
      gl.InterleavedArrays(GL_V3F, kStride, vertices_.VertexAddress());
      break;
    case vmVN:
      gl.InterleavedArrays(GL_N3F_V3F, kStride, vertices_.NormalAddress());
      break;
    case vmVNC:
      gl.InterleavedArrays(GL_C4F_N3F_V3F, kStride, vertices_.ColorAddress());
      break;
    case vmVNCT:
    case vmVNT:
      // The record is exactly this format's vertex: stride 0 means tightly packed.
      gl.InterleavedArrays(GL_T2F_C4F_N3F_V3F, 0, record);
      break;
    case vmVT:
      // No interleaved format skips colour and normal: texture points and positions on their own.
      gl.DisableClientState(GL_COLOR_ARRAY);
      gl.DisableClientState(GL_NORMAL_ARRAY);
      gl.DisableClientState(GL_INDEX_ARRAY);
      gl.DisableClientState(GL_EDGE_FLAG_ARRAY);
      RoutedEnableClientState(GL_TEXTURE_COORD_ARRAY);
      RoutedTexCoordPointer(2, GL_FLOAT, kStride, vertices_.TexCoordAddress());
      gl.EnableClientState(GL_VERTEX_ARRAY);
      gl.VertexPointer(3, GL_FLOAT, kStride, vertices_.VertexAddress());
      break;
  }
  if (colour_material) {
    gl.ColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    gl.Enable(GL_COLOR_MATERIAL);
    // Colour tracking rewrites the material behind the cache's back.
    rci.GLStates->ResetMaterialColors();
  }
  gl.DrawArrays(kPrimitives[mode_], 0, vertices_.Count());
}

void TGLMesh::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLMesh*>(source)) {
    vertices_.Assign(&other->vertices_);
    mode_ = other->mode_;
    vertex_mode_ = other->vertex_mode_;
    MarkStructureDirty();
    return;
  }
  TGLStageObject::Assign(source);
}

namespace {

constexpr TIdentNames<6> kMeshMode{"mmTriangleStrip", "mmTriangleFan", "mmTriangles", "mmQuadStrip", "mmQuads",
                                   "mmPolygon"};
constexpr TIdentNames<6> kVertexMode{"vmV", "vmVN", "vmVNC", "vmVNCT", "vmVNT", "vmVT"};

}  // namespace

void TGLMesh::WriteProperties(TPropertyWriter& w) const {
  TGLStageObject::WriteProperties(w);
  if (mode_ != mmTriangleStrip) w.Enum("Mode", kMeshMode, mode_);
  if (vertex_mode_ != vmVNCT) w.Enum("VertexMode", kVertexMode, vertex_mode_);
}

bool TGLMesh::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "Mode") {
    SetMode(AsEnum<TMeshMode>(kMeshMode, v));
  } else if (name == "VertexMode") {
    SetVertexMode(AsEnum<TVertexMode>(kVertexMode, v));
  } else {
    return TGLStageObject::ReadProperty(name, v);
  }
  return true;
}

}  // namespace zentrova
