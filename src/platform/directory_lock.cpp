#include "platform/directory_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace zentrova {

namespace {

// A directory removed and made anew under the same name between the open and the lock would leave the
// lock on a directory nobody reaches by that name any more: the name is looked at once more.
constexpr int kAttempts = 3;

bool SameFile(int fd, const std::string& path) {
  struct stat opened {};
  struct stat named {};
  return ::fstat(fd, &opened) == 0 && ::stat(path.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
         opened.st_ino == named.st_ino;
}

}  // namespace

TDirectoryLock::TDirectoryLock(TDirectoryLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

TDirectoryLock& TDirectoryLock::operator=(TDirectoryLock&& other) noexcept {
  if (this != &other) {
    Release();
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

TDirectoryLock::~TDirectoryLock() {
  Release();
}

void TDirectoryLock::Release() {
  // Closing the only descriptor of the open directory frees the lock.
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

TDirectoryLock::TResult TDirectoryLock::TryLock(const std::string& directory) {
  Release();
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    // Close-on-exec: a program started from this one must not keep the lock alive after it.
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return TResult::Missing;
    int locked = 0;
    do {
      locked = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) {
      const int error = errno;
      ::close(fd);
      return error == EWOULDBLOCK ? TResult::Held : TResult::Unsupported;
    }
    if (SameFile(fd, directory)) {
      fd_ = fd;
      return TResult::Locked;
    }
    ::close(fd);
  }
  return TResult::Missing;
}

}  // namespace zentrova
