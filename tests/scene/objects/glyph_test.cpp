// Glyph outlines of the platform's "Arial" tessellated into a polygon sink: the triangles cover exactly
// the area of the flattened contours (holes left open), and the extruded mesh is closed and outward.
#include <cmath>

#include "objects_fixtures.h"
#include "platform/fonts/font_face.h"
#include "scene/objects/glyph_mesh.h"

namespace zentrova::test {
namespace {

// Collects the triangles' signed areas.
struct TAreaSink : TPolygonSink {
  void Normal(const TAffineVector& n) override { normal = n; }
  void Begin(unsigned m) override { mode = m; }
  void TexCoord(const float*) override {}
  void Vertex(const float* xyz) override {
    corners.push_back({xyz[0], xyz[1], xyz[2]});
    if (corners.size() == 3) {
      const double a = (double(corners[1][0]) - corners[0][0]) * (double(corners[2][1]) - corners[0][1]) -
                       (double(corners[2][0]) - corners[0][0]) * (double(corners[1][1]) - corners[0][1]);
      area += a / 2;
      if (a <= 0) ++clockwise;
      ++triangles;
      corners.clear();
    }
  }
  void End() override {}
  TAffineVector normal{};
  unsigned mode = 0;
  std::vector<TAffineVector> corners;
  double area = 0;
  int clockwise = 0;
  int triangles = 0;
};

// The area the contours enclose under the nonzero rule, for glyphs whose contours do not cross: the
// outer ones count, the holes (turning the other way) subtract.
double ContourArea(const TGlyphOutline& outline) {
  double total = 0;
  for (const TContour& c : outline.contours) {
    double a = 0;
    for (std::size_t i = 0; i < c.size(); ++i) {
      const TFontPoint& p = c[i];
      const TFontPoint& q = c[(i + 1) % c.size()];
      a += p.x * q.y - q.x * p.y;
    }
    total += a / 2;
  }
  return std::fabs(total);
}

TEST(GlyphMesh, IOAnd8CoverTheirContoursAreaWithHolesOpen) {
  TFontFaceResult face = FindFontFace("Arial", {});
  ASSERT_TRUE(face) << face.error;
  for (char32_t c : {U'I', U'O', U'8'}) {
    SCOPED_TRACE(static_cast<char>(c));
    const TGlyphOutline outline = face.face->Outline(c, 0);
    TAreaSink sink;
    TessellateGlyphFace(outline, sink);
    EXPECT_EQ(sink.mode, static_cast<unsigned>(GL_TRIANGLES));
    EXPECT_EQ(sink.normal, UnitVectorZ);
    EXPECT_EQ(sink.clockwise, 0);
    const double expected = ContourArea(outline);
    EXPECT_GT(expected, 0.05);
    EXPECT_NEAR(sink.area, expected, expected * 0.001);
    // The holes of "O" and "8" are open: the outer contour alone encloses more.
    double outer = 0;
    for (const TContour& contour : outline.contours) {
      double a = 0;
      for (std::size_t i = 0; i < contour.size(); ++i) {
        a += contour[i].x * contour[(i + 1) % contour.size()].y - contour[(i + 1) % contour.size()].x * contour[i].y;
      }
      outer = std::max(outer, std::fabs(a / 2));
    }
    if (c != U'I') { EXPECT_LT(sink.area, outer * 0.9); }
  }
}

TEST(GlyphMesh, AnExtrudedGlyphIsClosedWithOutwardNormals) {
  TFontFaceResult face = FindFontFace("Arial", {});
  ASSERT_TRUE(face) << face.error;
  const TGlyphOutline outline = face.face->Outline(U'O', 0);
  const TGlyphMesh mesh = BuildGlyphMesh(outline, 0.25f);
  ASSERT_EQ(mesh.triangles.size() % 3, 0u);
  EXPECT_FLOAT_EQ(mesh.advance_x, static_cast<float>(outline.advance_x));
  // Closed: the signed volume by the divergence theorem is the face area times the depth, and every
  // triangle turns counter-clockwise about its normal.
  double volume = 0;
  for (std::size_t i = 0; i < mesh.triangles.size(); i += 3) {
    const TAffineVector& a = mesh.triangles[i].position;
    const TAffineVector& b = mesh.triangles[i + 1].position;
    const TAffineVector& c = mesh.triangles[i + 2].position;
    volume += (double(a[0]) * (double(b[1]) * c[2] - double(b[2]) * c[1]) -
               double(a[1]) * (double(b[0]) * c[2] - double(b[2]) * c[0]) +
               double(a[2]) * (double(b[0]) * c[1] - double(b[1]) * c[0])) / 6;
    const TAffineVector cross{(b[1] - a[1]) * (c[2] - a[2]) - (b[2] - a[2]) * (c[1] - a[1]),
                              (b[2] - a[2]) * (c[0] - a[0]) - (b[0] - a[0]) * (c[2] - a[2]),
                              (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0])};
    const TAffineVector& n = mesh.triangles[i].normal;
    EXPECT_GE(cross[0] * n[0] + cross[1] * n[1] + cross[2] * n[2], 0) << i;
  }
  EXPECT_NEAR(volume, ContourArea(outline) * 0.25, ContourArea(outline) * 0.25 * 0.002);
  // Flat: the front face alone.
  const TGlyphMesh flat = BuildGlyphMesh(outline, 0);
  for (const TGlyphVertex& v : flat.triangles) EXPECT_EQ(v.position[2], 0);
  // A blank has no contours and no triangles, only its advance.
  const TGlyphMesh blank = BuildGlyphMesh(face.face->Outline(U' ', 0), 0.25f);
  EXPECT_TRUE(blank.triangles.empty());
  EXPECT_GT(blank.advance_x, 0);
}

}  // namespace
}  // namespace zentrova::test
