// One primitive run drawn straight from an interleaved vertex array (glInterleavedArrays and
// glDrawArrays). The vertices can be moved into driver memory through the NVIDIA vertex-array-range
// extension while the mesh is drawn directly; this platform's Mesa offers neither the extension nor its
// allocator, so there the lists stay in ordinary memory.
#pragma once

#include <GL/gl.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "scene/base/class_name.h"
#include "scene/base/update_able.h"
#include "scene/base/vector_types.h"
#include "scene/core/custom_scene_object.h"

namespace zentrova {

// One vertex in the layout of OpenGL's T2F_C4F_N3F_V3F interleaved format.
struct TVertexData {
  TTexPoint textCoord;
  TVector4f color;
  TAffineVector normal;
  TAffineVector coord;
};
static_assert(sizeof(TVertexData) == 48);
static_assert(offsetof(TVertexData, textCoord) == 0 && offsetof(TVertexData, color) == 8 &&
              offsetof(TVertexData, normal) == 24 && offsetof(TVertexData, coord) == 36);

class TVertexList : public TGLUpdateAbleObject {
 public:
  static constexpr int kGrowth = 256;
  // The vertex-array-range client state, not in this platform's headers.
  static constexpr GLenum kVertexArrayRangeNV = 0x851D;

  explicit TVertexList(TPersistent* owner);
  // Gives a locked block back to the driver, then frees the array.
  ~TVertexList() override;
  ZENTROVA_CLASS(TVertexList)

  int Count() const { return count_; }
  int Capacity() const { return capacity_; }
  // Capacity records (Count while locked); the first Count are the vertices.
  TVertexData* Values() { return values_; }
  const TVertexData* Values() const { return values_; }
  // Into the first record, for arrays with a stride of sizeof(TVertexData); nullptr without an array.
  const float* TexCoordAddress() const { return values_ != nullptr ? values_->textCoord.data() : nullptr; }
  const float* ColorAddress() const { return values_ != nullptr ? values_->color.data() : nullptr; }
  const float* NormalAddress() const { return values_ != nullptr ? values_->normal.data() : nullptr; }
  const float* VertexAddress() const { return values_ != nullptr ? values_->coord.data() : nullptr; }

  // Writes the vertex at index Count, growing by kGrowth records when full, then notifies. A locked
  // list takes nothing: "Cannot add to a locked list !" (assertion failure); its block holds exactly
  // the vertices it was locked with.
  void AppendVertex(const TAffineVector& vertex, const TAffineVector& normal, const TVector4f& color,
                    const TTexPoint& tex_point);

  bool Locked() const { return locked_; }
  // Acts only on a change, with the extension and with a current context. Locking copies the vertices
  // into a block of Count records from wglAllocateMemoryNV(size, 0, 0, 0.5); when none is given the
  // list stays unlocked. Unlocking frees the block and takes the array of before again, as it was.
  void SetLocked(bool value);
  // Around drawing from a locked list: the range and its client state.
  void BeginRangeUse();
  void EndRangeUse();

  // From another vertex list: its vertices, with Capacity = Count, without a notice. A locked list is
  // unlocked first, so that its block never holds other vertices than those it was locked with.
  void Assign(const TPersistent* source) override;

 private:
  void Grow();
  void FreeLockedBlock();

  TVertexData* values_ = nullptr;
  int count_ = 0;
  int capacity_ = 0;
  bool locked_ = false;
  TVertexData* locked_old_values_ = nullptr;  // the array of before while locked
  std::vector<TVertexData> storage_;          // the ordinary array, Capacity records
};

enum TMeshMode : std::uint8_t {
  mmTriangleStrip,
  mmTriangleFan,
  mmTriangles,
  mmQuadStrip,
  mmQuads,
  mmPolygon
};
enum TVertexMode : std::uint8_t { vmV, vmVN, vmVNC, vmVNCT, vmVNT, vmVT };

class TGLMesh : public TGLStageObject {
 public:
  // Three vertices (1, 0, 0), (0, 1, 0), (0, 0, 1) facing +z, transparent black, texture point (0, 0).
  TGLMesh();
  ZENTROVA_CLASS_NEW(TGLMesh)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  TVertexList& Vertices() { return vertices_; }
  const TVertexList& Vertices() const { return vertices_; }
  TMeshMode Mode() const { return mode_; }
  void SetMode(TMeshMode value);
  TVertexMode VertexMode() const { return vertex_mode_; }
  void SetVertexMode(TVertexMode value);

  // The arrays of the vertex mode, colour material for the modes with colours, then the run. The
  // enable, polygon and current attributes and the client arrays are as before afterwards.
  void BuildList(TRenderContextInfo& rci) override;
  // From another mesh: vertices, Mode and VertexMode only; from anything else as the base does.
  void Assign(const TPersistent* source) override;

 private:
  TVertexList vertices_;
  TMeshMode mode_ = mmTriangleStrip;
  TVertexMode vertex_mode_ = vmVNCT;
};

}  // namespace zentrova
