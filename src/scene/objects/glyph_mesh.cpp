#include "scene/objects/glyph_mesh.h"

#include <GL/glu.h>

#include <array>
#include <cmath>
#include <new>
#include <utility>

#include "platform/exception.h"
#include "scene/base/tessellator.h"
#include "scene/gl/opengl_binding.h"

namespace zentrova {

namespace {

constexpr const char* kFontCreationFailed = "FontManager: font creation failed";

// The filled area's triangles, each counter-clockwise seen from +z; degenerate ones left out.
std::vector<std::array<TAffineVector, 3>> FaceTriangles(const TGlyphOutline& outline) {
  std::vector<std::array<TAffineVector, 3>> triangles;
  if (outline.contours.empty()) return triangles;
  std::vector<TAffineVector> corners;  // three per triangle, in GLU's order
  GLenum error = 0;
  try {
    TTessellator tess({.begin = {},
                       .vertex = [&](const float* xyz) { corners.push_back({xyz[0], xyz[1], xyz[2]}); },
                       .end = {},
                       .triangles_only = true});
    tess.SetProperty(GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_NONZERO);
    tess.SetNormal(0, 0, 1);
    tess.BeginPolygon();
    for (const TContour& contour : outline.contours) {
      tess.BeginContour();
      for (const TFontPoint& p : contour) tess.Vertex(p.x, p.y, 0);
      tess.EndContour();
    }
    error = tess.EndPolygon();
  } catch (const std::bad_alloc&) {
    throw Exception(kFontCreationFailed);
  }
  if (error != 0 || corners.size() % 3 != 0) throw Exception(kFontCreationFailed);
  triangles.reserve(corners.size() / 3);
  for (std::size_t i = 0; i < corners.size(); i += 3) {
    std::array<TAffineVector, 3> tri;
    for (int k = 0; k < 3; ++k) tri[k] = {corners[i + k][0], corners[i + k][1], 0};
    const double area = (static_cast<double>(tri[1][0]) - tri[0][0]) * (static_cast<double>(tri[2][1]) - tri[0][1]) -
                        (static_cast<double>(tri[2][0]) - tri[0][0]) * (static_cast<double>(tri[1][1]) - tri[0][1]);
    if (area == 0) continue;
    if (area < 0) std::swap(tri[1], tri[2]);
    triangles.push_back(tri);
  }
  return triangles;
}

}  // namespace

void TessellateGlyphFace(const TGlyphOutline& outline, TPolygonSink& sink) {
  const auto triangles = FaceTriangles(outline);
  if (triangles.empty()) return;
  sink.Normal(UnitVectorZ);
  sink.Begin(GL_TRIANGLES);
  for (const auto& tri : triangles) {
    for (const TAffineVector& v : tri) sink.Vertex(v.data());
  }
  sink.End();
}

TGlyphMesh BuildGlyphMesh(const TGlyphOutline& outline, float extrusion) {
  TGlyphMesh mesh;
  mesh.advance_x = static_cast<float>(outline.advance_x);
  mesh.advance_y = static_cast<float>(outline.advance_y);
  const auto face = FaceTriangles(outline);
  const bool extruded = extrusion > 0;
  mesh.triangles.reserve(face.size() * (extruded ? 6 : 3));
  for (const auto& tri : face) {
    for (const TAffineVector& v : tri) mesh.triangles.push_back({UnitVectorZ, v});
  }
  if (!extruded) return mesh;
  const float z = -extrusion;
  for (const auto& tri : face) {
    // Seen from -z the back face turns the other way.
    for (int k : {0, 2, 1}) mesh.triangles.push_back({{0, 0, -1}, {tri[k][0], tri[k][1], z}});
  }
  // Walls face away from the filled side: left of the direction of travel for contours that fill on
  // their right (TrueType), right of it for those that fill on their left (CFF).
  const float side = outline.fill == TOutlineFill::Right ? 1.0f : -1.0f;
  for (const TContour& contour : outline.contours) {
    const std::size_t n = contour.size();
    for (std::size_t i = 0; i < n; ++i) {
      const TFontPoint& a = contour[i];
      const TFontPoint& b = contour[(i + 1) % n];
      const double dx = b.x - a.x, dy = b.y - a.y;
      const double length = std::sqrt(dx * dx + dy * dy);
      if (length == 0) continue;
      const TAffineVector normal{static_cast<float>(-dy / length * side), static_cast<float>(dx / length * side), 0};
      const TAffineVector a0{static_cast<float>(a.x), static_cast<float>(a.y), 0};
      const TAffineVector b0{static_cast<float>(b.x), static_cast<float>(b.y), 0};
      const TAffineVector a1{a0[0], a0[1], z};
      const TAffineVector b1{b0[0], b0[1], z};
      // a0, b0, b1, a1 turns counter-clockwise seen from the left of a → b; reversed for the right.
      if (side > 0) {
        for (const TAffineVector& v : {a0, b0, b1, a0, b1, a1}) mesh.triangles.push_back({normal, v});
      } else {
        for (const TAffineVector& v : {a0, b1, b0, a0, a1, b1}) mesh.triangles.push_back({normal, v});
      }
    }
  }
  return mesh;
}

void DrawGlyphMesh(const TGlyphMesh& mesh) {
  if (!mesh.triangles.empty()) {
    gl.Begin(GL_TRIANGLES);
    const TAffineVector* last_normal = nullptr;
    for (const TGlyphVertex& v : mesh.triangles) {
      if (last_normal == nullptr || *last_normal != v.normal) gl.Normal3fv(v.normal.data());
      last_normal = &v.normal;
      gl.Vertex3fv(v.position.data());
    }
    gl.End();
  }
  gl.Translatef(mesh.advance_x, mesh.advance_y, 0);
}

}  // namespace zentrova
