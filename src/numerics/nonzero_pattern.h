// Where a matrix holds non-zero elements, row by row, and which indices of a square matrix it couples.
//
// A model of free bodies has an inverse mass matrix of 3 x 3 blocks on its diagonal: of the n^2 elements
// of a row only three are non-zero. Products with such a matrix that skip its zeros and keep the order of
// the other terms give the sums of the dense products bit for bit (a sum that starts at +0 and takes a
// product 0 x finite value stays as it was), at the cost of the non-zero elements alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zentrova {

class TMatrixArray;

class TNonZeroPattern {
 public:
  // The pattern of the stored elements of `m` (a factor C is not applied): every element that is not
  // +0 or -0 counts, NaN included.
  void Build(const TMatrixArray& m);

  std::uint32_t Rows() const { return rows_; }
  std::uint32_t Cols() const { return cols_; }
  // The columns of the non-zero elements of row r, ascending: [RowBegin(r), RowEnd(r)).
  const std::uint32_t* RowBegin(std::uint32_t r) const { return columns_.data() + row_start_.at(r); }
  const std::uint32_t* RowEnd(std::uint32_t r) const { return columns_.data() + row_start_.at(r + 1); }
  // The number of non-zero elements.
  std::size_t Count() const { return columns_.size(); }

  // For a square matrix: for every index i, the smallest index of the set that the non-zero elements
  // (i, j) and (j, i) join, directly or through other indices; i itself when nothing couples it. Empty
  // for a matrix that is not square.
  const std::vector<std::uint32_t>& Coupled() const { return coupled_; }

 private:
  std::uint32_t rows_ = 0, cols_ = 0;
  std::vector<std::size_t> row_start_{0};
  std::vector<std::uint32_t> columns_;
  std::vector<std::uint32_t> coupled_;
};

// The pattern of a matrix whose elements change now and then, rebuilt at its first read after a change
// rather than at every change: a matrix re-evaluated at every stage of a step, in a model whose products
// never skip its zeros (few coordinates, no contacts), never has it built.
class TLazyNonZeroPattern {
 public:
  // The elements of `m` have changed (or the pattern follows another matrix now); `m` must outlive the
  // reads that follow.
  void Changed(const TMatrixArray& m) {
    source_ = &m;
    stale_ = true;
  }
  // The pattern of the matrix's elements as they stand; an empty pattern before the first Changed.
  const TNonZeroPattern& Get();

 private:
  const TMatrixArray* source_ = nullptr;
  bool stale_ = false;
  TNonZeroPattern pattern_;
};

// sum over the non-zero columns c < count of row r of `m`, ascending, of m(r, c) v[c], started at 0:
// the dense sum of the first `count` columns bit for bit while v is finite. `m` is the matrix whose
// pattern this is.
inline long double RowProduct(const long double* row, const TNonZeroPattern& pattern, std::uint32_t r,
                              const long double* v, std::uint32_t count) {
  long double sum = 0;
  for (const std::uint32_t* c = pattern.RowBegin(r); c != pattern.RowEnd(r) && *c < count; ++c) {
    sum += row[*c] * v[*c];
  }
  return sum;
}
long double RowProduct(const TMatrixArray& m, const TNonZeroPattern& pattern, std::uint32_t r,
                       const long double* v, std::uint32_t count);

// Every one of v[0], ..., v[count - 1] is finite.
bool AllFinite(const long double* v, std::uint32_t count);

// out[i * stride] := the sum over c < n of m(i, c) v[c] in column order, for every row i < n: over the
// non-zeros of `pattern` while v is finite, over every column when it is not (0 x infinity and 0 x NaN
// are NaN, which the dense sum carries) or when n is small.
void MultiplyRows(const TMatrixArray& m, const TNonZeroPattern& pattern, const long double* v, std::uint32_t n,
                  long double* out, std::size_t stride);
// The same with the pattern of `m` read only when the product skips zeros.
void MultiplyRows(const TMatrixArray& m, TLazyNonZeroPattern& pattern, const long double* v, std::uint32_t n,
                  long double* out, std::size_t stride);

}  // namespace zentrova
