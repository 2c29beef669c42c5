#include "platform/line_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>

namespace zentrova {

namespace {

constexpr char kLineEnd[] = "\r\n";

std::string_view LineEndText(TLineEnd line_end) {
  return line_end == TLineEnd::Lf ? std::string_view(kLineEnd + 1, 1) : std::string_view(kLineEnd, 2);
}

// Writes the buffers whole, going on after a short write or an interrupted call; the bytes written.
// `error` receives the error number of a call that failed.
std::size_t WriteAll(int fd, iovec* part, int count, int& error) {
  std::size_t written = 0;
  while (count > 0) {
    const ssize_t n = ::writev(fd, part, count);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) error = errno;
    // A write that takes nothing and names no error would repeat for ever.
    if (n == 0) error = EIO;
    if (n <= 0) break;
    written += static_cast<std::size_t>(n);
    auto left = static_cast<std::size_t>(n);
    while (count > 0 && left >= part->iov_len) {
      left -= part->iov_len;
      ++part;
      --count;
    }
    if (count > 0) {
      part->iov_base = static_cast<char*>(part->iov_base) + left;
      part->iov_len -= left;
    }
  }
  return written;
}

bool CutFile(int fd, std::size_t bytes) {
  struct stat status {};
  if (::fstat(fd, &status) != 0 || static_cast<std::size_t>(status.st_size) < bytes) return false;
  return ::ftruncate(fd, status.st_size - static_cast<off_t>(bytes)) == 0;
}

}  // namespace

TLineEnd LineEndOf(std::string_view text) {
  const std::size_t end = text.find('\n');
  return end != std::string_view::npos && (end == 0 || text[end - 1] != '\r') ? TLineEnd::Lf : TLineEnd::CrLf;
}

TAppendFile::~TAppendFile() {
  Close();
}

bool TAppendFile::Open(const std::string& file_name) {
  Close();
  // A FIFO put in the file's place fails at once (no reader) rather than waiting for one.
  fd_ = ::open(file_name.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
  if (fd_ < 0) error_ = errno;
  return fd_ >= 0;
}

bool TAppendFile::AppendLine(std::string_view text) {
  if (fd_ < 0) {
    error_ = EBADF;
    return false;
  }
  const std::string_view end = LineEndText(line_end_);
  iovec parts[2] = {{const_cast<char*>(text.data()), text.size()},
                    {const_cast<char*>(end.data()), end.size()}};
  const std::size_t written = WriteAll(fd_, parts, 2, error_);
  if (written == text.size() + end.size()) return true;
  if (written > 0) CutFile(fd_, written);
  return false;
}

bool TAppendFile::CutLast(std::size_t bytes) {
  if (fd_ >= 0 && CutFile(fd_, bytes)) return true;
  error_ = fd_ < 0 ? EBADF : errno;
  return false;
}

bool TAppendFile::Close() {
  if (fd_ < 0) return true;
  // The kernel may report a failed write only here (a network file system).
  const bool ok = ::close(fd_) == 0;
  if (!ok) error_ = errno;
  fd_ = -1;
  return ok;
}

bool ReplaceTextLines(const std::string& file_name, const std::vector<std::string>& lines, TLineEnd line_end,
                      int* error) {
  const std::string_view end = LineEndText(line_end);
  std::size_t size = 0;
  for (const std::string& line : lines) size += line.size() + end.size();
  std::string text;
  text.reserve(size);
  for (const std::string& line : lines) text.append(line).append(end);
  const std::string temporary = file_name + ".new";
  int failure = 0;
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    if (error != nullptr) *error = errno;
    return false;
  }
  iovec whole{text.data(), text.size()};
  bool ok = WriteAll(fd, &whole, 1, failure) == text.size();
  if (::close(fd) != 0) {
    if (ok) failure = errno;
    ok = false;
  }
  if (ok && std::rename(temporary.c_str(), file_name.c_str()) == 0) return true;
  if (ok) failure = errno;
  ::unlink(temporary.c_str());
  if (error != nullptr) *error = failure;
  return false;
}

bool TruncateFile(const std::string& file_name, std::size_t size) {
  return ::truncate(file_name.c_str(), static_cast<off_t>(size)) == 0;
}

TReadResult ReadRegularFile(const std::string& file_name, std::string& text, int* error) {
  text.clear();
  auto failed = [error](int number) {
    if (error != nullptr) *error = number;
    return number == ENOENT ? TReadResult::Missing : TReadResult::Failed;
  };
  struct stat status {};
  if (::stat(file_name.c_str(), &status) != 0) return failed(errno);
  if (!S_ISREG(status.st_mode)) return TReadResult::NotRegular;
  // Something else may have taken the name since: opened without waiting, and looked at again.
  const int fd = ::open(file_name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return failed(errno);
  if (::fstat(fd, &status) != 0) {
    const int number = errno;
    ::close(fd);
    return failed(number);
  }
  if (!S_ISREG(status.st_mode)) {
    ::close(fd);
    return TReadResult::NotRegular;
  }
  text.reserve(static_cast<std::size_t>(status.st_size));
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int number = errno;
      ::close(fd);
      text.clear();
      return failed(number);
    }
    if (n == 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return TReadResult::Read;
}

bool IsSpecialFile(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode);
}

void LetFileSizeLimitFailWrites() {
  std::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace zentrova
