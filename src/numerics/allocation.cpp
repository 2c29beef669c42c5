#include "numerics/allocation.h"

#include <atomic>
#include <cstdlib>

namespace zentrova {

namespace {
std::atomic<int> g_successes_left{-1};
}  // namespace

bool NumericsAllocationAllowed() {
  int left = g_successes_left.load(std::memory_order_relaxed);
  while (left >= 0) {
    if (left == 0) return false;
    if (g_successes_left.compare_exchange_weak(left, left - 1, std::memory_order_relaxed)) return true;
  }
  return true;
}

void FailNumericsAllocationsAfter(int successes) {
  g_successes_left.store(successes < 0 ? -1 : successes, std::memory_order_relaxed);
}

void* NumericsRealloc(void* block, std::size_t old_bytes, std::size_t new_bytes) {
  if (new_bytes == 0) {
    std::free(block);
    return nullptr;
  }
  if (new_bytes <= old_bytes && block != nullptr) {
    void* smaller = std::realloc(block, new_bytes);
    return smaller != nullptr ? smaller : block;
  }
  if (!NumericsAllocationAllowed()) return nullptr;
  return std::realloc(block, new_bytes);
}

void NumericsFree(void* block) {
  std::free(block);
}

}  // namespace zentrova
