// The native mesh file "glsm": the tagged archive of a mesh's object list, read and written as is, and
// the start-up registration of the format and of the mesh classes that archives and scenes name.
#pragma once

#include <array>
#include <memory>

#include "scene/base/class_name.h"
#include "scene/base/component.h"
#include "scene/extras/mesh/vector_file.h"

namespace zentrova {

class TGLGLSMVectorFile : public TVectorFile {
 public:
  using TVectorFile::TVectorFile;
  // The registered class.
  static std::unique_ptr<TVectorFile> New(TPersistent* owner) { return std::make_unique<TGLGLSMVectorFile>(owner); }
  ZENTROVA_CLASS(TGLGLSMVectorFile)
  unsigned Capabilities() const override { return dfcRead | dfcWrite; }
  std::unique_ptr<TDataFile> CreateCopy(TPersistent* owner) const override {
    return std::make_unique<TGLGLSMVectorFile>(owner);
  }
  // Appends the file's mesh objects to the mesh's.
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;
};

// The classes registered at start-up, in registration order. The archive classes go to the class
// registry of archives; the scene and controller classes, which no archive holds, to the scene library's
// component registry.
inline constexpr std::array<const char*, 17> kMeshClassNames{
    "TGLFreeForm",       "TGLActor",           "TSkeleton",          "TSkeletonFrame",
    "TSkeletonBone",     "TSkeletonMeshObject", "TMeshObject",       "TSkeletonFrameList",
    "TMeshMorphTarget",  "TMorphableMeshObject", "TFaceGroup",       "TFGVertexIndexList",
    "TFGVertexNormalTexIndexList", "TGLAnimationControler", "TFGIndexTexCoordList",
    "TSkeletonCollider", "TSkeletonColliderList"};

// Registers the native mesh format once (it also runs when the library starts); the mesh classes register
// their names in their own files.
void RegisterMeshClasses();

}  // namespace zentrova
