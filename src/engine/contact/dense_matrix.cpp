#include "engine/contact/dense_matrix.h"

#include "numerics/matrix.h"
#include "platform/exception.h"

namespace zentrova {

TDenseMatrix TDenseMatrix::From(const TMatrix& m) {
  TDenseMatrix d(m.RowCount(), m.ColCount());
  for (std::uint32_t r = 0; r < d.rows_; ++r) {
    const long double* row = m.RowData(r);
    for (std::uint32_t c = 0; c < d.cols_; ++c) d(r, c) = m.C * row[c];
  }
  return d;
}

TDenseMatrix TDenseMatrix::Times(const TDenseMatrix& b) const {
  if (cols_ != b.rows_) throw EListError("TDenseMatrix.Times: the inner dimensions differ");
  TDenseMatrix p(rows_, b.cols_);
  for (std::uint32_t r = 0; r < rows_; ++r) {
    for (std::uint32_t k = 0; k < cols_; ++k) {
      const long double a = (*this)(r, k);
      if (a == 0) continue;
      for (std::uint32_t c = 0; c < b.cols_; ++c) p(r, c) += a * b(k, c);
    }
  }
  return p;
}

std::vector<long double> TDenseMatrix::Times(const std::vector<long double>& v) const {
  if (v.size() != cols_) throw EListError("TDenseMatrix.Times: the vector does not fit the columns");
  std::vector<long double> p(rows_, 0.0L);
  for (std::uint32_t r = 0; r < rows_; ++r) {
    long double sum = 0;
    for (std::uint32_t c = 0; c < cols_; ++c) sum += (*this)(r, c) * v[c];
    p[r] = sum;
  }
  return p;
}

TDenseMatrix TDenseMatrix::Transposed() const {
  TDenseMatrix t(cols_, rows_);
  for (std::uint32_t r = 0; r < rows_; ++r) {
    for (std::uint32_t c = 0; c < cols_; ++c) t(c, r) = (*this)(r, c);
  }
  return t;
}

void TDenseMatrix::CopyTo(TSqrMatrix& m) const {
  if (rows_ != cols_) throw EListError("TDenseMatrix.CopyTo: only a square matrix fits a TSqrMatrix");
  m.Dim(rows_);
  m.C = 1.0L;
  for (std::uint32_t r = 0; r < rows_ && r < m.RowCount(); ++r) {
    long double* row = m.RowData(r);
    for (std::uint32_t c = 0; c < cols_ && c < m.ColCount(); ++c) row[c] = (*this)(r, c);
  }
}

}  // namespace zentrova
