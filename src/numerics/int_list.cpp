#include "numerics/int_list.h"

#include <cstring>
#include <new>
#include <vector>

#include "numerics/allocation.h"
#include "numerics/heap_sort.h"
#include "numerics/numerics_error.h"
#include "platform/number_text.h"
#include "platform/text_file.h"

namespace zentrova {

namespace {

bool ResizeErrorStands() {
  const std::int32_t code = NumericsErrorCode();
  return code == -503 || code == -504;
}

}  // namespace

TIntList::TIntList() {
  ID = -500;
}

TIntList::~TIntList() {
  Clear();
}

void TIntList::IndexError() const {
  Error(-501, "TIntList.At: Index out of bounds");
}

std::int32_t TIntList::El(std::uint32_t Index) const {
  if (Index == 0) {
    Error(-502, "TIntList.El: Index out of bounds");
    return 0;
  }
  return At(Index - 1);
}

bool TIntList::Resize(std::uint32_t NewCount) {
  return ResizeNumericsArray(data_, count_, NewCount);
}

void TIntList::Dim(std::uint32_t NewCount) {
  if (NewCount == count_) return;
  if (NewCount > MaxCount) {
    Error(-503, "TIntList.Dim: Dim too big");
    return;
  }
  if (!Resize(NewCount)) Error(-504, "TIntList.Dim: Out of memory");
}

void TIntList::Add(std::int32_t Value) {
  if (count_ >= MaxCount) {
    Error(-506, "TIntList.Add: Max length of array has already been reached");
    return;
  }
  if (ResizeErrorStands()) return;
  Dim(count_ + 1);
  if (ResizeErrorStands()) return;
  data_[count_ - 1] = Value;
}

void TIntList::Sort(bool Descending) {
  HeapSort(data_, count_, Descending);
}

void TIntList::Zero() {
  for (std::uint32_t i = 0; i < count_; ++i) data_[i] = 0;
}

void TIntList::Assign(const TBase* Source) {
  TBase::Assign(Source);
  const auto* source = dynamic_cast<const TIntList*>(Source);
  if (source == nullptr || source == this) return;
  if (ResizeErrorStands()) return;
  Dim(source->count_);
  if (ResizeErrorStands() || count_ != source->count_ || source->count_ == 0) return;
  std::memcpy(data_, source->data_, std::size_t{count_} * sizeof(std::int32_t));
}

bool TIntList::IsEqual(const TBase* Other) const {
  if (!TBase::IsEqual(Other)) return false;
  const auto* other = dynamic_cast<const TIntList*>(Other);
  if (other == nullptr || other->count_ != count_) return false;
  return count_ == 0 || std::memcmp(data_, other->data_, std::size_t{count_} * sizeof(std::int32_t)) == 0;
}

bool TIntList::Save(const std::string& FileName) const {
  if (!TBase::Save(FileName)) return false;
  TTextWriter writer;
  if (OpenForAppend(writer, FileName)) {
    writer.WriteLine(IntToText(count_));
    for (std::uint32_t i = 0; i < count_; ++i) writer.WriteLine(IntToText(data_[i]));
    if (writer.Close()) return true;
  }
  Error(-524, "TIntList.Save: Can not access the file");
  return false;
}

bool TIntList::InternalLoad(TTextReader& F) {
  const bool base_ok = TBase::InternalLoad(F);
  bool ok = false;
  try {
    std::int64_t count = 0;
    if (ReadIntLine(F, 0, MaxCount, count)) {
      // Read before sizing, as for the real lists: a damaged count costs no more than the file holds.
      std::vector<std::int32_t> values;
      ok = true;
      for (std::int64_t i = 0; i < count && ok; ++i) {
        std::int64_t value = 0;
        ok = ReadIntLine(F, INT32_MIN, INT32_MAX, value);
        if (ok) values.push_back(static_cast<std::int32_t>(value));
      }
      if (ok) {
        Dim(static_cast<std::uint32_t>(count));
        if (count_ != count) return false;
        if (count_ != 0) std::memcpy(data_, values.data(), values.size() * sizeof(std::int32_t));
      }
    }
  } catch (const std::bad_alloc&) {
    ok = false;
  }
  if (!ok) Error(-525, "TIntList.InternalLoad: Error loading the file");
  return base_ok && ok;
}

}  // namespace zentrova
