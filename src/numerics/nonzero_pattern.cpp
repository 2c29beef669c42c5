#include "numerics/nonzero_pattern.h"

#include <algorithm>
#include <cmath>

#include "numerics/matrix.h"

namespace zentrova {

void TNonZeroPattern::Build(const TMatrixArray& m) {
  rows_ = m.RowCount();
  cols_ = m.ColCount();
  row_start_.assign(1, 0);
  row_start_.reserve(std::size_t{rows_} + 1);
  columns_.clear();
  for (std::uint32_t r = 0; r < rows_; ++r) {
    const long double* row = m.RowData(r);
    for (std::uint32_t c = 0; c < cols_; ++c) {
      if (row[c] != 0) columns_.push_back(c);
    }
    row_start_.push_back(columns_.size());
  }

  coupled_.clear();
  if (rows_ != cols_) return;
  // Union by the smaller index: every set's root is its smallest member.
  coupled_.resize(rows_);
  for (std::uint32_t i = 0; i < rows_; ++i) coupled_[i] = i;
  const auto root = [&](std::uint32_t i) {
    while (coupled_[i] != i) i = coupled_[i] = coupled_[coupled_[i]];
    return i;
  };
  for (std::uint32_t r = 0; r < rows_; ++r) {
    for (const std::uint32_t* c = RowBegin(r); c != RowEnd(r); ++c) {
      const std::uint32_t a = root(r), b = root(*c);
      if (a != b) coupled_[std::max(a, b)] = std::min(a, b);
    }
  }
  for (std::uint32_t i = 0; i < rows_; ++i) coupled_[i] = root(i);
}

const TNonZeroPattern& TLazyNonZeroPattern::Get() {
  if (stale_) {
    pattern_.Build(*source_);
    stale_ = false;
  }
  return pattern_;
}

long double RowProduct(const TMatrixArray& m, const TNonZeroPattern& pattern, std::uint32_t r,
                       const long double* v, std::uint32_t count) {
  return RowProduct(m.RowData(r), pattern, r, v, count);
}

bool AllFinite(const long double* v, std::uint32_t count) {
  for (std::uint32_t c = 0; c < count; ++c) {
    if (!std::isfinite(v[c])) return false;
  }
  return true;
}

namespace {

// Whether MultiplyRows sums over the non-zeros alone. A small matrix is summed whole: looking its
// non-zeros up costs more than the zeros do.
bool SkipsZeros(const long double* v, std::uint32_t n) {
  constexpr std::uint32_t kDenseUpTo = 8;
  return n > kDenseUpTo && AllFinite(v, n);
}

void MultiplyNonZeros(const TMatrixArray& m, const TNonZeroPattern& pattern, const long double* v,
                      std::uint32_t n, long double* out, std::size_t stride) {
  for (std::uint32_t i = 0; i < n; ++i) out[i * stride] = RowProduct(m.RowData(i), pattern, i, v, n);
}

void MultiplyAll(const TMatrixArray& m, const long double* v, std::uint32_t n, long double* out,
                 std::size_t stride) {
  for (std::uint32_t i = 0; i < n; ++i) {
    const long double* row = m.RowData(i);
    long double sum = 0;
    for (std::uint32_t c = 0; c < n; ++c) sum += row[c] * v[c];
    out[i * stride] = sum;
  }
}

}  // namespace

void MultiplyRows(const TMatrixArray& m, const TNonZeroPattern& pattern, const long double* v, std::uint32_t n,
                  long double* out, std::size_t stride) {
  if (SkipsZeros(v, n)) {
    MultiplyNonZeros(m, pattern, v, n, out, stride);
  } else {
    MultiplyAll(m, v, n, out, stride);
  }
}

void MultiplyRows(const TMatrixArray& m, TLazyNonZeroPattern& pattern, const long double* v, std::uint32_t n,
                  long double* out, std::size_t stride) {
  if (SkipsZeros(v, n)) {
    MultiplyNonZeros(m, pattern.Get(), v, n, out, stride);
  } else {
    MultiplyAll(m, v, n, out, stride);
  }
}

}  // namespace zentrova
