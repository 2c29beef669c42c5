// A plain row-major matrix of extended reals for the temporaries of the contact solvers: the products
// that build their LCPs touch every element, and the numerics matrices' range-checked virtual access per
// element costs more than the sums themselves. Indices are checked by the vector in every build with
// _GLIBCXX_ASSERTIONS.
#pragma once

#include <cstdint>
#include <vector>

namespace zentrova {

class TMatrix;
class TSqrMatrix;

class TDenseMatrix {
 public:
  TDenseMatrix() = default;
  TDenseMatrix(std::uint32_t rows, std::uint32_t cols)
      : rows_(rows), cols_(cols), a_(static_cast<std::size_t>(rows) * cols, 0.0L) {}

  std::uint32_t Rows() const { return rows_; }
  std::uint32_t Cols() const { return cols_; }
  long double& operator()(std::uint32_t r, std::uint32_t c) { return a_[Offset(r, c)]; }
  long double operator()(std::uint32_t r, std::uint32_t c) const { return a_[Offset(r, c)]; }

  // The value of a numerics matrix (its factor C applied).
  static TDenseMatrix From(const TMatrix& m);
  // this . b; the inner dimensions must agree.
  TDenseMatrix Times(const TDenseMatrix& b) const;
  // this . v for a vector of Cols() values.
  std::vector<long double> Times(const std::vector<long double>& v) const;
  // this^T.
  TDenseMatrix Transposed() const;
  // Copies the elements into a square numerics matrix of Rows() x Rows() with factor 1.
  void CopyTo(TSqrMatrix& m) const;

 private:
  std::size_t Offset(std::uint32_t r, std::uint32_t c) const {
    return static_cast<std::size_t>(r) * cols_ + c;
  }

  std::uint32_t rows_ = 0;
  std::uint32_t cols_ = 0;
  std::vector<long double> a_;
};

}  // namespace zentrova
