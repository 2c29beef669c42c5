// An advisory lock on a directory: one holder at a time, any process. The lock lives in the kernel, on
// the directory itself, so taking it writes nothing into the directory, and it goes with the holder's
// last descriptor: on release, on exit, and when the process crashes or is killed. It binds only those
// who ask for it (flock); it keeps no one from reading or writing.
#pragma once

#include <string>

namespace zentrova {

class TDirectoryLock {
 public:
  enum class TResult {
    Locked,      // this object holds the directory now
    Held,        // another holder has it (another process, or another lock object of this one)
    Missing,     // the directory does not exist, or is no directory
    Unsupported  // the file system offers no such lock: nothing is held
  };

  TDirectoryLock() = default;
  TDirectoryLock(const TDirectoryLock&) = delete;
  TDirectoryLock& operator=(const TDirectoryLock&) = delete;
  TDirectoryLock(TDirectoryLock&& other) noexcept;
  TDirectoryLock& operator=(TDirectoryLock&& other) noexcept;
  ~TDirectoryLock();

  // Takes the lock without waiting; a lock held before is released first.
  TResult TryLock(const std::string& directory);
  void Release();
  bool Locked() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace zentrova
