// The window and full-screen viewers on the virtual X server (1280 × 1024 at depth 24): what reaches the
// screen, changes, resizes, new native windows, the order of destruction, full screen and its pop-up menu.
#include <gtest/gtest.h>

#include <QtGui/QImage>
#include <QtGui/QPixmap>
#include <QtGui/QScreen>
#include <QtGui/QMouseEvent>
#include <QtGui/QWindow>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QMenu>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "qt_test_application.h"
#include "scene/display/display_modes.h"
#include "scene/pictures/picture.h"
#include "scene/core/viewer_scene.h"
#include "scene/gl/egl_context.h"
#include "scene/gl/gl_fixtures.h"
#include "scene/qt/full_screen_viewer.h"
#include "scene/qt/native_window_context.h"
#include "scene/qt/stage_viewer.h"

// Last: Xlib's macros (None, Bool, Status) would clash with the names of the headers above.
#include <X11/Xlib.h>

namespace zentrova {
namespace {

using test::RGB;
constexpr RGB kRed{255, 0, 0}, kBlue{0, 0, 255};

void StartApplication() {
  static int argc = 1;
  static char name[] = "zentrova-test";
  static char* argv[] = {name, nullptr};
  static QApplication application(argc, argv);
  RegisterEGLContextClass();
  test::KeepGLDriverLoaded();
}

// Pixel (x, y) of the screen's picture of a window (0: the whole screen), as the X server holds it.
RGB ScreenAt(WId window, int x, int y) {
  const QColor c = QGuiApplication::primaryScreen()->grabWindow(window).toImage().pixelColor(x, y);
  return {std::uint8_t(c.red()), std::uint8_t(c.green()), std::uint8_t(c.blue())};
}

void ExpectNear(RGB actual, RGB expected, const char* where) {
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(actual[i], expected[i], 2) << where << " channel " << i;
}

// Paints until one more frame has been drawn.
bool NextFrame(TGLStageViewer& viewer) {
  const int frames = viewer.Buffer().FrameCount();
  viewer.update();
  return test::PumpEventsUntil([&] { return viewer.Buffer().FrameCount() > frames; });
}

class StageViewerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StartApplication();
    viewer_->setGeometry(0, 0, 160, 120);
    scene_.Show(viewer_->Buffer(), kBlue);
    top_->setGeometry(600, 400, 200, 150);  // away from the windows other test programs map at (0, 0)
    top_->show();
    // The first frame after the window is on the screen: an exposure clears what was drawn before.
    ASSERT_TRUE(test::PumpEventsUntil([this] { return top_->windowHandle()->isExposed(); }));
    QApplication::processEvents();
    ASSERT_TRUE(NextFrame(*viewer_));
  }
  test::TQuadScene scene_;
  std::unique_ptr<QWidget> top_ = (StartApplication(), std::make_unique<QWidget>());
  TGLStageViewer* viewer_ = new TGLStageViewer(top_.get());
};

TEST_F(StageViewerTest, TheScreenShowsTheFrameThatCopyWindowToBitmapReads) {
  // The copy draws a frame, reads it and swaps it to the window: the screen then shows that frame.
  const std::unique_ptr<TBitmap> copy = viewer_->CopyWindowToBitmap();
  const QImage screen = QGuiApplication::primaryScreen()->grabWindow(viewer_->winId()).toImage();
  ExpectNear(ScreenAt(viewer_->winId(), 80, 60), kRed, "centre");
  ExpectNear(ScreenAt(viewer_->winId(), 2, 2), kBlue, "corner");
  ASSERT_EQ((std::array{copy->Width(), copy->Height(), screen.width()}), (std::array{160, 120, 160}));
  int differing = 0;
  for (int i = 0; i < 160 * 120; ++i)
    differing += ((copy->Pixel(i % 160, i / 160) ^ screen.pixel(i % 160, i / 160)) & 0xFFFFFF) != 0;
  EXPECT_EQ(differing, 0);
}

TEST_F(StageViewerTest, ChangesOnAnotherThreadResizesAndStructuralChangesReachTheScreen) {
  const int frames = viewer_->Buffer().FrameCount();
  std::thread([this] {
    const auto lock = scene_.stage.Lock();
    scene_.quad.Position().SetX(1);  // the notice reaches the buffer on this thread
  }).join();
  EXPECT_TRUE(test::PumpEventsUntil([&] { return viewer_->Buffer().FrameCount() > frames; }));
  viewer_->resize(240, 90);
  ASSERT_TRUE(NextFrame(*viewer_));
  // The quad covers the middle half of each side of the new size.
  const std::pair<std::array<int, 2>, RGB> expected[] = {
      {{66, 45}, kRed}, {{54, 45}, kBlue}, {{174, 45}, kRed}, {{120, 20}, kBlue}, {{120, 25}, kRed}};
  for (const auto& [at, colour] : expected)
    ExpectNear(ScreenAt(viewer_->winId(), at[0], at[1]), colour, "resized");
  // A structural change makes a new native window, and the viewer goes on drawing on it.
  const WId old_window = viewer_->winId();
  viewer_->Buffer().SetContextOptions(viewer_->Buffer().ContextOptions() | roStencilBuffer);
  EXPECT_NE(viewer_->winId(), old_window);
  ASSERT_TRUE(NextFrame(*viewer_));
  ExpectNear(ScreenAt(viewer_->winId(), 120, 45), kRed, "centre in the new window");
  EXPECT_EQ(viewer_->Buffer().RenderingContext()->StencilBits(), 8);
}

// An EGL context that notes whether its window still existed (asked on a connection of its own) when it
// was destroyed.
struct TWatchingContext : TGLEGLContext {
  static inline std::vector<bool> window_existed;
  ~TWatchingContext() override {
    if (IsValid()) Release();  // here, while the override below still exists
  }
  void DoDestroyContext() override {
    static ::Display* display = XOpenDisplay(nullptr);
    static bool failed;
    failed = false;
    const auto previous = XSetErrorHandler([](::Display*, XErrorEvent*) { return failed = true, 0; });
    XWindowAttributes attributes;
    XGetWindowAttributes(display, DeviceContext().x_window, &attributes);
    XSync(display, False);
    XSetErrorHandler(previous);
    window_existed.push_back(!failed);
    TGLEGLContext::DoDestroyContext();
  }
};

TEST(StageViewerLifetime, DeletingTheParentFreesTheContextBeforeTheWindow) {
  StartApplication();
  const std::vector<TGLContextClass> classes = TakeContextClasses();
  AddContextClass([]() -> std::unique_ptr<TGLContext> { return std::make_unique<TWatchingContext>(); });
  test::TQuadScene scene;
  auto top = std::make_unique<QWidget>();
  auto* viewer = new TGLStageViewer(top.get());
  scene.Show(viewer->Buffer(), kBlue);
  top->show();
  EXPECT_TRUE(NextFrame(*viewer));
  static std::vector<std::string> warnings;  // Qt's reports of X errors among them
  const QtMessageHandler previous =
      qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& text) {
        warnings.push_back(text.toStdString());
      });
  top.reset();
  XSync(static_cast<Display*>(ApplicationXDisplay()), False);
  QApplication::processEvents();
  qInstallMessageHandler(previous);
  EXPECT_TRUE(warnings.empty()) << warnings.front();
  TakeContextClasses();
  for (const TGLContextClass c : classes) AddContextClass(c);
  EXPECT_EQ(TWatchingContext::window_existed, std::vector<bool>{true});
}

// ---- Full screen

TEST(FullScreenViewer, AtTheDesktopsSizeItRendersWithoutASwitch) {
  StartApplication();
  SetDisplayModeSource(NewXRandRModeSource());
  EXPECT_EQ(DisplayMode(0).Description, "default");
  EXPECT_EQ((std::array<int, 3>{DisplayMode(0).Width, DisplayMode(0).Height, DisplayMode(0).ColorDepth}),
            (std::array{1280, 1024, 32}));
  test::TQuadScene scene;
  TGLFullScreenViewer viewer;
  viewer.SetWidth(1280);
  viewer.SetHeight(1024);
  scene.Show(viewer.Buffer(), kBlue);
  viewer.SetActive(true);
  EXPECT_FALSE(viewer.DisplaySwitched());
  EXPECT_EQ(CurrentDisplayMode(), 0);
  ASSERT_NE(viewer.Form(), nullptr);
  EXPECT_TRUE(viewer.Form()->windowState() & Qt::WindowFullScreen);
  ASSERT_TRUE(test::PumpEventsUntil([&] { return viewer.Buffer().FrameCount() > 0; }));
  ExpectNear(ScreenAt(0, 640, 512), kRed, "centre of the screen");
  ExpectNear(ScreenAt(0, 1270, 1014), kBlue, "corner of the screen");
  viewer.SetActive(false);
  EXPECT_EQ(viewer.Form(), nullptr);
}

TEST(FullScreenViewer, ItsPopupMenuOpensWhereTheRightButtonIsPressed) {
  StartApplication();
  SetDisplayModeSource(NewXRandRModeSource());
  test::TQuadScene scene;
  TGLFullScreenViewer viewer;
  viewer.SetWidth(1280);
  viewer.SetHeight(1024);
  scene.Show(viewer.Buffer(), kBlue);
  auto menu = std::make_unique<QMenu>();
  menu->addAction("Stop");
  viewer.SetPopupMenu(menu.get());
  std::vector<Qt::MouseButton> downs;
  viewer.OnMouseDown = [&downs](QMouseEvent& event) { downs.push_back(event.button()); };
  viewer.SetActive(true);
  ASSERT_TRUE(test::PumpEventsUntil([&] { return viewer.Buffer().FrameCount() > 0; }));
  QWindow* form = viewer.Form()->windowHandle();
  const QPoint at(300, 200);
  QTest::mouseClick(form, Qt::LeftButton, Qt::NoModifier, at);
  QApplication::processEvents();
  EXPECT_FALSE(menu->isVisible()) << "the left button";
  // Pressed only: a release over the menu just opened would be taken as a choice.
  QTest::mousePress(form, Qt::RightButton, Qt::NoModifier, at);
  ASSERT_TRUE(test::PumpEventsUntil([&] { return menu->isVisible(); }));
  EXPECT_EQ(menu->geometry().topLeft(), viewer.Form()->mapToGlobal(at));
  EXPECT_EQ(downs, (std::vector<Qt::MouseButton>{Qt::LeftButton, Qt::RightButton}));
  menu->close();
  QTest::mouseRelease(form, Qt::RightButton, Qt::NoModifier, at);
  // A menu that is destroyed is dropped; the right button then opens nothing.
  menu.reset();
  EXPECT_EQ(viewer.PopupMenu(), nullptr);
  QTest::mouseClick(form, Qt::RightButton, Qt::NoModifier, at);
  QApplication::processEvents();
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
  viewer.SetActive(false);
}

// A desktop of 1280 × 1024 that switches to 800 × 600 on request; its viewer's context cannot be made.
struct TSwitchingSource : IDisplayModeSource {
  TDisplayModeInfo DesktopMode() override { return {1280, 1024, 32, 0}; }
  bool EnumMode(int index, TDisplayModeInfo& mode) override { return mode = {800, 600, 32, 60}, index == 0; }
  bool TestMode(const TDisplayModeInfo& mode) override { return mode.Width == 800; }
  bool SwitchTo(const TDisplayModeInfo&) override { return ++*counts, true; }
  void Restore() override { *counts += 10; }
  std::shared_ptr<int> counts = std::make_shared<int>(0);  // switches + 10 × restores
};
struct TFailingFullScreenViewer : TGLFullScreenViewer {
  void PrepareGLContext(TGLContext&) override { throw Exception("no context"); }
};

TEST(FullScreenViewer, AFailedStartGivesTheModeBackAndDropsTheForm) {
  StartApplication();
  auto source = std::make_unique<TSwitchingSource>();
  const auto counts = source->counts;
  SetDisplayModeSource(std::move(source));
  TFailingFullScreenViewer viewer;
  EXPECT_THROW(viewer.SetActive(true), Exception);
  EXPECT_EQ((std::array{*counts, CurrentDisplayMode()}), (std::array{11, 0}));
  EXPECT_TRUE(viewer.Form() == nullptr && !viewer.Active());
  viewer.SetWidth(1920);  // no mode that large: refused before anything is made
  EXPECT_THROW(viewer.SetActive(true), Exception);
  EXPECT_EQ(*counts, 11);
}

}  // namespace
}  // namespace zentrova
