// Growable lists of extended reals: TFloatList, and TVector, a list with a separate scalar factor.
#pragma once

#include <cstdint>
#include <string>

#include "numerics/base.h"

namespace zentrova {

class TMatrixArray;

class TFloatList : public TBase {
 public:
  // Keeps the element array under 2^31 bytes.
  static constexpr std::uint32_t MaxCount = 214748363;

  TFloatList();
  ~TFloatList() override;

  std::uint32_t Count() const { return count_; }
  // The elements; nullptr while the list is empty.
  long double* Data() { return data_; }
  const long double* Data() const { return data_; }

  // 0-based; an index >= Count records -201, the getter then returns 0 and the setter stores nothing.
  long double At(std::uint32_t Index) const {
    if (Index < count_) return data_[Index];
    IndexError();
    return 0;
  }
  void SetAt(std::uint32_t Index, long double Value) {
    if (Index < count_) {
      data_[Index] = Value;
    } else {
      IndexError();
    }
  }
  // 1-based; 0 records -202, an index beyond Count -201 (from At).
  long double El(std::uint32_t Index) const;
  void SetEl(std::uint32_t Index, long double Value);

  void Dim(std::uint32_t NewCount);
  void Clear() { Dim(0); }
  std::int32_t High() const { return static_cast<std::int32_t>(count_) - 1; }
  long double Min() const;
  long double Max() const;
  void Add(long double Value);
  void AddList(const TFloatList& Other);
  void Sort(bool Descending);

  bool InternalLoad(TTextReader& F) override;
  void Assign(const TBase* Source) override;
  bool IsEqual(const TBase* Other) const override;
  bool Save(const std::string& FileName) const override;
  virtual void Zero();
  // Keeps elements 0, Step, 2*Step, ... in order.
  virtual void Decimate(std::uint32_t Step);
  virtual void ExtractByLength(std::uint32_t Start, std::uint32_t Length, TFloatList& Dest) const;
  virtual void ExtractByIndexes(std::uint32_t First, std::uint32_t Last, TFloatList& Dest) const;
  // Appends "Dim= " and the elements in the chosen form (see FloatToTextChosen).
  virtual bool SaveData(const std::string& FileName, int Width, int Decimals) const;

 protected:
  // Sets the count without recording anything; false (list unchanged) when memory runs out.
  bool Resize(std::uint32_t NewCount);
  // The extractions without the factor of a vector; true when Dest received the run.
  bool ExtractRunByLength(std::uint32_t Start, std::uint32_t Length, TFloatList& Dest) const;
  bool ExtractRunByIndexes(std::uint32_t First, std::uint32_t Last, TFloatList& Dest) const;

 private:
  friend class TMatrixArray;
  // Add, AddList and Assign stop while the record holds a resize error of a list, also one left by an
  // earlier operation on another list: after running out of memory nothing more is appended.
  static bool ResizeErrorStands();
  void IndexError() const;
  // Copies Length elements from Start into Dest, which may be this list.
  void CopyRun(std::uint32_t Start, std::uint32_t Length, TFloatList& Dest) const;

  long double* data_ = nullptr;
  std::uint32_t count_ = 0;
};

// The mathematical vector is C times the stored elements; the elements are never scaled on storage.
class TVector : public TFloatList {
 public:
  TVector();

  bool InternalLoad(TTextReader& F) override;
  void Assign(const TBase* Source) override;
  bool IsEqual(const TBase* Other) const override;
  bool Save(const std::string& FileName) const override;
  void Zero() override;
  void ExtractByLength(std::uint32_t Start, std::uint32_t Length, TFloatList& Dest) const override;
  void ExtractByIndexes(std::uint32_t First, std::uint32_t Last, TFloatList& Dest) const override;
  bool SaveData(const std::string& FileName, int Width, int Decimals) const override;

  long double C = 1.0L;
};

}  // namespace zentrova
