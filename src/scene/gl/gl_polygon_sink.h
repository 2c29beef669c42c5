// The polygon sink that draws: tessellated polygons of the base layer go to the current GL context.
#pragma once

#include "scene/base/polygon_sink.h"

namespace zentrova {

// Immediate-mode GL 1.1 calls into the current context. Texture coordinates go through the
// texture-coordinate routing to the units it selects.
TPolygonSink& GLPolygonSink();

}  // namespace zentrova
