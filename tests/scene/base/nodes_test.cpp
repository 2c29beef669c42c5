#include "scene/base/nodes.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <limits>

#include <cmath>
#include <stdexcept>
#include <vector>

#include "platform/settings.h"
#include "scene/base/scene_errors.h"
#include "scene/base/update_able.h"

namespace zentrova {
namespace {

class TCountingComponent : public TGLUpdateAbleComponent {
 public:
  using TGLUpdateAbleComponent::TGLUpdateAbleComponent;
  void NotifyChange(TPersistent* sender) override { ++notices; }
  int notices = 0;
};

// Records the tessellator's output as plain triangles.
class TTriangleRecorder : public TPolygonSink {
 public:
  void Normal(const TAffineVector& n) override { normals.push_back(n); }
  void Begin(unsigned mode) override {
    mode_ = mode;
    strip_.clear();
    modes.push_back(mode);
  }
  void TexCoord(const float* st) override { texcoords.push_back({st[0], st[1]}); }
  void Vertex(const float* xyz) override {
    const TAffineVector v{xyz[0], xyz[1], xyz[2]};
    vertices.push_back(v);
    strip_.push_back(v);
    const std::size_t n = strip_.size();
    if (mode_ == GL_TRIANGLES && n % 3 == 0) {
      triangles.push_back({strip_[n - 3], strip_[n - 2], strip_[n - 1]});
    } else if (mode_ == GL_TRIANGLE_FAN && n >= 3) {
      triangles.push_back({strip_[0], strip_[n - 2], strip_[n - 1]});
    } else if (mode_ == GL_TRIANGLE_STRIP && n >= 3) {
      triangles.push_back({strip_[n - 3], strip_[n - 2], strip_[n - 1]});
    }
  }
  void End() override { ++ends; }

  double Area() const {
    double sum = 0;
    for (const auto& t : triangles) {
      sum += std::fabs((double(t[1][0]) - t[0][0]) * (double(t[2][1]) - t[0][1]) -
                       (double(t[2][0]) - t[0][0]) * (double(t[1][1]) - t[0][1])) /
             2;
    }
    return sum;
  }

  std::vector<std::array<TAffineVector, 3>> triangles;
  std::vector<TAffineVector> vertices, normals;
  std::vector<std::array<float, 2>> texcoords;
  std::vector<unsigned> modes;
  int ends = 0;

 private:
  unsigned mode_ = 0;
  std::vector<TAffineVector> strip_;
};

TEST(Nodes, DirectionAverageAndPlane) {
  TGLNodes nodes(nullptr);
  EXPECT_EQ(nodes.AveragePosition(), ZeroVector);
  nodes.AddXYZ(1, 1, 1);
  EXPECT_EQ(nodes.DirectionAt(0), ZeroVector);  // a single node has no direction
  nodes.AddXYZ(1, 1, 1.001f);
  EXPECT_EQ(nodes.DirectionAt(0), ZeroVector);  // (almost) coincident nodes neither
  EXPECT_EQ(nodes.DirectionAt(1), ZeroVector);
  EXPECT_EQ(nodes.PlaneNormal(), ZeroVector);
  nodes.GetItem(1)->SetAsVector({3, 1, 1, 1});
  nodes.AddXYZ(3, 4, 1);
  EXPECT_EQ(nodes.DirectionAt(0), UnitVectorX);
  const TAffineVector middle = nodes.DirectionAt(1);  // from node 0 to node 2: (2, 3, 0)
  EXPECT_NEAR(middle[0], 2 / std::sqrt(13.0), 1e-7);
  EXPECT_NEAR(middle[1], 3 / std::sqrt(13.0), 1e-7);
  EXPECT_EQ(nodes.DirectionAt(2), UnitVectorY);
  EXPECT_THROW(nodes.DirectionAt(3), EAssertionFailed);
  EXPECT_THROW(nodes.DirectionAt(-1), EAssertionFailed);
  EXPECT_EQ(nodes.PlaneNormal(), UnitVectorZ);
  const TAffineVector average = nodes.AveragePosition();
  EXPECT_FLOAT_EQ(average[0], 7.0f / 3);
  EXPECT_FLOAT_EQ(average[1], 2);
  EXPECT_FLOAT_EQ(average[2], 1);
}

TEST(Nodes, DisplayNameUsesTheDecimalSeparator) {
  TGLNodes nodes(nullptr);
  TGLNode* node = nodes.AddXYZ(1, 2, 3);
  EXPECT_EQ(node->GetDisplayName(), "1.0000; 2.0000; 3.0000");
  SetDecimalSeparator(',');
  node->SetZ(-0.12345f);
  EXPECT_EQ(node->GetDisplayName(), "1,0000; 2,0000; -0,1235");
  SetDecimalSeparator('.');
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
  EXPECT_EQ(owner.notices, 3);
  nodes.Translate({1, 1, 1});
  EXPECT_EQ(owner.notices, 4);
  EXPECT_EQ(nodes.GetItem(0)->AsVector(), (TVector4f{3, 1, 1, 1}));
  nodes.TurnAboutY(90);
  EXPECT_EQ(owner.notices, 5);
  EXPECT_NEAR(nodes.GetItem(0)->X(), 1, 1e-6);
  EXPECT_NEAR(nodes.GetItem(0)->Z(), -3, 1e-6);
  EXPECT_EQ(nodes.GetItem(0)->Y(), 1);
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
  nodes.AddXYZ(0, 0, 0);
  nodes.AddXYZ(1, 2, 0);
  nodes.AddXYZ(2, 0, 4);
  EXPECT_STREQ(nodes.GetItem(1)->ClassName(), "TWeightedNode");
  TCountingComponent owner;
  const std::unique_ptr<TGLNodes> copy = nodes.Duplicate(&owner);
  ASSERT_EQ(copy->Count(), 3);
  EXPECT_EQ(copy->GetOwner(), &owner);
  EXPECT_STREQ(copy->GetItem(2)->ClassName(), "TWeightedNode");
  EXPECT_EQ(copy->GetItem(2)->AsVector(), (TVector4f{2, 0, 4, 1}));

  const std::unique_ptr<TCubicSpline> spline = nodes.MakeCubicSpline();
  EXPECT_EQ(spline->KnotCount(), 3);
  EXPECT_TRUE(spline->WCoefficients().empty());
  const TAffineVector at1 = spline->ValueAffine(1);
  EXPECT_NEAR(at1[0], 1, 1e-5);
  EXPECT_NEAR(at1[1], 2, 1e-5);
  EXPECT_NEAR(at1[2], 0, 1e-5);
}

TEST(Tessellation, FewerThanThreeNodesDrawNothing) {
  TGLNodes nodes(nullptr);
  nodes.AddXYZ(0, 0, 0);
  nodes.AddXYZ(1, 0, 0);
  TTriangleRecorder recorder;
  const TAffineVector normal = UnitVectorZ;
  nodes.DrawTessellatedPolygon(false, &normal, 1, false, recorder);
  EXPECT_TRUE(recorder.normals.empty());
  EXPECT_TRUE(recorder.modes.empty());
}

TEST(Tessellation, ConcavePentagonBecomesThreeTriangles) {
  // A house upside down: the notch at (2, 1) makes it concave. Area 16 − 6 = 10.
  TGLNodes nodes(nullptr);
  nodes.AddXYZ(0, 0, 0);
  nodes.AddXYZ(4, 0, 0);
  nodes.AddXYZ(4, 4, 0);
  nodes.AddXYZ(2, 1, 0);
  nodes.AddXYZ(0, 4, 0);
  TTriangleRecorder recorder;
  const TAffineVector normal = UnitVectorZ;
  nodes.DrawTessellatedPolygon(true, &normal, 1, false, recorder);
  ASSERT_EQ(recorder.normals.size(), 1u);
  EXPECT_EQ(recorder.normals[0], UnitVectorZ);
  ASSERT_EQ(recorder.triangles.size(), 3u);
  EXPECT_NEAR(recorder.Area(), 10, 1e-9);
  EXPECT_EQ(recorder.ends, static_cast<int>(recorder.modes.size()));
  // Textured: each vertex's x and y come first as its texture coordinate.
  ASSERT_EQ(recorder.texcoords.size(), recorder.vertices.size());
  for (std::size_t i = 0; i < recorder.vertices.size(); ++i) {
    EXPECT_EQ(recorder.texcoords[i][0], recorder.vertices[i][0]);
    EXPECT_EQ(recorder.texcoords[i][1], recorder.vertices[i][1]);
  }
  // Only the nodes themselves are used.
  for (const auto& v : recorder.vertices) EXPECT_EQ(v[2], 0);

  TTriangleRecorder reversed;
  nodes.DrawTessellatedPolygon(false, nullptr, 1, true, reversed);
  EXPECT_EQ(reversed.triangles.size(), 3u);
  EXPECT_NEAR(reversed.Area(), 10, 1e-9);
  EXPECT_TRUE(reversed.texcoords.empty());
  EXPECT_TRUE(reversed.normals.empty());
}

TEST(Tessellation, IntersectionsGetNewVertices) {
  // A bow tie crossing itself at (1, 1): two triangles of area 1 each.
  TGLNodes nodes(nullptr);
  nodes.AddXYZ(0, 0, 0);
  nodes.AddXYZ(2, 2, 0);
  nodes.AddXYZ(2, 0, 0);
  nodes.AddXYZ(0, 2, 0);
  TTriangleRecorder recorder;
  nodes.DrawTessellatedPolygon(false, nullptr, 1, false, recorder);
  EXPECT_EQ(recorder.triangles.size(), 2u);
  EXPECT_NEAR(recorder.Area(), 2, 1e-6);
  bool crossing = false;
  for (const auto& v : recorder.vertices) crossing = crossing || (v == TAffineVector{1, 1, 0});
  EXPECT_TRUE(crossing);
}

TEST(Tessellation, SplineSmoothedOutline) {
  TGLNodes nodes(nullptr);
  nodes.AddXYZ(0, 0, 0);
  nodes.AddXYZ(4, 0, 0);
  nodes.AddXYZ(4, 4, 0);
  nodes.AddXYZ(0, 4, 0);
  TTriangleRecorder recorder;
  nodes.DrawTessellatedPolygon(false, nullptr, 4, false, recorder);
  const std::unique_ptr<TCubicSpline> spline = nodes.MakeCubicSpline();
  // (4 − 1) × 4 + 1 spline points, each used by the triangles.
  EXPECT_EQ(recorder.triangles.size(), 11u);
  for (const auto& v : recorder.vertices) {
    bool on_spline = false;
    for (int k = 0; k <= 12; ++k)
      on_spline = on_spline || v == spline->ValueAffine(static_cast<float>(k * 0.25L));
    EXPECT_TRUE(on_spline);
  }
}

TEST(Tessellation, AbsurdSplineDivisionsAreRefused) {
  TGLNodes nodes(nullptr);
  nodes.AddXYZ(0, 0, 0);
  nodes.AddXYZ(1, 0, 0);
  nodes.AddXYZ(0, 1, 0);
  TTriangleRecorder recorder;
  EXPECT_THROW(nodes.DrawTessellatedPolygon(false, nullptr, 2000000000, false, recorder), Exception);
  EXPECT_TRUE(recorder.modes.empty());
}

class TFailingSink : public TTriangleRecorder {
 public:
  void Vertex(const float*) override { throw std::runtime_error("sink failed"); }
};

TEST(Tessellation, FailuresSurfaceAfterTheTessellatorIsGone) {
  TGLNodes nodes(nullptr);
  nodes.AddXYZ(0, 0, 0);
  nodes.AddXYZ(1, 0, 0);
  nodes.AddXYZ(0, 1, 0);
  TFailingSink failing;
  EXPECT_THROW(nodes.DrawTessellatedPolygon(false, nullptr, 1, false, failing), std::runtime_error);
  // A coordinate beyond the tessellator's range is a GLU error, reported with its number and text.
  nodes.GetItem(1)->SetX(INFINITY);
  TTriangleRecorder recorder;
  try {
    nodes.DrawTessellatedPolygon(false, nullptr, 1, false, recorder);
    FAIL() << "no exception";
  } catch (const EAssertionFailed& e) {
    EXPECT_EQ(e.Text().rfind(std::to_string(GLU_TESS_COORD_TOO_LARGE) + ": ", 0), 0u) << e.Text();
    EXPECT_GT(e.Text().size(), 8u);
  }
}

}  // namespace
}  // namespace zentrova
