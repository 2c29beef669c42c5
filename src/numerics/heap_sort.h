// The in-place heap sort shared by the real and integer lists. Not stable.
#pragma once

#include <cstdint>

namespace zentrova {

// Classic two-phase heap sort over the 1-based heap a(1..n), a(k) being first[k - 1]: the heap is
// built from position n div 2 + 1 downwards, then the root is swapped to the end and the heap shrunk.
// Ascending uses a max-heap (follow the larger child, sink while a child is strictly larger);
// descending the mirror image with a min-heap.
template <typename T>
void HeapSort(T* first, std::uint32_t count, bool descending) {
  if (count < 2) return;
  // Indexed through `first` rather than a pointer one before it: such a pointer is undefined behaviour.
  const auto a = [first](std::uint64_t k) -> T& { return first[k - 1]; };
  auto before = [descending](const T& x, const T& y) { return descending ? y < x : x < y; };
  std::uint64_t l = count / 2 + 1;
  std::uint64_t ir = count;
  for (;;) {
    T value;
    if (l > 1) {
      value = a(--l);
    } else {
      value = a(ir);
      a(ir) = a(1);
      if (--ir == 1) {
        a(1) = value;
        return;
      }
    }
    std::uint64_t i = l;
    std::uint64_t j = l + l;
    while (j <= ir) {
      if (j < ir && before(a(j), a(j + 1))) ++j;
      if (!before(value, a(j))) break;
      a(i) = a(j);
      i = j;
      j += j;
    }
    a(i) = value;
  }
}

}  // namespace zentrova
