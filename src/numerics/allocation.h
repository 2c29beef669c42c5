// Memory of the numerics lists and matrices. Running out of memory must become a recorded error of the
// operation that asked (-204, -504, -606, -608, -804, ...), never an exception or a crash, so every
// allocation goes through these functions; they also let tests make an allocation fail on purpose.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zentrova {

// Grows or shrinks `block` like realloc. nullptr on failure, `block` then untouched and still owned by
// the caller. Shrinking never fails: when the system cannot shrink, the larger block is returned.
void* NumericsRealloc(void* block, std::size_t old_bytes, std::size_t new_bytes);
void NumericsFree(void* block);

// Gives the element array of a list `new_count` elements, new ones 0. False when memory runs out: the
// array and its count are then unchanged.
template <typename T>
bool ResizeNumericsArray(T*& data, std::uint32_t& count, std::uint32_t new_count) {
  if (new_count == count) return true;
  void* block = NumericsRealloc(data, std::size_t{count} * sizeof(T), std::size_t{new_count} * sizeof(T));
  if (block == nullptr && new_count != 0) return false;
  data = static_cast<T*>(block);
  for (std::uint32_t i = count; i < new_count; ++i) data[i] = 0;
  count = new_count;
  return true;
}

// Permission for an allocation made another way (an object with new (std::nothrow), a temporary).
bool NumericsAllocationAllowed();

// Test seam: after `successes` further allocations every allocation fails, until it is called again
// with a negative value.
void FailNumericsAllocationsAfter(int successes);

}  // namespace zentrova
