// The program's start-up registration of the scene library's classes, so that a scene stream can name any
// of them.
#pragma once

namespace zentrova {

// The native mesh format, which registers by call; the classes register from their own files, which the
// program links whole.
void RegisterSceneClasses();

}  // namespace zentrova
