#include "app/scene_classes.h"

#include <gtest/gtest.h>

#include <string>

#include "scene/base/class_registration.h"

namespace zentrova {
namespace {

// After the program's start-up registration a class of every part of the scene library is found by name
// and made as itself; the abstract bases stay unknown.
TEST(SceneClasses, StartUpRegistersEveryPartOfTheSceneLibrary) {
  RegisterSceneClasses();
  for (const std::string name : {"TGLDummyCube", "TGLExtrusionSolid", "TGLTorus", "TGLFrustrum", "TGLFreeForm",
                                 "TGLSkyDome", "TGLEarthSkyDome", "TGLCamera", "TGLLightSource", "TGLBitmapFont",
                                 "TGLWindowsBitmapFont", "TGLStoredBitmapFont", "TGLFlatText", "TGLHUDSprite",
                                 "TGLHUDText", "TGLGuiLayout", "TGLBaseControl", "TGLPopupMenu", "TGLForm",
                                 "TGLPanel", "TGLButton", "TGLCheckBox", "TGLEdit", "TGLLabel", "TGLAdvancedLabel",
                                 "TGLScrollbar", "TGLStringGrid", "TGLCustomControl"}) {
    const TComponentFactory factory = GetComponentClass(name);
    ASSERT_NE(factory, nullptr) << name;
    EXPECT_EQ(std::string(factory()->ClassName()), name);
  }
  EXPECT_EQ(GetComponentClass("TGLCylinderBase"), nullptr);
  EXPECT_EQ(GetComponentClass("TMultiPolygonBase"), nullptr);
  EXPECT_EQ(GetComponentClass("TGLCustomBitmapFont"), nullptr);
  EXPECT_EQ(GetComponentClass("TGLFocusControl"), nullptr);
}

}  // namespace
}  // namespace zentrova
