// Widgets driven through the input interface alone: focus walks, key routing, mouse routing, capture,
// dragging, editing, groups, grid paging, the scroll bar's range and the custom control's upload.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "scene/base/class_registration.h"
#include "scene/core/input_target.h"
#include "scene/extras/widgets/button.h"
#include "scene/extras/widgets/custom_control.h"
#include "scene/extras/widgets/edit.h"
#include "scene/extras/widgets/form.h"
#include "scene/extras/widgets/label.h"
#include "scene/extras/widgets/popup_menu.h"
#include "scene/extras/widgets/string_grid.h"

namespace zentrova::test {
namespace {

template <class T>
T& Place(TGLBaseSceneObject& parent, float left, float top, float width, float height, const std::string& name = "") {
  T& control = parent.AddNewChild<T>();
  control.SetLeft(left);
  control.SetTop(top);
  control.SetWidth(width);
  control.SetHeight(height);
  control.SetName(name);
  return control;
}

void Key(IGLInputTarget& target, std::uint16_t code, TShiftState shift = {}) {
  std::uint16_t key = code;
  target.KeyDown(key, shift);
  char c = static_cast<char>(code);
  // Of the keys used here only Tab and Backspace are characters too.
  if (code == VK_TAB || code == VK_BACK) target.KeyPress(c);
  key = code;
  target.KeyUp(key, shift);
}

void Type(IGLInputTarget& target, const std::string& text) {
  for (char c : text) {
    char key = c;
    target.KeyPress(key);
  }
}

std::string FocusName(TGLBaseControl& root) {
  return root.FocusedControl() != nullptr ? root.FocusedControl()->Name() : "none";
}

// root: b1, panel (e1, a label, hidden b2, inner panel (b4)), b3.
class FocusWalk : public ::testing::Test {
 protected:
  TGLPanel root;
  TGLButton& b1 = Place<TGLButton>(root, 0, 0, 10, 10, "b1");
  TGLPanel& panel = Place<TGLPanel>(root, 0, 20, 100, 100, "panel");
  TGLEdit& e1 = Place<TGLEdit>(panel, 0, 20, 10, 10, "e1");
  TGLLabel& label = Place<TGLLabel>(panel, 0, 40, 10, 10, "label");
  TGLButton& b2 = Place<TGLButton>(panel, 0, 60, 10, 10, "b2");
  TGLPanel& inner = Place<TGLPanel>(panel, 0, 80, 10, 10, "inner");
  TGLButton& b4 = Place<TGLButton>(inner, 0, 80, 10, 10, "b4");
  TGLButton& b3 = Place<TGLButton>(root, 0, 200, 10, 10, "b3");
  void SetUp() override { b2.SetVisible(false); }
};

TEST_F(FocusWalk, TabAndShiftTabWalkTheTreeSkippingHiddenAndPlainControlsAndWrapOnce) {
  b1.SetFocus();
  const std::vector<std::string> forward{"e1", "b4", "b3", "b1", "e1"};
  for (const std::string& expected : forward) {
    Key(root, VK_TAB);
    EXPECT_EQ(FocusName(root), expected);
  }
  const std::vector<std::string> backward{"b1", "b3", "b4", "e1", "b1"};
  for (const std::string& expected : backward) {
    Key(root, VK_TAB, ssShift);
    EXPECT_EQ(FocusName(root), expected);
  }
  EXPECT_TRUE(b1.Focused());
  EXPECT_FALSE(e1.Focused());
}

TEST_F(FocusWalk, HidingTheFocusedControlOrItsPanelMovesTheFocusOn) {
  e1.SetFocus();
  panel.SetVisible(false);
  EXPECT_EQ(FocusName(root), "b3");
  b3.SetVisible(false);
  EXPECT_EQ(FocusName(root), "b1");
  // The last visible focus control hidden: the second wrap leaves no focus.
  b1.SetVisible(false);
  EXPECT_EQ(FocusName(root), "none");
}

TEST_F(FocusWalk, ShiftTabOnTheOnlyFocusControlComesBackToIt) {
  panel.SetVisible(false);
  b3.SetVisible(false);
  b1.SetFocus();
  Key(root, VK_TAB, ssShift);
  EXPECT_EQ(FocusName(root), "b1");
  Key(root, VK_TAB);
  EXPECT_EQ(FocusName(root), "b1");
}

TEST_F(FocusWalk, BackwardFromAHiddenLoneFocusControlComesBackToIt) {
  panel.SetVisible(false);
  b3.SetVisible(false);
  b1.SetVisible(false);
  b1.PrevControl();
  EXPECT_EQ(FocusName(root), "b1");
  b1.NextControl();
  EXPECT_EQ(FocusName(root), "none");
}

TEST_F(FocusWalk, KeyDownPressAndUpOfOneTabMoveTheFocusOnce) {
  b1.SetFocus();
  std::uint16_t key = VK_TAB;
  root.KeyDown(key, {});
  char c = '\t';
  root.KeyPress(c);
  key = VK_TAB;
  root.KeyUp(key, {});
  EXPECT_EQ(FocusName(root), "e1");
}

TEST_F(FocusWalk, AChildAddedToAHiddenPanelIsEffectivelyHidden) {
  panel.SetVisible(false);
  TGLButton& late = Place<TGLButton>(panel, 0, 0, 5, 5, "late");
  EXPECT_TRUE(late.Visible());
  EXPECT_FALSE(late.EffectiveVisible());
  panel.SetVisible(true);
  EXPECT_TRUE(late.EffectiveVisible());
}

TEST(MouseRouting, TheLastOverlappingChildTakesTheClickAndEdgesAreHalfOpen) {
  TGLPanel root;
  Place<TGLPanel>(root, 0, 0, 400, 300);
  TGLButton& under = Place<TGLButton>(root, 10, 10, 50, 20, "under");
  TGLButton& over = Place<TGLButton>(root, 30, 10, 50, 20, "over");
  int under_clicks = 0, over_clicks = 0;
  under.OnButtonClick = [&](TGLBaseControl&) { ++under_clicks; };
  over.OnButtonClick = [&](TGLBaseControl&) { ++over_clicks; };
  root.SetWidth(400);
  root.SetHeight(300);
  EXPECT_TRUE(root.MouseDown(mbLeft, ssLeft, 40, 15));
  root.MouseUp(mbLeft, {}, 40, 15);
  EXPECT_EQ(over_clicks, 1);
  EXPECT_EQ(under_clicks, 0);
  // x = Left + Width is outside the upper button; x = Left inside the lower one.
  root.MouseDown(mbLeft, ssLeft, 80, 15);
  root.MouseDown(mbLeft, ssLeft, 10, 15);
  EXPECT_EQ(over_clicks, 1);
  EXPECT_EQ(under_clicks, 1);
  EXPECT_FALSE(root.MouseDown(mbLeft, ssLeft, 400, 15));
}

TEST(MouseRouting, EnterAndLeaveFollowTheMouse) {
  TGLPanel root;
  root.SetWidth(200);
  root.SetHeight(200);
  TGLPanel& a = Place<TGLPanel>(root, 0, 0, 50, 50);
  TGLPanel& b = Place<TGLPanel>(root, 100, 0, 50, 50);
  std::vector<std::string> log;
  a.OnMouseEnter = [&](TGLBaseControl&) { log.push_back("enter a"); };
  a.OnMouseLeave = [&](TGLBaseControl&) { log.push_back("leave a"); };
  b.OnMouseEnter = [&](TGLBaseControl&) { log.push_back("enter b"); };
  root.MouseMove({}, 10, 10);
  root.MouseMove({}, 20, 10);
  root.MouseMove({}, 110, 10);
  root.MouseMove({}, 190, 190);
  EXPECT_EQ(log, (std::vector<std::string>{"enter a", "leave a", "enter b"}));
  EXPECT_EQ(root.EnteredControl(), nullptr);
}

// A layout whose "form" component has a 20-texel title bar.
class FormDrag : public ::testing::Test {
 protected:
  void SetUp() override {
    TGLGuiComponent& c = layout.GuiComponents().Add();
    c.Name = "form";
    TGLGuiElement& top = c.Elements().Add();
    top.Align = GLAlTop;
    top.TopLeft = {0, 0, 0};
    top.BottomRight = {10, 20, 0};
    root.SetWidth(400);
    root.SetHeight(300);
    form.SetGuiLayout(&layout);
    form.SetGuiLayoutName("form");
    form.SetRedrawAtOnce(true);
    form.SetLeft(10);
    form.SetTop(10);
    form.SetWidth(100);
    form.SetHeight(80);
  }
  void TearDown() override { form.SetGuiLayout(nullptr); }
  TGLGuiLayout layout;
  TGLPanel root;
  TGLForm& form = root.AddNewChild<TGLForm>();
  TGLButton& child = Place<TGLButton>(form, 20, 50, 20, 20, "child");
  TGLPanel& plain = Place<TGLPanel>(root, 200, 0, 200, 300);
};

TEST_F(FormDrag, ATitleDragOverAPlainPanelMovesTheFormAndItsChildren) {
  int plain_moves = 0;
  plain.OnMouseMove = [&](TGLBaseControl&, TShiftState, int, int) { ++plain_moves; };
  EXPECT_TRUE(root.MouseDown(mbLeft, ssLeft, 20, 15));
  EXPECT_TRUE(form.Moving());
  EXPECT_EQ(root.MouseCapture(), &form);
  root.MouseMove(ssLeft, 250, 100);
  EXPECT_FLOAT_EQ(form.Left(), 240);
  EXPECT_FLOAT_EQ(form.Top(), 95);
  EXPECT_FLOAT_EQ(child.Left(), 250);
  EXPECT_EQ(plain_moves, 0);
  root.MouseUp(mbLeft, {}, 250, 100);
  EXPECT_FALSE(form.Moving());
  EXPECT_EQ(root.MouseCapture(), nullptr);
  root.MouseMove({}, 380, 200);
  EXPECT_EQ(plain_moves, 1);
}

TEST_F(FormDrag, RightButtonInTheTitleAndARefusedMoveDoNothing) {
  int downs = 0;
  form.OnMouseDown = [&](TGLBaseControl&, TGLMouseButton, TShiftState, int, int) { ++downs; };
  root.MouseDown(mbRight, ssRight, 20, 15);
  EXPECT_FALSE(form.Moving());
  form.OnCanMove = [](TGLForm&, bool& can) { can = false; };
  root.MouseDown(mbLeft, ssLeft, 20, 15);
  EXPECT_FALSE(form.Moving());
  EXPECT_EQ(downs, 0);
  root.MouseDown(mbLeft, ssLeft, 20, 45);  // below the title
  EXPECT_EQ(downs, 1);
}

TEST_F(FormDrag, OnMovingClampsTheAppliedMove) {
  form.OnMoving = [](TGLForm&, float& left, float& top) {
    left = std::max(left, 0.0f);
    top = std::max(top, 0.0f);
  };
  root.MouseDown(mbLeft, ssLeft, 20, 15);
  root.MouseMove(ssLeft, 5, 5);
  EXPECT_FLOAT_EQ(form.Left(), 0);
  EXPECT_FLOAT_EQ(form.Top(), 0);
  EXPECT_FLOAT_EQ(child.Left(), 10);
}

TEST(Edit, TypingBackspaceDeleteHomeAndEnd) {
  TGLPanel root;
  root.SetWidth(200);
  root.SetHeight(100);
  TGLEdit& edit = Place<TGLEdit>(root, 0, 0, 100, 20);
  int changes = 0;
  edit.OnChange = [&](TGLBaseControl&) { ++changes; };
  root.MouseDown(mbLeft, ssLeft, 5, 5);
  ASSERT_TRUE(edit.Focused());
  EXPECT_EQ(edit.SelStart(), 1);
  Type(root, "a");
  EXPECT_EQ(edit.SelStart(), 2);
  Type(root, "bcd");
  EXPECT_EQ(edit.Caption(), "abcd");
  Key(root, VK_HOME);
  EXPECT_EQ(edit.SelStart(), 1);
  Key(root, VK_BACK);  // nothing before the caret
  Key(root, VK_DELETE);
  EXPECT_EQ(edit.Caption(), "bcd");
  Key(root, VK_RIGHT);
  Type(root, "X");
  EXPECT_EQ(edit.Caption(), "bXcd");
  Key(root, VK_END);
  EXPECT_EQ(edit.SelStart(), 5);
  Key(root, VK_DELETE);  // nothing after the caret
  Key(root, VK_BACK);
  EXPECT_EQ(edit.Caption(), "bXc");
  EXPECT_EQ(edit.SelStart(), 4);
  EXPECT_EQ(changes, 7);  // a, b, c, d, Delete, X, Backspace; the two no-ops do not count
}

TEST(Edit, ACaretSetOutsideTheTextIsClampedBeforeAnEdit) {
  TGLPanel root;
  TGLEdit& edit = Place<TGLEdit>(root, 0, 0, 100, 20);
  edit.SetCaption("abc");
  edit.SetFocus();
  edit.SetSelStart(40);
  Type(root, "d");
  EXPECT_EQ(edit.Caption(), "abcd");
  edit.SetSelStart(-3);
  Key(root, VK_DELETE);
  EXPECT_EQ(edit.Caption(), "bcd");
  EXPECT_EQ(edit.SelStart(), 1);
}

TEST(Groups, OneGroupOverAButtonAndACheckBoxKeepsOneOn) {
  TGLPanel root;
  TGLButton& b1 = Place<TGLButton>(root, 0, 0, 10, 10);
  TGLButton& b2 = Place<TGLButton>(root, 20, 0, 10, 10);
  TGLCheckBox& box = Place<TGLCheckBox>(root, 40, 0, 10, 10);
  for (TGLButton* b : {&b1, &b2}) b->SetGroup(0);
  box.SetGroup(0);
  int clicks1 = 0, clicks2 = 0;
  b1.OnButtonClick = [&](TGLBaseControl&) { ++clicks1; };
  b2.OnButtonClick = [&](TGLBaseControl&) { ++clicks2; };
  b1.SetPressed(true);
  b2.SetPressed(true);
  EXPECT_FALSE(b1.Pressed());
  EXPECT_EQ(clicks1, 1);
  EXPECT_EQ(clicks2, 1);
  box.SetChecked(true);
  EXPECT_FALSE(b2.Pressed());
  b1.SetPressed(true);
  EXPECT_FALSE(box.Checked());
  // A pressed button that joins the group of a checked box switches the box off.
  TGLButton& b3 = Place<TGLButton>(root, 60, 0, 10, 10);
  box.SetChecked(true);
  EXPECT_FALSE(b1.Pressed());
  b3.SetPressed(true);
  b3.SetGroup(0);
  EXPECT_FALSE(box.Checked());
  EXPECT_TRUE(b3.Pressed());
}

TEST(Groups, AnUngroupedButtonIsDownFromPressToRelease) {
  TGLPanel root;
  root.SetWidth(100);
  root.SetHeight(100);
  TGLButton& b = Place<TGLButton>(root, 0, 0, 10, 10);
  root.MouseDown(mbLeft, ssLeft, 5, 5);
  EXPECT_TRUE(b.Pressed());
  root.MouseUp(mbLeft, {}, 5, 5);
  EXPECT_FALSE(b.Pressed());
  b.SetAllowUp(true);
  root.MouseDown(mbLeft, ssLeft, 5, 5);
  root.MouseDown(mbLeft, ssLeft, 5, 5);
  EXPECT_FALSE(b.Pressed());
}

TEST(Grid, RowsGrowShrinkAndPageByTheScrollBar) {
  TGLPanel root;
  TGLStringGrid& grid = Place<TGLStringGrid>(root, 0, 0, 100, 100);
  TGLScrollbar& bar = Place<TGLScrollbar>(root, 0, 0, 10, 100);
  grid.SetRowCount(3);
  EXPECT_NE(grid.Row(2), nullptr);
  EXPECT_EQ(grid.Row(3), nullptr);
  grid.SetRowCount(0);
  EXPECT_EQ(grid.Row(0), nullptr);
  grid.SetRowHeight(20);
  grid.SetScrollbar(&bar);
  grid.SetRowCount(10);
  EXPECT_EQ(grid.VisibleRows(), 4);
  int first = 0, last = 0;
  grid.RowRange(first, last);
  EXPECT_EQ(first, 0);
  EXPECT_EQ(last, 3);
  bar.SetPos(5);
  grid.RowRange(first, last);
  EXPECT_EQ(first, 4);
  EXPECT_EQ(last, 7);
  bar.SetPos(100);  // clamped to Max − PageSize + 1 = 7
  grid.RowRange(first, last);
  EXPECT_EQ(last, 9);
  grid.SetRowHeight(0);
  grid.RowRange(first, last);
  EXPECT_LT(last, first);
  grid.SetScrollbar(nullptr);
}

TEST(Scrollbar, RangeRulesAndAnEmptyRange) {
  TGLScrollbar bar;
  bar.SetPos(9);
  EXPECT_EQ(bar.Pos(), 8);
  int below = 0;
  bar.OnChange = [&](TGLBaseControl&) { ++below; };
  bar.SetPos(-4);  // below Min (1): Min
  EXPECT_EQ(bar.Pos(), 1);
  EXPECT_EQ(below, 1);
  bar.SetPos(0.5f);
  EXPECT_EQ(bar.Pos(), 1);
  EXPECT_EQ(below, 1);
  bar.OnChange = nullptr;
  bar.SetPos(8);
  bar.SetMax(0);
  EXPECT_EQ(bar.Max(), bar.Min());
  EXPECT_EQ(bar.PixelToPos(37), bar.Min());
  int changes = 0;
  bar.OnChange = [&](TGLBaseControl&) { ++changes; };
  bar.SetPos(bar.Pos());
  EXPECT_EQ(changes, 0);
}

// A vertical bar 20 × 100 whose track has 10-pixel arrows: the centre runs from 10 to 90.
class ScrollbarDrag : public ::testing::Test {
 protected:
  void SetUp() override {
    TGLGuiComponent& track = layout.GuiComponents().Add();
    track.Name = "track";
    for (auto [align, y] : {std::pair{GLAlTop, 0.0f}, {GLAlBottom, 10.0f}, {GLAlCenter, 20.0f}}) {
      TGLGuiElement& e = track.Elements().Add();
      e.Align = align;
      e.TopLeft = {0, y, 0};
      e.BottomRight = {20, y + 10, 0};
    }
    root.SetWidth(400);
    root.SetHeight(300);
    bar.SetGuiLayout(&layout);
    bar.SetGuiLayoutName("track");
  }
  void TearDown() override {
    if (root.ChildCount() > 0) bar.SetGuiLayout(nullptr);
  }
  TGLGuiLayout layout;
  TGLPanel root;
  TGLScrollbar& bar = Place<TGLScrollbar>(root, 100, 0, 20, 100);
};

TEST_F(ScrollbarDrag, TheCaptureHoldsADragOutsideTheBar) {
  root.MouseDown(mbLeft, ssLeft, 110, 15);  // on the knob (positions 1 to 3): p = 1.5625
  ASSERT_TRUE(bar.Dragging());
  EXPECT_EQ(root.MouseCapture(), &bar);
  root.MouseMove(ssLeft, 300, 50);  // p = 5.5, less the offset 0.5625
  EXPECT_EQ(bar.Pos(), 5);
  root.MouseUp(mbLeft, {}, 300, 50);
  EXPECT_FALSE(bar.Dragging());
  EXPECT_EQ(root.MouseCapture(), nullptr);
  root.MouseMove({}, 300, 80);
  EXPECT_EQ(bar.Pos(), 5);
}

TEST_F(ScrollbarDrag, TrackClicksPageAndArrowsStep) {
  root.MouseDown(mbLeft, ssLeft, 110, 80);  // below the knob
  EXPECT_EQ(bar.Pos(), 4);
  root.MouseDown(mbLeft, ssLeft, 110, 95);  // the lower arrow
  EXPECT_EQ(bar.Pos(), 5);
  root.MouseDown(mbLeft, ssLeft, 110, 12);  // above the knob
  EXPECT_EQ(bar.Pos(), 2);
  root.MouseDown(mbLeft, ssLeft, 110, 5);  // the upper arrow
  EXPECT_EQ(bar.Pos(), 1);
}

TEST_F(ScrollbarDrag, ABarDestroyedMidDragLeavesNoCaptureBehind) {
  root.MouseDown(mbLeft, ssLeft, 110, 15);
  ASSERT_EQ(root.MouseCapture(), &bar);
  bar.SetGuiLayout(nullptr);
  root.Remove(bar, false).reset();
  EXPECT_EQ(root.MouseCapture(), nullptr);
  EXPECT_FALSE(root.MouseMove(ssLeft, 500, 50));
  EXPECT_TRUE(root.MouseMove(ssLeft, 300, 50));
}

TEST(CustomControl, AHundredBySixtyBitmapGoesUpAs128By64) {
  TGLCustomControl control;
  TBitmap bitmap(100, 60, pf32bit);
  control.SetBitmap(bitmap);
  EXPECT_TRUE(control.Invalid());
  control.UpdateTexture();
  ASSERT_NE(control.UploadBitmap(), nullptr);
  EXPECT_EQ(control.UploadBitmap()->Width(), 128);
  EXPECT_EQ(control.UploadBitmap()->Height(), 64);
  EXPECT_FLOAT_EQ(control.ScaleU(), 0.78125f);
  EXPECT_FLOAT_EQ(control.ScaleV(), 0.9375f);
}

TEST(CustomControl, AChangingBitmapGoesUpEveryThirdFrameWithACountOfTwo) {
  TGLCustomControl control;
  control.SetMaxInvalidRenderCount(2);
  std::vector<bool> uploads;
  for (int frame = 0; frame < 6; ++frame) {
    control.SetBitmap(TBitmap(4, 4, pf32bit));
    control.UpdateTexture();
    uploads.push_back(!control.Invalid());
  }
  EXPECT_EQ(uploads, (std::vector<bool>{false, false, true, false, false, true}));
}

TEST(DeferredChanges, MovesWaitForApplyPendingChangesUnlessRedrawAtOnce) {
  TGLPanel root;
  TGLPanel& panel = Place<TGLPanel>(root, 10, 20, 50, 50);
  TGLButton& child = Place<TGLButton>(panel, 15, 25, 10, 10);
  panel.MoveBy(5, -5);
  EXPECT_FLOAT_EQ(panel.Left(), 10);
  EXPECT_FLOAT_EQ(child.Top(), 25);
  EXPECT_TRUE(panel.RedrawPending());
  panel.SetDoChangesOnProgress(true);
  panel.DoProgress({0.1, 0.1});
  EXPECT_FLOAT_EQ(panel.Left(), 15);
  EXPECT_FLOAT_EQ(panel.Top(), 15);
  EXPECT_FLOAT_EQ(child.Left(), 20);
  EXPECT_FLOAT_EQ(child.Top(), 20);
  EXPECT_FALSE(panel.RedrawPending());
  EXPECT_FLOAT_EQ(panel.PendingMoveX(), 0);
  panel.SetRedrawAtOnce(true);
  panel.MoveBy(1, 1);
  EXPECT_FLOAT_EQ(panel.Left(), 16);
  EXPECT_FLOAT_EQ(child.Left(), 21);  // the child keeps its move pending until it is applied
}

TEST(DeferredChanges, AlphaIsClampedIntoZeroToOne) {
  TGLPanel panel;
  for (auto [set, stored] : {std::pair{-0.5f, 0.0f}, {0.25f, 0.25f}, {3.0f, 1.0f}}) {
    panel.SetAlphaChannel(set);
    EXPECT_FLOAT_EQ(panel.AlphaChannel(), stored);
  }
}

// A menu 100 wide whose centre area starts 10 down: lines of 16 from there.
class PopupClicks : public ::testing::Test {
 protected:
  void SetUp() override {
    font.SetCharHeight(16);
    root.SetWidth(400);
    root.SetHeight(300);
    menu.SetBitmapFont(&font);
    menu.SetMenuItems({"one", "two"});
    menu.OnClick = [this](TGLPopupMenu&, int index, const std::string& text) { clicked.emplace_back(index, text); };
    TGLGuiComponent c;
    TGLGuiElement& top = c.Elements().Add();
    top.Align = GLAlTop;
    top.BottomRight = {10, 10, 0};
    TGLGuiLayout::ComputeAreas(c, menu.Areas(), 0, 0, menu.Width(), menu.Height(), 1);
    menu.SetFocus();
  }
  void TearDown() override { menu.SetBitmapFont(nullptr); }
  TGLBitmapFont font;
  TGLPanel root;
  TGLPopupMenu& menu = Place<TGLPopupMenu>(root, 50, 50, 100, 80);
  std::vector<std::pair<int, std::string>> clicked;
};

TEST_F(PopupClicks, AClickOnAnItemReportsItAndHidesTheMenu) {
  root.MouseMove({}, 60, 80);  // 20 below the centre's top: line 1
  EXPECT_EQ(menu.SelIndex(), 1);
  root.MouseDown(mbLeft, ssLeft, 60, 80);
  EXPECT_EQ(clicked, (std::vector<std::pair<int, std::string>>{{1, "two"}}));
  EXPECT_FALSE(menu.Visible());
}

TEST_F(PopupClicks, AClickBelowTheItemsNeitherReportsNorHides) {
  root.MouseMove({}, 60, 110);  // line 3: past the end, nothing highlighted
  EXPECT_EQ(menu.SelIndex(), 3);
  root.MouseDown(mbLeft, ssLeft, 60, 110);
  EXPECT_TRUE(clicked.empty());
  EXPECT_TRUE(menu.Visible());
}

TEST_F(PopupClicks, LosingTheFocusHidesTheMenu) {
  TGLButton& other = Place<TGLButton>(root, 300, 0, 10, 10);
  other.SetFocus();
  EXPECT_FALSE(menu.Visible());
}

TEST(GridClicks, AClickSelectsTheCellUnderItAndBelowTheRowsNothing) {
  TGLBitmapFont font;
  TGLPanel root;
  root.SetWidth(400);
  root.SetHeight(300);
  TGLStringGrid& grid = Place<TGLStringGrid>(root, 0, 0, 200, 200);
  grid.SetBitmapFont(&font);
  grid.SetColumnSize(50);
  grid.SetColumns({"a", "b", "c"});
  grid.SetRowHeight(20);
  grid.SetRowCount(3);
  grid.SetCell(1, 2, "x");
  EXPECT_EQ(grid.Cell(1, 2), "x");
  EXPECT_EQ(grid.Cell(5, 2), "");
  EXPECT_EQ(grid.Cell(1, 7), "");
  // Header 0..20, rows from 20: (75, 65) is column 1, row 2.
  root.MouseDown(mbLeft, ssLeft, 75, 65);
  EXPECT_EQ(grid.SelCol(), 1);
  EXPECT_EQ(grid.SelRow(), 2);
  EXPECT_TRUE(grid.Focused());
  root.MouseDown(mbLeft, ssLeft, 25, 25);  // column 0, row 0
  EXPECT_EQ(grid.SelCol(), 0);
  EXPECT_EQ(grid.SelRow(), 0);
  root.MouseDown(mbLeft, ssLeft, 75, 95);  // below the third row: nothing
  EXPECT_EQ(grid.SelCol(), 0);
  EXPECT_EQ(grid.SelRow(), 0);
  root.MouseDown(mbLeft, ssLeft, 175, 25);  // right of the columns: nothing
  EXPECT_EQ(grid.SelCol(), 0);
  grid.SetBitmapFont(nullptr);
}

TEST(CheckBox, EveryButtonTogglesIt) {
  TGLPanel root;
  root.SetWidth(100);
  root.SetHeight(100);
  TGLCheckBox& box = Place<TGLCheckBox>(root, 0, 0, 10, 10);
  int changes = 0;
  box.OnChange = [&](TGLBaseControl&) { ++changes; };
  root.MouseDown(mbRight, ssRight, 5, 5);
  EXPECT_TRUE(box.Checked());
  root.MouseUp(mbRight, {}, 5, 5);
  EXPECT_TRUE(box.Checked());
  root.MouseDown(mbMiddle, ssMiddle, 5, 5);
  EXPECT_FALSE(box.Checked());
  EXPECT_EQ(changes, 2);
}

// Each class registers itself from its own file: nothing is called first.
TEST(Registration, TheFontTextHUDAndWidgetClassesAreMadeByName) {
  for (const char* name : {"TGLGuiLayout", "TGLBitmapFont", "TGLWindowsBitmapFont", "TGLStoredBitmapFont", "TGLFlatText", "TGLHUDSprite",
                           "TGLHUDText", "TGLBaseControl", "TGLPopupMenu", "TGLForm", "TGLPanel", "TGLButton",
                           "TGLCheckBox", "TGLEdit", "TGLLabel", "TGLAdvancedLabel", "TGLScrollbar", "TGLStringGrid",
                           "TGLCustomControl"}) {
    TComponentFactory factory = GetComponentClass(name);
    ASSERT_NE(factory, nullptr) << name;
    EXPECT_STREQ(factory()->ClassName(), name);
  }
}

}  // namespace
}  // namespace zentrova::test
