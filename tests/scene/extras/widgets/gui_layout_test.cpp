// The layout file to the byte, the areas of a component, and the tiles drawn through the recording fake.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>

#include "scene/base/persistent_classes.h"
#include "scene/base/scene_errors.h"
#include "scene/base/streams.h"
#include "scene/core/core_fixtures.h"
#include "test_support.h"
#include "scene/extras/widgets/gui_layout.h"
#include "scene/gl/gl_fixtures.h"
#include "scene/gl/texture_coordinates.h"
#include "scene/materials/material.h"
#include "scene/materials/render_context_info.h"
#include "scene/materials/texture.h"
#include "scene/materials/texture_image.h"

namespace zentrova::test {
namespace {

// Tagged values as the archive writes them.
std::string Int8(int v) { return std::string{'\x02', static_cast<char>(v)}; }
std::string Str(const std::string& s) { return std::string{'\x06', static_cast<char>(s.size())} + s; }
std::string Ext(long double v) {
  std::string bytes(11, '\0');
  bytes[0] = '\x05';
  std::memcpy(&bytes[1], &v, 10);
  return bytes;
}
std::string Element(const std::string& name, std::initializer_list<float> nine, std::initializer_list<int> aligns) {
  std::string bytes = Str(name);
  for (float v : nine) bytes += Ext(v);
  bytes += Int8(static_cast<int>(aligns.size()));
  for (int a : aligns) bytes += Int8(a);
  return bytes;
}

// Version 1, two components: "panel" (a top-left corner and a bottom element that says 1, 4, 7) and
// "knob" (no elements).
std::string GoldenLayout() {
  return Int8(1) + Int8(2) +                                                       //
         Str("panel") + Int8(2) +                                                  //
         Element("tl", {0, 0, 0, 8, 8, 0, 1, 1, 0}, {0}) +                         //
         Element("bottom", {8, 56, 0, 56, 64, 0, 1, 1, 0}, {1, 4, 7}) +            //
         Str("knob") + Int8(0);
}

TEST(LayoutFile, TheGoldenBytesMatchWhatTheArchiveWriterWrites) {
  TMemoryStream stream;
  TBinaryWriter writer(stream);
  writer.WriteInteger(1);
  writer.WriteInteger(2);
  writer.WriteString("panel");
  writer.WriteInteger(2);
  writer.WriteString("tl");
  for (float v : {0, 0, 0, 8, 8, 0, 1, 1, 0}) writer.WriteFloat(v);
  writer.WriteInteger(1);
  writer.WriteInteger(0);
  writer.WriteString("bottom");
  for (float v : {8, 56, 0, 56, 64, 0, 1, 1, 0}) writer.WriteFloat(v);
  for (int v : {3, 1, 4, 7}) writer.WriteInteger(v);
  writer.WriteString("knob");
  writer.WriteInteger(0);
  EXPECT_EQ(stream.DataString(), GoldenLayout());
}

TEST(LayoutFile, ReadsToTheComponentsAndTheLastAlignmentWins) {
  TGLGuiLayout layout;
  int notices = 0;
  struct Widget : TGLUpdateAbleComponent {
    explicit Widget(int& n) : n(n) {}
    void NotifyChange(TPersistent*) override { ++n; }
    int& n;
  } widget(notices);
  layout.RegisterWidget(&widget);
  TMemoryStream stream(GoldenLayout());
  layout.LoadFromStream(stream);
  EXPECT_EQ(notices, 1);
  ASSERT_EQ(layout.GuiComponents().Count(), 2);
  const TGLGuiComponent& panel = *layout.GuiComponents().FindByName("panel");
  ASSERT_EQ(panel.Elements().Count(), 2);
  EXPECT_EQ(panel.Elements().Items(0).Name, "tl");
  EXPECT_EQ(panel.Elements().Items(0).Align, GLAlTopLeft);
  EXPECT_EQ(panel.Elements().Items(1).Align, GLAlBottom);
  EXPECT_EQ(panel.Elements().Items(1).TopLeft, (TAffineVector{8, 56, 0}));
  EXPECT_EQ(panel.Elements().Items(1).BottomRight, (TAffineVector{56, 64, 0}));
  EXPECT_EQ(layout.GuiComponents().FindByName("knob")->Elements().Count(), 0);
  EXPECT_EQ(layout.GuiComponents().FindByName("Knob"), nullptr);
  EXPECT_EQ(layout.GuiComponents().FindByName(""), nullptr);
  layout.UnregisterWidget(&widget);
}

TEST(LayoutFile, TheCommittedFileHoldsTheGoldenBytesAndLoadsByItsName) {
  const std::string name = std::string(ZENTROVA_TEST_DATA) + "/scene/extras/skin.layout";
  std::ifstream file(name, std::ios::binary);
  ASSERT_TRUE(file) << name;
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), GoldenLayout());
  TGLGuiLayout layout;
  layout.GuiComponents().Add().Name = "replaced";
  layout.SetFileName(name);
  ASSERT_EQ(layout.GuiComponents().Count(), 2);
  EXPECT_EQ(layout.GuiComponents().Items(0).Name, "panel");
  EXPECT_EQ(layout.GuiComponents().Items(0).Elements().Items(1).Align, GLAlBottom);
  // Loading adds; it does not clear.
  layout.LoadFromFile(name);
  EXPECT_EQ(layout.GuiComponents().Count(), 4);
}

TEST(LayoutFile, VersionTwoLoadsNothingAndNotifiesNothing) {
  TGLGuiLayout layout;
  int notices = 0;
  struct Widget : TGLUpdateAbleComponent {
    explicit Widget(int& n) : n(n) {}
    void NotifyChange(TPersistent*) override { ++n; }
    int& n;
  } widget(notices);
  layout.RegisterWidget(&widget);
  std::string bytes = GoldenLayout();
  bytes[1] = 2;
  TMemoryStream stream(bytes);
  layout.LoadFromStream(stream);
  EXPECT_EQ(layout.GuiComponents().Count(), 0);
  EXPECT_EQ(notices, 0);
  layout.UnregisterWidget(&widget);
}

TEST(LayoutFile, CutAfterAnyValueRaisesAndKeepsWhatWasRead) {
  const std::string bytes = GoldenLayout();
  // The ends of the values, walking the golden stream.
  std::vector<std::size_t> ends;
  std::size_t at = 0;
  while (at < bytes.size()) {
    const char tag = bytes[at];
    at += tag == '\x02' ? 2 : tag == '\x05' ? 11 : 2 + static_cast<std::uint8_t>(bytes[at + 1]);
    ends.push_back(at);
  }
  ends.pop_back();  // the whole stream reads
  for (std::size_t end : ends) {
    TGLGuiLayout layout;
    TMemoryStream stream(bytes.substr(0, end));
    EXPECT_THROW(layout.LoadFromStream(stream), Exception) << end;
    // "panel" is appended once its name is read (after value 3 ends at byte 11).
    EXPECT_EQ(layout.GuiComponents().Count(), end < 11 ? 0 : end < bytes.size() - 2 ? 1 : 2) << end;
  }
}

TEST(LayoutFile, AnAlignmentOutsideTheTenIsRefusedLikeAWrongTag) {
  TGLGuiLayout layout;
  const std::string bytes = Int8(1) + Int8(1) + Str("c") + Int8(1) + Element("e", {0, 0, 0, 1, 1, 0, 1, 1, 0}, {10});
  TMemoryStream stream(bytes);
  EXPECT_THROW(layout.LoadFromStream(stream), EReadError);
}

TEST(LayoutFile, ABorderElementLoadsWithItsWholeScale) {
  TGLGuiLayout layout;
  TMemoryStream stream(Int8(1) + Int8(1) + Str("frame") + Int8(1) +
                       Element("border", {0, 0, 0, 32, 32, 0, 4, 5, 1.5f}, {9}));
  layout.LoadFromStream(stream);
  ASSERT_EQ(layout.GuiComponents().Count(), 1);
  ASSERT_EQ(layout.GuiComponents().Items(0).Elements().Count(), 1);
  const TGLGuiElement& border = layout.GuiComponents().Items(0).Elements().Items(0);
  EXPECT_EQ(border.Align, GLAlBorder);
  EXPECT_EQ(border.Scale, (TAffineVector{4, 5, 1.5f}));
  EXPECT_EQ(border.BottomRight, (TAffineVector{32, 32, 0}));
}

TEST(LayoutFile, ElementsThatWouldTileWithoutEndAreRefusedAndNotKept) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const struct {
    const char* what;
    std::initializer_list<float> nine;
    int align;
    bool refused;
  } cases[] = {
      {"a texel rectangle 1e-20 wide", {0, 0, 0, 1e-20f, 8, 0, 1, 1, 0}, 4, true},
      {"1e-20 high", {0, 0, 0, 8, -1e-20f, 0, 1, 1, 0}, 7, true},
      {"a repetition factor of 1e-20", {0, 0, 0, 8, 8, 0, 1, 1e-20f, 0}, 1, true},
      {"a coordinate not a number", {0, nan, 0, 8, 8, 0, 1, 1, 0}, 0, true},
      {"an infinite scale", {0, 0, 0, 8, 8, 0, inf, 1, 0}, 0, true},
      {"a border's z not a number", {0, 0, 0, 8, 8, 0, 1, 1, nan}, 9, true},
      {"a corner's z, which no drawing reads, infinite", {0, 0, 0, 8, 8, -inf, 1, 1, 0}, 0, true},
      {"borders that leave a middle 1e-5 wide", {0, 0, 0, 10, 10, 0, 4.99999f, 1, 1}, 9, true},
      {"a zero span, which draws nothing", {0, 0, 0, 0, 8, 0, 1, 1, 0}, 4, false},
      {"a thousandth of a texel", {0, 0, 0, 0.001f, 8, 0, 1, 1, 0}, 4, false},
      {"a border as wide as its rectangle", {0, 0, 0, 10, 10, 0, 5, 5, 1}, 9, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TGLGuiLayout layout;
    TMemoryStream stream(Int8(1) + Int8(1) + Str("c") + Int8(1) + Element("e", c.nine, {c.align}));
    if (c.refused) {
      ExpectError<EReadError>([&] { layout.LoadFromStream(stream); },
                              "Skin element \"e\" has a degenerate span or scale");
    } else {
      layout.LoadFromStream(stream);
    }
    ASSERT_EQ(layout.GuiComponents().Count(), 1);
    EXPECT_EQ(layout.GuiComponents().Items(0).Elements().Count(), c.refused ? 0 : 1);
  }
}

TEST(LayoutFile, AMissingFileNameIsStoredAndKeepsTheComponents) {
  TGLGuiLayout layout;
  layout.GuiComponents().Add().Name = "kept";
  layout.SetFileName("/nonexistent/skin.layout");
  EXPECT_EQ(layout.FileName(), "/nonexistent/skin.layout");
  EXPECT_EQ(layout.GuiComponents().Count(), 1);
}

// ---- Areas

TGLGuiElement& AddElement(TGLGuiComponent& c, TGUIAlignments align, TAffineVector tl, TAffineVector br) {
  TGLGuiElement& e = c.Elements().Add();
  e.Align = align;
  e.TopLeft = tl;
  e.BottomRight = br;
  return e;
}

TEST(LayoutAreas, CornersAndCentreGiveEdgesBetweenThem) {
  TGLGuiComponent c;
  AddElement(c, GLAlTopLeft, {0, 0, 0}, {10, 8, 0});
  AddElement(c, GLAlTopRight, {20, 0, 0}, {26, 4, 0});
  AddElement(c, GLAlBottomLeft, {0, 20, 0}, {4, 26, 0});
  AddElement(c, GLAlBottomRight, {20, 20, 0}, {25, 25, 0});
  AddElement(c, GLAlCenter, {10, 10, 0}, {20, 20, 0});
  TGuiAreaSet areas{};
  TGLGuiLayout::ComputeAreas(c, areas, 0, 0, 100, 60, 1);
  const auto expect = [&](TGUIAlignments a, float x1, float y1, float x2, float y2) {
    EXPECT_FLOAT_EQ(areas[a].X1, x1) << int(a);
    EXPECT_FLOAT_EQ(areas[a].Y1, y1) << int(a);
    EXPECT_FLOAT_EQ(areas[a].X2, x2) << int(a);
    EXPECT_FLOAT_EQ(areas[a].Y2, y2) << int(a);
  };
  expect(GLAlTopLeft, 0, 0, 10, 8);
  expect(GLAlTopRight, 94, 0, 100, 4);
  expect(GLAlBottomRight, 95, 55, 100, 60);
  expect(GLAlTop, 10, 0, 94, 8);
  expect(GLAlBottom, 4, 54, 95, 60);
  expect(GLAlLeft, 0, 8, 4, 54);
  expect(GLAlRight, 94, 4, 100, 55);
  expect(GLAlCenter, 4, 8, 94, 54);
}

TEST(LayoutAreas, ABorderSetsAllNineCells) {
  TGLGuiComponent c;
  TGLGuiElement& e = AddElement(c, GLAlBorder, {0, 0, 0}, {30, 30, 0});
  e.Scale = {5, 4, 2};
  TGuiAreaSet areas{};
  TGLGuiLayout::ComputeAreas(c, areas, 0, 0, 100, 60, 1);
  EXPECT_FLOAT_EQ(areas[GLAlCenter].X1, 10);
  EXPECT_FLOAT_EQ(areas[GLAlCenter].Y1, 8);
  EXPECT_FLOAT_EQ(areas[GLAlCenter].X2, 90);
  EXPECT_FLOAT_EQ(areas[GLAlCenter].Y2, 52);
  EXPECT_FLOAT_EQ(areas[GLAlBottomRight].X1, 90);
}

// ---- Tiles through the fake

std::vector<std::string> Quads(const TGuiArea& area, TAffineVector tl, TAffineVector br) {
  TGLRecordingFake fake;
  TexCoordRouteMain();
  fake.Clear();
  RenderGuiElementQuads(area, tl, br, 100, 100);
  return fake.Calls();
}

TEST(LayoutTiles, TwoAndAHalfTilesDrawThreeColumnsTheLastCutAtHalfTheTexels) {
  const TGuiArea area{0, 0, 50, 10, 2.5f, 1};
  const auto calls = Quads(area, {0, 0, 0}, {20, 10, 0});
  ASSERT_EQ(calls.size(), 3u * 8);
  // Third column: from x 40 to the area's end, s from 0 to (0 + 0.5 × 20) / 100.
  EXPECT_EQ(calls[16], GLCall("glTexCoord2f", 0.0f, -0.0f));
  EXPECT_EQ(calls[17], GLCall("glVertex2f", 40.0f, -0.0f));
  EXPECT_EQ(calls[20], GLCall("glTexCoord2f", 0.1f, -0.1f));
  EXPECT_EQ(calls[21], GLCall("glVertex2f", 50.0f, -10.0f));
  // A full column ends at s 0.2.
  EXPECT_EQ(calls[4], GLCall("glTexCoord2f", 0.2f, -0.1f));
  EXPECT_EQ(calls[5], GLCall("glVertex2f", 20.0f, -10.0f));
}

TEST(LayoutTiles, ZeroNegativeOrInfiniteCountsDrawNothing) {
  const float inf = std::numeric_limits<float>::infinity();
  for (float tiles : {0.0f, -1.5f, inf, std::numeric_limits<float>::quiet_NaN()}) {
    EXPECT_TRUE(Quads({0, 0, 50, 10, tiles, 1}, {0, 0, 0}, {20, 10, 0}).empty()) << tiles;
    EXPECT_TRUE(Quads({0, 0, 50, 10, 1.5f, tiles}, {0, 0, 0}, {20, 10, 0}).empty()) << tiles;
  }
}

TEST(LayoutTiles, CountsBeyondWhatAFloatCountsDownDrawACappedNumberOfTiles) {
  // 2e22 columns: a float no longer changes when 1 is taken off. The cell draws 65,536 columns
  // across its whole area instead.
  const auto calls = Quads({0, 0, 50, 10, 2e22f, 1}, {0, 0, 0}, {20, 10, 0});
  ASSERT_EQ(calls.size(), 65536u * 8);
  EXPECT_NEAR(Numbers(calls[calls.size() - 3]).at(0), 50, 1e-2);
  // Down as well: as many rows as keep the cell at 65,536 tiles.
  const auto rows = Quads({0, 0, 50, 10, 1000, 1e30f}, {0, 0, 0}, {20, 10, 0});
  EXPECT_EQ(rows.size(), 1000u * 65 * 8);
}

TEST(LayoutTiles, AZeroTexelElementDrawsNothingAtARefresh) {
  TGLGuiLayout layout;
  TGLGuiComponent& c = layout.GuiComponents().Add();
  AddElement(c, GLAlCenter, {10, 10, 0}, {10, 20, 0});
  layout.Material().Texture().Image();  // a texture with no size: TW, TH 0
  TGuiAreaSet areas{};
  TGLRecordingFake fake;
  TRenderContextInfo rci;
  layout.RenderGuiComponentToArea(rci, c, areas, true, 0, 0, 50, 50);
  EXPECT_EQ(fake.Calls(), (std::vector<std::string>{GLCall("glBegin", GL_QUADS), GLCall("glEnd")}));
}

}  // namespace
}  // namespace zentrova::test
