// Solid glyphs for the 3D text: a glyph outline in em units tessellated with GLU's tessellator under the
// nonzero winding rule (TrueType and CFF contours turn opposite ways), as a front face at z = 0 facing +z
// and, when extruded, a back face at z = -extrusion facing -z and side walls facing outwards. All of it
// is independent triangles, so that a display list of a glyph holds one primitive type only.
#pragma once

#include <vector>

#include "platform/fonts/glyph_outline.h"
#include "scene/base/polygon_sink.h"
#include "scene/base/vector_types.h"

namespace zentrova {

struct TGlyphVertex {
  TAffineVector normal;
  TAffineVector position;
};

struct TGlyphMesh {
  std::vector<TGlyphVertex> triangles;  // three vertices per triangle, counter-clockwise seen from outside
  float advance_x = 0;
  float advance_y = 0;
};

// The glyph's filled area as triangles at z = 0, counter-clockwise seen from +z, into the sink (one
// GL_TRIANGLES batch with the normal (0, 0, 1)); nothing for a glyph without contours. A tessellation
// error raises Exception "FontManager: font creation failed".
void TessellateGlyphFace(const TGlyphOutline& outline, TPolygonSink& sink);

// Front face, and with extrusion > 0 the back face and the side walls.
TGlyphMesh BuildGlyphMesh(const TGlyphOutline& outline, float extrusion);

// The mesh's triangles as GL_TRIANGLES with their normals, then the translation by the advance: the
// content of one glyph's display list, or the glyph drawn directly.
void DrawGlyphMesh(const TGlyphMesh& mesh);

}  // namespace zentrova
