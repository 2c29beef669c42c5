#include "scene/base/silhouette.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

namespace zentrova {
namespace {

using ::testing::Each;

template <class List>
std::vector<int> Items(const List& list) {
  std::vector<int> v;
  for (int i = 0; i < list.Count(); ++i) v.push_back(list.GetItem(i));
  return v;
}

TSilhouetteQuery From(const TAffineVector& eye, bool capping = false) {
  return {eye, ZeroVector, silOmni, capping};
}

class SilhouetteTest : public ::testing::TestWithParam<bool> {};

TEST_P(SilhouetteTest, SingleTriangleFrontAndBack) {
  TConnectivity c(GetParam());
  EXPECT_EQ(c.AddFaceByPoints({0, 0, 0}, {1, 0, 0}, {0, 1, 0}), 0);
  EXPECT_EQ(c.FaceCount(), 1);
  EXPECT_EQ(c.EdgeCount(), 3);
  std::unique_ptr<TGLSilhouette> s;
  // Seen from the front, or from within its plane, the face is visible: its open edges are no silhouette.
  for (const TAffineVector& eye : {TAffineVector{0, 0, 5}, TAffineVector{5, 5, 0}}) {
    c.CreateSilhouette(From(eye, true), s, false);
    EXPECT_EQ(c.FaceVisibility().GetItem(0), 1);
    EXPECT_TRUE(s->Indices().Count() == 0 && s->CapIndices().Count() == 0 && s->Vertices().Count() == 0);
  }

  c.CreateSilhouette(From({0, 0, -5}), s, false);
  EXPECT_EQ(Items(s->Indices()), (std::vector<int>{0, 1, 1, 2, 2, 0}));
  ASSERT_EQ(s->Vertices().Count(), 3);
  EXPECT_EQ(s->Vertices().GetItem(1), (TVector4f{1, 0, 0, 1}));
  EXPECT_EQ(s->CapIndices().Count(), 0);

  // With caps the corners are mapped last to first, so they enter the vertices in that order.
  c.CreateSilhouette(From({0, 0, -5}, true), s, false);
  EXPECT_EQ(Items(s->CapIndices()), (std::vector<int>{2, 1, 0}));
  EXPECT_EQ(s->Vertices().GetItem(0), (TVector4f{0, 1, 0, 1}));
  EXPECT_EQ(Items(s->Indices()), (std::vector<int>{2, 1, 1, 0, 0, 2}));
}

TEST_P(SilhouetteTest, ClosedTetrahedronGivesOneLoop) {
  TConnectivity c(GetParam());
  const TAffineVector a{0, 0, 0}, b{1, 0, 0}, d{0, 1, 0}, e{0, 0, 1};
  // Faces turned outwards.
  c.AddFaceByPoints(a, d, b);
  c.AddFaceByPoints(a, b, e);
  c.AddFaceByPoints(a, e, d);
  c.AddFaceByPoints(b, d, e);
  EXPECT_EQ(c.EdgeCount(), 6);
  for (int k = 0; k < c.EdgeCount(); ++k) EXPECT_NE(c.EdgeFacePairs().GetItem(2 * k + 1), -1);
  for (const TAffineVector& eye :
       {TAffineVector{3, 2, 1}, TAffineVector{-2, -1, -3}, TAffineVector{0.2f, 0.3f, 5}}) {
    std::unique_ptr<TGLSilhouette> s;
    c.CreateSilhouette(From(eye), s, false);
    // A closed loop over vertices listed once each: every vertex starts one edge and ends one edge.
    const std::vector<int> indices = Items(s->Indices());
    std::vector<int> starts(s->Vertices().Count()), ends(s->Vertices().Count());
    for (std::size_t i = 0; i < indices.size(); i += 2) ++starts.at(indices[i]), ++ends.at(indices[i + 1]);
    EXPECT_GE(starts.size(), 3u);
    EXPECT_THAT(starts, Each(1));
    EXPECT_THAT(ends, Each(1));
  }
}

TEST_P(SilhouetteTest, AddingToASilhouetteMapsVerticesAnew) {
  TConnectivity c(GetParam());
  c.AddFaceByPoints({0, 0, 0}, {1, 0, 0}, {0, 1, 0});
  std::unique_ptr<TGLSilhouette> s;
  c.CreateSilhouette(From({0, 0, -1}), s, true);
  c.CreateSilhouette(From({0, 0, -1}), s, true);
  EXPECT_EQ(s->Vertices().Count(), 6);
  EXPECT_EQ(Items(s->Indices()), (std::vector<int>{0, 1, 1, 2, 2, 0, 3, 4, 4, 5, 5, 3}));
  c.CreateSilhouette(From({0, 0, -1}), s, false);
  EXPECT_EQ(s->Vertices().Count(), 3);
}

TEST_P(SilhouetteTest, QuadSharesItsDiagonal) {
  TConnectivity c(GetParam());
  const TAffineVector p1{0, 0, 0}, p2{1, 0, 0}, p3{1, 1, 0}, p4{0, 1, 0};
  EXPECT_EQ(c.AddQuadByPoints(p1, p2, p3, p4), 0);
  EXPECT_EQ(c.FaceCount(), 2);
  EXPECT_EQ(c.EdgeCount(), 5);
  EXPECT_EQ(c.Vertices()->Count(), 4);
  // The diagonal is shared by both faces.
  EXPECT_EQ(c.EdgeFacePairs().GetItem(5), 1);
  std::unique_ptr<TGLSilhouette> s;
  c.CreateSilhouette(From({0.5f, 0.5f, -3}), s, false);
  EXPECT_EQ(s->Indices().Count(), 8);  // from behind: the four border edges, not the diagonal
  c.Clear();
  EXPECT_EQ(c.FaceCount(), 0);
  EXPECT_EQ(c.EdgeCount(), 0);
  EXPECT_EQ(c.Vertices()->Count(), 0);
}

TEST_P(SilhouetteTest, EdgeBetweenVisibleAndHiddenFaces) {
  // Two faces folded along the x axis like a roof; seen from one side only one face is visible.
  TConnectivity c(GetParam());
  const TAffineVector a{0, 0, 0}, b{1, 0, 0}, up{0.5f, 1, 1}, down{0.5f, -1, 1};
  c.AddFaceByPoints(a, b, up);    // normal (0, -1, 1)
  c.AddFaceByPoints(b, a, down);  // normal (0, 1, 1)
  std::unique_ptr<TGLSilhouette> s;
  c.CreateSilhouette(From({0.5f, -5, 1}), s, false);
  EXPECT_EQ(Items(c.FaceVisibility()), (std::vector<int>{1, 0}));
  // The shared edge (a, b), created by the visible face, runs as the hidden face has it: (b, a); then the
  // two open edges of the hidden face.
  const std::vector<int> indices = Items(s->Indices());
  ASSERT_EQ(indices.size(), 6u);
  EXPECT_EQ(s->Vertices().GetItem(indices[0]), (TVector4f{1, 0, 0, 1}));
  EXPECT_EQ(s->Vertices().GetItem(indices[1]), (TVector4f{0, 0, 0, 1}));
}

INSTANTIATE_TEST_SUITE_P(FaceNormals, SilhouetteTest, ::testing::Bool());

}  // namespace
}  // namespace zentrova
