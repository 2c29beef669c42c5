// Skin layouts and widgets through the form stream: each class's published properties read back equal,
// defaults are left out, layouts, fonts and scroll bars are found by name, and damaged values are
// refused.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "scene/base/property_stream.h"
#include "scene/core/stage.h"
#include "scene/extras/text/bitmap_font.h"
#include "scene/extras/widgets/button.h"
#include "scene/extras/widgets/custom_control.h"
#include "scene/extras/widgets/edit.h"
#include "scene/extras/widgets/form.h"
#include "scene/extras/widgets/gui_layout.h"
#include "scene/extras/widgets/label.h"
#include "scene/extras/widgets/popup_menu.h"
#include "scene/extras/widgets/scrollbar.h"
#include "scene/extras/widgets/string_grid.h"
#include "scene/materials/material.h"
#include "scene/stream_test_support.h"

namespace zentrova {
namespace {

using test::Bytes;
using test::ReadBack;
using test::Named;
using test::TStreamCase;

template <class T>
const T& As(const TComponent& c) {
  return dynamic_cast<const T&>(c);
}
template <class T>
T& As(TComponent& c) {
  return dynamic_cast<T&>(c);
}

template <class T>
std::function<std::unique_ptr<TComponent>()> Make() {
  return [] { return std::make_unique<T>(); };
}

std::vector<TStreamCase> Cases() {
  return {
      {"TGLBaseControl", Make<TGLBaseControl>(),
       [](TComponent& c) {
         auto& w = As<TGLBaseControl>(c);
         w.SetRedrawAtOnce(true);
         w.SetGuiLayoutName("panel");
         w.SetRotation(15);
         w.SetAlphaChannel(0.5f);
         w.SetNoZWrite(true);
         w.SetDoChangesOnProgress(true);
         w.SetWidth(120);
         w.SetHeight(30);
         w.SetLeft(7);
         w.SetTop(9);
       },
       [](const TComponent& c) {
         const auto& w = As<TGLBaseControl>(c);
         EXPECT_TRUE(w.RedrawAtOnce());
         EXPECT_EQ(w.GuiLayoutName(), "panel");
         EXPECT_EQ(std::tuple(w.Rotation(), w.AlphaChannel(), w.Width(), w.Height(), w.Left(), w.Top()),
                   std::tuple(15.0f, 0.5f, 120.0f, 30.0f, 7.0f, 9.0f));
         EXPECT_TRUE(w.NoZWrite());
         EXPECT_TRUE(w.DoChangesOnProgress());
       },
       {"RedrawAtOnce", "GuiLayoutName", "Rotation", "AlphaChannel", "NoZWrite", "DoChangesOnProgress", "Width",
        "Height"}},
      {"TGLForm", Make<TGLForm>(),
       [](TComponent& c) {
         auto& form = As<TGLForm>(c);
         form.SetCaption("Settings");
         form.SetDefaultColor(0x00112233);
         form.SetTitleColor(0x00445566);
         form.SetTitleOffset(4);
       },
       [](const TComponent& c) {
         const auto& form = As<TGLForm>(c);
         EXPECT_EQ(form.Caption(), "Settings");
         EXPECT_EQ(std::pair(form.DefaultColor(), form.TitleColor()), std::pair(0x00112233, 0x00445566));
         EXPECT_EQ(form.TitleOffset(), 4);
       },
       {"Caption", "DefaultColor", "TitleColor", "TitleOffset"}},
      {"TGLLabel", Make<TGLLabel>(),
       [](TComponent& c) {
         auto& label = As<TGLLabel>(c);
         label.SetAlignment(taCenter);
         label.SetTextLayout(tlBottom);
       },
       [](const TComponent& c) {
         const auto& label = As<TGLLabel>(c);
         EXPECT_EQ(std::pair(label.Alignment(), label.TextLayout()), std::pair(taCenter, tlBottom));
       },
       {"Alignment", "TextLayout"}},
      {"TGLAdvancedLabel", Make<TGLAdvancedLabel>(),
       [](TComponent& c) { As<TGLAdvancedLabel>(c).SetFocusedColor(0x000000FF); },
       [](const TComponent& c) { EXPECT_EQ(As<TGLAdvancedLabel>(c).FocusedColor(), 0x000000FF); }, {"FocusedColor"}},
      {"TGLCheckBox", Make<TGLCheckBox>(),
       [](TComponent& c) {
         auto& box = As<TGLCheckBox>(c);
         box.SetChecked(true);
         box.SetGuiLayoutNameChecked("ticked");
         box.SetGroup(2);
       },
       [](const TComponent& c) {
         const auto& box = As<TGLCheckBox>(c);
         EXPECT_TRUE(box.Checked());
         EXPECT_EQ(box.GuiLayoutNameChecked(), "ticked");
         EXPECT_EQ(box.Group(), 2);
       },
       {"Checked", "GuiLayoutNameChecked", "Group"}},
      {"TGLButton", Make<TGLButton>(),
       [](TComponent& c) {
         auto& button = As<TGLButton>(c);
         button.SetPressed(true);
         button.SetGuiLayoutNamePressed("down");
         button.BitBtn().FrontProperties().Diffuse().SetVector({1, 0, 0, 1});
         button.SetGroup(0);
         button.SetLogicWidth(16);
         button.SetLogicHeight(12);
         button.SetXOffset(-2);
         button.SetYOffset(3);
         button.SetAllowUp(true);
       },
       [](const TComponent& c) {
         auto& button = const_cast<TGLButton&>(As<TGLButton>(c));
         EXPECT_TRUE(button.Pressed());
         EXPECT_EQ(button.GuiLayoutNamePressed(), "down");
         EXPECT_EQ(button.BitBtn().FrontProperties().Diffuse().Color(), (TVector4f{1, 0, 0, 1}));
         EXPECT_EQ(std::tuple(button.Group(), button.LogicWidth(), button.LogicHeight(), button.XOffset(),
                              button.YOffset()),
                   std::tuple(0, 16.0f, 12.0f, -2.0f, 3.0f));
         EXPECT_TRUE(button.AllowUp());
       },
       {"Pressed", "GuiLayoutNamePressed", "Group", "LogicWidth", "LogicHeight", "XOffset", "YOffset", "AllowUp"}},
      {"TGLEdit", Make<TGLEdit>(),
       [](TComponent& c) {
         auto& edit = As<TGLEdit>(c);
         edit.SetCaption("abc");
         edit.SetSelStart(2);
         edit.SetEditChar("|");
       },
       [](const TComponent& c) {
         const auto& edit = As<TGLEdit>(c);
         EXPECT_EQ(edit.Caption(), "abc");
         EXPECT_EQ(edit.SelStart(), 2);
         EXPECT_EQ(edit.EditChar(), "|");
       },
       {"Caption", "SelStart", "EditChar"}},
      {"TGLPopupMenu", Make<TGLPopupMenu>(),
       [](TComponent& c) {
         auto& menu = As<TGLPopupMenu>(c);
         menu.SetMenuItems({"Open", "", "Close"});
         menu.SetSelIndex(2);
         menu.SetMarginSize(6);
       },
       [](const TComponent& c) {
         const auto& menu = As<TGLPopupMenu>(c);
         EXPECT_EQ(menu.MenuItems(), (std::vector<std::string>{"Open", "", "Close"}));
         EXPECT_EQ(std::pair(menu.SelIndex(), menu.MarginSize()), std::pair(2, 6.0f));
       },
       {"MenuItems.Strings", "SelIndex", "MarginSize"}},
      // A position at the end of a one-row page comes back, though the default page would clamp it.
      {"TGLScrollbar", Make<TGLScrollbar>(),
       [](TComponent& c) {
         auto& bar = As<TGLScrollbar>(c);
         bar.SetMin(2);
         bar.SetMax(20);
         bar.SetStep(0.5f);
         bar.SetPageSize(1);
         bar.SetPos(20);
         bar.SetGuiLayoutKnobName("knob");
         bar.SetHorizontal(true);
       },
       [](const TComponent& c) {
         const auto& bar = As<TGLScrollbar>(c);
         EXPECT_EQ(std::tuple(bar.Min(), bar.Max(), bar.Step(), bar.PageSize(), bar.Pos()),
                   std::tuple(2.0f, 20.0f, 0.5f, 1.0f, 20.0f));
         EXPECT_EQ(bar.GuiLayoutKnobName(), "knob");
         EXPECT_TRUE(bar.Horizontal());
       },
       {"Min", "Max", "Step", "PageSize", "Pos", "GuiLayoutKnobName", "Horizontal"}},
      {"TGLStringGrid", Make<TGLStringGrid>(),
       [](TComponent& c) {
         auto& grid = As<TGLStringGrid>(c);
         grid.SetSelCol(1);
         grid.SetSelRow(2);
         grid.SetRowSelect(false);
         grid.SetColumns({"Name", "Value"});
         grid.SetHeaderColor(0x00808080);
         grid.SetMarginSize(3);
         grid.SetColumnSize(40);
         grid.SetRowHeight(18);
         grid.SetDrawHeader(false);
         grid.SetRowCount(4);
       },
       [](const TComponent& c) {
         auto& grid = const_cast<TGLStringGrid&>(As<TGLStringGrid>(c));
         EXPECT_EQ(std::tuple(grid.SelCol(), grid.SelRow(), grid.MarginSize(), grid.ColumnSize(), grid.RowHeight(),
                              grid.RowCount()),
                   std::tuple(1, 2, 3, 40, 18, 4));
         EXPECT_FALSE(grid.RowSelect());
         EXPECT_FALSE(grid.DrawHeader());
         ASSERT_EQ(grid.ColumnCount(), 2);
         EXPECT_EQ(std::tuple(grid.Column(0), grid.Column(1), grid.ColumnWidth(0), grid.ColumnWidth(1)),
                   std::tuple("Name", "Value", 40, 40));
         EXPECT_EQ(grid.HeaderColor(), 0x00808080);
       },
       {"SelCol", "SelRow", "RowSelect", "Columns.Strings", "HeaderColor", "MarginSize", "ColumnSize", "RowHeight",
        "DrawHeader", "RowCount"}},
      {"TGLCustomControl", Make<TGLCustomControl>(),
       [](TComponent& c) {
         auto& control = As<TGLCustomControl>(c);
         control.Material().FrontProperties().Emission().SetVector({0, 1, 0, 1});
         TBitmap picture(3, 2, pf24bit);
         picture.SetPixel(2, 1, 0xFF00FF00);
         control.SetBitmap(picture);
         control.SetMaxInvalidRenderCount(2);
         control.SetCentered(true);
       },
       [](const TComponent& c) {
         auto& control = const_cast<TGLCustomControl&>(As<TGLCustomControl>(c));
         EXPECT_EQ(control.Material().FrontProperties().Emission().Color(), (TVector4f{0, 1, 0, 1}));
         ASSERT_EQ(std::pair(control.Bitmap().Width(), control.Bitmap().Height()), std::pair(3, 2));
         EXPECT_EQ(control.Bitmap().Pixel(2, 1), 0xFF00FF00u);
         EXPECT_TRUE(control.Invalid()) << "the read picture is uploaded at the next frame";
         EXPECT_EQ(control.MaxInvalidRenderCount(), 2);
         EXPECT_TRUE(control.Centered());
       },
       {"Bitmap.Data", "MaxInvalidRenderCount", "Centered"}},
      {"TGLGuiLayout", Make<TGLGuiLayout>(),
       [](TComponent& c) {
         auto& layout = As<TGLGuiLayout>(c);
         TGLGuiComponent& panel = layout.GuiComponents().Add();
         panel.Name = "panel";
         TGLGuiElement& corner = panel.Elements().Add();
         corner.TopLeft = {1, 2, 0};
         corner.BottomRight = {9, 10, 0};
         corner.Scale = {2, 3, 0.5f};
         corner.Align = GLAlBottomRight;
         corner.Name = "corner";
         panel.Elements().Add().Align = GLAlCenter;
         layout.GuiComponents().Add().Name = "empty";
         layout.SetFileName("missing-skin.layout");
       },
       [](const TComponent& c) {
         const auto& layout = As<TGLGuiLayout>(c);
         ASSERT_EQ(layout.GuiComponents().Count(), 2);
         const TGLGuiComponent& panel = layout.GuiComponents().Items(0);
         EXPECT_EQ(panel.Name, "panel");
         ASSERT_EQ(panel.Elements().Count(), 2);
         const TGLGuiElement& corner = panel.Elements().Items(0);
         EXPECT_EQ(corner.TopLeft, (TAffineVector{1, 2, 0}));
         EXPECT_EQ(corner.BottomRight, (TAffineVector{9, 10, 0}));
         EXPECT_EQ(corner.Scale, (TAffineVector{2, 3, 0.5f}));
         EXPECT_EQ(std::pair(corner.Align, corner.Name), std::pair(GLAlBottomRight, std::string("corner")));
         EXPECT_EQ(panel.Elements().Items(1).Align, GLAlCenter);
         EXPECT_EQ(panel.Elements().Items(1).Scale, (TAffineVector{1, 1, 0}));
         EXPECT_EQ(layout.GuiComponents().Items(1).Elements().Count(), 0);
         EXPECT_EQ(layout.FileName(), "missing-skin.layout");
       },
       {"GuiComponents", "FileName"}},
  };
}

TEST(WidgetStreaming, EachClassLeavesItsDefaultsOutAndReadsItsPropertiesBackEqual) {
  test::ExpectRoundTrips(Cases());
}

// The layout, its font, the widgets' fonts and a grid's scroll bar are components of the form: they are
// streamed by name and found again when the whole form has been read.
TEST(WidgetStreaming, LayoutsFontsAndScrollBarsAreFoundByNameInTheForm) {
  TComponent form;
  auto& font = form.CreateComponent<TGLBitmapFont>();
  font.SetName("Font1");
  auto& layout = form.CreateComponent<TGLGuiLayout>();
  layout.SetName("Skin");
  layout.SetBitmapFont(&font);
  layout.GuiComponents().Add().Name = "button";
  layout.GuiComponents().Add().Name = "pressed";
  auto& stage = form.CreateComponent<TGLStage>();
  stage.SetName("Scene1");
  auto& panel = stage.Objects().AddNewChild<TGLPanel>();
  panel.SetName("Panel");
  auto& button = panel.AddNewChild<TGLButton>();
  button.SetName("OK");
  button.SetGuiLayoutName("button");
  button.SetGuiLayoutNamePressed("pressed");
  button.SetGuiLayout(&layout);
  button.SetBitmapFont(&font);
  auto& bar = panel.AddNewChild<TGLScrollbar>();
  bar.SetName("Bar");
  auto& grid = panel.AddNewChild<TGLStringGrid>();
  grid.SetName("Grid");
  grid.SetScrollbar(&bar);
  const std::string bytes = Bytes(form);

  const std::unique_ptr<TComponent> read = ReadBack(bytes);
  auto* read_font = dynamic_cast<TGLBitmapFont*>(read->Components(0));
  auto* read_layout = dynamic_cast<TGLGuiLayout*>(read->Components(1));
  ASSERT_NE(read_font, nullptr);
  ASSERT_NE(read_layout, nullptr);
  EXPECT_EQ(read_layout->BitmapFont(), read_font);
  auto& read_stage = dynamic_cast<TGLStage&>(*read->Components(2));
  TGLBaseSceneObject& read_panel = *read_stage.Objects().ChildAt(0);
  ASSERT_EQ(read_panel.ChildCount(), 3);
  auto& read_button = dynamic_cast<TGLButton&>(*read_panel.ChildAt(0));
  EXPECT_EQ(read_button.GuiLayout(), read_layout);
  EXPECT_EQ(read_button.OwnBitmapFont(), read_font);
  EXPECT_EQ(read_button.GuiComponent(), &read_layout->GuiComponents().Items(0)) << "looked up once bound";
  EXPECT_EQ(read_layout->WidgetCount(), 1);
  EXPECT_EQ(dynamic_cast<TGLStringGrid&>(*read_panel.ChildAt(2)).Scrollbar(), read_panel.ChildAt(1));
  EXPECT_EQ(Bytes(*read), bytes);
}

// A string list is binary data: a 4-byte count, then each string's 4-byte length and bytes.
TEST(WidgetStreaming, StringListsAreCountedLengthPrefixedStrings) {
  TGLPopupMenu menu;
  menu.SetMenuItems({"Go", ""});
  const std::string bytes = Bytes(menu);
  const std::string expected = Named("MenuItems.Strings") + "\x0A" + std::string("\x0E\0\0\0", 4) +
                               std::string("\x02\0\0\0", 4) + std::string("\x02\0\0\0", 4) + "Go" +
                               std::string(4, '\0');
  EXPECT_NE(bytes.find(expected), std::string::npos);
}

std::string SingleBytes(float value) {
  std::string bytes(4, '\0');
  std::memcpy(bytes.data(), &value, 4);
  return bytes;
}

TEST(WidgetStreaming, DamagedListsAndLayoutElementsAreRefused) {
  TGLPopupMenu menu;
  menu.SetMenuItems({"Go"});
  TGLGuiLayout layout;
  TGLGuiElement& corner = layout.GuiComponents().Add().Elements().Add();
  corner.Name = "corner";
  corner.Align = GLAlCenter;
  const struct {
    const TComponent* component;
    std::string from, to, message;
  } cases[] = {
      // No string announced with one there; one string announced, none there; a string longer than the
      // data.
      {&menu, std::string("\x01\0\0\0\x02\0\0\0Go", 10), std::string("\x00\0\0\0\x02\0\0\0Go", 10),
       "Invalid property value"},
      {&menu, std::string("\x01\0\0\0\x02\0\0\0Go", 10), std::string("\x02\0\0\0\x02\0\0\0Go", 10),
       "Invalid property value"},
      {&menu, std::string("\x02\0\0\0Go", 6), std::string("\x03\0\0\0Go", 6), "Invalid property value"},
      {&layout, Named("Name") + "\x06\x06" "corner", Named("Nome") + "\x06\x06" "corner",
       "Property Nome does not exist"},
      {&layout, Named("Align") + "\x07" + Named("GLAlCenter"), Named("Align") + "\x07" + Named("GLAlCentre"),
       "Invalid property value"},
      // A texel rectangle 1e-20 wide: drawing would tile it without end.
      {&layout, Named("BottomRight.Coordinates") + "\x0A" + std::string("\x10\0\0\0\0\0\0\0", 8),
       Named("BottomRight.Coordinates") + "\x0A" + std::string("\x10\0\0\0", 4) + SingleBytes(1e-20f),
       "Skin element \"corner\" has a degenerate span or scale"},
  };
  for (const auto& c : cases) {
    std::string bytes = Bytes(*c.component);
    const std::size_t at = bytes.find(c.from);
    ASSERT_NE(at, std::string::npos) << c.message;
    bytes.replace(at, c.from.size(), c.to);
    try {
      ReadBack(bytes);
      ADD_FAILURE() << "read: " << c.message;
    } catch (const EReadError& error) {
      EXPECT_EQ(std::string(error.what()), c.message);
    }
  }
}

}  // namespace
}  // namespace zentrova
