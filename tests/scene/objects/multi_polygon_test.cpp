// The contours and their outline through the GLU tessellator, without GL: boundaries, holes, a
// self-crossing contour, spline sampling, the fill into a recording sink, the cache and its notices,
// and the tessellator's error.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <limits>
#include <vector>

#include "objects_fixtures.h"
#include "scene/gl/texture_coordinates.h"
#include "scene/objects/multi_polygon.h"

namespace zentrova::test {
namespace {

using Points = std::vector<std::array<float, 2>>;

void AddContour(TMultiPolygonBase& object, const Points& points) {
  TGLNodes& nodes = object.ContourNodes(object.Contours().Count());
  for (const auto& p : points) nodes.AddXYZ(p[0], p[1], 0);
}

double SignedArea(const TAffineVectorList& polygon) {
  double area = 0;
  for (int i = 0; i < polygon.Count(); ++i) {
    const TAffineVector& a = polygon[i];
    const TAffineVector& b = polygon[(i + 1) % polygon.Count()];
    area += static_cast<double>(a[0]) * b[1] - static_cast<double>(b[0]) * a[1];
  }
  return area / 2;
}

bool HasVertex(const TAffineVectorList& polygon, float x, float y) {
  for (int i = 0; i < polygon.Count(); ++i) {
    if (std::abs(polygon[i][0] - x) < 1e-5f && std::abs(polygon[i][1] - y) < 1e-5f) return true;
  }
  return false;
}

// Collects what a fill sends, its primitives turned into triangles as GL would draw them.
class TTriangleSink : public TPolygonSink {
 public:
  void Normal(const TAffineVector& n) override { normals.push_back(n); }
  void Begin(unsigned mode) override {
    mode_ = mode;
    strip_.clear();
    ++begins;
  }
  void TexCoord(const float* st) override { tex.push_back({st[0], st[1]}); }
  void Vertex(const float* xyz) override {
    const TAffineVector v{xyz[0], xyz[1], xyz[2]};
    ++vertices;
    strip_.push_back(v);
    const std::size_t n = strip_.size();
    if (mode_ == GL_TRIANGLES && n % 3 == 0) {
      triangles.push_back({strip_[n - 3], strip_[n - 2], strip_[n - 1]});
    } else if (mode_ == GL_TRIANGLE_FAN && n >= 3) {
      triangles.push_back({strip_[0], strip_[n - 2], strip_[n - 1]});
    } else if (mode_ == GL_TRIANGLE_STRIP && n >= 3) {
      if (n % 2 == 1) {
        triangles.push_back({strip_[n - 3], strip_[n - 2], strip_[n - 1]});
      } else {
        triangles.push_back({strip_[n - 2], strip_[n - 3], strip_[n - 1]});
      }
    }
  }
  void End() override { ++ends; }

  // Summed signed area seen from +z: positive for counter-clockwise triangles.
  double Area() const {
    double area = 0;
    for (const auto& t : triangles) area += TriangleArea(t);
    return area;
  }
  static double TriangleArea(const std::array<TAffineVector, 3>& t) {
    return ((static_cast<double>(t[1][0]) - t[0][0]) * (static_cast<double>(t[2][1]) - t[0][1]) -
            (static_cast<double>(t[2][0]) - t[0][0]) * (static_cast<double>(t[1][1]) - t[0][1])) /
           2;
  }
  // Whether a triangle covers the point (strictly inside).
  bool Covers(float x, float y) const {
    for (const auto& t : triangles) {
      double s[3];
      for (int k = 0; k < 3; ++k) {
        const TAffineVector& a = t[k];
        const TAffineVector& b = t[(k + 1) % 3];
        s[k] =
            (static_cast<double>(b[0]) - a[0]) * (y - a[1]) - (static_cast<double>(b[1]) - a[1]) * (x - a[0]);
      }
      if ((s[0] > 0 && s[1] > 0 && s[2] > 0) || (s[0] < 0 && s[1] < 0 && s[2] < 0)) return true;
    }
    return false;
  }

  std::vector<TAffineVector> normals;
  std::vector<std::array<float, 2>> tex;
  std::vector<std::array<TAffineVector, 3>> triangles;
  int begins = 0, ends = 0, vertices = 0;

 private:
  unsigned mode_ = 0;
  std::vector<TAffineVector> strip_;
};

const Points kSquare{{0, 0}, {4, 0}, {4, 4}, {0, 4}};
const Points kInner{{1, 1}, {3, 1}, {3, 3}, {1, 3}};

TEST(Outline, ACounterClockwiseSquareGivesOnePolygonAndAClockwiseOneNone) {
  TMultiPolygonBase ccw;
  AddContour(ccw, kSquare);
  ASSERT_EQ(ccw.Outline().Count(), 1);
  EXPECT_EQ(ccw.Outline().Polygon(0).Count(), 4);
  EXPECT_DOUBLE_EQ(SignedArea(ccw.Outline().Polygon(0)), 16);

  TMultiPolygonBase cw;
  AddContour(cw, Points(kSquare.rbegin(), kSquare.rend()));
  EXPECT_EQ(cw.Outline().Count(), 0);
}

TEST(Outline, FewerThanThreeNodesInTheFirstContourGiveNothingButALaterShortContourIsStillFed) {
  TMultiPolygonBase none;
  EXPECT_EQ(none.Outline().Count(), 0);
  TMultiPolygonBase two;
  AddContour(two, {{0, 0}, {1, 0}});
  AddContour(two, kSquare);
  EXPECT_EQ(two.Outline().Count(), 0);
  TTriangleSink sink;
  two.RenderTesselatedPolygon(true, nullptr, false, sink);
  EXPECT_EQ(sink.vertices, 0);

  // A later contour of two nodes is a degenerate hole: it takes no area.
  TMultiPolygonBase square_and_segment;
  AddContour(square_and_segment, kSquare);
  AddContour(square_and_segment, {{1, 1}, {3, 3}});
  double area = 0;
  for (int i = 0; i < square_and_segment.Outline().Count(); ++i)
    area += SignedArea(square_and_segment.Outline().Polygon(i));
  EXPECT_DOUBLE_EQ(area, 16);
}

TEST(Outline, AnInnerContourCutsAHoleAndTheCapCoversOuterMinusInner) {
  TMultiPolygonBase object;
  AddContour(object, kSquare);
  AddContour(object, kInner);
  const TPolygonList& outline = object.Outline();
  ASSERT_EQ(outline.Count(), 2);
  std::vector<double> areas{SignedArea(outline.Polygon(0)), SignedArea(outline.Polygon(1))};
  std::sort(areas.begin(), areas.end());
  EXPECT_EQ(areas, (std::vector<double>{-4, 16}));  // the hole's boundary runs clockwise

  TTriangleSink sink;
  const TAffineVector up{0, 0, 1};
  object.RenderTesselatedPolygon(false, &up, false, sink);
  EXPECT_EQ(sink.normals, std::vector<TAffineVector>{up});
  EXPECT_EQ(sink.begins, sink.ends);
  EXPECT_NEAR(sink.Area(), 12, 1e-9);
  for (const auto& t : sink.triangles) EXPECT_GT(TTriangleSink::TriangleArea(t), 0);
  EXPECT_TRUE(sink.Covers(0.3f, 0.7f));
  EXPECT_TRUE(sink.Covers(3.6f, 2.1f));
  EXPECT_FALSE(sink.Covers(2, 2));
  EXPECT_TRUE(sink.tex.empty());

  // Reversed about −z: the same area, every triangle clockwise seen from +z.
  TTriangleSink down;
  const TAffineVector minus_z{0, 0, -1};
  object.RenderTesselatedPolygon(true, &minus_z, true, down);
  EXPECT_NEAR(down.Area(), -12, 1e-9);
  EXPECT_FALSE(down.Covers(2, 2));
  ASSERT_EQ(static_cast<int>(down.tex.size()), down.vertices);
}

TEST(Outline, TheFillsTextureCoordinatesAreTheVerticesXAndY) {
  TMultiPolygonBase object;
  AddContour(object, {{1, 2}, {3, 2}, {3, 5}});
  TTriangleSink sink;
  object.RenderTesselatedPolygon(true, nullptr, false, sink);
  ASSERT_EQ(sink.triangles.size(), 1u);
  ASSERT_EQ(sink.tex.size(), 3u);
  std::vector<std::array<float, 2>> corners;
  for (const TAffineVector& v : sink.triangles[0]) corners.push_back({v[0], v[1]});
  EXPECT_EQ(sink.tex, corners);
  EXPECT_TRUE(sink.normals.empty());
}

TEST(Outline, AFigureEightKeepsItsCounterClockwiseLobeWithTheCrossingPoint) {
  TMultiPolygonBase object;
  // The left lobe (0,0) .. (1,1) .. (0,2) runs counter-clockwise, the right one clockwise.
  AddContour(object, {{0, 0}, {2, 2}, {2, 0}, {0, 2}});
  const TPolygonList& outline = object.Outline();
  ASSERT_EQ(outline.Count(), 1);
  const TAffineVectorList& lobe = outline.Polygon(0);
  EXPECT_EQ(lobe.Count(), 3);
  EXPECT_TRUE(HasVertex(lobe, 1, 1));
  EXPECT_TRUE(HasVertex(lobe, 0, 0));
  EXPECT_TRUE(HasVertex(lobe, 0, 2));
  EXPECT_DOUBLE_EQ(SignedArea(lobe), 1);
}

TEST(Outline, TheEnginesClosedContourRepeatingItsFirstPointHasNoZeroLengthEdge) {
  TMultiPolygonBase object;
  Points closed = kSquare;
  closed.push_back(kSquare.front());
  AddContour(object, closed);
  ASSERT_EQ(object.Outline().Count(), 1);
  const TAffineVectorList& polygon = object.Outline().Polygon(0);
  EXPECT_EQ(polygon.Count(), 4);
  for (int i = 0; i < polygon.Count(); ++i) {
    const TAffineVector& a = polygon[i];
    const TAffineVector& b = polygon[(i + 1) % polygon.Count()];
    EXPECT_FALSE(a[0] == b[0] && a[1] == b[1]) << "edge " << i;
  }
}

TEST(Outline, ASplineContourFeedsNodeIntervalsTimesDivisionPlusOnePointsThroughTheNodes) {
  const Points blob{{0, 0}, {4, 0}, {5, 3}, {2, 5}, {-1, 3}};
  struct Case {
    TLineSplineMode mode;
    int division;
    int points;
  };
  for (const Case& c : {Case{lsmCubicSpline, 4, 17}, Case{lsmBezierSpline, 4, 17}, Case{lsmCubicSpline, 1, 5},
                        Case{lsmLines, 4, 5}, Case{lsmNURBSCurve, 0, 5}}) {
    TMultiPolygonBase object;
    AddContour(object, blob);
    object.Contours().Items(0)->SetSplineMode(c.mode);
    object.Contours().Items(0)->SetDivision(c.division);
    ASSERT_EQ(object.Outline().Count(), 1) << c.mode << " " << c.division;
    const TAffineVectorList& polygon = object.Outline().Polygon(0);
    EXPECT_EQ(polygon.Count(), c.points) << c.mode << " " << c.division;
    for (const auto& p : blob) EXPECT_TRUE(HasVertex(polygon, p[0], p[1])) << p[0] << ", " << p[1];
  }
}

TEST(Outline, ATessellatorErrorRaisesItsCodeAndTextAfterTheTessellatorAndKeepsTheCache) {
  TMultiPolygonBase object;
  AddContour(object, {{0, 0}, {std::numeric_limits<float>::infinity(), 0}, {1, 1}});
  try {
    object.Outline();
    FAIL() << "no error";
  } catch (const EAssertionFailed& e) {
    EXPECT_EQ(e.Text(), std::to_string(GLU_TESS_COORD_TOO_LARGE) + " : " +
                            reinterpret_cast<const char*>(gluErrorString(GLU_TESS_COORD_TOO_LARGE)));
  }
  EXPECT_TRUE(object.HasCachedOutline());
  EXPECT_NO_THROW(object.Outline());
}

TEST(Outline, ASplineDivisionOfMillionsIsRefusedBeforeAnyPointIsMade) {
  TMultiPolygonBase object;
  AddContour(object, kSquare);
  object.Contours().Items(0)->SetSplineMode(lsmCubicSpline);
  object.Contours().Items(0)->SetDivision(1 << 21);
  EXPECT_THROW(object.Outline(), Exception);
}

TEST(Contours, DivisionIsAtLeastOneTheDisplayNameCountsNodesAndContourNodesAddsContours) {
  TMultiPolygonBase object;
  TGLNodes& third = object.ContourNodes(2);
  EXPECT_EQ(object.Contours().Count(), 3);
  EXPECT_EQ(&third, &object.Contours().Items(2)->Nodes());
  EXPECT_THROW(object.ContourNodes(-1), EAssertionFailed);
  TGLContour& contour = *object.Contours().Items(0);
  EXPECT_EQ(contour.Division(), 10);
  for (int d : {0, -5}) {
    contour.SetDivision(d);
    EXPECT_EQ(contour.Division(), 1);
  }
  for (const auto& p : kSquare) contour.Nodes().AddXYZ(p[0], p[1], 0);
  EXPECT_EQ(contour.GetDisplayName(), "GLContour: 4 nodes");
  contour.SetDescription("rim");
  EXPECT_EQ(contour.GetDisplayName(), "rim");
}

TEST(Contours, AssignCopiesEveryContourWithItsNodesAndSettings) {
  TMultiPolygonBase source;
  AddContour(source, kSquare);
  AddContour(source, kInner);
  source.Contours().Items(1)->SetDivision(3);
  source.Contours().Items(1)->SetSplineMode(lsmSegments);
  source.Contours().Items(1)->SetDescription("hole");
  TMultiPolygonBase copy;
  AddContour(copy, {{9, 9}, {8, 9}, {8, 8}});
  copy.Assign(&source);
  ASSERT_EQ(copy.Contours().Count(), 2);
  const TGLContour& hole = *copy.Contours().Items(1);
  EXPECT_EQ(hole.Division(), 3);
  EXPECT_EQ(hole.SplineMode(), lsmSegments);
  EXPECT_EQ(hole.Description(), "hole");
  ASSERT_EQ(hole.Nodes().Count(), 4);
  EXPECT_EQ(hole.Nodes()[2]->X(), 3);
  EXPECT_EQ(copy.Contours().Items(0)->Nodes()[1]->X(), 4);
}

// The object's notices reach the scene, where they are counted.
struct OutlineCache : FakeScene {};

TEST_F(OutlineCache, ANodeChangeAfterTheBuildDropsTheOutlineAndRebuildsTheListButTheDescriptionDoesNot) {
  auto& object = stage.Objects().AddNewChild<TGLMultiPolygon>();
  AddContour(object, kSquare);
  EXPECT_FALSE(object.HasCachedOutline());
  stage.Objects().RenderWithTransform(rci);
  ASSERT_TRUE(object.HasCachedOutline());
  stage.senders.clear();

  object.Contours().Items(0)->SetDescription("top");
  EXPECT_TRUE(object.HasCachedOutline());
  EXPECT_TRUE(stage.senders.empty());

  object.Contours().Items(0)->Nodes()[2]->SetX(6);
  EXPECT_FALSE(object.HasCachedOutline());
  EXPECT_EQ(stage.senders.size(), 1u);
  // Without a cached outline a change tells nobody.
  object.Contours().Items(0)->Nodes()[2]->SetX(7);
  EXPECT_EQ(stage.senders.size(), 1u);
  stage.Objects().RenderWithTransform(rci);
  EXPECT_TRUE(HasVertex(object.Outline().Polygon(0), 7, 4));
}

TEST_F(OutlineCache, TheMultiPolygonDrawsItsPartsAtTheContoursZ) {
  TexCoordRouteMain();
  auto& object = stage.Objects().AddNewChild<TGLMultiPolygon>();
  for (const auto& p : kSquare) object.ContourNodes(0).AddXYZ(p[0], p[1], 0.5f);
  struct Case {
    TPolygonParts parts;
    Calls normals;
  };
  const std::string up = "glNormal3fv([0, 0, 1])", down = "glNormal3fv([-0, -0, -1])";
  for (const Case& c : {Case{kAllPolygonParts, {up, down}}, Case{1u << ppBottom, {down}}, Case{0, {}}}) {
    object.SetParts(c.parts);
    fake.Clear();
    stage.Objects().RenderWithTransform(rci);
    EXPECT_EQ(Named(fake.Calls(), "glNormal3fv"), c.normals) << int{c.parts};
    for (const std::string& v : Named(fake.Calls(), "glVertex3fv")) EXPECT_EQ(Numbers(v).at(2), 0.5) << v;
    EXPECT_EQ(Named(fake.Calls(), "glTexCoord2fv").size(), Named(fake.Calls(), "glVertex3fv").size());
  }
}

}  // namespace
}  // namespace zentrova::test
