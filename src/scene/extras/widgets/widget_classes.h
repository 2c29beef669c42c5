// The start-up registration of the bitmap fonts, the flat and head-up display text objects and the
// widget classes with the scene library's component registry. A static library drops static
// initialisers nobody refers to, so the program and the tests call it themselves.
#pragma once

namespace zentrova {

// Later calls do nothing.
void RegisterTextAndWidgetClasses();

}  // namespace zentrova
