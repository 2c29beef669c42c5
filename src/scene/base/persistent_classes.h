// The tagged binary archive: a compact, self-describing format in which objects write and read
// themselves, independent of component streaming. Every value is a tag byte and its payload, all
// numbers little-endian:
//
//   0 end of list          1 begin of list
//   2 int8   3 int16   4 int32 (the smallest that holds the value)
//   5 80-bit extended (10 bytes)
//   6 string, 1-byte length    12 string, 4-byte length
//   8 false   9 true
//   18 wide string (4-byte count of UTF-16LE units)   20 UTF-8 string (4-byte count of bytes): read only
//
// Strings are byte strings; this platform's code page is UTF-8, so wide and UTF-8 strings read as UTF-8.
// Raw blocks carry no tag and no length: the reader knows their size from the values before them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "scene/base/class_name.h"
#include "scene/base/object_base.h"
#include "scene/base/streams.h"

namespace zentrova {

enum TArchiveTag : std::uint8_t {
  vaNull = 0,
  vaList = 1,
  vaInt8 = 2,
  vaInt16 = 3,
  vaInt32 = 4,
  vaExtended = 5,
  vaString = 6,
  vaFalse = 8,
  vaTrue = 9,
  vaLString = 12,
  vaWString = 18,
  vaUTF8String = 20
};

// Reads values from a stream it does not own.
class TVirtualReader : public TObject {
 public:
  explicit TVirtualReader(TStream& stream) : stream_(stream) {}
  ZENTROVA_CLASS(TVirtualReader)
  TStream& Stream() const { return stream_; }

  // Raw bytes; a stream that ends early raises EReadError "Stream read error".
  virtual void Read(void* buffer, std::int64_t count) = 0;
  // The next tag, left unread.
  virtual std::uint8_t NextValue() = 0;
  virtual std::int32_t ReadInteger() = 0;
  virtual bool ReadBoolean() = 0;
  virtual std::string ReadString() = 0;
  virtual long double ReadFloat() = 0;
  virtual void ReadListBegin() = 0;
  virtual void ReadListEnd() = 0;
  virtual bool EndOfList() = 0;

 private:
  TStream& stream_;
};

// Writes values to a stream it does not own.
class TVirtualWriter : public TObject {
 public:
  explicit TVirtualWriter(TStream& stream) : stream_(stream) {}
  ZENTROVA_CLASS(TVirtualWriter)
  TStream& Stream() const { return stream_; }

  virtual void Write(const void* buffer, std::int64_t count) = 0;
  virtual void WriteInteger(std::int32_t value) = 0;
  virtual void WriteBoolean(bool value) = 0;
  virtual void WriteString(const std::string& value) = 0;
  virtual void WriteFloat(long double value) = 0;
  virtual void WriteListBegin() = 0;
  virtual void WriteListEnd() = 0;

 private:
  TStream& stream_;
};

// A wrong tag raises EReadError "<reader class>, read type error"; the stream then stands after the tag.
class TBinaryReader : public TVirtualReader {
 public:
  using TVirtualReader::TVirtualReader;
  ZENTROVA_CLASS(TBinaryReader)

  void Read(void* buffer, std::int64_t count) override;
  std::uint8_t NextValue() override;
  std::int32_t ReadInteger() override;
  bool ReadBoolean() override;
  std::string ReadString() override;
  long double ReadFloat() override;
  void ReadListBegin() override;
  void ReadListEnd() override;
  bool EndOfList() override;

 private:
  std::uint8_t ReadTag();
  [[noreturn]] void ReadTypeError() const;
  // A length read from the archive, checked against the bytes left (`unit` bytes per element).
  std::int64_t CheckedLength(std::int32_t length, std::int64_t unit);
};

class TBinaryWriter : public TVirtualWriter {
 public:
  using TVirtualWriter::TVirtualWriter;
  ZENTROVA_CLASS(TBinaryWriter)

  void Write(const void* buffer, std::int64_t count) override;
  void WriteInteger(std::int32_t value) override;
  void WriteBoolean(bool value) override;
  void WriteString(const std::string& value) override;
  void WriteFloat(long double value) override;
  void WriteListBegin() override;
  void WriteListEnd() override;

 private:
  void WriteTag(std::uint8_t tag);
};

// Reader and writer "classes": how SaveToStream and LoadFromStream create their filer.
using TVirtualReaderClass = std::unique_ptr<TVirtualReader> (*)(TStream& stream);
using TVirtualWriterClass = std::unique_ptr<TVirtualWriter> (*)(TStream& stream);
template <class R>
std::unique_ptr<TVirtualReader> CreateReader(TStream& stream) {
  return std::make_unique<R>(stream);
}
template <class W>
std::unique_ptr<TVirtualWriter> CreateWriter(TStream& stream) {
  return std::make_unique<W>(stream);
}

// Base of everything that archives itself. Each class level writes, after its parent's content, its
// own archive version (an integer) and then its fields; this base writes nothing.
class TPersistentObject : public TPersistent {
 public:
  TPersistentObject() = default;
  ZENTROVA_CLASS(TPersistentObject)
  using TInstanceRoot = TPersistentObject;

  // The virtual constructor: a new, empty object of this object's own class. Every archivable class
  // overrides it.
  virtual std::unique_ptr<TPersistentObject> NewInstance() const {
    return std::make_unique<TPersistentObject>();
  }
  // Raw bytes that start a saved stream of this class (none by default).
  virtual std::string FileSignature() const { return {}; }
  virtual TVirtualWriterClass WriterClass() const { return &CreateWriter<TBinaryWriter>; }
  virtual TVirtualReaderClass ReaderClass() const { return &CreateReader<TBinaryReader>; }

  // A new object of the same class with the same content (a deep copy through the archive).
  virtual std::unique_ptr<TPersistentObject> CreateClone() const;
  // From an object of exactly this class: a deep copy through the archive. Otherwise as TPersistent.
  void Assign(const TPersistent* source) override;

  virtual void WriteArchive(TVirtualWriter& writer) const {}
  virtual void ReadArchive(TVirtualReader& reader) {}

  // The signature, then the archive. Without a filer class a TBinaryWriter / TBinaryReader is used.
  virtual void SaveToStream(TStream& stream, TVirtualWriterClass writer_class = nullptr) const;
  // Checks the signature (EInvalidFileSignature "Invalid file signature"), then reads the archive.
  virtual void LoadFromStream(TStream& stream, TVirtualReaderClass reader_class = nullptr);
  // Through the library's file access; without a filer class the object's own.
  virtual void SaveToFile(const std::string& file_name, TVirtualWriterClass writer_class = nullptr) const;
  virtual void LoadFromFile(const std::string& file_name, TVirtualReaderClass reader_class = nullptr);
  virtual std::string SaveToString(TVirtualWriterClass writer_class = nullptr) const;
  virtual void LoadFromString(const std::string& data, TVirtualReaderClass reader_class = nullptr);

  // EFilerException "<class> : unknown archive version <version>".
  [[noreturn]] void RaiseArchiveVersionError(std::int32_t version) const;
  [[noreturn]] static void RaiseArchiveVersionError(const std::string& class_name, std::int32_t version);
};

// The registry through which archives recreate objects from their class names.
using TPersistentObjectFactory = std::unique_ptr<TPersistentObject> (*)();
// Registers a class under its name (a later registration of the same name replaces the earlier one).
void RegisterClass(const std::string& class_name, TPersistentObjectFactory factory);
template <class T>
void RegisterClass() {
  const T probe;
  RegisterClass(probe.ClassName(),
                []() -> std::unique_ptr<TPersistentObject> { return std::make_unique<T>(); });
}
// The factory registered under exactly that name, or nullptr.
TPersistentObjectFactory GetClass(const std::string& class_name);
// Same, raising EClassNotFound "Class <name> not found" when none is registered.
TPersistentObjectFactory FindClass(const std::string& class_name);

// A list of owned objects; nullptr entries are allowed. The list frees its items, last first, when it
// drops them (Delete, Remove, SetCount, SetCapacity, Clear) and when it is destroyed; Extract, Put and
// Pop hand an item back to the caller instead. Its archive writes heterogeneous items by class name.
class TPersistentObjectList : public TPersistentObject {
 public:
  TPersistentObjectList() = default;
  ~TPersistentObjectList() override;
  ZENTROVA_CLASS_NEW(TPersistentObjectList)

  int Count() const { return count_; }
  int Capacity() const { return static_cast<int>(items_.size()); }
  int GrowthDelta() const { return growth_delta_; }
  void SetGrowthDelta(int delta) { growth_delta_ = delta; }

  int Add(std::unique_ptr<TObject> item);
  void Insert(int index, std::unique_ptr<TObject> item);  // index may equal Count
  void Delete(int index);
  std::unique_ptr<TObject> Extract(int index);
  TObject* Get(int index) const;
  // Replaces the item; the former one is handed back.
  std::unique_ptr<TObject> Put(int index, std::unique_ptr<TObject> item);
  TObject* operator[](int index) const { return Get(index); }
  void Exchange(int i, int j);
  int IndexOf(const TObject* item) const;
  int Remove(const TObject* item);  // the former index, or −1
  std::unique_ptr<TObject> Pop();   // the last item taken out; nullptr when empty
  void SetCount(int count);         // new slots are nullptr
  void SetCapacity(int capacity);   // Count is cut to it
  virtual void Clear();             // Count and Capacity 0
  void FreeItems();                 // the slots stay, holding nullptr
  virtual void FreeItemsAndClear();
  // Quicksort of the items by compare (< 0, 0, > 0).
  void Sort(const std::function<int(const TObject*, const TObject*)>& compare);

  // Version 0, begin of list, per item its class (the name the first time, then the index of the class
  // in order of first occurrence) and its archive, or false and the integer 0 for nullptr; end of list.
  // An item that is not a persistent object cannot be archived (EFilerException).
  void WriteArchive(TVirtualWriter& writer) const override;
  // Frees the current items first. A broken archive raises Exception "Broken ObjectList archive" and
  // keeps the items read so far.
  void ReadArchive(TVirtualReader& reader) override;

 protected:
  // EListError "Invalid list index".
  [[noreturn]] virtual void RaiseIndexError(int index) const;
  // Called for each object the reader creates, before it reads its archive.
  virtual void AfterObjectCreatedByReader(TPersistentObject* item) {}

 private:
  void Grow();
  // Frees the items from index `first` to the last, last first.
  void FreeFrom(int first);

  std::vector<std::unique_ptr<TObject>> items_;  // the block; its size is the capacity
  int count_ = 0;
  int growth_delta_ = 16;
};

}  // namespace zentrova
