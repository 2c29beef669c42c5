// The program's start-up registration of the scene library's classes, so that a scene stream can name any
// of them.
#pragma once

namespace zentrova {

// The classes that register by call (the fonts, texts and widgets) and the native mesh format; the others
// register from their own files, which the program links whole.
void RegisterSceneClasses();

}  // namespace zentrova
