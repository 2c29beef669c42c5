// The glyph table of a bitmap font, string widths, line breaks and the quads of RenderString, through
// the recording fake; the system font's measuring and packing.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/exception.h"
#include "platform/fonts/font_face.h"
#include "platform/fonts/text_raster.h"
#include "scene/base/scene_errors.h"
#include "scene/extras/text/bitmap_font.h"
#include "scene/extras/text/hud_objects.h"
#include "scene/extras/text/windows_bitmap_font.h"
#include "scene/gl/gl_fixtures.h"
#include "scene/gl/state_cache.h"
#include "scene/materials/render_context_info.h"

namespace zentrova::test {
namespace {

// A font over a blank atlas of the given size.
std::unique_ptr<TGLBitmapFont> AtlasFont(int width, int height) {
  auto font = std::make_unique<TGLBitmapFont>();
  TBitmap atlas(width, height, pf24bit);
  font->Glyphs().SetGraphic(&atlas);
  return font;
}

TEST(BitmapFont, CellsRunRowByRowFromTheTopWithTheInsetAndTFromTheBottom) {
  auto font = AtlasFont(256, 256);
  font->Ranges().Add(32, 127);
  ASSERT_EQ(font->GlyphsPerRow(), 16);
  // "A" is cell 33: column 1, row 2 → x 16, y 32.
  const TCharRect a = font->GetCharTexCoords('A');
  EXPECT_FLOAT_EQ(a.left, 16.05f / 256);
  EXPECT_FLOAT_EQ(a.right, (16 + 16 - 0.05f) / 256);
  EXPECT_FLOAT_EQ(a.top, (256 - 32.05f) / 256);
  EXPECT_FLOAT_EQ(a.bottom, (256 - (32 + 16 - 0.05f)) / 256);
  // Outside every range: nothing.
  EXPECT_EQ(font->GetCharTexCoords(200), TCharRect{});
}

TEST(BitmapFont, GapsWidenTheCellStepAndALaterRangeOverwrites) {
  auto font = AtlasFont(100, 64);
  font->SetCharWidth(10);
  font->SetCharHeight(12);
  font->SetGlyphsIntervalX(2);
  font->SetGlyphsIntervalY(3);
  font->Ranges().Add(65, 70);
  font->Ranges().Add(66, 66).SetStartGlyphIdx(9);
  ASSERT_EQ(font->GlyphsPerRow(), 8);  // (100 + 2) div 12
  // "B" takes cell 9: column 1, row 1 of a 128 × 64 texture.
  const TCharRect b = font->GetCharTexCoords('B');
  EXPECT_FLOAT_EQ(b.left, (12 + 0.05f) / 128);
  EXPECT_FLOAT_EQ(b.top, (64 - (15 + 0.05f)) / 64);
}

TEST(BitmapFont, ARowHoldsNCellsWithTheGapsBetweenThemOnly) {
  // 10-pixel cells, 2-pixel gaps: n cells take 12n − 2 pixels, the last cell needing no gap after it.
  const struct { int width, per_row; } cases[] = {{9, 0}, {10, 1}, {21, 1}, {22, 2}, {117, 9}, {118, 10}, {119, 10}, {130, 11}};
  for (const auto& c : cases) {
    auto font = AtlasFont(c.width, 16);
    font->SetCharWidth(10);
    font->SetGlyphsIntervalX(2);
    EXPECT_EQ(font->GlyphsPerRow(), c.per_row) << c.width;
  }
}

TEST(BitmapFont, APictureNarrowerThanOnePixelHasNoCellsAndNoDivision) {
  auto font = std::make_unique<TGLBitmapFont>();
  font->Ranges().Add(32, 127);
  EXPECT_EQ(font->GlyphsPerRow(), 0);
  EXPECT_EQ(font->GetCharTexCoords('A'), TCharRect{});
}

TEST(BitmapFont, RangeBoundsPushEachOtherAndTheDisplayNameListsTheCells) {
  TBitmapFontRanges ranges;
  TBitmapFontRange& range = ranges.Add(32, 40);
  range.SetStartASCII(50);
  EXPECT_EQ(range.StopASCII(), 50);
  range.SetStopASCII(20);
  EXPECT_EQ(range.StartASCII(), 20);
  range.SetStartGlyphIdx(-4);
  EXPECT_EQ(range.StartGlyphIdx(), 0);
  ranges.Add(65, 90);
  EXPECT_EQ(ranges.CharacterCount(), 1 + 26);
  ranges.Items(1).SetStartGlyphIdx(3);
  EXPECT_EQ(ranges.Items(1).GetDisplayName(), "ASCII [#65, #90] -> Glyphs [3, 28]");
}

TEST(BitmapFont, StringWidthsCountSpacesBetweenCharactersOnly) {
  auto font = AtlasFont(64, 64);
  font->SetCharWidths('A', 10);
  font->SetCharWidths('B', 12);
  struct Case {
    const char* text;
    int width;
  } cases[] = {{"", 0}, {"A", 10}, {"AB", 23}, {"ABA", 34}};
  for (const Case& c : cases) EXPECT_EQ(font->CalcStringWidth(c.text), c.width) << c.text;
}

TEST(BitmapFont, SettersClampAndTellTheUsersLastToFirst) {
  auto font = AtlasFont(64, 64);
  std::vector<int> told;
  struct User : TGLUpdateAbleComponent {
    User(std::vector<int>& log, int id) : log(log), id(id) {}
    void NotifyChange(TPersistent*) override { log.push_back(id); }
    std::vector<int>& log;
    int id;
  };
  User first(told, 1), second(told, 2);
  font->RegisterUser(&first);
  font->RegisterUser(&second);
  EXPECT_THROW(font->RegisterUser(&first), EAssertionFailed);
  font->SetCharWidth(0);
  EXPECT_EQ(font->CharWidth(), 1);
  EXPECT_EQ(told, (std::vector<int>{2, 1}));
  font->SetHSpace(-3);
  EXPECT_EQ(font->HSpace(), 0);
  font->UnRegisterUser(&first);
  font->UnRegisterUser(&second);
}

TEST(BitmapFont, AFontThatGoesFirstLeavesItsUsersWithoutAFontAndWithTheirChildren) {
  TGLHUDText text;
  text.AddNewChild<TGLHUDText>();
  {
    auto font = std::make_unique<TGLBitmapFont>();
    text.SetBitmapFont(font.get());
    EXPECT_EQ(font->UserCount(), 1);
  }
  EXPECT_EQ(text.BitmapFont(), nullptr);
  {
    TGLBitmapFont font;  // destroyed as a member would be, not through delete
    text.SetBitmapFont(&font);
  }
  EXPECT_EQ(text.BitmapFont(), nullptr);
  EXPECT_EQ(text.ChildCount(), 1);
}

// The quads RenderString sends, as "x,y" of each vertex in order.
class RenderStringFake : public ::testing::Test {
 protected:
  RenderStringFake() {
    font = AtlasFont(64, 64);
    font->SetCharWidth(8);
    font->SetCharHeight(10);
    font->Ranges().Add(65, 70);
    context.Create();
    context.Activate();
  }
  ~RenderStringFake() override {
    font.reset();
    context.Deactivate();
  }
  std::vector<std::string> Vertices(const std::string& text, TAlignment alignment = taLeftJustify,
                                    TGLTextLayout layout = tlTop) {
    fake.Clear();
    font->RenderString(rci, text, alignment, layout, {1, 1, 1, 1});
    std::vector<std::string> vertices;
    for (const std::string& call : fake.Calls()) {
      if (call.rfind("glVertex3f(", 0) == 0) vertices.push_back(call.substr(11, call.size() - 12));
    }
    return vertices;
  }
  TGLRecordingFake fake;
  TFakeContext context;
  TGLStateCache states;
  TRenderContextInfo rci = [this] {
    TRenderContextInfo info;
    info.GLStates = &states;
    return info;
  }();
  std::unique_ptr<TGLBitmapFont> font;
};

TEST_F(RenderStringFake, OnlyCarriageReturnBreaksALineAndOtherControlCodesAreSkipped) {
  // Line step −(10 + 1); each character 8 wide with one pixel between.
  EXPECT_EQ(Vertices("A\rB"), (std::vector<std::string>{"0, 0, 0", "0, -10, 0", "8, -10, 0", "8, 0, 0",  //
                                                        "0, -11, 0", "0, -21, 0", "8, -21, 0", "8, -11, 0"}));
  EXPECT_EQ(Vertices("A\nB"), (std::vector<std::string>{"0, 0, 0", "0, -10, 0", "8, -10, 0", "8, 0, 0",  //
                                                        "9, 0, 0", "9, -10, 0", "17, -10, 0", "17, 0, 0"}));
}

TEST_F(RenderStringFake, AlignmentAndLayoutOffsetTheFirstVertex) {
  struct Case {
    TAlignment alignment;
    TGLTextLayout layout;
    const char* text;
    const char* first;
  } cases[] = {
      {taRightJustify, tlTop, "AB", "-17, 0, 0"},
      {taCenter, tlTop, "AB", "-8, 0, 0"},        // Round(-8.5) = -8, halves to even
      {taLeftJustify, tlCenter, "A\rB", "0, 10, 0"},  // Round(21 × 0.5) = 10
      {taLeftJustify, tlBottom, "A", "0, 10, 0"},
  };
  for (const Case& c : cases) {
    const auto vertices = Vertices(c.text, c.alignment, c.layout);
    ASSERT_FALSE(vertices.empty());
    EXPECT_EQ(vertices.front(), c.first) << c.text;
  }
}

TEST_F(RenderStringFake, TwoLinesOfSixteenCentredStartSixteenAbove) {
  font->SetCharHeight(16);
  EXPECT_EQ(Vertices("A\rA", taLeftJustify, tlCenter).front(), "0, 16, 0");  // Round(33 × 0.5) = 16
}

TEST_F(RenderStringFake, NothingWithoutAPictureOrText) {
  EXPECT_TRUE(Vertices("").empty());
  font->Glyphs().SetGraphic(nullptr);
  EXPECT_TRUE(Vertices("AB").empty());
  EXPECT_TRUE(fake.Calls().empty());
}

// ---- System fonts

class SystemFont : public ::testing::Test {
 protected:
  void SetUp() override {
    font.Font().SetName("Liberation Sans");
    font.Font().SetSize(10);
  }
  void ExpectSmallestSquarest();
  TGLWindowsBitmapFont font;
};

TEST_F(SystemFont, TheDefaultRangeOfATenPointFontPacksIntoTheSmallestSquarestTexture) {
  EXPECT_EQ(font.TextureFormat(), static_cast<GLenum>(GL_ALPHA));
  EXPECT_LE(font.Glyphs().Width(), 256);
  EXPECT_LE(font.Glyphs().Height(), 256);
  // From 10 points on: at 12 a flat 512 × 64 and a 256 × 128 hold them alike, and the squarer wins.
  for (int points : {10, 12, 16}) {
    font.Font().SetSize(points);
    SCOPED_TRACE(points);
    ExpectSmallestSquarest();
  }
}

void SystemFont::ExpectSmallestSquarest() {
  const int w = font.Glyphs().Width(), h = font.Glyphs().Height();
  // No smaller size holds all 94 characters, nor a squarer one of the same area.
  for (int sh : {64, 128, 256, 512}) {
    for (int sw : {64, 128, 256, 512}) {
      if (sw * sh < w * h) {
        EXPECT_LT(font.PackGlyphs(sw, sh, nullptr), 94) << sw << " x " << sh;
      }
      if (sw * sh == w * h && std::abs(sw - sh) < std::abs(w - h)) {
        EXPECT_LT(font.PackGlyphs(sw, sh, nullptr), 94) << sw << " x " << sh;
      }
    }
  }
  EXPECT_EQ(font.PackGlyphs(w, h, nullptr), 94);
}

TEST_F(SystemFont, OnlyTheRangesCharactersHaveWidthsAndThePackersRectanglesStay) {
  const int w = font.Glyphs().Width();
  EXPECT_EQ(font.GetCharWidth(200), 0);
  EXPECT_GT(font.GetCharWidth('M'), 0);
  // The packer's rectangles stay: the first cell (space) starts one pixel in.
  EXPECT_FLOAT_EQ(font.GetCharTexCoords(' ').left, 1.05f / w);
}

TEST_F(SystemFont, AnItalicFontIsAThirdWiderPerCellAndAdvancesByTheFix) {
  const int plain_cell = font.CharWidth();
  const int plain_i = font.GetCharWidth('I');
  font.Font().SetStyle({TFontStyle::Italic});
  EXPECT_EQ(font.HSpaceFix(), -(plain_cell / 3));
  EXPECT_EQ(font.CharWidth(), plain_cell + plain_cell / 3);
  // Each character's width adds the fix back; strings advance by it again.
  const TFontFaceResult italic = FindFontFace(font.Font());
  ASSERT_TRUE(italic);
  const TPixelSize size = TPixelSize::OfHeight(font.Font().Height());
  EXPECT_EQ(font.GetCharWidth('I'), TextWidth(*italic.face, size, U"I") - font.HSpaceFix());
  EXPECT_GT(font.GetCharWidth('I'), plain_i);
  EXPECT_EQ(font.CalcStringWidth("II"), 2 * font.GetCharWidth('I') + 2 * (font.HSpaceFix() + 1) - 1);
}

TEST_F(SystemFont, TooLargeCharactersLeaveSizeSixAndRaiseTheText) {
  try {
    font.Font().SetSize(200);
    FAIL() << "no exception";
  } catch (const Exception& error) {
    EXPECT_STREQ(error.what(), "Characters are too large or too many. Unable to create font texture.");
  }
  EXPECT_EQ(font.Font().Size(), 6);
}

TEST_F(SystemFont, APackerRefusesACellWiderThanTheLimitOnTheFirstRow) {
  EXPECT_EQ(font.PackGlyphs(4, 512, nullptr), 0);
}

TEST(StoredFont, ARasterisationSetsLoadedAndAFontChangeRastersAgain) {
  TGLStoredBitmapFont font;
  EXPECT_FALSE(font.Loaded());
  EXPECT_GT(font.Glyphs().Width(), 0);
  const int before = font.CharHeight();
  font.Font().SetSize(20);
  EXPECT_TRUE(font.Loaded());
  EXPECT_GT(font.CharHeight(), before);
}

}  // namespace
}  // namespace zentrova::test
