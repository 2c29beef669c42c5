#include "scene/extras/sky/scene_object_classes.h"

#include <mutex>

#include "scene/base/class_registration.h"
#include "scene/extras/mesh/immediate_mesh.h"
#include "scene/extras/mesh/particles.h"
#include "scene/extras/sky/earth_sky_dome.h"
#include "scene/extras/sky/sky_dome.h"

namespace zentrova {

void RegisterParticleMeshAndSkyClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterComponentClass("TGLParticles", &NewComponent<TGLParticles>);
    RegisterComponentClass("TGLMesh", &NewComponent<TGLMesh>);
    RegisterComponentClass("TGLSkyDome", &NewComponent<TGLSkyDome>);
    RegisterComponentClass("TGLEarthSkyDome", &NewComponent<TGLEarthSkyDome>);
  });
}

}  // namespace zentrova
