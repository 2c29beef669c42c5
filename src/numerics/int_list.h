// Growable list of signed 32-bit integers (pivot indexes, counters of the engine).
#pragma once

#include <cstdint>
#include <string>

#include "numerics/base.h"

namespace zentrova {

class TIntList : public TBase {
 public:
  static constexpr std::uint32_t MaxCount = 536870910;

  TIntList();
  ~TIntList() override;

  std::uint32_t Count() const { return count_; }
  std::int32_t* Data() { return data_; }
  const std::int32_t* Data() const { return data_; }

  // 0-based; an index >= Count records -501, the getter then returns 0 and the setter stores nothing.
  std::int32_t At(std::uint32_t Index) const {
    if (Index < count_) return data_[Index];
    IndexError();
    return 0;
  }
  void SetAt(std::uint32_t Index, std::int32_t Value) {
    if (Index < count_) {
      data_[Index] = Value;
    } else {
      IndexError();
    }
  }
  // 1-based; 0 records -502.
  std::int32_t El(std::uint32_t Index) const;

  void Dim(std::uint32_t NewCount);
  void Clear() { Dim(0); }
  std::int32_t High() const { return static_cast<std::int32_t>(count_) - 1; }
  void Add(std::int32_t Value);
  void Sort(bool Descending);

  bool InternalLoad(TTextReader& F) override;
  void Assign(const TBase* Source) override;
  bool IsEqual(const TBase* Other) const override;
  bool Save(const std::string& FileName) const override;
  virtual void Zero();

 private:
  void IndexError() const;
  bool Resize(std::uint32_t NewCount);

  std::int32_t* data_ = nullptr;
  std::uint32_t count_ = 0;
};

}  // namespace zentrova
