#include "scene/base/silhouette.h"

#include "scene/base/matrix_geometry.h"
#include "scene/base/scene_errors.h"
#include "scene/base/vector_geometry.h"

namespace zentrova {

void TGLSilhouette::EmptyAll() {
  vertices_.Flush();
  indices_.Flush();
  cap_indices_.Flush();
}

TConnectivity::TConnectivity(bool precompute_face_normal) : TBaseConnectivity(precompute_face_normal) {
  SetVertices(std::make_unique<TAffineVectorList>());
}

void TConnectivity::SetVertices(std::unique_ptr<TAffineVectorList> vertices) {
  owned_vertices_ = std::move(vertices);
  vertices_ = owned_vertices_.get();
}

void TConnectivity::BorrowVertices(TAffineVectorList* vertices) {
  owned_vertices_.reset();
  vertices_ = vertices;
}

void TConnectivity::Clear() {
  edge_vertex_pairs_.Clear();
  edge_face_pairs_.Clear();
  face_visibility_.Clear();
  face_corners_.Clear();
  face_normals_.Clear();
  vertex_remap_.Clear();
  if (vertices_ != nullptr) vertices_->Clear();
}

const TAffineVector& TConnectivity::Vertex(int index) const {
  SceneAssert(vertices_ != nullptr);
  return vertices_->GetItem(index);
}

int TConnectivity::AddFaceByIndices(int i0, int i1, int i2) {
  face_corners_.Add3(i0, i1, i2);
  if (PrecomputeFaceNormal()) face_normals_.Add(TriangleNormal(Vertex(i0), Vertex(i1), Vertex(i2)));
  const int face = face_visibility_.Add(0);
  AddEdge(i0, i1, face);
  AddEdge(i1, i2, face);
  AddEdge(i2, i0, face);
  return face;
}

void TConnectivity::AddEdge(int a, int b, int face) {
  const std::int32_t* pairs = edge_vertex_pairs_.List();
  for (int k = 0; k < EdgeCount(); ++k) {
    const int u = pairs[2 * std::ptrdiff_t{k}], v = pairs[2 * std::ptrdiff_t{k} + 1];
    if ((u == a && v == b) || (u == b && v == a)) {
      // A third face sharing the edge replaces the second.
      edge_face_pairs_.SetItem(2 * k + 1, face);
      return;
    }
  }
  edge_vertex_pairs_.Add2(a, b);
  edge_face_pairs_.Add2(face, -1);
}

int TConnectivity::AddFaceByPoints(const TAffineVector& p1, const TAffineVector& p2,
                                   const TAffineVector& p3) {
  SceneAssert(vertices_ != nullptr);
  const int i1 = vertices_->IndexOfOrAppend(p1);
  const int i2 = vertices_->IndexOfOrAppend(p2);
  const int i3 = vertices_->IndexOfOrAppend(p3);
  return AddFaceByIndices(i1, i2, i3);
}

int TConnectivity::AddQuadByPoints(const TAffineVector& p1, const TAffineVector& p2, const TAffineVector& p3,
                                   const TAffineVector& p4) {
  SceneAssert(vertices_ != nullptr);
  const int i1 = vertices_->IndexOfOrAppend(p1);
  const int i2 = vertices_->IndexOfOrAppend(p2);
  const int i3 = vertices_->IndexOfOrAppend(p3);
  const int i4 = vertices_->IndexOfOrAppend(p4);
  const int first = AddFaceByIndices(i1, i2, i3);
  AddFaceByIndices(i3, i4, i1);
  return first;
}

int TConnectivity::AddSilhouetteVertex(int index, TGLSilhouette& silhouette) {
  if (vertex_remap_.Count() < index + 1) {
    const int old = vertex_remap_.Count();
    vertex_remap_.SetCount(index + 1);
    for (int i = old; i <= index; ++i) vertex_remap_.SetItem(i, -1);
  }
  const int mapped = vertex_remap_.GetItem(index);
  if (mapped != -1) return mapped;
  const int added = silhouette.Vertices().AddAffineW(Vertex(index), 1);
  vertex_remap_.SetItem(index, added);
  return added;
}

void TConnectivity::CreateSilhouette(const TSilhouetteQuery& query,
                                     std::unique_ptr<TGLSilhouette>& silhouette, bool add_to_silhouette) {
  if (!silhouette) {
    silhouette = std::make_unique<TGLSilhouette>();
  } else if (!add_to_silhouette) {
    silhouette->EmptyAll();
  }
  TGLSilhouette& s = *silhouette;
  vertex_remap_.Flush();

  for (int f = 0; f < FaceCount(); ++f) {
    const int c0 = face_corners_.GetItem(3 * f), c1 = face_corners_.GetItem(3 * f + 1),
              c2 = face_corners_.GetItem(3 * f + 2);
    const TAffineVector n = PrecomputeFaceNormal() ? face_normals_.GetItem(f)
                                                   : TriangleNormal(Vertex(c0), Vertex(c1), Vertex(c2));
    // A viewpoint in the face's plane counts as seeing it.
    const bool visible = ProjectPointOnAxis(query.Eye, Vertex(c0), n) >= 0;
    face_visibility_.SetItem(f, visible ? 1 : 0);
    if (!visible && query.Capping) {
      const int m2 = AddSilhouetteVertex(c2, s);
      const int m1 = AddSilhouetteVertex(c1, s);
      const int m0 = AddSilhouetteVertex(c0, s);
      s.CapIndices().Add3(m0, m1, m2);
    }
  }

  for (int e = 0; e < EdgeCount(); ++e) {
    const int f0 = edge_face_pairs_.GetItem(2 * e), f1 = edge_face_pairs_.GetItem(2 * e + 1);
    const int a = edge_vertex_pairs_.GetItem(2 * e), b = edge_vertex_pairs_.GetItem(2 * e + 1);
    if (f1 != -1 && face_visibility_.GetItem(f0) == face_visibility_.GetItem(f1)) continue;
    if (face_visibility_.GetItem(f0) == 0) {
      const int ma = AddSilhouetteVertex(a, s);
      const int mb = AddSilhouetteVertex(b, s);
      s.Indices().Add2(ma, mb);
    } else if (f1 >= 0) {
      const int ma = AddSilhouetteVertex(a, s);
      const int mb = AddSilhouetteVertex(b, s);
      s.Indices().Add2(mb, ma);
    }
    // Otherwise an open edge of a visible face: not part of the silhouette.
  }
}

}  // namespace zentrova
