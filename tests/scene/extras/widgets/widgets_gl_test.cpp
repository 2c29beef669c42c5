// Skinned widgets drawn by a 744 × 440 memory viewer and read back: the nine cells of a skin over a
// panel, and a pressed button's component.
#include <gtest/gtest.h>

#include <array>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/exception.h"
#include "platform/message_sink.h"

#include "scene/core/buffer_fixtures.h"
#include "scene/extras/widgets/button.h"
#include "scene/extras/widgets/custom_control.h"
#include "scene/extras/widgets/gui_layout.h"
#include "scene/extras/widgets/label.h"
#include "scene/gl/state_cache.h"
#include "scene/extras/widgets/popup_menu.h"
#include "scene/materials/material.h"
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
