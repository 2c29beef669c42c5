// The start-up registration of the particle, immediate-mode mesh and sky classes with the scene library's
// component registry, so that a scene description can name them. A static library drops static
// initialisers nobody refers to, so the program and tests call the registration themselves.
#pragma once

namespace zentrova {

// TGLParticles, TGLMesh, TGLSkyDome and TGLEarthSkyDome. Later calls do nothing.
void RegisterParticleMeshAndSkyClasses();

}  // namespace zentrova
