#include "scene/base/vector_lists.h"

#include <bit>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <typeinfo>

#include "scene/base/quaternion.h"
#include "scene/base/scene_errors.h"
#include "scene/base/vector_geometry.h"

namespace zentrova {

namespace {

// Archives recreate these lists from their class names.
[[maybe_unused]] const bool kListsRegistered = [] {
  RegisterClass<TAffineVectorList>();
  RegisterClass<TVectorList>();
  RegisterClass<TTexPointList>();
  RegisterClass<TSingleList>();
  return true;
}();

// Bytes of n items; the block size must fit a 32-bit signed integer.
std::size_t BlockBytes(std::int64_t n, int item_size) {
  const std::int64_t bytes = n * item_size;
  if (n < 0 || bytes > std::numeric_limits<std::int32_t>::max()) throw EIntOverflow(kIntOverflowError);
  return static_cast<std::size_t>(bytes);
}

}  // namespace

// ---- TBaseList ----

TBaseList::TBaseList(int item_size) : item_size_(item_size) {}

TBaseList::~TBaseList() {
  std::free(data_);
  std::free(swap_buffer_);
}

void TBaseList::CheckIndex(int index) const {
  SceneAssert(static_cast<unsigned>(index) < static_cast<unsigned>(count_));
}

void TBaseList::Reallocate(int new_capacity) {
  if (new_capacity == capacity_) return;
  SceneAssert(new_capacity >= 0);
  const std::size_t bytes = BlockBytes(new_capacity, item_size_);
  if (bytes == 0) {
    std::free(data_);
    data_ = nullptr;
  } else {
    auto* block = static_cast<std::uint8_t*>(std::realloc(data_, bytes));
    if (block == nullptr) throw std::bad_alloc();
    data_ = block;
  }
  capacity_ = new_capacity;
  if (count_ > capacity_) count_ = capacity_;
}

void TBaseList::SetCount(int n) {
  SceneAssert(n >= 0);
  if (n > capacity_) Reallocate(n);
  if (n > count_ && (options_ & bloSetCountResetsMemory) != 0) {
    std::memset(ItemAddress(count_), 0, BlockBytes(n - count_, item_size_));
  }
  count_ = n;
}

void TBaseList::SetCapacity(int n) {
  if (capacity_ < n) Reallocate(n);
}

void TBaseList::AddZeroedItems(int n) {
  SceneAssert(n >= 0);
  if (n == 0) return;
  const std::int64_t new_count = std::int64_t{count_} + n;
  if (new_count > std::numeric_limits<std::int32_t>::max()) throw EIntOverflow(kIntOverflowError);
  if (new_count > capacity_) Reallocate(static_cast<int>(new_count));
  std::memset(ItemAddress(count_), 0, BlockBytes(n, item_size_));
  count_ = static_cast<int>(new_count);
}

void* TBaseList::SwapBuffer() {
  if (swap_buffer_ == nullptr) {
    swap_buffer_ = static_cast<std::uint8_t*>(std::malloc(static_cast<std::size_t>(item_size_)));
    if (swap_buffer_ == nullptr) throw std::bad_alloc();
  }
  return swap_buffer_;
}

void TBaseList::Flush() {
  SetCount(0);
}

void TBaseList::Clear() {
  SetCount(0);
  Reallocate(0);
}

void TBaseList::Exchange(int i, int j) {
  CheckIndex(i);
  CheckIndex(j);
  if (i == j) return;
  void* buffer = SwapBuffer();
  const auto size = static_cast<std::size_t>(item_size_);
  std::memcpy(buffer, ItemAddress(i), size);
  std::memcpy(ItemAddress(i), ItemAddress(j), size);
  std::memcpy(ItemAddress(j), buffer, size);
}

void TBaseList::Reverse() {
  for (int lo = 0, hi = count_ - 1; lo < hi; ++lo, --hi) Exchange(lo, hi);
}

int TBaseList::AppendSlots(int n) {
  const int first = count_;
  std::int64_t capacity = capacity_;
  while (capacity < std::int64_t{count_} + n) capacity += growth_delta_ > 0 ? growth_delta_ : 1;
  if (capacity > std::numeric_limits<std::int32_t>::max()) throw EIntOverflow(kIntOverflowError);
  if (capacity != capacity_) Reallocate(static_cast<int>(capacity));
  count_ += n;
  return first;
}

void TBaseList::Assign(const TPersistent* source) {
  if (source == nullptr) {
    Clear();
    return;
  }
  const auto* other = dynamic_cast<const TBaseList*>(source);
  if (other == nullptr) {
    TPersistentObject::Assign(source);
    return;
  }
  Reallocate(other->count_);
  growth_delta_ = other->growth_delta_;
  count_ = other->count_;
  if (count_ == 0) return;
  const std::size_t bytes = BlockBytes(count_, item_size_);
  if (typeid(*other) == typeid(*this)) {
    std::memcpy(data_, other->data_, bytes);
  } else {
    // Items of another kind cannot be converted; the count is taken, the content zeroed.
    std::memset(data_, 0, bytes);
  }
}

void TBaseList::WriteArchive(TVirtualWriter& writer) const {
  TPersistentObject::WriteArchive(writer);
  writer.WriteInteger(0);
  writer.WriteInteger(count_);
  writer.WriteInteger(item_size_);
  if (count_ > 0) writer.Write(data_, static_cast<std::int64_t>(BlockBytes(count_, item_size_)));
}

void TBaseList::ReadArchive(TVirtualReader& reader) {
  TPersistentObject::ReadArchive(reader);
  const std::int32_t version = reader.ReadInteger();
  if (version != 0) RaiseArchiveVersionError(version);
  const std::int32_t count = reader.ReadInteger();
  const std::int32_t item_size = reader.ReadInteger();
  const std::string prefix = std::string(ClassName()) + " : ";
  if (item_size != item_size_) {
    throw EFilerException(prefix + "archive item size " + std::to_string(item_size) + " differs from " +
                          std::to_string(item_size_));
  }
  if (count < 0 || std::int64_t{count} * item_size_ > reader.Stream().Remaining()) {
    throw EFilerException(prefix + "invalid archive item count " + std::to_string(count));
  }
  count_ = 0;
  Reallocate(count);
  if (count > 0) reader.Read(data_, static_cast<std::int64_t>(BlockBytes(count, item_size_)));
  count_ = count;
}

// ---- TBaseVectorList ----

float* TBaseVectorList::Components(int index) const {
  CheckIndex(index);
  return reinterpret_cast<float*>(ItemAddress(index));
}

TAffineVector TBaseVectorList::AffineAt(int index) const {
  const float* v = Components(index);
  return {v[0], v[1], v[2]};
}

void TBaseVectorList::SetAffineAt(int index, const TAffineVector& v) {
  std::memcpy(Components(index), v.data(), sizeof v);
}

void TBaseVectorList::WriteArchive(TVirtualWriter& writer) const {
  TBaseList::WriteArchive(writer);
  writer.WriteInteger(0);
}

void TBaseVectorList::ReadArchive(TVirtualReader& reader) {
  TBaseList::ReadArchive(reader);
  const std::int32_t version = reader.ReadInteger();
  if (version != 0) RaiseArchiveVersionError(version);
}

void TBaseVectorList::GetExtents(TAffineVector& min, TAffineVector& max) const {
  const float inf = std::numeric_limits<float>::infinity();
  min = {inf, inf, inf};
  max = {-inf, -inf, -inf};
  for (int i = 0; i < Count(); ++i) {
    const float* v = Components(i);
    for (int k = 0; k < 3; ++k) {
      if (v[k] < min[k]) min[k] = v[k];
      if (v[k] > max[k]) max[k] = v[k];
    }
  }
}

TAffineVector TBaseVectorList::Sum() const {
  TAffineVector sum = ZeroVector;
  for (int i = 0; i < Count(); ++i) AddAffineInPlace(sum, AffineAt(i));
  return sum;
}

void TBaseVectorList::Normalize() {
  for (int i = 0; i < Count(); ++i) SetAffineAt(i, NormalizeAffineTo(AffineAt(i)));
}

float TBaseVectorList::MaxSpacing(const TBaseVectorList& other) const {
  SceneAssert(other.Count() == Count());
  float result = 0;
  for (int i = 0; i < Count(); ++i) {
    const float d = ManhattanDistance3(AffineAt(i), other.AffineAt(i));
    if (d > result) result = d;
  }
  return result;
}

void TBaseVectorList::Translate(const TAffineVector& delta) {
  for (int i = 0; i < Count(); ++i) SetAffineAt(i, AddAffine(AffineAt(i), delta));
}

void TBaseVectorList::TranslateItems(const TBaseVectorList& other) {
  SceneAssert(Count() <= other.Count());
  for (int i = 0; i < Count(); ++i) SetAffineAt(i, AddAffine(AffineAt(i), other.AffineAt(i)));
}

void TBaseVectorList::TranslateInvItems(const TBaseVectorList& other) {
  SceneAssert(Count() <= other.Count());
  for (int i = 0; i < Count(); ++i) SetAffineAt(i, SubtractAffine(AffineAt(i), other.AffineAt(i)));
}

void TBaseVectorList::Combine(const TBaseVectorList& other, float f) {
  SceneAssert(other.Count() >= Count());
  for (int i = 0; i < Count(); ++i) {
    TAffineVector a = AffineAt(i);
    AddScaledAffine(a, other.AffineAt(i), f);
    SetAffineAt(i, a);
  }
}

void TBaseVectorList::CombineScaled(const TBaseVectorList& other, float f) {
  SceneAssert(other.Count() == Count());
  for (int i = 0; i < Count(); ++i) SetAffineAt(i, CombineAffine(AffineAt(i), other.AffineAt(i), 1, f));
}

void TBaseVectorList::InterpolateLists(const TBaseVectorList& list1, const TBaseVectorList& list2, float t) {
  SceneAssert(list1.Count() == list2.Count());
  if (t == 0) {
    Assign(&list1);
    return;
  }
  if (t == 1) {
    Assign(&list2);
    return;
  }
  SetCount(list1.Count());
  for (int i = 0; i < Count(); ++i) {
    SetAffineAt(i, InterpolateEulerRotation(list1.AffineAt(i), list2.AffineAt(i), t));
  }
}

// ---- TAffineVectorList ----

int TAffineVectorList::Add(const TAffineVector& v) {
  const int index = AppendSlot();
  List()[index] = v;
  return index;
}

void TAffineVectorList::Add(const TAffineVector& a, const TAffineVector& b, const TAffineVector& c) {
  const int first = AppendSlots(3);
  List()[first] = a;
  List()[first + 1] = b;
  List()[first + 2] = c;
}

int TAffineVectorList::AddXYZ(float x, float y, float z) {
  return Add(TAffineVector{x, y, z});
}

void TAffineVectorList::AddList(const TAffineVectorList* list) {
  if (list == nullptr || list->Count() == 0) return;
  const int n = list->Count();
  const int first = Count();
  const std::int64_t new_count = std::int64_t{first} + n;
  if (new_count > std::numeric_limits<std::int32_t>::max()) throw EIntOverflow(kIntOverflowError);
  // Adding a list to itself: its items must be read before the block moves.
  const TAffineVectorList* source = list;
  TAffineVectorList copy;
  if (list == this) {
    copy.Assign(this);
    source = &copy;
  }
  SetCount(static_cast<int>(new_count));
  std::memcpy(List() + first, source->List(), static_cast<std::size_t>(n) * sizeof(TAffineVector));
}

int TAffineVectorList::IndexOf(const TAffineVector& v) const {
  for (int i = 0; i < Count(); ++i) {
    if (AffineEquals(List()[i], v)) return i;
  }
  return -1;
}

int TAffineVectorList::IndexOfOrAppend(const TAffineVector& v) {
  const int index = IndexOf(v);
  return index >= 0 ? index : Add(v);
}

const TAffineVector& TAffineVectorList::GetItem(int index) const {
  CheckIndex(index);
  return List()[index];
}

void TAffineVectorList::SetItem(int index, const TAffineVector& v) {
  CheckIndex(index);
  List()[index] = v;
}

void TAffineVectorList::Scale(float f) {
  if (Count() == 0 || f == 1) return;
  ScaleFloatArray(reinterpret_cast<float*>(List()), Count() * 3, f);
}

void TAffineVectorList::ScaleByVector(const TAffineVector& v) {
  for (int i = 0; i < Count(); ++i) ScaleVectorByVector(List()[i], v);
}

void TAffineVectorList::Translate(const TAffineVector& delta) {
  AddToAffineArray(List(), delta, List(), Count());
}

void TAffineVectorList::Normalize() {
  NormalizeAffineArray(List(), Count());
}

void TAffineVectorList::Lerp(const TBaseVectorList& list1, const TBaseVectorList& list2, float t) {
  const auto* a = dynamic_cast<const TAffineVectorList*>(&list1);
  const auto* b = dynamic_cast<const TAffineVectorList*>(&list2);
  if (a == nullptr || b == nullptr) return;
  SceneAssert(a->Count() == b->Count());
  SetCount(a->Count());
  LerpAffineArray(a->List(), b->List(), t, List(), Count());
}

// ---- TVectorList ----

int TVectorList::Add(const TVector4f& v) {
  const int index = AppendSlot();
  List()[index] = v;
  return index;
}

int TVectorList::AddAffineW(const TAffineVector& v, float w) {
  return Add(TVector4f{v[0], v[1], v[2], w});
}
int TVectorList::AddXYZW(float x, float y, float z, float w) {
  return Add(TVector4f{x, y, z, w});
}
int TVectorList::AddPoint(const TAffineVector& v) {
  return Add(TVector4f{v[0], v[1], v[2], 1});
}
int TVectorList::AddPointXYZ(float x, float y, float z) {
  return Add(TVector4f{x, y, z, 1});
}

const TVector4f& TVectorList::GetItem(int index) const {
  CheckIndex(index);
  return List()[index];
}

void TVectorList::SetItem(int index, const TVector4f& v) {
  CheckIndex(index);
  List()[index] = v;
}

void TVectorList::Lerp(const TBaseVectorList& list1, const TBaseVectorList& list2, float t) {
  const auto* a = dynamic_cast<const TVectorList*>(&list1);
  const auto* b = dynamic_cast<const TVectorList*>(&list2);
  if (a == nullptr || b == nullptr) return;
  SceneAssert(a->Count() == b->Count());
  SetCount(a->Count());
  LerpVector4Array(a->List(), b->List(), t, List(), Count());
}

// ---- TTexPointList ----

int TTexPointList::Add(const TTexPoint& p) {
  const int index = AppendSlot();
  List()[index] = p;
  return index;
}

const TTexPoint& TTexPointList::GetItem(int index) const {
  CheckIndex(index);
  return List()[index];
}

void TTexPointList::SetItem(int index, const TTexPoint& p) {
  CheckIndex(index);
  List()[index] = p;
}

// ---- TIntegerList ----

int TIntegerList::Add(std::int32_t value) {
  const int index = AppendSlot();
  List()[index] = value;
  return index;
}

void TIntegerList::Add2(std::int32_t a, std::int32_t b) {
  const int first = AppendSlots(2);
  List()[first] = a;
  List()[first + 1] = b;
}

void TIntegerList::Add3(std::int32_t a, std::int32_t b, std::int32_t c) {
  const int first = AppendSlots(3);
  List()[first] = a;
  List()[first + 1] = b;
  List()[first + 2] = c;
}

std::int32_t TIntegerList::GetItem(int index) const {
  CheckIndex(index);
  return List()[index];
}

void TIntegerList::SetItem(int index, std::int32_t value) {
  CheckIndex(index);
  List()[index] = value;
}

// ---- TSingleList ----

int TSingleList::Add(float value) {
  const int index = AppendSlot();
  List()[index] = value;
  return index;
}

float TSingleList::GetItem(int index) const {
  CheckIndex(index);
  return List()[index];
}

void TSingleList::SetItem(int index, float value) {
  CheckIndex(index);
  List()[index] = value;
}

// ---- TByteList ----

int TByteList::Add(std::uint8_t value) {
  const int index = AppendSlot();
  List()[index] = value;
  return index;
}

std::uint8_t TByteList::GetItem(int index) const {
  CheckIndex(index);
  return List()[index];
}

void TByteList::SetItem(int index, std::uint8_t value) {
  CheckIndex(index);
  List()[index] = value;
}

// ---- TQuaternionList ----

int TQuaternionList::Add(const TQuaternion& q) {
  const int index = AppendSlot();
  List()[index] = q;
  return index;
}

const TQuaternion& TQuaternionList::GetItem(int index) const {
  CheckIndex(index);
  return List()[index];
}

void TQuaternionList::SetItem(int index, const TQuaternion& q) {
  CheckIndex(index);
  List()[index] = q;
}

void TQuaternionList::Lerp(const TBaseVectorList& list1, const TBaseVectorList& list2, float t) {
  const auto* a = dynamic_cast<const TQuaternionList*>(&list1);
  const auto* b = dynamic_cast<const TQuaternionList*>(&list2);
  if (a == nullptr || b == nullptr) return;
  SceneAssert(a->Count() == b->Count());
  SetCount(a->Count());
  for (int i = 0; i < Count(); ++i) List()[i] = SlerpQuaternions(a->List()[i], b->List()[i], t);
}

void TQuaternionList::Combine(const TBaseVectorList& other, float f) {
  SceneAssert(other.Count() >= Count());
  const auto* quaternions = dynamic_cast<const TQuaternionList*>(&other);
  if (quaternions == nullptr) {
    TBaseVectorList::Combine(other, f);
    return;
  }
  for (int i = 0; i < Count(); ++i) {
    List()[i] =
        QuaternionMultiply(List()[i], SlerpQuaternions(IdentityQuaternion, quaternions->List()[i], f));
  }
}

// ---- QuickSortLists ----

void QuickSortLists(int first, int last, TSingleList& keys, TPersistentObjectList& objects) {
  if (last < first) return;
  SceneAssert(first >= 0 && last < keys.Count() && last < objects.Count());
  // Comparing the bit patterns as integers is exact and cheap for the distances it sorts.
  const auto key = [&keys](int i) { return std::bit_cast<std::int32_t>(keys.List()[i]); };
  const auto exchange = [&](int i, int j) {
    keys.Exchange(i, j);
    objects.Exchange(i, j);
  };
  if (last == first + 1) {
    if (key(last) < key(first)) exchange(first, last);
    return;
  }
  int i;
  do {
    i = first;
    int j = last;
    const std::int32_t pivot = key(static_cast<int>((std::int64_t{first} + last) / 2));
    do {
      while (key(i) < pivot) ++i;
      while (key(j) > pivot) --j;
      if (i <= j) {
        if (i != j) exchange(i, j);
        ++i;
        --j;
      }
    } while (i <= j);
    if (first < j) QuickSortLists(first, j, keys, objects);
    first = i;
  } while (i < last);
}

}  // namespace zentrova
