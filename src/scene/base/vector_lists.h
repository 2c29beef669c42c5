// Growable arrays of fixed-size items (vectors, texture points, quaternions, integers, singles, bytes)
// in one contiguous block, so that the block can be handed to OpenGL vertex arrays and copied whole.
// Single appends grow the capacity by a fixed 16 items.
//
// Archive of every list: version 0, Count, ItemSize, then Count × ItemSize raw bytes (the items exactly
// as in memory); vector lists add one more integer 0 (their own version).
#pragma once

#include <cstdint>

#include "scene/base/class_name.h"
#include "scene/base/persistent_classes.h"
#include "scene/base/vector_types.h"

namespace zentrova {

// Options of a list: bit 1 zero-fills the items that SetCount adds.
inline constexpr std::uint8_t bloSetCountResetsMemory = 2;

class TBaseList : public TPersistentObject {
 public:
  ~TBaseList() override;
  ZENTROVA_CLASS(TBaseList)

  int Count() const { return count_; }
  // Count n (>= 0, "Assertion failure" otherwise): the capacity grows to exactly n when needed; new
  // items are zeroed when the options ask for it.
  void SetCount(int n);
  int Capacity() const { return capacity_; }
  // Grows the capacity to n when it is smaller; never shrinks.
  void SetCapacity(int n);
  int GrowthDelta() const { return growth_delta_; }
  void SetGrowthDelta(int delta) { growth_delta_ = delta; }
  int ItemSize() const { return item_size_; }
  std::uint8_t Options() const { return options_; }
  void SetOptions(std::uint8_t options) { options_ = options; }
  // The contiguous item data (nullptr while the capacity is 0).
  void* BaseList() const { return data_; }

  // Resizes the block to exactly n items, keeping the bytes that fit.
  virtual void Reallocate(int new_capacity);
  // Appends n zero-filled items (the capacity grows to exactly Count + n when needed).
  void AddZeroedItems(int n);
  void AddNulls(int n) { AddZeroedItems(n); }
  // A buffer of one item's size, allocated on first use.
  void* SwapBuffer();
  // Count 0, capacity kept.
  void Flush();
  // Count and capacity 0: the block is released.
  void Clear();
  void Exchange(int i, int j);
  void Reverse();

  // From another list: the same count and growth delta; the items are copied when the source is of
  // this list's own class and zeroed otherwise. nullptr clears.
  void Assign(const TPersistent* source) override;
  void WriteArchive(TVirtualWriter& writer) const override;
  // Refuses (EFilerException) an unknown version, a negative count, an item size other than this list's
  // and a count longer than the data.
  void ReadArchive(TVirtualReader& reader) override;

 protected:
  explicit TBaseList(int item_size);
  std::uint8_t* ItemAddress(int index) const {
    return data_ + static_cast<std::ptrdiff_t>(index) * item_size_;
  }
  // Index below Count, else "Assertion failure".
  void CheckIndex(int index) const;
  // Makes room for one more item; returns its index and raises the count.
  int AppendSlot() { return AppendSlots(1); }
  // Raises the count by n and grows in GrowthDelta steps until the capacity holds it; returns the
  // index of the first new item.
  int AppendSlots(int n);

 private:
  std::uint8_t* data_ = nullptr;
  int count_ = 0;
  int capacity_ = 0;
  int growth_delta_ = 16;
  int item_size_;
  std::uint8_t options_ = bloSetCountResetsMemory;
  std::uint8_t* swap_buffer_ = nullptr;
};

// Lists whose items start with three singles (affine vectors, homogeneous vectors, quaternions); the
// operations below work on those three.
class TBaseVectorList : public TBaseList {
 public:
  ZENTROVA_CLASS(TBaseVectorList)

  void WriteArchive(TVirtualWriter& writer) const override;
  void ReadArchive(TVirtualReader& reader) override;

  // Component-wise minimum and maximum; an empty list leaves +∞ and −∞.
  void GetExtents(TAffineVector& min, TAffineVector& max) const;
  TAffineVector Sum() const;
  virtual void Normalize();
  // The largest Manhattan distance between item i of the two lists (equal counts asserted).
  float MaxSpacing(const TBaseVectorList& other) const;
  virtual void Translate(const TAffineVector& delta);
  void TranslateItems(const TBaseVectorList& other);     // item i += other's item i
  void TranslateInvItems(const TBaseVectorList& other);  // item i −= other's item i
  // item i := item i + f × other's item i (other at least as long, asserted).
  virtual void Combine(const TBaseVectorList& other, float f);
  void CombineScaled(const TBaseVectorList& other, float f);  // equal counts asserted
  // Item-wise interpolation of Euler rotations (radians); t = 0 and t = 1 copy the respective list.
  void InterpolateLists(const TBaseVectorList& list1, const TBaseVectorList& list2, float t);
  // Item-wise interpolation; both lists of this list's class and of equal count, else nothing happens.
  virtual void Lerp(const TBaseVectorList& list1, const TBaseVectorList& list2, float t) = 0;

 protected:
  using TBaseList::TBaseList;
  float* Components(int index) const;  // index asserted below Count

 private:
  // The first three singles of an item, read and written as an affine vector.
  TAffineVector AffineAt(int index) const;
  void SetAffineAt(int index, const TAffineVector& v);
};

class TAffineVectorList : public TBaseVectorList {
 public:
  TAffineVectorList() : TBaseVectorList(sizeof(TAffineVector)) {}
  ZENTROVA_CLASS_NEW(TAffineVectorList)

  TAffineVector* List() const { return static_cast<TAffineVector*>(BaseList()); }
  int Add(const TAffineVector& v);
  void Add(const TAffineVector& a, const TAffineVector& b, const TAffineVector& c);
  void Add3(const TAffineVector& a, const TAffineVector& b, const TAffineVector& c) { Add(a, b, c); }
  int AddXYZ(float x, float y, float z);
  // All items of another list by one block copy (nothing for nullptr or an empty list).
  void AddList(const TAffineVectorList* list);
  int IndexOf(const TAffineVector& v) const;  // bitwise equality; −1 when absent
  int IndexOfOrAppend(const TAffineVector& v);
  const TAffineVector& GetItem(int index) const;
  void SetItem(int index, const TAffineVector& v);
  const TAffineVector& operator[](int index) const { return GetItem(index); }
  void Scale(float f);  // every component; nothing for f = 1 or an empty list
  void ScaleByVector(const TAffineVector& v);
  void Translate(const TAffineVector& delta) override;
  void Normalize() override;
  void Lerp(const TBaseVectorList& list1, const TBaseVectorList& list2, float t) override;
};

class TVectorList : public TBaseVectorList {
 public:
  TVectorList() : TBaseVectorList(sizeof(TVector4f)) {}
  ZENTROVA_CLASS_NEW(TVectorList)

  TVector4f* List() const { return static_cast<TVector4f*>(BaseList()); }
  int Add(const TVector4f& v);
  int AddAffineW(const TAffineVector& v, float w);
  int AddXYZW(float x, float y, float z, float w);
  int AddPoint(const TAffineVector& v);  // w = 1
  int AddPointXYZ(float x, float y, float z);
  const TVector4f& GetItem(int index) const;
  void SetItem(int index, const TVector4f& v);
  const TVector4f& operator[](int index) const { return GetItem(index); }
  void Lerp(const TBaseVectorList& list1, const TBaseVectorList& list2, float t) override;
};

class TTexPointList : public TBaseList {
 public:
  TTexPointList() : TBaseList(sizeof(TTexPoint)) {}
  ZENTROVA_CLASS_NEW(TTexPointList)

  TTexPoint* List() const { return static_cast<TTexPoint*>(BaseList()); }
  int Add(const TTexPoint& p);
  int AddST(float s, float t) { return Add(TTexPoint{s, t}); }
  const TTexPoint& GetItem(int index) const;
  void SetItem(int index, const TTexPoint& p);
  const TTexPoint& operator[](int index) const { return GetItem(index); }
};

class TIntegerList : public TBaseList {
 public:
  TIntegerList() : TBaseList(sizeof(std::int32_t)) {}
  ZENTROVA_CLASS_NEW(TIntegerList)

  std::int32_t* List() const { return static_cast<std::int32_t*>(BaseList()); }
  int Add(std::int32_t value);
  void Add2(std::int32_t a, std::int32_t b);
  void Add3(std::int32_t a, std::int32_t b, std::int32_t c);
  std::int32_t GetItem(int index) const;
  void SetItem(int index, std::int32_t value);
  std::int32_t operator[](int index) const { return GetItem(index); }
};

class TSingleList : public TBaseList {
 public:
  TSingleList() : TBaseList(sizeof(float)) {}
  ZENTROVA_CLASS_NEW(TSingleList)

  float* List() const { return static_cast<float*>(BaseList()); }
  int Add(float value);
  float GetItem(int index) const;
  void SetItem(int index, float value);
  float operator[](int index) const { return GetItem(index); }
};

class TByteList : public TBaseList {
 public:
  TByteList() : TBaseList(1) {}
  ZENTROVA_CLASS_NEW(TByteList)

  std::uint8_t* List() const { return static_cast<std::uint8_t*>(BaseList()); }
  int Add(std::uint8_t value);
  std::uint8_t GetItem(int index) const;
  void SetItem(int index, std::uint8_t value);
  std::uint8_t operator[](int index) const { return GetItem(index); }
};

class TQuaternionList : public TBaseVectorList {
 public:
  TQuaternionList() : TBaseVectorList(sizeof(TQuaternion)) {}
  ZENTROVA_CLASS_NEW(TQuaternionList)

  TQuaternion* List() const { return static_cast<TQuaternion*>(BaseList()); }
  int Add(const TQuaternion& q);
  const TQuaternion& GetItem(int index) const;
  void SetItem(int index, const TQuaternion& q);
  const TQuaternion& operator[](int index) const { return GetItem(index); }
  // Item-wise spherical interpolation.
  void Lerp(const TBaseVectorList& list1, const TBaseVectorList& list2, float t) override;
  // With another quaternion list: item i := item i × slerp(identity, other's item i, f); otherwise as
  // the base.
  void Combine(const TBaseVectorList& other, float f) override;
};

// Sorts keys[first..last] ascending and applies every exchange to the object list as well. Keys compare
// as the signed 32-bit integers of their bit patterns: non-negative singles in order of value, negative
// ones before them in descending order of value.
void QuickSortLists(int first, int last, TSingleList& keys, TPersistentObjectList& objects);

}  // namespace zentrova
