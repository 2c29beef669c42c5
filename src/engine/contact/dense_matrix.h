// A plain row-major matrix of extended reals for the temporaries of the contact solvers: the products
// that build their LCPs touch every element, and the numerics matrices' range-checked virtual access per
// element costs more than the sums themselves. Its storage is kept between uses, so that solving the
// contacts of one step after another allocates nothing once the sizes have been seen. Indices are checked
// by the vector in every build with _GLIBCXX_ASSERTIONS.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <emmintrin.h>
#include <vector>

namespace zentrova {

class TMatrix;

class TDenseMatrix {
 public:
  TDenseMatrix() = default;
  TDenseMatrix(std::uint32_t rows, std::uint32_t cols) { Reset(rows, cols); }

  std::uint32_t Rows() const { return rows_; }
  std::uint32_t Cols() const { return cols_; }
  long double& operator()(std::uint32_t r, std::uint32_t c) { return a_[Offset(r, c)]; }
  long double operator()(std::uint32_t r, std::uint32_t c) const { return a_[Offset(r, c)]; }
  const long double* Row(std::uint32_t r) const { return a_.data() + Offset(r, 0); }
  long double* Row(std::uint32_t r) { return a_.data() + Offset(r, 0); }
  const long double* Data() const { return a_.data(); }

  // rows x cols zeros, in the storage of earlier sizes where it fits.
  void Reset(std::uint32_t rows, std::uint32_t cols);
  // The value of a numerics matrix (its factor C applied).
  void Assign(const TMatrix& m);

 private:
  std::size_t Offset(std::uint32_t r, std::uint32_t c) const {
    return static_cast<std::size_t>(r) * cols_ + c;
  }

  std::uint32_t rows_ = 0;
  std::uint32_t cols_ = 0;
  std::vector<long double> a_;
};

// The same extended reals bit for bit, the signs of zeros and NaN payloads included (the six bytes of
// padding after each value are left out): inputs that compare so give every computation the same result.
// Compared a value (16 bytes with its padding) at a time, the padding masked off, and the differences
// gathered over four values before each test: the step compares its inputs whole every time.
inline bool SameBits(const long double* a, const long double* b, std::size_t n) {
  const __m128i value_bytes = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 0, 0, 0, 0, 0, 0);
  const auto differences = [&](std::size_t i) {
    return _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i)),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i)));
  };
  const auto none = [&](__m128i d) {
    return _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(d, value_bytes), _mm_setzero_si128())) == 0xFFFF;
  };
  std::size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    const __m128i d = _mm_or_si128(_mm_or_si128(differences(i), differences(i + 1)),
                                   _mm_or_si128(differences(i + 2), differences(i + 3)));
    if (!none(d)) return false;
  }
  for (; i < n; ++i) {
    if (!none(differences(i))) return false;
  }
  return true;
}
bool SameBits(const std::vector<long double>& a, const std::vector<long double>& b);
// The same size and the same elements bit for bit.
bool SameBits(const TDenseMatrix& a, const TDenseMatrix& b);

// out := a . b. Each sum runs over the inner index upwards and skips the zero elements of a, and those of
// b where a's element is finite: the contact matrices are mostly zeros, and a skipped term adds nothing
// (the sums keep their bits). The inner dimensions must agree.
void Multiply(const TDenseMatrix& a, const TDenseMatrix& b, TDenseMatrix& out);
// out := a^T . b, summed as Multiply sums.
void MultiplyTransposed(const TDenseMatrix& a, const TDenseMatrix& b, TDenseMatrix& out);
// out := a . v for a vector of a.Cols() values.
void Multiply(const TDenseMatrix& a, const std::vector<long double>& v, std::vector<long double>& out);

}  // namespace zentrova
