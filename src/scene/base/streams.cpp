#include "scene/base/streams.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "scene/base/scene_errors.h"

namespace zentrova {

void TStream::ReadBuffer(void* buffer, std::int64_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, std::int64_t count) {
  if (count != 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

std::int64_t TStream::Size() {
  const std::int64_t position = Seek(0, TSeekOrigin::soCurrent);
  const std::int64_t size = Seek(0, TSeekOrigin::soEnd);
  Seek(position, TSeekOrigin::soBeginning);
  return size;
}

std::int64_t TMemoryStream::Read(void* buffer, std::int64_t count) {
  const auto size = static_cast<std::int64_t>(data_.size());
  if (count <= 0 || position_ >= size) return 0;
  const std::int64_t n = std::min(count, size - position_);
  std::memcpy(buffer, data_.data() + position_, static_cast<std::size_t>(n));
  position_ += n;
  return n;
}

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count) {
  if (count <= 0) return 0;
  const auto end = static_cast<std::size_t>(position_ + count);
  if (end > data_.size()) data_.resize(end);
  std::memcpy(data_.data() + position_, buffer, static_cast<std::size_t>(count));
  position_ += count;
  return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  std::int64_t base = 0;
  if (origin == TSeekOrigin::soCurrent) base = position_;
  if (origin == TSeekOrigin::soEnd) base = static_cast<std::int64_t>(data_.size());
  // A position before the start is refused; one beyond the end reads nothing and writes fill the gap.
  position_ = std::max<std::int64_t>(0, base + offset);
  return position_;
}

void TMemoryStream::Clear() {
  data_.clear();
  position_ = 0;
}

TFileStream::TFileStream(const std::string& file_name, std::uint16_t mode) : file_name_(file_name) {
  const char* how = "rb";
  if (mode == fmCreate) {
    how = "w+b";
  } else if ((mode & 3) == fmOpenWrite || (mode & 3) == fmOpenReadWrite) {
    how = "r+b";
  }
  file_ = std::fopen(file_name.c_str(), how);
  if (file_ == nullptr) {
    const std::string reason = std::strerror(errno);
    if (mode == fmCreate) throw EFCreateError("Cannot create file \"" + file_name + "\". " + reason);
    throw EFOpenError("Cannot open file \"" + file_name + "\". " + reason);
  }
}

TFileStream::~TFileStream() {
  if (file_ != nullptr) std::fclose(file_);
}

void TFileStream::SwitchTo(int operation) {
  // C streams need a positioning call between reading and writing.
  if (last_operation_ != 0 && last_operation_ != operation) fseeko(file_, 0, SEEK_CUR);
  last_operation_ = operation;
}

std::int64_t TFileStream::Read(void* buffer, std::int64_t count) {
  if (count <= 0) return 0;
  SwitchTo(1);
  return static_cast<std::int64_t>(std::fread(buffer, 1, static_cast<std::size_t>(count), file_));
}

std::int64_t TFileStream::Write(const void* buffer, std::int64_t count) {
  if (count <= 0) return 0;
  SwitchTo(2);
  return static_cast<std::int64_t>(std::fwrite(buffer, 1, static_cast<std::size_t>(count), file_));
}

std::int64_t TFileStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  const int whence = origin == TSeekOrigin::soBeginning
                         ? SEEK_SET
                         : (origin == TSeekOrigin::soCurrent ? SEEK_CUR : SEEK_END);
  last_operation_ = 0;
  if (fseeko(file_, offset, whence) != 0) return -1;
  return ftello(file_);
}

}  // namespace zentrova
