#include "scene/extras/mesh/mesh_file.h"

#include <string>

#include "scene/extras/mesh/base_mesh.h"

namespace zentrova {

namespace {

[[maybe_unused]] const bool kRegistered = [] {
  RegisterMeshClasses();
  return true;
}();

}  // namespace

void TGLGLSMVectorFile::LoadFromStream(TStream& stream) {
  // Read beside the mesh's own objects, which reading a list would free, then moved over; the list
  // already belongs to the mesh, so skinned objects find its skeleton while they are read.
  TMeshObjectList read(&Owner());
  read.LoadFromStream(stream);
  TMeshObjectList& objects = Owner().MeshObjects();
  while (read.Count() > 0) {
    std::unique_ptr<TObject> item = read.Extract(0);
    static_cast<TMeshObject*>(item.get())->SetOwner(&objects);
    objects.Add(std::move(item));
  }
}

void TGLGLSMVectorFile::SaveToStream(TStream& stream) {
  Owner().MeshObjects().SaveToStream(stream);
}

void RegisterMeshClasses() {
  // Once per process; mesh lists and meshes call this before they first need the format. The mesh classes
  // register their names in their own files.
  static bool registered = false;
  if (registered) return;
  registered = true;
  RegisterVectorFileFormat("glsm", "Scene Mesh", &TGLGLSMVectorFile::New);
}

}  // namespace zentrova
