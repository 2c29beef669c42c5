// The real main window on the virtual X server, with answered dialogs: opening the falling box, runs to
// the break time and stopped by the user, the history bar and spin, snapshots, the camera's mouse and
// wheel, and an Open while a run is active.
#include "app/main_window.h"

#include <gtest/gtest.h>

#include <QtGui/QGuiApplication>
#include <QtGui/QImage>
#include <QtGui/QPixmap>
#include <QtGui/QScreen>
#include <QtGui/QWheelEvent>
#include <QtGui/QWindow>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QScrollBar>
#include <QtWidgets/QSpinBox>
#include <QtWidgets/QTreeWidget>
#include <QtWidgets/QTreeWidgetItemIterator>

#include <chrono>
#include <cmath>
#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "app/app_dialogs.h"
#include "app/emf_writer.h"
#include "app/control_form.h"
#include "app/jobs_window.h"
#include "app/log_window.h"
#include "app/plot_window.h"
#include "engine/world/model.h"
#include "engine/scene/main_scene.h"
#include "engine/step/driver.h"
#include "platform/dialogs.h"
#include "platform/message_sink.h"
#include "platform/number_text.h"
#include "scene/avi/avi_recorder.h"
#include "qt_test_application.h"
#include "scene/core/camera.h"
#include "scene/gl/egl_context.h"
#include "scene/gl/gl_fixtures.h"
#include "scene/pictures/picture.h"
#include "scene/qt/stage_viewer.h"
#include "test_support.h"

namespace zentrova {
namespace {

void StartApplication() {
  static int argc = 1;
  static char name[] = "zentrova-test";
  static char* argv[] = {name, nullptr};
  // Never destroyed: at exit Qt's own globals would go before it.
  static QApplication* application = new QApplication(argc, argv);
  (void)application;
  RegisterEGLContextClass();
  test::KeepGLDriverLoaded();
}

// Answers in the order asked; a box with no answer left is cancelled.
class FakeAppDialogs : public IAppDialogs {
 public:
  bool OpenFile(const std::string& title, const std::string& filter, std::string& file_name) override {
    filters.push_back(filter);
    if (files.empty()) return false;
    file_name = files.front();
    files.pop_front();
    return true;
  }
  bool InputText(const std::string& caption, const std::string& prompt, std::string& text) override {
    asked.push_back(caption + " / " + prompt);
    if (texts.empty()) return false;
    text = texts.front();
    texts.pop_front();
    return true;
  }
  bool InputFloat(const std::string&, const std::string&, double, double, int, double&) override { return false; }

  std::deque<std::string> files, texts;
  std::vector<std::string> filters, asked;
};

class FakeSharedDialogs : public IDialogs {
 public:
  bool SaveFileDialog(const TSaveDialogRequest& request, std::string& file_name) override {
    proposed = request.FileName;
    title = request.Title;
    if (answer.empty()) return false;
    file_name = answer;
    return true;
  }
  bool AskYesNo(const std::string&) override { return false; }
  bool InputInteger(const std::string&, const std::string&, int, int, int&) override { return false; }
  bool ChooseVideoEncoder(TVideoEncoderDialogData&) override { return false; }
  std::string proposed, title, answer;
};

class FakeMessages : public IMessageSink {
 public:
  void ShowMessage(const std::string& text) override { shown.push_back(text); }
  std::vector<std::string> shown;
};

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StartApplication();
    previous_dialogs_ = SetDialogs(&shared_);
    previous_messages_ = SetMessageSink(&messages_);
    for (const auto& entry : std::filesystem::directory_iterator(std::string(ZENTROVA_SOURCE_DIR) +
                                                                 "/examples/falling-box")) {
      std::filesystem::copy_file(entry.path(), std::filesystem::path(dir_.Path()) / entry.path().filename());
    }
    form_ = std::make_unique<TVYKForm>(dialogs_);
    // Clear of where the viewer tests place their windows.
    form_->setGeometry(660, 600, 600, 400);
    form_->show();
    ASSERT_TRUE(test::PumpEventsUntil([this] { return form_->windowHandle()->isExposed(); }));
  }
  void TearDown() override {
    form_.reset();
    SetMessageSink(previous_messages_);
    SetDialogs(previous_dialogs_);
  }

  // The falling box with its break time moved to `break_time`.
  std::string World(const std::string& break_time = "3") {
    std::string text = test::ReadBytes(dir_.File("falling-box.wld"));
    const auto at = text.find("breakTime=3");
    text.replace(at, 11, "breakTime=" + break_time);
    test::WriteBytes(dir_.File("falling-box.wld"), text);
    return dir_.File("falling-box.wld");
  }
  void Open(const std::string& world) {
    dialogs_.files.push_back(world);
    form_->Action("FileOpen")->trigger();
  }
  bool WaitForRunEnd(int timeout_ms = 60000) {
    return test::PumpEventsUntil([this] { return !form_->SimulationRunning(); }, timeout_ms);
  }
  std::vector<std::string> Log() { return form_->Driver()->Log().Lines(); }
  bool Logged(const std::string& prefix) {
    for (const std::string& line : Log()) {
      if (line.rfind(prefix, 0) == 0) return true;
    }
    return false;
  }
  void Mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons,
             Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QMouseEvent event(type, at, form_->Viewer().mapToGlobal(at), button, buttons, modifiers);
    QApplication::sendEvent(&form_->Viewer(), &event);
  }

  test::TempDir dir_;
  FakeAppDialogs dialogs_;
  FakeSharedDialogs shared_;
  FakeMessages messages_;
  std::unique_ptr<TVYKForm> form_;
  IDialogs* previous_dialogs_ = nullptr;
  IMessageSink* previous_messages_ = nullptr;
};

TEST_F(MainWindowTest, OpenEnablesTheControlsAndNamesWorldAndHistory) {
  EXPECT_FALSE(form_->Action("ControlButton")->isEnabled());
  EXPECT_FALSE(form_->Action("FileReload")->isEnabled());
  Open(World());
  ASSERT_NE(form_->Driver(), nullptr);
  EXPECT_EQ(dialogs_.filters, std::vector<std::string>{"World files (*.wld)|*.wld|All (*)|*"});
  EXPECT_EQ(form_->windowTitle().toStdString(), "Zentrova: falling-box [000]");
  for (const char* name : {"ControlButton", "ReloadWorldFileButton", "Photo", "AVIRecord", "ViewLogWindow",
                           "FileReload"}) {
    EXPECT_TRUE(form_->Action(name)->isEnabled()) << name;
  }
  EXPECT_TRUE(form_->HistoryBar().isEnabled());
  EXPECT_TRUE(form_->LogForm().isVisible());
  EXPECT_EQ(form_->TimeNow().text().toStdString(), "0");
  // Every node the world put in the tree and every button shows a picture of the common list.
  int nodes = 0;
  for (QTreeWidgetItemIterator it(&form_->ControlForm().ControlTree()); *it != nullptr; ++it, ++nodes) {
    EXPECT_FALSE((*it)->icon(0).isNull()) << (*it)->text(0).toStdString();
  }
  EXPECT_GT(nodes, 30);
  EXPECT_FALSE(form_->Action("ControlButton")->icon().isNull());
  EXPECT_FALSE(form_->Action("AVIRecord")->icon().isNull());
}

TEST_F(MainWindowTest, APlotOfABodyTheNewModelLacksDoesNotFailTheLoad) {
  form_->PlotWindow().SetBodyIndex(7);
  form_->PlotWindow().show();
  EXPECT_TRUE(form_->LoadWorld(World(), "", ""));
  EXPECT_TRUE(form_->Action("ControlButton")->isEnabled());
}

TEST_F(MainWindowTest, AFailedLoadReportsFalseAndLeavesTheControlsDisabled) {
  test::WriteBytes(dir_.File("broken.wld"), "[Main]\nnumberOfGeneralizedCoodinates=3\nbreakTime=x\n[Bodies]\n");
  EXPECT_FALSE(form_->LoadWorld(dir_.File("broken.wld"), "", ""));
  for (const char* name : {"ControlButton", "Photo", "AVIRecord", "ReloadWorldFileButton"}) {
    EXPECT_FALSE(form_->Action(name)->isEnabled()) << name;
  }
  EXPECT_EQ(form_->windowTitle().toStdString(), "Zentrova");
}

TEST_F(MainWindowTest, RunToTheBreakTimeThenReplayWithTheBarAndTheSpin) {
  Open(World("0.2"));
  dialogs_.texts.push_back("");  // the run's comment: empty becomes "-"
  form_->Action("ControlButton")->trigger();
  EXPECT_EQ(dialogs_.asked, std::vector<std::string>{"Short comment of the analysis / Short comment:"});
  EXPECT_EQ(form_->ButtonImage("ControlButton"), kImageRunning);
  ASSERT_TRUE(WaitForRunEnd());
  EXPECT_TRUE(Logged("[Alert] Break time of 0.22s reached."));
  EXPECT_EQ(form_->ButtonImage("ControlButton"), kImageStopped);
  TWorld& world = form_->Driver()->World();
  const std::vector<std::string> history_log = world.Model().History.Log();
  ASSERT_GT(history_log.size(), 1u);
  EXPECT_EQ(history_log[1], "-");
  EXPECT_FALSE(world.Model().History.FilesOpen);

  // The bar's end is the last kept state, and at 0 the first recorded one; the spin follows.
  const int last = form_->HistoryBar().maximum();
  ASSERT_GT(last, 5);
  EXPECT_EQ(static_cast<std::uint32_t>(last), world.State.StoredStateCount - 1);
  EXPECT_EQ(form_->HistoryBar().value(), last);
  EXPECT_EQ(world.State.CurrentState, static_cast<std::uint32_t>(last));  // the last kept state is shown
  const TGeneralizedCoordinatesHistory& first = world.Model().History.Points.Items(0);
  form_->HistoryBar().setValue(0);
  EXPECT_EQ(form_->HistorySpin().value(), 0);
  EXPECT_EQ(world.State.CurrentState, 0u);
  EXPECT_EQ(form_->TimeNow().text().toStdString(), FloatToText(first.Time));
  form_->HistorySpin().setValue(last);
  EXPECT_EQ(form_->HistoryBar().value(), last);
  EXPECT_EQ(form_->TimeNow().text().toStdString(),
            FloatToText(world.Model().History.Points.Items(static_cast<std::uint32_t>(last)).Time));

  // A continued history asks no comment.
  form_->HistoryBar().setValue(0);
  dialogs_.asked.clear();
  form_->Action("ControlButton")->trigger();
  EXPECT_TRUE(dialogs_.asked.empty());
  form_->ToggleSimulation();
}

TEST_F(MainWindowTest, StopJoinsTheRunAndClosesTheHistoryFiles) {
  Open(World("1000"));
  dialogs_.texts.push_back("long run");
  ASSERT_TRUE(form_->ToggleSimulation());
  ASSERT_TRUE(test::PumpEventsUntil([this] { return form_->LastFrame().StoredStates > 3; }, 20000));
  const auto start = std::chrono::steady_clock::now();
  form_->Action("ControlButton")->trigger();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_FALSE(form_->SimulationRunning());
  EXPECT_EQ(form_->LoopThread(), nullptr);
  EXPECT_FALSE(form_->Driver()->World().Model().History.FilesOpen);
  EXPECT_EQ(form_->ButtonImage("ControlButton"), kImageStopped);
  // The bar ends at the last kept state.
  EXPECT_EQ(static_cast<std::uint32_t>(form_->HistoryBar().maximum()),
            form_->Driver()->World().State.StoredStateCount - 1);
}

TEST_F(MainWindowTest, OpenDuringARunStopsItFirst) {
  Open(World("1000"));
  dialogs_.texts.push_back("x");
  ASSERT_TRUE(form_->ToggleSimulation());
  ASSERT_TRUE(test::PumpEventsUntil([this] { return form_->LastFrame().StoredStates > 2; }, 20000));
  Open(dir_.File("falling-box.wld"));
  EXPECT_FALSE(form_->SimulationRunning());
  EXPECT_EQ(form_->windowTitle().toStdString(), "Zentrova: falling-box [001]");
  EXPECT_EQ(form_->Driver()->World().State.StoredStateCount, 0u);
}

TEST_F(MainWindowTest, PhotoWritesTheViewersPixelsUnderTheStateIndex) {
  Open(World());
  const std::string file = dir_.File("snap.emf");
  shared_.answer = file;
  form_->Action("Photo")->trigger();
  EXPECT_EQ(shared_.proposed, "0.emf");
  EXPECT_EQ(shared_.title, "Save snapshot");
  const std::unique_ptr<TBitmap> expected = form_->Viewer().CopyWindowToBitmap();
  EXPECT_EQ(test::ReadBytes(file), EmfBytes(*expected));
  // The view is the button-face grey of an empty scene, as the X server shows it too.
  QApplication::processEvents();
  const QImage screen = QGuiApplication::primaryScreen()->grabWindow(form_->Viewer().winId()).toImage();
  const std::uint32_t centre = expected->Pixel(expected->Width() / 2, expected->Height() / 2) & 0xFFFFFF;
  const QColor shown = screen.pixelColor(screen.width() / 2, screen.height() / 2);
  EXPECT_NEAR(shown.red(), int(centre >> 16), 2);
  EXPECT_NEAR(shown.green(), int((centre >> 8) & 0xFF), 2);
  EXPECT_NEAR(shown.blue(), int(centre & 0xFF), 2);
}

TEST_F(MainWindowTest, MouseOrbitsAndPansTheCameraAndTheWheelScalesItsDistance) {
  Open(World());
  TGLCamera& camera = *form_->Camera();
  const float distance = camera.TargetDistance();
  QWheelEvent up(QPointF(10, 10), form_->mapToGlobal(QPoint(10, 10)), QPoint(), QPoint(0, 120), Qt::NoButton,
                 Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(form_.get(), &up);
  EXPECT_NEAR(camera.TargetDistance(), distance * 1.1f, distance * 1e-4f);
  QWheelEvent down(QPointF(10, 10), form_->mapToGlobal(QPoint(10, 10)), QPoint(), QPoint(0, -240), Qt::NoButton,
                   Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(form_.get(), &down);
  EXPECT_NEAR(camera.TargetDistance(), distance / 1.1f, distance * 1e-4f);

  // 30 pixels to the left with the left button turn the camera 10 degrees about its target.
  auto from_target = [&camera] {
    const TVector4f c = camera.AbsoluteTranslation(), t = camera.TargetObject()->AbsoluteTranslation();
    return TVector4f{c[0] - t[0], c[1] - t[1], c[2] - t[2], 0};
  };
  const TVector4f before = from_target();
  Mouse(QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton, Qt::LeftButton);
  Mouse(QEvent::MouseMove, {70, 100}, Qt::NoButton, Qt::LeftButton);
  Mouse(QEvent::MouseButtonRelease, {70, 100}, Qt::LeftButton, Qt::NoButton);
  const TVector4f after = from_target();
  const float turned = std::atan2(after[0], after[2]) - std::atan2(before[0], before[2]);
  EXPECT_NEAR(std::abs(turned) * 180 / 3.14159265f, 10, 0.05);
  EXPECT_NEAR(after[1], before[1], 1e-4);

  // The right button alone pans: the camera's carrier moves in the xy plane.
  TGLBaseSceneObject& carrier = *form_->SceneObject("GLDummyCubeForCamera");
  const TVector4f carrier_before = carrier.Position().AsVector();
  Mouse(QEvent::MouseButtonPress, {100, 100}, Qt::RightButton, Qt::RightButton);
  Mouse(QEvent::MouseMove, {100, 120}, Qt::NoButton, Qt::RightButton);
  const TVector4f carrier_after = carrier.Position().AsVector();
  EXPECT_NE(carrier_after[1], carrier_before[1]);
  EXPECT_EQ(carrier_after[2], carrier_before[2]);
}

}  // namespace
}  // namespace zentrova

namespace zentrova {
namespace {

TEST_F(MainWindowTest, KeysScaleTheCameraSwitchTheBackgroundAndSetTheTextScale) {
  Open(World());
  TGLCamera& camera = *form_->Camera();
  const float distance = camera.TargetDistance(), scale = camera.SceneScale();
  auto key = [this](int k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent event(QEvent::KeyPress, k, modifiers);
    QApplication::sendEvent(&form_->FramesPerSecondSpin(), &event);  // previewed from any child
  };
  key(Qt::Key_A);
  EXPECT_NEAR(camera.TargetDistance(), distance / 1.1f, distance * 1e-4f);
  key(Qt::Key_Y);
  key(Qt::Key_Y);
  EXPECT_NEAR(camera.TargetDistance(), distance * 1.1f, distance * 1e-4f);
  key(Qt::Key_A, Qt::ShiftModifier);
  EXPECT_NEAR(camera.SceneScale(), scale * 1.1f, scale * 1e-5f);
  key(Qt::Key_Y, Qt::ShiftModifier);
  EXPECT_NEAR(camera.SceneScale(), scale, scale * 1e-5f);

  TGLStageBuffer& buffer = form_->Viewer().Buffer();
  const TColor face = buffer.BackgroundColor();
  key(Qt::Key_B);
  EXPECT_EQ(buffer.BackgroundColor(), 0xFFFFFF);
  key(Qt::Key_B, Qt::ShiftModifier);
  EXPECT_EQ(buffer.BackgroundColor(), face);

  dialogs_.texts = {"0.25", "x"};
  key(Qt::Key_S);
  EXPECT_EQ(dialogs_.asked.back(), "Set new scale to / Font scale:");
  EXPECT_EQ(form_->Driver()->World().Settings.WatchTextScale, 0.25L);
  key(Qt::Key_S);  // not a number: the message, the scale kept
  EXPECT_EQ(form_->Driver()->World().Settings.WatchTextScale, 0.25L);
  ASSERT_FALSE(messages_.shown.empty());
  EXPECT_EQ(messages_.shown.back(), "'x' is not a valid floating point value.");
}

TEST_F(MainWindowTest, HistoryBarStepsTakeWholeNumbersFromOneTo32767) {
  Open(World());
  struct Case {
    const char* answer;
    int page_step;  // the large change afterwards
    bool message;
  };
  const Case cases[] = {{"250", 250, false}, {"0", 250, true},      {"32768", 250, true},
                        {"x", 250, true},    {"32767", 32767, false}, {"", 32767, false}};
  for (const Case& c : cases) {
    dialogs_.texts = {c.answer};
    messages_.shown.clear();
    form_->ChangeLargeStep();
    EXPECT_EQ(form_->HistoryBar().pageStep(), c.page_step) << c.answer;
    EXPECT_EQ(!messages_.shown.empty(), c.message) << c.answer;
  }
  EXPECT_EQ(dialogs_.asked.front(), "Enter large change step / Large change =");
  dialogs_.texts = {"7"};
  form_->ChangeSmallStep();
  EXPECT_EQ(form_->HistoryBar().singleStep(), 7);
  EXPECT_EQ(dialogs_.asked.back(), "Enter small change step / Small change =");
}

TEST_F(MainWindowTest, AviBoxesRefuseAStepOfZeroAndTextsThatAreNoNumbers) {
  Open(World());
  TVYKMain& main = *form_->Driver();
  struct Case {
    std::vector<std::string> answers;
    std::string message;  // "" for none
    std::uint32_t first, last, step;
  };
  const Case cases[] = {
      {{"4", "9", "0"}, "'0' is not a valid integer value.", 4, 9, 1},
      {{"5", "x"}, "'x' is not a valid integer value.", 5, 9, 1},  // converted values stay set
      {{"6", ""}, "", 6, 9, 1},                                       // an empty answer ends the command
      {{"-1"}, "'-1' is not a valid integer value.", 6, 9, 1},
  };
  for (const Case& c : cases) {
    dialogs_.texts.assign(c.answers.begin(), c.answers.end());
    messages_.shown.clear();
    form_->RecordAvi();
    EXPECT_EQ(messages_.shown.empty() ? "" : messages_.shown.back(), c.message);
    EXPECT_EQ(main.AviFirstState, c.first);
    EXPECT_EQ(main.AviLastState, c.last);
    EXPECT_EQ(main.AviFrameStep, c.step);
    EXPECT_FALSE(main.AviRecording);
    EXPECT_FALSE(form_->SimulationRunning());
  }
  EXPECT_EQ(dialogs_.asked[0], "Recording start frame / Start frame =");
  EXPECT_EQ(dialogs_.asked[1], "Recording end frame / End frame =");
  EXPECT_EQ(dialogs_.asked[2], "Recording step / Record frame step =");
}

TEST_F(MainWindowTest, ThePointerDragsOnItsPlaneAndTheHelperFollowsInTwentySteps) {
  Open(World());
  TGLBaseSceneObject& pointer = *form_->SceneObject("GLPointer");
  TGLBaseSceneObject& help = *form_->SceneObject("GLPointerHelp");
  // In front of the bodies, in the middle of the view.
  form_->Scene().SetPointerPosition({0, 0.5f, 1});
  form_->Scene().SetPointerCarrierPosition({0, 0.5f, 1});
  form_->ShowPointer();
  const TVector4f start = pointer.Position().AsVector();
  const QPoint centre(form_->Viewer().width() / 2, form_->Viewer().height() / 2);
  // Shift: the drag plane is y = the pointer's y.
  Mouse(QEvent::MouseButtonPress, centre, Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier);
  Mouse(QEvent::MouseMove, centre + QPoint(15, 0), Qt::NoButton, Qt::LeftButton, Qt::ShiftModifier);
  const TVector4f moved = pointer.Position().AsVector();
  EXPECT_GT(std::abs(moved[0] - start[0]) + std::abs(moved[2] - start[2]), 1e-3f);
  EXPECT_NEAR(moved[1], start[1], 1e-5);
  Mouse(QEvent::MouseButtonRelease, centre + QPoint(15, 0), Qt::LeftButton, Qt::NoButton, Qt::ShiftModifier);
  const TVector4f helper = help.Position().AsVector();
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(helper[i], moved[i], 1e-5f) << i;

  // Without Shift the plane is z = the pointer's z: z stays, y moves with a vertical drag.
  Mouse(QEvent::MouseButtonPress, centre, Qt::LeftButton, Qt::LeftButton);
  Mouse(QEvent::MouseMove, centre + QPoint(0, -15), Qt::NoButton, Qt::LeftButton);
  const TVector4f lifted = pointer.Position().AsVector();
  EXPECT_NEAR(lifted[2], moved[2], 1e-5);
  Mouse(QEvent::MouseButtonRelease, centre + QPoint(0, -15), Qt::LeftButton, Qt::NoButton);
}

TEST_F(MainWindowTest, PressingBesideThePointerOrbitsInsteadOfDragging) {
  Open(World());
  TGLBaseSceneObject& pointer = *form_->SceneObject("GLPointer");
  form_->Scene().SetPointerPosition({0, 0.5f, 1});
  form_->Scene().SetPointerCarrierPosition({0, 0.5f, 1});
  form_->ShowPointer();
  const TVector4f start = pointer.Position().AsVector();
  const TVector4f camera_before = form_->Camera()->Position().AsVector();
  Mouse(QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton, Qt::LeftButton);
  Mouse(QEvent::MouseMove, {35, 5}, Qt::NoButton, Qt::LeftButton);
  EXPECT_EQ(pointer.Position().AsVector(), start);
  EXPECT_NE(form_->Camera()->Position().AsVector(), camera_before);
}

}  // namespace
}  // namespace zentrova

namespace zentrova {
namespace {

TEST_F(MainWindowTest, TheControlTreeCommandsReachTheLoadedWorld) {
  Open(World());
  EXPECT_TRUE(form_->ControlForm().isVisible());
  TVYKControlForm& tree = form_->ControlForm();
  TWorld& world = form_->Driver()->World();
  auto node = [&tree](const std::string& group, const std::string& caption) {
    const TTreeNode parent = tree.AddChild(kNoTreeNode, group, 0, 0);
    return reinterpret_cast<QTreeWidgetItem*>(tree.AddChild(parent, caption, 0, 0));
  };
  QTreeWidgetItem* saving = node("History", "Save each time step");
  std::vector<std::pair<bool, bool>> modes;
  for (int i = 0; i < 3; ++i) {
    tree.ControlTreeDblClick(saving);
    modes.emplace_back(world.Settings.WriteEachTimeStep, world.Settings.WriteAtCollision);
  }
  EXPECT_EQ(modes, (std::vector<std::pair<bool, bool>>{{false, false}, {false, true}, {true, false}}));

  tree.ControlTreeDblClick(node("Collisions", "Do not break at collisions"));
  EXPECT_TRUE(form_->Driver()->Collisions().BreakAtCollisions);
  tree.ControlTreeDblClick(node("Try to solve by going back", world.TryToSolveByGoingBack() ? "True" : "False"));
  const bool going_back = world.TryToSolveByGoingBack();
  tree.ControlTreeDblClick(node("Try to solve by going back", going_back ? "True" : "False"));
  EXPECT_NE(world.TryToSolveByGoingBack(), going_back);

  // The pivot tolerance node shows the maximum: the maximum takes the answer, to the last digit.
  const long double maximum = world.LCPSettings().PivotToleranceMax;
  dialogs_.texts = {"1E-15"};
  QTreeWidgetItem* pivot = node("Pivot tolerance", FloatToText(maximum));
  tree.ControlTreeDblClick(pivot);
  EXPECT_EQ(world.LCPSettings().PivotToleranceMax, 1e-15L);
  EXPECT_EQ(pivot->text(0).toStdString(), "1E-15");

  // A new load empties the tree.
  Open(dir_.File("falling-box.wld"));
  EXPECT_EQ(tree.FindNode("History", "Save each time step"), nullptr);
}

}  // namespace
}  // namespace zentrova

namespace zentrova {
namespace {

QImage BitmapImage(const TBitmap& bitmap) {
  QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_RGB32);
  for (int y = 0; y < bitmap.Height(); ++y) {
    for (int x = 0; x < bitmap.Width(); ++x) image.setPixel(x, y, 0xFF000000u | bitmap.Pixel(x, y));
  }
  return image;
}

// The share of pixels whose colour differs by more than 24 in a channel; 1 for pictures of other sizes.
double DifferentShare(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return 1;
  std::int64_t different = 0;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      if (std::abs(qRed(p) - qRed(q)) > 24 || std::abs(qGreen(p) - qGreen(q)) > 24 ||
          std::abs(qBlue(p) - qBlue(q)) > 24) {
        ++different;
      }
    }
  }
  return static_cast<double>(different) / (static_cast<double>(a.width()) * a.height());
}

// The golden picture of a test; with ZENTROVA_UPDATE_GOLDENS set, `actual` becomes it.
QImage Golden(const std::string& name, const QImage& actual) {
  const QString path = QString::fromStdString(test::DataPath("app/" + name));
  if (std::getenv("ZENTROVA_UPDATE_GOLDENS") != nullptr) actual.save(path);
  return QImage(path).convertToFormat(QImage::Format_RGB32);
}

TEST_F(MainWindowTest, TheLoadedBoxMatchesItsGoldenInTheCopyAndOnTheScreen) {
  Open(World());
  QApplication::processEvents();
  const QImage copy = BitmapImage(*form_->Viewer().CopyWindowToBitmap());
  const QImage golden = Golden("falling_box_loaded.png", copy);
  ASSERT_FALSE(golden.isNull());
  EXPECT_LT(DifferentShare(copy, golden), 0.01);
  // What the X server shows: a frame that never reached the window fails here.
  QApplication::processEvents();
  const QImage screen = QGuiApplication::primaryScreen()->grabWindow(form_->Viewer().winId()).toImage().convertToFormat(
      QImage::Format_RGB32);
  EXPECT_LT(DifferentShare(screen, golden), 0.01);
}

TEST_F(MainWindowTest, ReplayShowsTheLoadsPictureAtTheStartAndTheSettledBoxAtTheEnd) {
  Open(World("0.6"));
  QApplication::processEvents();
  const QImage loaded = BitmapImage(*form_->Viewer().CopyWindowToBitmap());
  dialogs_.texts.push_back("replay");
  form_->ToggleSimulation();
  ASSERT_TRUE(WaitForRunEnd());
  QApplication::processEvents();
  const QImage end = BitmapImage(*form_->Viewer().CopyWindowToBitmap());
  EXPECT_GT(DifferentShare(end, loaded), 0.001);  // the box has moved
  form_->HistoryBar().setValue(0);
  QApplication::processEvents();
  EXPECT_LT(DifferentShare(BitmapImage(*form_->Viewer().CopyWindowToBitmap()), loaded), 0.001);
  form_->HistorySpin().setValue(form_->HistorySpin().maximum());
  QApplication::processEvents();
  EXPECT_LT(DifferentShare(BitmapImage(*form_->Viewer().CopyWindowToBitmap()), end), 0.001);
}

}  // namespace
}  // namespace zentrova

namespace zentrova {
namespace {

// A spoiled history that fails to load leaves no world: nothing runs or records on what it half read.
TEST_F(MainWindowTest, AFailedLoadOfASpoiledHistoryRunsAndRecordsNothing) {
  Open(World("0.1"));
  dialogs_.texts.push_back("first");
  ASSERT_TRUE(form_->ToggleSimulation());
  ASSERT_TRUE(WaitForRunEnd());
  const std::string data = dir_.File("000/data.txt");
  std::string text = test::ReadBytes(data);
  const std::size_t second = text.find('\n') + 1;
  text.replace(second, text.find('\n', second) - second, "spoiled\r");
  test::WriteBytes(data, text);

  EXPECT_FALSE(form_->LoadWorld(dir_.File("falling-box.wld"), "000", ""));
  for (const char* name : {"ControlButton", "Photo", "AVIRecord", "ViewControlTree"}) {
    EXPECT_FALSE(form_->Action(name)->isEnabled()) << name;
  }
  EXPECT_EQ(form_->windowTitle().toStdString(), "Zentrova");
  EXPECT_EQ(form_->ControlForm().ControlTree().topLevelItemCount(), 0);
  // Called as the buttons would be: no question, no run, the history as it was.
  dialogs_.asked.clear();
  dialogs_.texts = {"0", "10", "5", "comment"};
  form_->RecordAvi();
  EXPECT_FALSE(form_->ToggleSimulation());
  EXPECT_FALSE(form_->SimulationRunning());
  EXPECT_TRUE(dialogs_.asked.empty());
  EXPECT_EQ(test::ReadBytes(data), text);
}

// A run whose history cannot be written (/dev/full in the place of data.txt fails every write with
// ENOSPC, as a full disk does) ends at once, its line in the log and in a message box.
TEST_F(MainWindowTest, ARunWhoseHistoryCannotBeWrittenEndsWithItsLineInABox) {
  Open(World("0.1"));
  const std::string data = dir_.File("000/data.txt");
  std::filesystem::remove(data);
  std::filesystem::create_symlink("/dev/full", data);
  dialogs_.texts.push_back("full");
  ASSERT_TRUE(form_->ToggleSimulation());
  ASSERT_TRUE(WaitForRunEnd());
  const std::string line = "[Error] Could not write history file " + data + ": No space left on device.";
  EXPECT_EQ(messages_.shown, std::vector<std::string>{line});
  EXPECT_TRUE(Logged(line));
  EXPECT_TRUE(form_->LastRunFailed());
  EXPECT_EQ(form_->Driver()->World().State.StoredStateCount, 0u);
}

// The film starts on its first state, whatever state the view showed before.
TEST_F(MainWindowTest, TheFilmsFramesShowTheirOwnStates) {
  Open(World("0.46"));
  form_->FramesPerSecondSpin().setValue(0);
  dialogs_.texts.push_back("run");
  ASSERT_TRUE(form_->ToggleSimulation());
  ASSERT_TRUE(WaitForRunEnd());
  const THistory& history = form_->Driver()->World().Model().History;
  const std::uint32_t count = form_->Driver()->World().State.StoredStateCount;
  ASSERT_GT(count, 10u);
  // The view shows the last kept state.
  ASSERT_EQ(form_->LastFrame().Time, history.Points.Items(count - 1).Time);
  ASSERT_GT(form_->LastFrame().Time, 0.4L);

  std::vector<long double> times;
  std::vector<std::string> shown;
  form_->Recorder().OnPostProcessEvent = [&](TAVIRecorder&, TBitmap&) {
    times.push_back(form_->LastFrame().Time);
    shown.push_back(form_->TimeNow().text().toStdString());
  };
  shared_.answer = dir_.File("film.avi");
  dialogs_.texts = {"0", "10", "5"};
  form_->RecordAvi();
  ASSERT_TRUE(WaitForRunEnd());
  form_->Recorder().OnPostProcessEvent = nullptr;
  const std::vector<long double> expected{history.Points.Items(0).Time, history.Points.Items(5).Time,
                                          history.Points.Items(10).Time};
  EXPECT_EQ(times, expected);
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0], "0");
  EXPECT_EQ(shown[2], FloatToText(expected[2]));
  EXPECT_FALSE(form_->Recorder().Recording());
}

// A film whose first frame lies past the recorded states starts on the last of them, from which the run
// reaches the rest; one inside starts on its own. The file box is cancelled: only the state is looked at.
TEST_F(MainWindowTest, AFilmStartsOnItsFirstStateOrOnTheLastRecordedOne) {
  Open(World("0.1"));
  dialogs_.texts.push_back("run");
  ASSERT_TRUE(form_->ToggleSimulation());
  ASSERT_TRUE(WaitForRunEnd());
  TVYKMain& main = *form_->Driver();
  TStepState& state = main.World().State;
  const THistory& history = main.World().Model().History;
  const std::uint32_t count = state.StoredStateCount;
  ASSERT_GT(count, 3u);
  const struct {
    std::uint32_t first;
    std::uint32_t shown;
  } cases[] = {{0, 0}, {2, 2}, {count - 1, count - 1}, {count, count - 1}, {count + 7, count - 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    // The view shows another state before.
    state.CurrentState = c.shown == 1 ? 2 : 1;
    main.ShowHistoryPoint();
    dialogs_.texts = {std::to_string(c.first), std::to_string(count + 20), "1"};
    shared_.answer.clear();
    form_->RecordAvi();
    EXPECT_EQ(state.CurrentState, c.shown);
    EXPECT_EQ(state.Time, history.Points.Items(c.shown).Time);
    EXPECT_FALSE(main.AviRecording);
    EXPECT_FALSE(form_->SimulationRunning());
  }
}

TEST_F(MainWindowTest, ABodyOfShapeTypeInAnyCaseIsTheCamerasTarget) {
  std::string box = test::ReadBytes(dir_.File("box.bdy"));
  box.replace(box.find("shapeType=extrusionsolid"), 24, "shapeType=ExtrusionSolid");
  test::WriteBytes(dir_.File("box.bdy"), box);
  Open(World());
  ASSERT_NE(form_->Camera()->TargetObject(), nullptr);
  EXPECT_EQ(form_->Camera()->TargetObject()->Name(), "Box");
}

TEST_F(MainWindowTest, TheHistorySpinReachesTheLastRecordedStateOnly) {
  Open(World("0.1"));
  ASSERT_LE(form_->Driver()->World().State.StoredStateCount, 1u);
  form_->HistorySpin().setValue(50);
  EXPECT_EQ(form_->HistorySpin().maximum(), 0);
  EXPECT_EQ(form_->HistorySpin().value(), 0);
  dialogs_.texts.push_back("short");
  ASSERT_TRUE(form_->ToggleSimulation());
  ASSERT_TRUE(WaitForRunEnd());
  const int last = static_cast<int>(form_->Driver()->World().State.StoredStateCount) - 1;
  ASSERT_GT(last, 1);
  ASSERT_LT(last, 50);
  EXPECT_EQ(form_->HistorySpin().maximum(), last);
  form_->HistorySpin().setValue(0);
  form_->HistorySpin().setValue(50);
  EXPECT_EQ(form_->HistorySpin().value(), last);
  EXPECT_EQ(form_->Driver()->World().State.CurrentState, static_cast<std::uint32_t>(last));
}

TEST_F(MainWindowTest, TheTolerancesWaitForTheRunsEnd) {
  Open(World("1000"));
  TWorld& world = form_->Driver()->World();
  const TLCPSettings before = world.LCPSettings();
  dialogs_.texts.push_back("long");
  ASSERT_TRUE(form_->ToggleSimulation());
  dialogs_.asked.clear();
  dialogs_.texts = {"0.5"};
  TVYKControlForm& tree = form_->ControlForm();
  for (const std::string& group : {"Pivot tolerance", "Lexico zero tolerance"}) {
    QTreeWidgetItem* node = nullptr;
    for (QTreeWidgetItemIterator it(&tree.ControlTree()); *it != nullptr; ++it) {
      if ((*it)->parent() != nullptr && (*it)->parent()->text(0).toStdString() == group) node = *it;
    }
    ASSERT_NE(node, nullptr) << group;
    const QString caption = node->text(0);
    messages_.shown.clear();
    tree.ControlTreeDblClick(node);
    EXPECT_EQ(messages_.shown, std::vector<std::string>{"You need to stop the simulation."}) << group;
    EXPECT_EQ(node->text(0), caption);
  }
  EXPECT_TRUE(dialogs_.asked.empty());
  form_->ToggleSimulation();
  EXPECT_EQ(world.LCPSettings().PivotToleranceMin, before.PivotToleranceMin);
  EXPECT_EQ(world.LCPSettings().PivotToleranceMax, before.PivotToleranceMax);
  EXPECT_EQ(world.LCPSettings().LexicoZeroTolerance, before.LexicoZeroTolerance);
}

// However a tool window comes and goes, its View menu item names what the item will do.
TEST_F(MainWindowTest, ViewCaptionsFollowWindowsClosedByTheirTitleBar) {
  Open(World());
  struct Case {
    QWidget* window;
    const char* item;
    const char* caption;
  };
  const Case cases[] = {{&form_->LogForm(), "ViewLogWindow", "Log Window"},
                        {&form_->ControlForm(), "ViewControlTree", "Control Tree"},
                        {&form_->HistoryFilesForm(), "ViewHistoryFiles", "History Files"},
                        {&form_->JobsForm(), "ViewJobsWindow", "Jobs Window"}};
  for (const Case& c : cases) {
    QAction& item = *form_->Action(c.item);
    c.window->show();
    EXPECT_EQ(item.text().toStdString(), std::string("Hide &") + c.caption);
    c.window->close();  // as the title bar's close button does
    EXPECT_FALSE(c.window->isVisible());
    EXPECT_EQ(item.text().toStdString(), std::string("Show &") + c.caption);
    if (!item.isEnabled()) continue;  // the jobs item waits for a job file
    item.trigger();
    EXPECT_TRUE(c.window->isVisible()) << c.caption;
    EXPECT_EQ(item.text().toStdString(), std::string("Hide &") + c.caption);
    item.trigger();
    EXPECT_FALSE(c.window->isVisible()) << c.caption;
    EXPECT_EQ(item.text().toStdString(), std::string("Show &") + c.caption);
  }
}

// A model of `size` metres: a floor that wide and, in a row on it, nine boxes a fortieth of it, the first
// the falling box's own; every body green.
std::string WriteScaledModel(const test::TempDir& dir, double size) {
  auto number = [](double v) { return FloatToText(static_cast<long double>(v)); };
  auto outline = [&](double half_width, double bottom, double top) {
    const std::string x0 = number(-half_width), x1 = number(half_width), y0 = number(bottom), y1 = number(top);
    return "points =5\n%%data\n" + x0 + "\t" + x1 + "\t" + x1 + "\t" + x0 + "\t" + x0 + "\n" + y0 + "\t" + y0 +
           "\t" + y1 + "\t" + y1 + "\t" + y0 + "\n%%enddata\n";
  };
  const double box = size / 40;
  test::WriteBytes(dir.File("floor.exs"), outline(size / 2, -size / 8, 0));
  test::WriteBytes(dir.File("box.exs"), outline(box / 2, -box / 2, box / 2));
  test::WriteBytes(dir.File("floor.bdy"),
                   "[Main]\nname=Floor\nRGBColor=0 0.8 0\nshapeType=extrusionsolid\nshapeFile=floor.exs\n"
                   "density=1000\nthickness=" + number(size / 10) + "\ncorrectOrigin=0\n");
  std::string bodies = "[Bodies]\nBody1=floor.bdy\n";
  for (int i = 0; i < 9; ++i) {
    const std::string name = i == 0 ? "Box" : "Box" + std::to_string(i);
    const std::string file = i == 0 ? "box.bdy" : "box" + std::to_string(i) + ".bdy";
    test::WriteBytes(dir.File(file),
                     "[Main]\nname=" + name + "\nRGBColor=0 0.8 0\nshapeType=extrusionsolid\nshapeFile=box.exs\n"
                     "density=1000\nthickness=" + number(box) + "\n[startPosition]\nx=" +
                         number((i - 4) * size / 10) + "\ny=" + number(box) + "\n");
    bodies += "Body" + std::to_string(i + 2) + "=" + file + "\n";
  }
  std::string world = test::ReadBytes(dir.File("falling-box.wld"));
  world.replace(world.find("[Bodies]"), std::string::npos, bodies);
  test::WriteBytes(dir.File("falling-box.wld"), world);
  return dir.File("falling-box.wld");
}

// The share of the view's pixels in the bodies' green.
double GreenShare(const TBitmap& bitmap) {
  std::int64_t green = 0;
  for (int y = 0; y < bitmap.Height(); ++y) {
    for (int x = 0; x < bitmap.Width(); ++x) {
      const std::uint32_t p = bitmap.Pixel(x, y);
      const int r = static_cast<int>((p >> 16) & 0xFF), g = static_cast<int>((p >> 8) & 0xFF),
                b = static_cast<int>(p & 0xFF);
      if (g > r + 40 && g > b + 40) ++green;
    }
  }
  return static_cast<double>(green) / (static_cast<double>(bitmap.Width()) * bitmap.Height());
}

// Before, the camera's depth of view (100) left the 20 and 200 m models out, and its near plane the
// millimetre one (whose size the cube root of its bodies' distances makes ten times its own: it is small
// in the view).
TEST_F(MainWindowTest, ModelsOfAnySizeAreSeenAfterTheirLoad) {
  const std::pair<double, double> cases[] = {{0.001, 0.0005}, {1, 0.05}, {20, 0.05}, {200, 0.05}};
  for (const auto& [size, share] : cases) {
    Open(WriteScaledModel(dir_, size));
    ASSERT_TRUE(form_->WorldLoaded()) << size;
    QApplication::processEvents();
    EXPECT_GT(GreenShare(*form_->Viewer().CopyWindowToBitmap()), share) << size << " m";
  }
}

}  // namespace
}  // namespace zentrova
