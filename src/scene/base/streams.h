// Byte streams: the sources and targets of archives and data files.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "scene/base/class_name.h"
#include "scene/base/object_base.h"

namespace zentrova {

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

// File modes, as numbers: create (truncating), open for reading with others allowed to read and
// write, open for reading while denying others write access.
inline constexpr std::uint16_t fmCreate = 0xFFFF;
inline constexpr std::uint16_t fmOpenRead = 0x0000;
inline constexpr std::uint16_t fmOpenWrite = 0x0001;
inline constexpr std::uint16_t fmOpenReadWrite = 0x0002;
inline constexpr std::uint16_t fmShareDenyWrite = 0x0020;
inline constexpr std::uint16_t fmShareDenyNone = 0x0040;

class TStream : public TObject {
 public:
  ZENTROVA_CLASS(TStream)

  // Up to count bytes; the number actually moved.
  virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
  virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
  virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;

  // Exactly count bytes, else EReadError "Stream read error" / EWriteError "Stream write error".
  void ReadBuffer(void* buffer, std::int64_t count);
  void WriteBuffer(const void* buffer, std::int64_t count);

  std::int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(std::int64_t position) { Seek(position, TSeekOrigin::soBeginning); }
  std::int64_t Size();
  // Bytes between the position and the end.
  std::int64_t Remaining() { return Size() - Position(); }
};

// A stream on a growable block of memory.
class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::string data) : data_(std::move(data)) {}
  ZENTROVA_CLASS(TMemoryStream)

  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;

  const std::string& DataString() const { return data_; }
  void Clear();

 private:
  std::string data_;
  std::int64_t position_ = 0;
};

// A memory stream whose content is read and written as a string.
class TStringStream : public TMemoryStream {
 public:
  using TMemoryStream::TMemoryStream;
  ZENTROVA_CLASS(TStringStream)
};

// A stream on a file. Opening fails with EFOpenError "Cannot open file "name". reason" or, for
// fmCreate, EFCreateError "Cannot create file "name". reason".
class TFileStream : public TStream {
 public:
  TFileStream(const std::string& file_name, std::uint16_t mode);
  ~TFileStream() override;
  ZENTROVA_CLASS(TFileStream)

  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  const std::string& FileName() const { return file_name_; }

 private:
  void SwitchTo(int operation);

  std::string file_name_;
  std::FILE* file_ = nullptr;
  int last_operation_ = 0;  // 1 read, 2 write
};

}  // namespace zentrova
