#include "scene/base/persistent_classes.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <map>
#include <mutex>
#include <typeinfo>
#include <utility>

#include "scene/base/application_file_io.h"
#include "scene/base/scene_errors.h"

namespace zentrova {

static_assert(std::numeric_limits<long double>::digits == 64, "archives carry 80-bit extended floats");

namespace {

constexpr std::uint32_t kReplacementCharacter = 0xFFFD;

void AppendUtf8(std::string& out, std::uint32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

// UTF-16 units to this platform's 8-bit strings (UTF-8); an unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(const std::vector<std::uint16_t>& units) {
  std::string out;
  out.reserve(units.size());
  for (std::size_t i = 0; i < units.size(); ++i) {
    const std::uint32_t u = units[i];
    if (u >= 0xD800 && u < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] < 0xE000) {
      AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00));
      ++i;
    } else if (u >= 0xD800 && u < 0xE000) {
      AppendUtf8(out, kReplacementCharacter);
    } else {
      AppendUtf8(out, u);
    }
  }
  return out;
}

// Table-driven UTF-8 decoding into UTF-16 units: the lead byte gives the number of trailing bytes
// (the obsolete 5- and 6-byte forms included), the bytes are accumulated 6 bits at a time and the
// per-length offset is subtracted. Continuation bytes are not validated. A sequence cut off by the end
// of the data raises ERangeError.
std::vector<std::uint16_t> DecodeUtf8(const std::string& bytes) {
  static constexpr std::uint32_t kOffsets[6] = {0x00000000u, 0x00003080u, 0x000E2080u,
                                                0x03C82080u, 0xFA082080u, 0x82082080u};
  std::vector<std::uint16_t> units;
  units.reserve(bytes.size());
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto lead = static_cast<std::uint8_t>(bytes[i]);
    int extra = 0;
    if (lead >= 0xFC) {
      extra = 5;
    } else if (lead >= 0xF8) {
      extra = 4;
    } else if (lead >= 0xF0) {
      extra = 3;
    } else if (lead >= 0xE0) {
      extra = 2;
    } else if (lead >= 0xC0) {
      extra = 1;
    }
    if (i + extra >= bytes.size()) throw ERangeError(kRangeCheckError);
    std::uint32_t c = 0;
    for (int k = 0; k <= extra; ++k) {
      c += static_cast<std::uint8_t>(bytes[i + k]);
      if (k < extra) c <<= 6;
    }
    c -= kOffsets[extra];
    i += extra + 1;
    if (c <= 0xFFFF) {
      units.push_back(static_cast<std::uint16_t>(c));
    } else if (c <= 0x10FFFF) {
      units.push_back(static_cast<std::uint16_t>(((c - 0x10000) >> 10) + 0xD800));
      units.push_back(static_cast<std::uint16_t>(((c - 0x10000) & 0x3FF) + 0xDC00));
    } else {
      // Beyond the last code point: a surrogate pair would name something that does not exist.
      units.push_back(static_cast<std::uint16_t>(kReplacementCharacter));
    }
  }
  return units;
}

struct ClassRegistry {
  // TPersistentObjectList is known by name from the start.
  ClassRegistry() {
    classes["TPersistentObjectList"] = []() -> std::unique_ptr<TPersistentObject> {
      return std::make_unique<TPersistentObjectList>();
    };
  }
  std::mutex mutex;
  std::map<std::string, TPersistentObjectFactory> classes;
};

ClassRegistry& Registry() {
  static ClassRegistry registry;
  return registry;
}

// Nesting depth of object lists being read on this thread: a crafted archive must not exhaust the stack.
thread_local int object_list_read_depth = 0;
constexpr int kMaxObjectListDepth = 256;

}  // namespace

// ---- TBinaryReader ----

void TBinaryReader::Read(void* buffer, std::int64_t count) {
  Stream().ReadBuffer(buffer, count);
}

std::uint8_t TBinaryReader::ReadTag() {
  std::uint8_t tag;
  Stream().ReadBuffer(&tag, 1);
  return tag;
}

void TBinaryReader::ReadTypeError() const {
  throw EReadError(std::string(ClassName()) + ", read type error");
}

std::int64_t TBinaryReader::CheckedLength(std::int32_t length, std::int64_t unit) {
  if (length < 0 || length * unit > Stream().Remaining()) {
    throw EReadError(std::string(ClassName()) + ", invalid string length " + std::to_string(length));
  }
  return length;
}

std::uint8_t TBinaryReader::NextValue() {
  const std::uint8_t tag = ReadTag();
  Stream().Seek(-1, TSeekOrigin::soCurrent);
  return tag;
}

std::int32_t TBinaryReader::ReadInteger() {
  switch (ReadTag()) {
    case vaInt8: {
      std::int8_t v;
      Read(&v, 1);
      return v;
    }
    case vaInt16: {
      std::int16_t v;
      Read(&v, 2);
      return v;
    }
    case vaInt32: {
      std::int32_t v;
      Read(&v, 4);
      return v;
    }
    default:
      ReadTypeError();
  }
}

bool TBinaryReader::ReadBoolean() {
  switch (ReadTag()) {
    case vaFalse:
      return false;
    case vaTrue:
      return true;
    default:
      ReadTypeError();
  }
}

std::string TBinaryReader::ReadString() {
  std::string text;
  const std::uint8_t tag = ReadTag();
  switch (tag) {
    case vaString: {
      std::uint8_t n;
      Read(&n, 1);
      text.resize(n);
      Read(text.data(), n);
      return text;
    }
    case vaLString:
    case vaUTF8String: {
      std::int32_t n;
      Read(&n, 4);
      text.resize(static_cast<std::size_t>(CheckedLength(n, 1)));
      Read(text.data(), n);
      return tag == vaUTF8String ? Utf16ToUtf8(DecodeUtf8(text)) : text;
    }
    case vaWString: {
      std::int32_t n;
      Read(&n, 4);
      std::vector<std::uint16_t> units(static_cast<std::size_t>(CheckedLength(n, 2)));
      Read(units.data(), std::int64_t{n} * 2);
      return Utf16ToUtf8(units);
    }
    default:
      ReadTypeError();
  }
}

long double TBinaryReader::ReadFloat() {
  if (ReadTag() != vaExtended) ReadTypeError();
  long double value = 0;
  Read(&value, 10);
  return value;
}

void TBinaryReader::ReadListBegin() {
  if (ReadTag() != vaList) ReadTypeError();
}

void TBinaryReader::ReadListEnd() {
  if (ReadTag() != vaNull) ReadTypeError();
}

bool TBinaryReader::EndOfList() {
  return NextValue() == vaNull;
}

// ---- TBinaryWriter ----

void TBinaryWriter::Write(const void* buffer, std::int64_t count) {
  Stream().WriteBuffer(buffer, count);
}

void TBinaryWriter::WriteTag(std::uint8_t tag) {
  Write(&tag, 1);
}

void TBinaryWriter::WriteInteger(std::int32_t value) {
  if (value >= -128 && value < 128) {
    WriteTag(vaInt8);
    const auto v = static_cast<std::int8_t>(value);
    Write(&v, 1);
  } else if (value >= -32768 && value < 32768) {
    WriteTag(vaInt16);
    const auto v = static_cast<std::int16_t>(value);
    Write(&v, 2);
  } else {
    WriteTag(vaInt32);
    Write(&value, 4);
  }
}

void TBinaryWriter::WriteBoolean(bool value) {
  WriteTag(value ? vaTrue : vaFalse);
}

void TBinaryWriter::WriteString(const std::string& value) {
  if (value.size() <= 255) {
    WriteTag(vaString);
    const auto n = static_cast<std::uint8_t>(value.size());
    Write(&n, 1);
  } else {
    if (value.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
      throw EWriteError(std::string(ClassName()) + ", string too long");
    }
    WriteTag(vaLString);
    const auto n = static_cast<std::int32_t>(value.size());
    Write(&n, 4);
  }
  Write(value.data(), static_cast<std::int64_t>(value.size()));
}

void TBinaryWriter::WriteFloat(long double value) {
  WriteTag(vaExtended);
  Write(&value, 10);
}

void TBinaryWriter::WriteListBegin() {
  WriteTag(vaList);
}

void TBinaryWriter::WriteListEnd() {
  WriteTag(vaNull);
}

// ---- TPersistentObject ----

std::unique_ptr<TPersistentObject> TPersistentObject::CreateClone() const {
  std::unique_ptr<TPersistentObject> clone = NewInstance();
  SceneAssert(typeid(*clone) == typeid(*this), std::string(ClassName()) + " does not create its own class");
  clone->Assign(this);
  return clone;
}

void TPersistentObject::Assign(const TPersistent* source) {
  if (source != nullptr && typeid(*source) == typeid(*this)) {
    TStringStream stream;
    static_cast<const TPersistentObject*>(source)->SaveToStream(stream);
    stream.SetPosition(0);
    LoadFromStream(stream);
    return;
  }
  TPersistent::Assign(source);
}

void TPersistentObject::SaveToStream(TStream& stream, TVirtualWriterClass writer_class) const {
  if (writer_class == nullptr) writer_class = &CreateWriter<TBinaryWriter>;
  const std::unique_ptr<TVirtualWriter> writer = writer_class(stream);
  const std::string signature = FileSignature();
  if (!signature.empty()) writer->Write(signature.data(), static_cast<std::int64_t>(signature.size()));
  WriteArchive(*writer);
}

void TPersistentObject::LoadFromStream(TStream& stream, TVirtualReaderClass reader_class) {
  if (reader_class == nullptr) reader_class = &CreateReader<TBinaryReader>;
  const std::unique_ptr<TVirtualReader> reader = reader_class(stream);
  const std::string signature = FileSignature();
  if (!signature.empty()) {
    std::string found(signature.size(), '\0');
    if (stream.Read(found.data(), static_cast<std::int64_t>(found.size())) !=
            static_cast<std::int64_t>(found.size()) ||
        found != signature) {
      throw EInvalidFileSignature("Invalid file signature");
    }
  }
  ReadArchive(*reader);
}

void TPersistentObject::SaveToFile(const std::string& file_name, TVirtualWriterClass writer_class) const {
  if (writer_class == nullptr) writer_class = WriterClass();
  const auto stream = OpenDataStream(file_name, fmCreate);
  SaveToStream(*stream, writer_class);
}

void TPersistentObject::LoadFromFile(const std::string& file_name, TVirtualReaderClass reader_class) {
  if (reader_class == nullptr) reader_class = ReaderClass();
  const auto stream = OpenDataStream(file_name, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(*stream, reader_class);
}

std::string TPersistentObject::SaveToString(TVirtualWriterClass writer_class) const {
  TStringStream stream;
  SaveToStream(stream, writer_class);
  return stream.DataString();
}

void TPersistentObject::LoadFromString(const std::string& data, TVirtualReaderClass reader_class) {
  TStringStream stream(data);
  LoadFromStream(stream, reader_class);
}

void TPersistentObject::RaiseArchiveVersionError(std::int32_t version) const {
  RaiseArchiveVersionError(ClassName(), version);
}

void TPersistentObject::RaiseArchiveVersionError(const std::string& class_name, std::int32_t version) {
  throw EFilerException(class_name + " : unknown archive version " + std::to_string(version));
}

// ---- class registry ----

void RegisterClass(const std::string& class_name, TPersistentObjectFactory factory) {
  ClassRegistry& registry = Registry();
  const std::lock_guard<std::mutex> lock(registry.mutex);
  registry.classes[class_name] = factory;
}

TPersistentObjectFactory GetClass(const std::string& class_name) {
  ClassRegistry& registry = Registry();
  const std::lock_guard<std::mutex> lock(registry.mutex);
  const auto it = registry.classes.find(class_name);
  return it == registry.classes.end() ? nullptr : it->second;
}

TPersistentObjectFactory FindClass(const std::string& class_name) {
  const TPersistentObjectFactory factory = GetClass(class_name);
  if (factory == nullptr) throw EClassNotFound("Class " + class_name + " not found");
  return factory;
}

// ---- TPersistentObjectList ----

TPersistentObjectList::~TPersistentObjectList() {
  FreeItems();
}

void TPersistentObjectList::RaiseIndexError(int index) const {
  throw EListError("Invalid list index");
}

void TPersistentObjectList::Grow() {
  items_.resize(items_.size() + static_cast<std::size_t>(std::max(growth_delta_, 1)));
}

void TPersistentObjectList::FreeFrom(int first) {
  for (int i = count_ - 1; i >= first; --i) items_[i].reset();
}

int TPersistentObjectList::Add(std::unique_ptr<TObject> item) {
  if (count_ == Capacity()) Grow();
  items_[count_] = std::move(item);
  return count_++;
}

void TPersistentObjectList::Insert(int index, std::unique_ptr<TObject> item) {
  if (index < 0 || index > count_) RaiseIndexError(index);
  if (count_ == Capacity()) Grow();
  std::move_backward(items_.begin() + index, items_.begin() + count_, items_.begin() + count_ + 1);
  items_[index] = std::move(item);
  ++count_;
}

void TPersistentObjectList::Delete(int index) {
  Extract(index);
}

std::unique_ptr<TObject> TPersistentObjectList::Extract(int index) {
  if (index < 0 || index >= count_) RaiseIndexError(index);
  std::unique_ptr<TObject> item = std::move(items_[index]);
  std::move(items_.begin() + index + 1, items_.begin() + count_, items_.begin() + index);
  --count_;
  return item;
}

TObject* TPersistentObjectList::Get(int index) const {
  if (index < 0 || index >= count_) RaiseIndexError(index);
  return items_[index].get();
}

std::unique_ptr<TObject> TPersistentObjectList::Put(int index, std::unique_ptr<TObject> item) {
  if (index < 0 || index >= count_) RaiseIndexError(index);
  return std::exchange(items_[index], std::move(item));
}

void TPersistentObjectList::Exchange(int i, int j) {
  if (i < 0 || i >= count_) RaiseIndexError(i);
  if (j < 0 || j >= count_) RaiseIndexError(j);
  std::swap(items_[i], items_[j]);
}

int TPersistentObjectList::IndexOf(const TObject* item) const {
  for (int i = 0; i < count_; ++i) {
    if (items_[i].get() == item) return i;
  }
  return -1;
}

int TPersistentObjectList::Remove(const TObject* item) {
  const int index = IndexOf(item);
  if (index >= 0) Delete(index);
  return index;
}

std::unique_ptr<TObject> TPersistentObjectList::Pop() {
  if (count_ == 0) return nullptr;
  return std::move(items_[--count_]);
}

void TPersistentObjectList::SetCount(int count) {
  if (count < 0) RaiseIndexError(count);
  if (count > Capacity()) items_.resize(static_cast<std::size_t>(count));
  FreeFrom(count);
  count_ = count;
}

void TPersistentObjectList::SetCapacity(int capacity) {
  if (capacity < 0) RaiseIndexError(capacity);
  if (count_ > capacity) {
    FreeFrom(capacity);
    count_ = capacity;
  }
  items_.resize(static_cast<std::size_t>(capacity));
}

void TPersistentObjectList::Clear() {
  FreeItems();
  items_.clear();
  items_.shrink_to_fit();
  count_ = 0;
}

void TPersistentObjectList::FreeItems() {
  FreeFrom(0);
}

void TPersistentObjectList::FreeItemsAndClear() {
  FreeItems();
  Clear();
}

void TPersistentObjectList::Sort(const std::function<int(const TObject*, const TObject*)>& compare) {
  if (count_ <= 1) return;
  // Hoare partition around the middle item, recursing on the left part and looping on the right.
  std::function<void(int, int)> quick_sort = [&](int l, int r) {
    int i;
    do {
      i = l;
      int j = r;
      const TObject* pivot = items_[(l + r) / 2].get();
      do {
        while (compare(items_[i].get(), pivot) < 0) ++i;
        while (compare(items_[j].get(), pivot) > 0) --j;
        if (i <= j) {
          std::swap(items_[i], items_[j]);
          ++i;
          --j;
        }
      } while (i <= j);
      if (l < j) quick_sort(l, j);
      l = i;
    } while (i < r);
  };
  quick_sort(0, count_ - 1);
}

void TPersistentObjectList::WriteArchive(TVirtualWriter& writer) const {
  TPersistentObject::WriteArchive(writer);
  writer.WriteInteger(0);
  writer.WriteListBegin();
  std::vector<std::string> classes;
  for (int i = 0; i < count_; ++i) {
    const TObject* item = items_[i].get();
    if (item == nullptr) {
      // Pointer values mean nothing outside this process: only nil is archived this way.
      writer.WriteBoolean(false);
      writer.WriteInteger(0);
      continue;
    }
    const auto* object = dynamic_cast<const TPersistentObject*>(item);
    if (object == nullptr) {
      throw EFilerException(std::string(ClassName()) + " : cannot archive a " + item->ClassName());
    }
    const std::string name = object->ClassName();
    const auto known = std::find(classes.begin(), classes.end(), name);
    if (known == classes.end()) {
      writer.WriteString(name);
      classes.push_back(name);
    } else {
      writer.WriteInteger(static_cast<std::int32_t>(known - classes.begin()));
    }
    object->WriteArchive(writer);
  }
  writer.WriteListEnd();
}

void TPersistentObjectList::ReadArchive(TVirtualReader& reader) {
  FreeItemsAndClear();
  TPersistentObject::ReadArchive(reader);
  const std::int32_t version = reader.ReadInteger();
  if (version != 0) RaiseArchiveVersionError(version);
  if (object_list_read_depth >= kMaxObjectListDepth) throw Exception("Broken ObjectList archive");
  ++object_list_read_depth;
  struct DepthGuard {
    ~DepthGuard() { --object_list_read_depth; }
  } depth_guard;

  reader.ReadListBegin();
  std::vector<TPersistentObjectFactory> classes;
  while (!reader.EndOfList()) {
    TPersistentObjectFactory factory = nullptr;
    switch (reader.NextValue()) {
      case vaInt8:
      case vaInt16:
      case vaInt32: {
        const std::int32_t index = reader.ReadInteger();
        if (index < 0 || index >= static_cast<std::int32_t>(classes.size())) {
          throw Exception("Broken ObjectList archive");
        }
        factory = classes[index];
        break;
      }
      case vaString:
      case vaLString:
        factory = FindClass(reader.ReadString());
        classes.push_back(factory);
        break;
      case vaFalse:
      case vaTrue:
        reader.ReadBoolean();
        // Only nil survives an archive; any other pointer value is a forgery.
        if (reader.ReadInteger() != 0) throw Exception("Broken ObjectList archive");
        Add(nullptr);
        continue;
      default:
        throw Exception("Broken ObjectList archive");
    }
    std::unique_ptr<TPersistentObject> item = factory();
    AfterObjectCreatedByReader(item.get());
    item->ReadArchive(reader);
    Add(std::move(item));
  }
  reader.ReadListEnd();
}

}  // namespace zentrova
