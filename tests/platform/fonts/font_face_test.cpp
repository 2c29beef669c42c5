#include <gtest/gtest.h>

#include <tuple>

#include "platform/fonts/font_face.h"

namespace zentrova {
namespace {

TEST(FontFace, ArialIsLiberationSansWithTheFaceOfEachStyle) {
  using enum TFontStyle;
  const std::tuple<const char*, TFontStyles, const char*> rows[] = {
      {"Arial", {}, "Regular"},
      {"Arial", {Italic}, "Italic"},
      {"ARIAL", {Bold}, "Bold"},
      {"arial", {Bold, Italic}, "Bold Italic"},
      {"Arial", {Underline, StrikeOut}, "Regular"}};
  for (const auto& [family, styles, style_name] : rows) {
    const TFontFaceResult found = FindFontFace(family, styles);
    ASSERT_TRUE(found) << found.error;
    EXPECT_EQ(found.face->FamilyName(), "Liberation Sans");
    EXPECT_EQ(found.face->StyleName(), style_name) << family << int(styles.Bits());
  }
  TFont font;
  font.SetName("ARIAL");
  EXPECT_EQ(FindFontFace(font).face, FindFontFace("Arial", {}).face);  // one shared face
}

TEST(FontFace, FilesWithoutAFaceFailWithAReason) {
  for (const std::string& file :
       {std::string(ZENTROVA_SOURCE_DIR "/CMakeLists.txt"), std::string("/no/such.ttf")}) {
    const TFontFaceResult opened = OpenFontFace(file);
    EXPECT_FALSE(opened);
    EXPECT_NE(opened.error.find(file), std::string::npos) << opened.error;
  }
}

}  // namespace
}  // namespace zentrova
