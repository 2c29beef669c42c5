// A viewer on the virtual X server with a skinned form, two buttons and an edit, all captioned, driven by
// QTest through the input adapter: Tab and Backtab, a click, typed text, and the screen against a committed
// picture.
#include <gtest/gtest.h>

#include <QtGui/QImage>
#include <QtGui/QKeyEvent>
#include <QtGui/QScreen>
#include <QtGui/QWindow>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>

#include <cstdlib>
#include <memory>
#include <string>

#include "qt_test_application.h"
#include "scene/core/camera.h"
#include "scene/core/stage.h"
#include "scene/extras/widgets/button.h"
#include "scene/extras/widgets/edit.h"
#include "scene/extras/text/windows_bitmap_font.h"
#include "scene/extras/widgets/form.h"
#include "scene/gl/egl_context.h"
#include "scene/gl/platform_helpers.h"
#include "scene/gl/gl_fixtures.h"
#include "scene/materials/material.h"
#include "scene/materials/texture.h"
#include "scene/materials/texture_image.h"
#include "scene/qt/input_adapter.h"
#include "scene/qt/stage_viewer.h"

namespace zentrova {
namespace {

void StartApplication() {
  static int argc = 1;
  static char name[] = "zentrova-test";
  static char* argv[] = {name, nullptr};
  static QApplication application(argc, argv);
  RegisterEGLContextClass();
  test::KeepGLDriverLoaded();
}

bool NextFrame(TGLStageViewer& viewer) {
  const int frames = viewer.Buffer().FrameCount();
  viewer.update();
  return test::PumpEventsUntil([&] { return viewer.Buffer().FrameCount() > frames; });
}

// A 4 × 4 skin: texel (i, 0) for the form's frame, (i, 1) for buttons up, down and the edit.
void MakeSkin(TGLGuiLayout& layout) {
  TBitmap skin(4, 4, pf24bit);
  const std::uint32_t colors[16] = {0x404060, 0xC0C0D0, 0x404060, 0,  //
                                    0x3070C0, 0xC03030, 0xF0F0F0, 0,  //
                                    0, 0, 0, 0, 0, 0, 0, 0};
  for (int i = 0; i < 16; ++i) skin.SetPixel(i % 4, i / 4, 0xFF000000u | colors[i]);
  TGLTexture& texture = layout.Material().Texture();
  texture.SetTextureMode(tmReplace);
  texture.SetMinFilter(miNearest);
  texture.SetMagFilter(maNearest);
  static_cast<TGLPersistentImage&>(texture.Image()).Picture().SetGraphic(&skin);
  texture.SetDisabled(false);
  const auto add = [&layout](const char* name, std::initializer_list<std::pair<TGUIAlignments, int>> cells) {
    TGLGuiComponent& c = layout.GuiComponents().Add();
    c.Name = name;
    for (auto [align, texel] : cells) {
      TGLGuiElement& e = c.Elements().Add();
      e.Align = align;
      e.TopLeft = {float(texel % 4), float(texel / 4), 0};
      e.BottomRight = {float(texel % 4 + 1), float(texel / 4 + 1), 0};
      e.Scale = align == GLAlTop ? TAffineVector{1, 20, 0} : TAffineVector{4, 4, 0};
    }
  };
  add("form", {{GLAlTopLeft, 0}, {GLAlTopRight, 0}, {GLAlBottomLeft, 0}, {GLAlBottomRight, 0}, {GLAlTop, 0},
               {GLAlLeft, 0}, {GLAlRight, 0}, {GLAlBottom, 0}, {GLAlCenter, 1}});
  add("up", {{GLAlCenter, 4}});
  add("down", {{GLAlCenter, 5}});
  add("edit", {{GLAlCenter, 6}});
}

class WidgetsOnScreen : public ::testing::Test {
 protected:
  void SetUp() override {
    StartApplication();
    MakeSkin(layout);
    font.Font().SetName("Liberation Sans");
    font.Font().SetSize(9);
    camera.Position().SetZ(10);
    viewer->SetCamera(&camera);
    viewer->Buffer().SetBackgroundColor(0);
    viewer->setGeometry(0, 0, 240, 160);
    root.SetWidth(240);
    root.SetHeight(160);
    form.SetGuiLayout(&layout);
    form.SetGuiLayoutName("form");
    form.SetCaption("Zentrova");
    form.SetTitleColor(MakeRGBColor(255, 255, 255));
    Place(form, 20, 10, 200, 140);
    for (TGLButton* b : {&ok, &cancel}) {
      b->SetGuiLayout(&layout);
      b->SetGuiLayoutName("up");
      b->SetGuiLayoutNamePressed("down");
      b->SetDefaultColor(MakeRGBColor(255, 255, 255));
      b->SetFocusedColor(MakeRGBColor(255, 255, 0));
    }
    ok.SetCaption("OK");
    cancel.SetCaption("Cancel");
    Place(ok, 40, 50, 70, 30);
    Place(cancel, 130, 50, 70, 30);
    edit.SetGuiLayout(&layout);
    edit.SetGuiLayoutName("edit");
    edit.SetCaption("Text");
    for (TGLBaseFontControl* c : std::initializer_list<TGLBaseFontControl*>{&form, &ok, &cancel, &edit}) {
      c->SetBitmapFont(&font);
    }
    Place(edit, 40, 100, 160, 30);
    ok.OnButtonClick = [this](TGLBaseControl&) { ++clicks; };
    adapter.Attach(&root);
    top->setGeometry(300, 750, 240, 160);  // clear of the other gui tests' windows
    top->show();
    ASSERT_TRUE(test::PumpEventsUntil([this] { return top->windowHandle()->isExposed(); }));
    QApplication::processEvents();
    viewer->setFocus();
    ASSERT_TRUE(NextFrame(*viewer));
  }
  void TearDown() override {
    adapter.Attach(nullptr);
    for (TGLBaseFontControl* c : std::initializer_list<TGLBaseFontControl*>{&ok, &cancel, &edit, &form}) {
      c->SetBitmapFont(nullptr);
      c->SetGuiLayout(nullptr);
    }
    stage.Objects().DeleteChildren();
  }
  static void Place(TGLBaseComponent& c, float left, float top, float width, float height) {
    c.SetLeft(left);
    c.SetTop(top);
    c.SetWidth(width);
    c.SetHeight(height);
  }
  std::string FocusName() {
    TGLFocusControl* f = root.FocusedControl();
    return f == &ok ? "ok" : f == &cancel ? "cancel" : f == &edit ? "edit" : f == nullptr ? "none" : "?";
  }

  TGLWindowsBitmapFont font;
  TGLGuiLayout layout;
  TGLStage stage;
  TGLCamera& camera = stage.Cameras().AddNewChild<TGLCamera>();
  TGLPanel& root = stage.Objects().AddNewChild<TGLPanel>();
  TGLForm& form = root.AddNewChild<TGLForm>();
  TGLButton& ok = form.AddNewChild<TGLButton>();
  TGLButton& cancel = form.AddNewChild<TGLButton>();
  TGLEdit& edit = form.AddNewChild<TGLEdit>();
  std::unique_ptr<QWidget> top = (StartApplication(), std::make_unique<QWidget>());
  TGLStageViewer* viewer = new TGLStageViewer(top.get());
  TGLInputAdapter& adapter = *new TGLInputAdapter(*viewer);
  int clicks = 0;
};

TEST_F(WidgetsOnScreen, TabAndBacktabWalkTheWidgets) {
  ok.SetFocus();
  QTest::keyClick(viewer, Qt::Key_Tab);
  EXPECT_EQ(FocusName(), "cancel");
  QTest::keyClick(viewer, Qt::Key_Tab);
  EXPECT_EQ(FocusName(), "edit");
  QTest::keyClick(viewer, Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(FocusName(), "cancel");
  QTest::keyClick(viewer, Qt::Key_Tab, Qt::ShiftModifier);
  EXPECT_EQ(FocusName(), "ok");
}

TEST_F(WidgetsOnScreen, AClickFiresOnButtonClickOnce) {
  QTest::mouseClick(viewer, Qt::LeftButton, Qt::NoModifier, QPoint(75, 65));
  EXPECT_EQ(clicks, 1);
  EXPECT_FALSE(ok.Pressed());
  EXPECT_TRUE(ok.Focused());
  QTest::mouseClick(viewer, Qt::LeftButton, Qt::NoModifier, QPoint(165, 65));
  EXPECT_EQ(clicks, 1);
}

TEST_F(WidgetsOnScreen, TypedTextReachesTheFocusedEdit) {
  QTest::mouseClick(viewer, Qt::LeftButton, Qt::NoModifier, QPoint(100, 115));
  ASSERT_TRUE(edit.Focused());
  edit.SetCaption("");
  QTest::keyClicks(viewer, "Ab1");
  QTest::keyClick(viewer, Qt::Key_Backspace);
  QTest::keyClick(viewer, Qt::Key_Home);
  QTest::keyClick(viewer, Qt::Key_Delete);
  // é is 0xE9 in code page 1252 (QTest types ASCII only: the event is made here).
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Eacute, Qt::NoModifier, QString::fromUtf8("\xC3\xA9"));
  QApplication::sendEvent(viewer, &press);
  EXPECT_EQ(edit.Caption(), "\xE9" "b");
}

TEST_F(WidgetsOnScreen, TheScreenMatchesTheCommittedPicture) {
  ok.SetPressed(true);
  ASSERT_TRUE(NextFrame(*viewer));
  QApplication::processEvents();
  const QImage shot = QGuiApplication::primaryScreen()->grabWindow(viewer->winId()).toImage().convertToFormat(
      QImage::Format_RGB32);
  const std::string golden = std::string(ZENTROVA_TEST_DATA) + "/scene/qt/widgets.png";
  if (std::getenv("ZENTROVA_WRITE_GOLDEN") != nullptr) shot.save(QString::fromStdString(golden));
  const QImage expected = QImage(QString::fromStdString(golden)).convertToFormat(QImage::Format_RGB32);
  ASSERT_FALSE(expected.isNull()) << golden;
  ASSERT_EQ(shot.size(), expected.size());
  int worst = 0;
  for (int y = 0; y < shot.height(); ++y) {
    for (int x = 0; x < shot.width(); ++x) {
      const QColor a = shot.pixelColor(x, y), b = expected.pixelColor(x, y);
      worst = std::max({worst, std::abs(a.red() - b.red()), std::abs(a.green() - b.green()), std::abs(a.blue() - b.blue())});
    }
  }
  EXPECT_LE(worst, 3);
  // The pressed button's colour where it stands.
  const QColor pressed = shot.pixelColor(75, 65);
  EXPECT_NEAR(pressed.red(), 0xC0, 3);
  EXPECT_NEAR(pressed.green(), 0x30, 3);
  // Each caption inked in its own colour over its skin: the form's title and the buttons' white, the
  // edit's black.
  const auto inked = [&shot](QRect box, QColor ink) {
    int n = 0;
    for (int y = box.top(); y <= box.bottom(); ++y) {
      for (int x = box.left(); x <= box.right(); ++x) {
        const QColor c = shot.pixelColor(x, y);
        n += std::abs(c.red() - ink.red()) < 40 && std::abs(c.green() - ink.green()) < 40 &&
             std::abs(c.blue() - ink.blue()) < 40;
      }
    }
    return n;
  };
  EXPECT_GT(inked(QRect(20, 10, 200, 20), Qt::white), 20) << "form title";
  EXPECT_GT(inked(QRect(40, 50, 70, 30), Qt::white), 10) << "OK";
  EXPECT_GT(inked(QRect(130, 50, 70, 30), Qt::white), 20) << "Cancel";
  EXPECT_GT(inked(QRect(40, 100, 160, 30), Qt::black), 20) << "edit";
}

}  // namespace
}  // namespace zentrova
