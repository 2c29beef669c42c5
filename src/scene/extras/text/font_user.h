// The link from an object that draws with a bitmap font to that font: registration as a user, and the
// free notification that clears the link when the font goes first.
#pragma once

#include "scene/base/component.h"
#include "scene/extras/text/bitmap_font.h"

namespace zentrova {

// Moves `user` from the font in `field` to `value`. Returns false when they are the same.
inline bool SwapFontUser(TGLUpdateAbleComponent& user, TGLCustomBitmapFont*& field, TGLCustomBitmapFont* value) {
  if (field == value) return false;
  if (field != nullptr) {
    field->UnRegisterUser(&user);
    user.RemoveFreeNotification(*field);
  }
  field = value;
  if (field != nullptr) {
    field->RegisterUser(&user);
    user.FreeNotification(*field);
  }
  return true;
}

}  // namespace zentrova
