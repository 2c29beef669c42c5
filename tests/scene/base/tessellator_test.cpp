// The GLU tessellator behind one polygon: what reaches the handlers, crossings made into new points,
// triangles only when asked, and a handler that throws.
#include <gtest/gtest.h>

#include <array>
#include <stdexcept>
#include <vector>

#include "scene/base/tessellator.h"

namespace zentrova {
namespace {

struct Recorded {
  std::vector<GLenum> modes;
  std::vector<TAffineVector> vertices;
  int ends = 0;
  TTessellator::THandlers Handlers(bool triangles_only = false) {
    return {.begin = [this](GLenum mode) { modes.push_back(mode); },
            .vertex = [this](const float* xyz) { vertices.push_back({xyz[0], xyz[1], xyz[2]}); },
            .end = [this] { ++ends; },
            .triangles_only = triangles_only};
  }
};

GLenum Tessellate(TTessellator& tess, const std::vector<std::array<double, 2>>& points) {
  tess.SetNormal(0, 0, 1);
  tess.BeginPolygon();
  tess.BeginContour();
  for (const auto& p : points) tess.Vertex(p[0], p[1], 0.25);
  tess.EndContour();
  return tess.EndPolygon();
}

TEST(Tessellator, ASquareAsIndependentTrianglesCoversItsFourCornersInTwoTriangles) {
  Recorded r;
  TTessellator tess(r.Handlers(true));
  EXPECT_EQ(Tessellate(tess, {{0, 0}, {1, 0}, {1, 1}, {0, 1}}), 0u);
  ASSERT_EQ(r.modes, std::vector<GLenum>{GL_TRIANGLES});
  EXPECT_EQ(r.ends, 1);
  ASSERT_EQ(r.vertices.size(), 6u);
  double area = 0;
  for (std::size_t i = 0; i < 6; i += 3) {
    const TAffineVector &a = r.vertices[i], &b = r.vertices[i + 1], &c = r.vertices[i + 2];
    area += 0.5 * ((b[0] - a[0]) * (c[1] - a[1]) - (c[0] - a[0]) * (b[1] - a[1]));
  }
  EXPECT_DOUBLE_EQ(area, 1);  // counter-clockwise about +z
  for (const TAffineVector& v : r.vertices) EXPECT_EQ(v[2], 0.25f);
}

TEST(Tessellator, ABowTieIsCutAtItsCrossingWhichReachesTheHandlersAsANewPoint) {
  Recorded r;
  TTessellator tess(r.Handlers(true));
  tess.SetProperty(GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_NONZERO);
  EXPECT_EQ(Tessellate(tess, {{0, 0}, {2, 2}, {2, 0}, {0, 2}}), 0u);
  ASSERT_EQ(r.vertices.size(), 6u);
  int crossings = 0;
  for (const TAffineVector& v : r.vertices) crossings += v == TAffineVector{1, 1, 0.25f};
  EXPECT_EQ(crossings, 2);
}

TEST(Tessellator, AThrowingHandlerIsRaisedFromEndPolygonAndLaterCallbacksAreSkipped) {
  Recorded r;
  TTessellator::THandlers handlers = r.Handlers();
  int calls = 0;
  handlers.vertex = [&](const float*) {
    ++calls;
    throw std::runtime_error("sink full");
  };
  TTessellator tess(std::move(handlers));
  try {
    Tessellate(tess, {{0, 0}, {1, 0}, {1, 1}, {0, 1}});
    ADD_FAILURE() << "nothing raised";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "sink full");
  }
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(r.ends, 0);
}

TEST(Tessellator, ANestedContourOutsideAPolygonIsAGLUErrorNotAnException) {
  Recorded r;
  TTessellator tess(r.Handlers());
  tess.BeginPolygon();
  tess.BeginContour();
  tess.Vertex(0, 0, 0);
  tess.BeginContour();  // a contour begun inside another
  tess.EndContour();
  EXPECT_EQ(tess.EndPolygon(), static_cast<GLenum>(GLU_TESS_MISSING_END_CONTOUR));
}

}  // namespace
}  // namespace zentrova
