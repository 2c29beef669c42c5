// Work that other threads hand to the GUI thread. The work travels through our own mutex-guarded queue;
// Qt only carries a wake-up without data (the race detector cannot see Qt's own locks), and one wake-up
// serves every piece of work queued before it runs.
#pragma once

#include <QtCore/QObject>

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace zentrova {

class TGuiMailbox {
 public:
  // Wake-ups go to the thread of the application object.
  TGuiMailbox();
  // Pending work is dropped; a wake-up still queued finds no receiver.
  ~TGuiMailbox();
  TGuiMailbox(const TGuiMailbox&) = delete;
  TGuiMailbox& operator=(const TGuiMailbox&) = delete;

  // Any thread: the work runs later on the GUI thread, in the order posted.
  void Post(std::function<void()> work);
  // The GUI thread: runs the work posted so far (and what that work posts in turn).
  void Drain();
  bool Pending() const;

 private:
  void Wake();

  mutable std::mutex mutex_;
  std::vector<std::function<void()>> pending_;
  bool wake_queued_ = false;
  std::unique_ptr<QObject> receiver_;
};

}  // namespace zentrova
