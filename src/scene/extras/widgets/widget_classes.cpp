#include "scene/extras/widgets/widget_classes.h"

#include <mutex>

#include "scene/base/class_registration.h"
#include "scene/extras/text/flat_text.h"
#include "scene/extras/text/hud_objects.h"
#include "scene/extras/text/windows_bitmap_font.h"
#include "scene/extras/widgets/button.h"
#include "scene/extras/widgets/custom_control.h"
#include "scene/extras/widgets/edit.h"
#include "scene/extras/widgets/form.h"
#include "scene/extras/widgets/label.h"
#include "scene/extras/widgets/popup_menu.h"
#include "scene/extras/widgets/string_grid.h"

namespace zentrova {

void RegisterTextAndWidgetClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterComponentClass("TGLBitmapFont", &NewComponent<TGLBitmapFont>);
    RegisterComponentClass("TGLWindowsBitmapFont", &NewComponent<TGLWindowsBitmapFont>);
    RegisterComponentClass("TGLStoredBitmapFont", &NewComponent<TGLStoredBitmapFont>);
    RegisterComponentClass("TGLFlatText", &NewComponent<TGLFlatText>);
    RegisterComponentClass("TGLHUDSprite", &NewComponent<TGLHUDSprite>);
    RegisterComponentClass("TGLHUDText", &NewComponent<TGLHUDText>);
    RegisterComponentClass("TGLBaseControl", &NewComponent<TGLBaseControl>);
    RegisterComponentClass("TGLPopupMenu", &NewComponent<TGLPopupMenu>);
    RegisterComponentClass("TGLForm", &NewComponent<TGLForm>);
    RegisterComponentClass("TGLPanel", &NewComponent<TGLPanel>);
    RegisterComponentClass("TGLButton", &NewComponent<TGLButton>);
    RegisterComponentClass("TGLCheckBox", &NewComponent<TGLCheckBox>);
    RegisterComponentClass("TGLEdit", &NewComponent<TGLEdit>);
    RegisterComponentClass("TGLLabel", &NewComponent<TGLLabel>);
    RegisterComponentClass("TGLAdvancedLabel", &NewComponent<TGLAdvancedLabel>);
    RegisterComponentClass("TGLScrollbar", &NewComponent<TGLScrollbar>);
    RegisterComponentClass("TGLStringGrid", &NewComponent<TGLStringGrid>);
    RegisterComponentClass("TGLCustomControl", &NewComponent<TGLCustomControl>);
  });
}

}  // namespace zentrova
