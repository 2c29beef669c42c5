#include "scene/extras/mesh/mesh_file.h"

#include <map>
#include <string>

#include "scene/extras/mesh/actor.h"
#include "scene/extras/mesh/base_mesh.h"
#include "scene/extras/mesh/skeleton.h"
#include "scene/extras/mesh/skeleton_mesh_object.h"

namespace zentrova {

namespace {

std::map<std::string, TComponentFactory>& ComponentClasses() {
  static std::map<std::string, TComponentFactory> classes;
  return classes;
}

template <class T>
void RegisterComponentClass(const char* name) {
  ComponentClasses()[name] = []() -> std::unique_ptr<TComponent> { return std::make_unique<T>(); };
}

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

TComponentFactory GetMeshComponentClass(const std::string& class_name) {
  const auto found = ComponentClasses().find(class_name);
  return found == ComponentClasses().end() ? nullptr : found->second;
}

void RegisterMeshClasses() {
  // Once per process; mesh lists and meshes call this before they first need a registration.
  static bool registered = false;
  if (registered) return;
  registered = true;
  RegisterVectorFileFormat("glsm", "Scene Mesh", &TGLGLSMVectorFile::New);
  RegisterComponentClass<TGLFreeForm>("TGLFreeForm");
  RegisterComponentClass<TGLActor>("TGLActor");
  RegisterClass<TSkeleton>();
  RegisterClass<TSkeletonFrame>();
  RegisterClass<TSkeletonBone>();
  RegisterClass<TSkeletonMeshObject>();
  RegisterClass<TMeshObject>();
  RegisterClass<TSkeletonFrameList>();
  RegisterClass<TMeshMorphTarget>();
  RegisterClass<TMorphableMeshObject>();
  RegisterClass<TFaceGroup>();
  RegisterClass<TFGVertexIndexList>();
  RegisterClass<TFGVertexNormalTexIndexList>();
  RegisterComponentClass<TGLAnimationControler>("TGLAnimationControler");
  RegisterClass<TFGIndexTexCoordList>();
  RegisterClass<TSkeletonCollider>();
  RegisterClass<TSkeletonColliderList>();
}

}  // namespace zentrova
