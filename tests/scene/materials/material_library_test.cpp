#include "scene/materials/material_library.h"

#include <gtest/gtest.h>

#include "materials_test_support.h"
#include "scene/materials/texture_ex.h"

namespace zentrova {
namespace {

using test::Golden;

std::string Saved(const TGLMaterialLibrary& library) {
  TMemoryStream stream;
  library.SaveToStream(stream);
  return stream.DataString();
}

void Load(TGLMaterialLibrary& library, const std::string& bytes) {
  TMemoryStream stream(bytes);
  library.LoadFromStream(stream);
}

TGLCoordinates& SetXYZ(TGLCoordinates& coordinates, float x, float y, float z) {
  coordinates.SetCoordinate(0, x);
  coordinates.SetCoordinate(1, y);
  coordinates.SetCoordinate(2, z);
  return coordinates;
}

TEST(GLMaterialLibrary, ArchiveIsGoldenAndReadsBackEqual) {
  TGLMaterialLibrary library;
  TBitmap b16(2, 1, pf16bit);
  b16.SetPixel(0, 0, 0xFFFF0000);
  b16.SetPixel(1, 0, 0xFF0000FF);
  TGLLibMaterial* body = library.AddTextureMaterial("Body", &b16);
  TGLMaterial& material = body->Material();
  material.FrontProperties().Diffuse().SetRGBA(1, 0.5f, 0.25f, 0.75f);
  material.FrontProperties().Emission().SetRGBA(0, 0, 0.5f, 1);
  material.FrontProperties().SetShininess(10);
  material.FrontProperties().SetPolygonMode(pmLines);
  material.BackProperties().Ambient().SetRGBA(0.1f, 0.2f, 0.3f, 1);
  material.BackProperties().Specular().SetRGBA(1, 1, 1, 1);
  material.BackProperties().SetShininess(20);
  material.BackProperties().SetPolygonMode(pmPoints);
  material.SetBlendingMode(bmTransparency);
  material.SetMaterialOptions(moIgnoreFog | moNoLighting);
  SetXYZ(body->TextureOffset(), 0.5f, 0, 0);
  SetXYZ(body->TextureScale(), 1, 2, 1);
  body->SetTexture2Name("Second");
  TGLTextureExItem* extra = material.TextureEx().Add();
  TBitmap b24(1, 1, pf24bit);
  b24.SetPixel(0, 0, 0xFF0A141E);
  extra->Texture().Image().Assign(&b24);
  extra->Texture().SetEnabled(true);
  extra->SetTextureIndex(2);
  SetXYZ(extra->TextureOffset(), 0.25f, 0, 0);
  SetXYZ(extra->TextureScale(), 3, 1, 1);
  library.Materials().Add()->SetName("Second");
  EXPECT_EQ(Saved(library), Golden("library_v2.bin"));

  TGLMaterialLibrary loaded;
  Load(loaded, Golden("library_v2.bin"));
  EXPECT_EQ(Saved(loaded), Golden("library_v2.bin"));
  // Filters revert to those of a texture material.
  const TGLTexture& texture = loaded.LibMaterialByName("Body")->Material().Texture();
  EXPECT_TRUE(texture.Enabled() && texture.TextureMode() == tmModulate &&
              texture.MinFilter() == miLinearMipmapLinear);
  EXPECT_EQ(loaded.LibMaterialByName("Body")->TextureMatrix()[3][0], 0.5f);
}

TEST(GLMaterialLibrary, OlderVersionsAndTheOptionsSize) {
  TGLMaterialLibrary library;
  Load(library, Golden("library_v0.bin"));
  TGLLibMaterial* old = library.LibMaterialByName("Old");
  ASSERT_NE(old, nullptr);
  EXPECT_EQ(old->Material().FrontProperties().Diffuse().Color(), (TVector4f{0.1f, 0.2f, 0.3f, 0.4f}));
  EXPECT_FALSE(old->Material().HasBackProperties());
  EXPECT_EQ(old->Material().Texture().Image().Width(), 1);
  const struct {
    const char* file;
    TMaterialOptions options;
  } cases[] = {{"library_v1.bin", 2}, {"library_v1_options0.bin", 0}, {"library_v1_options3.bin", 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    Load(library, Golden(c.file));
    ASSERT_EQ(library.Materials().Count(), 1);
    const TGLLibMaterial& one = *library.Materials().Items(0);
    EXPECT_EQ(one.Name(), "One");
    EXPECT_EQ(one.Material().MaterialOptions(), c.options);
    EXPECT_EQ(one.Material().BlendingMode(), bmAlphaTest100);
    EXPECT_EQ(one.Material().FrontProperties().Shininess(), 5);
    EXPECT_EQ(one.Texture2Name(), "Other");
    EXPECT_EQ(const_cast<TGLLibMaterial&>(one).TextureScale().AsVector(), (TVector4f{4, 5, 6, 1}));
  }
  EXPECT_THROW(Load(library, Golden("library_v1_options_negative.bin")), EFilerException);
  test::ExpectError<EFilerException>([&] { Load(library, std::string("\x02\x03", 2)); },
                                     "TGLMaterialLibrary : unknown archive version 3");
}

TEST(GLMaterialLibrary, NamesAreUniqueAndCaseSensitive) {
  TGLMaterialLibrary library;
  TBitmap picture(4, 4, pf24bit);
  EXPECT_EQ(library.AddTextureMaterial("N", &picture)->Name(), "N");
  EXPECT_EQ(library.AddTextureMaterial("N", &picture)->Name(), "N1");
  EXPECT_EQ(library.Materials().Add()->Name(), "LibMaterial");
  EXPECT_EQ(library.Materials().Add()->Name(), "LibMaterial1");
  EXPECT_EQ(FindLibMaterial(&library, "n"), nullptr);
  EXPECT_EQ(FindLibMaterial(nullptr, "N"), nullptr);
  EXPECT_EQ(FindLibMaterial(&library, "N1"), library.Materials().Items(1));
  // The length starts the hash; each byte doubles it and adds itself.
  EXPECT_EQ(LibMaterialNameHash("ab"), 2u * (2u * 2 + 97) + 98);
}

TEST(GLMaterialLibrary, TexturePathsAreSearchedForRelativeNames) {
  test::TempDir dir;
  std::filesystem::create_directory(dir.File("b"));
  test::WriteBytes(dir.File("b") + "/tex.bmp", "x");
  TGLMaterialLibrary library;
  library.SetTexturePaths(" " + dir.Path() + "a ;; " + dir.File("b") + "\\ ;" + dir.Path() + "c/");
  EXPECT_EQ(library.TexturePathList(),
            (std::vector<std::string>{dir.Path() + "a/", dir.File("b") + "/", dir.Path() + "c/"}));
  TGLLibMaterial* lib_material = library.Materials().Add();
  const struct {
    std::string name, found;
  } cases[] = {
      {"tex.bmp", dir.File("b") + "/tex.bmp"},
      {"none.bmp", "none.bmp"},
      {"/tex.bmp", "/tex.bmp"},
      {"\\tex.bmp", "\\tex.bmp"},
      {"c:tex.bmp", "c:tex.bmp"},
  };
  for (const auto& c : cases) {
    std::string name = c.name;
    lib_material->LocateTextureFile(nullptr, name);
    EXPECT_EQ(name, c.found);
  }
}

TEST(GLMaterialLibrary, DestroyingWhileAppliedIsReportedNotThrown) {
  test::RecordingMessages messages;
  {
    TGLMaterialLibrary library;
    library.CurrentLibMaterial = library.Materials().Add();
  }
  EXPECT_EQ(messages.texts, std::vector<std::string>{"Unbalanced material application"});
}

}  // namespace
}  // namespace zentrova
