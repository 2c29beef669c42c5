// 3D text drawn into a pbuffer: heights and centring by the glyph metrics, extruded labels from both
// sides, shared font entries and their lists, and the numbers range.
#include "objects_gl_fixtures.h"
#include "scene/objects/space_text.h"

namespace zentrova::test {
namespace {

class SpaceTextGL : public ObjectsInPBuffer {
 protected:
  ~SpaceTextGL() override {
    stage.Objects().DeleteChildren();
    ReleaseFontManager();
  }
  TGLSpaceText& AddLabel(const std::string& text) {
    auto& label = stage.Objects().AddNewChild<TGLSpaceText>();
    label.SetText(text);
    return label;
  }
};

TEST_F(SpaceTextGL, An8OfTextHeight1RisesOneUnitAboveItsBaseline) {
  auto& label = AddLabel("8");
  label.SetTextHeight(1);
  Render();
  float width = 0, descent = 0, ascent = 0;
  label.TextMetrics(width, descent, ascent);
  ASSERT_GT(ascent, 0.5f);
  const auto b = LitBounds();
  ExpectEdge(b[3] + 1, Window(1, 10), "top");
  ExpectEdge(b[1], Window(descent / ascent, 10), "bottom");
  const TGlyphMetricsFloat& m = label.FontEntry()->GlyphsMetrics['8'];
  ExpectEdge(b[0], Window(m.gmfptGlyphOriginX / ascent, 10), "left");
  ExpectEdge(b[2] + 1, Window((m.gmfptGlyphOriginX + m.gmfBlackBoxX) / ascent, 10), "right");
}

TEST_F(SpaceTextGL, CentredAdjustPutsThePixelsWhereTheMetricsSay) {
  // "g" reaches far below its baseline, so its descent moves it up by a good part of its height.
  for (const char* text : {"8", "g"}) {
    SCOPED_TRACE(text);
    stage.Objects().DeleteChildren();
    auto& label = AddLabel(text);
    label.SetTextHeight(1);
    label.Adjust().SetHorz(haCenter);
    label.Adjust().SetVert(vaCenter);
    Render();
    float width = 0, descent = 0, ascent = 0;
    label.TextMetrics(width, descent, ascent);
    const TGlyphMetricsFloat& m = label.FontEntry()->GlyphsMetrics[static_cast<unsigned char>(text[0])];
    const float s = 1 / ascent;
    const float dx = -width * 0.5f, dy = std::fabs(descent) * 0.5f - ascent * 0.5f;
    const auto b = LitBounds();
    ExpectEdge(b[0], Window((m.gmfptGlyphOriginX + dx) * s, 10), "left");
    ExpectEdge(b[2] + 1, Window((m.gmfptGlyphOriginX + m.gmfBlackBoxX + dx) * s, 10), "right");
    ExpectEdge(b[1], Window((descent + dy) * s, 10), "bottom");
    ExpectEdge(b[3] + 1, Window((ascent + dy) * s, 10), "top");
    if (text[0] == 'g') { EXPECT_LT(descent * s, -0.3f); }
  }
}

TEST_F(SpaceTextGL, AnExtrudedLabelShowsFromBothSidesWithCulling) {
  auto& label = AddLabel("8");
  label.SetTextHeight(1);
  label.Adjust().SetHorz(haCenter);
  label.Adjust().SetVert(vaCenter);
  label.SetExtrusion(0.5f);
  states.EnableState(stCullFace);
  Render();
  const auto front = LitBounds();
  EXPECT_GE(front[0], 0);
  camera.Position().SetZ(-10);
  camera.SetDirection({0, 0, 1, 0});
  Render();
  EXPECT_GE(LitBounds()[0], 0);
  label.SetExtrusion(0);
  Render();
  EXPECT_EQ(LitBounds()[0], -1);  // flat: only the front face, culled from behind
  states.DisableState(stCullFace);
}

TEST_F(SpaceTextGL, ArialAndARIALShareAnEntryWhoseListsGoWithTheLastText) {
  auto& a = AddLabel("1");
  auto& b = AddLabel("2");
  b.Font().SetName("ARIAL");
  Render();
  ASSERT_NE(a.FontEntry(), nullptr);
  EXPECT_EQ(a.FontEntry(), b.FontEntry());
  EXPECT_EQ(a.FontEntry()->RefCount, 2);
  EXPECT_EQ(GetFontManager().Count(), 1);
  const GLuint base = a.FontEntry()->ListHandle.Handle();
  EXPECT_EQ(a.FontEntry()->ListHandle.Tag, 256);
  stage.Objects().Remove(a, false).reset();
  EXPECT_EQ(b.FontEntry()->RefCount, 1);
  EXPECT_TRUE(gl.IsList(base));
  EXPECT_TRUE(gl.IsList(base + 255));
  stage.Objects().Remove(b, false).reset();
  EXPECT_FALSE(gl.IsList(base));
  EXPECT_FALSE(gl.IsList(base + 255));
  EXPECT_EQ(GetFontManager().Count(), 0);
}

TEST_F(SpaceTextGL, NumbersDrawDigitsAndSkipOtherCharacters) {
  auto& label = AddLabel("0123456789");
  label.SetCharacterRange(stcrNumbers);
  label.SetTextHeight(0.3f);
  label.Adjust().SetHorz(haCenter);
  Render();
  EXPECT_EQ(label.FontEntry()->FirstChar, 48);
  EXPECT_EQ(label.FontEntry()->ListHandle.Tag, 10);
  const auto digits = LitBounds();
  EXPECT_GT(digits[2] - digits[0], 40);
  label.SetText("5");
  Render();
  const auto five = Image();
  label.SetText("A5");
  EXPECT_EQ(label.DrawnCodes(), "5");
  Render();
  EXPECT_EQ(Image(), five);
  label.SetText("AB");
  Render();
  EXPECT_EQ(LitBounds()[0], -1);
}

TEST_F(SpaceTextGL, ABlankLabelIsNotScaledToInfinity) {
  auto& label = AddLabel("  ");
  label.SetTextHeight(1);
  label.Adjust().SetHorz(haCenter);
  Render();
  float width = 0, descent = 0, ascent = 0;
  label.TextMetrics(width, descent, ascent);
  EXPECT_GT(width, 0);
  EXPECT_EQ(ascent, 0);
  EXPECT_EQ(LitBounds()[0], -1);
  EXPECT_EQ(gl.GetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
}  // namespace zentrova::test

namespace zentrova::test {
namespace {

TEST_F(SpaceTextGL, ALabelWhoseEntryWasFreedUnderItDrawsFromTheNewLists) {
  auto& label = AddLabel("8");
  label.SetTextHeight(1);
  Render();
  const auto before = Image();
  ReleaseFontManager();  // every entry freed, the label told
  EXPECT_EQ(label.FontEntry(), nullptr);
  // Another entry takes the freed names first, so the label's new lists get other names.
  TFontEntry& other = GetFontManager().GetFontBase("Arial", {TFontStyle::Bold}, nullptr, 255, 0, 0, 0);
  Render();
  EXPECT_NE(label.FontEntry(), &other);
  EXPECT_EQ(Image(), before);
}

}  // namespace
}  // namespace zentrova::test
