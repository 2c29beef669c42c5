#include "scene/materials/texture_image.h"

#include <gtest/gtest.h>

#include "materials_test_support.h"
#include "scene/base/scene_errors.h"
#include "scene/materials/texture.h"
#include "scene/gl/gl_fixtures.h"

namespace zentrova {
namespace {

using test::DataPath;
using test::Golden;
using test::ReadBytes;

template <class T>
T& ImageOf(TGLTexture& texture, const char* class_name) {
  texture.SetImageClassName(class_name);
  return dynamic_cast<T&>(texture.Image());
}

TEST(TextureImage, RegistryOrderAndUnknownClassNames) {
  EXPECT_EQ(TextureImageClassNames(),
            (std::vector<std::string>{"TGLBlankImage", "TGLPersistentImage", "TGLPicFileImage",
                                      "TGLCubeMapImage", "TGLFloatDataImage"}));
  TGLTexture texture(nullptr);
  auto& blank = ImageOf<TGLBlankImage>(texture, "TGLBlankImage");
  texture.SetImageClassName("TGLNoSuchImage");  // keeps the image
  EXPECT_EQ(&texture.Image(), &blank);
}

TEST(TextureImage, SizeFilesAreGoldenAndLoadThroughTheSetters) {
  test::TempDir dir;
  const struct {
    const char* class_name;
    const char* golden;
    int width, height;
  } cases[] = {{"TGLBlankImage", "blank_image.txt", 100, 60}, {"TGLFloatDataImage", "float_image.txt", 1, 7}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.class_name);
    TGLTexture texture(nullptr);
    auto& image = ImageOf<TGLSizedImage>(texture, c.class_name);
    image.SetWidth(c.width);
    image.SetHeight(c.height);
    image.SaveToFile(dir.File("size.txt"));
    EXPECT_EQ(ReadBytes(dir.File("size.txt")), Golden(c.golden));
    image.SetWidth(0);  // below 1 stores 1
    EXPECT_EQ(image.Width(), 1);
    // Loading clamps, drops the cached pixels and flags the texture's image.
    test::WriteBytes(dir.File("size.txt"), "[Tag]\nwidth=-4\r\nHeight=" + std::to_string(c.height + 1));
    image.GetBitmap32(GL_TEXTURE_2D);
    image.LoadFromFile(dir.File("size.txt"));
    EXPECT_EQ(image.GetBitmap32(GL_TEXTURE_2D)->Height(), c.height + 1);
    EXPECT_TRUE(texture.Changes() & tcImage);
    const std::string missing = dir.File("none.txt");
    test::ExpectAssertion([&] { image.LoadFromFile(missing); }, "Could not open file: " + missing);
  }
}

TEST(TextureImage, PictureFilesReferencesAndWarnings) {
  test::TempDir dir;
  test::WriteBytes(dir.File("face.bmp"), Golden("rgb24_3x2.bmp"));
  test::WriteBytes(dir.File("ref.txt"), dir.File("face.bmp"));
  test::TNoticeCounter owner;
  TGLTexture texture(&owner);
  auto& image = ImageOf<TGLPicFileImage>(texture, "TGLPicFileImage");
  // A short text file is a reference; a file holding a zero byte is the picture itself.
  image.LoadFromFile(dir.File("ref.txt"));
  EXPECT_EQ(image.PictureFileName(), dir.File("face.bmp"));
  image.SaveToFile(dir.File("saved.txt"));
  EXPECT_EQ(ReadBytes(dir.File("saved.txt")), dir.File("face.bmp"));
  image.LoadFromFile(dir.File("face.bmp"));
  EXPECT_EQ(image.PictureFileName(), dir.File("face.bmp"));
  // Every request reads the file and keeps no pixels.
  EXPECT_EQ(image.GetBitmap32(GL_TEXTURE_2D)->Width(), 4);
  EXPECT_EQ(image.Picture().Graphic(), nullptr);
  // A missing file warns once; the picture's change event is back in place after the warning.
  image.SetPictureFileName(dir.File("missing.bmp"));
  test::ExpectAssertion([&] { image.GetBitmap32(GL_TEXTURE_2D); },
                        "Could not open file: " + dir.File("missing.bmp"));
  ASSERT_TRUE(image.Picture().OnChange != nullptr);
  EXPECT_TRUE(image.GetBitmap32(GL_TEXTURE_2D)->IsEmpty());
  owner.notices = 0;
  TBitmap picture(4, 4, pf24bit);
  image.Picture().SetGraphic(&picture);
  EXPECT_GT(owner.notices, 0);
}

TEST(TextureImage, PersistentImageLoadsOrRaisesTextureError) {
  test::TempDir dir;
  test::WriteBytes(dir.File("a.bmp"), Golden("rgb24_3x2.bmp"));
  TGLTexture texture(nullptr);
  auto& image = dynamic_cast<TGLPersistentImage&>(texture.Image());
  image.LoadFromFile(dir.File("a.bmp"));
  EXPECT_EQ(image.Width(), 3);
  test::ExpectError<ETexture>([&] { image.LoadFromFile(dir.File("b.bmp")); },
                              "Could not open file: " + dir.File("b.bmp"));
  EXPECT_EQ(image.Picture().Graphic(), nullptr);
}

TEST(TextureImage, CubeMapFilesAreGoldenAndCheckTheirVersion) {
  test::TempDir dir;
  TGLTexture texture(nullptr);
  auto& cube = ImageOf<TGLCubeMapImage>(texture, "TGLCubeMapImage");
  const std::uint32_t colours[6] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00, 0xFF00FFFF, 0xFFFF00FF};
  for (int face = 0; face < 6; ++face) {
    TBitmap bitmap(2, 2, pf24bit);
    for (int i = 0; i < 4; ++i) bitmap.SetPixel(i % 2, i / 2, colours[face]);
    cube.Picture(face).SetGraphic(&bitmap);
  }
  cube.SaveToFile(dir.File("cube.bin"));
  EXPECT_EQ(ReadBytes(dir.File("cube.bin")), Golden("cube_map.bin"));
  TGLTexture other(nullptr);
  auto& loaded = ImageOf<TGLCubeMapImage>(other, "TGLCubeMapImage");
  loaded.LoadFromFile(DataPath("scene/core/cube_map.bin"));
  for (int face = 0; face < 6; ++face) {
    EXPECT_EQ(static_cast<TBitmap*>(loaded.Picture(face).Graphic())->Pixel(1, 1), colours[face]);
  }
  // Faces come top-down: the buffer's first row is the picture's top row.
  EXPECT_EQ(loaded.GetBitmap32(GL_TEXTURE_CUBE_MAP_NEGATIVE_Z_ARB)->Data()[0], 255);
  std::string version257 = Golden("cube_map.bin");
  version257[0] = 1;
  test::WriteBytes(dir.File("v257.bin"), version257);
  EXPECT_THROW(loaded.LoadFromFile(dir.File("v257.bin")), EAssertionFailed);
  // A face of 2³¹ − 1 by 0 pixels: refused before its 6 GB row would be taken. Each face of the
  // golden file is 70 bytes (54 of headers, two rows of 8) after the 2-byte version.
  std::string endless_row = Golden("cube_map.bin");
  const std::size_t second_face = 2 + 70;
  ASSERT_EQ(endless_row.substr(second_face, 2), "BM");
  for (int i = 0; i < 8; ++i) endless_row[second_face + 18 + i] = static_cast<char>(i < 3 ? 0xFF : i == 3 ? 0x7F : 0);
  test::WriteBytes(dir.File("endless_row.bin"), endless_row);
  test::ExpectError<EInvalidGraphic>([&] { loaded.LoadFromFile(dir.File("endless_row.bin")); },
                                     "Bitmap image is not valid: no pixels");
}

}  // namespace
}  // namespace zentrova
