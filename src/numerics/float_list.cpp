#include "numerics/float_list.h"

#include <cstring>
#include <new>
#include <vector>

#include "numerics/allocation.h"
#include "numerics/heap_sort.h"
#include "numerics/numerics_error.h"
#include "platform/number_text.h"
#include "platform/text_file.h"

namespace zentrova {

bool TFloatList::ResizeErrorStands() {
  const std::int32_t code = NumericsErrorCode();
  return code == -203 || code == -204;
}

TFloatList::TFloatList() {
  ID = -200;
}

TFloatList::~TFloatList() {
  Clear();
}

void TFloatList::IndexError() const {
  Error(-201, "TFloatList.At: Index out of bounds");
}

long double TFloatList::El(std::uint32_t Index) const {
  if (Index == 0) {
    Error(-202, "TFloatList.El: Index out of bounds");
    return 0;
  }
  return At(Index - 1);
}

void TFloatList::SetEl(std::uint32_t Index, long double Value) {
  if (Index == 0) {
    Error(-202, "TFloatList.El: Index out of bounds");
    return;
  }
  SetAt(Index - 1, Value);
}

bool TFloatList::Resize(std::uint32_t NewCount) {
  return ResizeNumericsArray(data_, count_, NewCount);
}

void TFloatList::Dim(std::uint32_t NewCount) {
  if (NewCount == count_) return;
  if (NewCount > MaxCount) {
    Error(-203, "TFloatList.Dim: Dim too big");
    return;
  }
  if (!Resize(NewCount)) Error(-204, "TFloatList.Dim: Out of memory");
}

long double TFloatList::Min() const {
  if (count_ == 0) return 0;
  long double result = data_[0];
  for (std::uint32_t i = 1; i < count_; ++i) {
    if (data_[i] < result) result = data_[i];
  }
  return result;
}

long double TFloatList::Max() const {
  if (count_ == 0) return 0;
  long double result = data_[0];
  for (std::uint32_t i = 1; i < count_; ++i) {
    if (data_[i] > result) result = data_[i];
  }
  return result;
}

void TFloatList::Add(long double Value) {
  if (count_ >= MaxCount) {
    Error(-206, "TFloatList.Add: Max length of array has already been reached");
    return;
  }
  // Tested before as well as after the resize, so that a standing error does not leave a stray 0.
  if (ResizeErrorStands()) return;
  Dim(count_ + 1);
  if (ResizeErrorStands()) return;
  data_[count_ - 1] = Value;
}

void TFloatList::AddList(const TFloatList& Other) {
  // Read before the resize: a list appended to itself doubles.
  const std::uint32_t added = Other.count_;
  const std::uint64_t sum = std::uint64_t{count_} + added;
  if (sum > UINT32_MAX) {
    Error(-214, "TFloatList.AddList: Integer overflow");
    return;
  }
  if (ResizeErrorStands()) return;
  const std::uint32_t old_count = count_;
  Dim(static_cast<std::uint32_t>(sum));
  if (ResizeErrorStands() || count_ != sum || added == 0) return;
  std::memmove(data_ + old_count, Other.data_, std::size_t{added} * sizeof(long double));
}

void TFloatList::Sort(bool Descending) {
  HeapSort(data_, count_, Descending);
}

void TFloatList::Zero() {
  // As bytes (all bits clear is +0): an extended store costs the x87 unit several times an integer one,
  // and the solvers clear their lists on every call.
  if (count_ != 0) std::memset(data_, 0, std::size_t{count_} * sizeof(long double));
}

void TFloatList::Decimate(std::uint32_t Step) {
  if (Step == 0) {
    Error(-207, "TFloatList.Decimate: Step must be at least 1");
    return;
  }
  if (count_ == 0) return;
  const std::uint32_t new_count = count_ / Step + (count_ % Step != 0 ? 1 : 0);
  for (std::uint32_t i = 0; i < new_count; ++i) data_[i] = data_[std::uint64_t{i} * Step];
  Dim(new_count);
}

void TFloatList::CopyRun(std::uint32_t Start, std::uint32_t Length, TFloatList& Dest) const {
  if (&Dest == this) {
    // Moved down before shrinking: the run must not be read after the array was cut.
    std::memmove(Dest.data_, Dest.data_ + Start, std::size_t{Length} * sizeof(long double));
    Dest.Dim(Length);
    return;
  }
  Dest.Dim(Length);
  if (Dest.count_ != Length) return;  // Dest's own resize error stands
  std::memcpy(Dest.data_, data_ + Start, std::size_t{Length} * sizeof(long double));
}

bool TFloatList::ExtractRunByLength(std::uint32_t Start, std::uint32_t Length, TFloatList& Dest) const {
  if (count_ == 0 || Start >= count_ || Length == 0) {
    Error(-223, "TFloatList.ExtractByLength: Index out of bounds");
    return false;
  }
  if (std::uint64_t{Start} + Length > count_) Length = count_ - Start;
  CopyRun(Start, Length, Dest);
  return Dest.count_ == Length;
}

bool TFloatList::ExtractRunByIndexes(std::uint32_t First, std::uint32_t Last, TFloatList& Dest) const {
  if (count_ == 0 || First >= count_ || Last < First) {
    Error(-225, "TFloatList.ExtractByIndexes: Index out of bounds");
    return false;
  }
  // A last index beyond the list is clipped like a length beyond it, never read.
  if (Last >= count_) Last = count_ - 1;
  const std::uint32_t length = Last - First + 1;
  CopyRun(First, length, Dest);
  return Dest.count_ == length;
}

void TFloatList::ExtractByLength(std::uint32_t Start, std::uint32_t Length, TFloatList& Dest) const {
  ExtractRunByLength(Start, Length, Dest);
}

void TFloatList::ExtractByIndexes(std::uint32_t First, std::uint32_t Last, TFloatList& Dest) const {
  ExtractRunByIndexes(First, Last, Dest);
}

void TFloatList::Assign(const TBase* Source) {
  TBase::Assign(Source);
  const auto* source = dynamic_cast<const TFloatList*>(Source);
  if (source == nullptr || source == this) return;
  if (ResizeErrorStands()) return;
  Dim(source->count_);
  if (ResizeErrorStands() || count_ != source->count_ || source->count_ == 0) return;
  std::memcpy(data_, source->data_, std::size_t{count_} * sizeof(long double));
}

bool TFloatList::IsEqual(const TBase* Other) const {
  if (!TBase::IsEqual(Other)) return false;
  const auto* other = dynamic_cast<const TFloatList*>(Other);
  if (other == nullptr || other->count_ != count_) return false;
  for (std::uint32_t i = 0; i < count_; ++i) {
    if (!(data_[i] == other->data_[i])) return false;
  }
  return true;
}

bool TFloatList::Save(const std::string& FileName) const {
  if (!TBase::Save(FileName)) return false;
  TTextWriter writer;
  if (OpenForAppend(writer, FileName)) {
    writer.WriteLine(IntToText(count_));
    for (std::uint32_t i = 0; i < count_; ++i) writer.WriteLine(FloatToSci23(data_[i]));
    if (writer.Close()) return true;
  }
  Error(-228, "TFloatList.Save: Can not access the file");
  return false;
}

bool TFloatList::SaveData(const std::string& FileName, int Width, int Decimals) const {
  TTextWriter writer;
  if (OpenForAppend(writer, FileName)) {
    writer.WriteLine("Dim= " + IntToText(count_));
    for (std::uint32_t i = 0; i < count_; ++i) writer.WriteLine(FloatToTextChosen(data_[i], Width, Decimals));
    if (writer.Close()) return true;
  }
  Error(-229, "TFloatList.SaveData: Can not access the file");
  return false;
}

bool TFloatList::InternalLoad(TTextReader& F) {
  const bool base_ok = TBase::InternalLoad(F);
  bool ok = false;
  try {
    std::int64_t count = 0;
    if (ReadIntLine(F, 0, MaxCount, count)) {
      // Read before sizing the list, so that a count a damaged file claims costs no more memory than
      // the file really holds.
      std::vector<long double> values;
      ok = true;
      for (std::int64_t i = 0; i < count && ok; ++i) {
        long double value = 0;
        ok = ReadFloatLine(F, value);
        if (ok) values.push_back(value);
      }
      if (ok) {
        Dim(static_cast<std::uint32_t>(count));
        if (count_ != count) return false;  // the resize error stands
        if (count_ != 0) std::memcpy(data_, values.data(), values.size() * sizeof(long double));
      }
    }
  } catch (const std::bad_alloc&) {
    ok = false;
  }
  if (!ok) Error(-230, "TFloatList.InternalLoad: Error loading the file");
  return base_ok && ok;
}

TVector::TVector() {
  ID = -300;
}

void TVector::Assign(const TBase* Source) {
  TFloatList::Assign(Source);
  if (const auto* source = dynamic_cast<const TVector*>(Source)) C = source->C;
}

bool TVector::IsEqual(const TBase* Other) const {
  if (!TFloatList::IsEqual(Other)) return false;
  const auto* other = dynamic_cast<const TVector*>(Other);
  return other != nullptr && other->C == C;
}

void TVector::Zero() {
  TFloatList::Zero();
  C = 1.0L;
}

void TVector::ExtractByLength(std::uint32_t Start, std::uint32_t Length, TFloatList& Dest) const {
  if (!ExtractRunByLength(Start, Length, Dest)) return;
  if (auto* dest = dynamic_cast<TVector*>(&Dest)) dest->C = C;
}

void TVector::ExtractByIndexes(std::uint32_t First, std::uint32_t Last, TFloatList& Dest) const {
  if (!ExtractRunByIndexes(First, Last, Dest)) return;
  if (auto* dest = dynamic_cast<TVector*>(&Dest)) dest->C = C;
}

bool TVector::Save(const std::string& FileName) const {
  if (!TFloatList::Save(FileName)) return false;
  TTextWriter writer;
  if (OpenForAppend(writer, FileName)) {
    writer.WriteLine(FloatToSci23(C));
    if (writer.Close()) return true;
  }
  Error(-327, "TVector.Save: Can not access the file");
  return false;
}

bool TVector::SaveData(const std::string& FileName, int Width, int Decimals) const {
  TTextWriter writer;
  if (OpenForAppend(writer, FileName)) {
    writer.WriteLine("C = " + FloatToTextChosen(C, Width, Decimals));
    if (writer.Close()) return TFloatList::SaveData(FileName, Width, Decimals);
  }
  Error(-328, "TVector.SaveData: Can not access the file");
  return false;
}

bool TVector::InternalLoad(TTextReader& F) {
  const bool list_ok = TFloatList::InternalLoad(F);
  long double c = 0;
  if (!ReadFloatLine(F, c)) {
    Error(-329, "TVector.InternalLoad: Error loading the file");
    return false;
  }
  C = c;
  return list_ok;
}

}  // namespace zentrova
