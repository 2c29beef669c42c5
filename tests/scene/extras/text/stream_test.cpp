// Bitmap fonts, flat and head-up display texts through the form stream: each class's published
// properties read back equal, defaults are left out, the texts find their font by name, and damaged
// values are refused.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "scene/base/property_stream.h"
#include "scene/core/stage.h"
#include "scene/extras/text/bitmap_font.h"
#include "scene/extras/text/flat_text.h"
#include "scene/extras/text/hud_objects.h"
#include "scene/extras/text/windows_bitmap_font.h"
#include "scene/stream_test_support.h"

namespace zentrova {
namespace {

using test::Bytes;
using test::ReadBack;
using test::Named;
using test::TStreamCase;
using test::As;

std::vector<TStreamCase> Cases() {
  return {
      {"TGLBitmapFont", [] { return std::make_unique<TGLBitmapFont>(); },
       [](TComponent& c) {
         auto& font = dynamic_cast<TGLBitmapFont&>(c);
         TBitmap atlas(2, 1, pf24bit);
         atlas.SetPixel(1, 0, 0xFF123456);
         font.Glyphs().SetGraphic(&atlas);
         font.SetGlyphsIntervalX(2);
         font.SetGlyphsIntervalY(3);
         font.Ranges().Add(65, 90).SetStartGlyphIdx(4);
         font.SetCharWidth(10);
         font.SetCharHeight(12);
         font.SetHSpace(0);
         font.SetVSpace(5);
         font.SetMagFilter(maNearest);
         font.SetMinFilter(miLinearMipmapLinear);
         font.SetGlyphsAlpha(tiaOpaque);
       },
       [](const TComponent& c) {
         const auto& font = As<TGLBitmapFont>(c);
         ASSERT_EQ(font.Glyphs().Width(), 2);
         EXPECT_EQ(GraphicAsBitmap(font.Glyphs().Graphic())->Pixel(1, 0), 0xFF123456u);
         EXPECT_EQ(std::tuple(font.GlyphsIntervalX(), font.GlyphsIntervalY(), font.CharWidth(), font.CharHeight(),
                              font.HSpace(), font.VSpace()),
                   std::tuple(2, 3, 10, 12, 0, 5));
         ASSERT_EQ(font.Ranges().Count(), 1);
         EXPECT_EQ(font.Ranges().Items(0).GetDisplayName(), "ASCII [#65, #90] -> Glyphs [4, 29]");
         EXPECT_EQ(std::tuple(font.MagFilter(), font.MinFilter(), font.GlyphsAlpha()),
                   std::tuple(maNearest, miLinearMipmapLinear, tiaOpaque));
       },
       {"Glyphs.Data", "GlyphsIntervalX", "GlyphsIntervalY", "Ranges", "CharWidth", "CharHeight", "HSpace", "VSpace",
        "MagFilter", "MinFilter", "GlyphsAlpha"}},
      {"TGLWindowsBitmapFont", [] { return std::make_unique<TGLWindowsBitmapFont>(); },
       [](TComponent& c) {
         auto& font = dynamic_cast<TGLWindowsBitmapFont&>(c);
         font.Font().SetColor(0x0000FF);
         font.Font().SetStyle({TFontStyle::Bold});
         font.SetMagFilter(maNearest);
         font.SetMinFilter(miNearest);
         font.Ranges().Items(0).SetStopASCII(90);
       },
       [](const TComponent& c) {
         const auto& font = As<TGLWindowsBitmapFont>(c);
         EXPECT_EQ(font.Font().Color(), 0x0000FF);
         EXPECT_TRUE(font.Font().Style().Contains(TFontStyle::Bold));
         EXPECT_EQ(std::pair(font.MagFilter(), font.MinFilter()), std::pair(maNearest, miNearest));
         ASSERT_EQ(font.Ranges().Count(), 1);
         EXPECT_EQ(font.Ranges().Items(0).StopASCII(), 90);
       },
       {"Font.Color", "Font.Style", "MagFilter", "MinFilter", "Ranges"}},
      {"TGLFlatText", [] { return std::make_unique<TGLFlatText>(); },
       [](TComponent& c) {
         auto& text = dynamic_cast<TGLFlatText&>(c);
         text.SetText("Two\rlines");
         text.SetAlignment(taCenter);
         text.SetLayout(tlBottom);
         text.ModulateColor().SetVector({1, 0.5f, 0, 0.25f});
         text.SetOptions(ftoTwoSided);
       },
       [](const TComponent& c) {
         const auto& text = As<TGLFlatText>(c);
         EXPECT_EQ(text.Text(), "Two\rlines");
         EXPECT_EQ(std::pair(text.Alignment(), text.Layout()), std::pair(taCenter, tlBottom));
         EXPECT_EQ(text.ModulateColor().Color(), (TVector4f{1, 0.5f, 0, 0.25f}));
         EXPECT_EQ(text.Options(), ftoTwoSided);
       },
       {"Text", "Alignment", "Layout", "Options"}},
      {"TGLHUDText", [] { return std::make_unique<TGLHUDText>(); },
       [](TComponent& c) {
         auto& text = dynamic_cast<TGLHUDText&>(c);
         text.SetText("Score");
         text.SetRotation(30);
         text.SetAlignment(taRightJustify);
         text.SetLayout(tlCenter);
       },
       [](const TComponent& c) {
         const auto& text = As<TGLHUDText>(c);
         EXPECT_EQ(text.Text(), "Score");
         EXPECT_EQ(text.Rotation(), 30);
         EXPECT_EQ(std::pair(text.Alignment(), text.Layout()), std::pair(taRightJustify, tlCenter));
       },
       {"Text", "Rotation", "Alignment", "Layout"}},
      {"TGLHUDSprite", [] { return std::make_unique<TGLHUDSprite>(); },
       [](TComponent& c) {
         auto& sprite = dynamic_cast<TGLHUDSprite&>(c);
         sprite.SetXTiles(3);
         sprite.SetYTiles(2);
       },
       [](const TComponent& c) {
         const auto& sprite = As<TGLHUDSprite>(c);
         EXPECT_EQ(std::pair(sprite.XTiles(), sprite.YTiles()), std::pair(3, 2));
         EXPECT_EQ(std::pair(sprite.Width(), sprite.Height()), std::pair(16.0f, 16.0f));
       },
       {"XTiles", "YTiles"}},
  };
}

TEST(TextStreaming, EachClassLeavesItsDefaultsOutAndReadsItsPropertiesBackEqual) {
  test::ExpectRoundTrips(Cases());
}

TEST(TextStreaming, TextsFindTheirFontByNameInTheForm) {
  TComponent form;
  auto& font = form.CreateComponent<TGLBitmapFont>();
  font.SetName("Font1");
  auto& stage = form.CreateComponent<TGLStage>();
  stage.SetName("Scene1");
  auto& flat = stage.Objects().AddNewChild<TGLFlatText>();
  flat.SetName("Flat");
  flat.SetBitmapFont(&font);
  auto& hud = stage.Objects().AddNewChild<TGLHUDText>();
  hud.SetName("HUD");
  hud.SetBitmapFont(&font);
  const std::string bytes = Bytes(form);
  EXPECT_NE(bytes.find(Named("BitmapFont") + "\x07\x05" "Font1"), std::string::npos);

  const std::unique_ptr<TComponent> read = ReadBack(bytes);
  auto* read_font = dynamic_cast<TGLBitmapFont*>(read->Components(0));
  ASSERT_NE(read_font, nullptr);
  auto& read_stage = dynamic_cast<TGLStage&>(*read->Components(1));
  EXPECT_EQ(dynamic_cast<TGLFlatText&>(*read_stage.Objects().ChildAt(0)).BitmapFont(), read_font);
  EXPECT_EQ(dynamic_cast<TGLHUDText&>(*read_stage.Objects().ChildAt(1)).BitmapFont(), read_font);
  EXPECT_EQ(read_font->UserCount(), 2) << "both texts registered as the read font's users";
  EXPECT_EQ(Bytes(*read), bytes);
}

// A range is a collection item of StartASCII and StopASCII as one-character strings and StartGlyphIdx.
TEST(TextStreaming, RangesAreACollectionOfCharactersAndTheFirstCell) {
  TGLBitmapFont font;
  font.Ranges().Add(65, 90).SetStartGlyphIdx(3);
  const std::string bytes = Bytes(font);
  const std::string ranges = Named("Ranges") + "\x0E\x01" + Named("StartASCII") + "\x06\x01" "A" +
                             Named("StopASCII") + "\x06\x01" "Z" + Named("StartGlyphIdx") + "\x02\x03" +
                             std::string("\0\0", 2);
  EXPECT_NE(bytes.find(ranges), std::string::npos);
}

TEST(TextStreaming, TheSystemFontStoresItsRangesOnlyOffTheDefaultRange) {
  const struct {
    int start, stop, first_cell;
    bool stored;
  } cases[] = {{32, 125, 0, false}, {32, 126, 0, true}, {33, 125, 0, true}, {32, 125, 1, true}};
  for (const auto& c : cases) {
    TGLWindowsBitmapFont font;
    font.Ranges().Items(0).SetStopASCII(static_cast<std::uint8_t>(c.stop));
    font.Ranges().Items(0).SetStartASCII(static_cast<std::uint8_t>(c.start));
    font.Ranges().Items(0).SetStartGlyphIdx(c.first_cell);
    const std::string bytes = Bytes(font);
    EXPECT_EQ(bytes.find(Named("Ranges")) != std::string::npos, c.stored) << c.start << ".." << c.stop;
    const auto read = ReadBack(bytes);
    const TBitmapFontRange& range = dynamic_cast<TGLWindowsBitmapFont&>(*read).Ranges().Items(0);
    EXPECT_EQ(std::tuple(int{range.StartASCII()}, int{range.StopASCII()}, range.StartGlyphIdx()),
              std::tuple(c.start, c.stop, c.first_cell));
  }
}

// Damaged values: the reader's error names what is wrong, and the font keeps its ranges.
TEST(TextStreaming, DamagedRangesAndGlyphsAreRefused) {
  TGLBitmapFont font;
  font.Ranges().Add(65, 90);
  TBitmap atlas(1, 1, pf24bit);
  font.Glyphs().SetGraphic(&atlas);
  const std::string bytes = Bytes(font);
  const auto damaged = [&bytes](const std::string& from, const std::string& to) {
    std::string copy = bytes;
    const std::size_t at = copy.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return copy.replace(at, from.size(), to);
  };
  const struct {
    std::string from, to, message;
  } cases[] = {
      {Named("StartASCII") + "\x06\x01" "A", Named("StartASCII") + "\x06\x02" "AB", "Invalid property value"},
      {Named("StartGlyphIdx"), Named("StartGlyphIdy"), "Property StartGlyphIdy does not exist"},
      {"\x07TBitmap", "\x07TBitmaq", "Invalid property value"},
      {Named("StopASCII") + "\x06\x01" "Z", Named("StopASCII") + "\x02\x5A", "Invalid property value"},
  };
  for (const auto& c : cases) {
    try {
      ReadBack(damaged(c.from, c.to));
      ADD_FAILURE() << "read: " << c.message;
    } catch (const EReadError& error) {
      EXPECT_EQ(std::string(error.what()), c.message);
    }
  }
}

}  // namespace
}  // namespace zentrova
