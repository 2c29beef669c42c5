#include "scene/core/material.h"

#include <gtest/gtest.h>

#include "materials_test_support.h"
#include "scene/core/material_library.h"
#include "scene/core/texture_ex.h"

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
  EXPECT_FALSE(material.HasTexture() || material.HasBackProperties());
  material.SetMaterialLibrary(&library);
  material.SetLibMaterialName("Glass");
  EXPECT_EQ(material.LibMaterial(), &glass);
  EXPECT_EQ(glass.Users(), std::vector<TPersistent*>{&material});
  EXPECT_EQ(owner.marks, 1);
  // The same name again neither registers twice nor tells anyone.
  material.SetLibMaterialName("Glass");
  EXPECT_EQ(owner.marks, 1);
  EXPECT_TRUE(material.Blended());  // the library material's blending, not the own opaque one
  EXPECT_FALSE(material.StoresMaterialProperties());
  EXPECT_EQ(&material.EffectiveTexture(), &glass.Material().Texture());
  // A change of the library material reaches the user's owner.
  owner.notices = 0;
  glass.Material().SetFaceCulling(fcNoCull);
  EXPECT_EQ(owner.notices, 1);
  material.SetLibMaterialName("glass");  // names are case-sensitive: unlinked
  EXPECT_EQ(material.LibMaterial(), nullptr);
  EXPECT_FALSE(material.Blended());
  material.SetLibMaterialName("Glass");
  library.Materials().Delete(0);  // the library material goes: forgotten without notice
  EXPECT_TRUE(material.LibMaterial() == nullptr && material.LibMaterialName().empty() &&
              material.MaterialLibrary() == nullptr);
}

TEST(GLMaterial, ChainsOf16LinksAreRefusedBeforeTheNameIsStored) {
  for (int length : {15, 16}) {
    SCOPED_TRACE(length);
    TGLMaterialLibrary library;
    for (int i = 0; i < length; ++i) {
      TGLLibMaterial& link = *library.Materials().Add();
      link.SetName("L" + std::to_string(i));
      if (i > 0) {
        TGLMaterial& previous = library.Materials().Items(i - 1)->Material();
        previous.SetMaterialLibrary(&library);
        previous.SetLibMaterialName(link.Name());
      }
    }
    TGLMaterial material(nullptr);
    material.SetMaterialLibrary(&library);
    if (length < kMaxLibMaterialLinkDepth) {
      material.SetLibMaterialName("L0");
      EXPECT_EQ(material.LibMaterialName(), "L0");
    } else {
      test::ExpectAssertion([&] { material.SetLibMaterialName("L0"); }, "Error: Cyclic material reference detected!");
      EXPECT_EQ(material.LibMaterialName(), "");
    }
  }
}

TEST(GLMaterial, AssignCopiesEverythingWithOneNotice) {
  TGLMaterial source(nullptr);
  source.BackProperties().SetShininess(9);
  source.SetBlendingMode(bmAdditive);
  source.SetMaterialOptions(moNoLighting);
  source.SetFaceCulling(fcCull);
  source.Texture().SetTextureMode(tmBlend);
  source.TextureEx().Add()->SetTextureIndex(3);
  TOwner owner;
  TGLMaterial material(&owner);
  material.Assign(&source);
  EXPECT_EQ(owner.notices, 1);
  EXPECT_TRUE(material.BackProperties().Shininess() == 9 && material.BlendingMode() == bmAdditive &&
              material.MaterialOptions() == moNoLighting && material.FaceCulling() == fcCull &&
              material.Texture().TextureMode() == tmBlend);
  EXPECT_TRUE(material.StoresTextureEx());
  EXPECT_EQ(material.TextureEx().Items(0)->TextureIndex(), 3);
  // A source without back properties or texture takes them away.
  TGLMaterial plain(nullptr);
  material.Assign(&plain);
  EXPECT_FALSE(material.HasBackProperties() || material.HasTexture());
  // Enabling the texture invalidates the owner's display list.
  owner.marks = 0;
  material.Texture().SetEnabled(true);
  EXPECT_EQ(owner.marks, 1);
  material.TextureEx().Add()->SetTextureIndex(-3);
  EXPECT_EQ(material.TextureEx().Items(0)->TextureIndex(), 0);
}

}  // namespace
}  // namespace zentrova
