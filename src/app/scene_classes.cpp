#include "app/scene_classes.h"

#include "scene/extras/mesh/mesh_file.h"

namespace zentrova {

void RegisterSceneClasses() { RegisterMeshClasses(); }

}  // namespace zentrova
