// The AVI recorder without a context: sizes, the dialogs' answers, files left or removed, and frames
// asked for by another thread.
#include "scene/avi/avi_recorder.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <QtCore/QThread>

#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <thread>

#include "avi_read_back.h"
#include "platform/exception.h"
#include "qt_test_application.h"
#include "scene/core/stage_buffer.h"
#include "test_support.h"

namespace zentrova {
namespace {

namespace fs = std::filesystem;

// Names save_name in the save dialog (cancels without one), answers `yes`, records the questions.
struct TScriptedDialogs : IDialogs {
  TScriptedDialogs() : previous(SetDialogs(this)) {}
  ~TScriptedDialogs() override { SetDialogs(previous); }
  bool SaveFileDialog(const TSaveDialogRequest& request, std::string& file_name) override {
    asked.push_back(request.DefaultExt + " " + request.Filter);
    return file_name = save_name, !save_name.empty();
  }
  bool AskYesNo(const std::string& text) override { return asked.push_back(text), yes; }
  bool InputInteger(const std::string&, const std::string&, int, int, int&) override { return false; }
  bool ChooseVideoEncoder(TVideoEncoderDialogData&) override { return false; }
  IDialogs* previous;
  std::string save_name;
  bool yes = false;
  std::vector<std::string> asked;
};

// A window of 64 × 48 with a green column at x = 5; notes the thread that read it.
struct TWindowSource : IGLRecordingSource {
  TGLStageBuffer& Buffer() override { return buffer; }
  std::unique_ptr<TBitmap> CopyWindowToBitmap() override {
    taken_on = QThread::currentThread();
    auto bitmap = std::make_unique<TBitmap>(64, 48, pf24bit);
    for (int y = 0; y < 48; ++y) bitmap->SetPixel(5, y, 0xFF00FF00);
    return bitmap;
  }
  TGLStageBuffer buffer;
  std::atomic<QThread*> taken_on{nullptr};
};

// 64 × 48 raw frames (the encoder dialog is cancelled) into the file.
void Prepare(TAVIRecorder& recorder, const std::string& file) {
  recorder.SetFilename(file);
  recorder.SetCompressor(acShowDialog);
  recorder.SetWidth(64);
  recorder.SetHeight(48);
}

TEST(AVIRecorder, SizesRoundToTheBlocksAndAnIdleRecorderRefuses) {
  const int cases[][3] = {{srForceBlock8x8, 5, 0},
                          {srForceBlock8x8, 447, 440},
                          {srForceBlock4x4, 745, 744},
                          {srForceBlock2x2, 7, 6},
                          {srNoRestriction, 745, 745}};
  for (const auto& [restriction, asked, stored] : cases) {
    TAVIRecorder recorder;
    recorder.SetSizeRestriction(TAVISizeRestriction(restriction));
    recorder.SetWidth(asked), recorder.SetHeight(asked);
    EXPECT_EQ(std::pair(recorder.Width(), recorder.Height()), std::pair(stored, stored)) << asked;
  }
  TAVIRecorder recorder;
  recorder.SetSizeRestriction(srNoRestriction);
  recorder.SetWidth(745), recorder.SetHeight(441), recorder.SetWidth(0);  // below 1: ignored
  recorder.SetSizeRestriction(srForceBlock4x4);
  EXPECT_EQ(std::pair(recorder.Width(), recorder.Height()), std::pair(744, 440));
  test::ExpectError<Exception>([&] { recorder.AddFrame(); },
                               "Cannot add frame to AVI. AVI file not created.");
  test::ExpectError<Exception>([&] { recorder.CloseFile(false); },
                               "Cannot close AVI file. AVI file not created.");
}

TEST(AVIRecorder, NoNameNoOverwriteOrAFailedOpenLeaveNoFileAndTheDestructorDeletesAnOpenOne) {
  test::TempDir dir;
  const std::string old_file = dir.File("old.avi");
  std::ofstream(old_file) << "old";
  TScriptedDialogs dialogs;
  EXPECT_FALSE(TAVIRecorder().OpenFile());  // the save dialog cancelled
  dialogs.save_name = old_file;
  EXPECT_FALSE(TAVIRecorder().OpenFile());  // No to the overwrite question
  const std::string save = ".avi AVI Files (*.avi)|*.avi";
  EXPECT_EQ(dialogs.asked, (std::vector<std::string>{save, save, "Overwrite file " + old_file + "?"}));
  EXPECT_EQ(test::ReadBytes(old_file), "old");
  dialogs.yes = true;
  for (const auto& [width, fps, name] : {std::tuple{5, 20, "x.avi"}, {64, 0, "x.avi"}, {5, 20, "old.avi"}}) {
    TAVIRecorder recorder;
    recorder.SetFilename(dir.File(name));
    recorder.SetWidth(width), recorder.SetFPS(std::uint8_t(fps));  // 5 rounds to 0
    test::ExpectError<Exception>([&] { recorder.OpenFile(); }, "Cannot create AVI stream.");
    EXPECT_FALSE(recorder.Recording() || fs::exists(recorder.Filename())) << width << " " << fps;
  }
  {
    TAVIRecorder recorder;
    recorder.SetFilename(dir.File("y.avi"));
    ASSERT_TRUE(recorder.OpenFile());
    recorder.AddFrame();  // without a source the frame bitmap goes as it is
    EXPECT_TRUE(fs::exists(recorder.Filename()));
  }
  EXPECT_FALSE(fs::exists(dir.File("y.avi")));
}

TEST(AVIRecorder, AFailedCloseInTheDestructorIsReported) {
  test::TempDir dir;
  test::RecordingMessages messages;
  rlimit old_limit{};
  getrlimit(RLIMIT_FSIZE, &old_limit);
  const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  {
    TAVIRecorder recorder;
    Prepare(recorder, dir.File("x.avi"));
    ASSERT_TRUE(recorder.OpenFile());
    // The file may not grow beyond 4 KB: the frames wait in FFmpeg's buffer until the file is closed.
    rlimit limit = old_limit;
    limit.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &limit);
    recorder.AddFrame(), recorder.AddFrame();
  }
  setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);
  EXPECT_EQ(messages.texts, (std::vector<std::string>{"Add Frame Error"}));
}

TEST(AVIRecorder, AWorkersFramesAreTakenOnTheGuiThreadUntilCancelled) {
  test::TestCoreApplication();
  test::TempDir dir;
  TWindowSource source;
  TAVIRecorder recorder;
  Prepare(recorder, dir.File("x.avi"));
  recorder.SetGLStageViewer(&source);
  // A worker's AddFrame while the GUI thread handles events; its exception reaches the worker.
  const auto worker_frame = [&](bool raises) {
    std::atomic<bool> done{false};
    std::thread worker([&] {
      if (raises) { EXPECT_THROW(recorder.AddFrame(), Exception); }
      if (!raises) recorder.AddFrame();
      done = true;
    });
    EXPECT_TRUE(test::PumpEventsUntil([&] { return done.load(); }));
    worker.join();
  };
  worker_frame(true);  // idle
  ASSERT_TRUE(recorder.OpenFile());
  worker_frame(false);
  EXPECT_EQ(source.taken_on.load(), QCoreApplication::instance()->thread());

  // The GUI thread stops handling events, as when it joins the simulation thread.
  std::thread waiting([&] { recorder.AddFrame(), recorder.AddFrame(); });  // the second after the cancel
  const auto start = std::chrono::steady_clock::now();
  while (recorder.PendingFrames() == 0 &&
         std::chrono::steady_clock::now() - start < std::chrono::seconds(5)) {
    std::this_thread::yield();
  }
  EXPECT_EQ(recorder.PendingFrames(), 1);
  recorder.CancelPendingFrames();
  waiting.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  QCoreApplication::processEvents();  // the abandoned call is skipped
  recorder.CloseFile(false);
  const test::TAVIReadBack back = test::ReadAVI(recorder.Filename());
  ASSERT_EQ(back.frames.size(), 1u);
  EXPECT_EQ((std::array{back.Pixel(0, 5, 20)[1], back.Pixel(0, 6, 20)[1]}), (std::array{255, 0}));  // green
  recorder.SetFilename(dir.File("y.avi"));  // the next recording takes a worker's frames again
  ASSERT_TRUE(recorder.OpenFile());
  worker_frame(false);
  EXPECT_EQ(recorder.FramesWritten(), 1);
}

}  // namespace
}  // namespace zentrova
