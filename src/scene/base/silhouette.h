// Silhouettes of triangle meshes as seen from a light or observer: the edges where a face turned
// towards the viewpoint meets one turned away, and on request the faces turned away (caps), as shadow
// volumes need them.
#pragma once

#include <cstdint>
#include <memory>

#include "scene/base/vector_lists.h"
#include "scene/base/vector_types.h"

namespace zentrova {

enum TSilhouetteStyle : std::uint8_t { silOmni = 0, silParallel = 1 };

struct TSilhouetteQuery {
  TAffineVector Eye{};        // position of the light or observer
  TAffineVector Direction{};  // for the parallel style; not read by the connectivity
  TSilhouetteStyle Style = silOmni;
  bool Capping = false;  // cap triangles wanted
};

class TGLSilhouette {
 public:
  TGLSilhouette() = default;
  TGLSilhouette(const TGLSilhouette&) = delete;
  TGLSilhouette& operator=(const TGLSilhouette&) = delete;

  TVectorList& Vertices() { return vertices_; }        // points, w = 1
  TIntegerList& Indices() { return indices_; }         // two per silhouette edge
  TIntegerList& CapIndices() { return cap_indices_; }  // three per cap triangle
  const TVectorList& Vertices() const { return vertices_; }
  const TIntegerList& Indices() const { return indices_; }
  const TIntegerList& CapIndices() const { return cap_indices_; }
  // Count 0 in all three lists, capacities kept.
  void EmptyAll();

 private:
  TVectorList vertices_;
  TIntegerList indices_;
  TIntegerList cap_indices_;
};

// Anything that can produce a silhouette.
class TBaseConnectivity {
 public:
  explicit TBaseConnectivity(bool precompute_face_normal) : precompute_face_normal_(precompute_face_normal) {}
  TBaseConnectivity(const TBaseConnectivity&) = delete;
  TBaseConnectivity& operator=(const TBaseConnectivity&) = delete;
  virtual ~TBaseConnectivity() = default;

  bool PrecomputeFaceNormal() const { return precompute_face_normal_; }
  virtual int EdgeCount() const { return 0; }
  virtual int FaceCount() const { return 0; }
  // Fills `silhouette` (created when null; emptied first unless add_to_silhouette).
  virtual void CreateSilhouette(const TSilhouetteQuery& query, std::unique_ptr<TGLSilhouette>& silhouette,
                                bool add_to_silhouette) {}

 private:
  bool precompute_face_normal_;
};

// A triangle mesh with its edge-to-face adjacency. Faces are classified against the point Eye.
class TConnectivity : public TBaseConnectivity {
 public:
  explicit TConnectivity(bool precompute_face_normal);
  ~TConnectivity() override = default;

  int EdgeCount() const override { return edge_vertex_pairs_.Count() / 2; }
  int FaceCount() const override { return face_visibility_.Count(); }
  // Empties every list (count and capacity 0).
  virtual void Clear();

  // Adds the face (i0, i1, i2) of vertex indexes with its edges (i0, i1), (i1, i2), (i2, i0); an edge
  // that exists in either orientation gets this face as its second one. Returns the face's index.
  int AddFaceByIndices(int i0, int i1, int i2);
  // Looks the points up among the vertices (exact equality; appended when absent), then adds the face.
  int AddFaceByPoints(const TAffineVector& p1, const TAffineVector& p2, const TAffineVector& p3);
  // The faces (p1, p2, p3) and (p3, p4, p1); returns the first one's index.
  int AddQuadByPoints(const TAffineVector& p1, const TAffineVector& p2, const TAffineVector& p3,
                      const TAffineVector& p4);

  // Faces with (Eye − corner 0) · normal >= 0 are visible. Every edge between a visible and a hidden
  // face, and every open edge of a hidden face, becomes a silhouette edge in its hidden face's
  // orientation; with Capping every hidden face becomes a cap triangle. Each vertex is listed once per
  // request.
  void CreateSilhouette(const TSilhouetteQuery& query, std::unique_ptr<TGLSilhouette>& silhouette,
                        bool add_to_silhouette) override;

  const TIntegerList& EdgeVertexPairs() const { return edge_vertex_pairs_; }
  const TIntegerList& EdgeFacePairs() const { return edge_face_pairs_; }
  const TByteList& FaceVisibility() const { return face_visibility_; }
  const TIntegerList& FaceCorners() const { return face_corners_; }
  const TAffineVectorList& FaceNormals() const { return face_normals_; }
  // The vertex positions; nullptr when absent.
  TAffineVectorList* Vertices() const { return vertices_; }

 protected:
  // Replaces the vertex list by one of its own (freed with the connectivity), or by a mesh's that it
  // borrows (nullptr: none).
  void SetVertices(std::unique_ptr<TAffineVectorList> vertices);
  void BorrowVertices(TAffineVectorList* vertices);

 private:
  void AddEdge(int a, int b, int face);
  int AddSilhouetteVertex(int index, TGLSilhouette& silhouette);
  const TAffineVector& Vertex(int index) const;

  TIntegerList edge_vertex_pairs_;
  TIntegerList edge_face_pairs_;
  TByteList face_visibility_;
  TIntegerList face_corners_;
  TAffineVectorList face_normals_;
  TIntegerList vertex_remap_;
  TAffineVectorList* vertices_ = nullptr;
  std::unique_ptr<TAffineVectorList> owned_vertices_;
};

}  // namespace zentrova
