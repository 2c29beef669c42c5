// Fuzzes the native mesh file ("glsm"). A file that loads is used as a scene uses it: its triangles are
// extracted (with and without texture points and normals), its extents and barycenter taken, a ray cast
// at it and it is drawn in an off-screen context. Saved, it loads again and saves the same bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "scene/base/streams.h"
#include "scene/extras/mesh/base_mesh.h"
#include "scene/extras/mesh/mesh_object.h"
#include "scene/materials/render_context_info.h"
#include "scene_fuzz_support.h"

namespace zentrova::fuzz {
namespace {

std::string Saved(TGLFreeForm& mesh) {
  TStringStream stream;
  mesh.SaveToStream("fuzz.glsm", stream);
  return stream.DataString();
}

void FuzzMeshFile(const std::string& bytes) {
  UseOffscreenContext();
  TGLFreeForm mesh;
  TStringStream in(bytes);
  if (Refused("loading", [&] { mesh.LoadFromStream("fuzz.glsm", in); })) return;

  Refused("extracting", [&] { mesh.MeshObjects().ExtractTriangles(nullptr, nullptr); });
  Refused("extracting with texture points and normals", [&] {
    TAffineVectorList tex_coords, normals;
    mesh.MeshObjects().ExtractTriangles(&tex_coords, &normals);
  });
  Refused("measuring", [&] {
    TAffineVector min{}, max{};
    mesh.GetExtents(min, max);
    mesh.GetBarycenter();
    mesh.RayCastIntersect({0, 0, 5, 1}, {0, 0, -1, 0}, nullptr, nullptr);
  });
  Refused("drawing", [&] {
    TRenderContextInfo& rci = FreshRenderContext();
    mesh.MeshObjects().PrepareBuildList(rci);
    mesh.MeshObjects().BuildList(rci);
  });

  const std::string saved = Saved(mesh);
  TGLFreeForm again;
  TStringStream saved_in(saved);
  if (Refused("loading what was saved", [&] { again.LoadFromStream("fuzz.glsm", saved_in); })) {
    Fail("a saved mesh does not load again");
  }
  if (Saved(again) != saved) Fail("a mesh loaded again saves other bytes");
}

}  // namespace
}  // namespace zentrova::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return zentrova::fuzz::FuzzInput(data, size, 16384, zentrova::fuzz::FuzzMeshFile);
}
