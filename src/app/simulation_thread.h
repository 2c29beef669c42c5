// One simulation run on its own thread: the engine's run loop with the program's observer. The worker
// never touches a widget or the scene: the frames it shows (newest wins) and the end of the run reach
// the GUI thread through the main window's mailbox; an AVI frame is the one request it waits for, and a
// stop releases that wait so that the GUI thread's join never blocks.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "app/gui_mailbox.h"
#include "engine/step/run_loop.h"
#include "engine/world_view.h"
#include "platform/qt/gui_thread_call.h"

namespace zentrova {

class TAVIRecorder;
class TVYKMain;

// The main window as a run reaches it. Every call arrives on the GUI thread.
class ILoopHost {
 public:
  virtual ~ILoopHost() = default;
  // The newest frame of the run.
  virtual void ShowFrame(const TViewFrame& frame) = 0;
  // The run's final actions are done (the history files may still be closing): join and refresh.
  virtual void RunEnded() = 0;
};

// What the run reads of the main window while it lasts.
struct TRunSettings {
  const std::atomic<std::int32_t>* FramesPerSecond = nullptr;
  const std::atomic<std::int32_t>* PausedSeconds = nullptr;
  std::int32_t MaxSeconds = 0;
  // The recorder of the AVI frames; none: frames are not written.
  TAVIRecorder* Recorder = nullptr;
};

class TLoopThread : private IRunObserver {
 public:
  // The driver, host, mailbox and recorder outlive the thread object.
  TLoopThread(TVYKMain& main, ILoopHost& host, TGuiMailbox& mailbox, const TRunSettings& settings);
  // Stops and joins a thread still running.
  ~TLoopThread() override;
  TLoopThread(const TLoopThread&) = delete;
  TLoopThread& operator=(const TLoopThread&) = delete;

  void Start();
  // Any thread: the run ends after its current pass. Only flags change.
  void RequestStop();
  // GUI thread: releases a frame request the worker waits for, then waits for the thread's end.
  void Join();
  // The loop still runs (no stop, no end condition yet).
  bool Running() const { return loop_.SimulationRunning() && !stop_requested_; }
  // The worker has done its final actions.
  bool Finished() const { return finished_; }
  TRunStop Stop() const { return stop_; }
  // The run ended by an error: a step given up, a numerics error, a state not finite, an exception, a
  // history file that could not be written.
  bool Failed() const;
  // The line logged for the run's stop, "" for a plain stop. Read once the thread is joined.
  const std::string& StopReason() const { return loop_.StopReason; }

 private:
  // --- IRunObserver, on the worker ---------------------------------------------------------------------
  bool KeepRunning() override { return !stop_requested_; }
  std::int32_t FramesPerSecond() override;
  void Redraw(const TWorld& world) override;
  void WriteAviFrame(const TWorld& world, std::int32_t& frame_delay_ms) override;
  void CloseAviFile() override;
  std::int32_t PausedSeconds() override;
  void AfterRun(const TWorld& world) override;

  // Newest wins: a frame replaces one the GUI thread has not taken yet.
  struct TFrameSlot {
    std::mutex mutex;
    std::optional<TViewFrame> frame;
  };
  void PostFrame(const TWorld& world);

  TVYKMain& main_;
  ILoopHost& host_;
  TGuiMailbox& mailbox_;
  TRunSettings settings_;
  TRunLoop loop_;
  std::shared_ptr<TFrameSlot> slot_ = std::make_shared<TFrameSlot>();
  TGuiThreadGate gate_;
  std::thread thread_;
  std::atomic<bool> stop_requested_{false};
  std::atomic<bool> finished_{false};
  std::atomic<TRunStop> stop_{TRunStop::Stopped};
};

}  // namespace zentrova
