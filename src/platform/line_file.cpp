#include "platform/line_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace zentrova {

namespace {

constexpr char kLineEnd[] = "\r\n";
constexpr std::size_t kLineEndSize = 2;

// Writes the buffers whole, going on after a short write or an interrupted call; the bytes written.
std::size_t WriteAll(int fd, iovec* part, int count) {
  std::size_t written = 0;
  while (count > 0) {
    const ssize_t n = ::writev(fd, part, count);
    if (n < 0 && errno == EINTR) continue;
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

TAppendFile::~TAppendFile() {
  Close();
}

bool TAppendFile::Open(const std::string& file_name) {
  Close();
  fd_ = ::open(file_name.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  return fd_ >= 0;
}

bool TAppendFile::AppendLine(std::string_view text) {
  if (fd_ < 0) return false;
  iovec parts[2] = {{const_cast<char*>(text.data()), text.size()},
                    {const_cast<char*>(kLineEnd), kLineEndSize}};
  const std::size_t written = WriteAll(fd_, parts, 2);
  if (written == text.size() + kLineEndSize) return true;
  if (written > 0) CutFile(fd_, written);
  return false;
}

bool TAppendFile::CutLast(std::size_t bytes) {
  return fd_ >= 0 && CutFile(fd_, bytes);
}

bool TAppendFile::Close() {
  if (fd_ < 0) return true;
  const bool ok = ::close(fd_) == 0;
  fd_ = -1;
  return ok;
}

bool ReplaceTextLines(const std::string& file_name, const std::vector<std::string>& lines) {
  std::size_t size = 0;
  for (const std::string& line : lines) size += line.size() + kLineEndSize;
  std::string text;
  text.reserve(size);
  for (const std::string& line : lines) text.append(line).append(kLineEnd, kLineEndSize);
  const std::string temporary = file_name + ".new";
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  iovec whole{text.data(), text.size()};
  bool ok = WriteAll(fd, &whole, 1) == text.size();
  ok = ::close(fd) == 0 && ok;
  if (ok && std::rename(temporary.c_str(), file_name.c_str()) == 0) return true;
  ::unlink(temporary.c_str());
  return false;
}

bool TruncateFile(const std::string& file_name, std::size_t size) {
  return ::truncate(file_name.c_str(), static_cast<off_t>(size)) == 0;
}

}  // namespace zentrova
