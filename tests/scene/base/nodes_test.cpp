#include "scene/base/nodes.h"

#include <GL/glu.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <stdexcept>
#include <vector>

#include "platform/settings.h"
#include "scene/base/scene_errors.h"
#include "scene/base/update_able.h"
#include "scene/base/vector_geometry.h"
#include "scene/expect_near.h"
#include "test_support.h"

namespace zentrova {
namespace {

using ::testing::Each;
using ::testing::ElementsAre;

class TCountingComponent : public TGLUpdateAbleComponent {
 public:
  void NotifyChange(TPersistent* sender) override { ++notices; }
  int notices = 0;
};

void AddNodes(TGLNodes& nodes, std::initializer_list<TAffineVector> points) {
  for (const TAffineVector& p : points) nodes.AddXYZ(p[0], p[1], p[2]);
}

// Records the tessellator's output, fans and strips unfolded into plain triangles.
class TTriangleRecorder : public TPolygonSink {
 public:
  void Normal(const TAffineVector& n) override { normals.push_back(n); }
  void Begin(unsigned mode) override {
    mode_ = mode;
    strip_.clear();
    ++begins;
  }
  void TexCoord(const float* st) override { texcoords.push_back({st[0], st[1], 0}); }
  void Vertex(const float* xyz) override {
    vertices.push_back({xyz[0], xyz[1], xyz[2]});
    strip_.push_back(vertices.back());
    const std::size_t n = strip_.size();
    if (n < 3 || (mode_ == GL_TRIANGLES && n % 3 != 0)) return;
    triangles.push_back({mode_ == GL_TRIANGLE_FAN ? strip_[0] : strip_[n - 3], strip_[n - 2], strip_[n - 1]});
  }
  void End() override { ++ends; }

  double Area() const {
    double sum = 0;
    for (const auto& [a, b, c] : triangles)
      sum += std::fabs(AffineCross(SubtractAffine(b, a), SubtractAffine(c, a))[2]);
    return sum / 2;
  }

  std::vector<std::array<TAffineVector, 3>> triangles;
  std::vector<TAffineVector> vertices, normals, texcoords;
  int begins = 0, ends = 0;

 private:
  unsigned mode_ = 0;
  std::vector<TAffineVector> strip_;
};

TEST(Nodes, DirectionAverageAndPlane) {
  TGLNodes nodes(nullptr);
  EXPECT_EQ(nodes.AveragePosition(), ZeroVector);
  AddNodes(nodes, {{1, 1, 1}});
  EXPECT_EQ(nodes.DirectionAt(0), ZeroVector);  // a single node has no direction
  AddNodes(nodes, {{1, 1, 1.001f}});
  // (Almost) coincident nodes neither; two nodes make no plane.
  EXPECT_THAT((std::array{nodes.DirectionAt(0), nodes.DirectionAt(1), nodes.PlaneNormal()}),
              Each(ZeroVector));
  nodes.GetItem(1)->SetAsVector({3, 1, 1, 1});
  AddNodes(nodes, {{3, 4, 1}});
  EXPECT_THAT((std::array{nodes.DirectionAt(0), nodes.DirectionAt(2)}),
              ElementsAre(UnitVectorX, UnitVectorY));
  // From node 0 to node 2: (2, 3, 0).
  test::ExpectNear(nodes.DirectionAt(1), {2 / std::sqrt(13.0), 3 / std::sqrt(13.0), 0}, 1e-7);
  for (int index : {3, -1}) EXPECT_THROW(nodes.DirectionAt(index), EAssertionFailed);
  EXPECT_EQ(nodes.PlaneNormal(), UnitVectorZ);
  test::ExpectNear(nodes.AveragePosition(), {7.0 / 3, 2, 1}, 1e-6);
}

TEST(Nodes, DisplayNameUsesTheDecimalSeparator) {
  TGLNodes nodes(nullptr);
  TGLNode* node = nodes.AddXYZ(1, 2, 3);
  EXPECT_EQ(node->GetDisplayName(), "1.0000; 2.0000; 3.0000");
  node->SetZ(-0.12345f);
  {
    test::DecimalSeparatorScope comma(',');
    EXPECT_EQ(node->GetDisplayName(), "1,0000; 2,0000; -0,1235");
  }
  // The widest floats are written whole, never cut short.
  node->SetX(-std::numeric_limits<float>::max());
  node->SetY(std::numeric_limits<float>::max());
  EXPECT_EQ(
      node->GetDisplayName(),
      "-340282346638528859811704183484516925440.0000; 340282346638528859811704183484516925440.0000; -0.1235");
  EXPECT_THROW(node->SetCoordinate(4, 1), ERangeError);
  EXPECT_EQ(node->W(), 1);
}

TEST(Nodes, ChangesNotifyTheOwner) {
  TCountingComponent owner;
  TGLNodes nodes(&owner);
  nodes.AddXYZ(1, 0, 0);  // the addition and the value
  EXPECT_EQ(owner.notices, 2);
  nodes.GetItem(0)->SetX(2);
  nodes.Translate({1, 1, 1});  // (3, 1, 1)
  nodes.TurnAboutY(90);
  EXPECT_EQ(owner.notices, 5);
  test::ExpectNear(nodes.GetItem(0)->AsVector(), {1, 1, -3, 1}, 1e-6);
  nodes.BeginUpdate();
  nodes.AddXYZ(5, 5, 5);
  nodes.GetItem(1)->SetY(6);
  EXPECT_EQ(owner.notices, 5);
  nodes.EndUpdate();
  EXPECT_GT(owner.notices, 5);
}

class TWeightedNode : public TGLNode {
 public:
  using TGLNode::TGLNode;
  const char* ClassName() const override { return "TWeightedNode"; }
};

TEST(Nodes, DuplicateAndSpline) {
  TGLNodes nodes(nullptr, &CreateCollectionItem<TWeightedNode>);
  AddNodes(nodes, {{0, 0, 0}, {1, 2, 0}, {2, 0, 4}});
  TCountingComponent owner;
  const std::unique_ptr<TGLNodes> copy = nodes.Duplicate(&owner);
  ASSERT_EQ(copy->Count(), 3);
  EXPECT_EQ(copy->GetOwner(), &owner);
  EXPECT_EQ(copy->GetItem(2)->ClassName() + std::string(" ") + copy->GetItem(2)->GetDisplayName(),
            "TWeightedNode 2.0000; 0.0000; 4.0000");

  const std::unique_ptr<TCubicSpline> spline = nodes.MakeCubicSpline();
  EXPECT_EQ(spline->KnotCount(), 3);
  EXPECT_TRUE(spline->WCoefficients().empty());
  test::ExpectNear(spline->ValueAffine(1), {1, 2, 0}, 1e-5);
}

TEST(Tessellation, ConcavePentagonBecomesThreeTriangles) {
  // A house upside down: the notch at (2, 1) makes it concave. Area 16 − 6 = 10.
  TGLNodes nodes(nullptr);
  AddNodes(nodes, {{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {2, 1, 0}, {0, 4, 0}});
  TTriangleRecorder recorder;
  nodes.DrawTessellatedPolygon(true, &UnitVectorZ, 1, false, recorder);
  EXPECT_EQ(recorder.normals, std::vector<TAffineVector>{UnitVectorZ});
  EXPECT_EQ(recorder.triangles.size(), 3u);
  EXPECT_NEAR(recorder.Area(), 10, 1e-6);
  EXPECT_EQ(recorder.ends, recorder.begins);
  // Textured: each vertex's x and y come first as its texture coordinate. Only the nodes are used.
  ASSERT_EQ(recorder.texcoords.size(), recorder.vertices.size());
  for (std::size_t i = 0; i < recorder.vertices.size(); ++i) {
    EXPECT_EQ(recorder.texcoords[i], (TAffineVector{recorder.vertices[i][0], recorder.vertices[i][1], 0}));
    EXPECT_EQ(recorder.vertices[i][2], 0);
  }

  TTriangleRecorder reversed;
  nodes.DrawTessellatedPolygon(false, nullptr, 1, true, reversed);
  EXPECT_EQ(reversed.triangles.size(), 3u);
  EXPECT_NEAR(reversed.Area(), 10, 1e-6);
  EXPECT_TRUE(reversed.texcoords.empty() && reversed.normals.empty());
}

TEST(Tessellation, IntersectionsGetNewVertices) {
  // A bow tie crossing itself at (1, 1): two triangles of area 1 each.
  TGLNodes nodes(nullptr);
  AddNodes(nodes, {{0, 0, 0}, {2, 2, 0}, {2, 0, 0}, {0, 2, 0}});
  TTriangleRecorder recorder;
  nodes.DrawTessellatedPolygon(false, nullptr, 1, false, recorder);
  EXPECT_EQ(recorder.triangles.size(), 2u);
  EXPECT_NEAR(recorder.Area(), 2, 1e-6);
  EXPECT_NE(std::find(recorder.vertices.begin(), recorder.vertices.end(), TAffineVector{1, 1, 0}),
            recorder.vertices.end());
}

TEST(Tessellation, SplineSmoothedOutline) {
  TGLNodes nodes(nullptr);
  AddNodes(nodes, {{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0}});
  TTriangleRecorder recorder;
  nodes.DrawTessellatedPolygon(false, nullptr, 4, false, recorder);
  const std::unique_ptr<TCubicSpline> spline = nodes.MakeCubicSpline();
  // (4 − 1) × 4 + 1 spline points, each used by the triangles.
  EXPECT_EQ(recorder.triangles.size(), 11u);
  std::vector<TAffineVector> points;
  for (int k = 0; k <= 12; ++k) points.push_back(spline->ValueAffine(static_cast<float>(k * 0.25L)));
  for (const auto& v : recorder.vertices) EXPECT_NE(std::find(points.begin(), points.end(), v), points.end());
}

class TFailingSink : public TTriangleRecorder {
 public:
  void Vertex(const float*) override { throw std::runtime_error("sink failed"); }
};

TEST(Tessellation, NothingDrawnOrAFailureOnceTheTessellatorIsGone) {
  TGLNodes nodes(nullptr);
  AddNodes(nodes, {{0, 0, 0}, {1, 0, 0}});
  TTriangleRecorder recorder;
  nodes.DrawTessellatedPolygon(false, &UnitVectorZ, 1, false, recorder);  // fewer than three nodes
  AddNodes(nodes, {{0, 1, 0}});
  EXPECT_THROW(nodes.DrawTessellatedPolygon(false, nullptr, 2000000000, false, recorder), Exception);
  EXPECT_TRUE(recorder.begins == 0 && recorder.normals.empty());
  TFailingSink failing;
  EXPECT_THROW(nodes.DrawTessellatedPolygon(false, nullptr, 1, false, failing), std::runtime_error);
  // A coordinate beyond the tessellator's range is a GLU error, reported with its number and text.
  nodes.GetItem(1)->SetX(INFINITY);
  try {
    nodes.DrawTessellatedPolygon(false, nullptr, 1, false, recorder);
    FAIL() << "no exception";
  } catch (const EAssertionFailed& e) {
    EXPECT_EQ(e.Text(), std::to_string(GLU_TESS_COORD_TOO_LARGE) + ": " +
                            reinterpret_cast<const char*>(gluErrorString(GLU_TESS_COORD_TOO_LARGE)));
  }
}

}  // namespace
}  // namespace zentrova
