// Picks through the scene buffer of a 744 × 440 memory viewer: an amalgamated dummy cube's children keep
// their own names, and a label is picked on its glyphs, though both are compiled lists when drawn.
#include "scene/core/buffer_fixtures.h"
#include "scene/objects/dummy_cube.h"
#include "scene/objects/space_text.h"

namespace zentrova::test {
namespace {

TEST_F(MemoryViewerTest, AnAmalgamatedChildAndALabelArePicked) {
  auto& cube = stage.Objects().AddNewChild<TGLDummyCube>();
  cube.SetAmalgamate(true);
  auto& left = cube.AddNewChild<TQuad>("left", TAffineVector{-2, 0, 0}, 0.5f, clrRed);
  auto& right = cube.AddNewChild<TQuad>("right", TAffineVector{2, 0, 0}, 0.5f, clrGreen);
  auto& label = stage.Objects().AddNewChild<TGLSpaceText>();
  label.SetText("8");
  label.SetTextHeight(2);
  label.Adjust().SetHorz(haCenter);
  label.Position().SetY(1);
  label.SetExtrusion(0.2f);
  viewer.Render();  // the amalgamated list, the label's list and its font's glyph lists
  ASSERT_NE(cube.GroupListName(), 0u);
  ASSERT_NE(label.FontEntry(), nullptr);
  EXPECT_EQ(PixelAt(-2, 0)[0], 255);
  EXPECT_EQ(PickAt(-2, 0), &left);
  EXPECT_EQ(PickAt(2, 0.3f), &right);
  EXPECT_EQ(PickAt(0, 0), nullptr);
  // The "8" is 2 high from y = 1: its strokes cross the vertical middle at its left and right.
  float width = 0, descent = 0, ascent = 0;
  label.TextMetrics(width, descent, ascent);
  const TGlyphMetricsFloat& m = label.FontEntry()->GlyphsMetrics['8'];
  const float s = 2 / ascent;
  const float left_edge = (m.gmfptGlyphOriginX - width / 2) * s;
  EXPECT_EQ(PickAt(left_edge + 0.05f, 1 + 0.5f), &label);
  EXPECT_EQ(PickAt(0, 1 + 0.5f), nullptr);  // inside the lower bowl
  EXPECT_EQ(PickAt(-2, 0), &left);           // and the cube's children once more, after the label
  ReleaseFontManager();
}

}  // namespace
}  // namespace zentrova::test
