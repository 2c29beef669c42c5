#include "app/simulation_thread.h"

#include <exception>
#include <utility>

#include "engine/step/driver.h"
#include "engine/world/world.h"
#include "platform/clock.h"
#include "scene/avi/avi_recorder.h"

namespace zentrova {

TLoopThread::TLoopThread(TVYKMain& main, ILoopHost& host, TGuiMailbox& mailbox, const TRunSettings& settings)
    : main_(main), host_(host), mailbox_(mailbox), settings_(settings), loop_(main, this) {
  loop_.MaxSeconds = settings.MaxSeconds;
}

TLoopThread::~TLoopThread() {
  RequestStop();
  Join();
}

void TLoopThread::Start() {
  thread_ = std::thread([this] {
    try {
      stop_ = loop_.Run();
    } catch (...) {
      // The loop catches the steps' exceptions; nothing else may end the thread through std::terminate.
      stop_ = TRunStop::Exception;
    }
  });
}

bool TLoopThread::Failed() const {
  return RunFailed(stop_.load());
}

void TLoopThread::RequestStop() {
  stop_requested_ = true;
  loop_.StopSimulation();
}

void TLoopThread::Join() {
  if (!thread_.joinable()) return;
  gate_.Close();
  if (settings_.Recorder != nullptr) settings_.Recorder->CancelPendingFrames();
  thread_.join();
}

std::int32_t TLoopThread::FramesPerSecond() {
  return settings_.FramesPerSecond != nullptr ? settings_.FramesPerSecond->load() : 0;
}

std::int32_t TLoopThread::PausedSeconds() {
  return settings_.PausedSeconds != nullptr ? settings_.PausedSeconds->load() : 0;
}

void TLoopThread::PostFrame(const TWorld& world) {
  bool wake = false;
  {
    std::lock_guard lock(slot_->mutex);
    wake = !slot_->frame.has_value();
    slot_->frame = world.MakeViewFrame();
  }
  if (!wake) return;
  mailbox_.Post([slot = slot_, host = &host_] {
    std::optional<TViewFrame> frame;
    {
      std::lock_guard lock(slot->mutex);
      frame.swap(slot->frame);
    }
    if (frame) host->ShowFrame(*frame);
  });
}

void TLoopThread::Redraw(const TWorld& world) { PostFrame(world); }

void TLoopThread::WriteAviFrame(const TWorld& world, std::int32_t& frame_delay_ms) {
  if (settings_.Recorder == nullptr) return;
  // The view shows the frame's state before the recorder takes its picture.
  const TViewFrame frame = world.MakeViewFrame();
  if (!gate_.Call([this, &frame] { host_.ShowFrame(frame); })) return;
  SleepMilliseconds(frame_delay_ms);
  const std::int64_t start = MonotonicMilliseconds();
  settings_.Recorder->AddFrame();
  frame_delay_ms = static_cast<std::int32_t>(MonotonicMilliseconds() - start);
}

void TLoopThread::CloseAviFile() {
  // The GUI thread closes the file once it has joined the thread: the recorder is the GUI thread's.
}

void TLoopThread::AfterRun(const TWorld& world) {
  PostFrame(world);
  finished_ = true;
  mailbox_.Post([host = &host_] { host->RunEnded(); });
}

}  // namespace zentrova
