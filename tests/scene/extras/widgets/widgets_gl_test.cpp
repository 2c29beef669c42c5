// Skinned widgets drawn by a 744 × 440 memory viewer and read back: the nine cells of a skin over a
// panel, and a pressed button's component.
#include <gtest/gtest.h>

#include <array>
#include <map>
#include <string>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/exception.h"
#include "platform/message_sink.h"

#include "scene/core/buffer_fixtures.h"
#include "scene/extras/widgets/button.h"
#include "scene/extras/text/flat_text.h"
#include "scene/extras/text/hud_objects.h"
#include "scene/extras/widgets/custom_control.h"
#include "scene/extras/widgets/form.h"
#include "scene/extras/widgets/gui_layout.h"
#include "scene/extras/widgets/label.h"
#include "scene/extras/widgets/popup_menu.h"
#include "scene/extras/widgets/scrollbar.h"
#include "scene/extras/widgets/string_grid.h"
#include "scene/base/property_stream.h"
#include "scene/base/streams.h"
#include "scene/gl/platform_helpers.h"
#include "scene/gl/state_cache.h"
#include "scene/materials/material.h"
#include "scene/objects/sphere.h"
#include "scene/materials/texture.h"
#include "scene/materials/texture_image.h"

namespace zentrova::test {
namespace {

// Nine texels, one colour per cell of a widget, row by row from the top-left.
const std::vector<std::uint32_t> kNine{0xFF0000, 0x00FF00, 0x0000FF,  //
                                       0xFFFF00, 0xFF00FF, 0x00FFFF,  //
                                       0x800000, 0x008000, 0x000080};

Pixel Rgb(std::uint32_t c) {
  return {static_cast<std::uint8_t>(c >> 16), static_cast<std::uint8_t>(c >> 8), static_cast<std::uint8_t>(c), 255};
}

class WidgetsInViewer : public MemoryViewerTest {
 protected:
  WidgetsInViewer() {
    viewer.Buffer().SetBackgroundColor(0);
    // Power-of-two sides: the texture takes the texels as they are.
    TBitmap skin(4, 4, pf24bit);
    for (int i = 0; i < 9; ++i) skin.SetPixel(i % 3, i / 3, 0xFF000000u | kNine[i]);
    TGLTexture& texture = layout.Material().Texture();
    texture.SetTextureMode(tmReplace);
    texture.SetMinFilter(miNearest);
    texture.SetMagFilter(maNearest);
    static_cast<TGLPersistentImage&>(texture.Image()).Picture().SetGraphic(&skin);
    texture.SetDisabled(false);
    // "nine": each texel a cell, corners and edges 10 pixels thick.
    TGLGuiComponent& nine = layout.GuiComponents().Add();
    nine.Name = "nine";
    for (int i = 0; i < 9; ++i) {
      TGLGuiElement& e = nine.Elements().Add();
      e.Align = static_cast<TGUIAlignments>(i);
      e.TopLeft = {float(i % 3), float(i / 3), 0};
      e.BottomRight = {float(i % 3 + 1), float(i / 3 + 1), 0};
      e.Scale = {10, 10, 0};
    }
    // "up" and "down": the centre cell in one colour.
    for (auto [name, texel] : {std::pair{"up", 0}, {"down", 8}}) {
      TGLGuiComponent& c = layout.GuiComponents().Add();
      c.Name = name;
      TGLGuiElement& e = c.Elements().Add();
      e.Align = GLAlBorder;
      e.TopLeft = {float(texel % 3), float(texel / 3), 0};
      e.BottomRight = {float(texel % 3 + 1), float(texel / 3 + 1), 0};
      e.Scale = {0, 0, 0};
    }
  }
  ~WidgetsInViewer() override { stage.Objects().DeleteChildren(); }
  Pixel Top(int x, int y) { return WindowPixel(x, kHeight - 1 - y); }
  TGLGuiLayout layout;
};

TEST_F(WidgetsInViewer, ANineCellSkinOverAHundredBySixtyPanel) {
  auto& panel = stage.Objects().AddNewChild<TGLPanel>();
  panel.SetGuiLayout(&layout);
  panel.SetGuiLayoutName("nine");
  panel.SetLeft(50);
  panel.SetTop(40);
  panel.SetWidth(100);
  panel.SetHeight(60);
  viewer.Render();
  // Column and row centres of the cells: 10, 80 and 10 wide; 10, 40 and 10 high.
  const int xs[] = {55, 100, 145}, ys[] = {45, 70, 95};
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 3; ++col) EXPECT_EQ(Top(xs[col], ys[row]), Rgb(kNine[row * 3 + col])) << col << ", " << row;
  }
  EXPECT_EQ(Top(49, 70), (Pixel{0, 0, 0, 255}));
  EXPECT_EQ(Top(150, 70), (Pixel{0, 0, 0, 255}));
  EXPECT_EQ(Top(100, 100), (Pixel{0, 0, 0, 255}));
  panel.SetGuiLayout(nullptr);
}

TEST_F(WidgetsInViewer, APressedButtonDrawsItsPressedComponent) {
  auto& root = stage.Objects().AddNewChild<TGLPanel>();
  root.SetWidth(kWidth);
  root.SetHeight(kHeight);
  auto& button = root.AddNewChild<TGLButton>();
  button.SetGuiLayout(&layout);
  button.SetGuiLayoutName("up");
  button.SetGuiLayoutNamePressed("down");
  button.SetLeft(200);
  button.SetTop(100);
  button.SetWidth(80);
  button.SetHeight(30);
  viewer.Render();
  EXPECT_EQ(Top(240, 115), Rgb(kNine[0]));
  button.SetAllowUp(true);
  root.MouseDown(mbLeft, ssLeft, 240, 115);
  ASSERT_TRUE(button.Pressed());
  viewer.Render();
  EXPECT_EQ(Top(240, 115), Rgb(kNine[8]));
  button.SetGuiLayout(nullptr);
}

// The committed skin file holds "panel" (an 8-texel top-left corner and a bottom edge) and "knob" (no
// elements); its texture here is white, so whatever a component draws is white on the black ground.
TEST_F(WidgetsInViewer, AReloadedAndAStreamedSkinAreLookedUpAgainByAPressedButtonAndADraggedKnob) {
  TGLGuiLayout skin;
  TBitmap white(4, 4, pf24bit);
  for (int i = 0; i < 16; ++i) white.SetPixel(i % 4, i / 4, 0xFFFFFFFFu);
  TGLTexture& texture = skin.Material().Texture();
  texture.SetTextureMode(tmReplace);
  static_cast<TGLPersistentImage&>(texture.Image()).Picture().SetGraphic(&white);
  texture.SetDisabled(false);
  const std::string file = std::string(ZENTROVA_TEST_DATA) + "/scene/extras/skin.layout";
  skin.SetFileName(file);
  ASSERT_NE(skin.GuiComponents().FindByName("knob"), nullptr);

  auto& root = stage.Objects().AddNewChild<TGLPanel>();
  root.SetWidth(kWidth);
  root.SetHeight(kHeight);
  auto& button = root.AddNewChild<TGLButton>();
  button.SetGuiLayout(&skin);
  button.SetGuiLayoutName("panel");
  button.SetGuiLayoutNamePressed("knob");
  button.SetAllowUp(true);
  button.SetLeft(100);
  button.SetTop(100);
  button.SetWidth(80);
  button.SetHeight(30);
  auto& bar = root.AddNewChild<TGLScrollbar>();
  bar.SetGuiLayout(&skin);
  bar.SetGuiLayoutName("panel");
  bar.SetGuiLayoutKnobName("knob");
  bar.SetLeft(300);
  bar.SetTop(50);
  bar.SetWidth(20);
  bar.SetHeight(200);
  viewer.Render();

  root.MouseDown(mbLeft, ssLeft, 140, 115);
  ASSERT_TRUE(button.Pressed());
  // The knob covers 1 .. 3 of 1 .. 10 over the track's 8 .. 192: taken at 20 pixels down, dragged to 100.
  root.MouseDown(mbLeft, ssLeft, 310, 70);
  root.MouseMove(ssLeft, 310, 150);
  root.MouseUp(mbLeft, ssLeft, 310, 150);
  EXPECT_FLOAT_EQ(bar.Pos(), 5);
  viewer.Render();

  // The file again: every component is freed and read anew.
  skin.SetFileName("");
  skin.SetFileName(file);
  viewer.Render();
  EXPECT_EQ(Top(140, 115), (Pixel{0, 0, 0, 255})) << "the pressed component has no elements";

  // A form's layout streamed in: "knob" now fills what it is drawn over, "panel" is only its corner.
  TGLGuiLayout source;
  TGLGuiComponent& panel = source.GuiComponents().Add();
  panel.Name = "panel";
  TGLGuiElement& corner = panel.Elements().Add();
  corner.BottomRight = {8, 8, 0};
  TGLGuiComponent& knob = source.GuiComponents().Add();
  knob.Name = "knob";
  TGLGuiElement& centre = knob.Elements().Add();
  centre.Align = GLAlCenter;
  centre.BottomRight = {1, 1, 0};
  TMemoryStream stream;
  WriteComponent(stream, source);
  stream.SetPosition(4);  // past the signature
  TPropertyReader reader(stream);
  reader.ShortString();  // class
  reader.ShortString();  // name
  for (const auto& [name, value] : reader.Properties()) {
    if (name == "GuiComponents") ReadObjectProperty(skin, name, value);
  }
  viewer.Render();
  EXPECT_EQ(Top(140, 115), (Pixel{255, 255, 255, 255})) << "the pressed button's new component";
  EXPECT_EQ(Top(304, 54), (Pixel{255, 255, 255, 255})) << "the track's corner";
  // Track 8 .. 200 now: the knob spans 93 .. 136 below the bar's top.
  EXPECT_EQ(Top(310, 50 + 115), (Pixel{255, 255, 255, 255})) << "the knob";
  EXPECT_EQ(Top(310, 50 + 180), (Pixel{0, 0, 0, 255})) << "the track below the knob";
  button.SetGuiLayout(nullptr);
  bar.SetGuiLayout(nullptr);
}

TEST_F(WidgetsInViewer, APopUpFitsItsHeightToItsItemsAfterOneFrame) {
  TGLBitmapFont font;
  font.SetCharHeight(16);
  auto& menu = stage.Objects().AddNewChild<TGLPopupMenu>();
  menu.SetGuiLayout(&layout);
  menu.SetGuiLayoutName("nine");
  menu.SetBitmapFont(&font);
  menu.SetWidth(100);
  menu.SetHeight(30);
  menu.SetMenuItems({"one", "two", "three"});
  viewer.Render();
  // Frame cells of 10 above and below: 48 for the items.
  EXPECT_FLOAT_EQ(menu.Height(), 68);
  EXPECT_FLOAT_EQ(menu.Areas()[GLAlCenter].Y2 - menu.Areas()[GLAlCenter].Y1, 48);
  viewer.Render();
  EXPECT_FLOAT_EQ(menu.Height(), 68);
  menu.SetBitmapFont(nullptr);
  menu.SetGuiLayout(nullptr);
}

// ---- Every text of a frame in its own colour

// What a text left in its box: each colour that differs from the ground under it, with its pixel count.
using Inks = std::map<std::array<int, 3>, int>;

std::string Describe(const Inks& inks) {
  std::string text;
  for (const auto& [c, n] : inks) {
    text += "(" + std::to_string(c[0]) + "," + std::to_string(c[1]) + "," + std::to_string(c[2]) + ") x" +
            std::to_string(n) + " ";
  }
  return text.empty() ? "nothing" : text;
}

// One glyph, "A": a solid 6 × 6 square inside an 8 × 8 cell whose black rim is transparent. Sampled
// nearest, a drawn pixel is the text's colour exactly, or not drawn at all.
class OneFrameOfTexts : public WidgetsInViewer {
 protected:
  OneFrameOfTexts() {
    auto glyph = std::make_unique<TBitmap>(8, 8, pf24bit);
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 8; ++x) glyph->SetPixel(x, y, x == 0 || y == 0 || x == 7 || y == 7 ? 0xFF000000u : 0xFFFFFFFFu);
    }
    font.Glyphs().TakeGraphic(std::move(glyph));
    font.SetCharWidth(8);
    font.SetCharHeight(8);
    font.SetMagFilter(maNearest);
    font.SetMinFilter(miNearest);
    font.Ranges().Add('A', 'A');
  }
  ~OneFrameOfTexts() override {
    for (int i = stage.Objects().ChildCount() - 1; i >= 0; --i) {
      TGLBaseSceneObject* child = stage.Objects().ChildAt(i);
      if (auto* text = dynamic_cast<TGLBitmapTextObject*>(child)) text->SetBitmapFont(nullptr);
    }
    stage.Objects().DeleteChildren();
  }
  // The colours in the box (top-down pixels, bounds included) that differ from `ground`.
  Inks InksIn(const std::vector<std::uint8_t>& frame, int x0, int y0, int x1, int y1, Pixel ground) {
    Inks inks;
    for (int y = y0; y <= y1; ++y) {
      for (int x = x0; x <= x1; ++x) {
        const std::uint8_t* p = &frame[((kHeight - 1 - y) * kWidth + x) * 4];
        if (p[0] == ground[0] && p[1] == ground[1] && p[2] == ground[2]) continue;
        ++inks[{p[0], p[1], p[2]}];
      }
    }
    return inks;
  }
  std::vector<std::uint8_t> Frame() {
    TGLContext& context = *viewer.Buffer().RenderingContext();
    context.Activate();
    std::vector<std::uint8_t> rgba(kWidth * kHeight * 4);
    gl.ReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    context.Deactivate();
    return rgba;
  }
  TGLBitmapFont font;
};

// The colour of a widget colour property, as drawn.
std::array<int, 3> Drawn(TColor c) { return {int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)}; }

TEST_F(OneFrameOfTexts, EachTextInItsOwnColourTheSelectedRowHighlightedAndTheSphereAfterThemLit) {
  const Pixel black{0, 0, 0, 255};
  const Pixel navy = Rgb(kNine[8]);  // the "down" skin
  struct TBox {
    std::string what;
    std::array<int, 4> box;  // top-down pixels
    Pixel ground;
    std::array<int, 3> color;
    int pixels;  // inked pixels expected at least
  };
  std::vector<TBox> boxes;
  // Four head-up texts, one under the other.
  const std::array<std::array<int, 3>, 4> hud_colors{{{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}}};
  for (int i = 0; i < 4; ++i) {
    auto& text = stage.Objects().AddNewChild<TGLHUDText>();
    text.SetBitmapFont(&font);
    text.SetText("AAA");
    const auto& c = hud_colors[static_cast<std::size_t>(i)];
    text.ModulateColor().SetRGBA(c[0] / 255.0f, c[1] / 255.0f, c[2] / 255.0f, 1);
    text.Position().SetPositionXYZ(20, 20 + 30 * i, 0);
    boxes.push_back({"HUD text " + std::to_string(i), {16, 16 + 30 * i, 50, 32 + 30 * i}, black, c, 3 * 36});
  }
  // Two flat texts in the scene, a glyph pixel a sixteenth of a unit.
  const std::array<std::array<int, 3>, 2> flat_colors{{{255, 0, 255}, {0, 255, 255}}};
  for (int i = 0; i < 2; ++i) {
    auto& text = stage.Objects().AddNewChild<TGLFlatText>();
    text.SetBitmapFont(&font);
    text.SetText("AAA");
    const auto& c = flat_colors[static_cast<std::size_t>(i)];
    text.ModulateColor().SetRGBA(c[0] / 255.0f, c[1] / 255.0f, c[2] / 255.0f, 1);
    text.Scale().SetVector(1 / 16.0f, 1 / 16.0f, 1);
    text.Position().SetPositionXYZ(-2, 4.0f - i, 0);
    const auto [x0, y0] = WindowOf(-2, 4.0f - i);
    const auto [x1, y1] = WindowOf(-2 + 26 / 16.0f, 4.0f - i - 0.5f);
    boxes.push_back({"flat text " + std::to_string(i), {x0 - 4, kHeight - 1 - y0 - 4, x1 + 4, kHeight - 1 - y1 + 4}, black,
                     c, 3 * 36 * 4});
  }
  // A skinned form with three labels.
  auto& form = stage.Objects().AddNewChild<TGLForm>();
  form.SetGuiLayout(&layout);
  form.SetGuiLayoutName("down");
  form.SetLeft(420);
  form.SetTop(20);
  form.SetWidth(300);
  form.SetHeight(150);
  const std::array<TColor, 3> label_colors{MakeRGBColor(255, 128, 0), MakeRGBColor(255, 255, 255),
                                           MakeRGBColor(128, 0, 255)};
  for (int i = 0; i < 3; ++i) {
    auto& label = form.AddNewChild<TGLLabel>();
    label.SetGuiLayout(&layout);
    label.SetBitmapFont(&font);
    label.SetCaption("AAA");
    label.SetDefaultColor(label_colors[static_cast<std::size_t>(i)]);
    label.SetLeft(440);
    label.SetTop(50 + 40 * i);
    label.SetWidth(200);
    label.SetHeight(20);
    boxes.push_back({"label " + std::to_string(i), {440, 50 + 40 * i, 639, 69 + 40 * i}, navy,
                     Drawn(label_colors[static_cast<std::size_t>(i)]), 3 * 36});
  }
  // A string grid: a header and three rows, the middle one selected.
  auto& grid = stage.Objects().AddNewChild<TGLStringGrid>();
  grid.SetGuiLayout(&layout);
  grid.SetGuiLayoutName("down");
  grid.SetBitmapFont(&font);
  grid.SetLeft(20);
  grid.SetTop(200);
  grid.SetWidth(200);
  grid.SetHeight(100);
  grid.SetRowHeight(12);
  grid.SetColumnSize(100);
  grid.SetColumns({"AA"});
  grid.SetRowCount(3);
  for (int r = 0; r < 3; ++r) grid.SetCell(0, r, "AAA");
  grid.SetSelRow(1);
  grid.SetHeaderColor(MakeRGBColor(255, 128, 128));
  grid.SetDefaultColor(MakeRGBColor(0, 192, 0));
  grid.SetFocusedColor(MakeRGBColor(255, 255, 255));
  boxes.push_back({"grid header", {20, 200, 219, 210}, navy, {255, 128, 128}, 2 * 36});
  for (int r = 0; r < 3; ++r) {
    boxes.push_back({"grid row " + std::to_string(r), {20, 212 + 12 * r, 219, 222 + 12 * r}, navy,
                     r == 1 ? std::array<int, 3>{255, 255, 255} : std::array<int, 3>{0, 192, 0}, 3 * 36});
  }
  // A lit sphere drawn after all of them, facing the light with its diffuse colour.
  auto& sphere = stage.Objects().AddNewChild<TGLSphere>();
  sphere.SetRadius(1);
  sphere.Position().SetPositionXYZ(4, -3, 0);
  sphere.Material().FrontProperties().Diffuse().SetRGBA(0.2f, 0.4f, 0.8f, 1);

  viewer.Render();
  const auto frame = Frame();
  for (const TBox& b : boxes) {
    const Inks inks = InksIn(frame, b.box[0], b.box[1], b.box[2], b.box[3], b.ground);
    const auto own = inks.find(b.color);
    EXPECT_TRUE(own != inks.end() && own->second >= b.pixels && inks.size() == 1)
        << b.what << " inked " << Describe(inks);
  }
  // Lit: the point facing the light is brighter than one near the rim, both in the diffuse hue.
  const auto [cx, cy] = WindowOf(4, -3, 1);
  const auto [rx, ry] = WindowOf(4.9f, -3, 0.4f);
  const Pixel centre = WindowPixel(cx, cy), rim = WindowPixel(rx, ry);
  EXPECT_GT(centre[2], rim[2] + 40) << int(centre[2]) << " " << int(rim[2]);
  EXPECT_GT(centre[2], centre[1]);
  EXPECT_GT(centre[1], centre[0]);
}

struct TMessages : IMessageSink {
  void ShowMessage(const std::string& text) override { texts.push_back(text); }
  std::vector<std::string> texts;
};

// Its own drawing fails every time; its children draw all the same.
struct TFailingPanel : TGLPanel {
  void InternalRender(TRenderContextInfo& rci) override {
    GuardedDraw([] { throw Exception("skin gone"); }, "Exception in GuiComponents InternalRender function");
  }
};

TEST_F(WidgetsInViewer, AFailingDrawIsReportedOnceAfterTheDrawAndTheFrameGoesOn) {
  TMessages messages;
  IMessageSink* previous = SetMessageSink(&messages);
  auto& failing = stage.Objects().AddNewChild<TFailingPanel>();
  failing.SetGuiLayout(&layout);
  auto& child = failing.AddNewChild<TGLPanel>();
  child.SetGuiLayout(&layout);
  child.SetGuiLayoutName("nine");
  child.SetLeft(50);
  child.SetTop(40);
  child.SetWidth(100);
  child.SetHeight(60);
  viewer.Render();
  EXPECT_EQ(messages.texts, (std::vector<std::string>{"skin gone"}));
  EXPECT_EQ(Top(100, 70), Rgb(kNine[4]));
  viewer.Render();
  EXPECT_EQ(messages.texts.size(), 2u);
  SetMessageSink(previous);
  child.SetGuiLayout(nullptr);
  failing.SetGuiLayout(nullptr);
}

TEST_F(WidgetsInViewer, ALayoutChangeDuringTheWidgetsOwnDrawDoesNotWaitForItself) {
  auto& control = stage.Objects().AddNewChild<TGLCustomControl>();
  control.SetGuiLayout(&layout);
  control.SetGuiLayoutName("nine");
  int draws = 0;
  control.OnRender = [&](TGLCustomControl&, TBitmap&) {
    ++draws;
    layout.NotifyChange(&layout);  // locks the widget's rendering from inside its draw
  };
  viewer.Render();
  EXPECT_EQ(draws, 1);
  control.SetGuiLayout(nullptr);
}

TEST(RenderGuard, ADrawFromAnotherThreadWaitsForTheUnlock) {
  TGLPanel panel;
  TRenderContextInfo rci;
  panel.LockRendering();
  std::atomic<bool> done{false};
  std::thread render([&] {
    panel.DoRender(rci, false, false);
    done = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_FALSE(done.load());
  panel.UnlockRendering();
  render.join();
  EXPECT_TRUE(done.load());
}

// ---- A drawing that throws

void ThrowingBegin(GLenum) { throw std::runtime_error("drawing failed"); }

// A label's caption begins its quads inside the widget frame's pushes: glBegin throws there, and the
// attribute, model-view and projection stacks are as found, the model-view matrix current.
TEST(WidgetDrawingThatThrows, ALabelLeavesTheStacksAsFound) {
  std::unique_ptr<TGLContext> context = NewPBufferContext();
  context->Activate();
  TGLStage stage;
  TGLStateCache states;
  TGLGuiLayout layout;
  TGLBitmapFont font;
  auto glyphs = std::make_unique<TBitmap>(8, 8, pf24bit);
  glyphs->SetPixel(1, 1, 0xFFFFFFFF);
  font.Glyphs().TakeGraphic(std::move(glyphs));
  font.SetCharWidth(8);
  font.SetCharHeight(8);
  font.Ranges().Add(65, 65);
  auto& label = stage.Objects().AddNewChild<TGLLabel>();
  label.SetGuiLayout(&layout);
  label.SetBitmapFont(&font);
  label.SetCaption("A");
  const auto depth = [](GLenum which) {
    GLint value = 0;
    gl.GetIntegerv(which, &value);
    return value;
  };
  gl.MatrixMode(GL_MODELVIEW);
  const std::array<GLint, 4> before{depth(GL_ATTRIB_STACK_DEPTH), depth(GL_MODELVIEW_STACK_DEPTH),
                                    depth(GL_PROJECTION_STACK_DEPTH), depth(GL_MATRIX_MODE)};
  TRenderContextInfo rci{};
  rci.scene = &stage;
  rci.objectsSorting = osNone;
  rci.visibilityCulling = vcNone;
  rci.GLStates = &states;
  rci.viewPortSize = {64, 32};
  const TGLEntryPoints saved = gl;
  gl.Begin = &ThrowingBegin;
  EXPECT_THROW(label.RenderWithTransform(rci), std::runtime_error);
  gl = saved;
  const std::array<GLint, 4> after{depth(GL_ATTRIB_STACK_DEPTH), depth(GL_MODELVIEW_STACK_DEPTH),
                                   depth(GL_PROJECTION_STACK_DEPTH), depth(GL_MATRIX_MODE)};
  EXPECT_EQ(after, before);
  EXPECT_EQ(gl.GetError(), static_cast<GLenum>(GL_NO_ERROR));
  label.SetBitmapFont(nullptr);
  label.SetGuiLayout(nullptr);
  stage.Objects().DeleteChildren();
  context->Deactivate();
}

}  // namespace
}  // namespace zentrova::test
