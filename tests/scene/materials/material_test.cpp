#include "scene/materials/material.h"

#include <gtest/gtest.h>

#include "materials_test_support.h"
#include "scene/materials/material_library.h"
#include "scene/materials/texture_ex.h"

namespace zentrova {
namespace {

// A scene-object-like owner: counts component notices and display-list invalidations.
class TOwner : public TGLUpdateAbleComponent, public TGLStructureDirtyTarget {
 public:
  void NotifyChange(TPersistent*) override { ++notices; }
  void MarkStructureDirty() override { ++marks; }
  int notices = 0;
  int marks = 0;
};

TEST(GLMaterial, LinksByNameToLibraryMaterials) {
  TGLMaterialLibrary library;
  TGLLibMaterial& glass = *library.Materials().Add();
  glass.SetName("Glass");
  glass.Material().SetBlendingMode(bmTransparency);
  TOwner owner;
  TGLMaterial material(&owner);
  material.SetMaterialLibrary(&library);
  material.SetLibMaterialName("Glass");
  EXPECT_EQ(material.LibMaterial(), &glass);
  EXPECT_EQ(glass.Users(), std::vector<TPersistent*>{&material});
  EXPECT_EQ(owner.marks, 1);
  // The same name again neither registers twice nor tells anyone.
  material.SetLibMaterialName("Glass");
  EXPECT_EQ(owner.marks, 1);
  EXPECT_TRUE(material.Blended());  // the library material's blending, not the own opaque one
  EXPECT_EQ(&material.EffectiveTexture(), &glass.Material().Texture());
  // A change of the library material reaches the user's owner.
  owner.notices = 0;
  glass.Material().SetFaceCulling(fcNoCull);
  EXPECT_EQ(owner.notices, 1);
  library.Materials().Delete(0);  // the library material goes: forgotten without notice
  EXPECT_TRUE(material.LibMaterial() == nullptr && material.LibMaterialName().empty() &&
              material.MaterialLibrary() == nullptr);
}

TEST(GLMaterial, ALibraryThatGoesFirstIsForgottenWithTheNameUnresolved) {
  TGLMaterial material(nullptr);
  auto library = std::make_unique<TGLMaterialLibrary>();
  material.SetMaterialLibrary(library.get());
  material.SetLibMaterialName("not there");
  TGLMaterial(nullptr).SetMaterialLibrary(library.get());  // gone before the library: not told
  library.reset();
  EXPECT_EQ(material.MaterialLibrary(), nullptr);
  material.SetLibMaterialName("not there");
}

TEST(GLMaterial, ChainsOf16LinksAreRefusedBeforeTheNameIsStored) {
  for (int length : {15, 16}) {
    SCOPED_TRACE(length);
    TGLMaterialLibrary library;
    for (int i = 0; i < length; ++i) library.Materials().Add()->SetName("L" + std::to_string(i));
    for (int i = 0; i + 1 < length; ++i) {  // L0 → L1 → …
      library.Materials().Items(i)->Material().SetMaterialLibrary(&library);
      library.Materials().Items(i)->Material().SetLibMaterialName("L" + std::to_string(i + 1));
    }
    TGLMaterial material(nullptr);
    material.SetMaterialLibrary(&library);
    if (length < kMaxLibMaterialLinkDepth) {
      material.SetLibMaterialName("L0");
      EXPECT_EQ(material.LibMaterialName(), "L0");
    } else {
      test::ExpectAssertion([&] { material.SetLibMaterialName("L0"); },
                            "Error: Cyclic material reference detected!");
      EXPECT_EQ(material.LibMaterialName(), "");
    }
  }
}

}  // namespace
}  // namespace zentrova
