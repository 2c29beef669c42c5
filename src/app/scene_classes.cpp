#include "app/scene_classes.h"

#include "scene/extras/mesh/mesh_file.h"
#include "scene/extras/widgets/widget_classes.h"

namespace zentrova {

void RegisterSceneClasses() {
  RegisterTextAndWidgetClasses();
  RegisterMeshClasses();
}

}  // namespace zentrova
